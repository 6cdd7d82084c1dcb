#include "serial/receptionarea.h"
#include "serial/rscommthread.h"

#include <QTest>

class TestReception : public QObject {
    Q_OBJECT

private slots:
    void displayText_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("text");
        QTest::newRow("frame start")
            << QByteArray("\x02\x4C\x0D", 3) << QStringLiteral("[02]L[0D]");
        QTest::newRow("STX L NUL ETX")
            << QByteArray("\x02\x4C\x00\x03", 4) << QStringLiteral("[02]L[00][03]");
        QTest::newRow("OK CR LF") << QByteArray("OK\r\n") << QStringLiteral("OK[0D][0A]");
        QTest::newRow("printable edges")
            << QByteArray("\x1F\x20\x7E\x7F", 4) << QStringLiteral("[1F] ~[7F]");
        QTest::newRow("high bytes")
            << QByteArray("\x80\xFF\xAB", 3) << QStringLiteral("[80][FF][AB]");
        QTest::newRow("empty") << QByteArray() << QString();
    }
    void displayText() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, text);
        QCOMPARE(RsCommThread::displayText(bytes), text);
    }

    void appendJoinsReceptions() {
        ReceptionArea area;
        QVERIFY(!area.rxComplete);
        area.append("AB", QStringLiteral("AB"));
        area.append(QByteArray("\x02", 1), QStringLiteral("[02]"));
        QVERIFY(area.rxComplete);
        QCOMPARE(area.rxLength, 3);
        QCOMPARE(area.rxBytes, QByteArray("AB\x02"));
        QCOMPARE(area.rxText, QStringLiteral("AB[02]"));
        area.clear();
        QCOMPARE(area.rxLength, 0);
        QVERIFY(area.rxBytes.isEmpty());
        QVERIFY(area.rxText.isEmpty());
        QVERIFY(!area.rxComplete);
    }

    void bytesStopAt12288TextDoesNot() {
        ReceptionArea area;
        area.append(QByteArray(12000, 'a'), QString(12000, u'a'));
        area.append(QByteArray(500, 'b'), QString(500, u'b'));
        QCOMPARE(area.rxLength, 12288);
        QCOMPARE(area.rxBytes.size(), 12288);
        QCOMPARE(area.rxBytes.mid(12000), QByteArray(288, 'b'));
        QCOMPARE(area.rxText.size(), 12500); // the text has no limit of its own
        area.append("c", QStringLiteral("c"));
        QCOMPARE(area.rxLength, 12288);
        QVERIFY(area.rxText.endsWith(u'c'));
    }

    void appendAfterCallerShortenedLength() {
        // The dispatcher may take bytes over by lowering rxLength; the area follows it.
        ReceptionArea area;
        area.append("ABCDEF", QStringLiteral("ABCDEF"));
        area.rxLength = 2;
        area.append("x", QStringLiteral("x"));
        QCOMPARE(area.rxBytes, QByteArray("ABx"));
        QCOMPARE(area.rxLength, 3);
    }
};

QTEST_APPLESS_MAIN(TestReception)
#include "tst_reception.moc"
