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

gid_t gidOf(const QString& path) {
    struct stat st {};
    ::stat(QFile::encodeName(path).constData(), &st);
    return st.st_gid;
}

} // namespace

class TestPortDoctor : public QObject {
    Q_OBJECT

private slots:
    void causeOfEachOpenError_data();
    void causeOfEachOpenError();
    void permissionNamesGroupAndWhatToDo_data();
    void permissionNamesGroupAndWhatToDo();
    void permissionSeenByAnUnprivilegedProcess();
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
    QTest::addColumn<bool>("inSession");
    QTest::addColumn<bool>("inAccount");
    QTest::addColumn<QString>("advice");
    QTest::newRow("not a member") << false << false << "「sudo usermod -aG %1 $USER」";
    QTest::newRow("joined, not logged in again") << false << true << "ログインし直すと使えます。";
    QTest::newRow("member") << true << true << "";
}

void TestPortDoctor::permissionNamesGroupAndWhatToDo() {
    QFETCH(bool, inSession);
    QFETCH(bool, inAccount);
    QFETCH(QString, advice);
    PtyPair pty;
    QVERIFY(pty.isValid());
    const QString path = pty.slavePath();
    PortDoctor::Places places;
    places.readUserGroups = false;
    if (inSession)
        places.sessionGroups << gidOf(path);
    if (inAccount)
        places.accountGroups << gidOf(path);
    const PortDiagnosis d = PortDoctor(places).diagnose(path, EACCES);
    QCOMPARE(d.cause, PortDiagnosis::Cause::PermissionDenied);
    const QString group = groupOf(path);
    QVERIFY2(d.explanation.startsWith(
                 QStringLiteral("アクセス権がありません。%1 はグループ「%2」のデバイスです。")
                     .arg(path, group)),
             qPrintable(d.explanation));
    if (advice.isEmpty())
        QVERIFY(!d.explanation.contains(u'\n'));
    else
        QVERIFY2(d.explanation.contains(advice.arg(group)), qPrintable(d.explanation));
}

// A user without the device's group, for real: a child process that gives up root.
void TestPortDoctor::permissionSeenByAnUnprivilegedProcess() {
    if (::geteuid() != 0)
        QSKIP("needs root to become another user");
    PtyPair pty;
    QVERIFY(pty.isValid());
    const QByteArray path = QFile::encodeName(pty.slavePath());
    ::chmod(path.constData(), 0620); // as a login's terminal: the owner and group "tty"
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
    QVERIFY2(text.contains(
                 QStringLiteral("「sudo usermod -aG %1 $USER」").arg(groupOf(pty.slavePath()))),
             qPrintable(text));
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
