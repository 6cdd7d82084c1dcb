#include "windows/updown.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QToolButton>

UpDown::UpDown(QWidget* parent) : QWidget(parent) {
    up_ = new QToolButton(this);
    up_->setArrowType(Qt::UpArrow);
    up_->setAutoRepeat(true);
    up_->setFocusPolicy(Qt::NoFocus);
    down_ = new QToolButton(this);
    down_->setArrowType(Qt::DownArrow);
    down_->setAutoRepeat(true);
    down_->setFocusPolicy(Qt::NoFocus);
    setFocusPolicy(Qt::TabFocus);
    connect(up_, &QToolButton::clicked, this, &UpDown::stepUp);
    connect(down_, &QToolButton::clicked, this, &UpDown::stepDown);
    updateButtons();
}

void UpDown::setRange(int minimum, int maximum) {
    min_ = minimum;
    max_ = qMax(minimum, maximum);
    setPosition(position_);
    updateButtons();
}

void UpDown::setPosition(int position) {
    const int clamped = qBound(min_, position, max_);
    if (clamped == position_)
        return;
    position_ = clamped;
    updateButtons();
    if (associate_)
        associate_->setText(QString::number(position_));
    emit positionChanged(position_);
}

void UpDown::stepUp() {
    setPosition(position_ + 1);
    emit stepped();
}

void UpDown::stepDown() {
    setPosition(position_ - 1);
    emit stepped();
}

void UpDown::setAssociate(QLineEdit* entry) {
    if (associate_)
        associate_->removeEventFilter(this);
    associate_ = entry;
    if (associate_)
        associate_->installEventFilter(this);
}

bool UpDown::eventFilter(QObject* watched, QEvent* event) {
    // The event type is tested first: while the entry is being destroyed it still
    // sends events here, and reading the guarded pointer then would treat a
    // half-destroyed widget as an entry.
    if (event->type() == QEvent::KeyPress && watched == associate_ && isEnabled()) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->modifiers() == Qt::NoModifier || key->modifiers() == Qt::KeypadModifier) {
            if (key->key() == Qt::Key_Up) {
                stepUp();
                return true;
            }
            if (key->key() == Qt::Key_Down) {
                stepDown();
                return true;
            }
        }
    }
    return QWidget::eventFilter(watched, event);
}

void UpDown::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Up)
        stepUp();
    else if (event->key() == Qt::Key_Down)
        stepDown();
    else
        QWidget::keyPressEvent(event);
}

void UpDown::resizeEvent(QResizeEvent*) {
    const int half = height() / 2;
    up_->setGeometry(0, 0, width(), half);
    down_->setGeometry(0, half, width(), height() - half);
}

void UpDown::changeEvent(QEvent* event) {
    if (event->type() == QEvent::EnabledChange)
        updateButtons();
    QWidget::changeEvent(event);
}

void UpDown::updateButtons() {
    up_->setEnabled(isEnabled() && position_ < max_);
    down_->setEnabled(isEnabled() && position_ > min_);
}
