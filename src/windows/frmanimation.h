#pragma once
// The busy window "通信中": a modeless, always-on-top tool window shown while a
// device request is in progress, with a running light between the pictures of
// the lap timer and the radio link. Closing it is how the user cancels the
// running device operation: its close handler clears the creator's flag, and
// the creator's idle pass notices the cleared flag and destroys the window.
#include "windows/animationsteps.h"

#include <QTimer>
#include <QWidget>

#include <array>

class QLabel;
class ShapeWidget;

class TAnimationForm : public QWidget {
    Q_OBJECT
public:
    static constexpr QSize clientSize{468, 95};
    static constexpr int timerIntervalMs = 25;

    // Sets openFlag to true and starts the animation. The flag must outlive the
    // window or the window must be closed before the flag goes away.
    TAnimationForm(QWidget* owner, bool& openFlag);
    ~TAnimationForm() override;

    // Circle n (1..12), also found as the child named "shpAirWaves" + n.
    ShapeWidget* airWave(int n) const;
    const WaveAnimation& animation() const { return wave_; }

    QLabel* imgRinKoda = nullptr;
    QLabel* Image1 = nullptr;
    QTimer timAnimation;

public slots:
    void timAnimationTimer();

protected:
    void closeEvent(QCloseEvent* event) override;
    // Escape closes the window, as its close button does.
    void keyPressEvent(QKeyEvent* event) override;

private:
    void FormClose();
    void FormDestroy();
    void paintCircles();

    bool& openFlag_;
    WaveAnimation wave_;
    WaveAnimation::Circles circles_{};
    std::array<ShapeWidget*, WaveAnimation::circleCount> shpAirWaves_{};
};
