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
// The tooltip of a port's entry: its device path, the adapter's stable name when it has
// one, and why the port cannot be used.
QString portEntryToolTip(const QString& devicePath, const QString& stableName,
                         const QString& cause);
// The /dev/serial/by-id style name (adapter make and serial number) of a device: the
// link in the folder that leads to the same device; empty when there is none.
QString stableDeviceName(const QString& devicePath,
                         const QString& folder = QStringLiteral("/dev/serial/by-id"));
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
