#include "windows/statuspanel.h"

#include <QFontMetrics>

#include <algorithm>

StatusPanel::StatusPanel(int designWidth, QWidget* parent) : QLabel(parent), width_(designWidth) {
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    // Panels show hints, port names and file paths: never as markup.
    setTextFormat(Qt::PlainText);
    setDesignWidth(designWidth);
}

void StatusPanel::setDesignWidth(int width) {
    width_ = width;
    // Never wider than designed: the room left over in the bar stays empty on the right.
    setMaximumWidth(width);
    updateGeometry();
}

QSize StatusPanel::sizeHint() const {
    return {width_, QLabel::sizeHint().height()};
}

QSize StatusPanel::minimumSizeHint() const {
    return {0, QLabel::minimumSizeHint().height()};
}

void StatusPanel::widenToFit(const QStringList& texts) {
    const QFontMetrics metrics(font());
    int widest = 0;
    for (const QString& text : texts)
        widest = std::max(widest, metrics.horizontalAdvance(text));
    // The frame on both sides, and half an "x" of room either side of the text.
    const int needed = widest + 2 * frameWidth() + metrics.horizontalAdvance(QLatin1Char('x'));
    if (needed > width_)
        setDesignWidth(needed);
}
