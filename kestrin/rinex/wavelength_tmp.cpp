// Temporary until the code-table unit lands.
#include "rinex/obs_codes.h"

namespace kestrin {

double CarrierWavelength(int32_t sysCode, int slot, int k) {
    const double c = 299792458.0;
    const double l1 = 0.19029367279836487, l2 = 0.24421021342456825, l5 = 0.25482804879085386;
    const double b1 = 0.19203948631027648, b2 = 0.2483493695843067, b3 = 0.2363324646044209;
    const double lex = 0.23444180488758554, e5 = 0.251547000952345;
    switch (sysCode) {
        case 0:
            if (slot >= 0 && slot <= 8) return l1;
            if (slot >= 9 && slot <= 18) return l2;
            if (slot >= 19 && slot <= 21) return l5;
            return 0;
        case 32:
            if (k == 100) return 0;
            if (slot >= 0 && slot <= 1) return c / (1602000000.0 + k * 562500.0);
            if (slot >= 2 && slot <= 3) return c / (1246000000.0 + k * 437500.0);
            return 0;
        case 56:
            if (slot >= 0 && slot <= 2) return b1;
            if (slot >= 3 && slot <= 5) return b2;
            if (slot >= 6 && slot <= 8) return b3;
            return 0;
        case 76:
            if (slot == 0) return l1;
            if (slot >= 1 && slot <= 3) return l5;
            return 0;
        case 100:
            if (slot >= 0 && slot <= 4) return l1;
            if (slot >= 5 && slot <= 7) return l2;
            if (slot >= 8 && slot <= 10) return l5;
            if (slot >= 11 && slot <= 13) return lex;
            return 0;
        case 120:
            if (slot >= 0 && slot <= 4) return l1;
            if (slot >= 5 && slot <= 7) return l5;
            if (slot >= 8 && slot <= 10) return b2;
            if (slot >= 11 && slot <= 13) return e5;
            if (slot >= 14 && slot <= 18) return lex;
            return 0;
        default: return 0;
    }
}

}  // namespace kestrin
