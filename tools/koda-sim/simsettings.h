#pragma once

#include <QByteArray>

#include <optional>

namespace kodasim {

enum class WriteReply { Echo, Ok };

// The lap timer's settings memory. A read is answered with the reply key and value;
// a write stores a valid value and is answered with the key and the value now held
// (or "OK"). An invalid value is not stored and is answered the same way, so the
// sender sees the value the timer really has.
class SettingsStore {
public:
    SettingsStore(bool rk13, int lineCount, bool unpadded = false);

    // name is the command word without '@' (e.g. "CP"); value is what followed the
    // first ':' or nothing for a read. Empty result: not a setting of this model.
    std::optional<QByteArray> handle(const QByteArray& name, const std::optional<QByteArray>& value,
                                     WriteReply writeReply);

    char displayType = 'R';
    int lapDispTime = 5;
    int lineCount = 1;
    int passLines = 1;
    char separator = ':';
    int diameter = 4;
    int k = 12345;
    int sensorMarkTime = 3;
    int odo = 1234;
    QByteArray version = "1.23a";
    int gap = 0;

private:
    QByteArray replyFor(const QByteArray& name) const;
    QByteArray twoDigits(int value) const;
    bool store(const QByteArray& name, const QByteArray& value);
    bool rk13_;
    bool unpadded_;
};

} // namespace kodasim
