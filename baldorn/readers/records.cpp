#include "readers/records.h"

namespace baldorn {

int SystemCodeFromLetter(char letter) {
    switch (letter) {
        case 'C':
            return kBds;
        case 'E':
            return kGalileo;
        case 'J':
            return kQzss;
        case 'R':
            return kGlonass;
        case 'S':
            return kSbas;
        default:
            return kGps;
    }
}

bool ModelledSystemLetter(char letter) {
    switch (letter) {
        case 'G':
        case 'R':
        case 'C':
        case 'E':
        case 'J':
        case 'S':
        case ' ':
            return true;
        default:
            return false;
    }
}

int SystemIndexFromCode(int systemCode) {
    switch (systemCode) {
        case kGlonass:
            return 1;
        case kBds:
            return 2;
        case kSbas:
            return 3;
        case kQzss:
            return 4;
        case kGalileo:
            return 5;
        default:
            return 0;
    }
}

int SystemCodeFromIndex(int systemIndex) {
    static constexpr int kCodes[kSystemCount] = {kGps, kGlonass, kBds, kSbas, kQzss, kGalileo};
    return (systemIndex >= 0 && systemIndex < kSystemCount) ? kCodes[systemIndex] : kGps;
}

namespace {
// Block sizes and the satIndex before each block's first PRN, by system index.
constexpr int kBlockSizes[kSystemCount] = {32, 27, 63, 39, 10, 36};
constexpr int kBlockStarts[kSystemCount] = {0, 32, 32 + 27, 32 + 27 + 63, 32 + 27 + 63 + 39,
                                            32 + 27 + 63 + 39 + 10};
static_assert(kBlockStarts[kSystemCount - 1] + kBlockSizes[kSystemCount - 1] == kMaxSatIndex);

bool KnownSystemCode(int systemCode) {
    return systemCode == kGps || SystemIndexFromCode(systemCode) != 0;
}
}  // namespace

int BlockSize(int systemCode) {
    return KnownSystemCode(systemCode) ? kBlockSizes[SystemIndexFromCode(systemCode)] : 0;
}

int SatIndexOf(int systemCode, int prn) {
    if (prn < 1 || prn > BlockSize(systemCode)) return 0;
    return kBlockStarts[SystemIndexFromCode(systemCode)] + prn;
}

int SystemCodeOfSatIndex(int satIndex) {
    if (satIndex < 1 || satIndex > kMaxSatIndex) return -1;
    int s = kSystemCount - 1;
    while (satIndex <= kBlockStarts[s]) --s;
    return SystemCodeFromIndex(s);
}

}  // namespace baldorn
