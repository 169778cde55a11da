// BINEX messages built by hand from the record definitions, decoded field by field.
#include "decoders/binex_records.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "support/binex_encode.h"
#include "support/bytes.h"

namespace kestrin {
namespace {

using testsupport::Bytes;

constexpr double kC = 299792458.0;
constexpr double kGpsL1 = kC / 1575.42e6, kGpsL2 = kC / 1227.6e6;

ByteView View(const std::string& s) {
    return ByteView(s.data(), s.size());
}

struct Decoding {
    HeaderInfo info;
    GlonassSlotTable slots = InitialGlonassSlotTable();
    BinexSlipTable slips = NewBinexSlipTable();
    BinexObsContext ctx{info, slots, slips};
};

// Two satellites of week 2138, 432000.5 s: GPS 5 with L1 C/A (5-byte range, 24-bit phase at
// 0.1 mm, Doppler, slip counter) and L2 (16-bit range difference, 22-bit phase at 0.02 mm
// whose top bits add to the strength), GLONASS slot 3 with its channel in flag byte 2.
std::string TwoSatellites(bool big, uint8_t slip) {
    Bytes b(big);
    b.U32(2138u * 10080u + 7200u).U16(500);
    b.U8(0x80 | 0x01);  // 2 satellites, clock
    b.Int((uint64_t{1} << 22) | (static_cast<uint64_t>(-1500) & 0x3FFFFF), 3);
    b.U8(5).U8(0x20);                                              // GPS, 2 observations
    b.U8(0xC1).U8(0x6C).U8(110);                                   // code 1, flags, 44.0
    b.Int((uint64_t{2} << 38) | 21000123456ull, 5);                // +0.2 dB-Hz
    b.Int(static_cast<uint64_t>(-12345) & 0xFFFFFF, 3);            // -1.2345 m
    b.Int(static_cast<uint64_t>(-256128) & 0xFFFFFF, 3).U8(slip);  // -1000.5 Hz
    b.U8(0x80 | 17).U8(0x0C).U8(100);                              // code 17 -> C2W
    b.Int(2500, 2);                                                // +2.5 m
    b.Int((uint64_t{3} << 22) | (static_cast<uint64_t>(-100000) & 0x3FFFFF), 3);
    b.Int(static_cast<uint64_t>(-199680) & 0xFFFFFF, 3).U8(slip);  // -780 Hz
    b.U8(3).U8(0x11);                                              // GLONASS, 1 observation
    b.U8(0xC1).U8(0xE0).U8(0x32).U8(120);                          // channel -4, 48.0
    b.Int(19500000000ull, 5).Int(50000, 3);                        // +5.0 m
    return b.str();
}

TEST(BinexObs05, DecodesEveryFieldInBothByteOrders) {
    for (bool big : {false, true}) {
        Decoding d;
        OBSERVATIONS e;
        const std::string m = TwoSatellites(big, 7);
        ASSERT_TRUE(DecodeBinexObs05(View(m), big ? Endian::kBig : Endian::kLittle, d.ctx, e));
        EXPECT_EQ(e.time.week, 2138);
        EXPECT_DOUBLE_EQ(e.time.sow, 432000.5);
        EXPECT_EQ(e.time.year, 2021);
        EXPECT_DOUBLE_EQ(e.clockOffset, -1.5e-6);
        ASSERT_EQ(e.sats.size(), 2u);

        const SatelliteData& g = e.sats[0];
        EXPECT_EQ(g.sysCode, kSysGps);
        EXPECT_EQ(g.prn, 5);
        ASSERT_EQ(g.blocks.size(), 2u);
        EXPECT_EQ(g.blocks[0].signalType, 0);
        EXPECT_NEAR(g.blocks[0].pseudorange, 21000123.456, 1e-6);
        EXPECT_NEAR(g.blocks[0].carrierPhase, (21000123.456 - 1.2345) / kGpsL1, 1e-5);
        EXPECT_DOUBLE_EQ(g.blocks[0].doppler, -1000.5);
        EXPECT_NEAR(g.blocks[0].snr, 44.2, 1e-9);
        EXPECT_EQ(g.blocks[1].signalType, 11);
        EXPECT_NEAR(g.blocks[1].pseudorange, 21000125.956, 1e-6);
        EXPECT_NEAR(g.blocks[1].carrierPhase, (21000125.956 - 2.0) / kGpsL2, 1e-5);
        EXPECT_DOUBLE_EQ(g.blocks[1].doppler, -780.0);
        EXPECT_NEAR(g.blocks[1].snr, 40.3, 1e-9);
        EXPECT_EQ(g.blocks[0].lli | g.blocks[1].lli, 0u);  // first counter: no slip

        const SatelliteData& r = e.sats[1];
        EXPECT_EQ(r.sysCode, kSysGlonass);
        EXPECT_EQ(r.prn, 3);
        EXPECT_EQ(r.glonassChannel, -4);
        ASSERT_EQ(r.blocks.size(), 1u);
        EXPECT_EQ(r.blocks[0].signalType, 1);
        EXPECT_NEAR(r.blocks[0].carrierPhase, 19500005.0 / (kC / (1602e6 - 4 * 562500.0)), 1e-5);
        EXPECT_NEAR(r.blocks[0].snr, 48.0, 1e-9);
        EXPECT_EQ(d.info.glonassChannels[3], -4);
        EXPECT_EQ(d.info.systemsPresent, 3);
    }
}

TEST(BinexObs05, ChangedSlipCounterMarksLossOfLock) {
    Decoding d;
    OBSERVATIONS e;
    for (auto [slip, expected] : {std::pair{7, 0u}, {7, 0u}, {8, 1u}, {8, 0u}}) {
        const std::string m = TwoSatellites(false, static_cast<uint8_t>(slip));
        ASSERT_TRUE(DecodeBinexObs05(View(m), Endian::kLittle, d.ctx, e));
        EXPECT_EQ(e.sats[0].blocks[0].lli, expected) << slip;
        EXPECT_EQ(e.sats[0].blocks[1].lli, expected) << slip;
    }
}

TEST(BinexObs05, CutMessagesKeepTheSatellitesThatFit) {
    const std::string m = TwoSatellites(false, 0);
    // Cut inside the clock, inside GPS 5, inside GLONASS 3, and whole.
    for (auto [cut, sats] : {std::pair{8, -1}, {20, 0}, {50, 1}, {m.size(), 2}}) {
        Decoding d;
        OBSERVATIONS e;
        const bool ok = DecodeBinexObs05(View(m).Sub(0, cut), Endian::kLittle, d.ctx, e);
        if (sats < 0) {
            EXPECT_FALSE(ok) << cut;
        } else {
            EXPECT_TRUE(ok) << cut;
            EXPECT_EQ(e.sats.size(), static_cast<size_t>(sats)) << cut;
        }
    }
}

TEST(BinexObs05, TimeTagOutsideTheYearsOfGnssIsRefused) {
    Decoding d;
    OBSERVATIONS e;
    std::string m = TwoSatellites(false, 0);
    for (uint32_t minutes : {0u, 0xFFFFFFFFu}) {
        for (size_t i = 0; i < 4; ++i) m[i] = static_cast<char>((minutes >> (8 * i)) & 0xFF);
        EXPECT_FALSE(DecodeBinexObs05(View(m), Endian::kLittle, d.ctx, e)) << minutes;
    }
}

TEST(BinexObs05, SatelliteNumbersAndCodeSlots) {
    EXPECT_EQ(BinexPrn(kSysSbas, 127), 8);
    EXPECT_EQ(BinexPrn(kSysSbas, 183), 20);
    EXPECT_EQ(BinexPrn(kSysQzss, 194), 2);
    EXPECT_EQ(BinexPrn(kSysGalileo, 36), 36);
    EXPECT_EQ(BinexSystemCode(6), -1);
    EXPECT_EQ(BinexCodeSlot(kSysGps, 26), 21);
    EXPECT_EQ(BinexCodeSlot(kSysQzss, 30), 4);
    EXPECT_EQ(BinexCodeSlot(kSysGalileo, 23), 18);
    EXPECT_EQ(BinexCodeSlot(kSysBds, 11), 8);
    EXPECT_EQ(BinexCodeSlot(kSysGlonass, 2), 0);  // not listed
}

TEST(BinexObs03, TwoObservationsPerSatellite) {
    Bytes b(true);
    b.U32(2138u * 10080u).U16(0).U8(0x00);  // one satellite
    b.U8((0 << 5) | 9);                     // GPS 10
    b.U8(0x02 | 0x04 | 0x08).U8(0x40);      // both observations, Doppler; 0.1 mm phases
    // First: strength 45.0 + 0.1, code flag set (P code), range 22 000 000.000 m.
    b.U8(112).Int((uint64_t{1} << 38) | (uint64_t{1} << 36) | 22000000000ull, 5).Int(1000, 3);
    // Second: 3-byte difference -1.5 m, loss-of-lock flag, code flag set.
    b.U8(100).Int(
        (uint64_t{1} << 21) | (uint64_t{1} << 20) | (static_cast<uint64_t>(-1500) & 0xFFFFF), 3);
    b.Int(static_cast<uint64_t>(-2000) & 0xFFFFFF, 3);
    b.Int(static_cast<uint64_t>(512) & 0xFFFFFF, 3);  // Doppler 2 Hz
    Decoding d;
    OBSERVATIONS e;
    ASSERT_TRUE(DecodeBinexObs03(View(b.str()), Endian::kBig, d.ctx, e));
    ASSERT_EQ(e.sats.size(), 1u);
    const SatelliteData& s = e.sats[0];
    EXPECT_EQ(s.prn, 10);
    ASSERT_EQ(s.blocks.size(), 2u);
    EXPECT_EQ(s.blocks[0].signalType, 1);
    EXPECT_NEAR(s.blocks[0].snr, 44.9, 1e-9);
    EXPECT_NEAR(s.blocks[0].carrierPhase, 22000000.1 / kGpsL1, 1e-5);
    EXPECT_DOUBLE_EQ(s.blocks[0].doppler, 2.0);
    EXPECT_EQ(s.blocks[1].signalType, 9);
    EXPECT_EQ(s.blocks[1].lli, 2u);
    EXPECT_NEAR(s.blocks[1].pseudorange, 21999998.5, 1e-6);
    EXPECT_NEAR(s.blocks[1].carrierPhase, (21999998.5 - 0.2) / kGpsL2, 1e-5);
}

TEST(BinexObs00, GpsEpochAndForeignSystemDropsIt) {
    auto build = [](uint8_t satByte) {
        Bytes b(true);
        b.U32(2138u * 10080u).U16(0).U8(0x40);   // strength layout 2, one satellite
        b.U8(satByte).U8(0x00).U8(0x80 | 0x40);  // flag byte, loss of lock on C/A and P1
        // mgfzi: C/A 1000 mm as a 2-byte value, P1 diff 0, P2 diff -5, strengths, phases.
        b.U8(0x20 | ((1000 - 16) >> 8)).U8((1000 - 16) & 0xFF).U8(0x00).U8(0x15);
        b.U8(180).U8(160);
        b.U8(0x20 | ((2000 - 16) >> 8)).U8((2000 - 16) & 0xFF).U8(0x00).U8(0x12);
        return b.str();
    };
    Decoding d;
    OBSERVATIONS e;
    ASSERT_TRUE(DecodeBinexObs00(View(build(4)), Endian::kBig, d.ctx, e));
    ASSERT_EQ(e.sats.size(), 1u);
    const SatelliteData& s = e.sats[0];
    EXPECT_EQ(s.prn, 5);
    ASSERT_EQ(s.blocks.size(), 2u);  // P1 has neither range nor phase difference
    EXPECT_EQ(s.blocks[0].signalType, 0);
    EXPECT_NEAR(s.blocks[0].pseudorange, 1.0, 1e-9);
    EXPECT_NEAR(s.blocks[0].carrierPhase, 0.2, 1e-9);
    EXPECT_EQ(s.blocks[0].lli, 2u);
    EXPECT_NEAR(s.blocks[0].snr, 45.0, 1e-9);
    EXPECT_EQ(s.blocks[1].signalType, 9);
    EXPECT_NEAR(s.blocks[1].pseudorange, 0.995, 1e-9);
    EXPECT_NEAR(s.blocks[1].carrierPhase, 0.2 - 0.0002, 1e-9);
    EXPECT_NEAR(s.blocks[1].snr, 40.0, 1e-9);
    EXPECT_FALSE(DecodeBinexObs00(View(build((3 << 5) | 4)), Endian::kBig, d.ctx, e));
}

TEST(BinexMgfzi, SizesSignsAndOffsets) {
    struct Case {
        std::string bytes;
        Endian order;
        int64_t value;
        size_t used;
    };
    const Case cases[] = {
        {"\x05", Endian::kBig, 5, 1},
        {"\x1F", Endian::kBig, -15, 1},
        {std::string("\x20\x00", 2), Endian::kBig, 16, 2},
        {"\x31\x02", Endian::kBig, -(0x102 + 16), 2},
        {"\x41\x02\x03", Endian::kBig, 0x10203 + 16 + 4096, 3},
        {"\x41\x03\x02", Endian::kLittle, 0x10203 + 16 + 4096, 3},
        {"\x41\x02", Endian::kBig, 0, 0},  // runs past the end
    };
    for (const Case& c : cases) {
        int64_t v = 1;
        EXPECT_EQ(ReadMgfzi(View(c.bytes), 0, c.order, v), c.used) << c.value;
        if (c.used) {
            EXPECT_EQ(v, c.value);
        }
    }
}

TEST(BinexNavigation, GpsEphemerisInBothByteOrders) {
    KeplerEphemeris in;
    in.prn = 1;
    in.week = 2138;
    in.toe = 439200;
    in.tgd = 5.122274160390e-09;
    in.iodc = 52;
    in.iode = 52;
    in.af0 = 7.874774746600e-04;
    in.af1 = -5.911715561520e-12;
    in.deltaN = 4.318037039040e-09;
    in.m0 = 2.893520298160e-02;
    in.e = 1.022444642150e-02;
    in.sqrtA = 5.153693731310e+03;
    in.crs = -7.362500000000e+01;
    in.omega0 = -8.087355908090e-01;
    in.i0 = 9.827409334590e-01;
    in.omega = 8.219747770630e-01;
    in.omegaDot = -8.439637433360e-09;
    in.idot = -3.007268045700e-10;
    in.accuracy = 2.0;
    in.fitInterval = 4;
    in.codesOnL2 = 1;
    for (bool big : {false, true}) {
        const std::string m = testsupport::BinexGpsEphMessage(in, 432978, big);
        KeplerEphemeris out;
        ASSERT_TRUE(DecodeBinexGpsEph(View(m).From(1), big ? Endian::kBig : Endian::kLittle, out));
        EXPECT_EQ(out.sysCode, kSysGps);
        EXPECT_EQ(out.prn, 1);
        EXPECT_EQ(out.week, 2138);
        EXPECT_EQ(out.toe, 439200);
        EXPECT_EQ(out.transmissionTime, 432978);
        EXPECT_EQ(out.toc.year, 2021);
        EXPECT_EQ(out.toc.hour, 2);
        EXPECT_DOUBLE_EQ(out.m0, in.m0);
        EXPECT_DOUBLE_EQ(out.sqrtA, in.sqrtA);
        EXPECT_NEAR(out.deltaN, in.deltaN, 1e-15);
        EXPECT_NEAR(out.omegaDot, in.omegaDot, 1e-15);
        EXPECT_NEAR(out.af0, in.af0, 1e-10);
        EXPECT_NEAR(out.accuracy, 2.0, 1e-6);
        EXPECT_EQ(out.iode, 52);
        EXPECT_EQ(out.codesOnL2, 1);
        EXPECT_EQ(out.fitInterval, 4);
        // Cut short: nothing.
        EXPECT_FALSE(DecodeBinexGpsEph(View(m).Sub(1, m.size() - 2), Endian::kLittle, out));
    }
}

// A big-endian 0x01-01 message laid out by hand, field by field, without the test encoder:
// the opening bytes are written out literally so that a shifted or swapped field shows.
TEST(BinexNavigation, GpsEphemerisFromHandLaidBytes) {
    Bytes b(true);
    b.Raw(std::string("\x04"                  // satellite number - 1: PRN 5
                      "\x08\x5A"              // week 2138
                      "\x00\x06\x9B\x52"      // time of week 432978 s
                      "\x00\x06\xB3\xA0",     // toc 439200 s
                      11));
    b.F32(-1.0e-8f).U32(300);                 // TGD, IODC
    b.F32(1.0e-19f).F32(-2.0e-12f).F32(3.0e-4f);  // af2, af1, af0
    b.U32(44);                                // IODE
    b.F32(1.5e-9f);                           // delta n (semicircles/s)
    b.F64(0.25).F64(0.0125).F64(5153.5);      // M0, e, sqrt A
    b.F32(1.0e-7f).F32(200.5f).F32(-2.0e-7f).F32(-30.25f).F32(3.0e-6f).F32(-4.0e-6f);
    b.F64(-0.75).F64(1.25).F64(0.96);         // Omega0, omega, i0
    b.F32(-2.5e-9f).F32(1.0e-10f);            // Omega dot, IDOT (semicircles/s)
    b.F32(20.0f);                             // accuracy, tenths of a metre
    b.U16(0xC1).U16((2u << 9) | (1u << 8) | 4u);  // health (high bits not health), flags
    const std::string m = b.str();
    ASSERT_EQ(m.size(), 127u);

    KeplerEphemeris out;
    ASSERT_TRUE(DecodeBinexGpsEph(View(m), Endian::kBig, out));
    EXPECT_EQ(out.sysCode, kSysGps);
    EXPECT_EQ(out.prn, 5);
    EXPECT_EQ(out.week, 2138);
    EXPECT_EQ(out.transmissionTime, 432978);
    EXPECT_EQ(out.toe, 439200);
    EXPECT_FLOAT_EQ(out.tgd, -1.0e-8f);
    EXPECT_EQ(out.iodc, 300);
    EXPECT_FLOAT_EQ(out.af2, 1.0e-19f);
    EXPECT_FLOAT_EQ(out.af1, -2.0e-12f);
    EXPECT_FLOAT_EQ(out.af0, 3.0e-4f);
    EXPECT_EQ(out.iode, 44);
    EXPECT_DOUBLE_EQ(out.deltaN, static_cast<double>(1.5e-9f) * 3.141592653589793);
    EXPECT_DOUBLE_EQ(out.m0, 0.25);
    EXPECT_DOUBLE_EQ(out.e, 0.0125);
    EXPECT_DOUBLE_EQ(out.sqrtA, 5153.5);
    EXPECT_FLOAT_EQ(out.cic, 1.0e-7f);
    EXPECT_FLOAT_EQ(out.crc, 200.5f);
    EXPECT_FLOAT_EQ(out.cis, -2.0e-7f);
    EXPECT_FLOAT_EQ(out.crs, -30.25f);
    EXPECT_FLOAT_EQ(out.cuc, 3.0e-6f);
    EXPECT_FLOAT_EQ(out.cus, -4.0e-6f);
    EXPECT_DOUBLE_EQ(out.omega0, -0.75);
    EXPECT_DOUBLE_EQ(out.omega, 1.25);
    EXPECT_DOUBLE_EQ(out.i0, 0.96);
    EXPECT_DOUBLE_EQ(out.omegaDot, static_cast<double>(-2.5e-9f) * 3.141592653589793);
    EXPECT_DOUBLE_EQ(out.idot, static_cast<double>(1.0e-10f) * 3.141592653589793);
    EXPECT_NEAR(out.accuracy, 2.0, 1e-9);
    EXPECT_EQ(out.health, 1);
    EXPECT_EQ(out.fitInterval, 4);
    EXPECT_EQ(out.l2PFlag, 1);
    EXPECT_EQ(out.codesOnL2, 2);
}

TEST(BinexNavigation, GlonassEphemerisTimesAndSigns) {
    gEphemeris in;
    in.prn = 2;
    in.tauN = 2.06762924790e-05;
    in.gammaN = -2.72848410532e-12;
    in.x = 9364.73925781;
    in.vx = -0.267867088318;
    in.y = -15908.7973633;
    in.z = -17614.3896484;
    in.frequencyNumber = -4;
    in.ageOrIodn = 0;
    // 2009-04-01 00:15:00 UTC: day 10678 since 1980-01-06; tk 03:15:00 Moscow time.
    const std::string m = testsupport::BinexGlonassEphMessage(in, 10678, 900, 11700, true);
    gEphemeris out;
    ASSERT_TRUE(DecodeBinexGlonassEph(View(m).From(1), Endian::kBig, out));
    EXPECT_EQ(out.prn, 2);
    EXPECT_EQ(out.epoch.year, 2009);
    EXPECT_EQ(out.epoch.month, 4);
    EXPECT_EQ(out.epoch.day, 1);
    EXPECT_EQ(out.epoch.minute, 15);
    EXPECT_DOUBLE_EQ(out.tauN, in.tauN);
    EXPECT_DOUBLE_EQ(out.x, in.x);
    EXPECT_DOUBLE_EQ(out.tk, 900);
    EXPECT_EQ(out.frequencyNumber, -4);
    const std::string early = testsupport::BinexGlonassEphMessage(in, 10678, 900, 3600, true);
    ASSERT_TRUE(DecodeBinexGlonassEph(View(early).From(1), Endian::kBig, out));
    EXPECT_DOUBLE_EQ(out.tk, 3600 - 10800 + 86400);
}

// The other systems' subrecords: PRN, week and time rules on one 127/102-byte layout each.
TEST(BinexNavigation, SbasGalileoBdsQzssNumbersAndWeeks) {
    {
        Bytes b;
        b.U8(133).U16(2138).U32(432000).Zeros(8 * 2 + 4 + 72).U8(0x31).U8(0x02).U8(7);
        gEphemeris g;
        ASSERT_TRUE(DecodeBinexSbasEph(View(b.str()), Endian::kLittle, g));
        EXPECT_EQ(g.prn, 14);
        EXPECT_EQ(g.health, 1);
        EXPECT_DOUBLE_EQ(g.ura, 4.85);
        EXPECT_EQ(g.ageOrIodn, 7);
        EXPECT_EQ(g.epoch.year, 2021);
    }
    KeplerEphemeris k;
    {
        Bytes b;
        b.U8(35).U16(1114).U32(static_cast<uint32_t>(-10)).U32(432000).Zeros(127 - 11);
        ASSERT_TRUE(DecodeBinexGalileoEph(View(b.str()), Endian::kLittle, k));
        EXPECT_EQ(k.prn, 36);
        EXPECT_EQ(k.week, 2138);
        EXPECT_EQ(k.transmissionTime, 604790);
    }
    {
        Bytes b;
        b.U8(44).U16(782).U32(1000).U32(604800 + 3600).U32(3600).Zeros(127 - 15);
        ASSERT_TRUE(DecodeBinexBdsEph(View(b.str()), Endian::kLittle, k));
        EXPECT_EQ(k.prn, 45);
        EXPECT_EQ(k.toc.sow, 3600);
        EXPECT_EQ(k.toc.month, 12);  // BDS week 782 starts on 2020-12-27
        EXPECT_EQ(k.toc.day, 27);
    }
    {
        Bytes b;
        b.U8(194).U16(2138).U32(432000).U32(432000).Zeros(127 - 11);
        ASSERT_TRUE(DecodeBinexQzssEph(View(b.str()), Endian::kLittle, k));
        EXPECT_EQ(k.sysCode, kSysQzss);
        EXPECT_EQ(k.prn, 2);
        b = Bytes();
        b.U8(150).U16(2138).Zeros(124);
        EXPECT_FALSE(DecodeBinexQzssEph(View(b.str()), Endian::kLittle, k));
    }
}

TEST(BinexSiteMetadata, WalksFieldsAndStopsAtTheEnd) {
    Bytes b;
    b.U32(1000).U8(0).U8(0).U8(0x01).U8(3).Raw("abc").U8(0x02).U8(0);
    EXPECT_TRUE(WalkBinexSiteMetadata(View(b.str()), Endian::kLittle));
    b.U8(0x03).U8(50).Raw("short");
    EXPECT_FALSE(WalkBinexSiteMetadata(View(b.str()), Endian::kLittle));
}

}  // namespace
}  // namespace kestrin
