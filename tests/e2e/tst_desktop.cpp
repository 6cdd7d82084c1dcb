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

namespace {

// Client windows as the window manager stacks them, bottom to top.
QList<WId> stackingOrder() {
    QProcess xprop;
    xprop.start(QStringLiteral("xprop"),
                {QStringLiteral("-root"), QStringLiteral("_NET_CLIENT_LIST_STACKING")});
    xprop.waitForFinished(5000);
    QList<WId> order;
    static const QRegularExpression id(QStringLiteral("0x[0-9a-fA-F]+"));
    auto it = id.globalMatch(QString::fromLatin1(xprop.readAllStandardOutput()));
    while (it.hasNext())
        order << WId(it.next().captured().toULongLong(nullptr, 16));
    return order;
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
        if (QTest::qWaitForWindowExposed(box.get())) {
            const WId boxId = box->winId();
            (void)QTest::qWaitFor([&] { return stackingOrder().contains(boxId); }, 5000);
            QTest::qWait(100); // the window manager's restacking after the map
            const QList<WId> order = stackingOrder();
            look.busyWindowUp = busyWindow && busyWindow->isVisible();
            look.aboveBusyWindow =
                look.busyWindowUp && order.indexOf(boxId) > order.indexOf(busyWindow->winId());
            look.onScreen = box->screen()->availableGeometry().contains(box->frameGeometry());
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
    QVERIFY(rig.waitFor([&] { return !rig.form->portSearching; }));
    QVERIFY(rig.form->portOpen);
    prompts.seen.clear(); // the link message, with no busy window

    rig.form->spbReadClick();
    prompts.busyWindow = rig.form->busyWindow.data();
    QVERIFY(rig.waitFor([&] { return !QFile::exists(link); })); // the adapter is gone
    for (int i = 0; i < 4 && rig.form->lapTable.lapInfoStep != 0; ++i)
        rig.form->timWakeupWaitTimer();
    QVERIFY(rig.idle());
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
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        // The frame is there once the client area sits inside it.
        QVERIFY(QTest::qWaitFor([&] { return form.geometry().top() > form.frameGeometry().top(); },
                                5000));
        QTRY_VERIFY(!form.portSearching);
        QCOMPARE(form.frameGeometry().topLeft(), QPoint(100, 184));
        QVERIFY(form.close());
        saved = readAll(ini);
        QVERIFY2(saved.contains("[Form]\r\nTop=184\r\nLeft=100\r\n"), saved.constData());
    }
}

QTEST_MAIN(TestDesktop)
#include "tst_desktop.moc"
