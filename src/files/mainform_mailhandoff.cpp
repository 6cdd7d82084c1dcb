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
    prompts.openUrl(QString::fromLatin1(mailUri(body)), [form = QPointer<TMainForm>(this)] {
        if (form)
            form->prompts.message(QStringLiteral("メールソフトを起動できませんでした。"),
                                  form->currentCaption(), Prompts::Icon::Warning);
    });
}
