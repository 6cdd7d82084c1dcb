#include "simsettings.h"

#include <QList>

#include <algorithm>
#include <array>

namespace kodasim {

namespace {

std::optional<int> intIn(const QByteArray& text, int low, int high) {
    bool ok = false;
    const int v = text.toInt(&ok);
    if (!ok || v < low || v > high)
        return std::nullopt;
    return v;
}

} // namespace

SettingsStore::SettingsStore(bool rk13, int lines, bool unpadded)
    : lineCount(lines), rk13_(rk13), unpadded_(unpadded) {}

// Two-digit fields: "05", or "5" as some lap timers send it.
QByteArray SettingsStore::twoDigits(int value) const {
    const QByteArray digits = QByteArray::number(value);
    return unpadded_ ? digits : digits.rightJustified(2, '0');
}

QByteArray SettingsStore::replyFor(const QByteArray& name) const {
    if (name == "DISPLAYTYPE")
        return QByteArray("DisplayType:") + displayType;
    if (name == "LAPDISPTIME")
        return "LapDispTime:" + twoDigits(lapDispTime);
    if (name == "CP")
        return "CP:" + QByteArray::number(lineCount);
    if (name == "PASSCP")
        return "PassCP:" + QByteArray::number(passLines);
    if (name == "SEPARATOR")
        return QByteArray("Separator:") + separator;
    if (name == "DIAMETER")
        return "Diameter:" + twoDigits(diameter);
    if (name == "K")
        return "K:" + QByteArray::number(k);
    if (name == "SENSORMARKTIME")
        return "SensorMarkTime:" + QByteArray::number(sensorMarkTime);
    if (name == "ODO")
        return "Odo:" + QByteArray::number(odo).rightJustified(5, '0');
    if (name == "VER")
        return "Version " + version;
    if (name == "GAP")
        return "GAP:" + QByteArray::number(gap);
    return {};
}

bool SettingsStore::store(const QByteArray& name, const QByteArray& value) {
    if (name == "DISPLAYTYPE") {
        if (value != "R" && value != "L")
            return false;
        displayType = value.at(0);
    } else if (name == "SEPARATOR") {
        if (value != ":" && value != "\"")
            return false;
        separator = value.at(0);
    } else if (name == "LAPDISPTIME" || name == "CP" || name == "PASSCP" ||
               name == "SENSORMARKTIME" || name == "GAP") {
        struct Range {
            const char* name;
            int low, high;
            int SettingsStore::*field;
        };
        static const std::array<Range, 5> ranges{{
            {"LAPDISPTIME", 1, 59, &SettingsStore::lapDispTime},
            {"CP", 1, 4, &SettingsStore::lineCount},
            {"PASSCP", 1, 4, &SettingsStore::passLines},
            {"SENSORMARKTIME", 0, 9, &SettingsStore::sensorMarkTime},
            {"GAP", 0, 1, &SettingsStore::gap},
        }};
        for (const Range& r : ranges) {
            if (name == r.name) {
                const auto v = intIn(value, r.low, r.high);
                if (!v)
                    return false;
                this->*(r.field) = *v;
            }
        }
    } else if (name == "DIAMETER") {
        static constexpr std::array<int, 7> factors{1, 2, 4, 8, 16, 20, 25};
        const auto v = intIn(value, 1, 25);
        if (!v || std::find(factors.begin(), factors.end(), *v) == factors.end())
            return false;
        diameter = *v;
    } else if (name == "K") {
        const auto v = intIn(value, 1, 999999);
        if (!v)
            return false;
        k = *v;
    } else {
        return false; // odometer and version are read-only
    }
    return true;
}

std::optional<QByteArray> SettingsStore::handle(const QByteArray& name,
                                                const std::optional<QByteArray>& value,
                                                WriteReply writeReply) {
    static const QList<QByteArray> common{"DISPLAYTYPE", "LAPDISPTIME",    "CP",  "PASSCP",
                                          "SEPARATOR",   "SENSORMARKTIME", "ODO", "VER"};
    const bool known =
        common.contains(name) || (rk13_ ? (name == "K" || name == "GAP") : name == "DIAMETER");
    if (!known)
        return std::nullopt;
    if (value) {
        store(name, *value);
        if (writeReply == WriteReply::Ok)
            return QByteArray("OK\r\n");
    }
    return replyFor(name) + "\r\n";
}

} // namespace kodasim
