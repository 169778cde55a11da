// RINEX 2.10 and 3.02 observation epoch records in the plain, Leica, Brevak and data-type-9
// layouts.
#include "rinex/obs_records.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "core/raw_converter.h"
#include "rinex/obs_codes.h"
#include "rinex/text_format.h"

namespace kestrin {

namespace {

constexpr double kPresent = 1e-6;
constexpr double kDopplerPresent = 1e-8;

bool Present(double v) {
    return std::fabs(v) > kPresent;
}

// True when at least one signal of the satellite carries a measurement.
bool HasObservation(const SatelliteData& sat) {
    for (const BlockData& b : sat.blocks) {
        if (Present(b.pseudorange) || Present(b.carrierPhase) || Present(b.doppler) ||
            Present(b.snr)) {
            return true;
        }
    }
    return false;
}

// Leaves out the satellites that cannot be written and the blocks whose slot lies outside
// the tables.
void DropUnwritable(OBSERVATIONS& epoch) {
    for (SatelliteData& sat : epoch.sats) {
        std::erase_if(sat.blocks, [](const BlockData& b) {
            return b.signalType < 0 || b.signalType >= kSignalSlots;
        });
    }
    std::erase_if(epoch.sats, [](const SatelliteData& sat) {
        return !HasObservation(sat) || RecordSatelliteNumber(sat.sysCode, sat.prn) < 0;
    });
}

int GlonassChannelOf(const HeaderInfo& info, int32_t prn) {
    if (prn < 1 || prn >= kGlonassSlots) return kUnknownGlonassChannel;
    return info.glonassChannels[prn];
}

// The ten values of one satellite in the 2.10 columns.
struct Rinex2Values {
    double c1 = 0, p1 = 0, c2 = 0, p2 = 0;
    double l1 = 0, l2 = 0, d1 = 0, d2 = 0, s1 = 0, s2 = 0;
    int lli1 = 0, lli2 = 0, ssi1 = 0, ssi2 = 0;
};

Rinex2Values CollectRinex2(const SatelliteData& sat, bool writeLli) {
    Rinex2Values v;
    const int s = SystemIndex(sat.sysCode);
    struct Band {
        bool any = false;
        double l = 0, d = 0, snr = 0;
        int phaseSlot = -1;
        int lli = 0;
    } band[2];
    for (const BlockData& b : sat.blocks) {
        const Rinex2Column column = Rinex2ColumnOf(s, b.signalType);
        if (column == Rinex2Column::kNone) continue;
        // A block without a pseudorange does not erase the range of an earlier block.
        if (Present(b.pseudorange)) {
            switch (column) {
                case Rinex2Column::kC1:
                    v.c1 = b.pseudorange;
                    break;
                case Rinex2Column::kP1:
                    v.p1 = b.pseudorange;
                    break;
                case Rinex2Column::kC2:
                    v.c2 = b.pseudorange;
                    break;
                case Rinex2Column::kP2:
                    v.p2 = b.pseudorange;
                    break;
                default:
                    break;
            }
        }
        Band& g = band[(column == Rinex2Column::kC1 || column == Rinex2Column::kP1) ? 0 : 1];
        g.any = true;
        if (g.d == 0 && std::fabs(b.doppler) > kDopplerPresent) g.d = b.doppler;
        if (Present(b.carrierPhase) && (g.phaseSlot < 0 || b.signalType < g.phaseSlot)) {
            g.l = b.carrierPhase;
            g.phaseSlot = b.signalType;
            g.lli = static_cast<int>(b.lli & 7u);
        }
        if (g.snr == 0 && Present(b.snr)) g.snr = b.snr;
    }
    v.l1 = band[0].l;
    v.d1 = band[0].d;
    v.s1 = band[0].snr;
    v.lli1 = writeLli ? band[0].lli : 0;
    v.ssi1 = band[0].any ? SignalStrengthIndicator(band[0].snr) : 0;
    v.l2 = band[1].l;
    v.d2 = band[1].d;
    v.s2 = band[1].snr;
    v.lli2 = writeLli ? band[1].lli : 0;
    v.ssi2 = band[1].any ? SignalStrengthIndicator(band[1].snr) : 0;
    return v;
}

// Frequency ratio L1/L2 used by the Brevak phase consistency test.
double BandRatio(int systemIndex) {
    switch (systemIndex) {
        case 1:
            return 1.2857142857142858;
        case 2:
            return 1.2932203389830508;
        case 3:
        case 5:
            return 1.3391304347826087;
        default:
            return 1.2833333333333334;
    }
}

void AppendBrevak210(std::string& out, Rinex2Values v, int systemIndex, bool writeLli) {
    auto dropBandTwo = [&v]() {
        v.d2 = v.s2 = 0;
        v.l2 = -0.0;
        v.ssi2 = 0;
        v.lli2 |= 1;
    };
    if (v.p2 > 1 && v.c1 > 1 && std::fabs(v.p2 - v.c1) > 100) {
        v.p2 = 0;
    } else if (v.c2 > 1 && v.c1 > 1 && std::fabs(v.c2 - v.c1) > 100) {
        v.c2 = 0;
    } else if (Present(v.l2) && Present(v.l1) &&
               std::fabs(v.l1 - BandRatio(systemIndex) * v.l2) > 10000 && systemIndex != 5 &&
               systemIndex != 4) {
        v.p2 = v.c2 = 0;
        dropBandTwo();
    }
    if (!Present(v.p2) && !Present(v.c2)) dropBandTwo();
    if (!writeLli) v.lli1 = v.lli2 = 0;

    AppendFormat(out, "%14.3f", v.l1);
    if ((v.lli1 & 3) != 0) {
        AppendFormat(out, "%d %14.3f", v.lli1 & 3, v.l2);
    } else {
        AppendFormat(out, "  %14.3f", v.l2);
    }
    if ((v.lli2 & 3) != 0) {
        AppendFormat(out, "%d %14.3f  %14.3f  %14.3f  \n%14.3f  %14.3f  %14.3f  %32c\n", v.lli2 & 3,
                     v.c1, v.p2, v.d1, v.d2, v.p1, v.c2, ' ');
    } else {
        AppendFormat(out, "  %14.3f  %14.3f  %14.3f  \n%14.3f  %14.3f  %14.3f  %32c\n", v.c1, v.p2,
                     v.d1, v.d2, v.p1, v.c2, ' ');
    }
}

void AppendStandard210(std::string& out, const Rinex2Values& v) {
    const double code1 = Present(v.c1) ? v.c1 : v.p1;
    if (Present(code1)) {
        if (v.lli1 != 0) {
            AppendFormat(out, "%14.3f%2d%14.3f%d%d%14.3f%2d%14.3f  ", code1, v.ssi1, v.l1, v.lli1,
                         v.ssi1, v.d1, v.ssi1, v.s1);
        } else {
            AppendFormat(out, "%14.3f%2d%14.3f%2d%14.3f%2d%14.3f  ", code1, v.ssi1, v.l1, v.ssi1,
                         v.d1, v.ssi1, v.s1);
        }
    } else {
        AppendFormat(out, "%64c", ' ');
    }
    const double code2 = Present(v.p2) ? v.p2 : v.c2;
    if (Present(code2)) {
        if (v.lli2 != 0) {
            AppendFormat(out, "%14.3f%2d\n%14.3f%d%d%14.3f%2d%14.3f  %32c\n", code2, v.ssi2, v.l2,
                         v.lli2, v.ssi2, v.d2, v.ssi2, v.s2, ' ');
        } else {
            AppendFormat(out, "%14.3f%2d\n%14.3f%2d%14.3f%2d%14.3f  %32c\n", code2, v.ssi2, v.l2,
                         v.ssi2, v.d2, v.ssi2, v.s2, ' ');
        }
    } else {
        AppendFormat(out, "%16c\n%48c%32c\n", ' ', ' ', ' ');
    }
}

// A code field of the data-type-9 layouts: the value with its SSI, or with the digit 4 and
// the SSI when the band's loss-of-lock word has bit 2 set.
void AppendType9Code(std::string& out, double value, int lli, int ssi) {
    if (!Present(value)) {
        AppendFormat(out, "%16c", ' ');
    } else if ((lli & 4) != 0) {
        AppendFormat(out, "%14.3f%d%d", value, 4, ssi);
    } else {
        AppendFormat(out, "%14.3f%2d", value, ssi);
    }
}

void AppendType9Phase(std::string& out, double value, int lli, int ssi) {
    if (!Present(value)) {
        AppendFormat(out, "%16c", ' ');
    } else if (lli != 0) {
        AppendFormat(out, "%14.3f%d%d", value, lli, ssi);
    } else {
        AppendFormat(out, "%14.3f%2d", value, ssi);
    }
}

void AppendStrength(std::string& out, double value) {
    if (Present(value)) {
        AppendFormat(out, "%14.3f%2c", value, ' ');
    } else {
        AppendFormat(out, "%16c", ' ');
    }
}

void AppendGpsOnlyType9(std::string& out, const Rinex2Values& v) {
    // C1 D1 L1 L2 P2 / S1 S2
    const double code1 = Present(v.c1) ? v.c1 : v.p1;
    AppendType9Code(out, code1, v.lli1, v.ssi1);
    AppendFormat(out, "%14.3f%2d%14.3f", v.d1, v.ssi1, v.l1);
    if (v.lli1 != 0) {
        AppendFormat(out, "%d%d", v.lli1, v.ssi1);
    } else {
        AppendFormat(out, "%2d", v.ssi1);
    }
    AppendType9Phase(out, v.l2, v.lli2, v.ssi2);
    const double code2 = Present(v.p2) ? v.p2 : v.c2;
    AppendType9Code(out, code2, v.lli2, v.ssi2);
    out += '\n';
    AppendStrength(out, v.s1);
    AppendStrength(out, v.s2);
    AppendFormat(out, "%48c\n", ' ');
}

void AppendMixedType9(std::string& out, const Rinex2Values& v) {
    // C1 C2 D1 L1 L2 / P1 P2 S1 S2
    AppendType9Code(out, v.c1, v.lli1, v.ssi1);
    AppendType9Code(out, v.c2, v.lli2, v.ssi2);
    if (v.lli1 != 0) {
        AppendFormat(out, "%14.3f%2d%14.3f%d%d", v.d1, v.ssi1, v.l1, v.lli1, v.ssi1);
    } else {
        AppendFormat(out, "%14.3f%2d%14.3f%2d", v.d1, v.ssi1, v.l1, v.ssi1);
    }
    AppendType9Phase(out, v.l2, v.lli2, v.ssi2);
    out += '\n';
    AppendType9Code(out, v.p1, v.lli1, v.ssi1);
    AppendType9Code(out, v.p2, v.lli2, v.ssi2);
    AppendStrength(out, v.s1);
    AppendStrength(out, v.s2);
    AppendFormat(out, "%16c\n", ' ');
}

// The 2.10 epoch line with the satellite list, 12 identifiers per line, and the clock
// offset (the Brevak flavour pads identifiers with blanks and leaves the clock of a partial
// last line blank).
void AppendEpochLine210(std::string& out, const OBSERVATIONS& epoch, bool brevak) {
    const GnssTime& t = epoch.time;
    const int count = static_cast<int>(epoch.sats.size());
    AppendFormat(out, " %2d %2d %2d %2d %2d %10.7f %2d %2d", t.year % 100, t.month, t.day, t.hour,
                 t.minute, t.second, 0, count);
    for (int i = 0; i < count; ++i) {
        const SatelliteData& sat = epoch.sats[i];
        const char letter = kSystemLetters[SystemIndex(sat.sysCode)];
        const int number = RecordSatelliteNumber(sat.sysCode, sat.prn);
        AppendFormat(out, brevak ? "%c%2d" : "%c%02d", letter, number);
        if ((i + 1) % 12 == 0) {
            AppendFormat(out, "%12.9f\n", epoch.clockOffset);
            if (i + 1 < count) out.append(32, ' ');
        }
    }
    if (count % 12 != 0) {
        out.append(3 * (12 - count % 12), ' ');
        if (brevak) {
            out.append(12, ' ');
            out += '\n';
        } else {
            AppendFormat(out, "%12.9f\n", epoch.clockOffset);
        }
    }
}

// One column of a 3.02 satellite line.
struct Column302 {
    double c = 0, l = 0, d = 0, s = 0;
    int ssi = 0, lli = 0;
};

}  // namespace

int RecordSatelliteNumber(int32_t sysCode, int32_t prn) {
    if (SatelliteIndex(sysCode, prn) < 0) return -1;
    if (sysCode == kSysSbas) return prn + 19;
    if (sysCode == kSysQzss && prn > 192) return prn - 192;
    return prn;
}

std::string RawConverter::FormatEpoch210(OBSERVATIONS epoch) const {
    DropUnwritable(epoch);
    if (epoch.sats.empty()) return {};
    const bool brevak = options.brevak != 0;

    // The records carry phases with the quarter-cycle shifts removed.
    for (SatelliteData& sat : epoch.sats) {
        const int s = SystemIndex(sat.sysCode);
        if (s == 1 && brevak) continue;
        for (BlockData& b : sat.blocks) {
            if (Present(b.carrierPhase)) b.carrierPhase += PhaseShift(s, b.signalType);
        }
    }

    std::string out;
    AppendEpochLine210(out, epoch, brevak);

    const bool writeLli = options.writeLli != 0;
    for (const SatelliteData& sat : epoch.sats) {
        const Rinex2Values v = CollectRinex2(sat, writeLli);
        if (brevak) {
            AppendBrevak210(out, v, SystemIndex(sat.sysCode), writeLli);
        } else if (info.dataType != 9 || options.leica) {
            AppendStandard210(out, v);
        } else if (options.systemMask == 1) {
            AppendGpsOnlyType9(out, v);
        } else {
            AppendMixedType9(out, v);
        }
    }
    return out;
}

std::string FormatModelEpoch210(const OBSERVATIONS& source) {
    OBSERVATIONS epoch = source;
    std::erase_if(epoch.sats, [](const SatelliteData& sat) {
        return sat.blocks.empty() || RecordSatelliteNumber(sat.sysCode, sat.prn) < 0;
    });
    if (epoch.sats.empty()) return {};
    std::string out;
    AppendEpochLine210(out, epoch, false);
    for (const SatelliteData& sat : epoch.sats) {
        Rinex2Values v;
        const BlockData& one = sat.blocks[0];
        v.c1 = one.pseudorange;
        v.l1 = one.carrierPhase;
        v.d1 = one.doppler;
        v.s1 = one.snr;
        v.lli1 = static_cast<int>(one.lli & 7u);
        v.ssi1 = SignalStrengthIndicator(one.snr);
        if (sat.blocks.size() > 1) {
            const BlockData& two = sat.blocks[1];
            v.p2 = two.pseudorange;
            v.l2 = two.carrierPhase;
            v.d2 = two.doppler;
            v.s2 = two.snr;
            v.lli2 = static_cast<int>(two.lli & 7u);
            v.ssi2 = SignalStrengthIndicator(two.snr);
        }
        AppendStandard210(out, v);
    }
    return out;
}

std::string RawConverter::FormatEpoch302(OBSERVATIONS epoch) const {
    DropUnwritable(epoch);
    if (epoch.sats.empty()) return {};
    const bool brevak = options.brevak != 0;
    const bool type9 = !brevak && info.dataType == 9 && !options.leica;

    std::string out;
    const GnssTime& t = epoch.time;
    AppendFormat(out, "> %4d %02d %02d %02d %02d %10.7f %2d %2d %20.12f\n", t.year, t.month, t.day,
                 t.hour, t.minute, t.second, 0, static_cast<int>(epoch.sats.size()),
                 epoch.clockOffset);

    std::vector<Column302> columns;
    for (const SatelliteData& sat : epoch.sats) {
        const int s = SystemIndex(sat.sysCode);
        AppendFormat(out, "%c%02d", kSystemLetters[s], RecordSatelliteNumber(sat.sysCode, sat.prn));
        const std::vector<std::string>& codes = codesInUse[s];
        columns.assign(codes.size(), Column302{});

        for (const BlockData& b : sat.blocks) {
            const std::string& code = info.obsCodes[s][b.signalType];
            if (code.empty()) continue;
            const auto found = std::find(codes.begin(), codes.end(), code);
            if (found == codes.end()) continue;
            if (brevak && s <= 2 && Present(b.carrierPhase) && Present(b.pseudorange)) {
                // Leave out a signal whose phase and range disagree by more than 200 m.
                const double w = CarrierWavelength(sat.sysCode, b.signalType,
                                                   s == 1 ? GlonassChannelOf(info, sat.prn) : 0);
                double misfit = w * b.carrierPhase - b.pseudorange;
                if (s == 2 && sat.prn <= 10 && info.dataType == 9) misfit -= 33554431.0;
                if (w > 1e-6 && std::fabs(misfit) > 200.0) continue;
            }
            Column302& c = columns[static_cast<size_t>(found - codes.begin())];
            c.c = b.pseudorange;
            c.l = b.carrierPhase;
            c.d = b.doppler;
            c.s = b.snr;
            c.ssi = SignalStrengthIndicator(b.snr);
            c.lli = options.writeLli ? static_cast<int>(b.lli & 7u) : 0;
        }

        if (brevak) {
            for (const Column302& c : columns) {
                if (!Present(c.c)) {
                    AppendFormat(out, "%48c", ' ');
                } else if (c.lli != 0) {
                    AppendFormat(out, "%14.3f%d%d%14.3f%2d%14.3f  ", c.l, c.lli, c.ssi, c.c, c.ssi,
                                 c.d);
                } else {
                    AppendFormat(out, "%14.3f%2d%14.3f%2d%14.3f  ", c.l, c.ssi, c.c, c.ssi, c.d);
                }
            }
        } else if (!type9) {
            for (const Column302& c : columns) {
                if (!Present(c.c)) {
                    AppendFormat(out, "%64c", ' ');
                } else if (c.lli != 0) {
                    AppendFormat(out, "%14.3f%2d%14.3f%d%d%14.3f  %14.3f  ", c.c, c.ssi, c.l, c.lli,
                                 c.ssi, c.d, c.s);
                } else {
                    AppendFormat(out, "%14.3f%2d%14.3f%2d%14.3f  %14.3f  ", c.c, c.ssi, c.l, c.ssi,
                                 c.d, c.s);
                }
            }
        } else {
            for (const Column302& c : columns) {
                if (Present(c.c)) {
                    AppendFormat(out, "%14.3f%2d", c.c, c.ssi);
                } else {
                    AppendFormat(out, "%16c", ' ');
                }
            }
            // One Doppler per satellite: the first column that has one.
            const Column302* doppler = nullptr;
            for (const Column302& c : columns) {
                if (std::fabs(c.d) > kDopplerPresent) {
                    doppler = &c;
                    break;
                }
            }
            if (doppler != nullptr && doppler->ssi >= 1 && doppler->ssi <= 9) {
                AppendFormat(out, "%14.3f%2d", doppler->d, doppler->ssi);
            } else {
                AppendFormat(out, "%14.3f%2d", 0.0, 0);
            }
            for (const Column302& c : columns) AppendType9Phase(out, c.l, c.lli, c.ssi);
            for (const Column302& c : columns) {
                if (Present(c.s)) {
                    AppendFormat(out, "%14.3f  ", c.s);
                } else {
                    AppendFormat(out, "%16c", ' ');
                }
            }
        }
        out += '\n';
    }
    return out;
}

}  // namespace kestrin
