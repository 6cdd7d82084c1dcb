// The main window's shell: construction, the idle pass, the hint display and the
// close sequence.
#include "app/frmmain.h"
#include "app/kodaapplication.h"
#include "files/filewrite.h"
#include "files/fuellog.h"
#include "laps/lapanalysisview.h"
#include "laps/lapchartview.h"
#include "laps/lapgridrules.h"
#include "laps/lapgridview.h"
#include "protocol/radioidentry.h"
#include "protocol/settingcommands.h"
#include "serial/rscommthread.h"
#include "windows/frmanimation.h"
#include "windows/typinglimit.h"
#include "windows/updown.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDialog>

#include <QFocusEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QTabBar>
#include <QTabWidget>

#include <utility>

static void initResources() {
    Q_INIT_RESOURCE(resources);
}

TMainForm::TMainForm(Prompts& prompts_, Options options_, QWidget* parent)
    : QMainWindow(parent), heldPrompts(prompts_), prompts(heldPrompts),
      options(std::move(options_)) {
    initResources(); // the pictures are compiled into a static library
    setObjectName(QStringLiteral("MainForm"));
    tickCounter.start();
    setWindowTitle(QStringLiteral("KODA Monitor"));
    setWindowIcon(QIcon(QStringLiteral(":/pictures/icon256.png")));
    portMap.setUseDefaults(options.useDefaultPortMap);

    // 1. Controls, at the designed client size.
    createControls();
    resize(1016, 649 + menuBar()->sizeHint().height());
    setMinimumHeight(180);

    // 2. The settings page's tab is shown; the developer page's is hidden until toggled.
    // The window opens on the data page, where a racer starts: the laps and what to do
    // with them, not the lap timer's settings.
    PageControlSetting->setTabVisible(PageControlSetting->indexOf(tabSetting), true);
    PageControlSetting->setTabVisible(PageControlSetting->indexOf(tabDevelop), false);
    PageControlSetting->setCurrentWidget(tabBasicSetting);

    // 3. Command templates.
    cmbTemplate->addItems(SettingCommands::commandTemplates());
    cmbTemplate->setCurrentIndex(-1);
    cmbTemplate->setEditText(QStringLiteral("テンプレート"));

    // 4. The serial worker runs from now on and idles until a port is ready.
    commThread = std::make_unique<RsCommThread>(
        commReady, reception, prompts, [this] { return currentCaption(); }, portMap, this);
    commThread->start(QThread::HighPriority);

    // 5. Text lists.
    portList.clear();
    fuelLog = std::make_unique<FuelLog>();

    // 6.-7. Configuration and the port list.
    loadConfiguration();
    enumeratePorts();

    // 8. Port search texts.
    searchProbe = QStringLiteral("KODA LiNK Search");
    searchReply = QStringLiteral("KODA LiNK Found");

    // 9. Flags and counters.
    commReady = false;
    txBusy = closing = reception.rxComplete = portOpen = portSearching = false;
    firstIdleDone = dataModified = courseHasPoint = false;
    selectedCol = -1;
    lapTable.lastLiveRow = -1;

    // 10.-14.
    resetLapGrid();
    mnuComPortSearch->setVisible(true);
    applyModelLayout();
    mnuComPortSearchClick();
    mnuQkodaMessageClick();

    connectHandlers();
    FormCreate();
}

TMainForm::~TMainForm() {
    idleTimer.stop();
    if (auto* app = qobject_cast<KodaApplication*>(QCoreApplication::instance()))
        app->setErrorReport({});
    // The worker reads members of this window: it must have ended before they go.
    stopWorker();
    commThread.reset();
    endBusy();
}

