// Commands and value rules of the device settings page.
#include "protocol/settingcommands.h"

#include <QTest>

using namespace SettingCommands;

class TestSettingCommands : public QObject {
    Q_OBJECT
private slots:
    void readCommands_data();
    void readCommands();
    void selectionWrites();
    void valueWrites_data();
    void valueWrites();
    void kWrite_data();
    void kWrite();
    void kWriteEveryFiveDecimalValue();
    void pulseButtons_data();
    void pulseButtons();
    void upDownLimits();
    void kKeys_data();
    void kKeys();
    void kExit_data();
    void kExit();
    void templates();
    void writeCheck_data();
    void writeCheck();
};

void TestSettingCommands::readCommands_data() {
    QTest::addColumn<int>("item");
    QTest::addColumn<DeviceModel>("model");
    QTest::addColumn<QString>("command");
    const auto r13 = DeviceModel::RK13;
    const auto r12 = DeviceModel::RK12;
    QTest::newRow("1") << 1 << r13 << "@DISPLAYTYPE\r\n";
    QTest::newRow("2") << 2 << r13 << "@LAPDISPTIME\r\n";
    QTest::newRow("3") << 3 << r12 << "@CP\r\n";
    QTest::newRow("4") << 4 << r13 << "@PASSCP\r\n";
    QTest::newRow("5") << 5 << r13 << "@SEPARATOR\r\n";
    QTest::newRow("6 RK-12") << 6 << r12 << "@DIAMETER\r\n";
    QTest::newRow("6 RK-13") << 6 << r13 << "@K\r\n";
    QTest::newRow("7") << 7 << r13 << "@SENSORMARKTIME\r\n";
    QTest::newRow("8") << 8 << r13 << "@ODO\r\n";
    QTest::newRow("9") << 9 << r12 << "@VER\r\n";
    QTest::newRow("10 is a chain") << 10 << r13 << "";
    QTest::newRow("11") << 11 << r13 << "@GAP\r\n";
    QTest::newRow("unknown") << 12 << r13 << "";
}

void TestSettingCommands::readCommands() {
    QFETCH(int, item);
    QFETCH(DeviceModel, model);
    QFETCH(QString, command);
    QCOMPARE(readCommand(item, model), command);
}

void TestSettingCommands::selectionWrites() {
    QCOMPARE(displayTypeCommand(true), QStringLiteral("@DISPLAYTYPE:R\r\n"));
    QCOMPARE(displayTypeCommand(false), QStringLiteral("@DISPLAYTYPE:L\r\n"));
    QCOMPARE(separatorCommand(true), QStringLiteral("@SEPARATOR::\r\n"));
    QCOMPARE(separatorCommand(false), QStringLiteral("@SEPARATOR:\"\r\n"));
    QCOMPARE(gapCommand(true), QStringLiteral("@GAP:1\r\n"));
    QCOMPARE(gapCommand(false), QStringLiteral("@GAP:0\r\n"));
    QCOMPARE(diameterCommand(20), QStringLiteral("@DIAMETER:20\r\n"));
}

void TestSettingCommands::valueWrites_data() {
    QTest::addColumn<int>("item");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("command");
    QTest::newRow("2: 1") << 2 << "1"
                          << "@LAPDISPTIME:1\r\n";
    QTest::newRow("2: 59") << 2 << "59"
                           << "@LAPDISPTIME:59\r\n";
    QTest::newRow("2: 60 refused") << 2 << "60"
                                   << "";
    QTest::newRow("2: 0 refused") << 2 << "0"
                                  << "";
    QTest::newRow("3: 4") << 3 << "4"
                          << "@CP:4\r\n";
    QTest::newRow("3: 5 refused") << 3 << "5"
                                  << "";
    QTest::newRow("4: 1") << 4 << "1"
                          << "@PASSCP:1\r\n";
    QTest::newRow("7: 9") << 7 << "9"
                          << "@SENSORMARKTIME:9\r\n";
    QTest::newRow("7: 0 refused") << 7 << "0"
                                  << "";
    QTest::newRow("7: 10 refused") << 7 << "10"
                                   << "";
    QTest::newRow("2: leading zero dropped") << 2 << "05"
                                             << "@LAPDISPTIME:5\r\n";
    QTest::newRow("3: leading zeros dropped") << 3 << "004"
                                              << "@CP:4\r\n";
    QTest::newRow("4: sign and blank dropped") << 4 << " +2"
                                               << "@PASSCP:2\r\n";
    QTest::newRow("7: leading zero dropped") << 7 << "09"
                                             << "@SENSORMARKTIME:9\r\n";
    QTest::newRow("empty") << 3 << ""
                           << "";
    QTest::newRow("not a number") << 3 << "a"
                                  << "";
    QTest::newRow("not a value item") << 5 << "1"
                                      << "";
}

