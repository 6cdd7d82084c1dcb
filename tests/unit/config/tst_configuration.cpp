#include "app/config/configuration.h"
#include "app/config/profilefile.h"
#include "app/config/windowplacement.h"
#include "support/filebytes.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <limits>
#include <sys/stat.h>

namespace {

const QSize screen(1920, 1080);
const QSize window(1016, 649);

// What the first close writes when no file existed and nothing was changed:
// the window centred on a 1920 x 1080 screen at its designed size.
const QByteArray firstCloseFile = "[Form]\r\n"
                                  "Top=215\r\n"
                                  "Left=452\r\n"
                                  "Height=649\r\n"
                                  "Width=1016\r\n"
                                  "[Com]\r\n"
                                  "Port=1\r\n"
                                  "BaudRate=38400\r\n"
                                  "ByteSize=8\r\n"
                                  "Parity=2\r\n"
                                  "StopBits=0\r\n"
                                  "FlowCtrl=0\r\n"
                                  "[Data]\r\n"
                                  "Course length=0\r\n"
                                  "[Message]\r\n"
                                  "Caution=0\r\n"
                                  "[Chart]\r\n"
                                  "View3D=0\r\n"
                                  "3DPercent=5\r\n"
                                  "BackColor=16541279\r\n"
                                  "[Model]\r\n"
                                  "Rin Koda=RK-13\r\n"
                                  "RK-13 ID=0x\r\n"
                                  "QK-11 ID=0x\r\n"
                                  "[Monitor]\r\n"
                                  "Q-KODA=1\r\n";

ConfigurationValues read(const QByteArray& bytes, QSize screenSize = screen,
                         QSize windowSize = window) {
    ProfileFile file;
    file.setBytes(bytes);
    return readConfiguration(file, screenSize, windowSize);
}

} // namespace

class TestConfiguration : public QObject {
    Q_OBJECT

private slots:
    void defaultsWithoutFile();
    void firstCloseWritesExactFile();
    void windowEdges_data();
    void windowEdges();
    void serialParameters_data();
    void serialParameters();
    void sizeIsKeptButNotApplied();
    void modelFromFile_data();
    void modelFromFile();
    void roundTrip();
    void unknownContentSurvives();
    void ports();
    void saveFileCreatesFolderAndKeepsOtherKeys();
    void saveRemovesCopiesAnEarlierSaveLeft_data();
    void saveRemovesCopiesAnEarlierSaveLeft();
    void path_data();
    void path();
    void fileThatCannotBeUsedIsLeftAlone_data();
    void fileThatCannotBeUsedIsLeftAlone();
    void linkToAFileStaysALink();
    void windowKeptOnAScreen_data();
    void windowKeptOnAScreen();
};

void TestConfiguration::defaultsWithoutFile() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const ConfigurationValues v = loadConfigurationFile(dir.filePath("none.ini"), screen, window);
    QCOMPARE(v.top, 215);
    QCOMPARE(v.left, 452);
    QCOMPARE(v.comPort, 1);
    QCOMPARE(v.comm.baudRate, 38400);
    QCOMPARE(v.comm.byteSize, quint8(8));
    QCOMPARE(v.comm.parity, quint8(2));
    QCOMPARE(v.comm.stopBits, quint8(0));
    QCOMPARE(v.comm.flowControl, quint8(0));
    QCOMPARE(v.comm.eventChar, char(10));
    QCOMPARE(v.courseLength, QString("0"));
    QCOMPARE(v.showCaution, false);
    QCOMPARE(v.view3D, false);
    QCOMPARE(v.depthPercent, 5);
    QCOMPARE(v.backColor, 0xFC665F);
    QCOMPARE(v.modelRK13, true);
    QCOMPARE(v.rk13Id, QString("0x"));
    QCOMPARE(v.qk11Id, QString("0x"));
    QCOMPARE(v.qkodaMonitor, true);
    QVERIFY(v.portPaths.isEmpty());
}

