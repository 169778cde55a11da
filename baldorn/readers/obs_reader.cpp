#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>
#include <string>

#include "readers/obs_code_table.h"
#include "readers/progress.h"
#include "readers/regular_file.h"
#include "readers/rinex_reader.h"
#include "readers/text_fields.h"

namespace baldorn {
namespace {

using FilePtr = std::unique_ptr<std::FILE, int (*)(std::FILE*)>;

constexpr const char* kPlaceholder = "   ";

long long FileLength(std::FILE* f) {
    if (fseeko(f, 0, SEEK_END) != 0) return 0;
    const long long len = ftello(f);
    fseeko(f, 0, SEEK_SET);
    return len < 0 ? 0 : len;
}

std::string Upper(std::string s) {
    for (char& c : s)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return s;
}

// Translation of a RINEX 2 observation type into the RINEX 3 code of each system.
std::string TranslateRinex2Type(std::string_view type, int systemIndex) {
    if (type.size() != 2) return kPlaceholder;
    const char x = type[0];
    const char band = type[1];
    const bool basic = (x == 'C' || x == 'L' || x == 'D' || x == 'S');
    if (basic && band == '1') {
        static constexpr const char* kTail[kSystemCount] = {"1C", "1C", "1I", "1C", "1C", "1C"};
        return std::string(1, x) + kTail[systemIndex];
    }
    if (basic && band == '2') {
        static constexpr const char* kTail[kSystemCount] = {"2C", "2C", "7I", "5I", "2S", "5I"};
        return std::string(1, x) + kTail[systemIndex];
    }
    if (type == "P1") {
        static constexpr const char* kCode[kSystemCount] = {"C1P",        "C1P", "C1X",
                                                            kPlaceholder, "C1X", "C1X"};
        return kCode[systemIndex];
    }
    if (type == "P2") {
        static constexpr const char* kCode[kSystemCount] = {"C2P", "C2P", "C7X",
                                                            "C5X", "C2X", "C5X"};
        return kCode[systemIndex];
    }
    return kPlaceholder;
}

class ObsReader {
  public:
    ObsReader(std::FILE* f, ObsFile& out) : f_(f), out_(out) {}

    bool ReadHeader();
    int ReadRinex3Epoch();
    int ReadRinex2Epoch();

  private:
    bool ParseRinex2Types(const std::string& first);
    bool ParseRinex3Codes(const std::string& first);
    bool ReadSiteBlock(int count);
    bool SkipLines(int count, int& pendingNumber, int& pendingPort, int& pendingKind);
    void SiteBookkeeping(const WeekTime& t);
    void AddSatellite(OBSERVATIONS& epoch, int systemCode, int prn, std::string_view values);
    void RecordEvent(const WeekTime& t, int number, int port, int kind);
    void MarkMoving() {
        if (!out_.sites.empty()) out_.sites.back().moving = 1;
    }
    // Event details announced by a header-information record for the event that follows.
    struct PendingEvent {
        int number = 0, port = 1, kind = 0;
    };
    bool KeepEpoch(OBSERVATIONS&& epoch, int flag, const WeekTime& t);
    bool ReadSpecialRecord(int flag, int count, const WeekTime& t, PendingEvent& pending);

    // The next line, or the line put back by a record that found it to be an epoch line.
    bool Next() {
        if (hasPending_) {
            line_ = pending_;
            hasPending_ = false;
            return true;
        }
        return ReadLine(f_, line_);
    }
    void PutBack() {
        pending_ = line_;
        hasPending_ = true;
    }

