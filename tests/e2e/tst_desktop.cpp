// The main window on a real X server with a real window manager (openbox), run by
// run-under-wm.sh: what offscreen runs cannot show, as frames and stacking.
#include "app/frmmain.h"
#include "app/widgetprompts.h"
#include "support/filebytes.h"
#include "support/mainformrig.h"
#include "support/simprocess.h"
#include "support/windowcheck.h"
#include "windows/frmanimation.h"

#include <QFile>
#include <QMessageBox>
#include <QProcess>
#include <QRegularExpression>
#include <QScreen>
#include <QTest>

#include <memory>
#include <optional>

namespace {

// How long a wait on the window manager or the X server may take before it counts as
// failed: generous, so that a loaded machine only makes the test slower. Every wait ends
// as soon as its condition holds.
constexpr int wmWaitMs = 120000;

// Client windows as the window manager stacks them, bottom to top.
QList<WId> stackingOrder() {
    QProcess xprop;
    xprop.start(QStringLiteral("xprop"),
                {QStringLiteral("-root"), QStringLiteral("_NET_CLIENT_LIST_STACKING")});
    xprop.waitForFinished(wmWaitMs);
    QList<WId> order;
    static const QRegularExpression id(QStringLiteral("0x[0-9a-fA-F]+"));
    auto it = id.globalMatch(QString::fromLatin1(xprop.readAllStandardOutput()));
    while (it.hasNext())
        order << WId(it.next().captured().toULongLong(nullptr, 16));
    return order;
}

// The frame the window manager has put around a window, from the property it sets once
// the window is framed (left, right, top, bottom); none before. Read from the server, as
// Qt may keep the margins it saw before the frame was there.
std::optional<QMargins> frameExtents(WId window) {
    QProcess xprop;
    xprop.start(QStringLiteral("xprop"), {QStringLiteral("-id"), QString::number(window),
                                          QStringLiteral("_NET_FRAME_EXTENTS")});
    xprop.waitForFinished(wmWaitMs);
    static const QRegularExpression values(QStringLiteral("= (\\d+), (\\d+), (\\d+), (\\d+)"));
    const auto match = values.match(QString::fromLatin1(xprop.readAllStandardOutput()));
    if (!match.hasMatch())
        return std::nullopt;
    return QMargins(match.captured(1).toInt(), match.captured(3).toInt(), match.captured(2).toInt(),
                    match.captured(4).toInt());
}

// The window's frame on the screen, once the window manager has framed it: the client area
// as the server places it, with the frame's extents around it.
std::optional<QRect> framedGeometry(QWidget& window) {
    std::optional<QMargins> extents;
    if (!QTest::qWaitFor([&] { return (extents = frameExtents(window.winId())).has_value(); },
                         wmWaitMs))
        return std::nullopt;
    // The client area moves into the frame by the frame's own width and height.
    (void)QTest::qWaitFor(
        [&] { return window.geometry().top() >= extents->top() || extents->top() == 0; }, wmWaitMs);
    return window.geometry().marginsAdded(*extents);
}

// The program's own message boxes, shown as the program shows them but without their
// modal loop: each is looked at once the window manager has placed it, then closed.
class LookingPrompts : public WidgetPrompts {
public:
    struct Seen {
        QString text;
        bool busyWindowUp = false;
        bool aboveBusyWindow = false;
        bool onScreen = false;
        bool wideEnoughForCaption = false;
    };
    QList<Seen> seen;
    QPointer<QWidget> busyWindow;

    Answer message(const QString& text, const QString& caption, Icon icon,
                   Buttons buttons) override {
        const auto box = messageBox(text, caption, icon, buttons);
        box->show();
        Seen look{text};
        if (QTest::qWaitForWindowExposed(box.get(), wmWaitMs)) {
            const WId boxId = box->winId();
            look.busyWindowUp = busyWindow && busyWindow->isVisible();
            // The window manager has taken the box on once it is in its stacking list and
            // framed; it stacks a box among the windows kept on top as it takes it on.
            const auto stacked = [&] {
                const QList<WId> order = stackingOrder();
                return order.contains(boxId) &&
                       (!look.busyWindowUp ||
                        order.indexOf(boxId) > order.indexOf(busyWindow->winId()));
            };
            look.aboveBusyWindow = QTest::qWaitFor(stacked, wmWaitMs) && look.busyWindowUp;
            const std::optional<QRect> frame = framedGeometry(*box);
            look.onScreen = frame && box->screen()->availableGeometry().contains(*frame);
            QFont titleFont = box->font();
            titleFont.setBold(true);
            look.wideEnoughForCaption =
                box->width() > QFontMetrics(titleFont).horizontalAdvance(caption) + 60;
            if (look.busyWindowUp && seen.isEmpty())
                QGuiApplication::primaryScreen()->grabWindow(0).save(
                    windowcheck::screenshotPath(QStringLiteral("desktop-error-over-busy-window")));
        }
        seen << look;
        box->close();
        return buttons == Buttons::Ok ? Answer::Ok : Answer::Yes;
    }
};

} // namespace

