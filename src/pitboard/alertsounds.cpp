#include "pitboard/alertsounds.h"

#include <QtEndian>

#include <cmath>
#include <numbers>
#include <vector>

namespace pitboard {
namespace {

struct Tone {
    double hertz; // 0: silence
    int ms;
};

std::vector<Tone> patternOf(Alert alert) {
    switch (alert) {
    case Alert::NewBest:
        return {{880, 120}, {0, 30}, {1320, 220}};
    case Alert::LowFuel:
        return {{440, 150}, {0, 80}, {440, 150}, {0, 80}, {440, 150}};
    case Alert::Overdue:
        return {{660, 180}, {0, 100}, {660, 180}};
    }
    return {};
}

void appendLe32(QByteArray& out, quint32 value) {
    char bytes[4];
    qToLittleEndian(value, bytes);
    out.append(bytes, 4);
}

void appendLe16(QByteArray& out, quint16 value) {
    char bytes[2];
    qToLittleEndian(value, bytes);
    out.append(bytes, 2);
}

} // namespace

QByteArray alertWav(Alert alert) {
    QByteArray samples;
    for (const Tone& tone : patternOf(alert)) {
        const int count = AlertSampleRate * tone.ms / 1000;
        const int fade = AlertSampleRate / 200; // 5 ms ramps: no clicks
        for (int i = 0; i < count; ++i) {
            double value = 0;
            if (tone.hertz > 0) {
                const double ramp = std::min({1.0, double(i) / fade, double(count - i) / fade});
                value =
                    0.5 * ramp * std::sin(2 * std::numbers::pi * tone.hertz * i / AlertSampleRate);
            }
            appendLe16(samples, quint16(qint16(std::lround(value * 32767))));
        }
    }
    QByteArray wav("RIFF");
    appendLe32(wav, quint32(36 + samples.size()));
    wav += "WAVEfmt ";
    appendLe32(wav, 16);                  // format chunk size
    appendLe16(wav, 1);                   // PCM
    appendLe16(wav, 1);                   // mono
    appendLe32(wav, AlertSampleRate);     // samples a second
    appendLe32(wav, AlertSampleRate * 2); // bytes a second
    appendLe16(wav, 2);                   // bytes a frame
    appendLe16(wav, 16);                  // bits a sample
    wav += "data";
    appendLe32(wav, quint32(samples.size()));
    return wav + samples;
}

} // namespace pitboard
