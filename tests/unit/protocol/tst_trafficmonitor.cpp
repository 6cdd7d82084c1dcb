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
    QTest::addColumn<bool>("trims");
    QTest::newRow("16383 kept") << 16383 << false;
    QTest::newRow("16384 trimmed") << 16384 << true;
    QTest::newRow("20000 trimmed") << 20000 << true;
}

void TestTrafficMonitor::trimsAtSizeLimit() {
    QFETCH(int, length);
    QFETCH(bool, trims);
    QString monitor;
    for (int i = 0; i < length; ++i)
        monitor.append(QChar(u'a' + i % 26));
    const LinePlan plan = planMonitorLine(monitor.size(), "Rx:OK\r\n");
    QVERIFY(plan.add);
    QCOMPARE(plan.dropLeading, trims ? 8191 : 0);
    QCOMPARE(plan.line, QStringLiteral("Rx:OK"));
    const QString after = applyLinePlan(monitor, plan);
    // The monitor starts with what was character 8191, even in the middle of a line.
    QCOMPARE(after.left(1), trims ? monitor.mid(8191, 1) : monitor.left(1));
    QCOMPARE(after.size(), monitor.size() - (trims ? 8191 : 0) + 6);
    QVERIFY(after.endsWith("\nRx:OK"));
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
