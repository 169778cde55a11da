// Runs the tollmere-cli program itself: exit codes, the messages for bad inputs, folder inputs.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>
#include <chrono>
#include <thread>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "static_header.h"
#include "tollmere_version.h"

namespace fs = std::filesystem;

namespace {

struct CliRun {
    int status = -1;
    std::string out;
    std::string err;
};

std::string ReadText(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

void WriteBytes(const fs::path& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

std::string HeaderBytes(int16_t formatCode = 0) {
    tollmere::tools::StaticHeaderFields fields;
    fields.formatCode = formatCode;
    fields.year = 2009;
    fields.month = 12;
    fields.day = 18;
    const auto header = tollmere::tools::BuildStaticHeader(fields);
    return std::string(header.begin(), header.end());
}

// The line of the report that names `input` as not converted.
std::string ErrorLine(const std::string& err, const std::string& input) {
    const std::string start = "tollmere-cli: " + input + ": not converted: ";
    const size_t at = err.find(start);
    if (at == std::string::npos) return {};
    return err.substr(at, err.find('\n', at) - at);
}

std::string Quote(const std::string& text) {
    std::string quoted = "'";
    for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

class CliProgram : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "cli_test_XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        dir_ = pattern;
    }
    void TearDown() override { fs::remove_all(dir_); }

    CliRun Cli(const std::vector<std::string>& args) {
        std::string command = Quote(TOLLMERE_CLI);
        for (const std::string& arg : args) command += " " + Quote(arg);
        command += " >" + Quote((dir_ / "stdout").string()) + " 2>" +
                   Quote((dir_ / "stderr").string()) + " </dev/null";
        const int raw = std::system(command.c_str());
        CliRun run;
        run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
        run.out = ReadText(dir_ / "stdout");
        run.err = ReadText(dir_ / "stderr");
        fs::remove(dir_ / "stdout");
        fs::remove(dir_ / "stderr");
        return run;
    }

    std::string Path(const std::string& name) const { return (dir_ / name).string(); }

    fs::path dir_;
};

TEST_F(CliProgram, UsageErrorsExitWithTwo) {
    const std::vector<std::vector<std::string>> cases = {
        {},
        {"frobnicate"},
        {"convert"},
        {"convert", "--format", "rinex9", "x.dat"},
        {"convert", "--systems", "Q", "x.dat"},
        {"convert", "--bogus", "x.dat"},
        {"header"},
    };
    for (const auto& args : cases) {
        const CliRun run = Cli(args);
        EXPECT_EQ(run.status, 2) << ::testing::PrintToString(args);
        EXPECT_NE(run.err.find("tollmere-cli: "), std::string::npos) << run.err;
        EXPECT_TRUE(run.out.empty());
    }
}

TEST_F(CliProgram, HelpExitsWithZero) {
    for (const auto& args : std::vector<std::vector<std::string>>{
             {"--help"}, {"convert", "--help"}, {"convert", "x", "-h"}}) {
        const CliRun run = Cli(args);
        EXPECT_EQ(run.status, 0);
        EXPECT_NE(run.out.find("tollmere-cli convert [options] INPUT..."), std::string::npos);
    }
}

TEST_F(CliProgram, VersionPrintsTheReleaseNumber) {
    for (const char* arg : {"--version", "version"}) {
        const CliRun run = Cli({arg});
        EXPECT_EQ(run.status, 0);
        EXPECT_EQ(run.out, "tollmere-cli " TOLLMERE_VERSION "\n");
        EXPECT_EQ(run.err, "");
    }
}

TEST_F(CliProgram, BadInputsAreNamedWithTheReason) {
    WriteBytes(Path("empty.dat"), "");
    WriteBytes(Path("short.dat"), HeaderBytes().substr(0, 100));
    WriteBytes(Path("badcode.dat"), HeaderBytes(7) + std::string(4096, 'x'));
    WriteBytes(Path("headeronly.dat"), HeaderBytes());
    WriteBytes(Path("text.dat"), HeaderBytes() + std::string(70000, 'x'));
    WriteBytes(Path("plain.txt"), "just some words\n");
    fs::create_directory(Path("nothing"));
    WriteBytes(Path("nothing/notes.txt"), "x");
    WriteBytes(Path("afile"), "x");

    struct Case {
        std::vector<std::string> args;
        std::string input;
        std::string reason;
    };
    const Case cases[] = {
        {{Path("missing.dat")}, Path("missing.dat"), "no such file"},
        {{Path("empty.dat")}, Path("empty.dat"), "the file is empty"},
        {{Path("short.dat")}, Path("short.dat"), "static header is truncated (100 of 512 bytes)"},
        {{Path("badcode.dat")}, Path("badcode.dat"), "unknown static header format code 7"},
        {{Path("headeronly.dat")}, Path("headeronly.dat"), "no receiver data after the static"},
        {{Path("text.dat")}, Path("text.dat"), "unknown format"},
        {{Path("plain.txt")}, Path("plain.txt"), "not a static file"},
        {{Path("nothing")}, Path("nothing"), "holds no raw files"},
        {{"-o", Path("afile"), Path("text.dat")}, Path("text.dat"), "is not a folder"},
        // A folder that takes no new files, whoever runs the program.
        {{"-o", "/proc", Path("text.dat")}, Path("text.dat"), "cannot create files in the"},
    };
    for (const Case& c : cases) {
        std::vector<std::string> args = {"convert"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        const CliRun run = Cli(args);
        EXPECT_EQ(run.status, 1) << c.input;
        const std::string line = ErrorLine(run.err, c.input);
        EXPECT_NE(line.find(c.reason), std::string::npos) << run.err;
    }
    // Nothing was written beside the inputs.
    size_t entries = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator(dir_)) ++entries;
    EXPECT_EQ(entries, 8u);
}

TEST_F(CliProgram, FolderInputTakesTheListedExtensionsInAnyCase) {
    fs::create_directory(Path("raw"));
    for (const char* name : {"a.dat", "B.Rt17", "c.txt", "d", "e.ZHD"}) {
        WriteBytes(Path("raw/") + name, HeaderBytes() + std::string(1000, 'x'));
    }
    fs::create_directory(Path("raw/sub.dat"));
    const CliRun run = Cli({"convert", Path("raw")});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find(Path("raw/a.dat") + ": not converted"), std::string::npos);
    EXPECT_NE(run.err.find(Path("raw/B.Rt17") + ": not converted"), std::string::npos);
    EXPECT_NE(run.err.find(Path("raw/e.ZHD") + ": not converted"), std::string::npos);
    EXPECT_EQ(run.err.find("c.txt"), std::string::npos);
    EXPECT_EQ(run.err.find("raw/d:"), std::string::npos);
    EXPECT_EQ(run.err.find("sub.dat"), std::string::npos);
    EXPECT_NE(run.out.find("0 converted, 3 failed"), std::string::npos) << run.out;
}

TEST_F(CliProgram, MissingOutputFolderIsCreated) {
    WriteBytes(Path("text.dat"), HeaderBytes() + std::string(1000, 'x'));
    const CliRun run = Cli({"convert", "-o", Path("new/deeper"), Path("text.dat")});
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(fs::is_directory(Path("new/deeper")));
    EXPECT_NE(run.err.find("unknown format"), std::string::npos) << run.err;
}

TEST_F(CliProgram, HeaderCommandRejectsFilesWithoutStaticHeader) {
    WriteBytes(Path("plain.txt"), std::string(600, 'x'));
    fs::create_directory(Path("raw.dat"));
    const CliRun run = Cli({"header", Path("plain.txt"), Path("missing.dat"), Path("raw.dat")});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find(Path("raw.dat") + ": is a folder"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find(Path("plain.txt") + ": not a static file"), std::string::npos);
    EXPECT_NE(run.err.find(Path("missing.dat") + ": cannot read the file"), std::string::npos);
}

// A FIFO or a link to a device under a static file's name is refused at once, never read.
TEST_F(CliProgram, HeaderCommandRefusesSpecialFilesWithoutWaiting) {
    ASSERT_EQ(::mkfifo(Path("fifo.dat").c_str(), 0644), 0);
    fs::create_symlink("/dev/zero", Path("zero.dat"));
    const CliRun run = Cli({"header", Path("fifo.dat"), Path("zero.dat")});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find(Path("fifo.dat") + ": not a regular file"), std::string::npos)
        << run.err;
    EXPECT_NE(run.err.find(Path("zero.dat") + ": not a regular file"), std::string::npos);
}

