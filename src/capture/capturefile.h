#pragma once
// Writing and reading capture files (see captureformat.h): the line's bytes in both
// directions and the program's events, each with its time, in a pcapng container.
#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>
#include <QtGlobal>

#include <optional>

namespace capture {

enum class Direction : char { Sent = 'T', Received = 'R', Event = 'E' };

// One record: bytes sent or received, or an event (kind and text) of the program.
struct Record {
    Direction direction = Direction::Sent;
    qint64 timeUs = 0; // microseconds since 1970-01-01 UTC
    QByteArray bytes;  // Sent, Received
    QString kind;      // Event: "open", "close", "request", "timeout", "retry", "reception"
    QString text;      // Event

    bool operator==(const Record&) const = default;
};

// The blocks a file starts with: the section header and the one interface.
QByteArray fileHeader();
// One record as an Enhanced Packet Block.
QByteArray packetBlock(const Record& record);

struct ReadResult {
    QList<Record> records;
    QString error; // empty when the whole input was read
    bool ok() const { return error.isEmpty(); }
};

// Larger captures are refused before they are read (the program writes files of 5 MB).
constexpr qint64 MaxReadBytes = 64 * 1024 * 1024;

// Reads a whole capture. Anything that is not a capture of this format (another link type,
// the other byte order, a block that runs past the end or whose lengths disagree, a record
// of an unknown version or direction) is refused with a message naming the byte offset.
ReadResult readCapture(QByteArrayView bytes);
ReadResult readCaptureFile(const QString& path);

} // namespace capture
