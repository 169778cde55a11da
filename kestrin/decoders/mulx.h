// The decoder of "@MULX" messages (data type 3): framing by the "@MULX" sync, the message
// length and a 16-bit sum; observation epochs of GPS, GLONASS and BeiDou, GPS / BeiDou and
// GLONASS ephemerides.
#pragma once

#include "decoders/decoder.h"

namespace kestrin {

class MulxDecoder : public DecoderFrame {
  public:
    MulxDecoder() {
        // Only the BeiDou entries carry a lock time (16 bits of seconds).
        lockReporting[static_cast<size_t>(SystemIndex(kSysBds))] = {LockEvidence::kLockTime,
                                                                    65536.0};
    }

  protected:
    ScanResult ScanAt(ByteView rest) override;

  private:
    void Dispatch(ByteView message);
};

// The process-wide decoder object of data type 3.
MulxDecoder& ProcessMulxDecoder();

}  // namespace kestrin