// End to end on the bundled sample: 46 RANGECMP epochs of 2009-12-18 23:07:00-23:07:45 (GPS,
// GLONASS, SBAS) from an OEMV board behind a static header with point name OEMV-1.
class CliSample : public CliProgram {
  protected:
    void SetUp() override {
        CliProgram::SetUp();
        fs::copy_file(fs::path(TOLLMERE_SAMPLES) / "oemv_20091218.dat", Path("oemv_20091218.dat"));
        fs::create_directory(Path("out"));
    }

    std::vector<std::string> OutputNames() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(dir_ / "out")) {
            names.push_back(entry.path().filename().string());
        }
        std::sort(names.begin(), names.end());
        return names;
    }

    static int EpochRecords(const std::string& rinex3) {
        int epochs = 0;
        std::istringstream lines(rinex3);
        for (std::string line; std::getline(lines, line);) epochs += line.rfind("> ", 0) == 0;
        return epochs;
    }
};

TEST_F(CliSample, DefaultConversionWritesAndListsTheRinexFiles) {
    const CliRun run = Cli({"convert", "-o", Path("out"), Path("oemv_20091218.dat")});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, Path("oemv_20091218.dat") + ": 3 files written\n  " +
                           Path("out/oemv_20091218.09G") + "\n  " + Path("out/oemv_20091218.09N") +
                           "\n  " + Path("out/oemv_20091218.09O") + "\n");
    EXPECT_EQ(run.err, "");
    const std::string obs = ReadText(dir_ / "out/oemv_20091218.09O");
    EXPECT_EQ(obs.rfind("     3.02           OBSERVATION DATA    M (MIXED)", 0), 0u);
    EXPECT_NE(obs.find("OEMV                                                        MARKER NAME"),
              std::string::npos);
    EXPECT_NE(obs.find("  2009    12    18    23    07    0.0000000     GPS         TIME OF FIRST"),
              std::string::npos);
    EXPECT_NE(obs.find("  2009    12    18    23    07   45.0000000     GPS         TIME OF LAST"),
              std::string::npos);
    EXPECT_EQ(EpochRecords(obs), 46);
    // Every header names the release that wrote it, right after the program line.
    const std::string comment = "converted by Tollmere " TOLLMERE_VERSION;
    for (const char* name :
         {"out/oemv_20091218.09G", "out/oemv_20091218.09N", "out/oemv_20091218.09O"}) {
        std::istringstream lines(ReadText(dir_ / name));
        std::string line;
        for (int i = 0; i < 3; ++i) std::getline(lines, line);
        if (!line.empty() && line.back() == '\r') line.pop_back();  // CR LF navigation files
        EXPECT_EQ(line, comment + std::string(60 - comment.size(), ' ') + "COMMENT             ")
            << name;
    }
}

