#include "support/gnss_session.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <sstream>

#include "core/gnss_time.h"
#include "rinex/obs_codes.h"
#include "support/text_lines.h"

namespace testsupport {

namespace {

int32_t SysCodeOfLetter(char c) {
    switch (c) {
        case 'G':
            return kSysGps;
        case 'R':
            return kSysGlonass;
        case 'C':
            return kSysBds;
        case 'S':
            return kSysSbas;
        case 'J':
            return kSysQzss;
        case 'E':
            return kSysGalileo;
        default:
            return -1;
    }
}

// Observation codes per system letter from the header's "SYS / # / OBS TYPES" lines.
std::map<char, std::vector<std::string>> ObsTypes(const std::vector<std::string>& lines,
                                                  size_t& bodyStart) {
    std::map<char, std::vector<std::string>> types;
    char current = 0;
    for (size_t i = 0; i < lines.size(); ++i) {
        const std::string& line = lines[i];
        if (line.find("END OF HEADER") == 60) {
            bodyStart = i + 1;
            break;
        }
        if (line.find("SYS / # / OBS TYPES") != 60) continue;
        if (line[0] != ' ') current = line[0];
        std::istringstream in(line.substr(7, 53));
        for (std::string code; in >> code;) types[current].push_back(code);
    }
    return types;
}

double Field(const std::string& line, size_t index, bool& present) {
    const size_t at = 3 + 16 * index;
    present = false;
    if (line.size() <= at) return 0;
    const std::string text = line.substr(at, 14);
    if (text.find_first_not_of(' ') == std::string::npos) return 0;
    present = true;
    return std::atof(text.c_str());
}

}  // namespace

std::string WithoutProgramLine(const std::string& text) {
    std::string out;
    for (const std::string& line : Lines(text)) {
        if (line.find("PGM / RUN BY / DATE") == 60 || line.rfind("converted by Tollmere ", 0) == 0)
            continue;
        out += line + "\n";
    }
    return out;
}

std::string EpochKey(const GnssTime& t) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "> %04d %02d %02d %02d %02d %10.7f", t.year, t.month, t.day,
                  t.hour, t.minute, t.second);
    return buf;
}

std::string SatKey(int32_t sysCode, int32_t prn) {
    const int system = ::SystemIndex(sysCode);
    int number = prn;
    if (sysCode == kSysSbas) number = prn + 19;
    char buf[8];
    std::snprintf(buf, sizeof buf, "%c%02d", system >= 0 ? kSystemLetters[system] : '?', number);
    return buf;
}

std::vector<SessionEpoch> ReadRinex3Session(const std::string& text, size_t count,
                                            const int8_t (&glonassChannels)[25]) {
    const std::vector<std::string> lines = Lines(text);
    size_t i = 0;
    const auto types = ObsTypes(lines, i);
    std::vector<SessionEpoch> epochs;
    for (; i < lines.size() && epochs.size() < count; ++i) {
        const std::string& line = lines[i];
        if (line.size() < 35 || line[0] != '>') continue;
        SessionEpoch e;
        GnssTime& t = e.time;
        std::sscanf(line.c_str() + 2, "%d %d %d %d %d %lf", &t.year, &t.month, &t.day, &t.hour,
                    &t.minute, &t.second);
        kestrin::CalendarToGps(t);
        const int sats = std::atoi(line.substr(32, 3).c_str());
        for (int k = 0; k < sats && i + 1 < lines.size(); ++k) {
            const std::string& s = lines[++i];
            SessionSat sat;
            sat.sysCode = SysCodeOfLetter(s[0]);
            sat.prn = std::atoi(s.substr(1, 2).c_str());
            if (sat.sysCode < 0 || !types.count(s[0])) continue;
            if (sat.sysCode == kSysGlonass && sat.prn > 0 && sat.prn < 25)
                sat.glonassChannel = glonassChannels[sat.prn];
            const std::vector<std::string>& codes = types.at(s[0]);
            for (size_t c = 0; c + 3 < codes.size(); c += 4) {
                bool hasRange = false, hasPhase = false, hasDoppler = false, hasSnr = false;
                SessionSignal sig;
                sig.slot = kestrin::FindSlotOfCode(sat.sysCode, codes[c]);
                sig.range = Field(s, c, hasRange);
                const double cycles = Field(s, c + 1, hasPhase);
                sig.doppler = Field(s, c + 2, hasDoppler);
                sig.snr = Field(s, c + 3, hasSnr);
                const double lambda =
                    kestrin::CarrierWavelength(sat.sysCode, sig.slot, sat.glonassChannel);
                sig.phaseMetres = cycles * lambda;
                if (sig.slot < 0 || !hasRange || !hasPhase || lambda == 0) continue;
                sat.signals.push_back(sig);
            }
            if (!sat.signals.empty()) e.sats.push_back(sat);
        }
        epochs.push_back(e);
    }
    return epochs;
}

ObsValues ReadRinex3Values(const std::string& text) {
    const std::vector<std::string> lines = Lines(text);
    size_t i = 0;
    const auto types = ObsTypes(lines, i);
    ObsValues values;
    std::string epoch;
    for (; i < lines.size(); ++i) {
        const std::string& line = lines[i];
        if (line.empty()) continue;
        if (line[0] == '>') {
            epoch = line.substr(0, 29);
            continue;
        }
        if (!types.count(line[0]) || line.size() < 3) continue;
        const std::vector<std::string>& codes = types.at(line[0]);
        auto& sat = values[epoch][line.substr(0, 3)];
        for (size_t c = 0; c < codes.size(); ++c) {
            bool present = false;
            const double v = Field(line, c, present);
            if (!present) continue;
            sat[codes[c]] = v;
            const size_t lli = 3 + 16 * c + 14;
            if (line.size() > lli && line[lli] != ' ') sat["LLI " + codes[c]] = line[lli] - '0';
        }
    }
    return values;
}

}  // namespace testsupport
