#pragma once
// The pit board's texts: times, gaps and fuel as the crew reads them off the board.
#include "pitboard/pitboardmodel.h"

#include <QString>

namespace pitboard {

// A lap or sector time as the grid writes it, without the grid's leading blank: 01'23"45.
QString lapTimeText(int hundredths);
// A gap in seconds with its sign: "-0.45" (faster), "+1.02" (slower), "±0.00".
QString gapText(int hundredths);
// Time since the last lap: "0:45", "12:03".
QString sinceText(qint64 ms);
// What the link's banner says; empty while laps and readings arrive as expected.
QString linkText(LinkState state);

} // namespace pitboard
