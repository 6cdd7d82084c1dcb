#pragma once
// The pit board's figures and alert rules, apart from any window: what the crew at the pit wall
// reads off the board after each live lap and fuel reading, and when the board calls for
// attention (a new best lap, fuel for fewer laps than the racer set, a car that is overdue).
//
// Times are whole hundredths of a second, as the lap timer measures them; clock times are
// milliseconds of a monotonic clock the caller gives, so the rules can be driven by hand.
#include "feed/eventfeed.h"
#include "laps/lapanalysis.h"
#include "laps/laptable.h"

#include <QList>

#include <array>
#include <optional>

namespace pitboard {

enum class Alert { NewBest, LowFuel, Overdue };

// Where the link stands, as the board says it.
enum class LinkState {
    Waiting,  // nothing received yet
    Live,     // live laps or fuel readings arrive as expected
    Quiet,    // nothing came for longer than expected
    PortGone, // the port is closed or its device vanished
};

struct SectorFigure {
    std::optional<int> hundredths;
    std::optional<int> toBest; // this sector - the session's best before it (negative: faster)
    bool best = false;         // the session's best of that sector (as the grid highlights it)
};

struct Figures {
    int lap = 0; // number of the last live lap, 0 before the first
    std::optional<int> lapHundredths;
    std::optional<int> toSessionBest;  // last lap - the session's best before it
    std::optional<int> toPersonalBest; // last lap - the track's personal best
    bool newBest = false;              // the last lap is the session's best so far
    std::array<SectorFigure, LapTable::MaxSectors> sectors{};
    int sectorCount = 0; // sectors the last lap carries
    std::optional<LapTime> sessionBest;
    std::optional<int> topSpeed; // the session's highest top speed, km/h
    std::optional<float> fuelRemaining;
    std::optional<double> fuelLapsLeft; // at the recent fuel per lap
    std::optional<double> litresPerLap;
    std::optional<qint64> msSinceLap;
    LinkState link = LinkState::Waiting;
    bool lowFuel = false;
    bool overdue = false;
};

struct Rules {
    bool newBestAlert = true;
    bool lowFuelAlert = true;
    bool overdueAlert = true;
    double lowFuelLaps = 3;       // alert when fuel for fewer laps than this is left
    double overdueFactor = 1.5;   // overdue after this many times the recent median lap
    int medianOverLaps = 5;       // the recent laps the median is taken over
    qint64 minimumQuietMs = 5000; // the link is never called quiet sooner than this
};

class PitBoardModel {
public:
    void setRules(const Rules& rules) { rules_ = rules; }
    const Rules& rules() const { return rules_; }
    // The track's personal best from the logbook, when there is one.
    void setPersonalBest(std::optional<int> hundredths);

    // Each returns the alerts the event fires. A lap already seen (the lap timer repeats its
    // newest laps in every push) changes nothing.
    QList<Alert> noteLiveLap(const feed::LapRow& row, qint64 nowMs);
    QList<Alert> noteFuel(float remainingLitres, float usedLitres, qint64 nowMs);
    void noteConnection(feed::Connection state, qint64 nowMs);
    // The rules that depend on time passing: overdue and a quiet link.
    QList<Alert> tick(qint64 nowMs);

    const Figures& figures() const { return figures_; }
    // Median of the recent lap times, the base of the overdue rule.
    std::optional<int> recentMedianLap() const;
    // How long the board waits for a lap or a reading before it calls the link quiet.
    std::optional<qint64> quietAfterMs() const;
    void clear();

private:
    void updateFuelLapsLeft(QList<Alert>& fired);

    Rules rules_;
    Figures figures_;
    std::optional<int> personalBest_;
    std::array<std::optional<int>, LapTable::MaxSectors> sectorBest_{};
    QList<int> recentLaps_;    // newest last
    QList<qint64> fuelGapsMs_; // gaps between recent readings, newest last
    std::optional<qint64> lastLapAtMs_;
    std::optional<qint64> lastFuelAtMs_;
    std::optional<qint64> lastHeardMs_;
    bool portOpen_ = true;
    bool overdueFired_ = false;
    LapFuelTracker fuel_;
};

} // namespace pitboard
