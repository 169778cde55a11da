// The OEM log handling seen through a recording sink: what a real recording hands on, and
// the variant and event rules, without the writer.
#include "decoders/oem_binary.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <string>

#include "decoders/framing.h"
#include "support/frames.h"
#include "support/recording_sink.h"
#include "support/static_file.h"

namespace kestrin {
namespace {

using testsupport::RecordingSink;

// Hands every log of the bytes whose CRC holds to HandleOemLog, in file order.
void HandleAll(const std::string& bytes, OemRunState& state, GlonassSlotTable& slots,
               RecordingSink& sink) {
    ByteView all(bytes.data(), bytes.size());
    size_t offset = 0;
    while (offset < all.size()) {
        ByteView rest = all.From(offset);
        Frame frame = OemFrameAt(rest);
        OemFrameHeader header;
        if (frame.valid() && ReadOemFrameHeader(rest, header)) {
            HandleOemLog(header, rest.Sub(header.headerLength, header.messageLength), state, slots,
                         sink);
            offset += frame.length;
        } else {
            ++offset;
        }
    }
}

TEST(OemLogHandling, ModernRecordingHandsOnEpochsAndEphemerides) {
    const std::string bytes = testsupport::ReadTestData("novatel/20230819-061342qlnav.nov");
    ASSERT_FALSE(bytes.empty());
    RecordingSink sink;
    sink.header.dataType = 1;
    OemRunState state;
    state.variant = 1;
    GlonassSlotTable slots = InitialGlonassSlotTable();
    HandleAll(bytes, state, slots, sink);

    // 30 RANGECMP logs; the ephemeris logs by system (RAWEPHEM 15, GALEPHEMERIS 14,
    // BDSEPHEMERIS 23, GLOEPHEMERIS 9). Galileo and BeiDou satellites past the satellite
    // tables are left out: at least 10 and 11 of them are inside.
    EXPECT_EQ(sink.epochs.size(), 30u);
    std::map<int32_t, int> kepler;
    for (const KeplerEphemeris& eph : sink.kepler) ++kepler[eph.sysCode];
    EXPECT_EQ(kepler[kSysGps], 15);
    EXPECT_GE(kepler[kSysGalileo], 10);
    EXPECT_LE(kepler[kSysGalileo], 14);
    EXPECT_GE(kepler[kSysBds], 11);
    EXPECT_LE(kepler[kSysBds], 23);
    EXPECT_EQ(sink.kepler.size(),
              static_cast<size_t>(kepler[kSysGps] + kepler[kSysGalileo] + kepler[kSysBds]));
    EXPECT_EQ(sink.glonass.size(), 9u);
    // The GLONASS logs took GPS - UTC from the leap table (18 s in 2023).
    EXPECT_EQ(sink.leapSeconds, 18);
    // BeiDou numbered 1..63 keeps the variant as dispatched: nothing handed on.
    EXPECT_EQ(sink.variant, 0);
    EXPECT_EQ(state.variant, 1);
    // The systems of the epochs reached the header information through the sink.
    EXPECT_EQ(sink.header.systemsPresent, 1 | 2 | 4 | 0x10 | 0x20);
    for (const gEphemeris& eph : sink.glonass)
        EXPECT_EQ(sink.header.glonassChannels[eph.prn], eph.frequencyNumber) << eph.prn;
}

TEST(OemLogHandling, VariantLogsAndMarksReachTheSink) {
    RecordingSink sink;
    OemRunState state;
    state.variant = 1;
    GlonassSlotTable slots = InitialGlonassSlotTable();
    auto handle = [&](const std::string& frame) { HandleAll(frame, state, slots, sink); };

    // A sub-format 5 log switches the variant, and the sink hears of it.
    handle(testsupport::OemFrame(kOemSubFormat5A, std::string(8, '\0'), 1562, 0));
    EXPECT_EQ(sink.variant, 5);

    // Marks are numbered from 1 and placed after the last epoch handed in.
    OBSERVATIONS epoch;
    epoch.time.year = 2009;
    epoch.time.sow = 515220.0;
    sink.AddEpoch(std::move(epoch));
    std::string mark(40, '\0');
    uint32_t week = 1562;
    double sow = 515225.5;
    std::memcpy(&mark[0], &week, 4);
    std::memcpy(&mark[4], &sow, 8);
    handle(testsupport::OemFrame(kOemMark2Time, mark, 1562, 515225500));
    handle(testsupport::OemFrame(kOemMarkTime, mark, 1562, 515225500));
    ASSERT_EQ(sink.events.size(), 2u);
    EXPECT_EQ(sink.events[0].eventNumber, 1);
    EXPECT_EQ(sink.events[0].port, 2);
    EXPECT_EQ(sink.events[1].eventNumber, 2);
    EXPECT_DOUBLE_EQ(sink.events[1].placeTime.sow, 515220.0);

    // An ionosphere / UTC log with an implausible GPS - UTC gives its set but no leap count;
    // the first GPS set stays.
    auto ionutc = [](double alpha0, int32_t dtls) {
        std::string body(108, '\0');
        std::memcpy(&body[0], &alpha0, 8);
        std::memcpy(&body[96], &dtls, 4);
        return body;
    };
    handle(testsupport::OemFrame(kOemIonUtc, ionutc(1.0e-8, 250), 1562, 0));
    handle(testsupport::OemFrame(kOemIonUtc, ionutc(2.0e-8, 15), 1562, 0));
    EXPECT_EQ(sink.leapSeconds, 0);
    EXPECT_DOUBLE_EQ(sink.iono[0].alpha0, 1.0e-8);
    handle(testsupport::OemFrame(kOemQzssIonUtc, ionutc(3.0e-8, 15), 1562, 0));
    EXPECT_EQ(sink.leapSeconds, 15);
    EXPECT_DOUBLE_EQ(sink.iono[2].alpha0, 3.0e-8);
}

}  // namespace
}  // namespace kestrin