void TestSettingCommands::valueWrites() {
    QFETCH(int, item);
    QFETCH(QString, text);
    QFETCH(QString, command);
    QCOMPARE(valueCommand(item, text), command);
}

void TestSettingCommands::kWrite_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("command");
    QTest::newRow("1.50000") << "1.50000"
                             << "@K:150000\r\n";
    QTest::newRow("0.12345") << "0.12345"
                             << "@K:12345\r\n";
    QTest::newRow("9.99999") << "9.99999"
                             << "@K:999999\r\n";
    QTest::newRow("0.00001") << "0.00001"
                             << "@K:1\r\n";
    QTest::newRow("truncated, not rounded") << "0.123459"
                                            << "@K:12345\r\n";
    QTest::newRow("0.00029") << "0.00029"
                             << "@K:29\r\n";
    QTest::newRow("empty") << ""
                           << "";
    QTest::newRow("not a number") << "1.2.3"
                                  << "";
}

void TestSettingCommands::kWrite() {
    QFETCH(QString, text);
    QFETCH(QString, command);
    QCOMPARE(kCommand(text), command);
}

void TestSettingCommands::kWriteEveryFiveDecimalValue() {
    // Every value the K entry can hold after leaving it must reach the lap timer as typed.
    for (int n = 1; n <= 999999; ++n) {
        const QString text = QString::asprintf("%d.%05d", n / 100000, n % 100000);
        const QString expected = QStringLiteral("@K:%1\r\n").arg(n);
        if (kCommand(text) != expected)
            QFAIL(qPrintable(text + " gave " + kCommand(text)));
    }
}

void TestSettingCommands::pulseButtons_data() {
    QTest::addColumn<int>("value");
    QTest::addColumn<int>("index");
    QTest::newRow("1") << 1 << 0;
    QTest::newRow("16 is rabPulse5") << 16 << 4;
    QTest::newRow("20 is rabPulse6") << 20 << 5;
    QTest::newRow("25") << 25 << 6;
    QTest::newRow("3 selects none") << 3 << -1;
    QTest::newRow("0 selects none") << 0 << -1;
}

void TestSettingCommands::pulseButtons() {
    QFETCH(int, value);
    QFETCH(int, index);
    QCOMPARE(pulseButtonForTag(value), index);
}

void TestSettingCommands::upDownLimits() {
    QCOMPARE(clampToUpDown(2, 75), 59);
    QCOMPARE(clampToUpDown(2, 0), 1);
    QCOMPARE(clampToUpDown(3, 9), 4);
    QCOMPARE(clampToUpDown(7, 0), 0);
    QCOMPARE(clampToUpDown(7, -3), 0);
}

void TestSettingCommands::kKeys_data() {
    QTest::addColumn<QString>("before");
    QTest::addColumn<QChar>("key");
    QTest::addColumn<bool>("accept");
    QTest::newRow("first digit") << "" << QChar('1') << true;
    QTest::newRow("point as second") << "1" << QChar('.') << true;
    QTest::newRow("digit as second refused") << "1" << QChar('2') << false;
    QTest::newRow("digit after point") << "1." << QChar('2') << true;
    QTest::newRow("second point refused") << "1.2" << QChar('.') << false;
    QTest::newRow("point first refused") << "" << QChar('.') << false;
    QTest::newRow("backspace as second") << "1" << QChar(8) << true;
    QTest::newRow("letter refused") << "1.2" << QChar('e') << false;
    QTest::newRow("minus refused") << "" << QChar('-') << false;
}