void TestConfiguration::firstCloseWritesExactFile() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath("KodaMonitor.ini");
    const ConfigurationValues v = loadConfigurationFile(path, screen, window);
    QVERIFY(saveConfigurationFile(path, v));
    QCOMPARE(readAll(path), firstCloseFile);

    // A second close with nothing changed writes the same bytes.
    QVERIFY(saveConfigurationFile(path, loadConfigurationFile(path, screen, window)));
    QCOMPARE(readAll(path), firstCloseFile);
}

void TestConfiguration::windowEdges_data() {
    QTest::addColumn<QSize>("screenSize");
    QTest::addColumn<QSize>("windowSize");
    QTest::addColumn<QByteArray>("form");
    QTest::addColumn<int>("top");
    QTest::addColumn<int>("left");
    QTest::newRow("missing") << screen << window << QByteArray() << 215 << 452;
    QTest::newRow("read") << screen << window << QByteArray("Top=10\r\nLeft=20\r\n") << 10 << 20;
    QTest::newRow("zero") << screen << window << QByteArray("Top=0\r\nLeft=0\r\n") << 0 << 0;
    QTest::newRow("hex") << screen << window << QByteArray("Top=0x10\r\nLeft=0X1f\r\n") << 16 << 31;
    QTest::newRow("negative centres")
        << screen << window << QByteArray("Top=-20\r\nLeft=-1\r\n") << 215 << 452;
    QTest::newRow("one axis negative")
        << screen << window << QByteArray("Top=-20\r\nLeft=7\r\n") << 215 << 7;
    QTest::newRow("no number centres")
        << screen << window << QByteArray("Top=abc\r\nLeft=0x\r\n") << 215 << 452;
    QTest::newRow("odd difference truncates")
        << QSize(1025, 1080) << QSize(1016, 650) << QByteArray() << 215 << 4;
    QTest::newRow("window larger than screen truncates toward zero")
        << QSize(800, 600) << QSize(1016, 649) << QByteArray() << -24 << -108;
}

void TestConfiguration::windowEdges() {
    QFETCH(QSize, screenSize);
    QFETCH(QSize, windowSize);
    QFETCH(QByteArray, form);
    QFETCH(int, top);
    QFETCH(int, left);
    const ConfigurationValues v = read("[Form]\r\n" + form, screenSize, windowSize);
    QCOMPARE(v.top, top);
    QCOMPARE(v.left, left);
}

void TestConfiguration::serialParameters_data() {
    QTest::addColumn<QByteArray>("com");
    QTest::addColumn<int>("port");
    QTest::addColumn<int>("baudRate");
    QTest::addColumn<int>("byteSize");
    QTest::addColumn<int>("parity");
    QTest::addColumn<int>("stopBits");
    QTest::addColumn<int>("flowControl");
    QTest::addColumn<int>("eventChar");
    QTest::newRow("hex baud rate")
        << QByteArray("BaudRate=0x9600") << 1 << 38400 << 8 << 2 << 0 << 0 << 10;
    QTest::newRow("all given")
        << QByteArray("Port=7\r\nBaudRate=9600\r\nByteSize=7\r\nParity=1\r\nStopBits=2\r\n"
                      "FlowCtrl=2\r\nEvtChar=13")
        << 7 << 9600 << 7 << 1 << 2 << 2 << 13;
    QTest::newRow("low 8 bits count")
        << QByteArray("ByteSize=264\r\nParity=0x102\r\nStopBits=-255\r\nFlowCtrl=256\r\n"
                      "EvtChar=266")
        << 1 << 38400 << 8 << 2 << 1 << 0 << 10;
    QTest::newRow("no numbers") << QByteArray("Port=x\r\nBaudRate=fast\r\nByteSize=\r\nEvtChar=0x")
                                << 1 << 38400 << 8 << 2 << 0 << 0 << 10;
    QTest::newRow("automatic port") << QByteArray("Port=0") << 0 << 38400 << 8 << 2 << 0 << 0 << 10;
    QTest::newRow("highest port") << QByteArray("Port=99") << 99 << 38400 << 8 << 2 << 0 << 0 << 10;
    // Kept as read: the open fails later, as for any port that cannot be opened.
    QTest::newRow("port beyond the table")
        << QByteArray("Port=100") << 100 << 38400 << 8 << 2 << 0 << 0 << 10;
    QTest::newRow("port 150") << QByteArray("Port=150") << 150 << 38400 << 8 << 2 << 0 << 0 << 10;
    QTest::newRow("negative port")
        << QByteArray("Port=-3") << -3 << 38400 << 8 << 2 << 0 << 0 << 10;
}

