// Fuel monitor texts and the fuel log file.
#include "files/fuellog.h"
#include "support/filebytes.h"

#include <QDir>
#include <QFile>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTest>
#include <cfloat>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <limits>
#include <sys/resource.h>
#include <unistd.h>

namespace {

QByteArray sjis(const QString& text) {
    QStringEncoder encoder("windows-31j");
    return encoder.encode(text);
}

const QDateTime started(QDate(2011, 5, 2), QTime(14, 3, 27));
const QString heading1 = QStringLiteral("QK11(ID:0x1234) 2011/05/02 14:03:27 Logging Start");
const QString heading2 = QStringLiteral("時刻,残燃料,使用燃料,燃費,走行距離");
const QString row1 = QStringLiteral("09:05:07,  12.3,   0.6,   0.0, 123.4");
const QString row2 = QStringLiteral("23:59:59,   0.0,   1.5,  10.2,1677721.5");

// Limits the size of files this process writes, so that writes fail also for root.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        getrlimit(RLIMIT_FSIZE, &saved_);
        handler_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit small = saved_;
        small.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &small);
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &saved_);
        std::signal(SIGXFSZ, handler_);
    }

private:
    rlimit saved_{};
    void (*handler_)(int) = nullptr;
};

} // namespace

class TestFuelLog : public QObject {
    Q_OBJECT
private slots:
    void fuelValue_data();
    void fuelValue();
    void distance_data();
    void distance();
    void fuelDataInPanelOrder();
    void elapsedTime_data();
    void elapsedTime();
    void defaultFileName();
    void headingLinesAndRow();
    void rowsReachDiskBeforeStop();
    void headingsOnlyWithoutFrames();
    void logWithoutHeadings();
    void newLogDropsEarlierLines();
    void unwritablePathIsReportedAndRetried();
    void failedWriteIsRepairedAtStop();
    void lostFileGoesOnInANewFile_data();
    void lostFileGoesOnInANewFile();
    void writesTo_data();
    void writesTo();
};

void TestFuelLog::fuelValue_data() {
    QTest::addColumn<float>("value");
    QTest::addColumn<QString>("shown");
    QTest::newRow("12.37") << 12.37f << QStringLiteral("  12.3");
    QTest::newRow("nearest float to 0.7") << 0.7f << QStringLiteral("   0.6");
    QTest::newRow("-0.05") << -0.05f << QStringLiteral("   0.0");
    QTest::newRow("-12.37") << -12.37f << QStringLiteral(" -12.3");
    QTest::newRow("zero") << 0.0f << QStringLiteral("   0.0");
    QTest::newRow("negative zero") << -0.0f << QStringLiteral("   0.0");
    QTest::newRow("99.99") << 99.99f << QStringLiteral("  99.9");
    QTest::newRow("1.5") << 1.5f << QStringLiteral("   1.5");
    QTest::newRow("12345.6 cut at its float value") << 12345.6f << QStringLiteral("12345.5");
    QTest::newRow("NaN") << std::numeric_limits<float>::quiet_NaN() << QStringLiteral("   nan");
    QTest::newRow("infinity") << std::numeric_limits<float>::infinity() << QStringLiteral("   inf");
    QTest::newRow("minus infinity")
        << -std::numeric_limits<float>::infinity() << QStringLiteral("  -inf");
}

void TestFuelLog::fuelValue() {
    QFETCH(float, value);
    QFETCH(QString, shown);
    QCOMPARE(formatFuelValue(fuelShownValue(value)), shown);
}

void TestFuelLog::distance_data() {
    QTest::addColumn<quint32>("tenths");
    QTest::addColumn<QString>("shown");
    QTest::newRow("1234") << 1234u << QStringLiteral(" 123.4");
    QTest::newRow("largest 24-bit") << 16777215u << QStringLiteral("1677721.5");
    QTest::newRow("zero") << 0u << QStringLiteral("   0.0");
    QTest::newRow("largest 32-bit") << 4294967295u << QStringLiteral("429496736.0");
}

