#include "windows/exampleentry.h"

#include <QPainter>
#include <QStyle>
#include <QStyleOptionFrame>

ExampleEntry::ExampleEntry(const QString& text, QWidget* parent) : QLineEdit(text, parent) {}

void ExampleEntry::setExample(const QString& example, const QString& prefix) {
    setPlaceholderText(example);
    prefix_ = prefix;
    update();
}

QString ExampleEntry::shownExample() const {
    if (prefix_.isEmpty() || text().compare(prefix_, Qt::CaseInsensitive) != 0)
        return {};
    return placeholderText().mid(prefix_.size());
}

void ExampleEntry::paintEvent(QPaintEvent* event) {
    QLineEdit::paintEvent(event);
    const QString rest = shownExample();
    if (rest.isEmpty())
        return;
    // Where QLineEdit draws its text: the contents rectangle less the text margins and
    // its own small inner margins (2 pixels across, 1 down).
    QStyleOptionFrame option;
    initStyleOption(&option);
    QRect area = style()->subElementRect(QStyle::SE_LineEditContents, &option, this);
    area = area.marginsRemoved(textMargins()).adjusted(2, 1, -2, -1);
    area.setLeft(area.left() + fontMetrics().horizontalAdvance(text()));
    QPainter painter(this);
    painter.setPen(palette().color(QPalette::PlaceholderText));
    painter.drawText(area, Qt::AlignLeft | Qt::AlignVCenter, rest);
}
