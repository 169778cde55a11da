#include "decoders/hemisphere_blocks.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "core/gnss_time.h"
#include "decoders/framing.h"
#include "rinex/obs_codes.h"
#include "support/bytes.h"
#include "support/hemisphere.h"

namespace kestrin {
namespace {

using testsupport::Bytes;
using testsupport::HemChannelValues;

ByteView View(const std::string& s) {
    return ByteView(s.data(), s.size());
}

const SatelliteData* Sat(const OBSERVATIONS& epoch, int32_t sysCode, int32_t prn) {
    for (const SatelliteData& sat : epoch.sats) {
        if (sat.sysCode == sysCode && sat.prn == prn) return &sat;
    }
    return nullptr;
}

const BlockData* Block(const OBSERVATIONS& epoch, int32_t sysCode, int32_t prn, int slot) {
    const SatelliteData* sat = Sat(epoch, sysCode, prn);
    if (sat == nullptr) return nullptr;
    for (const BlockData& b : sat->blocks) {
        if (b.signalType == slot) return &b;
    }
    return nullptr;
}

// Decoding context with its own header record, slot table and slip table.
struct Context {
    HeaderInfo info;
    GlonassSlotTable slots = InitialGlonassSlotTable();
    HemSlipTable slips{};
    HemObsContext ctx{info, slots, slips};
    Context() { ResetHemSlipTable(slips); }
};

const double kL1 = CarrierWavelength(kSysGps, 0, 0);
const double kL2 = CarrierWavelength(kSysGps, 9, 0);

// ---- channel rules ------------------------------------------------------------------------

TEST(HemisphereChannels, PhaseIsPlacedNextToTheRangeInCycles) {
    const double reference = 110356789.25;  // range / wavelength
    struct Case {
        double offset;    // true phase - reference
        double expected;  // reconstructed - true phase
    } cases[] = {
        {0.0, 0.0},     {100.25, 0.0},     {-100.5, 0.0},     {4095.0, 0.0},
        {-4000.0, 0.0}, {5000.0, -8192.0}, {-6000.0, 8192.0},
    };
    for (const Case& c : cases) {
        const double truePhase = reference + c.offset;
        const uint32_t phase1024 =
            static_cast<uint32_t>(std::llround(truePhase * 1024.0) % 8388608);
        EXPECT_NEAR(ReconstructHemPhase(phase1024, reference), truePhase + c.expected, 1e-3)
            << c.offset;
    }
}

TEST(HemisphereChannels, SecondRangeIsAlignedWithTheFirstModulo256Metres) {
    EXPECT_DOUBLE_EQ(AlignHemRange(20000003.125, 20000255.875), 20000259.125);
    EXPECT_DOUBLE_EQ(AlignHemRange(20000510.0, 20000255.0), 20000254.0);
    EXPECT_DOUBLE_EQ(AlignHemRange(20000300.0, 20000255.0), 20000300.0);  // within 128 m
}

TEST(HemisphereChannels, GpsAndSbasNumbers) {
    struct Case {
        int number;
        bool ok;
        int32_t sysCode, prn;
    } cases[] = {
        {1, true, kSysGps, 1},     {32, true, kSysGps, 32},  {33, false, 0, 0},
        {119, false, 0, 0},        {120, true, kSysSbas, 1}, {129, true, kSysSbas, 10},
        {158, true, kSysSbas, 39}, {159, false, 0, 0},       {164, true, kSysSbas, 1},
        {202, true, kSysSbas, 39}, {203, false, 0, 0},       {255, false, 0, 0},
    };
    for (const Case& c : cases) {
        int32_t sysCode = -1, prn = -1;
        ASSERT_EQ(HemGpsOrSbas(c.number, sysCode, prn), c.ok) << c.number;
        if (!c.ok) continue;
        EXPECT_EQ(sysCode, c.sysCode) << c.number;
        EXPECT_EQ(prn, c.prn) << c.number;
    }
}

TEST(HemisphereChannels, UraIndexToMetres) {
    EXPECT_DOUBLE_EQ(HemUraMetres(0), 2.0);
    EXPECT_NEAR(HemUraMetres(1), 2.828, 1e-3);
    EXPECT_DOUBLE_EQ(HemUraMetres(6), 16.0);
    EXPECT_DOUBLE_EQ(HemUraMetres(14), 4096.0);
    EXPECT_DOUBLE_EQ(HemUraMetres(15), 68888888.0);
}

// ---- block 96 ------------------------------------------------------------------------------

TEST(HemisphereBlock96, GpsAndSbasChannelsWithTheirValues) {
    using testsupport::Hem96Channel;
    std::vector<Hem96Channel> ch(7);
    ch[0] = {5, 100, 3, true, -593074, 20788290.25, 5886750.75};
    ch[1] = {129, 38, 2, true, 1951, 37174560.5, 265155.25};  // an SBAS satellite: S29
    ch[2] = {5, 90, 3, true, 0, 20000000.0, 100.0};           // repeats G05: skipped
    ch[3] = {0, 90, 3, true, 0, 20000000.0, 100.0};           // no PRN
    ch[4] = {40, 90, 3, true, 0, 20000000.0, 100.0};          // outside every table
    ch[5] = {7, 90, 3, true, 0, 0.0, 100.0};                  // no range
    ch[6] = {9, 0, 1, false, 0, 21000000.0, 200.0};           // phase not valid
    std::string data = testsupport::HemBlock96(108094.0, 1481, ch);
    Context c;
    OBSERVATIONS epoch;
    ASSERT_TRUE(DecodeHemGpsL1(View(data), c.ctx, epoch));
    ASSERT_EQ(epoch.sats.size(), 3u);

    const BlockData* g05 = Block(epoch, kSysGps, 5, 0);
    ASSERT_NE(g05, nullptr);
    EXPECT_DOUBLE_EQ(g05->pseudorange, 20788290.25);
    EXPECT_DOUBLE_EQ(g05->carrierPhase, 5886750.75 / kL1);
    EXPECT_NEAR(g05->doppler, 593074.0 / 4096.0 / kL1, 1e-9);
    EXPECT_NEAR(g05->snr, 10.0 * std::log10(0.8192 * 100 * 1000), 1e-9);  // 49.13 dB-Hz
    EXPECT_EQ(g05->lli, 0u);

    const BlockData* s29 = Block(epoch, kSysSbas, 10, 0);
    ASSERT_NE(s29, nullptr);
    EXPECT_DOUBLE_EQ(s29->pseudorange, 37174560.5);
    EXPECT_NEAR(s29->doppler, -1951.0 / 4096.0 / kL1, 1e-9);
    EXPECT_EQ(Sat(epoch, kSysGps, 29), nullptr);
    EXPECT_EQ(c.info.systemsPresent, 1 | 8);
    EXPECT_EQ(Block(epoch, kSysGps, 9, 0)->lli, 1u);  // unlocked phase
}

// ---- block 76 ------------------------------------------------------------------------------

TEST(HemisphereBlock76, L1AndAlignedL2OfGpsSbasL1Only) {
    std::vector<HemChannelValues> l1(13), l2(12);
    // G05: L2 range 3.2 m longer; its low part wraps past the 256 m of the code word.
    l1[0] = {5, 20000255.875, 105099999.5, -1234.5, 400, 7};
    l2[0] = {0, 20000259.125, 81896543.25, -961.75, 300, 9};
    l1[1] = {133, 37000000.5, 194432100.0, 12.0, 200, 1};  // SBAS: no L2
    l2[1] = {0, 37000001.0, 151506000.0, 9.0, 100, 1};
    l1[2] = {7, 22000000.0, 115610000.0, 100.0, 350, 2};  // L2 record empty
    l1[12] = {9, 23000000.0, 120865432.0, 50.0, 250, 4};  // channel 12: L1 only
    std::string data = testsupport::HemBlock76(108094.0, 1481, l1, l2);
    Context c;
    OBSERVATIONS epoch;
    ASSERT_TRUE(DecodeHemGpsL1L2(View(data), c.ctx, epoch));
    ASSERT_EQ(epoch.sats.size(), 4u);

    const BlockData* g05l1 = Block(epoch, kSysGps, 5, 0);
    ASSERT_NE(g05l1, nullptr);
    EXPECT_DOUBLE_EQ(g05l1->pseudorange, 20000255.875);
    EXPECT_NEAR(g05l1->carrierPhase,
                105099999.5 - 8192.0 * std::round((105099999.5 - 20000255.875 / kL1) / 8192.0),
                1e-3);
    EXPECT_NEAR(g05l1->doppler, -1234.5, 1e-9);
    EXPECT_NEAR(g05l1->snr, 10.0 * std::log10(400 * 0.1024 * 1000), 1e-9);
    const BlockData* g05l2 = Block(epoch, kSysGps, 5, 9);
    ASSERT_NE(g05l2, nullptr);
    EXPECT_DOUBLE_EQ(g05l2->pseudorange, 20000259.125);
    EXPECT_NEAR(std::fmod(g05l2->carrierPhase - 81896543.25, 8192.0), 0.0, 1e-3);
    EXPECT_LT(std::fabs(g05l2->carrierPhase - 20000259.125 / kL2), 4096.0);
    EXPECT_NEAR(g05l2->snr, 10.0 * std::log10(300 * 0.1164 * 62.5), 1e-9);

    EXPECT_NE(Block(epoch, kSysSbas, 14, 0), nullptr);
    EXPECT_EQ(Sat(epoch, kSysSbas, 14)->blocks.size(), 1u);
    EXPECT_EQ(Sat(epoch, kSysGps, 7)->blocks.size(), 1u);
    EXPECT_EQ(Sat(epoch, kSysGps, 9)->blocks.size(), 1u);
    EXPECT_EQ(c.info.obsCodes[0][9], "C2P");
}

TEST(HemisphereBlock76, CycleSlipCounterAndWarningsMarkLossOfLock) {
    Context c;
    auto lliAfter = [&](int counter, int warning) {
        std::vector<HemChannelValues> l1(1);
        l1[0] = {5, 20000000.0, 105100000.0, 0.0, 400, counter, warning};
        std::string data = testsupport::HemBlock76(0.0, 1481, l1, {});
        OBSERVATIONS epoch;
        EXPECT_TRUE(DecodeHemGpsL1L2(View(data), c.ctx, epoch));
        const BlockData* b = Block(epoch, kSysGps, 5, 0);
        return b ? b->lli : 99u;
    };
    EXPECT_EQ(lliAfter(5, 0), 0u);  // first sight of the satellite: no slip
    EXPECT_EQ(lliAfter(5, 0), 0u);
    EXPECT_EQ(lliAfter(6, 0), 1u);
    EXPECT_EQ(lliAfter(6, 0), 0u);
    EXPECT_EQ(lliAfter(6, 2), 1u);
}

TEST(HemisphereBlock76, ExistingL1IsReplacedOnlyWhenItsPhaseIsNegative) {
    Context c;
    std::vector<HemChannelValues> l1(1);
    l1[0] = {5, 20000000.0, 105100000.0, 0.0, 400, 1};
    std::string data = testsupport::HemBlock76(0.0, 1481, l1, {});
    for (double phase : {-5.0, 7.0}) {
        OBSERVATIONS epoch;
        SatelliteData sat;
        sat.sysCode = kSysGps;
        sat.prn = 5;
        BlockData old;
        old.pseudorange = 1.0;
        old.carrierPhase = phase;
        sat.blocks.push_back(old);
        epoch.sats.push_back(sat);
        ASSERT_TRUE(DecodeHemGpsL1L2(View(data), c.ctx, epoch));
        EXPECT_EQ(Block(epoch, kSysGps, 5, 0)->pseudorange, phase < 0 ? 20000000.0 : 1.0);
    }
}

// ---- blocks 66, 36, 16 --------------------------------------------------------------------

TEST(HemisphereBlock66, GlonassWavelengthsFromTheSlotTable) {
    std::vector<HemChannelValues> l1(2), l2(2);
    const double w1 = CarrierWavelength(kSysGlonass, 1, -7),
                 w2 = CarrierWavelength(kSysGlonass, 2, -7);
    l1[0] = {10, 21000000.0, 21000000.0 / w1 + 12.5, 800.0, 400, 1};
    l2[0] = {0, 21000002.0, 21000002.0 / w2 - 3.0, 620.0, 300, 1};
    l1[1] = {26, 21000000.0, 21000000.0, 0.0, 400, 1};  // slot without a frequency number
    std::string data = testsupport::HemBlock66(0.0, 1481, l1, l2);
    Context c;
    OBSERVATIONS epoch;
    ASSERT_TRUE(DecodeHemGlonassObs(View(data), c.ctx, epoch));
    ASSERT_EQ(epoch.sats.size(), 1u);
    const SatelliteData* r10 = Sat(epoch, kSysGlonass, 10);
    ASSERT_NE(r10, nullptr);
    EXPECT_EQ(r10->glonassChannel, -7);
    EXPECT_NEAR(Block(epoch, kSysGlonass, 10, 1)->carrierPhase, 21000000.0 / w1 + 12.5, 1e-3);
    EXPECT_NEAR(Block(epoch, kSysGlonass, 10, 2)->carrierPhase, 21000002.0 / w2 - 3.0, 1e-3);
    EXPECT_DOUBLE_EQ(Block(epoch, kSysGlonass, 10, 2)->pseudorange, 21000002.0);
    EXPECT_EQ(c.info.systemsPresent, 2);
}

TEST(HemisphereBlock36, SignalSelectsTheSlot) {
    for (int signal : {0, 1, 2}) {
        const int slot = signal * 3;
        const double w = CarrierWavelength(kSysBds, slot, 0);
        std::vector<HemChannelValues> ch(1);
        ch[0] = {25, 22000000.0, 22000000.0 / w + 1.0, 10.0, 400, 1};
        std::string data = testsupport::HemBlock36(0.0, 1481, signal, ch);
        Context c;
        OBSERVATIONS epoch;
        ASSERT_TRUE(DecodeHemBdsObs(View(data), c.ctx, epoch));
        const BlockData* b = Block(epoch, kSysBds, 25, slot);
        ASSERT_NE(b, nullptr) << signal;
        EXPECT_NEAR(b->carrierPhase, 22000000.0 / w + 1.0, 1e-3);
    }
}

TEST(HemisphereBlock16, SystemsSignalsAndNumbers) {
    struct Case {
        int number;
        uint16_t info;
        int32_t sysCode, prn;  // sysCode -1: skipped
        int slot;
        int channel;
    } cases[] = {
        {3, 0x0000, kSysGps, 3, 0, 100},
        {4, 0x0010, kSysGps, 4, 9, 100},
        {6, 0x0030, kSysGps, 6, 19, 100},
        {2, 0x0001, kSysGlonass, 2, 1, -4},   // frequency number from the slot table
        {3, 0x2011, kSysGlonass, 3, 2, 5},    // L2 with the P flag
        {170, 0x0000, kSysSbas, 7, 0, 100},   // 170 - 163
        {131, 0x0030, kSysSbas, 12, 1, 100},  // 131 - 119, L5
        {210, 0x0000, -1, 0, 0, 0},           // 210 - 163 lies past the SBAS table
        {11, 0x0022, kSysGalileo, 11, 8, 100},
        {30, 0x0013, kSysBds, 30, 3, 100},
        {193, 0x0024, kSysQzss, 1, 5, 100},
        {5, 0x0005, -1, 0, 0, 0},   // no such system
        {40, 0x0000, -1, 0, 0, 0},  // outside every table
    };
    std::vector<HemChannelValues> ch;
    std::vector<uint16_t> info;
    for (const Case& c : cases) {
        ch.push_back({c.number, 21000000.0, 0.0, 0.0, 400, 1});
        info.push_back(c.info);
    }
    std::string data = testsupport::HemBlock16(0.0, 1481, ch, info);
    Context c;
    OBSERVATIONS epoch;
    ASSERT_TRUE(DecodeHemMultiObs(View(data), c.ctx, epoch));
    size_t expected = 0;
    for (const Case& k : cases) {
        if (k.sysCode < 0) continue;
        ++expected;
        const BlockData* b = Block(epoch, k.sysCode, k.prn, k.slot);
        ASSERT_NE(b, nullptr) << k.number;
        const double w = CarrierWavelength(k.sysCode, k.slot, k.channel);
        EXPECT_LT(std::fabs(b->carrierPhase - 21000000.0 / w), 4096.0) << k.number;
        if (k.sysCode == kSysGlonass) {
            EXPECT_EQ(Sat(epoch, k.sysCode, k.prn)->glonassChannel, k.channel);
        }
    }
    EXPECT_EQ(epoch.sats.size(), expected);
}

TEST(HemisphereObservationBlocks, ShortBlocksAddNothing) {
    std::vector<HemChannelValues> one(1);
    one[0] = {5, 20000000.0, 0.0, 0.0, 400, 1};
    testsupport::Hem96Channel g{5, 100, 1, true, 0, 20000000.0, 100.0};
    struct Case {
        std::string data;
        bool (*decode)(ByteView, HemObsContext&, OBSERVATIONS&);
    } cases[] = {
        {testsupport::HemBlock96(0, 1481, {g}), DecodeHemGpsL1},
        {testsupport::HemBlock76(0, 1481, one, {}), DecodeHemGpsL1L2},
        {testsupport::HemBlock66(0, 1481, one, {}), DecodeHemGlonassObs},
        {testsupport::HemBlock36(0, 1481, 0, one), DecodeHemBdsObs},
        {testsupport::HemBlock16(0, 1481, one, {0}), DecodeHemMultiObs},
    };
    for (const Case& k : cases) {
        Context c;
        OBSERVATIONS epoch;
        for (size_t cut : {size_t{0}, size_t{9}, k.data.size() / 2, k.data.size() - 1}) {
            EXPECT_FALSE(k.decode(ByteView(k.data.data(), cut), c.ctx, epoch)) << cut;
        }
        EXPECT_TRUE(epoch.sats.empty());
        EXPECT_TRUE(k.decode(View(k.data), c.ctx, epoch));
    }
    int week = 0;
    double sow = 0;
    EXPECT_FALSE(HemisphereObsTime(kHemGpsL1L2, ByteView("12345678", 8), week, sow));
    EXPECT_FALSE(HemisphereObsTime(kHemSbasMessage, ByteView("1234567890123", 12), week, sow));
}

// ---- navigation blocks ---------------------------------------------------------------------

// The 30-byte LNAV subframes packed into the block-95 layout (data in bits 6..29).
std::string Block95(int prn, uint32_t tow6, const std::string& sf1, const std::string& sf2,
                    const std::string& sf3) {
    Bytes b;
    b.U16(static_cast<uint64_t>(prn)).U16(0).U32(tow6);
    for (const std::string* sf : {&sf1, &sf2, &sf3}) {
        for (size_t w = 0; w < 10; ++w) {
            const uint32_t bits = (static_cast<uint8_t>((*sf)[3 * w]) << 16) |
                                  (static_cast<uint8_t>((*sf)[3 * w + 1]) << 8) |
                                  static_cast<uint8_t>((*sf)[3 * w + 2]);
            b.U32((bits << 6) | 0x80000001u);  // parity bits and the bits above set to noise
        }
    }
    return b;
}

TEST(HemisphereNavigation, LnavEphemerisWithWeekNearTheData) {
    testsupport::BitWriter sf1, sf2, sf3;
    auto zeros = [](testsupport::BitWriter& w, unsigned count) {
        for (; count > 32; count -= 32) w.U(0, 32);
        w.U(0, count);
    };
    sf1.U(0, 48).U(100, 10).U(1, 2).U(3, 4).U(0, 6).U(1, 2).U(0, 1);  // week 100, URA 3
    zeros(sf1, 160 - 73);
    sf1.U(0xF0, 8).U(45, 8).U(7200 / 16, 16);
    zeros(sf1, 240 - 192);
    sf2.U(0, 48).U(45, 8);
    zeros(sf2, 240 - 56);
    zeros(sf3, 240);
    const std::string data = Block95(12, 18001, sf1.str(), sf2.str(), sf3.str());
    KeplerEphemeris eph;
    ASSERT_TRUE(DecodeHemLnavEphemeris(View(data), kSysGps, 0, eph));
    EXPECT_EQ(eph.prn, 12);
    EXPECT_EQ(eph.week, 1124);  // no reference: the first rollover
    EXPECT_DOUBLE_EQ(eph.transmissionTime, 108006.0);
    EXPECT_NEAR(eph.accuracy, 5.657, 1e-3);
    EXPECT_DOUBLE_EQ(eph.tgd, std::ldexp(-16.0, -31));
    EXPECT_EQ(eph.iodc, 256 + 45);
    EXPECT_EQ(eph.iode, 45);
    EXPECT_EQ(eph.toc.week, 1124);
    EXPECT_DOUBLE_EQ(eph.toc.sow, 7200.0);
    // Data of 2021 (GPS week 2148) carry the ten-bit week 100 too.
    ASSERT_TRUE(DecodeHemLnavEphemeris(View(data), kSysGps, 2150, eph));
    EXPECT_EQ(eph.week, 2148);
    const std::string qzss = Block95(193, 18001, sf1.str(), sf2.str(), sf3.str());
    ASSERT_TRUE(DecodeHemLnavEphemeris(View(qzss), kSysQzss, 2150, eph));
    EXPECT_EQ(eph.sysCode, kSysQzss);
    EXPECT_EQ(eph.prn, 193);  // printed J01 by the navigation writer
    EXPECT_FALSE(DecodeHemLnavEphemeris(View(data), kSysQzss, 2150, eph));  // J12: no such
    EXPECT_FALSE(DecodeHemLnavEphemeris(ByteView(data.data(), data.size() - 1), kSysGps, 0, eph));
    std::string noPrn = data;
    noPrn[0] = 0;
    EXPECT_FALSE(DecodeHemLnavEphemeris(View(noPrn), kSysGps, 0, eph));
}

TEST(HemisphereNavigation, BdsEphemerisFields) {
    std::string data(112, '\0');
    auto put = [&](size_t off, uint32_t v) {
        for (int i = 0; i < 4; ++i) data[off + i] = static_cast<char>(v >> (8 * i));
    };
    data[0] = 23;
    put(8, 345600);
    put(12, 345600 / 8);
    put(16, static_cast<uint32_t>(-1024));
    put(32, 5282u << 19);
    put(92, 0x3FFu | (5u << 10));  // tgd -1 x 0.1 ns, tgd2 5 x 0.1 ns
    put(96, 800);
    put(108, 7u | (3u << 5) | (9u << 9) | (1u << 14));
    KeplerEphemeris eph;
    ASSERT_TRUE(DecodeHemBdsEphemeris(View(data), eph));
    EXPECT_EQ(eph.sysCode, kSysBds);
    EXPECT_EQ(eph.prn, 23);
    EXPECT_DOUBLE_EQ(eph.af0, std::ldexp(-1024.0, -33));
    EXPECT_DOUBLE_EQ(eph.sqrtA, 5282.0);
    EXPECT_DOUBLE_EQ(eph.tgd, -1e-10);
    EXPECT_DOUBLE_EQ(eph.tgd2, 5e-10);
    EXPECT_EQ(eph.week, 800);
    EXPECT_EQ(eph.iode, 7);
    EXPECT_NEAR(eph.accuracy, 5.657, 1e-3);
    EXPECT_EQ(eph.iodc, 9);
    EXPECT_EQ(eph.health, 1);
    GnssTime expected;
    expected.week = 800;
    expected.sow = 345600;
    BdsToCalendar(expected);
    EXPECT_EQ(eph.toc.year, expected.year);
    EXPECT_EQ(eph.toc.day, expected.day);
    EXPECT_FALSE(DecodeHemBdsEphemeris(ByteView(data.data(), 111), eph));
}

TEST(HemisphereNavigation, SbasEphemerisInKilometresWithSignedClockTerms) {
    Bytes b;
    b.U8(129).U8(0).U16(1481).U32(107943).U16(168).U16(6).U32(107968);
    b.U32(static_cast<uint32_t>(-404301922)).U32(337926787).U32(static_cast<uint32_t>(-153636));
    b.U32(static_cast<uint32_t>(-2165))
        .U32(static_cast<uint32_t>(-1307))
        .U32(static_cast<uint32_t>(-4));
    b.U32(0).U32(8).U32(5).U16(65415).U16(65524);
    gEphemeris eph;
    ASSERT_TRUE(DecodeHemSbasEphemeris(View(b), eph));
    EXPECT_EQ(eph.sysCode, kSysSbas);
    EXPECT_EQ(eph.prn, 10);
    EXPECT_DOUBLE_EQ(eph.x, -404301922 * 0.08 / 1000.0);
    EXPECT_DOUBLE_EQ(eph.z, -153636 * 0.4 / 1000.0);
    EXPECT_DOUBLE_EQ(eph.vx, -2165 * 0.000625 / 1000.0);
    EXPECT_DOUBLE_EQ(eph.az, 5 * 0.0000625 / 1000.0);
    EXPECT_DOUBLE_EQ(eph.aGf0, std::ldexp(-121.0, -31));
    EXPECT_DOUBLE_EQ(eph.aGf1, std::ldexp(-12.0, -40));
    EXPECT_DOUBLE_EQ(eph.ura, 16.0);
    EXPECT_DOUBLE_EQ(eph.ageOrIodn, 168.0);
    EXPECT_DOUBLE_EQ(eph.sbasTransmissionTime, 107943.0);
    EXPECT_EQ(eph.epoch.hour, 5);
    EXPECT_EQ(eph.epoch.minute, 59);
    EXPECT_DOUBLE_EQ(eph.epoch.second, 28.0);
    std::string bad = b;
    bad[0] = static_cast<char>(119);  // no SBAS PRN
    EXPECT_FALSE(DecodeHemSbasEphemeris(View(bad), eph));
    EXPECT_FALSE(DecodeHemSbasEphemeris(ByteView(b.str().data(), 55), eph));
}

// One GLONASS string of the block-65 layout: interface bits 85..1 from the top of three words.
class GloString {
  public:
    explicit GloString(int number) { Put(84, 4, static_cast<uint64_t>(number)); }
    GloString& Put(int firstBit, int width, uint64_t value) {
        for (int i = 0; i < width; ++i) {
            const int pos = 85 - firstBit + i;  // from the top of the first word
            if ((value >> (width - 1 - i)) & 1u) words_[pos / 32] |= 0x80000000u >> (pos % 32);
        }
        return *this;
    }
    std::string Bytes() const {
        return testsupport::Bytes().U32(words_[0]).U32(words_[1]).U32(words_[2]);
    }

