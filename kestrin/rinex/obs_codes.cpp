#include "rinex/obs_codes.h"

#include <cmath>

#include "kestrin/records.h"

namespace kestrin {

namespace {

// Default codes per system index; a row ends at its first null entry.
constexpr const char* kCodes[kSystemCount][kSignalSlots] = {
    {"C1C", "C1P", "C1Y", "C1W", "C1M", "C1N", "C1S", "C1L", "C1X", "C2P", "C2Y",
     "C2W", "C2C", "C2M", "C2N", "C2D", "C2S", "C2L", "C2X", "C5I", "C5Q", "C5X"},
    {"C1P", "C1C", "C2P", "C2C", "C3I", "C3Q", "C3X"},
    {"C1I", "C1Q", "C1X", "C7I", "C7Q", "C7X", "C6I", "C6Q", "C6X"},
    {"C1C", "C5I", "C5Q", "C5X"},
    {"C1C", "C1S", "C1L", "C1X", "C1Z", "C2S", "C2L", "C2X", "C5I", "C5Q", "C5X", "C6S", "C6L",
     "C6X"},
    {"C1C", "C1A", "C1B", "C1X", "C1Z", "C5I", "C5Q", "C5X", "C7I", "C7Q", "C7X", "C8I", "C8Q",
     "C8X", "C6A", "C6B", "C6C", "C6X", "C6Z"},
};

// Number of used slots and the last slot of band 1 and band 2 per system (-1: no band 2).
struct BandLimits {
    int slots;
    int lastBandOne;
    int lastBandTwo;
};
constexpr BandLimits kBands[kSystemCount] = {
    {22, 8, 18},  // GPS: L1 0..8, L2 9..18, L5 19..21
    {7, 1, 3},    // GLONASS: G1 0..1, G2 2..3, G3 4..6
    {9, 2, 5},    // BDS: B1 0..2, B2 3..5, B3 6..8
    {4, 0, -1},   // SBAS: L1 0, L5 1..3
    {14, 4, 7},   // QZSS: L1 0..4, L2 5..7, L5 8..10, LEX 11..13
    {19, 4, -1},  // Galileo: E1 0..4, then E5a, E5b, E5, E6
};

bool ValidSlot(int systemIndex, int slot) {
    return systemIndex >= 0 && systemIndex < kSystemCount && slot >= 0 &&
           slot < kBands[systemIndex].slots;
}

// Wavelengths in metres, as published for each carrier.
constexpr double kGpsL1 = 0.19029367279836487;
constexpr double kGpsL2 = 0.24421021342456825;
constexpr double kGpsL5 = 0.25482804879085386;
constexpr double kBdsB1 = 0.19203948631027648;
constexpr double kBdsB2 = 0.2483493695843067;
constexpr double kBdsB3 = 0.2363324646044209;
constexpr double kLex = 0.23444180488758554;
constexpr double kGalileoE5 = 0.251547000952345;
constexpr double kSpeedOfLight = 299792458.0;

}  // namespace

std::string DefaultObsCode(int systemIndex, int slot) {
    if (!ValidSlot(systemIndex, slot)) return {};
    return kCodes[systemIndex][slot];
}

int FindSlotOfCode(int32_t sysCode, const std::string& code) {
    const int s = SystemIndex(sysCode);
    if (s < 0 || code.empty()) return -1;
    for (int k = 0; k < kBands[s].slots; ++k) {
        if (code == kCodes[s][k]) return k;
    }
    return -1;
}

int CarrierBand(int systemIndex, int slot) {
    if (!ValidSlot(systemIndex, slot)) return 0;
    const BandLimits& b = kBands[systemIndex];
    if (slot <= b.lastBandOne) return 1;
    if (slot <= b.lastBandTwo) return 2;
    return 5;
}

bool IsBandOneSlot(int systemIndex, int slot) {
    return CarrierBand(systemIndex, slot) == 1;
}

double PhaseShift(int systemIndex, int slot) {
    if (!ValidSlot(systemIndex, slot)) return 0.0;
    switch (systemIndex) {
        case 0:  // GPS
            switch (slot) {
                case 1:
                case 3:
                case 5:
                case 6:
                case 7:
                case 8:
                    return 0.25;
                case 12:
                case 16:
                case 17:
                case 18:
                case 20:
                    return -0.25;
                default:
                    return 0.0;
            }
        case 1:  // GLONASS
            if (slot == 0 || slot == 2) return 0.25;
            if (slot == 5) return -0.25;
            return 0.0;
        case 2:  // BDS
            if (slot == 1 || slot == 4 || slot == 7) return -0.25;
            return 0.0;
        case 4:  // QZSS
            if (slot == 2 || slot == 3) return 0.25;
            if (slot == 9) return -0.25;
            return 0.0;
        case 5:  // Galileo
            if (slot == 6 || slot == 9 || slot == 12) return -0.25;
            if (slot == 0) return 0.5;
            if (slot == 16) return -0.5;
            return 0.0;
        default:
            return 0.0;
    }
}

Rinex2Column Rinex2ColumnOf(int systemIndex, int slot) {
    // The 2.10 second-band columns (C2/P2, L2, D2, S2) name the L2 band: only GPS, GLONASS and
    // QZSS L2 signals go there. The second bands of BeiDou (B2), SBAS (L5) and Galileo (E5a)
    // are other frequencies and have no 2.10 column.
    if (!ValidSlot(systemIndex, slot)) return Rinex2Column::kNone;
    switch (systemIndex) {
        case 0:  // GPS: P codes on slots 1, 3 (L1) and 9, 11 (L2)
            if (slot == 1 || slot == 3) return Rinex2Column::kP1;
            if (slot <= 8) return Rinex2Column::kC1;
            if (slot == 9 || slot == 11) return Rinex2Column::kP2;
            if (slot <= 18) return Rinex2Column::kC2;
            return Rinex2Column::kNone;
        case 1:  // GLONASS
            if (slot == 0) return Rinex2Column::kP1;
            if (slot == 1) return Rinex2Column::kC1;
            if (slot == 2) return Rinex2Column::kP2;
            if (slot == 3) return Rinex2Column::kC2;
            return Rinex2Column::kNone;
        case 2:  // BDS: B1 only
            if (slot == 0) return Rinex2Column::kC1;
            if (slot <= 2) return Rinex2Column::kP1;
            return Rinex2Column::kNone;
        case 3:  // SBAS: L1 only
            if (slot == 0) return Rinex2Column::kC1;
            return Rinex2Column::kNone;
        case 4:  // QZSS: L1 and L2
            if (slot == 0) return Rinex2Column::kC1;
            if (slot <= 4) return Rinex2Column::kP1;
            if (slot == 5) return Rinex2Column::kC2;
            if (slot <= 7) return Rinex2Column::kP2;
            return Rinex2Column::kNone;
        default:  // Galileo: E1 only
            if (slot == 0) return Rinex2Column::kC1;
            if (slot <= 4) return Rinex2Column::kP1;
            return Rinex2Column::kNone;
    }
}

double CarrierWavelength(int32_t sysCode, int slot, int glonassChannel) {
    const int s = SystemIndex(sysCode);
    if (!ValidSlot(s, slot)) return 0.0;
    switch (s) {
        case 0:
            if (slot <= 8) return kGpsL1;
            if (slot <= 18) return kGpsL2;
            return kGpsL5;
        case 1:
            // 100 marks an unknown frequency number; anything outside the GLONASS range is
            // treated the same rather than producing a meaningless (or infinite) wavelength.
            if (glonassChannel < -7 || glonassChannel > 13) return 0.0;
            if (slot <= 1) return kSpeedOfLight / (1602000000.0 + glonassChannel * 562500.0);
            if (slot <= 3) return kSpeedOfLight / (1246000000.0 + glonassChannel * 437500.0);
            return 0.0;
        case 2:
            if (slot <= 2) return kBdsB1;
            if (slot <= 5) return kBdsB2;
            return kBdsB3;
        case 3:
            return slot == 0 ? kGpsL1 : kGpsL5;
        case 4:
            if (slot <= 4) return kGpsL1;
            if (slot <= 7) return kGpsL2;
            if (slot <= 10) return kGpsL5;
            return kLex;
        default:
            if (slot <= 4) return kGpsL1;
            if (slot <= 7) return kGpsL5;
            if (slot <= 10) return kBdsB2;
            if (slot <= 13) return kGalileoE5;
            return kLex;
    }
}

int SignalStrengthIndicator(double snr) {
    if (!(snr >= 12.0)) return 1;  // also catches NaN
    if (snr >= 54.0) return 9;
    const int digit = static_cast<int>(snr / 6.0);
    return digit < 1 ? 1 : (digit > 9 ? 9 : digit);
}

std::string WithObsType(const std::string& code, char type) {
    if (code.empty()) return code;
    std::string out = code;
    out[0] = type;
    return out;
}

}  // namespace kestrin
