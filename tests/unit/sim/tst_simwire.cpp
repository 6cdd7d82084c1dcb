// Wire formats of the instrument simulator, pinned with literal bytes.
#include "simfield.h"
#include "simframe.h"
#include "siminstrument.h"
#include "simlaps.h"
#include "simoptions.h"
#include "simpacer.h"
#include "simreplay.h"
#include "simsettings.h"
#include "support/simfixtures.h"

#include <QtTest>

#include <cstring>

using namespace kodasim;
using namespace simfixtures;

namespace {

// Three laps with two sectors: lap 2 is best and ties lap 3 on top speed (lower lap
// wins), lap 3 has the fastest sector 1, lap 2 the fastest sector 2.
const QByteArray kLapsCsv = "# time,s1,s2,speed\n"
                            "8345,4000,4345,123\n"
                            "8100,4100,4000,150\n"
                            "\n"
                            "8200,3900,4300,150\n";

LapStore fixtureLaps() {
    QString error;
    const auto laps = LapStore::fromCsv(kLapsCsv, &error);
    if (!laps)
        qFatal("fixture laps: %s", qPrintable(error));
    return *laps;
}

SimOptions simOptionsFrom(const QStringList& args) {
    const ParsedOptions parsed = parseSimOptions(QStringList{"koda-sim"} + args);
    if (!parsed.options)
        qFatal("options: %s", qPrintable(parsed.message));
    return *parsed.options;
}

} // namespace

class TestSimWire : public QObject {
    Q_OBJECT
private slots:
    void frameEncoding_data();
    void frameEncoding();
    void frameReaderSkipsJunkAndBrokenFrames();
    void frameReaderWaitsForTheRest();
    void lapInfoText();
    void lapDataText();
    void blockPayload();
    void livePayload();
    void rk12Lists_data();
    void rk12Lists();
    void generatedLapsAreRealisticAndRepeatable();
    void lapsFileErrors_data();
    void lapsFileErrors();
    void settings_data();
    void settings();
    void rk13AnswersTheDocumentedFrames();
    void rk13IgnoresOtherIds();
    void probeIsFoundInAnyModel_data();
    void probeIsFoundInAnyModel();
    void rk12ClearAndList();
    void faultsChangeTheFrames();
    void fuelFrames();
    void fieldLink();
    void listSplitPoint_data();
    void listSplitPoint();
    void pacingSchedule_data();
    void pacingSchedule();
    void options_data();
    void options();
    void replayKeepsReceptionsApartAndReportsDepartures();
};

void TestSimWire::frameEncoding_data() {
    QTest::addColumn<int>("code");
    QTest::addColumn<QByteArray>("payload");
    QTest::addColumn<QByteArray>("frame");
    QTest::newRow("@CP") << 0x01 << QByteArray("@CP\r\n") << kCpFrame;
    QTest::newRow("@VER") << 0x01 << QByteArray("@VER\r\n")
                          << bytes({0x02, 0x4C, 0x12, 0x34, 0x0E, 0x01, 0x40, 0x56, 0x45, 0x52,
                                    0x0D, 0x0A, 0x61, 0x03});
    QTest::newRow("lap 1") << 0x02 << bytes({0x00, 0x01}) << kLapRequest1;
    QTest::newRow("lap 21") << 0x02 << bytes({0x00, 0x15})
                            << bytes({0x02, 0x4C, 0x12, 0x34, 0x0A, 0x02, 0x00, 0x15, 0x75, 0x03});
}

void TestSimWire::frameEncoding() {
    QFETCH(int, code);
    QFETCH(QByteArray, payload);
    QFETCH(QByteArray, frame);
    QCOMPARE(encodeFrame('L', 0x1234, static_cast<quint8>(code), payload), frame);

    FrameReader reader;
    reader.append(frame);
    const auto decoded = reader.next();
    QVERIFY(decoded);
    QCOMPARE(decoded->kind, 'L');
    QCOMPARE(decoded->id, quint16(0x1234));
    QCOMPARE(decoded->code, quint8(code));
    QCOMPARE(decoded->payload, payload);
    QVERIFY(!reader.next());
}

void TestSimWire::frameReaderSkipsJunkAndBrokenFrames() {
    const QByteArray good = kCpFrame;
    QByteArray badSum = good;
    badSum[11] = 0x31;
    FrameReader reader;
    // Noise, a frame with a wrong checksum, a length byte below 8, then the real frame.
    reader.append(QByteArray("xx\x01") + badSum + bytes({0x02, 0x4C, 0x00, 0x00, 0x03}) + good);
    const auto frame = reader.next();
    QVERIFY(frame);
    QCOMPARE(frame->payload, QByteArray("@CP\r\n"));
    QVERIFY(!reader.next());
    QCOMPARE(reader.pendingBytes(), 0);
}

