#include "serial/devicewatcher.h"
#include "serial/serialport.h"

#include <QDir>
#include <QFileInfo>

namespace {
constexpr int kRetryMs = 250;
constexpr int kRetries = 8;
} // namespace

DeviceWatcher::DeviceWatcher(QObject* parent) : QObject(parent) {
    retry_.setSingleShot(true);
    retry_.setInterval(kRetryMs);
    connect(&retry_, &QTimer::timeout, this, &DeviceWatcher::check);
    connect(&watcher_, &QFileSystemWatcher::directoryChanged, this, &DeviceWatcher::folderChanged);
}

void DeviceWatcher::watch(const QString& path) {
    stop();
    path_ = path;
    watchFolders();
    check(); // it may be back already
}

void DeviceWatcher::stop() {
    path_.clear();
    retry_.stop();
    if (!watcher_.directories().isEmpty())
        watcher_.removePaths(watcher_.directories());
}

// The link's folder and, as long as they are missing, the folders above it (the
// by-id folder goes with the last adapter), and the folder of the node a link names.
void DeviceWatcher::watchFolders() {
    QStringList folders;
    QString folder = QFileInfo(path_).absolutePath();
    while (!folder.isEmpty()) {
        if (QFileInfo(folder).isDir()) {
            folders << folder;
            break;
        }
        const QString parent = QFileInfo(folder).absolutePath();
        if (parent == folder)
            break;
        folder = parent;
    }
    const QFileInfo link(path_);
    if (link.isSymLink())
        folders << QFileInfo(link.symLinkTarget()).absolutePath();
    folders << QStringLiteral("/dev");
    folders.removeDuplicates();
    for (const QString& f : folders)
        if (!watcher_.directories().contains(f) && QFileInfo(f).isDir())
            watcher_.addPath(f);
}

void DeviceWatcher::folderChanged() {
    if (path_.isEmpty())
        return;
    watchFolders();
    retriesLeft_ = kRetries;
    check();
}

void DeviceWatcher::check() {
    if (path_.isEmpty() || !QFileInfo::exists(path_))
        return;
    if (SerialPort::probe(path_)) {
        stop();
        emit deviceReturned();
        return;
    }
    if (retriesLeft_-- > 0)
        retry_.start();
}
