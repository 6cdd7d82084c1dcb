#include "simport.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

namespace kodasim {

namespace {

QString systemError(const char* what) {
    return QStringLiteral("%1: %2").arg(QLatin1String(what),
                                        QString::fromLocal8Bit(std::strerror(errno)));
}

bool makeRaw(int fd) {
    termios t{};
    if (tcgetattr(fd, &t) != 0)
        return false;
    cfmakeraw(&t);
    t.c_cc[VMIN] = 1;
    t.c_cc[VTIME] = 0;
    return tcsetattr(fd, TCSANOW, &t) == 0;
}

std::optional<speed_t> speedFor(int baud) {
    static const struct {
        int baud;
        speed_t speed;
    } table[] = {{1200, B1200},     {2400, B2400},     {4800, B4800},    {9600, B9600},
                 {19200, B19200},   {38400, B38400},   {57600, B57600},  {115200, B115200},
                 {230400, B230400}, {460800, B460800}, {921600, B921600}};
    for (const auto& e : table)
        if (e.baud == baud)
            return e.speed;
    return std::nullopt;
}

} // namespace

std::optional<PortEnds> openPseudoTerminal(bool holdSlave, QString* error) {
    PortEnds ends;
    ends.fd = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (ends.fd < 0) {
        *error = systemError("posix_openpt");
        return std::nullopt;
    }
    if (grantpt(ends.fd) != 0 || unlockpt(ends.fd) != 0) {
        *error = systemError("unlockpt");
        closePort(ends);
        return std::nullopt;
    }
    char name[128] = {};
    if (ptsname_r(ends.fd, name, sizeof name) != 0) {
        *error = systemError("ptsname");
        closePort(ends);
        return std::nullopt;
    }
    ends.path = QString::fromLocal8Bit(name);
    // The slave is opened at least once to put it in raw mode: with the default echo
    // the line discipline would send the simulator's replies straight back to it.
    const int slave = ::open(name, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (slave < 0) {
        *error = systemError("open pty slave");
        closePort(ends);
        return std::nullopt;
    }
    makeRaw(slave);
    makeRaw(ends.fd);
    if (holdSlave)
        ends.slaveFd = slave;
    else
        ::close(slave);
    fcntl(ends.fd, F_SETFL, fcntl(ends.fd, F_GETFL) | O_NONBLOCK);
    return ends;
}

std::optional<PortEnds> openSerialDevice(const QString& path, int baud, QString* error) {
    const auto speed = speedFor(baud);
    if (!speed) {
        *error = QStringLiteral("%1 baud is not a standard line speed").arg(baud);
        return std::nullopt;
    }
    PortEnds ends;
    ends.path = path;
    ends.fd =
        ::open(QFile::encodeName(path).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (ends.fd < 0) {
        *error = systemError("open device");
        return std::nullopt;
    }
    termios t{};
    if (tcgetattr(ends.fd, &t) == 0) {
        cfmakeraw(&t);
        t.c_cflag |= CLOCAL | CREAD | PARENB; // 8E1, as the instruments talk
        t.c_cflag &= ~(PARODD | CSTOPB | CRTSCTS);
        cfsetispeed(&t, *speed);
        cfsetospeed(&t, *speed);
        t.c_cc[VMIN] = 1;
        t.c_cc[VTIME] = 0;
        tcsetattr(ends.fd, TCSANOW, &t);
    }
    return ends;
}

void closePort(PortEnds& ends) {
    if (ends.slaveFd >= 0)
        ::close(ends.slaveFd);
    if (ends.fd >= 0)
        ::close(ends.fd);
    ends.slaveFd = -1;
    ends.fd = -1;
}

bool createPortLink(const QString& link, const QString& target, QString* error) {
    const QFileInfo info(link);
    if (info.isSymLink()) {
        QFile::remove(link);
    } else if (info.exists()) {
        *error = QStringLiteral("%1 exists and is not a symlink").arg(link);
        return false;
    }
    if (::symlink(QFile::encodeName(target).constData(), QFile::encodeName(link).constData()) !=
        0) {
        *error = systemError("symlink");
        return false;
    }
    return true;
}

} // namespace kodasim
