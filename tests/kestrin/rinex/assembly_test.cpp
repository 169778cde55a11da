// End-to-end assembly of the final files from synthetic epochs, ephemerides and ionosphere
// sets, checked file by file.
#include <gtest/gtest.h>

#include <sys/resource.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "core/gnss_time.h"
#include "core/raw_converter.h"
#include "kestrin/kestrin.h"
#include "rinex/assembly.h"
#include "rinex/nav_records.h"
#include "rinex/output_names.h"
#include "support/epochs.h"
#include "support/scoped_tmpdir.h"
#include "support/static_file.h"
#include "support/temp_dir.h"

using namespace kestrin;
using testsupport::MakeBlock;
using testsupport::MakeEpoch;
using testsupport::MakeSat;
using testsupport::MakeTime;
using testsupport::ReadFile;
using testsupport::ScopedTmpdir;
using testsupport::TempDir;

namespace {

std::vector<std::string> CrLfLines(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        const size_t end = text.find("\r\n", start);
        if (end == std::string::npos) {
            lines.push_back(text.substr(start));  // an unterminated rest
            break;
        }
        lines.push_back(text.substr(start, end - start));
        start = end + 2;
    }
    return lines;
}

// Every line feed of the text is preceded by a carriage return, and the text ends in one.
bool AllCrLf(const std::string& text) {
    if (text.size() < 2 || text.substr(text.size() - 2) != "\r\n") return false;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) return false;
        if (text[i] == '\r' && (i + 1 == text.size() || text[i + 1] != '\n')) return false;
    }
    return true;
}

std::string WithCrLf(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '\n') out += '\r';
        out += c;
    }
    return out;
}

// Index of the line after "END OF HEADER".
size_t BodyStart(const std::vector<std::string>& lines) {
    for (size_t i = 0; i < lines.size(); ++i) {
        if (lines[i].size() == 80 && lines[i].substr(60) == "END OF HEADER       ") return i + 1;
    }
    return lines.size();
}

KeplerEphemeris Kepler(int sysCode, int prn, const GnssTime& toc) {
    KeplerEphemeris e;
    e.sysCode = sysCode;
    e.prn = prn;
    e.toc = toc;
    e.sqrtA = 5153.7;
    e.e = 0.01;
    e.toe = toc.sow;
    e.week = toc.week;
    return e;
}

gEphemeris Glonass(int sysCode, int prn, const GnssTime& epoch) {
    gEphemeris g;
    g.sysCode = sysCode;
    g.prn = prn;
    g.epoch = epoch;
    g.tauN = 2.5e-5;
    g.tk = 90000;
    g.x = 12345.678;
    return g;
}

class Assembly : public ::testing::Test {
  protected:
    void SetUp() override {
        writer.options.fileTitle = "ab01";
        writer.options.rinex3 = 1;
        ASSERT_TRUE(writer.OpenTempFiles());
        block.iono[0].valid = 1;
        block.iono[0].alpha0 = 1.1176e-08;
        block.iono[0].beta0 = 90112.0;
        block.iono[0].a0 = 2.0e-9;
        block.iono[0].utcTime = 61440;
        block.iono[0].utcWeek = 1886;
    }
    void TearDown() override { writer.CloseTempFiles(); }

    // One hour of 30 s epochs of GPS and GLONASS satellites from 2016-03-05 00:00:00.
    void WriteEpochs() {
        info.SetDefaultObsCode(0, 0);
        info.SetDefaultObsCode(1, 0);
        info.systemsPresent = 1 | 2;
        std::vector<OBSERVATIONS> epochs;
        const GnssTime start = MakeTime(2016, 3, 5, 0, 0, 0.0);
        for (int i = 0; i < 120; ++i) {
            GnssTime t = ShiftTime(start, 30.0 * i);
            GpsToCalendar(t);
            epochs.push_back(MakeEpoch(
                t, {testsupport::SimpleGps(3), testsupport::SimpleGps(7),
                    MakeSat(kSysGlonass, 4, {MakeBlock(0, 21000000.0, 110000000.0, 1.0, 40.0)})}));
        }
        writer.info.Assign(info);
        writer.WriteEpochBlock(epochs, true);
        ASSERT_GT(writer.EpochsWritten(), 0);
    }

    // A side file in the private temporary folder.
    std::string SideFile(const std::string& suffix, const std::string& content) {
        const std::string path = writer.TempPath(suffix);
        FILE* f = std::fopen(path.c_str(), "wb");
        std::fputs(content.c_str(), f);
        std::fclose(f);
        return path;
    }

