// A GPS, GLONASS and BeiDou "@MULX" session encoded from a real RINEX observation file, with
// ephemerides from real navigation files, wrapped in a static header and converted end to
// end: the RINEX output must give back every encoded value to the resolution of its field.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "decoders/obs_rules.h"
#include "rinex/dexp.h"
#include "rinex/obs_codes.h"
#include "support/conversion.h"
#include "support/frames.h"
#include "support/gnss_session.h"
#include "support/mulx_encode.h"
#include "support/static_file.h"

namespace {

namespace ts = testsupport;

constexpr int32_t kRinex302 = (1 << 24) | 0x163F;
constexpr size_t kSlipEpoch = 30;  // the BeiDou lock time falls here

const int8_t (&GlonassChannels())[25] {
    static int8_t channels[25];
    const kestrin::GlonassSlotTable table = kestrin::InitialGlonassSlotTable();
    for (size_t i = 0; i < 25; ++i) channels[i] = table[i];
    return channels;
}

// GPS L2 goes to the C2P slot the format has; two GPS satellites are copied as BeiDou C03
// (B1 and B3) and C14 (B1 and B2).
std::vector<ts::SessionEpoch> Session() {
    std::vector<ts::SessionEpoch> epochs =
        ts::ReadRinex3Session(ts::ReadTestData("rinex/pdel0010.21o"), 67, GlonassChannels());
    for (ts::SessionEpoch& e : epochs) {
        std::vector<ts::SessionSat> bds;
        for (ts::SessionSat& s : e.sats) {
            if (s.sysCode != kSysGps) continue;
            for (ts::SessionSignal& sig : s.signals) {
                if (sig.slot == 11) sig.slot = 9;
            }
            if (s.prn == 7 || s.prn == 8) {
                ts::SessionSat c = s;
                c.sysCode = kSysBds;
                c.prn = s.prn == 7 ? 3 : 14;
                for (ts::SessionSignal& sig : c.signals) {
                    if (sig.slot != 0) sig.slot = s.prn == 7 ? 6 : 3;
                }
                bds.push_back(c);
            }
        }
        e.sats.insert(e.sats.end(), bds.begin(), bds.end());
        e.clockOffset = -0.002;
    }
    return epochs;
}

TEST(MulxConvert, GpsGlonassBeidouSession) {
    const std::vector<ts::SessionEpoch> epochs = Session();
    ASSERT_EQ(epochs.size(), 67u);
    std::vector<ts::SessionEpoch> sent;
    std::string data;
    KeplerEphemeris g01;
    g01.iodc = g01.iode = 52;
    g01.sqrtA = 5.153693731310e+03;
    g01.e = 1.022444642150e-02;
    g01.af0 = 7.874774746600e-04;
    g01.toe = 439200;
    g01.transmissionTime = 432978;
    data += ts::MulxGpsBdsEphemerisMessage(g01, 1, 0, 432990000, 2138);
    data += ts::MulxGpsBdsEphemerisMessage(g01, 163, 0, 432990000, 2138);
    gEphemeris r02;
    r02.frequencyNumber = -4;
    r02.x = 9364.73925781;
    r02.tauN = 2.06762924790e-05;
    data += ts::MulxGlonassEphemerisMessage(r02, 39, 432918000, 2138);
    for (size_t i = 0; i < epochs.size(); ++i) {
        ts::SessionEpoch s;
        const uint16_t lock =
            static_cast<uint16_t>(i < kSlipEpoch ? 100 + 30 * i : 5 + 30 * (i - kSlipEpoch));
        data += ts::MulxObservationMessage(epochs[i], lock, &s);
        sent.push_back(s);
        if (i == 3) {
            // A damaged copy of the next epoch: its sum fails and it leaves nothing.
            ts::SessionEpoch later = epochs[i + 1];
            later.time.sow += 7;
            std::string bad = ts::MulxObservationMessage(later, 0, nullptr);
            bad[bad.size() / 2] ^= 0x10;
            data += bad;
            data += "@MULX";  // a sync with nothing behind it
        }
    }
    ASSERT_GT(data.size(), 65536u);  // many messages straddle the 32 KiB reading chunks

    const ts::ConversionRun c = ts::ConvertWithHeader(data, "mulx.dat", kRinex302);
    ASSERT_EQ(c.result, 1);
    EXPECT_TRUE(c.leftovers.empty());
    const std::string obs = c.FileEndingWith(".21O");
    const ts::ObsValues values = ts::ReadRinex3Values(obs);
    ASSERT_EQ(values.size(), sent.size());

    size_t checked = 0;
    for (size_t i = 0; i < sent.size(); ++i) {
        const ts::SessionEpoch& e = sent[i];
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
                const double lambda =
                    kestrin::CarrierWavelength(s.sysCode, sig.slot, s.glonassChannel);
                const std::string where = key + " " + sat + " " + code;
                const std::string phase = "L" + code.substr(1);
                ASSERT_TRUE(codes.count(code)) << where;
                EXPECT_NEAR(codes.at(code), sig.range, 0.0011) << where;
                EXPECT_NEAR(codes.at(phase), sig.phaseMetres / lambda, 0.0011) << where;
                EXPECT_NEAR(codes.at("D" + code.substr(1)), sig.doppler, 0.0011) << where;
                EXPECT_NEAR(codes.at("S" + code.substr(1)), sig.snr, 0.0011) << where;
                // A falling lock time marks the BeiDou phases of that epoch only.
                const bool slip = s.sysCode == kSysBds && i == kSlipEpoch;
                const int lli =
                    codes.count("LLI " + phase) ? static_cast<int>(codes.at("LLI " + phase)) : 0;
                EXPECT_EQ(lli & 1, slip ? 1 : 0) << where;
                ++checked;
            }
        }
    }
    EXPECT_GT(checked, 67u * 30u);
    for (const char* code : {"G    8 C1C", "R    8 C1C", "C   12 C1I"})
        EXPECT_NE(obs.find(code), std::string::npos) << code;

    std::string nav;
    for (const auto& [name, content] : c.files) {
        if (name.back() != 'O') nav += content;
    }
    EXPECT_NE(nav.find("G01 2021 01 01 02 00 00"), std::string::npos);
    EXPECT_NE(nav.find("C03 2021 01 01 02 00 00"), std::string::npos);
    EXPECT_NE(nav.find("R02 2021 01 01 00 15 00"), std::string::npos);
}

