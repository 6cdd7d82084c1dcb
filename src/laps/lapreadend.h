#pragma once
// How a lap read from the lap timer ended, and what the user is told when it ended before
// every lap the timer holds was in: a read cut short must never look like a finished one.
#include <QString>

// Why a running read ended before its last lap; None while nothing has stopped it.
enum class LapReadStop {
    None,
    LiveLap,   // the lap timer pushed a live lap, which ends a running read
    Cancel,    // the user closed the busy window
    NoContact, // the requests went unanswered after their resends
    BadReply,  // the lap information or a lap's data came malformed
};

// The end of one read: whether the timer's lap count came in, how many laps it holds and how
// many of them were read.
struct LapReadTally {
    bool countKnown = false;
    int lapsHeld = 0;
    int lapsRead = 0;
    LapReadStop stop = LapReadStop::None;

    // Every lap the timer holds was read (also none of none).
    bool complete() const { return countKnown && lapsRead >= lapsHeld; }
};

// The warning for a read that ended early: how many laps of how many were read and why.
// Empty for a complete read.
QString lapReadEndMessage(const LapReadTally& tally);
