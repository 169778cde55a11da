#include "rinex/nav_headers.h"

#include <cstdio>
#include <ctime>

#include "rinex/dexp.h"
#include "rinex/version_comment.h"

namespace kestrin {
namespace {

std::string Format210Type(const char* type) {
    char text[96];
    std::snprintf(text, sizeof text, "%9.2f%11s%-40s%-20s\n", 2.1, " ", type,
                  "RINEX VERSION / TYPE");
    return text;
}

std::string D12(double v) {
    return FormatDExponent(v, 12, 4);
}

// The three 3.02 lines of one system: "<p>A", "<p>B" and "<p3>UT"-style time correction.
std::string Iono302(const char* alphaLabel, const char* betaLabel, const char* utcLabel,
                    const IonoUtcParams& p) {
    char text[512];
    std::snprintf(text, sizeof text,
                  "%s %s%s%s%s       IONOSPHERIC CORR    \n"
                  "%s %s%s%s%s       IONOSPHERIC CORR    \n"
                  "%s %s%s%7d%5d          TIME SYSTEM CORR    \n",
                  alphaLabel, D12(p.alpha0).c_str(), D12(p.alpha1).c_str(), D12(p.alpha2).c_str(),
                  D12(p.alpha3).c_str(), betaLabel, D12(p.beta0).c_str(), D12(p.beta1).c_str(),
                  D12(p.beta2).c_str(), D12(p.beta3).c_str(), utcLabel,
                  FormatDExponent(p.a0, 17, 10).c_str(), FormatDExponent(p.a1, 16, 9).c_str(),
                  p.utcTime, p.utcWeek);
    return text;
}

std::string Iono210(const IonoUtcParams& p) {
    char text[512];
    std::snprintf(text, sizeof text,
                  "  %s%s%s%s          ION ALPHA           \n"
                  "  %s%s%s%s          ION BETA            \n"
                  "   %s%s%9d%9d DELTA-UTC: A0,A1,T,W\n",
                  D12(p.alpha0).c_str(), D12(p.alpha1).c_str(), D12(p.alpha2).c_str(),
                  D12(p.alpha3).c_str(), D12(p.beta0).c_str(), D12(p.beta1).c_str(),
                  D12(p.beta2).c_str(), D12(p.beta3).c_str(), FormatDExponent(p.a0, 19, 12).c_str(),
                  FormatDExponent(p.a1, 19, 12).c_str(), p.utcTime, p.utcWeek);
    return text;
}

}  // namespace

NavHeaderInput MakeNavHeaderInput(const ConvertOptions& options, int leapSeconds,
                                  const IonoUtcParams* ionoSets, const std::string& stamp) {
    NavHeaderInput in;
    in.rinex3 = options.rinex3 != 0;
    in.brevak = options.brevak != 0;
    in.ionoCorrections = options.ionoCorrections != 0;
    in.leapSeconds = leapSeconds;
    in.ionoSets = ionoSets;
    in.stamp = stamp;
    return in;
}

std::string LocalRunStamp() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char text[64];
    std::snprintf(text, sizeof text, "%4d%02d%02d %02d%02d%02d LCL", local.tm_year + 1900,
                  local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec);
    return text;
}

