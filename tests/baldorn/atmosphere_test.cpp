#include <gtest/gtest.h>

#include <cmath>

#include "atmosphere/iono_model.h"
#include "atmosphere/trop_model.h"

using namespace baldorn;

namespace {

WeekTime Sow(double sow) {
    WeekTime t;
    t.week = 1930;
    t.sow = sow;
    t.year = 2017;
    t.month = 1;
    t.day = 1;
    return t;
}

}  // namespace

TEST(Ionosphere, KlobucharAtZenithAtNoonAndAtNight) {
    CIonoModel iono;
    EXPECT_EQ(iono.loaded, 0);
    const Geodetic origin{0, 0, 0};
    const double noon = iono.Delay(Sow(50400), origin, 0, kPi / 2, 1575420000.0);
    EXPECT_EQ(iono.loaded, 1);  // switched to the default coefficients
    // E = 0.5: the pierce point lies psi north of the receiver; local time 14:00 gives x = 0.
    const double psi = 0.0137 / (0.5 + 0.11) - 0.022;
    const double phiM = psi + 0.064 * std::cos(-1.617 * kPi);
    const double amp =
        1.118e-8 - 7.451e-9 * phiM - 5.961e-8 * phiM * phiM + 1.192e-7 * phiM * phiM * phiM;
    const double f = 1 + 16 * std::pow(0.03, 3);
    EXPECT_NEAR(noon, f * (5e-9 + amp) * 299792458.0, 1e-9);
    const double glonass = iono.Delay(Sow(50400), origin, 0, kPi / 2, 1602000000.0);
    EXPECT_NEAR(glonass, noon * std::pow(1575.42 / 1602.0, 2), 1e-9);
    const double night = iono.Delay(Sow(50400 + 43200), origin, 0, kPi / 2, 1575420000.0);
    EXPECT_NEAR(night, f * 5e-9 * 299792458.0, 1e-9);  // about 1.5 m
    EXPECT_EQ(iono.Delay(Sow(0), {kPi, 2 * kPi, 0}, 0, kPi / 2, 1575420000.0), 0.0);
    EXPECT_EQ(iono.Delay(Sow(0), origin, 0, -0.1, 1575420000.0), 0.0);
    EXPECT_DOUBLE_EQ(CIonoModel::Variance(0.0), 0.25);
    EXPECT_DOUBLE_EQ(CIonoModel::Variance(4.0), 4.0);
}

TEST(Ionosphere, BroadcastCoefficientsReplaceTheDefaults) {
    CIonoModel iono;
    const double a[4] = {2e-8, 0, 0, 0}, b[4] = {72000, 0, 0, 0};
    iono.SetParams(a, b);
    const double d = iono.Delay(Sow(50400), {0, 0, 0}, 0, kPi / 2, 1575420000.0);
    EXPECT_NEAR(d, (1 + 16 * std::pow(0.03, 3)) * (5e-9 + 2e-8) * 299792458.0, 1e-9);
}

TEST(Troposphere, ValidityStandardAtmosphereAndVariance) {
    const MetRecord m = StandardAtmosphere(50);
    EXPECT_DOUBLE_EQ(m.temperature, 17.675);
    EXPECT_NEAR(m.pressure, 1007.28, 0.01);
    EXPECT_NEAR(m.relHumidity, 67.80, 0.01);

    CSAASTropModel trop;
    EXPECT_STREQ(trop.ClassName(), "CSAASTropModel");
    EXPECT_EQ(trop.valid, 0);
    EXPECT_EQ(trop.DelayAtElevation(kPi / 2), 0.0);
    EXPECT_NEAR(trop.Variance(15 * kPi / 180), 0.699, 0.001);
    EXPECT_EQ(trop.Variance(-0.1), 0.0);
    trop.SetMeteo(m);
    EXPECT_EQ(trop.valid, 0);  // position and day still missing
    trop.SetLatitude(0.6);
    trop.SetHeight(50);
    EXPECT_EQ(trop.valid, 0);
    trop.SetDayOfYear(92);
    ASSERT_EQ(trop.valid, 1);
    // Saastamoinen at sea level: about 2.3 m dry and some decimetres wet at the zenith.
    EXPECT_NEAR(trop.ZenithHydrostatic(), 2.29, 0.02);
    EXPECT_GT(trop.ZenithWet(), 0.05);
    EXPECT_LT(trop.ZenithWet(), 0.3);
    EXPECT_NEAR(trop.MapHydrostatic(kPi / 2), 1.0, 1e-3);
    EXPECT_NEAR(trop.MapWet(kPi / 2), 1.0, 1e-3);
    const double el = 15 * kPi / 180;
    EXPECT_NEAR(trop.MapHydrostatic(el), 3.80, 0.02);  // a little below 1 / sin 15 = 3.86
    trop.SetHeight(10001);
    EXPECT_EQ(trop.valid, 0);
    trop.SetHeight(50);
    trop.SetDayOfYear(0);
    EXPECT_EQ(trop.valid, 0);
}

TEST(Troposphere, SeasonOfTheSouthernHemisphere) {
    // Day 28 in the south uses the season of day 210.625 in the north.
    CSAASTropModel south, north;
    for (CSAASTropModel* t : {&south, &north}) {
        t->SetMeteo(StandardAtmosphere(50));
        t->SetHeight(50);
    }
    south.SetLatitude(-40 * kPi / 180);
    south.SetDayOfYear(28);
    north.SetLatitude(40 * kPi / 180);
    north.SetDayOfYear(28);
    const double el = 10 * kPi / 180;
    const double winterNorth = north.MapHydrostatic(el);
    const double summerSouth = south.MapHydrostatic(el);
    EXPECT_NE(winterNorth, summerSouth);
    // The seasonal term changes sign half a year later.
    CSAASTropModel northSummer = north;
    northSummer.SetDayOfYear(28 + 183);
    EXPECT_NEAR(northSummer.MapHydrostatic(el), summerSouth, 2e-4);
}

TEST(Troposphere, SlantDelayFromPositions) {
    CSAASTropModel trop;
    trop.SetMeteo(StandardAtmosphere(50));
    const Vector3 receiver{-3976219.5, 3382372.6, 3652513.0};
    const Vector3 up = receiver * (1 + 2e7 / Length(receiver));
    const double zenith = trop.Delay(Sow(3600), receiver, up);
    EXPECT_NEAR(zenith, 2.45, 0.2);
    EXPECT_EQ(trop.valid, 1);
    // A receiver at the Earth's centre has no latitude: no delay.
    EXPECT_EQ(trop.Delay(Sow(3600), {0, 0, 0}, up), 0.0);
}
