#include "app/config/profilefile.h"
#include "support/filebytes.h"

#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

ProfileFile fromBytes(const QByteArray& bytes) {
    ProfileFile file;
    file.setBytes(bytes);
    return file;
}

} // namespace

class TestProfileFile : public QObject {
    Q_OBJECT

private slots:
    void readInt_data();
    void readInt();
    void readBool_data();
    void readBool();
    void readString_data();
    void readString();
    void caseInsensitiveLookup();
    void duplicates();
    void lineEnds_data();
    void lineEnds();
    void writePlacement_data();
    void writePlacement();
    void writtenValueCannotBreakLines();
    void japaneseText();
    void keys();
    void junkNeverCrashes_data();
    void junkNeverCrashes();
    void oversizedFileIsReplaced_data();
    void oversizedFileIsReplaced();
    void largestFileIsRead();
    void loadFailures();
    void saveAndLoad();
    void failedSaveKeepsOldFile_data();
    void failedSaveKeepsOldFile();
};

void TestProfileFile::readInt_data() {
    QTest::addColumn<QByteArray>("value");
    QTest::addColumn<int>("expected");
    // The default is 77 in every row.
    QTest::newRow("decimal") << QByteArray("38400") << 38400;
    QTest::newRow("hex 0x9600") << QByteArray("0x9600") << 38400;
    QTest::newRow("hex upper prefix") << QByteArray("0X1f") << 31;
    QTest::newRow("hex zero") << QByteArray("0x0") << 0;
    QTest::newRow("prefix alone") << QByteArray("0x") << 77;
    QTest::newRow("upper prefix alone") << QByteArray("0X") << 77;
    QTest::newRow("hex bad digit") << QByteArray("0x1g") << 77;
    QTest::newRow("hex with sign") << QByteArray("0x-1") << 77;
    QTest::newRow("hex largest") << QByteArray("0x7FFFFFFF") << 2147483647;
    QTest::newRow("hex overflow") << QByteArray("0x80000000") << 77;
    QTest::newRow("hex long overflow") << QByteArray("0x1000000000000000000") << 77;
    QTest::newRow("negative") << QByteArray("-20") << -20;
    QTest::newRow("plus sign") << QByteArray("+5") << 5;
    QTest::newRow("sign alone") << QByteArray("-") << 77;
    QTest::newRow("leading zeros") << QByteArray("007") << 7;
    QTest::newRow("largest") << QByteArray("2147483647") << 2147483647;
    QTest::newRow("smallest") << QByteArray("-2147483648") << int(-2147483647 - 1);
    QTest::newRow("overflow") << QByteArray("2147483648") << 77;
    QTest::newRow("underflow") << QByteArray("-2147483649") << 77;
    QTest::newRow("huge") << QByteArray("99999999999999999999999") << 77;
    QTest::newRow("word") << QByteArray("abc") << 77;
    QTest::newRow("empty") << QByteArray("") << 77;
    QTest::newRow("trailing junk") << QByteArray("12abc") << 77;
    QTest::newRow("inner blank") << QByteArray("1 2") << 77;
    QTest::newRow("surrounding blanks") << QByteArray(" \t42 ") << 42;
    QTest::newRow("quoted") << QByteArray("\"7\"") << 7;
    QTest::newRow("decimal point") << QByteArray("1.5") << 77;
    QTest::newRow("full-width digits") << QByteArray("\x82\x50\x82\x51") << 77;
}

void TestProfileFile::readInt() {
    QFETCH(QByteArray, value);
    QFETCH(int, expected);
    const ProfileFile file = fromBytes("[S]\r\nK=" + value + "\r\n");
    QCOMPARE(file.readInt("S", "K", 77), expected);
}

void TestProfileFile::readBool_data() {
    QTest::addColumn<QByteArray>("value");
    QTest::addColumn<bool>("defaultValue");
    QTest::addColumn<bool>("expected");
    QTest::newRow("0") << QByteArray("0") << true << false;
    QTest::newRow("1") << QByteArray("1") << false << true;
    QTest::newRow("other integer") << QByteArray("-3") << false << true;
    QTest::newRow("hex") << QByteArray("0x10") << false << true;
    QTest::newRow("hex zero") << QByteArray("0x0") << true << false;
    QTest::newRow("word keeps default true") << QByteArray("yes") << true << true;
    QTest::newRow("word keeps default false") << QByteArray("true") << false << false;
    QTest::newRow("empty keeps default") << QByteArray("") << true << true;
}