    bool Assemble(const std::string& folder) {
        writer.info.Assign(info);
        return writer.WriteOutputFiles(JoinPath(folder, "ab01"), &block);
    }

    TempDir out;
    TempDir tmp;
    ScopedTmpdir scoped{tmp.path()};
    RawConverter writer;
    HeaderInfo info;
    NavigationBlock block;
};

TEST_F(Assembly, ShortNamesOneFilePerSystemWithRecords) {
    writer.options.systemMask = 63 & ~(1 << 2);  // BDS not selected
    WriteEpochs();
    info.systemsPresent |= 4 | 8;  // BDS and SBAS met in the data as well
    const GnssTime toc = MakeTime(2016, 3, 5, 0, 0, 0.0);
    const std::string gps1 = writer.WriteKeplerNavRecord(Kepler(kSysGps, 3, toc));
    EXPECT_EQ(writer.WriteKeplerNavRecord(Kepler(kSysGps, 3, toc)), "");
    const std::string gps2 = writer.WriteKeplerNavRecord(Kepler(kSysGps, 7, toc));
    const std::string glo = writer.WriteGlonassNavRecord(Glonass(kSysGlonass, 4, toc));
    EXPECT_EQ(writer.WriteKeplerNavRecord(Kepler(kSysBds, 2, toc)), "");
    writer.smsTempPath = SideFile("_TEMP.ems", "S20 message 1\nS20 message 2\n");
    AlmanacRecord alm;
    alm.sysCode = kSysGps;
    alm.prn = 3;
    alm.epoch = toc;
    const std::string almText = writer.FormatAlmanacRecord(alm);
    writer.almanacTempPath = SideFile("_TEMP.alm", almText);

    ASSERT_TRUE(Assemble(out.path()));
    // No SBAS ephemeris: no SBAS navigation file; BDS not selected: no BDS file.
    EXPECT_EQ(out.Entries(), (std::vector<std::string>{"ab01.16G", "ab01.16N", "ab01.16O",
                                                       "ab01.ALM", "ab01.EMS"}));

    const std::string nav = ReadFile(out.File("ab01.16N"));
    EXPECT_TRUE(AllCrLf(nav));
    const std::vector<std::string> lines = CrLfLines(nav);
    ASSERT_GE(lines.size(), 8u);
    EXPECT_EQ(lines[0],
              "     3.02           N: GNSS NAV DATA    G: GPS              RINEX VERSION / TYPE");
    EXPECT_EQ(lines[1].substr(0, 13), "Zephyrane 1.0");
    EXPECT_EQ(lines[1].substr(60), "PGM / RUN BY / DATE ");
    EXPECT_EQ(lines[2].substr(0, 22), "converted by Tollmere ");
    EXPECT_EQ(lines[3].substr(0, 17), "GPSA   0.1118D-07");
    EXPECT_EQ(lines[5].substr(0, 5), "GPUT ");
    EXPECT_EQ(lines[6], "    17" + std::string(54, ' ') + "LEAP SECONDS        ");
    const size_t body = BodyStart(lines);
    ASSERT_EQ(body, 8u);
    EXPECT_EQ(nav.substr(nav.size() - WithCrLf(gps1 + gps2).size()), WithCrLf(gps1 + gps2));

    const std::string gloFile = ReadFile(out.File("ab01.16G"));
    EXPECT_TRUE(AllCrLf(gloFile));
    const std::vector<std::string> gloLines = CrLfLines(gloFile);
    EXPECT_EQ(gloLines[0],
              "     3.02           N: GNSS NAV DATA    R: GLONASS          RINEX VERSION / TYPE");
    EXPECT_EQ(BodyStart(gloLines), 5u);  // no ionosphere lines
    EXPECT_EQ(gloFile.substr(gloFile.size() - WithCrLf(glo).size()), WithCrLf(glo));

    // The SBAS messages are copied as they are; the almanac file gets its header.
    EXPECT_EQ(ReadFile(out.File("ab01.EMS")), "S20 message 1\nS20 message 2\n");
    const std::string almFile = ReadFile(out.File("ab01.ALM"));
    EXPECT_TRUE(AllCrLf(almFile));
    EXPECT_EQ(CrLfLines(almFile)[0],
              "     3.02           N: GNSS NAV DATA    M: Mixed            RINEX VERSION / TYPE");
    EXPECT_EQ(almFile.substr(almFile.size() - WithCrLf(almText).size()), WithCrLf(almText));

    // The observation file: the masked header and the epoch records.
    const std::string obs = ReadFile(out.File("ab01.16O"));
    EXPECT_EQ(obs.substr(0, 81),
              "     3.02           OBSERVATION DATA    M (MIXED)           RINEX VERSION / TYPE\n");
    EXPECT_NE(obs.find("> 2016 03 05 00 59 30.0000000  0  3"), std::string::npos);
    EXPECT_EQ(writer.info.systemsPresent, 1 | 2 | 8);

    // Nothing temporary is left once the conversion closes its temporary files.
    writer.CloseTempFiles();
    EXPECT_TRUE(tmp.Entries().empty());
    EXPECT_EQ(out.Entries().size(), 5u);
}

