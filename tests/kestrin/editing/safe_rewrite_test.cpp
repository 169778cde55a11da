// Edits that replace a RINEX file: they change only what they may, respect the file's
// protection and owner, and follow each other when two run on one file at a time.
#include "editing/safe_rewrite.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "editing/slip_detection.h"
#include "kestrin/kestrin.h"
#include "support/temp_dir.h"

namespace {

using testsupport::ReadFile;
using testsupport::TempDir;

constexpr uid_t kNobody = 65534;

// The real RINEX 2 file with 7 more L1 cycles on G07 from 00:32:00 on, and the offset of the
// loss-of-lock digit that the slip marks.
struct SlippedFile {
    std::string text;
    size_t l1Digit = 0;
};

SlippedFile Slipped() {
    SlippedFile f;
    f.text = ReadFile(std::string(TOLLMERE_TEST_DATA) + "/rinex/07590920.05o");
    size_t epochStart = f.text.find(" 05  4  2  0 32  0.00");
    while (epochStart != std::string::npos && epochStart < f.text.size()) {
        const size_t lineEnd = f.text.find('\n', epochStart);
        if (lineEnd == std::string::npos) break;
        const int count = std::atoi(f.text.substr(epochStart + 29, 3).c_str());
        size_t line = lineEnd + 1;
        for (int k = 0; k < count; ++k) {
            if (f.text.substr(epochStart + 32 + 3 * static_cast<size_t>(k), 3) == "G 7") {
                if (f.l1Digit == 0) f.l1Digit = line + 14;
                const double value = std::strtod(f.text.substr(line, 14).c_str(), nullptr);
                char field[32];
                std::snprintf(field, sizeof field, "%14.3f", value + 7.0);
                f.text.replace(line, 14, field);
            }
            line = f.text.find('\n', line) + 1;
        }
        epochStart = line;
    }
    return f;
}

// Runs `edit` in a child process as user nobody when the tests run as root (so that file
// protection applies), else in a child as the caller; its result.
int RunAsOtherUser(const std::function<int()>& edit) {
    const pid_t pid = fork();
    if (pid == 0) {
        if (geteuid() == 0 && (setgid(kNobody) != 0 || setuid(kNobody) != 0)) _exit(99);
        _exit(edit());
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 98;
}

int Slips(const std::string& path) {
    return DetectSlp(path.c_str(), nullptr);
}

int Antenna(const std::string& path) {
    return WriteAntInfo(path.c_str(), "CONC", 1, 1.234, 0.0, 0.0, 0.0, 0.0);
}

}  // namespace

// A slip mark that would land on anything but a loss-of-lock digit place refuses the whole
// file: nothing in it changes and the edit fails.
TEST(SafeRewrite, SlipMarksNeverChangeOtherCharacters) {
    const SlippedFile base = Slipped();
    ASSERT_NE(base.l1Digit, 0u);
    struct Case {
        const char* name;
        std::function<void(std::string&, size_t)> mutate;
    };
    const Case cases[] = {
        {"a point", [](std::string& t, size_t at) { t[at] = '.'; }},
        {"a minus sign", [](std::string& t, size_t at) { t[at] = '-'; }},
        {"an exponent letter", [](std::string& t, size_t at) { t[at] = 'D'; }},
        {"a letter", [](std::string& t, size_t at) { t[at] = 'T'; }},
    };
    TempDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string text = base.text;
        c.mutate(text, base.l1Digit);
        const std::string path = dir.Write("mut00920.05o", text);
        EXPECT_EQ(Slips(path), 0);
        EXPECT_TRUE(ReadFile(path) == text);
        EXPECT_EQ(dir.Entries().size(), 1u);
    }
    // The file as it is gets its mark, and the change passes the library's own check.
    const std::string path = dir.Write("ok000920.05o", base.text);
    ASSERT_EQ(Slips(path), 1);
    const std::string marked = ReadFile(path);
    EXPECT_EQ(marked[base.l1Digit], '1');
    EXPECT_TRUE(kestrin::OnlyLliDigitsChanged(base.text, marked));
    EXPECT_FALSE(kestrin::OnlyLliDigitsChanged(base.text, base.text.substr(1)));
    std::string other = base.text;
    other[base.l1Digit - 3] = '9';
    EXPECT_FALSE(kestrin::OnlyLliDigitsChanged(base.text, other));
}

