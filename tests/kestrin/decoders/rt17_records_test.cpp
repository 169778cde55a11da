// Trimble raw-data records built packet by packet: page assembly, RT27 multi-system records,
// RT17 records, events and the RETSVDATA navigation subtypes.
#include "decoders/rt17_records.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "support/bytes.h"
#include "support/frames.h"

namespace kestrin {
namespace {

using testsupport::Bytes;
using testsupport::Rt17RawRecord;

ByteView View(const std::string& s) {
    return ByteView(s.data(), s.size());
}

// Feeds packets one by one; returns the records completed, as strings.
std::vector<std::string> Assemble(Rt17PageAssembler& pages, const std::vector<std::string>& packets) {
    std::vector<std::string> records;
    for (const std::string& p : packets) {
        if (pages.Add(View(p)) == Rt17PageAssembler::Result::kComplete) {
            ByteView r = pages.Record();
            records.emplace_back(reinterpret_cast<const char*>(r.data()), r.size());
            pages.Reset();
        }
    }
    return records;
}

std::string Content(size_t n, char seed) {
    std::string s;
    for (size_t i = 0; i < n; ++i) s.push_back(static_cast<char>(seed + i % 50));
    return s;
}

TEST(Rt17Pages, MultiPageRecordReassembledAndLostPagesDropTheRecord) {
    Rt17PageAssembler pages;
    std::vector<std::string> a, b;
    const std::string contentA = Content(600, 'a'), contentB = Content(300, 'B');
    Rt17RawRecord(0, 7, 1, contentA, 248, &a);
    Rt17RawRecord(0, 8, 1, contentB, 248, &b);
    ASSERT_EQ(a.size(), 3u);

    // Whole: the record keeps the first page's packet and record headers, then the content.
    std::vector<std::string> records = Assemble(pages, a);
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].substr(8), contentA);
    EXPECT_EQ(static_cast<uint8_t>(records[0][5]), 0x13);  // page 1 of 3
    EXPECT_EQ(records[0][6], 7);

    struct Case {
        const char* name;
        std::vector<std::string> packets;
        size_t expected;  // records completed; the last one is always record B
    };
    const Case cases[] = {
        {"second page lost", {a[0], a[2], b[0], b[1]}, 1},
        {"first page lost", {a[1], a[2], b[0], b[1]}, 1},
        {"page of another reply", {a[0], b[1], a[1], a[2], b[0], b[1]}, 1},
        {"page repeated", {a[0], a[1], a[1], a[2], b[0], b[1]}, 1},
        {"record cut by a new first page", {a[0], a[1], b[0], b[1]}, 1},
    };
    for (const Case& c : cases) {
        pages.Reset();
        records = Assemble(pages, c.packets);
        ASSERT_EQ(records.size(), c.expected) << c.name;
        EXPECT_EQ(records.back().substr(8), contentB) << c.name;
    }
}

TEST(Rt17Pages, PageBytesOutOfRangeAreDropped) {
    Rt17PageAssembler pages;
    using testsupport::Rt17Packet;
    for (uint8_t pageByte : {0x00, 0x01, 0x10, 0x32, 0xF0}) {
        std::string p = Rt17Packet(0x57, Bytes().U8(0).U8(pageByte).U8(1).U8(1).Zeros(30).str());
        EXPECT_EQ(pages.Add(View(p)), Rt17PageAssembler::Result::kDropped) << int(pageByte);
    }
    // A packet too short for the record header.
    EXPECT_EQ(pages.Add(View(Rt17Packet(0x57, "\x00\x11"))), Rt17PageAssembler::Result::kDropped);
}

// ---- RT27 -------------------------------------------------------------------------------------

struct Rt27Signal {
    int band, code;
    double cn0;
    int64_t range;  // raw field: u32 for the first block, s16 difference for later ones
    double phase;   // cycles
    int slip;
    int flags;      // 0x03 = phase and range valid, 0x04 Doppler
    double doppler;
    std::string extension = "";
};