TEST_F(CliSample, OptionsReachTheOutput) {
    struct Case {
        std::vector<std::string> options;
        std::vector<std::string> files;
        std::string observationFile;
        std::string firstLine;  // start of the observation file
        int epochs;             // epoch records of a RINEX 3 file, -1 not counted
    };
    const Case cases[] = {
        {{"--format", "rinex2.10"},
         {"oemv_20091218.09G", "oemv_20091218.09N", "oemv_20091218.09O"},
         "oemv_20091218.09O",
         "     2.10           OBSERVATION DATA    M (MIXED)",
         -1},
        {{"--systems", "G"},
         {"oemv_20091218.09N", "oemv_20091218.09O"},
         "oemv_20091218.09O",
         "     3.02",
         46},
        {{"--interval", "5", "--mixed"},
         {"_20091218_R_20093522307_01M_05S_MO.rnx", "_20091218_R_20093522307_01M_MN.rnx"},
         "_20091218_R_20093522307_01M_05S_MO.rnx",
         "     3.02",
         10},
    };
    for (const Case& c : cases) {
        fs::remove_all(dir_ / "out");
        std::vector<std::string> args = {"convert", "-o", Path("out"), Path("oemv_20091218.dat")};
        args.insert(args.end(), c.options.begin(), c.options.end());
        const CliRun run = Cli(args);
        ASSERT_EQ(run.status, 0) << ::testing::PrintToString(c.options) << run.err;
        ASSERT_EQ(OutputNames(), c.files) << ::testing::PrintToString(c.options);
        const std::string obs = ReadText(dir_ / "out" / c.observationFile);
        EXPECT_EQ(obs.rfind(c.firstLine, 0), 0u) << ::testing::PrintToString(c.options);
        if (c.epochs >= 0) {
            EXPECT_EQ(EpochRecords(obs), c.epochs);
        }
    }
}

