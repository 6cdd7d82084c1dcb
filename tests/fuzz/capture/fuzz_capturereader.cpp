// Fuzz target: the capture reader over arbitrary file bytes. Whatever it accepts, written
// again, reads back as the same records; every record's bytes are described piece by piece,
// each byte in exactly one piece.
#include "capture/capturefile.h"
#include "capture/framedescription.h"
#include "support/fuzzcheck.h"
#include "support/fuzzinput.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const capture::ReadResult read = capture::readCapture(fuzzView(data, size));
    fuzzCheck(read.ok() || read.records.isEmpty() || !read.error.isEmpty());
    if (!read.ok())
        return 0;
    QByteArray again = capture::fileHeader();
    for (const capture::Record& record : read.records) {
        again += capture::packetBlock(record);
        QByteArray joined;
        for (const capture::PieceDescription& piece : capture::describeBytes(record.bytes)) {
            fuzzCheck(!piece.summary.isEmpty());
            joined += piece.bytes;
        }
        fuzzCheck(joined == record.bytes);
    }
    const capture::ReadResult reread = capture::readCapture(again);
    fuzzCheck(reread.ok());
    fuzzCheck(reread.records == read.records);
    return 0;
}
