#include "editing/header_info.h"

#include <sys/stat.h>

#include <array>
#include <cmath>
#include <cstdio>
#include <memory>
#include <vector>

#include "core/regular_file.h"
#include "core/static_header.h"
#include "editing/rinex_text.h"
#include "editing/safe_rewrite.h"
#include "editing/static_file_io.h"

namespace kestrin {
namespace {

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

constexpr size_t kMarkerNameColumns = 60;
constexpr size_t kStaticMarkerChars = 4;
// Largest magnitude a "%14.4f" field holds without growing its line.
constexpr double kWidestFieldValue = 1e8;

File OpenText(const std::string& path, struct stat* st = nullptr) {
    struct stat local;
    struct stat& s = st ? *st : local;
    return File(OpenRegularFile(path, &s));
}

bool Has(std::string_view line, std::string_view label) {
    return line.find(label) != std::string_view::npos;
}

// A label that ends in a blank also matches at the end of a line whose blanks were trimmed.
bool HasLabel(std::string_view line, std::string_view label) {
    if (Has(line, label)) return true;
    if (label.empty() || label.back() != ' ') return false;
    const std::string_view bare = label.substr(0, label.size() - 1);
    return line.size() >= bare.size() && line.substr(line.size() - bare.size()) == bare;
}

std::string WithoutLineFeeds(std::string text) {
    std::erase(text, '\n');
    return text;
}

// ---- RINEX side ---------------------------------------------------------------------

int ReadRinexHead(const std::string& path, HeadInfo& info) {
    File file = OpenText(path);
    if (!file) return 0;
    TextLineReader reader(file.get());
    std::string line, next;
    while (reader.Next(line) && !Has(line, "END OF HEADER")) {
        if (Has(line, "TIME OF FIRST OBS")) {
            info.firstObs = Left(line, 43);
        } else if (Has(line, "TIME OF LAST OBS")) {
            info.lastObs = Left(line, 43);
        } else if (HasLabel(line, "REC # / TYPE / VERS ")) {
            info.receiverNumber = Left(line, 20);
        } else if (HasLabel(line, "ANT # / TYPE ")) {
            info.antennaNumber = IntegerOf(Left(line, 20));
            info.antennaType = Mid(line, 20, 20);
        } else if (Has(line, "APPROX POSITION XYZ")) {
            info.x = RealOf(Left(line, 14));
            info.y = RealOf(Mid(line, 14, 14));
            info.z = RealOf(Mid(line, 28, 14));
        } else if (Has(line, "ANTENNA: DELTA H/E/N")) {
            info.antennaDeltaH = RealOf(Left(line, 14));
        } else if (Has(line, "MARKER NAME")) {
            info.markerName = Trimmed(Left(line, kMarkerNameColumns));
        } else if (Has(line, "ANT MEASURE TYPE/HEIGT")) {
            if (!reader.Next(next)) next.clear();
            const AntennaLines a = ParseAntennaLines(line, next);
            info.method = a.method;
            info.measuredHeight = a.measuredHeight;
            info.R = a.R;
            info.H = a.H;
            info.L1 = a.L1;
            info.L2 = a.L2;
            if (Has(next, "END OF HEADER")) break;
        }
    }
    return 1;
}

int ReadRinexAntenna(const std::string& path, AntennaInfo& info) {
    HeadInfo head;
    if (ReadRinexHead(path, head) == 0) return 0;
    info.markerName = head.markerName;
    info.method = head.method;
    info.measuredHeight = head.measuredHeight;
    info.R = head.R;
    info.H = head.H;
    info.L1 = head.L1;
    info.L2 = head.L2;
    return 1;
}

bool Fits(double value) {
    return std::isfinite(value) && std::fabs(value) < kWidestFieldValue;
}

std::string MarkerNameLine(const std::string& name, const std::string& end) {
    char text[128];
    std::snprintf(text, sizeof text, "%-60s%-20s", name.substr(0, kMarkerNameColumns).c_str(),
                  "MARKER NAME");
    return text + end;
}

std::string DeltaLine(const AntennaInfo& a, std::string_view old, const std::string& end) {
    const double deltaH =
        AntennaHeightFormula(2, a.measuredHeight, a.method, a.R, a.H, a.L1, a.L2, 1);
    const double e = RealOf(Mid(old, 14, 14)), n = RealOf(Mid(old, 28, 14));
    char text[160];
    std::snprintf(text, sizeof text, "%14.4f%14.4f%14.4f                  ANTENNA: DELTA H/E/N",
                  Fits(deltaH) ? deltaH : 0.0, Fits(e) ? e : 0.0, Fits(n) ? n : 0.0);
    return text + end;
}

// The two antenna lines, each with the given line end.
std::string AntennaLinesText(const AntennaInfo& a, const std::string& end) {
    std::string text = FormatAntennaLines(a.method, a.measuredHeight, a.R, a.H, a.L1, a.L2);
    if (end == "\n") return text;
    std::string out;
    for (char c : text) {
        if (c == '\n')
            out += end;
        else
            out.push_back(c);
    }
    return out;
}

bool Put(std::FILE* out, std::string_view text) {
    return std::fwrite(text.data(), 1, text.size(), out) == text.size();
}

// Copies the header with the antenna records replaced, then the body unchanged. False when
// the header has no end, a header line is too long to copy whole, or a write fails.
bool CopyWithAntenna(std::FILE* in, std::FILE* out, const AntennaInfo& a) {
    TextLineReader reader(in);
    std::string line;
    bool ended = false;
    bool pending = false;  // a line read ahead that still has to be handled
    while (pending || reader.Next(line)) {
        pending = false;
        if (reader.LineLength() > line.size()) return false;  // cut: cannot be copied whole
        const std::string end = reader.LineEnd().empty() ? "\n" : reader.LineEnd();
        bool ok = true;
        if (Has(line, "END OF HEADER")) {
            ok = Put(out, line) && Put(out, reader.LineEnd());
            ended = true;
        } else if (Has(line, "MARKER NAME")) {
            ok = Put(out, MarkerNameLine(a.markerName, end));
        } else if (Has(line, "ANTENNA: DELTA H/E/N")) {
            ok = Put(out, DeltaLine(a, line, end));
        } else if (Has(line, "ANT MEASURE TYPE/HEIGT")) {
            ok = Put(out, AntennaLinesText(a, end));
            // The geometry line replaces the line after; the header's end is never replaced.
            if (reader.Next(line) && (Has(line, "END OF HEADER") || Has(line, "TYPE/HEIGT")))
                pending = true;
        } else {
            ok = Put(out, line) && Put(out, reader.LineEnd());
        }
        if (!ok) return false;
        if (ended) break;
    }
    if (!ended) return false;
    std::vector<char> block(64 * 1024);
    size_t n = 0;
    while ((n = std::fread(block.data(), 1, block.size(), in)) > 0) {
        if (std::fwrite(block.data(), 1, n, out) != n) return false;
    }
    return std::ferror(in) == 0;
}

int WriteRinexAntenna(const std::string& path, const AntennaInfo& a) {
    for (double v : {a.measuredHeight, a.R, a.H, a.L1, a.L2})
        if (!Fits(v)) return 0;
    const EditLock lock(path);  // one edit of the file at a time
    if (!lock.ok()) return 0;
    const bool written = RewriteFile(path, [&](std::FILE* in, std::FILE* out) {
        return CopyWithAntenna(in, out, a);
    });
    return written ? 1 : 0;
}

// ---- static side --------------------------------------------------------------------

struct StaticAntenna {
    int method = 0;
    double measuredHeight = 0.0;
    double R = 0.0, H = 0.0, L1 = 0.0, L2 = 0.0;
    std::string markerName;
};

StaticAntenna StaticAntennaOf(ByteView h) {
    StaticAntenna a;
    a.method = h.U8(header::kMeasureMethod);
    const double unit = h.U8(header::kGeometryUnit) == 1 ? 0.0001 : 0.1;
    a.R = h.I32(header::kRadius) * unit;
    a.H = h.I32(header::kEdgeHeight) * unit;
    a.L1 = h.I32(header::kL1Offset) * unit;
    a.L2 = h.I32(header::kL2Offset) * unit;
    a.measuredHeight = h.I16(header::kAntennaHeightMm) * 0.001;
    a.markerName = Trimmed(FieldText(h, header::kPointName, kStaticMarkerChars));
    return a;
}

bool OpenStatic(StaticHeaderFile& file, const std::string& path, bool writable) {
    return file.Open(path, writable) && file.FileSize() >= kStaticHeaderSize && file.HasMagic();
}

std::string ObsTimeText(ByteView h, size_t timeOffset) {
    const std::string time = FieldText(h, timeOffset, header::kTimeWidth);
    char text[96];
    std::snprintf(text, sizeof text, "%6d    %02d    %02d    %02d    %02d%13.7f",
                  static_cast<int>(h.I16(header::kYear)), h.U8(header::kMonth), h.U8(header::kDay),
                  IntegerOf(Mid(time, 0, 2)), IntegerOf(Mid(time, 3, 2)),
                  static_cast<double>(IntegerOf(Mid(time, 6, 2))));
    return text;
}

void StaticPosition(ByteView h, HeadInfo& info) {
    const double scale = h.U8(header::kAngleUnit) == 0 ? 57.29577951308232 : 1.0;
    std::array<double, 6> block{h.F64(header::kLatitude) * scale,
                                h.F64(header::kLongitude) * scale,
                                h.F32(header::kHeight),
                                0,
                                0,
                                0};
    GeodeticToEcef(block);
    bool usable = true;
    for (int i = 3; i < 6; ++i)
        usable = usable && std::isfinite(block[i]) && std::fabs(block[i]) <= 1e8;
    info.x = usable ? block[3] : 0.0;
    info.y = usable ? block[4] : 0.0;
    info.z = usable ? block[5] : 0.0;
}

int ReadStaticHead(const std::string& path, HeadInfo& info) {
    StaticHeaderFile file;
    if (!OpenStatic(file, path, false)) return 0;
    const ByteView h = file.Header();
    info.receiverNumber =
        WithoutLineFeeds(ReceiverNumberOf(FieldText(h, 0, header::kIdentificationEnd)));
    StaticPosition(h, info);
    const int code = h.I16(header::kFormatCode);
    const int kind = (code == 0 || code == kFormatEdge) ? 1 : code == kFormatBottom ? 2 : 0;
    if (kind == 0) return 0;
    const StaticAntenna a = StaticAntennaOf(h);
    info.method = a.method;
    info.R = a.R;
    info.H = a.H;
    info.L1 = a.L1;
    info.L2 = a.L2;
    info.measuredHeight = a.measuredHeight;
    info.antennaDeltaH =
        AntennaHeightFormula(kind, a.measuredHeight, a.method, a.R, a.H, a.L1, a.L2, 1);
    info.firstObs = ObsTimeText(h, header::kStartTime);
    info.lastObs = ObsTimeText(h, header::kStopTime);
    info.antennaNumber = h.U8(header::kAntennaNumber);
    info.antennaType = TrimField(FieldText(h, header::kAntennaType, header::kAntennaTypeWidth));
    info.antennaType = WithoutLineFeeds(info.antennaType);
    info.markerName = a.markerName;
    return 1;
}

int ReadStaticAntenna(const std::string& path, AntennaInfo& info) {
    StaticHeaderFile file;
    if (!OpenStatic(file, path, false)) return 0;
    const StaticAntenna a = StaticAntennaOf(file.Header());
    info.markerName = a.markerName;
    info.method = a.method;
    info.measuredHeight = a.measuredHeight;
    info.R = a.R;
    info.H = a.H;
    info.L1 = a.L1;
    info.L2 = a.L2;
    return 1;
}

int WriteStaticAntenna(const std::string& path, const AntennaInfo& a) {
    StaticHeaderFile file;
    if (!OpenStatic(file, path, true)) return 0;
    int64_t height = 0;
    std::array<int64_t, 4> geometry{};
    const std::array<double, 4> metres{a.R, a.H, a.L1, a.L2};
    if (!ScaledInteger(a.measuredHeight, 1000.0, true, INT16_MIN, INT16_MAX, height)) return 0;
    for (size_t i = 0; i < 4; ++i)
        if (!ScaledInteger(metres[i], 10000.0, true, INT32_MIN, INT32_MAX, geometry[i])) return 0;
    bool ok = file.WriteI16(header::kFormatCode, static_cast<int16_t>(kFormatBottom));
    ok = file.WriteI16(header::kAntennaHeightMm, static_cast<int16_t>(height)) && ok;
    ok = file.WriteU8(header::kMeasureMethod, static_cast<uint8_t>(a.method & 0xFF)) && ok;
    ok = file.WriteU8(header::kGeometryUnit, 1) && ok;
    const std::array<size_t, 4> offsets{header::kRadius, header::kEdgeHeight, header::kL1Offset,
                                        header::kL2Offset};
    for (size_t i = 0; i < 4; ++i)
        ok = file.WriteI32(offsets[i], static_cast<int32_t>(geometry[i])) && ok;
    if (!a.markerName.empty()) {
        ok = file.WriteText(header::kPointName, a.markerName.substr(0, kStaticMarkerChars),
                            header::kPointNameWidth) &&
             ok;
    }
    return ok ? 1 : 0;
}

}  // namespace

int ReadHeadInfo(const std::string& path, HeadInfo& info) {
    info = HeadInfo{};
    if (path.empty()) return 0;
    return IsRinexObservationPath(path) ? ReadRinexHead(path, info) : ReadStaticHead(path, info);
}

int ReadAntennaInfo(const std::string& path, AntennaInfo& info) {
    info = AntennaInfo{};
    if (path.empty()) return 0;
    return IsRinexObservationPath(path) ? ReadRinexAntenna(path, info)
                                        : ReadStaticAntenna(path, info);
}

int WriteAntennaInfo(const std::string& path, const AntennaInfo& info) {
    if (path.empty()) return 0;
    return IsRinexObservationPath(path) ? WriteRinexAntenna(path, info)
                                        : WriteStaticAntenna(path, info);
}

}  // namespace kestrin
