#pragma once
// The detailed traffic view: a window of its own beside the developer page's monitor that
// shows every transmission and reception as one row (time in milliseconds, the gap to the
// row before, Tx and Rx in their colours, hex and text side by side, the radio frames
// decoded) and the program's line events between them. Pausing freezes the rows while the
// recording goes on; search and copy work on the rows shown.
#include "capture/trafficlog.h"

#include <QWidget>

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
    explicit TrafficView(QWidget* parent = nullptr);

    // Records what the feed tells from now on.
    void listen(feed::EventFeed& feed);
    void add(const Record& record);
    // Shows the window (raised when it is already shown).
    void showWindow();

    const TrafficLog& log() const { return log_; }
    const QList<TrafficEntry>& shown() const { return shown_; }

    QCheckBox* chkPause = nullptr;
    QLineEdit* edtSearch = nullptr;
    QPushButton* btnSearch = nullptr;
    QPushButton* btnCopy = nullptr;
    QLabel* lblCount = nullptr;
    QTableWidget* tblTraffic = nullptr;

    void pauseToggled(bool paused);
    void searchClick();
    void copyClick();

private:
    void appendRow(const TrafficEntry& entry);
    void trimRows();
    void rebuild();
    void showCount();

    TrafficLog log_;
    QList<TrafficEntry> shown_; // the rows, in order
};

} // namespace capture
