#include "editing/rinex_obs_file.h"

#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>

#include "core/gnss_time.h"
#include "editing/rinex_text.h"
#include "editing/safe_rewrite.h"
#include "rinex/obs_header.h"

namespace kestrin {
namespace {

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

constexpr double kPresent = 1e-8;
constexpr double kRangeWrap = 33554431.0;  // added to pseudoranges below 1e7 m
constexpr int kV3CodesPerLine = 13, kV2TypesPerLine = 9;
constexpr int kV2SatsPerLine = 12, kV2ValuesPerLine = 5;
constexpr size_t kFieldWidth = 16;
// Most observation codes of one system a header may announce (its count field has three
// digits); a larger count is a damaged header and is cut there.
constexpr int kMaxCodes = 999;

// One line of the file with its place.
struct Line {
    std::string text;
    int64_t start = 0;
    uint32_t length = 0;
};

// The file's lines with one line of look-back.
class LineSource {
  public:
    explicit LineSource(std::FILE* f) : reader_(f) {}
    bool Next(Line& line) {
        if (held_) {
            held_ = false;
            line = heldLine_;
            return true;
        }
        if (!reader_.Next(line.text)) return false;
        line.start = static_cast<int64_t>(reader_.LineStart());
        line.length = static_cast<uint32_t>(reader_.LineLength());
        return true;
    }
    void PutBack(const Line& line) {
        heldLine_ = line;
        held_ = true;
    }
    uint64_t Position() const { return reader_.Position(); }

