#pragma once
// Decoders that fill the lap table from the lap timer's replies: the lap-record radio frames
// of the RK-13 (20-lap blocks and live laps) and the "LInfo:" and "LData:" text replies, plus
// the text formats of the lap cells.
#include "protocol/radioframe.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QtGlobal>

class LapTable;

// " %02d'%02d\"%02d" of minutes, seconds and hundredths: 8345 gives " 01'23\"45".
QString formatLapTime(quint16 hundredths);

// Course length in km from the text of the course-length entry. Blanks around the number are
// ignored; an empty text, a text that is not a decimal number, or one that is not finite gives
// 0, which suppresses average speeds.
double courseLengthFromText(const QString& text);

// "%6.2lf" of course km / lap time in hundredths * 360000; empty when either is 0.
QString formatAverageSpeed(double courseLengthKm, quint16 lapTimeHundredths);

// "FL " for the best lap, "TS " for the top-speed lap, "FSn " for each sector 1..sectorCount
// whose fastest lap it is, in that order. Empty when the lap holds none of them.
QString buildRemarks(const LapTable& table, int lap);

// What a decoded lap frame asks of the view and of the read sequence.
struct LapFrameResult {
    int firstRow = -1; // grid rows written, -1 when none
    int lastRow = -1;
    int scrollRow = -1;        // row to bring into view, -1 when none
    bool readAdvanced = false; // a running RK-13 read moved on: reset the retry count
    bool newLiveLap = false;   // a live lap for a new newest lap: redraw the chart and
                               // enable the save commands
};

// Decodes an accepted lap frame (STX at offset 0, lap number at offset 6, records of 12 bytes
// from offset 8) into the table. recordCount is RadioFrame::LapBlockRecords for a block frame,
// RadioFrame::LiveLapRecords for a live-lap frame.
// Reads only the bytes the frame holds (bounded by its size and by its length byte), so a
// short frame yields only its complete records. Records for laps above 300 have no row and are
// dropped. After a block frame a running RK-13 read (lapInfoStep > 0) moves nextLapToRead and
// lapInfoStep on; ending a running read on a live lap is left to the caller.
LapFrameResult decodeLapFrame(LapTable& table, const QByteArray& frame, int recordCount,
                              double courseLengthKm);

// Decodes the lines after "LInfo:". Returns the lap count, 0 when the reply is malformed (then
// nothing changes) or the timer holds no laps. When the result is not 0 and lapsCaption is
// given, it receives the lap count field exactly as received (the caption of lblLaps).
// A sector count above 4 is kept as 4, below 0 as 0.
int decodeLapInfo(LapTable& table, const QStringList& lines, QString* lapsCaption = nullptr);
// Whether the lines after "LInfo:" have the form decodeLapInfo takes; a result of 0 from such
// lines means the timer holds no laps, not a malformed reply.
bool isLapInfo(const QStringList& lines);

// Decodes the lines after "LData:": one line of 7 comma-separated fields (lap, lap time, top
// speed, sector 1..4), the texts stored as received. Returns the lap number, 0 when malformed;
// a lap outside 1..lapCount (or beyond the grid) writes nothing but is still returned.
int decodeLapData(LapTable& table, const QStringList& lines);
