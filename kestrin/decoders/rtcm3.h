// The decoder of RTCM 3 streams (data type 7): frames by D3 and CRC-24Q, observations of the
// legacy GPS / GLONASS messages and of the multiple-signal messages of GPS, GLONASS, Galileo,
// QZSS and BeiDou merged into epochs that the multiple-message flag closes, and the broadcast
// ephemerides. The messages carry only a time of week (GLONASS: a day of week and time of
// day); the week starts from the observation date of the static header and follows the
// stream across week boundaries.
#pragma once

#include <cstdint>

#include "decoders/decoder.h"
#include "decoders/rtcm3_messages.h"

namespace kestrin {

class Rtcm3Decoder : public DecoderFrame {
  public:
    Rtcm3Decoder();

    // GLONASS frequency numbers learned from the ephemeris messages, kept for later
    // conversions in the process (100 = not known).
    GlonassFrequencyTable glonassFrequencies;

  protected:
    ScanResult ScanAt(ByteView rest) override;
    void ResetRunState() override;
    bool ScansSiteRecords() const override { return false; }

  private:
    void Dispatch(uint32_t number, ByteView message);
    void TakeObservations(const Rtcm3Observations& message);
    void CloseEpoch();
    void TakeGlonassEphemeris(ByteView message);
    // GPS time of an observation message; false when it cannot be dated.
    bool EpochTime(const Rtcm3ObsTime& time, GnssTime& out);
    // Full GPS time of a GPS time of week: the week follows the stream, starting from the
    // static header's date.
    GnssTime FromTimeOfWeek(double sow);
    bool StartWeek();
    int ReferenceWeek();

    OBSERVATIONS current_;
    bool currentTimed_ = false;
    int32_t week_ = 0;  // 0 until the first message needs it
    double lastSow_ = 0;
    GnssTime lastTime_;  // time of the latest observation message
};

// The process-wide decoder object of data type 7.
Rtcm3Decoder& ProcessRtcm3Decoder();

}  // namespace kestrin