void TestSimWire::frameReaderWaitsForTheRest() {
    const QByteArray good = kLapRequest1;
    FrameReader reader;
    reader.append(good.left(4));
    QVERIFY(!reader.next());
    reader.append(good.mid(4, 3));
    QVERIFY(!reader.next());
    reader.append(good.mid(7));
    const auto frame = reader.next();
    QVERIFY(frame);
    QCOMPARE(frame->code, quint8(0x02));
    QCOMPARE(frame->payload, bytes({0x00, 0x01}));
}

void TestSimWire::lapInfoText() {
    QCOMPARE(fixtureLaps().lapInfoText(), QByteArray("LInfo:3,2,2,2,3,2,0,0\r\n"));
    QCOMPARE(LapStore({}, 3).lapInfoText(), QByteArray("LInfo:0,0,0,3,0,0,0,0\r\n"));
}

void TestSimWire::lapDataText() {
    QCOMPARE(fixtureLaps().lapDataText(1),
             QByteArray("LData:001,01'23\"45,123,00'40\"00,00'43\"45,00'00\"00,00'00\"00\r\n"));
    QCOMPARE(fixtureLaps().lapDataText(4),
             QByteArray("LData:004,00'00\"00,000,00'00\"00,00'00\"00,00'00\"00,00'00\"00\r\n"));
}

void TestSimWire::blockPayload() {
    const QByteArray payload = fixtureLaps().blockPayload(1);
    QCOMPARE(payload.size(), 2 + 20 * 12);
    QCOMPARE(payload.left(2 + 12), bytes({0x00, 0x01, 0x20, 0x99, 0x00, 0x7B, 0x0F, 0xA0, 0x10,
                                          0xF9, 0x00, 0x00, 0x00, 0x00}));
    // Laps past the lap count travel as zero records, so every block is 250 bytes long.
    QCOMPARE(payload.mid(2 + 3 * 12), QByteArray(17 * 12, '\0'));
    const QByteArray frame = encodeFrame('L', 0x1234, 0x82, payload);
    QCOMPARE(frame.size(), 250);
    QCOMPARE(static_cast<quint8>(frame.at(4)), quint8(250));

    const QByteArray fromLap3 = fixtureLaps().blockPayload(3);
    QCOMPARE(fromLap3.left(2 + 12), bytes({0x00, 0x03, 0x20, 0x08, 0x00, 0x96, 0x0F, 0x3C, 0x10,
                                           0xCC, 0x00, 0x00, 0x00, 0x00}));
}

void TestSimWire::livePayload() {
    LapStore laps = fixtureLaps();
    QByteArray payload = laps.livePayload();
    QCOMPARE(payload.size(), 2 + 3 * 12);
    QCOMPARE(payload.left(2), bytes({0x00, 0x03}));
    QCOMPARE(payload.mid(2, 2), bytes({0x20, 0x99})); // lap 1 first, lap 3 last
    QCOMPARE(payload.mid(2 + 24, 2), bytes({0x20, 0x08}));
    QCOMPARE(encodeFrame('L', 0x1234, 0x83, payload).size(), 46);

    LapStore one({Lap{8345, 123, {8345, 0, 0, 0}}}, 1);
    payload = one.livePayload();
    QCOMPARE(payload.left(2), bytes({0x00, 0x01}));
    QCOMPARE(payload.mid(2, 24), QByteArray(24, '\0')); // laps -1 and 0 do not exist
    QCOMPARE(payload.mid(26, 2), bytes({0x20, 0x99}));
}

void TestSimWire::rk12Lists_data() {
    QTest::addColumn<int>("sector");
    QTest::addColumn<bool>("endLine");
    QTest::addColumn<QByteArray>("text");
    QTest::newRow("laps") << 0 << false
                          << QByteArray("Laps,3\r\n"
                                        "Fastest,Lap,002,Top,Speed,Lap,002\r\n"
                                        "Lap,Time,Speed\r\n"
                                        "001,\" 01'23\"\"45\",123\r\n"
                                        "002,\" 01'21\"\"00\",150\r\n"
                                        "003,\" 01'22\"\"00\",150\r\n");
    QTest::newRow("laps, old form with END") << 0 << true
                                             << QByteArray("Laps,3\r\n"
                                                           "Fastest,Lap,002,Top,Speed,Lap,002\r\n"
                                                           "Lap,Time,Speed\r\n"
                                                           "001,\" 01'23\"\"45\",123\r\n"
                                                           "002,\" 01'21\"\"00\",150\r\n"
                                                           "003,\" 01'22\"\"00\",150\r\n"
                                                           "END\r\n");
    QTest::newRow("sector 1") << 1 << false
                              << QByteArray("Laps,3\r\n"
                                            "Fastest,Sector,003,Sector,1\r\n"
                                            "Lap,Sector1\r\n"
                                            "001,\" 00'40\"\"00\"\r\n"
                                            "002,\" 00'41\"\"00\"\r\n"
                                            "003,\" 00'39\"\"00\"\r\n");
    QTest::newRow("sector 3, not measured") << 3 << false
                                            << QByteArray("Laps,3\r\n"
                                                          "Fastest,Sector,000,Sector,3\r\n"
                                                          "Lap,Sector3\r\n"
                                                          "001,\" 00'00\"\"00\"\r\n"
                                                          "002,\" 00'00\"\"00\"\r\n"
                                                          "003,\" 00'00\"\"00\"\r\n");
}

