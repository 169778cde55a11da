#include "kestrin/records.h"

#include "rinex/obs_codes.h"

void HeaderInfo::SetDefaultObsCode(int systemIndex, int slot) {
    if (systemIndex < 0 || systemIndex >= kSystemCount || slot < 0 || slot >= kSignalSlots) return;
    std::string& code = obsCodes[systemIndex][slot];
    if (code.empty()) code = kestrin::DefaultObsCode(systemIndex, slot);
}

int SystemIndex(int32_t sysCode) {
    switch (sysCode) {
        case kSysGps:
            return 0;
        case kSysGlonass:
            return 1;
        case kSysBds:
            return 2;
        case kSysSbas:
            return 3;
        case kSysQzss:
            return 4;
        case kSysGalileo:
            return 5;
        default:
            return -1;
    }
}

namespace {
// Largest PRN and first index of each system's block, by system index.
constexpr int kMaxPrn[kSystemCount] = {kMaxGpsPrn,  kMaxGlonassSlot, kMaxBdsPrn,
                                       kMaxSbasPrn, kMaxQzssPrn,     kMaxGalileoPrn};
constexpr int kFirstIndex[kSystemCount] = {
    1,
    1 + kMaxGpsPrn,
    1 + kMaxGpsPrn + kMaxGlonassSlot,
    1 + kMaxGpsPrn + kMaxGlonassSlot + kMaxBdsPrn,
    1 + kMaxGpsPrn + kMaxGlonassSlot + kMaxBdsPrn + kMaxSbasPrn,
    1 + kMaxGpsPrn + kMaxGlonassSlot + kMaxBdsPrn + kMaxSbasPrn + kMaxQzssPrn};
constexpr int32_t kSystemCodes[kSystemCount] = {kSysGps,  kSysGlonass, kSysBds,
                                                kSysSbas, kSysQzss,    kSysGalileo};
static_assert(kFirstIndex[kSystemCount - 1] + kMaxGalileoPrn == kSatelliteIndexCount);
}  // namespace

int SatelliteIndex(int32_t sysCode, int32_t prn) {
    const int system = SystemIndex(sysCode);
    if (system < 0) return -1;
    if (sysCode == kSysQzss && prn > 192) prn -= 192;
    if (prn < 1 || prn > kMaxPrn[system]) return -1;
    return kFirstIndex[system] + prn - 1;
}

SatelliteId SatelliteOfIndex(int index) {
    if (index < 1 || index >= kSatelliteIndexCount) return {};
    int system = kSystemCount - 1;
    while (index < kFirstIndex[system]) --system;
    return {kSystemCodes[system], index - kFirstIndex[system] + 1};
}

int FindSatellite(int32_t sysCode, int32_t prn, const std::vector<SatelliteData>& sats) {
    for (size_t i = 0; i < sats.size(); ++i) {
        if (sats[i].sysCode == sysCode && sats[i].prn == prn) return static_cast<int>(i);
    }
    return -1;
}

int FindInt(int32_t key, const std::vector<int32_t>& array) {
    for (size_t i = 0; i < array.size(); ++i) {
        if (array[i] == key) return static_cast<int>(i);
    }
    return -1;
}