void TestProfileFile::readBool() {
    QFETCH(QByteArray, value);
    QFETCH(bool, defaultValue);
    QFETCH(bool, expected);
    const ProfileFile file = fromBytes("[S]\r\nK=" + value + "\r\n");
    QCOMPARE(file.readBool("S", "K", defaultValue), expected);
}

void TestProfileFile::readString_data() {
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<QString>("expected");
    QTest::newRow("plain") << QByteArray("K=abc") << "abc";
    QTest::newRow("blanks around") << QByteArray("  K \t=  a b \t") << "a b";
    QTest::newRow("quoted") << QByteArray("K=\" a b \"") << " a b ";
    QTest::newRow("quoted after blanks") << QByteArray("K=  \"x\"  ") << "x";
    QTest::newRow("empty quotes") << QByteArray("K=\"\"") << "";
    QTest::newRow("lone quote") << QByteArray("K=\"") << "\"";
    QTest::newRow("unmatched quote") << QByteArray("K=\"x") << "\"x";
    QTest::newRow("equals in value") << QByteArray("K=a=b") << "a=b";
    QTest::newRow("empty value") << QByteArray("K=") << "";
    QTest::newRow("comment is no key") << QByteArray(";K=x") << "default";
    QTest::newRow("no equals is no key") << QByteArray("K") << "default";
}

void TestProfileFile::readString() {
    QFETCH(QByteArray, line);
    QFETCH(QString, expected);
    const ProfileFile file = fromBytes("[S]\r\n" + line + "\r\n");
    QCOMPARE(file.readString("S", "K", "default"), expected);
}

void TestProfileFile::caseInsensitiveLookup() {
    ProfileFile file = fromBytes("[form]\r\ntop=5\r\n[ COM ]\r\nbaudrate=0x9600\r\n");
    QCOMPARE(file.readInt("Form", "Top", -1), 5);
    QCOMPARE(file.readInt("FORM", "TOP", -1), 5);
    QCOMPARE(file.readInt("Com", "BaudRate", -1), 38400);
    QCOMPARE(file.readInt("Form", "BaudRate", -1), -1);

    file.writeInt("Form", "Top", 6);
    file.writeInt("Com", "BaudRate", 9600);
    QCOMPARE(file.toBytes(), QByteArray("[form]\r\nTop=6\r\n[ COM ]\r\nBaudRate=9600\r\n"));
}

void TestProfileFile::duplicates() {
    ProfileFile file = fromBytes("[S]\r\nK=1\r\nk=2\r\n[T]\r\nK=3\r\n[s]\r\nK=4\r\nL=5\r\n");
    QCOMPARE(file.readInt("S", "K", 0), 1);
    QCOMPARE(file.readInt("T", "K", 0), 3);
    // A key only in the repeated section is found there.
    QCOMPARE(file.readInt("S", "L", 0), 5);

    // The key that is read is the key that is written.
    file.writeInt("S", "K", 9);
    QCOMPARE(file.readInt("S", "K", 0), 9);
    QCOMPARE(file.toBytes(),
             QByteArray("[S]\r\nK=9\r\nk=2\r\n[T]\r\nK=3\r\n[s]\r\nK=4\r\nL=5\r\n"));
}

void TestProfileFile::lineEnds_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("CR LF") << QByteArray("[S]\r\nA=1\r\nB=2\r\n");
    QTest::newRow("LF") << QByteArray("[S]\nA=1\nB=2\n");
    QTest::newRow("CR") << QByteArray("[S]\rA=1\rB=2\r");
    QTest::newRow("mixed") << QByteArray("[S]\rA=1\nB=2\r\n");
    QTest::newRow("no final line end") << QByteArray("[S]\r\nA=1\r\nB=2");
}

void TestProfileFile::lineEnds() {
    QFETCH(QByteArray, bytes);
    const ProfileFile file = fromBytes(bytes);
    QCOMPARE(file.readInt("S", "A", 0), 1);
    QCOMPARE(file.readInt("S", "B", 0), 2);
    QCOMPARE(file.toBytes(), QByteArray("[S]\r\nA=1\r\nB=2\r\n"));
}

