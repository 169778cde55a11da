#include <gtest/gtest.h>

#include <sstream>

#include "core/gnss_time.h"
#include "core/raw_converter.h"
#include "support/epochs.h"
#include "support/scoped_tmpdir.h"
#include "support/temp_dir.h"

namespace {

using namespace kestrin;
using testsupport::MakeBlock;
using testsupport::MakeEpoch;
using testsupport::MakeSat;
using testsupport::MakeTime;
using testsupport::SimpleGps;

// A writer with open temporary files writing 3.02 records of GPS C1C.
class Pipeline : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(writer.OpenTempFiles());
        writer.info.SetDefaultObsCode(0, 0);
        writer.info.SetDefaultObsCode(1, 1);
    }

    // Epochs every `step` seconds from 12:00:00 + `start`.
    static std::vector<OBSERVATIONS> Series(int count, double step, double start = 0.0) {
        std::vector<OBSERVATIONS> out;
        for (int i = 0; i < count; ++i) {
            const double s = start + i * step;
            const int whole = static_cast<int>(s);
            GnssTime t =
                MakeTime(2021, 6, 1, 12 + whole / 3600, (whole / 60) % 60, s - 60.0 * (whole / 60));
            out.push_back(MakeEpoch(t, {SimpleGps(3)}));
        }
        return out;
    }

    // The written text as tokens: "hh mm ss.sssssss" per epoch, "EV" per event, "SITE+" and
    // "SITE-" per site record.
    static std::vector<std::string> Tokens(const std::string& text) {
        std::vector<std::string> out;
        std::istringstream in(text);
        std::string line;
        while (std::getline(in, line)) {
            if (line.empty() || line[0] != '>' || line.size() < 32) continue;
            switch (line[31]) {
                case '0':
                    out.push_back(line.substr(13, 16));
                    break;
                case '4':
                    out.push_back("EV");
                    break;
                case '3':
                    out.push_back("SITE+");
                    break;
                case '2':
                    out.push_back("SITE-");
                    break;
                default:
                    break;
            }
        }
        return out;
    }

    static EventMark Event(const GnssTime& t) {
        EventMark e;
        e.eventTime = e.placeTime = t;
        e.kind = 5;
        e.port = 1;
        e.eventNumber = 1;
        return e;
    }

    testsupport::TempDir tmp;
    testsupport::ScopedTmpdir scoped{tmp.path()};
    RawConverter writer;
};

TEST_F(Pipeline, ThinsOneSecondDataToThirtySeconds) {
    writer.options.interval = 30;
    auto epochs = Series(120, 1.0, 7.0);  // 12:00:07 .. 12:02:06
    const auto tokens = Tokens(writer.WriteEpochBlock(epochs));
    EXPECT_EQ(writer.outputInterval, 30.0);
    EXPECT_DOUBLE_EQ(writer.tolerance, 0.1);
    EXPECT_EQ(tokens, (std::vector<std::string>{"12 00 30.0000000", "12 01  0.0000000",
                                                "12 01 30.0000000", "12 02  0.0000000"}));
    EXPECT_EQ(writer.firstEpoch.second, 30.0);
    EXPECT_EQ(writer.lastEpoch.minute, 2);
    EXPECT_TRUE(epochs.empty());
}

TEST_F(Pipeline, OutputIntervalIsTheLeastCommonMultiple) {
    struct Case {
        double dataStep, requested, interval, tolerance;
    };
    const Case cases[] = {{2.0, 5.0, 10.0, 0.1},
                          {1.0, 0.0, 1.0, 0.1},
                          {0.05, 0.0, 0.05, 0.005},
                          {5.0, 1.0, 5.0, 0.1}};
    for (const Case& c : cases) {
        RawConverter w;
        ASSERT_TRUE(w.OpenTempFiles());
        w.info.SetDefaultObsCode(0, 0);
        w.options.interval = c.requested;
        auto epochs = Series(50, c.dataStep);
        const auto tokens = Tokens(w.WriteEpochBlock(epochs));
        EXPECT_NEAR(w.outputInterval, c.interval, 1e-9) << c.dataStep << " " << c.requested;
        EXPECT_NEAR(w.tolerance, c.tolerance, 1e-12);
        const double span = 49 * c.dataStep;
        EXPECT_EQ(tokens.size(), static_cast<size_t>(span / c.interval + 1e-9) + 1);
    }
}

