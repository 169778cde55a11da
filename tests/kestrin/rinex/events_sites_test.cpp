#include "rinex/events_sites.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "core/raw_converter.h"
#include "support/epochs.h"
#include "support/text_lines.h"

namespace {

using namespace kestrin;
using testsupport::Lines;

// An in-stream site record of `type` with `payload`, CRC appended most significant byte first.
std::vector<uint8_t> SiteRecord(int type, const std::vector<uint8_t>& payload) {
    std::vector<uint8_t> r = {0xB7,
                              0x59,
                              0x00,
                              static_cast<uint8_t>(type),
                              static_cast<uint8_t>(payload.size() & 0xFF),
                              static_cast<uint8_t>(payload.size() >> 8)};
    r.insert(r.end(), payload.begin(), payload.end());
    const uint16_t crc = Crc16X25(r.data() + 2, payload.size() + 4);
    r.push_back(static_cast<uint8_t>(crc >> 8));
    r.push_back(static_cast<uint8_t>(crc & 0xFF));
    return r;
}

std::vector<uint8_t> Payload(const std::string& name, const std::string& number, int length,
                             int16_t heightMm = 0, double lat = 0, double lon = 0, double h = 0) {
    std::vector<uint8_t> p(static_cast<size_t>(length), 0);
    if (length >= 40) {
        std::memcpy(p.data(), name.data(), std::min<size_t>(name.size(), 20));
        std::memcpy(p.data() + 20, number.data(), std::min<size_t>(number.size(), 20));
    }
    if (length >= 42) {
        p[40] = static_cast<uint8_t>(heightMm & 0xFF);
        p[41] = static_cast<uint8_t>((heightMm >> 8) & 0xFF);
    }
    if (length >= 66) {
        std::memcpy(p.data() + 42, &lat, 8);
        std::memcpy(p.data() + 50, &lon, 8);
        std::memcpy(p.data() + 58, &h, 8);
    }
    return p;
}

int Parse(RawConverter& w, const std::vector<uint8_t>& record, int epochCount,
          AfterTreatment& current) {
    return w.ParseSiteRecord(record.data(), static_cast<int>(record.size()), 0, epochCount,
                             current);
}

TEST(SiteRecord, CrcIsX25) {
    const char* check = "123456789";
    EXPECT_EQ(Crc16X25(reinterpret_cast<const uint8_t*>(check), 9), 0x906E);
}

TEST(SiteRecord, IncompleteCorruptAndCompleteRecords) {
    RawConverter w;
    AfterTreatment current;
    const auto record = SiteRecord(1, Payload("PT01", "17", 40));
    EXPECT_EQ(w.ParseSiteRecord(nullptr, 100, 0, 0, current), 0);
    for (int fill : {5, 6, 20, static_cast<int>(record.size()) - 1}) {
        EXPECT_EQ(w.ParseSiteRecord(record.data(), fill, 0, 0, current), 0) << fill;
    }
    auto corrupt = record;
    corrupt[10] ^= 1;
    EXPECT_EQ(Parse(w, corrupt, 0, current), 1);
    EXPECT_TRUE(w.segments.empty());
    // A length field pointing far past the buffer is incomplete, never read.
    auto huge = record;
    huge[4] = huge[5] = 0xFF;
    EXPECT_EQ(Parse(w, huge, 0, current), 0);
    // At an offset inside a larger buffer.
    std::vector<uint8_t> buffer(7, 0xAA);
    buffer.insert(buffer.end(), record.begin(), record.end());
    EXPECT_EQ(w.ParseSiteRecord(buffer.data(), static_cast<int>(buffer.size()), 7, 0, current), 48);
    ASSERT_EQ(w.segments.size(), 1u);
    EXPECT_EQ(w.segments[0].markerName, "PT01");
    // Unknown types are consumed without effect.
    EXPECT_EQ(Parse(w, SiteRecord(9, {1, 2, 3}), 4, current), 11);
    EXPECT_EQ(w.segments.size(), 1u);
}

TEST(SiteRecord, PayloadLengthsDecideHeightAndPosition) {
    struct Case {
        int length;
        int16_t heightMm;
        bool headerPosition;
        bool ownPosition;
    };
    const Case cases[] = {{40, 1532, true, false},  // height and position from the header
                          {42, 2001, true, false},
                          {66, 1250, false, true},
                          {50, 0, false, false}};
    for (const Case& c : cases) {
        RawConverter w;
        w.info.antennaHeight = 1.5329;
        w.info.x = 1000.0;
        w.info.y = 2000.0;
        w.info.z = 3000.0;
        AfterTreatment current;
        const auto payload =
            Payload("MARK", "5", c.length, c.length == 42 ? 2001 : 1250, 45.0, 9.0, 100.0);
        EXPECT_EQ(Parse(w, SiteRecord(1, payload), 12, current), c.length + 8);
        ASSERT_EQ(w.segments.size(), 1u);
        const AfterTreatment& s = w.segments[0];
        EXPECT_EQ(s.startEpoch, 12);
        EXPECT_EQ(s.antennaHeightMm, c.heightMm) << c.length;
        if (c.headerPosition) {
            EXPECT_EQ(s.position[3], 1000.0) << c.length;
        }
        if (c.ownPosition) {
            EXPECT_EQ(s.position[0], 45.0);
            EXPECT_NEAR(s.position[3], 4462041.679, 1e-3);  // GRS 80 at 45 N, 9 E, 100 m
            EXPECT_NEAR(s.position[4], 706717.974, 1e-3);
            EXPECT_NEAR(s.position[5], 4487419.119, 1e-3);
        }
        if (!c.headerPosition && !c.ownPosition) {
            EXPECT_EQ(s.position[3], 0.0);
        }
    }
}

TEST(SiteRecord, SegmentBookkeeping) {
    RawConverter w;
    AfterTreatment current;
    const auto start = SiteRecord(1, Payload("A", "1", 40));
    const auto end = SiteRecord(2, {});
    const auto data = SiteRecord(3, Payload("B", "2", 40));
    const auto moving = SiteRecord(4, {});

    Parse(w, end, 1, current);  // nothing running: ignored
    EXPECT_TRUE(w.segments.empty());
    Parse(w, start, 3, current);
    ASSERT_EQ(w.segments.size(), 1u);
    EXPECT_EQ(w.segments[0].startEpoch, 3);
    Parse(w, data, 5, current);  // refills the running segment
    EXPECT_EQ(w.segments[0].markerName, "B");
    Parse(w, end, 10, current);  // ends at the epoch before the record
    EXPECT_EQ(w.segments[0].endEpoch, 9);
    EXPECT_EQ(current.endEpoch, 9);
    Parse(w, start, 12, current);  // a new occupation
    ASSERT_EQ(w.segments.size(), 2u);
    EXPECT_EQ(w.segments[1].startEpoch, 12);
    EXPECT_EQ(w.segments[1].endEpoch, -1);
    Parse(w, moving, 15, current);
    EXPECT_EQ(w.segments[1].moving, 1u);
    EXPECT_EQ(w.segments[1].endEpoch, 14);

    // Site data before any start record: the segment's start stays unknown until the start.
    RawConverter v;
    AfterTreatment cur;
    Parse(v, data, 2, cur);
    ASSERT_EQ(v.segments.size(), 1u);
    EXPECT_EQ(v.segments[0].startEpoch, -1);
    Parse(v, start, 6, cur);
    EXPECT_EQ(v.segments[0].startEpoch, 6);
    EXPECT_EQ(cur.startEpoch, 6);
}

TEST(SiteAndEventTexts, AreByteExact) {
    RawConverter w;
    w.info.antennaType = "ANT-XY";
    w.info.antennaNumber = 2;
    w.info.antennaHeight = 1.234;
    AfterTreatment seg;
    seg.markerName = "PT01";
    seg.markerNumber = "0042x";
    seg.antennaHeightMm = 1500;
    seg.position = {0, 0, 0, 4000000.5, 500000.25, 4900000.125};
    EventMark ev;
    ev.kind = 5;
    ev.port = 1;
    ev.eventNumber = 17;
    ev.eventTime = testsupport::MakeTime(2021, 6, 1, 12, 0, 1.25);

    w.options.rinex3 = 1;
    EXPECT_EQ(
        Lines(w.FormatSiteOccupation(seg, 1)),
        (std::vector<std::string>{
            ">                              3  5",
            "PT01                                                        MARKER NAME         ",
            "42                                                          MARKER NUMBER       ",
            "ANT-XY                                                      MARKER TYPE         ",
            "        1.5000        0.0000        0.0000                  ANTENNA: DELTA H/E/N",
            "  4000000.5000   500000.2500  4900000.1250                  APPROX POSITION XYZ ",
        }));
    EXPECT_EQ(
        Lines(w.FormatSiteOccupation(seg, 2)),
        (std::vector<std::string>{
            ">                              2  1",
            "        1.2340        0.0000        0.0000                  ANTENNA: DELTA H/E/N",
        }));
    EXPECT_EQ(
        Lines(w.FormatEventRecord(ev)),
        (std::vector<std::string>{
            ">                              4  1",
            "              *** EXTERNAL EVENT #     17 ***  PORT # 1     COMMENT             ",
            "> 2021 06 01 12 00  1.2500000  5  0",
        }));

    w.options.rinex3 = 0;
    const std::string phaseComment =
        "L1phaoff    0.0781   L2phaoff    0.0821                     COMMENT             ";
    EXPECT_EQ(
        Lines(w.FormatSiteOccupation(seg, 1)),
        (std::vector<std::string>{
            "                            3  7                                                ",
            "PT01                                                        MARKER NAME         ",
            "42                                                          MARKER NUMBER       ",
            "2                   ANT-XY                                  ANT # / TYPE        ",
            "  4000000.5000   500000.2500  4900000.1250                  APPROX POSITION XYZ ",
            "        1.5000        0.0000        0.0000                  ANTENNA: DELTA H/E/N",
            phaseComment,
            "  *** NEW SITE OCCUPATION FOLLOWS !***                      COMMENT             ",
        }));
    EXPECT_EQ(
        Lines(w.FormatSiteOccupation(seg, 2)),
        (std::vector<std::string>{
            "                            2                                                   ",
            "                            4  3                                                ",
            "        1.2340        0.0000        0.0000                  ANTENNA: DELTA H/E/N",
            phaseComment,
            "  *** START MOVING ANTENNA  ! ***                           COMMENT             ",
        }));
    ev.kind = 1;
    ev.port = 3;
    EXPECT_EQ(
        Lines(w.FormatEventRecord(ev)),
        (std::vector<std::string>{
            "                            4  1                                                ",
            "              *** RS-232   EVENT #     17 ***  PORT # 3     COMMENT             ",
            " 21  6  1 12  0  1.2500000  5  0                                                ",
        }));

    seg.moving = 1;
    EXPECT_EQ(w.FormatSiteOccupation(seg, 1), "");
    EXPECT_EQ(w.FormatSiteOccupation(seg, 2), "");
}

}  // namespace
