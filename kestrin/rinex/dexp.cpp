#include "rinex/dexp.h"

#include <cmath>
#include <cstdio>

namespace kestrin {

std::string FormatDExponent(double value, int width, int precision) {
    const int mantissaWidth = width - 4;
    char text[64];
    if (!std::isfinite(value)) {
        // Scaling an infinity never ends; write it (or a NaN) as printf spells it.
        std::snprintf(text, sizeof text, "%*.*fD+00", mantissaWidth, precision, value);
        return text;
    }
    double m = value;
    int n = 0;
    if (std::fabs(m) >= 1.0) {
        while (std::fabs(m) >= 1.0) {
            m = m * 0.1;
            ++n;
        }
    } else if (std::fabs(m) <= 0.1 && m != 0.0) {
        while (std::fabs(m) <= 0.1) {
            m = m * 10.0;
            --n;
        }
    }
    if (n >= 0) {
        std::snprintf(text, sizeof text, "%*.*fD+%02d", mantissaWidth, precision, m, n);
    } else {
        std::snprintf(text, sizeof text, "%*.*fD%03d", mantissaWidth, precision, m, n);
    }
    return text;
}

}  // namespace kestrin
