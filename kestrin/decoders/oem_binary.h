// The decoder of OEM binary logs (data types 1, 2 and 6): framing by sync AA 44 12 and
// CRC-32, observations from RANGE / RANGECMP, ephemerides, ionosphere / UTC sets and event
// marks, and the board variant (sub-format 5 or 6) detected from the data.
#pragma once

#include <cstdint>

#include "decoders/board_profiles.h"
#include "decoders/decoder.h"
#include "decoders/oem_logs.h"

namespace kestrin {

class OemBinaryDecoder : public DecoderFrame {
  public:
    OemBinaryDecoder();

    // GLONASS frequency number per slot where a log carries none; learned from the ephemeris
    // logs and kept for later conversions in the process.
    GlonassSlotTable glonassSlots;
    // Unlocked phases written as absent instead of flagged only. No conversion option sets
    // it: off.
    bool phaseBlanking = false;

  protected:
    ScanResult ScanAt(ByteView rest) override;
    void ResetRunState() override { eventCounter_ = 0; }
    BoardProfile Profile(int32_t variant) const override { return OemBoardProfile(variant); }

  private:
    void Dispatch(const OemFrameHeader& header, ByteView body);
    void DecodeObservations(const OemFrameHeader& header, ByteView body);

    uint16_t eventCounter_ = 0;
};

// The process-wide decoder object of the OEM binary data types.
OemBinaryDecoder& ProcessOemBinaryDecoder();

}  // namespace kestrin
