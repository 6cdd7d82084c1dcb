#pragma once
// Why a serial port cannot be used, and what the user can do about it, in the words the
// port list's tooltips and the search's failure message show: the device is missing (and
// perhaps taken by brltty), the user lacks the permission, another program holds it, it
// is not a serial port, or another system error.
#include "serial/commsettings.h"

#include <QString>
#include <QStringList>

#include <sys/types.h>

struct PortDiagnosis {
    enum class Cause { Usable, Missing, PermissionDenied, InUse, NotSerial, OtherError };
    Cause cause = Cause::Usable;
    QString explanation; // empty for a usable port
};

class PortDoctor {
public:
    // Where the doctor looks; tests point it at fake trees and a fake user.
    struct Places {
        QString proc = QStringLiteral("/proc");
        QString sys = QStringLiteral("/sys");
        QString lockDir = QStringLiteral("/var/lock");
        QStringList brlttyPrograms = {QStringLiteral("/usr/bin/brltty"),
                                      QStringLiteral("/bin/brltty")};
        // The groups of this session, and of the user's account (a group joined after
        // the login is only in the second).
        QList<gid_t> sessionGroups;
        QList<gid_t> accountGroups;
        bool readUserGroups = true; // false: take the two lists as given
    };

    PortDoctor();
    explicit PortDoctor(Places places);

    // The cause for a device path, from the error its open gave (0: it opened).
    PortDiagnosis diagnose(const QString& devicePath, int openError) const;
    // The same, for the error an open of the path gives now.
    PortDiagnosis examine(const QString& devicePath) const;

    // The programs that hold the device open ("name (PID n)"), from the open files of
    // every process and a UUCP lock file.
    QStringList holders(const QString& devicePath) const;
    // A USB-serial adapter of a usual make is attached, seen in the USB device tree.
    bool usbSerialAdapterAttached() const;

    // Why no port can be opened with the line parameters of the configuration file at
    // configPath (a baud rate the system has no code for and the like); empty when they
    // can be set.
    static QString settingsProblem(const CommSettings& settings, const QString& configPath);

private:
    QString permissionText(const QString& devicePath) const;
    QString missingText(const QString& devicePath) const;

    Places places_;
};