  private:
    uint32_t words_[3] = {0, 0, 0};
};

uint64_t SignMag(int64_t v, int width) {
    const uint64_t m = static_cast<uint64_t>(v < 0 ? -v : v);
    return (v < 0 ? uint64_t{1} << (width - 1) : 0) | m;
}

TEST(HemisphereNavigation, GlonassStringsInAnyOrder) {
    GloString s1(1), s2(2), s3(3), s4(4), s5(5);
    s1.Put(76, 5, 5).Put(71, 6, 30).Put(65, 1, 1);  // tk 05:30:30 Moscow time
    s1.Put(64, 24, SignMag(-1572864, 24)).Put(35, 27, SignMag(12345 * 2048 + 1024, 27));
    s2.Put(80, 3, 0).Put(76, 7, 40);  // tb 40 x 15 min = 10:00 Moscow time
    s2.Put(35, 27, SignMag(-2048, 27));
    s3.Put(79, 11, SignMag(-5, 11)).Put(64, 24, SignMag(1048576, 24));
    s4.Put(80, 22, SignMag(-1000, 22)).Put(53, 5, 7).Put(26, 11, 1);  // NT 1
    s5.Put(36, 5, 4);                                                 // N4 4: 2008..2011
    Bytes b;
    b.U8(6).U8(8 - 4).U16(0).U32(0);
    b.Raw(s3.Bytes()).Raw(s1.Bytes()).Raw(s5.Bytes()).Raw(s2.Bytes()).Raw(s4.Bytes());
    gEphemeris eph;
    int k = 0;
    ASSERT_TRUE(DecodeHemGlonassEphemeris(View(b), eph, k));
    EXPECT_EQ(k, -4);
    EXPECT_EQ(eph.prn, 6);
    EXPECT_DOUBLE_EQ(eph.frequencyNumber, -4.0);
    EXPECT_DOUBLE_EQ(eph.tk, 5 * 3600 + 30 * 60 + 30 - 10800.0);
    EXPECT_DOUBLE_EQ(eph.vx, -1.5);
    EXPECT_DOUBLE_EQ(eph.x, 12345.5);
    EXPECT_DOUBLE_EQ(eph.y, -1.0);
    EXPECT_DOUBLE_EQ(eph.vz, 1.0);
    EXPECT_DOUBLE_EQ(eph.gammaN, std::ldexp(-5.0, -40));
    EXPECT_DOUBLE_EQ(eph.tauN, std::ldexp(-1000.0, -30));
    EXPECT_DOUBLE_EQ(eph.ageOrIodn, 7.0);
    EXPECT_DOUBLE_EQ(eph.health, 0.0);
    EXPECT_EQ(eph.epoch.year, 2008);
    EXPECT_EQ(eph.epoch.month, 1);
    EXPECT_EQ(eph.epoch.day, 1);
    EXPECT_EQ(eph.epoch.hour, 7);

    // l_n of string 5 marks the satellite unhealthy.
    std::string unhealthy = b;
    s5.Put(9, 1, 1);
    unhealthy.replace(8 + 24, 12, s5.Bytes());
    ASSERT_TRUE(DecodeHemGlonassEphemeris(View(unhealthy), eph, k));
    EXPECT_DOUBLE_EQ(eph.health, 1.0);
    // A missing string (two copies of string 3) or a short block: nothing.
    std::string twice = b;
    twice.replace(8 + 12, 12, s3.Bytes());
    EXPECT_FALSE(DecodeHemGlonassEphemeris(View(twice), eph, k));
    EXPECT_FALSE(DecodeHemGlonassEphemeris(ByteView(b.str().data(), 67), eph, k));
}

TEST(HemisphereNavigation, IonosphereUtcAndLeapSeconds) {
    Bytes b;
    for (int i = 0; i < 8; ++i) b.F64(1.1176e-08 * (i + 1));
    b.F64(-9.3e-10).F64(-8.9e-15).U32(405504).U16(1481).U16(0).U16(0).U16(14).U16(0).U16(0);
    IonoUtcParams set;
    int32_t leap = 0;
    ASSERT_TRUE(DecodeHemIonUtc(View(b), set, leap));
    EXPECT_EQ(set.valid, 1);
    EXPECT_DOUBLE_EQ(set.alpha0, 1.1176e-08);
    EXPECT_DOUBLE_EQ(set.beta3, 8 * 1.1176e-08);
    EXPECT_DOUBLE_EQ(set.a0, -9.3e-10);
    EXPECT_DOUBLE_EQ(set.a1, -8.9e-15);
    EXPECT_EQ(set.utcTime, 405504);
    EXPECT_EQ(set.utcWeek, 1481);
    EXPECT_EQ(leap, 14);
    EXPECT_FALSE(DecodeHemIonUtc(ByteView(b.str().data(), 95), set, leap));
}

// ---- block 80 ------------------------------------------------------------------------------

// An SBAS message block: preamble, type, 212 data bits and its CRC-24Q, in eight words.
std::string SbasBlock(int prn, uint32_t seconds, uint32_t preamble, int type, bool goodParity) {
    testsupport::BitWriter bits;
    bits.U(preamble, 8).U(static_cast<uint64_t>(type), 6);
    for (int i = 0; i < 212; ++i) bits.U((i * 7 + 3) % 5 == 0 ? 1 : 0, 1);
    // CRC over the 226 bits behind six zero bits.
    testsupport::BitWriter padded;
    padded.U(0, 6);
    const std::string head = bits.str();
    for (size_t i = 0; i < 226; ++i)
        padded.U((static_cast<uint8_t>(head[i / 8]) >> (7 - i % 8)) & 1u, 1);
    const std::string p = padded.str();
    uint32_t crc = Crc24q(ByteView(p.data(), p.size()));
    if (!goodParity) crc ^= 1;
    bits.U(crc, 24).U(0, 6);
    const std::string msg = bits.str();
    Bytes b;
    b.U16(static_cast<uint64_t>(prn)).U16(0).U32(seconds);
    for (size_t w = 0; w < 8; ++w) {
        uint32_t v = 0;
        for (size_t i = 0; i < 4; ++i) v = (v << 8) | static_cast<uint8_t>(msg[4 * w + i]);
        b.U32(v);
    }
    return b;
}

TEST(HemisphereSbasMessage, LineOfAValidMessage) {
    GnssTime t;
    t.year = 2012;
    t.month = 3;
    t.day = 4;
    t.hour = 10;
    t.minute = 20;
    t.second = 30;
    CalendarToGps(t);
    const std::string data = SbasBlock(124, static_cast<uint32_t>(t.sow), 0x9A, 2, true);
    std::string line;
    ASSERT_TRUE(FormatHemSbasMessage(View(data), t.week, line));
    EXPECT_EQ(line.substr(0, 25), "124 12 03 04 10 20 30  2 ");
    ASSERT_EQ(line.size(), 25u + 64u + 1u);
    char first[9];
    std::snprintf(first, sizeof first, "%08X", static_cast<unsigned>(View(data).U32(8)));
    EXPECT_EQ(line.substr(25, 8), first);
    EXPECT_EQ(line.back(), '\n');
    for (uint32_t preamble : {0x53u, 0xC6u})
        EXPECT_TRUE(
            FormatHemSbasMessage(View(SbasBlock(124, 100, preamble, 63, true)), t.week, line));
}

TEST(HemisphereSbasMessage, BadMessagesAreDropped) {
    std::string line;
    EXPECT_FALSE(FormatHemSbasMessage(View(SbasBlock(124, 100, 0x9A, 2, false)), 1670, line));
    EXPECT_FALSE(FormatHemSbasMessage(View(SbasBlock(124, 100, 0x9B, 2, true)), 1670, line));
    EXPECT_FALSE(FormatHemSbasMessage(View(SbasBlock(124, 100, 0x9A, 2, true)), 0, line));
    EXPECT_FALSE(
        FormatHemSbasMessage(View(SbasBlock(124, 100, 0x9A, 2, true)), 1000, line));  // 1999
    const std::string ok = SbasBlock(124, 100, 0x9A, 2, true);
    EXPECT_FALSE(FormatHemSbasMessage(ByteView(ok.data(), 39), 1670, line));
    EXPECT_TRUE(line.empty());
}

}  // namespace
}  // namespace kestrin