void TestSimWire::rk12Lists() {
    QFETCH(int, sector);
    QFETCH(bool, endLine);
    QFETCH(QByteArray, text);
    QCOMPARE(fixtureLaps().rk12List(sector, endLine), text);
}

void TestSimWire::generatedLapsAreRealisticAndRepeatable() {
    for (int sectors = 1; sectors <= 4; ++sectors) {
        const LapStore laps = LapStore::generate(300, sectors, 7);
        QCOMPARE(laps.count(), 300);
        for (const Lap& lap : laps.laps()) {
            QVERIFY(lap.time >= 7000 && lap.time <= 9000);
            QVERIFY(lap.topSpeed >= 90 && lap.topSpeed <= 180);
            int sum = 0;
            for (int s = 0; s < 4; ++s) {
                if (s < sectors)
                    QVERIFY(lap.sectors[s] > 0);
                else
                    QCOMPARE(lap.sectors[s], quint16(0));
                sum += lap.sectors[s];
            }
            QCOMPARE(sum, int(lap.time));
        }
    }
    QCOMPARE(LapStore::generate(20, 3, 42).laps(), LapStore::generate(20, 3, 42).laps());
    QVERIFY(LapStore::generate(20, 3, 42).laps() != LapStore::generate(20, 3, 43).laps());
    // Live laps continue the same series as the stored ones.
    LapStore grown = LapStore::generate(10, 2, 5);
    QVERIFY(grown.addGeneratedLap(5));
    QCOMPARE(grown.laps(), LapStore::generate(11, 2, 5).laps());
    LapStore full = LapStore::generate(300, 2, 5);
    QVERIFY(!full.addGeneratedLap(5));
    QCOMPARE(full.count(), 300);
}

void TestSimWire::lapsFileErrors_data() {
    QTest::addColumn<QByteArray>("text");
    QTest::newRow("no sector") << QByteArray("8000,120\n");
    QTest::newRow("five sectors") << QByteArray("8000,1,2,3,4,5,120\n");
    QTest::newRow("sector count changes") << QByteArray("8000,4000,4000,120\n8000,8000,120\n");
    QTest::newRow("not a number") << QByteArray("8000,abc,120\n");
    QTest::newRow("above 16 bits") << QByteArray("65536,8000,120\n");
    QByteArray tooMany;
    for (int i = 0; i < 301; ++i)
        tooMany += "8000,8000,120\n";
    QTest::newRow("301 laps") << tooMany;
}

void TestSimWire::lapsFileErrors() {
    QFETCH(QByteArray, text);
    QString error;
    QVERIFY(!LapStore::fromCsv(text, &error));
    QVERIFY(error.startsWith(QLatin1String("line ")));
}

