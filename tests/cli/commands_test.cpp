// The file commands of tollmere-cli (position, info, antenna, slips) and the convert options
// --position, --json and --jobs, run as the program itself on real files.
#include <gtest/gtest.h>

#include <algorithm>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "commands.h"
#include "report.h"
#include "static_header.h"

namespace fs = std::filesystem;

namespace {

using namespace tollmere::cli;

// Published coordinate of GEONET station 0759 (the RINEX files of tests/data/rinex).
constexpr double k0759[3] = {-3976219.5082, 3382372.5671, 3652512.9849};

std::string ReadText(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string Quote(const std::string& text) {
    std::string quoted = "'";
    for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

struct CliResult {
    int status = -1;
    std::string out, err;
};

class Commands : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "cli_commands_XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        dir_ = pattern;
    }
    void TearDown() override { fs::remove_all(dir_); }

    CliResult Cli(const std::vector<std::string>& args) {
        std::string command = Quote(TOLLMERE_CLI);
        for (const std::string& arg : args) command += " " + Quote(arg);
        command += " >" + Quote(Path("stdout")) + " 2>" + Quote(Path("stderr")) + " </dev/null";
        const int raw = std::system(command.c_str());
        CliResult run;
        run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
        run.out = ReadText(Path("stdout"));
        run.err = ReadText(Path("stderr"));
        fs::remove(Path("stdout"));
        fs::remove(Path("stderr"));
        return run;
    }
    std::string Path(const std::string& name) const { return (dir_ / name).string(); }
    std::string Copy(const std::string& from, const std::string& name) {
        fs::copy_file(from, dir_ / name);
        return Path(name);
    }
    std::string Data(const std::string& relative) const {
        return std::string(TOLLMERE_TEST_DATA) + "/" + relative;
    }
    std::string Sample() { return Copy(std::string(TOLLMERE_SAMPLES) + "/oemv_20091218.dat", "site.dat"); }

    fs::path dir_;
};

// The three numbers after `label` on the first line that has it.
std::vector<double> NumbersAfter(const std::string& text, const std::string& label) {
    const size_t at = text.find(label);
    if (at == std::string::npos) return {};
    std::istringstream in(text.substr(at + label.size(), text.find('\n', at) - at));
    std::vector<double> values(3);
    in >> values[0] >> values[1] >> values[2];
    return in ? values : std::vector<double>{};
}

double Distance(const std::vector<double>& a, const double (&b)[3]) {
    return std::sqrt(std::pow(a[0] - b[0], 2) + std::pow(a[1] - b[1], 2) + std::pow(a[2] - b[2], 2));
}

TEST_F(Commands, PositionPrintsAndWritesTheStationCoordinate) {
    const std::string obs = Copy(Data("rinex/07590920.05o"), "07590920.05o");
    Copy(Data("rinex/07590920.05n"), "07590920.05n");
    const std::string before = ReadText(obs);
    const CliResult run = Cli({"position", obs});
    ASSERT_EQ(run.status, 0) << run.err;
    const std::vector<double> xyz = NumbersAfter(run.out, "X Y Z (m)");
    ASSERT_EQ(xyz.size(), 3u) << run.out;
    EXPECT_LT(Distance(xyz, k0759), 1.0);
    // 0759 (Tsukuba area): about 35.2 N, 139.6 E; the geodetic line follows from X, Y, Z.
    const std::vector<double> geodetic = NumbersAfter(run.out, "lat lon (deg) h (m)");
    ASSERT_EQ(geodetic.size(), 3u) << run.out;
    EXPECT_NEAR(geodetic[0], 35.17, 0.1);
    EXPECT_NEAR(geodetic[1], 139.61, 0.1);
    EXPECT_EQ(ReadText(obs), before);  // without --write nothing changes

    const CliResult write = Cli({"position", "--write", obs});
    ASSERT_EQ(write.status, 0) << write.err;
    const std::string after = ReadText(obs);
    char line[128];
    std::snprintf(line, sizeof line, "%14.4f%14.4f%14.4f", xyz[0], xyz[1], xyz[2]);
    EXPECT_NE(after.find(std::string(line) + "                  APPROX POSITION XYZ"),
              std::string::npos);
}

TEST_F(Commands, BadInputsAreNamedWithTheirStatus) {
    const std::string sample = Sample();
    const std::string obs = Copy(Data("rinex/07590920.05o"), "07590920.05o");
    // PDEL's navigation file has too few ephemerides for any epoch to solve.
    const std::string pdel = Copy(Data("rinex/pdel0010.21o"), "pdel0010.21o");
    Copy(Data("rinex/pdel0010.21n"), "pdel0010.21n");
    const std::string pdelBefore = ReadText(pdel);
    const std::string sampleBefore = ReadText(sample);
    struct Case {
        std::vector<std::string> args;
        int status;
        std::string message;  // part of standard error
    };
    const Case cases[] = {
        {{"position"}, 2, "no observation file given"},
        {{"position", "--bogus", obs}, 2, "unknown option --bogus"},
        {{"position", Path("missing.05o")}, 1, "missing.05o: no such file"},
        {{"position", sample}, 1, "site.dat: a raw static file, not a RINEX observation file"},
        {{"position", "--write", pdel}, 1, "pdel0010.21o: no position could be computed"},
        {{"info"}, 2, "no file given"},
        {{"info", Path("none.dat")}, 1, "none.dat: no such file"},
        {{"info", Data("rinex/07590920.05n")}, 1, "not a static file"},
        {{"slips"}, 2, "no observation file given"},
        {{"slips", sample}, 1, "site.dat: a raw static file, not a RINEX observation file"},
        {{"slips", Path("gone.05o")}, 1, "gone.05o: no such file"},
        {{"antenna", sample}, 2, "nothing to change"},
        {{"antenna", obs, "--height", "1.2"}, 1,
         "07590920.05o: a RINEX observation file, not a raw static file"},
        {{"antenna", sample, "--height", "abc"}, 2, "--height takes a number of metres, not \"abc\""},
        {{"antenna", sample, "--height", "1.2m"}, 2, "--height takes a number"},
        {{"antenna", sample, "--height", "40"}, 2, "outside the header's range 0 to 32.767 m"},
        {{"antenna", sample, "--height", "-0.5"}, 2, "outside the header's range"},
        {{"antenna", sample, "--height", "1", "--method", "sideways"}, 2, "unknown method \"sideways\""},
        {{"antenna", sample, "--method", "7"}, 2, "unknown method \"7\""},
        {{"antenna", sample, "--point", "TOOLONG"}, 2, "at most 4 characters"},
        {{"antenna", sample, "--start", "25:00:00"}, 2, "--start takes a time HH:MM:SS"},
        {{"antenna", sample, "--stop", "1:2:3"}, 2, "--stop takes a time HH:MM:SS"},
        {{"antenna", sample, sample, "--height", "1"}, 2, "exactly one FILE"},
        {{"antenna", Path("nothing.dat"), "--height", "1"}, 1, "nothing.dat: no such file"},
        {{"convert", "--jobs", "0", sample}, 2, "--jobs takes a whole number from 1 to 256, not \"0\""},
        {{"convert", "--jobs", "two", sample}, 2, "not \"two\""},
        {{"convert", "-j", "-3", sample}, 2, "not \"-3\""},
        {{"convert", sample, "--jobs"}, 2, "option --jobs needs a value"},
        {{"convert", "--json=1", sample}, 2, "option --json takes no value"},
    };
    for (const Case& c : cases) {
        const CliResult run = Cli(c.args);
        EXPECT_EQ(run.status, c.status) << ::testing::PrintToString(c.args) << "\n" << run.err;
        EXPECT_NE(run.err.find(c.message), std::string::npos)
            << ::testing::PrintToString(c.args) << "\n" << run.err;
        EXPECT_EQ(run.out, "") << ::testing::PrintToString(c.args);
    }
    EXPECT_EQ(ReadText(sample), sampleBefore);
    EXPECT_EQ(ReadText(pdel), pdelBefore);
    EXPECT_FALSE(fs::exists(Path("out")));
}

TEST_F(Commands, HelpOfEveryCommand) {
    for (const char* command : {"position", "info", "antenna", "slips", "convert"}) {
        const CliResult run = Cli({command, "--help"});
        EXPECT_EQ(run.status, 0) << command;
        EXPECT_NE(run.out.find(std::string("tollmere-cli ") + command), std::string::npos);
    }
}

TEST_F(Commands, InfoReadsStaticAndRinexHeaders) {
    const std::string sample = Sample();
    const CliResult run = Cli({"info", sample, Data("rinex/07590920.05o")});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find(sample + " (static file)\n  marker name        OEMV\n"),
              std::string::npos)
        << run.out;
    EXPECT_NE(run.out.find("  first observation  2009    12    18    23    07    0.0000000\n"
                           "  last observation   2009    12    18    23    07   45.0000000\n"),
              std::string::npos)
        << run.out;
    EXPECT_NE(run.out.find("07590920.05o (RINEX observation file)\n  marker name        0759\n"),
              std::string::npos)
        << run.out;
    // The header's own approximate position of 0759.
    const size_t rinex = run.out.find("(RINEX observation file)");
    const std::vector<double> xyz = NumbersAfter(run.out.substr(rinex), "position X Y Z (m)");
    ASSERT_EQ(xyz.size(), 3u);
    EXPECT_LT(Distance(xyz, k0759), 100.0);
    // The height reference: a file without the comment follows RINEX (reference point); a
    // converted file states it (RINEX 3 as well), and a static file gives both reductions.
    EXPECT_NE(run.out.find("reference not stated (RINEX: the antenna reference point)"),
              std::string::npos)
        << run.out;
    EXPECT_NE(run.out.find("  antenna bottom     "), std::string::npos) << run.out;
    for (const bool bottom : {false, true}) {
        std::vector<std::string> args = {"convert", "-o", Path(bottom ? "ob" : "op"), sample};
        if (bottom) args.push_back("--no-phase-center");
        ASSERT_EQ(Cli(args).status, 0);
        const CliResult converted = Cli({"info", Path(bottom ? "ob" : "op") + "/site.09O"});
        ASSERT_EQ(converted.status, 0) << converted.err;
        EXPECT_NE(converted.out.find(bottom ? "to the antenna bottom (antenna reference point)"
                                            : "to the L1 phase centre"),
                  std::string::npos)
            << converted.out;
    }
    // One unreadable file among good ones: the others are still printed, status 1.
    const CliResult mixed = Cli({"info", Path("none.dat"), sample});
    EXPECT_EQ(mixed.status, 1);
    EXPECT_NE(mixed.out.find("(static file)"), std::string::npos);
}