void TMainForm::connectHandlers() {
    timWakeupWait.setSingleShot(false);
    timWakeupWait.setTimerType(Qt::PreciseTimer);
    timWakeupWait.setInterval(3000);
    timAntenna.setInterval(200);
    timRKSend.setInterval(3000);
    timPortSearchWait.setTimerType(Qt::PreciseTimer);
    timDisplayedTime.setInterval(1000);
    timDisplayedTime.start();
    timSavedNotice.setSingleShot(true);

    // The timers, menu commands and buttons whose handler takes no arguments.
    using Handler = void (TMainForm::*)();
    const std::pair<QTimer*, Handler> timerHandlers[] = {
        {&timWakeupWait, &TMainForm::timWakeupWaitTimer},
        {&timPortSearchWait, &TMainForm::timPortSearchWaitTimer},
        {&timAntenna, &TMainForm::timAntennaTimer},
        {&timRKSend, &TMainForm::timRKSendTimer},
        {&timDisplayedTime, &TMainForm::timDisplayedTimeTimer},
        {&timSavedNotice, &TMainForm::timSavedNoticeTimer},
    };
    const std::pair<QAction*, Handler> menuHandlers[] = {
        {mnuExit, &TMainForm::mnuExitClick},
        {mnuCommSettings, &TMainForm::mnuCommSettingsClick},
        {mnuComPortSearch, &TMainForm::mnuComPortSearchClick},
        {mnuQkodaMessage, &TMainForm::mnuQkodaMessageClick},
        {mnuAbout, &TMainForm::mnuAboutClick},
        {mnuCsvSave, &TMainForm::mnuCsvSaveClick},
        {mnuCsvLoad, &TMainForm::mnuCsvLoadClick},
        {mnuSessionReport, &TMainForm::mnuSessionReportClick},
        {mnuChartSettings, &TMainForm::mnuChartSettingsClick},
    };
    const std::pair<QPushButton*, Handler> buttonHandlers[] = {
        {spbExit, &TMainForm::mnuExitClick},
        {btnZoomReset, &TMainForm::btnZoomResetClick},
        {spbRead, &TMainForm::spbReadClick},
        {spbSave, &TMainForm::mnuCsvSaveClick},
        {btnSendMail, &TMainForm::btnSendMailClick},
        {spbClear, &TMainForm::spbClearClick},
        {btnLapData, &TMainForm::btnLapDataClick},
        {Button1, &TMainForm::Button1Click},
        {spbCommandTx, &TMainForm::spbCommandTxClick},
        {spbMonitorClear, &TMainForm::spbMonitorClearClick},
    };
    for (const auto& [timer, handler] : timerHandlers)
        connect(timer, &QTimer::timeout, this, handler);
    for (const auto& [action, handler] : menuHandlers)
        connect(action, &QAction::triggered, this, handler);
    for (const auto& [button, handler] : buttonHandlers)
        connect(button, &QPushButton::clicked, this, handler);

    for (int tag = 1; tag < SettingItems::TagLimit; ++tag) {
        if (btnRead[tag])
            connect(btnRead[tag], &QPushButton::clicked, this, [this, tag] { btnRead1Click(tag); });
        if (btnWrite[tag])
            connect(btnWrite[tag], &QPushButton::clicked, this,
                    [this, tag] { btnWrite1Click(tag); });
    }
    connectSettingEntries();
    connect(commThread.get(), &RsCommThread::receptionHandedOver, this, &TMainForm::wakeIdle);
    connect(commThread.get(), &RsCommThread::receptionHandedOver, &eventFeed,
            [this](const QByteArray& bytes) {
                emit eventFeed.bytesReceived(bytes, QDateTime::currentDateTimeUtc());
            });
    connect(commThread.get(), &RsCommThread::portVanished, this, &TMainForm::portVanished);
    connect(&deviceWatcher, &DeviceWatcher::deviceReturned, this, &TMainForm::deviceReturned);
    connect(StringGrid1, &LapGridView::cellSelected, this, [this](int col, int row) {
        selectedCol = col;
        selectedRow = row;
    });
    connect(StringGrid1, &LapGridView::remarksTyped, this, [this] {
        dataModified = true;
        setSaveEnabled(true);
    });
    connect(StringGrid1, &LapGridView::gridDoubleClicked, this, &TMainForm::StringGrid1DblClick);
    StringGrid1->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(StringGrid1, &QWidget::customContextMenuRequested, this, &TMainForm::showLapMarkMenu);
    connect(&eventFeed, &feed::EventFeed::shownMarksChanged, this, &TMainForm::refreshAnalysis);
    eventFeed.openLaps = [this](const feed::LapSet& laps, const QString& caption) {
        return openKeptLaps(laps, caption);
    };
    connect(edtCourseLength, &QLineEdit::textChanged, this,
            [this](const QString& text) { courseHasPoint = courseTextHasPoint(text); });
    connect(tabAnalysis, &LapAnalysisView::cleanLimitChanged, this, &TMainForm::refreshAnalysis);
    connect(rgrpQKLogRecord, &QRadioButton::clicked, this, [this] { rgrpQKLogClick(true); });
    connect(rgrpQKLogStop, &QRadioButton::clicked, this, [this] { rgrpQKLogClick(false); });
    connect(cmbTemplate, &QComboBox::textActivated, this, &TMainForm::cmbTemplateChange);
    for (QLineEdit* edit : {txtEdit, edtID, edtIDQK11, edtK, edtCourseLength})
        edit->installEventFilter(this);
    for (QWidget* w : {Panel2, static_cast<QWidget*>(PageControlSetting->tabBar())})
        w->installEventFilter(this);
}

