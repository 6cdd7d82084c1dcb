#include "serial/portmap.h"

void PortMap::setOverride(int port, const QString& path) {
    if (port >= 1 && port <= kMaxPort)
        overrides_.insert(port, path);
}

bool PortMap::setOverrideEntry(const QString& key, const QString& path) {
    const QString name = key.trimmed();
    if (!name.startsWith(QLatin1String("COM"), Qt::CaseInsensitive))
        return false;
    bool ok = false;
    const int port = QStringView(name).mid(3).toInt(&ok, 10);
    if (!ok || port < 1 || port > kMaxPort)
        return false;
    overrides_.insert(port, path);
    return true;
}

void PortMap::clearOverrides() {
    overrides_.clear();
}

QString PortMap::devicePath(int port) const {
    const auto it = overrides_.constFind(port);
    if (it != overrides_.constEnd())
        return *it;
    if (!useDefaults_)
        return {};
    if (port >= 1 && port <= 16)
        return QStringLiteral("/dev/ttyUSB%1").arg(port - 1);
    if (port >= 17 && port <= 32)
        return QStringLiteral("/dev/ttyACM%1").arg(port - 17);
    if (port >= kFirstOnBoardPort && port <= 64)
        return QStringLiteral("/dev/ttyS%1").arg(port - kFirstOnBoardPort);
    return {};
}

QList<int> PortMap::likelyPorts(int configuredPort) const {
    QList<int> ports;
    const auto add = [&ports](int port) {
        if (port >= 1 && port <= kMaxPort && !ports.contains(port))
            ports << port;
    };
    add(configuredPort);
    for (int port = 1; port <= kMaxPort; ++port)
        if (isNamed(port))
            add(port);
    if (useDefaults_)
        for (int port = 1; port < kFirstOnBoardPort; ++port)
            add(port);
    return ports;
}