void TestProfileFile::writePlacement_data() {
    QTest::addColumn<QByteArray>("before");
    QTest::addColumn<QStringList>("writes"); // "section|key|value" each
    QTest::addColumn<QByteArray>("after");

    QTest::newRow("empty file") << QByteArray()
                                << QStringList{"Form|Top|1", "Form|Left|2", "Com|Port|3"}
                                << QByteArray("[Form]\r\nTop=1\r\nLeft=2\r\n[Com]\r\nPort=3\r\n");
    QTest::newRow("replace in place, others kept")
        << QByteArray("; made by hand\r\n[Form]\r\nTop=1\r\nMine=x\r\n\r\n[Other]\r\nfoo = bar\r\n")
        << QStringList{"Form|Top|9"}
        << QByteArray(
               "; made by hand\r\n[Form]\r\nTop=9\r\nMine=x\r\n\r\n[Other]\r\nfoo = bar\r\n");
    QTest::newRow("new key after the section's last line, before blank lines")
        << QByteArray("[Form]\r\nTop=1\r\n; note\r\n\r\n\r\n[Com]\r\nPort=2\r\n")
        << QStringList{"Form|Left|5"}
        << QByteArray("[Form]\r\nTop=1\r\n; note\r\nLeft=5\r\n\r\n\r\n[Com]\r\nPort=2\r\n");
    QTest::newRow("new key into the last section")
        << QByteArray("[Form]\r\nTop=1\r\n[Com]\r\nPort=2\r\n") << QStringList{"Com|BaudRate|9600"}
        << QByteArray("[Form]\r\nTop=1\r\n[Com]\r\nPort=2\r\nBaudRate=9600\r\n");
    QTest::newRow("new key into an empty section")
        << QByteArray("[Form]\r\n[Com]\r\n") << QStringList{"Form|Top|1"}
        << QByteArray("[Form]\r\nTop=1\r\n[Com]\r\n");
    QTest::newRow("new section at the end, no blank line")
        << QByteArray("[Form]\r\nTop=1\r\n\r\n") << QStringList{"Chart|View3D|0"}
        << QByteArray("[Form]\r\nTop=1\r\n\r\n[Chart]\r\nView3D=0\r\n");
    QTest::newRow("lines without equals and junk kept")
        << QByteArray("junk before\r\n[Form]\r\nno equals here\r\nTop=1\r\n")
        << QStringList{"Form|Top|2", "Form|Left|3"}
        << QByteArray("junk before\r\n[Form]\r\nno equals here\r\nTop=2\r\nLeft=3\r\n");
    QTest::newRow("key before any section is not in a section")
        << QByteArray("Top=1\r\n") << QStringList{"Form|Top|2"}
        << QByteArray("Top=1\r\n[Form]\r\nTop=2\r\n");
    QTest::newRow("spaces in key names")
        << QByteArray("[Data]\r\nCourse length = 1.2\r\n") << QStringList{"Data|Course length|3.4"}
        << QByteArray("[Data]\r\nCourse length=3.4\r\n");
}

void TestProfileFile::writePlacement() {
    QFETCH(QByteArray, before);
    QFETCH(QStringList, writes);
    QFETCH(QByteArray, after);
    ProfileFile file = fromBytes(before);
    for (const QString& write : writes) {
        const QStringList parts = write.split(u'|');
        file.writeString(parts[0], parts[1], parts[2]);
        QCOMPARE(file.readString(parts[0], parts[1]), parts[2]);
    }
    QCOMPARE(file.toBytes(), after);
}

void TestProfileFile::writtenValueCannotBreakLines() {
    ProfileFile file;
    file.writeString("S", "K", "a\r\n[X]\nY=1\r");
    QCOMPARE(file.toBytes(), QByteArray("[S]\r\nK=a  [X] Y=1 \r\n"));
    QCOMPARE(file.readString("X", "Y", "none"), QString("none"));
}

void TestProfileFile::japaneseText() {
    // "ゾ" (83 5D) and "ゼ" (83 5B) end in the bytes of ']' and '[': the text is
    // decoded before it is parsed.
    const QByteArray bytes("[\x83\x5D\x81\x5B\x83\x93]\r\n\x83\x4C\x81\x5B=\x92\x6C\x83\x5B\r\n");
    ProfileFile file = fromBytes(bytes);
    QCOMPARE(file.readString(QString::fromUtf8("ゾーン"), QString::fromUtf8("キー")),
             QString::fromUtf8("値ゼ"));

    file.writeString("Data", "Course length", QString::fromUtf8("コース全長"));
    QCOMPARE(file.toBytes(),
             bytes + "[Data]\r\nCourse length=\x83\x52\x81\x5B\x83\x58\x91\x53\x92\xB7\r\n");

    // Characters CP932 lacks become '?', one each.
    file.writeString("Data", "Course length", QString::fromUtf8("é😀x"));
    QCOMPARE(file.toBytes(), bytes + "[Data]\r\nCourse length=??x\r\n");
}

