// Scanning receptions for radio frames: what is accepted, in which order, and what the
// reception as a whole means (text reply or not, antenna, lap and fuel hand-overs).
#include "protocol/radioframe.h"

#include <QRandomGenerator>
#include <QTest>

using namespace RadioFrame;

namespace {

// Frames as the units send them (RK-13 ID 0x1234, QK-11 ID 0x5678).
const char* const textCP = "02 4C 12 34 0B 81 43 50 3A CB 03";                  // "CP:"
const char* const text2 = "02 4C 12 34 09 81 32 D2 03";                         // "2"
const char* const textOK = "02 4C 12 34 0A 81 4F 4B E7 03";                     // "OK"
const char* const textK = "02 4C 12 34 11 81 4B 3A 31 32 33 34 35 0D 0A BF 03"; // "K:12345\r\n"
const char* const foreignL = "02 4C 43 21 0C 81 43 50 3A 33 BB 03"; // "CP:3" from 0x4321
const char* const fuel = "02 46 56 78 17 81 41 48 00 00 40 50 00 00 41 00 00 00 00 04 D2 72 03";
const char* const fuel01 = "02 46 56 78 17 01 BF C0 00 00 00 00 00 00 42 C8 80 00 FF FF FF F6 03";
const char* const fuelShort = "02 46 56 78 14 81 41 48 00 00 40 50 00 00 41 00 00 00 A7 03";
const char* const fuelForeign =
    "02 46 56 79 17 81 41 48 00 00 40 50 00 00 41 00 00 00 00 04 D2 73 03";
const char* const fuelOtherCode = "02 46 56 78 0B 05 78 79 7A 1F 03";
const char* const live = "02 4C 12 34 2E 83 00 28 20 99 00 62 05 DC 07 D0 09 C4 0B B8 20 99 00 62 "
                         "05 DC 07 D0 09 C4 0B B8 20 99 00 62 05 DC 07 D0 09 C4 0B B8 46 03";
const char* const liveShort = "02 4C 12 34 22 83 00 28 00 00 00 00 00 00 00 00 00 00 00 00 00 00 "
                              "00 00 00 00 00 00 00 00 00 00 E1 03";
const char* const blockShort = "02 4C 12 34 2E 82 00 01 00 00 00 00 00 00 00 00 00 00 00 00 00 00 "
                               "00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 "
                               "C5 03";

// The 250-byte block frame for laps 1..20: every record lap time 0x2099, top speed
// 100 + k, sector times 0.
QByteArray blockFrame() {
    QByteArray f = QByteArray::fromHex("02 4C 12 34 FA 82 00 01");
    for (int k = 0; k < 20; ++k) {
        QByteArray record = QByteArray::fromHex("20 99 00 00 00 00 00 00 00 00 00 00");
        record[3] = char(100 + k);
        f += record;
    }
    f += QByteArray::fromHex("11 03");
    return f;
}

QByteArray hex(const char* text) {
    return QByteArray::fromHex(text);
}

// A compact description of the accepted items: T(payload) / B20 / V3 / F.
QString describe(const FrameScanResult& r) {
    QStringList parts;
    for (const FrameItem& item : r.items) {
        switch (item.kind) {
        case FrameItem::Kind::Text:
            parts << "T(" + QString::fromLatin1(item.bytes) + ")";
            break;
        case FrameItem::Kind::LapBlock:
            parts << "B" + QString::number(item.recordCount);
            break;
        case FrameItem::Kind::LiveLap:
            parts << "V" + QString::number(item.recordCount);
            break;
        case FrameItem::Kind::Fuel:
            parts << "F";
            break;
        }
    }
    return parts.join(' ');
}

} // namespace

class TestFrameScan : public QObject {
    Q_OBJECT
private slots:
    void scan_data();
    void scan();
    void fuelValues_data();
    void fuelValues();
    void lapFrameHandedOverWhole();
    void randomReceptions();
};

