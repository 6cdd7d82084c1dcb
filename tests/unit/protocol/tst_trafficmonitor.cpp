// Text rules of the traffic monitor: trimming of lines and the 16 K size limit.
#include "protocol/trafficmonitor.h"

#include <QTest>

using namespace TrafficMonitor;

class TestTrafficMonitor : public QObject {
    Q_OBJECT
private slots:
    void appendLine_data();
    void appendLine();
    void trimsAtSizeLimit_data();
    void trimsAtSizeLimit();
    void receptionsNeverGrowBeyondTheLimit();
    void hexLine_data();
    void hexLine();
};

void TestTrafficMonitor::appendLine_data() {
    QTest::addColumn<QString>("before");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("after");
    QTest::newRow("first line") << ""
                                << "Tx:@CP\r\n"
                                << "Tx:@CP";
    QTest::newRow("second line") << "Tx:@CP"
                                 << "Rx:CP:2\r\n"
                                 << "Tx:@CP\nRx:CP:2";
    QTest::newRow("empty text adds nothing") << "Tx:@CP"
                                             << ""
                                             << "Tx:@CP";
    QTest::newRow("trailing blanks and controls") << "a"
                                                  << "b \t\x01\r\n"
                                                  << "a\nb";
    QTest::newRow("leading blanks kept") << "a"
                                         << "  b"
                                         << "a\n  b";
    QTest::newRow("only a line end adds an empty line") << "a"
                                                        << "\r\n"
                                                        << "a\n";
    QTest::newRow("failure line") << "Tx:@CP" << QString::fromUtf8("送信失敗\r\n")
                                  << QString::fromUtf8("Tx:@CP\n送信失敗");
    QTest::newRow("retry line") << ""
                                << "Wakeup Retry:1"
                                << "Wakeup Retry:1";
}

void TestTrafficMonitor::appendLine() {
    QFETCH(QString, before);
    QFETCH(QString, text);
    QFETCH(QString, after);
    QCOMPARE(appendMonitorLine(before, text), after);
}

void TestTrafficMonitor::trimsAtSizeLimit_data() {
    QTest::addColumn<int>("length");
    QTest::addColumn<bool>("hex");       // a dumpFrameHex line of lineLength / 3 bytes
    QTest::addColumn<int>("lineLength"); // of the line to add
    QTest::addColumn<int>("dropped");
    QTest::addColumn<int>("added"); // characters of the line that are added, -1: none
    QTest::newRow("16383 kept") << 16383 << false << 5 << 0 << 5;
    QTest::newRow("16384 trimmed") << 16384 << false << 5 << 8191 << 5;
    QTest::newRow("20000 trimmed") << 20000 << false << 5 << 8191 << 5;
    // A reception of 12288 display characters: "Rx:" and the text.
    QTest::newRow("longest reception fits") << 16383 << false << 12291 << 0 << 12291;
    QTest::newRow("reception cut at the limit") << 28675 << false << 12291 << 8191 << 12282;
    QTest::newRow("full monitor") << 32767 << false << 12291 << 8191 << 8190;
    QTest::newRow("hex line, no trim") << 20000 << true << 39 << 0 << 39;
    QTest::newRow("hex line cut at the limit") << 32730 << true << 39 << 0 << 36;
    QTest::newRow("hex line, no room") << 32767 << true << 39 << 0 << -1;
}

void TestTrafficMonitor::trimsAtSizeLimit() {
    QFETCH(int, length);
    QFETCH(bool, hex);
    QFETCH(int, lineLength);
    QFETCH(int, dropped);
    QFETCH(int, added);
    QString monitor;
    for (int i = 0; i < length; ++i)
        monitor.append(QChar(u'a' + i % 26));
    const QString line = QStringLiteral("Rx:") + QString(lineLength - 3, u'b');
    const LinePlan plan = hex ? planHexLine(monitor.size(), QByteArray(lineLength / 3, '\x0B'))
                              : planMonitorLine(monitor.size(), line + QStringLiteral("\r\n"));
    QCOMPARE(plan.add, added >= 0);
    if (added < 0)
        return;
    QCOMPARE(plan.dropLeading, dropped);
    QCOMPARE(plan.line.size(), added);
    QVERIFY((hex ? QStringLiteral("0B ").repeated(lineLength / 3) : line).startsWith(plan.line));
    const QString after = applyLinePlan(monitor, plan);
    // The monitor starts with what was character 8191, even in the middle of a line.
    QCOMPARE(after.left(1), monitor.mid(dropped, 1));
    QCOMPARE(after.size(), length - dropped + 1 + added);
    QVERIFY(after.size() <= 32767);
    QVERIFY(after.endsWith(u'\n' + plan.line));
}

void TestTrafficMonitor::receptionsNeverGrowBeyondTheLimit() {
    // Long receptions with pauses between them (a device streaming on its own): each
    // adds more than the trim removes.
    const QString reception = QStringLiteral("Rx:") + QString(12288, u'r');
    QString monitor;
    for (int i = 0; i < 3600; ++i) {
        monitor = appendMonitorLine(monitor, reception);
        QVERIFY2(monitor.size() <= 32767, qPrintable(QString::number(monitor.size())));
    }
    QVERIFY(monitor.size() > 16383);
}

void TestTrafficMonitor::hexLine_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("line");
    QTest::newRow("@CP frame") << QByteArray::fromHex("024C12340D014043500D0A3003")
                               << "02 4C 12 34 0D 01 40 43 50 0D 0A 30 03 ";
    QTest::newRow("high bytes") << QByteArray::fromHex("FF80a0") << "FF 80 A0 ";
    QTest::newRow("no bytes") << QByteArray() << "";
}

void TestTrafficMonitor::hexLine() {
    QFETCH(QByteArray, bytes);
    QFETCH(QString, line);
    QCOMPARE(dumpFrameHex(bytes), line);
}

QTEST_APPLESS_MAIN(TestTrafficMonitor)
#include "tst_trafficmonitor.moc"