std::string Measurement(const Rt27Signal& s, bool first) {
    Bytes b(true);
    b.U8(s.band).U8(s.code).U16(static_cast<uint64_t>(std::lround(s.cn0 * 10)));
    if (first) {
        b.U32(static_cast<uint64_t>(s.range));
    } else {
        b.U16(static_cast<uint64_t>(static_cast<uint16_t>(s.range)));
    }
    b.Int(static_cast<uint64_t>(std::llround(std::ldexp(s.phase, 15))), 6);
    b.U8(s.slip).U8(s.flags).Raw(s.extension);
    if (s.flags & 0x04) b.U24(static_cast<uint64_t>(std::llround(std::ldexp(s.doppler, 8))));
    return Bytes().U8(b.size() + 1).Raw(b.str()).str();
}

std::string Satellite(int number, int system, int frequency, int satFlags,
                      const std::vector<Rt27Signal>& signals) {
    std::string blocks;
    for (size_t i = 0; i < signals.size(); ++i) blocks += Measurement(signals[i], i == 0);
    return Bytes(true)
               .U8(8)
               .U8(number)
               .U8(system)
               .U8(static_cast<uint8_t>(frequency))
               .U8(signals.size())
               .U8(0)
               .U8(0)
               .U8(satFlags)
               .str() +
           blocks;
}

// Record content from byte 8: epoch header (with the extensions the flags announce) and the
// satellite blocks.
std::string Rt27Content(int week, uint32_t ms, int satCount, int epochFlags,
                        const std::string& satellites, const std::string& extensions = "") {
    Bytes h(true);
    h.U16(week).U32(ms).U24(0x1000000 - (1 << 19)).U8(satCount).U8(epochFlags);
    h.Raw(extensions);
    return Bytes().U8(h.size() + 1).Raw(h.str()).str() + satellites;
}

ByteView RecordOf(Rt17PageAssembler& pages, const std::string& packets) {
    size_t o = 0;
    while (o < packets.size()) {
        const size_t len = static_cast<uint8_t>(packets[o + 3]) + 6u;
        if (pages.Add(ByteView(packets.data() + o, len)) == Rt17PageAssembler::Result::kComplete)
            return pages.Record();
        o += len;
    }
    return {};
}

const BlockData* Block(const OBSERVATIONS& e, int32_t sys, int prn, int slot) {
    for (const SatelliteData& s : e.sats) {
        if (s.sysCode != sys || s.prn != prn) continue;
        for (const BlockData& b : s.blocks)
            if (b.signalType == slot) return &b;
    }
    return nullptr;
}

std::string MultiSystemSatellites() {
    return Satellite(5, 0, 0, 0,
                     {{0, 0, 45.6, 2688000064LL, 110356000.25, 3, 0x07, -1234.5},  // L1 C/A, f 7
                      {1, 2, 38.2, 640, 85991000.5, 1, 0x03, 0}}) +             // L2 W: +2.5 m
           Satellite(7, 2, static_cast<uint8_t>(-3), 0,
                     {{0, 0, 41.0, 2560000000LL, 106000000.0, 0, 0x83, 0, "\x81\x01"}}) +
           Satellite(12, 10, 0, 0, {{6, 26, 40.0, 2816000000LL, 114000000.0, 0, 0x03, 0}}) +
           Satellite(11, 3, 0, 0, {{0, 21, 42.0, 1612709888LL, 123000000.0, 0, 0x13, 0}}) +
           Satellite(195, 4, 0, 0, {{0, 0, 44.0, 4771840000LL & 0xFFFFFFFF, 200000000.0, 0, 0x03, 0}}) +
           Satellite(131, 1, 0, 0, {{0, 0, 39.0, 2560000000LL, 100000000.0, 0, 0x0B, 0}}) +
           Satellite(9, 0, 0, 0x10, {{0, 0, 30.0, 2600000000LL, 1.0, 0, 0x03, 0}}) +   // dropped
           Satellite(3, 5, 0, 0, {{0, 0, 30.0, 2600000000LL, 1.0, 0, 0x03, 0}}) +      // system 5
           Satellite(6, 0, 0, 0, {{0, 0, 35.0, 2600000000LL, 2.0, 0, 0x03, 0},
                                  {14, 99, 35.0, 100, 3.0, 0, 0x03, 0}});  // unknown band
}

