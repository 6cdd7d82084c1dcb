#pragma once
// A lap of the event feed (the grid's cell texts) as the logbook keeps it: times in
// hundredths, the top speed as a number, the remark as text. The cells are read with the
// chart's own parsers, so the logbook reads a lap exactly as the chart and analysis do.
#include "feed/eventfeed.h"
#include "laps/laptable.h"

#include <QByteArray>

#include <array>
#include <optional>

namespace logbook {

using LapMark = feed::LapMark;

struct LapValues {
    int lap = 0;
    std::optional<int> time; // hundredths
    std::array<std::optional<int>, LapTable::MaxSectors> sectors{};
    std::optional<int> topSpeed; // km/h
    QString remark;
};

// How the logbook stores a time: local "yyyy-MM-dd HH:mm:ss.zzz", which sorts as it reads.
inline const QString storedTimeFormat = QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz");

LapValues lapValuesOf(const feed::LapRow& row);
// The grid's cell texts of a lap kept as values, as the lap timer's frames fill them; the
// average speed over courseKm (none when 0).
feed::LapRow lapRowOf(const LapValues& lap, double courseKm);

// A fingerprint of the laps and summary a lap set holds, whatever file or path they came
// from: the same laps loaded twice give the same text.
QString contentHash(const feed::LapSet& laps);

} // namespace logbook