TEST_F(Assembly, YearOverrideLeicaAndVersion210) {
    int32_t year = 1999;
    writer.options.yearOverride = &year;
    writer.options.leica = 1;
    writer.options.rinex3 = 0;
    WriteEpochs();
    info.systemsPresent |= 4;
    const GnssTime toc = MakeTime(2016, 3, 5, 0, 0, 0.0);
    const std::string gps = writer.WriteKeplerNavRecord(Kepler(kSysGps, 3, toc));
    const std::string bds = writer.WriteKeplerNavRecord(Kepler(kSysBds, 2, toc));
    ASSERT_TRUE(Assemble(out.path()));
    EXPECT_EQ(out.Entries(), (std::vector<std::string>{"ab01.99F", "ab01.99N", "ab01.99O"}));
    const std::vector<std::string> lines = CrLfLines(ReadFile(out.File("ab01.99F")));
    EXPECT_EQ(lines[0],
              "     2.10           COMPASS NAV DATA                        RINEX VERSION / TYPE");
    const size_t b = BodyStart(lines);
    ASSERT_LT(b, lines.size());
    EXPECT_EQ(lines[b].substr(0, 22), " 2 16  3  5  0  0  0.0");
    EXPECT_EQ(lines[b] + "\n", bds.substr(0, 81));
    const std::string nav = ReadFile(out.File("ab01.99N"));
    EXPECT_EQ(nav.substr(nav.size() - WithCrLf(gps).size()), WithCrLf(gps));
}

TEST_F(Assembly, LongNamesWithTheMixedNavigationFile) {
    writer.options.mixedV302 = 1;
    WriteEpochs();
    const GnssTime toc = MakeTime(2016, 3, 5, 0, 0, 0.0);
    std::string records;
    records += writer.WriteGlonassNavRecord(Glonass(kSysGlonass, 4, toc));
    records += writer.WriteKeplerNavRecord(Kepler(kSysGps, 3, toc));
    records += writer.WriteKeplerNavRecord(Kepler(kSysGalileo, 11, toc));
    writer.almanacTempPath = SideFile("_TEMP.alm", "");  // empty: no almanac file
    ASSERT_TRUE(Assemble(out.path()));
    EXPECT_EQ(out.Entries(), (std::vector<std::string>{"ab0100000_R_20160650000_01H_30S_MO.rnx",
                                                       "ab0100000_R_20160650000_01H_MN.rnx"}));
    const std::string nav = ReadFile(out.File("ab0100000_R_20160650000_01H_MN.rnx"));
    EXPECT_TRUE(AllCrLf(nav));
    const std::vector<std::string> lines = CrLfLines(nav);
    ASSERT_EQ(BodyStart(lines), 4u);  // version, run-by, release comment, end of header
    EXPECT_EQ(lines[0],
              "     3.02           N: GNSS NAV DATA    M: Mixed            RINEX VERSION / TYPE");
    EXPECT_EQ(nav.substr(nav.size() - WithCrLf(records).size()), WithCrLf(records));
    const std::string obs = ReadFile(out.File("ab0100000_R_20160650000_01H_30S_MO.rnx"));
    EXPECT_EQ(obs.substr(0, 81),
              "     3.02           OBSERVATION DATA    M (MIXED)           RINEX VERSION / TYPE\n");
    writer.CloseTempFiles();
    EXPECT_TRUE(tmp.Entries().empty());
}

