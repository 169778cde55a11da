// The decoder of Trimble raw-data packets (data type 9): framing by STX / ETX and the 8-bit
// sum, RAWDATA pages reassembled into RT17 and RT27 observation records and event records,
// and RETSVDATA navigation data (ephemerides, ionosphere / UTC, leap seconds).
#pragma once

#include <cstdint>

#include "decoders/decoder.h"
#include "decoders/rt17_records.h"

namespace kestrin {

class Rt17Decoder : public DecoderFrame {
  public:
    Rt17Decoder() {
        // RT27 blocks carry slip counters and slip flags, compared by the record decoding.
        lockReporting.fill({LockEvidence::kSignalPresence, 0.0});
    }

  protected:
    ScanResult ScanAt(ByteView rest) override;
    void ResetRunState() override;

  private:
    void HandleRawData(ByteView packet);
    void HandleNavigationData(ByteView packet);
    void DecodeRt17(ByteView record);
    void DecodeRt27(ByteView record);
    void DecodeEvent(ByteView record);
    void HandOnEpoch(OBSERVATIONS& epoch);

    // RT17 and event records carry only a time of week. Their week is the one that puts them
    // nearest to the reference time: the static header's observation date until the data
    // tells a week (GPS ephemeris, RT27 record), then that, moved on by every epoch.
    bool WeekOf(double sow, int32_t& week) const;
    void LearnTime(int32_t week, double sow);

    Rt17PageAssembler pages_;
    Rt27SlipCounters slips_;
    bool haveReference_ = false;
    int32_t referenceWeek_ = 0;
    double referenceSow_ = 0.0;
    uint16_t eventCounter_ = 0;
};

// The process-wide decoder object of data type 9.
Rt17Decoder& ProcessRt17Decoder();

}  // namespace kestrin