// Reads `size` bytes at `offset` of a file.
std::string Bytes(const std::string& path, size_t offset, size_t size) {
    return ReadText(path).substr(offset, size);
}

TEST_F(Commands, AntennaEditsTheHeaderAndRenamesLikeTheEditor) {
    const std::string sample = Sample();
    const std::string original = ReadText(sample);
    const CliResult run = Cli({"antenna", sample, "--height", "1.5125", "--method", "vertical",
                         "--point", "ROOF", "--start", "23:07:01", "--rename"});
    ASSERT_EQ(run.status, 0) << run.err;
    // 2009-12-18 is day 352; the character before ".dat" of site.dat is "e".
    const std::string renamed = Path("ROOF352E.dat");
    EXPECT_NE(run.out.find("renamed to " + renamed), std::string::npos) << run.out;
    ASSERT_TRUE(fs::exists(renamed));
    EXPECT_FALSE(fs::exists(sample));
    const std::string edited = ReadText(renamed);
    ASSERT_EQ(edited.size(), original.size());
    EXPECT_EQ(Bytes(renamed, 53, 2), std::string("\x4b\x04", 2));    // format code 1099
    EXPECT_EQ(Bytes(renamed, 105, 2), std::string("\xe9\x05", 2));   // 1513 mm, rounded
    EXPECT_EQ(Bytes(renamed, 145, 1), std::string("\x02", 1));       // vertical to the edge
    EXPECT_EQ(Bytes(renamed, 181, 8), std::string("ROOF\0\0\0\0", 8));
    EXPECT_EQ(Bytes(renamed, 107, 8), "23:07:01");
    EXPECT_EQ(edited.substr(512), original.substr(512));  // the receiver data stay
    EXPECT_NE(run.out.find("measured height 1.5125 m, method 2 (vertical)"), std::string::npos);
    EXPECT_NE(run.out.find("height to the phase centre"), std::string::npos);

    // Renaming onto an existing file changes nothing at all.
    const std::string other = Copy(std::string(TOLLMERE_SAMPLES) + "/oemv_20091218.dat", "other.dat");
    const std::string otherBefore = ReadText(other);
    fs::copy_file(renamed, Path("ROOF352R.dat"));
    const std::string kept = ReadText(Path("ROOF352R.dat"));
    const CliResult clash2 = Cli({"antenna", other, "--height", "2", "--point", "ROOF", "--rename"});
    EXPECT_EQ(clash2.status, 1);
    EXPECT_NE(clash2.err.find(Path("ROOF352R.dat") + " already exists"), std::string::npos)
        << clash2.err;
    EXPECT_EQ(ReadText(other), otherBefore);
    EXPECT_EQ(ReadText(Path("ROOF352R.dat")), kept);
}

