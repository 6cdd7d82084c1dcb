#include "logbook/walcheckpointer.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QVariant>

namespace logbook {

WalCheckpointer::WalCheckpointer(const QString& path)
    : path_(path), connection_(QStringLiteral("logbook-checkpoint-%1").arg(quintptr(this), 0, 16)) {
    thread_.setObjectName(QStringLiteral("logbook checkpoint"));
    worker_ = new QObject;
    worker_->moveToThread(&thread_);
    connect(&thread_, &QThread::finished, worker_, &QObject::deleteLater);
    thread_.start(QThread::LowPriority);
}

WalCheckpointer::~WalCheckpointer() {
    QMetaObject::invokeMethod(
        worker_,
        [this] {
            checkpoint();
            finish();
        },
        Qt::BlockingQueuedConnection);
    thread_.quit();
    thread_.wait();
}

void WalCheckpointer::request() {
    if (pending_.exchange(true))
        return;
    QMetaObject::invokeMethod(
        worker_, [this] { checkpoint(); }, Qt::QueuedConnection);
}

void WalCheckpointer::checkpoint() {
    pending_ = false;
    if (!QSqlDatabase::contains(connection_)) {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection_);
        db.setDatabaseName(path_);
        // Never waits for a writer: a busy file is simply checkpointed at the next request.
        db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=0"));
    }
    QSqlDatabase db = QSqlDatabase::database(connection_);
    if (!db.isOpen())
        return;
    QSqlQuery q(db);
    // busy, log pages, pages checkpointed
    if (q.exec(QStringLiteral("PRAGMA wal_checkpoint(PASSIVE)")) && q.next() &&
        q.value(0).toInt() == 0 && q.value(1).toInt() == q.value(2).toInt())
        ++completed_;
}

void WalCheckpointer::finish() {
    if (!QSqlDatabase::contains(connection_))
        return;
    QSqlDatabase::database(connection_, false).close();
    QSqlDatabase::removeDatabase(connection_);
}

} // namespace logbook
