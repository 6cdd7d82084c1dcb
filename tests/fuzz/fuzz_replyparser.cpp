// Fuzz target: the text-reply parser and the monitor's line rules on arbitrary bytes.
#include "protocol/devicetext.h"
#include "protocol/replyparser.h"
#include "protocol/trafficmonitor.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {
void check(bool condition) {
    if (!condition)
        std::abort();
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArrayView text(reinterpret_cast<const char*>(data), qsizetype(size));
    const ParsedReply r = parseReply(text);
    const QByteArray trimmed = trimReply(text);
    check(trimmed.size() <= qsizetype(size));
    check(r.valueBytes.size() <= trimmed.size());
    switch (r.outcome) {
    case ParsedReply::Outcome::Ok:
        check(trimmed == "OK");
        break;
    case ParsedReply::Outcome::NoKey:
        check(r.key == ReplyKey::None);
        break;
    case ParsedReply::Outcome::MissingSelection:
        check(r.valueBytes.isEmpty());
        break;
    case ParsedReply::Outcome::Value:
    case ParsedReply::Outcome::ConversionError:
        check(r.key != ReplyKey::None && trimmed.contains(replyKeyText(r.key)));
        break;
    }
    if (r.key == ReplyKey::LInfo || r.key == ReplyKey::LData)
        check(!r.lines.isEmpty());

    const QString line = decodeDeviceText(text);
    const TrafficMonitor::LinePlan plan = TrafficMonitor::planMonitorLine(20000, line);
    check(plan.add == !line.isEmpty());
    check(plan.line.size() <= line.size());
    return 0;
}