void TestConfiguration::serialParameters() {
    QFETCH(QByteArray, com);
    QFETCH(int, port);
    QFETCH(int, baudRate);
    QFETCH(int, byteSize);
    QFETCH(int, parity);
    QFETCH(int, stopBits);
    QFETCH(int, flowControl);
    QFETCH(int, eventChar);
    const ConfigurationValues v = read("[Com]\r\n" + com + "\r\n");
    QCOMPARE(v.comPort, port);
    QCOMPARE(v.comm.baudRate, baudRate);
    QCOMPARE(int(v.comm.byteSize), byteSize);
    QCOMPARE(int(v.comm.parity), parity);
    QCOMPARE(int(v.comm.stopBits), stopBits);
    QCOMPARE(int(v.comm.flowControl), flowControl);
    QCOMPARE(int(static_cast<quint8>(v.comm.eventChar)), eventChar);
}

void TestConfiguration::sizeIsKeptButNotApplied() {
    const ConfigurationValues v = read("[Form]\r\nHeight=300\r\nWidth=400\r\n");
    QCOMPARE(v.height, 300);
    QCOMPARE(v.width, 400);
    // The position is still centred with the designed window size.
    QCOMPARE(v.top, 215);
    QCOMPARE(v.left, 452);
}

void TestConfiguration::modelFromFile_data() {
    QTest::addColumn<QByteArray>("model"); // the "Rin Koda" line, or none
    QTest::addColumn<bool>("rk13");
    QTest::newRow("RK-12") << QByteArray("Rin Koda=RK-12\r\n") << false;
    QTest::newRow("RK-12 as typed by hand") << QByteArray("Rin Koda= rk-12 \r\n") << false;
    QTest::newRow("RK-13") << QByteArray("Rin Koda=RK-13\r\n") << true;
    QTest::newRow("missing") << QByteArray() << true;
    QTest::newRow("empty") << QByteArray("Rin Koda=\r\n") << true;
    QTest::newRow("unknown") << QByteArray("Rin Koda=RK-14\r\n") << true;
}

void TestConfiguration::modelFromFile() {
    QFETCH(QByteArray, model);
    QFETCH(bool, rk13);
    const QByteArray before = "[Model]\r\n" + model + "RK-13 ID=0x1234\r\n";
    ProfileFile file;
    file.setBytes(before);
    const ConfigurationValues v = readConfiguration(file, screen, window);
    QCOMPARE(v.modelRK13, rk13);
    QCOMPARE(v.rk13Id, QString("0x1234"));
    writeConfiguration(file, v);
    QVERIFY(file.toBytes().contains(rk13 ? "Rin Koda=RK-13\r\n" : "Rin Koda=RK-12\r\n"));
}

