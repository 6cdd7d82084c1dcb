#include "serial/portlist.h"

#include <QTest>

class TestPortList : public QObject {
    Q_OBJECT

private slots:
    void onlyCom1AndCom3Usable() {
        bool available[100] = {};
        available[1] = true;
        available[3] = true;
        available[65] = true; // beyond the list: never shown
        const QStringList list = portListTexts(available);
        QCOMPARE(list.size(), 65);
        QCOMPARE(list.at(0), QStringLiteral("自動"));
        QCOMPARE(list.at(1), QStringLiteral(" COM1"));
        QCOMPARE(list.at(2), QStringLiteral("*COM2"));
        QCOMPARE(list.at(3), QStringLiteral(" COM3"));
        QCOMPARE(list.at(4), QStringLiteral("*COM4"));
        QCOMPARE(list.at(10), QStringLiteral("*COM10"));
        QCOMPARE(list.at(64), QStringLiteral("*COM64"));
        QCOMPARE(list.at(0).toUtf8(), QByteArray("\xE8\x87\xAA\xE5\x8B\x95"));
    }

    void portNumber_data() {
        QTest::addColumn<int>("index");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("port");
        QTest::newRow("automatic") << 0 << QStringLiteral("自動") << 0;
        QTest::newRow("index 0 whatever the text") << 0 << QStringLiteral(" COM5") << 0;
        QTest::newRow("usable") << 1 << QStringLiteral(" COM1") << 1;
        QTest::newRow("unusable") << 2 << QStringLiteral("*COM2") << 2;
        QTest::newRow("two digits") << 64 << QStringLiteral("*COM64") << 64;
        QTest::newRow("no COM") << 5 << QStringLiteral("xyz") << 0;
        QTest::newRow("no digits") << 5 << QStringLiteral("COM") << 0;
        QTest::newRow("digits end at a letter") << 5 << QStringLiteral("COM12a3") << 12;
        QTest::newRow("endless digits")
            << 5 << QStringLiteral("COM99999999999999999999") << 9999999;
    }
    void portNumber() {
        QFETCH(int, index);
        QFETCH(QString, text);
        QFETCH(int, port);
        QCOMPARE(portNumberOfEntry(index, text), port);
    }

    void statusText_data() {
        QTest::addColumn<int>("port");
        QTest::addColumn<int>("baud");
        QTest::addColumn<int>("bits");
        QTest::addColumn<int>("parity");
        QTest::addColumn<int>("stop");
        QTest::addColumn<QString>("text");
        QTest::newRow("COM3 8E1") << 3 << 38400 << 8 << 2 << 0
                                  << QStringLiteral("COM3: 38400bps D8 PEVEN S1");
        QTest::newRow("COM12 7N2")
            << 12 << 9600 << 7 << 0 << 2 << QStringLiteral("COM12: 9600bps D7 PNON S2");
        QTest::newRow("odd, 1.5") << 1 << 4800 << 5 << 1 << 1
                                  << QStringLiteral("COM1: 4800bps D5 PODD S1.5");
        QTest::newRow("mark") << 2 << 19200 << 8 << 3 << 0
                              << QStringLiteral("COM2: 19200bps D8 PMARK S1");
        QTest::newRow("parity 4: no suffix")
            << 4 << 9600 << 8 << 4 << 0 << QStringLiteral("COM4: 9600bps D8 S1");
        QTest::newRow("stop 3: no suffix")
            << 4 << 9600 << 8 << 0 << 3 << QStringLiteral("COM4: 9600bps D8 PNON");
        QTest::newRow("negative baud as unsigned")
            << 1 << -1 << 8 << 0 << 0 << QStringLiteral("COM1: 4294967295bps D8 PNON S1");
    }
    void statusText() {
        QFETCH(int, port);
        QFETCH(int, baud);
        QFETCH(int, bits);
        QFETCH(int, parity);
        QFETCH(int, stop);
        QFETCH(QString, text);
        CommSettings s;
        s.baudRate = baud;
        s.byteSize = quint8(bits);
        s.parity = quint8(parity);
        s.stopBits = quint8(stop);
        QCOMPARE(connectionStatusText(port, s), text);
    }
};

QTEST_APPLESS_MAIN(TestPortList)
#include "tst_portlist.moc"
