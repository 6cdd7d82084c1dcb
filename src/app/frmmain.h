#pragma once
// The main window. It owns all state of the program; its operations are grouped by
// subsystem and implemented in the subsystem folders (src/serial, src/protocol, ...).
// The logic lives in UI-free units; the operations here read controls, call a unit,
// apply the result to the controls and keep the prescribed order of steps.
#include "feed/eventfeed.h"
#include "files/laplistgatherer.h"
#include "laps/badtimecells.h"
#include "laps/lapanalysis.h"
#include "laps/lapreadend.h"
#include "laps/laptable.h"
#include "protocol/devicemodel.h"
#include "protocol/radioframe.h"
#include "protocol/settingitems.h"
#include "serial/commsettings.h"
#include "serial/devicewatcher.h"
#include "serial/portmap.h"
#include "serial/receptionarea.h"
#include "windows/chartviewsettings.h"
#include "windows/heldprompts.h"
#include "windows/prompts.h"

#include <QAction>
#include <QByteArray>
#include <QElapsedTimer>
#include <QMainWindow>
#include <QPointer>
#include <QStringList>
#include <QTimer>

#include <array>
#include <atomic>
#include <functional>
#include <memory>

class QCheckBox;
class QComboBox;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QSplitter;
class QTabWidget;
class LapChartView;
class LapGridView;
class LapAnalysisView;
class FuelLog;
class RsCommThread;
class TAnimationForm;
class UpDown;
struct LapListResult;
struct SessionReport;
class QDateTime;
class QPainter;
class QRectF;

class TMainForm : public QMainWindow {
    Q_OBJECT

public:
    struct Options {
        QString configPath;            // the configuration file to read at start and write at close
        bool useDefaultPortMap = true; // false: only the "Ports" section maps COM numbers (tests)
        // Where the adapters' stable names are (tests give a folder of their own).
        QString stableNamesFolder = QStringLiteral("/dev/serial/by-id");
    };

    TMainForm(Prompts& prompts, Options options, QWidget* parent = nullptr);
    ~TMainForm() override;

    // ---- Application shell ------------------------------------------------------------
    void FormCreate();
    void OnIdle();
    void wakeIdle();
    // The message boxes the idle pass held back, one after the other.
    void showHeldMessages();
    static constexpr int kIdleActiveMs = 10;
    static constexpr int kIdleQuietMs = 250;
    bool FormClose(); // false: the close was vetoed or waits for a transmission
    // Closes the window as the user would, without a question nobody could answer: for
    // SIGTERM, SIGINT and SIGHUP (logout, shutdown, Ctrl+C in a terminal).
    void closeUnattended();
    void ShowHint(const QString& hint);
    // Names a file just saved in status panel 0 for kSavedNoticeMs; hints wait meanwhile,
    // so that the pointer resting on the save button does not hide it at once.
    void showSavedNotice(const QString& path);
    void timSavedNoticeTimer();
    static constexpr int kSavedNoticeMs = 5000;
    void FormKeyPress(QChar key);
    void Panel2DblClick();
    void mnuExitClick();
    QString currentCaption() const { return windowTitle(); }
    // An error that reached the event loop: its text in a message box with the error icon.
    void showEventLoopError(const QString& text);

    void loadConfiguration();
    void saveConfiguration();

    // ---- Serial link ------------------------------------------------------------------
    void enumeratePorts();
    void mnuCommOpenClick();
    void showConnected(int port);
    // The open port's device has gone: the connection is closed as the toggle closes
    // it, and the device buttons stay off until a port is open again.
    void portVanished();
    // The vanished device is back: the same port is opened again with the same settings.
    void deviceReturned();
    // Shows that the device of port is awaited and watches for it.
    void awaitDevice(int port);
    // No vanished device is awaited any more; the status panel is emptied unless a port
    // is open.
    void endDeviceWait();
    void mnuCommSettingsClick();
    // Keeps a port chosen in the dialog by its adapter's stable name at close.
    void keepChosenAdapter(int port);
    void mnuComPortSearchClick();
    void startPortSearchFromOpen();
    void portSearchStep();
    void timPortSearchWaitTimer();
    // Lines naming why each existing but unusable port could not be used.
    QString searchFailureCauses() const;

