// Handing the traffic monitor's text to the user's mail program.
#include "app/frmmain.h"
#include "files/mailuri.h"

#include <QPlainTextEdit>
#include <QPointer>

void TMainForm::btnSendMailClick() {
    // The monitor holds its lines separated by LF; the mail carries every line with
    // CR LF after it, as the lines were logged.
    const QString text = memTxRxMonitor->toPlainText();
    QString body;
    if (!text.isEmpty())
        for (const QString& line : text.split(QLatin1Char('\n')))
            body += line + QStringLiteral("\r\n");
    const auto failed = [form = QPointer<TMainForm>(this)] {
        if (form)
            form->prompts.message(QStringLiteral("メールソフトを起動できませんでした。"),
                                  form->currentCaption(), Prompts::Icon::Warning);
    };
    const QString attachment = eventFeed.mailAttachment ? eventFeed.mailAttachment() : QString();
    if (attachment.isEmpty()) {
        prompts.openUrl(QString::fromLatin1(mailUri(body)), failed);
        return;
    }
    // The same address, with room left for the file that the hand-off adds to it.
    const QByteArray attachingUri =
        mailUri(body, supportMailbox, maxMailUriBytes - attachmentRoom(attachment));
    if (prompts.openMailWithAttachment(QString::fromLatin1(attachingUri), attachment, failed))
        return;
    // No program here hands a file to the mail program: the user attaches it.
    prompts.openUrl(QString::fromLatin1(mailUri(body)), failed);
    prompts.message(QStringLiteral("通信のキャプチャを次のファイルに保存しました。"
                                   "メールに添付してください。\r\n") +
                        attachment,
                    currentCaption(), Prompts::Icon::Information);
}
