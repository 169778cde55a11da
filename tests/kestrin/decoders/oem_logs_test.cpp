#include "decoders/oem_logs.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "core/gnss_time.h"
#include "decoders/framing.h"
#include "decoders/navwords/glonass_strings.h"
#include "decoders/navwords/gps_lnav.h"
#include "rinex/obs_codes.h"

namespace kestrin {
namespace {

std::string ReadFixture(const std::string& name) {
    std::ifstream in(std::string(TOLLMERE_TEST_DATA) + "/novatel/" + name, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

struct Log {
    OemFrameHeader header;
    ByteView body;
};

// Every log of one message ID whose CRC holds, in file order.
std::vector<Log> LogsOf(const std::string&& bytes, uint16_t id) = delete;  // views into bytes
std::vector<Log> LogsOf(const std::string& bytes, uint16_t id) {
    std::vector<Log> logs;
    ByteView all(bytes.data(), bytes.size());
    size_t offset = 0;
    while (offset < all.size()) {
        ByteView rest = all.From(offset);
        Frame frame = OemFrameAt(rest);
        OemFrameHeader header;
        if (frame.valid() && ReadOemFrameHeader(rest, header)) {
            if (header.messageId == id)
                logs.push_back({header, rest.Sub(header.headerLength, header.messageLength)});
            offset += frame.length;
        } else {
            ++offset;
        }
    }
    return logs;
}

const BlockData* FindBlock(const OBSERVATIONS& epoch, int sysCode, int prn, int slot) {
    int i = FindSatellite(sysCode, prn, epoch.sats);
    if (i < 0) return nullptr;
    for (const BlockData& b : epoch.sats[i].blocks) {
        if (b.signalType == slot) return &b;
    }
    return nullptr;
}

struct ObsFixture {
    int32_t dataType = 1;
    GlonassSlotTable slots = InitialGlonassSlotTable();
    HeaderInfo info;
    OemObsContext ctx{dataType, slots, info, false};
};

// ---- RANGECMP on a real recording ----------------------------------------------------------

TEST(OemRangeCmp, FirstEpochOfRealRecordingDecodesStraightFromTheBlocks) {
    std::string bytes = ReadFixture("oemv_200911218_part.gps");
    std::vector<Log> logs = LogsOf(bytes, kOemRangeCmp);
    ASSERT_EQ(logs.size(), 20u);
    ObsFixture f;
    OBSERVATIONS epoch;
    GnssTime t = OemFrameTime(logs[0].header);
    ASSERT_TRUE(DecodeOemRangeCmp(logs[0].body, t, f.ctx, epoch));

    EXPECT_EQ(epoch.time.week, 1562);
    EXPECT_DOUBLE_EQ(epoch.time.sow, 515220.0);
    EXPECT_EQ(epoch.time.year, 2009);
    EXPECT_EQ(epoch.time.month, 12);
    EXPECT_EQ(epoch.time.day, 18);
    EXPECT_EQ(epoch.time.hour, 23);
    EXPECT_EQ(epoch.time.minute, 7);
    // 9 GPS, 2 SBAS and 5 GLONASS satellites out of 30 blocks.
    ASSERT_EQ(epoch.sats.size(), 16u);

    const BlockData* g03l1 = FindBlock(epoch, kSysGps, 3, 0);
    ASSERT_NE(g03l1, nullptr);
    EXPECT_DOUBLE_EQ(g03l1->pseudorange, 20213930.640625);
    EXPECT_DOUBLE_EQ(g03l1->carrierPhase, 106224932.51171875);  // -(ADR - 12 x 2^23)
    EXPECT_DOUBLE_EQ(g03l1->doppler, -1140.2265625);
    EXPECT_DOUBLE_EQ(g03l1->lockTime, 14247.375);
    EXPECT_DOUBLE_EQ(g03l1->snr, 51.0);
    EXPECT_EQ(g03l1->lli, 0u);
    const BlockData* g03l2 = FindBlock(epoch, kSysGps, 3, 11);  // L2 P(Y) codeless: C2W
    ASSERT_NE(g03l2, nullptr);
    EXPECT_DOUBLE_EQ(g03l2->pseudorange, 20213929.546875);
    EXPECT_DOUBLE_EQ(g03l2->carrierPhase, 82772666.96484375);

    // GLONASS PRN field 51 is slot 14; its wavelength comes from the slot table (-7).
    const BlockData* r14 = FindBlock(epoch, kSysGlonass, 14, 1);
    ASSERT_NE(r14, nullptr);
    EXPECT_DOUBLE_EQ(r14->pseudorange, 19271851.0703125);
    EXPECT_DOUBLE_EQ(r14->carrierPhase, 102729811.3671875);
    EXPECT_NE(FindBlock(epoch, kSysGlonass, 14, 2), nullptr);  // L2 P
    // SBAS 129 and 137 become 10 and 18.
    const BlockData* s10 = FindBlock(epoch, kSysSbas, 10, 0);
    ASSERT_NE(s10, nullptr);
    EXPECT_DOUBLE_EQ(s10->carrierPhase, 197915775.8359375);
    EXPECT_NE(FindBlock(epoch, kSysSbas, 18, 0), nullptr);

    EXPECT_EQ(f.info.systemsPresent, 1 | 2 | 8);
    EXPECT_EQ(f.info.obsCodes[0][0], DefaultObsCode(0, 0));
    EXPECT_EQ(f.info.obsCodes[0][11], DefaultObsCode(0, 11));
    EXPECT_EQ(f.info.obsCodes[1][1], DefaultObsCode(1, 1));
    EXPECT_EQ(f.info.obsCodes[1][2], DefaultObsCode(1, 2));
    EXPECT_TRUE(f.info.obsCodes[0][9].empty());
    EXPECT_EQ(f.dataType, 1);
}

TEST(OemRangeCmp, ModernRecordingKeepsTheMappedSignalsOnly) {
    std::string bytes = ReadFixture("20230819-061342qlnav.nov");
    std::vector<Log> logs = LogsOf(bytes, kOemRangeCmp);
    ASSERT_EQ(logs.size(), 30u);
    ObsFixture f;
    OBSERVATIONS epoch;
    ASSERT_TRUE(DecodeOemRangeCmp(logs[0].body, OemFrameTime(logs[0].header), f.ctx, epoch));
    EXPECT_EQ(epoch.time.year, 2023);
    EXPECT_EQ(epoch.time.month, 8);
    EXPECT_EQ(epoch.time.day, 19);
    for (const SatelliteData& sat : epoch.sats) {
        EXPECT_GE(sat.prn, 1);
        EXPECT_GT(SatelliteIndex(sat.sysCode, sat.prn), 0);
        EXPECT_FALSE(sat.blocks.empty());
        for (const BlockData& b : sat.blocks) {
            EXPECT_GE(b.signalType, 0);
            EXPECT_LT(b.signalType, kSignalSlots);
        }
    }
    // GPS, GLONASS, Galileo, BDS and QZSS occur; NavIC (status system 6) does not count.
    EXPECT_EQ(f.info.systemsPresent, 1 | 2 | 4 | 0x10 | 0x20);
    // GPS L5 Q (type 14) and L2C (type 17), Galileo E5a Q (12) and E5b Q (17).
    EXPECT_FALSE(f.info.obsCodes[0][20].empty());
    EXPECT_FALSE(f.info.obsCodes[0][16].empty());
    EXPECT_FALSE(f.info.obsCodes[5][6].empty());
    EXPECT_FALSE(f.info.obsCodes[5][9].empty());
    EXPECT_EQ(f.dataType, 1);  // BeiDou numbered 1..63 leaves the sub-format as dispatched
}

TEST(OemRangeCmp, BlocksPastTheBodyAreNotRead) {
    std::string bytes = ReadFixture("oemv_200911218_part.gps");
    std::vector<Log> logs = LogsOf(bytes, kOemRangeCmp);
    ASSERT_FALSE(logs.empty());
    // A count of 30 but only 10 blocks' worth of body: the 10 blocks are decoded.
    ByteView cut = logs[0].body.Sub(0, 4 + 10 * 24 + 7);
    ObsFixture f;
    OBSERVATIONS epoch;
    ASSERT_TRUE(DecodeOemRangeCmp(cut, GnssTime{}, f.ctx, epoch));
    EXPECT_EQ(epoch.sats.size(), 5u);
    EXPECT_FALSE(DecodeOemRangeCmp(logs[0].body.Sub(0, 3), GnssTime{}, f.ctx, epoch));
}

// ---- RANGE from built blocks ---------------------------------------------------------------

struct RangeBlock {
    uint16_t prn;
    uint16_t freq;
    double pr;
    double adr;
    float doppler;
    float cn0;
    float lock;
    uint32_t status;
};

uint32_t Status(int system, int signal, bool parity = true, bool phase = true, bool code = true) {
    return (static_cast<uint32_t>(system) << 16) | (static_cast<uint32_t>(signal) << 21) |
           (phase ? 1u << 10 : 0u) | (parity ? 1u << 11 : 0u) | (code ? 1u << 12 : 0u);
}

template <class T>
void Put(std::string& s, size_t off, T v) {
    std::memcpy(&s[off], &v, sizeof v);
}

std::string RangeBody(const std::vector<RangeBlock>& blocks, uint32_t count = ~0u) {
    std::string s(4 + 44 * blocks.size(), '\0');
    Put<uint32_t>(s, 0, count == ~0u ? static_cast<uint32_t>(blocks.size()) : count);
    for (size_t i = 0; i < blocks.size(); ++i) {
        size_t o = 4 + 44 * i;
        const RangeBlock& b = blocks[i];
        Put(s, o, b.prn);
        Put(s, o + 2, b.freq);
        Put(s, o + 4, b.pr);
        Put(s, o + 16, b.adr);
        Put(s, o + 28, b.doppler);
        Put(s, o + 32, b.cn0);
        Put(s, o + 36, b.lock);
        Put(s, o + 40, b.status);
    }
    return s;
}

TEST(OemRange, BlocksOfOneSatelliteBecomeItsSignals) {
    std::string body = RangeBody({
        {5, 0, 22000000.5, -115610000.25, -1200.5f, 48.0f, 300.0f, Status(0, 0)},
        {5, 0, 22000001.5, -90085000.75, -935.5f, 42.0f, 290.0f, Status(0, 5, false, true, false)},
        {45, 8, 21000000.0, -112000000.0, 100.0f, 45.0f, 50.0f, Status(1, 0, false, false)},
        {7, 0, 1.0, 1.0, 1.0f, 1.0f, 1.0f, Status(7, 0)},  // system 7: skipped
    });
    ObsFixture f;
    OBSERVATIONS epoch;
    ASSERT_TRUE(DecodeOemRange(ByteView(body.data(), body.size()), GnssTime{}, f.ctx, epoch));
    ASSERT_EQ(epoch.sats.size(), 2u);

    const SatelliteData& g05 = epoch.sats[0];
    EXPECT_EQ(g05.sysCode, kSysGps);
    EXPECT_EQ(g05.prn, 5);
    ASSERT_EQ(g05.blocks.size(), 2u);
    EXPECT_EQ(g05.blocks[0].signalType, 0);  // C1C
    EXPECT_DOUBLE_EQ(g05.blocks[0].pseudorange, 22000000.5);
    EXPECT_DOUBLE_EQ(g05.blocks[0].carrierPhase, 115610000.25);  // |ADR|
    EXPECT_DOUBLE_EQ(g05.blocks[0].doppler, -1200.5);
    EXPECT_DOUBLE_EQ(g05.blocks[0].snr, 48.0);
    EXPECT_DOUBLE_EQ(g05.blocks[0].lockTime, 300.0);
    EXPECT_EQ(g05.blocks[0].lli, 0u);
    EXPECT_EQ(g05.blocks[1].signalType, 9);            // C2P
    EXPECT_DOUBLE_EQ(g05.blocks[1].pseudorange, 0.0);  // code not locked
    EXPECT_DOUBLE_EQ(g05.blocks[1].carrierPhase, 90085000.75);
    EXPECT_DOUBLE_EQ(g05.blocks[1].doppler, -935.5);
    EXPECT_EQ(g05.blocks[1].lli, 2u);  // locked, parity unknown: half cycle only

    const SatelliteData& r08 = epoch.sats[1];
    EXPECT_EQ(r08.sysCode, kSysGlonass);
    EXPECT_EQ(r08.prn, 8);
    EXPECT_EQ(r08.glonassChannel, 1);
    EXPECT_EQ(f.info.glonassChannels[8], 1);
    ASSERT_EQ(r08.blocks.size(), 1u);
    EXPECT_EQ(r08.blocks[0].signalType, 1);  // C1C
    EXPECT_EQ(r08.blocks[0].lli, 3u);        // phase not locked (slip), parity unknown (half cycle)
    EXPECT_DOUBLE_EQ(r08.blocks[0].carrierPhase, 112000000.0);  // blanking is off
    EXPECT_EQ(f.info.systemsPresent, 1 | 2);
}

TEST(OemRange, PhaseBlankingRemovesUnlockedPhases) {
    std::string body =
        RangeBody({{5, 0, 2.2e7, -1.1e8, 0.f, 40.f, 1.f, Status(0, 0, true, false)}});
    ObsFixture f;
    f.ctx.phaseBlanking = true;
    OBSERVATIONS epoch;
    ASSERT_TRUE(DecodeOemRange(ByteView(body.data(), body.size()), GnssTime{}, f.ctx, epoch));
    ASSERT_EQ(epoch.sats.size(), 1u);
    EXPECT_EQ(epoch.sats[0].blocks[0].carrierPhase, 0.0);
    EXPECT_TRUE(std::signbit(epoch.sats[0].blocks[0].carrierPhase));
    EXPECT_EQ(epoch.sats[0].blocks[0].lli, 1u);
}

TEST(OemRange, DuplicateSignalKeepsThePhaseCloserToTheRange) {
    const double l1 = CarrierWavelength(kSysGps, 0, 100);
    const double pr = 21000000.0;
    const double good = pr / l1 + 3.0;   // 3 cycles off
    const double bad = pr / l1 + 900.0;  // 900 cycles off
    for (bool goodFirst : {true, false}) {
        std::string body = RangeBody({
            {9, 0, pr, -(goodFirst ? good : bad), 0.f, 40.f, 1.f, Status(0, 0)},
            {9, 0, pr, -(goodFirst ? bad : good), 0.f, 41.f, 1.f, Status(0, 0)},
        });
        ObsFixture f;
        OBSERVATIONS epoch;
        ASSERT_TRUE(DecodeOemRange(ByteView(body.data(), body.size()), GnssTime{}, f.ctx, epoch));
        ASSERT_EQ(epoch.sats.size(), 1u);
        ASSERT_EQ(epoch.sats[0].blocks.size(), 1u);
        EXPECT_DOUBLE_EQ(epoch.sats[0].blocks[0].carrierPhase, good) << goodFirst;
    }
}

TEST(OemRange, CountBeyondTheBodyDecodesOnlyWhatIsThere) {
    std::string body = RangeBody({{5, 0, 2.2e7, -1.1e8, 0.f, 40.f, 1.f, Status(0, 0)}}, 1000000);
    ObsFixture f;
    OBSERVATIONS epoch;
    ASSERT_TRUE(DecodeOemRange(ByteView(body.data(), body.size() - 1), GnssTime{}, f.ctx, epoch));
    EXPECT_TRUE(epoch.sats.empty());
    ASSERT_TRUE(DecodeOemRange(ByteView(body.data(), body.size()), GnssTime{}, f.ctx, epoch));
    EXPECT_EQ(epoch.sats.size(), 1u);
}

// ---- numbering and signal tables -----------------------------------------------------------

TEST(OemNumbering, SatelliteNumbersAndSubFormatDetection) {
    struct Case {
        int system;
        int raw;
        bool compressed;
        int dataTypeBefore;
        bool ok;
        int sysCode;
        int prn;
        int dataTypeAfter;
    };
    const Case cases[] = {
        {0, 5, false, 1, true, kSysGps, 5, 1},
        {0, 33, false, 1, false, kSysGps, 33, 1},
        {1, 45, false, 1, true, kSysGlonass, 8, 1},
        {1, 37, false, 1, false, kSysGlonass, 0, 1},  // 37 - 37 = 0: no slot
        {1, 37, true, 1, false, kSysGlonass, 37, 1},
        {1, 38, true, 1, true, kSysGlonass, 1, 1},
        {1, 64, false, 1, true, kSysGlonass, 27, 1},  // spare slot
        {1, 65, false, 1, false, kSysGlonass, 28, 1},
        {2, 120, false, 1, true, kSysSbas, 1, 1},
        {2, 138, false, 1, true, kSysSbas, 19, 1},
        {2, 158, false, 1, true, kSysSbas, 39, 1},
        {2, 159, false, 1, false, kSysSbas, 40, 1},
        {2, 183, false, 1, false, kSysSbas, 64, 1},  // QZSS SAIF: not an SBAS PRN
        {3, 11, false, 1, true, kSysGalileo, 11, 1},
        {3, 31, false, 1, true, kSysGalileo, 31, 1},
        {3, 36, false, 1, true, kSysGalileo, 36, 1},
        {3, 37, false, 1, false, kSysGalileo, 37, 1},
        {4, 3, false, 1, true, kSysBds, 3, 1},
        {4, 143, false, 2, true, kSysBds, 3, 5},
        {4, 163, false, 1, true, kSysBds, 3, 6},
        {4, 163, false, 6, true, kSysBds, 3, 6},
        {4, 146, false, 5, true, kSysBds, 6, 5},
        {4, 150, false, 6, false, kSysBds, 150, 6},  // kept, outside the BDS table
        {4, 21, false, 1, true, kSysBds, 21, 1},
        {4, 63, false, 1, true, kSysBds, 63, 1},
        {4, 64, false, 1, false, kSysBds, 64, 1},
        {5, 193, true, 1, true, kSysQzss, 1, 1},
        {5, 202, true, 1, true, kSysQzss, 10, 1},
        {5, 203, true, 1, false, kSysQzss, 11, 1},
        {5, 192, true, 1, false, kSysQzss, 192, 1},
        {5, 193, false, 1, true, kSysQzss, 1, 1},
        {6, 3, false, 1, false, 0, 0, 1},  // NavIC
    };
    for (const Case& c : cases) {
        int32_t dataType = c.dataTypeBefore, sysCode = -1, prn = -1;
        uint32_t status = static_cast<uint32_t>(c.system) << 16;
        bool ok = OemSatellite(status, c.raw, c.compressed, dataType, sysCode, prn);
        EXPECT_EQ(ok, c.ok) << c.system << "/" << c.raw;
        if (c.system < 6) {
            EXPECT_EQ(sysCode, c.sysCode) << c.system << "/" << c.raw;
            EXPECT_EQ(prn, c.prn) << c.system << "/" << c.raw;
        }
        EXPECT_EQ(dataType, c.dataTypeAfter) << c.system << "/" << c.raw;
    }
}

TEST(OemNumbering, SignalTypesBySubFormat) {
    struct Case {
        int dataType;
        int sysCode;
        int type;
        int slot;
    };
    const Case cases[] = {
        {1, kSysGps, 0, 0},      {1, kSysGps, 5, 9},      {2, kSysGps, 9, 11},
        {1, kSysGps, 14, 20},    {1, kSysGps, 17, 16},    {5, kSysGps, 2, 20},
        {5, kSysGps, 14, -1},    {6, kSysGps, 14, 20},    {1, kSysGlonass, 0, 1},
        {1, kSysGlonass, 1, 3},  {1, kSysGlonass, 5, 2},  {6, kSysGlonass, 1, -1},
        {1, kSysGlonass, 6, -1}, {1, kSysSbas, 6, 1},     {5, kSysSbas, 6, -1},
        {6, kSysSbas, 0, -1},    {1, kSysGalileo, 1, 2},  {1, kSysGalileo, 2, 0},
        {1, kSysGalileo, 12, 6}, {1, kSysGalileo, 17, 9}, {1, kSysGalileo, 20, 12},
        {5, kSysGalileo, 2, -1}, {1, kSysBds, 4, 0},      {1, kSysBds, 5, 3},
        {2, kSysBds, 6, 6},      {1, kSysBds, 7, -1},     {5, kSysBds, 17, 3},
        {5, kSysBds, 2, 6},      {6, kSysBds, 21, 6},     {6, kSysBds, 2, -1},
        {1, kSysQzss, 14, 9},    {1, kSysQzss, 17, 5},    {6, kSysQzss, 0, -1},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(OemSignalSlot(c.dataType, c.sysCode, c.type), c.slot)
            << c.dataType << "/" << c.sysCode << "/" << c.type;
    }
}

// ---- navigation logs ---------------------------------------------------------------------

TEST(OemNavigation, RawEphemSubframesAgreeWithTheLogAndWithThemselves) {
    for (const char* name : {"oemv_200911218_part.gps", "20230819-061342qlnav.nov"}) {
        std::string bytes = ReadFixture(name);
        std::vector<Log> logs = LogsOf(bytes, kOemRawEphem);
        ASSERT_FALSE(logs.empty()) << name;
        for (const Log& log : logs) {
            KeplerEphemeris eph;
            ASSERT_TRUE(DecodeOemRawEphem(log.body, eph)) << name;
            LnavEphemeris lnav;
            ASSERT_TRUE(DecodeLnavSubframes(log.body.Sub(12, 30), log.body.Sub(42, 30),
                                            log.body.Sub(72, 30), lnav));
            EXPECT_EQ(eph.sysCode, kSysGps);
            EXPECT_EQ(eph.prn, static_cast<int>(log.body.U32(0)));
            // The full week of the log resolves the 10-bit broadcast week.
            EXPECT_EQ(eph.week, log.body.U32(4)) << name;
            EXPECT_EQ(static_cast<int>(eph.week) % 1024, lnav.week10);
            EXPECT_DOUBLE_EQ(eph.toe, log.body.U32(8));  // reference seconds = toe
            EXPECT_DOUBLE_EQ(eph.transmissionTime, eph.toe);
            EXPECT_EQ(lnav.iode, lnav.iode3);                         // subframes 2 and 3 match
            EXPECT_EQ(static_cast<int>(eph.iodc) & 0xFF, lnav.iode);  // and subframe 1
            EXPECT_NEAR(eph.sqrtA, 5153.6, 2.0);
            EXPECT_GT(eph.e, 0.0);
            EXPECT_LT(eph.e, 0.03);
            EXPECT_NEAR(eph.i0 * 180.0 / M_PI, 54.0, 4.0);  // inclinations of 50.9 to 57 deg
            EXPECT_LT(std::fabs(eph.af0), 1e-3);
            EXPECT_EQ(eph.toc.week, static_cast<int>(eph.week));
            EXPECT_DOUBLE_EQ(eph.toc.sow, eph.toe);
            EXPECT_GE(eph.accuracy, 2.4);
        }
    }
    // One of the 2009 records in detail: the epoch falls on a whole hour of 2009-12-18.
    const std::string oemv = ReadFixture("oemv_200911218_part.gps");
    std::vector<Log> logs = LogsOf(oemv, kOemRawEphem);
    KeplerEphemeris eph;
    ASSERT_TRUE(DecodeOemRawEphem(logs[0].body, eph));
    EXPECT_EQ(eph.toc.year, 2009);
    EXPECT_EQ(eph.toc.month, 12);
    EXPECT_EQ(eph.week, 1562);
}

TEST(OemNavigation, RawEphemWeekFieldGetsTheRolloverOfItsReference) {
    const std::string oemv = ReadFixture("oemv_200911218_part.gps");
    std::vector<Log> logs = LogsOf(oemv, kOemRawEphem);
    ASSERT_FALSE(logs.empty());
    std::string body(reinterpret_cast<const char*>(logs[0].body.data()), logs[0].body.size());
    // Week field 700 in subframe 1 (bits 48..57) with a reference week of 0: 700 + 1024.
    uint32_t zero = 0;
    std::memcpy(&body[4], &zero, 4);
    uint8_t* sf1 = reinterpret_cast<uint8_t*>(&body[12]);
    sf1[6] = static_cast<uint8_t>(700 >> 2);
    sf1[7] = static_cast<uint8_t>((sf1[7] & 0x3F) | ((700 & 3) << 6));
    KeplerEphemeris eph;
    ASSERT_TRUE(DecodeOemRawEphem(ByteView(body.data(), body.size()), eph));
    EXPECT_EQ(eph.week, 1724);
}

TEST(OemNavigation, GloEphemerisOfRealRecording) {
    const std::string oemv = ReadFixture("oemv_200911218_part.gps");
    std::vector<Log> logs = LogsOf(oemv, kOemGloEphemeris);
    ASSERT_EQ(logs.size(), 5u);
    GlonassSlotTable slots = InitialGlonassSlotTable();
    HeaderInfo info;
    int32_t leap = 0;
    OemGlonassContext ctx{leap, slots, info};
    for (const Log& log : logs) {
        gEphemeris eph;
        ASSERT_TRUE(DecodeOemGloEphemeris(log.body, ctx, eph));
        EXPECT_EQ(eph.sysCode, kSysGlonass);
        EXPECT_EQ(eph.prn, log.body.U16(0) - 37);
        double r = std::sqrt(eph.x * eph.x + eph.y * eph.y + eph.z * eph.z);
        EXPECT_NEAR(r, 25510.0, 50.0);  // km
        double v = std::sqrt(eph.vx * eph.vx + eph.vy * eph.vy + eph.vz * eph.vz);
        EXPECT_GT(v, 3.0);  // km/s in the rotating earth-fixed frame
        EXPECT_LT(v, 4.0);
        EXPECT_DOUBLE_EQ(eph.frequencyNumber, log.body.U16(2) - 7.0);
        EXPECT_EQ(info.glonassChannels[eph.prn], eph.frequencyNumber);
        EXPECT_EQ(slots[eph.prn], eph.frequencyNumber);
        EXPECT_EQ(eph.epoch.year, 2009);
        // The frame time is a time of the UTC day, before the reference time it belongs to.
        EXPECT_GE(eph.tk, 0.0);
        EXPECT_LT(eph.tk, 86400.0);
        EXPECT_LE(eph.tk, std::fmod(eph.epoch.sow, 86400.0));
        // Reference times are whole quarter hours of UTC: GPS seconds minus 15 leap seconds.
        EXPECT_EQ(static_cast<int>(std::lround(eph.epoch.sow)) % 900, 0);
    }
    EXPECT_EQ(leap, 15);
}

TEST(OemNavigation, GloEphemerisLearnsTheFrequencyOfItsSlot) {
    std::string body(148, '\0');
    uint16_t slot = 10 + 37, freq = 9, week = 1562;
    uint32_t ms = 515700000;
    std::memcpy(&body[0], &slot, 2);
    std::memcpy(&body[2], &freq, 2);
    std::memcpy(&body[6], &week, 2);
    std::memcpy(&body[8], &ms, 4);
    GlonassSlotTable slots = InitialGlonassSlotTable();
    ASSERT_EQ(slots[10], -7);
    HeaderInfo info;
    int32_t leap = 15;
    OemGlonassContext ctx{leap, slots, info};
    gEphemeris eph;
    ASSERT_TRUE(DecodeOemGloEphemeris(ByteView(body.data(), body.size()), ctx, eph));
    EXPECT_EQ(slots[10], 2);
    EXPECT_EQ(info.glonassChannels[10], 2);
    EXPECT_DOUBLE_EQ(eph.epoch.sow, 515700.0 - 15.0);
    // Slot 0 is ignored; a body shorter than the layout is not decoded.
    uint16_t none = 0;
    std::memcpy(&body[0], &none, 2);
    EXPECT_FALSE(DecodeOemGloEphemeris(ByteView(body.data(), body.size()), ctx, eph));
    std::memcpy(&body[0], &slot, 2);
    EXPECT_FALSE(DecodeOemGloEphemeris(ByteView(body.data(), 139), ctx, eph));
}

TEST(OemNavigation, GalileoAndBeidouEphemeridesOfRealRecording) {
    std::string bytes = ReadFixture("20230819-061342qlnav.nov");
    std::vector<Log> gal = LogsOf(bytes, kOemGalEphemeris);
    ASSERT_EQ(gal.size(), 14u);
    std::set<int> galileoPrns;
    for (const Log& log : gal) {
        KeplerEphemeris eph;
        ASSERT_TRUE(
            DecodeOemGalEphemeris(log.body, log.header.week, log.header.msOfWeek * 0.001, eph));
        galileoPrns.insert(eph.prn);
        EXPECT_EQ(eph.sysCode, kSysGalileo);
        EXPECT_NEAR(eph.sqrtA, 5440.6, 1.0);
        EXPECT_EQ(eph.week, 2275);
        EXPECT_EQ(eph.toc.year, 2023);
        EXPECT_DOUBLE_EQ(eph.transmissionTime, eph.toe);
        // Every log of the recording has I/NAV only (bytes 4..11: F/NAV 0, I/NAV 1) and SISA
        // index 107, which the accuracy table gives as 2 m + 7 x 16 cm.
        EXPECT_EQ(eph.dataSources, (1u << 0) | (1u << 9));
        EXPECT_NEAR(eph.accuracy, 3.12, 1e-12);
        EXPECT_EQ(eph.health, 0u);
    }
    // E34 and E36 are decoded like every other Galileo satellite.
    EXPECT_TRUE(galileoPrns.count(34) && galileoPrns.count(36));
    // Logged across a week boundary, the ephemeris keeps the week of its time of clock.
    struct WeekCase {
        int headerWeek;
        double headerSow;
        int week;
    };
    const std::string moved = [&] {
        const ByteView first = gal.front().body;
        std::string body(first.data(), first.data() + 220);
        uint32_t prn = 9;
        std::memcpy(&body[0], &prn, 4);
        uint32_t inav = 1, toc = 604200;  // Saturday 23:50
        std::memcpy(&body[8], &inav, 4);
        std::memcpy(&body[176], &toc, 4);
        return body;
    }();
    for (const WeekCase& c : {WeekCase{2276, 300.0, 2275}, WeekCase{2275, 604000.0, 2275},
                              WeekCase{2275, 302000.0, 2275}}) {
        KeplerEphemeris eph;
        ASSERT_TRUE(DecodeOemGalEphemeris(ByteView(moved.data(), moved.size()), c.headerWeek,
                                          c.headerSow, eph));
        EXPECT_EQ(eph.week, c.week) << c.headerWeek << " " << c.headerSow;
        EXPECT_EQ(eph.toc.week, c.week);
        EXPECT_DOUBLE_EQ(eph.toc.sow, 604200.0);
    }
    {
        std::string early = moved;
        uint32_t toc = 600;  // Sunday 00:10 of the next week, logged on Saturday night
        std::memcpy(&early[176], &toc, 4);
        KeplerEphemeris eph;
        ASSERT_TRUE(
            DecodeOemGalEphemeris(ByteView(early.data(), early.size()), 2275, 604500.0, eph));
        EXPECT_EQ(eph.week, 2276);
    }
    {
        // The same log as F/NAV only, E5a "out of service" but valid, E1-B "in test", SISA
        // "no accuracy prediction": F/NAV source with the E5a/E1 clock, health states as sent.
        std::string fnav = moved;
        const uint32_t yes = 1, no = 0;
        std::memcpy(&fnav[4], &yes, 4);
        std::memcpy(&fnav[8], &no, 4);
        fnav[12] = 3;  // E1-B health: ignored without I/NAV
        fnav[13] = 1;  // E5a health
        fnav[16] = 1;  // E5a data validity
        fnav[18] = static_cast<char>(255);
        KeplerEphemeris eph;
        ASSERT_TRUE(DecodeOemGalEphemeris(ByteView(fnav.data(), fnav.size()), 2275, 600.0, eph));
        EXPECT_EQ(eph.dataSources, (1u << 1) | (1u << 8));
        EXPECT_EQ(eph.health, (1u << 3) | (1u << 4));
        EXPECT_DOUBLE_EQ(eph.accuracy, -1.0);
    }
    std::vector<Log> bds = LogsOf(bytes, kOemBdsEphemeris);
    ASSERT_EQ(bds.size(), 23u);
    int aboveC20 = 0;
    for (const Log& log : bds) {
        KeplerEphemeris eph;
        ASSERT_TRUE(DecodeOemBdsEphemeris(log.body, eph));  // C01..C63 all decode
        EXPECT_EQ(eph.prn, static_cast<int>(log.body.U32(0)));
        if (eph.prn > 20) ++aboveC20;
        EXPECT_EQ(eph.sysCode, kSysBds);
        EXPECT_EQ(eph.week, 919);  // BDS week of 2023-08-19
        EXPECT_EQ(eph.toc.year, 2023);
        EXPECT_EQ(eph.toc.month, 8);
        EXPECT_TRUE(std::fabs(eph.sqrtA - 5282.6) < 2.0 || std::fabs(eph.sqrtA - 6493.4) < 2.0)
            << eph.sqrtA;
    }
    EXPECT_GT(aboveC20, 0);
}

// A body whose every double slot holds its own offset, so that a field read from the wrong
// place shows at once.
std::string OffsetBody(size_t size, const std::vector<size_t>& doubles) {
    std::string body(size, '\0');
    for (size_t off : doubles) {
        double v = static_cast<double>(off);
        std::memcpy(&body[off], &v, 8);
    }
    return body;
}
void PutU32(std::string& body, size_t off, uint32_t v) {
    std::memcpy(&body[off], &v, 4);
}

TEST(OemNavigation, GpsEphemLayoutAndItsQzssAndBeidouTwins) {
    std::vector<size_t> doubles = {4,   32,  48,  56,  64,  72,  80,  88,  96,  104, 112, 120,
                                   128, 136, 144, 152, 164, 172, 180, 188, 196, 204, 224};
    std::string body = OffsetBody(232, doubles);
    double a = 26560000.0 * 26560000.0 / 26560000.0;  // semi-major axis, m
    std::memcpy(&body[40], &a, 8);
    double variance = 4.0;
    std::memcpy(&body[216], &variance, 8);
    PutU32(body, 0, 5);
    PutU32(body, 12, 0x21);
    PutU32(body, 16, 77);
    PutU32(body, 24, 1562);
    PutU32(body, 160, 333);

    KeplerEphemeris e;
    ASSERT_TRUE(DecodeOemGpsEphem(ByteView(body.data(), body.size()), e));
    EXPECT_EQ(e.prn, 5);
    EXPECT_EQ(e.sysCode, kSysGps);
    EXPECT_EQ(e.transmissionTime, 4);
    EXPECT_EQ(e.l2PFlag, 0);
    EXPECT_EQ(e.codesOnL2, 0);
    EXPECT_EQ(e.health, 0x21);
    EXPECT_EQ(e.fitInterval, 4);
    EXPECT_EQ(e.iode, 77);
    EXPECT_EQ(e.week, 1562);
    EXPECT_EQ(e.toe, 32);
    EXPECT_DOUBLE_EQ(e.sqrtA, std::sqrt(a));
    const double got[] = {e.deltaN, e.m0, e.e,    e.omega,  e.cuc,      e.cus, e.crc, e.crs, e.cic,
                          e.cis,    e.i0, e.idot, e.omega0, e.omegaDot, e.tgd, e.af0, e.af1, e.af2};
    const double want[] = {48,  56,  64,  72,  80,  88,  96,  104, 112,
                           120, 128, 136, 144, 152, 172, 180, 188, 196};
    for (size_t i = 0; i < std::size(want); ++i) EXPECT_EQ(got[i], want[i]) << i;
    EXPECT_EQ(e.iodc, 333);
    EXPECT_EQ(e.accuracy, 2.0);
    EXPECT_EQ(e.toc.week, 1562);
    EXPECT_DOUBLE_EQ(e.toc.sow, 164.0);

    // QZSS: PRN - 192, the whole word at 12 is the health, fit interval from byte 224.
    std::string q = body;
    PutU32(q, 0, 193);
    q[224] = 2;
    ASSERT_TRUE(DecodeOemQzssEphemeris(ByteView(q.data(), q.size()), e));
    EXPECT_EQ(e.sysCode, kSysQzss);
    EXPECT_EQ(e.prn, 1);
    EXPECT_EQ(e.health, 0x21);
    EXPECT_EQ(e.codesOnL2, 0);
    EXPECT_EQ(e.fitInterval, 2);

    // 1047: BDS week = field - 1356, TGD2 at 180 and the clock terms one slot later.
    std::string b = OffsetBody(232, doubles);
    std::memcpy(&b[40], &a, 8);
    std::memcpy(&b[224], &variance, 8);
    PutU32(b, 0, 163);
    PutU32(b, 24, 1356 + 919);
    ASSERT_TRUE(DecodeOemBdsEphemOld(ByteView(b.data(), b.size()), e));
    EXPECT_EQ(e.sysCode, kSysBds);
    EXPECT_EQ(e.prn, 3);
    EXPECT_EQ(e.week, 919);
    EXPECT_EQ(e.tgd, 172);
    EXPECT_EQ(e.tgd2, 180);
    EXPECT_EQ(e.af0, 188);
    EXPECT_EQ(e.af1, 196);
    EXPECT_EQ(e.af2, 204);
    EXPECT_EQ(e.accuracy, 2.0);
    EXPECT_EQ(e.toc.year, 2023);  // BDS week 919 in BDS time

    EXPECT_FALSE(DecodeOemGpsEphem(ByteView(body.data(), 223), e));

    // Every broadcast health code comes through as it is: the low codes too, which flag a
    // signal problem and must not read as healthy.
    for (uint32_t health : {0u, 1u, 5u, 15u, 0x20u, 0x3Fu}) {
        std::string h = body;
        PutU32(h, 12, health);
        ASSERT_TRUE(DecodeOemGpsEphem(ByteView(h.data(), h.size()), e));
        EXPECT_EQ(e.health, health);
    }
}

TEST(OemNavigation, DecodedEphemerisSelectsSystemByPrn) {
    std::string body = OffsetBody(200, {24,  32,  40,  48,  56,  64,  72,  80,  88,  96,  104,
                                        112, 120, 128, 136, 144, 152, 160, 168, 176, 184, 192});
    body[3] = 0;
    body[4] = static_cast<char>(146);
    uint16_t week = 919, accuracyIndex = 20;
    std::memcpy(&body[14], &week, 2);
    std::memcpy(&body[12], &accuracyIndex, 2);
    KeplerEphemeris e;
    ASSERT_TRUE(DecodeOemDecodedEphem(ByteView(body.data(), body.size()), e));
    EXPECT_EQ(e.sysCode, kSysBds);
    EXPECT_EQ(e.prn, 6);
    EXPECT_EQ(e.week, 919);
    EXPECT_EQ(e.accuracy, 32767.0);
    EXPECT_EQ(e.toe, 24);
    EXPECT_EQ(e.af2, 40);
    EXPECT_EQ(e.af0, 56);
    EXPECT_EQ(e.sqrtA, 88);
    EXPECT_EQ(e.tgd2, 192);
    body[4] = 9;
    week = 538;
    std::memcpy(&body[14], &week, 2);
    ASSERT_TRUE(DecodeOemDecodedEphem(ByteView(body.data(), body.size()), e));
    EXPECT_EQ(e.sysCode, kSysGps);
    EXPECT_EQ(e.prn, 9);
    EXPECT_EQ(e.week, 1562);
}

// ---- GLONASS strings, ionosphere, marks ----------------------------------------------------

// Writes value into an MSB-first field of a string at interface bit firstBit (85..1).
void PutBits(uint8_t* s, int firstBit, int width, uint64_t value) {
    for (int i = 0; i < width; ++i) {
        size_t pos = static_cast<size_t>(88 - firstBit + i);
        uint8_t bit = (value >> (width - 1 - i)) & 1u;
        s[pos / 8] =
            static_cast<uint8_t>((s[pos / 8] & ~(0x80u >> (pos % 8))) | (bit << (7 - pos % 8)));
    }
}
uint64_t SignMag(int64_t v, int width) {
    uint64_t m = static_cast<uint64_t>(v < 0 ? -v : v);
    return (v < 0 ? uint64_t{1} << (width - 1) : 0) | m;
}

TEST(OemNavigation, GloRawEphemStringsDecodeWithSignMagnitudeNumbers) {
    std::string body(20 + 4 * 12, '\0');
    uint16_t slot = 3 + 37, freq = 12;
    uint32_t week = 1562, ms = 515700000;
    std::memcpy(&body[0], &slot, 2);
    std::memcpy(&body[2], &freq, 2);
    std::memcpy(&body[8], &week, 4);
    std::memcpy(&body[12], &ms, 4);
    uint8_t* s1 = reinterpret_cast<uint8_t*>(&body[20]);
    uint8_t* s2 = reinterpret_cast<uint8_t*>(&body[32]);
    uint8_t* s3 = reinterpret_cast<uint8_t*>(&body[44]);
    uint8_t* s4 = reinterpret_cast<uint8_t*>(&body[56]);
    PutBits(s1, 76, 5, 5);                                  // tk hours
    PutBits(s1, 71, 6, 30);                                 // minutes
    PutBits(s1, 65, 1, 1);                                  // + 30 s
    PutBits(s1, 64, 24, SignMag(-1572864, 24));             // x-dot = -1.5 km/s
    PutBits(s1, 40, 5, SignMag(3, 5));                      // x-dot-dot = 3 x 2^-30
    PutBits(s1, 35, 27, SignMag(12345 * 2048 + 1024, 27));  // x = 12345.5 km
    PutBits(s2, 80, 3, 4);                                  // Bn: unhealthy
    PutBits(s2, 35, 27, SignMag(-2048, 27));                // y = -1 km
    PutBits(s3, 79, 11, SignMag(-5, 11));                   // gamma-n = -5 x 2^-40
    PutBits(s3, 64, 24, SignMag(1048576, 24));              // z-dot = 1 km/s
    PutBits(s4, 80, 22, SignMag(-1000, 22));                // tau-n = -1000 x 2^-30 s
    PutBits(s4, 53, 5, 7);                                  // age 7 days

    GlonassSlotTable slots = InitialGlonassSlotTable();
    HeaderInfo info;
    int32_t leap = 15;
    OemGlonassContext ctx{leap, slots, info};
    gEphemeris eph;
    ASSERT_TRUE(DecodeOemGloRawEphem(ByteView(body.data(), body.size()), ctx, eph));
    EXPECT_EQ(eph.prn, 3);
    EXPECT_DOUBLE_EQ(eph.frequencyNumber, 5.0);
    EXPECT_EQ(slots[3], 5);
    EXPECT_DOUBLE_EQ(eph.tk, 5 * 3600 + 30 * 60 + 30 - 10800.0);
    PutBits(s1, 76, 5, 1);  // 01:30:30 Moscow time is 22:30:30 UTC of the day before
    ASSERT_TRUE(DecodeOemGloRawEphem(ByteView(body.data(), body.size()), ctx, eph));
    EXPECT_DOUBLE_EQ(eph.tk, 22 * 3600 + 30 * 60 + 30);
    EXPECT_DOUBLE_EQ(eph.vx, -1.5);
    EXPECT_DOUBLE_EQ(eph.ax, std::ldexp(3.0, -30));
    EXPECT_DOUBLE_EQ(eph.x, 12345.5);
    EXPECT_DOUBLE_EQ(eph.y, -1.0);
    EXPECT_DOUBLE_EQ(eph.vz, 1.0);
    EXPECT_DOUBLE_EQ(eph.health, 1.0);
    EXPECT_DOUBLE_EQ(eph.gammaN, std::ldexp(-5.0, -40));
    EXPECT_DOUBLE_EQ(eph.tauN, std::ldexp(-1000.0, -30));
    EXPECT_DOUBLE_EQ(eph.ageOrIodn, 7.0);
    EXPECT_DOUBLE_EQ(eph.epoch.sow, 515700.0 - 15.0);
    EXPECT_FALSE(DecodeOemGloRawEphem(ByteView(body.data(), 67), ctx, eph));
}

TEST(GlonassDate, DaysOfTheFourYearInterval) {
    int y = 0, m = 0, d = 0;
    ASSERT_TRUE(GlonassDate(1, 1, y, m, d));
    EXPECT_EQ(y * 10000 + m * 100 + d, 19960101);
    ASSERT_TRUE(GlonassDate(1, 366, y, m, d));
    EXPECT_EQ(y * 10000 + m * 100 + d, 19961231);
    ASSERT_TRUE(GlonassDate(1, 367, y, m, d));
    EXPECT_EQ(y * 10000 + m * 100 + d, 19970101);
    ASSERT_TRUE(GlonassDate(7, 1461, y, m, d));
    EXPECT_EQ(y * 10000 + m * 100 + d, 20231231);
    EXPECT_FALSE(GlonassDate(0, 10, y, m, d));
    GnssTime t;
    ASSERT_TRUE(GlonassReferenceUtc(7, 1, 4, t));  // 01:00 Moscow on 2020-01-01
    EXPECT_EQ(t.year * 10000 + t.month * 100 + t.day, 20191231);
    EXPECT_EQ(t.hour * 100 + t.minute, 2200);
    ASSERT_TRUE(GlonassReferenceUtc(7, 1461, 61, t));  // 15:15 Moscow on 2023-12-31
    EXPECT_EQ(t.year * 10000 + t.month * 100 + t.day, 20231231);
    EXPECT_EQ(t.hour * 100 + t.minute, 1215);
    EXPECT_FALSE(GlonassReferenceUtc(7, 100, 0, t));
    EXPECT_FALSE(GlonassDate(7, 1462, y, m, d));
}

TEST(OemIonosphere, LayoutsAndLeapSeconds) {
    std::string a(108, '\0');
    double alpha0 = 1.1e-8, beta3 = -65536.0, a0 = 1.5e-9;
    uint32_t week = 2275, tot = 405504;
    int32_t dtls = 18;
    std::memcpy(&a[0], &alpha0, 8);
    std::memcpy(&a[56], &beta3, 8);
    std::memcpy(&a[64], &week, 4);
    std::memcpy(&a[68], &tot, 4);
    std::memcpy(&a[72], &a0, 8);
    std::memcpy(&a[96], &dtls, 4);
    IonoUtcParams set;
    int32_t leap = 0;
    ASSERT_TRUE(DecodeOemIonUtc(ByteView(a.data(), a.size()), set, leap));
    EXPECT_EQ(set.valid, 1);
    EXPECT_DOUBLE_EQ(set.alpha0, alpha0);
    EXPECT_DOUBLE_EQ(set.beta3, beta3);
    EXPECT_EQ(set.utcWeek, 2275);
    EXPECT_EQ(set.utcTime, 405504);
    EXPECT_DOUBLE_EQ(set.a0, a0);
    EXPECT_EQ(leap, 18);
    EXPECT_FALSE(DecodeOemIonUtc(ByteView(a.data(), 107), set, leap));

    std::string b(68, '\0');
    std::memcpy(&b[4], &alpha0, 8);
    std::memcpy(&b[60], &beta3, 8);
    IonoUtcParams bds;
    ASSERT_TRUE(DecodeOemBdsIono(ByteView(b.data(), b.size()), bds));
    EXPECT_DOUBLE_EQ(bds.alpha0, alpha0);
    EXPECT_DOUBLE_EQ(bds.beta3, beta3);

    std::string c(24, '\0');
    double ai2 = 0.25;
    std::memcpy(&c[16], &ai2, 8);
    IonoUtcParams gal;
    ASSERT_TRUE(DecodeOemGalIono(ByteView(c.data(), c.size()), gal));
    EXPECT_DOUBLE_EQ(gal.alpha2, 0.25);
    EXPECT_EQ(gal.valid, 1);
}

TEST(OemMarks, PortsByMessageAndTimeOfTheEvent) {
    std::string body(12 + 24 + 4, '\0');
    uint32_t week = 1562;
    double sow = 515230.25;
    std::memcpy(&body[0], &week, 4);
    std::memcpy(&body[4], &sow, 8);
    const uint16_t ids[] = {kOemMarkTime, kOemMark2Time, kOemMark3Time, kOemMark4Time};
    for (int i = 0; i < 4; ++i) {
        EventMark mark;
        ASSERT_TRUE(DecodeOemMark(ByteView(body.data(), body.size()), ids[i], 7, mark));
        EXPECT_EQ(mark.port, i + 1);
        EXPECT_EQ(mark.kind, 5);
        EXPECT_EQ(mark.eventNumber, 7);
        EXPECT_EQ(mark.eventTime.week, 1562);
        EXPECT_DOUBLE_EQ(mark.eventTime.sow, 515230.25);
        EXPECT_EQ(mark.eventTime.hour, 23);
        EXPECT_EQ(mark.eventTime.minute, 7);
        EXPECT_NEAR(mark.eventTime.second, 10.25, 1e-9);
    }
    double bad = 1e300;
    std::memcpy(&body[4], &bad, 8);
    EventMark mark;
    EXPECT_FALSE(DecodeOemMark(ByteView(body.data(), body.size()), kOemMarkTime, 1, mark));
}

}  // namespace
}  // namespace kestrin