    // ---- Device protocol --------------------------------------------------------------
    void appendMonitorLine(const QString& text);
    void dumpFrameHex(const char* bytes, int count);
    bool sendCommand(const QString& text);
    // Marks a transmission in progress (txBusy) for its lifetime; a close that came in
    // meanwhile goes on once the outermost transmission has ended.
    class Transmission {
    public:
        explicit Transmission(TMainForm& form);
        ~Transmission();
        Transmission(const Transmission&) = delete;
        Transmission& operator=(const Transmission&) = delete;

    private:
        TMainForm& form_;
        bool outer_;
    };
    void sendLogged(const QString& text);
    void showBusy();
    void endBusy();
    // Waits ms for the reply to the command just sent; a retry waits as long again.
    void awaitReply(int ms);
    void timWakeupWaitTimer();
    void spbCommandTxClick();
    void cmbTemplateChange();
    void spbMonitorClearClick();
    void dispatchReception();
    void applyReply(const QByteArray& text);
    void searchReplyCheck();

    // Radio frames and the radio ID entries.
    bool checkRadioId();
    bool sendFrameBytes(const quint8* bytes, int count);
    void applyFrameScan(const RadioFrame::FrameScanResult& scan);
    void blinkAntenna(bool show, char kind);
    void timAntennaTimer();
    void timRKSendTimer();
    bool edtIDKeyPress(QLineEdit* edit, const QString& text);
    bool edtKKeyPress(const QString& text);

    // Device settings page.
    void btnRead1Click(int tag);
    void btnWrite1Click(int tag);
    void readSetting(int item);
    void writeSetting(int item);
    void settingReplyDone();
    void connectSettingEntries();
    // The write command of an item as its controls stand; empty when the value cannot
    // be written.
    QString writeCommandFor(const SettingItems::Item& row) const;
    // All Write's check of every value before the first is sent; false: nothing is sent.
    bool allWriteConfirmed();
    void enableDeviceButtons(bool on);
    void applyModelLayout();
    void edtKExit();

    // ---- Lap data (filled in by the lap subsystem) -------------------------------------
    void resetLapGrid();
    void spbReadClick();
    void spbClearClick();
    void btnLapDataClick();
    void Button1Click();
    void advanceLapRead();
    void decodeLapFrameGlue(const RadioFrame::FrameItem& item);
    void applyLapInfo(const QStringList& lines);
    void applyLapData(const QStringList& lines);
    void scrollToRow(int row);
    void StringGrid1DblClick();
    void btnZoomResetClick();
    bool edtCourseLengthKeyPress(const QString& text);
    void clearChartSeries();
    void showFuelData(quint32 distance, float remaining, float used, float economy);
    void setSaveEnabled(bool on);
    void refreshLapChart();
    void applyChartAppearance(const ChartViewSettings& settings);
    void runLapReadStep();
    void runLapInfoStep();
    // A finished lap read or lap info read: the step is cleared and the window is usable again.
    void endLapRead(int& step);
    // Why a running RK-13 read ends early (the first reason counts), and the warning at its
    // end when not every lap came in.
    void noteLapReadStop(LapReadStop why);
    void tellShortLapRead();
    void resetChartZoom();