TEST_F(Pipeline, AlignmentUsesTheSecondsOfTheMinute) {
    // 12:01:00 is on the grid of the seconds field; thinning then counts 120 s from there.
    writer.options.interval = 120;
    auto epochs = Series(300, 1.0, 7.0);  // 12:00:07 .. 12:05:06
    const auto tokens = Tokens(writer.WriteEpochBlock(epochs));
    EXPECT_EQ(tokens, (std::vector<std::string>{"12 01  0.0000000", "12 03  0.0000000",
                                                "12 05  0.0000000"}));
    EXPECT_EQ(writer.options.interval, 120.0);
}

TEST_F(Pipeline, OffGridDataStartsAtTheFirstEpoch) {
    writer.options.interval = 1;
    auto epochs = Series(10, 1.0, 0.5);
    const auto tokens = Tokens(writer.WriteEpochBlock(epochs));
    ASSERT_EQ(tokens.size(), 10u);
    EXPECT_EQ(tokens[0], "12 00  0.5000000");
    EXPECT_EQ(writer.firstEpoch.second, 0.5);
}

TEST_F(Pipeline, EpochsGoingBackAreDroppedButEventEpochsAreKept) {
    writer.options.interval = 10;
    auto epochs = Series(3, 10.0);             // 00, 10, 20
    epochs.push_back(Series(1, 1.0, 5.0)[0]);  // back in time
    OBSERVATIONS flagged = Series(1, 1.0, 25.0)[0];
    flagged.epochFlag = 5;  // off the 10 s grid, written anyway
    epochs.push_back(flagged);
    epochs.push_back(Series(1, 1.0, 30.0)[0]);
    const auto tokens = Tokens(writer.WriteEpochBlock(epochs));
    EXPECT_EQ(tokens,
              (std::vector<std::string>{"12 00  0.0000000", "12 00 10.0000000", "12 00 20.0000000",
                                        "12 00 25.0000000", "12 00 30.0000000"}));
}

TEST_F(Pipeline, EventsFollowTheirEpoch) {
    auto epochs = Series(4, 1.0);
    EventMark early = Event(MakeTime(2021, 6, 1, 12, 0, 0));
    early.placeTime.Init();  // placed before everything
    writer.events = {early, Event(MakeTime(2021, 6, 1, 12, 0, 1)),
                     Event(MakeTime(2021, 6, 1, 12, 0, 1.5)),
                     Event(MakeTime(2021, 6, 1, 12, 0, 9))};
    const auto tokens = Tokens(writer.WriteEpochBlock(epochs));
    EXPECT_EQ(tokens, (std::vector<std::string>{"EV", "12 00  0.0000000", "12 00  1.0000000", "EV",
                                                "12 00  2.0000000", "EV", "12 00  3.0000000"}));
    // The event after the last epoch waits for the next block...
    ASSERT_EQ(writer.events.size(), 1u);
    // ...and is written at the end of the data.
    std::vector<OBSERVATIONS> none;
    EXPECT_EQ(Tokens(writer.WriteEpochBlock(none, true)), (std::vector<std::string>{"EV"}));
    EXPECT_TRUE(writer.events.empty());
}

TEST_F(Pipeline, FilteredOutEpochStillCarriesItsEvent) {
    writer.options.systemMask = 1;
    auto epochs = Series(3, 1.0);
    epochs[1].sats = {MakeSat(kSysGlonass, 4, {MakeBlock(1, 2e7, 1e8, 1, 40)})};
    writer.events = {Event(epochs[1].time)};
    const auto tokens = Tokens(writer.WriteEpochBlock(epochs));
    EXPECT_EQ(tokens, (std::vector<std::string>{"12 00  0.0000000", "EV", "12 00  2.0000000"}));
}

TEST_F(Pipeline, SingleFrequencyKeepsBandOne) {
    writer.options.singleFrequency = 1;
    writer.info.SetDefaultObsCode(0, 11);
    auto epochs = Series(2, 1.0);
    epochs[0].sats = {MakeSat(kSysGps, 3, {MakeBlock(11, 2e7, 1e8, 1, 40)})};  // L2 only
    epochs[1].sats = {
        MakeSat(kSysGps, 3, {MakeBlock(0, 2e7, 1e8, 1, 40), MakeBlock(11, 2e7, 1e8, 1, 40)})};
    const auto tokens = Tokens(writer.WriteEpochBlock(epochs));
    EXPECT_EQ(tokens, (std::vector<std::string>{"12 00  1.0000000"}));
    EXPECT_EQ(writer.codesInUse[0], (std::vector<std::string>{"C1C"}));
}

