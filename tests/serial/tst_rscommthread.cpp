#include "serial/rscommthread.h"
#include "support/filebytes.h"
#include "support/ptypair.h"
#include "support/scriptedprompts.h"

#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <sys/file.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

namespace {

const QString kCaption = QStringLiteral("KODA Monitor");

// The main window's side of the worker: the shared flag, the hand-off area, the
// prompts and a port map that knows only the test's own pseudo-terminals.
struct Rig {
    std::atomic<bool> commReady{false};
    ReceptionArea area;
    ScriptedPrompts prompts;
    PortMap ports;
    QObject context;
    std::unique_ptr<RsCommThread> thread; // last: stopped before the rest goes

    Rig() {
        ports.setUseDefaults(false);
        thread = std::make_unique<RsCommThread>(
            commReady, area, prompts, [] { return kCaption; }, ports, &context);
    }
    bool open(const PtyPair& pty, int port = 1, const CommSettings& settings = {}) {
        ports.setOverride(port, pty.slavePath());
        commReady = thread->openPort(port, settings);
        return commReady;
    }
    bool close() {
        const bool ok = thread->closePort();
        commReady = false;
        return ok;
    }
};

struct Reception {
    QByteArray bytes;
    QString text;
};

// Runs the event loop for ms milliseconds, taking every reception over as the
// receive dispatcher would.
void pump(Rig& rig, QList<Reception>& out, int ms) {
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < ms) {
        QTest::qWait(5);
        if (rig.area.rxComplete) {
            QCOMPARE(rig.area.rxLength, int(rig.area.rxBytes.size()));
            out.append({rig.area.rxBytes, rig.area.rxText});
            rig.area.clear();
        }
    }
}

// Waits (generously) until count receptions are in, then a while longer so that a
// reception split in two would show.
QList<Reception> collect(Rig& rig, int count) {
    QList<Reception> out;
    QElapsedTimer timer;
    timer.start();
    while (out.size() < count && timer.elapsed() < 10000)
        pump(rig, out, 10);
    pump(rig, out, 600);
    return out;
}

// Holds an exclusive lock on a path in another process, as another program would.
class LockHolder {
public:
    explicit LockHolder(const QString& path) {
        if (pipe(toChild_) != 0 || pipe(toParent_) != 0)
            return;
        const QByteArray native = path.toLocal8Bit();
        pid_ = fork();
        if (pid_ == 0) {
            const int fd = ::open(native.constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
            const char ok = (fd >= 0 && flock(fd, LOCK_EX | LOCK_NB) == 0) ? 'y' : 'n';
            (void)!::write(toParent_[1], &ok, 1);
            char c;
            (void)!::read(toChild_[0], &c, 1);
            _exit(0);
        }
        char ok = 'n';
        if (pid_ > 0 && ::read(toParent_[0], &ok, 1) == 1)
            locked_ = ok == 'y';
    }
    ~LockHolder() {
        if (pid_ > 0) {
            (void)!::write(toChild_[1], "x", 1);
            waitpid(pid_, nullptr, 0);
        }
        for (int fd : {toChild_[0], toChild_[1], toParent_[0], toParent_[1]})
            if (fd >= 0)
                ::close(fd);
    }
    bool locked() const { return locked_; }

private:
    int toChild_[2] = {-1, -1};
    int toParent_[2] = {-1, -1};
    pid_t pid_ = -1;
    bool locked_ = false;
};

QString displayOf(unsigned char b) {
    if (b >= 0x20 && b <= 0x7E)
        return QString(QChar(b));
    return QString::asprintf("[%02X]", b);
}

} // namespace

