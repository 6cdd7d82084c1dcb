// Why a port cannot be used: each cause found on real pseudo-terminals and on fake /proc,
// /sys and lock trees, in the words the user reads.
#include "serial/portdoctor.h"
#include "serial/serialport.h"
#include "support/filebytes.h"
#include "support/ptypair.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

QString groupOf(const QString& path) {
    struct stat st {};
    ::stat(QFile::encodeName(path).constData(), &st);
    const group* g = ::getgrgid(st.st_gid);
    return g ? QString::fromLocal8Bit(g->gr_name) : QString::number(st.st_gid);
}

} // namespace

class TestPortDoctor : public QObject {
    Q_OBJECT

private slots:
    void causeOfEachOpenError_data();
    void causeOfEachOpenError();
    void permissionNamesGroupAndWhatToDo_data();
    void permissionNamesGroupAndWhatToDo();
    void permissionSeenByAnUnprivilegedProcess_data();
    void permissionSeenByAnUnprivilegedProcess();
    void settingsNoPortTakes_data();
    void settingsNoPortTakes();
    void holdersFromOpenFilesAndLockFile();
    void portHeldByAnotherProcessIsInUse();
};

void TestPortDoctor::causeOfEachOpenError_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("brltty");
    QTest::addColumn<QString>("vendor");
    QTest::addColumn<int>("cause");
    QTest::addColumn<QString>("begins");
    QTest::addColumn<bool>("namesBrltty");
    const int missing = int(PortDiagnosis::Cause::Missing);
    QTest::newRow("missing") << "/dev/ttyUSB97" << false << "1a86" << missing
                             << "デバイスがありません。" << false;
    QTest::newRow("missing, brltty and a CH340 attached")
        << "/dev/ttyUSB97" << true << "1a86" << missing << "デバイスがありません。" << true;
    QTest::newRow("missing, brltty but no adapter")
        << "/dev/ttyUSB97" << true << "046d" << missing << "デバイスがありません。" << false;
    QTest::newRow("not a serial port")
        << "/dev/null" << false << "" << int(PortDiagnosis::Cause::NotSerial)
        << "シリアルポートではありません。" << false;
}

// The error comes from the real probe, so that the doctor is asked what the port list saw.
void TestPortDoctor::causeOfEachOpenError() {
    QFETCH(QString, path);
    QFETCH(bool, brltty);
    QFETCH(QString, vendor);
    QFETCH(int, cause);
    QFETCH(QString, begins);
    QFETCH(bool, namesBrltty);
    QTemporaryDir fake;
    PortDoctor::Places places;
    places.sys = fake.filePath(QStringLiteral("sys"));
    places.brlttyPrograms = {fake.filePath(QStringLiteral("bin/brltty"))};
    if (brltty)
        QVERIFY(writeAll(places.brlttyPrograms.first(), "#!/bin/sh\n"));
    if (!vendor.isEmpty())
        QVERIFY(writeAll(places.sys + QStringLiteral("/bus/usb/devices/1-1/idVendor"),
                         vendor.toLatin1() + '\n'));
    const PortDiagnosis d = PortDoctor(places).diagnose(path, SerialPort::probeError(path));
    QCOMPARE(int(d.cause), cause);
    QVERIFY2(d.explanation.startsWith(begins), qPrintable(d.explanation));
    QCOMPARE(d.explanation.contains(QStringLiteral("sudo apt remove brltty")), namesBrltty);
}

void TestPortDoctor::permissionNamesGroupAndWhatToDo_data() {
    QTest::addColumn<int>("mode");
    QTest::addColumn<int>("gid");
    QTest::addColumn<bool>("inSession");
    QTest::addColumn<bool>("inAccount");
    QTest::addColumn<QString>("advice");
    const int dialout = 20;
    const QString join = QStringLiteral("「sudo usermod -aG %1 $USER」");
    const QString rule = QStringLiteral("udev 規則（70-kodamonitor.rules）");
    QTest::newRow("group may read and write, not a member")
        << 0660 << dialout << false << false << join;
    QTest::newRow("joined, not logged in again")
        << 0660 << dialout << false << true << "ログインし直すと使えます。";
    QTest::newRow("member") << 0660 << dialout << true << true << "";
    // Joining would not help: the group may not read and write, or it is root.
    QTest::newRow("root:root 0600") << 0600 << 0 << false << false << rule;
    QTest::newRow("group may only write") << 0620 << dialout << false << false << rule;
    QTest::newRow("group root may read and write") << 0660 << 0 << false << false << rule;
}

