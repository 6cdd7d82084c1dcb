// Text replies of the lap timer: key recognition in table order and the values taken.
#include "protocol/replyparser.h"

#include <QTest>

using Outcome = ParsedReply::Outcome;

class TestReplyParser : public QObject {
    Q_OBJECT
private slots:
    void keyOrder();
    void parse_data();
    void parse();
    void lines_data();
    void lines();
    void trimming_data();
    void trimming();
    void shiftJisValue();
};

void TestReplyParser::keyOrder() {
    QStringList keys;
    for (ReplyKey k : replyKeyOrder)
        keys << QString::fromLatin1(replyKeyText(k));
    QCOMPARE(keys, QStringList({"DisplayType:", "LapDispTime:", "PassCP:", "CP:", "Separator:",
                                "Diameter:", "K:", "SensorMarkTime:", "Odo:", "Version",
                                "GAP:", "LInfo:", "LData:"}));
}

void TestReplyParser::parse_data() {
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<Outcome>("outcome");
    QTest::addColumn<ReplyKey>("key");
    QTest::addColumn<QByteArray>("value");
    QTest::addColumn<int>("number");
    QTest::addColumn<char>("selection");
    QTest::addColumn<QString>("kText");

    QTest::newRow("OK") << QByteArray("OK\r\n") << Outcome::Ok << ReplyKey::None << QByteArray()
                        << 0 << char(0) << QString();
    QTest::newRow("OK with blanks") << QByteArray("  OK \r\n") << Outcome::Ok << ReplyKey::None
                                    << QByteArray() << 0 << char(0) << QString();
    QTest::newRow("ok lower case") << QByteArray("ok\r\n") << Outcome::NoKey << ReplyKey::None
                                   << QByteArray() << 0 << char(0) << QString();
    QTest::newRow("OK inside text") << QByteArray("OK OK") << Outcome::NoKey << ReplyKey::None
                                    << QByteArray() << 0 << char(0) << QString();
    QTest::newRow("empty") << QByteArray("\r\n") << Outcome::NoKey << ReplyKey::None << QByteArray()
                           << 0 << char(0) << QString();
    QTest::newRow("no key") << QByteArray("HELLO\r\n") << Outcome::NoKey << ReplyKey::None
                            << QByteArray() << 0 << char(0) << QString();
    QTest::newRow("PassCP before CP")
        << QByteArray("PassCP:3\r\n") << Outcome::Value << ReplyKey::PassCP << QByteArray("3") << 3
        << char(0) << QString();
    QTest::newRow("CP") << QByteArray("CP:2\r\n") << Outcome::Value << ReplyKey::CP
                        << QByteArray("2") << 2 << char(0) << QString();
    QTest::newRow("CP takes one character") << QByteArray("CP:23") << Outcome::Value << ReplyKey::CP
                                            << QByteArray("2") << 2 << char(0) << QString();
    QTest::newRow("CP before GAP") << QByteArray("GAP:1 CP:4") << Outcome::Value << ReplyKey::CP
                                   << QByteArray("4") << 4 << char(0) << QString();
    QTest::newRow("CP then GAP") << QByteArray("CP:4\r\nGAP:1") << Outcome::Value << ReplyKey::CP
                                 << QByteArray("4") << 4 << char(0) << QString();
    QTest::newRow("CP with no value") << QByteArray("CP:") << Outcome::ConversionError
                                      << ReplyKey::CP << QByteArray() << 0 << char(0) << QString();
    QTest::newRow("key in the middle") << QByteArray("xxCP:1") << Outcome::Value << ReplyKey::CP
                                       << QByteArray("1") << 1 << char(0) << QString();
    QTest::newRow("keys are case-sensitive")
        << QByteArray("cp:1") << Outcome::NoKey << ReplyKey::None << QByteArray() << 0 << char(0)
        << QString();
    QTest::newRow("LapDispTime two digits")
        << QByteArray("LapDispTime:15\r\n") << Outcome::Value << ReplyKey::LapDispTime
        << QByteArray("15") << 15 << char(0) << QString();
    QTest::newRow("LapDispTime one digit")
        << QByteArray("LapDispTime:5") << Outcome::Value << ReplyKey::LapDispTime << QByteArray("5")
        << 5 << char(0) << QString();
    QTest::newRow("LapDispTime letters")
        << QByteArray("LapDispTime:AB\r\n") << Outcome::ConversionError << ReplyKey::LapDispTime
        << QByteArray("AB") << 0 << char(0) << QString();
    QTest::newRow("SensorMarkTime letter")
        << QByteArray("SensorMarkTime:x") << Outcome::ConversionError << ReplyKey::SensorMarkTime
        << QByteArray("x") << 0 << char(0) << QString();
    QTest::newRow("Diameter 16") << QByteArray("Diameter:16\r\n") << Outcome::Value
                                 << ReplyKey::Diameter << QByteArray("16") << 16 << char(0)
                                 << QString();
    QTest::newRow("Diameter 03") << QByteArray("Diameter:03\r\n") << Outcome::Value
                                 << ReplyKey::Diameter << QByteArray("03") << 3 << char(0)
                                 << QString();
    QTest::newRow("Diameter letters")
        << QByteArray("Diameter:x1") << Outcome::ConversionError << ReplyKey::Diameter
        << QByteArray("x1") << 0 << char(0) << QString();
    QTest::newRow("K 12345") << QByteArray("K:12345\r\n") << Outcome::Value << ReplyKey::K
                             << QByteArray("12345") << 0 << char(0) << QString("0.12345");
    QTest::newRow("K 150000") << QByteArray("K:150000") << Outcome::Value << ReplyKey::K
                              << QByteArray("150000") << 0 << char(0) << QString("1.50000");
    QTest::newRow("K 1") << QByteArray("K:1") << Outcome::Value << ReplyKey::K << QByteArray("1")
                         << 0 << char(0) << QString("0.00001");
    QTest::newRow("K not a number")
        << QByteArray("K:12a45") << Outcome::ConversionError << ReplyKey::K << QByteArray("12a45")
        << 0 << char(0) << QString();
    QTest::newRow("K empty") << QByteArray("K:") << Outcome::ConversionError << ReplyKey::K
                             << QByteArray() << 0 << char(0) << QString();
    QTest::newRow("K infinite") << QByteArray("K:inf") << Outcome::ConversionError << ReplyKey::K
                                << QByteArray("inf") << 0 << char(0) << QString();
    QTest::newRow("Odo five characters")
        << QByteArray("Odo:01234\r\n") << Outcome::Value << ReplyKey::Odo << QByteArray("01234")
        << 0 << char(0) << QString();
    QTest::newRow("Odo longer") << QByteArray("Odo:1234567") << Outcome::Value << ReplyKey::Odo
                                << QByteArray("12345") << 0 << char(0) << QString();
    QTest::newRow("short Odo") << QByteArray("Odo:12\r\n") << Outcome::Value << ReplyKey::Odo
                               << QByteArray("12") << 0 << char(0) << QString();
    QTest::newRow("Version blank")
        << QByteArray("Version 1.23a\r\n") << Outcome::Value << ReplyKey::Version
        << QByteArray("1.23a") << 0 << char(0) << QString();
    QTest::newRow("Version colon")
        << QByteArray("Version:1.23a\r\n") << Outcome::Value << ReplyKey::Version
        << QByteArray("1.23a") << 0 << char(0) << QString();
    QTest::newRow("Version alone") << QByteArray("Version") << Outcome::Value << ReplyKey::Version
                                   << QByteArray() << 0 << char(0) << QString();
    QTest::newRow("DisplayType R")
        << QByteArray("DisplayType:R\r\n") << Outcome::Value << ReplyKey::DisplayType
        << QByteArray("R") << 0 << 'R' << QString();
    QTest::newRow("DisplayType other")
        << QByteArray("DisplayType:Q") << Outcome::Value << ReplyKey::DisplayType << QByteArray("Q")
        << 0 << 'Q' << QString();
    QTest::newRow("DisplayType nothing after")
        << QByteArray("DisplayType:\r\n") << Outcome::MissingSelection << ReplyKey::DisplayType
        << QByteArray() << 0 << char(0) << QString();
    QTest::newRow("Separator colon")
        << QByteArray("Separator::") << Outcome::Value << ReplyKey::Separator << QByteArray(":")
        << 0 << ':' << QString();
    QTest::newRow("Separator quote")
        << QByteArray("Separator:\"\r\n") << Outcome::Value << ReplyKey::Separator
        << QByteArray("\"") << 0 << '"' << QString();
    QTest::newRow("Separator nothing after")
        << QByteArray("Separator:") << Outcome::MissingSelection << ReplyKey::Separator
        << QByteArray() << 0 << char(0) << QString();
    QTest::newRow("GAP 1") << QByteArray("GAP:1\r\n") << Outcome::Value << ReplyKey::GAP
                           << QByteArray("1") << 0 << '1' << QString();
    QTest::newRow("GAP nothing after")
        << QByteArray("GAP: \r\n") << Outcome::MissingSelection << ReplyKey::GAP << QByteArray()
        << 0 << char(0) << QString();
}

