#pragma once
// Folds the logbook's write-ahead log back into its database file on a thread of its own.
// SQLite does that by itself in the commit that takes the log past 1000 pages, and that
// recording then costs 10-20 ms on the user-interface thread. The store turns it off
// (wal_autocheckpoint = 0) and asks here after its recordings instead. A passive checkpoint
// never waits for the store's writes, nor they for it.
#include <QObject>
#include <QString>
#include <QThread>

#include <atomic>

namespace logbook {

class WalCheckpointer : public QObject {
    Q_OBJECT

public:
    explicit WalCheckpointer(const QString& path);
    // A last checkpoint, then the thread ends and its connection is closed.
    ~WalCheckpointer() override;

    // Asks for a checkpoint; the requests made while one waits are one.
    void request();
    // Checkpoints that ran to the end of the log (for tests).
    int completed() const { return completed_; }

private:
    void checkpoint(); // on the thread
    void finish();     // on the thread: the connection closed

    QThread thread_;
    QObject* worker_ = nullptr; // lives on thread_; the context of the calls made there
    QString path_;
    QString connection_;
    std::atomic<bool> pending_{false};
    std::atomic<int> completed_{0};
};

} // namespace logbook
