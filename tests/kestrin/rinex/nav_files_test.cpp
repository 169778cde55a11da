#include "rinex/nav_files.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <new>
#include <string>
#include <vector>

#include "rinex/final_file.h"
#include "support/temp_dir.h"

using namespace kestrin;
using testsupport::ReadFile;
using testsupport::TempDir;

namespace {

TEST(FinalFile, AppearsOnlyAfterCommit) {
    TempDir dir;
    const std::string path = dir.File("a.16N");
    {
        FinalFile out(path);
        ASSERT_TRUE(out.ok());
        EXPECT_TRUE(out.Write("one\ntwo\n", true));
        EXPECT_EQ(dir.Entries().size(), 1u);
        EXPECT_EQ(ReadFile(path), "");  // only the temporary file exists so far
        EXPECT_TRUE(out.Commit());
    }
    EXPECT_EQ(ReadFile(path), "one\r\ntwo\r\n");
    EXPECT_EQ(dir.Entries(), std::vector<std::string>{"a.16N"});
}

TEST(FinalFile, UncommittedFileLeavesNothingAndKeepsTheOldFile) {
    TempDir dir;
    const std::string path = dir.Write("a.16N", "old");
    {
        FinalFile out(path);
        ASSERT_TRUE(out.ok());
        out.Write("new", false);
    }
    EXPECT_EQ(ReadFile(path), "old");
    EXPECT_EQ(dir.Entries(), std::vector<std::string>{"a.16N"});
}

TEST(FinalFile, CommitReplacesAnExistingFile) {
    TempDir dir;
    const std::string path = dir.Write("a.16N", "old content that is longer");
    FinalFile out(path);
    out.Write("new", false);
    ASSERT_TRUE(out.Commit());
    EXPECT_EQ(ReadFile(path), "new");
}

TEST(FinalFile, NamesNearTheLengthLimitStillWork) {
    TempDir dir;
    const std::string name = std::string(250, 'n') + ".16N";
    FinalFile out(dir.File(name));
    ASSERT_TRUE(out.ok());
    out.Write("x", false);
    ASSERT_TRUE(out.Commit());
    EXPECT_EQ(dir.Entries(), std::vector<std::string>{name});
}

TEST(FinalFile, MissingFolderFails) {
    TempDir dir;
    FinalFile out(dir.File("missing/a.16N"));
    EXPECT_FALSE(out.ok());
    EXPECT_FALSE(out.Write("x", false));
    EXPECT_FALSE(out.Commit());
    EXPECT_TRUE(dir.Entries().empty());
}

TEST(NavFiles, HeaderAndBodyWithCrLf) {
    TempDir dir;
    const std::string body = dir.Write("body", "rec1\nrec2\n");
    EXPECT_EQ(WriteHeaderAndBody(dir.File("x.16N"), "H1\nEND\n", body), 1);
    EXPECT_EQ(ReadFile(dir.File("x.16N")), "H1\r\nEND\r\nrec1\r\nrec2\r\n");
    EXPECT_EQ(WriteHeaderAndBody(dir.File("x.EMS"), "", body, false), 1);
    EXPECT_EQ(ReadFile(dir.File("x.EMS")), "rec1\nrec2\n");
}

TEST(NavFiles, EmptyOrMissingBodyLeavesNoFile) {
    TempDir dir;
    const std::string body = dir.Write("body", "");
    dir.Write("x.16N", "from an earlier run");
    EXPECT_EQ(WriteHeaderAndBody(dir.File("x.16N"), "H1\n", body), 0);
    EXPECT_EQ(WriteHeaderAndBody(dir.File("x.ALM"), "H1\n", dir.File("missing")), 0);
    EXPECT_EQ(WriteHeaderAndBody(dir.File("x.EMS"), "", ""), 0);
    EXPECT_EQ(dir.Entries(), std::vector<std::string>{"body"});
}

TEST(NavFiles, LongBodiesAreCopiedInPieces) {
    TempDir dir;
    std::string records;
    for (int i = 0; i < 5000; ++i) records += std::string(80, 'a' + i % 26) + "\n";
    const std::string body = dir.Write("body", records);
    ASSERT_EQ(WriteHeaderAndBody(dir.File("x.16G"), "H\n", body), 1);
    const std::string out = ReadFile(dir.File("x.16G"));
    EXPECT_EQ(out.size(), 3 + records.size() + 5000);
    EXPECT_EQ(out.substr(out.size() - 82), std::string(80, 'a' + 4999 % 26) + "\r\n");
}

}  // namespace