// Values not given keep what the header holds: a height alone leaves the point name (here
// "OEMV-1", longer than the four characters the editor shows) as it was, and times alone
// change only the time fields.
TEST_F(Commands, AntennaKeepsWhatIsNotGiven) {
    const std::string sample = Sample();
    const std::string original = ReadText(sample);
    ASSERT_EQ(original.substr(181, 6), "OEMV-1");
    const CliResult height = Cli({"antenna", sample, "--height", "0.25"});
    ASSERT_EQ(height.status, 0) << height.err;
    const std::string edited = ReadText(sample);
    EXPECT_EQ(edited.substr(181, 20), original.substr(181, 20));
    EXPECT_EQ(edited.substr(145, 1), original.substr(145, 1));
    EXPECT_EQ(edited.substr(105, 2), std::string("\xfa\x00", 2));  // 250 mm

    const CliResult times = Cli({"antenna", sample, "--stop", "23:59:58"});
    ASSERT_EQ(times.status, 0) << times.err;
    const std::string timed = ReadText(sample);
    ASSERT_EQ(timed.size(), edited.size());
    for (size_t i = 0; i < timed.size(); ++i) {
        if (i >= 115 && i < 123) continue;
        ASSERT_EQ(timed[i], edited[i]) << "byte " << i;
    }
    EXPECT_EQ(timed.substr(115, 8), "23:59:58");
}

