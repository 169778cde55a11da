#include "atmosphere/trop_model.h"

#include <cmath>

namespace baldorn {
namespace {

// Niell (1996) mapping coefficients at latitudes 15, 30, 45, 60 and 75 degrees.
constexpr double kHydroAvg[5][3] = {{1.2769934e-3, 2.9153695e-3, 62.610505e-3},
                                    {1.2683230e-3, 2.9152299e-3, 62.837393e-3},
                                    {1.2465397e-3, 2.9288445e-3, 63.721774e-3},
                                    {1.2196049e-3, 2.9022565e-3, 63.824265e-3},
                                    {1.2045996e-3, 2.9024912e-3, 64.258455e-3}};
constexpr double kHydroAmp[5][3] = {{0.0, 0.0, 0.0},
                                    {1.2709626e-5, 2.1414979e-5, 9.0128400e-5},
                                    {2.6523662e-5, 3.0160779e-5, 4.3497037e-5},
                                    {3.4000452e-5, 7.2562722e-5, 84.795348e-5},
                                    {4.1202191e-5, 11.723375e-5, 170.37206e-5}};
constexpr double kWet[5][3] = {{5.8021897e-4, 1.4275268e-3, 4.3472961e-2},
                               {5.6794847e-4, 1.5138625e-3, 4.6729510e-2},
                               {5.8118019e-4, 1.4572752e-3, 4.3908931e-2},
                               {5.9727542e-4, 1.5007428e-3, 4.4626982e-2},
                               {6.1641693e-4, 1.7599082e-3, 5.4736038e-2}};

// Coefficient j of a table at |latitude| L degrees, interpolated between tabulated rows.
double Interpolate(const double table[5][3], int j, double latDeg) {
    if (latDeg < 15.0) return table[0][j];
    if (latDeg >= 75.0) return table[4][j];
    const int k = static_cast<int>(std::trunc(latDeg / 15.0));
    const double w = (latDeg - 15.0 * k) / 15.0;
    return table[k - 1][j] + (table[k][j] - table[k - 1][j]) * w;
}

double ContinuedFraction(double el, double a, double b, double c) {
    const double s = std::sin(el);
    return (1.0 + a / (1.0 + b / (1.0 + c))) / (s + a / (s + b / (s + c)));
}

}  // namespace

MetRecord StandardAtmosphere(double height) {
    MetRecord m;
    m.temperature = 18.0 - 0.0065 * height;
    m.pressure = 1013.25 * std::pow(1.0 - 2.26e-5 * height, 5.225);
    m.relHumidity = 70.0 * std::exp(-0.0006396 * height);
    return m;
}

double CTropModel::Delay(const WeekTime&, const Vector3& receiver, const Vector3& satellite) {
    return DelayAtElevation(CCoordinate::ElevationAzimuth(receiver, satellite, nullptr));
}

double CTropModel::DelayAtElevation(double elevation) {
    if (!valid || elevation < 0) return 0.0;
    return ZenithHydrostatic() * MapHydrostatic(elevation) + ZenithWet() * MapWet(elevation);
}

double CTropModel::Variance(double elevation) const {
    if (elevation > kPi / 2 || elevation < 0) return 0.0;
    const double r = 0.3 / (std::sin(elevation) + 0.1);
    return r * r;
}

void CTropModel::SetMeteo(const MetRecord& record) {
    SetMeteo(record.temperature, record.pressure, record.relHumidity);
}

void CTropModel::SetMeteo(double t, double p, double rh) {
    temperature = t + 273.15;
    pressure = p;
    humidity = rh;
    valid = (temperature >= 0 && p >= 0 && rh >= 0 && rh <= 100) ? 1 : 0;
}

double CSAASTropModel::Delay(const WeekTime& time, const Vector3& receiver,
                             const Vector3& satellite) {
    const Geodetic g = CCoordinate::XyzToBlh(receiver);
    SetLatitude(g.latitude);
    SetHeight(g.height);
    SetDayOfYear(time_.DayOfYear(time));
    return DelayAtElevation(CCoordinate::ElevationAzimuth(receiver, satellite, nullptr));
}

void CSAASTropModel::SetMeteo(double t, double p, double rh) {
    temperature = t;
    pressure = p;
    humidity = 6.11 * (rh / 100.0) * std::pow(10.0, 7.5 * t / (t + 237.3));
    meteoSet = 1;
    UpdateValid();
}

void CSAASTropModel::SetHeight(double h) {
    height = h;
    heightOk = (h >= -100.0 && h <= 10000.0) ? 1 : 0;
    UpdateValid();
}

void CSAASTropModel::SetLatitude(double lat) {
    latitude = lat;
    latitudeOk = std::fabs(lat) <= kPi / 2 ? 1 : 0;
    UpdateValid();
}

void CSAASTropModel::SetDayOfYear(int doy) {
    dayOfYear = doy;
    dayOk = (doy >= 1 && doy <= 366) ? 1 : 0;
    UpdateValid();
}

double CSAASTropModel::Denominator() const {
    return 1.0 - 0.00266 * std::cos(2.0 * latitude) - 0.00028 * height / 1000.0;
}

double CSAASTropModel::ZenithHydrostatic() const {
    if (!valid) return 0.0;
    return 0.0022768 * pressure / Denominator();
}

double CSAASTropModel::ZenithWet() const {
    if (!valid) return 0.0;
    return 0.0022768 * (1255.0 / (temperature + 273.15) + 0.05) * humidity / Denominator();
}

double CSAASTropModel::MapHydrostatic(double el) const {
    if (!valid || el < 0) return 0.0;
    const double latDeg = std::fabs(latitude) * 180.0 / kPi;
    double doy = dayOfYear;
    if (latitude < 0) doy += 182.625;
    const double season = std::cos(2.0 * kPi * (doy - 28.0) / 365.25);
    double c[3];
    for (int j = 0; j < 3; ++j) {
        c[j] = Interpolate(kHydroAvg, j, latDeg);
        if (latDeg >= 15.0) c[j] -= Interpolate(kHydroAmp, j, latDeg) * season;
    }
    const double m = ContinuedFraction(el, c[0], c[1], c[2]);
    const double correction = 1.0 / std::sin(el) - ContinuedFraction(el, 2.53e-5, 5.49e-3, 1.14e-3);
    return m + (height / 1000.0) * correction;
}

double CSAASTropModel::MapWet(double el) const {
    if (!valid || el < 0) return 0.0;
    const double latDeg = std::fabs(latitude) * 180.0 / kPi;
    return ContinuedFraction(el, Interpolate(kWet, 0, latDeg), Interpolate(kWet, 1, latDeg),
                             Interpolate(kWet, 2, latDeg));
}

}  // namespace baldorn
