#pragma once
// Texts of the QK-11 fuel monitor row and its fuel log file, and the log writer.
#include <QDateTime>
#include <QFile>
#include <QString>
#include <QStringList>
#include <QTime>
#include <memory>

// A reading as the fuel meter sends it is shown to one decimal, cut (not rounded)
// toward zero: trunc(v × 10) × 0.1 as a single-precision value.
float fuelShownValue(float value);
// The distance travelled arrives in units of 0.1 km.
float distanceShownValue(quint32 tenthsOfKm);

// "%6.1f" of a shown value; NaN and infinities read "nan", "inf", "-inf", right-aligned.
QString formatFuelValue(float shown);

// The four panel texts of one fuel frame, in the order of the log's columns.
struct FuelTexts {
    QString fuel;     // remaining fuel, litres
    QString used;     // fuel used, litres
    QString economy;  // km per litre
    QString distance; // km
    bool operator==(const FuelTexts&) const = default;
};
FuelTexts formatFuelData(quint32 distance, float fuel, float used, float economy);

// "%2d:%02d:%02d" of the seconds since the last fuel frame; hours are not limited.
QString formatElapsedTime(qint32 seconds);

// A QK-11 ID entry reading (readRadioId) below this is a usable ID: the elapsed time
// is shown and a new log gets its heading lines.
inline constexpr qint32 fuelNoRadioId = 99999;

// "QK11_%04d_%02d%02d_%02d_%02d_%02d.csv" of the moment logging was switched on.
QString fuelLogDefaultFileName(const QDateTime& started);

// The two heading lines of a log: the ID entry's text as typed and the start moment,
// then the column names.
QStringList fuelLogHeadingLines(const QString& idText, const QDateTime& started);

// One row: arrival time "hh:mm:ss", then the four values.
QString fuelLogRow(const QTime& arrival, const FuelTexts& texts);

// A name beside a log file that was lost while recording, for the attempt-th try (from
// 1): "QK11_2011_0502_14_03_27.csv" goes on in "QK11_2011_0502_14_03_27_recovered.csv",
// then "…_recovered2.csv" and so on when that name is taken.
QString recoveredLogPath(const QString& lostPath, int attempt);

// Why a lap file or a summary is not saved over the running fuel log's file.
QString fuelLogBusyMessage(const QString& path);

// The fuel log being recorded. Lines are kept in memory as the log's content and
// also appended to the file as they arrive (flushed line by line), so that the rows
// so far are on disk even if the program ends abruptly. Stopping makes sure the file
// holds exactly the kept lines; if the file could not be written along the way, the
// whole file is written again at stop.
class FuelLog {
public:
    FuelLog();
    ~FuelLog();
    FuelLog(const FuelLog&) = delete;
    FuelLog& operator=(const FuelLog&) = delete;

    // Starts logging to path, replacing any file of that name, with the given
    // heading lines (none when the ID entry holds no number). Lines of an earlier
    // log are dropped. Logging is on afterwards even when the file cannot be opened
    // (false, see errorString()): the lines are kept and stop() tries again.
    bool start(const QString& path, const QStringList& headingLines);
    // Adds a row while logging; false when it could not be written to the file now.
    bool addRow(const QString& row);
    // Completes the file and ends logging. On failure logging stays on with its
    // lines, so that a later stop() tries again.
    bool stop();

    // When the file being written is no longer the one at its path (removed, replaced
    // by another file, or cut short by another program), the kept lines go on in a new
    // file beside it whose name says so (recoveredLogPath); the file now at the old path
    // is not touched. Returns the lost file's path then, empty when nothing was lost.
    // Should the new file not be made either, the lines stay in memory and stop()
    // writes them to the new file's path.
    QString followFile();
    // What the user is told after followFile() moved the log away from lostPath.
    QString movedMessage(const QString& lostPath) const;
    // Whether path names the file this log writes (also through another link or name of
    // the same file): a file saved there would destroy the log.
    bool writesTo(const QString& path) const;

    bool isLogging() const { return logging_; }
    QString path() const { return path_; }
    const QStringList& lines() const { return lines_; }
    QString errorString() const { return error_; }
    // The text to show the user when the log could not be written.
    QString failureMessage() const;

private:
    bool append(const QString& line);
    void dropStream();
    bool openStream(QIODevice::OpenMode mode);

    bool logging_ = false;
    bool streamOk_ = false;
    qint64 written_ = 0; // bytes appended to the open file
    QString path_;
    QStringList lines_;
    QString error_;
    std::unique_ptr<QFile> file_;
};
