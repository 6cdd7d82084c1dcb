#pragma once
#include "serial/commsettings.h"

#include <QMap>
#include <QSize>
#include <QString>

class ProfileFile;

// Everything the configuration file keeps between runs, with the values a
// missing file gives.
struct ConfigurationValues {
    // Window position. Height and width are saved at close but never applied:
    // the window opens at its designed size.
    int top = 0;
    int left = 0;
    int height = 0;
    int width = 0;

    int comPort = 1; // 0 = automatic (port search)
    CommSettings comm;

    QString courseLength = QStringLiteral("0");
    bool showCaution = false; // kept only to be written back
    bool view3D = false;
    int depthPercent = 5;
    int backColor = 16541279; // 0xBBGGRR
    bool modelRK13 = true;    // "Rin Koda": RK-13 unless the file names the RK-12
    QString rk13Id = QStringLiteral("0x");
    QString qk11Id = QStringLiteral("0x");
    bool qkodaMonitor = true;

    // Section "Ports", keys "COM1".."COM99": device paths that override the
    // built-in map of port numbers to devices. Read only; the user maintains it.
    QMap<int, QString> portPaths;
    // Entries to write into "Ports" at close (ports chosen by an adapter's stable name).
    QMap<int, QString> newPortPaths;
};

// screen and window are the sizes the window is centred with when the file
// holds no position, or a negative one.
ConfigurationValues readConfiguration(const ProfileFile& file, QSize screen, QSize window);

// Writes the keys kept at close, in their fixed order. Deletes nothing, so
// keys the program does not know (and "Ports") stay as they are.
void writeConfiguration(ProfileFile& file, const ConfigurationValues& values);

// The file read at start: an unreadable or missing file gives the defaults.
// refusal, when given, receives what to tell the user when a file is there but
// cannot be used (empty for a file read, or none at all): the program then runs
// with the defaults and leaves that file as it is.
ConfigurationValues loadConfigurationFile(const QString& path, QSize screen, QSize window,
                                          QString* refusal = nullptr);

// Reads the file again and writes the values into it, so edits made to other
// keys while the program ran survive. Returns false when the file could not be
// written; the old file is then left as it was. A file that cannot be read
// whole, or a path that is no regular file (nor a link to one), is never
// written: replacing it would lose what it holds.
bool saveConfigurationFile(const QString& path, const ConfigurationValues& values);

// "<program>.ini" beside the program when that file exists or the program's
// folder is writable; otherwise KodaMonitor/KodaMonitor.ini in the user's
// configuration folder ($XDG_CONFIG_HOME), created when the file is saved.
QString configurationPath(const QString& programPath);
