#include "simlaps.h"

#include <QList>

namespace kodasim {

namespace {

quint64 splitmix64(quint64 x) {
    x += 0x9E3779B97F4A7C15ULL;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ULL;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBULL;
    return x ^ (x >> 31);
}

// A small deterministic stream: the same seed and lap give the same lap everywhere,
// whatever the standard library, so e2e expectations never drift.
class LapRandom {
public:
    LapRandom(quint64 seed, int lap) : state_(splitmix64(seed) ^ (0xA5A5ULL * lap + lap)) {}
    quint32 below(quint32 n) {
        state_ = splitmix64(state_);
        return static_cast<quint32>(state_ % n);
    }

private:
    quint64 state_;
};

void putWord(QByteArray& out, quint16 value) {
    out.append(static_cast<char>(value >> 8));
    out.append(static_cast<char>(value & 0xFF));
}

void putRecord(QByteArray& out, const Lap& lap) {
    putWord(out, lap.time);
    putWord(out, lap.topSpeed);
    for (quint16 s : lap.sectors)
        putWord(out, s);
}

QByteArray lapNumberText(int n) {
    return QByteArray::number(n).rightJustified(3, '0');
}

} // namespace

QString gridTime(quint16 t) {
    return QLatin1Char(' ') + plainTime(t);
}

QString plainTime(quint16 t) {
    return QString::asprintf("%02d'%02d\"%02d", t / 6000, (t % 6000) / 100, t % 100);
}

LapStore::LapStore(QList<Lap> laps, int sectorCount)
    : laps_(std::move(laps)), sectorCount_(qBound(1, sectorCount, 4)) {
    if (laps_.size() > kMaxLaps)
        laps_.resize(kMaxLaps);
}

Lap LapStore::generateLap(quint64 seed, int lapNumber, int sectorCount) {
    sectorCount = qBound(1, sectorCount, 4);
    LapRandom rnd(seed, lapNumber);
    Lap lap;
    lap.time = static_cast<quint16>(7000 + rnd.below(2001));
    lap.topSpeed = static_cast<quint16>(90 + rnd.below(91));
    std::array<quint32, 4> weight{};
    quint32 total = 0;
    for (int s = 0; s < sectorCount; ++s) {
        weight[s] = 50 + rnd.below(101);
        total += weight[s];
    }
    quint32 left = lap.time;
    for (int s = 0; s < sectorCount; ++s) {
        const quint32 part = s == sectorCount - 1 ? left : lap.time * weight[s] / total;
        lap.sectors[s] = static_cast<quint16>(part);
        left -= part;
    }
    return lap;
}

LapStore LapStore::generate(int count, int sectorCount, quint64 seed) {
    QList<Lap> laps;
    for (int n = 1; n <= qBound(0, count, kMaxLaps); ++n)
        laps.append(generateLap(seed, n, sectorCount));
    return LapStore(laps, sectorCount);
}

std::optional<LapStore> LapStore::fromCsv(const QByteArray& text, QString* error) {
    QList<Lap> laps;
    int sectors = -1;
    int lineNo = 0;
    const auto fail = [&](const QString& why) {
        if (error)
            *error = QStringLiteral("line %1: %2").arg(lineNo).arg(why);
        return std::nullopt;
    };
    for (QByteArray line : text.split('\n')) {
        ++lineNo;
        line = line.trimmed();
        if (line.isEmpty() || line.startsWith('#'))
            continue;
        const QList<QByteArray> fields = line.split(',');
        const int lineSectors = static_cast<int>(fields.size()) - 2;
        if (lineSectors < 1 || lineSectors > 4)
            return fail(QStringLiteral("expected lap time, 1 to 4 sector times, top speed"));
        if (sectors >= 0 && lineSectors != sectors)
            return fail(QStringLiteral("every lap must have the same number of sectors"));
        sectors = lineSectors;
        std::array<quint16, 6> v{};
        for (int i = 0; i < fields.size(); ++i) {
            bool ok = false;
            const uint n = fields.at(i).trimmed().toUInt(&ok);
            if (!ok || n > 0xFFFF)
                return fail(QStringLiteral("not a number from 0 to 65535: %1")
                                .arg(QString::fromLatin1(fields.at(i))));
            v[i] = static_cast<quint16>(n);
        }
        Lap lap;
        lap.time = v[0];
        for (int s = 0; s < sectors; ++s)
            lap.sectors[s] = v[1 + s];
        lap.topSpeed = v[1 + sectors];
        if (laps.size() == kMaxLaps)
            return fail(QStringLiteral("more than 300 laps"));
        laps.append(lap);
    }
    return LapStore(laps, sectors < 0 ? 1 : sectors);
}

Lap LapStore::lap(int number) const {
    if (number < 1 || number > laps_.size())
        return Lap{};
    return laps_.at(number - 1);
}

bool LapStore::addGeneratedLap(quint64 seed) {
    if (laps_.size() >= kMaxLaps)
        return false;
    laps_.append(generateLap(seed, count() + 1, sectorCount_));
    return true;
}

LapSummary LapStore::summary() const {
    LapSummary sum;
    sum.lapCount = count();
    sum.sectorCount = sectorCount_;
    quint16 bestTime = 0, topSpeed = 0;
    std::array<quint16, 4> bestSector{};
    for (int i = 0; i < laps_.size(); ++i) {
        const Lap& l = laps_.at(i);
        const int n = i + 1;
        if (l.time > 0 && (sum.bestLap == 0 || l.time < bestTime)) {
            sum.bestLap = n;
            bestTime = l.time;
        }
        if (sum.topSpeedLap == 0 || l.topSpeed > topSpeed) {
            sum.topSpeedLap = n;
            topSpeed = l.topSpeed;
        }
        for (int s = 0; s < sectorCount_; ++s) {
            const quint16 t = l.sectors[s];
            if (t > 0 && (sum.fastestSectorLap[s] == 0 || t < bestSector[s])) {
                sum.fastestSectorLap[s] = n;
                bestSector[s] = t;
            }
        }
    }
    return sum;
}

QByteArray LapStore::lapInfoText() const {
    const LapSummary s = summary();
    return QStringLiteral("LInfo:%1,%2,%3,%4,%5,%6,%7,%8\r\n")
        .arg(s.lapCount)
        .arg(s.bestLap)
        .arg(s.topSpeedLap)
        .arg(s.sectorCount)
        .arg(s.fastestSectorLap[0])
        .arg(s.fastestSectorLap[1])
        .arg(s.fastestSectorLap[2])
        .arg(s.fastestSectorLap[3])
        .toLatin1();
}

QByteArray LapStore::lapDataText(int lapNumber) const {
    const Lap l = lap(lapNumber);
    QByteArray out = "LData:" + lapNumberText(lapNumber) + ',' + plainTime(l.time).toLatin1() +
                     ',' + lapNumberText(l.topSpeed);
    for (quint16 s : l.sectors)
        out += ',' + plainTime(s).toLatin1();
    return out + "\r\n";
}

QByteArray LapStore::blockPayload(quint16 firstLap) const {
    QByteArray out;
    out.reserve(2 + kBlockRecords * kRecordBytes);
    putWord(out, firstLap);
    for (int k = 0; k < kBlockRecords; ++k)
        putRecord(out, lap(firstLap + k));
    return out;
}

QByteArray LapStore::livePayload() const {
    QByteArray out;
    const int newest = count();
    putWord(out, static_cast<quint16>(newest));
    for (int n = newest - kLiveRecords + 1; n <= newest; ++n)
        putRecord(out, lap(n));
    return out;
}

QByteArray LapStore::rk12List(int sector, bool endLine) const {
    const LapSummary sum = summary();
    QByteArray out = "Laps," + QByteArray::number(sum.lapCount) + "\r\n";
    if (sector == 0) {
        out += "Fastest,Lap," + lapNumberText(sum.bestLap) + ",Top,Speed,Lap," +
               lapNumberText(sum.topSpeedLap) + "\r\n";
        out += "Lap,Time,Speed\r\n";
    } else {
        const QByteArray s = QByteArray::number(sector);
        out += "Fastest,Sector," + lapNumberText(sum.fastestSectorLap[sector - 1]) + ",Sector," +
               s + "\r\n";
        out += "Lap,Sector" + s + "\r\n";
    }
    for (int n = 1; n <= count(); ++n) {
        const Lap& l = laps_.at(n - 1);
        const quint16 t = sector == 0 ? l.time : l.sectors[sector - 1];
        // Quoted comma-text with a leading blank: the receiver drops the first character
        // of the time token, which leaves the plain minutes'seconds"hundredths text.
        QByteArray quoted = gridTime(t).toLatin1();
        quoted.replace('"', "\"\"");
        out += lapNumberText(n) + ",\"" + quoted + '"';
        if (sector == 0)
            out += ',' + lapNumberText(l.topSpeed);
        out += "\r\n";
    }
    return endLine ? out + "END\r\n" : out;
}

QByteArray LapStore::dumpGrid() const {
    QByteArray out = "# " + lapInfoText().trimmed() + "\n";
    out += "# lap\ttime\tsector1\tsector2\tsector3\tsector4\ttop speed\n";
    for (int n = 1; n <= count(); ++n) {
        const Lap& l = laps_.at(n - 1);
        out += lapNumberText(n) + '\t' + gridTime(l.time).toLatin1();
        for (int s = 0; s < 4; ++s) {
            out += '\t';
            if (s < sectorCount_ && l.sectors[s] > 0)
                out += gridTime(l.sectors[s]).toLatin1();
        }
        out += '\t' + lapNumberText(l.topSpeed) + '\n';
    }
    return out;
}

QByteArray LapStore::dumpCsv() const {
    QByteArray out = "# " + lapInfoText().trimmed() + "\n";
    out += "# lap time, sector 1.." + QByteArray::number(sectorCount_) +
           ", top speed (hundredths of a second, km/h)\n";
    for (const Lap& l : laps_) {
        out += QByteArray::number(l.time);
        for (int s = 0; s < sectorCount_; ++s)
            out += ',' + QByteArray::number(l.sectors[s]);
        out += ',' + QByteArray::number(l.topSpeed) + '\n';
    }
    return out;
}

} // namespace kodasim
