#pragma once

#include "simsettings.h"

#include <QString>
#include <QStringList>

#include <optional>

namespace kodasim {

enum class DumpFormat { None, Grid, Csv };

// Where --list-pause splits an RK-12 list.
enum class ListSplit {
    Middle,    // in its middle
    LastComma, // right after the last comma: the last value comes after the pause
    Random,    // at a byte drawn from the seed for each list
    At,        // after listSplitAt bytes (counted from the end when negative)
};

struct SimOptions {
    QString device;        // empty: open a pseudo-terminal
    QString link;          // symlink to create for the port
    bool holdSlave = true; // keep the slave open so the program can close and re-open it
    bool rk12 = false;
    bool rk13 = false;
    bool qk11 = false;
    quint16 rk13Id = 0x1234;
    quint16 qk11Id = 0x5678;
    quint8 textCode = 0x01;
    WriteReply writeReply = WriteReply::Echo;
    bool ldata = false;
    int livePeriodMs = 0;
    int fuelPeriodMs = 0;
    int laps = 25;
    int sectors = 3;
    quint64 seed = 1;
    QString lapsFile;
    DumpFormat dump = DumpFormat::None;
    int baud = 38400;
    int latencyMs = 20;
    bool verbose = false;
    // Faults.
    bool silent = false;
    bool badChecksum = false;
    int splitPauseMs = 0;
    int garbage = 0;
    bool garbageFlood = false;
    bool foreignId = false;
    qint64 hangupAfter = -1;
    bool answerEverything = false;
    // What real links do (each part of --field).
    int sharedPushPercent = 0;   // replies that share their burst with a push
    int partialFramePercent = 0; // replies behind a cut-off frame
    int lostToLivePercent = 0;   // settings replies lost, a live lap going out instead
    int latePercent = 0;         // replies 300-700 ms late
    int stxGarbage = 0;          // noise bytes with harmless STX before each frame reply
    bool unpadded = false;       // one-digit setting values without a leading zero
    bool liveInDownload = false; // periodic live laps also during a lap download
    int listPauseMs = 0;         // RK-12 lists split once by this pause
    int foreignFuelPeriodMs = 0; // another team's QK-11 (ID + 1) sends a reading this often
    ListSplit listSplit = ListSplit::Middle;
    int listSplitAt = 0;  // ListSplit::At
    int garbleList = -1;  // RK-12: list n (from 1) is spoiled; 0: every list; -1: none
    bool listEnd = false; // RK-12 lists end with a line "END" (the old form)
    // Plays the device side of a capture file instead of the instruments.
    QString replayFile;
};

struct ParsedOptions {
    std::optional<SimOptions> options; // empty when the program should exit
    int exitCode = 0;
    QString message; // help text or error, for stdout (exit 0) or stderr
};

// Parses the command line (arguments include the program name).
ParsedOptions parseSimOptions(const QStringList& arguments);

// "0x1234", "0X1234", "$1234" or decimal; empty when not a 16-bit value.
std::optional<quint16> parseRadioId(const QString& text);

} // namespace kodasim
