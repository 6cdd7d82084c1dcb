#include "app/updown.h"

#include <QLineEdit>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

TUpDown::TUpDown(QLineEdit* associate, int min, int max, int position, QWidget* parent)
    : QWidget(parent), m_associate(associate), m_min(min), m_max(max),
      m_position(std::clamp(position, min, max)) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    m_up = new QToolButton(this);
    m_up->setArrowType(Qt::UpArrow);
    m_down = new QToolButton(this);
    m_down->setArrowType(Qt::DownArrow);
    for (QToolButton* b : {m_up, m_down}) {
        b->setFixedSize(16, 11);
        b->setAutoRepeat(true);
        b->setFocusPolicy(Qt::NoFocus);
        layout->addWidget(b);
    }
    connect(m_up, &QToolButton::clicked, this, [this] { step(1); });
    connect(m_down, &QToolButton::clicked, this, [this] { step(-1); });
}

void TUpDown::setPosition(int value) {
    value = std::clamp(value, m_min, m_max);
    if (value == m_position)
        return;
    m_position = value;
    if (m_associate)
        m_associate->setText(QString::number(value));
    emit positionChanged(value);
}

void TUpDown::step(int delta) {
    const int before = m_position;
    setPosition(m_position + delta);
    // An arrow click always shows the position, also when the entry was emptied
    // by a read while the position stayed where it was.
    if (m_position == before && m_associate)
        m_associate->setText(QString::number(m_position));
}