TEST_F(Commands, SlipsMarksPhasesAndRewritesTheFile) {
    const std::string obs = Copy(Data("rinex3/07590920.05o"), "07590920.05o");
    // A dry run reports the same as the run that marks, per satellite and band with epoch
    // times and tests, and changes nothing; --json gives it as one object.
    const CliResult dry = Cli({"slips", "--dry-run", obs});
    ASSERT_EQ(dry.status, 0) << dry.err;
    EXPECT_EQ(ReadText(obs), ReadText(Data("rinex3/07590920.05o")));
    EXPECT_NE(dry.out.find("would be marked as cycle slips"), std::string::npos) << dry.out;
    EXPECT_NE(dry.out.find(" band 1: "), std::string::npos) << dry.out;
    EXPECT_NE(dry.out.find("2005-04-02 "), std::string::npos) << dry.out;
    const CliResult json = Cli({"slips", "--dry-run", "--json", obs});
    ASSERT_EQ(json.status, 0) << json.err;
    EXPECT_EQ(json.out.find("{\"file\":"), 0u) << json.out;
    EXPECT_NE(json.out.find("\"dry_run\":true"), std::string::npos) << json.out;
    EXPECT_NE(json.out.find("\"test\":\""), std::string::npos) << json.out;
    EXPECT_EQ(std::count(json.out.begin(), json.out.end(), '\n'), 1);
    EXPECT_EQ(ReadText(obs), ReadText(Data("rinex3/07590920.05o")));
    const CliResult run = Cli({"slips", obs});
    {
        long wouldBe = -1, marked = -2;
        std::sscanf(dry.out.c_str() + obs.size(), ": %ld", &wouldBe);
        std::sscanf(run.out.c_str() + obs.size(), ": %ld", &marked);
        EXPECT_EQ(wouldBe, marked);
        EXPECT_EQ(dry.out.substr(dry.out.find('\n')), run.out.substr(run.out.find('\n')));
    }
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find(obs + ": "), std::string::npos);
    EXPECT_NE(run.out.find("marked as cycle slips"), std::string::npos) << run.out;
    // Only loss-of-lock digits change: same length, same header, every epoch still there.
    const std::string original = ReadText(Data("rinex3/07590920.05o"));
    const std::string marked = ReadText(obs);
    ASSERT_EQ(marked.size(), original.size());
    EXPECT_EQ(marked.substr(0, original.find("END OF HEADER")),
              original.substr(0, original.find("END OF HEADER")));
    EXPECT_EQ(CountObservationEpochs(obs), CountObservationEpochs(Data("rinex3/07590920.05o")));
    // The count printed is the number of phases whose loss-of-lock digit gained bit 0.
    long count = -1;
    ASSERT_EQ(std::sscanf(run.out.c_str() + obs.size(), ": %ld phases", &count), 1) << run.out;
    long changed = 0;
    for (size_t i = 0; i < original.size(); ++i) {
        if (original[i] != marked[i]) {
            const int before = original[i] == ' ' ? 0 : original[i] - '0';
            const int after = marked[i] - '0';
            EXPECT_EQ(after, before | 1) << "at byte " << i;
            ++changed;
        }
    }
    EXPECT_GT(count, 0);
    EXPECT_EQ(count, changed);
    // A second run finds the slips already marked: nothing new.
    const CliResult again = Cli({"slips", obs});
    EXPECT_EQ(again.status, 0);
    EXPECT_NE(again.out.find(": 0 phases marked"), std::string::npos) << again.out;
}

