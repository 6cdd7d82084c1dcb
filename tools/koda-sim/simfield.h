#pragma once

#include "simoptions.h"

#include <QByteArray>

namespace kodasim {

// What a real link does to a reply, drawn reply by reply from the seed: a push sharing
// its burst, a cut-off frame before it, a delay. Two replies in a row are never both
// spoiled, so a request the program sends again is answered cleanly.
class FieldLink {
public:
    enum class Spoil { None, SharedPush, PartialFrame, LostToLive };
    struct Draw {
        Spoil spoil = Spoil::None;
        bool pushFirst = false; // a shared push goes out before the reply
        int lateMs = 0;         // extra delay before the reply
    };

    explicit FieldLink(const SimOptions& options);

    // The fate of the next reply; pushes and partial frames only where the model has them,
    // and a live lap in place of a lost reply only for a settings request's reply.
    Draw next(bool canPush, bool framed, bool settingsReply = false);
    // count bytes of noise holding STX bytes, each followed four bytes on by a length
    // byte that ends the would-be frame inside the noise, so that a receiver scanning
    // by the frame rules skips the noise without touching what follows it.
    QByteArray strayStx(int count);
    // The first part of frame (at least its length byte, never all of it).
    QByteArray cut(const QByteArray& frame);
    // Where --list-pause splits an RK-12 list: the bytes sent before the pause, 1 to
    // size - 1, as --list-split asks.
    qsizetype listSplit(const QByteArray& list);

private:
    quint32 below(quint32 n);

    SimOptions options_;
    quint64 state_;
    bool lastSpoiled_ = false;
};

} // namespace kodasim
