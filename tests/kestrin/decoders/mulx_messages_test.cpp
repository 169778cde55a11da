// "@MULX" messages built by hand from the message tables, decoded field by field.
#include "decoders/mulx_messages.h"

#include <gtest/gtest.h>

#include <string>

#include "decoders/framing.h"
#include "support/bytes.h"
#include "support/frames.h"
#include "support/mulx_encode.h"

namespace kestrin {
namespace {

using testsupport::Bytes;

ByteView View(const std::string& s) {
    return ByteView(s.data(), s.size());
}

// The first signal entry: head (type, range high byte, range low word) and 19-byte body.
void FirstEntry(Bytes& b, int type, uint64_t rangeMm, int32_t doppler, uint64_t phase, int strength,
                uint16_t lock, int8_t channel, int further) {
    b.U8(type).U8(static_cast<uint8_t>(rangeMm >> 32)).U32(rangeMm & 0xFFFFFFFF);
    b.U32(static_cast<uint32_t>(doppler)).U64(phase).U8(strength).U16(lock);
    b.U8(static_cast<uint8_t>(channel)).U8(0).U8(0).U8(further);
}
void FurtherEntry(Bytes& b, int type, int16_t diffMm, int32_t doppler, uint64_t phase, int strength,
                  uint16_t lock) {
    b.U8(0).U8(type).U8(0).U16(static_cast<uint16_t>(diffMm));
    b.U32(static_cast<uint32_t>(doppler)).U64(phase).U8(strength).U16(lock);
}

constexpr uint64_t kNegative = uint64_t{1} << 63;

// BeiDou 163 (C03) with B1, B2 and B3 signals and GLONASS 40 (R03, channel -2) with G1.
std::string Observations(int bdsFurther = 2) {
    Bytes b;
    b.U16(static_cast<uint16_t>(-250)).U8(2);  // clock -0.25, two satellites
    b.U8(0).U8(0).U8(163);
    FirstEntry(b, 1, 0x0123456789ull, -123456789, 123456789012ull, 180, 300, 0, bdsFurther);
    FurtherEntry(b, 5, -1234, 1000, kNegative | 5000, 160, 12);
    FurtherEntry(b, 6, 2500, -1000, 7000, 170, 300);
    b.U8(0).U8(0).U8(40);
    FirstEntry(b, 0, 20000000000ull, 0, 105000000000ull, 200, 999, -2, 0);
    return testsupport::MulxFrame(kMulxObservations, b.str(), 432000500, 2138);
}

TEST(MulxObservations, BeidouAndGlonassBlocks) {
    HeaderInfo info;
    OBSERVATIONS e;
    const std::string m = Observations();
    ASSERT_TRUE(DecodeMulxObservations(View(m), info, e));
    EXPECT_EQ(e.time.week, 2138);
    EXPECT_DOUBLE_EQ(e.time.sow, 432000.5);
    EXPECT_DOUBLE_EQ(e.clockOffset, -0.25);
    ASSERT_EQ(e.sats.size(), 2u);

    const SatelliteData& c = e.sats[0];
    EXPECT_EQ(c.sysCode, kSysBds);
    EXPECT_EQ(c.prn, 3);
    ASSERT_EQ(c.blocks.size(), 3u);
    EXPECT_EQ(c.blocks[0].signalType, 0);
    EXPECT_EQ(c.blocks[1].signalType, 3);
    EXPECT_EQ(c.blocks[2].signalType, 6);
    EXPECT_DOUBLE_EQ(c.blocks[0].pseudorange, 0x0123456789ull * 0.001);
    EXPECT_DOUBLE_EQ(c.blocks[1].pseudorange, 0x0123456789ull * 0.001 - 1.234);
    EXPECT_DOUBLE_EQ(c.blocks[2].pseudorange, 0x0123456789ull * 0.001 + 2.5);
    EXPECT_DOUBLE_EQ(c.blocks[0].doppler, -12345.6789);
    EXPECT_DOUBLE_EQ(c.blocks[0].carrierPhase, 123456789.012);
    EXPECT_DOUBLE_EQ(c.blocks[1].carrierPhase, -5.0);
    EXPECT_DOUBLE_EQ(c.blocks[0].snr, 45.0);
    EXPECT_DOUBLE_EQ(c.blocks[0].lockTime, 300);
    EXPECT_DOUBLE_EQ(c.blocks[1].lockTime, 12);

    const SatelliteData& r = e.sats[1];
    EXPECT_EQ(r.sysCode, kSysGlonass);
    EXPECT_EQ(r.prn, 3);
    EXPECT_EQ(r.glonassChannel, -2);
    ASSERT_EQ(r.blocks.size(), 1u);
    EXPECT_EQ(r.blocks[0].signalType, 1);
    EXPECT_DOUBLE_EQ(r.blocks[0].lockTime, 0);  // only BeiDou carries lock times
    EXPECT_EQ(info.glonassChannels[3], -2);
    EXPECT_EQ(info.systemsPresent, 2 | 4);
}

TEST(MulxObservations, CountsBeyondTheMessageDecodeWhatFits) {
    HeaderInfo info;
    OBSERVATIONS e;
    // BeiDou announces nine further entries: the two present are taken, and the next bytes
    // (the GLONASS block) are read as entries too, so the message ends inside the block.
    const std::string m = Observations(9);
    ASSERT_TRUE(DecodeMulxObservations(View(m), info, e));
    ASSERT_GE(e.sats.size(), 1u);
    EXPECT_EQ(e.sats[0].prn, 3);
    // Cut messages: inside the header, inside the first block, inside the second.
    for (size_t cut : {size_t{18}, size_t{40}, m.size() - 10}) {
        OBSERVATIONS part;
        const bool ok = DecodeMulxObservations(View(m).Sub(0, cut), info, part);
        EXPECT_EQ(ok, cut >= 20) << cut;
        EXPECT_LE(part.sats.size(), 1u) << cut;
    }
}

TEST(MulxObservations, SignalTypesToSlots) {
    EXPECT_EQ(MulxSignalSlot(kSysGps, 16), 12);
    EXPECT_EQ(MulxSignalSlot(kSysGps, 17), 9);
    EXPECT_EQ(MulxSignalSlot(kSysGps, 5), 0);
    EXPECT_EQ(MulxSignalSlot(kSysGlonass, 0), 1);
    EXPECT_EQ(MulxSignalSlot(kSysGlonass, 16), 3);
    EXPECT_EQ(MulxSignalSlot(kSysGlonass, 17), 2);
    EXPECT_EQ(MulxSignalSlot(kSysBds, 5), 3);
    EXPECT_EQ(MulxSignalSlot(kSysBds, 6), 6);
    EXPECT_EQ(MulxSignalSlot(kSysBds, 17), 0);
}

KeplerEphemeris SampleKepler() {
    KeplerEphemeris e;
    e.iodc = 52;
    e.iode = 52;
    e.tgd = 5.122274160390e-09;
    e.tgd2 = -2.5e-09;
    e.transmissionTime = 432978;
    e.af0 = 7.874774746600e-04;
    e.m0 = 2.893520298160e-02;
    e.e = 1.022444642150e-02;
    e.sqrtA = 5.153693731310e+03;
    e.toe = 439200;
    e.omegaDot = -8.439637433360e-09;
    return e;
}

TEST(MulxEphemeris, GpsAndBeidouRecords) {
    const uint32_t flags = 1u | (2u << 1) | (5u << 4) | (1u << 10) | (3u << 11);
    KeplerEphemeris out;
    const std::string gps =
        testsupport::MulxGpsBdsEphemerisMessage(SampleKepler(), 5, flags, 433000000, 2138);
    ASSERT_TRUE(DecodeMulxGpsBdsEphemeris(View(gps), out));
    EXPECT_EQ(out.sysCode, kSysGps);
    EXPECT_EQ(out.prn, 5);
    EXPECT_EQ(out.l2PFlag, 1);
    EXPECT_EQ(out.codesOnL2, 2);
    EXPECT_EQ(out.health, 5);
    EXPECT_EQ(out.fitInterval, 6);
    EXPECT_DOUBLE_EQ(out.accuracy, 6.85);
    EXPECT_EQ(out.iodc, 52);
    EXPECT_EQ(out.week, 2138);
    EXPECT_EQ(out.toe, 439200);
    EXPECT_EQ(out.transmissionTime, 432978);
    EXPECT_DOUBLE_EQ(out.sqrtA, 5.153693731310e+03);
    EXPECT_EQ(out.tgd2, 0);
    // The clock reference is the time of ephemeris: 2021-01-01 02:00:00.
    EXPECT_EQ(out.toc.day, 1);
    EXPECT_EQ(out.toc.hour, 2);

    // BeiDou 163 with the GPS week of the message, near the end of the week: the time of
    // ephemeris belongs to the next BDS week.
    KeplerEphemeris bds = SampleKepler();
    bds.toe = 3600;
    const std::string c03 = testsupport::MulxGpsBdsEphemerisMessage(bds, 163, 0, 604000000, 2138);
    ASSERT_TRUE(DecodeMulxGpsBdsEphemeris(View(c03), out));
    EXPECT_EQ(out.sysCode, kSysBds);
    EXPECT_EQ(out.prn, 3);
    EXPECT_EQ(out.week, 2138 - 1356 + 1);
    EXPECT_FLOAT_EQ(out.tgd2, -2.5e-09f);
    EXPECT_EQ(out.toc.year, 2021);
    EXPECT_EQ(out.toc.day, 3);
    EXPECT_EQ(out.toc.hour, 1);

    const std::string zero = testsupport::MulxGpsBdsEphemerisMessage(bds, 0, 0, 0, 2138);
    EXPECT_FALSE(DecodeMulxGpsBdsEphemeris(View(zero), out));
    EXPECT_FALSE(DecodeMulxGpsBdsEphemeris(View(gps).Sub(0, gps.size() - 1), out));
}

TEST(MulxEphemeris, GlonassRecord) {
    gEphemeris in;
    in.frequencyNumber = -4;
    in.x = 9364.73925781;
    in.vx = -0.267867088318;
    in.gammaN = -2.72848410532e-12;
    in.tauN = 2.06762924790e-05;
    in.tk = 900;
    in.ageOrIodn = 3;
    gEphemeris out;
    // Slot field 39 (= slot 2), message time 2021-01-01 00:15:18 GPS = 00:15:00 UTC.
    const std::string m = testsupport::MulxGlonassEphemerisMessage(in, 39, 432918000, 2138);
    ASSERT_TRUE(DecodeMulxGlonassEphemeris(View(m), 18, out));
    EXPECT_EQ(out.prn, 2);
    EXPECT_EQ(out.frequencyNumber, -4);
    EXPECT_DOUBLE_EQ(out.x, 9364.73925781);
    EXPECT_FLOAT_EQ(out.vx, -0.267867088318f);
    EXPECT_FLOAT_EQ(out.tauN, 2.06762924790e-05f);
    EXPECT_EQ(out.tk, 900);
    EXPECT_EQ(out.ageOrIodn, 3);
    EXPECT_EQ(out.epoch.hour, 0);
    EXPECT_EQ(out.epoch.minute, 15);
    EXPECT_DOUBLE_EQ(out.epoch.second, 0);
    EXPECT_FALSE(DecodeMulxGlonassEphemeris(
        View(testsupport::MulxGlonassEphemerisMessage(in, 0, 432918000, 2138)), 18, out));
}

}  // namespace
}  // namespace kestrin
