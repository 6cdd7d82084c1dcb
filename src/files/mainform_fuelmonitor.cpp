// The QK-11 row of the bottom panel: the fuel values, the time since the last
// reading, the fuel log and showing or hiding the row.
#include "app/frmmain.h"
#include "files/fuellog.h"
#include "files/lapfile.h"

#include <QAction>
#include <QDateTime>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>

void TMainForm::showFuelData(quint32 distance, float remaining, float used, float economy) {
    const FuelTexts texts = formatFuelData(distance, remaining, used, economy);
    pnlFuel->setText(texts.fuel);
    pnlUsed->setText(texts.used);
    pnlEco->setText(texts.economy);
    pnlTrip->setText(texts.distance);
    markFuelReadingsOld(false);
    secondsSinceFuel = 0;
    lapFuel.noteFuel(remaining, used);
    eventFeed.fuelReading({QDateTime::currentDateTime(),
                           quint16(RadioFrame::readRadioId(edtIDQK11->text())), distance, remaining,
                           used, economy});
    if (fuelLog->isLogging() && !fuelLog->addRow(fuelLogRow(QTime::currentTime(), texts)))
        appendMonitorLine(fuelLog->failureMessage());
}

void TMainForm::showElapsedTime() {
    // Without a connection no reading can come: the values shown are the last ones the
    // meter sent, and stay marked so until the next reading.
    if (!portOpen && !pnlFuel->text().isEmpty())
        markFuelReadingsOld(true);
    if (RadioFrame::readRadioId(edtIDQK11->text()) >= fuelNoRadioId) {
        secondsSinceFuel = 0;
        return;
    }
    pnlClock->setText(formatElapsedTime(secondsSinceFuel));
}

void TMainForm::markFuelReadingsOld(bool old) {
    // Greyed, with their texts unchanged.
    for (QLabel* panel : {pnlFuel, pnlUsed, pnlEco, pnlTrip})
        panel->setEnabled(!old);
}

void TMainForm::timDisplayedTimeTimer() {
    ++secondsSinceFuel;
    followFuelLogFile(); // once a second: a lost file is noticed at once
}

void TMainForm::followFuelLogFile() {
    if (!fuelLog || !fuelLog->isLogging())
        return;
    const QString lost = fuelLog->followFile();
    if (lost.isEmpty())
        return;
    const QString text = fuelLog->movedMessage(lost);
    appendMonitorLine(text);
    // Nobody is there to answer a box while a signal closes the program.
    if (!unattendedClose)
        prompts.message(text, currentCaption(), Prompts::Icon::Warning);
}

bool TMainForm::refusedAsFuelLog(const QString& path) {
    if (!fuelLog || !fuelLog->writesTo(path))
        return false;
    prompts.message(fuelLogBusyMessage(path), currentCaption(), Prompts::Icon::Warning);
    return true;
}

void TMainForm::rgrpQKLogClick(bool record) {
    if (!record) {
        stopFuelLog();
        return;
    }
    if (fuelLog->isLogging())
        return; // "記録" chosen again while recording: the log goes on
    const QDateTime started = QDateTime::currentDateTime();
    const QString path = prompts.saveFileName(QString(), fuelLogDefaultFileName(started),
                                              lapFileDialogFilter, lapFileDefaultSuffix);
    if (path.isEmpty()) {
        rgrpQKLogStop->setChecked(true);
        return;
    }
    const QString idText = edtIDQK11->text();
    const QStringList heading = RadioFrame::readRadioId(idText) < fuelNoRadioId
                                    ? fuelLogHeadingLines(idText, started)
                                    : QStringList();
    if (!fuelLog->start(path, heading))
        prompts.message(fuelLog->failureMessage(), currentCaption(), Prompts::Icon::Warning);
}

void TMainForm::stopFuelLog() {
    if (!fuelLog || !fuelLog->isLogging())
        return;
    followFuelLogFile();
    if (!fuelLog->stop())
        prompts.message(fuelLog->failureMessage(), currentCaption(), Prompts::Icon::Error);
}

void TMainForm::mnuQkodaMessageClick() {
    // A menu click has already toggled the tick of the checkable item; at start-up the
    // tick read from the configuration file is applied as it is.
    const bool shown = mnuQkodaMessage->isChecked();
    grpLine->setVisible(shown);
    // The panel keeps its controls; its lower part holds the QK-11 row, which is cut
    // off when the row is hidden. The main panel takes the space.
    pnlMonitor->setFixedHeight(shown ? 122 : 62);
}