void TestSettingCommands::kKeys() {
    QFETCH(QString, before);
    QFETCH(QChar, key);
    QFETCH(bool, accept);
    QCOMPARE(kEntryAcceptsKey(before, key), accept);
}

void TestSettingCommands::kExit_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<QString>("formatted");
    QTest::newRow("1.2") << "1.2" << true << "1.20000";
    QTest::newRow("1.5") << "1.5" << true << "1.50000";
    QTest::newRow("9.99999") << "9.99999" << true << "9.99999";
    QTest::newRow("0.00001") << "0.00001" << true << "0.00001";
    QTest::newRow("zero") << "0.00000" << false << "";
    QTest::newRow("above 9.99999") << "9.999991" << false << "";
    QTest::newRow("negative") << "-1.5" << false << "";
    QTest::newRow("empty") << "" << false << "";
    QTest::newRow("point only") << "." << false << "";
}

void TestSettingCommands::kExit() {
    QFETCH(QString, text);
    QFETCH(bool, ok);
    QFETCH(QString, formatted);
    const KCheck c = checkKEntry(text);
    QCOMPARE(c.ok, ok);
    if (ok)
        QCOMPARE(c.formatted, formatted);
}

void TestSettingCommands::writeCheck_data() {
    QTest::addColumn<QList<PendingWrite>>("writes");
    QTest::addColumn<DeviceModel>("model");
    QTest::addColumn<QString>("warning");
    QTest::addColumn<QString>("question");
    const QString cp = QStringLiteral("@CP:3\r\n");
    QTest::newRow("all chosen") << QList<PendingWrite>{{3, cp, true}, {4, cp, true}}
                                << DeviceModel::RK13 << QString() << QString();
    // The items are named by their captions, the blanks that lay them out made single.
    QTest::newRow("values that cannot be written")
        << QList<PendingWrite>{{2, {}, true}, {3, cp, true}, {6, {}, false}, {7, {}, true}}
        << DeviceModel::RK13
        << QStringLiteral("次の項目の値が正しくありません。正しい値を入力してください。\r\n"
                          "・REALモード 表示時間 （ｔｍ）\r\n"
                          "・車速センサパルス幅 0.00001～ 9.99999 （K）\r\n"
                          "・センサ有効時間")
        << QString();
    QTest::newRow("values nobody chose")
        << QList<PendingWrite>{{1, cp, false}, {3, cp, true}, {6, cp, false}} << DeviceModel::RK12
        << QString()
        << QStringLiteral("次の項目の値はラップタイマーから読み込まれておらず、入力もされて"
                          "いません。\r\n"
                          "・計測中の表示タイプ （ｔｙP）\r\n"
                          "・車速センサパルス倍率 （PLS）\r\n"
                          "このままラップタイマーに書き込みますか？");
}

void TestSettingCommands::writeCheck() {
    QFETCH(QList<PendingWrite>, writes);
    QFETCH(DeviceModel, model);
    QFETCH(QString, warning);
    QFETCH(QString, question);
    const WriteCheck check = checkWrites(writes);
    QCOMPARE(check.invalid.isEmpty() ? QString() : invalidValuesMessage(check.invalid, model),
             warning);
    QCOMPARE(check.unconfirmed.isEmpty() ? QString()
                                         : unconfirmedValuesQuestion(check.unconfirmed, model),
             question);
}

void TestSettingCommands::templates() {
    QCOMPARE(commandTemplates(),
             QStringList({"@LAP", "@SECTOR", "@CLR", "@CP", "@PASSCP", "@SENSORMARKTIME",
                          "@DIAMETER", "@SEPARATOR", "@LAPDISPTIME", "@DISPLAYTYPE", "@ODO", "@VER",
                          "@LINFO", "@LDATA"}));
}

QTEST_APPLESS_MAIN(TestSettingCommands)
#include "tst_settingcommands.moc"
