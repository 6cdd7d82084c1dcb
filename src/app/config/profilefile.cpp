#include "app/config/profilefile.h"

#include "files/filewrite.h"
#include "protocol/texttrim.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QStringDecoder>
#include <QStringEncoder>

#include <limits>
#include <optional>

namespace {

constexpr char codecName[] = "windows-31j";

bool isBlank(QChar c) {
    return c == u' ' || c == u'\t' || c == u'\v' || c == u'\f';
}

// Only ASCII blanks: an ideographic space is part of a Japanese value.
QStringView trimBlanks(QStringView text) {
    return trimmedBy(text, isBlank);
}

bool isAscii(const QByteArray& bytes) {
    for (char c : bytes) {
        if (static_cast<unsigned char>(c) >= 0x80)
            return false;
    }
    return true;
}

QString decodeLine(const QByteArray& raw) {
    if (isAscii(raw))
        return QString::fromLatin1(raw);
    // Stateless: a lead byte left dangling at the end of one line must not
    // swallow the first byte of the next.
    QStringDecoder decoder(codecName, QStringConverter::Flag::Stateless);
    return decoder.decode(raw);
}

// Characters without a CP932 form become '?', as the system's own conversion
// does; the converter's substitute would be a two-byte character instead.
QByteArray encodeText(const QString& text) {
    QStringEncoder encoder(codecName);
    QByteArray bytes = encoder.encode(text);
    if (!encoder.hasError())
        return bytes;
    bytes.clear();
    for (qsizetype i = 0; i < text.size();) {
        const qsizetype n =
            text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate() ? 2
                                                                                             : 1;
        QStringEncoder one(codecName);
        const QByteArray part = one.encode(QStringView(text).mid(i, n));
        bytes += one.hasError() ? QByteArray("?") : part;
        i += n;
    }
    return bytes;
}

std::optional<int> parseInteger(QStringView text) {
    constexpr qint64 maxValue = std::numeric_limits<int>::max();
    if (text.size() >= 3 && text[0] == u'0' && (text[1] == u'x' || text[1] == u'X')) {
        qint64 value = 0;
        for (QChar c : text.mid(2)) {
            const char16_t u = c.unicode();
            int digit;
            if (u >= u'0' && u <= u'9')
                digit = u - u'0';
            else if (u >= u'a' && u <= u'f')
                digit = u - u'a' + 10;
            else if (u >= u'A' && u <= u'F')
                digit = u - u'A' + 10;
            else
                return std::nullopt;
            value = value * 16 + digit;
            if (value > maxValue)
                return std::nullopt;
        }
        return static_cast<int>(value);
    }
    qsizetype i = 0;
    bool negative = false;
    if (!text.isEmpty() && (text[0] == u'+' || text[0] == u'-')) {
        negative = text[0] == u'-';
        i = 1;
    }
    if (i >= text.size())
        return std::nullopt;
    qint64 value = 0;
    for (; i < text.size(); ++i) {
        const char16_t u = text[i].unicode();
        if (u < u'0' || u > u'9')
            return std::nullopt;
        value = value * 10 + (u - u'0');
        if (value > maxValue + 1)
            return std::nullopt;
    }
    if (negative)
        value = -value;
    if (value > maxValue)
        return std::nullopt;
    return static_cast<int>(value);
}

bool isBlankLine(const QByteArray& raw) {
    for (char c : raw) {
        if (c != ' ' && c != '\t' && c != '\v' && c != '\f')
            return false;
    }
    return true;
}

} // namespace

