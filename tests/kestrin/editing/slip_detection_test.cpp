#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>
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

TEST(SlipDetection, DopplerDecisions) {
    // Epoch 1 differs from the prediction by r1 metres on band 1 and r2 on band 2; the
    // geometry-free change is then r1 - r2, the wide-lane change (r1 l2 - r2 l1)/(l2 - l1).
    struct Case {
        double r1, r2;
        uint32_t band1, band2;
    } cases[] = {
        {0.31, 0.1, 1, 0},   // geometry-free jump 0.21: band 1 only (|r2| <= 0.3)
        {0.5, 0.49, 1, 0},   // no combination jump, |r1| > 0.45: band 1
        {0.4, 0.35, 0, 1},   // no combination jump, |r1| <= 0.45, |r2| > 0.3: band 2
        {0.2, 0.2, 0, 0},    // nothing
        {0.44, 0.43, 0, 1},  // |r1| <= 0.45, geometry-free change 0.01: band 2
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.r1);
        Sample s1 = Smooth(1.0);
        s1.phi1 += c.r1 / kL1;
        s1.phi2 += c.r2 / kL2;
        RinexObsFile m = GpsModel({Smooth(0.0), s1});
        kestrin::DopplerSlipTest(m, nullptr);
        EXPECT_EQ(Lli(m, 0), (std::vector<uint32_t>{0, c.band1}));
        EXPECT_EQ(Lli(m, 1), (std::vector<uint32_t>{0, c.band2}));
    }
}

TEST(SlipDetection, CodeCarrierLimits) {
    struct Case {
        double jump1, jump2;  // cycles added to the phases from epoch 2 on
        uint32_t band1, band2;
    } cases[] = {{16, 0, 1, 0}, {14, 0, 0, 0}, {0, 11, 0, 1}, {0, 9, 0, 0}, {-16, -11, 1, 1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.jump1 + 100 * c.jump2);
        std::vector<Sample> s;
        for (int t = 0; t < 4; ++t) {
            Sample x = Smooth(t);
            if (t >= 2) {
                x.phi1 += c.jump1;
                x.phi2 += c.jump2;
            }
            s.push_back(x);
        }
        RinexObsFile m = GpsModel(s);
        kestrin::CodeCarrierSlipTest(m, nullptr);
        EXPECT_EQ(Lli(m, 0), (std::vector<uint32_t>{0, 0, c.band1, 0}));
        EXPECT_EQ(Lli(m, 1), (std::vector<uint32_t>{0, 0, c.band2, 0}));
    }
}

TEST(SlipDetection, TimeSeriesStepIsMarkedSpikeIsSmoothed) {
    std::vector<Sample> s;
    for (int t = 0; t < 200; ++t) s.push_back(Smooth(t));
    for (int t = 150; t < 200; ++t) s[static_cast<size_t>(t)].phi1 += 3.0;  // lasting step
    s[80].phi1 += 0.5;                                                      // one-epoch spike
    RinexObsFile m = GpsModel(s);
    kestrin::TimeSeriesSlipTest(m, nullptr);
    std::vector<uint32_t> expected(200, 0);
    expected[150] = 1;
    EXPECT_EQ(Lli(m, 0), expected);
    EXPECT_EQ(Lli(m, 1), expected);

    // While fewer than 120 differences are counted the geometry-free limit is 0.14 cycles.
    for (double jump : {0.12, 0.17}) {
        std::vector<Sample> t = std::vector<Sample>(s.begin(), s.begin() + 60);
        for (size_t i = 40; i < t.size(); ++i) t[i].phi1 += jump;
        RinexObsFile early = GpsModel(t);
        kestrin::TimeSeriesSlipTest(early, nullptr);
        EXPECT_EQ(Lli(early, 0)[40], jump > 0.14 ? 1u : 0u) << jump;
    }
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

TEST(SlipDetection, DopplerFilesRunOnlyTheDopplerTest) {
    TempDir dir;
    // A 3 m code jump is no slip of the phase: the code-minus-carrier test would mark it
    // (16 cycles), the Doppler test does not.
    const std::string withDoppler = SyntheticFile(10, true, 5, 0.0, 16.0 * kL1);
    const std::string path = dir.Write("dop00010.21o", withDoppler);
    ASSERT_EQ(DetectSlp(path.c_str(), nullptr), 1);
    EXPECT_EQ(ReadFile(path), withDoppler);
    const std::string without = SyntheticFile(10, false, 5, 0.0, 16.0 * kL1 + 0.01);
    const std::string path2 = dir.Write("cod00010.21o", without);
    ASSERT_EQ(DetectSlp(path2.c_str(), nullptr), 1);
    const size_t jumped = without.find("G05", without.find("> 2021 01 01 00 00  5.0000000"));
    const std::vector<size_t> marks = Differences(without, ReadFile(path2));
    ASSERT_FALSE(marks.empty());
    EXPECT_EQ(marks[0], jumped + 3 + 16 + 14);
    // And a real phase slip in a Doppler file is marked on its band.
    const std::string slip = SyntheticFile(10, true, 5, 4.0, 0.0);
    const std::string path3 = dir.Write("slp00010.21o", slip);
    ASSERT_EQ(DetectSlp(path3.c_str(), nullptr), 1);
    const std::vector<size_t> d = Differences(slip, ReadFile(path3));
    ASSERT_EQ(d.size(), 1u);
    const size_t g05 = slip.find("G05", slip.find("> 2021 01 01 00 00  5.0000000"));
    EXPECT_EQ(d[0], g05 + 3 + 16 + 14);
}

}  // namespace
