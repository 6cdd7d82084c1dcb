#pragma once
// A pseudo-terminal pair for tests: the program opens slavePath() as its serial
// port (through a PortMap override), the test plays the instrument on the master.
// Closing the master hangs the slave up, as unplugging an adapter does.
#include <QByteArray>
#include <QElapsedTimer>
#include <QString>

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

class PtyPair {
public:
    PtyPair() {
        master_ = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (master_ < 0)
            return;
        char name[256];
        if (grantpt(master_) != 0 || unlockpt(master_) != 0 ||
            ptsname_r(master_, name, sizeof name) != 0) {
            closeMaster();
            return;
        }
        fcntl(master_, F_SETFL, fcntl(master_, F_GETFL) | O_NONBLOCK);
        slavePath_ = QString::fromLocal8Bit(name);
    }
    ~PtyPair() { closeMaster(); }
    PtyPair(const PtyPair&) = delete;
    PtyPair& operator=(const PtyPair&) = delete;

    bool isValid() const { return master_ >= 0 && !slavePath_.isEmpty(); }
    QString slavePath() const { return slavePath_; }
    int masterFd() const { return master_; }

    // Writes everything, waiting for room up to timeoutMs. False on failure.
    bool write(const QByteArray& bytes, int timeoutMs = 5000) {
        QElapsedTimer timer;
        timer.start();
        qsizetype done = 0;
        while (done < bytes.size()) {
            if (master_ < 0)
                return false;
            const ssize_t n =
                ::write(master_, bytes.constData() + done, size_t(bytes.size() - done));
            if (n > 0) {
                done += n;
                continue;
            }
            if (n < 0 && errno != EAGAIN && errno != EINTR)
                return false;
            if (timer.elapsed() > timeoutMs)
                return false;
            pollfd p{master_, POLLOUT, 0};
            poll(&p, 1, 10);
        }
        return true;
    }

    // Everything that arrives within waitMs (returns early once count bytes are in;
    // count < 0 reads until waitMs has passed).
    QByteArray read(int waitMs, qsizetype count = -1) {
        QByteArray out;
        QElapsedTimer timer;
        timer.start();
        for (;;) {
            if (master_ < 0)
                return out;
            char buffer[4096];
            const ssize_t n = ::read(master_, buffer, sizeof buffer);
            if (n > 0) {
                out.append(buffer, n);
                if (count >= 0 && out.size() >= count)
                    return out;
                continue;
            }
            const qint64 left = waitMs - timer.elapsed();
            if (left <= 0)
                return out;
            // EIO while no slave is open: keep waiting, like an idle line.
            pollfd p{master_, POLLIN, 0};
            if (poll(&p, 1, int(qMin<qint64>(left, 10))) > 0 && !(p.revents & POLLIN))
                usleep(10000); // hung up: poll() would return at once
        }
    }

    void closeMaster() {
        if (master_ >= 0)
            ::close(master_);
        master_ = -1;
    }

private:
    int master_ = -1;
    QString slavePath_;
};