void TestConfiguration::roundTrip() {
    ConfigurationValues v;
    v.top = 3;
    v.left = 0;
    v.height = 700;
    v.width = 1100;
    v.comPort = 0;
    v.comm.baudRate = 115200;
    v.comm.byteSize = 7;
    v.comm.parity = 3;
    v.comm.stopBits = 2;
    v.comm.flowControl = 1;
    v.courseLength = QString::fromUtf8("５．２");
    v.showCaution = true;
    v.view3D = true;
    v.depthPercent = 40;
    v.backColor = 0x00FF00;
    v.rk13Id = "0xBEEF";
    v.qk11Id = "0x12";
    v.qkodaMonitor = false;

    ProfileFile file;
    writeConfiguration(file, v);
    ProfileFile reloaded;
    QVERIFY(reloaded.setBytes(file.toBytes()));
    const ConfigurationValues r = readConfiguration(reloaded, screen, window);
    QCOMPARE(r.top, v.top);
    QCOMPARE(r.left, v.left);
    QCOMPARE(r.height, v.height);
    QCOMPARE(r.width, v.width);
    QCOMPARE(r.comPort, v.comPort);
    QCOMPARE(r.comm.baudRate, v.comm.baudRate);
    QCOMPARE(r.comm.byteSize, v.comm.byteSize);
    QCOMPARE(r.comm.parity, v.comm.parity);
    QCOMPARE(r.comm.stopBits, v.comm.stopBits);
    QCOMPARE(r.comm.flowControl, v.comm.flowControl);
    QCOMPARE(r.courseLength, v.courseLength);
    QCOMPARE(r.showCaution, v.showCaution);
    QCOMPARE(r.view3D, v.view3D);
    QCOMPARE(r.depthPercent, v.depthPercent);
    QCOMPARE(r.backColor, v.backColor);
    QCOMPARE(r.rk13Id, v.rk13Id);
    QCOMPARE(r.qk11Id, v.qk11Id);
    QCOMPARE(r.qkodaMonitor, v.qkodaMonitor);
    // The Japanese course length is stored as CP932.
    QVERIFY(file.toBytes().contains("Course length=\x82\x54\x81\x44\x82\x51\r\n"));
}

void TestConfiguration::unknownContentSurvives() {
    // An edited file: own comments, an unknown key, an event character, the
    // port map and another program's section stay where they are; known keys
    // are replaced in place and missing ones added at the end of their section.
    const QByteArray before = "; KODA Monitor\r\n"
                              "[form]\r\n"
                              "top=-20\r\n"
                              "Maximized=1\r\n"
                              "\r\n"
                              "[Com]\r\n"
                              "EvtChar=13\r\n"
                              "Port=5\r\n"
                              "\r\n"
                              "[Ports]\r\n"
                              "COM5=/dev/serial/by-id/usb-KODA\r\n"
                              "\r\n"
                              "[Other]\r\n"
                              "x=y\r\n";
    ProfileFile file;
    QVERIFY(file.setBytes(before));
    const ConfigurationValues v = readConfiguration(file, screen, window);
    QCOMPARE(v.comm.eventChar, char(13));
    writeConfiguration(file, v);
    const QByteArray after = "; KODA Monitor\r\n"
                             "[form]\r\n"
                             "Top=215\r\n"
                             "Maximized=1\r\n"
                             "Left=452\r\n"
                             "Height=649\r\n"
                             "Width=1016\r\n"
                             "\r\n"
                             "[Com]\r\n"
                             "EvtChar=13\r\n"
                             "Port=5\r\n"
                             "BaudRate=38400\r\n"
                             "ByteSize=8\r\n"
                             "Parity=2\r\n"
                             "StopBits=0\r\n"
                             "FlowCtrl=0\r\n"
                             "\r\n"
                             "[Ports]\r\n"
                             "COM5=/dev/serial/by-id/usb-KODA\r\n"
                             "\r\n"
                             "[Other]\r\n"
                             "x=y\r\n"
                             "[Data]\r\n"
                             "Course length=0\r\n"
                             "[Message]\r\n"
                             "Caution=0\r\n"
                             "[Chart]\r\n"
                             "View3D=0\r\n"
                             "3DPercent=5\r\n"
                             "BackColor=16541279\r\n"
                             "[Model]\r\n"
                             "Rin Koda=RK-13\r\n"
                             "RK-13 ID=0x\r\n"
                             "QK-11 ID=0x\r\n"
                             "[Monitor]\r\n"
                             "Q-KODA=1\r\n";
    QCOMPARE(file.toBytes(), after);
}