class TestRsCommThread : public QObject {
    Q_OBJECT

private slots:
    void bytesWithShortGapsFormOneReception() {
        Rig rig;
        PtyPair pty;
        QVERIFY(rig.open(pty));
        QList<Reception> got;
        QVERIFY(pty.write("LInfo:"));
        pump(rig, got, 60);
        QVERIFY(rig.thread->receiving()); // bytes in, not handed over yet
        QVERIFY(pty.write(QByteArray("\x02\x4C", 2)));
        pump(rig, got, 60);
        QVERIFY(pty.write("\r\n"));
        got += collect(rig, 1);
        QCOMPARE(got.size(), 1);
        QCOMPARE(got[0].bytes, QByteArray("LInfo:\x02L\r\n"));
        QCOMPARE(got[0].text, QStringLiteral("LInfo:[02]L[0D][0A]"));
        QVERIFY(!rig.thread->receiving());
        QVERIFY(rig.prompts.shown.isEmpty());
    }

    void aLongGapEndsTheReception() {
        Rig rig;
        PtyPair pty;
        QVERIFY(rig.open(pty));
        QList<Reception> got;
        QVERIFY(pty.write("AB"));
        // The second part is sent only once the first has been handed over, so the
        // gap between them is longer than the quiet time whatever the machine's load.
        QElapsedTimer timer;
        timer.start();
        while (got.isEmpty() && timer.elapsed() < 10000)
            pump(rig, got, 10);
        QCOMPARE(got.size(), 1);
        QVERIFY(pty.write("CD"));
        got += collect(rig, 1);
        QCOMPARE(got.size(), 2);
        QCOMPARE(got[0].bytes, QByteArray("AB"));
        QCOMPARE(got[1].bytes, QByteArray("CD"));
        QCOMPARE(got[1].text, QStringLiteral("CD"));
    }

    void receptionsNotYetDispatchedAreJoined() {
        Rig rig;
        PtyPair pty;
        QVERIFY(rig.open(pty));
        QVERIFY(pty.write("OK\r\n"));
        QTRY_VERIFY_WITH_TIMEOUT(rig.area.rxComplete, 10000);
        QVERIFY(pty.write(QByteArray("\x02\x4C\x00\x03", 4)));
        QTRY_COMPARE_WITH_TIMEOUT(rig.area.rxLength, 8, 10000);
        QCOMPARE(rig.area.rxBytes, QByteArray("OK\r\n\x02\x4C\x00\x03", 8));
        QCOMPARE(rig.area.rxText, QStringLiteral("OK[0D][0A][02]L[00][03]"));
    }

    void controlBytesFillTheDisplayLimitFirst() {
        Rig rig;
        PtyPair pty;
        QVERIFY(rig.open(pty));
        QByteArray sent;
        QString expected;
        for (int i = 0; i < 5000; ++i) {
            sent.append(char(i % 0x20));
            if (i < 3072)
                expected += displayOf(uchar(i % 0x20));
        }
        QVERIFY(pty.write(sent));
        const QList<Reception> got = collect(rig, 1);
        QCOMPARE(got.size(), 1);
        QCOMPARE(got[0].bytes.size(), 5000);
        QCOMPARE(got[0].bytes, sent);
        QCOMPARE(got[0].text.size(), 12288);
        QCOMPARE(got[0].text, expected);
    }

    void rawBytesBeyond12288AreDropped() {
        Rig rig;
        PtyPair pty;
        QVERIFY(rig.open(pty));
        QByteArray sent;
        for (int i = 0; i < 13000; ++i)
            sent.append(char('A' + i % 26));
        QVERIFY(pty.write(sent));
        const QList<Reception> got = collect(rig, 1);
        QCOMPARE(got.size(), 1);
        QCOMPARE(got[0].bytes, sent.left(12288));
        QCOMPARE(got[0].text, QString::fromLatin1(sent.left(12288)));
    }

    void writeSendsTheBytes() {
        Rig rig;
        PtyPair pty;
        QVERIFY(rig.open(pty));
        const QByteArray command("@LINFO\r\n");
        QCOMPARE(rig.thread->writeBytes(command.constData(), int(command.size())), 8);
        QCOMPARE(pty.read(5000, 8), command);
        QVERIFY(rig.prompts.shown.isEmpty());
    }

