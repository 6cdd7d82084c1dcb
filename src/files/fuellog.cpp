#include "files/fuellog.h"
#include "files/filewrite.h"

#include <QStringEncoder>
#include <cfloat>
#include <cmath>

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
    if (!writeAllBytes(*file_, lineBytes(line), error_)) {
        dropStream();
        return false;
    }
    return true;
}

bool FuelLog::start(const QString& path, const QStringList& headingLines) {
    dropStream();
    logging_ = true;
    path_ = path;
    lines_.clear();
    error_.clear();
    file_ = std::make_unique<QFile>(path);
    // Unbuffered, so that each line is on disk once written.
    if (!file_->open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered)) {
        error_ = file_->errorString();
        file_.reset();
    } else {
        streamOk_ = true;
    }
    bool ok = streamOk_;
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

bool FuelLog::stop() {
    if (!logging_)
        return true;
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