void TMainForm::FormCreate() {
    idleTimer.setInterval(kIdleActiveMs);
    connect(&idleTimer, &QTimer::timeout, this, &TMainForm::OnIdle, Qt::UniqueConnection);
    idleTimer.start();
    // Errors that no handler caught are shown by this window, with its caption.
    if (auto* app = qobject_cast<KodaApplication*>(QCoreApplication::instance()))
        app->setErrorReport([this](const QString& text) { showEventLoopError(text); });
}

void TMainForm::showEventLoopError(const QString& text) {
    prompts.message(text, currentCaption(), Prompts::Icon::Error);
}

void TMainForm::OnIdle() {
    // Writes process pending events while they wait for the port; an idle pass must
    // not start inside another one.
    if (idleRunning)
        return;
    idleRunning = true;
    // A box opened from inside the pass would keep the pass from running again until it
    // closes, and whatever the instruments push meanwhile would pile up behind it. The
    // pass's boxes are shown once it has returned; the pass then runs inside their loop.
    heldPrompts.hold(true);

    if (!firstIdleDone) {
        resetChartZoom();
        firstIdleDone = true;
    }
    if (portSearching)
        portSearchStep();
    if (busyWindow && !busyWindowOpen) {
        // The user closed the busy window: cancel what is running, a chain included.
        timWakeupWait.stop();
        endBusy();
        readAllItem = 0;
        writeAllItem = 0;
        enableDeviceButtons(true);
        lapTable.lapReadStep = 0;
        if (portSearching) {
            portSearching = false;
            timPortSearchWait.stop();
            prompts.message(QStringLiteral("ポート検索を中止しました。"), currentCaption(),
                            Prompts::Icon::Warning);
            if (portOpen)
                mnuCommOpenClick();
        } else {
            if (lapTable.lapInfoStep != 0)
                noteLapReadStop(LapReadStop::Cancel);
            lapTable.lapInfoStep = 99;
        }
    }
    dispatchReception();
    runLapReadStep();
    runLapInfoStep();
    showElapsedTime();

    // While nothing runs, the pass needs to come only as often as the elapsed-time
    // display changes; anything that starts an activity wakes it (wakeIdle).
    const bool active = portSearching || busyWindow || reception.rxComplete ||
                        lapTable.lapInfoStep != 0 || lapTable.lapReadStep != 0;
    idleTimer.setInterval(active ? kIdleActiveMs : kIdleQuietMs);
    heldPrompts.hold(false);
    idleRunning = false;
    if (heldPrompts.hasHeld())
        QMetaObject::invokeMethod(this, &TMainForm::showHeldMessages, Qt::QueuedConnection);
}

void TMainForm::showHeldMessages() {
    if (!closing)
        heldPrompts.showHeld();
}

void TMainForm::wakeIdle() {
    if (idleTimer.interval() != kIdleActiveMs && idleTimer.isActive())
        idleTimer.start(kIdleActiveMs);
}

void TMainForm::ShowHint(const QString& hint) {
    lastHint = hint;
    if (!timSavedNotice.isActive())
        statusPanel[0]->setText(hint);
}

void TMainForm::showSavedNotice(const QString& path) {
    // A long path loses its middle, so that the file's name stays readable.
    QLabel* panel = statusPanel[0];
    panel->setText(panel->fontMetrics().elidedText(fileSavedNotice(path), Qt::ElideMiddle,
                                                   panel->contentsRect().width()));
    timSavedNotice.start(kSavedNoticeMs);
}

void TMainForm::timSavedNoticeTimer() {
    timSavedNotice.stop();
    statusPanel[0]->setText(lastHint);
}

void TMainForm::mnuExitClick() {
    close();
}

bool TMainForm::FormClose() {
    if (!closeConfirmed) {
        if (!unattendedClose && !confirmDiscardEdits())
            return false;
        closeConfirmed = true;
    }
    closing = true;
    if (txBusy) {
        // Only a close handled inside a transmission's own event processing finds one
        // under way; waiting for it here would wait for ever. The transmission ends
        // first, then the close goes on.
        closeAfterTransmission = true;
        return false;
    }
    deviceWatcher.stop();
    if (portOpen)
        mnuCommOpenClick();
    stopWorker();
    portList.clear();
    stopFuelLog();
    endBusy();
    saveConfiguration();
    idleTimer.stop();
    heldPrompts.dropHeld();
    return true;
}

