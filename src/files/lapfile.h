#pragma once
// The lap file: writing the lap grid as a version "2.0" lap file, and the lap-list
// parser that turns a lap file (versions "1.0" and "2.0") or a lap list sent by the
// RK-12 lap timer back into grid cells, marks and label captions.
//
// The parser works on plain values: it reads the grid only through a LapCellReader
// and returns what an accepted file or list sets, so that nothing is changed unless
// the whole input was accepted.
#include "files/lapfiletokenizer.h"
#include "laps/laptable.h"

#include <QByteArray>
#include <QIODevice>
#include <QList>
#include <QString>
#include <array>
#include <functional>
#include <optional>

// Read-only view of the grid's text cells, in the lap table's columns and rows.
using LapCellReader = std::function<QString(int column, int row)>;

inline const QString lapFileFormatMessage = QStringLiteral("ファイル形式が違います。");
inline const QString lapFileMessageCaption = QStringLiteral("RIN-KODA");
inline const QString discardEditsMessage = QStringLiteral("データを保存しなくてもよろしいですか？");
inline const QString discardEditsCaption = QStringLiteral("KODA Monitor");
inline const QString lapFileDialogFilter = QStringLiteral("Csv files (*.csv)");
inline const QString lapFileDefaultSuffix = QStringLiteral("csv");

// "KODA Monitor", or "KODA Monitor - " and the path of the loaded lap file.
QString mainWindowCaption(const QString& lapFilePath = {});

// ---- Writing -------------------------------------------------------------------

// The last lap (1..300) whose row holds text beyond its lap number; 0 when none.
int lastShownLap(const LapCellReader& cells);

// The lap count a saved file carries in line 2, as text. When the best row shows a lap
// count (lap information, a loaded file or a lap list set it), the count label's caption
// unchanged, or the last lap shown when live laps have come in beyond it. Otherwise the
// caption is not the grid's (the window's design text "300", or laps cleared since), and
// the count is the last lap shown. Empty when the caption is empty and no lap is shown:
// there is nothing to save.
QString savedLapCount(const QString& lapsCaption, const LapCellReader& cells);

// The lines of a version "2.0" lap file without line ends. Line 2 carries
// savedLapCount, whose integer value decides how many lap lines follow. nullopt when
// there is nothing to save or the count is not an integer.
std::optional<QStringList> lapFileLines(const QString& lapsCaption, const LapCellReader& cells);

// The same lines as the file's bytes: Shift-JIS, CR LF after every line.
std::optional<QByteArray> lapFileBytes(const QString& lapsCaption, const LapCellReader& cells);

struct LapFileSave {
    enum class Status { Saved, NothingToSave, Failed };
    Status status = Status::Failed;
    QString path;
    QString reason; // the system's text when Failed
    bool saved() const { return status == Status::Saved; }
    // The text to show the user when Failed.
    QString message() const;
};

// Writes the lap file to path through a temporary file beside it that replaces the
// target only once it is complete: a failed save leaves an existing file untouched.
// An empty lap count caption with no lap shown writes nothing (NothingToSave).
LapFileSave saveLapFile(const QString& path, const QString& lapsCaption,
                        const LapCellReader& cells);

// ---- Reading -------------------------------------------------------------------

struct LapMarks {
    qint32 bestLap = 0;
    qint32 topSpeedLap = 0;
    std::array<qint32, LapTable::MaxSectors> fastestSector{};
    bool operator==(const LapMarks&) const = default;
};

struct LapCell {
    int column = 0;
    int row = 0;
    QString text;
    bool operator==(const LapCell&) const = default;
};

// What an accepted lap file or lap list sets. Cells are the final texts of every cell
// the parse wrote, in row then column order; all other cells keep their text.
struct LapListResult {
    QList<LapCell> cells;
    LapMarks marks;                         // every mark after the parse
    std::optional<QString> lapsCaption;     // lblLaps, when set
    std::optional<QString> fastestCaption;  // lblFastest, when set
    std::optional<QString> topSpeedCaption; // lblTopSpeed, when set
    std::optional<QString> sectorCaption;   // lblSector<sectorIndex> (sector lists), when set
    int version = 0;                        // 1 or 2 for a file ("1.0", "2.0"), 0 for a lap list
    int lapRows = 0;                        // lap lines written into the grid

    QString cell(int column, int row) const; // text set for a cell, empty if none
    bool hasCell(int column, int row) const;
};

struct LapListParse {
    enum class Failure { None, Format, Content, Read };
    std::optional<LapListResult> result; // only when accepted
    Failure failure = Failure::None;
    int line = 0;    // line at which a Content failure stopped the parse
    QString message; // what to tell the user (caption lapFileMessageCaption)
    bool accepted() const { return result.has_value(); }
};

enum class LapListForm { File, Device };

// What a lap list of the lap timer needs from the program besides its lines.
struct LapListState {
    qint32 sectorIndex = 0; // 0: the lap list, 1..MaxSectors: the list of that sector
    QString lapsCaption;    // lblLaps as it stands (sector lists)
    LapMarks marks;         // marks as they stand
};

// Most lines the parser reads: the four header lines and the lap lines of 300 laps
// plus one.
inline constexpr int lapFileMaxLines = 4 + LapTable::MaxLaps + 1;

// The lap-list parser. The file form reads a lap file; the device form reads a lap
// list of the RK-12 lap timer (sector given in state), for which cells gives the
// grid as it stands, since remarks are appended to what the remarks column holds.
LapListParse parseLapFile(LapListForm form, LapLineSource& lines, const LapListState& state = {},
                          const LapCellReader& cells = {});

// File form over the bytes of a whole file, or the device form over a received list.
LapListParse parseLapFile(LapListForm form, QByteArrayView text, const LapListState& state = {},
                          const LapCellReader& cells = {});

// Opens and parses the lap file at path, reading it line by line.
LapListParse loadLapFile(const QString& path);