    std::FILE* f_;
    ObsFile& out_;
    std::string line_;
    std::string pending_;
    bool hasPending_ = false;
    bool lost_ = false;  // inside a run of unreadable lines
};

// A RINEX 2 epoch line by its fixed layout (" yy mm dd hh mm ss.sssssss  f nnn"): two-digit
// fields right-aligned, the seconds' point in column 19, a flag digit in column 29; an event
// line may leave the time blank. Observation lines never have this shape, so a reader that
// lost its place finds the next epoch by it.
bool IsEpochLineV2(std::string_view t) {
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
    if (blank) return t.substr(0, 27).find_first_not_of(' ') == std::string_view::npos;
    return t[18] == '.';
}

bool ObsReader::ReadHeader() {
    ObsHeader& h = out_.header;
    while (ReadLine(f_, line_)) {
        const std::string_view l = line_;
        if (Contains(l, "END OF HEADER")) return true;
        if (Contains(l, "TIME OF FIRST OBS")) {
            h.firstObs = std::string(Columns(l, 1, 60));
        } else if (Contains(l, "TIME OF LAST OBS")) {
            h.lastObs = std::string(Columns(l, 1, 60));
        } else if (Contains(l, "REC # / TYPE / VERS")) {
            h.receiverNumber = Trim(Columns(l, 1, 20));
            h.receiverType = Trim(Columns(l, 21, 20));
            h.receiverVersion = Trim(Columns(l, 41, 20));
        } else if (Contains(l, "APPROX POSITION XYZ")) {
            h.approxX = ParseReal(Columns(l, 1, 14));
            h.approxY = ParseReal(Columns(l, 15, 14));
            h.approxZ = ParseReal(Columns(l, 29, 14));
        } else if (Contains(l, "ANT # / TYPE")) {
            h.antennaNumber = ParseInt(Columns(l, 1, 20));
            h.antennaType = Trim(Columns(l, 21, 20));
        } else if (Contains(l, "ANTENNA: DELTA H/E/N")) {
            h.deltaH = ParseReal(Columns(l, 1, 14));
            h.deltaE = ParseReal(Columns(l, 15, 14));
            h.deltaN = ParseReal(Columns(l, 29, 14));
        } else if (Contains(l, "MARKER NAME")) {
            h.markerName = Trim(Columns(l, 1, 60));
        } else if (Contains(l, "MARKER NUMBER")) {
            h.markerNumber = ParseInt(Columns(l, 1, 14));
        } else if (Contains(l, "ANT MEASURE TYPE/HEIGT")) {
            h.measureMethod = ParseInt(Columns(l, 1, 6));
            h.measureExtra = ParseInt(Columns(l, 7, 6));
            h.measuredHeight = ParseReal(Columns(l, 13, 14));
            if (!ReadLine(f_, line_)) return false;
            for (int i = 0; i < 5; ++i)
                h.antennaParams[i] = ParseReal(Columns(line_, 1 + 10 * i, 10));
        } else if (Contains(l, "ROVER STATION")) {
            h.rover = 1;
        } else if (Contains(l, "# / TYPES OF OBSERV")) {
            if (!ParseRinex2Types(line_)) return false;
        } else if (Contains(l, "SYS / # / OBS TYPES")) {
            if (!ParseRinex3Codes(line_)) return false;
        }
    }
    return false;
}

bool ObsReader::ParseRinex2Types(const std::string& first) {
    std::string text(Columns(first, 1, 60));
    int n = ParseInt(Columns(text, 1, 6));
    while (n > 9) {
        if (!ReadLine(f_, line_)) return false;
        text += std::string(Columns(line_, 7, 54));
        n -= 9;
    }
    n = ParseInt(Columns(text, 1, 6));
    std::string_view rest = ColumnsFrom(text, 7);
    for (int i = 0; i < n; ++i) {
        const std::string_view field = Columns(rest, 1, 6);
        const std::string_view type = Columns(field, 5, 2);
        for (int s = 0; s < kSystemCount; ++s)
            out_.header.codes[s].push_back(TranslateRinex2Type(type, s));
        rest = ColumnsFrom(rest, 7);
    }
    return true;
}

bool ObsReader::ParseRinex3Codes(const std::string& first) {
    std::string text(Columns(first, 1, 58));
    int n = ParseInt(Columns(text, 2, 5));
    while (n > 13) {
        if (!ReadLine(f_, line_)) return false;
        text += std::string(Columns(line_, 7, 52));
        n -= 13;
    }
    const char letter = text.empty() ? ' ' : text[0];
    if (!ModelledSystemLetter(letter)) return true;  // continuation lines already read
    const int systemIndex = SystemIndexFromCode(SystemCodeFromLetter(letter));
    n = ParseInt(Columns(text, 2, 5));
    std::string_view rest = ColumnsFrom(text, 7);
    for (int i = 0; i < n; ++i) {
        std::string code(Columns(rest, 2, 3));
        code.resize(3, ' ');
        out_.header.codes[systemIndex].push_back(code);
        rest = ColumnsFrom(rest, 5);
    }
    return true;
}

void ObsReader::SiteBookkeeping(const WeekTime& t) {
    if (out_.sites.empty()) return;
    MarkPoint& m = out_.sites.back();
    if (m.markerName.empty()) return;
    if (!IsSet(m.start)) {
        m.start = t;
        m.end = t;
    } else if (!m.moving) {
        m.end = t;
    }
}

bool ObsReader::ReadSiteBlock(int count) {
    MarkPoint m;
    for (int i = 0; i < count; ++i) {
        if (!ReadLine(f_, line_)) return false;
        const std::string_view l = line_;
        if (Contains(l, "MARKER NAME")) {
            m.markerName = std::string(Columns(l, 1, 20));
        } else if (Contains(l, "MARKER NUMBER")) {
            m.markerNumber = ParseInt(Columns(l, 1, 10));
        } else if (Contains(l, "MARKER TYPE")) {
            m.typeText = std::string(Columns(l, 1, 20));
        } else if (Contains(l, "ANT # / TYPE")) {
            m.antennaNumber = ParseInt(Columns(l, 1, 20));
            m.typeText = Trim(Columns(l, 21, 20));
        } else if (Contains(l, "ANTENNA: DELTA H/E/N")) {
            m.deltaH = ParseReal(Columns(l, 1, 14));
            m.deltaE = ParseReal(Columns(l, 15, 14));
            m.deltaN = ParseReal(Columns(l, 29, 14));
        } else if (Contains(l, "APPROX POSITION XYZ")) {
            m.x = ParseReal(Columns(l, 1, 14));
            m.y = ParseReal(Columns(l, 15, 14));
            m.z = ParseReal(Columns(l, 29, 14));
        }
    }
    out_.sites.push_back(m);
    return true;
}

bool ObsReader::SkipLines(int count, int& pendingNumber, int& pendingPort, int& pendingKind) {
    for (int i = 0; i < count; ++i) {
        if (!ReadLine(f_, line_)) return false;
        if (Contains(line_, "EVENT")) {
            pendingNumber = ParseInt(Columns(line_, 36, 6));
            pendingPort = ParseInt(Columns(line_, 54, 2));
            if (Contains(line_, "EXTERNAL EVENT")) pendingKind = 5;
        }
    }
    return true;
}

void ObsReader::RecordEvent(const WeekTime& t, int number, int port, int kind) {
    ExtEvent e;
    e.time = t;
    e.kind = static_cast<uint8_t>(kind);
    e.port = static_cast<uint8_t>(port);
    e.number = static_cast<int16_t>(number);
    if (!out_.epochs.empty()) e.lastEpochTime = out_.epochs.back().time;
    out_.events.push_back(e);
}

// Satellites whose PRN lies outside the block of their system have no place in the
// per-satellite tables; they are left out of the epoch here, on reading.
void ObsReader::AddSatellite(OBSERVATIONS& epoch, int systemCode, int prn,
                             std::string_view values) {
    if (SatIndexOf(systemCode, prn) == 0) return;
    const int systemIndex = SystemIndexFromCode(systemCode);
    out_.header.systemsPresent |= 1 << systemIndex;
    SatelliteData sat;
    sat.systemCode = systemCode;
    sat.prn = prn;
    ParseSatelliteValues(values, out_.header.codes[systemIndex], systemIndex, sat);
    epoch.sats.push_back(std::move(sat));
}

// Flag-6 epochs (cycle-slip records) are read to stay in step and then dropped.
bool ObsReader::KeepEpoch(OBSERVATIONS&& epoch, int flag, const WeekTime& t) {
    if (flag == 6) return false;
    SiteBookkeeping(t);
    out_.epochs.push_back(std::move(epoch));
    return true;
}

// Site occupations (flag 3), external events (flag 5) and the header-information records of
// the other flags; false when the file ends inside the record.
bool ObsReader::ReadSpecialRecord(int flag, int count, const WeekTime& t, PendingEvent& pending) {
    if (flag == 3) {
        if (!ReadSiteBlock(count)) return false;
    } else if (flag == 5) {
        int ignoredNumber = 0, ignoredPort = 0, ignoredKind = 0;
        if (!SkipLines(count, ignoredNumber, ignoredPort, ignoredKind)) return false;
        RecordEvent(t, pending.number, pending.port, pending.kind);
    } else {
        if (!SkipLines(count, pending.number, pending.port, pending.kind)) return false;
    }
    if (flag == 2) MarkMoving();
    return true;
}

int ObsReader::ReadRinex3Epoch() {
    PendingEvent pending;
    while (ReadLine(f_, line_)) {
        const std::string head = line_;
        const std::string_view l = head;
        WeekTime t;
        t.year = ParseInt(Columns(l, 2, 5));
        t.month = ParseInt(Columns(l, 7, 3));
        t.day = ParseInt(Columns(l, 10, 3));
        t.hour = ParseInt(Columns(l, 13, 3));
        t.minute = ParseInt(Columns(l, 16, 3));
        t.second = ParseReal(Columns(l, 19, 11));
        const int flag = ParseInt(Columns(l, 30, 3));
        const int count = std::max(0, ParseInt(Columns(l, 33, 3)));
        if (flag == 0 || flag == 1 || flag == 5 || flag == 6) CDefTime::FromCalendarGps(t);
        if (flag == 0 || flag == 1 || flag == 6) {
            // Flag 1 (power failure before this epoch) still carries observations; flag 6
            // (cycle-slip records) has the observation layout and is read and dropped.
            OBSERVATIONS epoch;
            epoch.time = t;
            epoch.epochFlag = static_cast<uint8_t>(flag);
            if (l.size() >= 36) epoch.clockOffset = ParseReal(ColumnsFrom(l, 36));
            for (int i = 0; i < count; ++i) {
                if (!ReadLine(f_, line_)) return 0;
                if (Trim(line_).empty() || !ModelledSystemLetter(line_[0])) continue;
                const int systemCode = SystemCodeFromLetter(line_[0]);
                int prn = ParseInt(Columns(line_, 2, 2));
                if (systemCode == kSbas) prn -= 19;
                AddSatellite(epoch, systemCode, prn, ColumnsFrom(line_, 4));
            }
            if (KeepEpoch(std::move(epoch), flag, t)) return 1;
            continue;
        }
        if (!ReadSpecialRecord(flag, count, t, pending)) return 0;
    }
    return 0;
}

int ObsReader::ReadRinex2Epoch() {
    PendingEvent pending;
    while (Next()) {
        std::string head = line_;
        if (Trim(head).empty()) continue;
        if (!IsEpochLineV2(head)) {
            // A line that is no epoch line where one belongs: a damaged record, passed over up
            // to the next epoch line and counted once per run of such lines.
            if (!lost_) ++out_.skippedRecords;
            lost_ = true;
            continue;
        }
        lost_ = false;
        WeekTime t;
        t.year = ParseInt(Columns(head, 1, 3));
        t.month = ParseInt(Columns(head, 4, 3));
        t.day = ParseInt(Columns(head, 7, 3));
        t.hour = ParseInt(Columns(head, 10, 3));
        t.minute = ParseInt(Columns(head, 13, 3));
        t.second = ParseReal(Columns(head, 16, 11));
        const int flag = ParseInt(Columns(head, 27, 3));
        const int count = std::max(0, ParseInt(Columns(head, 30, 3)));
        if (flag == 0 || flag == 1 || flag == 5 || flag == 6) {
            if (t.year >= 80 && t.year <= 99)
                t.year += 1900;
            else if (t.year >= 0 && t.year < 80)
                t.year += 2000;
            CDefTime::FromCalendarGps(t);
        }
        if (flag == 0 || flag == 1 || flag == 6) {
            OBSERVATIONS epoch;
            epoch.time = t;
            epoch.epochFlag = static_cast<uint8_t>(flag);
            if (head.size() >= 69) {
                epoch.clockOffset = ParseReal(ColumnsFrom(head, 69));
                head.resize(68);
            }
            for (int r = count - 12; r >= 1; r -= 12) {
                if (!ReadLine(f_, line_)) return 0;
                head += std::string(Columns(line_, 33, 3 * std::min(r, 12)));
            }
            const std::string_view list = ColumnsFrom(head, 33);
            bool damaged = false;
            for (int i = 0; i < count; ++i) {
                std::string id(Columns(list, 1 + 3 * i, 3));
                id.resize(3, ' ');
                const int systemCode = SystemCodeFromLetter(id[0]);
                int prn = ParseInt(std::string_view(id).substr(1, 2));
                if (systemCode == kSbas) prn -= 19;
                const int systemIndex = SystemIndexFromCode(systemCode);
                const size_t n = out_.header.codes[systemIndex].size();
                const size_t lines = (n + 4) / 5;
                std::string values;
                for (size_t k = 0; k < lines && !damaged; ++k) {
                    if (!Next()) return 0;
                    if (IsEpochLineV2(line_)) {
                        PutBack();  // a line of this record is missing
                        damaged = true;
                        break;
                    }
                    line_.resize(80, ' ');
                    values += line_;
                }
                if (damaged) break;
                if (ModelledSystemLetter(id[0])) AddSatellite(epoch, systemCode, prn, values);
            }
            if (damaged) {
                ++out_.skippedRecords;  // the values cannot be told apart: the epoch is dropped
                continue;
            }
            if (KeepEpoch(std::move(epoch), flag, t)) return 1;
            continue;
        }
        if (!ReadSpecialRecord(flag, count, t, pending)) return 0;
    }
    return 0;
}

}  // namespace

void ParseSatelliteValues(std::string_view text, const std::vector<std::string>& codes,
                          int systemIndex, SatelliteData& sat) {
    sat.blocks.assign(kSlotCount, BlockData{});
    int ssi[kSlotCount] = {0, 0, 0, 0, 0};
    for (size_t s = 0; s < codes.size(); ++s) {
        const CodeSlot cs = LookupObsCode(systemIndex, codes[s]);
        if (cs.slot < 0 || cs.slot >= kSlotCount) continue;
        const std::string_view field = Columns(text, 16 * s + 1, 16);
        double value = ParseReal(Columns(field, 1, 14));
        const int lli = ParseInt(Columns(field, 15, 1));
        const int strength = ParseInt(Columns(field, 16, 1));
        if (std::fabs(value) < 1e-8) continue;
        BlockData& b = sat.blocks[cs.slot];
        const char kind = codes[s][0];
        auto take = [&](double& target) {
            if (std::fabs(target) < 1e-6 || cs.priority < b.priority) {
                target = value;
                b.priority = cs.priority;
            }
        };
        if (kind == 'C') {
            if (value < 1e7) value += 33554431.0;
            take(b.pseudorange);
            ssi[cs.slot] = strength;
        } else if (kind == 'L') {
            take(b.phase);
            if (b.priority == cs.priority) b.lli = lli;
            ssi[cs.slot] = strength;
        } else if (kind == 'D') {
            take(b.doppler);
        } else if (kind == 'S') {
            take(b.snr);
        }
    }
    for (int k = 0; k < kSlotCount; ++k) {
        BlockData& b = sat.blocks[k];
        const bool hasRange = std::fabs(b.pseudorange) >= 1e-6 || std::fabs(b.phase) >= 1e-6;
        if (hasRange && std::fabs(b.snr) < 1e-6) b.snr = ssi[k] * 6.0;
    }
}

int RinexReader::ReadObservationFile(const char* path, ObsFile& obsFile, int maxEpochs,
                                     BaldornNotifyTarget* progressWindow) {
    if (!path) return 0;
    const std::string p(path);
    const size_t dot = p.rfind('.');
    if (dot == std::string::npos || dot + 1 >= p.size()) return 0;
    const std::string ext = Upper(p.substr(dot + 1));
    if (ext.find('O') == std::string::npos && ext.find("RNX") == std::string::npos) return 0;

    FilePtr file(OpenRegularFile(path), &std::fclose);
    if (!file) return 0;
    const long long length = FileLength(file.get());
    std::string line;
    if (!ReadLine(file.get(), line) || !Contains(line, "RINEX VERSION / TYPE")) return 0;
    const double version = ParseReal(Columns(line, 1, 9));
    if (version < 1.99 || version > 3.99) return 0;

    obsFile = ObsFile{};
    ObsReader reader(file.get(), obsFile);
    if (!reader.ReadHeader()) return 0;

    const Progress progress(progressWindow);
    const bool v3 = version > 2.99 && version < 4;
    const bool v2 = version > 1.99 && version < 3;
    if (v3 || v2) {
        while (maxEpochs <= 0 || static_cast<int>(obsFile.epochs.size()) < maxEpochs) {
            const int got = v3 ? reader.ReadRinex3Epoch() : reader.ReadRinex2Epoch();
            progress.SendPosition(file.get(), length);
            if (!got) break;
        }
    }
    progress.Send(100);
    return 1;
}

}  // namespace baldorn
