#pragma once
// Importing a folder of lap files into the logbook: each file read with the program's own
// lap-file parser (versions "1.0" and "2.0"), its laps recorded as a file session. A file
// the logbook holds already (recognised by its laps) is not kept twice; a file the parser
// refuses is listed with the parser's reason.
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

namespace logbook {

class LogbookStore;

struct LapFileImport {
    struct Refusal {
        QString path;
        QString reason; // in the program's words
    };
    int added = 0; // files recorded as new sessions
    int known = 0; // files whose laps the logbook held already
    QList<Refusal> refused;
    bool cancelled = false; // stopped before the last file
};

// The lap files of a folder (*.csv, not its subfolders), by name.
QStringList lapFilesIn(const QString& folder);

// Imports the files one by one. progress(done, total) is called before each file and after
// the last; returning false stops the import there.
LapFileImport importLapFiles(LogbookStore& store, const QStringList& files,
                             const std::function<bool(int done, int total)>& progress = {});

} // namespace logbook
