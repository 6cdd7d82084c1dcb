// The busy window: its flag, its circles, its timer and its look.
#include "support/windowcheck.h"
#include "windows/frmanimation.h"
#include "windows/shapewidget.h"

#include <QPointer>
#include <QTest>
#include <QWindow>

namespace {

QString circlesOf(const TAnimationForm& form) {
    QString out;
    for (int n = 1; n <= 12; ++n) {
        const QColor c =
            form.findChild<ShapeWidget*>(QStringLiteral("shpAirWaves%1").arg(n))->brushColor();
        out += c == QColor(0, 0, 255)       ? QLatin1Char('B')
               : c == QColor(0, 255, 0)     ? QLatin1Char('G')
               : c == QColor(255, 255, 255) ? QLatin1Char('W')
                                            : QLatin1Char('?');
    }
    return out;
}

} // namespace

class TestFrmAnimation : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { windowcheck::useTestFont(); }

    void flagTrueOnCreation() {
        bool open = false;
        TAnimationForm form(nullptr, open);
        QVERIFY(open);
    }

    // The user's close button: the flag falls while the creator still holds the window.
    void userCloseClearsFlagBeforeDestruction() {
        bool open = false;
        QWidget owner;
        owner.resize(600, 400);
        owner.show();
        QPointer<TAnimationForm> form = new TAnimationForm(&owner, open);
        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(form));
        QVERIFY(open);
        form->windowHandle()->close();
        QVERIFY(!form.isNull());
        QVERIFY(!open);
        QVERIFY(!form->isVisible());
        delete form;
        QVERIFY(!open);
    }

    // Escape cancels like the close button: the flag falls, the window goes.
    void escapeCloses() {
        bool open = false;
        QPointer<TAnimationForm> form = new TAnimationForm(nullptr, open);
        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(form));
        QTest::keyClick(form, Qt::Key_A); // other keys leave it alone
        QVERIFY(open);
        QTest::keyClick(form, Qt::Key_Escape);
        QVERIFY(!open);
        QVERIFY(!form->isVisible());
        delete form;
    }

    void closeFromCode() {
        bool open = false;
        auto* form = new TAnimationForm(nullptr, open);
        form->show();
        QVERIFY(form->close());
        QVERIFY(!open);
        delete form;
        QVERIFY(!open);
    }

    void windowKind() {
        bool open = false;
        TAnimationForm form(nullptr, open);
        QCOMPARE(form.windowTitle(), QStringLiteral("通信中"));
        QCOMPARE(form.size(), QSize(468, 95));
        QVERIFY(form.windowFlags().testFlag(Qt::Tool));
        QVERIFY(form.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
        QVERIFY(!form.isModal());
        QCOMPARE(form.windowModality(), Qt::NonModal);
        QVERIFY(form.timAnimation.isActive());
        QCOMPARE(form.timAnimation.interval(), 25);
    }

    void circlesByName_data() {
        QTest::addColumn<int>("n");
        for (int n = 1; n <= 12; ++n)
            QTest::addRow("%d", n) << n;
    }

    void circlesByName() {
        QFETCH(int, n);
        bool open = false;
        TAnimationForm form(nullptr, open);
        auto* circle = form.findChild<ShapeWidget*>(QStringLiteral("shpAirWaves%1").arg(n));
        QVERIFY(circle);
        QCOMPARE(circle, form.airWave(n));
        QCOMPARE(circle->geometry(), QRect(136 + 16 * (n - 1), 48, 9, 9));
        QCOMPARE(circle->brushColor(), QColor(Qt::white));
    }

    void noCircleOutsideTheRow() {
        bool open = false;
        TAnimationForm form(nullptr, open);
        QVERIFY(!form.airWave(0));
        QVERIFY(!form.airWave(13));
        QVERIFY(!form.findChild<QWidget*>(QStringLiteral("shpAirWaves13")));
    }

    // Timer ticks are driven by hand; the circles follow the running light.
    void ticksPaintCircles() {
        bool open = false;
        TAnimationForm form(nullptr, open);
        form.timAnimation.stop();
        QCOMPARE(circlesOf(form), QStringLiteral("WWWWWWWWWWWW"));
        for (int i = 0; i < 4; ++i)
            form.timAnimationTimer();
        QCOMPARE(circlesOf(form), QStringLiteral("WWWWWWWWBBBW"));
        for (int i = 4; i < 15; ++i)
            form.timAnimationTimer();
        QCOMPARE(circlesOf(form), QStringLiteral("WWWWWWWWWWWW"));
        form.timAnimationTimer();
        QCOMPARE(circlesOf(form), QStringLiteral("GWWWWWWWWWWW"));
        for (int i = 16; i < 30; ++i)
            form.timAnimationTimer();
        QCOMPARE(circlesOf(form), QStringLiteral("WWWWWWWWWWWW"));
    }

    void centredOnOwner() {
        bool open = false;
        QWidget owner;
        owner.setGeometry(100, 100, 800, 600);
        TAnimationForm form(&owner, open);
        const QPoint centre = form.frameGeometry().center();
        const QPoint ownerCentre = owner.frameGeometry().center();
        QVERIFY2((centre - ownerCentre).manhattanLength() < 40,
                 qPrintable(QStringLiteral("%1,%2 vs %3,%4")
                                .arg(centre.x())
                                .arg(centre.y())
                                .arg(ownerCentre.x())
                                .arg(ownerCentre.y())));
    }

    void screenshotAndGlyphs() {
        bool open = false;
        TAnimationForm form(nullptr, open);
        form.timAnimation.stop();
        for (int i = 0; i < 3; ++i)
            form.timAnimationTimer();
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QCOMPARE(QFontInfo(form.font()).family(), windowcheck::testFontFamily());
        const QStringList missing = windowcheck::missingGlyphs(&form);
        QVERIFY2(missing.isEmpty(), qPrintable(missing.join(QLatin1Char('\n'))));
        QVERIFY(!form.imgRinKoda->pixmap().isNull());
        QVERIFY(!form.Image1->pixmap().isNull());
        QVERIFY(windowcheck::saveScreenshot(&form, QStringLiteral("TAnimationForm")));
    }
};

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    Q_INIT_RESOURCE(resources);
    TestFrmAnimation test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_frmanimation.moc"
