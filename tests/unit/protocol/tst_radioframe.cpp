// Frames the PC builds, radio ID entry reading and its key filter.
#include "protocol/radioframe.h"
#include "protocol/radioidentry.h"
#include "protocol/trafficmonitor.h"

#include <QTest>

using namespace RadioFrame;

class TestRadioFrame : public QObject {
    Q_OBJECT
private slots:
    void commandFrame_data();
    void commandFrame();
    void lapRequestFrame_data();
    void lapRequestFrame();
    void verFrameHexLine();
    void commandLength_data();
    void commandLength();
    void unusableIdBuildsNothing_data();
    void unusableIdBuildsNothing();
    void checksumIsXorOfAllBytes();
    void readRadioIdText_data();
    void readRadioIdText();
    void idEntryKeys_data();
    void idEntryKeys();
};

void TestRadioFrame::commandFrame_data() {
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<QByteArray>("frame");
    QTest::newRow("@CP to 0x1234")
        << QByteArray("@CP\r\n") << QByteArray::fromHex("024C12340D014043500D0A3003");
    QTest::newRow("@VER to 0x1234")
        << QByteArray("@VER\r\n") << QByteArray::fromHex("024C12340E01405645520D0A6103");
    QTest::newRow("empty line") << QByteArray() << QByteArray::fromHex("024C123408016103");
}

void TestRadioFrame::commandFrame() {
    QFETCH(QByteArray, line);
    QFETCH(QByteArray, frame);
    quint8 buffer[BufferSize] = {};
    const BuiltFrame built = buildCommandFrame(buffer, 0x1234, line);
    QCOMPARE(built.error, BuildError::None);
    QCOMPARE(QByteArray(reinterpret_cast<const char*>(buffer), built.length), frame);
}

void TestRadioFrame::lapRequestFrame_data() {
    QTest::addColumn<int>("lap");
    QTest::addColumn<QByteArray>("frame");
    QTest::newRow("lap 1") << 1 << QByteArray::fromHex("024C12340A0200016103");
    QTest::newRow("lap 21") << 21 << QByteArray::fromHex("024C12340A0200157503");
    QTest::newRow("only 16 bits taken") << 0x10001 << QByteArray::fromHex("024C12340A0200016103");
}

void TestRadioFrame::lapRequestFrame() {
    QFETCH(int, lap);
    QFETCH(QByteArray, frame);
    quint8 buffer[BufferSize] = {};
    const BuiltFrame built = buildLapRequestFrame(buffer, 0x1234, lap);
    QCOMPARE(built.error, BuildError::None);
    QCOMPARE(QByteArray(reinterpret_cast<const char*>(buffer), built.length), frame);
}

void TestRadioFrame::verFrameHexLine() {
    quint8 buffer[BufferSize] = {};
    const BuiltFrame built = buildCommandFrame(buffer, 0x1234, "@VER\r\n");
    QCOMPARE(built.length, 14);
    QCOMPARE(TrafficMonitor::dumpFrameHex(
                 QByteArrayView(reinterpret_cast<const char*>(buffer), built.length)),
             QStringLiteral("02 4C 12 34 0E 01 40 56 45 52 0D 0A 61 03 "));
}

void TestRadioFrame::commandLength_data() {
    QTest::addColumn<int>("length");
    QTest::addColumn<bool>("fits");
    QTest::newRow("72 bytes") << 72 << true;
    QTest::newRow("73 bytes") << 73 << false;
    QTest::newRow("1024 bytes") << 1024 << false;
}

void TestRadioFrame::commandLength() {
    QFETCH(int, length);
    QFETCH(bool, fits);
    const QByteArray line = QByteArray(length - 2, 'A') + "\r\n";
    QCOMPARE(commandFitsFrame(line), fits);
    // Guard bytes after the frame buffer show that a refused line writes nothing beyond it.
    quint8 buffer[BufferSize + 16];
    memset(buffer, 0xEE, sizeof buffer);
    const BuiltFrame built = buildCommandFrame(buffer, 0x1234, line);
    if (fits) {
        QCOMPARE(built.length, 80);
        QCOMPARE(buffer[4], quint8(80));
        QCOMPARE(buffer[79], quint8(0x03));
    } else {
        QCOMPARE(built.error, BuildError::TooLong);
        QCOMPARE(built.length, 0);
        QCOMPARE(buffer[0], quint8(0xEE));
    }
    QCOMPARE(buffer[BufferSize], quint8(0xEE));
}

void TestRadioFrame::unusableIdBuildsNothing_data() {
    QTest::addColumn<int>("id");
    QTest::newRow("0x10000") << 0x10000;
    QTest::newRow("not a number") << NotANumberId;
    QTest::newRow("negative") << -5;
}

