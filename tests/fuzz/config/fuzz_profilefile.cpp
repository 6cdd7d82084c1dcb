// Any bytes as a configuration file: reading, writing and reading back must
// neither crash nor lose what was written.
#include "app/config/configuration.h"
#include "app/config/profilefile.h"
#include "support/fuzzcheck.h"
#include "support/fuzzinput.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

const QSize screen(1920, 1080);
const QSize window(1016, 649);

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    ProfileFile file;
    const bool usable = file.setBytes(fuzzBytes(data, size));
    ConfigurationValues values = readConfiguration(file, screen, window);
    file.keys(QStringLiteral("Ports"));
    values.courseLength = QStringLiteral("12.5");
    writeConfiguration(file, values);

    ProfileFile again;
    if (usable && again.setBytes(file.toBytes())) {
        const ConfigurationValues back = readConfiguration(again, screen, window);
        fuzzCheck(back.courseLength == values.courseLength && back.comPort == values.comPort &&
                  back.backColor == values.backColor);
    }
    return 0;
}