void TestReplyParser::parse() {
    QFETCH(QByteArray, reply);
    QFETCH(Outcome, outcome);
    QFETCH(ReplyKey, key);
    QFETCH(QByteArray, value);
    QFETCH(int, number);
    QFETCH(char, selection);
    QFETCH(QString, kText);

    const ParsedReply r = parseReply(reply);
    QCOMPARE(r.outcome, outcome);
    QCOMPARE(r.key, key);
    QCOMPARE(r.valueBytes, value);
    if (outcome == Outcome::Value) {
        QCOMPARE(r.number, number);
        QCOMPARE(r.selection, selection);
        QCOMPARE(r.kText, kText);
        QCOMPARE(r.valueText, QString::fromLatin1(value));
    }
}

void TestReplyParser::lines_data() {
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<ReplyKey>("key");
    QTest::addColumn<QStringList>("lines");
    QTest::newRow("LInfo one line") << QByteArray("LInfo:25,7,3,4,7,12,7,9\r\n") << ReplyKey::LInfo
                                    << QStringList{"25,7,3,4,7,12,7,9"};
    QTest::newRow("LData one line") << QByteArray("LData:1, 1'23\"45,098,,,,\r\n")
                                    << ReplyKey::LData << QStringList{"1, 1'23\"45,098,,,,"};
    QTest::newRow("LInfo two lines")
        << QByteArray("LInfo:1,2\r\n3,4\r\n") << ReplyKey::LInfo << QStringList{"1,2", "3,4"};
    QTest::newRow("lone CR and LF")
        << QByteArray("LInfo:a\rb\nc") << ReplyKey::LInfo << QStringList{"a", "b", "c"};
    QTest::newRow("empty line inside")
        << QByteArray("LData:a\r\n\r\nb") << ReplyKey::LData << QStringList{"a", "", "b"};
    QTest::newRow("nothing after key")
        << QByteArray("LInfo:") << ReplyKey::LInfo << QStringList{""};
}

