// What the main window tells its event feed: the laps shown and the newest live lap, with the
// lap timer, radio ID and course length they were read under.
#include "app/frmmain.h"

#include <QLabel>
#include <QLineEdit>

feed::LapSet TMainForm::feedLapSet(const QString& filePath) const {
    feed::LapSet set = feed::LapSet::fromTable(lapTable);
    set.at = QDateTime::currentDateTime();
    set.model = QLatin1String(deviceTraits(deviceModel).name);
    if (deviceTraits(deviceModel).radioFrames)
        set.radioId = quint16(RadioFrame::readRadioId(edtID->text()));
    set.courseLength = edtCourseLength->text();
    set.filePath = filePath;
    if (!filePath.isEmpty())
        return set;
    // The RK-12 says how many laps it holds in its lap list ("Laps,n"), which the laps label
    // shows; the RK-13 in its lap information.
    if (set.lapsHeld == 0)
        set.lapsHeld = lblLaps->text().toInt();
    if (set.laps.size() < set.lapsHeld) {
        set.complete = false;
        set.endReason = QStringLiteral("%1 ラップ中 %2 ラップで読み出しが終了しました。")
                            .arg(set.lapsHeld)
                            .arg(set.laps.size());
    }
    return set;
}

feed::LiveLap TMainForm::feedLiveLap() const {
    feed::LiveLap lap;
    lap.at = QDateTime::currentDateTime();
    lap.radioId = quint16(RadioFrame::readRadioId(edtID->text()));
    lap.row.lap = LapTable::lapOfRow(lapTable.lastLiveRow);
    for (int col = 0; col < LapTable::ColumnCount; ++col)
        lap.row.cells << lapTable.cell(col, lapTable.lastLiveRow);
    return lap;
}
