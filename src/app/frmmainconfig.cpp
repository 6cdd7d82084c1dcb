// Reading the configuration file at start and writing it at close.
#include "app/config/configuration.h"
#include "app/config/windowplacement.h"
#include "app/frmmain.h"
#include "windows/webaddress.h"

#include <QAction>
#include <QGuiApplication>
#include <QLineEdit>
#include <QScreen>

void TMainForm::loadConfiguration() {
    webAddress = makerWebAddress();
    const QScreen* screen = QGuiApplication::primaryScreen();
    const QSize screenSize = screen ? screen->size() : QSize(1024, 768);
    QString refusal;
    const ConfigurationValues values =
        loadConfigurationFile(options.configPath, screenSize, frameGeometry().size(), &refusal);
    // A file that is there but cannot be used is said once, and left as it is: the close
    // would otherwise replace it with this run's defaults.
    configurationRefused = !refusal.isEmpty();
    if (configurationRefused)
        prompts.message(refusal, currentCaption(), Prompts::Icon::Warning);
    QList<QRect> screens;
    for (const QScreen* each : QGuiApplication::screens())
        screens << each->geometry();
    placedAt = keepOnScreens(QPoint(values.left, values.top), frameGeometry().size(), screens,
                             screen ? screen->geometry() : QRect(QPoint(0, 0), screenSize));
    move(placedAt);

    comPort = values.comPort;
    configuredPort = values.comPort;
    commSettings = values.comm;
    edtCourseLength->setText(values.courseLength);
    showCaution = values.showCaution;
    applyChartAppearance({values.view3D, values.depthPercent, quint32(values.backColor)});
    deviceModel = values.modelRK13 ? DeviceModel::RK13 : DeviceModel::RK12;
    edtID->setText(values.rk13Id);
    edtIDQK11->setText(values.qk11Id);
    mnuQkodaMessage->setChecked(values.qkodaMonitor);

    portMap.clearOverrides();
    for (auto it = values.portPaths.cbegin(); it != values.portPaths.cend(); ++it)
        portMap.setOverride(it.key(), it.value());
}

void TMainForm::saveConfiguration() {
    ConfigurationValues values;
    // The position is the frame's top-left corner, as move() places it at start: with
    // or without a window manager's frame the window reopens where it was. A window
    // never shown has no frame yet, and stays where it was placed.
    const QRect frame = frameGeometry();
    const QPoint topLeft = isVisible() ? frame.topLeft() : placedAt;
    values.top = topLeft.y();
    values.left = topLeft.x();
    values.height = frame.height();
    values.width = frame.width();
    // A search that found nothing has moved comPort over every port it tried: the
    // configuration keeps the port it had, or the one a search linked to.
    values.comPort = configuredPort;
    values.comm = commSettings;
    values.courseLength = edtCourseLength->text();
    values.showCaution = showCaution;
    values.view3D = chartSettings.view3D;
    values.depthPercent = chartSettings.depthPercent;
    values.backColor = int(chartSettings.backColor);
    values.modelRK13 = deviceModel == DeviceModel::RK13;
    values.rk13Id = edtID->text();
    values.qk11Id = edtIDQK11->text();
    values.qkodaMonitor = mnuQkodaMessage->isChecked();
    values.newPortPaths = chosenPortPaths;
    if (!configurationRefused)
        saveConfigurationFile(options.configPath, values); // a failed write is not reported
}
