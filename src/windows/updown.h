#pragma once
// An up-down spinner: two arrow buttons that move a position within
// [minimum, maximum] by one. The value is shown by a separate read-only entry
// tied to it, so the value can only change through the arrows (or the arrow
// keys while the spinner has the focus).
#include <QPointer>
#include <QWidget>

class QLineEdit;
class QToolButton;

class UpDown : public QWidget {
    Q_OBJECT
public:
    explicit UpDown(QWidget* parent = nullptr);

    void setRange(int minimum, int maximum);
    int minimum() const { return m_min; }
    int maximum() const { return m_max; }
    int position() const { return m_position; }
    // Clamped to the range.
    void setPosition(int position);

    // An entry that shows the position: every change of the position is written into
    // it. The entry may be emptied meanwhile; setting the position it already has
    // leaves it alone. The Up and Down arrow keys typed into the entry step the
    // spinner as its arrows do.
    void setAssociate(QLineEdit* entry);

    void stepUp() { setPosition(m_position + 1); }
    void stepDown() { setPosition(m_position - 1); }

signals:
    void positionChanged(int position);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void updateButtons();

    QPointer<QLineEdit> m_associate;
    QToolButton* m_up;
    QToolButton* m_down;
    int m_min = 0;
    int m_max = 100;
    int m_position = 0;
};