ProfileFile::Line ProfileFile::parseLine(const QByteArray& raw, bool firstLine) {
    Line line;
    line.raw = raw;
    // A file saved by an editor as UTF-8 may begin with a byte order mark;
    // it must not hide the first section heading.
    const QByteArray body = firstLine && raw.startsWith("\xEF\xBB\xBF") ? raw.mid(3) : raw;
    const QString text = decodeLine(body);
    const QStringView content = trimBlanks(text);
    if (content.startsWith(u'[')) {
        const qsizetype close = content.indexOf(u']');
        const QStringView name = close < 0 ? content.mid(1) : content.mid(1, close - 1);
        line.kind = Kind::Section;
        line.name = trimBlanks(name).toString();
        line.folded = line.name.toCaseFolded();
        return line;
    }
    if (content.startsWith(u';'))
        return line;
    const qsizetype equals = content.indexOf(u'=');
    if (equals < 0)
        return line;
    const QStringView key = trimBlanks(content.left(equals));
    if (key.isEmpty())
        return line;
    QStringView value = trimBlanks(content.mid(equals + 1));
    if (value.size() >= 2 && value.front() == u'"' && value.back() == u'"')
        value = value.mid(1, value.size() - 2);
    line.kind = Kind::Key;
    line.name = key.toString();
    line.folded = line.name.toCaseFolded();
    line.value = value.toString();
    return line;
}

bool ProfileFile::load(const QString& path, LoadStatus* status) {
    lines_.clear();
    LoadStatus found = LoadStatus::Read;
    const QFileInfo info(path);
    if (!info.exists() && !info.isSymLink()) {
        found = LoadStatus::Missing;
    } else if (!info.isFile()) {
        // Not a regular file (a folder, a pipe, a device): opening or reading
        // it could block or never end.
        found = LoadStatus::NotRegular;
    } else {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            found = LoadStatus::Unreadable;
        else {
            const QByteArray bytes = file.read(maxReadBytes + 1);
            if (file.error() != QFileDevice::NoError)
                found = LoadStatus::Unreadable;
            else if (!setBytes(bytes))
                found = LoadStatus::TooLarge;
        }
    }
    if (status)
        *status = found;
    if (found != LoadStatus::Read)
        lines_.clear();
    return found == LoadStatus::Read;
}

bool ProfileFile::setBytes(const QByteArray& bytes) {
    lines_.clear();
    if (bytes.size() > maxReadBytes)
        return false;
    const char* data = bytes.constData();
    const qsizetype size = bytes.size();

    // Count first, so an oversized file costs no line records.
    qsizetype count = 0;
    for (qsizetype i = 0; i < size; ++i) {
        if (data[i] == '\n' || (data[i] == '\r' && (i + 1 == size || data[i + 1] != '\n')))
            ++count;
    }
    if (size > 0 && data[size - 1] != '\r' && data[size - 1] != '\n')
        ++count;
    if (count > maxLines)
        return false;

    lines_.reserve(count);
    qsizetype start = 0;
    for (qsizetype i = 0; i < size; ++i) {
        const char c = data[i];
        if (c != '\r' && c != '\n')
            continue;
        lines_.append(parseLine(bytes.mid(start, i - start), lines_.isEmpty()));
        if (c == '\r' && i + 1 < size && data[i + 1] == '\n')
            ++i;
        start = i + 1;
    }
    if (start < size)
        lines_.append(parseLine(bytes.mid(start), lines_.isEmpty()));
    return true;
}

QByteArray ProfileFile::toBytes() const {
    QByteArray bytes;
    for (const Line& line : lines_) {
        bytes += line.raw;
        bytes += "\r\n";
    }
    return bytes;
}

QString ProfileFile::saveTarget(const QString& path) {
    if (path.isEmpty())
        return QString();
    const QFileInfo info(path);
    if (info.isSymLink()) {
        // The link stays; the file it leads to is replaced. A link to nothing
        // is refused: where it points may be a device to appear later.
        const QString end = info.canonicalFilePath();
        return !end.isEmpty() && QFileInfo(end).isFile() ? end : QString();
    }
    if (!info.exists() || info.isFile())
        return path;
    return QString();
}

