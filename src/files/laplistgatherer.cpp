#include "files/laplistgatherer.h"

#include "files/lapfiletokenizer.h"

#include <QList>

namespace {

constexpr qsizetype headerLines = 3;

bool endsWithLineEnd(const QByteArray& text) {
    return text.endsWith('\r') || text.endsWith('\n');
}

} // namespace

QString lapListFailureMessage(int sector, int line) {
    QString text =
        sector == 0 ? QStringLiteral("RIN KODAから受信したラップデータを読み取れませんでした。")
                    : QStringLiteral("RIN KODAから受信したセクタ%1のデータを読み取れませんでした。")
                          .arg(sector);
    if (line > 0)
        text += QStringLiteral("\r\n%1行目の内容を読み取れません。").arg(line);
    return text;
}

void LapListGatherer::start(int sector, std::optional<qint32> lapCount) {
    sector_ = sector;
    lapCount_ = sector == 0 ? std::nullopt : lapCount;
    restart();
}

void LapListGatherer::restart() {
    status_ = Status::Incomplete;
    received_.clear();
    text_.clear();
}

void LapListGatherer::stop() {
    status_ = Status::Idle;
    received_.clear();
    text_.clear();
}

LapListGatherer::Status LapListGatherer::add(QByteArrayView reception) {
    if (status_ != Status::Incomplete)
        return status_;
    received_.append(reception.data(), reception.size());
    // An empty line before the list (a line end left from the request) is no part of it.
    qsizetype lead = 0;
    while (lead < received_.size() && (received_[lead] == '\r' || received_[lead] == '\n'))
        ++lead;
    received_.remove(0, lead);
    status_ = received_.size() > maxBytes ? Status::Rejected : examine();
    return status_;
}

int LapListGatherer::waitLeftMs(qint64 msSinceLastByte, int waitMs, qsizetype bytesArriving) const {
    if (status_ != Status::Incomplete || msSinceLastByte < 0 || msSinceLastByte >= waitMs)
        return 0;
    // A stream longer than any list would be is no list: that one times out as usual.
    if (received_.size() + bytesArriving > maxBytes)
        return 0;
    return int(waitMs - msSinceLastByte);
}

LapListGatherer::Status LapListGatherer::examine() {
    const QList<QByteArray> lines = splitLapLines(received_);
    const bool lastEnded = endsWithLineEnd(received_);
    const qsizetype whole = lastEnded ? lines.size() : lines.size() - 1;

    std::optional<qint32> count = lapCount_;
    if (sector_ == 0) {
        if (whole < 1)
            return Status::Incomplete;
        const QList<QByteArray> tokens = tokenizeLapLine(lines.first());
        bool ok = false;
        const qint32 value = tokens.size() >= 2 ? tokens.at(1).toInt(&ok, 10) : 0;
        if (tokens.isEmpty() || tokens.first() != "Laps" || !ok)
            return Status::Rejected;
        count = value;
    }
    if (!count)
        return Status::Rejected;
    // A line is whole only with its line end: a pause may come anywhere, right after the
    // last comma or inside the last number included, and the rest of it follows.
    const qsizetype needed = headerLines + std::max<qint32>(*count, 0);
    if (whole < needed)
        return Status::Incomplete;
    for (qsizetype i = 0; i < needed; ++i)
        text_ += lines.at(i) + "\r\n";
    return Status::Complete;
}
