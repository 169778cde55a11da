#include "decoders/obs_rules.h"

#include <cmath>

namespace kestrin {

namespace {
constexpr int kSystemBits[kSystemCount] = {1, 2, 4, 8, 0x10, 0x20};
}

bool InSatelliteTable(int32_t sysCode, int32_t prn) {
    int max = 0;
    switch (sysCode) {
        case kSysGps:
            max = 32;
            break;
        case kSysGlonass:
            max = 24;
            break;
        case kSysBds:
            max = 20;
            break;
        case kSysSbas:
            max = 24;
            break;
        case kSysQzss:
            max = 20;
            break;
        case kSysGalileo:
            max = 30;
            break;
        default:
            return false;
    }
    return prn >= 1 && prn <= max;
}

GlonassSlotTable InitialGlonassSlotTable() {
    return {100, 1, -4, 5, 6, 1, -4, 5, 6, -2, -7, 0, -1, -2, -7, 0, -1, 4, -3, 3, 2, 4, -3, 3, 2};
}

void MarkSlotUsed(HeaderInfo& info, int32_t sysCode, int32_t prn, int slot) {
    int system = SystemIndex(sysCode);
    if (system < 0) return;
    info.systemsPresent |= kSystemBits[system];
    int number = sysCode + prn;
    if (number > 0 && number < kSatelliteSlots) info.satSeen[number] = 1;
    info.SetDefaultObsCode(system, slot);
}

void CountObservations(HeaderInfo& info, int32_t sysCode, int32_t prn, const BlockData& block) {
    if (!InSatelliteTable(sysCode, prn)) return;
    const int number = sysCode + prn;  // the tallies share the numbering of satSeen
    const int slot = block.signalType;
    if (number <= 0 || number >= static_cast<int>(info.obsCounts.size())) return;
    if (slot < 0 || slot >= kSignalSlots) return;
    std::array<int32_t, 4>& counts =
        info.obsCounts[static_cast<size_t>(number)][static_cast<size_t>(slot)];
    const double values[4] = {block.pseudorange, block.carrierPhase, block.doppler, block.snr};
    for (size_t i = 0; i < 4; ++i) {
        if (std::fabs(values[i]) > 1e-6) ++counts[i];
    }
}

double PhaseRangeMisfit(const BlockData& block, double wavelength) {
    return std::fabs(block.carrierPhase * wavelength - block.pseudorange);
}

void AddOrReplaceBlock(SatelliteData& sat, const BlockData& block, double wavelength,
                       bool keepLaterOnTie) {
    for (BlockData& existing : sat.blocks) {
        if (existing.signalType != block.signalType) continue;
        double old = PhaseRangeMisfit(existing, wavelength);
        double fresh = PhaseRangeMisfit(block, wavelength);
        if (old > fresh || (keepLaterOnTie && old == fresh)) existing = block;
        return;
    }
    sat.blocks.push_back(block);
}

void ApplyLockTimeSlips(OBSERVATIONS& epoch, LockTimeTable& table) {
    for (SatelliteData& sat : epoch.sats) {
        int number = sat.Number();
        if (number <= 0 || number >= kSatelliteSlots) continue;
        for (BlockData& block : sat.blocks) {
            if (block.signalType < 0 || block.signalType >= kSignalSlots) continue;
            float& last = table[number][block.signalType];
            if (last > static_cast<float>(block.lockTime)) block.lli |= 1u;
            last = static_cast<float>(block.lockTime);
        }
    }
}

}  // namespace kestrin
