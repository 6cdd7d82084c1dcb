#include "pitboard/alertsounds.h"

#include <QDataStream>
#include <QIODevice>

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

} // namespace

QByteArray alertWav(Alert alert) {
    QByteArray samples;
    QDataStream sampleOut(&samples, QIODevice::WriteOnly);
    sampleOut.setByteOrder(QDataStream::LittleEndian);
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
            sampleOut << qint16(std::lround(value * 32767));
        }
    }
    QByteArray wav;
    QDataStream out(&wav, QIODevice::WriteOnly);
    out.setByteOrder(QDataStream::LittleEndian);
    out.writeRawData("RIFF", 4);
    out << quint32(36 + samples.size());
    out.writeRawData("WAVEfmt ", 8);
    out << quint32(16)                  // format chunk size
        << quint16(1)                   // PCM
        << quint16(1)                   // mono
        << quint32(AlertSampleRate)     // samples a second
        << quint32(AlertSampleRate * 2) // bytes a second
        << quint16(2)                   // bytes a frame
        << quint16(16);                 // bits a sample
    out.writeRawData("data", 4);
    out << quint32(samples.size());
    return wav + samples;
}

} // namespace pitboard
