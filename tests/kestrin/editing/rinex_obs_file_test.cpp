#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdio>
#include <string>
#include <vector>

#include "editing/rinex_obs_file.h"
#include "kestrin/kestrin.h"
#include "support/static_file.h"
#include "support/temp_dir.h"

namespace {

using testsupport::ReadFile;
using testsupport::TempDir;

struct Loaded {
    int result = 0;
    HeaderInfo* header = nullptr;
    std::vector<OBSERVATIONS>* epochs = nullptr;
};

Loaded Load(const std::string& path) {
    Loaded l;
    l.header = reinterpret_cast<HeaderInfo*>(1);  // must be reset on failure
    l.epochs = reinterpret_cast<std::vector<OBSERVATIONS>*>(1);
    l.result = ReadRinexFile(path.c_str(), nullptr, &l.header, &l.epochs);
    return l;
}

std::string Pad(std::string text, size_t width = 80) {
    text.resize(width, ' ');
    return text;
}

std::string Rinex2Header(const std::string& types) {
    return Pad("     2.10           OBSERVATION DATA    M (MIXED)           RINEX VERSION / TYPE") +
           "\n" + Pad(types + "# / TYPES OF OBSERV", 80) + "\n" +
           Pad("                                                            END OF HEADER") + "\n";
}

// One 16-column observation field: value, loss-of-lock digit, blank strength.
std::string Field(double value, char lli) {
    char text[32];
    std::snprintf(text, sizeof text, "%14.3f%c ", value, lli);
    return text;
}

const SatelliteData* Find(const OBSERVATIONS& epoch, int sys, int prn) {
    for (const SatelliteData& s : epoch.sats)
        if (s.sysCode == sys && s.prn == prn) return &s;
    return nullptr;
}

TEST(RinexObsFile, Rinex2TypesSatellitesAndValues) {
    TempDir dir;
    // Types C1 P2 L1 L2; an epoch listing G01, R05 and E11 (the Galileo satellite's line is
    // read past and dropped); a pseudorange below 1e7 m.
    const std::string text =
        Rinex2Header("     4    C1    P2    L1    L2                              ") +
        " 13  1  1  0  0  0.0000000  0  3G01R05E11\n"
        "   1234567.890    20000001.500   105000000.12571  81818181.818 4\n"
        "  21000000.250    21000002.750   112000000.500    87000000.250\n"
        "  22000000.000    22000001.000   115000000.000    90000000.000\n";
    const std::string path = dir.Write("site0010.13o", text);
    Loaded l = Load(path);
    ASSERT_EQ(l.result, 1);
    ASSERT_EQ(l.epochs->size(), 1u);
    const OBSERVATIONS& e = l.epochs->front();
    EXPECT_EQ(e.time.year, 2013);
    EXPECT_EQ(e.time.month, 1);
    ASSERT_EQ(e.sats.size(), 2u);
    const SatelliteData* g01 = Find(e, kSysGps, 1);
    ASSERT_NE(g01, nullptr);
    ASSERT_EQ(g01->blocks.size(), 3u);
    EXPECT_DOUBLE_EQ(g01->blocks[0].pseudorange, 34788998.890);
    EXPECT_DOUBLE_EQ(g01->blocks[1].pseudorange, 20000001.5);
    EXPECT_DOUBLE_EQ(g01->blocks[0].carrierPhase, 105000000.125);
    EXPECT_EQ(g01->blocks[0].lli, 7u);
    EXPECT_DOUBLE_EQ(g01->blocks[1].carrierPhase, 81818181.818);
    EXPECT_EQ(g01->blocks[1].lli, 0u);
    const SatelliteData* r05 = Find(e, kSysGlonass, 5);
    ASSERT_NE(r05, nullptr);
    EXPECT_DOUBLE_EQ(r05->blocks[0].carrierPhase, 112000000.5);
    EXPECT_EQ(e.time.week, 1721);  // 2013-01-01 is in GPS week 1721
    EXPECT_DOUBLE_EQ(e.time.sow, 2 * 86400.0);
}

TEST(RinexObsFile, Rinex2TypeTranslationAndRinex3WeakCodes) {
    TempDir dir;
    // Reading a second file replaces the first one's epochs and codes.
    const std::string v2 = dir.Write(
        "a.13o", Rinex2Header("     4    C1    P2    L1    L2                              ") +
                     " 13  1  1  0  0  0.0000000  0  1G01\n"
                     "  20000000.000    20000001.000   105000000.000    81818181.000\n");
    ASSERT_EQ(Load(v2).result, 1);
    const kestrin::RinexObsFile& model = kestrin::SharedRinexObsFile();
    using Codes = std::vector<std::string>;
    EXPECT_EQ(model.gpsCodes, (Codes{"C1C", "C2P", "L1C", "L2C"}));
    EXPECT_EQ(model.glonassCodes, (Codes{"C1C", "C2P", "L1C", "L2C"}));
    EXPECT_EQ(model.bdsCodes, (Codes{"C1I", "C7X", "L1I", "L7I"}));
    std::string v3 =
        Pad("     3.02           OBSERVATION DATA    M                   RINEX VERSION / TYPE") +
        "\n" +
        Pad("G    4 C1W L1C C1C L2W                                      SYS / # / OBS TYPES") +
        "\n" +
        Pad("C    2 C2I L2I                                              SYS / # / OBS TYPES") +
        "\n" + Pad("                                                            END OF HEADER") +
        "\n" + "> 2021 01 01 00 00 30.0000000  0  2\n" + "G01" + Field(21000000.5, ' ') +
        Field(110000000.25, '2') + Field(21000009.0, ' ') + Field(90000000.75, '1') + "\n" + "C06" +
        Field(38000000.0, ' ') + Field(198000000.0, ' ') + "\n";
    const std::string path = dir.Write("b.21O", v3);
    Loaded l = Load(path);
    ASSERT_EQ(l.result, 1);
    EXPECT_EQ(model.gpsCodes, (Codes{"C1W", "L1C", "C1C", "L2W"}));
    EXPECT_EQ(model.bdsCodes, (Codes{"C2I", "L2I"}));
    EXPECT_TRUE(model.glonassCodes.empty());
    ASSERT_EQ(l.epochs->size(), 1u);
    const OBSERVATIONS& e = l.epochs->front();
    EXPECT_EQ(e.time.year, 2021);
    EXPECT_DOUBLE_EQ(e.time.second, 30.0);
    const SatelliteData* g01 = Find(e, kSysGps, 1);
    ASSERT_NE(g01, nullptr);
    // C1W is kept although the weak C1C comes after it.
    EXPECT_DOUBLE_EQ(g01->blocks[0].pseudorange, 21000000.5);
    EXPECT_DOUBLE_EQ(g01->blocks[0].carrierPhase, 110000000.25);
    EXPECT_EQ(g01->blocks[0].lli, 2u);
    EXPECT_DOUBLE_EQ(g01->blocks[1].carrierPhase, 90000000.75);
    EXPECT_EQ(g01->blocks[1].lli, 1u);
    // BDS digit 2 goes to band 2.
    const SatelliteData* c06 = Find(e, kSysBds, 6);
    ASSERT_NE(c06, nullptr);
    EXPECT_DOUBLE_EQ(c06->blocks[1].pseudorange, 38000000.0);
    EXPECT_DOUBLE_EQ(c06->blocks[1].carrierPhase, 198000000.0);
    // Reading the same file again gives the same epochs, not twice as many.
    ASSERT_EQ(Load(path).result, 1);
    EXPECT_EQ(l.epochs->size(), 1u);
}

TEST(RinexObsFile, EventLinesBlankLinesAndCutEpochs) {
    TempDir dir;
    const std::string text =
        Rinex2Header("     2    C1    L1                                          ") +
        "\n"
        "                            4  2\n"
        "     NEW COMMENT ONE                                        COMMENT\n"
        "     NEW COMMENT TWO                                        COMMENT\n"
        " 13  1  1  0  0  5.0000000  5  0\n"  // an external event with a date
        " 13  1  1  0  0 10.0000000  0  1G12\n"
        "  20000000.000   105000000.000\n"
        " 13  1  1  0  0 20.0000000  0  2G12G13\n"
        "  20000001.000   105000002.000\n";  // cut short: G13 has no line
    const std::string path = dir.Write("ev.13o", text);
    Loaded l = Load(path);
    ASSERT_EQ(l.result, 1);
    ASSERT_EQ(l.epochs->size(), 2u);
    EXPECT_DOUBLE_EQ((*l.epochs)[0].time.second, 10.0);
    EXPECT_DOUBLE_EQ((*l.epochs)[1].time.second, 20.0);
    EXPECT_EQ((*l.epochs)[1].sats.size(), 1u);
}

TEST(RinexObsFile, ConverterAntennaLinesAndHeaderRecords) {
    TempDir dir;
    const std::string text =
        Pad("     2.10           OBSERVATION DATA    G (GPS)             RINEX VERSION / TYPE") +
        "\n" + Pad("SITE                                                        MARKER NAME") +
        "\n" + Pad("12                                                          MARKER NUMBER") +
        "\n" +
        Pad("R123                RX-TEST             FW1                 REC # / TYPE / VERS") +
        "\n" + Pad("9                   ANT-T                                   ANT # / TYPE") +
        "\n" +
        Pad("  4551596.0624 -2186893.3724  3883410.6118                  APPROX POSITION XYZ") +
        "\n" +
        Pad("        1.2700        0.0000        0.0000                  ANTENNA: DELTA H/E/N") +
        "\n" + Pad("    18     2        1.2000        ANT MEASURE TYPE/HEIGT    COMMENT") + "\n" +
        Pad("    0.0800    0.0500    0.0700    0.0000    0.0000          COMMENT") + "\n" +
        Pad("                    ROVER STATION                           COMMENT") + "\n" +
        Pad("                                                            END OF HEADER") + "\n";
    Loaded l = Load(dir.Write("h.13o", text));
    ASSERT_EQ(l.result, 1);
    const HeaderInfo& h = *l.header;
    EXPECT_EQ(h.markerName, "SITE");
    EXPECT_EQ(h.sessionNumber, 12);
    EXPECT_EQ(h.receiverNumber, "R123                ");
    EXPECT_EQ(h.antennaNumber, 9);
    EXPECT_DOUBLE_EQ(h.x, 4551596.0624);
    EXPECT_DOUBLE_EQ(h.antennaHeight, 1.27);
    EXPECT_EQ(h.methodMask, 18);
    EXPECT_EQ(h.measureMethod, 2);
    EXPECT_DOUBLE_EQ(h.measuredHeight, 1.2);
    EXPECT_DOUBLE_EQ(h.antennaRadius, 0.08);
    EXPECT_DOUBLE_EQ(h.antennaEdgeHeight, 0.05);
    EXPECT_DOUBLE_EQ(h.l1PhaseOffset, 0.07);
    EXPECT_DOUBLE_EQ(h.l2PhaseOffset, 0.0);
    EXPECT_EQ(h.stationKind, 1);
    EXPECT_TRUE(l.epochs->empty());
}

TEST(RinexObsFile, RefusedFiles) {
    TempDir dir;
    const std::string good =
        Rinex2Header("     1    C1                                                ");
    const std::string folder = dir.File("dir.13o");
    ASSERT_EQ(::mkdir(folder.c_str(), 0700), 0);
    const std::vector<std::string> refused = {
        dir.Write("site0010.13d", good),
        dir.Write("noext", good),
        dir.File("missing.13o"),
        folder,
        dir.Write("empty.13o", ""),
        dir.Write("v4.13o", Pad("     4.01           OBSERVATION DATA    M                   "
                                "RINEX VERSION / TYPE") +
                                "\n"),
        dir.Write("v1.13o", Pad("     1.00           OBSERVATION DATA    M                   "
                                "RINEX VERSION / TYPE") +
                                "\n"),
        dir.Write("noend.13o", good.substr(0, good.find("     ", 170))),
        "",
    };
    for (const std::string& path : refused) {
        SCOPED_TRACE(path);
        const Loaded l = Load(path);
        EXPECT_EQ(l.result, 0);
        EXPECT_EQ(l.header, nullptr);
        EXPECT_EQ(l.epochs, nullptr);
        EXPECT_EQ(DetectSlp(path.c_str(), nullptr), 0);
    }
    EXPECT_EQ(ReadRinexFile(nullptr, nullptr, nullptr, nullptr), 0);
    EXPECT_EQ(ReadFile(dir.File("site0010.13d")), good);
}

TEST(RinexObsFile, RealRinex2And3Files) {
    const std::string v2 = std::string(TOLLMERE_TEST_DATA) + "/rinex/07590920.05o";
    Loaded l = Load(v2);
    ASSERT_EQ(l.result, 1);
    ASSERT_EQ(l.epochs->size(), 120u);  // 00:00:00 to 00:59:30 at 30 s
    EXPECT_EQ(l.header->markerName, "0759");
    const OBSERVATIONS& first = l.epochs->front();
    EXPECT_EQ(first.time.year, 2005);
    ASSERT_EQ(first.sats.size(), 8u);
    // G03: L1 55923622.160, C1 24767686.375, L2 43647388.242 (loss-of-lock 4), P2 24767684.822
    const SatelliteData* g03 = Find(first, kSysGps, 3);
    ASSERT_NE(g03, nullptr);
    EXPECT_DOUBLE_EQ(g03->blocks[0].carrierPhase, 55923622.160);
    EXPECT_DOUBLE_EQ(g03->blocks[0].pseudorange, 24767686.375);
    EXPECT_DOUBLE_EQ(g03->blocks[1].carrierPhase, 43647388.242);
    EXPECT_EQ(g03->blocks[1].lli, 4u);
    EXPECT_DOUBLE_EQ(g03->blocks[1].pseudorange, 24767684.822);
    EXPECT_DOUBLE_EQ(l.epochs->back().time.minute, 59);
    EXPECT_DOUBLE_EQ(l.epochs->back().time.second, 30.005);

    const std::string v3 = std::string(TOLLMERE_TEST_DATA) + "/rinex/pdel0010.21o";
    l = Load(v3);
    ASSERT_EQ(l.result, 1);
    ASSERT_EQ(l.epochs->size(), 67u);
    const OBSERVATIONS& e0 = l.epochs->front();
    EXPECT_EQ(e0.time.year, 2021);
    EXPECT_EQ(e0.sats.size(), 18u);
    // G01  C1C 23304001.080  L1C 122463355.107  D1C 3646.410  S1C 43.250 ...
    const SatelliteData* g01 = Find(e0, kSysGps, 1);
    ASSERT_NE(g01, nullptr);
    EXPECT_DOUBLE_EQ(g01->blocks[0].pseudorange, 23304001.080);
    EXPECT_DOUBLE_EQ(g01->blocks[0].carrierPhase, 122463355.107);
    EXPECT_DOUBLE_EQ(g01->blocks[0].doppler, 3646.410);
    EXPECT_DOUBLE_EQ(g01->blocks[0].snr, 43.25);
    EXPECT_DOUBLE_EQ(g01->blocks[1].pseudorange, 23304002.300);
    EXPECT_DOUBLE_EQ(g01->blocks[1].carrierPhase, 95426008.500);
    EXPECT_DOUBLE_EQ(g01->blocks[1].doppler, 2841.359);
    const SatelliteData* r17 = Find(l.epochs->back(), kSysGlonass, 17);
    ASSERT_NE(r17, nullptr);
    EXPECT_DOUBLE_EQ(r17->blocks[0].pseudorange, 22615999.140);
    EXPECT_DOUBLE_EQ(r17->blocks[0].carrierPhase, 121022854.569);
    EXPECT_DOUBLE_EQ(r17->blocks[0].doppler, -3042.770);
}

TEST(RinexObsFile, WriteRinexFileWritesTheModelAndReportsFailure) {
    TempDir dir;
    const std::string v2 = std::string(TOLLMERE_TEST_DATA) + "/rinex/07590920.05o";
    Loaded l = Load(v2);
    ASSERT_EQ(l.result, 1);
    const std::string out = dir.File("copy0920.05o");
    ASSERT_EQ(WriteRinexFile(out.c_str(), nullptr, l.header, l.epochs), 1);
    // Written as 2.10 and read back with the same epochs and values.
    Loaded back = Load(out);
    ASSERT_EQ(back.result, 1);
    ASSERT_EQ(back.epochs->size(), 120u);
    const SatelliteData* g03 = Find(back.epochs->front(), kSysGps, 3);
    ASSERT_NE(g03, nullptr);
    EXPECT_DOUBLE_EQ(g03->blocks[0].carrierPhase, 55923622.160);
    EXPECT_DOUBLE_EQ(g03->blocks[1].pseudorange, 24767684.822);

    // A caller's own copy is taken over; a folder that does not exist fails.
    HeaderInfo header = *back.header;
    std::vector<OBSERVATIONS> epochs(back.epochs->begin(), back.epochs->begin() + 2);
    const std::string bad = dir.File("missing/x.05o");
    EXPECT_EQ(WriteRinexFile(bad.c_str(), nullptr, &header, &epochs), 0);
    EXPECT_EQ(WriteRinexFile(nullptr, nullptr, &header, &epochs), 0);
    EXPECT_EQ(WriteRinexFile(out.c_str(), nullptr, nullptr, &epochs), 0);
    ASSERT_EQ(WriteRinexFile(out.c_str(), nullptr, &header, &epochs), 1);
    EXPECT_EQ(Load(out).epochs->size(), 2u);
}

TEST(RinexObsFile, CutAndCorruptFilesAreReadWithoutHarm) {
    TempDir dir;
    const std::string v3 = ReadFile(std::string(TOLLMERE_TEST_DATA) + "/rinex/pdel0010.21o");
    const std::string v2 = ReadFile(std::string(TOLLMERE_TEST_DATA) + "/rinex/07590920.05o");
    ASSERT_FALSE(v3.empty());
    ASSERT_FALSE(v2.empty());
    // Cut anywhere (also inside the header, a number or a line end): a load either fails or
    // gives at most the epochs of the whole file; marking changes only digits.
    for (const std::string* text : {&v2, &v3}) {
        for (size_t cut = 0; cut < text->size(); cut += 4999) {
            const std::string part = text->substr(0, cut);
            const std::string path = dir.Write("cut.21o", part);
            const Loaded l = Load(path);
            if (l.result == 1) {
                EXPECT_LE(l.epochs->size(), 120u);
            }
            EXPECT_GE(DetectSlp(path.c_str(), nullptr), 0);
            // A cut line may be padded up to the loss-of-lock column of its last phase.
            const size_t size = ReadFile(path).size();
            EXPECT_GE(size, part.size());
            EXPECT_LE(size, part.size() + 32);
        }
    }
    // Huge counts, garbage numbers and a data section without any line end.
    std::string corrupt = v2.substr(0, v2.find("END OF HEADER") + 20);
    corrupt += " 05  4  2  0  0  0.0000000  0999G 3G 7\n  5.5e+308zz     -nan 1\n";
    corrupt += "> 2021 01 01 00 00  0.0000000  0999\n";
    corrupt += std::string(200000, '7');
    const std::string path = dir.Write("bad.05o", corrupt);
    // A type count of two thousand million is cut, not allocated: the continuation lines it
    // asks for swallow the header's end.
    const std::string huge =
        Rinex2Header("2000000000    C1                                          ");
    EXPECT_EQ(Load(dir.Write("huge.05o", huge)).result, 0);
    EXPECT_EQ(Load(path).result, 1);
    EXPECT_EQ(DetectSlp(path.c_str(), nullptr), 1);
    EXPECT_EQ(ReadFile(path), corrupt);
    EXPECT_EQ(dir.Entries().size(), 3u);
}

}  // namespace

