#pragma once
// The serial worker. It owns the COM port: the user-interface thread opens,
// configures, writes and closes it through this object, while the worker thread
// polls it every 20 ms, collects the received bytes into one reception and, after
// 200 ms of quiet, hands the reception to the main window's ReceptionArea.
//
// The hand-off runs in the user-interface thread: the worker leaves the reception
// in a mailbox, posts a call to the user-interface thread that moves it into the
// area, and waits until that has happened or a stop is requested. Every wait of
// the user-interface thread on the worker (close, open) empties the mailbox
// itself, so neither thread can end up waiting for the other.
#include "serial/commsettings.h"
#include "serial/portmap.h"
#include "serial/receptionarea.h"
#include "serial/serialport.h"
#include "windows/prompts.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QPointer>
#include <QString>
#include <QThread>

#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>

class RsCommThread : public QThread {
    Q_OBJECT

public:
    static constexpr int kReadSize = 1024;
    // Raw bytes and display characters of a reception: what the area takes.
    static constexpr int kRxLimit = ReceptionArea::kCapacity;
    static constexpr int kMaxWrite = 2048; // the output queue's size
    static constexpr int kCycleMs = 20;
    static constexpr int kQuietMs = 200;
    static constexpr int kOpenSettleMs = 200;
    static constexpr int kCloseWaitMs = 5000;
    static constexpr int kWriteDeadlineMs = 3000;

    // Starts the worker at once. commReady, area, prompts and ports must outlive
    // this object; caption gives the main window's current caption for messages;
    // uiContext (or this object when null), which must outlive this object too,
    // receives the hand-off calls in the user-interface thread.
    RsCommThread(const std::atomic<bool>& commReady, ReceptionArea& area, Prompts& prompts,
                 std::function<QString()> caption, const PortMap& ports, QObject* uiContext);
    // Stops the worker, waits for it and closes the port.
    ~RsCommThread() override;

    // table[n] for n = 1..count (count at most 99): whether COMn can be opened now.
    int probePorts(bool* table, int count);
    bool openPort(int port, const CommSettings& settings);
    bool closePort();
    // Bytes written, or -1 (too long, closed, device gone, no room within 3000 ms).
    int writeBytes(const char* bytes, int length);
    bool isOpen() const { return port_.isOpen(); }
    // Bytes have come in that are not in the area yet: the reception is still being
    // collected, or its hand-off waits for the user-interface thread.
    bool receiving() const { return receiving_.load(std::memory_order_acquire); }

    // Milliseconds since the worker last read a byte, -1 before the first one, and the
    // bytes of the reception it is collecting: a long reply is still arriving while its
    // reception has not been handed over yet. Callable from any thread.
    qint64 msSinceLastByte() const;
    qsizetype bytesBeingCollected() const;

    // The worker's body ends within one cycle; wakes a worker waiting for its hand-off.
    void requestStop();
    // Moves a waiting reception into the area (user-interface thread, idle pass).
    void deliverPendingHandoff();

    // Display form of received bytes: 0x20..0x7E as themselves, others as "[HH]".
    static QString displayText(const QByteArray& bytes);

signals:
    // A reception has been appended to the area (user-interface thread); bytes are all of
    // it, also what the area had no room for.
    void receptionHandedOver(const QByteArray& bytes);
    // The open port's device has gone (unplugged, hung up): emitted once per open, in the
    // user-interface thread.
    void portVanished();

protected:
    void run() override;

private:
    void readStep();
    void storeBytes(const char* bytes, int count);
    void finishReception();
    void handOff(const QByteArray& bytes, const QString& text);
    // Asks the worker to leave the port alone and waits for its acknowledgment.
    void standStill();
    void reportLineErrors(quint32 flags);
    void showSystemError(int error);
    // True when the error says the device is gone; tells the window once.
    bool reportIfGone(int error);

    const std::atomic<bool>& commReady_;
    ReceptionArea& area_;
    Prompts& prompts_;
    std::function<QString()> caption_;
    const PortMap& ports_;
    QObject* const uiContext_;
    QPointer<RsCommThread> self_;

    SerialPort port_;
    QElapsedTimer clock_; // the millisecond tick counter

    // 0 none, 1 the user-interface thread asks the worker to stand still,
    // -1 the worker has acknowledged and leaves the port alone.
    std::atomic<int> closeRequest_{0};
    std::atomic<bool> stop_{false};
    std::atomic<bool> bodyEnded_{false};
    std::atomic<bool> goneReported_{false};
    std::atomic<bool> receiving_{false};

    // Reception being collected; the worker's alone while it services the port.
    char readBuffer_[kReadSize];
    char rxRaw_[kRxLimit];
    int rxRawLength_ = 0;
    char rxDisplay_[kRxLimit + 1];
    int rxDisplayLength_ = 0;
    qint64 rxDeadline_ = 0;                // 0: nothing pending
    std::atomic<qint64> lastByteAt_{-1};   // clock_ time of the last byte read
    std::atomic<qsizetype> collecting_{0}; // bytes read into the pending reception
    int rxQuietMs_ = kQuietMs;

    // The mailbox of the hand-off.
    std::mutex handoffMutex_;
    std::condition_variable handoffDone_;
    bool handoffPending_ = false;
    QByteArray handoffBytes_;
    QString handoffText_;
};
