#include "kestrin/records.h"

#include "rinex/obs_codes.h"

void HeaderInfo::SetDefaultObsCode(int systemIndex, int slot) {
    if (systemIndex < 0 || systemIndex >= kSystemCount || slot < 0 || slot >= kSignalSlots) return;
    std::string& code = obsCodes[systemIndex][slot];
    if (code.empty()) code = kestrin::DefaultObsCode(systemIndex, slot);
}

int SystemIndex(int32_t sysCode) {
    switch (sysCode) {
        case kSysGps: return 0;
        case kSysGlonass: return 1;
        case kSysBds: return 2;
        case kSysSbas: return 3;
        case kSysQzss: return 4;
        case kSysGalileo: return 5;
        default: return -1;
    }
}

int SatelliteIndex(int32_t sysCode, int32_t prn) {
    // First index of each system's block and its largest PRN, by system index.
    static constexpr int kMax[kSystemCount] = {kMaxGpsPrn,  kMaxGlonassSlot, kMaxBdsPrn,
                                               kMaxSbasPrn, kMaxQzssPrn,     kMaxGalileoPrn};
    const int system = SystemIndex(sysCode);
    if (system < 0) return -1;
    if (sysCode == kSysQzss && prn > 192) prn -= 192;
    if (prn < 1 || prn > kMax[system]) return -1;
    int first = 1;
    for (int s = 0; s < system; ++s) first += kMax[s];
    return first + prn - 1;
}

int FindSatellite(int32_t satelliteNumber, const std::vector<SatelliteData>& sats) {
    for (size_t i = 0; i < sats.size(); ++i) {
        if (sats[i].Number() == satelliteNumber) return static_cast<int>(i);
    }
    return -1;
}

int FindInt(int32_t key, const std::vector<int32_t>& array) {
    for (size_t i = 0; i < array.size(); ++i) {
        if (array[i] == key) return static_cast<int>(i);
    }
    return -1;
}
