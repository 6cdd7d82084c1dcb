#include "protocol/radioidentry.h"

namespace RadioIdEntry {

KeyDecision idEntryKeyPress(const QString& textBefore, int maxLength, QChar key) {
    const char16_t k = key.unicode();
    if (k < 0x20 || (k >= '0' && k <= '9')) {
        const int length = textBefore.contains(u'x') ? maxLength : DecimalMaxLength;
        return {true, key, length};
    }
    if (k == 'x' || k == 'X') {
        if (textBefore == u"0")
            return {true, QChar(u'x'), HexMaxLength};
        return {false, key, maxLength};
    }
    if ((k >= 'a' && k <= 'f') || (k >= 'A' && k <= 'F'))
        return {maxLength == HexMaxLength, key, maxLength};
    return {false, key, maxLength};
}

} // namespace RadioIdEntry
