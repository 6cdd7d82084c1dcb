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
    int minimum() const { return min_; }
    int maximum() const { return max_; }
    int position() const { return position_; }
    // Clamped to the range.
    void setPosition(int position);

    // An entry that shows the position: every change of the position is written into
    // it. The entry may be emptied meanwhile; setting the position it already has
    // leaves it alone. The Up and Down arrow keys typed into the entry step the
    // spinner as its arrows do.
    void setAssociate(QLineEdit* entry);

    // A step of the arrows (or arrow keys): the user sets the value.
    void stepUp();
    void stepDown();

signals:
    void positionChanged(int position);
    void stepped();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void updateButtons();

    QPointer<QLineEdit> associate_;
    QToolButton* up_;
    QToolButton* down_;
    int min_ = 0;
    int max_ = 100;
    int position_ = 0;
};