void TestFuelLog::distance() {
    QFETCH(quint32, tenths);
    QFETCH(QString, shown);
    QCOMPARE(formatFuelValue(distanceShownValue(tenths)), shown);
}

void TestFuelLog::fuelDataInPanelOrder() {
    QCOMPARE(formatFuelData(1234, 12.37f, 0.7f, -0.05f),
             (FuelTexts{QStringLiteral("  12.3"), QStringLiteral("   0.6"),
                        QStringLiteral("   0.0"), QStringLiteral(" 123.4")}));
    // The largest finite readings still give a text.
    const FuelTexts big = formatFuelData(0, FLT_MAX, -FLT_MAX, FLT_MIN);
    QVERIFY(big.fuel.endsWith(QStringLiteral(".0")));
    QVERIFY(big.used.startsWith(u'-'));
    QCOMPARE(big.economy, QStringLiteral("   0.0"));
}

void TestFuelLog::elapsedTime_data() {
    QTest::addColumn<int>("seconds");
    QTest::addColumn<QString>("text");
    QTest::newRow("3725") << 3725 << QStringLiteral(" 1:02:05");
    QTest::newRow("zero") << 0 << QStringLiteral(" 0:00:00");
    QTest::newRow("59") << 59 << QStringLiteral(" 0:00:59");
    QTest::newRow("ten hours") << 36000 << QStringLiteral("10:00:00");
    QTest::newRow("hours not limited") << 360061 << QStringLiteral("100:01:01");
}

void TestFuelLog::elapsedTime() {
    QFETCH(int, seconds);
    QFETCH(QString, text);
    QCOMPARE(formatElapsedTime(seconds), text);
}

void TestFuelLog::defaultFileName() {
    QCOMPARE(fuelLogDefaultFileName(started), QStringLiteral("QK11_2011_0502_14_03_27.csv"));
    QCOMPARE(fuelLogDefaultFileName(QDateTime(QDate(2026, 12, 31), QTime(0, 0, 5))),
             QStringLiteral("QK11_2026_1231_00_00_05.csv"));
}

void TestFuelLog::headingLinesAndRow() {
    QCOMPARE(fuelLogHeadingLines(QStringLiteral("0x1234"), started),
             (QStringList{heading1, heading2}));
    QCOMPARE(fuelLogRow(QTime(9, 5, 7), formatFuelData(1234, 12.37f, 0.7f, -0.05f)), row1);
    QCOMPARE(fuelLogRow(QTime(23, 59, 59), formatFuelData(16777215, 0.0f, 1.5f, 10.25f)), row2);
}

void TestFuelLog::rowsReachDiskBeforeStop() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("QK11_2011_0502_14_03_27.csv"));
    QVERIFY(writeAll(path, "an older log that is replaced\r\n"));

    FuelLog log;
    QVERIFY(log.start(path, fuelLogHeadingLines(QStringLiteral("0x1234"), started)));
    QVERIFY(log.isLogging());
    const QByteArray headings = sjis(heading1 + "\r\n" + heading2 + "\r\n");
    QCOMPARE(readAll(path), headings);
    QVERIFY(log.addRow(row1));
    QCOMPARE(readAll(path), headings + sjis(row1 + "\r\n"));
    QVERIFY(log.addRow(row2));
    QVERIFY(log.stop());
    QVERIFY(!log.isLogging());

    QByteArray expected = "QK11(ID:0x1234) 2011/05/02 14:03:27 Logging Start\r\n";
    expected += "\x8e\x9e\x8d\x8f,\x8e\x63\x94\x52\x97\xbf,\x8e\x67\x97\x70\x94\x52\x97\xbf,"
                "\x94\x52\x94\xef,\x91\x96\x8d\x73\x8b\x97\x97\xa3\r\n";
    expected += "09:05:07,  12.3,   0.6,   0.0, 123.4\r\n";
    expected += "23:59:59,   0.0,   1.5,  10.2,1677721.5\r\n";
    QCOMPARE(readAll(path), expected);
    QCOMPARE(log.lines(), (QStringList{heading1, heading2, row1, row2}));
    QVERIFY(!log.addRow(row1)); // no rows after stop
}

