#include "files/lapfile.h"
#include "files/filewrite.h"

#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QStringDecoder>
#include <QStringEncoder>

namespace {

constexpr char codec[] = "windows-31j";

// The lap timer counts laps in 16 bits; a lap count caption beyond that cannot come
// from a lap timer, and writing billions of empty lap lines would only fill the disk.
constexpr qint64 maxSavedLapLines = 65535;

const QString allLapsFormat = QStringLiteral("全ラップ %1");

QByteArray toShiftJis(const QString& text) {
    QStringEncoder encoder(codec);
    return encoder.encode(text);
}

const QByteArray& bestRowWord() {
    static const QByteArray word = toShiftJis(QStringLiteral("ベスト"));
    return word;
}

std::optional<qint32> integerValue(QByteArrayView text) {
    bool ok = false;
    const int value = QByteArray(text.data(), text.size()).toInt(&ok, 10);
    if (!ok)
        return std::nullopt;
    return value;
}

// Cells that hold a line break or a NUL would split or cut their lap line in the
// file; they are written with a blank instead.
QString singleLine(QString cell) {
    for (QChar& c : cell) {
        if (c == u'\r' || c == u'\n' || c == u'\0')
            c = u' ';
    }
    return cell;
}

QStringList rowCells(const LapCellReader& cells, int row) {
    QStringList list;
    for (int column = 0; column < LapTable::ColumnCount; ++column)
        list.append(singleLine(cells(column, row)));
    return list;
}

const QString& failedReadText() {
    static const QString text = QStringLiteral("ファイルを読み込めませんでした。");
    return text;
}

// The parse of one lap file or lap list. Every check that fails records why and
// returns false; the caller then returns no result at all.
class LapListParser {
public:
    LapListParser(LapLineSource& source, const LapListState& state, const LapCellReader& cells)
        : source_(source), state_(state), cells_(cells) {
        result_.marks = state.marks;
    }

    LapListParse parseFile();
    LapListParse parseDevice();

private:
    enum class Next { Line, End, Failed };

