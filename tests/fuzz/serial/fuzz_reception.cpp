// Fuzz target: the reception hand-off area under any sequence of hand-overs by the
// worker, take-overs by the receive dispatcher, the port search's reset and clears,
// checked against a plain model: the bytes since the last take-over, at most 12288 of
// them, later bytes dropped, and every display text kept.
//
// Input: a sequence of operations. Byte op % 4: 0 = hand over the next n bytes
// (n = the following byte, times 64 when op bit 2 is set); 1 = the dispatcher takes
// the reception over; 2 = the port search drops the pending bytes; 3 = clear.
#include "serial/receptionarea.h"
#include "support/fuzzcheck.h"
#include "support/fuzzinput.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    ReceptionArea area;
    QByteArray modelBytes;
    QString modelText;
    bool modelComplete = false;
    size_t i = 0;
    while (i < size) {
        const quint8 op = data[i++];
        switch (op % 4) {
        case 0: {
            size_t n = i < size ? data[i++] : 0;
            if (op & 0x04)
                n *= 64;
            n = std::min(n, size - i);
            const QByteArray bytes = fuzzBytes(data + i, n);
            i += n;
            const QString text = QString::fromLatin1(bytes);
            area.append(bytes, text);
            modelBytes.append(bytes.left(ReceptionArea::kCapacity - modelBytes.size()));
            modelText.append(text);
            modelComplete = true;
            break;
        }
        case 1: {
            // As the dispatcher: take rxLength bytes and the text, then empty the area.
            const QByteArray taken = area.rxBytes.left(area.rxLength);
            fuzzCheck(taken == modelBytes);
            fuzzCheck(area.rxText == modelText);
            fuzzCheck(area.rxComplete == modelComplete);
            area.rxComplete = false;
            area.rxText.clear();
            area.rxBytes.clear();
            area.rxLength = 0;
            modelBytes.clear();
            modelText.clear();
            modelComplete = false;
            break;
        }
        case 2:
            // As the port search: the pending bytes and text are dropped, rxBytes kept.
            area.rxComplete = false;
            area.rxText.clear();
            area.rxLength = 0;
            modelBytes.clear();
            modelText.clear();
            modelComplete = false;
            break;
        case 3:
            area.clear();
            modelBytes.clear();
            modelText.clear();
            modelComplete = false;
            break;
        }
        fuzzCheck(area.rxLength >= 0 && area.rxLength <= ReceptionArea::kCapacity);
        fuzzCheck(area.rxBytes.left(area.rxLength) == modelBytes);
    }
    return 0;
}
