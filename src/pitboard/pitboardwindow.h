#pragma once
// The pit board window: the last live lap in large type with its gaps, sectors and the fuel
// left, readable from the pit wall; a banner when the link falls quiet or the port is gone;
// a flash and a sound for a new best, low fuel and an overdue car. It listens to the event
// feed only, so the main window and the line are untouched by it.
//
// Keys: F11 full screen, T sunlight/night theme, M mute. The screen, theme, full screen, mute
// and alert settings are kept in the section "PitBoard" of pitboard.ini in the program's
// configuration folder.
#include "feed/eventfeed.h"
#include "pitboard/pitboardmodel.h"

#include <QElapsedTimer>
#include <QMap>
#include <QTemporaryDir>
#include <QTimer>
#include <QWidget>

#include <array>
#include <memory>

class QLabel;
class QSoundEffect;

namespace pitboard {

enum class Theme { Sunlight, Night };

class PitBoardWindow : public QWidget {
    Q_OBJECT

public:
    // settingsPath: the file the board keeps its settings in; empty: not kept (tests).
    PitBoardWindow(feed::EventFeed& feed, const QString& settingsPath, QWidget* parent = nullptr);
    ~PitBoardWindow() override;

    // Shows the board where it was last, raising it when it is already shown.
    void showBoard();
    void setTheme(Theme theme);
    Theme theme() const { return theme_; }
    void setMuted(bool muted) { muted_ = muted; }
    bool muted() const { return muted_; }
    void setPersonalBest(std::optional<int> hundredths);

    PitBoardModel& model() { return model_; }
    // The alert being flashed, if any; the alerts fired so far (for the crew's record and tests).
    std::optional<Alert> flashing() const { return flashing_; }
    const QList<Alert>& alertsFired() const { return alertsFired_; }

    // The settings file the program uses.
    static QString defaultSettingsPath();

    // The clock's time now, in the model's milliseconds.
    qint64 nowMs() const { return clock_.elapsed(); }
    // Re-applies the time rules and repaints: called every second while shown.
    void tick();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void onLiveLap(const feed::LiveLap& lap);
    void onFuel(const feed::FuelReading& reading);
    void onConnection(feed::Connection state);
    void fire(const QList<Alert>& alerts);
    void showFigures();
    void applyTheme();
    void fitFonts();
    void loadSettings();
    void saveSettings() const;
    void playSound(Alert alert);

    PitBoardModel model_;
    QElapsedTimer clock_;
    QTimer tick_;
    QTimer flash_;
    int flashSteps_ = 0;
    std::optional<Alert> flashing_;
    QList<Alert> alertsFired_;
    Theme theme_ = Theme::Sunlight;
    bool muted_ = false;
    QString settingsPath_;
    QTemporaryDir soundDir_;
    QMap<Alert, QSoundEffect*> sounds_;

    QLabel* banner_ = nullptr;
    QLabel* lapNumber_ = nullptr;
    QLabel* lapTime_ = nullptr;
    QLabel* toBest_ = nullptr;
    QLabel* toPersonalBest_ = nullptr;
    std::array<QLabel*, LapTable::MaxSectors> sectors_{};
    QLabel* sessionBest_ = nullptr;
    QLabel* topSpeed_ = nullptr;
    QLabel* fuel_ = nullptr;
    QLabel* fuelLaps_ = nullptr;
    QLabel* since_ = nullptr;
    QLabel* keys_ = nullptr;
};

} // namespace pitboard
