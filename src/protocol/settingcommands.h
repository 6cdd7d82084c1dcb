#pragma once
// Commands and value rules of the device settings page, formed from the rows of its
// items (protocol/settingitems.h).
#include "protocol/settingitems.h"

#include <QChar>
#include <QList>
#include <QString>
#include <QStringList>
#include <array>

namespace SettingCommands {

using SettingItems::Range;

// The caption of an item's row on the settings page.
QString caption(const SettingItems::Item& item);

// The read command line of an item, "\r\n" included; empty for 10 and unknown items.
QString readCommand(int item, DeviceModel model);

// Write commands. Each returns the full line, "\r\n" included.
// A RadioPair or Tick item: the write line for its first button (or ticked box) chosen,
// or for the second (or cleared box); empty for items of other controls.
QString choiceCommand(int item, bool first);
QString displayTypeCommand(bool realMode); // item 1
QString separatorCommand(bool colon);      // item 5
QString gapCommand(bool ticked);           // item 11
QString diameterCommand(int pulseTag);     // item 6, RK-12
// Item 6, RK-13: "@K:" + K × 100000 truncated toward zero; empty when the entry's text
// is not a number (the write does not happen).
QString kCommand(const QString& editText);
// K × 100000 truncated toward zero. The typed decimal is exact, its binary value may
// lie a hair below it: 0.00029 must give 29, not 28.
qint64 kToWireValue(double k);

// Items 2, 3, 4 and 7: the line for the edit's text, or an empty string when the text
// is empty, not an integer or outside the accepted range (nothing is then sent).
// The value goes into the command in decimal without leading zeros ("05" is sent as 5).
QString valueCommand(int item, const QString& editText);

// Values accepted for writing (items 2, 3, 4, 7); {0, -1} for other items.
Range writeRange(int item);
// Range of the item's up-down control, which limits a received value.
Range upDownRange(int item);
int clampToUpDown(int item, int value);

// The RK-12 pulse-factor buttons rabPulse1..rabPulse7: their Tags and captions.
inline constexpr std::array<int, 7> pulseTags{1, 2, 4, 8, 16, 20, 25};
inline constexpr std::array<const char*, 7> pulseCaptions{"1倍",  "2倍",  "4倍", "8倍",
                                                          "16倍", "20倍", "25倍"};
// Index 0..6 of the first pulse button whose Tag equals value, or -1.
int pulseButtonForTag(int value);

// edtKKeyPress: while the entry holds exactly one character only a control key or
// '.' is accepted; otherwise only a control key or a digit.
bool kEntryAcceptsKey(const QString& textBefore, QChar key);

// edtKExit: the entry's text checked when the focus leaves it.
struct KCheck {
    bool ok = false; // false (0, negative, above 9.99999 or not a number): show
                     // "正しい値を入力してください。" and give the entry the focus again
    QString formatted; // when ok: the text rewritten as "%7.5lf"
    double value = 0;
};
KCheck checkKEntry(const QString& text);
// The text of edtK as a number (conversion used by the write and the exit check).
bool parseK(const QString& text, double* value);

// A write about to be sent: its command (empty when the item's value cannot be written)
// and whether the value was read from the lap timer or entered by the user in this run.
struct PendingWrite {
    int tag = 0;
    QString command;
    bool known = false;
};
struct WriteCheck {
    QList<int> invalid;     // items whose value cannot be written
    QList<int> unconfirmed; // items to be written with a value nobody chose
};
// Every write of an All Write, checked before the first one is sent.
WriteCheck checkWrites(const QList<PendingWrite>& writes);
// What the user is told about items of the model that cannot be written (a warning)
// and the question before values nobody chose are written; each names the items by
// their captions.
QString invalidValuesMessage(const QList<int>& tags, DeviceModel model);
QString unconfirmedValuesQuestion(const QList<int>& tags, DeviceModel model);

// The command templates of cmbTemplate, in list order.
QStringList commandTemplates();

} // namespace SettingCommands
