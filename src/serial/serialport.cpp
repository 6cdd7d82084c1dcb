#include "serial/serialport.h"

#include <cerrno>
#include <fcntl.h>
#include <linux/serial.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <termios.h>
#include <unistd.h>

namespace {

struct SpeedCode {
    qint32 baud;
    speed_t code;
};

constexpr SpeedCode kSpeeds[] = {
    {50, B50},           {75, B75},           {110, B110},         {134, B134},
    {150, B150},         {200, B200},         {300, B300},         {600, B600},
    {1200, B1200},       {1800, B1800},       {2400, B2400},       {4800, B4800},
    {9600, B9600},       {19200, B19200},     {38400, B38400},     {57600, B57600},
    {115200, B115200},   {230400, B230400},   {460800, B460800},   {500000, B500000},
    {576000, B576000},   {921600, B921600},   {1000000, B1000000}, {1152000, B1152000},
    {1500000, B1500000}, {2000000, B2000000}, {2500000, B2500000}, {3000000, B3000000},
    {3500000, B3500000}, {4000000, B4000000},
};

bool speedCode(qint32 baud, speed_t* code) {
    for (const auto& s : kSpeeds) {
        if (s.baud == baud) {
            *code = s.code;
            return true;
        }
    }
    return false;
}

bool isPseudoTerminal(int fd) {
    struct stat st {};
    if (fstat(fd, &st) != 0 || !S_ISCHR(st.st_mode))
        return false;
    const unsigned int m = major(st.st_rdev);
    return m >= 136 && m <= 143; // the Unix 98 pseudo-terminal slaves
}

// Errors of the modem-line calls that mean there are no lines to set or read:
// pseudo-terminals and some adapters have none, and a device that is gone has
// taken its lines with it.
bool hasNoModemLines(int error) {
    return error == ENOTTY || error == EINVAL || error == EIO || error == ENXIO || error == ENODEV;
}

int openDevice(const QString& path) {
    if (path.isEmpty()) {
        errno = ENOENT;
        return -1;
    }
    const QByteArray native = path.toLocal8Bit();
    const int fd = ::open(native.constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return -1;
    termios tio{};
    // Only terminals are serial ports; /dev/null or a plain file must not "open".
    // flock() is what keeps a second opener out: TIOCEXCL does not stop root.
    if (tcgetattr(fd, &tio) != 0 || flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int err = errno == EWOULDBLOCK ? EBUSY : errno;
        ::close(fd);
        errno = err;
        return -1;
    }
    return fd;
}

// The result of a non-blocking read or write: the bytes moved, 0 when the call
// would have blocked or was interrupted (nothing moved, try again later), -1 on
// a real error.
int transferred(ssize_t n) {
    if (n < 0)
        return (errno == EAGAIN || errno == EINTR) ? 0 : -1;
    return int(n);
}

// A read or write of count bytes on fd: -1 without a descriptor, 0 for no bytes,
// else what transferred makes of io(fd, count).
template <typename Io> int transferOn(int fd, int count, Io io) {
    if (fd < 0)
        return -1;
    if (count <= 0)
        return 0;
    return transferred(io(fd, size_t(count)));
}

} // namespace

SerialPort::~SerialPort() {
    close();
}

int SerialPort::probeError(const QString& path) {
    const int fd = openDevice(path);
    if (fd < 0)
        return errno;
    ::close(fd);
    return 0;
}

int SerialPort::openDescriptor() const {
    const int fd = fd_.load(std::memory_order_acquire);
    if (fd < 0)
        errno = EBADF;
    return fd;
}

bool SerialPort::open(const QString& path) {
    close();
    const int fd = openDevice(path);
    if (fd < 0)
        return false;
    ioctl(fd, TIOCEXCL);
    {
        std::lock_guard lock(countersMutex_);
        haveCounters_ = false;
    }
    fd_.store(fd, std::memory_order_release);
    return true;
}

bool SerialPort::close() {
    const int fd = fd_.exchange(-1, std::memory_order_acq_rel);
    if (fd < 0)
        return true;
    // Drop DTR and RTS, so the instrument sees the line closed. Hang-up on close
    // stays set as well, for the moment the last descriptor goes. A device without
    // modem lines (a pseudo-terminal) or one that is gone has nothing to drop.
    int lines = TIOCM_DTR | TIOCM_RTS;
    const bool dropped = ioctl(fd, TIOCMBIC, &lines) == 0 || hasNoModemLines(errno);
    const int dropError = errno;
    // Lift the exclusive mode so that the device (a pseudo-terminal kept alive by
    // its master, for one) can be opened again by anybody.
    ioctl(fd, TIOCNXCL);
    if (::close(fd) != 0)
        return false;
    if (!dropped) {
        errno = dropError;
        return false;
    }
    return true;
}

SerialPort::SettingFault SerialPort::settingFault(const CommSettings& settings) {
    speed_t speed = B0;
    if (!speedCode(settings.baudRate, &speed))
        return SettingFault::BaudRate;
    if (settings.byteSize < 5 || settings.byteSize > 8)
        return SettingFault::ByteSize;
    if (settings.parity > 4)
        return SettingFault::Parity;
    // One and a half stop bits exist only at five data bits.
    if (settings.stopBits > 2 || (settings.stopBits == 1 && settings.byteSize != 5))
        return SettingFault::StopBits;
    return SettingFault::None;
}

bool SerialPort::applySettings(const CommSettings& settings) {
    const int fd = openDescriptor();
    if (fd < 0)
        return false;
    termios tio{};
    if (tcgetattr(fd, &tio) != 0)
        return false;
    cfmakeraw(&tio);
    // Parity errors are reported through the line-error counters; the byte itself
    // is delivered as received, so INPCK/PARMRK stay off.
    tio.c_iflag &= ~(IXON | IXOFF | IXANY | INPCK | IGNPAR | PARMRK | IGNBRK | BRKINT);
    tio.c_cflag &= ~(CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS);
    tio.c_cflag |= CLOCAL | CREAD;
    // Hang-up on close: the driver drops DTR and RTS when the port is closed.
    tio.c_cflag |= HUPCL;
    tio.c_cc[VMIN] = 0;
    tio.c_cc[VTIME] = 0;

    if (settingFault(settings) != SettingFault::None) {
        errno = EINVAL;
        return false;
    }
    speed_t speed = B0;
    speedCode(settings.baudRate, &speed);
    cfsetispeed(&tio, speed);
    cfsetospeed(&tio, speed);

    // Character sizes 5 to 8, in that order.
    static constexpr tcflag_t sizeFlags[] = {CS5, CS6, CS7, CS8};
    tio.c_cflag |= sizeFlags[settings.byteSize - 5];
    // Parity codes 0 to 4: none, odd, even, mark, space.
    static constexpr tcflag_t parityFlags[] = {0, PARENB | PARODD, PARENB, PARENB | PARODD | CMSPAR,
                                               PARENB | CMSPAR};
    tio.c_cflag |= parityFlags[settings.parity];
    // One and a half stop bits (1) and two (2) are both CSTOPB: UARTs send 1.5 when
    // asked for two at five data bits.
    if (settings.stopBits != 0)
        tio.c_cflag |= CSTOPB;
    if (settings.flowControl == 1) {
        tio.c_iflag |= IXON | IXOFF;
        tio.c_cc[VSTART] = 0x11;
        tio.c_cc[VSTOP] = 0x13;
    } else if (settings.flowControl == 2) {
        tio.c_cflag |= CRTSCTS;
    }
    // glibc reads the settings back and reports EINVAL when the driver dropped the
    // parity or character size. Pseudo-terminals always do (they carry no line), so
    // for them the settings that the driver kept are all there is.
    if (tcsetattr(fd, TCSANOW, &tio) != 0 && !(errno == EINVAL && isPseudoTerminal(fd)))
        return false;

    // Pseudo-terminals have no modem lines; that is not a failure.
    int lines = TIOCM_DTR | TIOCM_RTS;
    ioctl(fd, TIOCMBIS, &lines);
    return true;
}

int SerialPort::read(char* buffer, int maximum) {
    return transferOn(openDescriptor(), maximum,
                      [buffer](int fd, size_t n) { return ::read(fd, buffer, n); });
}

int SerialPort::write(const char* bytes, int length) {
    return transferOn(openDescriptor(), length,
                      [bytes](int fd, size_t n) { return ::write(fd, bytes, n); });
}

int SerialPort::inputQueue() const {
    const int fd = openDescriptor();
    if (fd < 0)
        return -1;
    // poll() lets the driver move freshly arrived bytes into the queue; FIONREAD
    // alone can still say 0 right after the other end wrote.
    pollfd p{fd, POLLIN, 0};
    if (poll(&p, 1, 0) == 0)
        return 0;
    int waiting = 0;
    if (ioctl(fd, FIONREAD, &waiting) != 0)
        return -1;
    if (waiting == 0 && (p.revents & (POLLHUP | POLLERR | POLLNVAL))) {
        errno = EIO; // what a read on the hung-up line would say
        return -1;
    }
    return waiting;
}

int SerialPort::outputQueue() const {
    const int fd = openDescriptor();
    if (fd < 0)
        return -1;
    int queued = 0;
    if (ioctl(fd, TIOCOUTQ, &queued) != 0)
        return -1;
    return queued;
}

bool SerialPort::purge() {
    const int fd = openDescriptor();
    if (fd < 0)
        return false;
    return tcflush(fd, TCIOFLUSH) == 0;
}

quint32 SerialPort::takeLineErrors() {
    const int fd = fd_.load(std::memory_order_acquire);
    if (fd < 0)
        return 0;
    serial_icounter_struct ic{};
    if (ioctl(fd, TIOCGICOUNT, &ic) != 0)
        return 0;
    const int now[5] = {ic.frame, ic.parity, ic.overrun, ic.brk, ic.buf_overrun};
    constexpr quint32 flags[5] = {Frame, RxParity, Overrun, Break, RxOver};
    std::lock_guard lock(countersMutex_);
    quint32 result = 0;
    if (haveCounters_) {
        for (int i = 0; i < 5; ++i) {
            if (now[i] != counters_[i])
                result |= flags[i];
        }
    }
    for (int i = 0; i < 5; ++i)
        counters_[i] = now[i];
    haveCounters_ = true;
    return result;
}

bool SerialPort::checkModemStatus() const {
    const int fd = openDescriptor();
    if (fd < 0)
        return false;
    int lines = 0;
    if (ioctl(fd, TIOCMGET, &lines) == 0)
        return true;
    // Pseudo-terminals and some adapters have no modem lines at all.
    return errno == ENOTTY || errno == EINVAL;
}
