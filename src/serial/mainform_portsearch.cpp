// The port search: tries every usable port with the probe text until a device answers.
#include "app/frmmain.h"
#include "serial/portdoctor.h"
#include "serial/portlist.h"
#include "serial/searchadvice.h"

#include <QFileInfo>

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
    // The search decides the port now: a wait for a vanished device ends.
    endDeviceWait();
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
    // A reception already complete is the answer of the port it came in on: it is
    // dispatched before the search moves on to the next port.
    if (timPortSearchWait.isActive() || reception.rxComplete)
        return;
    for (;;) {
        ++searchPort;
        if (searchPort > 99) {
            ++searchPass;
            if (searchPass >= 3) {
                endBusy();
                portSearching = false;
                prompts.message(QStringLiteral("KODAシステムが見つかりません。") +
                                    searchFailureCauses() + searchNextStepsText(),
                                currentCaption(), Prompts::Icon::Warning);
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
    // A complete reception waiting for its dispatch keeps the port open; the next
    // search step closes it if the reception was not the answer.
    if (portOpen && !reception.rxComplete)
        mnuCommOpenClick();
}

QString TMainForm::searchFailureCauses() const {
    // Line parameters no port takes fail every open: that is the one reason then.
    const QString settings = PortDoctor::settingsProblem(commSettings, options.configPath);
    if (!settings.isEmpty())
        return QStringLiteral("\r\n\r\n") + settings;
    // The ports a device could be on whose device is there but could not be used, most
    // likely first: the reason is what the user needs when no device answered. A few
    // lines at most, so that a PC with many serial nodes does not bury them.
    constexpr int kMostLines = 5;
    const PortDoctor doctor;
    QString lines;
    int count = 0;
    for (const int n : portMap.likelyPorts(configuredPort)) {
        const QString path = portMap.devicePath(n);
        if (portAvailable[n] || path.isEmpty() || !QFileInfo(path).exists())
            continue;
        const PortDiagnosis diagnosis = doctor.examine(path);
        if (diagnosis.cause == PortDiagnosis::Cause::Usable)
            continue;
        lines += QStringLiteral("\r\n") + portCauseLine(n, path, diagnosis.explanation);
        if (++count == kMostLines)
            break;
    }
    return lines.isEmpty() ? lines : QStringLiteral("\r\n") + lines;
}
