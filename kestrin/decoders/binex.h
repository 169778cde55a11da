// The decoder of BINEX records (data type 8): records in either byte order, forward-readable
// or reversible, checked by their XOR / CRC-16 / CRC-32; observations from record 0x7F,
// broadcast ephemerides from record 0x01, site metadata (record 0x00) walked and left aside.
#pragma once

#include "decoders/binex_records.h"
#include "decoders/decoder.h"

namespace kestrin {

class BinexDecoder : public DecoderFrame {
  public:
    BinexDecoder();

    // GLONASS frequency number per slot where a record carries none; learned from the
    // GLONASS ephemerides and kept for later conversions in the process.
    GlonassSlotTable glonassSlots;

  protected:
    ScanResult ScanAt(ByteView rest) override;
    void ResetRunState() override;
    bool ScansSiteRecords() const override { return false; }

  private:
    void DecodeObservations(uint32_t subrecord, ByteView body, Endian order);
    void DecodeNavigation(uint32_t subrecord, ByteView body, Endian order);

    BinexSlipTable slips_;
};

// The process-wide decoder object of data type 8.
BinexDecoder& ProcessBinexDecoder();

}  // namespace kestrin
