// The decoder of u-blox UBX binary messages (data type 10): framing by sync B5 62 and the
// Fletcher checksum, observations from RXM-RAWX (one epoch per message) and broadcast
// ephemerides from RXM-SFRBX.
#pragma once

#include "decoders/decoder.h"
#include "decoders/ubx_messages.h"

namespace kestrin {

class UbxDecoder : public DecoderFrame {
  public:
    UbxDecoder() {
        // RXM-RAWX carries a lock time in milliseconds that stops at 64.5 s (no wrap).
        lockReporting.fill({LockEvidence::kLockTime, 0.0});
    }

  protected:
    ScanResult ScanAt(ByteView rest) override;
    void ResetRunState() override { navigation_.Reset(); }

  private:
    void DecodeRawx(ByteView payload);

    UbxNavAssembler navigation_;
};

// The process-wide decoder object of the UBX data type.
UbxDecoder& ProcessUbxDecoder();

}  // namespace kestrin
