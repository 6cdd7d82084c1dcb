#include "simfield.h"

#include "simframe.h"

namespace kodasim {

FieldLink::FieldLink(const SimOptions& options)
    : options_(options), state_(options.seed * 0x9E3779B97F4A7C15ULL + 0x632BE59BD9B4E019ULL) {}

quint32 FieldLink::below(quint32 n) {
    // splitmix64: the same seed gives the same link.
    quint64 z = (state_ += 0x9E3779B97F4A7C15ULL);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    z ^= z >> 31;
    return n == 0 ? 0 : static_cast<quint32>(z % n);
}

FieldLink::Draw FieldLink::next(bool canPush, bool framed, bool settingsReply) {
    Draw d;
    const quint32 roll = below(100);
    const quint32 coin = below(2);
    const quint32 late = below(100);
    const quint32 lateMs = 300 + below(401);
    if (!lastSpoiled_) {
        const int push = canPush ? options_.sharedPushPercent : 0;
        const int partial = framed ? options_.partialFramePercent : 0;
        const int lost = framed && settingsReply ? options_.lostToLivePercent : 0;
        if (static_cast<int>(roll) < push)
            d.spoil = Spoil::SharedPush;
        else if (static_cast<int>(roll) < push + partial)
            d.spoil = Spoil::PartialFrame;
        else if (static_cast<int>(roll) < push + partial + lost)
            d.spoil = Spoil::LostToLive;
    }
    lastSpoiled_ = d.spoil != Spoil::None;
    d.pushFirst = coin == 1;
    if (static_cast<int>(late) < options_.latePercent)
        d.lateMs = static_cast<int>(lateMs);
    return d;
}

QByteArray FieldLink::strayStx(int count) {
    QByteArray out;
    while (out.size() < count) {
        const int left = count - static_cast<int>(out.size());
        if (left >= 5 && below(4) == 0) {
            // STX, three bytes, then a length that stays inside the noise. It is at least
            // 3, so that the length byte itself is never taken for an STX.
            const int length = 3 + static_cast<int>(below(static_cast<quint32>(left - 2)));
            out.append(kStx);
            for (int i = 0; i < 3; ++i)
                out.append(static_cast<char>(0x20 + below(0x5F)));
            out.append(static_cast<char>(length));
            continue;
        }
        char c = static_cast<char>(below(256));
        if (c == kStx)
            c = 0x7F;
        out.append(c);
    }
    return out;
}

QByteArray FieldLink::cut(const QByteArray& frame) {
    if (frame.size() <= 6)
        return frame.left(qMax<qsizetype>(frame.size() - 1, 0));
    return frame.left(5 + below(static_cast<quint32>(frame.size() - 5)));
}

qsizetype FieldLink::listSplit(const QByteArray& list) {
    const qsizetype size = list.size();
    if (size < 2)
        return -1;
    qsizetype at = size / 2;
    switch (options_.listSplit) {
    case ListSplit::Middle:
        break;
    case ListSplit::LastComma:
        at = list.lastIndexOf(',') + 1;
        break;
    case ListSplit::Random:
        at = 1 + below(static_cast<quint32>(size - 1));
        break;
    case ListSplit::At:
        at = options_.listSplitAt > 0 ? options_.listSplitAt : size + options_.listSplitAt;
        break;
    }
    return qBound<qsizetype>(1, at, size - 1);
}

} // namespace kodasim
