// Saving and loading lap files, and the RK-12's lap lists that the same lap-list
// parser reads: the glue between the parser's result and the grid, marks and labels.
#include "app/frmmain.h"
#include "files/lapfile.h"

#include <QLabel>

namespace {

LapMarks marksOf(const LapTable& table) {
    return {table.bestLapMark, table.topSpeedMark, table.fastestSectorMark};
}

} // namespace

void TMainForm::mnuCsvSaveClick() {
    const QString path =
        prompts.saveFileName(QString(), QString(), lapFileDialogFilter, lapFileDefaultSuffix);
    if (path.isEmpty())
        return;
    const LapFileSave save = saveLapFile(
        path, lblLaps->text(), [this](int col, int row) { return lapTable.cell(col, row); });
    if (save.status == LapFileSave::Status::Failed) {
        // The old file is untouched and the edits count as unsaved.
        prompts.message(save.message(), currentCaption(), Prompts::Icon::Error);
        return;
    }
    if (save.saved())
        dataModified = false;
}

void TMainForm::mnuCsvLoadClick() {
    if (!confirmDiscardEdits())
        return;
    const QString path = prompts.openFileName(QString(), QString(), lapFileDialogFilter);
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
        return;
    }
    // Nothing of a file that failed half-way is shown: the grid stays empty.
    lapFilePath.clear();
    clearLapFileState();
    setWindowTitle(mainWindowCaption());
    prompts.message(parse.message.isEmpty() ? lapFileFormatMessage : parse.message,
                    lapFileMessageCaption, Prompts::Icon::Warning);
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
    if (result.sectorCaption && sector >= 1 && sector <= 4)
        lblSector[size_t(sector - 1)]->setText(*result.sectorCaption);
    refreshLapChart();
}

bool TMainForm::takeLapList(const QByteArray& reception) {
    // The RK-12 sends each list in one burst that ends with a line "END"; the lines
    // before it are the list.
    const int step = lapTable.lapReadStep;
    const bool waitingForList = step >= 4 && step <= 12 && step % 2 == 0;
    if (deviceModel != DeviceModel::RK12 || !waitingForList)
        return false;
    const qsizetype end = reception.indexOf("\r\nEND");
    if (end < 0 || (!reception.startsWith("Laps") && !reception.startsWith("Fastest")))
        return false;
    timWakeupWait.stop();
    const LapListState state{lapTable.sectorIndex, lblLaps->text(), marksOf(lapTable)};
    const LapListParse parse =
        parseLapFile(LapListForm::Device, QByteArrayView(reception.constData(), end + 2), state,
                     [this](int col, int row) { return lapTable.cell(col, row); });
    if (!parse.accepted()) {
        clearLapFileState();
        return true;
    }
    applyLapList(*parse.result);
    advanceLapRead();
    return true;
}
