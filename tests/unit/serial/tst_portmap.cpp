#include "serial/portmap.h"

#include <QTest>

class TestPortMap : public QObject {
    Q_OBJECT

private slots:
    void defaults_data() {
        QTest::addColumn<int>("port");
        QTest::addColumn<QString>("path");
        QTest::newRow("COM0") << 0 << QString();
        QTest::newRow("COM1") << 1 << QStringLiteral("/dev/ttyUSB0");
        QTest::newRow("COM16") << 16 << QStringLiteral("/dev/ttyUSB15");
        QTest::newRow("COM17") << 17 << QStringLiteral("/dev/ttyACM0");
        QTest::newRow("COM32") << 32 << QStringLiteral("/dev/ttyACM15");
        QTest::newRow("COM33") << 33 << QStringLiteral("/dev/ttyS0");
        QTest::newRow("COM64") << 64 << QStringLiteral("/dev/ttyS31");
        QTest::newRow("COM65") << 65 << QString();
        QTest::newRow("COM99") << 99 << QString();
        QTest::newRow("COM100") << 100 << QString();
        QTest::newRow("negative") << -1 << QString();
    }
    void defaults() {
        QFETCH(int, port);
        QFETCH(QString, path);
        PortMap map;
        QCOMPARE(map.devicePath(port), path);
    }

    void overridesWin() {
        PortMap map;
        map.setOverride(1, QStringLiteral("/tmp/pty-a"));
        map.setOverride(70, QStringLiteral("/dev/rfcomm0"));
        map.setOverride(2, QString()); // no device
        map.setOverride(100, QStringLiteral("/tmp/ignored"));
        QCOMPARE(map.devicePath(1), QStringLiteral("/tmp/pty-a"));
        QCOMPARE(map.devicePath(70), QStringLiteral("/dev/rfcomm0"));
        QCOMPARE(map.devicePath(2), QString());
        QCOMPARE(map.devicePath(3), QStringLiteral("/dev/ttyUSB2"));
        QCOMPARE(map.devicePath(100), QString());
        map.clearOverrides();
        QCOMPARE(map.devicePath(1), QStringLiteral("/dev/ttyUSB0"));
        QCOMPARE(map.devicePath(70), QString());
    }

    void withoutDefaultsOnlyOverridesMap() {
        PortMap map;
        map.setUseDefaults(false);
        map.setOverride(5, QStringLiteral("/tmp/pty-b"));
        QCOMPARE(map.devicePath(5), QStringLiteral("/tmp/pty-b"));
        QCOMPARE(map.devicePath(1), QString());
        QCOMPARE(map.devicePath(40), QString());
    }

    // The ports worth naming when no device answered: the configured one first, then the
    // named ones, then the USB and CDC adapters; never the on-board ports of the built-in
    // map.
    void likelyPortsMostLikelyFirst_data() {
        QTest::addColumn<bool>("defaults");
        QTest::addColumn<int>("configured");
        QTest::addColumn<QList<int>>("expected");
        QList<int> adapters;
        for (int port = 1; port <= 32; ++port)
            adapters << port;
        QList<int> afterNamed{40, 70};
        for (int port : adapters)
            if (port != 5)
                afterNamed << port;
        QTest::newRow("configured USB port") << true << 5 << (QList<int>{5} + afterNamed);
        QTest::newRow("configured on-board port") << true << 34 << (QList<int>{34, 5} + afterNamed);
        QTest::newRow("automatic") << true << 0 << (QList<int>{5} + afterNamed);
        QTest::newRow("only the named ports") << false << 1 << QList<int>{1, 5, 40, 70};
    }
    void likelyPortsMostLikelyFirst() {
        QFETCH(bool, defaults);
        QFETCH(int, configured);
        QFETCH(QList<int>, expected);
        PortMap map;
        map.setUseDefaults(defaults);
        map.setOverride(70, QStringLiteral("/dev/rfcomm0"));
        map.setOverride(40, QStringLiteral("/dev/serial/koda/1a86-7523-0001"));
        map.setOverride(5, QStringLiteral("/dev/serial/by-id/usb-FTDI-if00-port0"));
        QCOMPARE(map.likelyPorts(configured), expected);
    }

    void iniEntries_data() {
        QTest::addColumn<QString>("key");
        QTest::addColumn<bool>("accepted");
        QTest::addColumn<int>("port");
        QTest::newRow("COM7") << QStringLiteral("COM7") << true << 7;
        QTest::newRow("lower case") << QStringLiteral("com12") << true << 12;
        QTest::newRow("COM99") << QStringLiteral("COM99") << true << 99;
        QTest::newRow("COM0") << QStringLiteral("COM0") << false << 0;
        QTest::newRow("COM100") << QStringLiteral("COM100") << false << 0;
        QTest::newRow("no number") << QStringLiteral("COM") << false << 0;
        QTest::newRow("trailing junk") << QStringLiteral("COM7x") << false << 0;
        QTest::newRow("other key") << QStringLiteral("Port7") << false << 0;
    }
    void iniEntries() {
        QFETCH(QString, key);
        QFETCH(bool, accepted);
        QFETCH(int, port);
        PortMap map;
        map.setUseDefaults(false);
        QCOMPARE(map.setOverrideEntry(key, QStringLiteral("/dev/serial/by-id/x")), accepted);
        if (accepted)
            QCOMPARE(map.devicePath(port), QStringLiteral("/dev/serial/by-id/x"));
    }
};

QTEST_APPLESS_MAIN(TestPortMap)
#include "tst_portmap.moc"