void TestSimWire::settings_data() {
    QTest::addColumn<bool>("rk13");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<QList<QByteArray>>("commands");
    QTest::addColumn<QByteArray>("lastReply");
    using L = QList<QByteArray>;
    QTest::newRow("CP") << true << false << L{"@CP\r\n"} << QByteArray("CP:3\r\n");
    QTest::newRow("K") << true << false << L{"@K\r\n"} << QByteArray("K:12345\r\n");
    QTest::newRow("version") << true << false << L{"@VER\r\n"} << QByteArray("Version 1.23a\r\n");
    QTest::newRow("odo") << false << false << L{"@ODO\r\n"} << QByteArray("Odo:01234\r\n");
    QTest::newRow("display type") << true << false << L{"@DISPLAYTYPE\r\n"}
                                  << QByteArray("DisplayType:R\r\n");
    QTest::newRow("lap disp time")
        << true << false << L{"@LAPDISPTIME\r\n"} << QByteArray("LapDispTime:05\r\n");
    QTest::newRow("pass cp") << true << false << L{"@PASSCP\r\n"} << QByteArray("PassCP:1\r\n");
    QTest::newRow("separator") << true << false << L{"@SEPARATOR\r\n"}
                               << QByteArray("Separator::\r\n");
    QTest::newRow("diameter") << false << false << L{"@DIAMETER\r\n"}
                              << QByteArray("Diameter:04\r\n");
    QTest::newRow("sensor") << true << false << L{"@SENSORMARKTIME\r\n"}
                            << QByteArray("SensorMarkTime:3\r\n");
    QTest::newRow("gap") << true << false << L{"@GAP\r\n"} << QByteArray("GAP:0\r\n");
    QTest::newRow("write CP") << true << false << L{"@CP:4\r\n"} << QByteArray("CP:4\r\n");
    QTest::newRow("write CP, read back")
        << false << true << L{"@CP:2\r\n", "@CP\r\n"} << QByteArray("CP:2\r\n");
    QTest::newRow("write CP, ok") << true << true << L{"@CP:2\r\n"} << QByteArray("OK\r\n");
    QTest::newRow("CP out of range") << true << false << L{"@CP:5\r\n"} << QByteArray("CP:3\r\n");
    QTest::newRow("write separator quote")
        << true << false << L{"@SEPARATOR:\"\r\n"} << QByteArray("Separator:\"\r\n");
    QTest::newRow("write separator colon")
        << true << false << L{"@SEPARATOR:\"\r\n", "@SEPARATOR::\r\n"}
        << QByteArray("Separator::\r\n");
    QTest::newRow("write display L")
        << true << false << L{"@DISPLAYTYPE:L\r\n"} << QByteArray("DisplayType:L\r\n");
    QTest::newRow("write K") << true << false << L{"@K:150000\r\n"} << QByteArray("K:150000\r\n");
    QTest::newRow("write diameter 20")
        << false << false << L{"@DIAMETER:20\r\n"} << QByteArray("Diameter:20\r\n");
    QTest::newRow("diameter 3 refused")
        << false << false << L{"@DIAMETER:3\r\n"} << QByteArray("Diameter:04\r\n");
    QTest::newRow("write lap disp time")
        << true << false << L{"@LAPDISPTIME:59\r\n"} << QByteArray("LapDispTime:59\r\n");
    QTest::newRow("write gap") << true << false << L{"@GAP:1\r\n"} << QByteArray("GAP:1\r\n");
    QTest::newRow("clear") << true << false << L{"@CLR\r\n"} << QByteArray("OK\r\n");
}

void TestSimWire::settings() {
    QFETCH(bool, rk13);
    QFETCH(bool, ok);
    QFETCH(QList<QByteArray>, commands);
    QFETCH(QByteArray, lastReply);
    QStringList args{rk13 ? "--rk13" : "--rk12"};
    if (ok)
        args << "--write-reply"
             << "ok";
    Instrument instrument(simOptionsFrom(args), LapStore::generate(5, 3, 1));
    QByteArray reply;
    for (const QByteArray& command : commands) {
        const QByteArray sent = rk13 ? encodeFrame('L', 0x1234, 0x01, command) : command;
        const QList<QByteArray> replies = instrument.receive(sent);
        QCOMPARE(replies.size(), 1);
        reply = replies.first();
    }
    if (rk13) {
        FrameReader reader;
        reader.append(reply);
        const auto frame = reader.next();
        QVERIFY(frame);
        QCOMPARE(frame->kind, 'L');
        QCOMPARE(frame->id, quint16(0x1234));
        QCOMPARE(frame->code, quint8(0x01));
        reply = frame->payload;
    }
    QCOMPARE(reply, lastReply);
}

void TestSimWire::rk13AnswersTheDocumentedFrames() {
    Instrument instrument(simOptionsFrom({"--rk13", "--rk13-id", "0x1234"}), fixtureLaps());
    // "@CP\r\n" to ID 0x1234, split over two reads.
    const QByteArray cp = kCpFrame;
    QVERIFY(instrument.receive(cp.left(6)).isEmpty());
    QList<QByteArray> replies = instrument.receive(cp.mid(6));
    QCOMPARE(replies.size(), 1);
    QCOMPARE(replies.first(), bytes({0x02, 0x4C, 0x12, 0x34, 0x0E, 0x01, 'C', 'P', ':', '2', 0x0D,
                                     0x0A, 0x7B, 0x03}));

    replies = instrument.receive(kLapRequest1);
    QCOMPARE(replies.size(), 1);
    const QByteArray block = replies.first();
    QCOMPARE(block.size(), 250);
    QCOMPARE(block.left(8), bytes({0x02, 0x4C, 0x12, 0x34, 0xFA, 0x82, 0x00, 0x01}));
    QCOMPARE(block.mid(8, 2), bytes({0x20, 0x99}));
    QCOMPARE(block.at(249), '\x03');

    replies = instrument.receive(encodeFrame('L', 0x1234, 0x01, "@LINFO\r\n"));
    QCOMPARE(replies.size(), 1);
    QCOMPARE(replies.first().mid(6, replies.first().size() - 8),
             QByteArray("LInfo:3,2,2,2,3,2,0,0\r\n"));

    replies = instrument.receive(encodeFrame('L', 0x1234, 0x01, "@CLR\r\n"));
    QCOMPARE(replies.first().mid(6, 4), QByteArray("OK\r\n"));
    QCOMPARE(instrument.laps().count(), 0);
}