    // ---- Files and side windows -------------------------------------------------------
    bool confirmDiscardEdits();
    void mnuCsvSaveClick();
    void mnuCsvLoadClick();
    void clearLapFileState();
    void applyLapList(const LapListResult& result);
    // Laps kept elsewhere (a logbook session) shown as a loaded lap file is shown, the
    // caption naming them; false when the user kept the unsaved laps shown.
    bool openKeptLaps(const feed::LapSet& laps, const QString& caption);
    // The grid's context menu: the marks of the lap under pos.
    void showLapMarkMenu(const QPoint& pos);
    bool takeLapList(const QByteArray& reception);
    // The RK-12 read waits for a lap or sector list.
    bool waitingForLapList() const;
    void btnSendMailClick();
    void rgrpQKLogClick(bool record);
    void timDisplayedTimeTimer();
    void stopFuelLog();
    // The fuel log's file removed or replaced while recording: the log goes on in a new
    // file, and the user is told at once.
    void followFuelLogFile();
    // A file about to be saved is the running fuel log's: told why, and nothing is saved.
    bool refusedAsFuelLog(const QString& path);
    void showElapsedTime();
    // The fuel values shown are the last ones received, not current (greyed), or current.
    void markFuelReadingsOld(bool old);
    void mnuQkodaMessageClick();
    void mnuAboutClick();
    void mnuChartSettingsClick();

    // ---- Analysis ---------------------------------------------------------------------
    // Recomputes the "分析" page from the grid; runs whenever the chart is rebuilt or emptied
    // and when the clean-lap limit is stepped.
    void refreshAnalysis();
    // Writes the session summary PDF to a file the user chooses.
    void mnuSessionReportClick();
    // The summary of the laps shown, as of created, and the chart drawn into a target.
    SessionReport currentSessionReport(const QDateTime& created) const;
    void drawChartInto(QPainter& painter, const QRectF& target) const;
    // What the event feed is told: the laps shown (from a file when filePath is given), the
    // newest live lap.
    feed::LapSet feedLapSet(const QString& filePath) const;
    feed::LiveLap feedLiveLap() const;

    // ---- Shared state -----------------------------------------------------------------
    // Every box goes through prompts; those of the idle pass are held and shown once the
    // pass has returned (showHeldMessages), so the pass runs on while they are open.
    HeldPrompts heldPrompts;
    Prompts& prompts;
    Options options;
    PortMap portMap;
    std::unique_ptr<RsCommThread> commThread;
    CommSettings commSettings;
    qint32 comPort = 1;
    // The port the configuration keeps: as read, as chosen in the dialog, or the port a
    // search linked to. A search that found nothing leaves it; comPort then holds the
    // port the search tried last.
    qint32 configuredPort = 1;
    bool portOpen = false;
    bool portLost = false;              // the device went away; cleared by the next open
    qint32 lostPort = 0;                // the port whose device is awaited
    QMap<int, QString> chosenPortPaths; // "Ports" entries made by choosing a port
    DeviceWatcher deviceWatcher;
    std::atomic<bool> commReady{false};    // read by the worker thread every cycle
    ReceptionArea reception;               // rxBytes, rxLength, rxText, rxComplete
    std::array<bool, 100> portAvailable{}; // index 1..99
    QStringList portList;
    bool portSearching = false;
    qint32 searchPort = 0;
    qint32 searchPass = 0;
    QString searchProbe;
    QString searchReply;
    DeviceModel deviceModel = DeviceModel::RK13;
    QPointer<TAnimationForm> busyWindow;
    bool busyWindowOpen = false;
    bool txBusy = false;
    bool closing = false;
    bool closeDone = false;
    bool closeConfirmed = false;         // the close was asked for and not vetoed
    bool closeAfterTransmission = false; // a close came in while a transmission waited
    bool unattendedClose = false;        // nobody can answer a question (a signal ends us)
    QPoint placedAt;                     // where the configuration put the window
    bool configurationRefused = false;   // the file is left as it is at close
    bool idleRunning = false;
    LapTable lapTable; // cells, lap info, marks and the read sequences' bookkeeping
    // What happens here, for the additions that listen (logbook, pit board, capture): the
    // operations emit into it; nothing of the window is read through it.
    feed::EventFeed eventFeed;
    LapListGatherer lapListGatherer; // the RK-12 lap list being received
    // Why the list received for the request just sent was rejected; reported instead of
    // the no-contact message when the last resend brings no readable list either.
    QString lapListFailure;
    BadTimeCellNotice badTimeCells; // the chart's bad time cells told since the grid's reset
    // The RK-13 read started by spbReadClick: running until its finish, why it stopped
    // early, and whether the lap information (the lap count) came in.
    bool lapReadRunning = false;
    LapReadStop lapReadStop = LapReadStop::None;
    bool lapCountKnown = false;
    bool dataModified = false;
    bool showCaution = false;
    QString webAddress;
    bool firstIdleDone = false;
    bool courseHasPoint = false;
    bool developerToggleArmed = false;
    qint32 selectedCol = -1;
    qint32 selectedRow = 0;
    qint32 secondsSinceFuel = 0;
    std::unique_ptr<FuelLog> fuelLog; // the fuel log's lines, path and on/off state
    LapFuelTracker lapFuel;           // fuel readings paired with live laps: fuel per lap
    QString lapFilePath; // the lap file (or kept session) shown, empty for laps from the lap timer