TEST_F(CliSample, SystemSelectionKeepsOnlyThoseSatellites) {
    const CliRun run =
        Cli({"convert", "-o", Path("out"), "--systems", "G", Path("oemv_20091218.dat")});
    ASSERT_EQ(run.status, 0) << run.err;
    const std::string obs = ReadText(dir_ / "out/oemv_20091218.09O");
    std::istringstream lines(obs.substr(obs.find("END OF HEADER")));
    std::string line;
    std::getline(lines, line);
    int satellites = 0;
    while (std::getline(lines, line)) {
        if (line.rfind(">", 0) == 0) continue;
        EXPECT_EQ(line[0], 'G') << line;
        ++satellites;
    }
    EXPECT_GT(satellites, 46);
}

TEST_F(CliSample, OneFailedInputDoesNotStopTheOthers) {
    WriteBytes(Path("bad.dat"), HeaderBytes() + std::string(5000, 'x'));
    const CliRun run =
        Cli({"convert", "-o", Path("out"), Path("bad.dat"), Path("oemv_20091218.dat")});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.out.find(Path("oemv_20091218.dat") + ": 3 files written"), std::string::npos);
    EXPECT_NE(run.out.find("1 converted, 1 failed"), std::string::npos);
    EXPECT_NE(ErrorLine(run.err, Path("bad.dat")).find("unknown format"), std::string::npos)
        << run.err;
}

TEST_F(CliSample, RecordingWithoutObservationsFailsWithNoOutput) {
    // Only message 2239 frames (no observation log), behind a valid static header.
    const std::string frames =
        ReadText(fs::path(TOLLMERE_TEST_DATA) / "novatel/20230819-053733has_part.nov");
    ASSERT_FALSE(frames.empty());
    WriteBytes(Path("has.dat"), HeaderBytes() + frames);
    const CliRun run = Cli({"convert", "-o", Path("out"), Path("has.dat")});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(ErrorLine(run.err, Path("has.dat")).find("no observations"), std::string::npos)
        << run.err;
    EXPECT_TRUE(OutputNames().empty());
}

TEST_F(CliSample, FolderInputWritesBesideTheInputs) {
    fs::create_directory(Path("survey"));
    fs::rename(Path("oemv_20091218.dat"), Path("survey/SITE.DAT"));
    const CliRun run = Cli({"convert", Path("survey")});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("  " + Path("survey/SITE.09O") + "\n"), std::string::npos) << run.out;
    EXPECT_TRUE(fs::exists(Path("survey/SITE.09N")));
}

TEST_F(CliSample, HeaderCommandPrintsTheObservationDate) {
    const CliRun run = Cli({"header", Path("oemv_20091218.dat")});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, Path("oemv_20091218.dat") + ": observation date 2009-12-18\n");
}

TEST_F(CliSample, BoardDataWithoutStaticHeaderConvertsWithAWarning) {
    fs::copy_file(fs::path(TOLLMERE_TEST_DATA) / "novatel/oemv_200911218_part.gps",
                  Path("raw.bin"));
    const CliRun run = Cli({"convert", "-o", Path("out"), Path("raw.bin")});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("  " + Path("out/raw.09O") + "\n"), std::string::npos) << run.out;
    EXPECT_NE(run.err.find(Path("raw.bin") + " has no static header"), std::string::npos);
}