void TestFrameScan::scan_data() {
    QTest::addColumn<QByteArray>("reception");
    QTest::addColumn<QString>("idRK");
    QTest::addColumn<QString>("idQK");
    QTest::addColumn<bool>("treatAsText");
    QTest::addColumn<QByteArray>("replyText");
    QTest::addColumn<QString>("items");
    QTest::addColumn<char>("blink");

    const QString rk = "0x1234";
    const QString qk = "0x5678";
    const QByteArray block = blockFrame();

    QTest::newRow("one text frame")
        << hex(textCP) << rk << qk << true << QByteArray("CP:") << "T(CP:)" << char(0);
    QTest::newRow("two text frames join") << hex(textCP) + hex(text2) << rk << qk << true
                                          << QByteArray("CP:2") << "T(CP:) T(2)" << char(0);
    QTest::newRow("text with line end") << hex(textK) << rk << qk << true
                                        << QByteArray("K:12345\r\n") << "T(K:12345\r\n)" << char(0);
    QTest::newRow("garbage between frames")
        << hex("FF 00 13") + hex(textCP) + hex("55 AA 7E") + hex(text2) << rk << qk << true
        << QByteArray("CP:2") << "T(CP:) T(2)" << char(0);
    QTest::newRow("noise without STX after text") << hex(textOK) + hex("41 42") << rk << qk << false
                                                  << QByteArray("OK") << "T(OK)" << char(0);
    QTest::newRow("no STX at all")
        << hex("41 42 43 0D 0A") << rk << qk << false << QByteArray() << "" << char(0);
    QTest::newRow("wrong checksum") << hex("02 4C 12 34 0B 81 43 50 3A CC 03") << rk << qk << false
                                    << QByteArray() << "" << char(0);
    QTest::newRow("wrong ETX") << hex("02 4C 12 34 0B 81 43 50 3A CB 04") << rk << qk << false
                               << QByteArray() << "" << char(0);
    QTest::newRow("bad frame then text")
        << hex("02 4C 12 34 0B 81 43 50 3A CC 03") + hex(text2) << rk << qk << true
        << QByteArray("2") << "T(2)" << char(0);
    QTest::newRow("text then bad frame")
        << hex(text2) + hex("02 4C 12 34 0B 81 43 50 3A CC 03") << rk << qk << false
        << QByteArray("2") << "T(2)" << char(0);
    QTest::newRow("length below 8")
        << hex("02 4C 12 34 05 81 00") << rk << qk << false << QByteArray() << "" << char(0);
    QTest::newRow("length 0 skips one byte") << hex("02 00 00 00 00") + hex(textCP) << rk << qk
                                             << true << QByteArray("CP:") << "T(CP:)" << char(0);
    QTest::newRow("length beyond the bytes")
        << hex("02 4C 12 34 20 81 43 50") << rk << qk << false << QByteArray() << "" << char(0);
    QTest::newRow("length beyond drops the rest")
        << hex(textCP) + hex("02 4C 12 34 FF 81") + hex(text2) << rk << qk << false
        << QByteArray("CP:") << "T(CP:)" << char(0);
    QTest::newRow("cut before length byte") << hex(text2) + hex("02 4C 12") << rk << qk << false
                                            << QByteArray("2") << "T(2)" << char(0);
    QTest::newRow("lone STX") << hex("02") << rk << qk << false << QByteArray() << "" << char(0);
    QTest::newRow("empty reception")
        << QByteArray() << rk << qk << false << QByteArray() << "" << char(0);
    // Another unit's frame is nobody's reply: it neither makes one nor spoils one.
    QTest::newRow("foreign lap timer is no reply")
        << hex(foreignL) << rk << qk << false << QByteArray() << "" << char(0);
    QTest::newRow("reply, then a foreign lap timer")
        << hex(textCP) + hex(foreignL) << rk << qk << true << QByteArray("CP:") << "T(CP:)"
        << char(0);
    QTest::newRow("ID entry 0x alone")
        << hex(textCP) << "0x" << qk << false << QByteArray() << "" << char(0);
    QTest::newRow("ID entry above 0xFFFF")
        << hex(textCP) << "99999" << qk << false << QByteArray() << "" << char(0);
    QTest::newRow("decimal ID entry")
        << hex(textCP) << "4660" << qk << true << QByteArray("CP:") << "T(CP:)" << char(0);
    QTest::newRow("fuel frame") << hex(fuel) << rk << qk << false << QByteArray() << "F" << 'F';
    QTest::newRow("fuel code 0x01")
        << hex(fuel01) << rk << qk << false << QByteArray() << "F" << 'F';
    QTest::newRow("bad checksum then fuel") << hex("02 4C 12 34 0B 81 43 50 3A CC 03") + hex(fuel)
                                            << rk << qk << false << QByteArray() << "F" << 'F';
    QTest::newRow("fuel of another meter is no reply")
        << hex(fuelForeign) << rk << qk << false << QByteArray() << "" << char(0);
    QTest::newRow("another meter's fuel between the frames of a reply")
        << hex(textCP) + hex(fuelForeign) + hex(text2) << rk << qk << true << QByteArray("CP:2")
        << "T(CP:) T(2)" << char(0);
    QTest::newRow("fuel meter, other code")
        << hex(fuelOtherCode) << rk << qk << false << QByteArray() << "" << char(0);
    QTest::newRow("fuel meter, other code, then text")
        << hex(fuelOtherCode) + hex(text2) << rk << qk << true << QByteArray("2") << "T(2)"
        << char(0);
    QTest::newRow("fuel payload too short")
        << hex(fuelShort) << rk << qk << false << QByteArray() << "" << char(0);
    // Every frame of a reception counts, in order: a reply beside a fuel reading is the reply.
    QTest::newRow("fuel, then a reply")
        << hex(fuel) + hex(text2) << rk << qk << true << QByteArray("2") << "F T(2)" << 'F';
    QTest::newRow("reply, then fuel")
        << hex(textCP) + hex(fuel) << rk << qk << true << QByteArray("CP:") << "T(CP:) F" << 'F';
    QTest::newRow("reply, fuel, then noise") << hex(textCP) + hex(fuel) + hex("41 42") << rk << qk
                                             << false << QByteArray("CP:") << "T(CP:) F" << 'F';
    QTest::newRow("two readings") << hex(fuel) + hex(fuel01) << rk << qk << false << QByteArray()
                                  << "F F" << 'F';
    QTest::newRow("fuel kind from lap timer ID")
        << hex(fuel) << "0x5678"
        << "0x1234" << false << QByteArray() << "" << char(0);
    QTest::newRow("live lap") << hex(live) << rk << qk << false << QByteArray() << "V3" << 'L';
    QTest::newRow("live lap, then a reply")
        << hex(live) + hex(textCP) << rk << qk << true << QByteArray("CP:") << "V3 T(CP:)" << 'L';
    QTest::newRow("fuel, live lap, fuel") << hex(fuel) + hex(live) + hex(fuel01) << rk << qk
                                          << false << QByteArray() << "F V3 F" << 'F';
    QTest::newRow("two live laps")
        << hex(live) + hex(live) << rk << qk << false << QByteArray() << "V3 V3" << 'L';
    QTest::newRow("live lap too short")
        << hex(liveShort) << rk << qk << false << QByteArray() << "" << char(0);
    QTest::newRow("block") << block << rk << qk << false << QByteArray() << "B20" << 'L';
    QTest::newRow("text then block")
        << hex(textCP) + block << rk << qk << true << QByteArray("CP:") << "T(CP:) B20" << 'L';
    QTest::newRow("block, then fuel")
        << block + hex(fuel) << rk << qk << false << QByteArray() << "B20 F" << 'F';
    QTest::newRow("block too short")
        << hex(blockShort) << rk << qk << false << QByteArray() << "" << char(0);
    QTest::newRow("block too short, then text")
        << hex(blockShort) + hex(text2) << rk << qk << true << QByteArray("2") << "T(2)" << char(0);
    QTest::newRow("block cut by the reception end")
        << block.left(200) << rk << qk << false << QByteArray() << "" << char(0);
}