TEST(MulxConvert, OtherFormatGivesNothing) {
    // Messages whose IDs the decoder does not know, then bytes of another format.
    std::string data;
    for (int i = 0; i < 10; ++i) data += ts::MulxFrame(2001, "\x01\x02\x03\x04", 1000 * i, 2138);
    data += ts::UbxFrame(0x02, 0x15, std::string(16, '\0'));
    const ts::ConversionRun c = ts::ConvertWithHeader(data, "other.dat", kRinex302);
    EXPECT_EQ(c.result, 0);
    EXPECT_TRUE(c.files.empty());
    EXPECT_TRUE(c.leftovers.empty());
}

TEST(MulxConvert, SmallSessionFixture) {
    const ts::ConversionRun c = ts::ConvertWithHeader(
        ts::ReadTestData("mulx/pdel_session_head.mlx"), "seed.dat", kRinex302);
    ASSERT_EQ(c.result, 1);
    const ts::ObsValues values = ts::ReadRinex3Values(c.FileEndingWith(".21O"));
    ASSERT_EQ(values.size(), 8u);
    EXPECT_TRUE(values.begin()->second.count("C03"));
    EXPECT_EQ(c.progress.back(), 100);
    // The whole observation file as expected (the run date of the program line aside).
    const std::string golden = ts::ReadTestData("mulx/pdel_session_head.21O");
    if (std::getenv("TOLLMERE_WRITE_GOLDEN")) {
        std::ofstream(std::string(TOLLMERE_TEST_DATA) + "/mulx/pdel_session_head.21O",
                      std::ios::binary)
            << c.FileEndingWith(".21O");
    }
    EXPECT_EQ(ts::WithoutProgramLine(c.FileEndingWith(".21O")), ts::WithoutProgramLine(golden));
}

TEST(MulxConvert, DamagedLengthDoesNotSwallowTheMessagesBehindIt) {
    // The first observation message (behind the three ephemerides) announces 4000 bytes: its
    // sum fails, and the seven epochs behind it are still found.
    std::string data = ts::ReadTestData("mulx/pdel_session_head.mlx");
    size_t first = 0;
    for (int i = 0; i < 4; ++i) first = data.find("@MULX", i == 0 ? 0 : first + 1);
    ASSERT_NE(first, std::string::npos);
    data[first + 7] = static_cast<char>(4000 & 0xFF);
    data[first + 8] = static_cast<char>(4000 >> 8);
    const ts::ConversionRun c = ts::ConvertWithHeader(data, "damaged.dat", kRinex302);
    ASSERT_EQ(c.result, 1);
    EXPECT_EQ(ts::ReadRinex3Values(c.FileEndingWith(".21O")).size(), 7u);
}

}  // namespace