void TestSimWire::rk13IgnoresOtherIds() {
    Instrument instrument(simOptionsFrom({"--rk13"}), fixtureLaps());
    QVERIFY(instrument.receive(encodeFrame('L', 0x1235, 0x01, "@CP\r\n")).isEmpty());
    QVERIFY(instrument.receive(encodeFrame('F', 0x1234, 0x01, "@CP\r\n")).isEmpty());
    QVERIFY(instrument.receive(encodeFrame('L', 0x1234, 0x01, "@CP\r\n", true)).isEmpty());
    QVERIFY(instrument.receive("@CP\r\n").isEmpty()); // an RK-13 only listens to frames
    QVERIFY(instrument.receive(encodeFrame('L', 0x1234, 0x01, "@NOSUCH\r\n")).isEmpty());
}

void TestSimWire::probeIsFoundInAnyModel_data() {
    simfixtures::addModelRows();
}

void TestSimWire::probeIsFoundInAnyModel() {
    QFETCH(QStringList, args);
    Instrument instrument(simOptionsFrom(args), fixtureLaps());
    QVERIFY(instrument.receive("KODA LiNK").isEmpty());
    QList<QByteArray> replies = instrument.receive(" Search");
    QCOMPARE(replies, QList<QByteArray>{QByteArray("KODA LiNK Found\r\n")});
    replies = instrument.receive("KODA LiNK Search");
    QCOMPARE(replies.size(), 1);
    QVERIFY(replies.first().contains("KODA LiNK Found"));
}

void TestSimWire::rk12ClearAndList() {
    Instrument instrument(simOptionsFrom({"--rk12"}), fixtureLaps());
    // A probe directly followed by a command line: both are answered.
    QList<QByteArray> replies = instrument.receive("KODA LiNK Search@CP\r\n");
    QCOMPARE(replies.size(), 2);
    QCOMPARE(replies.at(1), QByteArray("CP:2\r\n"));
    replies = instrument.receive("@LAP\r\n@SECTOR:2\r\n");
    QCOMPARE(replies.size(), 2);
    QVERIFY(replies.at(0).startsWith("Laps,3\r\nFastest,Lap,002,"));
    QVERIFY(replies.at(1).startsWith("Laps,3\r\nFastest,Sector,002,Sector,2\r\n"));
    // The last line is the last lap line: no end line follows it.
    QVERIFY(replies.at(1).endsWith("\r\n"));
    QVERIFY(replies.at(1).chopped(2).split('\n').last().startsWith("003,\""));
    QCOMPARE(instrument.receive("@CLR\r\n"), QList<QByteArray>{QByteArray("OK\r\n")});
    QCOMPARE(instrument.receive("@LAP\r\n").first(),
             QByteArray("Laps,0\r\nFastest,Lap,000,Top,Speed,Lap,000\r\nLap,Time,Speed\r\n"));
    Instrument old(simOptionsFrom({"--rk12", "--list-end"}), fixtureLaps());
    QVERIFY(old.receive("@LAP\r\n").first().endsWith(",150\r\nEND\r\n"));
    // RK-13 commands are not the RK-12's.
    QVERIFY(instrument.receive("@LINFO\r\n@K\r\n@GAP\r\n").isEmpty());
}

void TestSimWire::faultsChangeTheFrames() {
    Instrument foreign(simOptionsFrom({"--rk13", "--foreign-id"}), fixtureLaps());
    QList<QByteArray> replies = foreign.receive(encodeFrame('L', 0x1234, 0x01, "@CP\r\n"));
    QCOMPARE(replies.first().mid(1, 3), bytes({0x4C, 0x12, 0x35}));
    // Another team's fuel meter: a whole fuel frame from the QK-11's ID + 1.
    Instrument meters(simOptionsFrom({"--rk13", "--qk11", "--qk11-id", "0x5678"}), fixtureLaps());
    QCOMPARE(meters.foreignFuelFrame(),
             bytes({0x02, 0x46, 0x56, 0x79, 0x17, 0x81, 0x41, 0xF4, 0x00, 0x00, 0x41, 0x68,
                    0x00, 0x00, 0x40, 0xC8, 0x00, 0x00, 0x00, 0x03, 0x84, 0x6E, 0x03}));

    Instrument broken(simOptionsFrom({"--rk13", "--bad-checksum"}), fixtureLaps());
    replies = broken.receive(encodeFrame('L', 0x1234, 0x01, "@CP\r\n"));
    FrameReader reader;
    reader.append(replies.first());
    QVERIFY(!reader.next());

    Instrument ldata(simOptionsFrom({"--rk13", "--ldata", "--text-code", "0x81"}), fixtureLaps());
    replies = ldata.receive(encodeFrame('L', 0x1234, 0x02, bytes({0x00, 0x02})));
    QCOMPARE(replies.size(), 1);
    QCOMPARE(static_cast<quint8>(replies.first().at(5)), quint8(0x81));
    QCOMPARE(replies.first().mid(6, replies.first().size() - 8),
             QByteArray("LData:002,01'21\"00,150,00'41\"00,00'40\"00,00'00\"00,00'00\"00\r\n"));
}

