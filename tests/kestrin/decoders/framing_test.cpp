#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "decoders/framing.h"
#include "support/bytes.h"
#include "support/frames.h"

using namespace kestrin;
using testsupport::Bytes;

namespace {

const std::string kCheck = "123456789";

// Bit-by-bit form of the OEM CRC, as the board documentation gives it.
uint32_t OemCrcBitwise(const std::string& s) {
    uint32_t crc = 0;
    for (unsigned char c : s) {
        uint32_t t = (crc ^ c) & 0xFF;
        for (int k = 0; k < 8; ++k) t = (t & 1) ? (t >> 1) ^ 0xEDB88320u : t >> 1;
        crc = (crc >> 8) ^ t;
    }
    return crc;
}

// Runs a framing test on an exactly sized heap copy, so that the sanitizers see any read
// past the end of the sample.
template <class Result>
Result OnCopy(const std::function<Result(ByteView)>& test, const std::string& bytes) {
    std::vector<uint8_t> copy(bytes.begin(), bytes.end());
    return test(ByteView(copy.data(), copy.size()));
}

struct FormatCase {
    const char* name;
    std::function<Frame(ByteView)> test;
    std::string frame;
    size_t checksumByte;  // a byte whose change breaks the checksum
};

std::vector<FormatCase> Cases() {
    const std::string body(40, '\x5A');
    return {
        {"oem", OemFrameAt, testsupport::OemFrame(43, body, 2000, 345000), 30},
        {"hemisphere", HemisphereFrameAt, testsupport::HemisphereFrame(96, body), 9},
        {"mulx", MulxFrameAt, testsupport::MulxFrame(1001, body, 1000, 2100), 20},
        {"rt17", Rt17PacketAt, testsupport::Rt17Packet(0x57, body), 6},
        {"rtcm3", Rtcm3FrameAt, testsupport::Rtcm3Message(1077, 40), 10},
        {"ubx", UbxFrameAt, testsupport::UbxFrame(0x02, 0x15, body), 8},
    };
}

}  // namespace

TEST(Checksums, KnownCheckValues) {
    const ByteView v(kCheck);
    EXPECT_EQ(Crc24q(v), 0xCDE703u);
    EXPECT_EQ(BinexCrc16(v), 0x31C3u);
    EXPECT_EQ(BinexCrc32(v), 0x89A1897Fu);
    EXPECT_EQ(OemCrc32(v), OemCrcBitwise(kCheck));
    const std::string longer(3000, '\xA7');
    EXPECT_EQ(OemCrc32(ByteView(longer)), OemCrcBitwise(longer));
    EXPECT_EQ(Sum16(ByteView(std::string(300, '\xFF'))), static_cast<uint16_t>(300 * 255));
    EXPECT_EQ(BinexXor(ByteView(std::string("\x0F\xF0\x01", 3))), 0xFE);
    // CFG-MSG frame B5 62 06 01 03 00 F0 05 01 | 00 1A.
    const std::string ubx("\x06\x01\x03\x00\xF0\x05\x01", 7);
    EXPECT_EQ(UbxChecksum(ByteView(ubx)), 0x1A00);
}

TEST(Framing, ValidFramesGiveTheirLength) {
    for (const FormatCase& c : Cases()) {
        const Frame f = OnCopy(c.test, c.frame + "trailing bytes");
        EXPECT_EQ(f.status, FrameStatus::kValid) << c.name;
        EXPECT_EQ(f.length, c.frame.size()) << c.name;
    }
}

TEST(Framing, EveryCutFrameIsIncompleteAndNeverReadPast) {
    for (const FormatCase& c : Cases()) {
        for (size_t n = 1; n < c.frame.size(); ++n) {
            const Frame f = OnCopy(c.test, c.frame.substr(0, n));
            EXPECT_EQ(f.status, FrameStatus::kIncomplete) << c.name << " cut at " << n;
        }
        EXPECT_EQ(OnCopy(c.test, std::string()).status, FrameStatus::kNone) << c.name;
    }
}

