#pragma once
// The binary frames exchanged with the radio units (RK-13 lap timer, QK-11 fuel
// meter): building the PC's frames and scanning a reception for the units' frames.
//
// Layout, both directions: STX, unit kind, radio ID high, radio ID low, length L
// (the whole frame, STX to ETX), code, payload (L - 8 bytes), XOR checksum over
// bytes 0..L-3, ETX.
#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>
#include <QtGlobal>

namespace RadioFrame {

constexpr quint8 Stx = 0x02;
constexpr quint8 Etx = 0x03;
constexpr char KindLapTimer = 'L';
constexpr char KindFuelMeter = 'F';

constexpr int HeaderSize = 6;
constexpr int MinFrameLength = 8;
// The PC builds its frames in a buffer of this size (TMainForm::frameBuffer).
constexpr int BufferSize = 80;
constexpr int MaxPayload = BufferSize - MinFrameLength; // 72

constexpr quint8 CodeText = 0x01;          // PC -> RK-13: command line
constexpr quint8 CodeLapRequest = 0x02;    // PC -> RK-13: lap-data request
constexpr quint8 CodeLapBlock = 0x82;      // RK-13 -> PC: 20 lap records
constexpr quint8 CodeLiveLap = 0x83;       // RK-13 -> PC: newest 3 laps
constexpr quint8 CodeFuel = 0x01;          // QK-11 -> PC
constexpr quint8 CodeFuelAlternate = 0x81; // QK-11 -> PC

constexpr int LapBlockRecords = 20;
constexpr int LiveLapRecords = 3;
constexpr int LapRecordSize = 12;
// Frame length a lap frame needs: header, first lap number, records, checksum, ETX.
constexpr int lapFrameLength(int records) {
    return HeaderSize + 2 + records * LapRecordSize + 2;
}
constexpr int FuelPayloadSize = 15;
constexpr int FuelFrameLength = MinFrameLength + FuelPayloadSize; // 23

// What readRadioId gives for an entry that is not a number.
constexpr int NotANumberId = 99999;

// The ID entry text as an integer: optional leading blanks, an optional sign, then
// decimal digits, or hexadecimal digits after "0x", "0X", "x", "X" or "$".
// Anything else, and values beyond 32 bits, give NotANumberId.
int readRadioId(const QString& text);
// Only 0..0xFFFF can be put into a frame or matched against a received one.
bool isUsableRadioId(int id);

quint8 frameChecksum(const quint8* bytes, int count);

// Writes the 6-byte header of a PC frame (length byte 0 for now) and returns 6,
// or returns -1 and writes nothing when the ID is not usable.
int beginFrame(quint8* buffer, int radioId, quint8 code);
// n bytes (header and payload) are in place: sets the length byte to n + 2, then
// appends the checksum and ETX. Returns the frame length n + 2. The buffer must
// hold n + 2 bytes.
int finishFrame(quint8* buffer, int n);

// Whether a command line (line end included) fits into one frame of BufferSize bytes.
bool commandFitsFrame(QByteArrayView commandLine);

enum class BuildError { None, BadRadioId, TooLong, NoLap };
struct BuiltFrame {
    int length = 0; // bytes written to the buffer; 0 when nothing was built
    BuildError error = BuildError::None;
};
// A text command frame (code 0x01) in a buffer of at least BufferSize bytes. A line
// longer than MaxPayload is refused rather than cut, so no half command goes out.
BuiltFrame buildCommandFrame(quint8* buffer, int radioId, QByteArrayView commandLine);
// A lap-data request (code 0x02) for a lap number taken as 16 bits; lap 0 builds nothing.
BuiltFrame buildLapRequestFrame(quint8* buffer, int radioId, int lapNumber);

// One QK-11 reading, in the order showFuelData takes them.
struct FuelReading {
    quint32 distance = 0; // 0.1 km
    float remaining = 0;  // litres
    float used = 0;       // litres
    float economy = 0;    // km per litre
};
// Decodes the 15-byte payload that starts at frame offset 6.
FuelReading decodeFuelPayload(const quint8* payload);

// One accepted frame of a reception.
struct FrameItem {
    enum class Kind {
        Text,     // RK-13 text reply: bytes = payload
        LapBlock, // RK-13 code 0x82: bytes = whole frame, recordCount 20
        LiveLap,  // RK-13 code 0x83: bytes = whole frame, recordCount 3
        Fuel,     // QK-11 reading: bytes = whole frame, fuel decoded
    };
    Kind kind = Kind::Text;
    QByteArray bytes;
    int recordCount = 0;
    FuelReading fuel;
};

// What a reception's frames ask the main window to do. Every accepted frame is kept, in
// order of arrival: a burst may carry a reply beside a fuel reading or a live lap, and
// several pushes may pile up in one reception.
struct FrameScanResult {
    QList<FrameItem> items; // accepted frames in order of arrival
    QByteArray replyText;   // text payloads joined in order, one character per byte
    // Parse replyText as a text reply: the lap timer sent at least one text frame, and no
    // broken candidate or noise came after the last of them (the reply may have lost a
    // part). Lap and fuel frames and other units' frames are no reply and spoil none.
    bool treatAsText = false;
    // The unit whose antenna indicator blinks last (0 = none): 'L' lap frame, 'F' fuel frame.
    char blinkKind = 0;

    // The last lap or fuel frame, or nullptr.
    const FrameItem* lastLapOrFuel() const;
    // Whether a lap frame (block or live lap) was accepted.
    bool hasLapFrame() const;
    bool hasLiveLap() const;
};

// Scans the bytes of one reception for frames. idLapTimer / idFuelMeter are the
// readRadioId values of the two ID entries; an unusable ID matches no frame.
FrameScanResult scanFrames(QByteArrayView reception, int idLapTimer, int idFuelMeter);

} // namespace RadioFrame