    Next nextLine(QList<QByteArray>& tokens);
    bool rejectFormat() {
        parse_.failure = LapListParse::Failure::Format;
        parse_.message = lapFileFormatMessage;
        return false;
    }
    bool failContent() {
        parse_.failure = LapListParse::Failure::Content;
        parse_.line = lineNumber_;
        parse_.message = failedReadText() +
                         QStringLiteral("\r\n%1行目の内容を読み取れません。").arg(lineNumber_);
        return false;
    }
    bool failRead() {
        parse_.failure = LapListParse::Failure::Read;
        parse_.line = lineNumber_ + 1;
        parse_.message = failedReadText() + QStringLiteral("\r\n") + source_.errorString();
        return false;
    }
    bool failTooLong() {
        ++lineNumber_;
        parse_.failure = LapListParse::Failure::Content;
        parse_.line = lineNumber_;
        parse_.message =
            failedReadText() + QStringLiteral("\r\n%1行目が長すぎます。").arg(lineNumber_);
        return false;
    }
    // A line that must be there; a missing one fails the parse.
    bool requireLine(QList<QByteArray>& tokens) {
        switch (nextLine(tokens)) {
        case Next::Line:
            return true;
        case Next::End:
            ++lineNumber_;
            return failContent();
        case Next::Failed:
            return false;
        }
        return false;
    }
    bool integerToken(const QList<QByteArray>& tokens, int index, qint32& value) {
        if (index >= tokens.size())
            return failContent();
        const auto v = integerValue(tokens.at(index));
        if (!v)
            return failContent();
        value = *v;
        return true;
    }
    // The best row's mark cells are empty when the lap timer named no such lap; an
    // empty cell reads as no mark.
    bool markToken(const QList<QByteArray>& tokens, int index, qint32& value) {
        if (index >= tokens.size())
            return failContent();
        if (tokens.at(index).isEmpty()) {
            value = 0;
            return true;
        }
        return integerToken(tokens, index, value);
    }
    // The first two lines, which every file and list has. False when there are fewer (a
    // Format failure, unless reading itself failed) or reading failed.
    bool firstTwoLines(QList<QByteArray>& first, QList<QByteArray>& second) {
        if (nextLine(first) == Next::Line && nextLine(second) == Next::Line)
            return true;
        if (parse_.failure == LapListParse::Failure::None)
            rejectFormat();
        return false;
    }
    // Reads the lap lines up to the end of the input and hands each line of laps 1..300 to
    // lapLine(lap, row, tokens); lines beyond lap 300 are read but not used. False when
    // reading failed or lapLine did.
    template <typename LapLine> bool lapLines(LapLine&& lapLine) {
        QList<QByteArray> tokens;
        for (int lap = 1;; ++lap) {
            const Next next = nextLine(tokens);
            if (next == Next::Failed)
                return false;
            if (next == Next::End)
                return true;
            if (lap > LapTable::MaxLaps)
                continue;
            if (!lapLine(lap, LapTable::rowOfLap(lap), tokens))
                return false;
            result_.lapRows = lap;
        }
    }
    bool lapCountLine(const QList<QByteArray>& tokens);
    bool topSpeedTokens(const QList<QByteArray>& tokens, bool apply);
    bool bestRow(const QList<QByteArray>& tokens);
    // The best row's remarks cell: "全ラップ" and the lap count.
    void setLapCountCell(qint32 count) {
        setCell(LapTable::ColRemarks, LapTable::SummaryRow, allLapsFormat.arg(count));
    }
    // The best row names the best lap under the lap time and under the average speed.
    void setBestLapCells(const QString& lap) {
        setCell(LapTable::ColTime, LapTable::SummaryRow, lap);
        setCell(LapTable::ColAverage, LapTable::SummaryRow, lap);
    }
    void setCell(int column, int row, const QString& text) {
        if (column >= 0 && column < LapTable::ColumnCount && row >= 0 && row < LapTable::RowCount)
            written_.insert(row * LapTable::ColumnCount + column, text);
    }
    QString cellText(int column, int row) const {
        const auto it = written_.constFind(row * LapTable::ColumnCount + column);
        if (it != written_.constEnd())
            return *it;
        return cells_ ? cells_(column, row) : QString();
    }
    LapListParse accept();
    // One decoder for all tokens; stateless, so a stray lead byte at the end of one
    // token cannot reach into the next.
    QString fromShiftJis(QByteArrayView bytes) { return decoder_.decode(bytes); }