void TestFrameScan::scan() {
    QFETCH(QByteArray, reception);
    QFETCH(QString, idRK);
    QFETCH(QString, idQK);
    QFETCH(bool, treatAsText);
    QFETCH(QByteArray, replyText);
    QFETCH(QString, items);
    QFETCH(char, blink);

    const FrameScanResult r = scanFrames(reception, readRadioId(idRK), readRadioId(idQK));
    QCOMPARE(describe(r), items);
    QCOMPARE(r.treatAsText, treatAsText);
    QCOMPARE(r.replyText, replyText);
    QCOMPARE(r.blinkKind, blink);
    QCOMPARE(r.hasLapFrame(), items.contains("B20") || items.contains("V3"));
    QCOMPARE(r.hasLiveLap(), items.contains("V3"));
}

void TestFrameScan::fuelValues_data() {
    QTest::addColumn<QByteArray>("frame");
    QTest::addColumn<quint32>("distance");
    QTest::addColumn<float>("remaining");
    QTest::addColumn<float>("used");
    QTest::addColumn<float>("economy");
    QTest::newRow("code 0x81") << hex(fuel) << 1234u << 12.5f << 3.25f << 8.0f;
    QTest::newRow("code 0x01, largest distance")
        << hex(fuel01) << 16777215u << -1.5f << 0.0f << 100.25f;
}

