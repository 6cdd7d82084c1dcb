// The port search: tries every usable port with the probe text until a device answers.
#include "app/frmmain.h"

void TMainForm::mnuComPortSearchClick() {
    if (portSearching)
        return;
    reception.rxComplete = false;
    reception.rxText.clear();
    reception.rxLength = 0;
    replyText.clear();
    portSearching = true;
    if (portOpen)
        mnuCommOpenClick();
    enumeratePorts();
    searchPort = 0;
    searchPass = 0;
    timPortSearchWait.stop();
    showBusy();
}

void TMainForm::startPortSearchFromOpen() {
    portSearching = true;
    searchPort = 0;
    searchPass = 0;
    showBusy();
}

void TMainForm::portSearchStep() {
    if (timPortSearchWait.isActive())
        return;
    for (;;) {
        ++searchPort;
        if (searchPort > 99) {
            ++searchPass;
            if (searchPass >= 3) {
                endBusy();
                portSearching = false;
                prompts.message(QStringLiteral("KODAシステムが見つかりません。"), currentCaption(),
                                Prompts::Icon::Warning);
                return;
            }
            searchPort = 1;
        }
        if (!portAvailable[searchPort])
            continue;
        if (portOpen)
            mnuCommOpenClick();
        comPort = searchPort;
        mnuCommOpenClick();
        if (!portOpen)
            continue;
        appendMonitorLine(searchProbe + QString::asprintf(" %dch", searchPort));
        if (sendCommand(searchProbe)) {
            timPortSearchWait.start(1000);
            return;
        }
        if (portOpen)
            mnuCommOpenClick();
    }
}

void TMainForm::timPortSearchWaitTimer() {
    timPortSearchWait.stop();
    if (portOpen)
        mnuCommOpenClick();
}