    QStringDecoder decoder_{codec, QStringConverter::Flag::Stateless};
    LapLineSource& source_;
    const LapListState& state_;
    const LapCellReader& cells_;
    LapListResult result_;
    LapListParse parse_;
    QMap<int, QString> written_;
    int lineNumber_ = 0;
    qint32 lapCount_ = 0;
};

LapListParser::Next LapListParser::nextLine(QList<QByteArray>& tokens) {
    if (lineNumber_ >= lapFileMaxLines)
        return Next::End;
    QByteArray line;
    switch (source_.next(line)) {
    case LapLineSource::Status::Line:
        ++lineNumber_;
        tokens = tokenizeLapLine(line);
        return Next::Line;
    case LapLineSource::Status::End:
        return Next::End;
    case LapLineSource::Status::TooLong:
        failTooLong();
        return Next::Failed;
    case LapLineSource::Status::Error:
        failRead();
        return Next::Failed;
    }
    return Next::Failed;
}

// "Laps" and the lap count: the count label takes the token as text, the best row's
// last cell its value.
bool LapListParser::lapCountLine(const QList<QByteArray>& tokens) {
    if (tokens.isEmpty() || tokens.at(0) != "Laps")
        return rejectFormat();
    if (!integerToken(tokens, 1, lapCount_))
        return false;
    result_.lapsCaption = fromShiftJis(tokens.at(1));
    setLapCountCell(lapCount_);
    return true;
}

// The tokens after the best lap of a summary line: "Top", "Speed", "Lap" and the
// top-speed lap. A token that the previous one calls for must be there.
bool LapListParser::topSpeedTokens(const QList<QByteArray>& tokens, bool apply) {
    static const char* const words[] = {"Top", "Speed", "Lap"};
    for (int i = 0; i < 3; ++i) {
        if (tokens.size() <= 3 + i)
            return rejectFormat();
        if (tokens.at(3 + i) != words[i])
            return true;
    }
    if (tokens.size() <= 6)
        return rejectFormat();
    if (!apply)
        return true;
    if (!integerToken(tokens, 6, result_.marks.topSpeedLap))
        return false;
    const QString lap = fromShiftJis(tokens.at(6));
    result_.topSpeedCaption = lap;
    setCell(LapTable::ColTopSpeed, LapTable::SummaryRow, lap);
    return true;
}

// The best row as saved, one token per column: "ベスト", the best lap, the
// fastest-sector laps, the top-speed lap, the best lap again, and "全ラップ" with the
// lap count, which the blank between them makes two tokens.
bool LapListParser::bestRow(const QList<QByteArray>& tokens) {
    for (int column = 0; column + 1 < tokens.size() && column < LapTable::ColumnCount; ++column)
        setCell(column, LapTable::SummaryRow, fromShiftJis(tokens.at(column)));
    if (!markToken(tokens, LapTable::ColTime, result_.marks.bestLap))
        return false;
    for (int s = 0; s < LapTable::MaxSectors; ++s) {
        if (!markToken(tokens, LapTable::sectorColumn(s), result_.marks.fastestSector[s]))
            return false;
    }
    if (!markToken(tokens, LapTable::ColTopSpeed, result_.marks.topSpeedLap))
        return false;
    // A best row saved while the grid showed no lap count (live laps only, or a grid
    // clear and a remark) ends without one; the count of line 2 then stands.
    const int countToken = LapTable::ColRemarks + 1;
    if (tokens.size() <= countToken || tokens.at(countToken).isEmpty()) {
        setLapCountCell(lapCount_);
        return true;
    }
    qint32 count = 0;
    if (!integerToken(tokens, countToken, count))
        return false;
    setLapCountCell(count);
    return true;
}

LapListParse LapListParser::accept() {
    for (auto it = written_.cbegin(); it != written_.cend(); ++it)
        result_.cells.append(LapCell{it.key() % LapTable::ColumnCount,
                                     it.key() / LapTable::ColumnCount, it.value()});
    parse_.result = std::move(result_);
    return std::move(parse_);
}

LapListParse LapListParser::parseFile() {
    QList<QByteArray> first;
    QList<QByteArray> second;
    if (!firstTwoLines(first, second))
        return parse_;

    lineNumber_ = 1;
    if (first.size() < 5 || first.at(0) != "RIN" || first.at(1) != "KODA" ||
        first.at(2) != "Terminal" || first.at(3) != "Version") {
        rejectFormat();
        return parse_;
    }
    if (first.at(4) == "1.0")
        result_.version = 1;
    else if (first.at(4) == "2.0")
        result_.version = 2;
    else {
        rejectFormat();
        return parse_;
    }

    lineNumber_ = 2;
    result_.marks = LapMarks{};
    if (!lapCountLine(second))
        return parse_;

    QList<QByteArray> tokens;
    if (!requireLine(tokens))
        return parse_;
    if (tokens.size() >= 2 && tokens.at(0) == "Fastest" && tokens.at(1) == "Lap") {
        if (lapCount_ > 0) {
            if (!integerToken(tokens, 2, result_.marks.bestLap))
                return parse_;
            const QString lap = fromShiftJis(tokens.at(2));
            result_.fastestCaption = lap;
            setBestLapCells(lap);
            if (result_.version == 2 && !topSpeedTokens(tokens, true))
                return parse_;
        }
    } else if (!tokens.isEmpty() && tokens.at(0) == bestRowWord()) {
        if (!bestRow(tokens))
            return parse_;
    } else {
        rejectFormat();
        return parse_;
    }

    // The fourth line (the headings) is not read, but a file must have it.
    if (!requireLine(tokens))
        return parse_;

    const bool read = lapLines([this](int, int row, const QList<QByteArray>& line) {
        if (line.isEmpty())
            return failContent();
        if (result_.version == 2) {
            // Version 2.0 holds every column of the row.
            for (int column = 0; column < line.size() && column < LapTable::ColumnCount; ++column)
                setCell(column, row, fromShiftJis(line.at(column)));
            return true;
        }
        // Version 1.0: the lap number, the lap time and the remarks.
        if (line.size() < 2 || line.at(1).isEmpty())
            return failContent();
        QByteArray time = line.at(1);
        if (time.startsWith(" 0"))
            time.remove(0, 2);
        setCell(LapTable::ColLap, row, fromShiftJis(line.at(0)));
        setCell(LapTable::ColTime, row, fromShiftJis(time));
        if (line.size() >= 3)
            setCell(LapTable::ColRemarks, row, fromShiftJis(line.at(2)));
        return true;
    });
    return read ? accept() : parse_;
}

LapListParse LapListParser::parseDevice() {
    const qint32 sector = state_.sectorIndex;
    if (sector < 0 || sector > LapTable::MaxSectors) {
        failContent();
        return parse_;
    }
    QList<QByteArray> first;
    QList<QByteArray> second;
    if (!firstTwoLines(first, second))
        return parse_;

    lineNumber_ = 1;
    if (sector == 0) {
        if (!lapCountLine(first))
            return parse_;
    } else {
        const auto count = integerValue(toShiftJis(state_.lapsCaption));
        if (!count) {
            failContent();
            return parse_;
        }
        lapCount_ = *count;
    }

    // The lap list carries lap times, a sector list the times of its sector.
    const int timeColumn = sector == 0 ? LapTable::ColTime : LapTable::sectorColumn(sector - 1);
    lineNumber_ = 2;
    if (second.size() < 2 || second.at(0) != "Fastest" ||
        (second.at(1) != "Lap" && second.at(1) != "Sector")) {
        rejectFormat();
        return parse_;
    }
    if (lapCount_ > 0) {
        qint32& mark =
            sector == 0 ? result_.marks.bestLap : result_.marks.fastestSector[sector - 1];
        if (!integerToken(second, 2, mark))
            return parse_;
        const QString lap = fromShiftJis(second.at(2));
        if (sector == 0) {
            result_.fastestCaption = lap;
            setBestLapCells(lap);
        } else {
            result_.sectorCaption = lap;
            setCell(timeColumn, LapTable::SummaryRow, lap);
        }
    }
    if (!topSpeedTokens(second, lapCount_ > 0))
        return parse_;

    // The third line is not read; the lap lines follow it.
    QList<QByteArray> tokens;
    if (nextLine(tokens) == Next::Failed)
        return parse_;
    if (lineNumber_ == 3) {
        const bool read = lapLines([&](int lap, int row, const QList<QByteArray>& line) {
            // The lap number, the time and, in the lap list, the top speed.
            if (line.size() < (sector == 0 ? 3 : 2))
                return failContent();
            setCell(LapTable::ColLap, row, fromShiftJis(line.at(0)));
            setCell(timeColumn, row, fromShiftJis(line.at(1)).mid(1));
            QString remark;
            if (sector == 0) {
                setCell(LapTable::ColTopSpeed, row, fromShiftJis(line.at(2)));
                if (lap == result_.marks.bestLap)
                    remark += QStringLiteral("FL ");
                if (lap == result_.marks.topSpeedLap)
                    remark += QStringLiteral("TS ");
            } else if (lap == result_.marks.fastestSector[sector - 1]) {
                remark = QStringLiteral("FS%1 ").arg(sector);
            }
            if (!remark.isEmpty())
                setCell(LapTable::ColRemarks, row, cellText(LapTable::ColRemarks, row) + remark);
            return true;
        });
        if (!read)
            return parse_;
    }
    return accept();
}

} // namespace

