#pragma once
#include <QWidget>

class QLineEdit;
class QToolButton;

// A pair of up/down arrows bound to an entry, as the settings page uses them: the
// position is kept apart from the entry's text, so the entry may be empty while the
// spinner keeps its position. Changing the position writes it into the entry; setting
// the position it already has leaves the entry alone.
class TUpDown : public QWidget {
    Q_OBJECT
public:
    TUpDown(QLineEdit* associate, int min, int max, int position, QWidget* parent = nullptr);

    int position() const { return m_position; }
    int minimum() const { return m_min; }
    int maximum() const { return m_max; }
    void setPosition(int value);

signals:
    void positionChanged(int position);

private:
    void step(int delta);

    QLineEdit* m_associate;
    QToolButton* m_up;
    QToolButton* m_down;
    int m_min;
    int m_max;
    int m_position;
};
