#include "core/static_header.h"

#include <sys/stat.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <memory>
#include <vector>

#include "core/detect.h"
#include "core/regular_file.h"

namespace kestrin {
namespace {

constexpr double kDegreesPerRadian = 57.29577951308232;
constexpr double kPi = 3.141592653589793;
constexpr double kGrs80A = 6378137.0;
constexpr double kGrs80E2 = 0.0066943800229;
constexpr double kTabRadius = 0.12;  // radius of the height-measuring tab, metres

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

File OpenForReading(const std::string& path) {
    if (path.empty()) return nullptr;
    return File(OpenRegularFile(path));
}

// Reads up to count bytes from the start of the file; returns the number read.
size_t ReadFromStart(std::FILE* f, uint8_t* buffer, size_t count) {
    if (std::fseek(f, 0, SEEK_SET) != 0) return 0;
    return std::fread(buffer, 1, count, f);
}

// Leading decimal digits of a text; 0 when there are none.
int32_t LeadingNumber(std::string_view text) {
    int64_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') break;
        value = value * 10 + (c - '0');
        if (value > INT32_MAX) return INT32_MAX;
    }
    return static_cast<int32_t>(value);
}

}  // namespace

bool IsKnownFormatCode(int code) {
    return code == 0 || code == kFormatEdge || code == kFormatBottom;
}

bool IsStaticHeader(ByteView header) {
    return header.StartsWith(kStaticMagic);
}

std::string FieldText(ByteView header, size_t offset, size_t width) {
    std::string text;
    const ByteView field = header.Sub(offset, width);
    // Control characters (a line feed in a point name) become blanks: the text goes into
    // fixed-column RINEX header lines.
    for (size_t i = 0; i < field.size() && field.data()[i] != 0; ++i) {
        const uint8_t c = field.data()[i];
        text.push_back(c < 0x20 || c == 0x7f ? ' ' : static_cast<char>(c));
    }
    return text;
}

std::string TrimField(std::string_view text) {
    auto trim = [](std::string_view s, char c) {
        while (!s.empty() && s.front() == c) s.remove_prefix(1);
        while (!s.empty() && s.back() == c) s.remove_suffix(1);
        return s;
    };
    return std::string(trim(trim(text, ' '), '\n'));
}

std::string ReceiverNumberOf(std::string_view identification) {
    const size_t colon = identification.find(':');
    if (colon == std::string_view::npos) return {};
    const std::string_view after = identification.substr(colon + 1);
    const size_t v = after.find('V');
    if (v == std::string_view::npos) return {};
    std::string number(after.substr(0, v));
    // From the last character down to the second: drop everything below "0" (as a signed
    // byte, so blanks, punctuation and bytes 0x80..0xFF go); the first character stays.
    for (size_t i = number.size(); i-- > 1;) {
        if (static_cast<signed char>(number[i]) < '0') number.erase(i, 1);
    }
    return TrimField(number);
}

bool UnpackStaticHeader(ByteView h, HeaderInfo& info) {
    info.receiverNumber = ReceiverNumberOf(FieldText(h, 0, header::kIdentificationEnd));
    info.obsYear = h.I16(header::kYear);
    info.obsMonth = h.U8(header::kMonth);
    info.obsDay = h.U8(header::kDay);

    const double angleScale = h.U8(header::kAngleUnit) == 0 ? kDegreesPerRadian : 1.0;
    info.latitude = h.F64(header::kLatitude) * angleScale;
    info.longitude = h.F64(header::kLongitude) * angleScale;
    info.height = h.F32(header::kHeight);
    std::array<double, 6> block{info.latitude, info.longitude, info.height, 0, 0, 0};
    GeodeticToEcef(block);
    const bool usable = std::isfinite(block[3]) && std::isfinite(block[4]) &&
                        std::isfinite(block[5]) && std::fabs(block[3]) <= 1e8 &&
                        std::fabs(block[4]) <= 1e8 && std::fabs(block[5]) <= 1e8;
    info.x = usable ? block[3] : 0.0;
    info.y = usable ? block[4] : 0.0;
    info.z = usable ? block[5] : 0.0;

    info.measuredHeight = h.I16(header::kAntennaHeightMm) * 0.001;
    info.antennaHeight = info.measuredHeight;
    info.startTimeText = FieldText(h, header::kStartTime, header::kTimeWidth);
    info.stopTimeText = FieldText(h, header::kStopTime, header::kTimeWidth);
    info.antennaNumber = h.U8(header::kAntennaNumber);
    info.antennaType = TrimField(FieldText(h, header::kAntennaType, header::kAntennaTypeWidth));
    info.measureMethod = h.U8(header::kMeasureMethod);
    const double geometryScale = h.U8(header::kGeometryUnit) == 1 ? 0.0001 : 0.1;
    info.antennaRadius = h.I32(header::kRadius) * geometryScale;
    info.antennaEdgeHeight = h.I32(header::kEdgeHeight) * geometryScale;
    info.l1PhaseOffset = h.I32(header::kL1Offset) * geometryScale;
    info.l2PhaseOffset = h.I32(header::kL2Offset) * geometryScale;
    info.stationKind = h.U8(header::kStationKind);
    info.firmwareVersion = TrimField(FieldText(h, header::kFirmware, header::kFirmwareWidth));
    info.markerName = TrimField(FieldText(h, header::kPointName, header::kMarkerWidth));
    const int32_t session = LeadingNumber(FieldText(h, header::kSession, header::kSessionWidth));
    info.sessionNumber = session == 0 ? 1 : session;
    info.methodMask = h.U8(header::kMethodMask);
    info.receiverType = TrimField(FieldText(h, header::kReceiverType, header::kReceiverTypeWidth));
    return IsKnownFormatCode(h.I16(header::kFormatCode));
}

