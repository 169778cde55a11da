#include "rinex/dexp.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using kestrin::FormatDExponent;

namespace {

struct DexpCase {
    double value;
    int width;
    int precision;
    const char* expected;
};

TEST(FormatDExponent, WritesTheRinexNumberFormats) {
    const DexpCase cases[] = {
        {123.456789012, 19, 12, " 0.123456789012D+03"},
        {-0.00000123456789012, 19, 12, "-0.123456789012D-05"},
        {0.0, 19, 12, " 0.000000000000D+00"},
        {1.0, 19, 12, " 0.100000000000D+01"},
        {-1234.5, 19, 12, "-0.123450000000D+04"},
        // A magnitude of exactly 0.1 is scaled once more.
        {0.1, 19, 12, " 1.000000000000D-01"},
        {0.01, 19, 12, " 1.000000000000D-02"},
        {-1.0e-5, 19, 12, "-1.000000000000D-05"},
        // A mantissa that rounds up keeps its exponent and prints a leading 1.
        {0.99999999999999, 19, 12, " 1.000000000000D+00"},
        {9.9999999999999, 19, 12, " 1.000000000000D+01"},
        // Ionosphere widths.
        {0.0, 12, 4, "  0.0000D+00"},
        {5.9604644775390625e-08, 12, 4, "  0.5960D-07"},
        {1.1176e-08, 12, 4, "  0.1118D-07"},
        {-196608.0, 12, 4, " -0.1966D+06"},
        // Time-correction widths.
        {2.0e-9, 17, 10, " 0.2000000000D-08"},
        {-2.5e-15, 16, 9, "-0.250000000D-14"},
    };
    for (const DexpCase& c : cases) {
        EXPECT_EQ(FormatDExponent(c.value, c.width, c.precision), c.expected)
            << "value " << c.value << " width " << c.width;
    }
}

TEST(FormatDExponent, ThreeDigitExponentsWidenTheField) {
    EXPECT_EQ(FormatDExponent(3.0e200, 19, 12), " 0.300000000000D+201");
    EXPECT_EQ(FormatDExponent(-2.5e-150, 19, 12), "-0.250000000000D-149");
}

TEST(FormatDExponent, NonFiniteValuesTerminate) {
    const double inf = std::numeric_limits<double>::infinity();
    EXPECT_EQ(FormatDExponent(inf, 19, 12), std::string(12, ' ') + "infD+00");
    EXPECT_EQ(FormatDExponent(-inf, 12, 4), "    -infD+00");
    EXPECT_NE(FormatDExponent(std::nan(""), 19, 12).find("nan"), std::string::npos);
}

}  // namespace
