#pragma once
// The detailed traffic view: a window of its own beside the developer page's monitor that
// shows every transmission and reception as one row (time in milliseconds, the gap to the
// row before, Tx and Rx in their colours, hex and text side by side, the radio frames
// decoded) and the program's line events between them. Pausing freezes the rows while the
// recording goes on; search and copy work on the rows shown.
#include "capture/trafficlog.h"

#include <QTimer>
#include <QWidget>

#include <functional>

class Prompts;
class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;

namespace feed {
class EventFeed;
} // namespace feed

namespace capture {

class TrafficView : public QWidget {
    Q_OBJECT

public:
    explicit TrafficView(Prompts& prompts, QWidget* parent = nullptr);

    // New entries become rows at most this often: a flood then costs one repaint of the
    // table per interval instead of one per reception.
    static constexpr int ShowIntervalMs = 100;

    // Records what the feed tells from now on.
    void listen(feed::EventFeed& feed);
    void add(const Record& record);
    // Shows the window (raised when it is already shown).
    void showWindow();
    // Where "save capture" takes the capture files from (oldest first); unset, there are none.
    void setCaptureFiles(std::function<QStringList()> files) { captureFiles_ = std::move(files); }

    const TrafficLog& log() const { return log_; }
    const QList<TrafficEntry>& shown() const { return shown_; }

    QCheckBox* chkPause = nullptr;
    QLineEdit* edtSearch = nullptr;
    QPushButton* btnSearch = nullptr;
    QPushButton* btnCopy = nullptr;
    QPushButton* btnSaveCapture = nullptr;
    QPushButton* btnOpenCapture = nullptr;
    QLabel* lblCount = nullptr;
    QTableWidget* tblTraffic = nullptr;

    // The show timer's handler: the entries recorded since become rows.
    void showPending();

    void pauseToggled(bool paused);
    void searchClick();
    void copyClick();
    void saveCaptureClick();
    // Shows a capture file's records instead of the live ones (the display pauses).
    void openCaptureClick();

private:
    void appendRow(const TrafficEntry& entry);
    void rebuild();
    void showEntries(const QList<TrafficEntry>& entries);
    void showCount();

    Prompts& prompts_;
    std::function<QStringList()> captureFiles_;
    TrafficLog log_;
    QList<TrafficEntry> shown_;   // the rows, in order
    QList<TrafficEntry> pending_; // recorded, not yet rows
    QTimer showTimer_;
};

} // namespace capture
