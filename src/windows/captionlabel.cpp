#include "windows/captionlabel.h"

#include <QFontMetrics>
#include <QPainter>
#include <QRegularExpression>
#include <QStyle>

QStringList wrapAtBlanks(const QString& text, const QFontMetrics& metrics, int width) {
    // Words with the blank run that comes before each of them.
    static const QRegularExpression words(QStringLiteral("(\\s*)(\\S+)"));
    QStringList lines;
    QString line;
    for (const QRegularExpressionMatch& word : words.globalMatch(text)) {
        const QString joined = line.isEmpty() ? word.captured(2) : line + word.captured(0);
        if (line.isEmpty() || metrics.horizontalAdvance(joined) <= width) {
            line = joined;
        } else {
            lines << line;
            line = word.captured(2);
        }
        // A word wider than the label breaks at the last character that fits.
        while (line.size() > 1 && metrics.horizontalAdvance(line) > width) {
            qsizetype fits = line.size() - 1;
            while (fits > 1 && metrics.horizontalAdvance(line.left(fits)) > width)
                --fits;
            lines << line.left(fits);
            line = line.mid(fits);
        }
    }
    if (!line.isEmpty())
        lines << line;
    return lines;
}

CaptionLabel::CaptionLabel(const QString& text, QWidget* parent) : QLabel(text, parent) {
    setTextFormat(Qt::PlainText);
    setWordWrap(true);
}

QStringList CaptionLabel::lines() const {
    return wrapAtBlanks(text(), fontMetrics(), contentsRect().width() - 2 * margin());
}

void CaptionLabel::paintEvent(QPaintEvent* event) {
    Q_UNUSED(event);
    QPainter painter(this);
    drawFrame(&painter);
    const QRect room = contentsRect().adjusted(margin(), margin(), -margin(), -margin());
    const QStringList shown = lines();
    const int lineHeight = fontMetrics().height();
    const int block = int(shown.size()) * lineHeight;
    int top = room.top();
    if (alignment() & Qt::AlignVCenter)
        top += (room.height() - block) / 2;
    else if (alignment() & Qt::AlignBottom)
        top += room.height() - block;
    const Qt::Alignment across = alignment() & Qt::AlignHorizontal_Mask;
    for (const QString& line : shown) {
        style()->drawItemText(&painter, QRect(room.left(), top, room.width(), lineHeight),
                              int(across | Qt::AlignVCenter), palette(), isEnabled(), line,
                              foregroundRole());
        top += lineHeight;
    }
}
