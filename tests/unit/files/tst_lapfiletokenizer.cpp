// Line and token rules of the lap file, and the comma-text form of a lap line.
#include "files/lapfiletokenizer.h"

#include <QBuffer>
#include <QTemporaryDir>
#include <QTest>

using Tokens = QList<QByteArray>;

namespace {

// An endless stream of short lines, to show that reading stops on its own.
class EndlessLines : public QIODevice {
public:
    EndlessLines() { open(QIODevice::ReadOnly); }
    bool isSequential() const override { return true; }
    qint64 served = 0;

protected:
    qint64 readData(char* data, qint64 maxSize) override {
        static constexpr char pattern[] = "001,\" 01'23\"\"45\",120\r\n";
        for (qint64 i = 0; i < maxSize; ++i)
            data[i] = pattern[(served + i) % (sizeof pattern - 1)];
        served += maxSize;
        return maxSize;
    }
    qint64 writeData(const char*, qint64) override { return -1; }
};

} // namespace

class TestLapFileTokenizer : public QObject {
    Q_OBJECT
private slots:
    void tokenize_data();
    void tokenize();
    void splitLines_data();
    void splitLines();
    void commaTextCell_data();
    void commaTextCell();
    void commaTextLineOfLapRow();
    void readerMatchesSplitAcrossChunks_data();
    void readerMatchesSplitAcrossChunks();
    void readerStopsAtOverlongLine();
    void readerOnHugeSparseFile();
    void readerOnEndlessDevice();
};

void TestLapFileTokenizer::tokenize_data() {
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<Tokens>("tokens");
    const QByteArray allLaps = "\x91\x53\x83\x89\x83\x62\x83\x76"; // 全ラップ
    QTest::newRow("blank splits") << allLaps + " 12" << Tokens{allLaps, "12"};
    QTest::newRow("empty token between commas") << QByteArray("a, ,b") << Tokens{"a", "", "b"};
    QTest::newRow("trailing comma") << QByteArray("a,b,") << Tokens{"a", "b", ""};
    QTest::newRow("trailing comma and blank") << QByteArray("a, ") << Tokens{"a"};
    QTest::newRow("only a comma") << QByteArray(",") << Tokens{"", ""};
    QTest::newRow("eight commas") << QByteArray(",,,,,,,,") << Tokens(9, QByteArray());
    QTest::newRow("empty line") << QByteArray("") << Tokens{};
    QTest::newRow("blanks only") << QByteArray(" \t ") << Tokens{};
    QTest::newRow("leading blanks and controls")
        << QByteArray("\x01\x1f  Laps,12") << Tokens{"Laps", "12"};
    QTest::newRow("doubled quotes")
        << QByteArray("003,\" 01'23\"\"45\",pit") << Tokens{"003", " 01'23\"45", "pit"};
    QTest::newRow("quoted comma and blank") << QByteArray("\"a, b\",c") << Tokens{"a, b", "c"};
    QTest::newRow("quoted empty") << QByteArray("\"\",x") << Tokens{"", "x"};
    QTest::newRow("unterminated quote runs to the end")
        << QByteArray("1,\"ab,\"\"c") << Tokens{"1", "ab,\"c"};
    QTest::newRow("text after closing quote starts a token")
        << QByteArray("\"ab\"cd,e") << Tokens{"ab", "cd", "e"};
    QTest::newRow("blank before comma") << QByteArray("a ,b") << Tokens{"a", "b"};
    QTest::newRow("version line") << QByteArray("RIN KODA Terminal Version 2.0")
                                  << Tokens{"RIN", "KODA", "Terminal", "Version", "2.0"};
    QTest::newRow("double-byte characters")
        << QByteArray("\x83\x78\x83\x58\x83\x67,005") << Tokens{"\x83\x78\x83\x58\x83\x67", "005"};
    QTest::newRow("lead byte takes a comma along")
        << QByteArray("\x81,x,y") << Tokens{"\x81,x", "y"};
    QTest::newRow("lone lead byte at the end") << QByteArray("a,\x81") << Tokens{"a", "\x81"};
    QTest::newRow("NUL ends the text") << QByteArray("a,b\0,c", 6) << Tokens{"a", "b"};
    QTest::newRow("NUL right after a comma") << QByteArray("a,\0b", 4) << Tokens{"a", ""};
    QTest::newRow("NUL inside quotes") << QByteArray("\"a\0b\",c", 7) << Tokens{"a"};
    QTest::newRow("NUL first") << QByteArray("\0abc", 4) << Tokens{};
}

void TestLapFileTokenizer::tokenize() {
    QFETCH(QByteArray, line);
    QFETCH(Tokens, tokens);
    QCOMPARE(tokenizeLapLine(line), tokens);
}

void TestLapFileTokenizer::splitLines_data() {
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<Tokens>("lines");
    QTest::newRow("CR LF") << QByteArray("a\r\nb\r\n") << Tokens{"a", "b"};
    QTest::newRow("no end on last line") << QByteArray("a\r\nb") << Tokens{"a", "b"};
    QTest::newRow("lone CR") << QByteArray("a\rb\rc") << Tokens{"a", "b", "c"};
    QTest::newRow("lone LF") << QByteArray("a\nb\n") << Tokens{"a", "b"};
    QTest::newRow("empty lines count")
        << QByteArray("a\r\n\r\nb\n\nc") << Tokens{"a", "", "b", "", "c"};
    QTest::newRow("CR CR LF") << QByteArray("a\r\r\nb") << Tokens{"a", "", "b"};
    QTest::newRow("LF CR") << QByteArray("\n\r") << Tokens{"", ""};
    QTest::newRow("empty text") << QByteArray() << Tokens{};
    QTest::newRow("only a line end") << QByteArray("\r\n") << Tokens{""};
    QTest::newRow("NUL stays in its line")
        << QByteArray("a\0b\r\nc", 6) << Tokens{QByteArray("a\0b", 3), "c"};
}