    // Request state of the device protocol.
    QString lastCommand;
    qint32 retryCount = 0;
    qint32 replyWaitMs = 3000;
    // How long an expired reply wait has been held for a reply that was coming in.
    qint32 replyGraceMs = 0;
    static constexpr int kReplyRecheckMs = 50;
    qint32 readAllItem = 0;
    qint32 writeAllItem = 0;
    // Per row of the settings page: its value was read from the lap timer or entered by
    // the user in this run (a value nobody chose is written only after a question).
    std::array<bool, std::size(SettingItems::items)> settingValueKnown{};
    QString replyText;
    qint32 pendingLength = 0;
    qint64 dispatchDueMs = -1; // when the reception that has come in is taken over
    QElapsedTimer tickCounter;

    // The last frame the PC built, resent as it is by a reply time-out during a lap read.
    quint8 frameBuffer[RadioFrame::BufferSize] = {};
    qint32 frameLength = 0;
    // sendFrameBytes writes from its own copy: a timer may build a new frame while
    // a write waits for the port.
    quint8 sendBuffer[RadioFrame::BufferSize] = {};

    // Chart appearance, kept for the configuration file and the chart properties dialog.
    ChartViewSettings chartSettings;

    // ---- Controls ---------------------------------------------------------------------
    QWidget* pnlMain = nullptr;
    QWidget* Panel2 = nullptr;
    QTabWidget* PageControlSetting = nullptr;
    QWidget* tabBasicSetting = nullptr;
    QWidget* tabSetting = nullptr;
    QWidget* tabDevelop = nullptr;
    QSplitter* Splitter1 = nullptr;
    QWidget* Panel1 = nullptr;
    LapChartView* Chart1 = nullptr;
    QPushButton* btnZoomReset = nullptr;

    // "データ" page
    LapGridView* StringGrid1 = nullptr;
    QLabel* lblLaps = nullptr;
    QLabel* lblFastest = nullptr;
    QLabel* lblTopSpeed = nullptr;
    std::array<QLabel*, 4> lblSector{};

    // "セッティング" page
    QPushButton* btnRead[SettingItems::TagLimit] = {};  // index = Tag (10 = All Read)
    QPushButton* btnWrite[SettingItems::TagLimit] = {}; // index = Tag of a writable item
    QFrame* settingRow[SettingItems::TagLimit] = {};    // the row of each item
    // The controls that show and edit an item's value; which are set follows its
    // control kind. The pulse-factor buttons are rabPulse.
    struct SettingControls {
        QRadioButton* first = nullptr; // RadioPair: the buttons of its two characters
        QRadioButton* second = nullptr;
        QCheckBox* tick = nullptr; // Tick
        QLineEdit* edit = nullptr; // Number, KEntry
        UpDown* upDown = nullptr;  // Number
        QLabel* display = nullptr; // Display
    };
    std::array<SettingControls, SettingItems::TagLimit> settingControls{};
    QRadioButton* rabRealMode = nullptr;
    QRadioButton* rabLapMode = nullptr;
    QLineEdit* edtLapDispTime = nullptr;
    UpDown* updLapDispTime = nullptr;
    QLineEdit* edtCP = nullptr;
    UpDown* updCP = nullptr;
    QLineEdit* edtPass = nullptr;
    UpDown* updPass = nullptr;
    QRadioButton* rabColon = nullptr;
    QRadioButton* rabDash = nullptr;
    QLabel* lblPLS = nullptr;
    std::array<QRadioButton*, 7> rabPulse{};
    QLineEdit* edtK = nullptr;
    QLabel* lblK = nullptr;
    QLineEdit* edtSensorMarkTime = nullptr;
    UpDown* updSensorMarkTime = nullptr;
    QLabel* pnlOdo = nullptr;
    QLabel* pnlVersion = nullptr;
    QCheckBox* chkGAP = nullptr;

