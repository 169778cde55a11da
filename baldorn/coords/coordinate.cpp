#include "coords/coordinate.h"

#include <cmath>

namespace baldorn {
namespace {

// Ellipsoidal height of a point whose latitude is phi. The usual form Z / sin(phi) has no
// value on the equatorial plane, so below 45 degrees the equivalent p / cos(phi) form is used;
// both give the same height for a converged latitude.
double HeightAt(double p, double z, double phi, double n) {
    if (std::fabs(phi) < kPi / 4.0) return p / std::cos(phi) - n;
    return z / std::sin(phi) - (1.0 - kWgs84E2) * n;
}

double PrimeVertical(double phi) {
    const double s = std::sin(phi);
    return kWgs84A / std::sqrt(1.0 - kWgs84E2 * s * s);
}

}  // namespace

double Length(const Vector3& v) {
    return std::sqrt(Dot(v, v));
}

Geodetic CCoordinate::XyzToBlh(const Vector3& xyz) {
    const double r = Length(xyz);
    if (!(r >= kRealPositionRadius)) return {kPi, 2.0 * kPi, -6378138.0};
    const double lon = std::atan2(xyz.y, xyz.x);
    const double p = std::sqrt(xyz.x * xyz.x + xyz.y * xyz.y);
    double h = r - kWgs84A;
    double phi = std::atan2(xyz.z / p, 1.0 - kWgs84E2 * kWgs84A / (kWgs84A + h));
    if (p < 1e-9) {
        // On the polar axis: latitude +-90 degrees, height above the pole.
        phi = xyz.z >= 0 ? kPi / 2 : -kPi / 2;
        const double b = kWgs84A * std::sqrt(1.0 - kWgs84E2);
        return {phi, lon, std::fabs(xyz.z) - b};
    }
    // The iteration converges in a handful of steps; the bound only guards against a
    // non-finite input.
    for (int i = 0; i < 100; ++i) {
        const double n = PrimeVertical(phi);
        const double h2 = HeightAt(p, xyz.z, phi, n);
        const double phi2 = std::atan2(xyz.z / p, 1.0 - kWgs84E2 * n / (n + h2));
        const bool done = std::fabs(phi - phi2) <= 1e-13 && std::fabs(h - h2) <= 1e-6;
        phi = phi2;
        h = h2;
        if (done) break;
    }
    return {phi, lon, HeightAt(p, xyz.z, phi, PrimeVertical(phi))};
}

bool CCoordinate::IsValidLatLon(const Geodetic& g) {
    return std::fabs(g.latitude) <= kPi / 2 && std::fabs(g.longitude) <= kPi;
}

CMatrix CCoordinate::EnuRotation(double latitude, double longitude) {
    const double sp = std::sin(latitude), cp = std::cos(latitude);
    const double sl = std::sin(longitude), cl = std::cos(longitude);
    return CMatrix(3, 3, {-sl, cl, 0.0, -sp * cl, -sp * sl, cp, cp * cl, cp * sl, sp});
}

double CCoordinate::ElevationAzimuth(const Vector3& receiver, const Vector3& satellite,
                                     double* azimuth) {
    if (azimuth) *azimuth = 0.0;
    const bool receiverReal = Length(receiver) >= kRealPositionRadius;
    if (!receiverReal || !(Length(satellite) >= kRealPositionRadius))
        return receiverReal ? 0.0 : kPi / 2;
    const Vector3 d = satellite - receiver;
    const double len = Length(d);
    if (!(len > 0)) return 0.0;
    const Vector3 u = d * (1.0 / len);
    const Geodetic g = XyzToBlh(receiver);
    const CMatrix e = EnuRotation(g.latitude, g.longitude);
    const double east = e.Get(0, 0) * u.x + e.Get(0, 1) * u.y + e.Get(0, 2) * u.z;
    const double north = e.Get(1, 0) * u.x + e.Get(1, 1) * u.y + e.Get(1, 2) * u.z;
    double up = e.Get(2, 0) * u.x + e.Get(2, 1) * u.y + e.Get(2, 2) * u.z;
    if (up > 1.0) up = 1.0;
    if (up < -1.0) up = -1.0;
    if (azimuth) {
        double az = std::atan2(east, north);
        if (az < 0) az += 2.0 * kPi;
        if (az >= 2.0 * kPi) az = 0.0;  // a rounding -0 east component is still due north
        *azimuth = az;
    }
    return std::asin(up);
}

}  // namespace baldorn
