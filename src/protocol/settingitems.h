#pragma once
// The lap timer's reply keys and the items of the device settings page, one row each.
// The reply parser, the setting commands, the receive dispatcher and the settings page
// all read these rows; adding an item is a row here plus the item's own controls.
#include "protocol/devicemodel.h"

#include <array>
#include <cstddef>
#include <string_view>

enum class ReplyKey {
    None,
    DisplayType,
    LapDispTime,
    PassCP,
    CP,
    Separator,
    Diameter,
    K,
    SensorMarkTime,
    Odo,
    Version,
    GAP,
    LInfo,
    LData,
};

// How the characters after a reply key are taken.
enum class ReplyValue {
    Selection, // one character that picks one of two settings
    Number,    // a decimal integer of up to `chars` characters
    KNumber,   // the rest of the reply: the number × 0.00001
    Text,      // up to `chars` characters after `skip` separators, shown as received
    Lines,     // the rest of the reply, as lines of lap data
};

struct ReplyKeyRow {
    ReplyKey key;
    std::string_view text; // the key word as it appears in a reply
    ReplyValue value;
    int skip;
    int chars;
};

// Keys in the order they are tested: the first one found anywhere in the reply decides.
// "PassCP:" precedes "CP:", which it contains.
inline constexpr ReplyKeyRow replyKeyRows[] = {
    {ReplyKey::DisplayType, "DisplayType:", ReplyValue::Selection, 0, 1},
    {ReplyKey::LapDispTime, "LapDispTime:", ReplyValue::Number, 0, 2},
    {ReplyKey::PassCP, "PassCP:", ReplyValue::Number, 0, 1},
    {ReplyKey::CP, "CP:", ReplyValue::Number, 0, 1},
    {ReplyKey::Separator, "Separator:", ReplyValue::Selection, 0, 1},
    {ReplyKey::Diameter, "Diameter:", ReplyValue::Number, 0, 2},
    {ReplyKey::K, "K:", ReplyValue::KNumber, 0, 0},
    {ReplyKey::SensorMarkTime, "SensorMarkTime:", ReplyValue::Number, 0, 1},
    {ReplyKey::Odo, "Odo:", ReplyValue::Text, 0, 5},
    // "Version" is followed by one separator (a blank or a colon), then the version.
    {ReplyKey::Version, "Version", ReplyValue::Text, 1, 5},
    {ReplyKey::GAP, "GAP:", ReplyValue::Selection, 0, 1},
    {ReplyKey::LInfo, "LInfo:", ReplyValue::Lines, 0, 0},
    {ReplyKey::LData, "LData:", ReplyValue::Lines, 0, 0},
};

inline constexpr std::array<ReplyKey, std::size(replyKeyRows)> replyKeyOrder = [] {
    std::array<ReplyKey, std::size(replyKeyRows)> order{};
    for (std::size_t i = 0; i < order.size(); ++i)
        order[i] = replyKeyRows[i].key;
    return order;
}();

// The first row of a table that satisfies pred; nullptr when none does.
template <typename Row, std::size_t N, typename Pred>
constexpr const Row* firstRowWhere(const Row (&rows)[N], Pred pred) {
    for (const Row& row : rows)
        if (pred(row))
            return &row;
    return nullptr;
}

// The row of a key; nullptr for None.
constexpr const ReplyKeyRow* replyKeyRow(ReplyKey key) {
    return firstRowWhere(replyKeyRows, [key](const ReplyKeyRow& row) { return row.key == key; });
}

