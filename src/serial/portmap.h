#pragma once
// Maps the program's COM port numbers (1..99) to device paths. Entries of the
// configuration's "Ports" section (COMn=PATH) win; otherwise COM1-16 are the USB
// adapters /dev/ttyUSB0-15, COM17-32 the CDC modems /dev/ttyACM0-15 and COM33-64
// the on-board ports /dev/ttyS0-31. Numbers without a device map to "".
#include <QHash>
#include <QString>

class PortMap {
public:
    static constexpr int kMaxPort = 99;

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

private:
    QHash<int, QString> overrides_;
    bool useDefaults_ = true;
};