bool ProfileFile::save(const QString& path) const {
    const QString target = saveTarget(path);
    if (target.isEmpty())
        return false;
    QDir().mkpath(QFileInfo(target).absolutePath());
    // Written as the lap file is: a full disk or a file-size limit must fail
    // the save instead of leaving a configuration cut off in the middle.
    QString reason;
    return replaceFileWith(target, toBytes(), reason);
}

qsizetype ProfileFile::findKeyIndex(const QString& section, const QString& key) const {
    const QString sectionFolded = section.toCaseFolded();
    const QString keyFolded = key.toCaseFolded();
    bool inSection = false;
    for (qsizetype i = 0; i < lines_.size(); ++i) {
        const Line& line = lines_[i];
        if (line.kind == Kind::Section)
            inSection = line.folded == sectionFolded;
        else if (inSection && line.kind == Kind::Key && line.folded == keyFolded)
            return i;
    }
    return -1;
}

const ProfileFile::Line* ProfileFile::findKey(const QString& section, const QString& key) const {
    const qsizetype index = findKeyIndex(section, key);
    return index < 0 ? nullptr : &lines_[index];
}

QString ProfileFile::readString(const QString& section, const QString& key,
                                const QString& defaultValue) const {
    const Line* line = findKey(section, key);
    return line ? line->value : defaultValue;
}

int ProfileFile::readInt(const QString& section, const QString& key, int defaultValue) const {
    const Line* line = findKey(section, key);
    if (!line)
        return defaultValue;
    return parseInteger(line->value).value_or(defaultValue);
}

bool ProfileFile::readBool(const QString& section, const QString& key, bool defaultValue) const {
    const Line* line = findKey(section, key);
    if (!line)
        return defaultValue;
    const std::optional<int> value = parseInteger(line->value);
    return value ? *value != 0 : defaultValue;
}

void ProfileFile::writeString(const QString& section, const QString& key, const QString& value) {
    // A line break inside a value would start a new line of the file and
    // could forge keys or sections.
    QString flat = value;
    flat.replace(u'\r', u' ').replace(u'\n', u' ');
    const QByteArray raw = encodeText(key + u'=' + flat);

    const qsizetype existing = findKeyIndex(section, key);
    if (existing >= 0) {
        lines_[existing] = parseLine(raw, existing == 0);
        return;
    }
    const QString sectionFolded = section.toCaseFolded();
    for (qsizetype i = 0; i < lines_.size(); ++i) {
        if (lines_[i].kind != Kind::Section || lines_[i].folded != sectionFolded)
            continue;
        // Trailing blank lines stay where they are, separating this section
        // from the next one.
        qsizetype insertAt = i + 1;
        for (qsizetype j = i + 1; j < lines_.size() && lines_[j].kind != Kind::Section; ++j) {
            if (!isBlankLine(lines_[j].raw))
                insertAt = j + 1;
        }
        lines_.insert(insertAt, parseLine(raw, false));
        return;
    }
    lines_.append(parseLine(encodeText(u'[' + section + u']'), lines_.isEmpty()));
    lines_.append(parseLine(raw, false));
}

void ProfileFile::writeInt(const QString& section, const QString& key, int value) {
    writeString(section, key, QString::number(value));
}

void ProfileFile::writeBool(const QString& section, const QString& key, bool value) {
    writeString(section, key, value ? QStringLiteral("1") : QStringLiteral("0"));
}

QStringList ProfileFile::keys(const QString& section) const {
    QStringList names;
    QSet<QString> seen; // folded names, so a junk file of many keys stays linear
    const QString sectionFolded = section.toCaseFolded();
    bool inSection = false;
    for (const Line& line : lines_) {
        if (line.kind == Kind::Section) {
            inSection = line.folded == sectionFolded;
        } else if (inSection && line.kind == Kind::Key && !seen.contains(line.folded)) {
            seen.insert(line.folded);
            names.append(line.name);
        }
    }
    return names;
}