void TestFuelLog::headingsOnlyWithoutFrames() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("log.csv"));
    FuelLog log;
    QVERIFY(log.start(path, fuelLogHeadingLines(QStringLiteral("0x1234"), started)));
    QVERIFY(log.stop());
    QCOMPARE(readAll(path), sjis(heading1 + "\r\n" + heading2 + "\r\n"));
}

void TestFuelLog::logWithoutHeadings() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("log.csv"));
    FuelLog log;
    QVERIFY(log.start(path, {}));
    QVERIFY(log.addRow(row1));
    QVERIFY(log.stop());
    QCOMPARE(readAll(path), sjis(row1 + "\r\n"));
}

void TestFuelLog::newLogDropsEarlierLines() {
    QTemporaryDir dir;
    FuelLog log;
    QVERIFY(log.start(dir.filePath(QStringLiteral("a.csv")),
                      fuelLogHeadingLines(QStringLiteral("0x1234"), started)));
    QVERIFY(log.addRow(row1));
    QVERIFY(log.stop());
    const QString second = dir.filePath(QStringLiteral("b.csv"));
    QVERIFY(log.start(second, {}));
    QVERIFY(log.addRow(row2));
    QVERIFY(log.stop());
    QCOMPARE(readAll(second), sjis(row2 + "\r\n"));
}

void TestFuelLog::unwritablePathIsReportedAndRetried() {
    QTemporaryDir dir;
    const QString folder = dir.filePath(QStringLiteral("later"));
    const QString path = folder + QStringLiteral("/log.csv");
    FuelLog log;
    QVERIFY(!log.start(path, fuelLogHeadingLines(QStringLiteral("0x1234"), started)));
    QVERIFY(!log.errorString().isEmpty());
    QVERIFY(log.isLogging());
    QVERIFY(!log.addRow(row1));
    QVERIFY(!log.stop());
    QVERIFY(log.isLogging());
    QVERIFY(log.failureMessage().contains(path));
    QCOMPARE(log.lines().size(), 3);

    // Once the folder exists, the next stop writes every kept line.
    QVERIFY(QDir().mkdir(folder));
    QVERIFY(log.stop());
    QVERIFY(!log.isLogging());
    QCOMPARE(readAll(path), sjis(heading1 + "\r\n" + heading2 + "\r\n" + row1 + "\r\n"));
}

void TestFuelLog::failedWriteIsRepairedAtStop() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("log.csv"));
    FuelLog log;
    QVERIFY(log.start(path, fuelLogHeadingLines(QStringLiteral("0x1234"), started)));
    {
        const FileSizeLimit limit(QFileInfo(path).size() + 10);
        QVERIFY(!log.addRow(row1)); // the disk is "full"
        QVERIFY(!log.addRow(row2));
        QVERIFY(!log.stop());
        QVERIFY(log.isLogging());
        QVERIFY(!log.errorString().isEmpty());
    }
    QVERIFY(log.stop());
    QCOMPARE(readAll(path),
             sjis(heading1 + "\r\n" + heading2 + "\r\n" + row1 + "\r\n" + row2 + "\r\n"));
}

void TestFuelLog::lostFileGoesOnInANewFile_data() {
    QTest::addColumn<QString>("loss");
    QTest::addColumn<bool>("recoveredNameTaken");
    QTest::newRow("removed") << "removed" << false;
    QTest::newRow("replaced by a file renamed over it") << "replaced" << false;
    QTest::newRow("cut short in place") << "truncated" << false;
    QTest::newRow("removed, first new name taken") << "removed" << true;
}

