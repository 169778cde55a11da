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

int BlockSize(int systemCode) {
    switch (systemCode) {
        case kGps:
            return 32;
        case kGlonass:
            return 24;
        case kBds:
        case kSbas:
        case kQzss:
            return 20;
        case kGalileo:
            return 30;
        default:
            return 0;
    }
}

int SatIndexOf(int systemCode, int prn) {
    if (prn < 1 || prn > BlockSize(systemCode)) return 0;
    return systemCode + prn;
}

}  // namespace baldorn
