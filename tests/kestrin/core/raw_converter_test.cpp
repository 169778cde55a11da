#include "core/raw_converter.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "support/epochs.h"
#include "support/scoped_tmpdir.h"
#include "support/temp_dir.h"

namespace {

using namespace kestrin;
using testsupport::MakeEpoch;
using testsupport::MakeTime;
using testsupport::SimpleGps;

using testsupport::ScopedTmpdir;

TEST(RawConverterTempFiles, LiveInAPrivateFolderThatIsRemovedAgain) {
    testsupport::TempDir tmp;
    ScopedTmpdir scoped(tmp.path());
    RawConverter w;
    w.options.fileTitle = "site.01";
    ASSERT_TRUE(w.OpenTempFiles());
    ASSERT_EQ(tmp.Entries().size(), 1u);
    const std::string folder = w.TempFolder();
    EXPECT_EQ(folder.rfind(tmp.path(), 0), 0u);
    for (int i = 0; i < kTempFileCount; ++i) {
        EXPECT_EQ(w.tempNames[i], folder + "site.01" + kTempSuffixes[i]);
        EXPECT_TRUE(std::filesystem::exists(w.tempNames[i]));
        EXPECT_NE(w.tempFiles[i], nullptr);
    }
    // Side files of the decoders live in the same folder and go with it.
    w.smsTempPath = w.TempPath("_TEMP.ems");
    std::FILE* f = std::fopen(w.smsTempPath.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::fclose(f);
    EXPECT_TRUE(w.AppendTempText(kTempObs, "abc\n"));
    EXPECT_EQ(w.TempFileSize(kTempObs), 4);

    w.CloseTempFiles();
    EXPECT_TRUE(tmp.Entries().empty());
    EXPECT_TRUE(w.smsTempPath.empty());
    EXPECT_TRUE(w.TempFolder().empty());
    w.CloseTempFiles();  // harmless a second time
}

TEST(RawConverterTempFiles, EmptyTitleAndTwoWritersDoNotShareFiles) {
    testsupport::TempDir tmp;
    ScopedTmpdir scoped(tmp.path());
    RawConverter a, b;
    ASSERT_TRUE(a.OpenTempFiles());
    ASSERT_TRUE(b.OpenTempFiles());
    EXPECT_EQ(a.tempNames[kTempObs], a.TempFolder() + "_TEMP.O");
    EXPECT_NE(a.TempFolder(), b.TempFolder());
    a.CloseTempFiles();
    EXPECT_EQ(tmp.Entries().size(), 1u);
    b.CloseTempFiles();
    EXPECT_TRUE(tmp.Entries().empty());
}

TEST(RawConverterTempFiles, FailureLeavesNothingBehind) {
    testsupport::TempDir tmp;
    {
        // The folder cannot be created.
        ScopedTmpdir scoped(tmp.File("missing"));
        RawConverter w;
        EXPECT_FALSE(w.OpenTempFiles());
        w.CloseTempFiles();
    }
    {
        // The folder is created but a file in it cannot be.
        ScopedTmpdir scoped(tmp.path());
        RawConverter w;
        w.options.fileTitle = "no/such/folder";
        EXPECT_FALSE(w.OpenTempFiles());
        EXPECT_EQ(tmp.Entries().size(), 1u);
        w.CloseTempFiles();
        EXPECT_TRUE(tmp.Entries().empty());
    }
    {
        // The destructor cleans up too.
        ScopedTmpdir scoped(tmp.path());
        RawConverter w;
        ASSERT_TRUE(w.OpenTempFiles());
    }
    EXPECT_TRUE(tmp.Entries().empty());
}

TEST(RawConverterTempFiles, OpeningResetsThePerConversionState) {
    testsupport::TempDir tmp;
    ScopedTmpdir scoped(tmp.path());
    RawConverter w;
    w.firstBlockDone = 1;
    w.leapSeconds = 18;
    w.detectedInterval = w.outputInterval = 30;
    w.firstEpoch = MakeTime(2020, 1, 1, 0, 0, 0);
    w.lastNavEpoch[5] = w.firstEpoch;
    w.codesInUse[0] = {"C1C"};
    w.events.push_back(EventMark{});
    ASSERT_TRUE(w.OpenTempFiles());
    EXPECT_EQ(w.firstBlockDone, 0);
    EXPECT_EQ(w.leapSeconds, 0);
    EXPECT_EQ(w.outputInterval, 0.0);
    EXPECT_EQ(w.firstEpoch.year, 0);
    EXPECT_EQ(w.lastNavEpoch[5].year, 0);
    EXPECT_TRUE(w.codesInUse[0].empty());
    EXPECT_TRUE(w.events.empty());
}

std::vector<OBSERVATIONS> SecondEpochs(int count, int startSecond = 0) {
    std::vector<OBSERVATIONS> out;
    for (int i = 0; i < count; ++i) {
        const int s = startSecond + i;
        out.push_back(
            MakeEpoch(MakeTime(2021, 6, 1, s / 3600, (s / 60) % 60, s % 60), {SimpleGps(1)}));
    }
    return out;
}

TEST(RawConverterFlush, FirstBlockAt501ThenEvery31) {
    testsupport::TempDir tmp;
    ScopedTmpdir scoped(tmp.path());
    RawConverter w;
    ASSERT_TRUE(w.OpenTempFiles());
    HeaderInfo info;
    info.SetDefaultObsCode(0, 0);
    AfterTreatment segment;

    std::vector<OBSERVATIONS> epochs = SecondEpochs(500);
    w.FlushEpochs(info, segment, epochs);
    EXPECT_EQ(epochs.size(), 500u);
    EXPECT_EQ(w.firstBlockDone, 0);
    auto more = SecondEpochs(1, 500);
    epochs.push_back(more[0]);
    w.FlushEpochs(info, segment, epochs);
    EXPECT_TRUE(epochs.empty());
    EXPECT_EQ(w.firstBlockDone, 1);
    EXPECT_EQ(w.EpochsWritten(), 501);
    EXPECT_EQ(w.info.obsCodes[0][0], "C1C");  // the writer took the decoder's header

    epochs = SecondEpochs(30, 501);
    w.FlushEpochs(info, segment, epochs);
    EXPECT_EQ(epochs.size(), 30u);
    epochs.push_back(SecondEpochs(1, 531)[0]);
    w.FlushEpochs(info, segment, epochs);
    EXPECT_TRUE(epochs.empty());
    EXPECT_EQ(w.EpochsWritten(), 532);
}

TEST(RawConverterFlush, AJustEndedSegmentWaitsForMoreThan500Epochs) {
    testsupport::TempDir tmp;
    ScopedTmpdir scoped(tmp.path());
    RawConverter w;
    ASSERT_TRUE(w.OpenTempFiles());
    w.firstBlockDone = 1;
    HeaderInfo info;
    AfterTreatment segment;
    segment.startEpoch = 0;
    segment.endEpoch = 10;
    std::vector<OBSERVATIONS> epochs = SecondEpochs(500);
    w.FlushEpochs(info, segment, epochs);
    EXPECT_EQ(epochs.size(), 500u);
    EXPECT_EQ(segment.endEpoch, 10);
    epochs.push_back(SecondEpochs(1, 500)[0]);
    w.FlushEpochs(info, segment, epochs);
    EXPECT_TRUE(epochs.empty());
    EXPECT_EQ(segment.startEpoch, -1);
    EXPECT_EQ(segment.endEpoch, -1);
}

}  // namespace
