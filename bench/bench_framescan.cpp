// Frame-scan throughput over full 12 KB receptions that mix valid text frames, other
// units' frames and noise. Prints MB/s; pass a duration in seconds (default 3).
#include "protocol/radioframe.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QList>
#include <QRandomGenerator>

#include <cstdio>
#include <cstdlib>

using namespace RadioFrame;

namespace {

QByteArray frame(char kind, int id, quint8 code, const QByteArray& payload) {
    quint8 buffer[256];
    buffer[0] = Stx;
    buffer[1] = quint8(kind);
    buffer[2] = quint8(id >> 8);
    buffer[3] = quint8(id);
    buffer[5] = code;
    memcpy(buffer + 6, payload.constData(), size_t(payload.size()));
    const int length = finishFrame(buffer, 6 + int(payload.size()));
    return QByteArray(reinterpret_cast<const char*>(buffer), length);
}

QByteArray reception(QRandomGenerator& random) {
    const QList<QByteArray> frames = {
        frame('L', 0x1234, 0x81, "CP:2\r\n"),
        frame('L', 0x1234, 0x81, "LInfo:25,7,3,4,7,12,7,9\r\n"),
        frame('L', 0x4321, 0x81, "Version 1.23a\r\n"),
        frame('F', 0x5679, 0x81, QByteArray(15, '\x41')),
    };
    QByteArray r;
    r.reserve(12288);
    while (r.size() < 12288) {
        if (random.bounded(3) == 0) {
            // Noise without STX, so it does not swallow the frames after it.
            const int n = int(random.bounded(1, 40));
            for (int i = 0; i < n; ++i) {
                char c = char(random.bounded(256));
                r.append(c == Stx ? char(0x55) : c);
            }
        } else {
            r.append(frames[random.bounded(frames.size())]);
        }
    }
    r.truncate(12288);
    return r;
}

} // namespace

int main(int argc, char** argv) {
    const double seconds = argc > 1 ? std::atof(argv[1]) : 3.0;
    QRandomGenerator random(12288);
    QList<QByteArray> receptions;
    for (int i = 0; i < 64; ++i)
        receptions.append(reception(random));

    qint64 bytes = 0;
    qint64 scans = 0;
    qint64 textBytes = 0;
    QElapsedTimer timer;
    timer.start();
    while (timer.nsecsElapsed() < qint64(seconds * 1e9)) {
        for (const QByteArray& r : receptions) {
            const FrameScanResult result = scanFrames(r, 0x1234, 0x5678);
            textBytes += result.replyText.size();
            bytes += r.size();
            ++scans;
        }
    }
    const double elapsed = double(timer.nsecsElapsed()) / 1e9;
    std::printf("frame scan: %lld receptions of 12288 bytes in %.2f s: %.1f MB/s, %.1f us per "
                "reception (text collected: %lld bytes)\n",
                static_cast<long long>(scans), elapsed, double(bytes) / elapsed / 1e6,
                elapsed / double(scans) * 1e6, static_cast<long long>(textBytes));
    return 0;
}