TEST_F(Pipeline, SiteSegmentsFrameTheirEpochs) {
    auto epochs = Series(12, 1.0);
    AfterTreatment seg;
    seg.markerName = "P1";
    seg.startEpoch = 3;
    seg.endEpoch = 9;
    writer.segments = {seg};
    const auto tokens = Tokens(writer.WriteEpochBlock(epochs));
    ASSERT_EQ(tokens.size(), 14u);
    EXPECT_EQ(tokens[3], "SITE+");
    EXPECT_EQ(tokens[4], "12 00  3.0000000");
    EXPECT_EQ(tokens[10], "12 00  9.0000000");
    EXPECT_EQ(tokens[11], "SITE-");
    EXPECT_TRUE(writer.segments.empty());
    EXPECT_TRUE(epochs.empty());
}

TEST_F(Pipeline, OpenSegmentHoldsBackItsEpochs) {
    auto epochs = Series(10, 1.0);
    AfterTreatment seg;
    seg.startEpoch = 4;
    writer.segments = {seg};
    auto tokens = Tokens(writer.WriteEpochBlock(epochs));
    EXPECT_EQ(tokens.size(), 4u);
    ASSERT_EQ(epochs.size(), 6u);
    EXPECT_EQ(epochs[0].time.second, 4.0);
    EXPECT_EQ(writer.segments[0].startEpoch, 0);

    // The occupation ends at the buffer's epoch 7 (12:00:11): the held-back epochs are
    // written once, framed by the site records.
    for (auto& e : Series(3, 1.0, 10.0)) epochs.push_back(e);
    writer.segments[0].endEpoch = 7;
    tokens = Tokens(writer.WriteEpochBlock(epochs));
    ASSERT_EQ(tokens.size(), 11u);
    EXPECT_EQ(tokens[0], "SITE+");
    EXPECT_EQ(tokens[1], "12 00  4.0000000");
    EXPECT_EQ(tokens[8], "12 00 11.0000000");
    EXPECT_EQ(tokens[9], "SITE-");
    EXPECT_EQ(tokens[10], "12 00 12.0000000");
    EXPECT_EQ(writer.EpochsWritten(), 13);
}

TEST_F(Pipeline, SegmentWithoutKnownStartNeitherLosesNorRepeatsEpochs) {
    auto epochs = Series(5, 1.0);
    AfterTreatment seg;  // site data arrived before any start record
    writer.segments = {seg};
    auto tokens = Tokens(writer.WriteEpochBlock(epochs));
    EXPECT_EQ(tokens.size(), 5u);
    EXPECT_TRUE(epochs.empty());
    EXPECT_EQ(writer.segments[0].startEpoch, -1);
    for (auto& e : Series(3, 1.0, 5.0)) epochs.push_back(e);
    tokens = Tokens(writer.WriteEpochBlock(epochs));
    EXPECT_EQ(tokens, (std::vector<std::string>{"12 00  5.0000000", "12 00  6.0000000",
                                                "12 00  7.0000000"}));
}

TEST_F(Pipeline, LastBlockWritesAnOccupationThatNeverEnded) {
    auto epochs = Series(6, 1.0);
    AfterTreatment seg;
    seg.startEpoch = 2;
    writer.segments = {seg};
    EXPECT_EQ(Tokens(writer.WriteEpochBlock(epochs)).size(), 2u);
    EXPECT_EQ(epochs.size(), 4u);
    const auto tokens = Tokens(writer.WriteEpochBlock(epochs, true));
    EXPECT_EQ(tokens, (std::vector<std::string>{"SITE+", "12 00  2.0000000", "12 00  3.0000000",
                                                "12 00  4.0000000", "12 00  5.0000000"}));
    EXPECT_TRUE(epochs.empty());
}

