#pragma once
// Line bytes described for people: each radio frame with its unit, radio ID, code, length
// and whether its checksum holds, and what it carries (lap records, a fuel reading or a
// text); text outside frames as text, other bytes by their count.
#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>
#include <QStringList>

namespace capture {

struct PieceDescription {
    QByteArray bytes;   // the piece as it was on the line
    QString summary;    // one line: what the piece is
    QStringList fields; // what it carries, one line each (lap records, fuel values, text)
    bool good = true;   // false: a broken or cut-off frame, or bytes outside any frame
};

QList<PieceDescription> describeBytes(QByteArrayView bytes);

} // namespace capture
