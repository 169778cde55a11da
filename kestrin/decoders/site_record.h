// The in-stream site record (sync B7 59, record type at 3, payload length at 4, payload from
// 6, CRC-16/X-25 over bytes 2 .. 5 + length stored big-endian after the payload), read from a
// bounded view of the scan buffer. The frame looks for it between the frames of the formats
// that carry it; what it means for the site segments is the writer's.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

#include "decoders/byte_view.h"

namespace kestrin {

// The longest site record carries 66 payload bytes. A sync announcing more than this is met
// by chance in other bytes.
constexpr size_t kMaxSitePayload = 1024;

// What a record of 40 payload bytes or more fills in besides its marker name and number.
enum class SitePlace {
    kNone,            // marker only (other lengths)
    kHeaderPlace,     // 40 bytes: antenna height and position of the static header
    kHeightInRecord,  // 42 bytes: antenna height in the record, position of the header
    kPlaceInRecord,   // 66 bytes: antenna height and geodetic position in the record
};

struct SiteRecord {
    int type = 0;          // SiteRecordType
    size_t length = 0;     // whole record in bytes
    bool hasFill = false;  // start / data record with 40 payload bytes or more
    std::string markerName, markerNumber;
    SitePlace place = SitePlace::kNone;
    int16_t antennaHeightMm = 0;           // kHeightInRecord, kPlaceInRecord
    std::array<double, 3> latLonHeight{};  // kPlaceInRecord: degrees, degrees, metres
};

enum class SiteRead {
    kIncomplete,  // the record runs past the view (or the view holds no length yet)
    kBadCrc,      // the CRC does not hold: a sync met by chance
    kRead,
};

// Reads the record at the start of `rest` (which starts with the sync).
SiteRead ReadSiteRecord(ByteView rest, SiteRecord& record);

}  // namespace kestrin
