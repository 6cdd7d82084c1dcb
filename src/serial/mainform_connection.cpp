// Connection control of the main window: the port list, the open/close toggle, the
// status text and the port properties dialog.
#include "app/frmmain.h"
#include "serial/portdoctor.h"
#include "serial/portlist.h"
#include "serial/rscommthread.h"
#include "windows/frmsettings.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>

void TMainForm::enumeratePorts() {
    portAvailable.fill(false);
    commThread->probePorts(portAvailable.data(), 64);
    portList = portListTexts(portAvailable.data());
}

void TMainForm::mnuCommOpenClick() {
    if (portOpen) {
        commThread->closePort();
        commReady = false;
        enableDeviceButtons(false);
        portOpen = false;
        statusPanel[1]->clear();
        spbCommandTx->setEnabled(false);
        eventFeed.connectionChanged(portLost ? feed::Connection::Lost : feed::Connection::Closed,
                                    comPort, portMap.devicePath(comPort), QString());
        return;
    }
    if (comPort != 0) {
        commReady = commThread->openPort(comPort, commSettings);
        if (commReady)
            showConnected(comPort);
        return;
    }
    startPortSearchFromOpen();
}

void TMainForm::showConnected(int port) {
    portOpen = true;
    portLost = false;
    deviceWatcher.stop();
    statusPanel[1]->setText(connectionStatusText(port, commSettings));
    spbCommandTx->setEnabled(true);
    enableDeviceButtons(true);
    eventFeed.connectionChanged(feed::Connection::Opened, port, portMap.devicePath(port),
                                statusPanel[1]->text());
}

void TMainForm::portVanished() {
    portLost = true;
    if (!portOpen)
        return;
    const int port = comPort;
    mnuCommOpenClick();
    if (closing)
        return;
    lostPort = port;
    statusPanel[1]->setText(waitingForDeviceText(port));
    deviceWatcher.watch(portMap.devicePath(port));
}

void TMainForm::deviceReturned() {
    if (!portLost || portOpen || closing || portSearching || comPort != lostPort)
        return;
    mnuCommOpenClick();
    if (!portOpen) {
        statusPanel[1]->setText(waitingForDeviceText(lostPort));
        deviceWatcher.watch(portMap.devicePath(lostPort));
    }
}

void TMainForm::mnuCommSettingsClick() {
    if (portOpen)
        mnuCommOpenClick();
    enumeratePorts();
    {
        int port = comPort;
        TSettingsForm dialog(this, port, deviceModel, commSettings, portList);
        // Each port's device path, shown when the mouse rests on its entry, and why a
        // port cannot be used.
        const PortDoctor doctor;
        for (int n = 1; n < dialog.cmbComCh->count(); ++n) {
            const QString path = portMap.devicePath(n);
            const QString cause = portAvailable[n] ? QString() : doctor.examine(path).explanation;
            dialog.cmbComCh->setItemData(
                n, portEntryToolTip(path, stableDeviceName(path, options.stableNamesFolder), cause),
                Qt::ToolTipRole);
        }
        prompts.runDialog(dialog);
        comPort = port;
        // A port chosen by its adapter's stable name stays that adapter, whatever number
        // the system gives the adapter next time.
        if (comPort != 0) {
            const QString stable =
                stableDeviceName(portMap.devicePath(comPort), options.stableNamesFolder);
            if (!stable.isEmpty() && stable != portMap.devicePath(comPort)) {
                portMap.setOverride(comPort, stable);
                chosenPortPaths.insert(comPort, stable);
            }
        }
    }
    applyModelLayout();
    // The connection is re-made with the settings now in force, after OK and Cancel alike.
    if (!portOpen)
        mnuCommOpenClick();
}
