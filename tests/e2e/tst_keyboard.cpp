// Driving the real main window and its dialogs from the keyboard alone: Tab reaches
// every control a user can operate, in reading order, and the controls that are not
// plain buttons or entries answer their keys.
#include "app/frmmain.h"
#include "laps/lapchartview.h"
#include "laps/lapgridview.h"
#include "support/mainformrig.h"
#include "windows/chartviewsettings.h"
#include "windows/clickablelabel.h"
#include "windows/frmchartsettings.h"
#include "windows/frmsettings.h"
#include "windows/updown.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QGraphicsView>
#include <QHeaderView>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>

namespace {

constexpr int DataPage = 0, SettingPage = 1, DevelopPage = 2, AnalysisPage = 3;

// The name a control goes by in the expected lists; the page tabs go by their widget's.
QString nameOf(QWidget* w, const TMainForm* form) {
    if (!w)
        return QStringLiteral("(no focus)");
    if (form && w == form->PageControlSetting->tabBar())
        return QStringLiteral("PageControlSetting");
    return w->objectName();
}

// Presses Tab (Shift+Tab backward) from the focused control until the focus comes back
// to where it started. The lap grid moves between its cells on Tab; Ctrl+Tab leaves it.
QStringList tabWalk(const TMainForm* form, bool backward, int limit = 120) {
    QWidget* start = QApplication::focusWidget();
    QStringList names{nameOf(start, form)};
    for (int i = 0; i < limit; ++i) {
        QWidget* current = QApplication::focusWidget();
        if (!current)
            break;
        Qt::KeyboardModifiers mods = backward ? Qt::ShiftModifier : Qt::NoModifier;
        if (form && current == form->StringGrid1)
            mods |= Qt::ControlModifier;
        QTest::keyClick(current, Qt::Key_Tab, mods);
        QWidget* now = QApplication::focusWidget();
        if (now == start)
            return names;
        names << nameOf(now, form);
    }
    names << QStringLiteral("(no way back)");
    return names;
}

// Controls a user acts on; their inner parts (a spinner's arrows, a combo box's entry,
// a grid's corner button) are operated through them.
bool isOperable(const QWidget* w) {
    return qobject_cast<const QAbstractButton*>(w) || qobject_cast<const QLineEdit*>(w) ||
           qobject_cast<const QComboBox*>(w) || qobject_cast<const QPlainTextEdit*>(w) ||
           qobject_cast<const QTabBar*>(w) || qobject_cast<const UpDown*>(w) ||
           qobject_cast<const QGraphicsView*>(w) || qobject_cast<const ClickableLabel*>(w) ||
           (qobject_cast<const QAbstractItemView*>(w) && !qobject_cast<const QHeaderView*>(w));
}

// Every shown, enabled control of the window that Tab must reach. A radio group counts
// once, by its chosen button.
QList<QWidget*> operableControls(QWidget* window) {
    QList<QWidget*> out;
    for (QWidget* w : window->findChildren<QWidget*>()) {
        if (!isOperable(w) || !w->isVisible() || !w->isEnabled())
            continue;
        bool inner = false;
        for (QWidget* p = w->parentWidget(); p && p != window; p = p->parentWidget())
            inner = inner || isOperable(p);
        if (inner)
            continue;
        if (auto* radio = qobject_cast<QRadioButton*>(w); radio && !radio->isChecked())
            continue;
        out << w;
    }
    return out;
}

QStringList reversedWalk(const QStringList& forward) {
    QStringList out{forward.first()};
    for (qsizetype i = forward.size() - 1; i > 0; --i)
        out << forward[i];
    return out;
}

bool activate(QWidget* window) {
    window->show();
    window->activateWindow();
    return QTest::qWaitForWindowActive(window);
}

} // namespace

class TestKeyboard : public QObject {
    Q_OBJECT

private slots:
    void startsOnThePageTabs();
    void tabFollowsReadingOrder_data();
    void tabFollowsReadingOrder();
    void ctrlTabLeavesTheGrid();
    void arrowKeysChooseWithinARadioGroup_data();
    void arrowKeysChooseWithinARadioGroup();
    void arrowKeysStepTheNumberItems_data();
    void arrowKeysStepTheNumberItems();
    void entriesFilterTypedKeys_data();
    void entriesFilterTypedKeys();
    void chartZoomsAndScrollsByKeys();
    void dialogTabOrder_data();
    void dialogTabOrder();

private:
    // The window after its start-up search has found nothing, as a user meets it.
    bool open(MainFormRig& rig) {
        rig.open({});
        return rig.waitForMessage(notFoundMessage) && rig.idle() && activate(rig.form.get());
    }
};

