// A DecoderSink that keeps everything a decoder hands on, for testing decoders without the
// writer: epochs, ephemerides, ionosphere / UTC sets, leap seconds, events, GLONASS channels,
// side-file text and the board variant.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "decoders/sink.h"
#include "rinex/nav_records.h"

namespace testsupport {

class RecordingSink : public kestrin::DecoderSink {
  public:
    kestrin::ConvertOptions options;
    HeaderInfo header;  // what the decoder reads; GLONASS channels and signals used land here
    std::vector<OBSERVATIONS> epochs;
    std::vector<KeplerEphemeris> kepler;
    std::vector<gEphemeris> glonass;
    std::array<IonoUtcParams, kIonoSets> iono{};
    int32_t leapSeconds = 0;
    std::vector<EventMark> events;
    std::vector<std::string> sbasText;
    std::vector<kestrin::AlmanacRecord> almanacs;
    int32_t variant = 0;  // last board variant handed on; 0 = none

    const kestrin::ConvertOptions& Options() const override { return options; }
    const HeaderInfo& Header() const override { return header; }
    GnssTime LastEpochTime() const override;
    void MarkSignalUsed(int32_t sysCode, int32_t prn, int slot) override;
    void AddEpoch(OBSERVATIONS&& epoch) override;
    void AddKeplerEphemeris(const KeplerEphemeris& eph) override { kepler.push_back(eph); }
    void AddGlonassEphemeris(const gEphemeris& eph) override { glonass.push_back(eph); }
    const IonoUtcParams& IonoUtc(int set) const override;
    void SetIonoUtc(int set, const IonoUtcParams& params) override;
    void SetLeapSeconds(int32_t seconds) override;
    int32_t LeapSeconds() const override { return leapSeconds; }
    void AddEvent(EventMark mark) override;
    void SetGlonassChannel(int slot, int frequencyNumber) override;
    void AddSbasMessageText(const std::string& text) override { sbasText.push_back(text); }
    void AddAlmanac(const kestrin::AlmanacRecord& almanac) override { almanacs.push_back(almanac); }
    void SetBoardVariant(int32_t dataType) override { variant = dataType; }
};

}  // namespace testsupport