void TestLapFileTokenizer::splitLines() {
    QFETCH(QByteArray, text);
    QFETCH(Tokens, lines);
    QCOMPARE(splitLapLines(text), lines);

    QBuffer buffer(&text);
    buffer.open(QIODevice::ReadOnly);
    LapLineReader reader(buffer);
    Tokens read;
    QByteArray line;
    while (reader.next(line) == LapLineSource::Status::Line)
        read.append(line);
    QCOMPARE(read, lines);
}

void TestLapFileTokenizer::commaTextCell_data() {
    QTest::addColumn<QString>("cell");
    QTest::addColumn<QString>("written");
    QTest::newRow("lap time") << QStringLiteral(" 01'23\"45") << QStringLiteral("\" 01'23\"\"45\"");
    QTest::newRow("plain") << QStringLiteral("001") << QStringLiteral("001");
    QTest::newRow("empty") << QString() << QString();
    QTest::newRow("comma") << QStringLiteral("a,b") << QStringLiteral("\"a,b\"");
    QTest::newRow("blank") << QStringLiteral("FL ") << QStringLiteral("\"FL \"");
    QTest::newRow("tab") << QStringLiteral("a\tb") << QStringLiteral("\"a\tb\"");
    QTest::newRow("quote only") << QStringLiteral("\"") << QStringLiteral("\"\"\"\"");
    QTest::newRow("apostrophe alone") << QStringLiteral("1'23") << QStringLiteral("1'23");
    QTest::newRow("Japanese") << QStringLiteral("ピット") << QStringLiteral("ピット");
    QTest::newRow("ideographic blank is not quoted")
        << QStringLiteral("a　b") << QStringLiteral("a　b");
}

void TestLapFileTokenizer::commaTextCell() {
    QFETCH(QString, cell);
    QFETCH(QString, written);
    QCOMPARE(::commaTextCell(cell), written);
}

void TestLapFileTokenizer::commaTextLineOfLapRow() {
    const QStringList row{QStringLiteral("001"),
                          QStringLiteral(" 01'23\"45"),
                          QStringLiteral(" 00'30\"12"),
                          QString(),
                          QString(),
                          QString(),
                          QStringLiteral("120"),
                          QStringLiteral("159.62"),
                          QStringLiteral("FL TS ")};
    QCOMPARE(commaTextLine(row),
             QStringLiteral("001,\" 01'23\"\"45\",\" 00'30\"\"12\",,,,120,159.62,\"FL TS \""));
}

void TestLapFileTokenizer::readerMatchesSplitAcrossChunks_data() {
    QTest::addColumn<int>("padding");
    // A CR LF pair, a lone CR and a lone LF each placed on the 64 KiB chunk border.
    QTest::newRow("CR LF split") << 65536 - 1;
    QTest::newRow("CR LF after border") << 65536;
    QTest::newRow("CR LF before border") << 65536 - 2;
}

void TestLapFileTokenizer::readerMatchesSplitAcrossChunks() {
    QFETCH(int, padding);
    QByteArray text(padding, 'x');
    text += "\r\nnext\rlone\nend";
    QBuffer buffer(&text);
    buffer.open(QIODevice::ReadOnly);
    LapLineReader reader(buffer, 1 << 20);
    Tokens read;
    QByteArray line;
    while (reader.next(line) == LapLineSource::Status::Line)
        read.append(line);
    QCOMPARE(read, splitLapLines(text));
    QCOMPARE(read.size(), 4);
}

void TestLapFileTokenizer::readerStopsAtOverlongLine() {
    QByteArray text = "short\r\n" + QByteArray(1 << 20, 'a') + "\r\nafter\r\n";
    QBuffer buffer(&text);
    buffer.open(QIODevice::ReadOnly);
    LapLineReader reader(buffer);
    QByteArray line;
    QCOMPARE(reader.next(line), LapLineSource::Status::Line);
    QCOMPARE(line, QByteArray("short"));
    QCOMPARE(reader.next(line), LapLineSource::Status::TooLong);
    QVERIFY(buffer.pos() < 3 * LapLineReader::defaultMaxLineLength);
}

void TestLapFileTokenizer::readerOnHugeSparseFile() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QFile file(dir.filePath(QStringLiteral("huge.csv")));
    QVERIFY(file.open(QIODevice::ReadWrite));
    QVERIFY(file.resize(100LL * 1024 * 1024)); // 100 MB of NUL bytes, one line
    file.seek(0);
    LapLineReader reader(file);
    QByteArray line;
    QCOMPARE(reader.next(line), LapLineSource::Status::TooLong);
    QVERIFY(file.pos() <= 2 * LapLineReader::defaultMaxLineLength);
}

void TestLapFileTokenizer::readerOnEndlessDevice() {
    EndlessLines device;
    LapLineReader reader(device);
    QByteArray line;
    for (int i = 0; i < 400; ++i) {
        QCOMPARE(reader.next(line), LapLineSource::Status::Line);
        QCOMPARE(line, QByteArray("001,\" 01'23\"\"45\",120"));
    }
    QVERIFY(device.served < 1024 * 1024);
}

QTEST_GUILESS_MAIN(TestLapFileTokenizer)
#include "tst_lapfiletokenizer.moc"