bool ReadStaticHeader(const std::string& path, HeaderInfo& info) {
    File file = OpenForReading(path);
    if (!file) return false;
    std::vector<uint8_t> buffer(kDetectSampleLimit, 0);
    const size_t headerBytes = ReadFromStart(file.get(), buffer.data(), kStaticHeaderSize);
    // Too short to hold a header: nothing a decoder could convert.
    if (headerBytes < kStaticHeaderSize) return false;
    const ByteView header(buffer.data(), kStaticHeaderSize);
    const bool valid = IsStaticHeader(header);
    if (valid) {
        if (!UnpackStaticHeader(header, info)) return false;
    } else {
        TodayLocal(info.obsYear, info.obsMonth, info.obsDay);
    }
    if (info.dataType == 0) {
        const size_t read = ReadFromStart(file.get(), buffer.data(), kDetectSampleLimit);
        const size_t skip = valid ? kStaticHeaderSize : 0;
        if (read > skip) info.dataType = DetectDataType(buffer.data() + skip, read - skip);
    }
    return info.dataType != 0;
}

void GeodeticToEcef(std::array<double, 6>& block) {
    const double lat = block[0], lon = block[1], h = block[2];
    // Symmetric range test: the poles and +-360 degrees themselves are valid coordinates.
    if (!(lat - 90 <= 1e-6 && lat + 90 >= -1e-6 && lon - 360 <= 1e-6 && lon + 360 >= -1e-6)) {
        block[3] = block[4] = block[5] = 0.0;
        return;
    }
    const double phi = lat * kPi / 180.0, lambda = lon * kPi / 180.0;
    const double s = std::sin(phi);
    const double n = kGrs80A / std::sqrt(1.0 - kGrs80E2 * s * s);
    block[3] = (n + h) * std::cos(phi) * std::cos(lambda);
    block[4] = (n + h) * std::cos(phi) * std::sin(lambda);
    block[5] = (n * (1.0 - kGrs80E2) + h) * s;
}

double ComputeAntennaHeight(const std::string& path, double measuredHeight, int method,
                            int toPhaseCenter) {
    File file = OpenForReading(path);
    if (!file) return 0.0;
    std::array<uint8_t, kStaticHeaderSize> bytes{};
    if (ReadFromStart(file.get(), bytes.data(), bytes.size()) < 200) return 0.0;
    const ByteView h(bytes.data(), bytes.size());
    if (!IsStaticHeader(h)) return 0.0;
    const int code = h.I16(header::kFormatCode);
    const int kind = (code == kFormatEdge || code == 0) ? 1 : code == kFormatBottom ? 2 : 0;
    return AntennaHeightFormula(kind, measuredHeight, method, h.I32(header::kRadius) * 0.0001,
                                h.I32(header::kEdgeHeight) * 0.0001,
                                h.I32(header::kL1Offset) * 0.0001,
                                h.I32(header::kL2Offset) * 0.0001, toPhaseCenter);
}

double AntennaHeightFormula(int kind, double h, int method, double R, double H, double L1,
                            double /*L2*/, int toPhaseCenter) {
    if (kind != 1 && kind != 2) return 0.0;
    const bool fromEdge = kind == 1;
    double v = 0.0;
    switch (method) {
        case kToPhaseCenter:
            v = h;
            break;
        case kSlantToEdge: {
            const double d = std::max(0.0, h * h - R * R);
            v = std::sqrt(d) + L1 - (fromEdge ? 0.0 : H);
            break;
        }
        case kVerticalToEdge:
            v = h + L1 - (fromEdge ? 0.0 : H);
            break;
        case kSlantToTab: {
            const double d3 = std::max(0.0, h * h - kTabRadius * kTabRadius);
            v = std::sqrt(d3) + L1 + (fromEdge ? H : 0.0);
            break;
        }
        case kVerticalToBottom:
            v = h + L1 + (fromEdge ? H : 0.0);
            break;
        default:
            return 0.0;
    }
    if (toPhaseCenter == 0) v -= fromEdge ? H + L1 : L1;
    return v;
}

void TodayLocal(int32_t& year, int32_t& month, int32_t& day) {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    year = local.tm_year + 1900;
    month = local.tm_mon + 1;
    day = local.tm_mday;
}

}  // namespace kestrin
