// The capture file (blocks as bytes, a round trip, the rotation bound, the mail's copy,
// malformed input refused) and the description of line bytes.
#include "capture/capturefile.h"
#include "capture/capturefiles.h"
#include "capture/framedescription.h"
#include "capture/mailcapture.h"
#include "capture/trafficlog.h"
#include "support/filebytes.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

using namespace capture;

namespace {

QByteArray hexBytes(const char* text) {
    return QByteArray::fromHex(QByteArray(text).replace(' ', ""));
}

// "@CP\r\n" to the RK-13 with ID 0x1234.
const char* cpFrame = "02 4C 12 34 0D 01 40 43 50 0D 0A 30 03";

Record sent(qint64 us, const QByteArray& bytes) {
    return {Direction::Sent, us, bytes, {}, {}};
}
Record received(qint64 us, const QByteArray& bytes) {
    return {Direction::Received, us, bytes, {}, {}};
}
Record eventRecord(qint64 us, const QString& kind, const QString& text) {
    return {Direction::Event, us, {}, kind, text};
}

} // namespace

class TestCapture : public QObject {
    Q_OBJECT

private slots:
    void blocksAreWrittenAsPinned();
    void recordsReadBackAsWritten();
    void rotationKeepsTheNewestFiles();
    void mailCaptureHoldsTheNewestRecords_data();
    void mailCaptureHoldsTheNewestRecords();
    void malformedInputIsRefused_data();
    void malformedInputIsRefused();
    void bytesAreDescribed_data();
    void bytesAreDescribed();
    void trafficLogKeepsTheNewestWithTheirGaps();
};

void TestCapture::blocksAreWrittenAsPinned() {
    // Section header (little-endian magic, version 1.0, no section length), then the one
    // interface of link type USER0 (147) without a snapshot limit.
    QCOMPARE(fileHeader(), hexBytes("0A 0D 0D 0A 1C 00 00 00 4D 3C 2B 1A 01 00 00 00"
                                    "FF FF FF FF FF FF FF FF 1C 00 00 00"
                                    "01 00 00 00 14 00 00 00 93 00 00 00 00 00 00 00 14 00 00 00"));
    // An enhanced packet: interface 0, time high and low, 17 bytes captured of 17, the record
    // header (version 1, 'T', two zeros) and the frame, padded to four bytes.
    QCOMPARE(packetBlock(sent(0x100000002LL, hexBytes(cpFrame))),
             hexBytes("06 00 00 00 34 00 00 00 00 00 00 00 01 00 00 00 02 00 00 00"
                      "11 00 00 00 11 00 00 00 01 54 00 00"
                      "02 4C 12 34 0D 01 40 43 50 0D 0A 30 03 00 00 00 34 00 00 00"));
    // An event: kind, NUL, text, in UTF-8.
    QCOMPARE(packetBlock(eventRecord(0, QStringLiteral("retry"), QStringLiteral("再送1"))).mid(28),
             QByteArray("\x01"
                        "E\0\0retry\0",
                        10) +
                 QStringLiteral("再送1").toUtf8() + QByteArray(3, '\0') + hexBytes("34 00 00 00"));
}

