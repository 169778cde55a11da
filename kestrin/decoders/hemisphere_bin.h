// The decoder of Hemisphere "$BIN" binary blocks (data type 4): framing by "$BIN", 16-bit sum
// and CR LF; epochs assembled across the observation blocks of one time from the richest
// kind present; ephemerides, ionosphere / UTC, SBAS messages and event marks.
#pragma once

#include <cstdint>

#include "decoders/decoder.h"
#include "decoders/hemisphere_blocks.h"

namespace kestrin {

class HemisphereBinDecoder : public DecoderFrame {
  public:
    HemisphereBinDecoder();

    // GLONASS frequency number per slot where a block carries none; learned from the
    // ephemeris blocks and kept for later conversions in the process.
    GlonassSlotTable glonassSlots;

  protected:
    ScanResult ScanAt(ByteView rest) override;
    void ResetRunState() override;
    void EndOfData() override;

  private:
    void Dispatch(uint16_t blockId, ByteView data);
    void DecodeObservations(uint16_t blockId, ByteView data);
    // Closes the epoch being assembled when a block of another time arrives.
    void CloseEpochBefore(int week, double sow);
    void HandOnCurrent();
    int ReferenceWeek() const;
    void DecodeGlonassEphemeris(ByteView data);

    OBSERVATIONS current_;
    // Observation source: 1 = block 96, 2 = block 76 seen, 3 = block 16 seen.
    int level_ = 1;
    bool eventPending_ = false;
    int eventWeek_ = 0;
    double eventSow_ = 0;
    uint16_t eventCount_ = 0;
    HemSlipTable slips_{};
};

// The process-wide decoder object of the Hemisphere data type.
HemisphereBinDecoder& ProcessHemisphereBinDecoder();

}  // namespace kestrin