    void writeOfAFullQueueGoesOut() {
        Rig rig;
        PtyPair pty;
        QVERIFY(rig.open(pty));
        const QByteArray block(2048, 'x');
        QCOMPARE(rig.thread->writeBytes(block.constData(), 2048), 2048);
        QCOMPARE(pty.read(5000, 2048), block);
    }

    void writeLimits() {
        Rig rig;
        PtyPair pty;
        const QByteArray block(2049, 'x');
        QCOMPARE(rig.thread->writeBytes(block.constData(), 1), -1); // closed
        QVERIFY(rig.open(pty));
        QCOMPARE(rig.thread->writeBytes(block.constData(), 2049), -1);
        QCOMPARE(rig.thread->writeBytes(nullptr, 5), -1);
        QCOMPARE(rig.thread->writeBytes(block.constData(), -1), -1);
        QCOMPARE(pty.read(300), QByteArray());
        QVERIFY(rig.close());
        QCOMPARE(rig.thread->writeBytes(block.constData(), 4), -1);
        QVERIFY(rig.prompts.shown.isEmpty());
    }

    void openFails_data() {
        QTest::addColumn<QString>("kind");
        QTest::newRow("port 100") << QStringLiteral("port100");
        QTest::newRow("unmapped port") << QStringLiteral("unmapped");
        QTest::newRow("missing path") << QStringLiteral("missing");
        QTest::newRow("/dev/null") << QStringLiteral("devnull");
        QTest::newRow("regular file") << QStringLiteral("file");
        QTest::newRow("in use by another process") << QStringLiteral("inuse");
        QTest::newRow("4 data bits") << QStringLiteral("bits4");
        QTest::newRow("1.5 stop bits at 8 data bits") << QStringLiteral("stop15");
        QTest::newRow("baud rate without a code") << QStringLiteral("baud");
        QTest::newRow("parity 5") << QStringLiteral("parity5");
    }
    void openFails() {
        QFETCH(QString, kind);
        Rig rig;
        PtyPair pty;
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        CommSettings settings;
        int port = 1;
        std::unique_ptr<LockHolder> holder;
        if (kind == "port100") {
            port = 100;
            rig.ports.setOverride(1, pty.slavePath());
        } else if (kind == "unmapped") {
            port = 2;
        } else if (kind == "missing") {
            rig.ports.setOverride(1, dir.filePath("no-such-tty"));
        } else if (kind == "devnull") {
            rig.ports.setOverride(1, QStringLiteral("/dev/null"));
        } else if (kind == "file") {
            const QString plain = dir.filePath("plain");
            QVERIFY(writeAll(plain, "not a tty"));
            rig.ports.setOverride(1, plain);
        } else if (kind == "inuse") {
            holder = std::make_unique<LockHolder>(pty.slavePath());
            QVERIFY(holder->locked());
            rig.ports.setOverride(1, pty.slavePath());
        } else {
            rig.ports.setOverride(1, pty.slavePath());
            if (kind == "bits4")
                settings.byteSize = 4;
            else if (kind == "stop15")
                settings.stopBits = 1;
            else if (kind == "baud")
                settings.baudRate = 12345;
            else if (kind == "parity5")
                settings.parity = 5;
        }
        QVERIFY(!rig.thread->openPort(port, settings));
        QVERIFY(rig.prompts.shown.isEmpty());
        if (kind != "bits4" && kind != "stop15" && kind != "baud" && kind != "parity5")
            QVERIFY(!rig.thread->isOpen());
        QVERIFY(rig.thread->closePort());
        QVERIFY(!rig.thread->isOpen());
    }