void TestReplyParser::lines() {
    QFETCH(QByteArray, reply);
    QFETCH(ReplyKey, key);
    QFETCH(QStringList, lines);
    const ParsedReply r = parseReply(reply);
    QCOMPARE(r.outcome, Outcome::Value);
    QCOMPARE(r.key, key);
    QCOMPARE(r.lines, lines);
}

void TestReplyParser::trimming_data() {
    QTest::addColumn<QByteArray>("raw");
    QTest::addColumn<QByteArray>("trimmed");
    QTest::newRow("CR LF") << QByteArray("CP:2\r\n") << QByteArray("CP:2");
    QTest::newRow("both ends") << QByteArray(" \t\r\nOK\r\n\0", 9) << QByteArray("OK");
    QTest::newRow("inner kept") << QByteArray("a \r\n b") << QByteArray("a \r\n b");
    QTest::newRow("only controls") << QByteArray("\x01\x7F ") << QByteArray();
    QTest::newRow("high bytes kept") << QByteArray("\x82\xA0") << QByteArray("\x82\xA0");
}

void TestReplyParser::trimming() {
    QFETCH(QByteArray, raw);
    QFETCH(QByteArray, trimmed);
    QCOMPARE(trimReply(raw), trimmed);
}

void TestReplyParser::shiftJisValue() {
    // Values reach the panels decoded from code page 932: 0x82 0xA0 is "あ".
    const ParsedReply r = parseReply("Odo:\x82\xA0"
                                     "12");
    QCOMPARE(r.valueBytes, QByteArray("\x82\xA0"
                                      "12"));
    QCOMPARE(r.valueText, QString::fromUtf8("あ12"));
}

QTEST_APPLESS_MAIN(TestReplyParser)
#include "tst_replyparser.moc"