void TestCapture::recordsReadBackAsWritten() {
    const QList<Record> records{
        eventRecord(1'700'000'000'000'000, QStringLiteral("open"), QStringLiteral("COM1 38400bps")),
        sent(1'700'000'000'001'000, hexBytes(cpFrame)),
        received(1'700'000'000'250'000, QByteArray("\x02\x00\xff", 3)),
        received(1'700'000'000'300'000, {}),
        eventRecord(1'700'000'003'000'000, QStringLiteral("timeout"), {}),
    };
    QByteArray file = fileHeader();
    for (const Record& r : records)
        file += packetBlock(r);
    // A second section (files joined end to end) starts its own interfaces.
    file += fileHeader() + packetBlock(records[1]);
    const ReadResult read = readCapture(file);
    QVERIFY2(read.ok(), qPrintable(read.error));
    QCOMPARE(read.records, records + QList<Record>{records[1]});
}

void TestCapture::rotationKeepsTheNewestFiles() {
    QTemporaryDir dir;
    const CaptureFiles::Limits limits{1000, 3};
    QList<Record> all;
    {
        CaptureFiles files(dir.path(), limits);
        for (int i = 0; i < 200; ++i) {
            all << received(1'700'000'000'000'000 + i * 1000, QByteArray(40 + i % 7, char(i)));
            QVERIFY(files.write(all.last()));
        }
    }
    CaptureFiles files(dir.path(), limits);
    const QStringList paths = files.files();
    QCOMPARE(paths.size(), 3);
    QList<Record> kept;
    for (const QString& path : paths) {
        QVERIFY(QFile(path).size() <= limits.fileBytes);
        const ReadResult read = readCaptureFile(path);
        QVERIFY2(read.ok(), qPrintable(read.error));
        kept += read.records;
    }
    // The newest records, without a gap, up to the last one written.
    QVERIFY(kept.size() > 20);
    QCOMPARE(kept, all.mid(all.size() - kept.size()));
}

void TestCapture::mailCaptureHoldsTheNewestRecords_data() {
    QTest::addColumn<int>("files");     // capture files of five records each
    QTest::addColumn<int>("cutNewest"); // bytes cut off the newest file's end
    QTest::addColumn<qint64>("bound");  // bytes of records at most
    QTest::addColumn<int>("kept");      // records in the mail's file, the newest
    // Every record here is a block of 56 bytes (20 line bytes).
    QTest::newRow("all fit") << 2 << 0 << qint64(1000) << 10;
    QTest::newRow("the newest within the bound, across files") << 3 << 0 << qint64(7 * 56) << 7;
    QTest::newRow("not even one record fits") << 2 << 0 << qint64(55) << 0;
    QTest::newRow("nothing recorded") << 0 << 0 << qint64(1000) << 0;
    // A file the program could not finish: its last block is cut; the records before it stay.
    QTest::newRow("newest file cut short") << 2 << 10 << qint64(1000) << 9;
}

void TestCapture::mailCaptureHoldsTheNewestRecords() {
    QFETCH(int, files);
    QFETCH(int, cutNewest);
    QFETCH(qint64, bound);
    QFETCH(int, kept);
    QTemporaryDir dir;
    QList<Record> all;
    QStringList paths;
    for (int f = 0; f < files; ++f) {
        QByteArray bytes = fileHeader();
        for (int i = 0; i < 5; ++i) {
            all << received(1'700'000'000'000'000 + all.size() * 1000, QByteArray(20, char(f)));
            bytes += packetBlock(all.last());
        }
        if (f == files - 1)
            bytes.chop(cutNewest);
        paths << dir.filePath(QStringLiteral("koda-%1.pcapng").arg(f));
        QVERIFY(writeAll(paths.last(), bytes));
    }
    // Mail captures of earlier hand-offs, and a file of another name.
    const QString mail = dir.filePath(QStringLiteral("mail"));
    QVERIFY(QDir().mkpath(mail));
    const QStringList earlier{QStringLiteral("KODA_Capture_20261209-080000.pcapng"),
                              QStringLiteral("KODA_Capture_20261210-090000.pcapng")};
    for (const QString& name : earlier + QStringList{QStringLiteral("notes.txt")})
        QVERIFY(writeAll(QDir(mail).filePath(name), "x"));

    const QDateTime at(QDate(2026, 12, 10), QTime(15, 30, 5));
    const MailCapture made = writeMailCapture(paths, mail, at, {bound, 2});
    QVERIFY(made.error.isEmpty());
    if (kept == 0) {
        QVERIFY(made.path.isEmpty());
        QCOMPARE(QDir(mail).entryList(QDir::Files).size(), 3); // nothing removed
        return;
    }
    QCOMPARE(made.path, QDir(mail).filePath(QStringLiteral("KODA_Capture_20261210-153005.pcapng")));
    const ReadResult read = readCaptureFile(made.path);
    QVERIFY2(read.ok(), qPrintable(read.error));
    const QList<Record> recorded = all.first(all.size() - (cutNewest ? 1 : 0));
    QCOMPARE(read.records, recorded.last(kept));
    QCOMPARE(QFile(made.path).size(), 48 + kept * 56);
    // The newest two mail captures stay; other files are not the hand-off's to remove.
    QCOMPARE(
        QDir(mail).entryList(QDir::Files, QDir::Name),
        (QStringList{earlier[1], QFileInfo(made.path).fileName(), QStringLiteral("notes.txt")}));
}

void TestCapture::malformedInputIsRefused_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("error");
    const QByteArray header = fileHeader();
    const QByteArray packet = packetBlock(sent(5, hexBytes(cpFrame)));
    const auto with = [](QByteArray bytes, int at, const char* hex) {
        const QByteArray patch = hexBytes(hex);
        return bytes.replace(at, patch.size(), patch);
    };
    QTest::newRow("empty") << QByteArray() << QStringLiteral("pcapngファイルではありません。");
    QTest::newRow("text") << QByteArray("Laps,3\r\nFastest,Lap,002\r\n")
                          << QStringLiteral("pcapngファイルではありません。");
    QTest::newRow("big-endian") << with(header, 8, "1A 2B 3C 4D")
                                << QStringLiteral("このバイト順のファイルには対応していません。");
    QTest::newRow("pcapng 2.0") << with(header, 12, "02 00")
                                << QStringLiteral("このpcapngの版には対応していません。");
    QTest::newRow("ethernet") << with(header, 36, "01 00")
                              << QStringLiteral(
                                     "KODA Monitorのキャプチャではありません（リンク種別 1）。");
    QTest::newRow("packet before interface")
        << header.left(28) + packet << QStringLiteral("インタフェースが定義されていません。");
    QTest::newRow("cut short") << header + packet.left(30)
                               << QStringLiteral("ブロックの長さが正しくありません。");
    QTest::newRow("tail only") << header + packet.left(8)
                               << QStringLiteral("ブロックが途中で切れています。");
    QTest::newRow("length not of 4") << header + with(packet, 4, "33 00 00 00")
                                     << QStringLiteral("ブロックの長さが正しくありません。");
    QTest::newRow("huge length") << header + with(packet, 4, "FC FF FF FF")
                                 << QStringLiteral("ブロックの長さが正しくありません。");
    QTest::newRow("lengths differ") << header + with(packet, 48, "30 00 00 00")
                                    << QStringLiteral("ブロックの長さが前後で一致しません。");
    QTest::newRow("captured past block") << header + with(packet, 20, "FF 00 00 00")
                                         << QStringLiteral("パケットの長さが正しくありません。");
    QTest::newRow("record too short")
        << header + with(packet, 20, "03 00 00 00") << QStringLiteral("レコードが短すぎます。");
    QTest::newRow("record version 2")
        << header + with(packet, 28, "02")
        << QStringLiteral("このキャプチャの版（2）には対応していません。");
    QTest::newRow("direction X") << header + with(packet, 29, "58")
                                 << QStringLiteral("レコードの向きが正しくありません。");
}

void TestCapture::malformedInputIsRefused() {
    QFETCH(QByteArray, bytes);
    QFETCH(QString, error);
    const ReadResult read = readCapture(bytes);
    QVERIFY(!read.ok());
    QVERIFY2(read.error.endsWith(error), qPrintable(read.error));
    QVERIFY(read.error.startsWith(QStringLiteral("キャプチャファイルを読めません（")));
}

void TestCapture::bytesAreDescribed_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("lines"); // summary, then fields, of every piece

    QTest::newRow("command frame")
        << hexBytes(cpFrame)
        << QStringList{QStringLiteral("RK-13 ID 0x1234 コード 0x01 長さ 13 チェックサム正常"),
                       QStringLiteral("@CP\\r\\n")};
    QTest::newRow("lap request")
        << hexBytes("02 4C 12 34 0A 02 00 01 61 03")
        << QStringList{QStringLiteral("RK-13 ID 0x1234 コード 0x02 長さ 10 チェックサム正常"),
                       QStringLiteral("ラップ001から要求")};
    QTest::newRow("bad checksum")
        << hexBytes("02 4C 12 34 0D 01 40 43 50 0D 0A 31 03")
        << QStringList{QStringLiteral("不正なフレーム 長さ 13 チェックサム 0x31（計算値 0x30）")};
    QTest::newRow("cut off behind text")
        << QByteArray("OK\r\n") + hexBytes("02 4C 12 34 0D 01 40")
        << QStringList{QStringLiteral("テキスト"), QStringLiteral("OK\\r\\n"),
                       QStringLiteral("途中で切れたフレーム 7バイト")};
    QTest::newRow("fuel reading")
        << hexBytes("02 46 56 78 17 81 42 34 00 00 3F C0 00 00 41 40 00 00 00 00 7B 0F 03")
        << QStringList{QStringLiteral("QK-11 ID 0x5678 コード 0x81 長さ 23 チェックサム正常"),
                       QStringLiteral("残量 45.00 L 使用量 1.50 L 燃費 12.00 km/L 距離 12.3 km")};
    QTest::newRow("live lap")
        << hexBytes("02 4C 12 34 2E 83 00 02 00 00 00 00 00 00 00 00 00 00 00 00 20 99 00 7B"
                    "07 D0 0B B8 0D 11 00 00 1F A4 00 96 08 34 0B 54 0C 1C 00 00 23 03")
        << QStringList{QStringLiteral("RK-13 ID 0x1234 コード 0x83 長さ 46 チェックサム正常"),
                       QStringLiteral("ラップ000 タイム 00'00\"00 最高速 0 km/h セクタ 00'00\"00 "
                                      "00'00\"00 00'00\"00 00'00\"00"),
                       QStringLiteral("ラップ001 タイム 01'23\"45 最高速 123 km/h セクタ 00'20\"00 "
                                      "00'30\"00 00'33\"45 00'00\"00"),
                       QStringLiteral("ラップ002 タイム 01'21\"00 最高速 150 km/h セクタ 00'21\"00 "
                                      "00'29\"00 00'31\"00 00'00\"00")};
    QTest::newRow("noise") << hexBytes("FF 00 7F")
                           << QStringList{QStringLiteral("フレーム外 3バイト")};
}

void TestCapture::bytesAreDescribed() {
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, lines);
    QStringList got;
    QByteArray joined;
    for (const PieceDescription& piece : describeBytes(bytes)) {
        got << piece.summary << piece.fields;
        joined += piece.bytes;
    }
    QCOMPARE(got, lines);
    QCOMPARE(joined, bytes); // every byte belongs to one piece
}

void TestCapture::trafficLogKeepsTheNewestWithTheirGaps() {
    TrafficLog log(3);
    log.add(sent(1'000'000, hexBytes(cpFrame)));
    log.add(received(1'250'000, QByteArray("CP:3\r\n")));
    log.add(eventRecord(4'250'000, QStringLiteral("timeout"), QStringLiteral("3000")));
    log.add(received(4'300'500, QByteArray(300, 'x')));
    // The oldest dropped off; the gaps stay those to the entry before, in milliseconds.
    QCOMPARE(log.entries().size(), 3);
    QCOMPARE(log.dropped(), 1);
    const QList<TrafficEntry>& e = log.entries();
    QCOMPARE(TrafficLog::columns(e[0]).mid(1),
             (QStringList{QStringLiteral("250"), QStringLiteral("Rx"),
                          QStringLiteral("43 50 3A 33 0D 0A"), QStringLiteral("CP:3.."),
                          QStringLiteral("テキスト / CP:3\\r\\n")}));
    QCOMPARE(TrafficLog::columns(e[1]).mid(1),
             (QStringList{QStringLiteral("3000"), QStringLiteral("--"), QString(), QString(),
                          QStringLiteral("応答待ちタイムアウト 3000 ms")}));
    // A long reception is shown cut; copied whole.
    QVERIFY(TrafficLog::columns(e[2])[3].endsWith(QStringLiteral(" …")));
    QCOMPARE(TrafficLog::columns(e[2])[1], QStringLiteral("50"));
    QVERIFY(TrafficLog::text({e[2]}).contains(QString(300, u'x') + u'\t'));
    // Search from a row on, wrapping, ignoring case.
    QCOMPARE(TrafficLog::find(e, QStringLiteral("タイムアウト"), 0), 1);
    QCOMPARE(TrafficLog::find(e, QStringLiteral("cp:3"), 1), 0);
    QCOMPARE(TrafficLog::find(e, QStringLiteral("LInfo"), 0), -1);

    // The bytes held are bounded too: a flood's big receptions push the older ones out.
    TrafficLog small(100, 1000);
    for (int i = 0; i < 10; ++i)
        small.add(received(i, QByteArray(400, char(i))));
    QCOMPARE(small.entries().size(), 2);
    QCOMPARE(small.entries().last().record.bytes, QByteArray(400, char(9)));
}

QTEST_GUILESS_MAIN(TestCapture)
#include "tst_capture.moc"