TEST_F(Commands, ConvertJsonCarriesResultsAndReasons) {
    const std::string sample = Sample();
    const std::string empty = Path("empty.dat");
    std::ofstream(empty).put('\0');
    const CliResult run = Cli({"convert", "--json", "--position", "-o", Path("out"), sample, empty});
    EXPECT_EQ(run.status, 1);
    std::istringstream lines(run.out);
    std::string first, second, extra;
    std::getline(lines, first);
    std::getline(lines, second);
    EXPECT_FALSE(std::getline(lines, extra)) << "one line per input";
    const std::string out = Path("out");
    EXPECT_EQ(first.rfind("{\"input\":\"" + sample + "\",\"result\":\"converted\",\"files\":[\"" +
                              out + "/site.09G\",\"" + out + "/site.09N\",\"" + out +
                              "/site.09O\"],\"error\":null,\"epochs\":46,\"seconds\":",
                          0),
              0u)
        << first;
    // The position the single-point step wrote into the observation header.
    const size_t at = first.find("\"position\":[");
    ASSERT_NE(at, std::string::npos) << first;
    double x = 0, y = 0, z = 0;
    ASSERT_EQ(std::sscanf(first.c_str() + at, "\"position\":[%lf,%lf,%lf]", &x, &y, &z), 3);
    char line[64];
    std::snprintf(line, sizeof line, "%14.4f%14.4f%14.4f", x, y, z);
    const std::string obs = ReadText(Path("out/site.09O"));
    EXPECT_NE(obs.find(std::string(line) + "                  APPROX POSITION XYZ"),
              std::string::npos);
    // The sample's static header holds its surveyed position; the single point is near it.
    const double header[3] = {-3869297.0463, 3436571.3750, 3717369.8734};
    EXPECT_LT(Distance({x, y, z}, header), 30.0);
    EXPECT_EQ(second.rfind("{\"input\":\"" + empty + "\",\"result\":\"failed\",\"files\":[],"
                           "\"error\":\"",
                           0),
              0u)
        << second;
    EXPECT_NE(second.find("\"epochs\":null"), std::string::npos);
    EXPECT_NE(second.find("\"position\":null}"), std::string::npos);
    // The person's report is on standard error.
    EXPECT_NE(run.err.find(sample + ": 3 files written"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("position "), std::string::npos);
    EXPECT_NE(run.err.find("empty.dat: not converted: "), std::string::npos);
}

TEST_F(Commands, ParallelConversionReportsAsASerialRun) {
    const std::string sample = Sample();
    fs::create_directory(Path("in"));
    for (const char* name : {"a.dat", "b.dat", "c.dat", "d.dat", "e.dat"}) {
        fs::copy_file(sample, Path(std::string("in/") + name));
    }
    std::ofstream(Path("in/c.dat"), std::ios::trunc) << "not a recording";
    const CliResult serial = Cli({"convert", "-o", Path("serial"), Path("in")});
    EXPECT_EQ(serial.status, 1);
    for (const char* jobs : {"2", "3", "8"}) {
        const CliResult parallel = Cli({"convert", "--jobs", jobs, "-o", Path("serial"), Path("in")});
        EXPECT_EQ(parallel.status, serial.status) << jobs;
        EXPECT_EQ(parallel.out, serial.out) << jobs;
        EXPECT_EQ(parallel.err, serial.err) << jobs;
    }
    EXPECT_NE(serial.out.find("4 converted, 1 failed"), std::string::npos) << serial.out;
    const CliResult good = Cli({"convert", "-j", "2", "-o", Path("out"), Path("in/a.dat"),
                          Path("in/b.dat")});
    EXPECT_EQ(good.status, 0) << good.err;
    for (const auto& entry : fs::directory_iterator(Path("out"))) {
        EXPECT_EQ(entry.path().filename().string().find(".part"), std::string::npos);
    }
}

#ifdef TOLLMERE_OEM_EXTEND
// Ctrl-C while two conversions run: both children are stopped before anything is removed, so
// no hidden unfinished file and no temporary folder survives.
TEST_F(Commands, InterruptedParallelRunLeavesNothingBehind) {
    const std::string sample = Sample();
    fs::create_directories(Path("in"));
    fs::create_directories(Path("tmp"));
    for (const char* name : {"a.dat", "b.dat", "c.dat"}) {
        const std::string make = Quote(TOLLMERE_OEM_EXTEND) + " " + Quote(sample) + " " +
                                 Quote(Path(std::string("in/") + name)) + " 6 >/dev/null";
        ASSERT_EQ(std::system(make.c_str()), 0);
    }
    for (int delayMs : {150, 400}) {
        fs::remove_all(Path("out"));
        const pid_t pid = ::fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            ::setenv("TMPDIR", Path("tmp").c_str(), 1);
            std::freopen("/dev/null", "w", stdout);
            std::freopen("/dev/null", "w", stderr);
            ::execl(TOLLMERE_CLI, TOLLMERE_CLI, "convert", "--jobs", "2", "-o",
                    Path("out").c_str(), Path("in").c_str(), static_cast<char*>(nullptr));
            ::_exit(127);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(delayMs));
        ::kill(pid, SIGINT);
        int status = 0;
        ASSERT_EQ(::waitpid(pid, &status, 0), pid);
        ASSERT_TRUE(WIFEXITED(status));
        EXPECT_TRUE(WEXITSTATUS(status) == 130 || WEXITSTATUS(status) == 0) << WEXITSTATUS(status);
        EXPECT_TRUE(fs::is_empty(Path("tmp"))) << delayMs;
        if (!fs::exists(Path("out"))) continue;
        for (const auto& entry : fs::directory_iterator(Path("out"))) {
            EXPECT_EQ(entry.path().filename().string().find(".part"), std::string::npos)
                << entry.path();
        }
    }
}
#endif