TEST(Rt27Record, EverySystemBandAndFieldOverSeveralPages) {
    const std::string sats = MultiSystemSatellites();
    // Header extensions: 3 bytes (bit 1), 1 byte (bit 4), an extension block (bit 5).
    const std::string content =
        Rt27Content(1800, 31065000, 9, 0x32, sats, std::string("\x01\x02\x03\x04\x02\xAA\xBB", 7));
    Rt17PageAssembler pages;
    Rt27SlipCounters slips;
    std::vector<std::string> pageList;
    const std::string packets = Rt17RawRecord(6, 1, 0, content, 60, &pageList);
    ASSERT_GE(pageList.size(), 4u);
    OBSERVATIONS e;
    ASSERT_TRUE(DecodeRt27Observations(RecordOf(pages, packets), slips, e));

    EXPECT_EQ(e.time.week, 1800);
    EXPECT_DOUBLE_EQ(e.time.sow, 31065.0);
    EXPECT_EQ(e.time.hour, 8);
    EXPECT_DOUBLE_EQ(e.clockOffset, -0.001);
    ASSERT_EQ(e.sats.size(), 7u);  // the dropped one and the unknown system are left out

    const BlockData* l1 = Block(e, kSysGps, 5, 0);
    ASSERT_NE(l1, nullptr);
    EXPECT_DOUBLE_EQ(l1->pseudorange, 21000000.5);
    EXPECT_DOUBLE_EQ(l1->carrierPhase, 110356000.25);
    EXPECT_DOUBLE_EQ(l1->doppler, -1234.5);
    EXPECT_NEAR(l1->snr, 45.6, 1e-9);
    const BlockData* l2 = Block(e, kSysGps, 5, 11);  // band 1 code 2: C2W, range 2^-8 m units
    ASSERT_NE(l2, nullptr);
    EXPECT_DOUBLE_EQ(l2->pseudorange, 21000003.0);
    EXPECT_DOUBLE_EQ(l2->doppler, 0.0);

    // GLONASS with its frequency number and two extension bytes before nothing else.
    const BlockData* r = Block(e, kSysGlonass, 7, 1);
    ASSERT_NE(r, nullptr);
    EXPECT_DOUBLE_EQ(r->pseudorange, 20000000.0);
    for (const SatelliteData& s : e.sats)
        if (s.sysCode == kSysGlonass) {
            EXPECT_EQ(s.glonassChannel, -3);
        }
    // BDS (system 10) B1I: stored halved, in 2^-8 m.
    const BlockData* c = Block(e, kSysBds, 12, 0);
    ASSERT_NE(c, nullptr);
    EXPECT_DOUBLE_EQ(c->pseudorange, 22000000.0);
    // Galileo E1 C (code 21 -> slot 3): 2^-8 m units wrapped at 2^24 m; loss of lock value 2.
    const BlockData* g = Block(e, kSysGalileo, 11, 3);
    ASSERT_NE(g, nullptr);
    EXPECT_DOUBLE_EQ(g->pseudorange, 1612709888.0 / 256.0 + 16777216.0);
    EXPECT_EQ(g->lli, 2u);
    // QZSS 195 -> J03: stored doubled in 2^-6 m.
    const BlockData* j = Block(e, kSysQzss, 3, 0);
    ASSERT_NE(j, nullptr);
    EXPECT_DOUBLE_EQ(j->pseudorange, 37280000.0);
    // SBAS 131 -> prn 12, 2^-6 m, loss of lock value 1.
    const BlockData* s = Block(e, kSysSbas, 12, 0);
    ASSERT_NE(s, nullptr);
    EXPECT_DOUBLE_EQ(s->pseudorange, 40000000.0);
    EXPECT_EQ(s->lli, 1u);
    // The block of an unknown band is left out, the satellite's other block stays.
    EXPECT_NE(Block(e, kSysGps, 6, 0), nullptr);
    for (const SatelliteData& sat : e.sats)
        if (sat.sysCode == kSysGps && sat.prn == 6) {
            EXPECT_EQ(sat.blocks.size(), 1u);
        }
}

