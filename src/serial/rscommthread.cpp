#include "serial/rscommthread.h"

#include <QCoreApplication>
#include <QMetaObject>

#include <cerrno>

namespace {

struct LineErrorMessage {
    quint32 flag;
    const char* text;
};

// In the order the messages are shown.
const LineErrorMessage kLineErrorMessages[] = {
    {SerialPort::Mode, "要求されたモードがサポートされていません。"},
    {SerialPort::Break, "ハードウェアがブレーク条件を検出しました。"},
    {SerialPort::Frame, "フレーミング エラーを検出しました。"},
    {SerialPort::IoError, "デバイスとの通信中にI/Oエラーが発生しました。"},
    {SerialPort::OutOfPaper, "パラレル デバイスが用紙切れであることを警告しました。"},
    {SerialPort::Overrun, "文字バッファがいっぱいです。次に送られる文字は失われます。"},
    {SerialPort::RxOver, "入力バッファのオーバーフローが発生しました。"},
    {SerialPort::RxParity, "ハードウェアがパリティ エラーを検出しました。"},
    {SerialPort::TxFull,
     "アプリケーションが文字を転送しようとしましたが､ 出力バッファがいっぱいでした。"},
    {SerialPort::DevNotSelected, "パラレル デバイスが選択されていません。"},
    {SerialPort::PtTimeout, "パラレル デバイス上でタイムアウトになりました。"},
};

constexpr char kHexDigits[] = "0123456789ABCDEF";

// Writes the display form of one received byte to form (room for 4 characters) and
// returns its length: 0x20..0x7E as themselves, others as "[HH]".
int displayForm(unsigned char b, char* form) {
    if (b >= 0x20 && b <= 0x7E) {
        form[0] = char(b);
        return 1;
    }
    form[0] = '[';
    form[1] = kHexDigits[b >> 4];
    form[2] = kHexDigits[b & 0x0F];
    form[3] = ']';
    return 4;
}

} // namespace

RsCommThread::RsCommThread(const std::atomic<bool>& commReady, ReceptionArea& area,
                           Prompts& prompts, std::function<QString()> caption, const PortMap& ports,
                           QObject* uiContext)
    : commReady_(commReady), area_(area), prompts_(prompts), caption_(std::move(caption)),
      ports_(ports), uiContext_(uiContext ? uiContext : this), self_(this) {
    clock_.start();
    start(QThread::HighPriority);
}

RsCommThread::~RsCommThread() {
    requestStop();
    wait();
    (void)bodyEnded_.load(std::memory_order_acquire);
    closePort();
}

QString RsCommThread::displayText(const QByteArray& bytes) {
    QString text;
    text.reserve(bytes.size() * 4);
    char form[4];
    for (const char c : bytes)
        text += QLatin1String(form, displayForm(static_cast<unsigned char>(c), form));
    return text;
}

int RsCommThread::probePorts(bool* table, int count) {
    count = qBound(0, count, PortMap::kMaxPort);
    int usable = 0;
    for (int n = 1; n <= count; ++n) {
        table[n] = SerialPort::probe(ports_.devicePath(n));
        if (table[n])
            ++usable;
    }
    return usable;
}

void RsCommThread::standStill() {
    if (!isRunning()) {
        closeRequest_.store(-1, std::memory_order_release);
        return;
    }
    if (closeRequest_.load(std::memory_order_acquire) == -1)
        return;
    closeRequest_.store(1, std::memory_order_release);
    QElapsedTimer waited;
    waited.start();
    // A worker that waits for its hand-off cannot acknowledge: deliver it here.
    while (closeRequest_.load(std::memory_order_acquire) == 1 && isRunning() &&
           waited.elapsed() < kCloseWaitMs) {
        deliverPendingHandoff();
        QThread::msleep(1);
    }
}

bool RsCommThread::openPort(int port, const CommSettings& settings) {
    if (port >= 100)
        return false;
    // The worker must not touch the port or the reception buffers while they are
    // replaced; it stays away until the open has finished.
    standStill();
    rxRawLength_ = 0;
    rxDisplayLength_ = 0;
    rxDeadline_ = 0;
    receiving_.store(false, std::memory_order_release);
    collecting_.store(0, std::memory_order_relaxed);
    port_.close();

    if (!port_.open(ports_.devicePath(port)))
        return false;
    port_.takeLineErrors();
    if (!port_.applySettings(settings))
        return false;

    // Give the line and the device time to settle before the queues are purged.
    QThread::msleep(kOpenSettleMs);
    port_.purge();
    port_.takeLineErrors();
    rxQuietMs_ = kQuietMs;
    goneReported_.store(false, std::memory_order_release);
    closeRequest_.store(0, std::memory_order_release);
    return true;
}

bool RsCommThread::closePort() {
    (void)bodyEnded_.load(std::memory_order_acquire);
    if (!port_.isOpen())
        return true;
    standStill();
    port_.takeLineErrors();
    port_.purge();
    if (!port_.close()) {
        showSystemError(errno);
        return false;
    }
    return true;
}

int RsCommThread::writeBytes(const char* bytes, int length) {
    if (length > kMaxWrite || length < 0 || (length > 0 && !bytes))
        return -1;
    const qint64 deadline = clock_.elapsed() + kWriteDeadlineMs;
    const int result = -1;
    int written = 0;
    for (;;) {
        if (!port_.isOpen())
            return result;
        if (const quint32 errors = port_.takeLineErrors())
            reportLineErrors(errors);
        // Timers and clicks go on while the transmission waits for room.
        QCoreApplication::processEvents();
        if (!port_.isOpen())
            continue; // closed by an event handler
        const int queued = port_.outputQueue();
        const int room = kMaxWrite - qMax(0, queued);
        if (clock_.elapsed() > deadline)
            return result;
        const int remaining = length - written;
        if (remaining > room) {
            QThread::msleep(1);
            continue;
        }
        if (!port_.checkModemStatus()) {
            const int error = errno;
            showSystemError(error);
            reportIfGone(error);
            return result;
        }
        const int n = port_.write(bytes + written, remaining);
        if (n < 0 && reportIfGone(errno))
            return result;
        if (n < 0)
            continue; // retried until the deadline
        written += n;
        if (written == length)
            return length;
        if (n == 0)
            QThread::msleep(1); // the driver's queue is full; let it drain
    }
}

