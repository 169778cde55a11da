#include "rinex/text_format.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <random>
#include <string>

using kestrin::AppendFixed;
using kestrin::AppendFormat;
using kestrin::StringFormat;

namespace {

std::string Printf(int width, int precision, double value) {
    char text[400];
    std::snprintf(text, sizeof text, "%*.*f", width, precision, value);
    return text;
}

std::string Fixed(int width, int precision, double value) {
    std::string out;
    AppendFixed(out, value, width, precision);
    return out;
}

// The field layouts of the observation, navigation and header records.
constexpr int kLayouts[][2] = {{14, 3}, {10, 7}, {12, 9}, {20, 12}, {14, 4}, {8, 3},
                               {9, 2},  {5, 1},  {10, 4}, {13, 7},  {8, 5},  {1, 0}};

TEST(AppendFixed, MatchesPrintfOnEdgeValues) {
    const double inf = std::numeric_limits<double>::infinity();
    const double edges[] = {0.0,
                            -0.0,
                            0.0005,
                            -0.0005,
                            0.0015,
                            0.0025,
                            -0.0025,
                            0.00049999999999999997,
                            1.0005,
                            2.5,
                            -2.5,
                            0.5,
                            1.5,
                            -0.5,
                            -0.0004,
                            999.9995,
                            -999.9995,
                            9999999999.9995,
                            20000000.1235,
                            23456789.0125,
                            -1234.56789,
                            0.1,
                            0.7,
                            59.99999995,
                            59.999999949999997,
                            1e-300,
                            -1e-300,
                            std::numeric_limits<double>::denorm_min(),
                            std::numeric_limits<double>::min(),
                            std::nextafter(1.0, 0.0),
                            std::nextafter(0.5, 0.0),
                            std::nextafter(0.5, 1.0),
                            123456789012345.0,
                            999999999999999.9,
                            1e15,
                            -1e15,
                            1e16,
                            1e300,
                            -1e300,
                            std::numeric_limits<double>::max(),
                            inf,
                            -inf,
                            std::numeric_limits<double>::quiet_NaN()};
    for (const auto& layout : kLayouts) {
        for (double value : edges) {
            EXPECT_EQ(Fixed(layout[0], layout[1], value), Printf(layout[0], layout[1], value))
                << value << " as %" << layout[0] << '.' << layout[1] << 'f';
        }
    }
}

TEST(AppendFixed, MatchesPrintfOnRandomValues) {
    std::mt19937_64 random(20091218);
    std::uniform_int_distribution<int> layout(0, std::size(kLayouts) - 1);
    std::uniform_int_distribution<int> exponent(-12, 17);
    std::uniform_real_distribution<double> unit(-1.0, 1.0);
    std::uniform_int_distribution<int64_t> halves(-4000000000000, 4000000000000);
    for (int i = 0; i < 3000000; ++i) {
        const auto& l = kLayouts[layout(random)];
        double value = 0;
        switch (i % 4) {
            case 0:  // any magnitude
                value = unit(random) * std::pow(10.0, exponent(random));
                break;
            case 1:  // close to a half of the last digit, where rounding is decided
                value = (static_cast<double>(halves(random)) + 0.5) / std::pow(10.0, l[1]);
                break;
            case 2:  // exactly half way between two outputs: odd multiples of 2^-(p+1)
                value =
                    std::ldexp(static_cast<double>(2 * (halves(random) / 1000) + 1), -(l[1] + 1));
                break;
            default:  // any bit pattern of a finite double, brought below 1e16
                do {
                    const uint64_t bits = random();
                    std::memcpy(&value, &bits, sizeof value);
                } while (!std::isfinite(value));
                value = std::fmod(value, 1e16);
                break;
        }
        const std::string expected = Printf(l[0], l[1], value);
        const std::string got = Fixed(l[0], l[1], value);
        if (got != expected) {
            ADD_FAILURE() << std::hexfloat << value << " as %" << l[0] << '.' << l[1] << "f: \""
                          << got << "\" instead of \"" << expected << '"';
            break;
        }
    }
}

TEST(AppendFormat, MatchesPrintfForEveryConversionItWrites) {
    // Each format with an int, a double, a character and a string argument where it uses one.
    {
        char expected[1024];
        std::snprintf(expected, sizeof expected, "%14.3f%2d%14.3f%d%d%14.3f  ", 1.0005, 7, -0.0, 1,
                      9, 2.5);
        EXPECT_EQ(StringFormat("%14.3f%2d%14.3f%d%d%14.3f  ", 1.0005, 7, -0.0, 1, 9, 2.5),
                  expected);
        EXPECT_STREQ(expected, "         1.000 7        -0.00019         2.500  ");
    }
    const struct {
        const char* format;
        int number;
    } intCases[] = {{"%d", 0},      {"%d", -2147483647 - 1},
                    {"%2d", 7},     {"%2d", -7},
                    {"%02d", 7},    {"%02d", -7},
                    {"%03d", -5},   {"%6d", 123456789},
                    {"%-6d|", 42},  {"%-060d|", 3},
                    {"%+d", 5},     {"% 4d", 5},
                    {"%.3d", 5},    {"%-20d|", -12},
                    {"%04d", 2026}, {"%700d", -3},
                    {"%-700d|", 3}, {"%0700d", -3}};
    for (const auto& c : intCases) {
        char expected[1024];
        std::snprintf(expected, sizeof expected, c.format, c.number);
        EXPECT_EQ(StringFormat(c.format, c.number), expected) << c.format;
    }
    const struct {
        const char* format;
        double number;
    } doubleCases[] = {{"%-6.3f|", -1.5}, {"%08.3f", -1.5},
                       {"%f", 3.25},      {"%.0f", 2.5},
                       {"%+.2f", 1.005},  {"% 9.2f", 3.0},
                       {"%#.0f", 1.0},    {"%5.1f", 99.95},
                       {"%14.3f", 1e20},  {"%10.4f", -std::numeric_limits<double>::infinity()},
                       {"%lf", 0.125},    {"%e", 12.5}};
    for (const auto& c : doubleCases) {
        char expected[1024];
        std::snprintf(expected, sizeof expected, c.format, c.number);
        EXPECT_EQ(StringFormat(c.format, c.number), expected) << c.format;
    }
    const char* strings[] = {"", "G", "OBSERVATION DATA", "A MUCH LONGER TEXT THAN TWENTY CHARS"};
    const char* stringFormats[] = {"%s|", "%-20s|", "%-20.20s|", "%60s|", "%.3s|", "%05s|"};
    for (const char* format : stringFormats) {
        for (const char* s : strings) {
            char expected[1024];
            std::snprintf(expected, sizeof expected, format, s);
            EXPECT_EQ(StringFormat(format, s), expected) << format << " " << s;
        }
    }
    const char* charFormats[] = {"%c|", "%16c|", "%-20c|", "%2c|", "%05c|"};
    for (const char* format : charFormats) {
        char expected[1024];
        std::snprintf(expected, sizeof expected, format, 'G');
        EXPECT_EQ(StringFormat(format, 'G'), expected) << format;
    }
    EXPECT_EQ(StringFormat("100%% %u %ld %lld", 4u, 5L, 6LL), "100% 4 5 6");
    EXPECT_EQ(StringFormat("%*.*f", 12, 4, 0.5), "      0.5000");
    std::string longText(1000, 'x');
    EXPECT_EQ(StringFormat("%s%14.3f", longText.c_str(), 1.25), longText + "         1.250");
    std::string appended = "> ";
    AppendFormat(appended, "%c%02d", 'R', 5);
    EXPECT_EQ(appended, "> R05");
}

}  // namespace