namespace {

TEST(FinalFile, WriteBesideRenamesOnlyASuccessfulWrite) {
    TempDir dir;
    const std::string path = dir.Write("x.16O", "old");
    std::string seen;
    EXPECT_FALSE(WriteBeside(path, [&](const std::string& temp) {
        seen = temp;
        FILE* f = std::fopen(temp.c_str(), "wb");
        std::fputs("half", f);
        std::fclose(f);
        return false;
    }));
    EXPECT_EQ(ReadFile(path), "old");
    EXPECT_EQ(dir.Entries(), std::vector<std::string>{"x.16O"});
    EXPECT_EQ(seen.substr(0, dir.path().size() + 1), dir.path() + "/");
    EXPECT_TRUE(WriteBeside(path, [&](const std::string& temp) {
        FILE* f = std::fopen(temp.c_str(), "wb");
        std::fputs("new", f);
        return std::fclose(f) == 0;
    }));
    EXPECT_EQ(ReadFile(path), "new");
    EXPECT_EQ(dir.Entries(), std::vector<std::string>{"x.16O"});
    EXPECT_FALSE(WriteBeside(dir.File("missing/x.16O"), [](const std::string&) { return true; }));
    // A writer that runs out of memory half way leaves no temporary file either.
    EXPECT_THROW(WriteBeside(path,
                             [](const std::string& temp) -> bool {
                                 FILE* f = std::fopen(temp.c_str(), "wb");
                                 std::fputs("half", f);
                                 std::fclose(f);
                                 throw std::bad_alloc();
                             }),
                 std::bad_alloc);
    EXPECT_EQ(ReadFile(path), "new");
    EXPECT_EQ(dir.Entries(), std::vector<std::string>{"x.16O"});
}

}  // namespace

// A set whose second file cannot be renamed into place (its temporary file vanished) puts
// the first one's earlier file back: the folder holds exactly what it held before.
TEST(OutputSet, FailedRenameRestoresTheFilesAlreadyReplaced) {
    TempDir dir;
    dir.Write("a.16O", "old observations");
    dir.Write("a.16G", "old GLONASS navigation");
    OutputSet set;
    FinalFile& obs = set.Add(dir.File("a.16O"));
    FinalFile& fresh = set.Add(dir.File("a.16P"));  // a new name
    FinalFile& nav = set.Add(dir.File("a.16N"));
    set.RemoveOnPublish(dir.File("a.16G"));
    ASSERT_TRUE(obs.Write("new observations", false));
    ASSERT_TRUE(fresh.Write("new file", false));
    ASSERT_TRUE(nav.Write("new navigation", false));
    ASSERT_EQ(::unlink(nav.tempPath().c_str()), 0);

    std::vector<std::string> published;
    EXPECT_FALSE(set.Publish([&](const std::string& p) { published.push_back(p); }));
    EXPECT_EQ(set.error(), ENOENT);
    EXPECT_TRUE(published.empty());
    EXPECT_EQ(dir.Entries(), (std::vector<std::string>{"a.16G", "a.16O"}));
    EXPECT_EQ(ReadFile(dir.File("a.16O")), "old observations");
    EXPECT_EQ(ReadFile(dir.File("a.16G")), "old GLONASS navigation");
}

TEST(OutputSet, PublishedSetLeavesNoKeptFiles) {
    TempDir dir;
    dir.Write("a.16O", "old observations");
    OutputSet set;
    ASSERT_TRUE(set.Add(dir.File("a.16O")).Write("new observations", false));
    ASSERT_TRUE(set.Add(dir.File("a.16N")).Write("new navigation", false));
    EXPECT_TRUE(set.Publish(nullptr));
    EXPECT_EQ(dir.Entries(), (std::vector<std::string>{"a.16N", "a.16O"}));
    EXPECT_EQ(ReadFile(dir.File("a.16O")), "new observations");
}