TEST_F(Assembly, ReplacesFilesOfAnEarlierRun) {
    WriteEpochs();
    writer.WriteKeplerNavRecord(Kepler(kSysGps, 3, MakeTime(2016, 3, 5, 0, 0, 0.0)));
    out.Write("ab01.16O", "old observations");
    out.Write("ab01.16N", "old navigation");
    out.Write("ab01.16G", "old GLONASS navigation, no GLONASS ephemeris this time");
    ASSERT_TRUE(Assemble(out.path()));
    EXPECT_EQ(out.Entries(), (std::vector<std::string>{"ab01.16N", "ab01.16O"}));
    EXPECT_EQ(ReadFile(out.File("ab01.16O")).substr(0, 9), "     3.02");
    EXPECT_EQ(ReadFile(out.File("ab01.16N")).substr(0, 9), "     3.02");
}

TEST_F(Assembly, MissingOutputFolderFailsAndLeavesNothing) {
    WriteEpochs();
    writer.WriteKeplerNavRecord(Kepler(kSysGps, 3, MakeTime(2016, 3, 5, 0, 0, 0.0)));
    EXPECT_FALSE(Assemble(out.File("missing")));
    EXPECT_TRUE(out.Entries().empty());
    writer.CloseTempFiles();
    EXPECT_TRUE(tmp.Entries().empty());  // no temporary folder either
}

TEST_F(Assembly, OutputFolderThatIsAFileFails) {
    WriteEpochs();
    writer.WriteKeplerNavRecord(Kepler(kSysGps, 3, MakeTime(2016, 3, 5, 0, 0, 0.0)));
    const std::string notAFolder = out.Write("plain", "x");
    EXPECT_FALSE(Assemble(notAFolder));
    EXPECT_EQ(out.Entries(), std::vector<std::string>{"plain"});
}

TEST_F(Assembly, RecordsLostOnTheWayToATemporaryFileMakeNoFinalFile) {
    // Writes to a temporary file fail from some point on, as on a full temporary disk: what
    // was collected before stays in the file, the later records are lost, either at once
    // (unbuffered) or when the buffer is flushed. The conversion fails and the output folder
    // keeps exactly what an earlier run left there.
    struct Case {
        const char* name;
        int tempIndex;
        bool buffered;
    };
    const Case cases[] = {
        {"observations", kTempObs, false},
        {"observations, buffered", kTempObs, true},
        {"GPS navigation", kTempGpsNav, false},
        {"GPS navigation, buffered", kTempGpsNav, true},
    };
    const GnssTime toc = MakeTime(2016, 3, 5, 0, 0, 0.0);
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(writer.OpenTempFiles());
        const std::string folder = out.File("run" + std::to_string(n++));
        ASSERT_TRUE(std::filesystem::create_directory(folder));
        // Files of an earlier run that this one would replace.
        out.Write(folder.substr(out.path().size() + 1) + "/ab01.16N", "old navigation");

        WriteEpochs();
        writer.WriteKeplerNavRecord(Kepler(kSysGps, 3, toc));
        std::fclose(writer.tempFiles[c.tempIndex]);
        writer.tempFiles[c.tempIndex] = std::fopen("/dev/full", "wb");
        ASSERT_NE(writer.tempFiles[c.tempIndex], nullptr);
        if (!c.buffered) std::setvbuf(writer.tempFiles[c.tempIndex], nullptr, _IONBF, 0);
        std::vector<OBSERVATIONS> later = {
            MakeEpoch(MakeTime(2016, 3, 5, 1, 0, 0.0), {testsupport::SimpleGps(3)})};
        writer.WriteEpochBlock(later, true);
        writer.WriteKeplerNavRecord(Kepler(kSysGps, 3, MakeTime(2016, 3, 5, 2, 0, 0.0)));

        EXPECT_FALSE(Assemble(folder));
        EXPECT_EQ(writer.FailureReason(), KESTRIN_FAILURE_TEMPORARY);
        std::vector<std::string> entries;
        for (const auto& e : std::filesystem::directory_iterator(folder)) {
            entries.push_back(e.path().filename().string());
        }
        EXPECT_EQ(entries, std::vector<std::string>{"ab01.16N"});
        EXPECT_EQ(ReadFile(folder + "/ab01.16N"), "old navigation");
    }
}