void TestConfiguration::ports() {
    const ConfigurationValues v = read("[ports]\r\n"
                                       "COM3=/dev/pts/5\r\n"
                                       "com17 = /dev/rfcomm0\r\n"
                                       "COM3=/dev/ignored\r\n"
                                       "COM99=/tmp/koda sim link\r\n"
                                       "COM0=/dev/zero-port\r\n"
                                       "COM100=/dev/too-high\r\n"
                                       "COM4=\r\n"
                                       "COMX=/dev/x\r\n");
    const QMap<int, QString> expected{
        {3, "/dev/pts/5"}, {17, "/dev/rfcomm0"}, {99, "/tmp/koda sim link"}};
    QCOMPARE(v.portPaths, expected);
}

void TestConfiguration::saveFileCreatesFolderAndKeepsOtherKeys() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath("config/KodaMonitor/KodaMonitor.ini");
    ConfigurationValues v = loadConfigurationFile(path, screen, window);
    QVERIFY(saveConfigurationFile(path, v));
    QCOMPARE(readAll(path), firstCloseFile);

    // A key added by hand while the program ran is still there after its close.
    QVERIFY(writeAll(path, "[Ports]\r\nCOM2=/dev/pts/9\r\n" + firstCloseFile));
    v.comPort = 2;
    QVERIFY(saveConfigurationFile(path, v));
    const QByteArray saved = readAll(path);
    QVERIFY(saved.startsWith("[Ports]\r\nCOM2=/dev/pts/9\r\n[Form]\r\n"));
    QVERIFY(saved.contains("\r\nPort=2\r\n"));
    QCOMPARE(loadConfigurationFile(path, screen, window).portPaths.value(2), QString("/dev/pts/9"));
}

void TestConfiguration::saveRemovesCopiesAnEarlierSaveLeft_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("removed");
    QTest::newRow("copy of a save cut off") << "KodaMonitor.ini.QQfouN" << true;
    QTest::newRow("another such copy") << "KodaMonitor.ini.oIgIOO" << true;
    QTest::newRow("the user's backup") << "KodaMonitor.ini.backup" << false;
    QTest::newRow("the user's Backup") << "KodaMonitor.ini.Backup" << false;
    QTest::newRow("the user's BACKUP") << "KodaMonitor.ini.BACKUP" << false;
    QTest::newRow("digits") << "KodaMonitor.ini.2024Ab" << false;
    QTest::newRow("another file's copy") << "Other.ini.QQfouN" << false;
    QTest::newRow("seven letters") << "KodaMonitor.ini.QQfouNx" << false;
}

// A save killed between making its copy and renaming it leaves the copy beside the
// file; the next save removes it, and nothing else.
void TestConfiguration::saveRemovesCopiesAnEarlierSaveLeft() {
    QFETCH(QString, name);
    QFETCH(bool, removed);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath("KodaMonitor.ini");
    const QString copy = dir.filePath(name);
    QVERIFY(writeAll(copy, firstCloseFile));
    // A link of that name is never removed, nor what it leads to.
    const QString link = dir.filePath("KodaMonitor.ini.LinKed");
    QVERIFY(QFile::link(copy, link));
    ConfigurationValues v = loadConfigurationFile(path, screen, window);
    QVERIFY(saveConfigurationFile(path, v));
    QCOMPARE(QFile::exists(copy), !removed);
    QVERIFY(QFileInfo(link).isSymLink());
    QCOMPARE(readAll(path), firstCloseFile);
}

