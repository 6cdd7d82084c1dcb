#pragma once
// The logbook window: the sessions newest first with their track, vehicle, laps, best lap,
// theoretical best and notes, narrowed by track, vehicle and date; a session's track, vehicle
// and notes edited below the list; the track list with course lengths; every track's personal
// best with its history over the season. It reads through Qt's SQL models on the store's connection
// and writes through the store.
#include <QTimer>

#include <QWidget>
#include <array>

class QComboBox;
class QDateEdit;
class QAction;
class QCheckBox;
class QChartView;
class QLineEdit;
class QLineSeries;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QSqlQueryModel;
class QTableView;
class QTabWidget;
class Prompts;

namespace logbook {

class LogbookStore;
class SessionCompareView;

class LogbookWindow : public QWidget {
    Q_OBJECT

public:
    // prompts: where the export's file dialog and messages go.
    LogbookWindow(LogbookStore& store, Prompts& prompts, QWidget* parent = nullptr);

    // Reads the lists again from the store (after a recording or an edit).
    void refresh();
    // The session chosen in the list, -1 when none.
    qint64 currentSession() const;

    QTabWidget* tabs = nullptr;
    QLineEdit* edtFilterTrack = nullptr;
    QLineEdit* edtFilterVehicle = nullptr;
    QCheckBox* chkFilterDate = nullptr;
    QDateEdit* dteFrom = nullptr;
    QDateEdit* dteTo = nullptr;
    QTableView* grdSessions = nullptr;
    QComboBox* cmbTrack = nullptr; // offers the track list's names
    QLabel* lblCourseLength = nullptr;
    QLineEdit* edtVehicle = nullptr;
    QPlainTextEdit* memNotes = nullptr;
    QPushButton* btnSaveSession = nullptr;
    QPushButton* btnExportCsv = nullptr;
    QPushButton* btnOpenInGrid = nullptr;   // the chosen session into the main window's grid
    QPushButton* btnImportFolder = nullptr; // a folder of lap files, each a file session
    QTableView* grdLaps = nullptr;          // the chosen session's laps; marks set by its actions
    std::array<QAction*, 4> actLapMark{};   // by LapMark value
    QTableView* grdTracks = nullptr;
    QLineEdit* edtTrackName = nullptr;
    QLineEdit* edtTrackLength = nullptr;
    QPushButton* btnAddTrack = nullptr;
    QPushButton* btnRemoveTrack = nullptr;
    QTableView* grdBests = nullptr;
    QChartView* chartBestHistory = nullptr; // the chosen track's bests by date
    QLineSeries* seriesSessionBests = nullptr;
    QLineSeries* seriesPersonalBest = nullptr;
    SessionCompareView* compareView = nullptr;

signals:
    // The user asked to see a session's laps in the main window's grid.
    void openInGrid(qint64 session);

private:
    QWidget* makeSessionPage();
    QWidget* makeLapPage();
    QWidget* makeTrackPage();
    void markLap(int mark);
    void showComparison();
    QWidget* makeBestPage();
    void showBestHistory();
    void applyFilter();
    void showSession();
    void saveSession();
    void showCourseLength();
    void exportSession();
    void importFolder();
    void loadTrackChoices();

    LogbookStore& store_;
    Prompts& prompts_;
    QSqlQueryModel* sessions_ = nullptr;
    QSqlQueryModel* laps_ = nullptr;
    QSqlQueryModel* tracks_ = nullptr;
    QSqlQueryModel* bests_ = nullptr;
    QString sessionCourseLength_; // the chosen session's, as stored
    bool refreshing_ = false;
    QTimer refreshSoon_;
};

} // namespace logbook