// Another program removes or replaces the log's file while it records: the file at the
// old path is left alone, and every kept line goes on in a new file named after it.
void TestFuelLog::lostFileGoesOnInANewFile() {
    QFETCH(QString, loss);
    QFETCH(bool, recoveredNameTaken);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("QK11_2011_0502_14_03_27.csv"));
    const QString first = dir.filePath(QStringLiteral("QK11_2011_0502_14_03_27_recovered.csv"));
    const QString second = dir.filePath(QStringLiteral("QK11_2011_0502_14_03_27_recovered2.csv"));
    if (recoveredNameTaken)
        QVERIFY(writeAll(first, "someone else's\r\n"));
    FuelLog log;
    QVERIFY(log.start(path, fuelLogHeadingLines(QStringLiteral("0x1234"), started)));
    QVERIFY(log.addRow(row1));
    QCOMPARE(log.followFile(), QString()); // nothing lost yet

    const QByteArray other = "RIN KODA Terminal Version 2.0\r\nLaps,0\r\n";
    if (loss == "removed") {
        QVERIFY(QFile::remove(path));
    } else if (loss == "replaced") {
        QVERIFY(writeAll(dir.filePath(QStringLiteral("laps.tmp")), other));
        QVERIFY(::rename(QFile::encodeName(dir.filePath(QStringLiteral("laps.tmp"))).constData(),
                         QFile::encodeName(path).constData()) == 0);
    } else {
        QVERIFY(QFile::resize(path, 0));
    }
    QVERIFY(log.addRow(row2)); // written into the lost file: only memory still holds it

    const QString moved = recoveredNameTaken ? second : first;
    QCOMPARE(log.followFile(), path);
    QCOMPARE(log.path(), moved);
    QVERIFY(log.movedMessage(path).contains(path));
    QVERIFY(log.movedMessage(path).contains(moved));
    QCOMPARE(log.followFile(), QString()); // said once
    const QByteArray all =
        sjis(heading1 + "\r\n" + heading2 + "\r\n" + row1 + "\r\n" + row2 + "\r\n");
    QCOMPARE(readAll(moved), all);
    QVERIFY(log.addRow(row1));
    QVERIFY(log.stop());
    QCOMPARE(readAll(moved), all + sjis(row1 + "\r\n"));
    if (loss == "replaced")
        QCOMPARE(readAll(path), other);
    if (loss == "removed")
        QVERIFY(!QFile::exists(path));
    if (recoveredNameTaken)
        QCOMPARE(readAll(first), QByteArray("someone else's\r\n"));
}

void TestFuelLog::writesTo_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("expected");
    QTest::newRow("the same path") << "log.csv" << true;
    QTest::newRow("the same path, spelt otherwise") << "sub/../log.csv" << true;
    QTest::newRow("a link to the log") << "link.csv" << true;
    QTest::newRow("another name of the same file") << "hard.csv" << true;
    QTest::newRow("another file") << "laps.csv" << false;
    QTest::newRow("a new file") << "new.csv" << false;
}

// A lap file must not be saved over the running log, by whatever name the user picks.
void TestFuelLog::writesTo() {
    QFETCH(QString, name);
    QFETCH(bool, expected);
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("sub")));
    const QString path = dir.filePath(QStringLiteral("log.csv"));
    FuelLog log;
    QVERIFY(!log.writesTo(path)); // not logging
    QVERIFY(log.start(path, {}));
    QVERIFY(QFile::link(path, dir.filePath(QStringLiteral("link.csv"))));
    QVERIFY(::link(QFile::encodeName(path).constData(),
                   QFile::encodeName(dir.filePath(QStringLiteral("hard.csv"))).constData()) == 0);
    QVERIFY(writeAll(dir.filePath(QStringLiteral("laps.csv")), "laps\r\n"));
    QCOMPARE(log.writesTo(dir.filePath(name)), expected);
    QVERIFY(log.stop());
    QVERIFY(!log.writesTo(path));
}

QTEST_GUILESS_MAIN(TestFuelLog)
#include "tst_fuellog.moc"
