#pragma once
// The capture beside the main window: the recorder keeps what the window's event feed tells
// about the line in the capture folder, the detailed traffic view (the developer page's
// 詳細表示) shows it from the start, and the mail hand-off gets the newest capture as a file
// to attach. The main window itself knows nothing of the capture.
#include <QObject>
#include <QPointer>
#include <QString>

#include <memory>

class Prompts;
class TMainForm;

namespace capture {
class CaptureRecorder;
class TrafficView;
} // namespace capture

class CaptureHookup : public QObject {
    Q_OBJECT

public:
    struct Folders {
        QString captures; // the rotating capture files
        QString mail;     // the captures written for the mail hand-off
    };
    // The program's own: the user's data folder and cache.
    static Folders defaultFolders();

    // Made right after the window, so that the view and the capture hold the port search too.
    CaptureHookup(TMainForm& form, Prompts& prompts, const Folders& folders);
    ~CaptureHookup() override;

    capture::CaptureRecorder& recorder() { return *recorder_; }
    capture::TrafficView& view();
    // Writes the newest capture for the mail hand-off; its path, empty when nothing was
    // recorded yet or it could not be written (said on the error output: the mail goes on).
    QString mailAttachment();

private:
    Folders folders_;
    std::unique_ptr<capture::CaptureRecorder> recorder_;
    QPointer<capture::TrafficView> view_; // a window of the main window's, closed with it
};
