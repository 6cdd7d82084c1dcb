#include "files/fuellog.h"
#include "files/filewrite.h"

#include <QDir>
#include <QFileInfo>
#include <QStringEncoder>
#include <cfloat>
#include <cmath>
#include <sys/stat.h>

namespace {

QByteArray lineBytes(const QString& line) {
    QStringEncoder encoder("windows-31j");
    QByteArray bytes = encoder.encode(line);
    bytes += "\r\n";
    return bytes;
}

float toSingle(double value) {
    // Conversions beyond the single-precision range are undefined; they cannot
    // arise from a finite float cut to one decimal, but stay guarded.
    if (value > FLT_MAX)
        return FLT_MAX;
    if (value < -FLT_MAX)
        return -FLT_MAX;
    return static_cast<float>(value);
}

} // namespace

float fuelShownValue(float value) {
    if (!std::isfinite(value))
        return value;
    double tenths = std::trunc(static_cast<double>(value) * 10.0);
    if (tenths == 0.0)
        tenths = 0.0; // no "-0.0" for readings just below zero
    return toSingle(tenths * 0.1);
}

float distanceShownValue(quint32 tenthsOfKm) {
    return toSingle(static_cast<double>(tenthsOfKm) * 0.1);
}

QString formatFuelValue(float shown) {
    if (std::isnan(shown))
        return QStringLiteral("%1").arg(QStringLiteral("nan"), 6);
    if (std::isinf(shown))
        return QStringLiteral("%1").arg(shown > 0 ? QStringLiteral("inf") : QStringLiteral("-inf"),
                                        6);
    return QString::asprintf("%6.1f", static_cast<double>(shown));
}

FuelTexts formatFuelData(quint32 distance, float fuel, float used, float economy) {
    return FuelTexts{formatFuelValue(fuelShownValue(fuel)), formatFuelValue(fuelShownValue(used)),
                     formatFuelValue(fuelShownValue(economy)),
                     formatFuelValue(distanceShownValue(distance))};
}

QString formatElapsedTime(qint32 seconds) {
    return QString::asprintf("%2d:%02d:%02d", seconds / 3600, seconds % 3600 / 60, seconds % 60);
}

QString fuelLogDefaultFileName(const QDateTime& started) {
    const QDate d = started.date();
    const QTime t = started.time();
    return QString::asprintf("QK11_%04d_%02d%02d_%02d_%02d_%02d.csv", d.year(), d.month(), d.day(),
                             t.hour(), t.minute(), t.second());
}

QStringList fuelLogHeadingLines(const QString& idText, const QDateTime& started) {
    const QDate d = started.date();
    const QTime t = started.time();
    return {QStringLiteral("QK11(ID:%1) ").arg(idText) +
                QString::asprintf("%04d/%02d/%02d %02d:%02d:%02d Logging Start", d.year(),
                                  d.month(), d.day(), t.hour(), t.minute(), t.second()),
            QStringLiteral("時刻,残燃料,使用燃料,燃費,走行距離")};
}

QString fuelLogRow(const QTime& arrival, const FuelTexts& texts) {
    return arrival.toString(QStringLiteral("HH:mm:ss")) + u',' + texts.fuel + u',' + texts.used +
           u',' + texts.economy + u',' + texts.distance;
}

QString recoveredLogPath(const QString& lostPath, int attempt) {
    const QFileInfo lost(lostPath);
    const QString suffix = lost.suffix();
    QString name = lost.completeBaseName() + QStringLiteral("_recovered");
    if (attempt > 1)
        name += QString::number(attempt);
    if (!suffix.isEmpty())
        name += u'.' + suffix;
    return lost.dir().filePath(name);
}

QString fuelLogBusyMessage(const QString& path) {
    return QStringLiteral("このファイルにはQK-11 ログを記録中です。\r\n%1\r\n"
                          "別のファイル名で保存してください。")
        .arg(path);
}

FuelLog::FuelLog() = default;

FuelLog::~FuelLog() = default;

void FuelLog::dropStream() {
    if (file_)
        file_->close();
    file_.reset();
    streamOk_ = false;
}

bool FuelLog::append(const QString& line) {
    if (!streamOk_)
        return false;
    const QByteArray bytes = lineBytes(line);
    if (!writeAllBytes(*file_, bytes, error_)) {
        dropStream();
        return false;
    }
    written_ += bytes.size();
    return true;
}