namespace SettingItems {

// Items are numbered by the Tag of their Read/Write buttons; 10 is All Read / All Write.
constexpr int AllItems = 10;
// The vehicle-speed sensor item: pulse-factor buttons on an RK-12, the pulse-width entry
// K on an RK-13; the page switches its caption and controls with the model.
constexpr int PulseItem = 6;

// How an item shows its value on the settings page.
enum class Control {
    RadioPair,   // two radio buttons; the reply character picks one
    Tick,        // a tick box; the reply character ticks or clears it
    Number,      // an entry with an up-down spinner
    PulseFactor, // the seven pulse-factor buttons
    KEntry,      // the pulse-width entry
    Display,     // a read-only value panel
};

struct Range {
    int min;
    int max;
};
inline constexpr Range NoRange{0, -1};

// Models as bits: the models that show an item.
constexpr unsigned modelBit(DeviceModel model) {
    return 1u << unsigned(model);
}
inline constexpr unsigned AllModels = modelBit(DeviceModel::RK12) | modelBit(DeviceModel::RK13);

struct Item {
    int tag;
    ReplyKey reply;
    std::string_view caption;     // empty: the page sets it (item 6 follows the model)
    std::string_view readCommand; // sent with "\r\n"
    std::string_view writeKey;    // the write command up to its value; empty: read only
    Control control;
    // RadioPair and Tick: the reply and write character of the first button (or of the
    // ticked box), then of the second (or of the cleared box).
    char first;
    char second;
    Range write;  // values accepted for writing
    Range upDown; // range of the up-down spinner, which limits a received value
    unsigned models;
    bool inReadAll;
    bool inWriteAll;
};

// In Tag order: All Read and All Write go down the rows marked for them.
// clang-format off
inline constexpr Item items[] = {
    //  reply key               caption
    //  read command         write key            control              first second
    //  write    up-down  models                        read all  write all
    {1, ReplyKey::DisplayType, "計測中の表示タイプ （ｔｙP）",
        "@DISPLAYTYPE",      "@DISPLAYTYPE:",     Control::RadioPair,  'R', 'L',
        NoRange, NoRange, AllModels,                    true,     true},
    {2, ReplyKey::LapDispTime, "REALモード    表示時間 （ｔｍ）",
        "@LAPDISPTIME",      "@LAPDISPTIME:",     Control::Number,     0,   0,
        {1, 59}, {1, 59}, AllModels,                    true,     true},
    {3, ReplyKey::CP, "磁気ラインの数 （CP）",
        "@CP",               "@CP:",              Control::Number,     0,   0,
        {1, 4},  {1, 4},  AllModels,                    true,     true},
    {4, ReplyKey::PassCP, "通過する磁気ラインの数 （PAS）",
        "@PASSCP",           "@PASSCP:",          Control::Number,     0,   0,
        {1, 4},  {1, 4},  AllModels,                    true,     true},
    {5, ReplyKey::Separator, "時間表示用セパレータ  （SEP）",
        "@SEPARATOR",        "@SEPARATOR:",       Control::RadioPair,  ':', '"',
        NoRange, NoRange, AllModels,                    true,     true},
    {6, ReplyKey::Diameter, "車速センサパルス倍率   （PLS）",
        "@DIAMETER",         "@DIAMETER:",        Control::PulseFactor, 0,  0,
        NoRange, NoRange, modelBit(DeviceModel::RK12),  true,     true},
    {6, ReplyKey::K, "車速センサパルス幅 0.00001～         9.99999   （K）",
        "@K",                "@K:",               Control::KEntry,     0,   0,
        NoRange, NoRange, modelBit(DeviceModel::RK13),  true,     true},
    {7, ReplyKey::SensorMarkTime, "センサ有効時間",
        "@SENSORMARKTIME",   "@SENSORMARKTIME:",  Control::Number,     0,   0,
        {1, 9},  {0, 9},  AllModels,                    true,     true},
    {8, ReplyKey::Odo, "累計走行距離",
        "@ODO",              {},                  Control::Display,    0,   0,
        NoRange, NoRange, AllModels,                    true,     false},
    {9, ReplyKey::Version, "F/W バージョン",
        "@VER",              {},                  Control::Display,    0,   0,
        NoRange, NoRange, AllModels,                    true,     false},
    {11, ReplyKey::GAP, "タイム差表示",
        "@GAP",              "@GAP:",             Control::Tick,       '1', '0',
        NoRange, NoRange, modelBit(DeviceModel::RK13),  false,    false},
};
// clang-format on

// The first row with a tag: what does not depend on the model (its caption, ranges and
// whether it can be written). nullptr for All (10) and unknown tags.
constexpr const Item* firstRow(int tag) {
    return firstRowWhere(items, [tag](const Item& item) { return item.tag == tag; });
}

// The row of an item for a model: the one the model shows, else the first with the tag
// (a command asked of a model that hides the item still reaches the lap timer).
// nullptr for All (10) and unknown tags.
constexpr const Item* find(int tag, DeviceModel model) {
    const Item* shown = firstRowWhere(items, [tag, model](const Item& item) {
        return item.tag == tag && (item.models & modelBit(model)) != 0;
    });
    return shown ? shown : firstRow(tag);
}

// The position of a row in items: arrays that keep something per row are indexed by it.
constexpr std::size_t rowIndex(const Item& row) {
    return std::size_t(&row - items);
}

// The row whose value a reply key carries; nullptr for keys of no item (LInfo, LData).
constexpr const Item* forReply(ReplyKey key) {
    return firstRowWhere(items, [key](const Item& item) { return item.reply == key; });
}

constexpr bool shownFor(const Item& item, DeviceModel model) {
    return (item.models & modelBit(model)) != 0;
}

// The item after tag in the All Read (or All Write) chain for a model; 0 at its end.
constexpr int nextInChain(int tag, DeviceModel model, bool writing) {
    for (const Item& item : items) {
        if (item.tag <= tag || !(writing ? item.inWriteAll : item.inReadAll))
            continue;
        if (find(item.tag, model) == &item)
            return item.tag;
    }
    return 0;
}
// The first item of the chain.
constexpr int firstInChain(DeviceModel model, bool writing) {
    return nextInChain(0, model, writing);
}

// Whether the page has a row with this Tag (All Read / All Write included).
constexpr bool hasRow(int tag) {
    return tag == AllItems || firstRow(tag) != nullptr;
}

// Tags are below this: arrays indexed by Tag have this size.
inline constexpr int TagLimit = [] {
    int limit = AllItems + 1;
    for (const Item& item : items)
        limit = item.tag >= limit ? item.tag + 1 : limit;
    return limit;
}();

} // namespace SettingItems
