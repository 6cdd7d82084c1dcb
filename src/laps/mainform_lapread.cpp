// The lap download sequences (RK-13 by radio frames, RK-12 by text lists), advanced once
// per idle pass and by the decoded replies, and the lap timer's clear command.
#include "app/frmmain.h"
#include "laps/lapdecoders.h"
#include "windows/updown.h"

#include <QLabel>
#include <QLineEdit>

#include <algorithm>

void TMainForm::spbReadClick() {
    if (!confirmDiscardEdits() || !checkRadioId())
        return;
    setWindowTitle(QStringLiteral("KODA Monitor"));
    lapFilePath.clear(); // the laps now come from the lap timer
    enableDeviceButtons(false);
    lapTable.clearMarks();
    lapTable.sectorIndex = 0;
    if (deviceTraits(deviceModel).lapRead == LapRead::InfoAndBlocks) {
        lapTable.clearLapInfo();
        lapTable.lapInfoStep = 1;
        lapReadRunning = true;
        lapReadStop = LapReadStop::None;
        lapCountKnown = false;
    } else {
        lapTable.lapReadStep = 1;
    }
    for (QLabel* l :
         {lblLaps, lblFastest, lblTopSpeed, lblSector[0], lblSector[1], lblSector[2], lblSector[3]})
        l->clear();
    resetLapGrid();
    clearChartSeries();
    showBusy();
    retryCount = 0;
    portSearching = false;
}

void TMainForm::runLapReadStep() {
    int& step = lapTable.lapReadStep;
    if (step == 0)
        return;
    auto requestList = [this](const QString& command, int sector) {
        // A sector list has as many lap lines as the lap list had.
        bool counted = false;
        const qint32 laps = lblLaps->text().toInt(&counted);
        lapListGatherer.start(sector, counted ? std::optional<qint32>(laps) : std::nullopt);
        lapListFailure.clear();
        lastCommand = command;
        sendLogged(lastCommand);
        awaitReply(12000);
    };
    auto requestSector = [&](int sector) {
        if (lapTable.cpLineCount < std::max(2, sector)) {
            step = 99;
            return;
        }
        requestList(QStringLiteral("@SECTOR:%1\r\n").arg(sector), sector);
        lapTable.sectorIndex = sector;
        ++step;
    };
    switch (step) {
    case 1:
        readSetting(3);
        step = 2;
        break;
    case 3:
        requestList(QStringLiteral("@LAP\r\n"), 0);
        step = 4;
        break;
    case 5:
        requestSector(1);
        break;
    case 7:
        requestSector(2);
        break;
    case 9:
        requestSector(3);
        break;
    case 11:
        requestSector(4);
        break;
    default: // waiting for a reply
        break;
    }
    if (step >= 99)
        endLapRead(step);
}

void TMainForm::runLapInfoStep() {
    int& step = lapTable.lapInfoStep;
    if (step == 0)
        return;
    if (step == 1) {
        lastCommand = QStringLiteral("@LINFO\r\n");
        sendLogged(lastCommand);
        awaitReply(3000);
        lapTable.nextLapToRead = 1;
        step = 2;
    } else if (step == 3) {
        edtLapData->setText(QString::number(lapTable.nextLapToRead));
        btnLapDataClick();
        awaitReply(3000);
        step = 2;
    }
    if (step >= 99) {
        refreshLapChart();
        endLapRead(step);
        tellShortLapRead();
    }
}

void TMainForm::noteLapReadStop(LapReadStop why) {
    if (lapReadRunning && lapReadStop == LapReadStop::None)
        lapReadStop = why;
}

void TMainForm::tellShortLapRead() {
    if (!lapReadRunning)
        return; // the finish ran without a read (a cancel or a failed settings request)
    lapReadRunning = false;
    LapReadTally tally;
    tally.countKnown = lapCountKnown;
    tally.lapsHeld = lapTable.lapCount;
    tally.lapsRead =
        lapCountKnown ? std::clamp(lapTable.nextLapToRead - 1, 0, lapTable.lapCount) : 0;
    tally.stop = lapReadStop;
    const QString message = lapReadEndMessage(tally);
    if (!message.isEmpty())
        prompts.message(message, currentCaption(), Prompts::Icon::Warning);
}