TEST(Framing, BrokenChecksumAndOtherSync) {
    for (const FormatCase& c : Cases()) {
        std::string bad = c.frame;
        bad[c.checksumByte] = static_cast<char>(bad[c.checksumByte] ^ 0x40);
        const Frame f = OnCopy(c.test, bad);
        EXPECT_EQ(f.status, FrameStatus::kBadChecksum) << c.name;
        EXPECT_EQ(f.length, c.frame.size()) << c.name;
        std::string shifted = "x" + c.frame;
        EXPECT_EQ(OnCopy(c.test, shifted).status, FrameStatus::kNone) << c.name;
    }
}

TEST(Framing, LengthFieldPointingPastTheSample) {
    // Each header declares far more bytes than the sample holds.
    struct Case {
        const char* name;
        std::function<Frame(ByteView)> test;
        std::string bytes;
    } cases[] = {
        {"oem", OemFrameAt,
         Bytes().Raw("\xAA\x44\x12").U8(28).U16(43).U16(0).U16(0xFFFF).Zeros(20).str()},
        {"hemisphere", HemisphereFrameAt, Bytes().Raw("$BIN").U16(96).U16(0xFFFF).Zeros(4).str()},
        {"mulx", MulxFrameAt, Bytes().Raw("@MULX").U16(0).U16(0xFFFF).Zeros(12).str()},
        {"rt17", Rt17PacketAt, Bytes().U8(2).U8(0).U8(0x57).U8(0xFF).Zeros(10).str()},
        {"rtcm3", Rtcm3FrameAt, Bytes().U8(0xD3).U8(0x03).U8(0xFF).Zeros(10).str()},
        {"ubx", UbxFrameAt, Bytes().Raw("\xB5\x62").U8(2).U8(0x15).U16(0xFFFF).Zeros(8).str()},
    };
    for (const Case& c : cases) {
        const Frame f = OnCopy(c.test, c.bytes);
        EXPECT_EQ(f.status, FrameStatus::kIncomplete) << c.name;
        EXPECT_GT(f.length, c.bytes.size()) << c.name;
    }
}

TEST(Framing, HeadersThatCannotStartAFrame) {
    // OEM header shorter than the week and milliseconds fields.
    std::string oem = testsupport::OemFrame(43, "abc");
    oem[3] = 8;
    EXPECT_EQ(OnCopy<Frame>(OemFrameAt, oem).status, FrameStatus::kNone);
    // "@MULX" length shorter than its own header (0 would never advance).
    const std::string mulx = Bytes().Raw("@MULX").U16(0).U16(0).Zeros(20).str();
    EXPECT_EQ(OnCopy<Frame>(MulxFrameAt, mulx).status, FrameStatus::kNone);
    // RTCM 3 reserved bits set.
    std::string rtcm = testsupport::Rtcm3Message(1005, 19);
    rtcm[1] = static_cast<char>(rtcm[1] | 0x04);
    EXPECT_EQ(OnCopy<Frame>(Rtcm3FrameAt, rtcm).status, FrameStatus::kNone);
}

TEST(Framing, TerminatorsAreChecked) {
    std::string bin = testsupport::HemisphereFrame(1, "data");
    bin[bin.size() - 1] = 'X';
    EXPECT_EQ(OnCopy<Frame>(HemisphereFrameAt, bin).status, FrameStatus::kBadTerminator);
    std::string rt = testsupport::Rt17Packet(0x55, "nav");
    rt.back() = 0x04;
    EXPECT_EQ(OnCopy<Frame>(Rt17PacketAt, rt).status, FrameStatus::kBadTerminator);
}

TEST(Framing, MessageNumbersAndClassId) {
    const std::string rtcm = testsupport::Rtcm3Message(1127, 30);
    EXPECT_EQ(Rtcm3MessageNumber(ByteView(rtcm)), 1127u);
    const std::string ubx = testsupport::UbxFrame(0x02, 0x13, "x");
    EXPECT_EQ(UbxClassId(ByteView(ubx)), kUbxRxmSfrbx);
}

