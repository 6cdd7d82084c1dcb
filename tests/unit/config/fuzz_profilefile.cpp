// Any bytes as a configuration file: reading, writing and reading back must
// neither crash nor lose what was written.
#include "app/config/configuration.h"
#include "app/config/profilefile.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    ProfileFile file;
    const bool usable = file.setBytes(
        QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)));
    ConfigurationValues values = readConfiguration(file, QSize(1920, 1080), QSize(1016, 649));
    file.keys(QStringLiteral("Ports"));
    values.courseLength = QStringLiteral("12.5");
    writeConfiguration(file, values);

    ProfileFile again;
    if (usable && again.setBytes(file.toBytes())) {
        const ConfigurationValues back =
            readConfiguration(again, QSize(1920, 1080), QSize(1016, 649));
        if (back.courseLength != values.courseLength || back.comPort != values.comPort ||
            back.backColor != values.backColor)
            std::abort();
    }
    return 0;
}
