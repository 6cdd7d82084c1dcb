// The lap grid view over the lap table: reset, scrolling, the clear on a double-click,
// the remarks edits and the save commands.
#include "app/frmmain.h"
#include "laps/lapgridrules.h"
#include "laps/lapgridview.h"

#include <QAction>
#include <QLineEdit>
#include <QPushButton>

void TMainForm::resetLapGrid() {
    StringGrid1->resetLapGrid();
    dataModified = false;
    badTimeCells.forget(); // the next laps' bad time cells are news
}

void TMainForm::setSaveEnabled(bool on) {
    spbSave->setEnabled(on);
    mnuCsvSave->setEnabled(on);
    mnuSessionReport->setEnabled(on); // a summary is there to be saved whenever laps are
}

void TMainForm::scrollToRow(int row) {
    StringGrid1->scrollToRow(row);
}

void TMainForm::StringGrid1DblClick() {
    const GridClearQuestion question = gridClearQuestion();
    if (prompts.message(question.text, currentCaption(), question.icon, question.buttons) !=
        Prompts::Answer::Yes)
        return;
    applyGridClear(lapTable, deviceTraits(deviceModel).lapRead == LapRead::InfoAndBlocks);
    lapFuel.clear(); // the fuel per lap belongs to the laps cleared
    resetLapGrid();
    clearChartSeries();
    setSaveEnabled(false);
}

bool TMainForm::edtCourseLengthKeyPress(const QString& text) {
    if (text.isEmpty())
        return false;
    const CourseKey decision = filterCourseLengthKey(text.at(0), courseHasPoint);
    courseHasPoint = decision.courseHasPoint;
    return !decision.accept;
}
