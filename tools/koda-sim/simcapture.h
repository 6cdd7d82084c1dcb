#pragma once
// koda-sim's own reader of KODA Monitor captures (pcapng, see captureformat.h): the bytes
// each side put on the line, with their times. The simulator shares only the format's
// definition with the program, not its reader, so a fault in the program's capture
// writer cannot hide behind the same fault here.
#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>

#include <optional>

namespace kodasim {

struct CapturedBurst {
    bool fromProgram = false; // true: the program sent it; false: the device side did
    qint64 timeUs = 0;
    QByteArray bytes;
};

// The bursts of a capture in order (the program's events are left out). Empty with error
// set when the bytes are not a capture of this format or are damaged.
std::optional<QList<CapturedBurst>> readCapturedBursts(QByteArrayView file, QString* error);

} // namespace kodasim
