#include "files/urihandler.h"

#include <QProcess>

#include <memory>

void openWithHandler(const QString& program, const QString& address,
                     std::function<void(bool ok)> finished) {
    openWithHandler(program, QStringList{address}, std::move(finished));
}

QStringList mailAttachmentArguments(const QString& address, const QString& file) {
    return {QStringLiteral("--attach"), file, address};
}

void openWithHandler(const QString& program, const QStringList& arguments,
                     std::function<void(bool ok)> finished) {
    // Without a parent: the process object must not end the handler (and the mail
    // program it may run in the foreground) when the window closes.
    auto* process = new QProcess;
    process->setProgram(program);
    process->setArguments(arguments);
    process->setStandardInputFile(QProcess::nullDevice());
    process->setProcessChannelMode(QProcess::ForwardedChannels);
    auto report = std::make_shared<std::function<void(bool)>>(std::move(finished));
    QObject::connect(process, &QProcess::errorOccurred, process,
                     [process, report](QProcess::ProcessError error) {
                         if (error != QProcess::FailedToStart)
                             return; // a crash also ends in finished()
                         if (*report)
                             (*report)(false);
                         process->deleteLater();
                     });
    QObject::connect(process, &QProcess::finished, process,
                     [process, report](int exitCode, QProcess::ExitStatus status) {
                         if (*report)
                             (*report)(status == QProcess::NormalExit && exitCode == 0);
                         process->deleteLater();
                     });
    process->start();
}
