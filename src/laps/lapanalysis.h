#pragma once
// The racer's analysis of the laps in the grid: the theoretical best lap (the fastest time of
// each sector put together), every lap's distance to the best lap and to the theoretical best,
// every sector's distance to that sector's best, the consistency of the clean laps, the three
// fastest laps and the top speeds. It reads the grid's cell texts back as the chart does, so
// laps read from the lap timer and laps loaded from a file are analysed alike.
//
// Times are whole hundredths of a second, as the lap timer measures them. A cell that is empty
// or does not read as a time (or a speed) leaves its lap out of every figure that needs that
// cell; it never counts as zero.
#include "laps/laptable.h"

#include <QList>
#include <QSet>

#include <array>
#include <optional>

// One lap's time in hundredths.
struct LapTime {
    int lap = 0;
    int hundredths = 0;
    friend bool operator==(const LapTime&, const LapTime&) = default;
};

// A lap counts as clean when its time is within this percentage of the best lap.
inline constexpr double DefaultCleanLimitPercent = 107;

// Consistency of the clean laps.
struct LapConsistency {
    int cleanLaps = 0;
    double meanHundredths = 0;
    double stdDevHundredths = 0; // population standard deviation around the mean
    int spreadHundredths = 0;    // slowest clean lap minus fastest clean lap
};

// One row of the delta table: a lap holding at least one readable time.
struct LapDeltaRow {
    int lap = 0;
    std::optional<int> hundredths;    // lap time
    std::optional<int> toBest;        // lap time - best lap
    std::optional<int> toTheoretical; // lap time - theoretical best
    std::array<std::optional<int>, LapTable::MaxSectors> toSectorBest{}; // sector time - best
    std::array<bool, LapTable::MaxSectors> sectorBest{}; // the lap holds that sector's best time
    bool bestLap = false;
};

struct LapAnalysis {
    int timedLaps = 0;   // laps with a readable lap time
    int leftOutLaps = 0; // laps with a readable lap time left out (marked by the racer)
    std::optional<LapTime> best;
    // The fastest time of each sector column that holds a time, with the lap it came from;
    // ties go to the lower lap.
    std::array<std::optional<LapTime>, LapTable::MaxSectors> sectorBest{};
    int sectorsPresent = 0;                   // highest sector with a time (0..MaxSectors)
    std::optional<int> theoreticalHundredths; // sum of the sector bests present
    std::optional<int> theoreticalGap;        // best lap - theoretical best
    double cleanLimitPercent = DefaultCleanLimitPercent;
    std::optional<LapConsistency> consistency; // none without a best lap
    QList<LapTime> fastest;                    // up to three, fastest first; ties: lower lap
    std::optional<int> topSpeed;               // km/h
    int topSpeedLap = 0;
    std::optional<double> meanTopSpeed; // over the laps with a readable top speed
    QList<LapDeltaRow> rows;            // in lap order
};

// Analyses laps 1..300 of the grid; a lap is clean within cleanLimitPercent of the best lap.
// The laps in leftOut (out-laps, in-laps, invalid laps) count in no figure and no row.
LapAnalysis analyseLaps(const LapTable& table, double cleanLimitPercent = DefaultCleanLimitPercent,
                        const QSet<int>& leftOut = {});

// Fuel per lap from the QK-11 readings received while live laps arrive. Each new live lap is
// paired with the newest reading, when one has come in since the previous lap; the fuel used
// between two paired laps, over the laps between them, gives the fuel a lap costs. A refill or
// a meter reset (fuel used going down) ends one stretch and starts the next.
struct FuelPerLap {
    double litresPerLap = 0;
    double lapsRemaining = 0; // newest remaining fuel / litres per lap
    int lapsCounted = 0;      // laps the figure is taken over
};

class LapFuelTracker {
public:
    void noteFuel(float remainingLitres, float usedLitres);
    void noteLiveLap(int lap);
    void clear();
    // Nothing until two laps with readings in between have been paired and fuel was used.
    std::optional<FuelPerLap> estimate() const;

private:
    struct Reading {
        float remaining = 0;
        float used = 0;
    };
    std::optional<Reading> newest_; // the newest reading
    bool readingSinceLap_ = false;  // newest came in after the last paired lap
    std::optional<int> lastLap_;    // the last paired lap
    float lastUsed_ = 0;            // fuel used at that lap
    double usedOverStretches_ = 0;  // litres used between paired laps
    int lapsOverStretches_ = 0;     // laps between paired laps
};