namespace {

BinexRecord Parse(const std::string& bytes) {
    return OnCopy<BinexRecord>(ParseBinexRecord, bytes);
}

}  // namespace

TEST(Binex, ChecksumKindFollowsTheRecordSize) {
    // ID + length + message below 128 bytes: XOR; below 4096: CRC-16; larger: CRC-32.
    for (size_t size : {size_t{10}, size_t{124}, size_t{126}, size_t{4000}, size_t{5000}}) {
        for (bool big : {false, true}) {
            for (bool reversible : {false, true}) {
                const std::string message(size, '\x3C');
                const std::string rec =
                    testsupport::BinexRecordBytes(0x7F, message, big, reversible);
                const BinexRecord r = Parse(rec + "tail");
                EXPECT_EQ(r.status, FrameStatus::kValid) << size << big << reversible;
                EXPECT_EQ(r.length, rec.size());
                EXPECT_EQ(r.id, 0x7Fu);
                EXPECT_EQ(r.messageLength, size);
                EXPECT_EQ(r.order, big ? Endian::kBig : Endian::kLittle);
                EXPECT_EQ(r.Message(ByteView(rec)).size(), size);
                for (size_t n = 1; n < rec.size(); n += (rec.size() > 300 ? 97 : 1))
                    EXPECT_EQ(Parse(rec.substr(0, n)).status, FrameStatus::kIncomplete) << n;
                std::string bad = rec;
                bad[rec.size() - (reversible ? 3 : 1) - (size > 200 ? 1 : 0)] ^= 0x01;
                EXPECT_NE(Parse(bad).status, FrameStatus::kValid);
            }
        }
    }
}

TEST(Binex, BothByteOrdersCarryTheSameValues) {
    const std::string le = testsupport::Bytes().U8(5).U32(123456).F64(23456789.012).str();
    const std::string be = testsupport::Bytes(true).U8(5).U32(123456).F64(23456789.012).str();
    const std::string a = testsupport::BinexRecordBytes(0x7F, le, false);
    const std::string b = testsupport::BinexRecordBytes(0x7F, be, true);
    const BinexRecord ra = Parse(a), rb = Parse(b);
    ASSERT_TRUE(ra.valid());
    ASSERT_TRUE(rb.valid());
    ByteCursor ca(ra.Message(ByteView(a)), ra.order), cb(rb.Message(ByteView(b)), rb.order);
    EXPECT_EQ(ca.U8(), cb.U8());
    EXPECT_EQ(ca.U32(), 123456u);
    EXPECT_EQ(cb.U32(), 123456u);
    EXPECT_EQ(ca.F64(), cb.F64());
}

TEST(Binex, RejectedIdsAndBrokenTrailers) {
    const std::string message(20, '\x01');
    EXPECT_EQ(Parse(testsupport::BinexRecordBytes(0x04, message)).status, FrameStatus::kNone);
    EXPECT_EQ(Parse(testsupport::BinexRecordBytes(0x7E, message)).status, FrameStatus::kValid);
    std::string rev = testsupport::BinexRecordBytes(0x01, message, false, true);
    rev.back() = static_cast<char>(0xB0);  // the big-endian terminator on a D2 record
    EXPECT_EQ(Parse(rev).status, FrameStatus::kBadTerminator);
    EXPECT_EQ(Parse("\xC3\x7F\x01\x00\x00\x00\x00\x00\x00\x00").status, FrameStatus::kNone);
    // A length of 2^29 - 1 declared in a tiny sample is incomplete, never read.
    const std::string huge = "\xC2\x7F\xFF\xFF\xFF\xFF" + std::string(10, '\0');
    const BinexRecord r = Parse(huge);
    EXPECT_EQ(r.status, FrameStatus::kIncomplete);
}
