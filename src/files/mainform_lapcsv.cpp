// Saving and loading lap files, and the RK-12's lap lists that the same lap-list
// parser reads: the glue between the parser's result and the grid, marks and labels.
#include "app/frmmain.h"
#include "files/lapfile.h"
#include "files/laplistgatherer.h"

#include <QHash>
#include <QLabel>

namespace {

LapMarks marksOf(const LapTable& table) {
    return {table.bestLapMark, table.topSpeedMark, table.fastestSectorMark};
}

} // namespace

void TMainForm::mnuCsvSaveClick() {
    const QString path =
        prompts.saveFileName(QString(), QString(), lapFileDialogFilter, lapFileDefaultSuffix);
    // With no laps nothing is written, so nothing is refused either.
    if (path.isEmpty() || (!lblLaps->text().isEmpty() && refusedAsFuelLog(path)))
        return;
    const LapFileSave save = saveLapFile(
        path, lblLaps->text(), [this](int col, int row) { return lapTable.cell(col, row); });
    if (save.status == LapFileSave::Status::Failed) {
        // The old file is untouched and the edits count as unsaved.
        prompts.message(save.message(), currentCaption(), Prompts::Icon::Error);
        return;
    }
    if (save.saved()) {
        dataModified = false;
        eventFeed.lapFileSaved(feedLapSet(path));
        showSavedNotice(path);
    }
}

void TMainForm::mnuCsvLoadClick() {
    if (!confirmDiscardEdits())
        return;
    const QString path =
        prompts.openFileName(QString(), QString(), lapFileDialogFilter, lapFileDefaultSuffix);
    if (path.isEmpty())
        return;
    lapTable.sectorIndex = 0;
    lapFuel.clear(); // live laps and fuel readings belong to another session than the file
    lapFilePath = path;
    clearLapFileState();
    setWindowTitle(mainWindowCaption(path));
    const LapListParse parse = loadLapFile(path);
    if (parse.accepted()) {
        applyLapList(*parse.result);
        setSaveEnabled(true);
        eventFeed.lapFileLoaded(feedLapSet(path));
        return;
    }
    // Nothing of a file that failed half-way is shown: the grid stays empty.
    lapFilePath.clear();
    clearLapFileState();
    setWindowTitle(mainWindowCaption());
    prompts.message(parse.message.isEmpty() ? lapFileFormatMessage : parse.message,
                    lapFileMessageCaption, Prompts::Icon::Warning);
}

bool TMainForm::openKeptLaps(const feed::LapSet& laps, const QString& caption) {
    if (!confirmDiscardEdits())
        return false;
    // The laps go the way of a loaded file: written as a lap file's text and read back by the
    // lap-file parser, so the grid, its marks, labels and chart are exactly a loaded file's.
    QHash<int, const feed::LapRow*> rows;
    for (const feed::LapRow& lap : laps.laps)
        rows.insert(LapTable::rowOfLap(lap.lap), &lap);
    const LapCellReader cells = [this, &laps, &rows](int col, int row) -> QString {
        if (row == LapTable::SummaryRow)
            return laps.summary.value(col);
        if (!LapTable::isLapRow(row))
            return lapTable.cell(col, row); // the headings
        const feed::LapRow* lap = rows.value(row);
        return lap ? lap->cells.value(col) : QString();
    };
    const std::optional<QByteArray> text = lapFileBytes(QString::number(laps.lapsHeld), cells);
    const LapListParse parse =
        parseLapFile(LapListForm::File, text ? QByteArrayView(*text) : QByteArrayView());
    if (!parse.accepted()) {
        prompts.message(parse.message.isEmpty() ? lapFileFormatMessage : parse.message,
                        lapFileMessageCaption, Prompts::Icon::Warning);
        return false;
    }
    lapTable.sectorIndex = 0;
    lapFuel.clear();
    lapFilePath = caption; // what the session summary names as the laps' source
    clearLapFileState();
    setWindowTitle(mainWindowCaption(caption));
    applyLapList(*parse.result);
    setSaveEnabled(true);
    return true;
}

// The state a load starts from, and the state a rejected file or list leaves.
void TMainForm::clearLapFileState() {
    lapTable.clearMarks();
    lblLaps->clear();
    lblFastest->clear();
    lblTopSpeed->clear();
    resetLapGrid();
    clearChartSeries();
}

void TMainForm::applyLapList(const LapListResult& result) {
    {
        LapTable::Batch batch(lapTable);
        for (const LapCell& cell : result.cells)
            lapTable.setCell(cell.column, cell.row, cell.text);
    }
    lapTable.bestLapMark = result.marks.bestLap;
    lapTable.topSpeedMark = result.marks.topSpeedLap;
    lapTable.fastestSectorMark = result.marks.fastestSector;
    lapTable.notifyHighlightsChanged();
    if (result.lapsCaption)
        lblLaps->setText(*result.lapsCaption);
    if (result.fastestCaption)
        lblFastest->setText(*result.fastestCaption);
    if (result.topSpeedCaption)
        lblTopSpeed->setText(*result.topSpeedCaption);
    const int sector = lapTable.sectorIndex;
    if (result.sectorCaption && sector >= 1 && sector <= LapTable::MaxSectors)
        lblSector[size_t(sector - 1)]->setText(*result.sectorCaption);
    refreshLapChart();
}

bool TMainForm::waitingForLapList() const {
    const int step = lapTable.lapReadStep;
    return deviceTraits(deviceModel).lapRead == LapRead::TextLists && step >= 4 && step <= 12 &&
           step % 2 == 0;
}

bool TMainForm::takeLapList(const QByteArray& reception) {
    // While the RK-12 read waits for a lap or sector list, every reception is part of
    // it; the list goes to the lap-list parser once its lap lines are all there. Until
    // then the reply timer keeps running, counting from the list's last byte, so a list
    // that stops coming ends in the resends and the failure report of a request without
    // a reply.
    if (!waitingForLapList()) {
        lapListGatherer.stop();
        return false;
    }
    if (!lapListGatherer.awaiting())
        return false;
    const bool fresh = lapListGatherer.status() == LapListGatherer::Status::Incomplete;
    const LapListGatherer::Status status = lapListGatherer.add(reception);
    if (!fresh || status == LapListGatherer::Status::Incomplete)
        return true;
    std::optional<LapListParse> parse;
    if (status == LapListGatherer::Status::Complete) {
        const LapListState state{lapTable.sectorIndex, lblLaps->text(), marksOf(lapTable)};
        parse = parseLapFile(LapListForm::Device, lapListGatherer.text(), state,
                             [this](int col, int row) { return lapTable.cell(col, row); });
    }
    if (!parse || !parse->accepted()) {
        // A list the parser cannot read counts as no reply: the request is sent again
        // when the reply timer runs out. Nothing of it was applied, and what earlier
        // lists of the read gave stays: the lap count a sector list needs included.
        lapListFailure = lapListFailureMessage(lapTable.sectorIndex, parse ? parse->line : 0);
        return true;
    }
    lapListFailure.clear();
    timWakeupWait.stop();
    applyLapList(*parse->result);
    advanceLapRead();
    return true;
}