TEST(Rt27Record, SlipCountersAndValidityFlags) {
    Rt17PageAssembler pages;
    Rt27SlipCounters slips;
    auto epoch = [&](int slip, int flags) {
        const std::string sats =
            Satellite(5, 0, 0, 0, {{0, 0, 45.0, 2688000064LL, 1000.5, slip, flags, 0}});
        OBSERVATIONS e;
        EXPECT_TRUE(DecodeRt27Observations(
            RecordOf(pages, Rt17RawRecord(6, 1, 0, Rt27Content(1800, 1000, 1, 0, sats))), slips, e));
        return e;
    };
    EXPECT_EQ(epoch(4, 0x03).sats.at(0).blocks.at(0).lli, 0u);  // first sighting
    EXPECT_EQ(epoch(4, 0x03).sats.at(0).blocks.at(0).lli, 0u);
    EXPECT_EQ(epoch(5, 0x03).sats.at(0).blocks.at(0).lli, 1u);  // counter moved: slip
    OBSERVATIONS noPhase = epoch(5, 0x02);
    EXPECT_EQ(noPhase.sats.at(0).blocks.at(0).carrierPhase, 0.0);
    EXPECT_EQ(noPhase.sats.at(0).blocks.at(0).lli, 0u);
    OBSERVATIONS noRange = epoch(5, 0x01);
    EXPECT_EQ(noRange.sats.at(0).blocks.at(0).pseudorange, 0.0);
    EXPECT_DOUBLE_EQ(noRange.sats.at(0).blocks.at(0).carrierPhase, 1000.5);
}

TEST(Rt27Record, SlotTable) {
    struct Case {
        int32_t sys;
        int band, code, slot;
    };
    const Case cases[] = {
        {kSysGps, 0, 0, 0},      {kSysGps, 0, 19, 3},      {kSysGps, 1, 9, 10},
        {kSysGps, 2, 8, 21},     {kSysGps, 1, 0, -1},      {kSysGlonass, 0, 5, 0},
        {kSysGlonass, 1, 1, 2},  {kSysGlonass, 9, 33, 5},  {kSysBds, 6, 27, 1},
        {kSysBds, 3, 29, 3},     {kSysBds, 7, 27, 7},      {kSysBds, 6, 26, 0},
        {kSysSbas, 2, 7, 2},     {kSysSbas, 0, 0, 0},      {kSysQzss, 2, 7, 9},
        {kSysQzss, 0, 0, 0},     {kSysQzss, 5, 31, 12},    {kSysGalileo, 0, 25, 4},
        {kSysGalileo, 4, 17, 11}, {kSysGalileo, 6, 200, 14}, {kSysGalileo, 9, 0, -1},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Rt27Slot(c.sys, c.band, c.code), c.slot) << c.sys << " " << c.band << " " << c.code;
}

TEST(Rt27Record, CutAndCorruptRecordsStayInside) {
    const std::string content = Rt27Content(1800, 1000, 9, 0, MultiSystemSatellites());
    Rt27SlipCounters slips;
    // Every cut of the record decodes at most the satellites that fit, never past the end.
    for (size_t cut = 0; cut < content.size() + 8; cut += 7) {
        std::string record = std::string(8, '\0') + content.substr(0, cut);
        OBSERVATIONS e;
        DecodeRt27Observations(View(record), slips, e);
        EXPECT_LE(e.sats.size(), 7u);
    }
    // Satellite count, header length and block lengths pointing far past the record.
    std::string record = std::string(8, '\0') + content;
    for (size_t at : {size_t{8}, size_t{18}, size_t{20}, size_t{28}, size_t{29}}) {
        std::string bad = record;
        bad[at] = static_cast<char>(0xFF);
        OBSERVATIONS e;
        DecodeRt27Observations(View(bad), slips, e);
        EXPECT_LE(e.sats.size(), 7u) << at;
    }
}