TEST(CommandPieces, EpochCountsOfBothRinexVersionsAgree) {
    const std::string data = TOLLMERE_TEST_DATA;
    const long v2 = CountObservationEpochs(data + "/rinex/07590920.05o");
    EXPECT_GT(v2, 0);
    EXPECT_EQ(CountObservationEpochs(data + "/rinex3/07590920.05o"), v2);
    // Other programs write the type word in mixed case; column 21 decides.
    for (const char* first :
         {"     2.11           OBSERVATION DATA    M (MIXED)           RINEX VERSION / TYPE",
          "     2.11           Observation         M                   RINEX VERSION / TYPE",
          "     3.04           o                   G                   RINEX VERSION / TYPE"}) {
        EXPECT_TRUE(NamesObservationData(first)) << first;
    }
    EXPECT_FALSE(NamesObservationData(
        "     2.11           NAVIGATION DATA                         RINEX VERSION / TYPE"));
    EXPECT_FALSE(NamesObservationData("     2.11           OBSERVATION DATA"));
    EXPECT_EQ(CountObservationEpochs(data + "/rinex/07590920.05n"), -1);
}

TEST(CommandPieces, EditorNamesTimesMethodsAndJobCounts) {
    EXPECT_EQ(EditorFileName("/d/site0011.RT17", "ROOF", 2013, 1, 5), "ROOF0051.dat");
    EXPECT_EQ(EditorFileName("x.dat", "", 2012, 3, 1), "0000061X.dat");
    EXPECT_EQ(EditorFileName("/a.b/noext", "AB", 2013, 3, 1), "AB00060.dat");
    // Point names from a header never lead out of the folder, hide the file or break a line.
    const struct {
        const char* path;
        const char* point;
        const char* name;
    } hostile[] = {
        {"/d/a.dat", "../x", "_._x005A.dat"},  {"/d/a.dat", "/tmp", "_tmp005A.dat"},
        {"/d/a.dat", "...", "_._0005A.dat"},   {"/d/a.dat", ".ab", "_ab0005A.dat"},
        {"/d/a.dat", "a\nb", "a_b0005A.dat"},  {"/d/a.dat", "c:\\x", "c:_x005A.dat"},
        {"/d/.dat", "ROOF", "ROOF005.dat"},    {"/d/a.b.dat", "a.b", "a.b0005B.dat"},
    };
    for (const auto& h : hostile) {
        const std::string name = EditorFileName(h.path, h.point, 2013, 1, 5);
        EXPECT_EQ(name, h.name) << h.point;
        EXPECT_EQ(name.find('/'), std::string::npos);
        EXPECT_NE(name.front(), '.');
        EXPECT_EQ(name.find(".."), std::string::npos);
    }
    EXPECT_TRUE(IsTimeText("23:59:59"));
    for (const char* bad : {"24:00:00", "12:60:00", "12:00:60", "1:00:00", "12-00-00", ""}) {
        EXPECT_FALSE(IsTimeText(bad)) << bad;
    }
    EXPECT_EQ(MethodNumber("4"), 4);
    EXPECT_EQ(MethodNumber("Slant"), 1);
    EXPECT_EQ(MethodNumber("5"), -1);
    EXPECT_EQ(tollmere::cli::JobCount("8"), 8);
    for (const char* bad : {"0", "-1", "1.5", "x", "", "257", "99999"}) {
        EXPECT_EQ(tollmere::cli::JobCount(bad), -1) << bad;
    }
    EXPECT_EQ(JsonString("a\"b\\c\n\x01"), "\"a\\\"b\\\\c\\n\\u0001\"");
}

TEST(CommandPieces, GeodeticCoordinatesOfEcef) {
    // A point on the equator and one 1000 m above 45 N 10 E.
    double lat = 0, lon = 0, h = 0;
    const double equator[3] = {6378137.0, 0, 0};
    EcefToGeodetic(equator, lat, lon, h);
    EXPECT_NEAR(lat, 0, 1e-9);
    EXPECT_NEAR(h, 0, 1e-4);
    const double a = 6378137.0, e2 = 0.00669437999014;
    const double phi = 45 * M_PI / 180, lam = 10 * M_PI / 180;
    const double n = a / std::sqrt(1 - e2 * std::sin(phi) * std::sin(phi));
    const double p[3] = {(n + 1000) * std::cos(phi) * std::cos(lam),
                         (n + 1000) * std::cos(phi) * std::sin(lam),
                         (n * (1 - e2) + 1000) * std::sin(phi)};
    EcefToGeodetic(p, lat, lon, h);
    EXPECT_NEAR(lat, 45, 1e-9);
    EXPECT_NEAR(lon, 10, 1e-9);
    EXPECT_NEAR(h, 1000, 1e-4);
}

}  // namespace
