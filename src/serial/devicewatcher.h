#pragma once
// Waits for a serial device to come back after it vanished (unplugged, laptop suspended)
// without polling: the folders on the way to its path are watched (inotify, through
// QFileSystemWatcher), and each change there checks whether the device can be opened
// again.
#include <QFileSystemWatcher>
#include <QObject>
#include <QString>
#include <QTimer>

class DeviceWatcher : public QObject {
    Q_OBJECT

public:
    explicit DeviceWatcher(QObject* parent = nullptr);

    // Starts waiting for the path (a device node or a link to one); an earlier wait ends.
    void watch(const QString& path);
    void stop();
    bool isWatching() const { return !path_.isEmpty(); }
    QString path() const { return path_; }

signals:
    // The device at the watched path can be opened again; the watch has ended.
    void deviceReturned();

private:
    void folderChanged();
    void check();
    void watchFolders();

    QString path_;
    QFileSystemWatcher watcher_;
    // udev makes the node first and gives it its permissions a moment later: a device
    // that is there but cannot be opened yet is tried again a few times.
    QTimer retry_;
    int retriesLeft_ = 0;
};