void TestKeyboard::startsOnThePageTabs() {
    MainFormRig rig;
    QVERIFY(open(rig));
    QCOMPARE(nameOf(QApplication::focusWidget(), rig.form.get()),
             QStringLiteral("PageControlSetting"));
    // The data page, where a racer starts.
    QCOMPARE(rig.form->PageControlSetting->currentWidget(), rig.form->tabBasicSetting);
}

void TestKeyboard::tabFollowsReadingOrder_data() {
    QTest::addColumn<int>("page");
    QTest::addColumn<bool>("rk12");
    QTest::addColumn<bool>("linked"); // the device buttons are enabled while linked
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("data page")
        << DataPage << false << true
        << QStringList{"PageControlSetting", "StringGrid1",  "Chart1",   "btnZoomReset", "edtID",
                       "edtCourseLength",    "spbRead",      "spbClear", "spbSave",      "spbExit",
                       "edtIDQK11",          "rgrpQKLogStop"};
    QTest::newRow("settings page, RK-13")
        << SettingPage << false << true << QStringList{"PageControlSetting",
                                                       "btnRead1",
                                                       "btnWrite1",
                                                       "rabRealMode",
                                                       "btnRead2",
                                                       "btnWrite2",
                                                       "edtLapDispTime",
                                                       "updLapDispTime",
                                                       "btnRead3",
                                                       "btnWrite3",
                                                       "edtCP",
                                                       "updCP",
                                                       "btnRead4",
                                                       "btnWrite4",
                                                       "edtPass",
                                                       "updPass",
                                                       "btnRead5",
                                                       "btnWrite5",
                                                       "rabColon",
                                                       "btnRead6",
                                                       "btnWrite6",
                                                       "edtK",
                                                       "btnRead7",
                                                       "btnWrite7",
                                                       "edtSensorMarkTime",
                                                       "updSensorMarkTime",
                                                       "btnRead8",
                                                       "btnRead9",
                                                       "btnRead10",
                                                       "btnWrite10",
                                                       "btnRead11",
                                                       "btnWrite11",
                                                       "chkGAP",
                                                       "Chart1",
                                                       "btnZoomReset",
                                                       "edtID",
                                                       "edtCourseLength",
                                                       "spbRead",
                                                       "spbClear",
                                                       "spbSave",
                                                       "spbExit",
                                                       "edtIDQK11",
                                                       "rgrpQKLogStop"};
    QTest::newRow("settings page, RK-12") << SettingPage << true << true
                                          << QStringList{"PageControlSetting",
                                                         "btnRead1",
                                                         "btnWrite1",
                                                         "rabRealMode",
                                                         "btnRead2",
                                                         "btnWrite2",
                                                         "edtLapDispTime",
                                                         "updLapDispTime",
                                                         "btnRead3",
                                                         "btnWrite3",
                                                         "edtCP",
                                                         "updCP",
                                                         "btnRead4",
                                                         "btnWrite4",
                                                         "edtPass",
                                                         "updPass",
                                                         "btnRead5",
                                                         "btnWrite5",
                                                         "rabColon",
                                                         "btnRead6",
                                                         "btnWrite6",
                                                         "rabPulse3",
                                                         "btnRead7",
                                                         "btnWrite7",
                                                         "edtSensorMarkTime",
                                                         "updSensorMarkTime",
                                                         "btnRead8",
                                                         "btnRead9",
                                                         "btnRead10",
                                                         "btnWrite10",
                                                         "Chart1",
                                                         "btnZoomReset",
                                                         "edtCourseLength",
                                                         "spbRead",
                                                         "spbClear",
                                                         "spbSave",
                                                         "spbExit",
                                                         "edtIDQK11",
                                                         "rgrpQKLogStop"};
    QTest::newRow("settings page, not linked") << SettingPage << false << false
                                               << QStringList{"PageControlSetting",
                                                              "rabRealMode",
                                                              "edtLapDispTime",
                                                              "updLapDispTime",
                                                              "edtCP",
                                                              "updCP",
                                                              "edtPass",
                                                              "updPass",
                                                              "rabColon",
                                                              "edtK",
                                                              "edtSensorMarkTime",
                                                              "updSensorMarkTime",
                                                              "chkGAP",
                                                              "Chart1",
                                                              "btnZoomReset",
                                                              "edtID",
                                                              "edtCourseLength",
                                                              "spbExit",
                                                              "edtIDQK11",
                                                              "rgrpQKLogStop"};
    QTest::newRow("analysis page") << AnalysisPage << false << true
                                   << QStringList{"PageControlSetting",
                                                  "edtCleanLimit",
                                                  "updCleanLimit",
                                                  "grdAnalysisFigures",
                                                  "grdLapDelta",
                                                  "Chart1",
                                                  "btnZoomReset",
                                                  "edtID",
                                                  "edtCourseLength",
                                                  "spbRead",
                                                  "spbClear",
                                                  "spbSave",
                                                  "spbExit",
                                                  "edtIDQK11",
                                                  "rgrpQKLogStop"};
    QTest::newRow("developer page") << DevelopPage << false << true
                                    << QStringList{"PageControlSetting",
                                                   "memTxRxMonitor",
                                                   "txtEdit",
                                                   "cmbTemplate",
                                                   "spbCommandTx",
                                                   "spbMonitorClear",
                                                   "btnSendMail",
                                                   "btnTrafficView",
                                                   "Chart1",
                                                   "btnZoomReset",
                                                   "edtID",
                                                   "edtCourseLength",
                                                   "spbRead",
                                                   "spbClear",
                                                   "spbSave",
                                                   "spbExit",
                                                   "edtIDQK11",
                                                   "rgrpQKLogStop"};
}