void TestRadioFrame::unusableIdBuildsNothing() {
    QFETCH(int, id);
    quint8 buffer[BufferSize];
    memset(buffer, 0xEE, sizeof buffer);
    QCOMPARE(beginFrame(buffer, id, CodeText), -1);
    QCOMPARE(buildCommandFrame(buffer, id, "@CP\r\n").error, BuildError::BadRadioId);
    QCOMPARE(buildLapRequestFrame(buffer, id, 1).error, BuildError::BadRadioId);
    QCOMPARE(buffer[0], quint8(0xEE));
}

void TestRadioFrame::checksumIsXorOfAllBytes() {
    const QByteArray bytes = QByteArray::fromHex("024C12340D014043500D0A");
    QCOMPARE(frameChecksum(reinterpret_cast<const quint8*>(bytes.constData()), 11), quint8(0x30));
    QCOMPARE(frameChecksum(nullptr, 0), quint8(0));
}

void TestRadioFrame::readRadioIdText_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("value");
    QTest::addColumn<bool>("usable");
    QTest::newRow("0x1234") << "0x1234" << 0x1234 << true;
    QTest::newRow("0X upper") << "0XABcd" << 0xABCD << true;
    QTest::newRow("x prefix") << "x1F" << 0x1F << true;
    QTest::newRow("X prefix") << "X1F" << 0x1F << true;
    QTest::newRow("dollar") << "$FFFF" << 0xFFFF << true;
    QTest::newRow("decimal") << "4660" << 4660 << true;
    QTest::newRow("zero") << "0" << 0 << true;
    QTest::newRow("leading blanks") << "  12" << 12 << true;
    QTest::newRow("plus sign") << "+7" << 7 << true;
    QTest::newRow("minus sign") << "-5" << -5 << false;
    QTest::newRow("65536") << "65536" << 65536 << false;
    QTest::newRow("0x alone") << "0x" << NotANumberId << false;
    QTest::newRow("empty") << "" << NotANumberId << false;
    QTest::newRow("trailing blank") << "12 " << NotANumberId << false;
    QTest::newRow("hex digit in decimal") << "12A" << NotANumberId << false;
    QTest::newRow("bad hex digit") << "0x12G" << NotANumberId << false;
    QTest::newRow("beyond 32 bits") << "99999999999" << NotANumberId << false;
    QTest::newRow("long hex") << "0x123456789" << NotANumberId << false;
    QTest::newRow("full-width digit") << QString::fromUtf8("１２") << NotANumberId << false;
}

void TestRadioFrame::readRadioIdText() {
    QFETCH(QString, text);
    QFETCH(int, value);
    QFETCH(bool, usable);
    QCOMPARE(readRadioId(text), value);
    QCOMPARE(isUsableRadioId(readRadioId(text)), usable);
}

void TestRadioFrame::idEntryKeys_data() {
    QTest::addColumn<QString>("before");
    QTest::addColumn<int>("maxLength");
    QTest::addColumn<QChar>("key");
    QTest::addColumn<bool>("accept");
    QTest::addColumn<QChar>("inserted");
    QTest::addColumn<int>("maxAfter");
    QTest::newRow("digit, decimal") << "12" << 6 << QChar('3') << true << QChar('3') << 5;
    QTest::newRow("digit, hex") << "0x12" << 6 << QChar('3') << true << QChar('3') << 6;
    QTest::newRow("backspace") << "0x" << 6 << QChar(8) << true << QChar(8) << 6;
    QTest::newRow("x after 0") << "0" << 5 << QChar('x') << true << QChar('x') << 6;
    QTest::newRow("X becomes x") << "0" << 5 << QChar('X') << true << QChar('x') << 6;
    QTest::newRow("x after 1") << "1" << 5 << QChar('x') << false << QChar('x') << 5;
    QTest::newRow("x twice") << "0x" << 6 << QChar('x') << false << QChar('x') << 6;
    QTest::newRow("hex letter, hex") << "0x1" << 6 << QChar('F') << true << QChar('F') << 6;
    QTest::newRow("hex letter, decimal") << "1" << 5 << QChar('a') << false << QChar('a') << 5;
    QTest::newRow("g refused") << "0x" << 6 << QChar('g') << false << QChar('g') << 6;
    QTest::newRow("minus refused") << "" << 5 << QChar('-') << false << QChar('-') << 5;
}

void TestRadioFrame::idEntryKeys() {
    QFETCH(QString, before);
    QFETCH(int, maxLength);
    QFETCH(QChar, key);
    QFETCH(bool, accept);
    QFETCH(QChar, inserted);
    QFETCH(int, maxAfter);
    const auto d = RadioIdEntry::idEntryKeyPress(before, maxLength, key);
    QCOMPARE(d.accept, accept);
    if (accept)
        QCOMPARE(d.key, inserted);
    QCOMPARE(d.maxLength, maxAfter);
}

QTEST_APPLESS_MAIN(TestRadioFrame)
#include "tst_radioframe.moc"
