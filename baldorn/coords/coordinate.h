// WGS-84 conversions between Earth-fixed coordinates and latitude, longitude and height.
#pragma once

#include "coords/matrix.h"

namespace baldorn {

struct Vector3 {
    double x = 0.0;
    double y = 0.0;
    double z = 0.0;
};

inline Vector3 operator+(const Vector3& a, const Vector3& b) {
    return {a.x + b.x, a.y + b.y, a.z + b.z};
}
inline Vector3 operator-(const Vector3& a, const Vector3& b) {
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}
inline Vector3 operator*(const Vector3& a, double s) {
    return {a.x * s, a.y * s, a.z * s};
}
inline double Dot(const Vector3& a, const Vector3& b) {
    return a.x * b.x + a.y * b.y + a.z * b.z;
}
double Length(const Vector3& v);

// Latitude and longitude in radians, height in metres.
struct Geodetic {
    double latitude = 0.0;
    double longitude = 0.0;
    double height = 0.0;
};

inline constexpr double kWgs84A = 6378137.0;
inline constexpr double kWgs84E2 = 0.0066943799901413165;
inline constexpr double kPi = 3.14159265358979323846;

// A position counts as real when it is at least this far from the Earth's centre.
inline constexpr double kRealPositionRadius = 100.0;

class CCoordinate {
  public:
    // Near the Earth's centre the marker (pi, 2 pi, -6378138) is returned.
    static Geodetic XyzToBlh(const Vector3& xyz);
    static bool IsValidLatLon(const Geodetic& g);
    // Rows east, north, up.
    static CMatrix EnuRotation(double latitude, double longitude);
    static double ElevationAzimuth(const Vector3& receiver, const Vector3& satellite,
                                   double* azimuth);
};

}  // namespace baldorn