// An output file that cannot be written completely (here the file-size limit of the process
// stands for a full disk) fails the whole conversion: the earlier outputs of the same names
// stay as they were, nothing new appears, and the reason names the system's error.
TEST_F(Assembly, FullOutputDiskLeavesTheFolderAsItWas) {
    out.Write("ab01.16O", "earlier observations");
    out.Write("ab01.16N", "earlier navigation");
    WriteEpochs();
    writer.WriteKeplerNavRecord(Kepler(kSysGps, 3, MakeTime(2016, 3, 5, 0, 0, 0.0)));
    writer.TempFileSize(kTempObs);  // the temporary files are complete before the limit

    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit previous{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &previous), 0);
    rlimit small = previous;
    small.rlim_cur = 1000;  // less than the observation header
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool result = Assemble(out.path());
    setrlimit(RLIMIT_FSIZE, &previous);
    std::signal(SIGXFSZ, previousHandler);

    EXPECT_FALSE(result);
    EXPECT_EQ(writer.FailureReason(), KESTRIN_FAILURE_OUTPUT);
    EXPECT_EQ(writer.FailureError(), EFBIG);
    EXPECT_EQ(out.Entries(), (std::vector<std::string>{"ab01.16N", "ab01.16O"}));
    EXPECT_EQ(ReadFile(out.File("ab01.16O")), "earlier observations");
    EXPECT_EQ(ReadFile(out.File("ab01.16N")), "earlier navigation");
}

// A folder where a navigation file belongs stops the conversion before any final name
// changes: the earlier observation file stays, and the failure names the real cause.
TEST_F(Assembly, FolderInTheWayOfOneOutputReplacesNothing) {
    out.Write("ab01.16O", "earlier observations");
    ASSERT_TRUE(std::filesystem::create_directory(out.File("ab01.16N")));
    WriteEpochs();
    writer.WriteKeplerNavRecord(Kepler(kSysGps, 3, MakeTime(2016, 3, 5, 0, 0, 0.0)));
    EXPECT_FALSE(Assemble(out.path()));
    EXPECT_EQ(writer.FailureReason(), KESTRIN_FAILURE_OUTPUT);
    EXPECT_EQ(writer.FailureError(), EISDIR);
    EXPECT_EQ(out.Entries(), (std::vector<std::string>{"ab01.16N", "ab01.16O"}));
    EXPECT_EQ(ReadFile(out.File("ab01.16O")), "earlier observations");
}

TEST_F(Assembly, NullNavigationBlockFails) {
    WriteEpochs();
    writer.info.Assign(info);
    EXPECT_FALSE(writer.WriteOutputFiles(JoinPath(out.path(), "ab01"), nullptr));
    EXPECT_TRUE(out.Entries().empty());
}

TEST_F(Assembly, FinishingReducesTheAntennaHeightAndNamesFromTheInputTitle) {
    testsupport::StaticHeaderFields fields;  // format code 0: offsets from the edge
    fields.l1Offset = 800;                   // 0.08 m
    fields.edgeHeight = 500;                 // 0.05 m
    TempDir in;
    const std::string input = testsupport::WriteStaticFile(in.path(), "site.01.dat", fields, "");
    WriteEpochs();
    writer.WriteKeplerNavRecord(Kepler(kSysGps, 3, MakeTime(2016, 3, 5, 0, 0, 0.0)));
    info.measuredHeight = 1.5;
    info.measureMethod = 2;  // slant to the edge: h + L1 at the phase centre
    writer.options.phaseCenter = 1;
    ASSERT_TRUE(FinishConversion(writer, info, input, out.path() + "/", &block));
    EXPECT_DOUBLE_EQ(info.antennaHeight, 1.58);
    EXPECT_EQ(out.Entries(), (std::vector<std::string>{"site.01.16N", "site.01.16O"}));
    const std::string obs = ReadFile(out.File("site.01.16O"));
    EXPECT_NE(obs.find("        1.5800        0.0000        0.0000                  "
                       "ANTENNA: DELTA H/E/N\n"),
              std::string::npos);

    // Without a static header the height is 0.
    const std::string bare = in.Write("bare.bin", std::string(600, 'x'));
    ASSERT_TRUE(FinishConversion(writer, info, bare, out.path(), &block));
    EXPECT_EQ(info.antennaHeight, 0.0);
    EXPECT_NE(ReadFile(out.File("bare.16O")).find("        0.0000        0.0000        0.0000"),
              std::string::npos);
}

TEST_F(Assembly, FinishingToTheAntennaBottom) {
    testsupport::StaticHeaderFields fields;
    fields.l1Offset = 800;
    fields.edgeHeight = 500;
    TempDir in;
    const std::string input = testsupport::WriteStaticFile(in.path(), "site.dat", fields, "");
    WriteEpochs();
    info.measuredHeight = 1.5;
    info.measureMethod = 2;
    writer.options.phaseCenter = 0;  // minus H + L1
    ASSERT_TRUE(FinishConversion(writer, info, input, out.path(), &block));
    EXPECT_NEAR(info.antennaHeight, 1.45, 1e-12);
}

}  // namespace