void TestProfileFile::keys() {
    const ProfileFile file =
        fromBytes("[S]\r\nB=1\r\n;C=2\r\nnothing\r\na=3\r\nb=4\r\n[T]\r\nX=1\r\n[s]\r\nD=5\r\n");
    QCOMPARE(file.keys("S"), (QStringList{"B", "a", "D"}));
    QCOMPARE(file.keys("t"), QStringList{"X"});
    QCOMPARE(file.keys("none"), QStringList());
}

void TestProfileFile::junkNeverCrashes_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("empty") << QByteArray();
    QTest::newRow("line ends only") << QByteArray("\r\n\n\r\r\r\n");
    QTest::newRow("NUL bytes") << QByteArray("[S\0]\r\nK\0=\0v\0\r\n\0\0\0", 16);
    QTest::newRow("brackets") << QByteArray("[\r\n]\r\n[[]]\r\n[]\r\n=\r\n==\r\n[S]=x\r\n");
    QTest::newRow("dangling lead bytes") << QByteArray("\x82\r\n\x81\n\xFC\r\xFF\x80\xA0");
    QTest::newRow("long line without equals") << QByteArray(1000 * 1000, 'x');
    QTest::newRow("long key and value")
        << "[S]\r\n" + QByteArray(500 * 1024, 'k') + "=" + QByteArray(500 * 1024, 'v');
    QTest::newRow("many line ends") << QByteArray(1024 * 1024, '\n');
    QTest::newRow("many lines") << QByteArray(ProfileFile::maxLines / 2, '\r') + "[S]\nK=1";
    QByteArray random(256 * 1024, '\0');
    QRandomGenerator generator(20240611);
    for (char& c : random)
        c = static_cast<char>(generator.bounded(256));
    QTest::newRow("random bytes") << random;
}

void TestProfileFile::junkNeverCrashes() {
    QFETCH(QByteArray, bytes);
    ProfileFile file = fromBytes(bytes);
    QCOMPARE(file.readInt("S", "K", 5), file.readInt("S", "K", 5)); // any value, no crash
    file.keys("S");
    file.readString("", "");
    file.writeString("S", "K", "v");
    QCOMPARE(file.readString("S", "K"), QString("v"));
    file.writeString("New", "K", "w");
    QCOMPARE(file.readString("New", "K"), QString("w"));
    // What was written can be read back the same way after a reload.
    const ProfileFile again = fromBytes(file.toBytes());
    QCOMPARE(again.readString("S", "K"), QString("v"));
    QCOMPARE(again.readString("New", "K"), QString("w"));
}

void TestProfileFile::oversizedFileIsReplaced_data() {
    QTest::addColumn<QByteArray>("content");
    QByteArray filler;
    while (filler.size() <= ProfileFile::maxReadBytes)
        filler += "x=yyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyy\r\n";
    QTest::newRow("too many bytes") << "[Form]\r\nTop=1\r\n" + filler;
    QTest::newRow("too many lines")
        << "[Form]\r\nTop=1\r\n" + QByteArray(ProfileFile::maxLines, '\n');
}

void TestProfileFile::oversizedFileIsReplaced() {
    QFETCH(QByteArray, content);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath("big.ini");
    QVERIFY(writeAll(path, content));

    ProfileFile file;
    QVERIFY(!file.load(path));
    QCOMPARE(file.readInt("Form", "Top", 0), 0);
    file.writeInt("Form", "Top", 2);
    QVERIFY(file.save(path));
    QCOMPARE(readAll(path), QByteArray("[Form]\r\nTop=2\r\n"));
}

void TestProfileFile::largestFileIsRead() {
    QByteArray content = "[Form]\r\nTop=1\r\n";
    content += QByteArray(ProfileFile::maxLines - 4, '\n');
    content += "[Com]\r\nPort=";
    content += QByteArray(ProfileFile::maxReadBytes - content.size() - 1, '0') + "7";
    QCOMPARE(content.size(), ProfileFile::maxReadBytes);
    ProfileFile file;
    QVERIFY(file.setBytes(content));
    QCOMPARE(file.readInt("Form", "Top", 0), 1);
    QCOMPARE(file.readInt("Com", "Port", 0), 7);
}