// Rewrites are refused on files the caller may not write (a read-only file of the caller's,
// a file of another user in a folder open to all), and keep mode and owner otherwise.
TEST(SafeRewrite, RewritesRespectTheFileProtection) {
    const SlippedFile base = Slipped();
    TempDir dir;
    ASSERT_EQ(::chmod(dir.path().c_str(), 01777 & ~01000), 0);  // everyone may add files
    struct Case {
        const char* name;
        int (*edit)(const std::string&);
    };
    for (const Case& c : {Case{"slip marks", Slips}, Case{"antenna", Antenna}}) {
        SCOPED_TRACE(c.name);
        // Read-only for its owner, the editing user.
        const std::string readOnly = dir.Write("ro000920.05o", base.text);
        if (geteuid() == 0) {
            ASSERT_EQ(::chown(readOnly.c_str(), kNobody, kNobody), 0);
        }
        ASSERT_EQ(::chmod(readOnly.c_str(), 0444), 0);
        EXPECT_EQ(RunAsOtherUser([&] { return c.edit(readOnly); }), 0);
        EXPECT_TRUE(ReadFile(readOnly) == base.text);
        if (geteuid() == 0) {
            // Root's file, readable by all, in the folder open to all.
            const std::string foreign = dir.Write("fo000920.05o", base.text);
            ASSERT_EQ(::chmod(foreign.c_str(), 0644), 0);
            EXPECT_EQ(RunAsOtherUser([&] { return c.edit(foreign); }), 0);
            struct stat st {};
            ASSERT_EQ(::stat(foreign.c_str(), &st), 0);
            EXPECT_EQ(st.st_uid, 0u);
            EXPECT_TRUE(ReadFile(foreign) == base.text);
            ::unlink(foreign.c_str());
        }
        ::unlink(readOnly.c_str());
        EXPECT_TRUE(dir.Entries().empty());

        // A file the caller may write keeps its mode (and, for root, another owner).
        const std::string own = dir.Write("ow000920.05o", base.text);
        ASSERT_EQ(::chmod(own.c_str(), 0640), 0);
        if (geteuid() == 0) {
            ASSERT_EQ(::chown(own.c_str(), kNobody, kNobody), 0);
        }
        EXPECT_EQ(c.edit(own), 1);
        EXPECT_NE(ReadFile(own), base.text);
        struct stat st {};
        ASSERT_EQ(::stat(own.c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 07777, 0640u);
        if (geteuid() == 0) {
            EXPECT_EQ(st.st_uid, kNobody);
        }
        ::unlink(own.c_str());
    }
}

// Two edits of one file at the same time both land: the result is the one of running them
// one after the other.
TEST(SafeRewrite, ConcurrentEditsOfOneFileFollowEachOther) {
    const SlippedFile base = Slipped();
    TempDir dir;
    const std::string serial = dir.Write("se000920.05o", base.text);
    ASSERT_EQ(Slips(serial), 1);
    ASSERT_EQ(Antenna(serial), 1);
    const std::string expected = ReadFile(serial);
    const std::string reversed = dir.Write("rv000920.05o", base.text);
    ASSERT_EQ(Antenna(reversed), 1);
    ASSERT_EQ(Slips(reversed), 1);
    ASSERT_TRUE(ReadFile(reversed) == expected);

    for (int round = 0; round < 6; ++round) {
        SCOPED_TRACE(round);
        const std::string path = dir.Write("cc000920.05o", base.text);
        // Both edits start while another editor (a process of its own) holds the file.
        int ready[2];
        ASSERT_EQ(pipe(ready), 0);
        const pid_t holder = fork();
        if (holder == 0) {
            const kestrin::EditLock held(path);
            const char c = held.ok() ? 'y' : 'n';
            if (write(ready[1], &c, 1) != 1) _exit(1);
            usleep(100 * 1000);
            _exit(0);
        }
        char c = 0;
        ASSERT_EQ(read(ready[0], &c, 1), 1);
        close(ready[0]);
        close(ready[1]);
        EXPECT_EQ(c, 'y');
        std::vector<pid_t> children{holder};
        for (int (*edit)(const std::string&) : {Slips, Antenna}) {
            const pid_t pid = fork();
            if (pid == 0) _exit(edit(path));
            children.push_back(pid);
        }
        for (pid_t pid : children) {
            int status = 0;
            waitpid(pid, &status, 0);
            EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == (pid == holder ? 0 : 1));
        }
        EXPECT_TRUE(ReadFile(path) == expected);
    }
}

// A FIFO or a link to a device under a file's name is refused at once, never waited on.
TEST(SafeRewrite, SpecialFilesAreRefusedWithoutWaiting) {
    TempDir dir;
    const std::string fifo = dir.File("fifo0920.05o");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
    const std::string link = dir.File("zero0920.05o");
    ASSERT_EQ(::symlink("/dev/zero", link.c_str()), 0);
    for (const std::string& path : {fifo, link}) {
        SCOPED_TRACE(path);
        EXPECT_EQ(Slips(path), 0);
        EXPECT_EQ(Antenna(path), 0);
        EXPECT_FALSE(kestrin::EditLock(path).ok());
        int year = 0, month = 0, day = 0;
        EXPECT_EQ(GetStaticHead(path.c_str(), &year, &month, &day), 0);
        EXPECT_EQ(ReadRinexFile(path.c_str(), nullptr, nullptr, nullptr), 0);
        struct stat st {};
        EXPECT_EQ(kestrin::OpenRegularFile(path, &st), nullptr);
    }
}
