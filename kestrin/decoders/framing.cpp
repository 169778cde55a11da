#include "decoders/framing.h"

#include <array>
#include <optional>
#include <string_view>

namespace kestrin {
namespace {

using Table32 = std::array<uint32_t, 256>;

constexpr Table32 MakeReflectedTable(uint32_t polynomial) {
    Table32 table{};
    for (uint32_t i = 0; i < 256; ++i) {
        uint32_t c = i;
        for (int k = 0; k < 8; ++k) c = (c & 1u) ? (c >> 1) ^ polynomial : c >> 1;
        table[i] = c;
    }
    return table;
}

// MSB-first table for a CRC of width bits (8..32).
constexpr Table32 MakeForwardTable(uint32_t polynomial, int width) {
    Table32 table{};
    const uint32_t top = uint32_t{1} << (width - 1);
    const uint32_t mask = width == 32 ? 0xFFFFFFFFu : (uint32_t{1} << width) - 1;
    for (uint32_t i = 0; i < 256; ++i) {
        uint32_t c = i << (width - 8);
        for (int k = 0; k < 8; ++k) c = (c & top) ? ((c << 1) ^ polynomial) : (c << 1);
        table[i] = c & mask;
    }
    return table;
}

constexpr Table32 kOemTable = MakeReflectedTable(0xEDB88320u);
constexpr Table32 kCrc24qTable = MakeForwardTable(0x864CFBu, 24);
constexpr Table32 kCrc16Table = MakeForwardTable(0x1021u, 16);
constexpr Table32 kCrc32Table = MakeForwardTable(0x04C11DB7u, 32);

uint32_t ForwardCrc(const Table32& table, int width, ByteView bytes) {
    const uint32_t mask = width == 32 ? 0xFFFFFFFFu : (uint32_t{1} << width) - 1;
    uint32_t crc = 0;
    for (size_t i = 0; i < bytes.size(); ++i)
        crc = ((crc << 8) ^ table[((crc >> (width - 8)) ^ bytes.data()[i]) & 0xFFu]) & mask;
    return crc;
}

Frame Incomplete(size_t length = 0) {
    return {FrameStatus::kIncomplete, length};
}

// The verdict of a frame's sync: no frame when the view does not start with it, an
// incomplete frame when the view ends inside a matching sync (so that a frame split by the
// end of the data is not lost), and nothing when the sync is whole and the frame's own test
// goes on.
std::optional<Frame> SyncVerdict(ByteView v, std::string_view sync) {
    const size_t n = v.size() < sync.size() ? v.size() : sync.size();
    for (size_t i = 0; i < n; ++i) {
        if (v.data()[i] != static_cast<uint8_t>(sync[i])) return Frame{};
    }
    if (n == 0) return Frame{};
    if (n < sync.size()) return Incomplete();
    return std::nullopt;
}

}  // namespace

uint32_t OemCrc32(ByteView bytes) {
    uint32_t crc = 0;
    for (size_t i = 0; i < bytes.size(); ++i)
        crc = (crc >> 8) ^ kOemTable[(crc ^ bytes.data()[i]) & 0xFFu];
    return crc;
}

uint32_t Crc24q(ByteView bytes) {
    return ForwardCrc(kCrc24qTable, 24, bytes);
}
uint16_t BinexCrc16(ByteView bytes) {
    return static_cast<uint16_t>(ForwardCrc(kCrc16Table, 16, bytes));
}
uint32_t BinexCrc32(ByteView bytes) {
    return ForwardCrc(kCrc32Table, 32, bytes);
}

uint16_t Sum16(ByteView bytes) {
    uint32_t sum = 0;
    for (size_t i = 0; i < bytes.size(); ++i) sum += bytes.data()[i];
    return static_cast<uint16_t>(sum);
}

uint8_t Rt17Checksum(ByteView packet) {
    if (packet.size() < 4) return 0;
    const size_t length = packet.U8(3);
    return static_cast<uint8_t>(Sum16(packet.Sub(1, 3 + length)));
}

uint16_t UbxChecksum(ByteView bytes) {
    uint8_t a = 0, b = 0;
    for (size_t i = 0; i < bytes.size(); ++i) {
        a = static_cast<uint8_t>(a + bytes.data()[i]);
        b = static_cast<uint8_t>(b + a);
    }
    return static_cast<uint16_t>(a | (b << 8));
}

uint8_t BinexXor(ByteView bytes) {
    uint8_t x = 0;
    for (size_t i = 0; i < bytes.size(); ++i) x ^= bytes.data()[i];
    return x;
}

Frame OemFrameAt(ByteView v) {
    if (const auto verdict = SyncVerdict(v, "\xAA\x44\x12")) return *verdict;
    if (v.size() < 10) return Incomplete();
    const size_t header = v.U8(3);
    if (header < kOemMinHeader) return {};
    const size_t body = header + v.U16(8);
    const size_t length = body + 4;
    if (!v.Has(0, length)) return Incomplete(length);
    if (OemCrc32(v.Sub(0, body)) != v.U32(body)) return {FrameStatus::kBadChecksum, length};
    return {FrameStatus::kValid, length};
}

Frame HemisphereFrameAt(ByteView v) {
    if (const auto verdict = SyncVerdict(v, "$BIN")) return *verdict;
    if (v.size() < 8) return Incomplete();
    const size_t data = v.U16(6);
    const size_t length = data + 12;
    if (!v.Has(0, length)) return Incomplete(length);
    if (v.U8(data + 10) != '\r' || v.U8(data + 11) != '\n')
        return {FrameStatus::kBadTerminator, length};
    if (Sum16(v.Sub(8, data)) != v.U16(8 + data)) return {FrameStatus::kBadChecksum, length};
    return {FrameStatus::kValid, length};
}

Frame MulxFrameAt(ByteView v) {
    if (const auto verdict = SyncVerdict(v, "@MULX")) return *verdict;
    if (v.size() < 9) return Incomplete();
    const size_t length = v.U16(7);
    if (length < kMulxHeader) return {};
    if (!v.Has(0, length)) return Incomplete(length);
    if (Sum16(v.Sub(7, length - 7)) != v.U16(5)) return {FrameStatus::kBadChecksum, length};
    return {FrameStatus::kValid, length};
}

Frame Rt17PacketAt(ByteView v) {
    if (v.empty() || v.U8(0) != kRt17Stx) return {};
    if (v.size() < 4) return Incomplete();
    const size_t data = v.U8(3);
    const size_t length = data + 6;
    if (!v.Has(0, length)) return Incomplete(length);
    if (v.U8(data + 5) != kRt17Etx) return {FrameStatus::kBadTerminator, length};
    if (Rt17Checksum(v) != v.U8(data + 4)) return {FrameStatus::kBadChecksum, length};
    return {FrameStatus::kValid, length};
}

Frame Rtcm3FrameAt(ByteView v) {
    if (v.empty() || v.U8(0) != 0xD3) return {};
    if (v.size() < 3) return Incomplete();
    if (v.U8(1) & 0xFC) return {};
    const size_t message = ((v.U8(1) & 0x03u) << 8) | v.U8(2);
    const size_t length = message + 6;
    if (!v.Has(0, length)) return Incomplete(length);
    const uint32_t stored = static_cast<uint32_t>(v.UInt(message + 3, 3, Endian::kBig));
    if (Crc24q(v.Sub(0, message + 3)) != stored) return {FrameStatus::kBadChecksum, length};
    return {FrameStatus::kValid, length};
}

Frame UbxFrameAt(ByteView v) {
    if (const auto verdict = SyncVerdict(v, "\xB5\x62")) return *verdict;
    if (v.size() < 6) return Incomplete();
    const size_t payload = v.U16(4);
    const size_t length = payload + 8;
    if (!v.Has(0, length)) return Incomplete(length);
    if (UbxChecksum(v.Sub(2, payload + 4)) != v.U16(payload + 6))
        return {FrameStatus::kBadChecksum, length};
    return {FrameStatus::kValid, length};
}

bool IsAcceptedBinexId(uint32_t id) {
    switch (id) {
        case 0x00:
        case 0x01:
        case 0x02:
        case 0x03:
        case 0x05:
        case 0x7D:
        case 0x7E:
        case 0x7F:
            return true;
        default:
            return false;
    }
}

BinexRecord ParseBinexRecord(ByteView v) {
    BinexRecord r;
    const uint8_t sync = v.U8(0);
    if (v.empty() || (sync != 0xC2 && sync != 0xD2 && sync != 0xE2 && sync != 0xF2)) return r;
    r.order = (sync == 0xC2 || sync == 0xD2) ? Endian::kLittle : Endian::kBig;
    r.reversible = sync == 0xD2 || sync == 0xF2;
    // The record ID comes first: an ID that is not accepted rejects the record at once.
    const size_t idBytes = ReadUbnxi(v, 1, r.order, r.id);
    if (idBytes != 0 && !IsAcceptedBinexId(r.id)) return r;
    if (v.size() < 9 || idBytes == 0) {
        r.status = FrameStatus::kIncomplete;
        return r;
    }
    const size_t lengthBytes = ReadUbnxi(v, 1 + idBytes, r.order, r.messageLength);
    if (lengthBytes == 0) {
        r.status = FrameStatus::kIncomplete;
        return r;
    }
    r.messageOffset = 1 + idBytes + lengthBytes;
    const size_t covered = idBytes + lengthBytes + r.messageLength;
    size_t checksumBytes = 16;
    if (covered < 128) {
        checksumBytes = 1;
    } else if (covered < 4096) {
        checksumBytes = 2;
    } else if (covered <= 1048575) {
        checksumBytes = 4;
    }
    const size_t checksumAt = 1 + covered;
    r.length = checksumAt + checksumBytes + (r.reversible ? lengthBytes + 1 : 0);
    if (!v.Has(0, r.length)) {
        r.status = FrameStatus::kIncomplete;
        return r;
    }
    const ByteView body = v.Sub(1, covered);
    bool checksumOk = false;
    switch (checksumBytes) {
        case 1:
            checksumOk = BinexXor(body) == v.U8(checksumAt);
            break;
        case 2:
            checksumOk = BinexCrc16(body) == v.UInt(checksumAt, 2, r.order);
            break;
        case 4:
            checksumOk = BinexCrc32(body) == v.UInt(checksumAt, 4, r.order);
            break;
        default:
            checksumOk = false;
            break;  // 16-byte digests are not computed
    }
    if (!checksumOk) {
        r.status = FrameStatus::kBadChecksum;
        return r;
    }
    if (r.reversible) {
        const size_t trailer = checksumAt + checksumBytes;
        for (size_t i = 0; i < lengthBytes; ++i) {
            if (v.U8(trailer + i) != v.U8(1 + idBytes + lengthBytes - 1 - i)) {
                r.status = FrameStatus::kBadTerminator;
                return r;
            }
        }
        if (v.U8(trailer + lengthBytes) != (sync == 0xD2 ? 0xB4 : 0xB0)) {
            r.status = FrameStatus::kBadTerminator;
            return r;
        }
    }
    r.status = FrameStatus::kValid;
    return r;
}

}  // namespace kestrin