void TestProfileFile::loadFailures() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    ProfileFile file = fromBytes("[S]\r\nK=1\r\n");
    QVERIFY(!file.load(dir.filePath("missing.ini")));
    QCOMPARE(file.readInt("S", "K", 0), 0);
    QCOMPARE(file.toBytes(), QByteArray());

    QVERIFY(!file.load(dir.path())); // a folder
    QVERIFY(!file.load(QString()));

    QVERIFY(mkfifo(QFile::encodeName(dir.filePath("fifo")).constData(), 0600) == 0);
    QVERIFY(!file.load(dir.filePath("fifo"))); // must not block
}

void TestProfileFile::saveAndLoad() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath("sub/folder/KodaMonitor.ini");
    ProfileFile file = fromBytes("; keep\n[A]\nx=1\n");
    file.writeInt("A", "y", -2);
    file.writeString("B", "z", QString::fromUtf8("全長"));
    QVERIFY(file.save(path)); // creates the missing folders
    QCOMPARE(readAll(path),
             QByteArray("; keep\r\n[A]\r\nx=1\r\ny=-2\r\n[B]\r\nz=\x91\x53\x92\xB7\r\n"));

    ProfileFile again;
    QVERIFY(again.load(path));
    QCOMPARE(again.readInt("a", "X", 0), 1);
    QCOMPARE(again.readInt("A", "y", 0), -2);
    QCOMPARE(again.readString("b", "Z"), QString::fromUtf8("全長"));
    QCOMPARE(again.toBytes(), readAll(path));

    // Saving again replaces the file, leaving no temporary beside it.
    again.writeInt("A", "x", 3);
    QVERIFY(again.save(path));
    QCOMPARE(QDir(dir.filePath("sub/folder")).entryList(QDir::Files),
             QStringList{"KodaMonitor.ini"});
    QCOMPARE(readAll(path),
             QByteArray("; keep\r\n[A]\r\nx=3\r\ny=-2\r\n[B]\r\nz=\x91\x53\x92\xB7\r\n"));
}

void TestProfileFile::failedSaveKeepsOldFile_data() {
    QTest::addColumn<bool>("sizeLimit");
    // The folder refuses new files, so the temporary file cannot be made.
    QTest::newRow("locked folder") << false;
    // The disk fills up half-way: the write itself comes up short.
    QTest::newRow("file-size limit") << true;
}

void TestProfileFile::failedSaveKeepsOldFile() {
    QFETCH(bool, sizeLimit);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString folder = dir.filePath("locked");
    QVERIFY(QDir().mkpath(folder));
    const QString path = folder + "/KodaMonitor.ini";
    const QByteArray old("[Form]\r\nTop=1\r\n");
    QVERIFY(writeAll(path, old));
    if (!sizeLimit) {
        // The file itself may be written; only its folder is closed.
        QVERIFY(chmod(QFile::encodeName(path).constData(), 0666) == 0);
        QVERIFY(chmod(QFile::encodeName(folder).constData(), 0555) == 0);
        QVERIFY(chmod(QFile::encodeName(dir.path()).constData(), 0755) == 0);
    }

    ProfileFile file;
    file.writeInt("Form", "Top", 2);
    for (const char* key : {"Port", "BaudRate", "ByteSize", "Parity", "StopBits", "FlowCtrl"})
        file.writeInt("Com", key, 38400);
    file.writeString("Data", "Course length", "1.234");
    QVERIFY(file.toBytes().size() > 100);

    // Saved in a child: permissions do not stop root, so the locked folder needs
    // an unprivileged user, and the size limit must not outlive the save.
    const pid_t child = fork();
    QVERIFY(child >= 0);
    if (child == 0) {
        if (sizeLimit) {
            signal(SIGXFSZ, SIG_IGN);
            const rlimit small{100, 100};
            if (setrlimit(RLIMIT_FSIZE, &small) != 0)
                _exit(2);
        } else if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) {
            _exit(2);
        }
        _exit(file.save(path) ? 1 : 0);
    }
    int status = 0;
    QCOMPARE(waitpid(child, &status, 0), child);
    chmod(QFile::encodeName(folder).constData(), 0755);
    QVERIFY(WIFEXITED(status));
    QVERIFY2(WEXITSTATUS(status) != 2, "could not set up the failure");
    QCOMPARE(WEXITSTATUS(status), 0); // the save reports the failure
    QCOMPARE(readAll(path), old);
    QCOMPARE(QDir(folder).entryList(QDir::Files), QStringList{"KodaMonitor.ini"});
}

QTEST_GUILESS_MAIN(TestProfileFile)
#include "tst_profilefile.moc"