void TestKeyboard::tabFollowsReadingOrder() {
    QFETCH(int, page);
    QFETCH(bool, rk12);
    QFETCH(bool, linked);
    QFETCH(QStringList, expected);
    MainFormRig rig;
    QVERIFY(open(rig));
    TMainForm& form = *rig.form;
    if (rk12) {
        form.deviceModel = DeviceModel::RK12;
        form.applyModelLayout();
    }
    if (linked) {
        form.enableDeviceButtons(true);
        form.setSaveEnabled(true);
        form.spbCommandTx->setEnabled(true);
    }
    if (page == DevelopPage) {
        // The developer's toggle: a double-click on the page tabs after an armed press.
        form.developerToggleArmed = true;
        form.Panel2DblClick();
    }
    form.PageControlSetting->setCurrentIndex(page);
    form.PageControlSetting->tabBar()->setFocus(Qt::TabFocusReason);

    const QStringList forward = tabWalk(&form, false);
    QCOMPARE(forward, expected);
    QCOMPARE(tabWalk(&form, true), reversedWalk(expected));

    // Nothing the user can operate is left out of the walk.
    for (QWidget* w : operableControls(&form))
        QVERIFY2(forward.contains(nameOf(w, &form)),
                 qPrintable(QStringLiteral("not reached: %1 (%2)")
                                .arg(nameOf(w, &form),
                                     QString::fromLatin1(w->metaObject()->className()))));
    QVERIFY(rig.prompts.texts() == QStringList{notFoundMessage}); // no message on the way
}

void TestKeyboard::ctrlTabLeavesTheGrid() {
    MainFormRig rig;
    QVERIFY(open(rig));
    TMainForm& form = *rig.form;
    form.PageControlSetting->setCurrentWidget(form.tabBasicSetting);
    form.StringGrid1->setFocus(Qt::TabFocusReason);
    form.StringGrid1->setCurrentIndex(form.lapTable.index(2, 1));

    // Tab keeps to the grid, from cell to cell.
    QTest::keyClick(form.StringGrid1, Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), form.StringGrid1);
    QCOMPARE(form.StringGrid1->currentIndex(), form.lapTable.index(2, 2));
    QTest::keyClick(form.StringGrid1, Qt::Key_Tab, Qt::ShiftModifier);
    QCOMPARE(QApplication::focusWidget(), form.StringGrid1);
    QCOMPARE(form.StringGrid1->currentIndex(), form.lapTable.index(2, 1));

    // Ctrl+Tab goes on to the chart, Ctrl+Shift+Tab back to the page tabs; the cell stays.
    QTest::keyClick(form.StringGrid1, Qt::Key_Tab, Qt::ControlModifier);
    QCOMPARE(QApplication::focusWidget(), form.Chart1);
    form.StringGrid1->setFocus(Qt::TabFocusReason);
    QTest::keyClick(form.StringGrid1, Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier);
    QCOMPARE(nameOf(QApplication::focusWidget(), &form), QStringLiteral("PageControlSetting"));
    QCOMPARE(form.StringGrid1->currentIndex(), form.lapTable.index(2, 1));
    QVERIFY(!form.dataModified);
}

