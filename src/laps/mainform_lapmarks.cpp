// Marking a lap of the grid out-lap, in-lap or invalid from its context menu. The marks are
// kept by whoever listens to the event feed (the logbook), which tells the window back the
// marks of the laps shown; the analysis and the summary leave those laps out.
#include "app/frmmain.h"
#include "laps/lapgridview.h"

#include <QMenu>

void TMainForm::showLapMarkMenu(const QPoint& pos) {
    const int row = StringGrid1->rowAt(pos.y());
    if (!eventFeed.marksKept() || !LapTable::isLapRow(row) ||
        lapTable.cell(LapTable::ColTime, row).trimmed().isEmpty())
        return;
    const int lap = LapTable::lapOfRow(row);
    const feed::LapMark current = eventFeed.shownMarks().value(lap, feed::LapMark::None);
    // Shown without waiting for the choice: the window goes on receiving meanwhile.
    auto* menu = new QMenu(StringGrid1);
    menu->setObjectName(QStringLiteral("mnuLapMark"));
    menu->setAttribute(Qt::WA_DeleteOnClose);
    for (const feed::LapMark mark : {feed::LapMark::None, feed::LapMark::OutLap,
                                     feed::LapMark::InLap, feed::LapMark::Invalid}) {
        QAction* action = menu->addAction(feed::lapMarkMenuText(mark));
        action->setCheckable(true);
        action->setChecked(mark == current);
        connect(action, &QAction::triggered, this,
                [this, lap, mark] { emit eventFeed.lapMarkChosen(lap, mark); });
    }
    menu->popup(StringGrid1->viewport()->mapToGlobal(pos));
}