void RsCommThread::reportLineErrors(quint32 flags) {
    for (const auto& m : kLineErrorMessages) {
        if (flags & m.flag)
            prompts_.message(QString::fromUtf8(m.text), caption_ ? caption_() : QString(),
                             Prompts::Icon::Warning);
    }
}

void RsCommThread::showSystemError(int error) {
    prompts_.message(qt_error_string(error), caption_ ? caption_() : QString(),
                     Prompts::Icon::Information);
}

void RsCommThread::requestStop() {
    stop_.store(true, std::memory_order_release);
    {
        // Taking the lock orders the flag against a worker about to wait.
        std::lock_guard lock(handoffMutex_);
    }
    handoffDone_.notify_all();
}

void RsCommThread::deliverPendingHandoff() {
    QByteArray bytes;
    {
        std::lock_guard lock(handoffMutex_);
        if (!handoffPending_)
            return;
        area_.append(handoffBytes_, handoffText_);
        bytes.swap(handoffBytes_);
        handoffText_.clear();
        handoffPending_ = false;
    }
    handoffDone_.notify_all();
    emit receptionHandedOver(bytes);
}

void RsCommThread::run() {
    while (!stop_.load(std::memory_order_acquire)) {
        const int request = closeRequest_.load(std::memory_order_acquire);
        if (request == 1) {
            // Acknowledged whether or not the port is serviced, so that a close or an
            // open never waits for a worker that has nothing to give up.
            closeRequest_.store(-1, std::memory_order_release);
        } else if (request == 0 && commReady_.load(std::memory_order_acquire)) {
            readStep();
        }
        QThread::msleep(kCycleMs);
    }
    // Pairs with the owner's load after wait(): QThread's own hand-shake is not
    // visible to the thread sanitizer.
    bodyEnded_.store(true, std::memory_order_release);
}

void RsCommThread::readStep() {
    if (!port_.isOpen() || goneReported_.load(std::memory_order_acquire))
        return;
    port_.takeLineErrors(); // reported by the next write, if at all; cleared here
    const int waiting = port_.inputQueue();
    if (waiting < 0 && reportIfGone(errno))
        return;
    if (waiting > 0) {
        const int n = port_.read(readBuffer_, qMin(waiting, kReadSize));
        if (n < 0 && reportIfGone(errno))
            return;
        if (n > 0)
            storeBytes(readBuffer_, n);
    }
    finishReception();
}

bool RsCommThread::reportIfGone(int error) {
    if (!SerialPort::isGoneError(error))
        return false;
    if (!goneReported_.exchange(true, std::memory_order_acq_rel))
        QMetaObject::invokeMethod(
            uiContext_,
            [self = self_] {
                if (self)
                    emit self->portVanished();
            },
            Qt::QueuedConnection);
    return true;
}

void RsCommThread::storeBytes(const char* bytes, int count) {
    for (int i = 0; i < count; ++i) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        if (rxRawLength_ < kRxLimit)
            rxRaw_[rxRawLength_++] = char(b);
        char form[4];
        const int formLength = displayForm(b, form);
        for (int k = 0; k < formLength && rxDisplayLength_ < kRxLimit; ++k)
            rxDisplay_[rxDisplayLength_++] = form[k];
    }
    if (count > 0)
        receiving_.store(true, std::memory_order_release);
    const qint64 now = clock_.elapsed();
    rxDeadline_ = now + rxQuietMs_;
    lastByteAt_.store(now, std::memory_order_relaxed);
    collecting_.fetch_add(count, std::memory_order_relaxed);
}

qint64 RsCommThread::msSinceLastByte() const {
    const qint64 at = lastByteAt_.load(std::memory_order_relaxed);
    return at < 0 ? -1 : clock_.elapsed() - at;
}

qsizetype RsCommThread::bytesBeingCollected() const {
    return collecting_.load(std::memory_order_relaxed);
}

void RsCommThread::finishReception() {
    if (rxDisplayLength_ == 0 || clock_.elapsed() <= rxDeadline_)
        return;
    rxDisplay_[rxDisplayLength_] = '\0';
    const QByteArray bytes(rxRaw_, rxRawLength_);
    const QString text = QString::fromLatin1(rxDisplay_, rxDisplayLength_);
    rxDisplayLength_ = 0;
    rxRawLength_ = 0;
    collecting_.store(0, std::memory_order_relaxed);
    handOff(bytes, text);
    rxDeadline_ = 0;
    receiving_.store(false, std::memory_order_release);
}

void RsCommThread::handOff(const QByteArray& bytes, const QString& text) {
    std::unique_lock lock(handoffMutex_);
    handoffBytes_ = bytes;
    handoffText_ = text;
    handoffPending_ = true;
    // The guard drops a call that arrives after this object has gone.
    QMetaObject::invokeMethod(
        uiContext_,
        [self = self_] {
            if (self)
                self->deliverPendingHandoff();
        },
        Qt::QueuedConnection);
    handoffDone_.wait(lock,
                      [this] { return !handoffPending_ || stop_.load(std::memory_order_acquire); });
}