class TestDesktop : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { windowcheck::useTestFont(); }
    void errorBoxesOpenAboveTheBusyWindow();
    void positionSurvivesTwoStarts();
    void offScreenPositionOpensOnTheScreen_data();
    void offScreenPositionOpensOnTheScreen();
};

// The device hangs up in the middle of a download: every box the failure brings is
// above the busy window, on the screen and wide enough for its caption.
void TestDesktop::errorBoxesOpenAboveTheBusyWindow() {
    QTemporaryDir links;
    const QString link = links.filePath(QStringLiteral("koda-port"));
    SimProcess sim({QStringLiteral("--laps"), QStringLiteral("100"),
                    QStringLiteral("--hangup-after"), QStringLiteral("700"),
                    QStringLiteral("--link"), link, QStringLiteral("--no-hold")});
    QVERIFY(sim.isValid());
    LookingPrompts prompts;
    MainFormRig rig;
    rig.shownBy = &prompts;
    rig.open({{1, link}});
    prompts.setParent(rig.form.get());
    QVERIFY(rig.waitFor([&] { return !rig.form->portSearching; }, wmWaitMs));
    QVERIFY(rig.form->portOpen);
    prompts.seen.clear(); // the link message, with no busy window

    rig.form->spbReadClick();
    prompts.busyWindow = rig.form->busyWindow.data();
    // the adapter is gone
    QVERIFY(rig.waitFor([&] { return !QFile::exists(link); }, wmWaitMs));
    for (int i = 0; i < 4 && rig.form->lapTable.lapInfoStep != 0; ++i)
        rig.form->timWakeupWaitTimer();
    QVERIFY(rig.idle(wmWaitMs));
    QVERIFY(!prompts.seen.isEmpty());
    for (const auto& look : prompts.seen) {
        if (!look.busyWindowUp)
            continue;
        QVERIFY2(look.aboveBusyWindow, qPrintable(look.text));
        QVERIFY2(look.onScreen, qPrintable(look.text));
        QVERIFY2(look.wideEnoughForCaption, qPrintable(look.text));
    }
    QVERIFY(std::any_of(prompts.seen.cbegin(), prompts.seen.cend(),
                        [](const auto& look) { return look.busyWindowUp; }));
    QVERIFY(rig.form->close());
}

// With the window manager's frame around it, the window reopens where it was closed.
void TestDesktop::positionSurvivesTwoStarts() {
    MainFormRig rig;
    const QString ini = rig.dir.filePath(QStringLiteral("KodaMonitor.ini"));
    QByteArray saved = "[Form]\r\nTop=184\r\nLeft=100\r\n";
    for (int run = 0; run < 2; ++run) {
        QVERIFY(writeAll(ini, saved));
        ScriptedPrompts prompts;
        TMainForm form(prompts, TMainForm::Options{ini, false});
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form, wmWaitMs));
        // The frame is there once the client area sits inside it.
        QVERIFY(QTest::qWaitFor([&] { return form.geometry().top() > form.frameGeometry().top(); },
                                wmWaitMs));
        QTRY_VERIFY_WITH_TIMEOUT(!form.portSearching, wmWaitMs);
        QCOMPARE(form.frameGeometry().topLeft(), QPoint(100, 184));
        QVERIFY(form.close());
        saved = readAll(ini);
        QVERIFY2(saved.contains("[Form]\r\nTop=184\r\nLeft=100\r\n"), saved.constData());
    }
}

void TestDesktop::offScreenPositionOpensOnTheScreen_data() {
    QTest::addColumn<QByteArray>("form");
    // As after unplugging the external monitor the window was last on.
    QTest::newRow("Top=5000, Left=8000") << QByteArray("[Form]\r\nTop=5000\r\nLeft=8000\r\n");
    QTest::newRow("Left=99999") << QByteArray("[Form]\r\nTop=20\r\nLeft=99999\r\n");
}

// A position beyond every screen opens the window whole on the screen, frame included.
void TestDesktop::offScreenPositionOpensOnTheScreen() {
    QFETCH(QByteArray, form);
    MainFormRig rig;
    const QString ini = rig.dir.filePath(QStringLiteral("KodaMonitor.ini"));
    QVERIFY(writeAll(ini, form));
    ScriptedPrompts prompts;
    TMainForm window(prompts, TMainForm::Options{ini, false});
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window, wmWaitMs));
    const std::optional<QRect> frame = framedGeometry(window);
    QVERIFY(frame);
    QVERIFY2(window.screen()->geometry().contains(*frame),
             qPrintable(QStringLiteral("frame %1,%2 %3x%4")
                            .arg(frame->x())
                            .arg(frame->y())
                            .arg(frame->width())
                            .arg(frame->height())));
    QTRY_VERIFY_WITH_TIMEOUT(!window.portSearching, wmWaitMs);
    QVERIFY(window.close());
}

QTEST_MAIN(TestDesktop)
#include "tst_desktop.moc"
