#include "logbook/lapfileimport.h"

#include "feed/eventfeed.h"
#include "files/lapfile.h"
#include "laps/laptable.h"
#include "logbook/logbookstore.h"

#include <QDir>
#include <QFileInfo>
#include <QSet>
#include <QSqlQuery>

namespace logbook {

namespace {

// The laps of an accepted file as the grid would show them once loaded, so that the same
// file loaded in the main window later is recognised as this session.
feed::LapSet lapSetOf(const LapListResult& result, const QString& path) {
    LapTable table;
    for (const LapCell& cell : result.cells)
        table.setCell(cell.column, cell.row, cell.text);
    feed::LapSet set = feed::LapSet::fromTable(table);
    // A lap file holds no date: the file's last change is the nearest to when it was driven.
    set.at = QFileInfo(path).lastModified();
    set.filePath = path;
    return set;
}

} // namespace

QStringList lapFilesIn(const QString& folder) {
    const QDir dir(folder);
    QStringList files;
    const QStringList names = dir.entryList({QStringLiteral("*.csv"), QStringLiteral("*.CSV")},
                                            QDir::Files | QDir::Readable, QDir::Name);
    for (const QString& name : names)
        files << dir.filePath(name);
    files.removeDuplicates(); // a file system that ignores case matches both patterns
    return files;
}

LapFileImport importLapFiles(LogbookStore& store, const QStringList& files,
                             const std::function<bool(int done, int total)>& progress) {
    LapFileImport out;
    QSet<qint64> seen;     // sessions of this import: a second copy of a file is known
    qint64 lastBefore = 0; // sessions up to this id were there before the import
    if (store.open()) {
        QSqlQuery q(store.database());
        if (q.exec(QStringLiteral("SELECT coalesce(max(id), 0) FROM sessions")) && q.next())
            lastBefore = q.value(0).toLongLong();
    }
    const int total = int(files.size());
    for (int i = 0; i < total; ++i) {
        if (progress && !progress(i, total)) {
            out.cancelled = true;
            return out;
        }
        const QString& path = files[i];
        const LapListParse parse = loadLapFile(path);
        if (!parse.accepted()) {
            out.refused.append(
                {path, parse.message.isEmpty() ? lapFileFormatMessage : parse.message});
            continue;
        }
        const feed::LapSet laps = lapSetOf(*parse.result, path);
        if (laps.laps.isEmpty()) {
            out.refused.append({path, QStringLiteral("ラップタイムがありません。")});
            continue;
        }
        const qint64 session = store.recordLapSet(SessionKind::File, laps);
        if (session < 0) {
            out.refused.append({path, QStringLiteral("ログブックに記録できませんでした。")});
            continue;
        }
        if (session <= lastBefore || seen.contains(session))
            ++out.known;
        else
            ++out.added;
        seen.insert(session);
    }
    if (progress)
        progress(total, total);
    return out;
}

} // namespace logbook