void TestKeyboard::arrowKeysChooseWithinARadioGroup_data() {
    QTest::addColumn<bool>("rk12");
    QTest::addColumn<QString>("from");
    QTest::addColumn<int>("key");
    QTest::addColumn<QString>("chosen");
    QTest::newRow("display type") << false << "rabRealMode" << int(Qt::Key_Down) << "rabLapMode";
    QTest::newRow("separator") << false << "rabColon" << int(Qt::Key_Down) << "rabDash";
    QTest::newRow("separator back") << false << "rabDash" << int(Qt::Key_Up) << "rabColon";
    // The pulse buttons stand in two columns: 1倍 2倍 / 4倍 8倍 / 16倍 20倍 / 25倍.
    QTest::newRow("pulse left") << true << "rabPulse4" << int(Qt::Key_Left) << "rabPulse3";
    QTest::newRow("pulse down") << true << "rabPulse3" << int(Qt::Key_Down) << "rabPulse5";
}

void TestKeyboard::arrowKeysChooseWithinARadioGroup() {
    QFETCH(bool, rk12);
    QFETCH(QString, from);
    QFETCH(int, key);
    QFETCH(QString, chosen);
    MainFormRig rig;
    QVERIFY(open(rig));
    TMainForm& form = *rig.form;
    if (rk12) {
        form.deviceModel = DeviceModel::RK12;
        form.applyModelLayout();
    }
    auto* start = form.findChild<QRadioButton*>(from);
    auto* target = form.findChild<QRadioButton*>(chosen);
    QVERIFY(start && target);
    start->setChecked(true);
    start->setFocus(Qt::TabFocusReason);
    QTest::keyClick(start, Qt::Key(key));
    QCOMPARE(QApplication::focusWidget(), target);
    QVERIFY(target->isChecked());
    QVERIFY(!start->isChecked());
}

void TestKeyboard::arrowKeysStepTheNumberItems_data() {
    QTest::addColumn<QString>("item"); // entry "edt" + item, spinner "upd" + item
    QTest::addColumn<bool>("inEntry");
    QTest::addColumn<QStringList>("keys");
    QTest::addColumn<QString>("expected");
    QTest::newRow("display time, spinner")
        << "LapDispTime" << false << QStringList{"Up", "Up", "Up"} << "4";
    QTest::newRow("display time, entry")
        << "LapDispTime" << true << QStringList{"Up", "Up", "Down"} << "2";
    QTest::newRow("lines stop at 4")
        << "CP" << true << QStringList{"Up", "Up", "Up", "Up", "Up"} << "4";
    QTest::newRow("passes stop at 1") << "Pass" << false << QStringList{"Down", "Down"} << "1";
    QTest::newRow("valid time from 0")
        << "SensorMarkTime" << true << QStringList{"Up", "Up", "Down"} << "1";
}

void TestKeyboard::arrowKeysStepTheNumberItems() {
    QFETCH(QString, item);
    QFETCH(bool, inEntry);
    QFETCH(QStringList, keys);
    QFETCH(QString, expected);
    MainFormRig rig;
    QVERIFY(open(rig));
    TMainForm& form = *rig.form;
    auto* entry = form.findChild<QLineEdit*>(QStringLiteral("edt") + item);
    auto* spinner = form.findChild<UpDown*>(QStringLiteral("upd") + item);
    QVERIFY(entry && spinner);
    QWidget* target = inEntry ? static_cast<QWidget*>(entry) : spinner;
    target->setFocus(Qt::TabFocusReason);
    for (const QString& key : keys)
        QTest::keyClick(target, key == QLatin1String("Up") ? Qt::Key_Up : Qt::Key_Down);
    QCOMPARE(entry->text(), expected);
    QCOMPARE(spinner->position(), expected.toInt());
    QCOMPARE(QApplication::focusWidget(), target);
    // Typing into the entry still works as before.
    if (inEntry) {
        entry->selectAll();
        QTest::keyClicks(entry, QStringLiteral("3"));
        QCOMPARE(entry->text(), QStringLiteral("3"));
    }
}

void TestKeyboard::entriesFilterTypedKeys_data() {
    QTest::addColumn<QString>("entry");
    QTest::addColumn<QString>("start"); // set by the program, as the configuration file does
    QTest::addColumn<QString>("typed"); // "\b" is Backspace
    QTest::addColumn<QString>("expected");
    // Backspace is a key of the ID filter: once the "x" is gone the entry is decimal
    // again, takes no hexadecimal digit and at most five digits.
    QTest::newRow("ID back to decimal") << "edtID"
                                        << ""
                                        << "0x\b\ba123456"
                                        << "12345";
    QTest::newRow("ID hexadecimal") << "edtIDQK11"
                                    << ""
                                    << "0X1aFg23"
                                    << "0x1aF2";
    // A text longer than the entry lets a person type stays whole; typing cannot make
    // it longer, but it can still be shortened.
    QTest::newRow("long ID takes no more") << "edtID"
                                           << "0x001234"
                                           << "5"
                                           << "0x001234";
    QTest::newRow("long ID shortened") << "edtID"
                                       << "0x001234"
                                       << "\b"
                                       << "0x00123";
}