TEST_F(Pipeline, AnOccupationHeldBackTooLongIsStartedAndStreamed) {
    auto epochs = Series(static_cast<int>(kMaxHeldEpochs) + 10, 1.0);
    AfterTreatment seg;
    seg.startEpoch = 5;
    writer.segments = {seg};
    auto tokens = Tokens(writer.WriteEpochBlock(epochs));
    // Everything but the newest epoch is written, the occupation started at its epoch.
    ASSERT_EQ(tokens.size(), kMaxHeldEpochs + 10);
    EXPECT_EQ(tokens[5], "SITE+");
    ASSERT_EQ(epochs.size(), 1u);
    EXPECT_EQ(writer.segments[0].startEpoch, kOccupationStarted);

    // More epochs while the occupation runs: the newest one stays buffered.
    for (auto& e : Series(3, 1.0, kMaxHeldEpochs + 10.0)) epochs.push_back(e);
    EXPECT_EQ(Tokens(writer.WriteEpochBlock(epochs)).size(), 3u);
    ASSERT_EQ(epochs.size(), 1u);
    // The end record refers to that newest epoch: the end text follows it.
    epochs.push_back(Series(1, 1.0, kMaxHeldEpochs + 13.0)[0]);
    writer.segments[0].endEpoch = 0;
    tokens = Tokens(writer.WriteEpochBlock(epochs));
    ASSERT_EQ(tokens.size(), 3u);
    EXPECT_EQ(tokens[1], "SITE-");
    EXPECT_TRUE(writer.segments.empty());
    EXPECT_TRUE(epochs.empty());
    EXPECT_EQ(writer.EpochsWritten(), static_cast<long>(kMaxHeldEpochs) + 14);
}

TEST_F(Pipeline, ImplausibleEpochsAreSkippedWithoutShiftingSegments) {
    auto epochs = Series(6, 1.0);
    epochs[1].time.year = 1980;
    epochs[2].sats.clear();
    AfterTreatment seg;
    seg.startEpoch = 3;
    seg.endEpoch = 4;
    writer.segments = {seg};
    const auto tokens = Tokens(writer.WriteEpochBlock(epochs));
    EXPECT_EQ(tokens, (std::vector<std::string>{"12 00  0.0000000", "SITE+", "12 00  3.0000000",
                                                "12 00  4.0000000", "SITE-", "12 00  5.0000000"}));
}

TEST_F(Pipeline, IntervalDetection) {
    // Falling or repeated times are no spacing; the most frequent spacing wins, ties go to
    // the first seen; a block without any spacing counts as 1 s.
    auto falling = Series(5, -2.0, 100.0);
    EXPECT_EQ(writer.DetectInterval(falling), 1.0);
    auto repeated = Series(5, 0.0);
    EXPECT_EQ(writer.DetectInterval(repeated), 1.0);
    auto one = Series(1, 1.0);
    EXPECT_EQ(writer.DetectInterval(one), 1.0);
    auto mixed = Series(3, 5.0);                              // 0, 5, 10
    for (auto& e : Series(3, 2.0, 12.0)) mixed.push_back(e);  // 12, 14, 16
    EXPECT_EQ(writer.DetectInterval(mixed), 2.0);             // 2 s three times, 5 s twice
    auto tie = Series(2, 5.0);
    for (auto& e : Series(2, 2.0, 7.0)) tie.push_back(e);  // 5, 2, 2 -> 2 wins
    EXPECT_EQ(writer.DetectInterval(tie), 2.0);
    auto tie2 = Series(3, 5.0);                              // 5, 5
    for (auto& e : Series(2, 2.0, 12.0)) tie2.push_back(e);  // 2, 2 -> tie, 5 first
    EXPECT_EQ(writer.DetectInterval(tie2), 5.0);
}

TEST_F(Pipeline, SatellitesAreSortedExceptInBrevak210) {
    auto epochs = Series(1, 1.0);
    epochs[0].sats = {SimpleGps(9), MakeSat(kSysGlonass, 2, {MakeBlock(1, 2e7, 1e8, 1, 40)}),
                      SimpleGps(4)};
    auto copy = epochs;
    std::string text = writer.WriteEpochBlock(epochs);
    EXPECT_NE(text.find("\nG04"), std::string::npos);
    EXPECT_LT(text.find("\nG04"), text.find("\nG09"));
    EXPECT_LT(text.find("\nG09"), text.find("\nR02"));

    RawConverter brevak;
    ASSERT_TRUE(brevak.OpenTempFiles());
    brevak.options.rinex3 = 0;
    brevak.options.brevak = 1;
    brevak.info = writer.info;
    text = brevak.WriteEpochBlock(copy);
    EXPECT_NE(text.find("G 9R 2G 4"), std::string::npos);
}

TEST_F(Pipeline, BlockTextIsAppendedToTheObservationFile) {
    auto epochs = Series(3, 1.0);
    const std::string text = writer.WriteEpochBlock(epochs);
    EXPECT_EQ(writer.TempFileSize(kTempObs), static_cast<long>(text.size()));
}

}  // namespace
