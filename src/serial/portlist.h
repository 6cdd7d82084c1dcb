#pragma once
// Texts of the port list and of the connection status panel.
#include "serial/commsettings.h"

#include <QString>
#include <QStringList>

// available[n] for n = 1..64 (entry 0 unused): 65 entries, "自動" first, then
// " COMn" for a port that could be opened and "*COMn" for one that could not.
QStringList portListTexts(const bool* available);
// The port number of a list entry: 0 for the first ("自動"), otherwise the
// decimal number after "COM" (0 when there is none).
int portNumberOfEntry(int index, const QString& text);
// The tooltip of a port's entry: its device path, and below it why it cannot be used.
QString portEntryToolTip(const QString& devicePath, const QString& cause);
// One line under the search's failure message: "COM3 (/dev/ttyUSB2): <cause>".
QString portCauseLine(int port, const QString& devicePath, const QString& cause);
// The connection status while the program waits for a vanished device to come back.
QString waitingForDeviceText(int port);
// "COM3: 38400bps D8 PEVEN S1" and the like.
QString connectionStatusText(int port, const CommSettings& settings);
// The status texts of the highest port number on the fastest line the serial layer opens,
// one for each parity and stop-bit suffix: the status panel must be wide enough for the
// widest of them.
QStringList widestConnectionStatusTexts();