void TestFrameScan::fuelValues() {
    QFETCH(QByteArray, frame);
    QFETCH(quint32, distance);
    QFETCH(float, remaining);
    QFETCH(float, used);
    QFETCH(float, economy);
    const FrameScanResult r = scanFrames(frame, 0x1234, 0x5678);
    QVERIFY(r.lastLapOrFuel());
    const FuelReading& f = r.lastLapOrFuel()->fuel;
    QCOMPARE(f.distance, distance);
    QCOMPARE(f.remaining, remaining);
    QCOMPARE(f.used, used);
    QCOMPARE(f.economy, economy);
    QCOMPARE(r.lastLapOrFuel()->bytes, frame);
}

void TestFrameScan::lapFrameHandedOverWhole() {
    // Noise before the frame is not part of what the lap decoder gets.
    const QByteArray block = blockFrame();
    const FrameScanResult r = scanFrames(hex("41 41") + block + hex("99"), 0x1234, 0x5678);
    QVERIFY(r.lastLapOrFuel());
    QCOMPARE(r.lastLapOrFuel()->bytes, block);
    QCOMPARE(r.lastLapOrFuel()->recordCount, 20);
}

void TestFrameScan::randomReceptions() {
    // Full 12 KB receptions of noise, some with valid frames spliced in: the scan never
    // hands over anything that is not a whole, well-formed frame inside the reception.
    QRandomGenerator random(20261209);
    const QList<QByteArray> frames = {hex(textCP), hex(fuel), hex(live), blockFrame()};
    for (int round = 0; round < 200; ++round) {
        QByteArray reception(12288, Qt::Uninitialized);
        for (char& c : reception)
            c = char(random.bounded(256));
        if (round % 2) {
            const QByteArray& f = frames[random.bounded(frames.size())];
            reception.replace(random.bounded(12288 - f.size()), f.size(), f);
        }
        const FrameScanResult r = scanFrames(reception, 0x1234, 0x5678);
        for (const FrameItem& item : r.items) {
            QVERIFY(reception.contains(item.bytes));
            if (item.kind == FrameItem::Kind::Text)
                continue;
            const auto* b = reinterpret_cast<const quint8*>(item.bytes.constData());
            QCOMPARE(int(b[4]), item.bytes.size());
            QCOMPARE(b[item.bytes.size() - 1], quint8(0x03));
            if (item.kind != FrameItem::Kind::Fuel)
                QVERIFY(item.bytes.size() >= lapFrameLength(item.recordCount));
            else
                QVERIFY(item.bytes.size() >= FuelFrameLength);
        }
    }
}

QTEST_APPLESS_MAIN(TestFrameScan)
#include "tst_framescan.moc"
