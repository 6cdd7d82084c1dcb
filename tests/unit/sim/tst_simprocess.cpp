// koda-sim as a process on a real pseudo-terminal: the path on stdout, the probe, the
// documented RK-13 frames, the RK-12 lap list, clean termination and the hang-up fault.
#include "support/simfixtures.h"

#include <QtTest>

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

using namespace simfixtures;

namespace {

// The program's end of the pty, opened the way any serial client would.
class PtyClient {
public:
    explicit PtyClient(const QString& path) {
        fd_ = ::open(QFile::encodeName(path).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        if (fd_ >= 0) {
            termios t{};
            tcgetattr(fd_, &t);
            cfmakeraw(&t);
            tcsetattr(fd_, TCSANOW, &t);
        }
    }
    ~PtyClient() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    bool isOpen() const { return fd_ >= 0; }
    bool write(const QByteArray& data) {
        return ::write(fd_, data.constData(), data.size()) == data.size();
    }
    // Reads until `done` holds for what has arrived, the peer hangs up, or a generous
    // limit passes (the limit only bounds the wait; no result depends on timing).
    QByteArray readUntil(const std::function<bool(const QByteArray&)>& done, int limitMs = 5000) {
        QElapsedTimer clock;
        clock.start();
        while (!done(received_) && clock.elapsed() < limitMs) {
            pollfd p{fd_, POLLIN, 0};
            if (::poll(&p, 1, 50) <= 0)
                continue;
            char buffer[1024];
            const ssize_t n = ::read(fd_, buffer, sizeof buffer);
            if (n > 0) {
                received_.append(buffer, n);
            } else if (n == 0 || (errno != EAGAIN && errno != EINTR)) {
                hungUp_ = true;
                break;
            }
        }
        return received_;
    }
    void clear() { received_.clear(); }
    bool hungUp() const { return hungUp_; }

private:
    int fd_ = -1;
    QByteArray received_;
    bool hungUp_ = false;
};

// Returns the bytes of the first complete frame in `data` starting at an STX, or empty.
QByteArray firstFrame(const QByteArray& data) {
    const qsizetype stx = data.indexOf('\x02');
    if (stx < 0 || data.size() < stx + 5)
        return {};
    const int length = static_cast<quint8>(data.at(stx + 4));
    if (data.size() < stx + length)
        return {};
    return data.mid(stx, length);
}

} // namespace

class TestSimProcess : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanup();
    void probeIsAnsweredOnEveryModel_data();
    void probeIsAnsweredOnEveryModel();
    void rk13AnswersFrames();
    void rk12SendsTheLapList();
    void liveLapOnDemand();
    void linkIsRemovedOnSigterm();
    void hangupAfterClosesThePort();
    void rk12AndRk13AreRefused();
    void dumpLaps();

private:
    QString startSim(const QStringList& args);
    QString sim_;
    QProcess* process_ = nullptr;
};

void TestSimProcess::initTestCase() {
    sim_ = QStringLiteral(KODA_SIM_PATH);
    const QString fromEnvironment = qEnvironmentVariable("KODA_SIM");
    if (!QFileInfo(sim_).isExecutable() && QFileInfo(fromEnvironment).isExecutable())
        sim_ = fromEnvironment;
    QVERIFY2(QFileInfo(sim_).isExecutable(), qPrintable("koda-sim not found: " + sim_));
}

void TestSimProcess::cleanup() {
    if (process_) {
        if (process_->state() != QProcess::NotRunning) {
            process_->terminate();
            if (!process_->waitForFinished(5000))
                process_->kill();
            process_->waitForFinished(5000);
        }
        delete process_;
        process_ = nullptr;
    }
}

QString TestSimProcess::startSim(const QStringList& args) {
    process_ = new QProcess;
    process_->setProcessChannelMode(QProcess::SeparateChannels);
    process_->start(sim_, QStringList{"--latency", "0"} + args);
    if (!process_->waitForStarted(5000))
        return {};
    QElapsedTimer clock;
    clock.start();
    while (!process_->canReadLine() && clock.elapsed() < 5000)
        process_->waitForReadyRead(100);
    return QString::fromLocal8Bit(process_->readLine()).trimmed();
}

void TestSimProcess::probeIsAnsweredOnEveryModel_data() {
    simfixtures::addModelRows();
}

void TestSimProcess::probeIsAnsweredOnEveryModel() {
    QFETCH(QStringList, args);
    const QString path = startSim(args);
    QVERIFY(path.startsWith(QLatin1String("/dev/")));
    PtyClient pty(path);
    QVERIFY(pty.isOpen());
    QVERIFY(pty.write("KODA LiNK Search"));
    const QByteArray reply =
        pty.readUntil([](const QByteArray& d) { return d.contains("KODA LiNK Found"); });
    QVERIFY2(reply.contains("KODA LiNK Found"), reply.constData());
}

