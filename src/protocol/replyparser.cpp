#include "protocol/replyparser.h"

#include "protocol/devicetext.h"
#include "protocol/texttrim.h"

#include <cmath>
#include <limits>

namespace {

bool isTrimmed(char c) {
    const auto u = static_cast<unsigned char>(c);
    return u <= 0x20 || u == 0x7F;
}

// The text after the key, made into lines the way the lap decoders expect them: a
// line end is appended, then CR LF, CR or LF each end one line.
QStringList splitLines(QByteArrayView text) {
    QByteArray all = text.toByteArray();
    all.append("\r\n");
    QStringList lines;
    qsizetype start = 0;
    for (qsizetype i = 0; i < all.size(); ++i) {
        const char c = all[i];
        if (c != '\r' && c != '\n')
            continue;
        lines.append(decodeDeviceText(QByteArrayView(all).sliced(start, i - start)));
        if (c == '\r' && i + 1 < all.size() && all[i + 1] == '\n')
            ++i;
        start = i + 1;
    }
    return lines;
}

} // namespace

QByteArray replyKeyText(ReplyKey key) {
    const ReplyKeyRow* row = replyKeyRow(key);
    return row ? QByteArray(row->text.data(), qsizetype(row->text.size())) : QByteArray();
}

QByteArray trimReply(QByteArrayView text) {
    return trimmedBy(text, isTrimmed).toByteArray();
}

int parseDecimalInt(QByteArrayView text, bool* ok) {
    *ok = false;
    qsizetype i = 0;
    while (i < text.size() && text[i] == ' ')
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    if (i >= text.size())
        return 0;
    qint64 value = 0;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        if (c < '0' || c > '9')
            return 0;
        value = value * 10 + (c - '0');
        if (value > std::numeric_limits<int>::max())
            return 0;
    }
    *ok = true;
    return int(negative ? -value : value);
}

ParsedReply parseReply(QByteArrayView raw) {
    ParsedReply reply;
    const QByteArray text = trimReply(raw);
    if (text == "OK") {
        reply.outcome = ParsedReply::Outcome::Ok;
        return reply;
    }

    qsizetype keyAt = -1;
    const ReplyKeyRow* row = nullptr;
    for (const ReplyKeyRow& candidate : replyKeyRows) {
        keyAt = text.indexOf(QByteArrayView(candidate.text.data(), candidate.text.size()));
        if (keyAt >= 0) {
            row = &candidate;
            break;
        }
    }
    if (!row)
        return reply;
    reply.key = row->key;

    const qsizetype after = keyAt + qsizetype(row->text.size());
    // Up to n characters after the key (skipping `skip` first), fewer near the end.
    const auto take = [&](qsizetype skip, qsizetype n) { return text.mid(after + skip, n); };

    reply.outcome = ParsedReply::Outcome::Value;
    switch (row->value) {
    case ReplyValue::Selection:
        reply.valueBytes = take(row->skip, row->chars);
        if (reply.valueBytes.isEmpty())
            reply.outcome = ParsedReply::Outcome::MissingSelection;
        else
            reply.selection = reply.valueBytes[0];
        break;
    case ReplyValue::Number: {
        reply.valueBytes = take(row->skip, row->chars);
        bool ok = false;
        reply.number = parseDecimalInt(reply.valueBytes, &ok);
        if (!ok)
            reply.outcome = ParsedReply::Outcome::ConversionError;
        break;
    }
    case ReplyValue::KNumber: {
        reply.valueBytes = text.mid(after);
        bool ok = false;
        const double received = reply.valueBytes.trimmed().toDouble(&ok);
        if (!ok || !std::isfinite(received)) {
            reply.outcome = ParsedReply::Outcome::ConversionError;
            break;
        }
        reply.kValue = received * 0.00001;
        reply.kText = QString::asprintf("%7.5lf", reply.kValue);
        break;
    }
    case ReplyValue::Text:
        reply.valueBytes = take(row->skip, row->chars);
        break;
    case ReplyValue::Lines:
        reply.valueBytes = text.mid(after);
        reply.lines = splitLines(reply.valueBytes);
        break;
    }
    reply.valueText = decodeDeviceText(reply.valueBytes);
    return reply;
}