void TMainForm::endLapRead(int& step) {
    step = 0;
    eventFeed.lapsRead(feedLapSet(QString()));
    endBusy();
    enableDeviceButtons(true);
    setSaveEnabled(true);
}

void TMainForm::advanceLapRead() {
    int& step = lapTable.lapReadStep;
    if (step == 0)
        return;
    ++step;
    if (step > 12)
        step = 99;
}

void TMainForm::spbClearClick() {
    if (!checkRadioId())
        return;
    if (eventFeed.clearMayGoOn && !eventFeed.clearMayGoOn())
        return;
    const auto answer =
        prompts.message(QStringLiteral("RIN-KODA のデータをクリアします。\r\nよろしいですか？"),
                        currentCaption(), Prompts::Icon::Warning, Prompts::Buttons::YesCancel);
    if (answer != Prompts::Answer::Yes)
        return;
    enableDeviceButtons(false);
    lapTable.clearMarks();
    showBusy();
    retryCount = 0;
    lastCommand = QStringLiteral("@CLR\r\n");
    sendLogged(lastCommand);
    awaitReply(8000);
}

void TMainForm::btnLapDataClick() {
    if (deviceTraits(deviceModel).lapRead != LapRead::InfoAndBlocks)
        return;
    const int id = RadioFrame::readRadioId(edtID->text());
    if (!RadioFrame::isUsableRadioId(id)) {
        checkRadioId(); // warns
        return;
    }
    bool ok = false;
    const int lap = edtLapData->text().toInt(&ok);
    const RadioFrame::BuiltFrame built =
        RadioFrame::buildLapRequestFrame(frameBuffer, id, ok ? lap & 0xFFFF : 0);
    if (built.length == 0)
        return;
    frameLength = built.length;
    sendFrameBytes(frameBuffer, frameLength);
    dumpFrameHex(reinterpret_cast<const char*>(frameBuffer), frameLength);
}

void TMainForm::Button1Click() {
    lapTable.sectorIndex = UpDown1->position();
    sendLogged(QString::asprintf("@SECTOR:%d\r\n", lapTable.sectorIndex));
}

void TMainForm::decodeLapFrameGlue(const RadioFrame::FrameItem& item) {
    const LapFrameResult result = decodeLapFrame(lapTable, item.bytes, item.recordCount,
                                                 courseLengthFromText(edtCourseLength->text()));
    if (result.scrollRow >= 0)
        scrollToRow(result.scrollRow);
    if (result.readAdvanced)
        retryCount = 0;
    if (result.newLiveLap) {
        // The newest lap, for the fuel per lap.
        lapFuel.noteLiveLap(LapTable::lapOfRow(lapTable.lastLiveRow));
        eventFeed.liveLap(feedLiveLap());
        refreshLapChart();
        setSaveEnabled(true);
    }
}

void TMainForm::applyLapInfo(const QStringList& lines) {
    QString lapsCaption;
    const int result = decodeLapInfo(lapTable, lines, &lapsCaption);
    if (result != 0)
        lblLaps->setText(lapsCaption);
    if (result != 0 || isLapInfo(lines))
        lapCountKnown = true;
    else if (lapTable.lapInfoStep != 0)
        noteLapReadStop(LapReadStop::BadReply);
    if (result == 0)
        lapTable.lapInfoStep = 99;
    else if (lapTable.lapInfoStep != 0)
        ++lapTable.lapInfoStep;
}

void TMainForm::applyLapData(const QStringList& lines) {
    const int result = decodeLapData(lapTable, lines);
    if (result == 0) {
        if (lapTable.lapInfoStep != 0)
            noteLapReadStop(LapReadStop::BadReply);
        lapTable.lapInfoStep = 99;
        return;
    }
    ++lapTable.nextLapToRead;
    if (lapTable.nextLapToRead > lapTable.lapCount)
        lapTable.lapInfoStep = 99;
    else if (lapTable.lapInfoStep != 0)
        ++lapTable.lapInfoStep;
}
