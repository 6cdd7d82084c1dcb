// Fuzz target: scanning arbitrary receptions for radio frames, and the round trip of
// building a command frame from arbitrary bytes and scanning it back.
#include "protocol/radioframe.h"
#include "support/fuzzcheck.h"
#include "support/fuzzinput.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

using namespace RadioFrame;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArrayView reception = fuzzView(data, size);
    const FrameScanResult r = scanFrames(reception, 0x1234, 0x5678);

    qsizetype textBytes = 0;
    char lastBlink = 0;
    for (qsizetype i = 0; i < r.items.size(); ++i) {
        const FrameItem& item = r.items[i];
        fuzzCheck(item.bytes.size() <= qsizetype(size));
        if (item.kind == FrameItem::Kind::Text) {
            textBytes += item.bytes.size();
            continue;
        }
        // A lap or fuel frame is whole and long enough for its payload.
        const auto* b = reinterpret_cast<const quint8*>(item.bytes.constData());
        fuzzCheck(item.bytes.size() == b[4] && b[item.bytes.size() - 1] == Etx);
        fuzzCheck(frameChecksum(b, int(item.bytes.size()) - 2) == b[item.bytes.size() - 2]);
        if (item.kind == FrameItem::Kind::Fuel)
            fuzzCheck(item.bytes.size() >= FuelFrameLength);
        else
            fuzzCheck(item.bytes.size() >= lapFrameLength(item.recordCount));
        lastBlink = item.kind == FrameItem::Kind::Fuel ? KindFuelMeter : KindLapTimer;
    }
    // The antenna blinks for the last lap or fuel frame; a reply needs a text frame.
    fuzzCheck(r.blinkKind == lastBlink);
    fuzzCheck(!r.treatAsText || textBytes > 0 ||
              std::any_of(r.items.cbegin(), r.items.cend(), [](const FrameItem& item) {
                  return item.kind == FrameItem::Kind::Text;
              }));
    fuzzCheck(textBytes == r.replyText.size());

    // Whatever the command line, a frame is built only when it fits, and it scans back
    // as exactly that text.
    quint8 buffer[BufferSize + 8];
    std::memset(buffer, 0xEE, sizeof buffer);
    const BuiltFrame built = buildCommandFrame(buffer, 0x1234, reception);
    fuzzCheck(buffer[BufferSize] == 0xEE);
    if (size <= size_t(MaxPayload)) {
        fuzzCheck(built.length == int(size) + MinFrameLength);
        const QByteArrayView frame(reinterpret_cast<const char*>(buffer), built.length);
        const FrameScanResult back = scanFrames(frame, 0x1234, 0x5678);
        fuzzCheck(back.treatAsText && back.replyText == reception);
    } else {
        fuzzCheck(built.error == BuildError::TooLong && built.length == 0);
    }
    return 0;
}