// A node with the given owner and mode stands in a temporary folder; the open's error
// and the user's groups are given, so the advice is checked for any user.
void TestPortDoctor::permissionNamesGroupAndWhatToDo() {
    QFETCH(int, mode);
    QFETCH(int, gid);
    QFETCH(bool, inSession);
    QFETCH(bool, inAccount);
    QFETCH(QString, advice);
    if (::geteuid() != 0)
        QSKIP("needs root to give the node its group");
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("ttyUSB0"));
    QVERIFY(writeAll(path, ""));
    QVERIFY(::chown(QFile::encodeName(path).constData(), 0, gid_t(gid)) == 0);
    QVERIFY(::chmod(QFile::encodeName(path).constData(), mode_t(mode)) == 0);
    PortDoctor::Places places;
    places.readUserGroups = false;
    if (inSession)
        places.sessionGroups << gid_t(gid);
    if (inAccount)
        places.accountGroups << gid_t(gid);
    const PortDiagnosis d = PortDoctor(places).diagnose(path, EACCES);
    QCOMPARE(d.cause, PortDiagnosis::Cause::PermissionDenied);
    const QString group = groupOf(path);
    QVERIFY2(d.explanation.startsWith(QStringLiteral("アクセス権がありません。%1 ").arg(path)),
             qPrintable(d.explanation));
    // A group is named to join only when joining it gives the access.
    QCOMPARE(d.explanation.contains(QStringLiteral("usermod")),
             advice.startsWith(QStringLiteral("「sudo usermod")));
    if (advice.isEmpty())
        QVERIFY(!d.explanation.contains(u'\n'));
    else
        QVERIFY2(d.explanation.contains(advice.contains(QStringLiteral("%1")) ? advice.arg(group)
                                                                              : advice),
                 qPrintable(d.explanation));
    if (advice.contains(QStringLiteral("udev")))
        QVERIFY2(d.explanation.contains(QStringLiteral("「sudo chown $USER %1」").arg(path)) &&
                     d.explanation.contains(QStringLiteral("所有者「root」")) &&
                     d.explanation.contains(
                         QStringLiteral("パーミッション 0%1").arg(QString::number(mode, 8))),
                 qPrintable(d.explanation));
}

void TestPortDoctor::permissionSeenByAnUnprivilegedProcess_data() {
    QTest::addColumn<int>("mode");
    QTest::addColumn<int>("gid");
    QTest::addColumn<QString>("advice");
    QTest::newRow("the group may read and write")
        << 0660 << 20 << QStringLiteral("「sudo usermod -aG %1 $USER」");
    QTest::newRow("root:root 0600") << 0600 << 0 << QStringLiteral("「sudo chown $USER %1」");
}

