// Framing tests and checksums of the board formats, shared by the format detector and the
// decoders. Each *At function looks at a view that starts at a candidate sync and reports
// what it found there without ever reading past the end of the view.
#pragma once

#include <cstddef>
#include <cstdint>

#include "decoders/byte_view.h"

namespace kestrin {

enum class FrameStatus {
    kNone,           // no sync here, or a header that cannot start a frame: move on by one byte
    kIncomplete,     // the frame runs past the end of the view: wait for more data
    kBadTerminator,  // the frame's closing bytes are wrong (CR LF, ETX, BINEX trailer)
    kBadChecksum,    // complete, but its checksum or CRC does not hold
    kValid,
};

struct Frame {
    FrameStatus status = FrameStatus::kNone;
    size_t length = 0;  // whole frame in bytes, known from kIncomplete on (0 if not yet read)

    bool valid() const { return status == FrameStatus::kValid; }
};

// --- checksums -------------------------------------------------------------------------

// OEM binary logs: reflected CRC-32 (polynomial 0xEDB88320), initial 0, no final XOR.
uint32_t OemCrc32(ByteView bytes);
// RTCM 3 (also SBAS and Galileo navigation words): CRC-24Q, polynomial 0x864CFB, initial 0.
uint32_t Crc24q(ByteView bytes);
// 16-bit sum of the bytes ("$BIN" data, "@MULX" bytes from offset 7).
uint16_t Sum16(ByteView bytes);
// RT17/RT27 packets: sum of status, type, length and data modulo 256.
uint8_t Rt17Checksum(ByteView packet);  // packet from STX; covers bytes 1 .. 3 + L
// UBX 8-bit Fletcher checksum over class, ID, length and payload: CK_A | CK_B << 8.
uint16_t UbxChecksum(ByteView bytes);
// BINEX checksums over ID, length and message.
uint8_t BinexXor(ByteView bytes);
uint16_t BinexCrc16(ByteView bytes);  // polynomial 0x1021, initial 0, MSB first
uint32_t BinexCrc32(ByteView bytes);  // polynomial 0x04C11DB7, initial 0, MSB first

// --- frames ----------------------------------------------------------------------------

// OEM binary log: AA 44 12, header length H (byte 3), message length L (uint16 at 8),
// CRC-32 after H + L bytes. Length H + L + 4. A header shorter than 20 bytes (which would
// not hold the week and milliseconds) is no frame.
Frame OemFrameAt(ByteView v);
constexpr size_t kOemMinHeader = 20;

// Hemisphere "$BIN": block ID (uint16 at 4), data length L (uint16 at 6), data, 16-bit sum,
// CR LF. Length L + 12.
Frame HemisphereFrameAt(ByteView v);

// "@MULX": 16-bit sum at 5 over bytes 7 .. N - 1, total length N (uint16 at 7), message ID
// at 9. A length below the 17-byte common header is no frame.
Frame MulxFrameAt(ByteView v);
constexpr size_t kMulxHeader = 17;

// RT17/RT27 packet: STX, status, type, length L, data, checksum, ETX. Length L + 6.
Frame Rt17PacketAt(ByteView v);
constexpr uint8_t kRt17Stx = 0x02, kRt17Etx = 0x03;
constexpr uint8_t kRt17NavigationData = 0x55, kRt17RawData = 0x57;

// RTCM 3: D3, six zero bits and a 10-bit length L, L message bytes, CRC-24Q over the
// L + 3 bytes before it. Length L + 6.
Frame Rtcm3FrameAt(ByteView v);
// Message number: the first 12 bits of the message of a frame.
inline uint32_t Rtcm3MessageNumber(ByteView frame) {
    return static_cast<uint32_t>(BitsMsb(frame, 24, 12));
}

// UBX: B5 62, class, ID, payload length L (uint16 at 4), payload, Fletcher checksum.
// Length L + 8.
Frame UbxFrameAt(ByteView v);
// Class and ID read together as a little-endian 16-bit value (0x1502 = RXM-RAWX).
inline uint16_t UbxClassId(ByteView frame) {
    return frame.U16(2);
}
constexpr uint16_t kUbxRxmRawx = 0x1502, kUbxRxmSfrbx = 0x1302;

// BINEX record: sync, record ID and length L as ubnxi, L message bytes, a checksum whose
// size follows the size of ID + length + message, and for the reversible syncs (D2, F2) a
// trailer of the length bytes reversed and a terminator.
struct BinexRecord {
    FrameStatus status = FrameStatus::kNone;
    size_t length = 0;  // the whole record; the scan continues there
    uint32_t id = 0;
    size_t messageOffset = 0;  // message start, from the sync byte
    uint32_t messageLength = 0;
    Endian order = Endian::kLittle;
    bool reversible = false;

    bool valid() const { return status == FrameStatus::kValid; }
    // The message bytes inside the view the record was parsed from.
    ByteView Message(ByteView v) const { return v.Sub(messageOffset, messageLength); }
};
// Record IDs the decoder accepts; any other makes the record invalid.
bool IsAcceptedBinexId(uint32_t id);
BinexRecord ParseBinexRecord(ByteView v);

}  // namespace kestrin
