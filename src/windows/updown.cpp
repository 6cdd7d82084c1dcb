#include "windows/updown.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QToolButton>

UpDown::UpDown(QWidget* parent) : QWidget(parent) {
    m_up = new QToolButton(this);
    m_up->setArrowType(Qt::UpArrow);
    m_up->setAutoRepeat(true);
    m_up->setFocusPolicy(Qt::NoFocus);
    m_down = new QToolButton(this);
    m_down->setArrowType(Qt::DownArrow);
    m_down->setAutoRepeat(true);
    m_down->setFocusPolicy(Qt::NoFocus);
    setFocusPolicy(Qt::TabFocus);
    connect(m_up, &QToolButton::clicked, this, &UpDown::stepUp);
    connect(m_down, &QToolButton::clicked, this, &UpDown::stepDown);
    updateButtons();
}

void UpDown::setRange(int minimum, int maximum) {
    m_min = minimum;
    m_max = qMax(minimum, maximum);
    setPosition(m_position);
    updateButtons();
}

void UpDown::setPosition(int position) {
    const int clamped = qBound(m_min, position, m_max);
    if (clamped == m_position)
        return;
    m_position = clamped;
    updateButtons();
    if (m_associate)
        m_associate->setText(QString::number(m_position));
    emit positionChanged(m_position);
}

void UpDown::setAssociate(QLineEdit* entry) {
    if (m_associate)
        m_associate->removeEventFilter(this);
    m_associate = entry;
    if (m_associate)
        m_associate->installEventFilter(this);
}

bool UpDown::eventFilter(QObject* watched, QEvent* event) {
    // The event type is tested first: while the entry is being destroyed it still
    // sends events here, and reading the guarded pointer then would treat a
    // half-destroyed widget as an entry.
    if (event->type() == QEvent::KeyPress && watched == m_associate && isEnabled()) {
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
    m_up->setGeometry(0, 0, width(), half);
    m_down->setGeometry(0, half, width(), height() - half);
}

void UpDown::changeEvent(QEvent* event) {
    if (event->type() == QEvent::EnabledChange)
        updateButtons();
    QWidget::changeEvent(event);
}

void UpDown::updateButtons() {
    m_up->setEnabled(isEnabled() && m_position < m_max);
    m_down->setEnabled(isEnabled() && m_position > m_min);
}
