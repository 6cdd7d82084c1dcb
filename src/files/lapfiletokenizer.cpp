#include "files/lapfiletokenizer.h"

namespace {

bool isBlankOrControl(unsigned char b) {
    return b >= 1 && b <= 32;
}

// Index of the character after the one at i; a lead byte takes its trail byte along.
qsizetype nextChar(QByteArrayView s, qsizetype i) {
    if (isShiftJisLeadByte(static_cast<unsigned char>(s[i])) && i + 1 < s.size())
        return i + 2;
    return i + 1;
}

} // namespace

QList<QByteArray> splitLapLines(QByteArrayView text, qsizetype maxLines) {
    QList<QByteArray> lines;
    qsizetype p = 0;
    const qsizetype n = text.size();
    while (p < n && (maxLines < 0 || lines.size() < maxLines)) {
        const qsizetype start = p;
        while (p < n && text[p] != '\r' && text[p] != '\n')
            ++p;
        lines.append(text.sliced(start, p - start).toByteArray());
        if (p < n && text[p] == '\r')
            ++p;
        if (p < n && text[p] == '\n')
            ++p;
    }
    return lines;
}

QList<QByteArray> tokenizeLapLine(QByteArrayView line) {
    const qsizetype nul = line.indexOf('\0');
    if (nul >= 0)
        line = line.first(nul);
    const qsizetype n = line.size();
    auto at = [&](qsizetype i) { return static_cast<unsigned char>(line[i]); };

    QList<QByteArray> tokens;
    qsizetype p = 0;
    while (p < n && isBlankOrControl(at(p)))
        ++p;
    while (p < n) {
        QByteArray token;
        if (at(p) == '"') {
            ++p;
            while (p < n) {
                if (at(p) == '"') {
                    if (p + 1 < n && at(p + 1) == '"') {
                        token += '"';
                        p += 2;
                        continue;
                    }
                    ++p;
                    break;
                }
                const qsizetype q = nextChar(line, p);
                token += line.sliced(p, q - p);
                p = q;
            }
        } else {
            const qsizetype start = p;
            while (p < n && !isBlankOrControl(at(p)) && at(p) != ',')
                p = nextChar(line, p);
            token = line.sliced(start, p - start).toByteArray();
        }
        tokens.append(token);
        while (p < n && isBlankOrControl(at(p)))
            ++p;
        if (p < n && at(p) == ',') {
            if (p + 1 == n)
                tokens.append(QByteArray());
            ++p;
            while (p < n && isBlankOrControl(at(p)))
                ++p;
        }
    }
    return tokens;
}

QString commaTextCell(const QString& cell) {
    bool quote = false;
    for (QChar c : cell) {
        const char16_t u = c.unicode();
        if (u == '"' || u == ',' || (u >= 1 && u <= 32)) {
            quote = true;
            break;
        }
    }
    if (!quote)
        return cell;
    QString quoted = cell;
    quoted.replace(u'"', QStringLiteral("\"\""));
    return u'"' + quoted + u'"';
}

QString commaTextLine(const QStringList& cells) {
    QStringList fields;
    fields.reserve(cells.size());
    for (const QString& cell : cells)
        fields.append(commaTextCell(cell));
    return fields.join(u',');
}

LapLineSource::Status LapLineList::next(QByteArray& line) {
    if (index_ >= lines_.size())
        return Status::End;
    line = lines_.at(index_++);
    return Status::Line;
}

bool LapLineReader::fill() {
    if (failed_)
        return false;
    constexpr qint64 chunk = 64 * 1024;
    buffer_.resize(chunk);
    const qint64 got = device_.read(buffer_.data(), chunk);
    if (got < 0) {
        failed_ = true;
        error_ = device_.errorString();
        buffer_.clear();
        pos_ = 0;
        return false;
    }
    buffer_.resize(got);
    pos_ = 0;
    return got > 0;
}

LapLineSource::Status LapLineReader::next(QByteArray& line) {
    line.clear();
    bool started = false;
    for (;;) {
        if (pos_ >= buffer_.size() && !fill()) {
            if (failed_)
                return Status::Error;
            return started ? Status::Line : Status::End;
        }
        started = true;
        qsizetype end = pos_;
        const qsizetype size = buffer_.size();
        const char* data = buffer_.constData();
        while (end < size && data[end] != '\r' && data[end] != '\n')
            ++end;
        if (line.size() + (end - pos_) > maxLineLength_)
            return Status::TooLong;
        line.append(data + pos_, end - pos_);
        if (end == size) {
            pos_ = end;
            continue;
        }
        pos_ = end + 1;
        if (data[end] == '\r') {
            // The LF of a CR LF pair may begin the next chunk.
            if (pos_ >= buffer_.size() && !fill())
                return failed_ ? Status::Error : Status::Line;
            if (buffer_.at(pos_) == '\n')
                ++pos_;
        }
        return Status::Line;
    }
}