// A record that lost a line (or holds an unreadable one) costs that epoch only: reading picks
// up again at the next epoch line and counts what it passed over.
TEST(RinexObsFile, DamagedRecordsAreSkippedUpToTheNextEpoch) {
    const std::string original =
        ReadFile(std::string(TOLLMERE_TEST_DATA) + "/rinex/07590920.05o");
    kestrin::RinexObsFile whole;
    TempDir dir;
    ASSERT_EQ(whole.Read(dir.Write("whol0920.05o", original), nullptr), 1);
    ASSERT_GT(whole.epochs.size(), 100u);
    EXPECT_EQ(whole.skippedRecords, 0);

    const size_t epoch = original.find(" 05  4  2  0 10  0.0010000");
    ASSERT_NE(epoch, std::string::npos);
    const size_t secondSat = original.find('\n', original.find('\n', epoch) + 1) + 1;
    const size_t secondEnd = original.find('\n', secondSat) + 1;
    struct Case {
        const char* name;
        std::string text;
    };
    const Case cases[] = {
        {"a missing line", original.substr(0, secondSat) + original.substr(secondEnd)},
        {"an unreadable line", original.substr(0, epoch) + "#### garbage ####\n" +
                                   original.substr(epoch + 1)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        kestrin::RinexObsFile damaged;
        ASSERT_EQ(damaged.Read(dir.Write("dmg00920.05o", c.text), nullptr), 1);
        EXPECT_EQ(damaged.epochs.size(), whole.epochs.size() - 1);
        EXPECT_EQ(damaged.skippedRecords, 1);
        EXPECT_EQ(damaged.epochs.back().time.minute, whole.epochs.back().time.minute);
    }
}
