#include "rinex/obs_codes.h"

#include <gtest/gtest.h>

#include <cmath>

#include "kestrin/records.h"

namespace {

using namespace kestrin;

TEST(ObsCodes, DefaultCodesFollowTheSlotTable) {
    struct Case {
        int system, slot;
        const char* code;
    };
    const Case cases[] = {
        {0, 0, "C1C"}, {0, 3, "C1W"},  {0, 11, "C2W"}, {0, 21, "C5X"}, {1, 0, "C1P"},
        {1, 6, "C3X"}, {1, 7, ""},     {2, 3, "C7I"},  {2, 8, "C6X"},  {2, 9, ""},
        {3, 1, "C5I"}, {3, 4, ""},     {4, 5, "C2S"},  {4, 13, "C6X"}, {4, 14, ""},
        {5, 0, "C1C"}, {5, 18, "C6Z"}, {5, 19, ""},    {6, 0, ""},     {-1, 0, ""},
        {0, -1, ""},   {0, 22, ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(DefaultObsCode(c.system, c.slot), c.code) << c.system << "/" << c.slot;
    }
}

TEST(ObsCodes, FindSlotOfCodeSearchesTheSystemRow) {
    EXPECT_EQ(FindSlotOfCode(kSysGps, "C2W"), 11);
    EXPECT_EQ(FindSlotOfCode(kSysSbas, "C1P"), -1);
    EXPECT_EQ(FindSlotOfCode(kSysGlonass, "C1P"), 0);
    EXPECT_EQ(FindSlotOfCode(kSysGalileo, "C6C"), 16);
    EXPECT_EQ(FindSlotOfCode(kSysGps, ""), -1);
    EXPECT_EQ(FindSlotOfCode(33, "C1C"), -1);
    // Every default code maps back to its own slot.
    const int32_t sysCodes[] = {kSysGps, kSysGlonass, kSysBds, kSysSbas, kSysQzss, kSysGalileo};
    for (int s = 0; s < kSystemCount; ++s) {
        for (int k = 0; k < kSignalSlots; ++k) {
            const std::string code = DefaultObsCode(s, k);
            if (!code.empty()) {
                EXPECT_EQ(FindSlotOfCode(sysCodes[s], code), k) << code;
            }
        }
    }
}

TEST(ObsCodes, BandsAndPhaseShifts) {
    EXPECT_EQ(CarrierBand(0, 8), 1);
    EXPECT_EQ(CarrierBand(0, 9), 2);
    EXPECT_EQ(CarrierBand(0, 19), 5);
    EXPECT_EQ(CarrierBand(1, 1), 1);
    EXPECT_EQ(CarrierBand(1, 4), 5);
    EXPECT_EQ(CarrierBand(3, 1), 5);
    EXPECT_EQ(CarrierBand(5, 4), 1);
    EXPECT_EQ(CarrierBand(5, 5), 5);
    EXPECT_EQ(CarrierBand(4, 7), 2);
    EXPECT_EQ(CarrierBand(2, 9), 0);

    struct Shift {
        int system, slot;
        double cycles;
    };
    const Shift shifts[] = {
        {0, 0, 0.0},    {0, 1, 0.25},   {0, 3, 0.25},  {0, 8, 0.25},   {0, 11, 0.0},
        {0, 12, -0.25}, {0, 20, -0.25}, {1, 0, 0.25},  {1, 2, 0.25},   {1, 5, -0.25},
        {1, 1, 0.0},    {2, 1, -0.25},  {2, 7, -0.25}, {3, 0, 0.0},    {4, 2, 0.25},
        {4, 9, -0.25},  {5, 0, 0.5},    {5, 16, -0.5}, {5, 12, -0.25}, {5, 1, 0.0},
    };
    for (const Shift& s : shifts) {
        EXPECT_EQ(PhaseShift(s.system, s.slot), s.cycles) << s.system << "/" << s.slot;
    }
}

TEST(ObsCodes, CarrierWavelengthUsesTheConstantsAsWritten) {
    EXPECT_EQ(CarrierWavelength(kSysGps, 0, 100), 0.19029367279836487);
    EXPECT_EQ(CarrierWavelength(kSysGps, 11, 100), 0.24421021342456825);
    EXPECT_EQ(CarrierWavelength(kSysGps, 21, 100), 0.25482804879085386);
    EXPECT_EQ(CarrierWavelength(kSysGlonass, 0, 100), 0.0);
    EXPECT_EQ(CarrierWavelength(kSysGlonass, 0, -7), 299792458.0 / 1598062500.0);
    EXPECT_EQ(CarrierWavelength(kSysGlonass, 3, 1), 299792458.0 / 1246437500.0);
    EXPECT_EQ(CarrierWavelength(kSysGlonass, 4, 1), 0.0);
    EXPECT_EQ(CarrierWavelength(kSysBds, 0, 100), 0.19203948631027648);
    EXPECT_EQ(CarrierWavelength(kSysBds, 8, 100), 0.2363324646044209);
    EXPECT_EQ(CarrierWavelength(kSysSbas, 2, 100), 0.25482804879085386);
    EXPECT_EQ(CarrierWavelength(kSysQzss, 12, 100), 0.23444180488758554);
    EXPECT_EQ(CarrierWavelength(kSysGalileo, 8, 100), 0.2483493695843067);
    EXPECT_EQ(CarrierWavelength(kSysGalileo, 12, 100), 0.251547000952345);
    EXPECT_EQ(CarrierWavelength(kSysGalileo, 15, 100), 0.23444180488758554);
    EXPECT_EQ(CarrierWavelength(kSysGalileo, 19, 100), 0.0);
    EXPECT_EQ(CarrierWavelength(33, 0, 0), 0.0);
    EXPECT_EQ(CarrierWavelength(kSysGps, -1, 0), 0.0);
    // A frequency number outside the GLONASS range gives no wavelength (never a division
    // by zero).
    EXPECT_EQ(CarrierWavelength(kSysGlonass, 0, -2848), 0.0);
}

TEST(ObsCodes, SignalStrengthIndicator) {
    const std::pair<double, int> cases[] = {{0.0, 1},   {11.99, 1}, {12.0, 2}, {17.99, 2},
                                            {47.9, 7},  {53.99, 8}, {54.0, 9}, {60.0, 9},
                                            {1e300, 9}, {-5.0, 1}};
    for (const auto& [snr, digit] : cases) EXPECT_EQ(SignalStrengthIndicator(snr), digit) << snr;
    EXPECT_EQ(SignalStrengthIndicator(std::nan("")), 1);
}

TEST(ObsCodes, HeaderInfoTakesDefaultCodesOnlyForEmptySlots) {
    HeaderInfo info;
    info.SetDefaultObsCode(0, 11);
    EXPECT_EQ(info.obsCodes[0][11], "C2W");
    info.obsCodes[1][0] = "C1X";
    info.SetDefaultObsCode(1, 0);
    EXPECT_EQ(info.obsCodes[1][0], "C1X");
    EXPECT_EQ(WithObsType("C2W", 'L'), "L2W");
}

}  // namespace