// ---- RT17 and events ----------------------------------------------------------------------------

TEST(Rt17Record, ConciseCutRecordKeepsWholeSatellites) {
    // Two concise satellites with L1 and L2; the second is cut.
    auto sat = [](int prn) {
        return Bytes(true)
            .U8(prn).U8(0x41).U8(0).U8(0).U8(0).U8(0)
            .U8(180).F64(21000000.25).F64(-1000.5).F32(-100.0f)
            .U8(160).F64(-2000.25).F32(1.5f)
            .str();
    };
    const std::string content = Bytes(true).F64(31065000.0).F64(0.5).U8(2).str() + sat(3) + sat(4);
    std::string record = std::string(4, '\x02') + std::string("\x00\x11\x01\x01", 4) + content;
    OBSERVATIONS e;
    GnssTime t;
    ASSERT_TRUE(DecodeRt17Observations(View(record.substr(0, record.size() - 5)), t, e));
    ASSERT_EQ(e.sats.size(), 1u);
    EXPECT_DOUBLE_EQ(e.clockOffset, 0.0005);
    ASSERT_EQ(e.sats[0].blocks.size(), 2u);
    EXPECT_DOUBLE_EQ(e.sats[0].blocks[0].snr, 45.0);
    EXPECT_DOUBLE_EQ(e.sats[0].blocks[0].carrierPhase, 1000.5);   // opposite sign
    EXPECT_DOUBLE_EQ(e.sats[0].blocks[1].carrierPhase, 2000.25);
    EXPECT_DOUBLE_EQ(e.sats[0].blocks[1].pseudorange, 21000001.75);  // L1 + difference
    EXPECT_EQ(e.sats[0].blocks[1].signalType, 9);
    double sow = 0;
    ASSERT_TRUE(ReadRt17ReceiveTime(View(record), sow));
    EXPECT_DOUBLE_EQ(sow, 31065.0);
}

TEST(Rt17Record, EventRecord) {
    std::string record = std::string(8, '\0') +
                         Bytes(true).U8(5).U8(1).U16(513).F64(31070250.0).str();
    EventMark m;
    ASSERT_TRUE(DecodeRt17Event(View(record), m));
    EXPECT_EQ(m.kind, 5);
    EXPECT_EQ(m.port, 1);
    EXPECT_EQ(m.eventNumber, 513);
    EXPECT_DOUBLE_EQ(m.eventTime.sow, 31070.25);
    EXPECT_FALSE(DecodeRt17Event(View(record.substr(0, 19)), m));
}

// ---- RETSVDATA ---------------------------------------------------------------------------------

