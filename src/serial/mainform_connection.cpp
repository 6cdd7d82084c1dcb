// Connection control of the main window: the port list, the open/close toggle, the
// status text and the port properties dialog.
#include "app/frmmain.h"
#include "serial/portdoctor.h"
#include "serial/portlist.h"
#include "serial/rscommthread.h"
#include "windows/frmsettings.h"

#include <QComboBox>
#include <QFileInfo>
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
        emit eventFeed.lineEvent({QDateTime::currentDateTimeUtc(), QStringLiteral("close"),
                                  QStringLiteral("COM%1").arg(comPort)});
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
    emit eventFeed.lineEvent(
        {QDateTime::currentDateTimeUtc(), QStringLiteral("open"), statusPanel[1]->text()});
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
    awaitDevice(port);
}

void TMainForm::awaitDevice(int port) {
    portLost = true;
    lostPort = port;
    statusPanel[1]->setText(waitingForDeviceText(port));
    deviceWatcher.watch(portMap.devicePath(port));
}

void TMainForm::endDeviceWait() {
    deviceWatcher.stop();
    portLost = false;
    lostPort = 0;
    if (!portOpen)
        statusPanel[1]->clear();
}

void TMainForm::deviceReturned() {
    if (!portLost || portOpen || closing || portSearching || comPort != lostPort)
        return;
    mnuCommOpenClick();
    if (!portOpen)
        awaitDevice(lostPort);
}

void TMainForm::mnuCommSettingsClick() {
    if (portOpen)
        mnuCommOpenClick();
    // While the dialog is up nothing opens a port behind it: a device that comes back
    // meanwhile is found again after the dialog, if its port is still the one in force.
    const int awaitedPort = portLost ? lostPort : 0;
    endDeviceWait();
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
        // Cancel leaves every setting as it was, the port map and its entries too.
        if (prompts.runDialog(dialog) == QDialog::Accepted) {
            if (port != comPort)
                keepChosenAdapter(port);
            comPort = port;
            configuredPort = port;
        }
    }
    applyModelLayout();
    // The connection is re-made with the settings now in force, after OK and Cancel alike.
    if (portOpen)
        mnuCommOpenClick();
    mnuCommOpenClick();
    // The device of the port still in force may come back; a wait for any other has ended.
    if (!portOpen && !portSearching && awaitedPort != 0 && comPort == awaitedPort)
        awaitDevice(awaitedPort);
}

void TMainForm::keepChosenAdapter(int port) {
    // A port chosen whose path the kernel numbers (/dev/ttyUSB3) is kept by its adapter's
    // stable name, so it stays that adapter whatever number the system gives it next
    // time. A path that is a link already (a by-id or udev name, one the user wrote into
    // "Ports") is kept as it is.
    const QString path = portMap.devicePath(port);
    if (path.isEmpty() || QFileInfo(path).isSymLink())
        return;
    const QString stable = stableDeviceName(path, options.stableNamesFolder);
    if (stable.isEmpty() || stable == path)
        return;
    portMap.setOverride(port, stable);
    chosenPortPaths.insert(port, stable);
}