    // "分析" page
    LapAnalysisView* tabAnalysis = nullptr;

    // "開発用" page
    QGroupBox* grpMonitor = nullptr;
    QPlainTextEdit* memTxRxMonitor = nullptr;
    QLineEdit* txtEdit = nullptr;
    QComboBox* cmbTemplate = nullptr;
    QPushButton* spbMonitorClear = nullptr;
    QPushButton* spbCommandTx = nullptr;
    QPushButton* btnSendMail = nullptr;
    QPushButton* btnTrafficView = nullptr; // opens the detailed traffic view (CaptureHookup)

    // Bottom panel
    QWidget* pnlMonitor = nullptr;
    QPushButton* spbRead = nullptr;
    QPushButton* spbClear = nullptr;
    QPushButton* spbSave = nullptr;
    QPushButton* spbExit = nullptr;
    QLineEdit* edtCourseLength = nullptr;
    QLabel* lblID = nullptr;
    QLineEdit* edtID = nullptr;
    QLabel* Label19 = nullptr;
    QLineEdit* edtIDQK11 = nullptr;
    QLabel* imgAntenna = nullptr;
    QLabel* pnlFuel = nullptr;
    QLabel* pnlUsed = nullptr;
    QLabel* pnlEco = nullptr;
    QLabel* pnlTrip = nullptr;
    QLabel* pnlClock = nullptr;
    QGroupBox* rgrpQKLog = nullptr;
    QRadioButton* rgrpQKLogRecord = nullptr;
    QRadioButton* rgrpQKLogStop = nullptr;
    QFrame* grpLine = nullptr;
    QPushButton* Button1 = nullptr;
    QLineEdit* Edit1 = nullptr;
    UpDown* UpDown1 = nullptr;
    QPushButton* btnLapData = nullptr;
    QLineEdit* edtLapData = nullptr;

    // Status bar panels 0..3
    std::array<QLabel*, 4> statusPanel{};

    // Menu
    QAction* mnuCsvLoad = nullptr;
    QAction* mnuCsvSave = nullptr;
    QAction* mnuSessionReport = nullptr;
    QAction* mnuExit = nullptr;
    QAction* mnuLogbook = nullptr; // opened by whoever keeps the logbook (see main.cpp)
    QAction* mnuCommSettings = nullptr;
    QAction* mnuComPortSearch = nullptr;
    QAction* mnuQkodaMessage = nullptr;
    QAction* mnuChartSettings = nullptr;
    QAction* mnuPitBoard = nullptr; // shows the pit board, which the program attaches to the feed
    QAction* mnuAbout = nullptr;

    // Timers
    QTimer timWakeupWait;
    QTimer timAntenna;
    QTimer timRKSend;
    QTimer timPortSearchWait;
    QTimer timDisplayedTime;
    QTimer idleTimer;
    QTimer timSavedNotice;
    QString lastHint; // the hint to show once a saved-file notice has gone

protected:
    void closeEvent(QCloseEvent* event) override;
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    bool focusNextPrevChild(bool next) override;

private:
    void createControls();
    QWidget* createDataPage();
    QWidget* createSettingPage();
    QWidget* createDevelopPage();
    QWidget* createMonitorPanel();
    void createMenu();
    void createStatusBar();
    QStringList shownHints() const;
    void setNaturalTabOrder();
    void connectHandlers();
    void stopWorker();
};