QString mainWindowCaption(const QString& lapFilePath) {
    if (lapFilePath.isEmpty())
        return QStringLiteral("KODA Monitor");
    return QStringLiteral("KODA Monitor - ") + lapFilePath;
}

int lastShownLap(const LapCellReader& cells) {
    for (int lap = LapTable::MaxLaps; lap >= 1; --lap) {
        for (int column = 0; column < LapTable::ColumnCount; ++column) {
            if (column != LapTable::ColLap && !cells(column, LapTable::rowOfLap(lap)).isEmpty())
                return lap;
        }
    }
    return 0;
}

QString savedLapCount(const QString& lapsCaption, const LapCellReader& cells) {
    const int shown = lastShownLap(cells);
    // Without a lap count in the best row the caption is not the grid's: it is the
    // window's design text, or it belongs to laps cleared since.
    if (cells(LapTable::ColRemarks, LapTable::SummaryRow).isEmpty()) {
        if (lapsCaption.isEmpty() && shown == 0)
            return {};
        return QString::number(shown);
    }
    // Live laps may have come in beyond the laps the lap information announced.
    const auto count = integerValue(lapsCaption.toLatin1());
    if (count && *count < shown)
        return QString::number(shown);
    return lapsCaption;
}

std::optional<QStringList> lapFileLines(const QString& lapsCaption, const LapCellReader& cells) {
    const QString countText = savedLapCount(lapsCaption, cells);
    if (countText.isEmpty())
        return std::nullopt;
    const auto count = integerValue(countText.toLatin1());
    if (!count)
        return std::nullopt;
    QStringList lines;
    lines.append(QStringLiteral("RIN KODA Terminal Version 2.0"));
    lines.append(QStringLiteral("Laps,") + countText);
    lines.append(rowCells(cells, LapTable::SummaryRow).join(u','));
    lines.append(rowCells(cells, LapTable::HeadingRow).join(u','));
    const qint64 laps = std::min<qint64>(*count, maxSavedLapLines);
    for (qint64 lap = 1; lap <= laps; ++lap) {
        if (lap <= LapTable::MaxLaps)
            lines.append(commaTextLine(rowCells(cells, LapTable::rowOfLap(int(lap)))));
        else
            lines.append(QString(LapTable::ColumnCount - 1, u',')); // a row of empty cells
    }
    return lines;
}

