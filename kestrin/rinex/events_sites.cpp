// The in-stream site record, the bookkeeping of site-occupation segments and the event and
// site texts placed between the observation epochs.
#include "rinex/events_sites.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>

#include "core/raw_converter.h"
#include "core/static_header.h"
#include "decoders/site_record.h"
#include "rinex/text_format.h"

namespace kestrin {

namespace {

// Decimal value of a marker number text: its leading digits (after an optional sign and
// blanks), 0 when it has none.
int MarkerNumberValue(const std::string& text) {
    const long v = std::strtol(text.c_str(), nullptr, 10);
    if (v > 2147483647L || v < -2147483647L) return 0;
    return static_cast<int>(v);
}

std::string MarkerNameLine(const std::string& name) {
    return StringFormat("%-60.60sMARKER NAME         \n", name.c_str());
}

std::string MarkerNumberLine(const std::string& number) {
    return StringFormat("%-60dMARKER NUMBER       \n", MarkerNumberValue(number));
}

std::string DeltaLine(double height) {
    return StringFormat("%14.4f%14.4f%14.4f                  ANTENNA: DELTA H/E/N\n", height, 0.0,
                        0.0);
}

std::string PositionLine(const std::array<double, 6>& p) {
    return StringFormat("%14.4f%14.4f%14.4f                  APPROX POSITION XYZ \n", p[3], p[4],
                        p[5]);
}

const char* const kPhaseOffsetComment =
    "L1phaoff    0.0781   L2phaoff    0.0821                     COMMENT             \n";

}  // namespace

uint16_t Crc16X25(const uint8_t* data, size_t length) {
    uint16_t crc = 0xFFFF;
    for (size_t i = 0; i < length; ++i) {
        crc ^= data[i];
        for (int bit = 0; bit < 8; ++bit) crc = (crc & 1) ? (crc >> 1) ^ 0x8408 : crc >> 1;
    }
    return static_cast<uint16_t>(~crc);
}

int RawConverter::ParseSiteRecord(const uint8_t* buffer, int fill, int offset, int epochCount,
                                  AfterTreatment& currentSegment) {
    if (buffer == nullptr || offset < 0 || offset >= fill) return 0;
    SiteRecord record;
    switch (ReadSiteRecord(ByteView(buffer + offset, static_cast<size_t>(fill - offset)), record)) {
        case SiteRead::kIncomplete:
            return 0;
        case SiteRead::kBadCrc:
            return 1;
        case SiteRead::kRead:
            break;
    }
    ApplySiteRecord(record, epochCount, currentSegment);
    return static_cast<int>(record.length);
}

void RawConverter::ApplySiteRecord(const SiteRecord& record, int epochCount,
                                   AfterTreatment& currentSegment) {
    const int type = record.type;
    AfterTreatment fillData;
    const bool hasFill = record.hasFill;
    if (hasFill) {
        fillData.markerName = record.markerName;
        fillData.markerNumber = record.markerNumber;
        switch (record.place) {
            case SitePlace::kHeaderPlace: {
                const double mm = std::trunc(info.antennaHeight * 1000.0);
                fillData.antennaHeightMm =
                    (mm > -32768.0 && mm < 32768.0) ? static_cast<int16_t>(mm) : int16_t{0};
                fillData.position = {info.latitude, info.longitude, info.height,
                                     info.x,        info.y,         info.z};
                break;
            }
            case SitePlace::kHeightInRecord:
                fillData.antennaHeightMm = record.antennaHeightMm;
                fillData.position = {info.latitude, info.longitude, info.height,
                                     info.x,        info.y,         info.z};
                break;
            case SitePlace::kPlaceInRecord:
                fillData.antennaHeightMm = record.antennaHeightMm;
                fillData.position[0] = record.latLonHeight[0];
                fillData.position[1] = record.latLonHeight[1];
                fillData.position[2] = record.latLonHeight[2];
                GeodeticToEcef(fillData.position);
                break;
            case SitePlace::kNone:
                break;
        }
    }
    // Copies the record's marker, height and (when it holds one) position into a segment.
    auto fillSegment = [&](AfterTreatment& seg) {
        if (!hasFill) return;
        seg.markerName = fillData.markerName;
        seg.markerNumber = fillData.markerNumber;
        seg.antennaHeightMm = fillData.antennaHeightMm;
        if (std::fabs(fillData.position[3]) > 1.0) seg.position = fillData.position;
    };

    const int n = epochCount;
    if (segments.empty()) {
        if (type == kSiteStart || type == kSiteData) {
            currentSegment.Init();
            if (type == kSiteStart) currentSegment.startEpoch = n;
            fillSegment(currentSegment);
            segments.push_back(currentSegment);
        }
    } else {
        AfterTreatment& last = segments.back();
        if (currentSegment.startEpoch < 0) {
            if (type == kSiteStart) {
                currentSegment.startEpoch = last.startEpoch = n;
            } else if (type == kSiteData) {
                fillSegment(last);
            }
        } else if (currentSegment.endEpoch < 0) {
            switch (type) {
                case kSiteStart:
                    last.startEpoch = n;
                    break;
                case kSiteEnd:
                    last.endEpoch = currentSegment.endEpoch = n - 1;
                    break;
                case kSiteData:
                    fillSegment(last);
                    break;
                case kSiteMoving:
                    last.moving = 1;
                    last.endEpoch = currentSegment.endEpoch = n - 1;
                    break;
                default:
                    break;
            }
        } else {
            switch (type) {
                case kSiteStart:
                    currentSegment.Init();
                    currentSegment.startEpoch = n;
                    fillSegment(currentSegment);
                    segments.push_back(currentSegment);
                    break;
                case kSiteEnd:
                    last.endEpoch = currentSegment.endEpoch = n - 1;
                    break;
                case kSiteData:
                    fillSegment(last);
                    break;
                case kSiteMoving:
                    last.moving = 1;
                    break;
                default:
                    break;
            }
        }
    }
}

std::string RawConverter::FormatSiteOccupation(const AfterTreatment& segment, int kind) const {
    if (segment.moving) return {};
    std::string out;
    if (options.rinex3) {
        if (kind == 1) {
            AppendFormat(out, ">%28c%3d%3d\n", ' ', 3, 5);
            out += MarkerNameLine(segment.markerName);
            out += MarkerNumberLine(segment.markerNumber);
            AppendFormat(out, "%-60.60sMARKER TYPE         \n", info.antennaType.c_str());
            out += DeltaLine(segment.antennaHeightMm * 0.001);
            out += PositionLine(segment.position);
        } else if (kind == 2) {
            AppendFormat(out, ">%28c%3d%3d\n", ' ', 2, 1);
            out += DeltaLine(info.antennaHeight);
        }
    } else {
        if (kind == 1) {
            AppendFormat(out, "%26c%3d%3d%48c\n", ' ', 3, 7, ' ');
            out += MarkerNameLine(segment.markerName);
            out += MarkerNumberLine(segment.markerNumber);
            AppendFormat(out, "%-20d%-20.20s%-20cANT # / TYPE        \n", info.antennaNumber,
                         info.antennaType.c_str(), ' ');
            out += PositionLine(segment.position);
            out += DeltaLine(segment.antennaHeightMm * 0.001);
            out += kPhaseOffsetComment;
            out +=
                "  *** NEW SITE OCCUPATION FOLLOWS !***                      COMMENT             "
                "\n";
        } else if (kind == 2) {
            AppendFormat(out, "%26c%3d%51c\n", ' ', 2, ' ');
            AppendFormat(out, "%26c%3d%3d%48c\n", ' ', 4, 3, ' ');
            out += DeltaLine(info.antennaHeight);
            out += kPhaseOffsetComment;
            out +=
                "  *** START MOVING ANTENNA  ! ***                           COMMENT             "
                "\n";
        }
    }
    return out;
}

std::string RawConverter::FormatEventRecord(const EventMark& event) const {
    std::string out;
    if (options.rinex3) {
        out += ">                              4  1\n";
    } else {
        AppendFormat(out, "                            4  1%48s\n", " ");
    }
    AppendFormat(out,
                 event.kind == 5
                     ? "              *** EXTERNAL EVENT #%7d ***  PORT #%2d     %-20s\n"
                     : "              *** RS-232   EVENT #%7d ***  PORT #%2d     %-20s\n",
                 static_cast<int>(event.eventNumber), static_cast<int>(event.port), "COMMENT");
    const GnssTime& t = event.eventTime;
    if (options.rinex3) {
        AppendFormat(out, "> %4d %02d %02d %02d %02d %10.7f %2d %2d\n", t.year, t.month, t.day,
                     t.hour, t.minute, t.second, 5, 0);
    } else {
        AppendFormat(out, " %2d %2d %2d %2d %2d %10.7f %2d %2d%48s\n", t.year % 100, t.month, t.day,
                     t.hour, t.minute, t.second, 5, 0, " ");
    }
    return out;
}

}  // namespace kestrin