TEST_F(CliSample, InterruptedConversionLeavesNoTemporaryOrUnfinishedFiles) {
    // A long recording (later epochs appended), so that the conversion is still running
    // when the signal arrives.
    const std::string big = Path("long.dat");
    const std::string make = Quote(TOLLMERE_OEM_EXTEND) + " " + Quote(Path("oemv_20091218.dat")) +
                             " " + Quote(big) + " 20 >/dev/null";
    ASSERT_EQ(std::system(make.c_str()), 0);
    fs::create_directory(Path("tmp"));

    for (const int signal : {SIGINT, SIGTERM}) {
        const pid_t pid = ::fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            ::setenv("TMPDIR", Path("tmp").c_str(), 1);
            const int null = ::open("/dev/null", O_WRONLY);
            ::dup2(null, STDOUT_FILENO);
            ::dup2(null, STDERR_FILENO);
            ::execl(TOLLMERE_CLI, TOLLMERE_CLI, "convert", "-o", Path("out").c_str(), big.c_str(),
                    static_cast<char*>(nullptr));
            ::_exit(127);
        }
        // Wait until the library has made its temporary folder, then interrupt. A program
        // that ended first ends the wait as well.
        int status = 0;
        bool ended = false;
        auto converting = [&] {
            std::error_code ec;
            for (fs::recursive_directory_iterator it(Path("tmp"), ec), end; !ec && it != end;
                 it.increment(ec)) {
                if (it->path().filename().string().rfind("kestrin-", 0) == 0) return true;
            }
            return false;
        };
        while (!converting()) {
            if (::waitpid(pid, &status, WNOHANG) == pid) {
                ended = true;
                break;
            }
            ::usleep(1000);
        }
        if (!ended) {
            ::kill(pid, signal);
            ASSERT_EQ(::waitpid(pid, &status, 0), pid);
        }
        ASSERT_TRUE(WIFEXITED(status));
        EXPECT_EQ(WEXITSTATUS(status), ended ? 0 : 128 + signal);
        EXPECT_TRUE(fs::is_empty(Path("tmp"))) << "signal " << signal;
        for (const auto& entry : fs::directory_iterator(dir_ / "out")) {
            EXPECT_NE(entry.path().extension(), ".part") << entry.path();
        }
    }
}

// Interrupts at points spread over a whole conversion, the last ones while the output files
// are being written and renamed: the program stops the conversion before it cleans up, so no
// temporary folder and no hidden unfinished file survives at any of them.
TEST_F(CliSample, InterruptAtAnyPointLeavesNoUnfinishedFile) {
    const std::string big = Path("long.dat");
    const std::string make = Quote(TOLLMERE_OEM_EXTEND) + " " + Quote(Path("oemv_20091218.dat")) +
                             " " + Quote(big) + " 3 >/dev/null";
    ASSERT_EQ(std::system(make.c_str()), 0);
    fs::create_directory(Path("tmp"));
    auto start = [&] {
        const pid_t pid = ::fork();
        if (pid == 0) {
            ::setenv("TMPDIR", Path("tmp").c_str(), 1);
            const int null = ::open("/dev/null", O_WRONLY);
            ::dup2(null, STDOUT_FILENO);
            ::dup2(null, STDERR_FILENO);
            ::execl(TOLLMERE_CLI, TOLLMERE_CLI, "convert", "-o", Path("out").c_str(), big.c_str(),
                    static_cast<char*>(nullptr));
            ::_exit(127);
        }
        return pid;
    };
    // One whole run gives the time over which the interrupts are spread.
    const auto begin = std::chrono::steady_clock::now();
    const pid_t first = start();
    ASSERT_GT(first, 0);
    int status = 0;
    ASSERT_EQ(::waitpid(first, &status, 0), first);
    const auto whole = std::chrono::steady_clock::now() - begin;
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);

    constexpr int kPoints = 10;
    for (int point = 0; point < kPoints; ++point) {
        SCOPED_TRACE(point);
        const pid_t pid = start();
        ASSERT_GT(pid, 0);
        // From the moment the first conversion is under way (the program handles signals
        // from then on).
        auto started = [&] {
            std::error_code ec;
            for (fs::recursive_directory_iterator it(Path("tmp"), ec), end; !ec && it != end;
                 it.increment(ec)) {
                if (it->path().filename().string().rfind("conversion-", 0) == 0) return true;
            }
            return false;
        };
        bool ended = false;
        while (!started() && !ended) {
            ended = ::waitpid(pid, &status, WNOHANG) == pid;
            if (!ended) ::usleep(200);
        }
        if (!ended) {
            std::this_thread::sleep_for(whole * point / kPoints);
            ::kill(pid, SIGINT);
            ASSERT_EQ(::waitpid(pid, &status, 0), pid);
        }
        ASSERT_TRUE(WIFEXITED(status));
        EXPECT_TRUE(WEXITSTATUS(status) == 0 || WEXITSTATUS(status) == 128 + SIGINT);
        EXPECT_TRUE(fs::is_empty(Path("tmp")));
        for (const auto& entry : fs::directory_iterator(dir_ / "out")) {
            EXPECT_NE(entry.path().extension(), ".part") << entry.path();
        }
    }
}