    void openAccepts_data() {
        QTest::addColumn<int>("baud");
        QTest::addColumn<int>("bits");
        QTest::addColumn<int>("parity");
        QTest::addColumn<int>("stop");
        QTest::addColumn<int>("flow");
        QTest::newRow("38400 8E1") << 38400 << 8 << 2 << 0 << 0;
        QTest::newRow("4800 7O2 xon/xoff") << 4800 << 7 << 1 << 2 << 1;
        QTest::newRow("9600 8N1 rts/cts") << 9600 << 8 << 0 << 0 << 2;
        QTest::newRow("19200 6 mark") << 19200 << 6 << 3 << 0 << 0;
        QTest::newRow("5 bits 1.5 stop") << 9600 << 5 << 0 << 1 << 0;
    }
    void openAccepts() {
        QFETCH(int, baud);
        QFETCH(int, bits);
        QFETCH(int, parity);
        QFETCH(int, stop);
        QFETCH(int, flow);
        CommSettings s;
        s.baudRate = baud;
        s.byteSize = quint8(bits);
        s.parity = quint8(parity);
        s.stopBits = quint8(stop);
        s.flowControl = quint8(flow);
        Rig rig;
        PtyPair pty;
        QVERIFY(rig.open(pty, 7, s));
        QVERIFY(rig.thread->isOpen());
        // Hang-up on close stays set, so closing drops DTR and RTS. (A pty keeps
        // this flag; the master reads the slave's settings.)
        termios tio{};
        QCOMPARE(tcgetattr(pty.masterFd(), &tio), 0);
        QVERIFY(tio.c_cflag & HUPCL);
        // The pty has no modem lines to drop: that is no close failure.
        QVERIFY(rig.close());
        QVERIFY(!rig.thread->isOpen());
        QVERIFY(rig.prompts.shown.isEmpty());
    }

    void probeMarksUsablePorts() {
        Rig rig;
        PtyPair free1, held, ours;
        LockHolder holder(held.slavePath());
        QVERIFY(holder.locked());
        rig.ports.setOverride(1, free1.slavePath());
        rig.ports.setOverride(2, QStringLiteral("/dev/null"));
        rig.ports.setOverride(3, held.slavePath());
        rig.ports.setOverride(5, ours.slavePath());
        QVERIFY(rig.open(ours, 5));
        bool table[200];
        std::fill(std::begin(table), std::end(table), true);
        QCOMPARE(rig.thread->probePorts(table, 150), 1);
        QVERIFY(table[1]);
        QVERIFY(!table[2]);
        QVERIFY(!table[3]);
        QVERIFY(!table[4]);
        QVERIFY(!table[5]); // held by this program
        QVERIFY(!table[99]);
        QVERIFY(table[100]); // beyond 99: untouched
        QVERIFY(table[0]);
        // A probe leaves the port free for the open that follows.
        QVERIFY(rig.close());
        QVERIFY(rig.open(free1, 1));
    }

    void hangUpFailsTheNextWriteWithTheSystemMessage() {
        Rig rig;
        auto pty = std::make_unique<PtyPair>();
        QVERIFY(rig.open(*pty));
        pty->closeMaster();
        QTest::qWait(100); // the worker polls the hung-up line meanwhile
        QCOMPARE(rig.thread->writeBytes("@CP\r\n", 5), -1);
        QCOMPARE(rig.prompts.shown.size(), 1);
        QCOMPARE(rig.prompts.shown[0].text, QString::fromLocal8Bit(strerror(EIO)));
        QCOMPARE(rig.prompts.shown[0].caption, kCaption);
        QCOMPARE(rig.prompts.shown[0].icon, Prompts::Icon::Information);
        QCOMPARE(rig.prompts.shown[0].buttons, Prompts::Buttons::Ok);
        QVERIFY(rig.thread->isRunning());
        QVERIFY(rig.close());

        PtyPair replugged;
        QVERIFY(rig.open(replugged));
        QCOMPARE(rig.thread->writeBytes("@CP\r\n", 5), 5);
        QCOMPARE(replugged.read(5000, 5), QByteArray("@CP\r\n"));
        QVERIFY(replugged.write("CP:1\r\n"));
        const QList<Reception> got = collect(rig, 1);
        QCOMPARE(got.size(), 1);
        QCOMPARE(got[0].text, QStringLiteral("CP:1[0D][0A]"));
        QCOMPARE(rig.prompts.shown.size(), 1);
    }

