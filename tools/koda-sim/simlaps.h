#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <array>
#include <optional>

namespace kodasim {

constexpr int kMaxLaps = 300;
constexpr int kBlockRecords = 20;
constexpr int kLiveRecords = 3;
constexpr int kRecordBytes = 12;

// One stored lap as the lap timer keeps it: times in hundredths of a second, top
// speed in km/h. Sectors beyond the timer's sector count are 0.
struct Lap {
    quint16 time = 0;
    quint16 topSpeed = 0;
    std::array<quint16, 4> sectors{};
    bool operator==(const Lap&) const = default;
};

// The lap timer's own summary, as "@LINFO" reports it. Ties go to the lower lap number.
struct LapSummary {
    int lapCount = 0;
    int bestLap = 0;
    int topSpeedLap = 0;
    int sectorCount = 0;
    std::array<int, 4> fastestSectorLap{};
};

// " %02d'%02d\"%02d" of minutes, seconds and hundredths: how the lap grid shows a time.
QString gridTime(quint16 hundredths);
// The same without the leading blank, for texts where a blank would split a field.
QString plainTime(quint16 hundredths);

class LapStore {
public:
    LapStore() = default;
    LapStore(QList<Lap> laps, int sectorCount);

    // Realistic laps, the same for the same seed: 1:10.00 to 1:30.00, sectors adding up
    // to the lap, top speed 90 to 180 km/h.
    static LapStore generate(int count, int sectorCount, quint64 seed);
    static Lap generateLap(quint64 seed, int lapNumber, int sectorCount);
    // The laps file: one lap a line, "time,sector1..sectorK,topSpeed"; '#' lines and
    // empty lines are skipped. Every line must have the same number of sectors (1..4).
    static std::optional<LapStore> fromCsv(const QByteArray& text, QString* error);

    const QList<Lap>& laps() const { return laps_; }
    int count() const { return static_cast<int>(laps_.size()); }
    int sectorCount() const { return sectorCount_; }
    // Lap n (1-based); an all-zero lap outside the stored range.
    Lap lap(int number) const;
    void clear() { laps_.clear(); }
    // Adds one generated lap (live running); false when the memory is full.
    bool addGeneratedLap(quint64 seed);

    LapSummary summary() const;
    QByteArray lapInfoText() const;                  // "LInfo:n,...\r\n"
    QByteArray lapDataText(int lapNumber) const;     // "LData:...\r\n"
    QByteArray blockPayload(quint16 firstLap) const; // code 0x82: 20 records from firstLap
    QByteArray livePayload() const;                  // code 0x83: the newest three laps
    // The RK-12 list in reply to "@LAP" (sector 0) or "@SECTOR:s"; CR LF lines, the
    // last one the last lap line, or the line "END" with endLine (the old form).
    QByteArray rk12List(int sector, bool endLine = false) const;

    // Grid texts (what the program's lap grid should show after a block download)
    // or the laps file form, which --laps-file reads back.
    QByteArray dumpGrid() const;
    QByteArray dumpCsv() const;

private:
    QList<Lap> laps_;
    int sectorCount_ = 1;
};

} // namespace kodasim
