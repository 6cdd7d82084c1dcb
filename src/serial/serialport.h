#pragma once
// A thin layer over a POSIX serial device (termios): exclusive open, line settings,
// non-blocking reads and writes, queue counts, purge, line-error flags and the
// modem-status check that tells whether the device is still there.
//
// On failure the operations leave errno set to the cause, so the caller can show
// the system's text for it.
#include "serial/commsettings.h"

#include <QString>

#include <cerrno>

#include <atomic>
#include <mutex>

class SerialPort {
public:
    // Line-error flags, with the bit values of the Windows serial interface so that
    // the messages keep their documented order and meaning.
    enum LineError : quint32 {
        RxOver = 0x0001,  // input-queue overflow
        Overrun = 0x0002, // character overrun
        RxParity = 0x0004,
        Frame = 0x0008,
        Break = 0x0010,
        TxFull = 0x0100,
        PtTimeout = 0x0200,
        IoError = 0x0400,
        DevNotSelected = 0x0800,
        OutOfPaper = 0x1000,
        Mode = 0x8000,
    };

    SerialPort() = default;
    ~SerialPort();
    SerialPort(const SerialPort&) = delete;
    SerialPort& operator=(const SerialPort&) = delete;

    // True when the path is a terminal device that nobody else holds right now.
    static bool probe(const QString& path) { return probeError(path) == 0; }
    // 0 when the path could be opened as probe() opens it, otherwise the error (errno)
    // that stopped it; EBUSY when another opener holds it.
    static int probeError(const QString& path);

    // Opens the device for reading and writing, exclusively and without becoming
    // its controlling terminal. Fails for paths that are not terminals.
    bool open(const QString& path);
    bool isOpen() const { return fd_.load(std::memory_order_acquire) >= 0; }
    // Drops DTR and RTS and closes the device. The descriptor is released even when
    // close() reports an error (Linux semantics), so the port is closed afterwards
    // in every case.
    bool close();

    // Raw mode with the given line parameters, DTR and RTS raised (and dropped
    // again by the driver when the port closes). Combinations the
    // hardware cannot do (4 data bits, 1.5 stop bits with more than 5 data bits,
    // a baud rate without a termios code) fail with EINVAL.
    bool applySettings(const CommSettings& settings);
    // The first line parameter applySettings() refuses before it asks the driver.
    enum class SettingFault { None, BaudRate, ByteSize, Parity, StopBits };
    static SettingFault settingFault(const CommSettings& settings);

    // Bytes read (0 when nothing is waiting), or -1.
    int read(char* buffer, int maximum);
    // Bytes accepted by the driver (0 when its queue is full), or -1.
    int write(const char* bytes, int length);
    // Bytes waiting in the input queue / output queue, or -1. An input queue that is
    // empty on a hung-up line gives -1 with EIO.
    int inputQueue() const;
    int outputQueue() const;
    // Discards both queues.
    bool purge();
    // Line errors since the last call, as LineError flags; 0 where the driver keeps
    // no error counters. The first call after open() only takes the baseline.
    quint32 takeLineErrors();
    // False (errno set) when the device is gone; drivers without modem lines pass.
    bool checkModemStatus() const;
    // The errors that mean the device itself has gone (unplugged, hung up).
    static bool isGoneError(int error) { return error == EIO || error == ENXIO || error == ENODEV; }

private:
    // The open device's descriptor, or -1 with errno EBADF when the port is closed.
    int openDescriptor() const;

    std::atomic<int> fd_{-1};
    // The counters of the previous takeLineErrors(); both threads clear errors.
    std::mutex countersMutex_;
    bool haveCounters_ = false;
    int counters_[5] = {}; // frame, parity, overrun, break, buffer overrun
};
