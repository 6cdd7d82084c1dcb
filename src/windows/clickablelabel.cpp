#include "windows/clickablelabel.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyleOptionFocusRect>

ClickableLabel::ClickableLabel(QWidget* parent) : QLabel(parent) {
    setFocusPolicy(Qt::StrongFocus);
}

ClickableLabel::ClickableLabel(const QString& text, QWidget* parent) : QLabel(text, parent) {
    setFocusPolicy(Qt::StrongFocus);
}

void ClickableLabel::mouseReleaseEvent(QMouseEvent* event) {
    // A click is a press and release over the label, as with a button.
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        emit clicked();
    QLabel::mouseReleaseEvent(event);
}

void ClickableLabel::keyPressEvent(QKeyEvent* event) {
    const Qt::KeyboardModifiers mods = event->modifiers() & ~Qt::KeypadModifier;
    if (mods == Qt::NoModifier &&
        (event->key() == Qt::Key_Space || event->key() == Qt::Key_Return ||
         event->key() == Qt::Key_Enter)) {
        event->accept();
        emit clicked();
        return;
    }
    QLabel::keyPressEvent(event);
}

void ClickableLabel::paintEvent(QPaintEvent* event) {
    QLabel::paintEvent(event);
    if (!hasFocus())
        return;
    // A label draws no focus of its own; show where Space and Return act.
    QPainter painter(this);
    QStyleOptionFocusRect option;
    option.initFrom(this);
    option.backgroundColor = palette().color(backgroundRole());
    style()->drawPrimitive(QStyle::PE_FrameFocusRect, &option, &painter, this);
}
