#pragma once
// The capture file's format, shared as a definition only: a pcapng file (the container
// Wireshark and tcpdump read) with one interface of link type USER0, whose packets are the
// line's bytes and the program's events. docs/capture.md describes it in full.
//
// Every block is written little-endian. Each Enhanced Packet Block's data begin with a
// 4-byte record header: the format version, the direction ('T' sent by the program, 'R'
// received by it, 'E' an event of the program) and two zero bytes. Then come the line's
// bytes, or for an event its kind, a NUL and its text, both UTF-8. Timestamps count
// microseconds since 1970-01-01 UTC (pcapng's default resolution).
//
// Header-only and QtCore-free so that koda-sim can read captures with its own reader
// without linking anything of the program.
#include <cstdint>

namespace captureformat {

constexpr std::uint32_t SectionHeaderBlock = 0x0A0D0D0A;
constexpr std::uint32_t InterfaceDescriptionBlock = 0x00000001;
constexpr std::uint32_t EnhancedPacketBlock = 0x00000006;
constexpr std::uint32_t ByteOrderMagic = 0x1A2B3C4D;
constexpr std::uint16_t MajorVersion = 1; // pcapng's own version
constexpr std::uint16_t MinorVersion = 0;
constexpr std::uint16_t LinkTypeUser0 = 147;

constexpr std::uint8_t FormatVersion = 1; // the record header's version
constexpr int RecordHeaderSize = 4;
constexpr char DirectionSent = 'T';
constexpr char DirectionReceived = 'R';
constexpr char DirectionEvent = 'E';

// Fixed parts of the blocks: type and both total lengths (12 bytes) around each body.
constexpr int BlockFrameSize = 12;
constexpr int PacketFixedBody = 20; // interface, timestamp high and low, captured, original

// An event's kind ends at the first NUL of its data; its text follows.
constexpr char EventKindEnd = '\0';

} // namespace captureformat