  private:
    TextLineReader reader_;
    Line heldLine_;
    bool held_ = false;
};

bool Has(std::string_view line, std::string_view label) {
    return line.find(label) != std::string_view::npos;
}

bool HasAny(std::string_view line, std::initializer_list<std::string_view> words) {
    for (std::string_view w : words)
        if (Has(line, w)) return true;
    return false;
}

void Notify(KestrinNotifyTarget* window, long percent) {
    if (window && window->notify) window->notify(window->context, KESTRIN_MSG_PROGRESS, percent, 0);
}

// RINEX 2 type -> (GPS and GLONASS code, BDS code).
std::pair<std::string, std::string> TranslateV2Type(std::string_view type) {
    static const struct {
        const char* type;
        const char* gps;
        const char* bds;
    } kTable[] = {{"C1", "C1C", "C1I"}, {"P1", "C1P", "C1X"}, {"C2", "C2C", "C7I"},
                  {"P2", "C2P", "C7X"}, {"L1", "L1C", "L1I"}, {"L2", "L2C", "L7I"},
                  {"D1", "D1C", "D1I"}, {"D2", "D2C", "D7I"}, {"S1", "S1C", "S1I"},
                  {"S2", "S2C", "S7I"}};
    for (const auto& row : kTable)
        if (type == row.type) return {row.gps, row.bds};
    return {"   ", "   "};
}

void ReadCodesV3(std::string first, LineSource& src, RinexObsFile& m) {
    first = first.substr(0, 58);
    int count = std::clamp(IntegerOf(Mid(first, 1, 5)), 0, kMaxCodes);
    const char letter = first.empty() ? ' ' : first[0];
    std::string all = first;
    for (int left = count; left > kV3CodesPerLine; left -= kV3CodesPerLine) {
        Line next;
        if (!src.Next(next)) break;
        all += std::string(Mid(next.text.substr(0, 58), 6, 52));
    }
    std::vector<std::string>* list = letter == 'G'   ? &m.gpsCodes
                                     : letter == 'R' ? &m.glonassCodes
                                     : letter == 'C' ? &m.bdsCodes
                                                     : nullptr;
    if (!list) return;
    const std::string_view codes = Mid(all, 6, std::string::npos);
    if (count < 0) count = 0;
    for (int k = 0; k < count; ++k) {
        std::string code(Mid(codes, 4 * static_cast<size_t>(k) + 1, 3));
        code.resize(3, ' ');
        list->push_back(code);
    }
}

void ReadCodesV2(std::string first, LineSource& src, RinexObsFile& m) {
    first = first.substr(0, 60);
    int count = std::clamp(IntegerOf(Mid(first, 0, 6)), 0, kMaxCodes);
    std::string all = first;
    for (int left = count; left > kV2TypesPerLine; left -= kV2TypesPerLine) {
        Line next;
        if (!src.Next(next)) break;
        std::string part(Mid(next.text.substr(0, 60), 6, 54));
        all.resize(std::max<size_t>(all.size(), 60), ' ');
        all += part;
    }
    const std::string_view types = Mid(all, 6, std::string::npos);
    if (count < 0) count = 0;
    for (int k = 0; k < count; ++k) {
        const auto [gps, bds] = TranslateV2Type(Mid(types, 6 * static_cast<size_t>(k) + 4, 2));
        m.gpsCodes.push_back(gps);
        m.glonassCodes.push_back(gps);
        m.bdsCodes.push_back(bds);
    }
}

void ReadAntennaRecord(const std::string& line, LineSource& src, HeaderInfo& h) {
    Line next;
    if (!src.Next(next)) next = Line{};
    if (Has(next.text, "END OF HEADER")) {
        src.PutBack(next);
        next = Line{};
    }
    const AntennaLines a = ParseAntennaLines(line, next.text);
    h.measureMethod = static_cast<uint8_t>(a.method);
    h.methodMask = static_cast<uint8_t>(a.methodMask);
    h.measuredHeight = a.measuredHeight;
    h.antennaRadius = a.R;
    h.antennaEdgeHeight = a.H;
    h.l1PhaseOffset = a.L1;
    h.l2PhaseOffset = a.L2;
}

// One header line; true at "END OF HEADER".
bool ReadHeaderLine(const std::string& line, LineSource& src, double version, RinexObsFile& m) {
    HeaderInfo& h = m.header;
    if (Has(line, "ANT # / TYPE")) {
        h.antennaNumber = static_cast<uint8_t>(IntegerOf(Mid(line, 0, 20)));
        h.antennaType = Mid(line, 20, 20);
    } else if (Has(line, "APPROX POSITION XYZ")) {
        h.x = RealOf(Mid(line, 0, 14));
        h.y = RealOf(Mid(line, 14, 14));
        h.z = RealOf(Mid(line, 28, 14));
    } else if (Has(line, "ANTENNA:")) {
        h.antennaHeight = RealOf(Mid(line, 0, 14));
    } else if (Has(line, "MARKER NAME")) {
        h.markerName = Trimmed(Mid(line, 0, 60));
    } else if (Has(line, "MARKER NUMBER")) {
        h.sessionNumber = IntegerOf(Mid(line, 0, 60));
    } else if (version >= 3.0 && Has(line, "SYS / # / OBS TYPES")) {
        ReadCodesV3(line, src, m);
    } else if (version < 3.0 && Has(line, "# / TYPES OF OBSERV")) {
        ReadCodesV2(line, src, m);
    } else if (Has(line, "REC # / TYPE / VERS")) {
        h.receiverNumber = Mid(line, 0, 20);
        h.receiverType = Mid(line, 20, 20);
        h.firmwareVersion = Mid(line, 40, 20);
    } else if (Has(line, "ROVER STATION")) {
        h.stationKind = 1;
    } else if (Has(line, "ANT MEASURE TYPE/HEIGT")) {
        ReadAntennaRecord(line, src, h);
    } else if (Has(line, "END OF HEADER")) {
        return true;
    }
    return false;
}

// ---- epochs -------------------------------------------------------------------------------

int SystemOfLetter(char letter, bool blankIsGps) {
    if (letter == 'G' || (blankIsGps && letter == ' ')) return kSysGps;
    if (letter == 'R') return kSysGlonass;
    if (letter == 'C') return kSysBds;
    return -1;
}

int SystemBit(int sysCode) {
    return sysCode == kSysGps ? 1 : sysCode == kSysGlonass ? 2 : 4;
}

// Stores one observation value by the weak/strong rule.
void StoreValue(SatelliteData& sat, std::array<LliSpot, 2>& spots, const std::string& code,
                double value, int lli, const LliSpot& spot) {
    const CodeSlot slot = ClassifyCode(code);
    if (slot.kind < 0 || std::fabs(value) < kPresent) return;
    BlockData& b = sat.blocks[static_cast<size_t>(slot.band)];
    double* target = slot.kind == 0   ? &b.pseudorange
                     : slot.kind == 1 ? &b.carrierPhase
                     : slot.kind == 2 ? &b.doppler
                                      : &b.snr;
    if (slot.weak && std::fabs(*target) >= kPresent) return;
    if (slot.kind == 0 && value < 1e7) value += kRangeWrap;
    *target = value;
    if (slot.kind == 1) {
        b.lli = static_cast<uint32_t>(lli < 0 ? 0 : lli);
        if (slot.band < 2) spots[static_cast<size_t>(slot.band)] = spot;
    }
}

// The values of one satellite: value i stands in lines[i / perLine] at column
// offset + (i % perLine) * 16.
void ReadValues(const std::vector<Line>& lines, size_t perLine, size_t offset,
                const std::vector<std::string>& codes, SatelliteData& sat,
                std::array<LliSpot, 2>& spots) {
    for (size_t i = 0; i < codes.size(); ++i) {
        const size_t row = i / perLine;
        if (row >= lines.size()) break;
        const Line& line = lines[row];
        const size_t column = offset + (i % perLine) * kFieldWidth;
        const double value = RealOf(Mid(line.text, column, 14));
        const int lli = IntegerOf(Mid(line.text, column + 14, 1));
        const LliSpot spot{line.start, line.length, static_cast<uint32_t>(column + 14)};
        StoreValue(sat, spots, codes[i], value, lli, spot);
    }
}

SatelliteData NewSatellite(int sysCode, int prn) {
    SatelliteData s;
    s.sysCode = sysCode;
    s.prn = prn;
    s.blocks.resize(kModelBands);
    return s;
}

bool ValidTime(const GnssTime& t) {
    return t.year > 0 && t.month >= 1 && t.month <= 12 && t.day >= 1 && t.day <= 31 &&
           t.hour >= 0 && t.hour <= 24 && t.minute >= 0 && t.minute <= 59 && t.second >= 0.0 &&
           t.second < 61.0;
}

// Passes over an event line's special records (flags 2..5 and 6 carry no observations of
// the kind kept here).
void SkipSpecialRecords(LineSource& src, int count) {
    Line skipped;
    for (int i = 0; i < count && i < 1000 && src.Next(skipped); ++i) {
    }
}

enum class EpochResult { kEpoch, kSkipped, kDamaged, kEnd };

EpochResult ReadEpochV3(LineSource& src, RinexObsFile& m, OBSERVATIONS& epoch,
                        std::vector<std::array<LliSpot, 2>>& spots) {
    Line line;
    if (!src.Next(line)) return EpochResult::kEnd;
    const std::string& t = line.text;
    if (t.empty() || t[0] != '>') return EpochResult::kSkipped;
    const int flag = IntegerOf(Mid(t, 30, 2));
    const int count = IntegerOf(Mid(t, 32, 3));
    if (IntegerOf(Mid(t, 1, 5)) <= 0 || flag >= 2) {
        SkipSpecialRecords(src, count);
        return EpochResult::kSkipped;
    }
    epoch.time.year = IntegerOf(Mid(t, 1, 5));
    epoch.time.month = IntegerOf(Mid(t, 6, 3));
    epoch.time.day = IntegerOf(Mid(t, 9, 3));
    epoch.time.hour = IntegerOf(Mid(t, 12, 3));
    epoch.time.minute = IntegerOf(Mid(t, 15, 3));
    epoch.time.second = RealOf(Mid(t, 18, 11));
    if (t.size() > 35) epoch.clockOffset = RealOf(Mid(t, 35, std::string::npos));
    for (int i = 0; i < count; ++i) {
        Line satLine;
        if (!src.Next(satLine)) break;
        if (!satLine.text.empty() && satLine.text[0] == '>') {  // the epoch was cut short
            src.PutBack(satLine);
            break;
        }
        const int sys = SystemOfLetter(satLine.text.empty() ? ' ' : satLine.text[0], false);
        const int prn = IntegerOf(Mid(satLine.text, 1, 2));
        if (sys < 0 || SatelliteIndex(sys, prn) < 0) continue;
        SatelliteData sat = NewSatellite(sys, prn);
        std::array<LliSpot, 2> satSpots{};
        ReadValues({satLine}, std::string::npos, 3, *m.CodesOf(sys), sat, satSpots);
        m.systemsSeen |= SystemBit(sys);
        epoch.sats.push_back(std::move(sat));
        spots.push_back(satSpots);
    }
    return EpochResult::kEpoch;
}

// The satellite list of a RINEX 2 epoch line and its continuation lines.
std::string SatelliteListV2(LineSource& src, std::string t, int count) {
    t.resize(std::max<size_t>(t.size(), 68), ' ');
    std::string list(Mid(t, 32, 36));
    for (int left = count; left > kV2SatsPerLine; left -= kV2SatsPerLine) {
        Line next;
        if (!src.Next(next)) break;
        std::string part(Mid(next.text, 32, 36));
        part.resize(36, ' ');
        list += part;
    }
    return list;
}

// A RINEX 2 epoch line by its fixed layout (" yy mm dd hh mm ss.sssssss  f nnn"): two-digit
// fields right-aligned, the seconds' point in column 19, a flag digit in column 29. An event
// line may leave the time blank. Observation lines never have this shape, so a reader that
// lost its place finds the next epoch by it.
bool IsEpochLineV2(std::string_view t, bool* timeBlank) {
    if (t.size() < 29 || t[0] != ' ' || t[28] < '0' || t[28] > '9' || t[27] != ' ') return false;
    bool blank = true;
    for (size_t at : {1, 4, 7, 10, 13, 16}) {
        const char hi = t[at], lo = t[at + 1];
        if (hi != ' ' && (hi < '0' || hi > '9')) return false;
        if (lo != ' ' && (lo < '0' || lo > '9')) return false;
        if (hi != ' ' && lo == ' ') return false;
        if (lo != ' ') blank = false;
        if (at != 1 && t[at - 1] != ' ') return false;
    }
    *timeBlank = blank;
    if (blank) return Trimmed(t.substr(0, 27)).empty();
    return t[18] == '.';
}

EpochResult ReadEpochV2(LineSource& src, RinexObsFile& m, OBSERVATIONS& epoch,
                        std::vector<std::array<LliSpot, 2>>& spots) {
    Line line;
    if (!src.Next(line)) return EpochResult::kEnd;
    const std::string& t = line.text;
    if (HasAny(t, {"START", "MARKER", "TYPE", "APPROX", "ANTENNA", "COMMENT"}))
        return EpochResult::kSkipped;
    if (Trimmed(t).empty()) return EpochResult::kSkipped;
    bool timeBlank = false;
    if (!IsEpochLineV2(t, &timeBlank)) return EpochResult::kDamaged;  // look for the next one
    const int year = IntegerOf(Mid(t, 0, 3));
    const int flag = IntegerOf(Mid(t, 27, 2));
    const int count = IntegerOf(Mid(t, 29, 3));
    if (timeBlank || flag >= 2) {
        SkipSpecialRecords(src, count);
        return EpochResult::kSkipped;
    }
    epoch.time.year = year + (year < 80 ? 2000 : year < 100 ? 1900 : 0);
    epoch.time.month = IntegerOf(Mid(t, 3, 3));
    epoch.time.day = IntegerOf(Mid(t, 6, 3));
    epoch.time.hour = IntegerOf(Mid(t, 9, 3));
    epoch.time.minute = IntegerOf(Mid(t, 12, 3));
    epoch.time.second = RealOf(Mid(t, 15, 11));
    if (t.size() > 68) epoch.clockOffset = RealOf(Mid(t, 68, std::string::npos));
    const std::string list = SatelliteListV2(src, t.substr(0, 68), count);
    const size_t rows = (m.gpsCodes.size() + kV2ValuesPerLine - 1) / kV2ValuesPerLine;
    for (int i = 0; i < count && i < 1000; ++i) {
        const size_t at = 3 * static_cast<size_t>(i);
        const char letter = at < list.size() ? list[at] : ' ';
        const int prn = IntegerOf(Mid(list, at + 1, 2));
        std::vector<Line> lines(rows);
        size_t got = 0;
        while (got < rows && src.Next(lines[got])) {
            bool blank = false;
            if (IsEpochLineV2(lines[got].text, &blank)) {
                // A line of the record is missing: the record cannot be told apart, so it is
                // dropped and reading goes on at this epoch line.
                src.PutBack(lines[got]);
                return EpochResult::kDamaged;
            }
            ++got;
        }
        if (got == 0 && rows > 0) break;  // the file ends inside the epoch
        lines.resize(got);
        const int sys = SystemOfLetter(letter, true);
        if (sys < 0 || SatelliteIndex(sys, prn) < 0) continue;
        SatelliteData sat = NewSatellite(sys, prn);
        std::array<LliSpot, 2> satSpots{};
        ReadValues(lines, kV2ValuesPerLine, 0, *m.CodesOf(sys), sat, satSpots);
        m.systemsSeen |= SystemBit(sys);
        epoch.sats.push_back(std::move(sat));
        spots.push_back(satSpots);
        if (got < rows) break;
    }
    return EpochResult::kEpoch;
}

bool IsObservationName(const std::string& path) {
    const size_t slash = path.find_last_of("/\\");
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    const size_t dot = name.rfind('.');
    if (dot == std::string::npos) return false;
    const std::string ext = name.substr(dot + 1);
    return !ext.empty() && (ext.back() == 'o' || ext.back() == 'O');
}

// Version of the first line, 0 when it has no version label; -1 when unsupported.
double VersionOf(const std::string& first) {
    if (!Has(first, "RINEX VERSION / TYPE")) return 0.0;
    const double version = RealOf(Mid(first, 0, 9));
    return version < 1.99 || version > 3.99 ? -1.0 : version;
}

void ReadEpochs(LineSource& src, RinexObsFile& m, double version, uint64_t fileSize,
                KestrinNotifyTarget* window) {
    bool lost = false;
    for (;;) {
        OBSERVATIONS epoch;
        std::vector<std::array<LliSpot, 2>> spots;
        const EpochResult r =
            version >= 3.0 ? ReadEpochV3(src, m, epoch, spots) : ReadEpochV2(src, m, epoch, spots);
        if (r == EpochResult::kEnd) break;
        // A run of unreadable lines counts as one damaged record.
        if (r == EpochResult::kDamaged && !lost) ++m.skippedRecords;
        lost = r == EpochResult::kDamaged;
        if (r == EpochResult::kEpoch && ValidTime(epoch.time)) {
            CalendarToGps(epoch.time);
            m.epochs.push_back(std::move(epoch));
            m.lliSpots.push_back(std::move(spots));
        }
        if (fileSize > 0) Notify(window, static_cast<long>(src.Position() * 100 / fileSize));
    }
}

}  // namespace

CodeSlot ClassifyCode(std::string_view code) {
    CodeSlot slot;
    if (code.size() < 2) return slot;
    switch (code[0]) {
        case 'C':
            slot.kind = 0;
            break;
        case 'L':
            slot.kind = 1;
            break;
        case 'D':
            slot.kind = 2;
            break;
        case 'S':
            slot.kind = 3;
            break;
        default:
            return slot;
    }
    slot.band = code[1] == '1' ? 0 : (code[1] == '2' || code[1] == '7') ? 1 : 2;
    slot.weak = code.size() >= 3 && (code[2] == 'C' || code[2] == 'I');
    return slot;
}

void RinexObsFile::Clear() {
    epochs.clear();
    header = HeaderInfo{};
    gpsCodes.clear();
    glonassCodes.clear();
    bdsCodes.clear();
    wavelengths.assign(kSatelliteIndexCount, {0.0, 0.0});
    systemsSeen = 0;
    skippedRecords = 0;
    lliSpots.clear();
}

const std::vector<std::string>* RinexObsFile::CodesOf(int32_t sysCode) const {
    if (sysCode == kSysGps) return &gpsCodes;
    if (sysCode == kSysGlonass) return &glonassCodes;
    if (sysCode == kSysBds) return &bdsCodes;
    return nullptr;
}

int RinexObsFile::Read(const std::string& path, KestrinNotifyTarget* window) {
    Clear();
    if (!IsObservationName(path)) return 0;
    struct stat st;
    File file(OpenRegularFile(path, &st));  // never waits on a FIFO or device
    if (!file) return 0;
    Notify(window, 0);
    LineSource src(file.get());
    Line line;
    if (!src.Next(line)) return 0;
    const double version = VersionOf(line.text);
    if (version < 0.0) return 0;
    bool ended = ReadHeaderLine(line.text, src, version, *this);
    while (!ended && src.Next(line)) ended = ReadHeaderLine(line.text, src, version, *this);
    if (!ended) {
        Clear();
        return 0;
    }
    ReadEpochs(src, *this, version, static_cast<uint64_t>(st.st_size), window);
    return 1;
}

int RinexObsFile::Write(const std::string& path, KestrinNotifyTarget* window) const {
    // An existing file (or the target of a link to one) is replaced; otherwise a new one made.
    const std::string target = ResolvedTarget(path);
    return WriteModelObsFile(target.empty() ? path : target, header, epochs, window);
}

RinexObsFile& SharedRinexObsFile() {
    static RinexObsFile model;
    return model;
}

}  // namespace kestrin
