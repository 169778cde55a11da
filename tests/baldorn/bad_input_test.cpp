#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <functional>

#include <string>

#include "baldorn/baldorn.h"
#include "test_files.h"

using baldorn_test::DataPath;
using baldorn_test::ReadAll;
using baldorn_test::TempDir;

namespace {

struct Mutation {
    const char* what;
    std::string (*apply)(const std::string&);
};

std::string Cut(const std::string& s, double fraction) {
    return s.substr(0, static_cast<size_t>(s.size() * fraction));
}

std::string ReplaceAll(std::string s, const std::string& from, const std::string& to) {
    for (size_t p = s.find(from); p != std::string::npos; p = s.find(from, p + to.size()))
        s.replace(p, from.size(), to);
    return s;
}

std::string Noise(std::string s) {
    unsigned x = 12345;
    for (size_t i = 1500; i < s.size(); i += 97) {
        x = x * 1103515245u + 12345u;
        s[i] = static_cast<char>(x >> 16);
    }
    return s;
}

const Mutation kObservationMutations[] = {
    {"cut in the header", [](const std::string& s) { return Cut(s, 0.01); }},
    {"cut inside an epoch", [](const std::string& s) { return Cut(s, 0.5); }},
    {"cut at 90 %", [](const std::string& s) { return Cut(s, 0.9); }},
    {"huge satellite counts",
     [](const std::string& s) { return ReplaceAll(s, "  0  8G", "  0999G"); }},
    {"negative type count",
     [](const std::string& s) { return ReplaceAll(s, "     4    L1", "    -4    L1"); }},
    {"huge type count",
     [](const std::string& s) { return ReplaceAll(s, "     4    L1", "999999    L1"); }},
    {"unreadable numbers", [](const std::string& s) { return ReplaceAll(s, ".", "x"); }},
    {"satellites beyond the tables",
     [](const std::string& s) { return ReplaceAll(ReplaceAll(s, "G 3", "E99"), "G28", "C77"); }},
    {"event flags everywhere",
     [](const std::string& s) { return ReplaceAll(s, "  0  8G", "  4  8G"); }},
    {"byte noise", [](const std::string& s) { return Noise(s); }},
    {"no line ends", [](const std::string& s) { return ReplaceAll(s, "\n", " "); }},
};

const Mutation kNavigationMutations[] = {
    {"cut in a record", [](const std::string& s) { return Cut(s, 0.3); }},
    {"byte noise", [](const std::string& s) { return Noise(s); }},
    {"unreadable numbers", [](const std::string& s) { return ReplaceAll(s, "D", "Q"); }},
    {"no end of header",
     [](const std::string& s) { return ReplaceAll(s, "END OF HEADER", "END"); }},
};

}  // namespace

// Damaged files give the documented 0 or a coordinate, never a crash, hang or overrun (the
// sanitizer build runs these too).
TEST(BadInput, DamagedObservationAndNavigationFiles) {
    const std::string obs = ReadAll(DataPath("rinex/07590920.05o"));
    const std::string nav = ReadAll(DataPath("rinex/07590920.05n"));
    for (const Mutation& m : kObservationMutations) {
        TempDir dir;
        const std::string path = dir.Write("bad0920.05o", m.apply(obs));
        dir.Write("bad0920.05n", nav);
        double xyz[3];
        const int r = SinglePosition(path.c_str(), xyz, nullptr);
        EXPECT_TRUE(r == 0 || r == 1) << m.what;
        if (r == 0) {
            EXPECT_EQ(xyz[0] + xyz[1] + xyz[2], 0.0) << m.what;
        }
    }
    for (const Mutation& m : kNavigationMutations) {
        TempDir dir;
        const std::string path = dir.Write("bad0920.05o", obs);
        dir.Write("bad0920.05n", m.apply(nav));
        double xyz[3];
        const int r = SinglePosition(path.c_str(), xyz, nullptr);
        EXPECT_TRUE(r == 0 || r == 1) << m.what;
    }
    // The cut observation file still solves from the epochs before the cut.
    TempDir dir;
    const std::string path = dir.Write("half0920.05o", Cut(obs, 0.5));
    dir.Write("half0920.05n", nav);
    double xyz[3];
    EXPECT_EQ(SinglePosition(path.c_str(), xyz, nullptr), 1);
    // A header that never ends is refused.
    const std::string noEnd = dir.Write("none0920.05o", ReplaceAll(obs, "END OF HEADER", "END"));
    dir.Write("none0920.05n", nav);
    EXPECT_EQ(SinglePosition(noEnd.c_str(), xyz, nullptr), 0);
}

namespace {

// Runs `call` in a child process that is stopped after 20 s; its result, or -1 when it hung
// or crashed.
int WithinTime(const std::function<int()>& call) {
    const pid_t pid = fork();
    if (pid == 0) {
        alarm(20);
        _exit(call());
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace

// A FIFO or a link to a device under a name the positioning looks for (the observation file,
// its navigation file beside it) is refused at once instead of blocking.
TEST(BadInput, SpecialFilesAreNeverWaitedOn) {
    TempDir dir;
    const std::string obs = dir.File("07590920.05o");
    std::filesystem::copy_file(DataPath("rinex/07590920.05o"), obs);
    ASSERT_EQ(::mkfifo(dir.File("07590920.05n").c_str(), 0644), 0);
    double xyz[3] = {0, 0, 0};
    EXPECT_EQ(WithinTime([&] { return SinglePosition(obs.c_str(), xyz, nullptr); }), 0);

    ASSERT_EQ(::mkfifo(dir.File("fifo0920.05o").c_str(), 0644), 0);
    std::filesystem::create_symlink("/dev/zero", dir.File("zero0920.05o"));
    const double position[3] = {-3976219.5, 3382372.5, 3652512.9};
    for (const char* name : {"fifo0920.05o", "zero0920.05o"}) {
        SCOPED_TRACE(name);
        const std::string path = dir.File(name);
        EXPECT_EQ(WithinTime([&] { return SinglePosition(path.c_str(), xyz, nullptr); }), 0);
        EXPECT_EQ(WithinTime([&] { return ModifyStationCoord(path.c_str(), position); }), 0);
    }
}
