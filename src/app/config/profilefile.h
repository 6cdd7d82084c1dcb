#pragma once
#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

// A Windows profile file (INI): "[Section]" headings followed by "key=value"
// lines, CP932 text. Reads and writes the same files as the system's profile
// routines, so a configuration file can move between the two worlds:
// - section and key names match without regard to case; the first of several
//   equal keys wins;
// - values lose surrounding blanks, and a value in matching double quotes
//   loses the quotes;
// - every line the program does not change (unknown sections and keys,
//   comments, blank lines, junk) is written back byte for byte in its place;
// - written lines end with CR LF; CR LF, LF and a lone CR are all read as
//   line ends.
class ProfileFile {
public:
    // A configuration file is a few hundred bytes. A file beyond these limits
    // is not read at all (only its first bytes are even looked at): keeping
    // just its head would put every key added at the end beyond the limit
    // again. Whoever saves decides what becomes of such a file.
    static constexpr qint64 maxReadBytes = 1024 * 1024;
    static constexpr qsizetype maxLines = 65536;

    // What load() found at the path.
    enum class LoadStatus {
        Read,       // the content is the file's
        Missing,    // nothing there (a link to nothing is not missing: NotRegular)
        NotRegular, // a folder, pipe, device, socket, or a link to one or to nothing
        Unreadable, // a regular file that could not be opened or read
        TooLarge,   // beyond maxReadBytes or maxLines
    };

    // Replaces the content with the file's. A missing, unreadable, oversized
    // or non-regular file leaves the content empty and returns false; status,
    // when given, tells which.
    bool load(const QString& path, LoadStatus* status = nullptr);
    // Writes a temporary file beside the target and renames it over the
    // target, so a failed write leaves the old file as it was. Creates the
    // target's folder when missing. Only a regular file is ever replaced: a
    // link to one is followed and stays a link; a path that leads anywhere
    // else is left untouched and the save fails (see saveTarget).
    bool save(const QString& path) const;
    // Where save() writes for path: path itself when nothing is there or it is
    // a regular file, the regular file a link leads to; empty when path is a
    // folder, a pipe, a device, a socket or a link to one of those or to
    // nothing (renaming a file over it would destroy what is there).
    static QString saveTarget(const QString& path);

    // The file's bytes as save() writes them, and the reverse (false, and
    // empty, when the bytes exceed the limits).
    QByteArray toBytes() const;
    bool setBytes(const QByteArray& bytes);
    void clear() { lines_.clear(); }

    QString readString(const QString& section, const QString& key,
                       const QString& defaultValue = QString()) const;
    // "0x"/"0X" and at least one more character: hexadecimal, otherwise
    // decimal with an optional sign. No number, or one outside 32 bits, gives
    // the default.
    int readInt(const QString& section, const QString& key, int defaultValue) const;
    // Any integer other than 0 is true; no number gives the default.
    bool readBool(const QString& section, const QString& key, bool defaultValue) const;

    // An existing key is replaced in place; a new key goes after the last
    // non-blank line of its section; a new section goes at the end of the file.
    // Line breaks inside a value are written as blanks, so a value can never
    // add lines of its own.
    void writeString(const QString& section, const QString& key, const QString& value);
    void writeInt(const QString& section, const QString& key, int value);
    void writeBool(const QString& section, const QString& key, bool value);

    // Key names of the section in file order, each name once.
    QStringList keys(const QString& section) const;

private:
    enum class Kind { Other, Section, Key };
    struct Line {
        QByteArray raw; // the line's bytes without its line end
        Kind kind = Kind::Other;
        QString name;   // section or key name
        QString folded; // name case-folded, for lookups without regard to case
        QString value;  // key value, trimmed and unquoted
    };

    static Line parseLine(const QByteArray& raw, bool firstLine);
    const Line* findKey(const QString& section, const QString& key) const;
    qsizetype findKeyIndex(const QString& section, const QString& key) const;

    QList<Line> lines_;
};
