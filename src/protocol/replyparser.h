#pragma once
// The lap timer's text replies: recognising the reply key and taking its value.
// Replies are parsed as bytes, one character per byte, as they came off the line.
#include "protocol/settingitems.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringList>

// The key word as it appears in a reply ("CP:", "Version", ...); empty for None.
QByteArray replyKeyText(ReplyKey key);

struct ParsedReply {
    enum class Outcome {
        NoKey,            // nothing to do (empty text, or no key in it)
        Ok,               // exactly "OK": the exchange is complete
        Value,            // a key with its value, ready to apply
        ConversionError,  // a numeric value that is not a number ("ERROR!!!")
        MissingSelection, // a selection key with no character after it: change nothing
    };
    Outcome outcome = Outcome::NoKey;
    ReplyKey key = ReplyKey::None;
    QByteArray valueBytes; // the characters taken after the key
    QString valueText;     // the same, decoded for display (Odo, Version, edit fields)
    char selection = 0;    // DisplayType / Separator / GAP: the character after the key
    int number = 0;        // LapDispTime, PassCP, CP, SensorMarkTime, Diameter
    double kValue = 0;     // K: the received number × 0.00001
    QString kText;         // K: kValue as "%7.5lf"
    QStringList lines;     // LInfo / LData: the text after the key, split into lines
};

// Removes blanks and control characters at both ends of a reply.
QByteArray trimReply(QByteArrayView text);

// Trims the reply and parses it.
ParsedReply parseReply(QByteArrayView text);

// A decimal integer as the replies and the settings page write them: leading blanks,
// an optional sign, then at least one digit and nothing else. Nullopt-like: ok false.
int parseDecimalInt(QByteArrayView text, bool* ok);
