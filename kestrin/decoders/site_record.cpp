#include "decoders/site_record.h"

#include "rinex/events_sites.h"

namespace kestrin {

namespace {

// Text of a fixed-size field, cut at its first zero byte.
std::string FieldText(ByteView field) {
    size_t n = 0;
    while (n < field.size() && field.U8(n) != 0) ++n;
    return std::string(reinterpret_cast<const char*>(field.data()), n);
}

}  // namespace

SiteRead ReadSiteRecord(ByteView rest, SiteRecord& record) {
    record = SiteRecord{};
    if (rest.size() <= 5) return SiteRead::kIncomplete;
    const size_t payload = rest.U16(4);
    if (!rest.Has(0, payload + 8)) return SiteRead::kIncomplete;
    if (Crc16X25(rest.data() + 2, payload + 4) != rest.U16Be(6 + payload)) return SiteRead::kBadCrc;

    record.type = rest.U8(3);
    record.length = payload + 8;
    if ((record.type == kSiteStart || record.type == kSiteData) && payload >= 40) {
        record.hasFill = true;
        record.markerName = FieldText(rest.Sub(6, 20));
        record.markerNumber = FieldText(rest.Sub(26, 20));
        if (payload == 40) {
            record.place = SitePlace::kHeaderPlace;
        } else if (payload == 42) {
            record.place = SitePlace::kHeightInRecord;
            record.antennaHeightMm = rest.I16(46);
        } else if (payload == 66) {
            record.place = SitePlace::kPlaceInRecord;
            record.antennaHeightMm = rest.I16(46);
            record.latLonHeight = {rest.F64(48), rest.F64(56), rest.F64(64)};
        }
    }
    return SiteRead::kRead;
}

}  // namespace kestrin