    void closeWithNothingOpen() {
        Rig rig;
        QVERIFY(rig.thread->closePort());
        QVERIFY(rig.thread->closePort());
        QVERIFY(rig.prompts.shown.isEmpty());
    }

    // The user-interface thread is busy (no events processed) while the worker
    // completes a reception and waits for its hand-off; every way out must work.
    void stopAndCloseNeverDeadlock_data() {
        QTest::addColumn<QString>("order");
        QTest::newRow("close") << QStringLiteral("close");
        QTest::newRow("close, stop, wait") << QStringLiteral("close-stop");
        QTest::newRow("stop, wait, close") << QStringLiteral("stop-close");
        QTest::newRow("stop, close, wait") << QStringLiteral("stop-close-wait");
        QTest::newRow("destroy") << QStringLiteral("destroy");
        QTest::newRow("idle pass delivers") << QStringLiteral("idle");
        QTest::newRow("reopen") << QStringLiteral("reopen");
    }
    void stopAndCloseNeverDeadlock() {
        QFETCH(QString, order);
        Rig rig;
        PtyPair pty, other;
        QVERIFY(rig.open(pty));
        QVERIFY(pty.write("LInfo:8\r\n"));
        QThread::msleep(600);
        const QString text = QStringLiteral("LInfo:8[0D][0A]");

        if (order == "close") {
            QVERIFY(rig.close());
            QCOMPARE(rig.area.rxText, text);
        } else if (order == "close-stop") {
            QVERIFY(rig.close());
            rig.thread->requestStop();
            QVERIFY(rig.thread->wait(10000));
            QCOMPARE(rig.area.rxText, text);
        } else if (order == "stop-close") {
            rig.thread->requestStop();
            QVERIFY(rig.thread->wait(10000));
            QVERIFY(rig.close());
            rig.thread->deliverPendingHandoff();
            QCOMPARE(rig.area.rxText, text);
        } else if (order == "stop-close-wait") {
            rig.thread->requestStop();
            QVERIFY(rig.close());
            QVERIFY(rig.thread->wait(10000));
        } else if (order == "destroy") {
            rig.thread.reset();
            QTest::qWait(50); // the posted hand-off finds the worker gone
            QVERIFY(!rig.area.rxComplete);
        } else if (order == "idle") {
            rig.thread->deliverPendingHandoff();
            QCOMPARE(rig.area.rxText, text);
            QVERIFY(rig.area.rxComplete);
            QTest::qWait(50); // the posted call finds nothing left
            QCOMPARE(rig.area.rxText, text);
        } else if (order == "reopen") {
            QVERIFY(rig.open(other, 2));
            QCOMPARE(rig.area.rxText, text);
            rig.area.clear();
            QVERIFY(other.write("X"));
            const QList<Reception> got = collect(rig, 1);
            QCOMPARE(got.size(), 1);
            QCOMPARE(got[0].text, QStringLiteral("X"));
        }
        QVERIFY(rig.prompts.shown.isEmpty());
    }

    void destroyWhileOpenAndIdle() {
        auto rig = std::make_unique<Rig>();
        PtyPair pty;
        QVERIFY(rig->open(pty));
        rig.reset();
        // The port was closed: the line is free again, and opens with parity as before.
        Rig again;
        QVERIFY(again.open(pty));
        QCOMPARE(again.thread->writeBytes("A", 1), 1);
        QCOMPARE(pty.read(5000, 1), QByteArray("A"));
    }
};

QTEST_GUILESS_MAIN(TestRsCommThread)
#include "tst_rscommthread.moc"