// A user without the device's group, for real: a child process that gives up root.
void TestPortDoctor::permissionSeenByAnUnprivilegedProcess() {
    QFETCH(int, mode);
    QFETCH(int, gid);
    QFETCH(QString, advice);
    if (::geteuid() != 0)
        QSKIP("needs root to become another user");
    PtyPair pty;
    QVERIFY(pty.isValid());
    const QByteArray path = QFile::encodeName(pty.slavePath());
    QVERIFY(::chown(path.constData(), 0, gid_t(gid)) == 0);
    ::chmod(path.constData(), mode_t(mode));
    const bool rootGroup = gid == 0;
    int pipeEnds[2];
    QVERIFY(::pipe(pipeEnds) == 0);
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(pipeEnds[0]);
        const gid_t nogroup = 65534;
        if (::setgroups(1, &nogroup) != 0 || ::setgid(nogroup) != 0 || ::setuid(65534) != 0)
            ::_exit(2);
        const QString device = QFile::decodeName(path);
        const PortDiagnosis d = PortDoctor().diagnose(device, SerialPort::probeError(device));
        const QByteArray text = QByteArray::number(int(d.cause)) + '|' + d.explanation.toUtf8();
        [[maybe_unused]] const ssize_t n =
            ::write(pipeEnds[1], text.constData(), size_t(text.size()));
        ::_exit(0);
    }
    ::close(pipeEnds[1]);
    QByteArray answer;
    char buffer[4096];
    for (ssize_t n; (n = ::read(pipeEnds[0], buffer, sizeof buffer)) > 0;)
        answer.append(buffer, n);
    ::close(pipeEnds[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    QCOMPARE(WEXITSTATUS(status), 0);
    const QString text = QString::fromUtf8(answer);
    QVERIFY2(text.startsWith(QStringLiteral("%1|アクセス権がありません。")
                                 .arg(int(PortDiagnosis::Cause::PermissionDenied))),
             qPrintable(text));
    // The advice names the group to join, or the device to take over.
    QVERIFY2(text.contains(advice.arg(rootGroup ? pty.slavePath() : groupOf(pty.slavePath()))),
             qPrintable(text));
    QCOMPARE(text.contains(QStringLiteral("usermod")), !rootGroup);
}

// Line parameters no port takes are named with the key to mend in the file.
void TestPortDoctor::settingsNoPortTakes_data() {
    QTest::addColumn<int>("baudRate");
    QTest::addColumn<int>("byteSize");
    QTest::addColumn<int>("stopBits");
    QTest::addColumn<QString>("expected");
    const QString ini = QStringLiteral("/home/racer/KodaMonitor.ini");
    QTest::newRow("usable") << 38400 << 8 << 0 << QString();
    QTest::newRow("baud rate") << 12345 << 8 << 0
                               << ini + QStringLiteral(" の [Com] BaudRate=12345 は使えない"
                                                       "通信速度です。どのポートも開けません。");
    QTest::newRow("data bits") << 38400 << 4 << 0
                               << ini +
                                      QStringLiteral(" の [Com] ByteSize=4 は使えない"
                                                     "データビットです。どのポートも開けません。");
    QTest::newRow("1.5 stop bits at 8 data bits")
        << 38400 << 8 << 1
        << ini + QStringLiteral(" の [Com] StopBits=1 は使えないストップビットです。"
                                "どのポートも開けません。");
}

void TestPortDoctor::settingsNoPortTakes() {
    QFETCH(int, baudRate);
    QFETCH(int, byteSize);
    QFETCH(int, stopBits);
    QFETCH(QString, expected);
    CommSettings settings;
    settings.baudRate = baudRate;
    settings.byteSize = quint8(byteSize);
    settings.stopBits = quint8(stopBits);
    QCOMPARE(PortDoctor::settingsProblem(settings, QStringLiteral("/home/racer/KodaMonitor.ini")),
             expected);
}

void TestPortDoctor::holdersFromOpenFilesAndLockFile() {
    PtyPair pty;
    QVERIFY(pty.isValid());
    const QString device = QFileInfo(pty.slavePath()).canonicalFilePath();
    QTemporaryDir fake;
    PortDoctor::Places places;
    places.proc = fake.filePath(QStringLiteral("proc"));
    places.lockDir = fake.filePath(QStringLiteral("lock"));
    QDir().mkpath(places.proc + QStringLiteral("/4242/fd"));
    QVERIFY(QFile::link(device, places.proc + QStringLiteral("/4242/fd/3")));
    QVERIFY(writeAll(places.proc + QStringLiteral("/4242/comm"), "minicom\n"));
    QDir().mkpath(places.proc + QStringLiteral("/777/fd"));
    QVERIFY(QFile::link(QStringLiteral("/dev/null"), places.proc + QStringLiteral("/777/fd/0")));
    QVERIFY(writeAll(places.proc + QStringLiteral("/5151/comm"), "gtkterm\n"));
    QVERIFY(writeAll(places.lockDir + QStringLiteral("/LCK..") + QFileInfo(device).fileName(),
                     "      5151\n"));
    const PortDoctor doctor(places);
    QCOMPARE(doctor.holders(pty.slavePath()), (QStringList{QStringLiteral("minicom (PID 4242)"),
                                                           QStringLiteral("gtkterm (PID 5151)")}));
    QCOMPARE(doctor.diagnose(pty.slavePath(), EBUSY).explanation,
             QStringLiteral("使用中です: minicom (PID 4242)、gtkterm (PID 5151)"));
}

// Another program holds the port's lock: the probe says busy and the doctor names it.
void TestPortDoctor::portHeldByAnotherProcessIsInUse() {
    PtyPair pty;
    QVERIFY(pty.isValid());
    QProcess holder;
    holder.start(QStringLiteral("flock"),
                 {pty.slavePath(), QStringLiteral("sleep"), QStringLiteral("30")});
    QVERIFY(holder.waitForStarted());
    QVERIFY(
        QTest::qWaitFor([&] { return SerialPort::probeError(pty.slavePath()) == EBUSY; }, 5000));
    const PortDiagnosis d = PortDoctor().diagnose(pty.slavePath(), EBUSY);
    QCOMPARE(d.cause, PortDiagnosis::Cause::InUse);
    QVERIFY2(d.explanation.contains(QStringLiteral("flock (PID %1)").arg(holder.processId())),
             qPrintable(d.explanation));
    holder.kill();
    holder.waitForFinished();
}

QTEST_GUILESS_MAIN(TestPortDoctor)
#include "tst_portdoctor.moc"
