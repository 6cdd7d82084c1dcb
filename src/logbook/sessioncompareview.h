#pragma once
// The logbook's comparison page: two sessions chosen from the logbook, their figures side by
// side, lap by lap the two times and the difference (faster green, slower red) and both
// sessions' lap times in one chart.
#include "logbook/sessioncompare.h"

#include <QWidget>

class QChartView;
class QComboBox;
class QPushButton;
class QLineSeries;
class QSqlDatabase;
class QTableWidget;

namespace logbook {

class SessionCompareView : public QWidget {
    Q_OBJECT

public:
    explicit SessionCompareView(QWidget* parent = nullptr);

    // The sessions offered in both choices (id, date, track), newest first.
    void loadSessions(const QSqlDatabase& db);
    // Compares the sessions chosen; each choice is read from db.
    void compare(const QSqlDatabase& db);
    // Chooses the sessions by id (the list's current one and another).
    void choose(qint64 first, qint64 second);

    QComboBox* cmbFirst = nullptr;
    QComboBox* cmbSecond = nullptr;
    QPushButton* btnTrackBest = nullptr; // the second choice: the best session of the track
    QTableWidget* grdFigures = nullptr;
    QTableWidget* grdCompareLaps = nullptr;
    QChartView* chartCompare = nullptr;
    QLineSeries* seriesFirst = nullptr;
    QLineSeries* seriesSecond = nullptr;

signals:
    void choiceChanged();
    void trackBestAsked();

private:
    void show(const SessionComparison& comparison);
};

} // namespace logbook
