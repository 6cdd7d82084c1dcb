#pragma once
// Key filter of the two radio ID entries (edtID, edtIDQK11): an ID is typed either
// as "0x" and up to four hexadecimal digits, or as up to five decimal digits.
#include <QChar>
#include <QString>

namespace RadioIdEntry {

constexpr int DecimalMaxLength = 5;
constexpr int HexMaxLength = 6;

struct KeyDecision {
    bool accept = false;
    QChar key;     // the character to insert ('X' becomes 'x')
    int maxLength; // the entry's maximum length afterwards
};

// textBefore is the entry's text before the key is inserted.
KeyDecision idEntryKeyPress(const QString& textBefore, int maxLength, QChar key);

} // namespace RadioIdEntry
