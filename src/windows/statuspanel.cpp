#include "windows/statuspanel.h"

StatusPanel::StatusPanel(int designWidth, QWidget* parent) : QLabel(parent), width_(designWidth) {
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
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
