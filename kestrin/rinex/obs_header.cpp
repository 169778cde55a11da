// The RINEX 2.10 / 3.02 observation header and the observation file writers.
#include "rinex/obs_header.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <ctime>

#include "core/gnss_time.h"
#include "core/raw_converter.h"
#include "rinex/final_file.h"
#include "rinex/nav_headers.h"
#include "rinex/obs_codes.h"
#include "rinex/obs_records.h"
#include "rinex/text_format.h"
#include "rinex/version_comment.h"

namespace kestrin {

namespace {

constexpr int32_t kSysCodes[kSystemCount] = {kSysGps,  kSysGlonass, kSysBds,
                                             kSysSbas, kSysQzss,    kSysGalileo};

// Pads (or cuts) the data part of a header line to 60 columns and adds the label.
std::string HeaderLine(std::string data, const char* label) {
    data.resize(60, ' ');
    return data + label + "\n";
}

std::string Lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

enum class Layout { kBrevak, kStandard, kGrouped };

Layout LayoutOf(const RawConverter& w) {
    if (w.options.brevak) return Layout::kBrevak;
    if (!w.info.profile.groupedObservations || w.options.leica) return Layout::kStandard;
    return Layout::kGrouped;
}

// The slot a listed code stands for: the slot the decoders recorded it for, else the slot of
// the default table.
int SlotOfListedCode(const HeaderInfo& info, int systemIndex, const std::string& code) {
    for (int k = 0; k < kSignalSlots; ++k) {
        if (info.obsCodes[systemIndex][k] == code) return k;
    }
    return FindSlotOfCode(kSysCodes[systemIndex], code);
}

std::string TimeLine(const GnssTime& t, const char* label) {
    return StringFormat("%6d    %02d    %02d    %02d    %02d%13.7f     GPS%9c%-20s\n", t.year,
                        t.month, t.day, t.hour, t.minute, t.second, ' ', label);
}

std::string CommonSiteLines(const HeaderInfo& info) {
    std::string out;
    AppendFormat(out, "%-60.60sMARKER NAME         \n", info.markerName.c_str());
    AppendFormat(out, "%-60dMARKER NUMBER       \n", info.sessionNumber);
    out += "                                                            OBSERVER / AGENCY   \n";
    AppendFormat(out, "%-20.20s%-20.20s%-20.20sREC # / TYPE / VERS \n", info.receiverNumber.c_str(),
                 info.receiverType.c_str(), info.firmwareVersion.c_str());
    AppendFormat(out, "%-20d%-20.20s%-20cANT # / TYPE        \n", info.antennaNumber,
                 info.antennaType.c_str(), ' ');
    out += HeaderLine(StringFormat("%14.4f%14.4f%14.4f", info.x, info.y, info.z),
                      "APPROX POSITION XYZ ");
    out += HeaderLine(StringFormat("%14.4f%14.4f%14.4f", info.antennaHeight, 0.0, 0.0),
                      "ANTENNA: DELTA H/E/N");
    return out;
}

const char* const kSystemComments =
    "       G = GPS       R = GLONASS       C = COMPASS          COMMENT             \n"
    "       S = SBAS      J = QZSS          E = GALILEO          COMMENT             \n";

// Observation-count line identifier of a satellite index, as the epoch records print it.
std::string CountIdentifier(int u) {
    const SatelliteId sat = SatelliteOfIndex(u);
    return StringFormat("   %c%02d", kSystemLetters[SystemIndex(sat.sysCode)],
                        RecordSatelliteNumber(sat.sysCode, sat.prn));
}

int SystemIndexOfNumber(int u) {
    return SystemIndex(SatelliteOfIndex(u).sysCode);
}

// The 2.10 band of a code of the observation counts and whether it is the band's C code:
// returns 1 or 2, or 0 for codes that have no 2.10 column.
int Rinex2CountBand(int systemIndex, const std::string& code, bool& isCCode) {
    static const char* const firstOne[kSystemCount] = {"C1C", "C1C", "C1I", "C1C", "C1C", "C1C"};
    static const char* const firstTwo[kSystemCount] = {"C2C", "C2C", "C7I", "C5I", "C2S", "C5I"};
    static const char* const prefixTwo[kSystemCount] = {"C2", "C2", "C7", "C5", "C2", "C5"};
    if (code == firstOne[systemIndex] || code.find("C1") != std::string::npos) {
        isCCode = code == firstOne[systemIndex];
        return 1;
    }
    if (code == firstTwo[systemIndex] || code.find(prefixTwo[systemIndex]) != std::string::npos) {
        isCCode = code == firstTwo[systemIndex];
        return 2;
    }
    return 0;
}

std::string CountLines(RawConverter& w, bool gpsOnlyLayout) {
    const HeaderInfo& info = w.info;
    std::string out;
    std::vector<int> seen;
    for (int u = 1; u < kSatelliteIndexCount; ++u) {
        if (!info.satSeen[u]) continue;
        if ((w.options.systemMask & (1u << SystemIndexOfNumber(u))) == 0) continue;
        seen.push_back(u);
    }
    AppendFormat(out, "    %2d%54c# OF SATELLITES     \n", static_cast<int>(seen.size()), ' ');
    const Layout layout = LayoutOf(w);
    for (int u : seen) {
        const int s = SystemIndexOfNumber(u);
        const std::vector<std::string>& codes = w.codesInUse[s];
        // Counts per listed code: pseudorange, phase, Doppler, strength.
        std::vector<std::array<int32_t, 4>> counts;
        for (const std::string& code : codes) {
            const int slot = FindSlotOfCode(kSysCodes[s], code);
            counts.push_back(slot >= 0 ? info.obsCounts[u][slot] : std::array<int32_t, 4>{});
        }
        std::string line = CountIdentifier(u);
        if (w.options.rinex3) {
            std::vector<int32_t> values;
            if (layout == Layout::kBrevak) {
                for (const auto& c : counts) {
                    if (values.size() + 3 > 9) break;
                    values.insert(values.end(), {c[1], c[0], c[2]});
                }
            } else if (w.options.leica) {
                for (const auto& c : counts) {
                    if (values.size() + 4 > 9) {
                        if (values.size() < 9) values.push_back(c[0]);
                        break;
                    }
                    values.insert(values.end(), {c[0], c[1], c[2], c[3]});
                }
            } else {
                for (const auto& c : counts) values.push_back(c[0]);
                if (!counts.empty()) values.push_back(counts.front()[2]);
                for (const auto& c : counts) values.push_back(c[1]);
                for (const auto& c : counts) values.push_back(c[3]);
                if (values.size() > 9) values.resize(9);
            }
            for (int32_t v : values) AppendFormat(line, "%6d", v);
            out += HeaderLine(line, "PRN / # OF OBS      ");
            continue;
        }
        int32_t c1 = 0, p1 = 0, l1 = 0, d1 = 0, s1 = 0, c2 = 0, p2 = 0, l2 = 0, d2 = 0, s2 = 0;
        for (size_t i = 0; i < codes.size(); ++i) {
            bool isC = false;
            const int band = Rinex2CountBand(s, codes[i], isC);
            const auto& c = counts[i];
            if (band == 1) {
                (isC ? c1 : p1) += c[0];
                l1 += c[1];
                d1 += c[2];
                s1 += c[3];
            } else if (band == 2) {
                (isC ? c2 : p2) += c[0];
                l2 += c[1];
                d2 += c[2];
                s2 += c[3];
            }
        }
        if (layout == Layout::kBrevak) {
            AppendFormat(out, "%s%6d%6d%6d%6d%6d%6d%6d%6d      PRN / # OF OBS      \n",
                         line.c_str(), l1, l2, c1, p2, d1, d2, p1, c2);
        } else if (w.options.leica) {
            AppendFormat(out, "%s%6d%6d%6d%6d%6d%6d%6d%6d      PRN / # OF OBS      \n",
                         line.c_str(), c1 + p1, l1, d1, s1, c2 + p2, l2, d2, s2);
        } else if (gpsOnlyLayout) {
            AppendFormat(out, "%s%6d%6d%6d%6d%6d%6d%6d            PRN / # OF OBS      \n",
                         line.c_str(), c1 + p1, d1, l1, l2, c2 + p2, s1, s2);
        } else {
            AppendFormat(out, "%s%6d%6d%6d%6d%6d%6d%6d%6d%6dPRN / # OF OBS      \n", line.c_str(),
                         c1, c2, d1, l1, l2, p1, p2, s1, s2);
        }
    }
    return out;
}

}  // namespace

std::string ObsProgramName(const std::string& receiverType) {
    const std::string lower = Lower(receiverType);
    if (lower.find("quendal") != std::string::npos) return "Quendal";
    if (lower.find("tarvin") != std::string::npos) return "Tarvin";
    return "Zephyrane 1.0";
}

std::string ObsTypesLines(char systemLetter, const std::vector<std::string>& types) {
    std::string out;
    std::string line = StringFormat("%c%5d", systemLetter, static_cast<int>(types.size()));
    for (size_t i = 0; i < types.size(); ++i) {
        if (i > 0 && i % 13 == 0) {
            out += HeaderLine(line, "SYS / # / OBS TYPES ");
            line.assign(6, ' ');
        }
        line += ' ';
        line += types[i];
    }
    out += HeaderLine(line, "SYS / # / OBS TYPES ");
    return out;
}

std::string GlonassSlotLines(const HeaderInfo& info) {
    std::vector<int> slots;
    for (int slot = 1; slot < kGlonassSlots; ++slot) {
        const int k = info.glonassChannels[slot];
        if (k >= -7 && k <= 13) slots.push_back(slot);
    }
    if (slots.empty()) return {};
    std::string out;
    std::string line = StringFormat(" %2d ", static_cast<int>(slots.size()));
    for (size_t i = 0; i < slots.size(); ++i) {
        AppendFormat(line, "R%02d %2d ", slots[i], info.glonassChannels[slots[i]]);
        if ((i + 1) % 8 == 0) {
            AppendFormat(out, "%s%-20s\n", line.c_str(), "GLONASS SLOT / FRQ #");
            line.assign(4, ' ');
        }
    }
    if (slots.size() % 8 != 0) {
        line.append(7 * (8 - slots.size() % 8), ' ');
        AppendFormat(out, "%s%-20s\n", line.c_str(), "GLONASS SLOT / FRQ #");
    }
    return out;
}

namespace {

// Version, program and system lines, the strength-unit comment and the site lines.
std::string OpeningLines(const RawConverter& w, const std::string& runStamp) {
    const HeaderInfo& info = w.info;
    const bool rinex3 = w.options.rinex3 != 0;
    std::string out = rinex3 ? "     3.02           " : "     2.10           ";
    out += info.systemsPresent == 1
               ? "OBSERVATION DATA    GPS                 RINEX VERSION / TYPE\n"
               : "OBSERVATION DATA    M (MIXED)           RINEX VERSION / TYPE\n";
    AppendFormat(out, "%-20s%-20c%-20.20sPGM / RUN BY / DATE \n",
                 ObsProgramName(info.receiverType).c_str(), ' ', runStamp.c_str());
    out += ConvertedByLine();
    out += kSystemComments;
    if (!rinex3 && info.profile.strengthInDbHz) {
        out += "Signal Strength values S1,S2 are in dBHz                    COMMENT             \n";
    }
    out += CommonSiteLines(info);
    return out;
}

// Narrows the code lists to band 1 when asked and the systems present to the selection.
void ApplySelection(RawConverter& w) {
    if (w.options.singleFrequency) {
        for (auto& list : w.codesInUse) {
            std::erase_if(list, [](const std::string& c) { return c.size() < 2 || c[1] != '1'; });
        }
    }
    w.info.systemsPresent &= w.options.systemMask;
}

// The 3.02 "SYS / # / OBS TYPES" lines of every system present, in the layout's order.
std::string ObsTypeLines302(const RawConverter& w, Layout layout) {
    std::string out;
    for (int s = 0; s < kSystemCount; ++s) {
        const std::vector<std::string>& codes = w.codesInUse[s];
        if ((w.info.systemsPresent & (1 << s)) == 0 || codes.empty()) continue;
        std::vector<std::string> types;
        switch (layout) {
            case Layout::kBrevak:
                for (const std::string& c : codes) {
                    types.insert(types.end(), {WithObsType(c, 'L'), c, WithObsType(c, 'D')});
                }
                break;
            case Layout::kStandard:
                for (const std::string& c : codes) {
                    types.insert(types.end(), {c, WithObsType(c, 'L'), WithObsType(c, 'D'),
                                               WithObsType(c, 'S')});
                }
                break;
            case Layout::kGrouped:
                types = codes;
                types.push_back(WithObsType(codes.front(), 'D'));
                for (const std::string& c : codes) types.push_back(WithObsType(c, 'L'));
                for (const std::string& c : codes) types.push_back(WithObsType(c, 'S'));
                break;
        }
        out += ObsTypesLines(kSystemLetters[s], types);
    }
    out += "DBHZ                                                        COMMENT             \n";
    return out;
}

// The 2.10 "# / TYPES OF OBSERV" line of the layout and the wavelength factors.
std::string ObsTypeLines210(Layout layout, bool gpsOnlyLayout) {
    std::string out;
    switch (layout) {
        case Layout::kBrevak:
            out +=
                "     8    L1    L2    C1    P2    D1    D2    P1    C2      # / TYPES OF "
                "OBSERV \n";
            break;
        case Layout::kStandard:
            out +=
                "     8    C1    L1    D1    S1    P2    L2    D2    S2      # / TYPES OF "
                "OBSERV \n";
            break;
        case Layout::kGrouped:
            out += gpsOnlyLayout ? "     7    C1    D1    L1    L2    P2    S1    S2           "
                                   " # / TYPES OF OBSERV \n"
                                 : "     9    C1    C2    D1    L1    L2    P1    P2    S1    "
                                   "S2# / TYPES OF OBSERV \n";
            break;
    }
    out += "     1     1                                                WAVELENGTH FACT L1/2\n";
    return out;
}

std::string IntervalAndTimeLines(const RawConverter& w) {
    std::string out =
        HeaderLine(StringFormat("     %-6.3f", w.outputInterval), "INTERVAL            ");
    out += TimeLine(w.firstEpoch, "TIME OF FIRST OBS");
    out += TimeLine(w.lastEpoch, "TIME OF LAST OBS");
    out += "     0                                                      RCV CLOCK OFFS APPL \n";
    return out;
}

// 3.02: the phase shift of every listed code, then the GLONASS slots and the board's GLONASS
// code/phase bias line.
std::string PhaseShiftAndGlonassLines(const RawConverter& w) {
    const HeaderInfo& info = w.info;
    std::string out;
    for (int s = 0; s < kSystemCount; ++s) {
        if ((info.systemsPresent & (1 << s)) == 0) continue;
        for (const std::string& c : w.codesInUse[s]) {
            const double shift = PhaseShift(s, SlotOfListedCode(info, s, c));
            AppendFormat(out,
                         "%c %s %8.5f                                              SYS / PHASE "
                         "SHIFT   \n",
                         kSystemLetters[s], WithObsType(c, 'L').c_str(), shift);
        }
    }
    if (info.systemsPresent & 2) {
        out += GlonassSlotLines(info);
        if (!info.profile.glonassBiasLine.empty())
            out += HeaderLine(info.profile.glonassBiasLine, "GLONASS COD/PHS/BIS ");
    }
    return out;
}

// The antenna comments, the station kind and the end of the header.
std::string ClosingLines(const RawConverter& w) {
    const HeaderInfo& info = w.info;
    std::string out;
    // Which point ANTENNA: DELTA H reaches, in every version: the L1 phase centre (not the
    // reference point RINEX defines, so a calibration must not add the offset again) or the
    // antenna bottom.
    out += w.options.phaseCenter ? "*** Above antenna height is from mark to PHASE CENTER.      "
                                   "COMMENT             \n"
                                 : "*** Above antenna height is from mark to ANTENNA BOTTOM.    "
                                   "COMMENT             \n";
    if (!w.options.rinex3)
        out += "CARRIER PHASE MEASUREMENTS: PHASE SHIFTS REMOVED            COMMENT             \n";
    AppendFormat(out, "%6d%6d%14.4f%30s    %-20s\n", info.methodMask, info.measureMethod,
                 info.measuredHeight, "ANT MEASURE TYPE/HEIGT", "COMMENT");
    AppendFormat(out, "%10.4f%10.4f%10.4f%10.4f%10.4f          %-20s\n", info.antennaRadius,
                 info.antennaEdgeHeight, info.l1PhaseOffset, info.l2PhaseOffset, info.antennaSpare,
                 "COMMENT");
    AppendFormat(out, "%-20c%-20s%-20c%-20s\n", ' ',
                 info.stationKind != 0 ? "ROVER STATION" : "BASE STATION", ' ', "COMMENT");
    out += "                                                            END OF HEADER       \n";
    return out;
}

// A rover's file starts with the records that declare a moving antenna.
std::string RoverStartRecords(bool rinex3) {
    std::string out;
    if (rinex3) {
        AppendFormat(out, ">%28c%3d%3d\n", ' ', 2, 0);
    } else {
        AppendFormat(out, "%26c%3d%51c\n", ' ', 2, ' ');
        AppendFormat(out, "%26c%3d%3d%48c\n", ' ', 4, 1, ' ');
        out +=
            "  *** START MOVING ANTENNA  ! ***                           COMMENT             "
            "\n";
    }
    return out;
}

}  // namespace

std::string ObsHeaderText(RawConverter& w, const std::string& runStamp) {
    const bool rinex3 = w.options.rinex3 != 0;
    const Layout layout = LayoutOf(w);
    // Grouped records choose their 2.10 layout by the system selection (fixed before the
    // first record is written); the header declares the same layout.
    const bool gpsOnlyLayout = w.options.systemMask == 1;

    std::string out = OpeningLines(w, runStamp);
    ApplySelection(w);
    out += rinex3 ? ObsTypeLines302(w, layout) : ObsTypeLines210(layout, gpsOnlyLayout);
    out += IntervalAndTimeLines(w);
    if (rinex3) out += PhaseShiftAndGlonassLines(w);
    AppendFormat(out, "    %02d%54cLEAP SECONDS        \n", w.leapSeconds, ' ');
    if (w.info.profile.countLines) out += CountLines(w, gpsOnlyLayout);
    out += ClosingLines(w);
    if (w.info.stationKind == 1) out += RoverStartRecords(rinex3);
    return out;
}

bool RawConverter::WriteObsFile(const std::string& path) {
    // Without records there is no observation file, and records of which some could not be
    // collected make none either.
    if (TempFileSize(kTempObs) <= 0 || TempFileFailed(kTempObs)) {
        std::remove(path.c_str());
        return false;
    }
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr) return false;
    const std::string header = ObsHeaderText(*this, LocalRunStamp());
    bool ok = std::fwrite(header.data(), 1, header.size(), f) == header.size();
    ok = ok && CopyTempFile(kTempObs, f);
    ok = (std::fclose(f) == 0) && ok;
    if (!ok) std::remove(path.c_str());
    return ok;
}

