// The lap grid view over the lap table: reset, scrolling and the save commands.
#include "app/frmmain.h"

#include <QAction>
#include <QHeaderView>
#include <QPushButton>
#include <QScrollBar>
#include <QTableView>

void TMainForm::resetLapGrid() {
    if (StringGrid1->model() != &lapTable)
        StringGrid1->setModel(&lapTable);
    lapTable.resetLapGrid();
    StringGrid1->setColumnWidth(0, 35);
    StringGrid1->setColumnWidth(6, 50);
    StringGrid1->setColumnWidth(8, 140);
    StringGrid1->setTabKeyNavigation(true);
    StringGrid1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    dataModified = false;
}

void TMainForm::setSaveEnabled(bool on) {
    spbSave->setEnabled(on);
    mnuCsvSave->setEnabled(on);
}

void TMainForm::scrollToRow(int row) {
    StringGrid1->scrollTo(lapTable.index(row, 0), QAbstractItemView::EnsureVisible);
}