std::optional<QByteArray> lapFileBytes(const QString& lapsCaption, const LapCellReader& cells) {
    const auto lines = lapFileLines(lapsCaption, cells);
    if (!lines)
        return std::nullopt;
    QString text;
    for (const QString& line : *lines) {
        text += line;
        text += QStringLiteral("\r\n");
    }
    return toShiftJis(text);
}

QString LapFileSave::message() const {
    return fileSaveFailedMessage(path, reason);
}

LapFileSave saveLapFile(const QString& path, const QString& lapsCaption,
                        const LapCellReader& cells) {
    LapFileSave save;
    save.path = path;
    const QString countText = savedLapCount(lapsCaption, cells);
    if (countText.isEmpty()) {
        save.status = LapFileSave::Status::NothingToSave;
        return save;
    }
    const auto bytes = lapFileBytes(lapsCaption, cells);
    if (!bytes) {
        save.reason = QStringLiteral("ラップ数「%1」が数値ではありません。").arg(countText);
        return save;
    }
    if (!replaceFileWith(path, *bytes, save.reason))
        return save;
    save.status = LapFileSave::Status::Saved;
    return save;
}

QString LapListResult::cell(int column, int row) const {
    for (const LapCell& c : cells) {
        if (c.column == column && c.row == row)
            return c.text;
    }
    return {};
}

bool LapListResult::hasCell(int column, int row) const {
    for (const LapCell& c : cells) {
        if (c.column == column && c.row == row)
            return true;
    }
    return false;
}

LapListParse parseLapFile(LapListForm form, LapLineSource& lines, const LapListState& state,
                          const LapCellReader& cells) {
    LapListParser parser(lines, state, cells);
    return form == LapListForm::File ? parser.parseFile() : parser.parseDevice();
}

LapListParse parseLapFile(LapListForm form, QByteArrayView text, const LapListState& state,
                          const LapCellReader& cells) {
    LapLineList lines(splitLapLines(text, lapFileMaxLines));
    return parseLapFile(form, lines, state, cells);
}

LapListParse loadLapFile(const QString& path) {
    // Opening a named pipe or a device would wait for a writer (or read for ever)
    // with the window frozen: only a regular file is a lap file.
    const QFileInfo info(path);
    if (info.exists() && !info.isFile()) {
        LapListParse parse;
        parse.failure = LapListParse::Failure::Read;
        parse.message =
            failedReadText() + QStringLiteral("\r\n%1\r\n通常のファイルではありません。").arg(path);
        return parse;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        LapListParse parse;
        parse.failure = LapListParse::Failure::Read;
        parse.message =
            failedReadText() + QStringLiteral("\r\n%1\r\n%2").arg(path, file.errorString());
        return parse;
    }
    LapLineReader reader(file);
    return parseLapFile(LapListForm::File, reader);
}