void TestSimProcess::rk13AnswersFrames() {
    const QString path = startSim({"--rk13", "--rk13-id", "0x1234", "--laps", "30"});
    PtyClient pty(path);
    QVERIFY(pty.isOpen());
    QVERIFY(pty.write(kCpFrame));
    QByteArray frame =
        firstFrame(pty.readUntil([](const QByteArray& d) { return !firstFrame(d).isEmpty(); }));
    QVERIFY(!frame.isEmpty());
    QCOMPARE(frame.left(4), bytes({0x02, 0x4C, 0x12, 0x34}));
    QVERIFY(frame.at(5) != '\x82' && frame.at(5) != '\x83');
    QVERIFY(frame.mid(6).contains("CP:"));

    pty.clear();
    QVERIFY(pty.write(kLapRequest1));
    frame = firstFrame(pty.readUntil([](const QByteArray& d) { return !firstFrame(d).isEmpty(); }));
    QCOMPARE(frame.size(), 250);
    QCOMPARE(frame.left(8), bytes({0x02, 0x4C, 0x12, 0x34, 0xFA, 0x82, 0x00, 0x01}));
    QCOMPARE(frame.at(249), '\x03');
}

void TestSimProcess::rk12SendsTheLapList() {
    const QString path = startSim({"--rk12", "--laps", "12", "--sectors", "2"});
    PtyClient pty(path);
    QVERIFY(pty.isOpen());
    QVERIFY(pty.write("@LAP\r\n"));
    // The list ends with its last lap line: three header lines and 12 lap lines.
    const QByteArray list =
        pty.readUntil([](const QByteArray& d) { return d.count("\r\n") == 3 + 12; });
    QVERIFY2(list.startsWith("Laps,12\r\nFastest,Lap,"), list.constData());
    QVERIFY(list.endsWith("\r\n"));
    QVERIFY(!list.contains("END"));
    QCOMPARE(list.count("\r\n"), 3 + 12);
    QVERIFY(list.contains("\r\n012,\" 01'"));
}

void TestSimProcess::liveLapOnDemand() {
    const QString path = startSim({"--rk13", "--laps", "5"});
    PtyClient pty(path);
    QVERIFY(pty.isOpen());
    process_->write("live\n");
    QVERIFY(process_->waitForBytesWritten(5000));
    const QByteArray frame =
        firstFrame(pty.readUntil([](const QByteArray& d) { return !firstFrame(d).isEmpty(); }));
    QCOMPARE(frame.size(), 46);
    QCOMPARE(frame.left(8), bytes({0x02, 0x4C, 0x12, 0x34, 0x2E, 0x83, 0x00, 0x06}));
}

void TestSimProcess::linkIsRemovedOnSigterm() {
    QTemporaryDir dir;
    const QString link = dir.filePath("port");
    const QString path = startSim({"--link", link});
    QVERIFY(!path.isEmpty());
    QCOMPARE(QFileInfo(link).symLinkTarget(), path);
    ::kill(static_cast<pid_t>(process_->processId()), SIGTERM);
    QVERIFY(process_->waitForFinished(5000));
    QCOMPARE(process_->exitStatus(), QProcess::NormalExit);
    QCOMPARE(process_->exitCode(), 0);
    QVERIFY(!QFileInfo(link).isSymLink());
}

void TestSimProcess::hangupAfterClosesThePort() {
    const QString path = startSim({"--rk12", "--laps", "300", "--hangup-after", "100"});
    PtyClient pty(path);
    QVERIFY(pty.isOpen());
    QVERIFY(pty.write("@LAP\r\n"));
    const QByteArray got = pty.readUntil([](const QByteArray&) { return false; }, 5000);
    QVERIFY(pty.hungUp());
    QCOMPARE(got.size(), 100);
    QVERIFY(process_->waitForFinished(5000));
    QCOMPARE(process_->exitCode(), 0);
}

void TestSimProcess::rk12AndRk13AreRefused() {
    QProcess p;
    p.start(sim_, {"--rk12", "--rk13"});
    QVERIFY(p.waitForFinished(5000));
    QCOMPARE(p.exitCode(), 2);
    QVERIFY(p.readAllStandardOutput().isEmpty());
    QVERIFY(!p.readAllStandardError().isEmpty());
}

void TestSimProcess::dumpLaps() {
    QProcess p;
    p.start(sim_, {"--dump-laps", "--laps", "4", "--sectors", "2", "--seed", "9"});
    QVERIFY(p.waitForFinished(5000));
    QCOMPARE(p.exitCode(), 0);
    const QList<QByteArray> lines = p.readAllStandardOutput().split('\n');
    QVERIFY(lines.first().startsWith("# LInfo:4,"));
    QCOMPARE(lines.size(), 2 + 4 + 1);
    const QList<QByteArray> cells = lines.at(2).split('\t');
    QCOMPARE(cells.size(), 7);
    QCOMPARE(cells.at(0), QByteArray("001"));
    QVERIFY(cells.at(1).startsWith(" 01'"));
    QVERIFY(!cells.at(3).isEmpty());
    QVERIFY(cells.at(4).isEmpty()); // sector 3 is not measured with two sectors
}

QTEST_GUILESS_MAIN(TestSimProcess)
#include "tst_simprocess.moc"
