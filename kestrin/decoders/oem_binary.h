// The decoder of OEM binary logs (data types 1, 2 and 6): framing by sync AA 44 12 and
// CRC-32, observations from RANGE / RANGECMP, ephemerides, ionosphere / UTC sets and event
// marks, and the board variant (sub-format 5 or 6) detected from the data.
#pragma once

#include <cstdint>

#include "decoders/board_profiles.h"
#include "decoders/decoder.h"
#include "decoders/oem_logs.h"
#include "decoders/sink.h"

namespace kestrin {

// What the log handling keeps from one log to the next within a conversion.
struct OemRunState {
    int32_t variant = 0;  // board variant: as dispatched (1, 2, 6), or 5 / 6 as met in the data
    uint16_t eventCounter = 0;
    // Unlocked phases written as absent instead of flagged only.
    bool phaseBlanking = false;
};

// Decodes one log (its header and bounded body) and hands the results to the sink; a change
// of the board variant is handed on too. glonassSlots learns from the GLONASS ephemerides.
void HandleOemLog(const OemFrameHeader& header, ByteView body, OemRunState& state,
                  GlonassSlotTable& glonassSlots, DecoderSink& sink);

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
    void ResetRunState() override;
    BoardProfile Profile(int32_t variant) const override { return OemBoardProfile(variant); }

  private:
    OemRunState run_;
};

// The process-wide decoder object of the OEM binary data types.
OemBinaryDecoder& ProcessOemBinaryDecoder();

}  // namespace kestrin
