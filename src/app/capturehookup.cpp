#include "app/capturehookup.h"

#include "app/frmmain.h"
#include "capture/capturerecorder.h"
#include "capture/mailcapture.h"
#include "capture/trafficview.h"

#include <QDateTime>
#include <QPushButton>

CaptureHookup::Folders CaptureHookup::defaultFolders() {
    return {capture::defaultCaptureFolder(), capture::defaultMailCaptureFolder()};
}

CaptureHookup::CaptureHookup(TMainForm& form, Prompts& prompts, const Folders& folders)
    : QObject(&form), folders_(folders),
      recorder_(std::make_unique<capture::CaptureRecorder>(form.eventFeed, folders.captures)),
      view_(new capture::TrafficView(prompts, &form)) {
    view_->listen(form.eventFeed);
    // The current file's buffer goes to disk first, so a copy holds the newest records.
    view_->setCaptureFiles([recorder = recorder_.get()] {
        recorder->flushTimer();
        return recorder->files().files();
    });
    connect(form.btnTrafficView, &QPushButton::clicked, view_, &capture::TrafficView::showWindow);
    // Guarded: a hookup removed before the window attaches nothing more.
    form.eventFeed.mailAttachment = [self = QPointer<CaptureHookup>(this)] {
        return self ? self->mailAttachment() : QString();
    };
}

CaptureHookup::~CaptureHookup() = default;

capture::TrafficView& CaptureHookup::view() {
    return *view_;
}

QString CaptureHookup::mailAttachment() {
    recorder_->flushTimer();
    const capture::MailCapture made = capture::writeMailCapture(
        recorder_->files().files(), folders_.mail, QDateTime::currentDateTime());
    if (!made.error.isEmpty())
        qWarning("capture for the mail: %s", qUtf8Printable(made.error));
    return made.path;
}
