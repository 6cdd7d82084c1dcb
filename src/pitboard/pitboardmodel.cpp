#include "pitboard/pitboardmodel.h"

#include "laps/lapchartdata.h"

#include <algorithm>

namespace pitboard {
namespace {

std::optional<int> hundredthsOf(const QString& cell) {
    const LapTimeCell time = parseLapTimeCell(cell);
    if (time.kind != LapTimeCell::Kind::Time)
        return std::nullopt;
    return qRound(time.ms / 10);
}

QString cellOf(const feed::LapRow& row, int col) {
    return col < row.cells.size() ? row.cells.at(col) : QString();
}

// Laps counted back by more than the lap timer repeats in one push: the timer was cleared
// and a new run began.
constexpr int RepeatedLaps = 3;
constexpr double QuietLaps = 2;

} // namespace

void PitBoardModel::setPersonalBest(std::optional<int> hundredths) {
    personalBest_ = hundredths;
    if (personalBest_ && figures_.lapHundredths)
        figures_.toPersonalBest = *figures_.lapHundredths - *personalBest_;
    else
        figures_.toPersonalBest.reset();
}

QList<Alert> PitBoardModel::noteLiveLap(const feed::LapRow& row, qint64 nowMs) {
    QList<Alert> fired;
    const std::optional<int> time = hundredthsOf(cellOf(row, LapTable::ColTime));
    if (!time || row.lap <= 0)
        return fired;
    if (row.lap <= figures_.lap && row.lap > figures_.lap - RepeatedLaps)
        return fired; // a lap already on the board, pushed again
    if (row.lap <= figures_.lap)
        clear(); // the lap numbers began again: a new run

    const std::optional<LapTime> previousBest = figures_.sessionBest;
    figures_.lap = row.lap;
    figures_.lapHundredths = time;
    figures_.toSessionBest.reset();
    if (previousBest)
        figures_.toSessionBest = *time - previousBest->hundredths;
    figures_.newBest = !previousBest || *time < previousBest->hundredths;
    if (figures_.newBest) {
        figures_.sessionBest = LapTime{row.lap, *time};
        if (previousBest && rules_.newBestAlert)
            fired << Alert::NewBest;
    }
    setPersonalBest(personalBest_);

    figures_.sectorCount = 0;
    for (int i = 0; i < LapTable::MaxSectors; ++i) {
        SectorFigure& sector = figures_.sectors[i];
        sector = SectorFigure{};
        sector.hundredths = hundredthsOf(cellOf(row, LapTable::sectorColumn(i)));
        if (!sector.hundredths)
            continue;
        figures_.sectorCount = i + 1;
        std::optional<int>& best = sectorBest_[i];
        if (best)
            sector.toBest = *sector.hundredths - *best;
        sector.best = !best || *sector.hundredths <= *best;
        if (sector.best)
            best = sector.hundredths;
    }
    if (const auto speed = parseTopSpeedCell(cellOf(row, LapTable::ColTopSpeed)))
        figures_.topSpeed = std::max(figures_.topSpeed.value_or(*speed), *speed);

    recentLaps_ << *time;
    while (recentLaps_.size() > std::max(1, rules_.medianOverLaps))
        recentLaps_.removeFirst();
    lastLapAtMs_ = nowMs;
    lastHeardMs_ = nowMs;
    figures_.msSinceLap = 0;
    figures_.overdue = false;
    overdueFired_ = false;
    if (portOpen_)
        figures_.link = LinkState::Live;

    fuel_.noteLiveLap(row.lap);
    updateFuelLapsLeft(fired);
    return fired;
}

QList<Alert> PitBoardModel::noteFuel(float remainingLitres, float usedLitres, qint64 nowMs) {
    QList<Alert> fired;
    if (lastFuelAtMs_) {
        fuelGapsMs_ << nowMs - *lastFuelAtMs_;
        while (fuelGapsMs_.size() > 5)
            fuelGapsMs_.removeFirst();
    }
    lastFuelAtMs_ = nowMs;
    lastHeardMs_ = nowMs;
    figures_.fuelRemaining = remainingLitres;
    if (portOpen_)
        figures_.link = LinkState::Live;
    fuel_.noteFuel(remainingLitres, usedLitres);
    updateFuelLapsLeft(fired);
    return fired;
}

void PitBoardModel::updateFuelLapsLeft(QList<Alert>& fired) {
    const std::optional<FuelPerLap> estimate = fuel_.estimate();
    if (!estimate) {
        figures_.fuelLapsLeft.reset();
        figures_.litresPerLap.reset();
        figures_.lowFuel = false;
        return;
    }
    figures_.litresPerLap = estimate->litresPerLap;
    figures_.fuelLapsLeft = estimate->lapsRemaining;
    const bool low = estimate->lapsRemaining < rules_.lowFuelLaps;
    if (low && !figures_.lowFuel && rules_.lowFuelAlert)
        fired << Alert::LowFuel;
    figures_.lowFuel = low; // fires again only after a refill lifted it
}

void PitBoardModel::noteConnection(feed::Connection state, qint64 nowMs) {
    portOpen_ = state == feed::Connection::Opened;
    if (!portOpen_) {
        figures_.link = LinkState::PortGone;
        return;
    }
    // Reopened: wait for the next lap or reading before calling the link live or quiet again.
    lastHeardMs_ = lastHeardMs_ ? std::optional<qint64>(nowMs) : std::nullopt;
    figures_.link = LinkState::Waiting;
}

std::optional<int> PitBoardModel::recentMedianLap() const {
    if (recentLaps_.isEmpty())
        return std::nullopt;
    QList<int> sorted = recentLaps_;
    std::sort(sorted.begin(), sorted.end());
    const qsizetype middle = sorted.size() / 2;
    if (sorted.size() % 2)
        return sorted.at(middle);
    return (sorted.at(middle - 1) + sorted.at(middle)) / 2;
}

std::optional<qint64> PitBoardModel::quietAfterMs() const {
    std::optional<qint64> after;
    // Laps alone: twice the median lap, so that an overdue car is said before a quiet link.
    if (const auto median = recentMedianLap())
        after = qint64(QuietLaps * *median * 10);
    if (!fuelGapsMs_.isEmpty()) {
        QList<qint64> gaps = fuelGapsMs_;
        std::sort(gaps.begin(), gaps.end());
        const qint64 fuelAfter = 3 * gaps.at(gaps.size() / 2);
        after = after ? std::min(*after, fuelAfter) : fuelAfter;
    }
    if (after)
        after = std::max(*after, rules_.minimumQuietMs);
    return after;
}

QList<Alert> PitBoardModel::tick(qint64 nowMs) {
    QList<Alert> fired;
    if (lastLapAtMs_) {
        figures_.msSinceLap = nowMs - *lastLapAtMs_;
        const std::optional<int> median = recentMedianLap();
        figures_.overdue = portOpen_ && median &&
                           *figures_.msSinceLap > qint64(rules_.overdueFactor * *median * 10);
        if (figures_.overdue && !overdueFired_) {
            overdueFired_ = true;
            if (rules_.overdueAlert)
                fired << Alert::Overdue;
        }
    }
    if (!portOpen_) {
        figures_.link = LinkState::PortGone;
    } else if (lastHeardMs_) {
        const std::optional<qint64> after = quietAfterMs();
        figures_.link =
            after && nowMs - *lastHeardMs_ > *after ? LinkState::Quiet : LinkState::Live;
    }
    return fired;
}

void PitBoardModel::clear() {
    const bool open = portOpen_;
    const std::optional<int> personalBest = personalBest_;
    const Rules rules = rules_;
    *this = PitBoardModel{};
    portOpen_ = open;
    personalBest_ = personalBest;
    rules_ = rules;
    if (!open)
        figures_.link = LinkState::PortGone;
}

} // namespace pitboard
