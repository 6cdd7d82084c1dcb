#pragma once
// Line and token rules of the lap file and of the lap timer's lap lists. Both are
// Shift-JIS text; separators are found byte by byte, with a double-byte character
// (lead byte 0x81-0x9F or 0xE0-0xFC) always stepped over as one unit.
#include <QByteArray>
#include <QByteArrayView>
#include <QIODevice>
#include <QList>
#include <QString>
#include <QStringList>

// True for the first byte of a Shift-JIS double-byte character.
constexpr bool isShiftJisLeadByte(unsigned char b) {
    return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}

// Splits text into lines at CR LF, a lone CR or a lone LF. The last line needs no
// line end; empty lines count. With maxLines >= 0 at most that many lines are returned.
QList<QByteArray> splitLapLines(QByteArrayView text, qsizetype maxLines = -1);

// Splits one line into tokens: leading blanks and control characters are skipped,
// a token in double quotes runs to the next lone quote ("" stands for one quote),
// any other token runs to the next comma or blank, and a blank separates tokens just
// as a comma does. A comma that ends the line adds a final empty token. A NUL byte
// ends the line's text: nothing after it is read.
QList<QByteArray> tokenizeLapLine(QByteArrayView line);

// One cell in comma-text form: unchanged, or in double quotes with inner quotes
// doubled when it holds a quote, a comma or a character with a code from 1 to 32.
QString commaTextCell(const QString& cell);

// Cells joined by "," in comma-text form.
QString commaTextLine(const QStringList& cells);

// Where lines come from while a lap file or lap list is parsed.
class LapLineSource {
public:
    enum class Status { Line, End, TooLong, Error };
    virtual ~LapLineSource() = default;
    // The next line without its line end.
    virtual Status next(QByteArray& line) = 0;
    // Why the last next() gave Error.
    virtual QString errorString() const { return {}; }
};

// Lines already in memory (a lap list received from the lap timer, a test).
class LapLineList : public LapLineSource {
public:
    explicit LapLineList(QList<QByteArray> lines) : lines_(std::move(lines)) {}
    Status next(QByteArray& line) override;

private:
    QList<QByteArray> lines_;
    qsizetype index_ = 0;
};

// Lines read from a device a chunk at a time, so that a huge file or a huge line
// never has to fit into memory: a line longer than maxLineLength bytes ends the
// reading with TooLong.
class LapLineReader : public LapLineSource {
public:
    static constexpr qsizetype defaultMaxLineLength = 64 * 1024;

    explicit LapLineReader(QIODevice& device, qsizetype maxLineLength = defaultMaxLineLength)
        : device_(device), maxLineLength_(maxLineLength) {}
    Status next(QByteArray& line) override;
    QString errorString() const override { return error_; }

private:
    bool fill();

    QIODevice& device_;
    qsizetype maxLineLength_;
    QByteArray buffer_;
    qsizetype pos_ = 0;
    bool failed_ = false;
    QString error_;
};
