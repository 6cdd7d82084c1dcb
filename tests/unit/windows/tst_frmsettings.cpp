// The port properties dialog: what it shows for the caller's values and what
// OK and Cancel write back.
#include "support/windowcheck.h"
#include "windows/frmsettings.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

namespace {

constexpr quint8 RK12 = 0;
constexpr quint8 RK13 = 1;

// The list an enumeration gives when only COM1 and COM3 could be opened.
QStringList portListCom1Com3() {
    QStringList list{QStringLiteral("自動")};
    for (int n = 1; n <= 64; ++n)
        list << (n == 1 || n == 3 ? QStringLiteral(" COM%1") : QStringLiteral("*COM%1")).arg(n);
    return list;
}

struct Values {
    int comPort = 3;
    DeviceModel deviceModel = DeviceModel(RK13);
    CommSettings settings;
};

void okWith(Values& v, const QStringList& ports = portListCom1Com3()) {
    TSettingsForm form(nullptr, v.comPort, v.deviceModel, v.settings, ports);
    form.bbtnOkClick();
    QCOMPARE(form.result(), int(QDialog::Accepted));
}

} // namespace

class TestFrmSettings : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { windowcheck::useTestFont(); }

    void visibleControls() {
        Values v;
        TSettingsForm form(nullptr, v.comPort, v.deviceModel, v.settings, portListCom1Com3());
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QCOMPARE(form.windowTitle(), QStringLiteral("通信ポートのプロパティ"));
        QCOMPARE(form.size(), QSize(321, 214));
        QCOMPARE(form.minimumSize(), form.maximumSize());
        QVERIFY(form.isModal());
        QCOMPARE(form.GroupBox->title(), QStringLiteral("接続設定"));
        QCOMPARE(form.Label1->text(), QStringLiteral("ポート"));
        QCOMPARE(form.Label2->text(), QStringLiteral("通信速度"));
        QCOMPARE(form.Label3->text(), QStringLiteral("データビット"));
        QCOMPARE(form.Label5->text(), QStringLiteral("パリティ"));
        QCOMPARE(form.Label4->text(), QStringLiteral("ストップビット"));
        QCOMPARE(form.GroupBox1->title(), QStringLiteral("フロー制御"));
        QCOMPARE(form.cmbComCh->toolTip(),
                 QStringLiteral("* が付いているポートは使用できません。"));
        QCOMPARE(form.cmbComCh->count(), 65);
        QCOMPARE(form.cmbComCh->itemText(1), QStringLiteral(" COM1"));
        QCOMPARE(form.cmbComCh->itemText(2), QStringLiteral("*COM2"));
        QVERIFY(form.cmbComCh->isEnabled());
        QVERIFY(!form.cmbBaudrate->isEnabled());
        QVERIFY(!form.cmbParity->isEnabled());
        QVERIFY(!form.cmbStopBits->isEnabled());
        QVERIFY(form.edtDataBits->isReadOnly());
        const QStringList bauds{"4800", "9600", "19200", "38400"};
        for (int i = 0; i < bauds.size(); ++i)
            QCOMPARE(form.cmbBaudrate->itemText(i), bauds[i]);
        QCOMPARE(form.cmbParity->itemText(0), QStringLiteral("None"));
        QCOMPARE(form.cmbParity->itemText(1), QStringLiteral("Odd"));
        QCOMPARE(form.cmbParity->itemText(2), QStringLiteral("Even"));
        QCOMPARE(form.cmbStopBits->count(), 2);
        QVERIFY(form.bbtnOk->isVisible());
        QVERIFY(form.bbtnNg->isVisible());
        // The model is chosen in the visible area, whole, clear of every other control.
        QCOMPARE(form.GroupBox2->title(), QStringLiteral("Rin Koda Model"));
        QCOMPARE(form.rbtRK12->text(), QStringLiteral("RK-12"));
        QCOMPARE(form.rbtRK13->text(), QStringLiteral("RK-13"));
        const QList<QWidget*> shown{form.GroupBox, form.GroupBox1, form.GroupBox2, form.bbtnOk,
                                    form.bbtnNg};
        for (QWidget* w : shown) {
            QVERIFY2(w->isVisible() && form.rect().contains(w->geometry()),
                     qPrintable(w->objectName()));
            for (QWidget* other : shown)
                QVERIFY2(w == other || !w->geometry().intersects(other->geometry()),
                         qPrintable(w->objectName() + QLatin1Char(' ') + other->objectName()));
        }
        for (QRadioButton* model : {form.rbtRK12, form.rbtRK13})
            QVERIFY2(model->isVisible() && form.GroupBox2->rect().contains(model->geometry()) &&
                         model->sizeHint().width() <= model->width(),
                     qPrintable(model->objectName()));
        // The controls that only carry values are not seen.
        for (QWidget* hidden :
             {static_cast<QWidget*>(form.rdbFlowNon), static_cast<QWidget*>(form.rdbFlowXonXoff),
              static_cast<QWidget*>(form.rdbFlowRtsCts), static_cast<QWidget*>(form.cmbDataBits)})
            QVERIFY2(!hidden->isVisible(), qPrintable(hidden->objectName()));
        QCOMPARE(form.rdbFlowNon->text(), QStringLiteral("なし"));
        QCOMPARE(form.cmbDataBits->count(), 5);
    }

    void portSelection_data() {
        QTest::addColumn<int>("comPort");
        QTest::addColumn<int>("selected");
        QTest::addColumn<int>("afterOk");
        QTest::newRow("automatic") << 0 << 0 << 0;
        QTest::newRow("COM1") << 1 << 1 << 1;
        QTest::newRow("COM3") << 3 << 3 << 3;
        QTest::newRow("unusable COM2") << 2 << 2 << 2;
        QTest::newRow("COM64") << 64 << 64 << 64;
        QTest::newRow("COM70 has no entry") << 70 << 0 << 0;
        QTest::newRow("negative") << -1 << 0 << 0;
    }

    void portSelection() {
        QFETCH(int, comPort);
        QFETCH(int, selected);
        QFETCH(int, afterOk);
        Values v;
        v.comPort = comPort;
        TSettingsForm form(nullptr, v.comPort, v.deviceModel, v.settings, portListCom1Com3());
        QCOMPARE(form.cmbComCh->currentIndex(), selected);
        form.bbtnOkClick();
        QCOMPARE(v.comPort, afterOk);
    }

    // A port marked unusable is taken like any other.
    void chooseMarkedPort() {
        Values v;
        TSettingsForm form(nullptr, v.comPort, v.deviceModel, v.settings, portListCom1Com3());
        form.cmbComCh->setCurrentIndex(12);
        QCOMPARE(form.cmbComCh->currentText(), QStringLiteral("*COM12"));
        form.bbtnOkClick();
        QCOMPARE(v.comPort, 12);
    }

    void emptyPortListKeepsPort() {
        Values v;
        v.comPort = 5;
        okWith(v, {});
        QCOMPARE(v.comPort, 5);
    }

    void parityFollowsModel_data() {
        QTest::addColumn<int>("parity");
        QTest::addColumn<int>("model");
        QTest::addColumn<int>("shown");
        QTest::addColumn<int>("afterOk");
        QTest::addColumn<int>("modelAfterOk");
        QTest::newRow("odd RK-13") << 1 << int(RK13) << 2 << 2 << int(RK13);
        QTest::newRow("mark RK-13") << 3 << int(RK13) << 2 << 2 << int(RK13);
        QTest::newRow("none RK-13") << 0 << int(RK13) << 2 << 2 << int(RK13);
        QTest::newRow("even RK-12") << 2 << int(RK12) << 0 << 0 << int(RK12);
        QTest::newRow("mark RK-12") << 3 << int(RK12) << 0 << 0 << int(RK12);
        QTest::newRow("unknown model is RK-12") << 2 << 7 << 0 << 0 << int(RK12);
    }

    void parityFollowsModel() {
        QFETCH(int, parity);
        QFETCH(int, model);
        QFETCH(int, shown);
        QFETCH(int, afterOk);
        QFETCH(int, modelAfterOk);
        Values v;
        v.settings.parity = quint8(parity);
        v.deviceModel = DeviceModel(model);
        TSettingsForm form(nullptr, v.comPort, v.deviceModel, v.settings, portListCom1Com3());
        QCOMPARE(form.cmbParity->currentIndex(), shown);
        QCOMPARE(form.rbtRK13->isChecked(), model == RK13);
        QCOMPARE(form.rbtRK12->isChecked(), model != RK13);
        form.bbtnOkClick();
        QCOMPARE(int(v.settings.parity), afterOk);
        QCOMPARE(int(v.deviceModel), modelAfterOk);
    }

    void modelHandlers() {
        Values v;
        TSettingsForm form(nullptr, v.comPort, v.deviceModel, v.settings, portListCom1Com3());
        form.rbtRK12->click();
        QCOMPARE(form.cmbParity->currentIndex(), 0);
        form.bbtnOkClick();
        QCOMPARE(int(v.deviceModel), int(RK12));
        QCOMPARE(int(v.settings.parity), 0);
        TSettingsForm again(nullptr, v.comPort, v.deviceModel, v.settings, portListCom1Com3());
        again.rbtRK13->click();
        QCOMPARE(again.cmbParity->currentIndex(), 2);
        again.bbtnOkClick();
        QCOMPARE(int(v.deviceModel), int(RK13));
        QCOMPARE(int(v.settings.parity), 2);
    }

    // Tab reaches the model from the port entry, an arrow key changes it, Enter is OK.
    void modelChosenByKeyboard() {
        Values v;
        TSettingsForm form(nullptr, v.comPort, v.deviceModel, v.settings, portListCom1Com3());
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        form.activateWindow();
        form.cmbComCh->setFocus();
        for (int i = 0; i < 4 && form.focusWidget() != form.rbtRK13; ++i)
            QTest::keyClick(form.focusWidget(), Qt::Key_Tab);
        QCOMPARE(form.focusWidget(), static_cast<QWidget*>(form.rbtRK13));
        QTest::keyClick(form.rbtRK13, Qt::Key_Up);
        QVERIFY(form.rbtRK12->isChecked());
        QCOMPARE(form.cmbParity->currentIndex(), 0);
        QVERIFY(windowcheck::saveScreenshot(&form, QStringLiteral("TSettingsForm-RK12")));
        QTest::keyClick(form.rbtRK12, Qt::Key_Return);
        QCOMPARE(form.result(), int(QDialog::Accepted));
        QCOMPARE(v.deviceModel, DeviceModel::RK12);
        QCOMPARE(int(v.settings.parity), 0);
    }

    void stopBits_data() {
        QTest::addColumn<int>("stopBits");
        QTest::addColumn<int>("shown");
        QTest::addColumn<int>("afterOk");
        QTest::newRow("one") << 0 << 0 << 0;
        QTest::newRow("one and a half becomes one") << 1 << 0 << 0;
        QTest::newRow("two") << 2 << 1 << 2;
        QTest::newRow("unknown") << 9 << 0 << 0;
    }

    void stopBits() {
        QFETCH(int, stopBits);
        QFETCH(int, shown);
        QFETCH(int, afterOk);
        Values v;
        v.settings.stopBits = quint8(stopBits);
        TSettingsForm form(nullptr, v.comPort, v.deviceModel, v.settings, portListCom1Com3());
        QCOMPARE(form.cmbStopBits->currentIndex(), shown);
        form.bbtnOkClick();
        QCOMPARE(int(v.settings.stopBits), afterOk);
    }

    void lineNumbers_data() {
        QTest::addColumn<int>("baudRate");
        QTest::addColumn<int>("byteSize");
        QTest::addColumn<int>("baudShown");
        QTest::addColumn<int>("bitsShown");
        QTest::newRow("38400 8") << 38400 << 8 << 3 << 4;
        QTest::newRow("4800 4") << 4800 << 4 << 0 << 0;
        QTest::newRow("9600 7") << 9600 << 7 << 1 << 3;
        QTest::newRow("unlisted keep their value") << 115200 << 9 << -1 << -1;
        QTest::newRow("zero") << 0 << 0 << -1 << -1;
    }

    void lineNumbers() {
        QFETCH(int, baudRate);
        QFETCH(int, byteSize);
        QFETCH(int, baudShown);
        QFETCH(int, bitsShown);
        Values v;
        v.settings.baudRate = baudRate;
        v.settings.byteSize = quint8(byteSize);
        TSettingsForm form(nullptr, v.comPort, v.deviceModel, v.settings, portListCom1Com3());
        QCOMPARE(form.cmbBaudrate->currentIndex(), baudShown);
        QCOMPARE(form.cmbDataBits->currentIndex(), bitsShown);
        QCOMPARE(form.edtDataBits->text(), QStringLiteral("8"));
        form.bbtnOkClick();
        QCOMPARE(v.settings.baudRate, baudRate);
        QCOMPARE(int(v.settings.byteSize), byteSize);
    }

    void flowControl_data() {
        QTest::addColumn<int>("flow");
        QTest::addColumn<QString>("label1");
        QTest::addColumn<QString>("label2");
        QTest::addColumn<QString>("radio");
        QTest::addColumn<int>("afterOk");
        QTest::newRow("none") << 0 << "なし"
                              << ""
                              << "rdbFlowNon" << 0;
        QTest::newRow("software") << 1 << "ソフトウェア"
                                  << "[Xon/Xoff]"
                                  << "rdbFlowXonXoff" << 1;
        QTest::newRow("hardware") << 2 << "ハードウェア"
                                  << "[RTS/CTS]"
                                  << "rdbFlowRtsCts" << 2;
        QTest::newRow("3 is none") << 3 << "なし"
                                   << ""
                                   << "rdbFlowNon" << 0;
        QTest::newRow("255 is none") << 255 << "なし"
                                     << ""
                                     << "rdbFlowNon" << 0;
    }

    void flowControl() {
        QFETCH(int, flow);
        QFETCH(QString, label1);
        QFETCH(QString, label2);
        QFETCH(QString, radio);
        QFETCH(int, afterOk);
        Values v;
        v.settings.flowControl = quint8(flow);
        TSettingsForm form(nullptr, v.comPort, v.deviceModel, v.settings, portListCom1Com3());
        QCOMPARE(form.lblFlow1->text(), label1);
        QCOMPARE(form.lblFlow2->text(), label2);
        auto* selected = form.findChild<QRadioButton*>(radio);
        QVERIFY(selected);
        QVERIFY(selected->isChecked());
        int checked = 0;
        for (auto* b : {form.rdbFlowNon, form.rdbFlowXonXoff, form.rdbFlowRtsCts})
            checked += b->isChecked();
        QCOMPARE(checked, 1);
        form.bbtnOkClick();
        QCOMPARE(int(v.settings.flowControl), afterOk);
    }

    void cancelChangesNothing() {
        Values v;
        v.comPort = 70;
        v.deviceModel = DeviceModel(RK13);
        v.settings.baudRate = 115200;
        v.settings.byteSize = 7;
        v.settings.parity = 3;
        v.settings.stopBits = 1;
        v.settings.flowControl = 2;
        v.settings.eventChar = 13;
        TSettingsForm form(nullptr, v.comPort, v.deviceModel, v.settings, portListCom1Com3());
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        form.cmbComCh->setCurrentIndex(3);
        form.rbtRK12->click();
        QTest::mouseClick(form.bbtnNg, Qt::LeftButton);
        QCOMPARE(form.result(), int(QDialog::Rejected));
        QVERIFY(!form.isVisible());
        QCOMPARE(v.comPort, 70);
        QCOMPARE(int(v.deviceModel), int(RK13));
        QCOMPARE(v.settings.baudRate, 115200);
        QCOMPARE(int(v.settings.byteSize), 7);
        QCOMPARE(int(v.settings.parity), 3);
        QCOMPARE(int(v.settings.stopBits), 1);
        QCOMPARE(int(v.settings.flowControl), 2);
        QCOMPARE(int(v.settings.eventChar), 13);
    }

    void okButtonCloses() {
        Values v;
        v.settings.parity = 1;
        TSettingsForm form(nullptr, v.comPort, v.deviceModel, v.settings, portListCom1Com3());
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QTest::mouseClick(form.bbtnOk, Qt::LeftButton);
        QVERIFY(!form.isVisible());
        QCOMPARE(form.result(), int(QDialog::Accepted));
        QCOMPARE(int(v.settings.parity), 2);
    }

    // Entries that are not of the enumeration's form: no crash; one without a
    // number counts as the automatic port.
    void oddEntries_data() {
        QTest::addColumn<QString>("entry");
        QTest::addColumn<int>("afterOk");
        QTest::newRow("COM alone") << "COM" << 0;
        QTest::newRow("no COM") << "xyz" << 0;
        QTest::newRow("wide digit") << " COM７" << 0;
        QTest::newRow("trailing letters") << " COM8abc" << 8;
        QTest::newRow("empty") << "" << 0;
    }

    void oddEntries() {
        QFETCH(QString, entry);
        QFETCH(int, afterOk);
        const QStringList ports{QStringLiteral("自動"), entry};
        Values v;
        v.comPort = 8;
        TSettingsForm form(nullptr, v.comPort, v.deviceModel, v.settings, ports);
        QCOMPARE(form.cmbComCh->currentIndex(), afterOk == 8 ? 1 : 0);
        form.cmbComCh->setCurrentIndex(1);
        form.bbtnOkClick();
        QCOMPARE(v.comPort, afterOk);
    }

    void hugeNumberDoesNotOverflow() {
        const QStringList ports{QStringLiteral("自動"), QStringLiteral(" COM99999999999999999999")};
        Values v;
        TSettingsForm form(nullptr, v.comPort, v.deviceModel, v.settings, ports);
        form.cmbComCh->setCurrentIndex(1);
        form.bbtnOkClick();
        QVERIFY(v.comPort > 64);
    }

    void screenshotAndGlyphs_data() {
        QTest::addColumn<int>("flow");
        QTest::newRow("none") << 0;
        QTest::newRow("software") << 1;
        QTest::newRow("hardware") << 2;
    }

    void screenshotAndGlyphs() {
        QFETCH(int, flow);
        Values v;
        v.settings.flowControl = quint8(flow);
        TSettingsForm form(nullptr, v.comPort, v.deviceModel, v.settings, portListCom1Com3());
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QCOMPARE(QFontInfo(form.font()).family(), windowcheck::testFontFamily());
        const QStringList missing = windowcheck::missingGlyphs(&form);
        QVERIFY2(missing.isEmpty(), qPrintable(missing.join(QLatin1Char('\n'))));
        QVERIFY(
            windowcheck::saveScreenshot(&form, QStringLiteral("TSettingsForm-flow%1").arg(flow)));
    }
};

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    TestFrmSettings test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_frmsettings.moc"
