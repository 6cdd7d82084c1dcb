// The chart properties dialog: the record in, the controls, defaults, the
// colour choice, and the record out on OK only.
#include "support/scriptedprompts.h"
#include "support/windowcheck.h"
#include "windows/frmchartsettings.h"
#include "windows/shapewidget.h"
#include "windows/updown.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

namespace {

// Also records the colour the colour dialog would start with.
struct ColourPrompts : ScriptedPrompts {
    QList<quint32> initials;
    std::optional<quint32> chooseColor(quint32 initial) override {
        initials << initial;
        return ScriptedPrompts::chooseColor(initial);
    }
};

ChartViewSettings record(bool view3D, int depth, quint32 colour) {
    ChartViewSettings s;
    s.view3D = view3D;
    s.depthPercent = depth;
    s.backColor = colour;
    return s;
}

} // namespace

class TestFrmChartSettings : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { windowcheck::useTestFont(); }

    void defaultsOfTheRecord() {
        const ChartViewSettings s;
        QCOMPARE(s.view3D, false);
        QCOMPARE(s.depthPercent, 5);
        QCOMPARE(s.backColor, 0xFC665Fu);
    }

    void captions() {
        ScriptedPrompts prompts;
        ChartViewSettings s;
        TChartForm form(nullptr, prompts, s);
        QCOMPARE(form.windowTitle(), QStringLiteral("チャートのプロパティ"));
        QCOMPARE(form.chkView3D->text(), QStringLiteral("3次元表示"));
        QCOMPARE(form.lblChart3DPercent->text(), QStringLiteral("奥行："));
        QCOMPARE(form.btnBackColor->text(), QStringLiteral("背景色"));
        QCOMPARE(form.btnDefaultValue->text(), QStringLiteral("ﾃﾞﾌｫﾙﾄ値に戻す"));
        QCOMPARE(form.minimumSize(), form.maximumSize());
        QVERIFY(form.isModal());
        QVERIFY(form.edtChart3DPercent->isReadOnly());
        QCOMPARE(form.edtChart3DPercent->maxLength(), 3);
        QCOMPARE(form.updChart3DPercent->minimum(), 1);
        QCOMPARE(form.updChart3DPercent->maximum(), 100);
    }

    void opening_data() {
        QTest::addColumn<bool>("view3D");
        QTest::addColumn<int>("depth");
        QTest::addColumn<quint32>("colour");
        QTest::addColumn<int>("shownDepth");
        QTest::newRow("2-D") << false << 5 << 0xFC665Fu << 5;
        QTest::newRow("3-D") << true << 40 << 0x00FF00u << 40;
        QTest::newRow("3-D 100") << true << 100 << 0x123456u << 100;
        QTest::newRow("depth 0 clamps") << true << 0 << 0u << 1;
        QTest::newRow("depth 500 clamps") << false << 500 << 0xFFFFFFu << 100;
        QTest::newRow("negative depth") << true << -7 << 0x010203u << 1;
    }

    void opening() {
        QFETCH(bool, view3D);
        QFETCH(int, depth);
        QFETCH(quint32, colour);
        QFETCH(int, shownDepth);
        ScriptedPrompts prompts;
        ChartViewSettings s = record(view3D, depth, colour);
        TChartForm form(nullptr, prompts, s);
        QCOMPARE(form.chkView3D->isChecked(), view3D);
        QCOMPARE(form.lblChart3DPercent->isEnabled(), view3D);
        QCOMPARE(form.edtChart3DPercent->isEnabled(), view3D);
        QCOMPARE(form.updChart3DPercent->isEnabled(), view3D);
        QCOMPARE(form.updChart3DPercent->position(), shownDepth);
        QCOMPARE(form.edtChart3DPercent->text(), QString::number(shownDepth));
        QCOMPARE(form.shownBackColor(), colour);
        const QColor c = form.shpBackColor->brushColor();
        QCOMPARE(c, QColor(int(colour & 0xFF), int(colour >> 8 & 0xFF), int(colour >> 16 & 0xFF)));
        // Opening alone writes nothing.
        QCOMPARE(s.depthPercent, depth);
    }

    void tickingEnablesDepth() {
        ScriptedPrompts prompts;
        ChartViewSettings s;
        TChartForm form(nullptr, prompts, s);
        QVERIFY(!form.updChart3DPercent->isEnabled());
        form.chkView3D->click();
        QVERIFY(form.lblChart3DPercent->isEnabled());
        QVERIFY(form.edtChart3DPercent->isEnabled());
        QVERIFY(form.updChart3DPercent->isEnabled());
        form.chkView3D->click();
        QVERIFY(!form.updChart3DPercent->isEnabled());
    }

    void depthStaysWithinLimits() {
        ScriptedPrompts prompts;
        ChartViewSettings s = record(true, 99, 0);
        TChartForm form(nullptr, prompts, s);
        for (int i = 0; i < 5; ++i)
            form.updChart3DPercent->stepUp();
        QCOMPARE(form.edtChart3DPercent->text(), QStringLiteral("100"));
        form.updChart3DPercent->setPosition(2);
        for (int i = 0; i < 5; ++i)
            form.updChart3DPercent->stepDown();
        QCOMPARE(form.edtChart3DPercent->text(), QStringLiteral("1"));
        // The entry cannot be typed into.
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        form.edtChart3DPercent->setFocus();
        QTest::keyClicks(form.edtChart3DPercent, QStringLiteral("77"));
        QCOMPARE(form.edtChart3DPercent->text(), QStringLiteral("1"));
        form.bbtnOkClick();
        QCOMPARE(s.depthPercent, 1);
    }

    // The arrow keys step the depth from the spinner and from its entry alike, within
    // the limits, and only while the 3-D view is ticked.
    void arrowKeysStepDepth_data() {
        QTest::addColumn<bool>("inEntry");
        QTest::newRow("spinner") << false;
        QTest::newRow("entry") << true;
    }

    void arrowKeysStepDepth() {
        QFETCH(bool, inEntry);
        ScriptedPrompts prompts;
        ChartViewSettings s = record(true, 99, 0);
        TChartForm form(nullptr, prompts, s);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QWidget* target = inEntry ? static_cast<QWidget*>(form.edtChart3DPercent)
                                  : static_cast<QWidget*>(form.updChart3DPercent);
        QTest::keyClick(target, Qt::Key_Up);
        QCOMPARE(form.edtChart3DPercent->text(), QStringLiteral("100"));
        QTest::keyClick(target, Qt::Key_Up);
        QCOMPARE(form.edtChart3DPercent->text(), QStringLiteral("100"));
        QTest::keyClick(target, Qt::Key_Down);
        QTest::keyClick(target, Qt::Key_Down);
        QCOMPARE(form.edtChart3DPercent->text(), QStringLiteral("98"));
        form.chkView3D->click(); // depth off: the keys do nothing
        QTest::keyClick(target, Qt::Key_Down);
        QCOMPARE(form.edtChart3DPercent->text(), QStringLiteral("98"));
        form.bbtnOkClick();
        QCOMPARE(s.depthPercent, 98);
    }

    void okWritesRecord() {
        ColourPrompts prompts;
        prompts.colors << std::optional<quint32>(0x00336699u);
        ChartViewSettings s;
        TChartForm form(nullptr, prompts, s);
        form.chkView3D->click();
        for (int i = 0; i < 10; ++i)
            form.updChart3DPercent->stepUp();
        form.btnBackColor->click();
        QCOMPARE(prompts.initials, QList<quint32>{0xFC665Fu});
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QTest::mouseClick(form.bbtnOk, Qt::LeftButton);
        QCOMPARE(form.result(), int(QDialog::Accepted));
        QVERIFY(!form.isVisible());
        QCOMPARE(s.view3D, true);
        QCOMPARE(s.depthPercent, 15);
        QCOMPARE(s.backColor, 0x00336699u);
    }

    void cancelLeavesRecord() {
        ColourPrompts prompts;
        prompts.colors << std::optional<quint32>(0x000000FFu);
        ChartViewSettings s = record(true, 30, 0x00ABCDEFu);
        TChartForm form(nullptr, prompts, s);
        form.chkView3D->click();
        form.updChart3DPercent->stepUp();
        form.btnBackColor->click();
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QTest::mouseClick(form.bbtnNg, Qt::LeftButton);
        QCOMPARE(form.result(), int(QDialog::Rejected));
        QCOMPARE(s.view3D, true);
        QCOMPARE(s.depthPercent, 30);
        QCOMPARE(s.backColor, 0x00ABCDEFu);
    }

    void defaultsThenCancel() {
        ScriptedPrompts prompts;
        ChartViewSettings s = record(true, 60, 0x00000000u);
        TChartForm form(nullptr, prompts, s);
        form.btnDefaultValue->click();
        QVERIFY(!form.chkView3D->isChecked());
        QVERIFY(!form.updChart3DPercent->isEnabled());
        QCOMPARE(form.edtChart3DPercent->text(), QStringLiteral("5"));
        QCOMPARE(form.shpBackColor->brushColor(), QColor(0x5F, 0x66, 0xFC));
        form.reject();
        QCOMPARE(s.view3D, true);
        QCOMPARE(s.depthPercent, 60);
        QCOMPARE(s.backColor, 0u);
    }

    void defaultsThenOk() {
        ScriptedPrompts prompts;
        ChartViewSettings s = record(true, 60, 0x00000000u);
        TChartForm form(nullptr, prompts, s);
        form.btnDefaultValue->click();
        form.bbtnOkClick();
        QCOMPARE(s.view3D, false);
        QCOMPARE(s.depthPercent, 5);
        QCOMPARE(s.backColor, 16541279u);
    }

    void cancelledColourKeepsPrevious() {
        ColourPrompts prompts;
        prompts.colors << std::optional<quint32>(0x00111111u) << std::nullopt;
        ChartViewSettings s;
        TChartForm form(nullptr, prompts, s);
        form.btnBackColor->click();
        form.btnBackColor->click();
        QCOMPARE(prompts.initials, (QList<quint32>{0xFC665Fu, 0x00111111u}));
        QCOMPARE(form.shownBackColor(), 0x00111111u);
        form.bbtnOkClick();
        QCOMPARE(s.backColor, 0x00111111u);
    }

    // A colour value with bits above 0x00FFFFFF is cut to the colour part.
    void colourKeepsOnlyColourBits() {
        ColourPrompts prompts;
        prompts.colors << std::optional<quint32>(0xFF102030u);
        ChartViewSettings s;
        TChartForm form(nullptr, prompts, s);
        form.btnBackColor->click();
        form.bbtnOkClick();
        QCOMPARE(s.backColor, 0x00102030u);
    }

    void screenshotAndGlyphs_data() {
        QTest::addColumn<bool>("view3D");
        QTest::newRow("2-D") << false;
        QTest::newRow("3-D") << true;
    }

    void screenshotAndGlyphs() {
        QFETCH(bool, view3D);
        ScriptedPrompts prompts;
        ChartViewSettings s = record(view3D, 15, 16541279u);
        TChartForm form(nullptr, prompts, s);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QCOMPARE(QFontInfo(form.font()).family(), windowcheck::testFontFamily());
        const QStringList missing = windowcheck::missingGlyphs(&form);
        QVERIFY2(missing.isEmpty(), qPrintable(missing.join(QLatin1Char('\n'))));
        QVERIFY(windowcheck::saveScreenshot(&form, view3D ? QStringLiteral("TChartForm-3D")
                                                          : QStringLiteral("TChartForm-2D")));
    }
};

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    TestFrmChartSettings test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_frmchartsettings.moc"