void TestConfiguration::path_data() {
    QTest::addColumn<QString>("program");
    QTest::addColumn<QString>("expected");
    QTest::newRow("writable folder") << "%1/bin/KodaMonitor"
                                     << "%1/bin/KodaMonitor.ini";
    QTest::newRow("extension replaced") << "%1/bin/KodaMonitor.exe"
                                        << "%1/bin/KodaMonitor.ini";
    QTest::newRow("only the last extension") << "%1/bin/koda.monitor.bin"
                                             << "%1/bin/koda.monitor.ini";
    // /proc/self refuses new files even to root.
    QTest::newRow("unwritable folder") << "/proc/self/KodaMonitor"
                                       << "%1/xdg/KodaMonitor/KodaMonitor.ini";
    QTest::newRow("no program path") << ""
                                     << "%1/xdg/KodaMonitor/KodaMonitor.ini";
}

void TestConfiguration::path() {
    QFETCH(QString, program);
    QFETCH(QString, expected);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QVERIFY(QDir().mkpath(dir.filePath("bin")));
    const QByteArray oldXdg = qgetenv("XDG_CONFIG_HOME");
    const bool hadXdg = qEnvironmentVariableIsSet("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(dir.filePath("xdg")));
    const QString result = configurationPath(QString(program).replace("%1", dir.path()));
    if (hadXdg)
        qputenv("XDG_CONFIG_HOME", oldXdg);
    else
        qunsetenv("XDG_CONFIG_HOME");
    QCOMPARE(result, expected.replace("%1", dir.path()));
    // Finding the path creates nothing.
    QVERIFY(!QFileInfo::exists(dir.filePath("xdg")));
}

void TestConfiguration::fileThatCannotBeUsedIsLeftAlone_data() {
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("reason");
    QTest::newRow("folder") << "folder"
                            << "フォルダーです。";
    QTest::newRow("pipe") << "fifo"
                          << "通常のファイルではありません。";
    QTest::newRow("link to a pipe") << "link to fifo"
                                    << "リンク先が通常のファイルではありません。";
    QTest::newRow("link to a folder") << "link to folder"
                                      << "フォルダーです。";
    QTest::newRow("link to nothing") << "dangling link"
                                     << "リンク先が通常のファイルではありません。";
    QTest::newRow("over 1 MiB") << "many bytes"
                                << "大きすぎます（1048576バイトまたは65536行まで）。";
    QTest::newRow("over 65536 lines") << "many lines"
                                      << "大きすぎます（1048576バイトまたは65536行まで）。";
}

// A configuration path the program cannot use is said at start and is never written:
// a pipe or a device stays what it is, and a file too large to read keeps its "Ports" and
// every other key.
void TestConfiguration::fileThatCannotBeUsedIsLeftAlone() {
    QFETCH(QString, kind);
    QFETCH(QString, reason);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath("KodaMonitor.ini");
    const QString aside = dir.filePath("aside");
    QByteArray content = "[Ports]\r\nCOM1=/dev/serial/koda/1a86-7523-0001\r\n[Com]\r\nPort=1\r\n";
    if (kind == "folder") {
        QVERIFY(QDir().mkdir(path));
    } else if (kind == "fifo") {
        QVERIFY(mkfifo(QFile::encodeName(path).constData(), 0600) == 0);
    } else if (kind == "link to fifo") {
        QVERIFY(mkfifo(QFile::encodeName(aside).constData(), 0600) == 0);
        QVERIFY(QFile::link(aside, path));
    } else if (kind == "link to folder") {
        QVERIFY(QDir().mkdir(aside));
        QVERIFY(QFile::link(aside, path));
    } else if (kind == "dangling link") {
        QVERIFY(QFile::link(aside, path));
    } else if (kind == "many bytes") {
        content += "; " + QByteArray(ProfileFile::maxReadBytes, 'x') + "\r\n";
    } else {
        content += QByteArray(ProfileFile::maxLines, '\n');
    }
    const bool regular = kind.startsWith("many");
    if (regular)
        QVERIFY(writeAll(path, content));
    const auto entries = [&dir] {
        return QDir(dir.path())
            .entryList(QDir::AllEntries | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot);
    };
    const QStringList before = entries();

    QString refusal;
    ConfigurationValues v = loadConfigurationFile(path, screen, window, &refusal);
    QCOMPARE(refusal, QString("設定ファイルを使用できません。\r\n%1\r\n%2\r\n"
                              "既定の設定で起動します。このファイルは変更せず、"
                              "終了時の設定は保存しません。")
                          .arg(path, reason));
    QCOMPARE(v.comPort, 1);
    v.comPort = 7;
    QVERIFY(!saveConfigurationFile(path, v));

    const QFileInfo after(path);
    if (regular)
        QCOMPARE(readAll(path), content);
    else if (kind.contains("link"))
        QVERIFY(after.isSymLink());
    else if (kind == "folder")
        QVERIFY(after.isDir());
    struct stat what {};
    if (kind.contains("fifo"))
        QVERIFY(stat(QFile::encodeName(path).constData(), &what) == 0 && S_ISFIFO(what.st_mode));
    if (kind == "dangling link")
        QVERIFY(!QFileInfo::exists(aside));
    QCOMPARE(entries(), before); // nothing made beside it either
}

// A link to a regular file is followed: the file it leads to is written, the link stays.
void TestConfiguration::linkToAFileStaysALink() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QVERIFY(QDir().mkdir(dir.filePath("dotfiles")));
    const QString target = dir.filePath("dotfiles/KodaMonitor.ini");
    const QString path = dir.filePath("KodaMonitor.ini");
    QVERIFY(writeAll(target, "[Custom]\r\nKeep=me\r\n"));
    QVERIFY(QFile::link(target, path));
    QString refusal;
    ConfigurationValues v = loadConfigurationFile(path, screen, window, &refusal);
    QCOMPARE(refusal, QString());
    QVERIFY(saveConfigurationFile(path, v));
    QVERIFY(QFileInfo(path).isSymLink());
    QCOMPARE(readAll(target), "[Custom]\r\nKeep=me\r\n" + firstCloseFile);
    QCOMPARE(QDir(dir.filePath("dotfiles")).entryList(QDir::Files), QStringList{"KodaMonitor.ini"});
}

