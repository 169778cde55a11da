#include "rinex/output_names.h"

#include <gtest/gtest.h>

#include "support/epochs.h"

using namespace kestrin;
using testsupport::CalendarTime;

namespace {

TEST(OutputNames, TitleAndJoin) {
    EXPECT_EQ(FileTitle("/data/site.01.dat"), "site.01");
    EXPECT_EQ(FileTitle("C:\\raw\\ab01.sth"), "ab01");
    EXPECT_EQ(FileTitle("plain"), "plain");
    EXPECT_EQ(FileTitle("/data/.hidden"), "");
    EXPECT_EQ(FileTitle("/data.d/noext"), "noext");
    EXPECT_EQ(JoinPath("/out/", "ab01"), "/out/ab01");
    EXPECT_EQ(JoinPath("/out", "ab01"), "/out/ab01");
    EXPECT_EQ(JoinPath("out\\", "ab01"), "out/ab01");
    EXPECT_EQ(JoinPath("", "ab01"), "ab01");
}

TEST(OutputNames, NineCharBaseCutsOrPads) {
    EXPECT_EQ(NineCharBase("/out/ab01"), "/out/ab0100000");
    EXPECT_EQ(NineCharBase("/out/abcdefghijkl"), "/out/defghijkl");
    EXPECT_EQ(NineCharBase("/out/abcdefghi"), "/out/abcdefghi");
    EXPECT_EQ(NineCharBase("ab"), "ab0000000");
}

TEST(OutputNames, DurationAndIntervalTexts) {
    struct Case {
        double seconds;
        const char* text;
    };
    const Case durations[] = {
        {86370.0, "01D"}, {43201.0, "01D"}, {43200.0, "12H"},     {1801.0, "01H"}, {1800.0, "30M"},
        {600.0, "15M"},   {451.0, "15M"},   {450.0, "08M"},       {400.0, "07M"},  {10.0, "01M"},
        {0.0, "01M"},     {-30.0, "01M"},   {5.0 * 86400, "05D"},
    };
    for (const Case& c : durations) EXPECT_EQ(DurationText(c.seconds), c.text) << c.seconds;
    const Case intervals[] = {
        {0.2, "05Z"},  {0.1, "10Z"},  {0.5, "02Z"}, {1.0, "01S"},  {0.99, "01S"},
        {30.0, "30S"}, {15.4, "15S"}, {0.0, "00U"}, {-1.0, "00U"},
    };
    for (const Case& c : intervals) EXPECT_EQ(IntervalText(c.seconds), c.text) << c.seconds;
}

TEST(OutputNames, LongNamesOfADaySession) {
    const GnssTime first = CalendarTime(2016, 3, 5, 0, 0, 0.0);
    GnssTime last = first;
    // week / sow carry the span: 24 hours of 30 s data end at 23:59:30.
    last.sow = 86370.0;
    const LongNames mixed = MakeLongNames("/out/ab01", first, last, 30.0, 3);
    EXPECT_EQ(mixed.obs, "/out/ab0100000_R_20160650000_01D_30S_MO.rnx");
    EXPECT_EQ(mixed.nav, "/out/ab0100000_R_20160650000_01D_MN.rnx");
    const LongNames gps = MakeLongNames("/out/ab01", first, last, 30.0, 1);
    EXPECT_EQ(gps.obs, "/out/ab0100000_R_20160650000_01D_30S_GO.rnx");
    EXPECT_EQ(gps.nav, "/out/ab0100000_R_20160650000_01D_GN.rnx");
}

TEST(OutputNames, ShortNames) {
    EXPECT_EQ(ShortObsName("/out/ab01", 16), "/out/ab01.16O");
    EXPECT_EQ(ShortObsName("/out/ab01", 0), "/out/ab01.00O");
    const char* const expected[] = {"/out/ab01.16N", "/out/ab01.16G", "/out/ab01.16C",
                                    "/out/ab01.16H", "/out/ab01.16Q", "/out/ab01.16L"};
    for (int s = 0; s < kSystemCount; ++s) {
        EXPECT_EQ(ShortNavName("/out/ab01", 16, s, false), expected[s]);
    }
    EXPECT_EQ(ShortNavName("/out/ab01", 16, 2, true), "/out/ab01.16F");
    EXPECT_EQ(ShortNavName("/out/ab01", 16, 0, true), "/out/ab01.16N");
    EXPECT_EQ(ShortNavName("/out/ab01", 16, 6, false), "");
    EXPECT_EQ(EmsName("/out/ab01"), "/out/ab01.EMS");
    EXPECT_EQ(AlmanacName("/out/ab01"), "/out/ab01.ALM");
}

TEST(OutputNames, YearOverride) {
    int32_t override1999 = 1999;
    EXPECT_EQ(ShortNameYear(&override1999, 2016), 99);
    EXPECT_EQ(ShortNameYear(nullptr, 2016), 16);
    int32_t negative = -2005;
    EXPECT_EQ(ShortNameYear(&negative, 2016), 5);
    EXPECT_EQ(ShortObsName("/out/ab01", ShortNameYear(&override1999, 2016)), "/out/ab01.99O");
}

}  // namespace
