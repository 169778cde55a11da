// Header texts of the navigation files, the almanac file and the mixed navigation file.
// The texts end their lines with a line feed; the file writers turn them into CR LF.
#pragma once

#include <string>

#include "core/options.h"
#include "kestrin/records.h"

namespace kestrin {

enum class NavFileKind { Gps, Glonass, Bds, Galileo, Sbas, Qzss, Mixed, Almanac };

// Everything a navigation header needs besides the file kind.
struct NavHeaderInput {
    bool rinex3 = true;
    bool brevak = false;
    bool ionoCorrections = true;  // write ionosphere / time-correction lines
    int leapSeconds = 0;
    const IonoUtcParams* ionoSets = nullptr;  // kIonoSets sets: GPS, BDS, QZSS, Galileo
    std::string stamp;                        // "YYYYMMDD HHMMSS LCL"
};

NavHeaderInput MakeNavHeaderInput(const ConvertOptions& options, int leapSeconds,
                                  const IonoUtcParams* ionoSets, const std::string& stamp);

// The local time of writing as "%4d%02d%02d %02d%02d%02d LCL".
std::string LocalRunStamp();

std::string NavVersionLine(NavFileKind kind, const NavHeaderInput& in);
std::string NavRunByLine(const std::string& stamp);
// Ionosphere and time-correction lines of the GPS, BDS, QZSS and Galileo files (empty when
// their conditions do not hold or for other kinds).
std::string NavIonoLines(NavFileKind kind, const NavHeaderInput& in);
std::string NavLeapLine(int leapSeconds);
std::string NavEndLine();

// The whole header of one file.
std::string NavHeaderText(NavFileKind kind, const NavHeaderInput& in);

}  // namespace kestrin
