#include "rinex/output_names.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "core/gnss_time.h"

namespace kestrin {
namespace {

size_t LastSeparator(const std::string& path) {
    return path.find_last_of("/\\");
}

// Rounding of values that come from file data: kept in a range an int holds.
int BoundedRound(double x) {
    if (!std::isfinite(x)) return 0;
    return RoundToInt(std::clamp(x, -1.0e6, 1.0e6));
}

std::string TwoDigitsAndLetter(int value, char letter) {
    char text[32];
    std::snprintf(text, sizeof text, "%02d%c", value, letter);
    return text;
}

}  // namespace

std::string FileTitle(const std::string& path) {
    const size_t sep = LastSeparator(path);
    std::string name = sep == std::string::npos ? path : path.substr(sep + 1);
    const size_t dot = name.rfind('.');
    if (dot != std::string::npos) name.erase(dot);
    return name;
}

std::string JoinPath(const std::string& folder, const std::string& name) {
    if (folder.empty()) return name;
    std::string base = folder;
    if (base.back() == '/' || base.back() == '\\') base.pop_back();
    return base + "/" + name;
}

std::string NineCharBase(const std::string& basePath) {
    const size_t sep = LastSeparator(basePath);
    const size_t start = sep == std::string::npos ? 0 : sep + 1;
    std::string folder = basePath.substr(0, start);
    std::string name = basePath.substr(start);
    if (name.size() > 9) {
        name = name.substr(name.size() - 9);
    } else {
        name.append(9 - name.size(), '0');
    }
    return folder + name;
}

std::string DurationText(double s) {
    if (!std::isfinite(s)) s = 0.0;
    if (s > 43200.0) return TwoDigitsAndLetter(BoundedRound(s / 86400.0), 'D');
    if (s > 1800.0) return TwoDigitsAndLetter(BoundedRound(s / 3600.0), 'H');
    if (s > 450.0) return TwoDigitsAndLetter(15 * BoundedRound(s / 900.0), 'M');
    return TwoDigitsAndLetter(std::max(1, BoundedRound(s / 60.0)), 'M');
}

std::string IntervalText(double x) {
    if (!(x > 0.0) || !std::isfinite(x)) return "00U";
    if (x < 0.99) return TwoDigitsAndLetter(BoundedRound(1.0 / x), 'Z');
    return TwoDigitsAndLetter(BoundedRound(x), 'S');
}

std::string ShortObsName(const std::string& basePath, int yy) {
    char ext[16];
    std::snprintf(ext, sizeof ext, ".%02dO", yy);
    return basePath + ext;
}

std::string ShortNavName(const std::string& basePath, int yy, int systemIndex, bool leica) {
    static const char kLetters[kSystemCount] = {'N', 'G', 'C', 'H', 'Q', 'L'};
    if (systemIndex < 0 || systemIndex >= kSystemCount) return {};
    char letter = kLetters[systemIndex];
    if (systemIndex == 2 && leica) letter = 'F';
    char ext[16];
    std::snprintf(ext, sizeof ext, ".%02d%c", yy, letter);
    return basePath + ext;
}

int ShortNameYear(const int32_t* yearOverride, int firstEpochYear) {
    const int y = yearOverride != nullptr ? *yearOverride : firstEpochYear;
    return std::abs(y % 100);
}

LongNames MakeLongNames(const std::string& basePath, const GnssTime& firstEpoch,
                        const GnssTime& lastEpoch, double outputInterval, int systemsPresent) {
    const std::string b = NineCharBase(basePath);
    const char type = systemsPresent == 1 ? 'G' : 'M';
    const int doy = DayOfYear(firstEpoch.year, firstEpoch.month, firstEpoch.day);
    const std::string d = DurationText(TimeDiff(lastEpoch, firstEpoch));
    const std::string i = IntervalText(outputInterval);
    char text[64];
    std::snprintf(text, sizeof text, "_%c_%04d%03d%02d%02d_", 'R', firstEpoch.year, doy,
                  firstEpoch.hour, firstEpoch.minute);
    LongNames names;
    names.obs = b + text + d + "_" + i + "_" + type + "O.rnx";
    names.nav = b + text + d + "_" + type + "N.rnx";
    return names;
}

std::string EmsName(const std::string& basePath) {
    return basePath + ".EMS";
}
std::string AlmanacName(const std::string& basePath) {
    return basePath + ".ALM";
}

}  // namespace kestrin