namespace {

// The whole model file at `path`; false when it could not be written completely.
bool WriteModelText(const std::string& path, const HeaderInfo& header,
                    const std::vector<OBSERVATIONS>& epochs, KestrinNotifyTarget* window) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr) return false;

    std::string text =
        header.systemsPresent == 1
            ? "     2.10           OBSERVATION DATA    GPS                 RINEX VERSION / TYPE\n"
            : "     2.10           OBSERVATION DATA    M (MIXED)           RINEX VERSION / TYPE\n";
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    const std::string stamp =
        StringFormat("%02d-%02d-%02d %02d:%02d", local.tm_mday, local.tm_mon + 1,
                     local.tm_year + 1900 - 2000, local.tm_hour, local.tm_min);
    AppendFormat(text, "%-20s%-20c%-20sPGM / RUN BY / DATE \n", "Zephyrane 1.0", ' ',
                 stamp.c_str());
    text += ConvertedByLine();
    text += kSystemComments;
    text += CommonSiteLines(header);
    text += "     8    C1    L1    D1    S1    P2    L2    D2    S2      # / TYPES OF OBSERV \n";
    text += TimeLine(epochs.front().time, "TIME OF FIRST OBS");
    text += TimeLine(epochs.back().time, "TIME OF LAST OBS");
    AppendFormat(
        text,
        "    %02d                                                      LEAP SECONDS        \n",
        LeapSecondsAt(epochs.front().time));
    text += "                                                            END OF HEADER       \n";
    bool ok = std::fwrite(text.data(), 1, text.size(), f) == text.size();

    const size_t count = epochs.size();
    for (size_t i = 0; ok && i < count; ++i) {
        const std::string record = FormatModelEpoch210(epochs[i]);
        ok = std::fwrite(record.data(), 1, record.size(), f) == record.size();
        if (window != nullptr && window->notify != nullptr) {
            window->notify(window->context, KESTRIN_MSG_PROGRESS,
                           static_cast<long>(i * 100 / count), 0);
        }
    }
    return (std::fclose(f) == 0) && ok;
}

}  // namespace

int WriteModelObsFile(const std::string& path, const HeaderInfo& header,
                      const std::vector<OBSERVATIONS>& epochs, KestrinNotifyTarget* window) {
    if (epochs.empty()) return 1;
    // The path is often the file the model was read from: it is replaced only by a complete
    // new file, and a write that fails leaves it as it was.
    const bool ok = WriteBeside(path, [&](const std::string& tempPath) {
        return WriteModelText(tempPath, header, epochs, window);
    });
    return ok ? 1 : 0;
}

}  // namespace kestrin
