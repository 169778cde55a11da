// RTCM 3 message decoders on built messages (values chosen per the RTCM 3 field tables) and on
// real messages of the recordings in tests/data (values decoded by hand from their bits).
#include "decoders/rtcm3_messages.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "decoders/framing.h"
#include "rinex/obs_codes.h"
#include "support/bytes.h"
#include "support/frames.h"
#include "support/static_file.h"

namespace {

using namespace kestrin;
using testsupport::BitWriter;
using testsupport::MsmCell;
using testsupport::MsmSatellite;

constexpr double kLightMs = 299792.458;
constexpr double kGpsL1 = 0.19029367279836487;
constexpr double kGpsL2 = 0.24421021342456825;

ByteView View(const std::string& s) {
    return ByteView(s);
}

Rtcm3Observations DecodeMsm(const std::string& body,
                            const GlonassFrequencyTable& known = UnknownGlonassFrequencies()) {
    Rtcm3Observations out;
    EXPECT_TRUE(DecodeRtcm3Msm(View(body), known, out));
    return out;
}

// The body of the first message with the given number in a recording of tests/data.
std::string FirstMessage(const std::string& fixture, uint32_t number) {
    const std::string data = testsupport::ReadTestData(fixture);
    ByteView all(data);
    for (size_t off = 0; off < all.size();) {
        Frame f = Rtcm3FrameAt(all.From(off));
        if (!f.valid()) {
            ++off;
            continue;
        }
        ByteView frame = all.Sub(off, f.length);
        if (Rtcm3MessageNumber(frame) == number) {
            ByteView body = frame.Sub(3, f.length - 6);
            return std::string(reinterpret_cast<const char*>(body.data()), body.size());
        }
        off += f.length;
    }
    return {};
}

TEST(Rtcm3Msm, SignalIdsMapToTheSlotsOfTheCodeTables) {
    struct Case {
        int32_t sys;
        int id;
        const char* code;  // "" = not converted
    };
    const Case cases[] = {
        {kSysGps, 2, "C1C"},      {kSysGps, 3, "C1P"},      {kSysGps, 4, "C1W"},
        {kSysGps, 8, "C2C"},      {kSysGps, 9, "C2P"},      {kSysGps, 10, "C2W"},
        {kSysGps, 15, "C2S"},     {kSysGps, 16, "C2L"},     {kSysGps, 17, "C2X"},
        {kSysGps, 22, "C5I"},     {kSysGps, 23, "C5Q"},     {kSysGps, 24, "C5X"},
        {kSysGps, 30, "C1S"},     {kSysGps, 31, "C1L"},     {kSysGps, 32, "C1X"},
        {kSysGps, 5, ""},         {kSysGps, 1, ""},         {kSysGlonass, 2, "C1C"},
        {kSysGlonass, 3, "C1P"},  {kSysGlonass, 8, "C2C"},  {kSysGlonass, 9, "C2P"},
        {kSysGlonass, 4, ""},     {kSysBds, 2, "C1I"},      {kSysBds, 3, "C1Q"},
        {kSysBds, 4, "C1X"},      {kSysBds, 8, "C6I"},      {kSysBds, 9, "C6Q"},
        {kSysBds, 10, "C6X"},     {kSysBds, 14, "C7I"},     {kSysBds, 15, "C7Q"},
        {kSysBds, 16, "C7X"},     {kSysBds, 22, ""},        {kSysQzss, 2, "C1C"},
        {kSysQzss, 9, "C6S"},     {kSysQzss, 10, "C6L"},    {kSysQzss, 11, "C6X"},
        {kSysQzss, 15, "C2S"},    {kSysQzss, 16, "C2L"},    {kSysQzss, 17, "C2X"},
        {kSysQzss, 22, "C5I"},    {kSysQzss, 23, "C5Q"},    {kSysQzss, 24, "C5X"},
        {kSysQzss, 30, "C1S"},    {kSysQzss, 31, "C1L"},    {kSysQzss, 32, "C1X"},
        {kSysQzss, 3, ""},        {kSysGalileo, 2, "C1C"},  {kSysGalileo, 3, "C1A"},
        {kSysGalileo, 4, "C1B"},  {kSysGalileo, 5, "C1X"},  {kSysGalileo, 6, "C1Z"},
        {kSysGalileo, 8, "C6C"},  {kSysGalileo, 9, "C6A"},  {kSysGalileo, 10, "C6B"},
        {kSysGalileo, 11, "C6X"}, {kSysGalileo, 12, "C6Z"}, {kSysGalileo, 14, "C7I"},
        {kSysGalileo, 15, "C7Q"}, {kSysGalileo, 16, "C7X"}, {kSysGalileo, 18, "C8I"},
        {kSysGalileo, 19, "C8Q"}, {kSysGalileo, 20, "C8X"}, {kSysGalileo, 22, "C5I"},
        {kSysGalileo, 23, "C5Q"}, {kSysGalileo, 24, "C5X"}, {kSysGalileo, 7, ""},
    };
    for (const Case& c : cases) {
        const int slot = MsmSignalSlot(c.sys, c.id);
        const std::string code = slot < 0 ? "" : DefaultObsCode(SystemIndex(c.sys), slot);
        EXPECT_EQ(code, c.code) << "system " << c.sys << " signal " << c.id;
    }
}

TEST(Rtcm3Msm, Msm7ValuesFollowTheFieldScales) {
    // G05: 70 ms + 512 x 2^-10 ms rough range, rough rate -700 m/s; signal 1C.
    const std::string body = testsupport::Rtcm3MsmMessage(
        1077, 123456789, false, {{5, 70, 0, 512, -700}}, {{5, 2, 1000, -2000, 500, 0, 720, 1234}});
    Rtcm3Observations obs = DecodeMsm(body);
    EXPECT_DOUBLE_EQ(obs.time.timeOfWeek, 123456.789);
    EXPECT_FALSE(obs.moreFollow);
    ASSERT_EQ(obs.sats.size(), 1u);
    EXPECT_EQ(obs.sats[0].sysCode, kSysGps);
    EXPECT_EQ(obs.sats[0].prn, 5);
    ASSERT_EQ(obs.sats[0].blocks.size(), 1u);
    const BlockData& b = obs.sats[0].blocks[0];
    EXPECT_EQ(b.signalType, 0);
    EXPECT_DOUBLE_EQ(b.pseudorange, (70.5 + 1000 * std::ldexp(1.0, -29)) * kLightMs);
    EXPECT_DOUBLE_EQ(b.carrierPhase, (70.5 - 2000 * std::ldexp(1.0, -31)) * kLightMs / kGpsL1);
    // Doppler in Hz with the RINEX sign: minus the range rate over the wavelength.
    EXPECT_NEAR(b.doppler, (700 - 0.1234) / kGpsL1, 1e-9);
    EXPECT_DOUBLE_EQ(b.snr, 45.0);
    // Extended indicator 500: 16384 x 500 - 7340032 ms.
    EXPECT_DOUBLE_EQ(b.lockTime, 851.968);
}

TEST(Rtcm3Msm, LockTimeIndicatorsGiveMinimumLockTimesInSeconds) {
    const struct {
        int indicator;
        bool extended;
        double seconds;
    } cases[] = {
        {0, false, 0.0},   {1, false, 0.032}, {6, false, 1.024},      {15, false, 524.288},
        {16, false, -1.0}, {0, true, 0.0},    {63, true, 0.063},      {64, true, 0.064},
        {95, true, 0.126}, {96, true, 0.128}, {704, true, 67108.864}, {705, true, -1.0},
        {-1, true, -1.0},
    };
    for (const auto& c : cases)
        EXPECT_NEAR(MsmLockSeconds(c.indicator, c.extended), c.seconds, 1e-9)
            << c.indicator << " " << c.extended;
}

TEST(Rtcm3Msm, InvalidCodesLeaveTheValueAbsent) {
    struct Case {
        const char* name;
        uint16_t number;
        MsmSatellite sat;
        MsmCell cell;
        bool range, phase, doppler;
    };
    const Case cases[] = {
        {"MSM7 rough range 255",
         1077,
         {3, 255, 0, 100, 10},
         {3, 2, 5, 5, 1, 0, 600, 5},
         false,
         false,
         true},
        {"MSM7 fine pseudorange",
         1077,
         {3, 70, 0, 100, 10},
         {3, 2, -524288, 5, 1, 0, 600, 5},
         false,
         true,
         true},
        {"MSM7 fine phase-range",
         1077,
         {3, 70, 0, 100, 10},
         {3, 2, 5, -8388608, 1, 0, 600, 5},
         true,
         false,
         true},
        {"MSM7 rough rate",
         1077,
         {3, 70, 0, 100, -8192},
         {3, 2, 5, 5, 1, 0, 600, 5},
         true,
         true,
         false},
        {"MSM7 fine rate",
         1077,
         {3, 70, 0, 100, 10},
         {3, 2, 5, 5, 1, 0, 600, -16384},
         true,
         true,
         false},
        {"MSM4 fine pseudorange",
         1074,
         {3, 70, 0, 100, 0},
         {3, 2, -16384, 5, 1, 0, 40, 0},
         false,
         true,
         false},
        {"MSM4 fine phase-range",
         1074,
         {3, 70, 0, 100, 0},
         {3, 2, 5, -2097152, 1, 0, 40, 0},
         true,
         false,
         false},
    };
    for (const Case& c : cases) {
        Rtcm3Observations obs =
            DecodeMsm(testsupport::Rtcm3MsmMessage(c.number, 1000, false, {c.sat}, {c.cell}));
        ASSERT_EQ(obs.sats.size(), 1u) << c.name;
        const BlockData& b = obs.sats[0].blocks.at(0);
        EXPECT_EQ(b.pseudorange != 0, c.range) << c.name;
        EXPECT_EQ(b.carrierPhase != 0, c.phase) << c.name;
        EXPECT_EQ(b.doppler != 0, c.doppler) << c.name;
        EXPECT_GT(b.snr, 0) << c.name;
    }
}

TEST(Rtcm3Msm, GlonassPhaseNeedsAFrequencyNumber) {
    // R03, rough range 70 ms; MSM7 sends frequency number +1 (extended information 8).
    const MsmCell cell{3, 2, 0, 0, 1, 0, 600, 0};
    const double range = 70.0 * kLightMs;
    auto lambda = [](int k) { return CarrierWavelength(kSysGlonass, 1, k); };

    Rtcm3Observations fromMessage =
        DecodeMsm(testsupport::Rtcm3MsmMessage(1087, 0, false, {{3, 70, 8, 0, 100}}, {cell}));
    ASSERT_EQ(fromMessage.sats.size(), 1u);
    EXPECT_EQ(fromMessage.sats[0].glonassChannel, 1);
    EXPECT_DOUBLE_EQ(fromMessage.sats[0].blocks[0].carrierPhase, range / lambda(1));
    EXPECT_DOUBLE_EQ(fromMessage.sats[0].blocks[0].doppler, -100 / lambda(1));

    // A number learned from an ephemeris is taken first.
    GlonassFrequencyTable known = UnknownGlonassFrequencies();
    known[3] = -3;
    Rtcm3Observations fromEphemeris = DecodeMsm(
        testsupport::Rtcm3MsmMessage(1087, 0, false, {{3, 70, 8, 0, 100}}, {cell}), known);
    EXPECT_DOUBLE_EQ(fromEphemeris.sats[0].blocks[0].carrierPhase, range / lambda(-3));

    // MSM4 carries none: range and strength only.
    Rtcm3Observations none =
        DecodeMsm(testsupport::Rtcm3MsmMessage(1084, 0, false, {{3, 70, 0, 0, 0}}, {cell}));
    ASSERT_EQ(none.sats.size(), 1u);
    EXPECT_EQ(none.sats[0].glonassChannel, kUnknownGlonassChannel);
    EXPECT_DOUBLE_EQ(none.sats[0].blocks[0].pseudorange, range);
    EXPECT_EQ(none.sats[0].blocks[0].carrierPhase, 0.0);
    EXPECT_TRUE(none.glonassFrequencies.empty());
}

TEST(Rtcm3Msm, SatellitesOutsideTheTablesAreLeftOutAndWideOnesKept) {
    const MsmCell cells[] = {{33, 2}, {36, 2}, {37, 2}, {63, 2}};
    // GPS 33 is beyond GPS; Galileo 36 is kept, 37 is not; BeiDou 63 is kept.
    Rtcm3Observations gps =
        DecodeMsm(testsupport::Rtcm3MsmMessage(1074, 0, false, {{33, 70}}, {cells[0]}));
    EXPECT_TRUE(gps.sats.empty());
    Rtcm3Observations gal = DecodeMsm(
        testsupport::Rtcm3MsmMessage(1094, 0, false, {{36, 70}, {37, 70}}, {cells[1], cells[2]}));
    ASSERT_EQ(gal.sats.size(), 1u);
    EXPECT_EQ(gal.sats[0].prn, 36);
    Rtcm3Observations bds =
        DecodeMsm(testsupport::Rtcm3MsmMessage(1124, 0, false, {{63, 70}}, {cells[3]}));
    ASSERT_EQ(bds.sats.size(), 1u);
    EXPECT_EQ(bds.sats[0].prn, 63);
}

TEST(Rtcm3Msm, CorruptMessagesAreRefused) {
    Rtcm3Observations out;
    const GlonassFrequencyTable known = UnknownGlonassFrequencies();
    // Nine satellites by eight signals: 72 cells, more than a message may hold.
    std::vector<MsmSatellite> sats;
    std::vector<MsmCell> cells;
    for (int s = 1; s <= 9; ++s) {
        sats.push_back({s, 70});
        for (int id : {2, 3, 4, 8, 9, 10, 15, 16}) cells.push_back({s, id});
    }
    EXPECT_FALSE(DecodeRtcm3Msm(View(testsupport::Rtcm3MsmMessage(1077, 0, false, sats, cells)),
                                known, out));
    // Cut short inside the signal data, inside the masks, and empty.
    const std::string whole =
        testsupport::Rtcm3MsmMessage(1077, 0, false, {{5, 70}}, {{5, 2}, {5, 10}});
    EXPECT_TRUE(DecodeRtcm3Msm(View(whole), known, out));
    for (size_t keep : {whole.size() - 3, size_t{20}, size_t{0}})
        EXPECT_FALSE(DecodeRtcm3Msm(View(whole.substr(0, keep)), known, out)) << keep;
    // Not an MSM of a converted system (SBAS MSM7).
    EXPECT_FALSE(DecodeRtcm3Msm(
        View(testsupport::Rtcm3MsmMessage(1107, 0, false, {{5, 70}}, {{5, 2}})), known, out));
}

// A legacy 1004 / 1012 message of one satellite.
struct LegacyFields {
    int id = 7, code1 = 0, channel = 9;
    uint64_t range1 = 1000000;
    int64_t phase1 = 2000;
    int lock1 = 100, ambiguity = 70, cnr1 = 180, code2 = 2;
    int64_t diff2 = -500, phase2 = -3000;
    int lock2 = 90, cnr2 = 160;
};
std::string Legacy(uint16_t number, const LegacyFields& f) {
    const bool glonass = number >= 1009;
    BitWriter w;
    w.U(number, 12).U(0, 12);
    if (glonass) {
        w.U(3600000, 27);
    } else {
        w.U(345600000, 30);
    }
    w.U(0, 1).U(1, 5).U(0, 4);
    w.U(f.id, 6).U(f.code1, 1);
    if (glonass) w.U(f.channel, 5);
    w.U(f.range1, glonass ? 25 : 24).S(f.phase1, 20).U(f.lock1, 7);
    w.U(f.ambiguity, glonass ? 7 : 8).U(f.cnr1, 8);
    w.U(f.code2, 2).S(f.diff2, 14).S(f.phase2, 20).U(f.lock2, 7).U(f.cnr2, 8);
    return w.str();
}

TEST(Rtcm3Legacy, GpsAndGlonassValuesAndSlots) {
    Rtcm3Observations gps;
    ASSERT_TRUE(DecodeRtcm3Legacy(View(Legacy(1004, {})), gps));
    EXPECT_DOUBLE_EQ(gps.time.timeOfWeek, 345600.0);
    ASSERT_EQ(gps.sats.size(), 1u);
    const double range = 70 * kLightMs + 20000.0;
    const std::vector<BlockData>& g = gps.sats[0].blocks;
    ASSERT_EQ(g.size(), 2u);
    EXPECT_EQ(g[0].signalType, 0);  // C1C
    EXPECT_DOUBLE_EQ(g[0].pseudorange, range);
    EXPECT_DOUBLE_EQ(g[0].carrierPhase, (range + 1.0) / kGpsL1);
    EXPECT_DOUBLE_EQ(g[0].snr, 45.0);
    EXPECT_EQ(g[1].signalType, 11);  // C2W (P(Y) cross-correlated)
    EXPECT_DOUBLE_EQ(g[1].pseudorange, range - 10.0);
    EXPECT_DOUBLE_EQ(g[1].carrierPhase, (range - 1.5) / kGpsL2);
    EXPECT_DOUBLE_EQ(g[1].snr, 40.0);

    // GLONASS: two-light-millisecond ambiguity, C/A on slot C1C, P on C2P, channel 9 = +2.
    LegacyFields f;
    f.id = 4;
    f.ambiguity = 30;
    f.code2 = 1;
    Rtcm3Observations glo;
    ASSERT_TRUE(DecodeRtcm3Legacy(View(Legacy(1012, f)), glo));
    EXPECT_DOUBLE_EQ(glo.time.glonassTod, 3600.0);
    ASSERT_EQ(glo.sats.size(), 1u);
    EXPECT_EQ(glo.sats[0].glonassChannel, 2);
    const double gloRange = 30 * 2 * kLightMs + 20000.0;
    const std::vector<BlockData>& r = glo.sats[0].blocks;
    ASSERT_EQ(r.size(), 2u);
    EXPECT_EQ(DefaultObsCode(1, r[0].signalType), "C1C");
    EXPECT_DOUBLE_EQ(r[0].pseudorange, gloRange);
    EXPECT_DOUBLE_EQ(r[0].carrierPhase,
                     (gloRange + 1.0) / CarrierWavelength(kSysGlonass, r[0].signalType, 2));
    EXPECT_EQ(DefaultObsCode(1, r[1].signalType), "C2P");
    ASSERT_EQ(glo.glonassFrequencies.size(), 1u);
    EXPECT_EQ(glo.glonassFrequencies[0][1], 2);
}

TEST(Rtcm3Legacy, InvalidAndMissingPartsAreAbsent) {
    struct Case {
        const char* name;
        LegacyFields fields;
        size_t blocks;
        bool l1Phase;
    };
    LegacyFields noPhase1, noL2, zeroL2, sbas;
    noPhase1.phase1 = -524288;
    noL2.diff2 = -8192;
    zeroL2.diff2 = zeroL2.phase2 = 0;
    zeroL2.lock2 = zeroL2.cnr2 = 0;
    sbas.id = 49;  // PRN 129
    const Case cases[] = {
        {"invalid L1 phase", noPhase1, 2, false},
        {"invalid L2 range", noL2, 1, true},
        {"all-zero L2", zeroL2, 1, true},
        {"SBAS on L1 only", sbas, 1, true},
    };
    for (const Case& c : cases) {
        Rtcm3Observations obs;
        ASSERT_TRUE(DecodeRtcm3Legacy(View(Legacy(1004, c.fields)), obs)) << c.name;
        ASSERT_EQ(obs.sats.size(), 1u) << c.name;
        EXPECT_EQ(obs.sats[0].blocks.size(), c.blocks) << c.name;
        EXPECT_EQ(obs.sats[0].blocks[0].carrierPhase != 0, c.l1Phase) << c.name;
    }
    Rtcm3Observations obs;
    ASSERT_TRUE(DecodeRtcm3Legacy(View(Legacy(1004, sbas)), obs));
    EXPECT_EQ(obs.sats[0].sysCode, kSysSbas);
    EXPECT_EQ(obs.sats[0].prn, 10);
    // A satellite cut off by the end of the message is left out; a header cut off fails.
    const std::string whole = Legacy(1004, {});
    ASSERT_TRUE(DecodeRtcm3Legacy(View(whole.substr(0, whole.size() - 4)), obs));
    EXPECT_TRUE(obs.sats.empty());
    EXPECT_FALSE(DecodeRtcm3Legacy(View(whole.substr(0, 5)), obs));
}

TEST(Rtcm3Ephemeris, GpsWeekIsResolvedNearTheObservationWeek) {
    // G28 of the NetR9 stream: ten-bit week 685, toc = toe = 604784 s, sqrt(A) 5153.6308...
    const std::string body = FirstMessage("rtcm3/GMSD7_20121014_head.rtcm3", 1019);
    ASSERT_FALSE(body.empty());
    KeplerEphemeris eph;
    ASSERT_TRUE(DecodeRtcm3GpsEphemeris(View(body), 1710, eph));
    EXPECT_EQ(eph.prn, 28);
    EXPECT_EQ(eph.week, 1709);
    EXPECT_EQ(eph.toc.year, 2012);
    EXPECT_EQ(eph.toc.month, 10);
    EXPECT_EQ(eph.toc.day, 13);
    EXPECT_EQ(eph.toc.hour, 23);
    EXPECT_EQ(eph.toc.minute, 59);
    EXPECT_DOUBLE_EQ(eph.toc.second, 44.0);
    EXPECT_DOUBLE_EQ(eph.toe, 604784.0);
    EXPECT_DOUBLE_EQ(eph.transmissionTime, 604784.0);
    EXPECT_DOUBLE_EQ(eph.sqrtA, 5153.630821228027);
    EXPECT_DOUBLE_EQ(eph.e, 0.018162566586397588);
    EXPECT_DOUBLE_EQ(eph.af0, 0.0001947185955941677);
    EXPECT_DOUBLE_EQ(eph.crs, 67.3125);
    EXPECT_DOUBLE_EQ(eph.iode, 6);
    EXPECT_DOUBLE_EQ(eph.accuracy, 2.4);
    // Two rollovers later the same bits give week 1709 + 2048; unknown: + 1024.
    ASSERT_TRUE(DecodeRtcm3GpsEphemeris(View(body), 3750, eph));
    EXPECT_EQ(eph.week, 3757);
    ASSERT_TRUE(DecodeRtcm3GpsEphemeris(View(body), 0, eph));
    EXPECT_EQ(eph.week, 1709);
    EXPECT_FALSE(DecodeRtcm3GpsEphemeris(View(body.substr(0, 40)), 1710, eph));
}

TEST(Rtcm3Ephemeris, BeiDouUnderBothNumbers) {
    const std::string body = FirstMessage("rtcm3/20221213-010900.rtcm", 1042);
    ASSERT_FALSE(body.empty());
    KeplerEphemeris e1042, e1047;
    ASSERT_TRUE(DecodeRtcm3BdsEphemeris(View(body), e1042));
    std::string renumbered = body;
    renumbered[0] = static_cast<char>(1047 >> 4);
    renumbered[1] = static_cast<char>((renumbered[1] & 0x0F) | ((1047 & 0x0F) << 4));
    ASSERT_TRUE(DecodeRtcm3BdsEphemeris(View(renumbered), e1047));
    EXPECT_EQ(e1042.sysCode, kSysBds);
    EXPECT_EQ(e1047.prn, e1042.prn);
    EXPECT_DOUBLE_EQ(e1047.sqrtA, e1042.sqrtA);
    EXPECT_DOUBLE_EQ(e1047.toc.sow, e1042.toc.sow);
    // toc in units of 8 s, BDT week as sent, calendar in BDT.
    EXPECT_EQ(std::fmod(e1042.toc.sow, 8.0), 0.0);
    EXPECT_EQ(e1042.week, 884);
    EXPECT_EQ(e1042.toc.year, 2022);
}

TEST(Rtcm3Ephemeris, GalileoFnavAndInavCarryTheirSourcesAndAccuracy) {
    // E15 in both: week 1216 (+1024), IODnav 33, toc 173400 s; SISA 255 (F/NAV: no
    // prediction) and 107 (I/NAV: 2 + 7 x 0.16 m).
    KeplerEphemeris fnav, inav;
    ASSERT_TRUE(
        DecodeRtcm3GalileoEphemeris(View(FirstMessage("rtcm3/20221213-010900.rtcm", 1045)), fnav));
    ASSERT_TRUE(
        DecodeRtcm3GalileoEphemeris(View(FirstMessage("rtcm3/20221213-010900.rtcm", 1046)), inav));
    for (const KeplerEphemeris* e : {&fnav, &inav}) {
        EXPECT_EQ(e->sysCode, kSysGalileo);
        EXPECT_EQ(e->prn, 15);
        EXPECT_EQ(e->week, 2240);
        EXPECT_EQ(e->iode, 33);
        EXPECT_DOUBLE_EQ(e->toc.sow, 173400.0);
        EXPECT_DOUBLE_EQ(e->crs, 56.15625);
    }
    EXPECT_EQ(fnav.dataSources, 258);
    EXPECT_EQ(inav.dataSources, 517);
    EXPECT_DOUBLE_EQ(fnav.accuracy, -1.0);
    EXPECT_NEAR(inav.accuracy, 3.12, 1e-12);
    EXPECT_DOUBLE_EQ(fnav.af0, 0.0007013342110440135);
    EXPECT_DOUBLE_EQ(inav.af0, 0.000701333861798048);
}

TEST(Rtcm3Ephemeris, GlonassFrameTimeDateAndRejects) {
    // R01 of the NetR9 stream: channel 8 (+1), tk 02:33:00 Moscow, tb 11 (02:45 Moscow), no
    // N4 / NT: dated on the day of the reference time.
    const std::string body = FirstMessage("rtcm3/GMSD7_20121014_head.rtcm3", 1020);
    ASSERT_FALSE(body.empty());
    GnssTime reference;
    reference.week = 1709;
    reference.sow = 604784;
    reference.year = 2012;
    gEphemeris eph;
    int k = 100;
    ASSERT_TRUE(DecodeRtcm3GlonassEphemeris(View(body), reference, 16, eph, k));
    EXPECT_EQ(eph.prn, 1);
    EXPECT_EQ(k, 1);
    EXPECT_EQ(eph.frequencyNumber, 1);
    EXPECT_DOUBLE_EQ(eph.tk, 84780.0);  // 23:33 UTC of the day before, not -1620
    EXPECT_EQ(eph.epoch.year, 2012);
    EXPECT_EQ(eph.epoch.month, 10);
    EXPECT_EQ(eph.epoch.day, 13);
    EXPECT_EQ(eph.epoch.hour, 23);
    EXPECT_EQ(eph.epoch.minute, 45);
    EXPECT_DOUBLE_EQ(eph.x, -19015.64453125);
    EXPECT_DOUBLE_EQ(eph.vz, 3.560131072998047);
    EXPECT_DOUBLE_EQ(eph.tauN, 0.00017627142369747162);

    // Slot 0 and channel numbers beyond 20 are refused; so is a message without a date.
    std::string slot0 = body;
    slot0[1] = static_cast<char>(slot0[1] & 0xF0);
    slot0[2] = static_cast<char>(slot0[2] & 0x3F);
    EXPECT_FALSE(DecodeRtcm3GlonassEphemeris(View(slot0), reference, 16, eph, k));
    std::string channel31 = body;
    channel31[2] = static_cast<char>(channel31[2] | 0x3E);
    EXPECT_FALSE(DecodeRtcm3GlonassEphemeris(View(channel31), reference, 16, eph, k));
    EXPECT_FALSE(DecodeRtcm3GlonassEphemeris(View(body), GnssTime{}, 16, eph, k));
    EXPECT_FALSE(DecodeRtcm3GlonassEphemeris(View(body.substr(0, 30)), reference, 16, eph, k));
}

}  // namespace
