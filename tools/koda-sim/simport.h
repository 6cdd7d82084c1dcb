#pragma once

#include <QString>

#include <optional>

namespace kodasim {

// The simulator's end of the line: a pty master (with the slave held open, so the
// program can close and re-open its end without hanging the pty up) or a real device.
struct PortEnds {
    int fd = -1;      // where the simulator reads and writes
    int slaveFd = -1; // held slave, -1 when not held or not a pty
    QString path;     // what the program opens
};

std::optional<PortEnds> openPseudoTerminal(bool holdSlave, QString* error);
std::optional<PortEnds> openSerialDevice(const QString& path, int baud, QString* error);
void closePort(PortEnds& ends);

// Points `link` at `target`, replacing an older symlink but never a real file.
bool createPortLink(const QString& link, const QString& target, QString* error);

} // namespace kodasim