void TestConfiguration::windowKeptOnAScreen_data() {
    QTest::addColumn<QPoint>("read");
    QTest::addColumn<QList<QRect>>("screens");
    QTest::addColumn<QPoint>("opened");
    const QRect one(0, 0, 1280, 800);
    const QList<QRect> single{one};
    // 1016 x 649: centred on 1280 x 800 at (132, 75).
    QTest::newRow("on the screen") << QPoint(100, 184) << single << QPoint(100, 184);
    QTest::newRow("partly below the screen") << QPoint(100, 700) << single << QPoint(100, 700);
    QTest::newRow("on a monitor unplugged since")
        << QPoint(8000, 5000) << single << QPoint(132, 75);
    QTest::newRow("far to the right") << QPoint(99999, 20) << single << QPoint(132, 20);
    QTest::newRow("just off the bottom") << QPoint(0, 750) << single << QPoint(0, 75);
    QTest::newRow("largest integers")
        << QPoint(std::numeric_limits<int>::max(), std::numeric_limits<int>::max()) << single
        << QPoint(132, 75);
    const QList<QRect> two{one, QRect(1280, 0, 1920, 1080)};
    QTest::newRow("on the second screen") << QPoint(2000, 900) << two << QPoint(2000, 900);
    QTest::newRow("across both screens") << QPoint(1250, 100) << two << QPoint(1250, 100);
    QTest::newRow("below the first, beside the second")
        << QPoint(100, 900) << two << QPoint(100, 75);
}

void TestConfiguration::windowKeptOnAScreen() {
    QFETCH(QPoint, read);
    QFETCH(QList<QRect>, screens);
    QFETCH(QPoint, opened);
    QCOMPARE(keepOnScreens(read, window, screens, screens.first()), opened);
}

QTEST_GUILESS_MAIN(TestConfiguration)
#include "tst_configuration.moc"
