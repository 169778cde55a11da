// A multi-system BINEX session encoded from a real RINEX observation file (and ephemerides
// of real navigation files), wrapped in a static header and converted end to end: the RINEX
// output must give back every encoded value to the resolution of its field.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "decoders/obs_rules.h"
#include "rinex/dexp.h"
#include "rinex/obs_codes.h"
#include "support/binex_encode.h"
#include "support/conversion.h"
#include "support/frames.h"
#include "support/gnss_session.h"
#include "support/static_file.h"

namespace {

namespace ts = testsupport;

constexpr int32_t kRinex302 = (1 << 24) | 0x163F;  // all systems, RINEX 3.02

const int8_t (&GlonassChannels())[25] {
    static int8_t channels[25];
    const kestrin::GlonassSlotTable table = kestrin::InitialGlonassSlotTable();
    for (size_t i = 0; i < 25; ++i) channels[i] = table[i];
    return channels;
}

// A GPS satellite's signals given to a satellite of another system: the L1 signal to `l1`,
// the L2 signal to `l2` (-1: left out). Ranges and phases in metres stay as they are.
ts::SessionSat Relabel(const ts::SessionSat& gps, int32_t sysCode, int32_t prn, int l1, int l2) {
    ts::SessionSat sat;
    sat.sysCode = sysCode;
    sat.prn = prn;
    for (const ts::SessionSignal& s : gps.signals) {
        ts::SessionSignal copy = s;
        copy.slot = s.slot == 0 ? l1 : l2;
        if (copy.slot >= 0) sat.signals.push_back(copy);
    }
    return sat;
}

// The real epochs of GPS and GLONASS, and copies of four GPS satellites as Galileo, BeiDou,
// QZSS and SBAS satellites.
std::vector<ts::SessionEpoch> MultiSystemSession() {
    std::vector<ts::SessionEpoch> epochs =
        ts::ReadRinex3Session(ts::ReadTestData("rinex/pdel0010.21o"), 67, GlonassChannels());
    for (ts::SessionEpoch& e : epochs) {
        std::vector<ts::SessionSat> extra;
        for (const ts::SessionSat& s : e.sats) {
            if (s.sysCode != kSysGps) continue;
            if (s.prn == 1) extra.push_back(Relabel(s, kSysGalileo, 11, 3, 7));  // E11 C1X C5X
            if (s.prn == 7) extra.push_back(Relabel(s, kSysBds, 7, 0, 3));       // C07 C1I C7I
            if (s.prn == 8) extra.push_back(Relabel(s, kSysQzss, 2, 0, 6));      // J02 C1C C2L
            if (s.prn == 10) extra.push_back(Relabel(s, kSysSbas, 8, 0, -1));    // S27 C1C
        }
        e.sats.insert(e.sats.end(), extra.begin(), extra.end());
        e.clockOffset = 1.25e-4;
    }
    return epochs;
}

// Ephemerides taken from the navigation files of the data set.
KeplerEphemeris PdelGps01() {
    KeplerEphemeris e;
    e.prn = 1;
    e.week = 2138;
    e.toe = 439200;
    e.af0 = 7.874774746600e-04;
    e.af1 = -5.911715561520e-12;
    e.iode = 52;
    e.crs = -7.362500000000e+01;
    e.deltaN = 4.318037039040e-09;
    e.m0 = 2.893520298160e-02;
    e.cuc = -3.784894943240e-06;
    e.e = 1.022444642150e-02;
    e.cus = 1.076608896260e-06;
    e.sqrtA = 5.153693731310e+03;
    e.cic = -2.048909664150e-08;
    e.omega0 = -8.087355908090e-01;
    e.cis = 1.639127731320e-07;
    e.i0 = 9.827409334590e-01;
    e.crc = 3.673750000000e+02;
    e.omega = 8.219747770630e-01;
    e.omegaDot = -8.439637433360e-09;
    e.idot = -3.007268045700e-10;
    e.codesOnL2 = 1;
    e.tgd = 5.122274160390e-09;
    e.iodc = 52;
    e.fitInterval = 4;
    return e;
}

gEphemeris BrdcGlonass02() {
    gEphemeris g;
    g.prn = 2;
    g.tauN = 2.06762924790e-05;
    g.gammaN = -2.72848410532e-12;
    g.x = 9364.73925781;
    g.vx = -0.267867088318;
    g.y = -15908.7973633;
    g.vy = 2.39853191376;
    g.ay = 1.86264514923e-09;
    g.z = -17614.3896484;
    g.vz = -2.30765628815;
    g.az = 1.86264514923e-09;
    g.frequencyNumber = -4;
    return g;
}

// A navigation number as the records write it, without its leading blanks.
std::string Format12(double v) {
    const std::string s = kestrin::FormatDExponent(v, 19, 12);
    return s.substr(s.find_first_not_of(' '));
}

struct Built {
    std::string data;
    std::vector<ts::SessionEpoch> sent;
    std::vector<size_t> recordStarts;  // file offsets (after the static header) of the records
};

// Records in turn little-endian, big-endian, reversible little- and big-endian; navigation
// records, site metadata and private records among them, and a damaged copy of an epoch.
Built BuildSession() {
    Built b;
    const std::vector<ts::SessionEpoch> epochs = MultiSystemSession();
    auto add = [&b](const std::string& record) {
        b.recordStarts.push_back(b.data.size());
        b.data += record;
    };
    add(ts::BinexRecordBytes(0x00, std::string("\x10\x00\x00\x00\x00\x00\x01\x03"
                                               "abc",
                                               11)));
    add(ts::BinexRecordBytes(0x01, ts::BinexGpsEphMessage(PdelGps01(), 432978, false)));
    // 2021-01-01 00:15:00 UTC = day 14971 since 1980-01-06; tk 03:15:00 Moscow time.
    add(ts::BinexRecordBytes(
        0x01, ts::BinexGlonassEphMessage(BrdcGlonass02(), 14971, 900, 11700, true), true));
    for (size_t i = 0; i < epochs.size(); ++i) {
        const bool big = i % 2 == 1, reversible = i % 4 >= 2;
        ts::SessionEpoch sent;
        const std::string message = ts::BinexObs05Message(epochs[i], big, &sent);
        add(ts::BinexRecordBytes(0x7F, message, big, reversible));
        b.sent.push_back(sent);
        if (i == 5) {
            // The next epoch's record with one bit changed: its checksum fails.
            ts::SessionEpoch next = epochs[i + 1];
            std::string bad =
                ts::BinexRecordBytes(0x7F, ts::BinexObs05Message(next, false, nullptr));
            bad[bad.size() / 2] ^= 0x04;
            add(bad);
            add(ts::BinexRecordBytes(0x7E, "\x00private", false));
            add(ts::BinexRecordBytes(0x04, "\x00\x01\x02\x03\x04\x05\x06\x07\x08", false));
        }
    }
    return b;
}

TEST(BinexConvert, MultiSystemSessionInEveryRecordForm) {
    const Built b = BuildSession();
    ASSERT_EQ(b.sent.size(), 67u);
    // Records straddle the 32 KiB reading chunks (the static header comes first).
    size_t straddling = 0;
    for (size_t i = 0; i + 1 < b.recordStarts.size(); ++i) {
        const size_t from = 512 + b.recordStarts[i], to = 512 + b.recordStarts[i + 1];
        if (from / 32768 != (to - 1) / 32768) ++straddling;
    }
    ASSERT_GE(straddling, 1u);

    const ts::ConversionRun c = ts::ConvertWithHeader(b.data, "binex.dat", kRinex302);
    ASSERT_EQ(c.result, 1);
    EXPECT_TRUE(c.leftovers.empty());
    const std::string obs = c.FileEndingWith(".21O");
    ASSERT_FALSE(obs.empty());
    const ts::ObsValues values = ts::ReadRinex3Values(obs);
    ASSERT_EQ(values.size(), b.sent.size());  // the damaged record left no epoch

    size_t checked = 0;
    for (const ts::SessionEpoch& e : b.sent) {
        const std::string key = ts::EpochKey(e.time).substr(0, 29);
        ASSERT_TRUE(values.count(key)) << key;
        const auto& sats = values.at(key);
        EXPECT_EQ(sats.size(), e.sats.size()) << key;
        for (const ts::SessionSat& s : e.sats) {
            const std::string sat = ts::SatKey(s.sysCode, s.prn);
            ASSERT_TRUE(sats.count(sat)) << key << " " << sat;
            const auto& codes = sats.at(sat);
            for (const ts::SessionSignal& sig : s.signals) {
                const std::string code =
                    kestrin::DefaultObsCode(::SystemIndex(s.sysCode), sig.slot);
                const int k = s.sysCode == kSysGlonass ? GlonassChannels()[s.prn] : 100;
                const double lambda = kestrin::CarrierWavelength(s.sysCode, sig.slot, k);
                const std::string where = key + " " + sat + " " + code;
                ASSERT_TRUE(codes.count(code)) << where;
                EXPECT_NEAR(codes.at(code), sig.range, 0.0011) << where;
                EXPECT_NEAR(codes.at("L" + code.substr(1)), sig.phaseMetres / lambda, 0.0011)
                    << where;
                EXPECT_NEAR(codes.at("D" + code.substr(1)), sig.doppler, 0.0011) << where;
                EXPECT_NEAR(codes.at("S" + code.substr(1)), sig.snr, 0.0011) << where;
                ++checked;
            }
        }
    }
    EXPECT_GT(checked, 67u * 30u);

    // Every system's codes are in the header.
    for (const char* code :
         {"G    8 C1C", "R    8 C1C", "E    8 C1X", "C    8 C1I", "J    8 C1C", "S    4 C1C"})
        EXPECT_NE(obs.find(code), std::string::npos) << code;

    // Navigation records of both byte orders.
    std::string nav;
    for (const auto& [name, content] : c.files) {
        if (name.back() != 'O') nav += content;
    }
    EXPECT_NE(nav.find("G01 2021 01 01 02 00 00"), std::string::npos);
    EXPECT_NE(nav.find(Format12(5.153693731310e+03)), std::string::npos);
    EXPECT_NE(nav.find(Format12(static_cast<float>(7.874774746600e-04))), std::string::npos);
    EXPECT_NE(nav.find("R02 2021 01 01 00 15 00"), std::string::npos);
    EXPECT_NE(nav.find(Format12(-2.06762924790e-05)), std::string::npos);
    EXPECT_NE(nav.find(Format12(9364.73925781)), std::string::npos);
}

TEST(BinexConvert, FileWithoutObservationsGivesNothing) {
    std::string data;
    for (int i = 0; i < 20; ++i) {
        data += ts::BinexRecordBytes(0x7E, "\x00private record", i % 2 == 1);
        data += ts::BinexRecordBytes(0x7D, "\x00\x01\x02\x03\x04\x05\x06", false);
    }
    const ts::ConversionRun c = ts::ConvertWithHeader(data, "private.dat", kRinex302);
    EXPECT_EQ(c.result, 0);
    EXPECT_TRUE(c.files.empty());
    EXPECT_TRUE(c.leftovers.empty());
}

TEST(BinexConvert, SmallSessionFixture) {
    const ts::ConversionRun c = ts::ConvertWithHeader(
        ts::ReadTestData("binex/pdel_session_head.bnx"), "seed.dat", kRinex302);
    ASSERT_EQ(c.result, 1);
    const ts::ObsValues values = ts::ReadRinex3Values(c.FileEndingWith(".21O"));
    ASSERT_EQ(values.size(), 8u);
    EXPECT_TRUE(values.begin()->second.count("C03"));
    EXPECT_EQ(c.progress.back(), 100);
    // The whole observation file as expected (the run date of the program line aside).
    const std::string golden = ts::ReadTestData("binex/pdel_session_head.21O");
    if (std::getenv("TOLLMERE_WRITE_GOLDEN")) {
        std::ofstream(std::string(TOLLMERE_TEST_DATA) + "/binex/pdel_session_head.21O",
                      std::ios::binary)
            << c.FileEndingWith(".21O");
    }
    EXPECT_EQ(ts::WithoutProgramLine(c.FileEndingWith(".21O")), ts::WithoutProgramLine(golden));
}

TEST(BinexConvert, FalseSyncsAndOversizedLengthsBeforeGoodRecords) {
    // Record lengths past the 1,048,575-byte limit, a length past the end of the file and a
    // rejected record ID: none of them may hold up or swallow the records behind them.
    std::string junk;
    junk += std::string("\xC2\x7F", 2) + ts::Ubnxi(2000000) + std::string(20, '\x55');
    junk += std::string("\xE2\x01", 2) + ts::Ubnxi(1048600, true) + std::string(20, '\x33');
    junk += std::string("\xD2\x7F", 2) + ts::Ubnxi(40000) + "\x05";
    junk += ts::BinexRecordBytes(0x04, std::string(12, '\x01'));
    const std::string good = ts::ReadTestData("binex/pdel_session_head.bnx");
    const ts::ConversionRun c = ts::ConvertWithHeader(junk + good, "junk.dat", kRinex302);
    ASSERT_EQ(c.result, 1);
    EXPECT_EQ(ts::ReadRinex3Values(c.FileEndingWith(".21O")).size(), 8u);
}

}  // namespace