void TestSimWire::fuelFrames() {
    Instrument instrument(simOptionsFrom({"--qk11", "--qk11-id", "0x5678"}), LapStore());
    const QByteArray first = instrument.fuelFrame();
    const QByteArray second = instrument.fuelFrame();
    QCOMPARE(first.size(), 23);
    QCOMPARE(first.left(6), bytes({0x02, 0x46, 0x56, 0x78, 0x17, 0x01}));
    QCOMPARE(second.left(6), bytes({0x02, 0x46, 0x56, 0x78, 0x17, 0x81}));
    FrameReader reader;
    reader.append(first);
    const auto frame = reader.next();
    QVERIFY(frame);
    const auto floatAt = [&](int offset) {
        const quint32 bits = (quint32(quint8(frame->payload.at(offset))) << 24) |
                             (quint32(quint8(frame->payload.at(offset + 1))) << 16) |
                             (quint32(quint8(frame->payload.at(offset + 2))) << 8) |
                             quint32(quint8(frame->payload.at(offset + 3)));
        float v = 0;
        std::memcpy(&v, &bits, sizeof v);
        return v;
    };
    QCOMPARE(floatAt(0), 45.0f - 0.025f);
    QCOMPARE(floatAt(4), 0.025f);
    QVERIFY(floatAt(8) > 5 && floatAt(8) < 20);
    QCOMPARE(frame->payload.mid(12, 3), bytes({0x00, 0x00, 0x03}));
}

void TestSimWire::fieldLink() {
    // One-digit values without a leading zero, two-digit values as they are.
    Instrument rk12(simOptionsFrom({"--rk12", "--unpadded"}), fixtureLaps());
    QCOMPARE(rk12.receive("@LAPDISPTIME\r\n"), QList<QByteArray>{"LapDispTime:5\r\n"});
    QCOMPARE(rk12.receive("@LAPDISPTIME:12\r\n"), QList<QByteArray>{"LapDispTime:12\r\n"});
    QCOMPARE(rk12.receive("@DIAMETER\r\n"), QList<QByteArray>{"Diameter:4\r\n"});

    const SimOptions field = simOptionsFrom({"--field", "--seed", "7"});
    QCOMPARE(field.sharedPushPercent, 20);
    QCOMPARE(field.partialFramePercent, 10);
    QCOMPARE(field.lostToLivePercent, 10);
    QVERIFY(field.liveInDownload && field.unpadded);
    QCOMPARE(field.foreignFuelPeriodMs, 1500);
    FieldLink link(field);
    FieldLink same(field);
    int spoiled = 0;
    bool last = false;
    for (int i = 0; i < 200; ++i) {
        const FieldLink::Draw d = link.next(true, true);
        const FieldLink::Draw e = same.next(true, true);
        QCOMPARE(d.spoil, e.spoil);                       // the seed decides
        QVERIFY(d.spoil != FieldLink::Spoil::LostToLive); // only settings replies are lost
        const bool now = d.spoil != FieldLink::Spoil::None;
        QVERIFY(!(now && last)); // a reply sent again is never spoiled as well
        spoiled += now;
        last = now;
        QVERIFY(d.lateMs == 0 || (d.lateMs >= 300 && d.lateMs <= 700));
    }
    QVERIFY(spoiled > 20 && spoiled < 80);
    FieldLink settings(field);
    int lost = 0;
    for (int i = 0; i < 200; ++i)
        lost += settings.next(true, true, true).spoil == FieldLink::Spoil::LostToLive;
    QVERIFY(lost > 5 && lost < 40);

    // Every STX of the noise has a length byte (four bytes on) that ends inside it.
    for (int i = 0; i < 50; ++i) {
        const QByteArray noise = link.strayStx(24);
        QCOMPARE(noise.size(), 24);
        for (qsizetype at = noise.indexOf('\x02'); at >= 0; at = noise.indexOf('\x02', at + 1)) {
            QVERIFY(at + 4 < noise.size());
            const int length = static_cast<quint8>(noise.at(at + 4));
            QVERIFY(length >= 3 && at + length <= noise.size());
        }
    }
    const QByteArray frame = encodeFrame('L', 0x1234, 0x01, "CP:3\r\n");
    const QByteArray cut = link.cut(frame);
    QVERIFY(cut.size() >= 5 && cut.size() < frame.size());
    QVERIFY(frame.startsWith(cut));
}

