// The version dialog: texts, the link shown exactly when there is an address,
// and a click on the link or the logo opening the address and closing.
#include "windows/webaddress.h"
#include "support/scriptedprompts.h"
#include "support/windowcheck.h"
#include "windows/clickablelabel.h"
#include "windows/frmabout.h"

#include <QApplication>
#include <QPushButton>
#include <QTest>

class TestFrmAbout : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { windowcheck::useTestFont(); }

    void texts() {
        ScriptedPrompts prompts;
        TAboutForm form(nullptr, prompts, makerWebAddress());
        QCOMPARE(form.windowTitle(), QStringLiteral("バージョン情報"));
        QCOMPARE(form.size(), QSize(361, 182));
        QCOMPARE(form.minimumSize(), form.maximumSize());
        QCOMPARE(form.lblType->text(), QStringLiteral("KODA Monitor "));
        QVERIFY(form.lblType->font().bold());
        QVERIFY(form.lblType->font().italic());
        QCOMPARE(form.lblVersion->text(), QStringLiteral("Version 1.1"));
        QCOMPARE(form.lblBuild->text(), QStringLiteral("Build 110502.1155"));
        QCOMPARE(form.Label4->text(), makerRightsNotice());
        QCOMPARE(form.BitBtn1->text(), QStringLiteral("OK"));
        QVERIFY(form.BitBtn1->isDefault());
        QVERIFY(form.isModal());
        QCOMPARE(form.imgLogo->cursor().shape(), Qt::PointingHandCursor);
        QCOMPARE(form.lblUrl->cursor().shape(), Qt::PointingHandCursor);
        QVERIFY(!form.Image2->pixmap().isNull());
        QCOMPARE(form.Image2->pixmap().size(), QSize(32, 32));
        QVERIFY(!form.imgLogo->pixmap().isNull());
    }

    void linkShownExactlyWithAnAddress_data() {
        QTest::addColumn<QString>("address");
        QTest::addColumn<bool>("shown");
        QTest::newRow("maker's address") << makerWebAddress() << true;
        QTest::newRow("other address") << QStringLiteral("http://a.example/x") << true;
        QTest::newRow("blank is an address") << QStringLiteral(" ") << true;
        QTest::newRow("empty") << QString() << false;
    }

    void linkShownExactlyWithAnAddress() {
        QFETCH(QString, address);
        QFETCH(bool, shown);
        ScriptedPrompts prompts;
        TAboutForm form(nullptr, prompts, address);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QCOMPARE(form.lblUrl->isVisible(), shown);
        if (shown) {
            QCOMPARE(form.lblUrl->text(), address);
            QCOMPARE(form.lblUrl->palette().color(QPalette::WindowText), QColor(Qt::blue));
            QVERIFY(form.lblUrl->font().underline());
            QVERIFY(form.lblUrl->font().bold());
        }
    }

    void clickOpensAndCloses_data() {
        QTest::addColumn<bool>("onLogo");
        QTest::newRow("link") << false;
        QTest::newRow("logo") << true;
    }

    void clickOpensAndCloses() {
        QFETCH(bool, onLogo);
        ScriptedPrompts prompts;
        TAboutForm form(nullptr, prompts, makerWebAddress());
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QTest::mouseClick(onLogo ? static_cast<QWidget*>(form.imgLogo) : form.lblUrl,
                          Qt::LeftButton);
        QCOMPARE(prompts.openedUrls,
                 QStringList{QStringLiteral("https://www.koda-monitor.example/")});
        QVERIFY(!form.isVisible());
        QCOMPARE(form.result(), int(QDialog::Accepted));
    }

    // The dialog opens on OK, so Return closes it; the link and the logo are reached with
    // Tab and act on Space or Return as a click does.
    void keyboard_data() {
        QTest::addColumn<int>("tabs");
        QTest::addColumn<int>("key");
        QTest::addColumn<QString>("focused");
        QTest::addColumn<bool>("opens");
        QTest::newRow("return on OK") << 0 << int(Qt::Key_Return) << "BitBtn1" << false;
        QTest::newRow("space on link") << 1 << int(Qt::Key_Space) << "lblUrl" << true;
        QTest::newRow("return on logo") << 2 << int(Qt::Key_Return) << "imgLogo" << true;
        QTest::newRow("enter on link") << 1 << int(Qt::Key_Enter) << "lblUrl" << true;
    }

    void keyboard() {
        QFETCH(int, tabs);
        QFETCH(int, key);
        QFETCH(QString, focused);
        QFETCH(bool, opens);
        ScriptedPrompts prompts;
        TAboutForm form(nullptr, prompts, makerWebAddress());
        form.show();
        form.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&form));
        QCOMPARE(QApplication::focusWidget(), form.BitBtn1);
        for (int i = 0; i < tabs; ++i)
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget()->objectName(), focused);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key(key));
        QCOMPARE(prompts.openedUrls.size(), opens ? 1 : 0);
        QVERIFY(!form.isVisible());
        QCOMPARE(form.result(), int(QDialog::Accepted));
    }

    // Without an address the logo still closes the dialog; nothing is handed on.
    void logoWithoutAddressCloses() {
        ScriptedPrompts prompts;
        TAboutForm form(nullptr, prompts, QString());
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QTest::mouseClick(form.imgLogo, Qt::LeftButton);
        QVERIFY(prompts.openedUrls.isEmpty());
        QVERIFY(!form.isVisible());
    }

    void rightClickDoesNothing() {
        ScriptedPrompts prompts;
        TAboutForm form(nullptr, prompts, makerWebAddress());
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QTest::mouseClick(form.lblUrl, Qt::RightButton);
        QVERIFY(prompts.openedUrls.isEmpty());
        QVERIFY(form.isVisible());
    }

    void okCloses() {
        ScriptedPrompts prompts;
        TAboutForm form(nullptr, prompts, makerWebAddress());
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QTest::mouseClick(form.BitBtn1, Qt::LeftButton);
        QVERIFY(!form.isVisible());
        QVERIFY(prompts.openedUrls.isEmpty());
    }

    void screenshotAndGlyphs() {
        ScriptedPrompts prompts;
        TAboutForm form(nullptr, prompts, makerWebAddress());
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QCOMPARE(QFontInfo(form.font()).family(), windowcheck::testFontFamily());
        const QStringList missing = windowcheck::missingGlyphs(&form);
        QVERIFY2(missing.isEmpty(), qPrintable(missing.join(QLatin1Char('\n'))));
        QVERIFY(windowcheck::saveScreenshot(&form, QStringLiteral("TAboutForm")));
    }
};

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    TestFrmAbout test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_frmabout.moc"