// Environments that make a conversion fail: each run ends with exit status 1, a reason that
// names the cause, and the output folder as it was.
TEST_F(CliSample, TemporaryFolderThatCannotBeUsedIsNamed) {
    const std::string notAFolder = Path("plain");
    WriteBytes(notAFolder, "x");
    const std::string command = "TMPDIR=" + Quote(notAFolder) + " " + Quote(TOLLMERE_CLI) +
                                " convert -o " + Quote(Path("out")) + " " +
                                Quote(Path("oemv_20091218.dat")) + " >/dev/null 2>" +
                                Quote(Path("err"));
    const int raw = std::system(command.c_str());
    ASSERT_TRUE(WIFEXITED(raw));
    EXPECT_EQ(WEXITSTATUS(raw), 1);
    EXPECT_NE(
        ReadText(Path("err"))
            .find("cannot write temporary files in " + notAFolder + " ($TMPDIR): Not a directory"),
        std::string::npos)
        << ReadText(Path("err"));
    EXPECT_TRUE(OutputNames().empty());
}

// A full file system (a small tmpfs in a mount namespace of its own) under the output folder,
// and under $TMPDIR. Skipped where mounting is not allowed.
TEST_F(CliSample, FullDisksLeaveTheOutputFolderAsItWas) {
    const std::string script = R"(
set -u
mount -t tmpfs -o size=2m tmpfs "$W/disk" 2>/dev/null || exit 77
mkdir "$W/disk/out" "$W/disk/tmp"
"$CLI" convert -o "$W/disk/out" "$W/oemv_20091218.dat" >/dev/null 2>&1 || exit 3
cp -a "$W/disk/out" "$W/before"
dd if=/dev/zero of="$W/disk/filler" bs=4k >/dev/null 2>&1
"$CLI" convert -o "$W/disk/out" "$W/oemv_20091218.dat" >/dev/null 2>"$W/output.err"
echo $? >"$W/output.status"
diff -r "$W/before" "$W/disk/out" >"$W/output.diff" 2>&1
echo $? >>"$W/output.status"
TMPDIR="$W/disk/tmp" "$CLI" convert -o "$W/out" "$W/oemv_20091218.dat" >/dev/null 2>"$W/temp.err"
echo $? >"$W/temp.status"
ls -A "$W/disk/tmp" >"$W/temp.left"
exit 0
)";
    fs::create_directory(Path("disk"));
    WriteBytes(Path("script.sh"), script);
    const std::string command = "W=" + Quote(dir_.string()) + " CLI=" + Quote(TOLLMERE_CLI) +
                                " unshare -m sh " + Quote(Path("script.sh"));
    const int raw = std::system(command.c_str());
    ASSERT_TRUE(WIFEXITED(raw));
    if (WEXITSTATUS(raw) == 77) GTEST_SKIP() << "no tmpfs can be mounted here";
    ASSERT_EQ(WEXITSTATUS(raw), 0);
    // Output disk full after an earlier run's outputs: those stay byte for byte, nothing new.
    EXPECT_EQ(ReadText(Path("output.status")), "1\n0\n") << ReadText(Path("output.diff"));
    EXPECT_NE(ReadText(Path("output.err")).find("No space left on device"), std::string::npos)
        << ReadText(Path("output.err"));
    // Temporary disk full: no output, a reason naming $TMPDIR, nothing left in it.
    EXPECT_EQ(ReadText(Path("temp.status")), "1\n");
    EXPECT_NE(ReadText(Path("temp.err")).find("($TMPDIR): No space left on device"),
              std::string::npos)
        << ReadText(Path("temp.err"));
    EXPECT_EQ(ReadText(Path("temp.left")), "");
    EXPECT_TRUE(OutputNames().empty());
}

