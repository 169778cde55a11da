#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <tuple>
#include <vector>

#include "editing/rinex_obs_file.h"
#include "editing/slip_detection.h"
#include "kestrin/kestrin.h"
#include "support/temp_dir.h"

namespace {

using kestrin::RinexObsFile;
using testsupport::ReadFile;
using testsupport::TempDir;

constexpr double kC = 299792458.0;
const double kL1 = kC / 1575.42e6, kL2 = kC / 1227.60e6;

// ---- synthetic models -------------------------------------------------------------------

struct Sample {
    double p1 = 0, phi1 = 0, d1 = 0, p2 = 0, phi2 = 0;
};

// A model of one GPS satellite (G05) over the given samples, one second apart.
RinexObsFile GpsModel(const std::vector<Sample>& samples) {
    RinexObsFile m;
    m.gpsCodes = {"C1C", "L1C", "D1C", "C2W", "L2W"};
    for (size_t e = 0; e < samples.size(); ++e) {
        OBSERVATIONS epoch;
        epoch.time.week = 2000;
        epoch.time.sow = 1000.0 + static_cast<double>(e);
        SatelliteData sat;
        sat.sysCode = kSysGps;
        sat.prn = 5;
        sat.blocks.resize(3);
        sat.blocks[0].pseudorange = samples[e].p1;
        sat.blocks[0].carrierPhase = samples[e].phi1;
        sat.blocks[0].doppler = samples[e].d1;
        sat.blocks[1].pseudorange = samples[e].p2;
        sat.blocks[1].carrierPhase = samples[e].phi2;
        epoch.sats.push_back(sat);
        m.epochs.push_back(epoch);
    }
    kestrin::FillCarrierWavelengths(m);
    return m;
}

// A smooth pass: range 2e7 m + 500 m/s, the Doppler that goes with it, and a little
// deterministic noise (millicycles on the phases, decimetres on the codes).
Sample Smooth(double t) {
    const double range = 2.0e7 + 500.0 * t;
    const double phaseNoise = 0.002 * std::sin(1.7 * t), codeNoise = 0.2 * std::sin(0.37 * t);
    return Sample{range + codeNoise, range / kL1 + 1000.0 + phaseNoise, -500.0 / kL1,
                  range - codeNoise, range / kL2 - 2000.0 - phaseNoise};
}

std::vector<uint32_t> Lli(const RinexObsFile& m, size_t band) {
    std::vector<uint32_t> out;
    for (const OBSERVATIONS& e : m.epochs) out.push_back(e.sats[0].blocks[band].lli);
    return out;
}

// The slips found in the model, as (epoch, band, test) and marked into it.
std::vector<std::tuple<size_t, int, kestrin::SlipTest>> Found(RinexObsFile& m) {
    const std::vector<kestrin::CycleSlip> slips = kestrin::FindCycleSlips(m, nullptr);
    kestrin::MarkCycleSlips(m, slips);
    std::vector<std::tuple<size_t, int, kestrin::SlipTest>> out;
    for (const kestrin::CycleSlip& c : slips) out.emplace_back(c.epoch, c.band, c.test);
    return out;
}

using kestrin::SlipTest;
using Slips = std::vector<std::tuple<size_t, int, SlipTest>>;

// A smooth pass sampled every `interval` seconds, with jumps (cycles) from epoch `at` on.
std::vector<Sample> Pass(size_t epochs, double interval, size_t at = 0, double j1 = 0,
                         double j2 = 0) {
    std::vector<Sample> s;
    for (size_t e = 0; e < epochs; ++e) {
        Sample x = Smooth(static_cast<double>(e) * interval);
        if (at > 0 && e >= at) {
            x.phi1 += j1;
            x.phi2 += j2;
        }
        s.push_back(x);
    }
    return s;
}

RinexObsFile Spaced(const std::vector<Sample>& samples, double interval) {
    RinexObsFile m = GpsModel(samples);
    for (size_t e = 0; e < m.epochs.size(); ++e)
        m.epochs[e].time.sow = 1000.0 + static_cast<double>(e) * interval;
    return m;
}

TEST(SlipDetection, DualBandJumpsAreFoundAtEveryInterval) {
    const struct {
        double j1, j2;
        SlipTest test;
    } jumps[] = {{1, 0, SlipTest::kGeometryFree},
                 {0, 1, SlipTest::kGeometryFree},
                 {1, 1, SlipTest::kGeometryFree},
                 {-10, 0, SlipTest::kGeometryFree},
                 {18, 14, SlipTest::kMelbourneWuebbena}};  // 18 l1 - 14 l2 is 7 mm: wide lane only
    for (double interval : {1.0, 5.0, 15.0, 30.0, 60.0}) {
        for (const auto& j : jumps) {
            SCOPED_TRACE(testing::Message() << interval << " s, " << j.j1 << "/" << j.j2);
            RinexObsFile m = Spaced(Pass(120, interval, 70, j.j1, j.j2), interval);
            EXPECT_EQ(Found(m), (Slips{{70, 0, j.test}, {70, 1, j.test}}));
            EXPECT_EQ(Lli(m, 0)[70], 1u);
            RinexObsFile clean = Spaced(Pass(120, interval), interval);
            EXPECT_TRUE(Found(clean).empty());
        }
    }
}

TEST(SlipDetection, OutliersGapsAndOddEpochsAreNotSlips) {
    // A one-epoch spike on band 1 returns to the old level: no mark.
    std::vector<Sample> spike = Pass(100, 30.0);
    spike[50].phi1 += 3.0;
    RinexObsFile a = Spaced(spike, 30.0);
    EXPECT_TRUE(Found(a).empty());

    // A jump inside a gap of ten intervals restarts the arc instead.
    std::vector<Sample> gap = Pass(100, 30.0, 60, 5.0, 0.0);
    gap.erase(gap.begin() + 50, gap.begin() + 60);
    RinexObsFile b = Spaced(Pass(100, 30.0), 30.0);
    b.epochs.erase(b.epochs.begin() + 50, b.epochs.begin() + 60);
    for (size_t e = 50; e < b.epochs.size(); ++e) b.epochs[e].sats[0].blocks[0].carrierPhase += 5.0;
    EXPECT_TRUE(Found(b).empty());

    // Duplicated and out-of-order epochs are passed over.
    RinexObsFile c = Spaced(Pass(60, 30.0), 30.0);
    c.epochs.insert(c.epochs.begin() + 30, c.epochs[29]);
    std::swap(c.epochs[40], c.epochs[41]);
    EXPECT_TRUE(Found(c).empty());

    // A flag the file already carries restarts the arc: the jump there is not reported again.
    RinexObsFile d = Spaced(Pass(60, 30.0, 30, 4.0, 0.0), 30.0);
    d.epochs[30].sats[0].blocks[0].lli = 1;
    EXPECT_TRUE(Found(d).empty());

    // One epoch, no epoch, and a GLONASS satellite whose channel cannot be told.
    RinexObsFile one = Spaced(Pass(1, 30.0), 30.0);
    EXPECT_TRUE(Found(one).empty());
    RinexObsFile none;
    EXPECT_TRUE(Found(none).empty());
    RinexObsFile glo = Spaced(Pass(60, 30.0, 30, 5.0, 0.0), 30.0);
    glo.wavelengths.assign(glo.wavelengths.size(), {0.0, 0.0});
    for (OBSERVATIONS& e : glo.epochs) {
        e.sats[0].sysCode = kSysGlonass;
        e.sats[0].prn = 3;
        e.sats[0].blocks[0].pseudorange = e.sats[0].blocks[1].pseudorange = 0.0;
    }
    EXPECT_TRUE(Found(glo).empty());
}

TEST(SlipDetection, SingleBandPhasesUseCodeAndShortIntervalDoppler) {
    // Band 1 only. At 1 s the Doppler test sees 2 cycles; code minus carrier sees 40.
    auto singleBand = [](std::vector<Sample> s) {
        for (Sample& x : s) x.phi2 = x.p2 = 0.0;
        return s;
    };
    RinexObsFile doppler = Spaced(singleBand(Pass(60, 1.0, 30, 2.0, 0.0)), 1.0);
    EXPECT_EQ(Found(doppler), (Slips{{30, 0, SlipTest::kDoppler}}));
    RinexObsFile noDoppler = Spaced(singleBand(Pass(60, 30.0, 30, 40.0, 0.0)), 30.0);
    EXPECT_EQ(Found(noDoppler), (Slips{{30, 0, SlipTest::kCodeCarrier}}));
    // At 30 s the Doppler is not used: a small jump stays below the code noise.
    RinexObsFile small = Spaced(singleBand(Pass(60, 30.0, 30, 2.0, 0.0)), 30.0);
    EXPECT_TRUE(Found(small).empty());
}

TEST(SlipDetection, WavelengthsFromCarriersAndGlonassChannels) {
    RinexObsFile m;
    m.gpsCodes = {"C1C", "L1C", "L2W", "L5Q"};
    m.bdsCodes = {"L2I", "L7I"};  // B1I and B2I both land in band 2: no wavelengths
    kestrin::FillCarrierWavelengths(m);
    const auto& g = m.wavelengths[static_cast<size_t>(SatelliteIndex(kSysGps, 32))];
    EXPECT_DOUBLE_EQ(g[0], kL1);
    EXPECT_DOUBLE_EQ(g[1], kL2);
    const auto& c = m.wavelengths[static_cast<size_t>(SatelliteIndex(kSysBds, 6))];
    EXPECT_EQ(c[0], 0.0);
    EXPECT_EQ(c[1], 0.0);
    m.bdsCodes = {"C1I", "L1I", "L7I"};  // as RINEX 2 types translate: B1I and B2I
    kestrin::FillCarrierWavelengths(m);
    EXPECT_DOUBLE_EQ(m.wavelengths[static_cast<size_t>(SatelliteIndex(kSysBds, 6))][0],
                     kC / 1561.098e6);
    EXPECT_DOUBLE_EQ(m.wavelengths[static_cast<size_t>(SatelliteIndex(kSysBds, 6))][1],
                     kC / 1207.14e6);

    // A GLONASS satellite whose range/phase ratio gives 1602.5625 MHz is on channel 1.
    SatelliteData r;
    r.sysCode = kSysGlonass;
    r.prn = 7;
    r.blocks.resize(3);
    r.blocks[0].pseudorange = 2.0e7;
    r.blocks[0].carrierPhase = 2.0e7 / (kC / 1602562500.0);
    ASSERT_TRUE(kestrin::EstimateGlonassWavelengths(m, r));
    const auto& w = m.wavelengths[static_cast<size_t>(SatelliteIndex(kSysGlonass, 7))];
    EXPECT_DOUBLE_EQ(w[0], kC / 1602562500.0);
    EXPECT_DOUBLE_EQ(w[1], kC / 1246437500.0);
    r.blocks[0].carrierPhase = 2.0e7 / (kC / 1610.0e6);  // channel 14: not a channel
    EXPECT_FALSE(kestrin::EstimateGlonassWavelengths(m, r));
    r.sysCode = kSysGps;
    EXPECT_FALSE(kestrin::EstimateGlonassWavelengths(m, r));
}

// ---- files ------------------------------------------------------------------------------

std::string Field(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%14.3f  ", value);
    return text;
}

std::string Pad(std::string text) {
    text.resize(80, ' ');
    return text;
}

// A RINEX 3 file of G05 and a BDS satellite without wavelengths (C11) over n seconds; with
// Doppler or without; the band-1 phase of G05 gets `jump` cycles from epoch `from` on and its
// band-1 pseudorange `codeJump` metres.
std::string SyntheticFile(int n, bool doppler, int from, double jump, double codeJump) {
    std::string text = Pad("     3.03           OBSERVATION DATA    M                   "
                           "RINEX VERSION / TYPE") +
                       "\n";
    text += Pad(doppler ? "G    5 C1C L1C D1C C2W L2W" : "G    4 C1C L1C C2W L2W");
    text.replace(text.size() - 20, 20, "SYS / # / OBS TYPES ");
    text += "\n" + Pad("C    4 C2I L2I C7I L7I");
    text.replace(text.size() - 20, 20, "SYS / # / OBS TYPES ");
    text += "\n" +
            Pad("                                                            END OF HEADER") + "\n";
    for (int t = 0; t < n; ++t) {
        char line[64];
        std::snprintf(line, sizeof line, "> 2021 01 01 00 %02d %10.7f  0  2\n", t / 60,
                      static_cast<double>(t % 60));
        text += line;
        Sample s = Smooth(t);
        if (t >= from) {
            s.phi1 += jump;
            s.p1 += codeJump;
        }
        text += "G05" + Field(s.p1) + Field(s.phi1) + (doppler ? Field(s.d1) : "") + Field(s.p2) +
                Field(s.phi2) + "\n";
        text += "C11" + Field(3.0e7) + Field(1.5e8 + t * 9.0) + Field(3.0e7) +
                Field(1.2e8 + (t == 50 ? 500.0 : 0.0)) + "\n";
    }
    return text;
}

// Positions where two texts of equal length differ.
std::vector<size_t> Differences(const std::string& a, const std::string& b) {
    std::vector<size_t> out;
    for (size_t i = 0; i < a.size() && i < b.size(); ++i)
        if (a[i] != b[i]) out.push_back(i);
    return out;
}

TEST(SlipDetection, MarksOnlyTheLossOfLockDigitsOfTheFile) {
    TempDir dir;
    const std::string original = SyntheticFile(200, false, 150, 5.0, 0.0);
    const std::string path = dir.Write("syn00010.21o", original);
    ASSERT_EQ(DetectSlp(path.c_str(), nullptr), 1);
    const std::string marked = ReadFile(path);
    ASSERT_EQ(marked.size(), original.size());
    // Both phases of G05 at epoch 150 get digit 1; nothing else changes (C11 has no
    // wavelengths and is left alone despite its jump).
    const size_t epoch = original.find("> 2021 01 01 00 02 30.0000000");
    ASSERT_NE(epoch, std::string::npos);
    const size_t g05 = original.find("G05", epoch);
    EXPECT_EQ(Differences(original, marked),
              (std::vector<size_t>{g05 + 3 + 16 + 14, g05 + 3 + 48 + 14}));
    EXPECT_EQ(marked[g05 + 3 + 16 + 14], '1');
    EXPECT_EQ(dir.Entries().size(), 1u);

    // The same file without the slip is left untouched.
    const std::string clean = dir.Write("cln00010.21o", SyntheticFile(200, false, 0, 0.0, 0.0));
    ASSERT_EQ(DetectSlp(clean.c_str(), nullptr), 1);
    EXPECT_EQ(ReadFile(clean), SyntheticFile(200, false, 0, 0.0, 0.0));
}

TEST(SlipDetection, CodeJumpsAreNoSlipsAndPhaseSlipsMarkBothBands) {
    TempDir dir;
    // A 3 m code jump is no slip of the phase, with or without Doppler.
    for (bool doppler : {true, false}) {
        const std::string text = SyntheticFile(10, doppler, 5, 0.0, 16.0 * kL1);
        const std::string path = dir.Write(doppler ? "dop00010.21o" : "cod00010.21o", text);
        ASSERT_EQ(DetectSlp(path.c_str(), nullptr), 1);
        EXPECT_EQ(ReadFile(path), text) << doppler;
    }
    // A phase slip on band 1 of a two-band satellite marks both of its bands.
    const std::string slip = SyntheticFile(10, true, 5, 4.0, 0.0);
    const std::string path3 = dir.Write("slp00010.21o", slip);
    ASSERT_EQ(DetectSlp(path3.c_str(), nullptr), 1);
    const std::vector<size_t> d = Differences(slip, ReadFile(path3));
    const size_t g05 = slip.find("G05", slip.find("> 2021 01 01 00 00  5.0000000"));
    EXPECT_EQ(d, (std::vector<size_t>{g05 + 3 + 16 + 14, g05 + 3 + 64 + 14}));  // L1C, L2W
}

}  // namespace
