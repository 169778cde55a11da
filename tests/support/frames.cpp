#include "support/frames.h"

#include "decoders/framing.h"
#include "support/bytes.h"

namespace testsupport {
namespace {

kestrin::ByteView View(const std::string& s) {
    return kestrin::ByteView(s);
}

}  // namespace

std::string OemFrame(uint16_t messageId, std::string_view body, uint16_t week, int32_t msOfWeek) {
    Bytes b;
    b.Raw("\xAA\x44\x12")
        .U8(28)
        .U16(messageId)
        .U8(0)
        .U8(0)
        .U16(body.size())
        .U16(0)
        .U8(0)
        .U8(0)
        .U16(week)
        .U32(static_cast<uint32_t>(msOfWeek))
        .U32(0)
        .U16(0)
        .U16(0)
        .Raw(body);
    std::string frame = b.str();
    return frame + Bytes().U32(kestrin::OemCrc32(View(frame))).str();
}

std::string HemisphereFrame(uint16_t blockId, std::string_view data) {
    const std::string payload(data);
    return Bytes()
        .Raw("$BIN")
        .U16(blockId)
        .U16(data.size())
        .Raw(data)
        .U16(kestrin::Sum16(View(payload)))
        .Raw("\r\n")
        .str();
}

std::string MulxFrame(uint16_t messageId, std::string_view body, uint32_t towMs, uint16_t week) {
    std::string frame = Bytes()
                            .Raw("@MULX")
                            .U16(0)
                            .U16(17 + body.size())
                            .U16(messageId)
                            .U32(towMs)
                            .U16(week)
                            .Raw(body)
                            .str();
    const uint16_t sum = kestrin::Sum16(View(frame).From(7));
    frame[5] = static_cast<char>(sum & 0xFF);
    frame[6] = static_cast<char>(sum >> 8);
    return frame;
}

std::string Rt17Packet(uint8_t type, std::string_view data, uint8_t status) {
    std::string packet =
        Bytes().U8(kestrin::kRt17Stx).U8(status).U8(type).U8(data.size()).Raw(data).str();
    return packet + Bytes().U8(kestrin::Rt17Checksum(View(packet))).U8(kestrin::kRt17Etx).str();
}

std::string Rt17RawRecord(uint8_t recordType, uint8_t reply, uint8_t flags, std::string_view content,
                          size_t pageContent, std::vector<std::string>* pages) {
    if (pageContent == 0 || pageContent > 251) pageContent = 251;
    const size_t count = content.empty() ? 1 : (content.size() + pageContent - 1) / pageContent;
    std::string all;
    for (size_t i = 0; i < count; ++i) {
        const std::string_view part = content.substr(i * pageContent, pageContent);
        const uint8_t pageByte = static_cast<uint8_t>(((i + 1) << 4) | (count & 0x0F));
        std::string packet = Rt17Packet(
            kestrin::kRt17RawData,
            Bytes().U8(recordType).U8(pageByte).U8(reply).U8(flags).Raw(part).str());
        if (pages) pages->push_back(packet);
        all += packet;
    }
    return all;
}

std::string Rtcm3Frame(std::string_view message) {
    std::string frame = Bytes(true).U8(0xD3).U16(message.size() & 0x3FF).Raw(message).str();
    return frame + Bytes(true).U24(kestrin::Crc24q(View(frame))).str();
}

std::string Rtcm3Message(uint16_t number, size_t size) {
    BitWriter bits;
    bits.U(number, 12);
    std::string message = bits.str();
    message.resize(size < message.size() ? message.size() : size, '\0');
    return Rtcm3Frame(message);
}

std::string Rtcm3MsmMessage(uint16_t number, uint32_t epochField, bool moreFollow,
                            const std::vector<MsmSatellite>& sats,
                            const std::vector<MsmCell>& cells) {
    const int type = number % 10;
    const bool high = type >= 6, extended = type == 5 || type == 7;
    uint64_t satMask = 0;
    uint32_t sigMask = 0;
    for (const MsmSatellite& s : sats) satMask |= uint64_t{1} << (64 - s.id);
    for (const MsmCell& c : cells) sigMask |= uint32_t{1} << (32 - c.signalId);
    std::vector<int> sigIds;
    for (int id = 1; id <= 32; ++id)
        if (sigMask >> (32 - id) & 1u) sigIds.push_back(id);

    BitWriter w;
    w.U(number, 12).U(0, 12).U(epochField, 30).U(moreFollow ? 1 : 0, 1).U(0, 18);
    w.U(satMask, 64).U(sigMask, 32);
    for (const MsmSatellite& s : sats)
        for (int id : sigIds) {
            bool present = false;
            for (const MsmCell& c : cells) present |= c.satId == s.id && c.signalId == id;
            w.U(present ? 1 : 0, 1);
        }
    if (type >= 4)
        for (const MsmSatellite& s : sats) w.U(s.roughMs, 8);
    if (extended)
        for (const MsmSatellite& s : sats) w.U(s.extended, 4);
    for (const MsmSatellite& s : sats) w.U(s.roughMod, 10);
    if (extended)
        for (const MsmSatellite& s : sats) w.S(s.roughRate, 14);
    if (type != 2)
        for (const MsmCell& c : cells) w.S(c.fineRange, high ? 20 : 15);
    if (type >= 2) {
        for (const MsmCell& c : cells) w.S(c.finePhase, high ? 24 : 22);
        for (const MsmCell& c : cells) w.U(c.lock, high ? 10 : 4);
        for (const MsmCell& c : cells) w.U(c.halfCycle, 1);
    }
    if (type >= 4)
        for (const MsmCell& c : cells) w.U(c.cnr, high ? 10 : 6);
    if (extended)
        for (const MsmCell& c : cells) w.S(c.fineRate, 15);
    return w.str();
}

std::string UbxFrame(uint8_t messageClass, uint8_t id, std::string_view payload) {
    std::string frame =
        Bytes().Raw("\xB5\x62").U8(messageClass).U8(id).U16(payload.size()).Raw(payload).str();
    return frame + Bytes().U16(kestrin::UbxChecksum(View(frame).From(2))).str();
}

std::string Ubnxi(uint32_t value, bool bigEndian) {
    // Split into 7-bit groups (and an 8-bit fourth byte), most significant group per order.
    size_t count = value < (1u << 7) ? 1 : value < (1u << 14) ? 2 : value < (1u << 21) ? 3 : 4;
    uint32_t parts[4] = {0, 0, 0, 0};
    if (bigEndian) {
        uint32_t rest = value;
        for (size_t i = count; i-- > 0;) {
            const unsigned bits = (i == 3) ? 8 : 7;
            parts[i] = rest & ((1u << bits) - 1);
            rest >>= bits;
        }
    } else {
        for (size_t i = 0; i < count; ++i) parts[i] = (value >> (7 * i)) & (i == 3 ? 0xFF : 0x7F);
    }
    std::string out;
    for (size_t i = 0; i < count; ++i) {
        const bool more = i + 1 < count && i < 3;
        out.push_back(static_cast<char>(parts[i] | (more ? 0x80 : 0)));
    }
    return out;
}

std::string BinexRecordBytes(uint32_t id, std::string_view message, bool bigEndian,
                             bool reversible) {
    const std::string lengthBytes = Ubnxi(static_cast<uint32_t>(message.size()), bigEndian);
    const std::string body = Ubnxi(id, bigEndian) + lengthBytes + std::string(message);
    const uint8_t sync = bigEndian ? (reversible ? 0xF2 : 0xE2) : (reversible ? 0xD2 : 0xC2);
    Bytes out(bigEndian);
    out.U8(sync).Raw(body);
    const kestrin::ByteView v = View(body);
    if (body.size() < 128) {
        out.U8(kestrin::BinexXor(v));
    } else if (body.size() < 4096) {
        out.U16(kestrin::BinexCrc16(v));
    } else {
        out.U32(kestrin::BinexCrc32(v));
    }
    if (reversible) {
        out.Raw(std::string(lengthBytes.rbegin(), lengthBytes.rend()));
        out.U8(bigEndian ? 0xB0 : 0xB4);
    }
    return out.str();
}

}  // namespace testsupport