void TestSimWire::listSplitPoint_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QByteArray>("before"); // what goes out before the pause
    const QByteArray list = "Laps,1\r\nFastest,Lap,001,Top,Speed,Lap,001\r\nLap,Time,Speed\r\n"
                            "001,\" 01'23\"\"45\",140\r\n";
    QTest::newRow("middle") << QStringList{} << list.left(list.size() / 2);
    QTest::newRow("right after the last comma")
        << QStringList{"--list-split", "last-comma"} << list.chopped(5);
    QTest::newRow("inside the last value")
        << QStringList{"--list-split", "-3"} << list.left(list.indexOf(",140") + 3);
    QTest::newRow("after the first byte") << QStringList{"--list-split", "1"} << list.left(1);
    QTest::newRow("beyond the list: all but its last byte")
        << QStringList{"--list-split", "5000"} << list.chopped(1);
}

void TestSimWire::listSplitPoint() {
    QFETCH(QStringList, args);
    QFETCH(QByteArray, before);
    const QByteArray list = "Laps,1\r\nFastest,Lap,001,Top,Speed,Lap,001\r\nLap,Time,Speed\r\n"
                            "001,\" 01'23\"\"45\",140\r\n";
    FieldLink link(simOptionsFrom(QStringList{"--rk12", "--list-pause", "300"} + args));
    QCOMPARE(list.left(link.listSplit(list)), before);

    // At random, any byte, the same for the same seed.
    FieldLink drawn(simOptionsFrom({"--rk12", "--field", "--seed", "3"}));
    FieldLink again(simOptionsFrom({"--rk12", "--field", "--seed", "3"}));
    QSet<qsizetype> points;
    for (int i = 0; i < 1000; ++i) {
        const qsizetype at = drawn.listSplit(list);
        QCOMPARE(again.listSplit(list), at);
        QVERIFY(at >= 1 && at < list.size());
        points.insert(at);
    }
    QVERIFY(points.contains(list.size() - 5)); // right after the last comma
    QVERIFY(points.contains(list.size() - 3)); // inside the last value
}

void TestSimWire::pacingSchedule_data() {
    QTest::addColumn<int>("bytes");
    QTest::addColumn<int>("baud");
    QTest::addColumn<qint64>("totalUs");
    QTest::newRow("1000 bytes at 9600") << 1000 << 9600 << qint64(1145833);
    QTest::newRow("250-byte block at 38400") << 250 << 38400 << qint64(71614);
    QTest::newRow("one byte at 1200") << 1 << 1200 << qint64(9166);
    QTest::newRow("7000-byte list at 38400") << 7000 << 38400 << qint64(2005208);
}

void TestSimWire::pacingSchedule() {
    QFETCH(int, bytes);
    QFETCH(int, baud);
    QFETCH(qint64, totalUs);
    QCOMPARE(pacing::wireTimeUs(bytes, baud), totalUs);
    const QList<PacedChunk> chunks = pacing::schedule(bytes, baud);
    QVERIFY(!chunks.isEmpty());
    QCOMPARE(chunks.first().startUs, 0);
    qsizetype next = 0;
    for (int i = 0; i < chunks.size(); ++i) {
        const PacedChunk& c = chunks.at(i);
        QCOMPARE(c.offset, next); // contiguous, nothing lost or repeated
        QVERIFY(c.length >= 1);
        // A chunk may go out when the bytes before it have left the wire, no sooner.
        QCOMPARE(c.startUs, pacing::wireTimeUs(c.offset, baud));
        // The receiver ends a reception after 200 ms of quiet: the gap between two
        // chunks stays far below that.
        if (i > 0)
            QVERIFY(c.startUs - chunks.at(i - 1).startUs < 20000);
        next += c.length;
    }
    QCOMPARE(next, qsizetype(bytes));
    QVERIFY(chunks.last().startUs < totalUs);
}