bool FuelLog::openStream(QIODevice::OpenMode mode) {
    dropStream();
    written_ = 0;
    file_ = std::make_unique<QFile>(path_);
    // Unbuffered, so that each line is on disk once written. Appending, so that a file cut
    // short by another program stays shorter than what was written, and is noticed.
    if (!file_->open(mode | QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered)) {
        error_ = file_->errorString();
        file_.reset();
        return false;
    }
    streamOk_ = true;
    return true;
}

bool FuelLog::start(const QString& path, const QStringList& headingLines) {
    logging_ = true;
    path_ = path;
    lines_.clear();
    error_.clear();
    bool ok = openStream(QIODevice::Truncate);
    for (const QString& line : headingLines) {
        lines_.append(line);
        ok = append(line) && ok;
    }
    return ok;
}

bool FuelLog::addRow(const QString& row) {
    if (!logging_)
        return false;
    lines_.append(row);
    return append(row);
}

QString FuelLog::followFile() {
    if (!logging_ || !streamOk_)
        return QString();
    struct stat own {};
    struct stat named {};
    const bool same = ::fstat(file_->handle(), &own) == 0 &&
                      ::stat(QFile::encodeName(path_).constData(), &named) == 0 &&
                      own.st_dev == named.st_dev && own.st_ino == named.st_ino &&
                      own.st_size >= written_;
    if (same)
        return QString();
    // The file at the old path, if any, is someone else's now: the log goes on in a new
    // file holding every kept line, never over a file that exists.
    const QString lost = path_;
    for (int attempt = 1; attempt <= 999; ++attempt) {
        path_ = recoveredLogPath(lost, attempt);
        if (openStream(QIODevice::NewOnly) || !QFileInfo::exists(path_))
            break;
    }
    for (const QString& line : lines_)
        append(line);
    return lost;
}

QString FuelLog::movedMessage(const QString& lostPath) const {
    const QString gone = QStringLiteral("QK-11 ログのファイルが削除されたか、"
                                        "別のファイルに置き換えられました。\r\n%1\r\n")
                             .arg(lostPath);
    if (streamOk_)
        return gone + QStringLiteral("記録はこれまでの分も含めて次のファイルに続けます。\r\n%1")
                          .arg(path_);
    return gone + QStringLiteral("新しいファイルに書き込めませんでした。"
                                 "記録は停止するときに次のファイルへ保存します。\r\n%1\r\n%2")
                      .arg(path_, error_);
}

bool FuelLog::writesTo(const QString& path) const {
    if (!logging_ || path.isEmpty())
        return false;
    struct stat own {};
    struct stat named {};
    if (streamOk_ && ::fstat(file_->handle(), &own) == 0 &&
        ::stat(QFile::encodeName(path).constData(), &named) == 0 && own.st_dev == named.st_dev &&
        own.st_ino == named.st_ino)
        return true;
    // The path the kept lines will be written to (also when the file is not open).
    const QFileInfo log(path_);
    const QFileInfo other(path);
    if (QDir::cleanPath(log.absoluteFilePath()) == QDir::cleanPath(other.absoluteFilePath()))
        return true;
    const QString canonical = log.canonicalFilePath();
    return !canonical.isEmpty() && canonical == other.canonicalFilePath();
}

bool FuelLog::stop() {
    if (!logging_)
        return true;
    followFile(); // rows written into a file that is gone are kept in a new one
    if (streamOk_) {
        file_->close();
        const bool closed = file_->error() == QFileDevice::NoError;
        if (!closed)
            error_ = file_->errorString();
        file_.reset();
        streamOk_ = false;
        if (closed) {
            logging_ = false;
            return true;
        }
    }
    // The file fell behind the kept lines: write it again in one piece.
    QByteArray bytes;
    for (const QString& line : lines_)
        bytes += lineBytes(line);
    if (!replaceFileWith(path_, bytes, error_))
        return false;
    error_.clear();
    logging_ = false;
    return true;
}

QString FuelLog::failureMessage() const {
    return QStringLiteral("QK-11 ログを保存できませんでした。\r\n%1\r\n%2").arg(path_, error_);
}
