#include "laps/lapanalysis.h"

#include "laps/lapchartdata.h"
#include "laps/laptable.h"

#include <algorithm>
#include <cmath>

namespace {

// A time cell in hundredths; the parser gives whole multiples of 10 ms.
std::optional<int> hundredthsOf(const QString& text) {
    const LapTimeCell cell = parseLapTimeCell(text);
    if (cell.kind != LapTimeCell::Kind::Time)
        return std::nullopt;
    return int(std::lround(cell.ms / 10));
}

void keepFaster(std::optional<LapTime>& best, int lap, int hundredths) {
    if (!best || hundredths < best->hundredths)
        best = LapTime{lap, hundredths};
}

struct LapCells {
    int lap = 0;
    std::optional<int> time;
    std::array<std::optional<int>, LapTable::MaxSectors> sectors{};
};

LapConsistency consistencyOf(const QList<LapCells>& laps, int best, double limitPercent) {
    LapConsistency c;
    const double limit = best * limitPercent / 100;
    int fastest = 0, slowest = 0;
    double sum = 0;
    QList<int> clean;
    for (const LapCells& l : laps) {
        if (!l.time || *l.time > limit)
            continue;
        clean << *l.time;
        sum += *l.time;
        fastest = clean.size() == 1 ? *l.time : std::min(fastest, *l.time);
        slowest = clean.size() == 1 ? *l.time : std::max(slowest, *l.time);
    }
    c.cleanLaps = int(clean.size());
    if (clean.isEmpty())
        return c;
    c.meanHundredths = sum / clean.size();
    double squares = 0;
    for (int t : clean)
        squares += (t - c.meanHundredths) * (t - c.meanHundredths);
    c.stdDevHundredths = std::sqrt(squares / clean.size());
    c.spreadHundredths = slowest - fastest;
    return c;
}

} // namespace

LapAnalysis analyseLaps(const LapTable& table, double cleanLimitPercent, const QSet<int>& leftOut) {
    LapAnalysis a;
    a.cleanLimitPercent = cleanLimitPercent;

    QList<LapCells> laps;
    laps.reserve(LapTable::MaxLaps);
    QList<LapTime> timed;
    timed.reserve(LapTable::MaxLaps);
    int speedSum = 0, speedLaps = 0;
    for (int lap = 1; lap <= LapTable::MaxLaps; ++lap) {
        const int row = LapTable::rowOfLap(lap);
        LapCells l{lap, hundredthsOf(table.cell(LapTable::ColTime, row)), {}};
        if (leftOut.contains(lap)) {
            a.leftOutLaps += l.time ? 1 : 0;
            continue;
        }
        bool any = l.time.has_value();
        for (int s = 0; s < LapTable::MaxSectors; ++s) {
            l.sectors[s] = hundredthsOf(table.cell(LapTable::sectorColumn(s), row));
            if (l.sectors[s]) {
                any = true;
                keepFaster(a.sectorBest[s], lap, *l.sectors[s]);
                a.sectorsPresent = std::max(a.sectorsPresent, s + 1);
            }
        }
        if (l.time) {
            keepFaster(a.best, lap, *l.time);
            timed << LapTime{lap, *l.time};
        }
        if (const auto speed = parseTopSpeedCell(table.cell(LapTable::ColTopSpeed, row))) {
            if (!a.topSpeed || *speed > *a.topSpeed) {
                a.topSpeed = *speed;
                a.topSpeedLap = lap;
            }
            speedSum += *speed;
            ++speedLaps;
        }
        if (any)
            laps << l;
    }
    a.timedLaps = int(timed.size());
    if (speedLaps > 0)
        a.meanTopSpeed = double(speedSum) / speedLaps;

    for (const auto& s : a.sectorBest) {
        if (s)
            a.theoreticalHundredths = a.theoreticalHundredths.value_or(0) + s->hundredths;
    }
    if (a.best && a.theoreticalHundredths)
        a.theoreticalGap = a.best->hundredths - *a.theoreticalHundredths;
    if (a.best)
        a.consistency = consistencyOf(laps, a.best->hundredths, cleanLimitPercent);

    // Stable: equal times stay in lap order.
    std::stable_sort(timed.begin(), timed.end(), [](const LapTime& x, const LapTime& y) {
        return x.hundredths < y.hundredths;
    });
    a.fastest = timed.mid(0, 3);

    a.rows.reserve(laps.size());
    for (const LapCells& l : laps) {
        LapDeltaRow r;
        r.lap = l.lap;
        r.hundredths = l.time;
        if (l.time) {
            r.toBest = *l.time - a.best->hundredths;
            r.bestLap = l.lap == a.best->lap;
            if (a.theoreticalHundredths)
                r.toTheoretical = *l.time - *a.theoreticalHundredths;
        }
        for (int s = 0; s < LapTable::MaxSectors; ++s) {
            if (!l.sectors[s])
                continue;
            r.toSectorBest[s] = *l.sectors[s] - a.sectorBest[s]->hundredths;
            r.sectorBest[s] = a.sectorBest[s]->lap == l.lap;
        }
        a.rows << r;
    }
    return a;
}

void LapFuelTracker::noteFuel(float remainingLitres, float usedLitres) {
    newest_ = Reading{remainingLitres, usedLitres};
    readingSinceLap_ = true;
}

void LapFuelTracker::noteLiveLap(int lap) {
    if (!newest_ || !readingSinceLap_)
        return; // no reading tells what this lap cost
    readingSinceLap_ = false;
    // A lap at or below the last one (the timer was cleared) or less fuel used than before
    // (a refill or a meter reset) starts a new stretch from this lap.
    if (lastLap_ && lap > *lastLap_ && newest_->used >= lastUsed_) {
        usedOverStretches_ += double(newest_->used) - double(lastUsed_);
        lapsOverStretches_ += lap - *lastLap_;
    }
    lastLap_ = lap;
    lastUsed_ = newest_->used;
}

void LapFuelTracker::clear() {
    *this = LapFuelTracker();
}

std::optional<FuelPerLap> LapFuelTracker::estimate() const {
    if (lapsOverStretches_ <= 0 || !(usedOverStretches_ > 0) || !newest_)
        return std::nullopt;
    FuelPerLap f;
    f.litresPerLap = usedOverStretches_ / lapsOverStretches_;
    f.lapsRemaining = std::max(0.0, double(newest_->remaining)) / f.litresPerLap;
    f.lapsCounted = lapsOverStretches_;
    return f;
}