std::string NavVersionLine(NavFileKind kind, const NavHeaderInput& in) {
    const char* const v302 = "     3.02           ";
    const std::string label = "RINEX VERSION / TYPE\n";
    switch (kind) {
        case NavFileKind::Gps:
            if (!in.rinex3) return Format210Type("N: GPS NAV DATA");
            return v302 +
                   std::string(in.brevak ? "N: GNSS NAV DATA    G: GPS NAV DATA     "
                                         : "N: GNSS NAV DATA    G: GPS              ") +
                   label;
        case NavFileKind::Glonass:
            if (!in.rinex3) return Format210Type("GLONASS NAV DATA");
            return v302 + std::string("N: GNSS NAV DATA    R: GLONASS          ") + label;
        case NavFileKind::Bds:
            if (!in.rinex3) return Format210Type("COMPASS NAV DATA");
            return v302 +
                   std::string(in.brevak ? "NAVIGATION DATA     M (Mixed)           "
                                         : "N: GNSS NAV DATA    C: BDS              ") +
                   label;
        case NavFileKind::Galileo:
            if (!in.rinex3) {
                return "     2.10           E: GALILEO/GNGS NAV DATA                " + label;
            }
            return v302 +
                   std::string(in.brevak ? "N: GNSS NAV DATA    E: GALILEO NAV DATA "
                                         : "N: GNSS NAV DATA    E: GALILEO          ") +
                   label;
        case NavFileKind::Sbas:
            if (!in.rinex3) {
                return "     2.10           S: SBAS/GNSS NAV DATA                   " + label;
            }
            return v302 + std::string("N: GNSS NAV DATA    S: SBAS             ") + label;
        case NavFileKind::Qzss:
            if (!in.rinex3) {
                return "     2.10           J: QZSS/GNSS NAV DATA                   " + label;
            }
            return v302 + std::string("N: GNSS NAV DATA    J: QZSS             ") + label;
        case NavFileKind::Mixed:
            return v302 + std::string("N: GNSS NAV DATA    M: Mixed            ") + label;
        case NavFileKind::Almanac: {
            if (!in.rinex3) return Format210Type("GLONASS NAV DATA");
            char text[96];
            std::snprintf(text, sizeof text, "%9.2f%11s%-20s%-20s%-20s\n", 3.02, " ",
                          "N: GNSS NAV DATA", "M: Mixed", "RINEX VERSION / TYPE");
            return text;
        }
    }
    return {};
}

std::string NavRunByLine(const std::string& stamp) {
    char text[160];
    std::snprintf(text, sizeof text, "%-20s%-20c%-20sPGM / RUN BY / DATE \n", "Zephyrane 1.0", ' ',
                  stamp.c_str());
    return text;
}

std::string NavIonoLines(NavFileKind kind, const NavHeaderInput& in) {
    if (!in.ionoCorrections || in.ionoSets == nullptr) return {};
    switch (kind) {
        case NavFileKind::Gps: {
            const IonoUtcParams& p = in.ionoSets[0];
            if (!p.valid) return {};
            return in.rinex3 ? Iono302("GPSA", "GPSB", "GPUT", p) : Iono210(p);
        }
        case NavFileKind::Bds: {
            const IonoUtcParams& p = in.ionoSets[1];
            if (!p.valid || in.brevak) return {};
            return in.rinex3 ? Iono302("BDSA", "BDSB", "BDUT", p) : Iono210(p);
        }
        case NavFileKind::Qzss: {
            const IonoUtcParams& p = in.ionoSets[2];
            if (!p.valid || in.brevak) return {};
            return in.rinex3 ? Iono302("QZSA", "QZSB", "QZUT", p) : Iono210(p);
        }
        case NavFileKind::Galileo: {
            const IonoUtcParams& p = in.ionoSets[3];
            if (!p.valid || !in.rinex3) return {};
            return "GAL  " + D12(p.alpha0) + D12(p.alpha1) + D12(p.alpha2) + D12(0.0) +
                   "       IONOSPHERIC CORR    \n";
        }
        default:
            return {};
    }
}

std::string NavLeapLine(int leapSeconds) {
    char text[128];
    std::snprintf(text, sizeof text, "    %02d%54sLEAP SECONDS        \n", leapSeconds, " ");
    return text;
}

std::string NavEndLine() {
    char text[96];
    std::snprintf(text, sizeof text, "%60s%-20s\n", " ", "END OF HEADER");
    return text;
}

std::string NavHeaderText(NavFileKind kind, const NavHeaderInput& in) {
    std::string text = NavVersionLine(kind, in) + NavRunByLine(in.stamp) + ConvertedByLine();
    if (kind == NavFileKind::Mixed) return text + NavEndLine();
    return text + NavIonoLines(kind, in) + NavLeapLine(in.leapSeconds) + NavEndLine();
}

}  // namespace kestrin
