#include "siminstrument.h"

#include <cstring>

namespace kodasim {

namespace {

constexpr qsizetype kMaxLine = 1024;
constexpr quint8 kCodeText = 0x01;
constexpr quint8 kCodeLapRequest = 0x02;
constexpr quint8 kCodeLapBlock = 0x82;
constexpr quint8 kCodeLiveLap = 0x83;

void putFloat(QByteArray& out, float value) {
    quint32 bits = 0;
    static_assert(sizeof bits == sizeof value);
    std::memcpy(&bits, &value, sizeof bits);
    for (int shift = 24; shift >= 0; shift -= 8)
        out.append(static_cast<char>((bits >> shift) & 0xFF));
}

} // namespace

Instrument::Instrument(const SimOptions& options, LapStore laps)
    : options_(options), laps_(std::move(laps)),
      settings_(options.rk13, laps_.sectorCount(), options.unpadded) {}

QStringList Instrument::takeLog() {
    QStringList out;
    out.swap(log_);
    return out;
}

quint16 Instrument::sentId(quint16 id) const {
    return options_.foreignId ? static_cast<quint16>(id + 1) : id;
}

QByteArray Instrument::textFrame(const QByteArray& text) const {
    return encodeFrame(kKindLapTimer, sentId(options_.rk13Id), options_.textCode, text,
                       options_.badChecksum);
}

void Instrument::resetInput() {
    frames_.clear();
    lineBuffer_.clear();
    probeTail_.clear();
}

void Instrument::takeProbes(QByteArray& buffer, QList<QByteArray>& replies) {
    const QByteArray probe(kProbe);
    qsizetype at = 0;
    while ((at = buffer.indexOf(probe)) >= 0) {
        log_ << QStringLiteral("probe");
        replies << QByteArray(kProbeReply);
        buffer.remove(0, at + probe.size());
    }
}

QList<QByteArray> Instrument::receive(const QByteArray& bytes) {
    QList<QByteArray> replies;
    if (options_.rk12) {
        // Plain text: the probe has no line end, so it is taken out of the line buffer
        // wherever it appears; command lines end at LF.
        lineBuffer_.append(bytes);
        takeProbes(lineBuffer_, replies);
        qsizetype nl = 0;
        while ((nl = lineBuffer_.indexOf('\n')) >= 0) {
            const QByteArray line = lineBuffer_.left(nl + 1);
            lineBuffer_.remove(0, nl + 1);
            if (auto reply = handleCommand(line))
                replies << *reply;
        }
        if (lineBuffer_.size() > kMaxLine)
            lineBuffer_.clear();
        return replies;
    }
    // Radio link: the probe still comes as plain text, between frames.
    probeTail_.append(bytes);
    takeProbes(probeTail_, replies);
    const qsizetype keep = static_cast<qsizetype>(std::strlen(kProbe)) - 1;
    if (probeTail_.size() > keep)
        probeTail_.remove(0, probeTail_.size() - keep);
    frames_.append(bytes);
    while (auto frame = frames_.next())
        replies << handleFrame(*frame);
    return replies;
}

QList<QByteArray> Instrument::handleFrame(const Frame& frame) {
    if (frame.kind != kKindLapTimer || !options_.rk13 || frame.id != options_.rk13Id) {
        log_ << QStringLiteral("frame for %1 %2 ignored")
                    .arg(QLatin1Char(frame.kind))
                    .arg(frame.id, 4, 16, QLatin1Char('0'));
        return {};
    }
    QList<QByteArray> replies;
    if (frame.code == kCodeText) {
        const QList<QByteArray> lines = frame.payload.split('\n');
        for (const QByteArray& line : lines) {
            if (line.trimmed().isEmpty())
                continue;
            if (auto reply = handleCommand(line))
                replies << textFrame(*reply);
        }
    } else if (frame.code == kCodeLapRequest && frame.payload.size() >= 2) {
        const int first = (static_cast<quint8>(frame.payload.at(0)) << 8) |
                          static_cast<quint8>(frame.payload.at(1));
        log_ << QStringLiteral("lap-data request from lap %1").arg(first);
        downloadUntilLap_ = first + 19 < laps_.count() ? laps_.count() : 0;
        lastDownloadRequest_.start();
        if (options_.ldata)
            replies << textFrame(laps_.lapDataText(first));
        else
            replies << encodeFrame(kKindLapTimer, sentId(options_.rk13Id), kCodeLapBlock,
                                   laps_.blockPayload(static_cast<quint16>(first)),
                                   options_.badChecksum);
    } else {
        log_ << QStringLiteral("frame code 0x%1 ignored").arg(frame.code, 2, 16, QLatin1Char('0'));
    }
    return replies;
}

std::optional<QByteArray> Instrument::handleCommand(const QByteArray& rawLine) {
    const qsizetype at = rawLine.indexOf('@');
    const QByteArray line = at < 0 ? QByteArray() : rawLine.mid(at + 1).trimmed();
    if (line.isEmpty()) {
        log_ << QStringLiteral("not a command: %1").arg(QString::fromLatin1(rawLine.trimmed()));
        return std::nullopt;
    }
    log_ << QStringLiteral("command @%1").arg(QString::fromLatin1(line));
    const qsizetype colon = line.indexOf(':');
    const QByteArray name = colon < 0 ? line : line.left(colon);
    const std::optional<QByteArray> value =
        colon < 0 ? std::nullopt : std::optional<QByteArray>(line.mid(colon + 1));

    if (name == "CLR") {
        laps_.clear();
        return QByteArray("OK\r\n");
    }
    if (options_.rk13 && name == "LINFO") {
        downloadUntilLap_ = laps_.count();
        lastDownloadRequest_.start();
        return laps_.lapInfoText();
    }
    if (options_.rk13 && name == "LDATA")
        return laps_.lapDataText(value ? value->toInt() : 1);
    if (options_.rk12 && name == "LAP")
        return laps_.rk12List(0, options_.listEnd);
    if (options_.rk12 && name == "SECTOR") {
        const int s = value ? value->toInt() : -1;
        if (s >= 0 && s <= 4)
            return laps_.rk12List(s, options_.listEnd);
        return std::nullopt;
    }
    if (auto reply = settings_.handle(name, value, options_.writeReply))
        return reply;
    log_ << QStringLiteral("unknown command, no answer");
    return std::nullopt;
}

QByteArray Instrument::liveLapFrame() {
    laps_.addGeneratedLap(options_.seed);
    return encodeFrame(kKindLapTimer, sentId(options_.rk13Id), kCodeLiveLap, laps_.livePayload(),
                       options_.badChecksum);
}

QByteArray Instrument::foreignFuelFrame() const {
    QByteArray payload;
    putFloat(payload, 30.5f);
    putFloat(payload, 14.5f);
    putFloat(payload, 6.25f);
    payload.append(QByteArray::fromHex("000384")); // 90.0 km
    return encodeFrame(kKindFuelMeter, static_cast<quint16>(options_.qk11Id + 1), 0x81, payload,
                       options_.badChecksum);
}

QByteArray Instrument::fuelFrame() {
    // A 45 l tank, 0.3 km a reading at a consumption that alternates between two
    // rates every 50 readings, so the economy drifts; refilled when nearly empty.
    const quint8 code = (fuelCount_ % 2 == 0) ? 0x01 : 0x81;
    const float litres = ((fuelCount_ / 50) % 2 == 0) ? 0.025f : 0.035f;
    ++fuelCount_;
    if (fuelUsed_ + litres > 44.0f) {
        fuelUsed_ = 0;
        tankKm_ = 0;
    }
    fuelUsed_ += litres;
    tankKm_ += 0.3f;
    const quint32 distance = (3 * fuelCount_) & 0xFFFFFF; // tenths of a km
    QByteArray payload;
    putFloat(payload, 45.0f - fuelUsed_);
    putFloat(payload, fuelUsed_);
    putFloat(payload, tankKm_ / fuelUsed_);
    payload.append(static_cast<char>((distance >> 16) & 0xFF));
    payload.append(static_cast<char>((distance >> 8) & 0xFF));
    payload.append(static_cast<char>(distance & 0xFF));
    return encodeFrame(kKindFuelMeter, sentId(options_.qk11Id), code, payload,
                       options_.badChecksum);
}

} // namespace kodasim