TEST(Retsv, GlonassGalileoBdsQzssAndUtcWeek) {
    // GLONASS: week 1800, 36018 s incl. 16 leap seconds, positions in metres.
    std::string glo = Bytes(true).U8(2).U8(0).U8(0x55).U8(0).U8(9).U8(4).U16(1800).U32(36018)
                          .Zeros(9).U8(16).U8(0).U32(46800).U8(7).U8(0).U8(static_cast<uint8_t>(-4))
                          .U8(0).Zeros(2)
                          .F64(1.0e7).F64(1000.0).F64(0.001).F64(-2.0e7).F64(-500.0).F64(0.0)
                          .F64(1.0e7).F64(2000.0).F64(0.0).Zeros(8).F64(-1e-4).F64(1e-12).str();
    gEphemeris g;
    int32_t leap = 0;
    ASSERT_TRUE(DecodeRetsvGlonassEphemeris(View(glo), g, leap));
    EXPECT_EQ(leap, 16);
    EXPECT_EQ(g.prn, 4);
    EXPECT_EQ(g.epoch.hour, 10);
    EXPECT_EQ(g.epoch.minute, 0);
    EXPECT_DOUBLE_EQ(g.tk, 36000.0);
    EXPECT_DOUBLE_EQ(g.frequencyNumber, -4.0);
    EXPECT_DOUBLE_EQ(g.x, 10000.0);  // km
    EXPECT_DOUBLE_EQ(g.vy, -0.5);
    EXPECT_DOUBLE_EQ(g.tauN, -1e-4);

    // Galileo I/NAV: data sources, BGDs, SISA index 107 -> 3.12 m.
    Bytes gal(true);
    gal.U8(2).U8(0).U8(0x55).U8(0).U8(11).U8(19).U8(0).U16(1800).U32(30000).U16(77).U32(36000);
    for (int i = 0; i < 15; ++i) gal.F64(i == 6 ? 5440.6 : 1e-9 * (i + 1));
    gal.U8(107).U16(0).U32(36000).F64(1e-4).F64(1e-12).F64(0).F64(2e-9).U8(0).F64(3e-9);
    KeplerEphemeris e;
    ASSERT_TRUE(DecodeRetsvGalileoEphemeris(View(gal), e));
    EXPECT_EQ(e.prn, 19);
    EXPECT_DOUBLE_EQ(e.dataSources, 513);
    EXPECT_DOUBLE_EQ(e.sqrtA, 5440.6);
    EXPECT_DOUBLE_EQ(e.tgd, 2e-9);
    EXPECT_DOUBLE_EQ(e.tgd2, 3e-9);
    EXPECT_NEAR(e.accuracy, 3.12, 1e-9);
    EXPECT_EQ(e.toc.hour, 10);

    // BDS: GPS week and times turned into BDS ones.
    Bytes bds(true);
    bds.U8(2).U8(0).U8(0x55).U8(0).U8(21).U8(30).U16(3156).U16(1).U8(0).U8(1).U32(0).U32(3614)
        .U32(3614);
    for (int i = 0; i < 19; ++i) bds.F64(i == 10 ? 5282.6 : 0.0);
    bds.U32(0x10 | (2u << 11));  // health 1, URA index 2
    ASSERT_TRUE(DecodeRetsvBdsEphemeris(View(bds), e));
    EXPECT_EQ(e.prn, 30);
    EXPECT_DOUBLE_EQ(e.week, 1800);
    EXPECT_DOUBLE_EQ(e.toe, 3600);
    EXPECT_DOUBLE_EQ(e.health, 1);
    EXPECT_DOUBLE_EQ(e.accuracy, 4.85);

    // QZSS: the GPS layout one byte later, satellite 193 -> J01.
    Bytes qzs(true);
    qzs.U8(2).U8(0).U8(0x55).U8(0).U8(14).U8(193).U8(0).U16(1800).U16(5).U8(0).U8(5).U32(0)
        .U32(7200).U32(7200);
    for (int i = 0; i < 19; ++i) qzs.F64(i == 10 ? 6493.0 : 0.0);
    qzs.U32(1u << 10);
    ASSERT_TRUE(DecodeRetsvQzssEphemeris(View(qzs), e));
    EXPECT_EQ(e.prn, 1);
    EXPECT_DOUBLE_EQ(e.sqrtA, 6493.0);
    EXPECT_DOUBLE_EQ(e.fitInterval, 6.0);
    EXPECT_EQ(e.toc.hour, 2);

    // Cut packets decode nothing.
    EXPECT_FALSE(DecodeRetsvGlonassEphemeris(View(glo.substr(0, 100)), g, leap));
    EXPECT_FALSE(DecodeRetsvGalileoEphemeris(View(gal.str().substr(0, 150)), e));

    // The 8-bit UTC week against the known week.
    EXPECT_EQ(ExpandEightBitWeek(16, 1800), 1808);
    EXPECT_EQ(ExpandEightBitWeek(250, 1800), 1786);
    EXPECT_EQ(ExpandEightBitWeek(1808, 1800), 1808);
}

}  // namespace
}  // namespace kestrin
