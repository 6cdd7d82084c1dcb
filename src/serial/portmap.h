#pragma once
// Maps the program's COM port numbers (1..99) to device paths. Entries of the
// configuration's "Ports" section (COMn=PATH) win; otherwise COM1-16 are the USB
// adapters /dev/ttyUSB0-15, COM17-32 the CDC modems /dev/ttyACM0-15 and COM33-64
// the on-board ports /dev/ttyS0-31. Numbers without a device map to "".
#include <QHash>
#include <QList>
#include <QString>

class PortMap {
public:
    static constexpr int kMaxPort = 99;
    // COM33 is /dev/ttyS0: the built-in map's USB and CDC adapters come before it.
    static constexpr int kFirstOnBoardPort = 33;

    // An empty path marks the port as having no device.
    void setOverride(int port, const QString& path);
    // Takes one entry of the "Ports" section: key "COMn" (any case), value the path.
    // False when the key does not name a port 1..99.
    bool setOverrideEntry(const QString& key, const QString& path);
    void clearOverrides();
    // Off: only the overrides map ports (tests, so that no real device is touched).
    void setUseDefaults(bool on) { useDefaults_ = on; }
    bool usesDefaults() const { return useDefaults_; }

    QString devicePath(int port) const;
    // The port's path comes from a "Ports" entry, not from the built-in map.
    bool isNamed(int port) const { return overrides_.contains(port); }
    // The ports a device could plausibly be on, most likely first: the port configured,
    // the ports named in "Ports", then the USB and CDC adapters of the built-in map. The
    // on-board ports of the built-in map are left out: most PCs have many such nodes and
    // nothing behind them.
    QList<int> likelyPorts(int configuredPort) const;

private:
    QHash<int, QString> overrides_;
    bool useDefaults_ = true;
};