void TestSimWire::options_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("exitCode");
    QTest::newRow("defaults") << QStringList{} << -1;
    QTest::newRow("rk12 and rk13") << QStringList{"--rk12", "--rk13"} << 2;
    QTest::newRow("rk12 and qk11") << QStringList{"--rk12", "--qk11"} << -1;
    QTest::newRow("help") << QStringList{"--help"} << 0;
    QTest::newRow("laps 301") << QStringList{"--laps", "301"} << 2;
    QTest::newRow("sectors 0") << QStringList{"--sectors", "0"} << 2;
    QTest::newRow("id too big") << QStringList{"--rk13-id", "0x10000"} << 2;
    QTest::newRow("text code 0x82") << QStringList{"--text-code", "0x82"} << 2;
    QTest::newRow("live without rk13") << QStringList{"--rk12", "--live-period", "100"} << 2;
    QTest::newRow("fuel without qk11") << QStringList{"--fuel-period", "100"} << 2;
    QTest::newRow("laps file and laps") << QStringList{"--laps-file", "x", "--laps", "3"} << 2;
    QTest::newRow("unknown option") << QStringList{"--frobnicate"} << 2;
    QTest::newRow("field") << QStringList{"--field"} << -1;
    QTest::newRow("spoiling more than every reply")
        << QStringList{"--shared-pushes", "60", "--partial-frames", "50"} << 2;
    QTest::newRow("losing more than every reply")
        << QStringList{"--shared-pushes", "50", "--lost-to-live", "60"} << 2;
    QTest::newRow("late beyond 100") << QStringList{"--late", "101"} << 2;
    QTest::newRow("list split last-comma") << QStringList{"--list-split", "last-comma"} << -1;
    QTest::newRow("list split at no byte") << QStringList{"--list-split", "0"} << 2;
    QTest::newRow("list split elsewhere") << QStringList{"--list-split", "end"} << 2;
    QTest::newRow("every list garbled") << QStringList{"--garble-list", "0"} << -1;
    QTest::newRow("garbled list -1") << QStringList{"--garble-list", "-1"} << 2;
}

void TestSimWire::options() {
    QFETCH(QStringList, args);
    QFETCH(int, exitCode);
    const ParsedOptions parsed = parseSimOptions(QStringList{"koda-sim"} + args);
    if (exitCode < 0) {
        QVERIFY2(parsed.options, qPrintable(parsed.message));
        if (args.isEmpty()) {
            QVERIFY(parsed.options->rk13);
            QVERIFY(!parsed.options->rk12);
            QCOMPARE(parsed.options->rk13Id, quint16(0x1234));
            QCOMPARE(parsed.options->qk11Id, quint16(0x5678));
            QCOMPARE(parsed.options->baud, 38400);
            QCOMPARE(parsed.options->latencyMs, 20);
        }
        return;
    }
    QVERIFY(!parsed.options);
    QCOMPARE(parsed.exitCode, exitCode);
    QVERIFY(!parsed.message.isEmpty());
}

QTEST_GUILESS_MAIN(TestSimWire)
// A capture where a fuel reading came in just before the reply to a request (both handed over
// separately, 260 ms apart): played back, the reply must not follow the reading closer than the
// program's 200 ms quiet time, or the two would become one reception and the reply be lost.
// A request that differs from the captured one is reported; a damaged capture is refused.
void TestSimWire::replayKeepsReceptionsApartAndReportsDepartures() {
    const QByteArray request = QByteArray::fromHex("024c12340d01404350 0d0a3003");
    const QByteArray fuel(23, 'F');
    const QByteArray reply(53, 'R');
    ReplayScript script({{true, 1'000'000, request},
                         {false, 1'130'000, fuel},
                         {false, 1'390'000, reply},
                         {true, 1'500'000, request},
                         {false, 1'750'000, reply}},
                        38400);
    QVERIFY(script.start(0).sends.isEmpty());
    const ReplayScript::Step first = script.programBytes(request, 5'000'000);
    QVERIFY(first.departures.isEmpty());
    QCOMPARE(first.sends.size(), 2);
    QCOMPARE(first.sends[0].bytes, fuel);
    const qint64 fuelEnd = first.sends[0].delayUs + pacing::wireTimeUs(fuel.size(), 38400);
    QVERIFY(first.sends[1].delayUs - fuelEnd >= ReplayScript::kQuietUs);

    QByteArray other = request;
    other[7] = 'X';
    const ReplayScript::Step second = script.programBytes(other.left(5), 6'000'000);
    QVERIFY(second.sends.isEmpty()); // the rest of the burst is awaited
    const ReplayScript::Step third = script.programBytes(other.mid(5), 6'001'000);
    QCOMPARE(third.departures.size(), 1);
    QCOMPARE(third.sends.size(), 1); // the captured order goes on
    QVERIFY(script.finished());
    QCOMPARE(script.programBytes("x", 7'000'000).departures.size(), 1);

    QString error;
    QVERIFY(!readCapturedBursts("Laps,3\r\nFastest,Lap,002\r\n", &error));
    QVERIFY(error.startsWith(QLatin1String("not a readable capture at byte 0")));
}

#include "tst_simwire.moc"
