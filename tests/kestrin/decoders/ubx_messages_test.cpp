// UBX message decoders: RXM-RAWX measurements built by hand, RXM-SFRBX navigation words taken
// from a real ZED-F9P recording.
#include "decoders/ubx_messages.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "core/gnss_time.h"
#include "decoders/framing.h"
#include "decoders/navwords/galileo_inav.h"
#include "decoders/navwords/glonass_strings.h"
#include "rinex/obs_codes.h"
#include "support/bytes.h"
#include "support/static_file.h"

namespace kestrin {
namespace {

using testsupport::Bytes;

// ---- RXM-RAWX -----------------------------------------------------------------------------

struct Meas {
    int gnssId, svId, sigId, freqId = 0;
    uint8_t trkStat = 0x0F;  // range and phase valid, half cycle resolved
    uint16_t lockMs = 1000;
    double range = 2.2e7, phase = 1.15e8;
    float doppler = -1234.5f;
    uint8_t cno = 42;
};

std::string RawxPayload(const std::vector<Meas>& meas, int count = -1, uint16_t week = 2280,
                        double tow = 215080.992) {
    Bytes b;
    b.F64(tow).U16(week).U8(18).U8(count < 0 ? meas.size() : static_cast<size_t>(count));
    b.U8(0x01).U8(1).Zeros(2);
    for (const Meas& m : meas) {
        b.F64(m.range).F64(m.phase).F32(m.doppler);
        b.U8(m.gnssId).U8(m.svId).U8(m.sigId).U8(m.freqId).U16(m.lockMs).U8(m.cno);
        b.Zeros(3).U8(m.trkStat).Zeros(1);
    }
    return b.str();
}

ByteView View(const std::string& s) {
    return ByteView(s);
}

std::string CodeOf(int gnssId, int sigId) {
    const int slot = UbxSignalSlot(gnssId, sigId);
    if (slot < 0) return "-";
    return DefaultObsCode(SystemIndex(UbxSystemCode(gnssId)), slot);
}

TEST(UbxSignals, EachSignalIdentifierLandsOnItsRinexCode) {
    struct Case {
        int gnssId, sigId;
        const char* code;
    } cases[] = {
        {0, 0, "C1C"},
        {0, 3, "C2L"},
        {0, 4, "C2S"},
        {0, 6, "C5I"},
        {0, 7, "C5Q"},
        {1, 0, "C1C"},
        {2, 0, "C1C"},
        {2, 1, "C1B"},
        {2, 3, "C5I"},
        {2, 4, "C5Q"},
        {2, 5, "C7I"},
        {2, 6, "C7Q"},
        {2, 8, "C6B"},
        {2, 9, "C6C"},
        {2, 10, "C6A"},
        {3, 0, "C1I"},
        {3, 1, "C1I"},
        {3, 2, "C7I"},
        {3, 3, "C7I"},
        {3, 4, "C6I"},
        {3, 10, "C6I"},
        {5, 0, "C1C"},
        {5, 1, "C1Z"},
        {5, 4, "C2S"},
        {5, 5, "C2L"},
        {5, 8, "C5I"},
        {5, 9, "C5Q"},
        {6, 0, "C1C"},
        {6, 2, "C2C"},
        // Signals without a code in the tables, IMES, NavIC and unknown identifiers.
        {3, 5, "-"},
        {3, 7, "-"},
        {5, 12, "-"},
        {0, 9, "-"},
        {4, 0, "-"},
        {7, 0, "-"},
        {9, 0, "-"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(CodeOf(c.gnssId, c.sigId), c.code) << c.gnssId << "/" << c.sigId;
    }
}

TEST(UbxSignals, SatelliteNumbersOfEverySystem) {
    EXPECT_EQ(UbxPrn(kUbxSbas, 120), 1);
    EXPECT_EQ(UbxPrn(kUbxSbas, 158), 39);
    EXPECT_EQ(UbxPrn(kUbxSbas, 119), 0);
    EXPECT_EQ(UbxPrn(kUbxQzss, 194), 2);
    EXPECT_EQ(UbxPrn(kUbxQzss, 3), 3);
    EXPECT_EQ(UbxPrn(kUbxBeidou, 63), 63);
    EXPECT_EQ(UbxPrn(kUbxBeidou, 64), 0);
    EXPECT_EQ(UbxPrn(kUbxGalileo, 36), 36);
    EXPECT_EQ(UbxPrn(kUbxGlonass, 255), 0);
    EXPECT_EQ(UbxPrn(kUbxGps, 33), 0);
}

TEST(UbxRawx, EachSatelliteOnceWithOneBlockPerSignal) {
    Meas l1{0, 5, 0}, l2{0, 5, 3}, e1{2, 11, 0}, e5b{2, 11, 6};
    Meas g1{6, 3, 0, 9}, g2{6, 3, 2, 9};
    Meas unknownSlot{6, 4, 0, 14}, notUsed{0, 255, 0}, imes{4, 1, 0}, navic{7, 2, 0},
        noCode{0, 7, 9}, b1c{3, 30, 5};
    l2.lockMs = 500;
    l2.trkStat = 0x03;   // phase valid, half-cycle ambiguity not resolved
    e5b.trkStat = 0x02;  // range not valid
    UbxRawxEpoch out;
    ASSERT_TRUE(DecodeUbxRawx(View(RawxPayload({l1, e1, g1, l2, unknownSlot, notUsed, imes, navic,
                                                noCode, b1c, e5b, g2})),
                              out));
    EXPECT_EQ(out.epoch.time.week, 2280);
    EXPECT_DOUBLE_EQ(out.epoch.time.sow, 215080.992);
    EXPECT_EQ(out.epoch.time.hour, 11);
    EXPECT_EQ(out.leapSeconds, 18);
    EXPECT_TRUE(out.leapSecondsValid);

    const std::vector<SatelliteData>& sats = out.epoch.sats;
    ASSERT_EQ(sats.size(), 3u);
    EXPECT_EQ(sats[0].sysCode, kSysGps);
    EXPECT_EQ(sats[0].prn, 5);
    ASSERT_EQ(sats[0].blocks.size(), 2u);
    EXPECT_EQ(sats[0].blocks[0].signalType, 0);
    EXPECT_EQ(sats[0].blocks[0].lli, 0u);
    EXPECT_EQ(sats[0].blocks[1].signalType, 17);  // C2L
    EXPECT_EQ(sats[0].blocks[1].lli, 2u);         // half-cycle flag
    EXPECT_DOUBLE_EQ(sats[0].blocks[1].lockTime, 0.5);
    EXPECT_DOUBLE_EQ(sats[0].blocks[0].pseudorange, 2.2e7);
    EXPECT_DOUBLE_EQ(sats[0].blocks[0].carrierPhase, 1.15e8);
    EXPECT_DOUBLE_EQ(sats[0].blocks[0].doppler, -1234.5);
    EXPECT_DOUBLE_EQ(sats[0].blocks[0].snr, 42);

    EXPECT_EQ(sats[1].sysCode, kSysGalileo);
    ASSERT_EQ(sats[1].blocks.size(), 2u);
    EXPECT_EQ(sats[1].blocks[1].signalType, 9);  // C7Q
    EXPECT_EQ(sats[1].blocks[1].pseudorange, 0.0);
    EXPECT_DOUBLE_EQ(sats[1].blocks[1].carrierPhase, 1.15e8);

    EXPECT_EQ(sats[2].sysCode, kSysGlonass);
    EXPECT_EQ(sats[2].prn, 3);
    EXPECT_EQ(sats[2].glonassChannel, 2);  // frequency slot 9
    ASSERT_EQ(sats[2].blocks.size(), 2u);
    EXPECT_EQ(sats[2].blocks[0].signalType, 1);  // C1C
    EXPECT_EQ(sats[2].blocks[1].signalType, 3);  // C2C
}

TEST(UbxRawx, OlderReceiversWithoutSignalIdsKeepTheFirstBand) {
    // Signal identifier 0 everywhere (the byte is reserved in older messages).
    UbxRawxEpoch out;
    ASSERT_TRUE(DecodeUbxRawx(View(RawxPayload({{0, 7, 0}, {1, 133, 0}, {3, 11, 0}})), out));
    ASSERT_EQ(out.epoch.sats.size(), 3u);
    EXPECT_EQ(out.epoch.sats[1].sysCode, kSysSbas);
    EXPECT_EQ(out.epoch.sats[1].prn, 14);
    for (const SatelliteData& sat : out.epoch.sats) EXPECT_EQ(sat.blocks[0].signalType, 0);
}

TEST(UbxRawx, MalformedPayloadsAreRefused) {
    UbxRawxEpoch out;
    const std::string two = RawxPayload({{0, 5, 0}, {0, 6, 0}});
    // numMeas larger than the payload holds, a cut header, no week.
    EXPECT_FALSE(DecodeUbxRawx(View(RawxPayload({{0, 5, 0}, {0, 6, 0}}, 3)), out));
    EXPECT_FALSE(DecodeUbxRawx(View(two).Sub(0, two.size() - 1), out));
    EXPECT_FALSE(DecodeUbxRawx(View(two).Sub(0, 12), out));
    EXPECT_FALSE(DecodeUbxRawx(View(RawxPayload({{0, 5, 0}}, -1, 0)), out));
    EXPECT_FALSE(DecodeUbxRawx(View(RawxPayload({{0, 5, 0}}, -1, 2280, 700000.0)), out));
    // An epoch without measurements is still an epoch.
    ASSERT_TRUE(DecodeUbxRawx(View(RawxPayload({})), out));
    EXPECT_TRUE(out.epoch.sats.empty());
}

// ---- RXM-SFRBX ----------------------------------------------------------------------------

// Collects what the assembler hands on.
class RecordingSink : public DecoderSink {
  public:
    RecordingSink() {
        header.obsYear = 2023;
        header.obsMonth = 9;
        header.obsDay = 19;
    }
    const ConvertOptions& Options() const override { return options; }
    const HeaderInfo& Header() const override { return header; }
    GnssTime LastEpochTime() const override { return lastEpoch; }
    void MarkSignalUsed(int32_t, int32_t, int) override {}
    void AddEpoch(OBSERVATIONS&&) override {}
    void AddKeplerEphemeris(const KeplerEphemeris& eph) override { kepler.push_back(eph); }
    void AddGlonassEphemeris(const gEphemeris& eph) override { glonass.push_back(eph); }
    const IonoUtcParams& IonoUtc(int) const override { return iono; }
    void SetIonoUtc(int, const IonoUtcParams&) override {}
    void SetLeapSeconds(int32_t) override {}
    int32_t LeapSeconds() const override { return 18; }
    void AddEvent(EventMark) override {}
    void SetGlonassChannel(int slot, int k) override { channels.push_back({slot, k}); }
    void AddSbasMessageText(const std::string&) override {}
    void AddAlmanac(const AlmanacRecord&) override {}
    void SetBoardVariant(int32_t) override {}

    ConvertOptions options;
    HeaderInfo header;
    GnssTime lastEpoch;
    IonoUtcParams iono;
    std::vector<KeplerEphemeris> kepler;
    std::vector<gEphemeris> glonass;
    std::vector<std::pair<int, int>> channels;
};

// SFRBX payloads of one satellite and signal, in recording order.
std::vector<std::string> SfrbxOf(int gnssId, int svId, int sigId) {
    static const std::string data = testsupport::ReadTestData("ubx/20230919-114418.ubx");
    std::vector<std::string> out;
    ByteView all(data);
    for (size_t at = 0; at + 8 <= all.size();) {
        const ByteView rest = all.From(at);
        const Frame f = UbxFrameAt(rest);
        if (f.status != FrameStatus::kValid) {
            ++at;
            continue;
        }
        const ByteView p = rest.Sub(6, f.length - 8);
        if (UbxClassId(rest) == kUbxRxmSfrbx && p.U8(0) == gnssId && p.U8(1) == svId &&
            p.U8(2) == sigId) {
            out.emplace_back(reinterpret_cast<const char*>(p.data()), p.size());
        }
        at += f.length;
    }
    return out;
}

// The payload with one bit of data word `word` flipped.
std::string FlipBit(std::string payload, size_t word, int bit) {
    payload[8 + 4 * word + static_cast<size_t>(bit / 8)] ^= static_cast<char>(1 << (bit % 8));
    return payload;
}

int LnavSubframeId(const std::string& p) {
    return (ByteView(p).U32(12) >> 8) & 7;
}

TEST(UbxNavigation, GpsSubframesWithParityFailuresAddNothing) {
    // G26 sends subframes 2, 3, 4, 5, 1, 2 in this recording.
    const std::vector<std::string> frames = SfrbxOf(0, 26, 0);
    ASSERT_GE(frames.size(), 5u);
    UbxNavAssembler nav;
    RecordingSink sink;
    for (const std::string& p : frames) {
        nav.Add(View(LnavSubframeId(p) == 1 ? FlipBit(p, 6, 12) : p), sink);
    }
    EXPECT_TRUE(sink.kepler.empty());  // subframe 1 failed its parity
    for (const std::string& p : frames) {
        if (LnavSubframeId(p) == 1) nav.Add(View(p), sink);
    }
    ASSERT_EQ(sink.kepler.size(), 1u);
    const KeplerEphemeris& eph = sink.kepler[0];
    EXPECT_EQ(eph.prn, 26);
    EXPECT_EQ(eph.week, 2280);  // ten-bit week 232 taken to the rollover of the recording
    EXPECT_EQ(eph.toe, 216000);
    EXPECT_NEAR(eph.sqrtA, 5.153757867813e3, 1e-8);
    EXPECT_EQ(eph.toc.year, 2023);
    EXPECT_EQ(eph.toc.hour, 12);
}

TEST(UbxNavigation, GalileoRecordWaitsForEveryWordTypeAndChecksTheCrc) {
    // E18 on E5b-I sends word types 2, 4, 6, 0, 0, 1, 3, 5, 7, 8 here.
    const std::vector<std::string> frames = SfrbxOf(2, 18, 5);
    ASSERT_FALSE(frames.empty());
    auto typeOf = [](const std::string& p) {
        std::array<uint8_t, 32> page{};
        for (size_t k = 0; k < 8; ++k) {
            const uint32_t w = ByteView(p).U32(8 + 4 * k);
            for (size_t j = 0; j < 4; ++j)
                page[4 * k + j] = static_cast<uint8_t>(w >> (24 - 8 * j));
        }
        GalileoWord word;
        int type = -1;
        return ReadGalileoInavPage(ByteView(page.data(), page.size()), word, type) ? type : -1;
    };
    UbxNavAssembler nav;
    RecordingSink sink;
    std::vector<std::string> sixes;
    for (const std::string& p : frames) {
        const int type = typeOf(p);
        EXPECT_GE(type, 0);
        // A flipped data bit fails the CRC.
        EXPECT_EQ(typeOf(FlipBit(p, 1, 3)), -1);
        if (type == 6) {
            sixes.push_back(p);
            continue;
        }
        if (type > 6) continue;
        nav.Add(View(p), sink);
    }
    EXPECT_TRUE(sink.kepler.empty());
    ASSERT_FALSE(sixes.empty());
    nav.Add(View(sixes.front()), sink);
    ASSERT_EQ(sink.kepler.size(), 1u);
    EXPECT_EQ(sink.kepler[0].sysCode, kSysGalileo);
    EXPECT_EQ(sink.kepler[0].prn, 18);
    EXPECT_EQ(sink.kepler[0].iode, 98);
    EXPECT_EQ(sink.kepler[0].toe, 212400);
    EXPECT_NEAR(sink.kepler[0].e, 1.606562559027e-1, 1e-12);
    EXPECT_EQ(sink.kepler[0].week, 2280);
    EXPECT_EQ(sink.kepler[0].dataSources, 516);  // I/NAV on E5b, clock E5b,E1
}

TEST(UbxNavigation, GlonassStringsAreCheckedAndDatedFromTheRecording) {
    const std::vector<std::string> frames = SfrbxOf(6, 16, 0);
    ASSERT_GE(frames.size(), 4u);
    auto assemble = [&](RecordingSink& sink, bool corruptString2) {
        UbxNavAssembler nav;
        for (const std::string& p : frames) {
            const bool second = ((ByteView(p).U32(8) >> 27) & 15u) == 2;
            nav.Add(View(corruptString2 && second ? FlipBit(p, 1, 20) : p), sink);
        }
    };
    // No epoch yet: the header's observation date gives the day, never the computer's clock.
    RecordingSink fromHeader;
    assemble(fromHeader, false);
    ASSERT_FALSE(fromHeader.glonass.empty());
    const gEphemeris& eph = fromHeader.glonass[0];
    EXPECT_EQ(eph.prn, 16);
    EXPECT_EQ(eph.frequencyNumber, -1);
    EXPECT_EQ(eph.epoch.year, 2023);
    EXPECT_EQ(eph.epoch.month, 9);
    EXPECT_EQ(eph.epoch.day, 19);
    EXPECT_EQ(eph.epoch.hour, 11);
    EXPECT_EQ(eph.epoch.minute, 45);
    EXPECT_NEAR(eph.x, -8.617923828125e3, 1e-9);
    EXPECT_EQ(fromHeader.channels.front(), std::make_pair(16, -1));

    // With an epoch the day follows the epoch, whatever the header says.
    RecordingSink fromEpoch;
    fromEpoch.header.obsYear = 2020;
    fromEpoch.lastEpoch.week = 2280;
    fromEpoch.lastEpoch.sow = 215080.992;
    GpsToCalendar(fromEpoch.lastEpoch);
    assemble(fromEpoch, false);
    ASSERT_FALSE(fromEpoch.glonass.empty());
    EXPECT_EQ(fromEpoch.glonass[0].epoch.year, 2023);
    EXPECT_EQ(fromEpoch.glonass[0].epoch.day, 19);

    // A string that fails the Hamming check is not taken: no complete set.
    RecordingSink corrupt;
    assemble(corrupt, true);
    EXPECT_TRUE(corrupt.glonass.empty());
}

TEST(UbxNavigation, BeidouD1Ephemeris) {
    UbxNavAssembler nav;
    RecordingSink sink;
    for (const std::string& p : SfrbxOf(3, 6, 0)) nav.Add(View(p), sink);  // IGSO, D1
    ASSERT_EQ(sink.kepler.size(), 1u);
    EXPECT_EQ(sink.kepler[0].sysCode, kSysBds);
    EXPECT_EQ(sink.kepler[0].prn, 6);
    EXPECT_EQ(sink.kepler[0].week, 924);
    EXPECT_NEAR(sink.kepler[0].sqrtA, 6.493916532516e3, 1e-8);
    EXPECT_NEAR(sink.kepler[0].e, 3.635579603724e-3, 1e-14);
    EXPECT_EQ(sink.kepler[0].toe, 212400);
    EXPECT_EQ(sink.kepler[0].toc.hour, 11);
}

TEST(UbxNavigation, ShortOrForeignMessagesAreIgnored) {
    const std::vector<std::string> frames = SfrbxOf(0, 26, 0);
    UbxNavAssembler nav;
    RecordingSink sink;
    for (const std::string& p : frames) {
        std::string cut = p.substr(0, p.size() - 4);  // announces 10 words, holds 9
        nav.Add(View(cut), sink);
        std::string nine = cut;
        nine[4] = 9;  // nine words: fewer than LNAV needs
        nav.Add(View(nine), sink);
        std::string imes = p;
        imes[0] = 4;
        nav.Add(View(imes), sink);
    }
    EXPECT_TRUE(sink.kepler.empty());
}

}  // namespace
}  // namespace kestrin
