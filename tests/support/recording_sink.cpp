#include "support/recording_sink.h"

#include "decoders/navwords/week_time.h"
#include "decoders/obs_rules.h"

namespace testsupport {

GnssTime RecordingSink::LastEpochTime() const {
    return epochs.empty() ? GnssTime{} : epochs.back().time;
}

void RecordingSink::MarkSignalUsed(int32_t sysCode, int32_t prn, int slot) {
    kestrin::MarkSlotUsed(header, sysCode, prn, slot);
}

void RecordingSink::AddEpoch(OBSERVATIONS&& epoch) {
    epochs.push_back(std::move(epoch));
}

const IonoUtcParams& RecordingSink::IonoUtc(int set) const {
    static const IonoUtcParams kNone{};
    return set >= 0 && set < kIonoSets ? iono[static_cast<size_t>(set)] : kNone;
}

void RecordingSink::SetIonoUtc(int set, const IonoUtcParams& params) {
    if (set >= 0 && set < kIonoSets) iono[static_cast<size_t>(set)] = params;
}

void RecordingSink::SetLeapSeconds(int32_t seconds) {
    if (kestrin::PlausibleLeapSeconds(seconds)) leapSeconds = seconds;
}

void RecordingSink::AddEvent(EventMark mark) {
    if (mark.placeTime.year == 0 && !epochs.empty()) mark.placeTime = epochs.back().time;
    events.push_back(mark);
}

void RecordingSink::SetGlonassChannel(int slot, int frequencyNumber) {
    if (slot < 1 || slot >= kGlonassSlots || frequencyNumber < -7 || frequencyNumber > 13) return;
    header.glonassChannels[static_cast<size_t>(slot)] = static_cast<int16_t>(frequencyNumber);
}

}  // namespace testsupport