// Two programs converting the same input into one folder at once each report the files of
// their own conversion, never the other's hidden unfinished files.
TEST_F(CliSample, ConcurrentConversionsReportOnlyTheirOwnFiles) {
    const std::string one = Quote(TOLLMERE_CLI) + " convert -o " + Quote(Path("out")) + " " +
                            Quote(Path("oemv_20091218.dat"));
    for (int round = 0; round < 5; ++round) {
        const std::string command =
            one + " >" + Quote(Path("a")) + " & " + one + " >" + Quote(Path("b")) + "; wait";
        ASSERT_EQ(std::system(command.c_str()), 0);
        const std::string expected =
            Path("oemv_20091218.dat") + ": 3 files written\n  " + Path("out/oemv_20091218.09G") +
            "\n  " + Path("out/oemv_20091218.09N") + "\n  " + Path("out/oemv_20091218.09O") + "\n";
        EXPECT_EQ(ReadText(Path("a")), expected);
        EXPECT_EQ(ReadText(Path("b")), expected);
        EXPECT_EQ(OutputNames(), (std::vector<std::string>{"oemv_20091218.09G", "oemv_20091218.09N",
                                                           "oemv_20091218.09O"}));
    }
}

TEST_F(CliSample, ReportReaderThatWentAwayDoesNotStopTheConversion) {
    fs::create_directory(Path("tmp"));
    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    ::close(fds[0]);  // nobody reads the report
    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        ::setenv("TMPDIR", Path("tmp").c_str(), 1);
        ::dup2(fds[1], STDOUT_FILENO);
        const int null = ::open("/dev/null", O_WRONLY);
        ::dup2(null, STDERR_FILENO);
        ::execl(TOLLMERE_CLI, TOLLMERE_CLI, "convert", "-o", Path("out").c_str(),
                Path("oemv_20091218.dat").c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ::close(fds[1]);
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(OutputNames().size(), 3u);
    EXPECT_TRUE(fs::is_empty(Path("tmp")));
}

TEST_F(CliSample, InputsWithTheSameOutputNamesAreReported) {
    fs::create_directories(Path("a"));
    fs::create_directories(Path("b"));
    fs::copy_file(Path("oemv_20091218.dat"), Path("a/site.dat"));
    fs::copy_file(Path("oemv_20091218.dat"), Path("b/site.dat"));
    const CliRun run = Cli({"convert", "-o", Path("out"), Path("a/site.dat"), Path("b/site.dat")});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.err.find(Path("b/site.dat") + " replaced the file " + Path("out/site.09O") +
                           " written for " + Path("a/site.dat")),
              std::string::npos)
        << run.err;
    // The same input named twice (directly and through its folder) is converted once.
    const CliRun again = Cli({"convert", "-o", Path("out"), Path("a/site.dat"), Path("a")});
    EXPECT_EQ(again.status, 0);
    EXPECT_EQ(again.err, "");
    EXPECT_EQ(again.out.find("converted,"), std::string::npos) << again.out;
}

}  // namespace