void TMainForm::closeUnattended() {
    unattendedClose = true;
    // A question or message box open at this moment would keep its own event loop
    // running after the window has gone; so would the held boxes waiting behind it.
    heldPrompts.dropHeld();
    while (QWidget* modal = QApplication::activeModalWidget()) {
        if (auto* dialog = qobject_cast<QDialog*>(modal))
            dialog->reject();
        else
            modal->close();
        if (QApplication::activeModalWidget() == modal)
            break;
    }
    QMetaObject::invokeMethod(
        this, [this] { close(); }, Qt::QueuedConnection);
}

void TMainForm::stopWorker() {
    if (!commThread)
        return;
    commThread->requestStop();
    commThread->wait();
}

void TMainForm::closeEvent(QCloseEvent* event) {
    if (closeDone || FormClose()) {
        closeDone = true;
        event->accept();
    } else {
        event->ignore();
    }
}

bool TMainForm::event(QEvent* event) {
    if (event->type() == QEvent::StatusTip) {
        ShowHint(static_cast<QStatusTipEvent*>(event)->tip());
        return true;
    }
    return QMainWindow::event(event);
}

bool TMainForm::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusOut && watched == edtK) {
        // The entry is left only when the focus moves to another control of the
        // window; the window losing focus or a menu opening keeps it in the entry.
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason)
            edtKExit();
    } else if (event->type() == QEvent::FocusOut && watched == edtCourseLength) {
        edtCourseLength->setText(courseTextOnExit(edtCourseLength->text(), courseHasPoint));
    } else if (event->type() == QEvent::MouseButtonPress &&
               (watched == Panel2 || watched == PageControlSetting->tabBar())) {
        developerToggleArmed =
            developerToggleArmedBy(static_cast<QMouseEvent*>(event)->modifiers());
    } else if (event->type() == QEvent::MouseButtonDblClick &&
               (watched == Panel2 || watched == PageControlSetting->tabBar())) {
        Panel2DblClick();
    } else if (event->type() == QEvent::KeyPress) {
        const auto* keyEvent = static_cast<QKeyEvent*>(event);
        if (watched == txtEdit &&
            (keyEvent->key() == Qt::Key_Return || keyEvent->key() == Qt::Key_Enter)) {
            FormKeyPress(QChar(13));
        } else if (watched == edtID || watched == edtIDQK11) {
            return edtIDKeyPress(static_cast<QLineEdit*>(watched), keyEvent->text());
        } else if (watched == edtK) {
            return edtKKeyPress(keyEvent->text());
        } else if (watched == edtCourseLength) {
            return edtCourseLengthKeyPress(keyEvent->text());
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

// Keys typed into an entry arrive as text; navigation and editing keys carry none or
// a control character and always pass. The filters return true to drop the key.
static bool isControlKey(const QString& text) {
    return text.isEmpty() || text.at(0) < QChar(0x20);
}

bool TMainForm::edtIDKeyPress(QLineEdit* edit, const QString& text) {
    // Keys that type no character (arrows, Delete) are no key presses of the entry.
    // Backspace and the other control characters are: their rule sets the entry
    // back to decimal mode once the text holds no "x".
    if (text.isEmpty() || text.at(0) == QChar(0x7F))
        return false;
    const RadioIdEntry::KeyDecision decision =
        RadioIdEntry::idEntryKeyPress(edit->text(), typingLimit(edit), text.at(0));
    // Only typing is limited: the text already there stays whole.
    setTypingLimit(edit, decision.maxLength);
    if (!decision.accept)
        return true;
    if (decision.key != text.at(0)) {
        edit->insert(QString(decision.key));
        return true;
    }
    return false;
}

bool TMainForm::edtKKeyPress(const QString& text) {
    if (isControlKey(text))
        return false;
    return !SettingCommands::kEntryAcceptsKey(edtK->text(), text.at(0));
}

void TMainForm::Panel2DblClick() {
    const int tab = PageControlSetting->indexOf(tabDevelop);
    PageControlSetting->setTabVisible(
        tab, developerPageVisibleAfterDoubleClick(developerToggleArmed,
                                                  PageControlSetting->isTabVisible(tab)));
}

void TMainForm::FormKeyPress(QChar key) {
    if (key == QChar(13) && spbCommandTx->isEnabled() && txtEdit->hasFocus())
        spbCommandTxClick();
}
