// Helpers of the event and site-occupation records (the parser and the formatters are
// operations of RawConverter: ParseSiteRecord, FormatSiteOccupation, FormatEventRecord).
#pragma once

#include <cstddef>
#include <cstdint>

namespace kestrin {

// Record types of the in-stream site record.
enum SiteRecordType : int {
    kSiteStart = 1,
    kSiteEnd = 2,
    kSiteData = 3,
    kSiteMoving = 4,
};

// CRC-16/X-25 (initial value FFFF, reflected polynomial 8408, final complement).
uint16_t Crc16X25(const uint8_t* data, size_t length);

}  // namespace kestrin
