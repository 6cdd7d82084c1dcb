#include "serial/receptionarea.h"

#include <algorithm>

void ReceptionArea::append(const QByteArray& bytes, const QString& text) {
    // A caller may have lowered rxLength to take bytes over; rxBytes follows it.
    if (rxLength >= 0 && rxLength < rxBytes.size())
        rxBytes.truncate(rxLength);
    const qsizetype room = std::max<qsizetype>(0, kCapacity - rxBytes.size());
    rxBytes.append(bytes.constData(), std::min(room, bytes.size()));
    rxLength = int(rxBytes.size());
    rxText.append(text);
    rxComplete = true;
}

void ReceptionArea::clear() {
    rxBytes.resize(0);
    rxLength = 0;
    rxText.clear();
    rxComplete = false;
}