void TestKeyboard::entriesFilterTypedKeys() {
    QFETCH(QString, entry);
    QFETCH(QString, start);
    QFETCH(QString, typed);
    QFETCH(QString, expected);
    MainFormRig rig;
    QVERIFY(open(rig));
    auto* edit = rig.form->findChild<QLineEdit*>(entry);
    QVERIFY(edit);
    edit->setText(start);
    edit->setFocus(Qt::TabFocusReason);
    edit->end(false);
    QTest::keyClicks(edit, typed);
    QCOMPARE(edit->text(), expected);
}

void TestKeyboard::chartZoomsAndScrollsByKeys() {
    MainFormRig rig;
    QVERIFY(open(rig));
    TMainForm& form = *rig.form;
    LapChartView* chart = form.Chart1;
    chart->setZoomAnimationMs(0);
    chart->setFocus(Qt::TabFocusReason);
    const AxisSpan lap = chart->lapSpan(), time = chart->timeSpan();

    // "+" shows the middle half of the plot.
    QTest::keyClick(chart, Qt::Key_Plus);
    QVERIFY(qAbs(chart->lapSpan().length() - lap.length() / 2) < lap.length() * 0.01);
    QVERIFY(qAbs(chart->timeSpan().length() - time.length() / 2) < time.length() * 0.01);

    // Right shows later laps, Left earlier ones, by the same amount; the size stays.
    const AxisSpan zoomed = chart->lapSpan();
    QTest::keyClick(chart, Qt::Key_Right);
    QVERIFY(chart->lapSpan().min > zoomed.min);
    QVERIFY(qAbs(chart->lapSpan().length() - zoomed.length()) < zoomed.length() * 0.01);
    QTest::keyClick(chart, Qt::Key_Left);
    QVERIFY(qAbs(chart->lapSpan().min - zoomed.min) < zoomed.length() * 0.01);
    const AxisSpan zoomedTime = chart->timeSpan();
    QTest::keyClick(chart, Qt::Key_Up);
    QVERIFY(chart->timeSpan().max > zoomedTime.max);

    // "-" undoes the zoom and the scrolling.
    QTest::keyClick(chart, Qt::Key_Minus);
    QCOMPARE(chart->lapSpan().min, lap.min);
    QCOMPARE(chart->lapSpan().max, lap.max);
    QCOMPARE(chart->timeSpan().min, time.min);
    QCOMPARE(chart->timeSpan().max, time.max);
}

void TestKeyboard::dialogTabOrder_data() {
    QTest::addColumn<QString>("dialog");
    QTest::addColumn<bool>("view3D");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("communication")
        << "settings" << false
        << QStringList{"cmbComCh", "edtDataBits", "rbtRK13", "bbtnOk", "bbtnNg"};
    QTest::newRow("chart, 2-D") << "chart" << false
                                << QStringList{"chkView3D", "btnBackColor", "btnDefaultValue",
                                               "bbtnOk", "bbtnNg"};
    QTest::newRow("chart, 3-D") << "chart" << true
                                << QStringList{
                                       "chkView3D",    "edtChart3DPercent", "updChart3DPercent",
                                       "btnBackColor", "btnDefaultValue",   "bbtnOk",
                                       "bbtnNg"};
}

void TestKeyboard::dialogTabOrder() {
    QFETCH(QString, dialog);
    QFETCH(bool, view3D);
    QFETCH(QStringList, expected);
    ScriptedPrompts prompts;
    std::unique_ptr<QDialog> form;
    int comPort = 1;
    DeviceModel model = DeviceModel::RK13;
    CommSettings comm;
    ChartViewSettings chart;
    chart.view3D = view3D;
    if (dialog == QLatin1String("settings"))
        form = std::make_unique<TSettingsForm>(
            nullptr, comPort, model, comm,
            QStringList{QStringLiteral("COM1"), QStringLiteral("COM2")});
    else
        form = std::make_unique<TChartForm>(nullptr, prompts, chart);
    QVERIFY(activate(form.get()));
    QCOMPARE(QApplication::focusWidget()->objectName(), expected.first());
    QCOMPARE(tabWalk(nullptr, false), expected);
    QCOMPARE(tabWalk(nullptr, true), reversedWalk(expected));
    for (QWidget* w : operableControls(form.get()))
        QVERIFY2(expected.contains(w->objectName()), qPrintable(w->objectName()));
    form->reject();
}

QTEST_MAIN(TestKeyboard)
#include "tst_keyboard.moc"
