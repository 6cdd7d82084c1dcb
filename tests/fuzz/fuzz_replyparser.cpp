// Fuzz target: the text-reply parser and the monitor's line rules on arbitrary bytes.
#include "protocol/devicetext.h"
#include "protocol/replyparser.h"
#include "protocol/trafficmonitor.h"
#include "support/fuzzcheck.h"
#include "support/fuzzinput.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArrayView text = fuzzView(data, size);
    const ParsedReply r = parseReply(text);
    const QByteArray trimmed = trimReply(text);
    fuzzCheck(trimmed.size() <= qsizetype(size));
    fuzzCheck(r.valueBytes.size() <= trimmed.size());
    switch (r.outcome) {
    case ParsedReply::Outcome::Ok:
        fuzzCheck(trimmed == "OK");
        break;
    case ParsedReply::Outcome::NoKey:
        fuzzCheck(r.key == ReplyKey::None);
        break;
    case ParsedReply::Outcome::MissingSelection:
        fuzzCheck(r.valueBytes.isEmpty());
        break;
    case ParsedReply::Outcome::Value:
    case ParsedReply::Outcome::ConversionError:
        fuzzCheck(r.key != ReplyKey::None && trimmed.contains(replyKeyText(r.key)));
        break;
    }
    if (r.key == ReplyKey::LInfo || r.key == ReplyKey::LData)
        fuzzCheck(!r.lines.isEmpty());

    const QString line = decodeDeviceText(text);
    const TrafficMonitor::LinePlan plan = TrafficMonitor::planMonitorLine(20000, line);
    fuzzCheck(plan.add == !line.isEmpty());
    fuzzCheck(plan.line.size() <= line.size());
    return 0;
}
