#include <gtest/gtest.h>

#include <cmath>

#include "coords/coordinate.h"
#include "coords/matrix.h"

using namespace baldorn;

namespace {

// Earth-fixed position of a geodetic point on WGS-84.
Vector3 FromBlh(double lat, double lon, double h) {
    const double n = kWgs84A / std::sqrt(1 - kWgs84E2 * std::sin(lat) * std::sin(lat));
    return {(n + h) * std::cos(lat) * std::cos(lon), (n + h) * std::cos(lat) * std::sin(lon),
            (n * (1 - kWgs84E2) + h) * std::sin(lat)};
}

}  // namespace

TEST(Coordinates, GeodeticRoundTripsIncludingTheEquatorialPlane) {
    struct Case {
        double latDeg, lonDeg, h;
    } cases[] = {
        {45, 0, 100},  {35.2, 139.6, 58}, {-40, -70, 2500}, {0, 0, 0},        {0, 90, 1000},
        {1e-9, 10, 5}, {-0.001, 180, 20}, {89.9999, 0, 3},  {-89.5, 45, -50},
    };
    for (const Case& c : cases) {
        const double lat = c.latDeg * kPi / 180, lon = c.lonDeg * kPi / 180;
        const Geodetic g = CCoordinate::XyzToBlh(FromBlh(lat, lon, c.h));
        SCOPED_TRACE(c.latDeg);
        EXPECT_NEAR(g.latitude, lat, 1e-12);
        EXPECT_NEAR(std::remainder(g.longitude - lon, 2 * kPi), 0.0, 1e-12);
        EXPECT_NEAR(g.height, c.h, 1e-6);
    }
    // On the equatorial plane the usual height formula has no value; the result is still the
    // height above the equator, not a NaN.
    const Geodetic eq = CCoordinate::XyzToBlh({6378137.0, 0, 0});
    EXPECT_EQ(eq.latitude, 0.0);
    EXPECT_EQ(eq.longitude, 0.0);
    EXPECT_NEAR(eq.height, 0.0, 1e-9);
    const Geodetic pole = CCoordinate::XyzToBlh({0, 0, -6356852.314});
    EXPECT_NEAR(pole.latitude, -kPi / 2, 1e-12);
    EXPECT_NEAR(pole.height, 100.0, 1e-3);
}

TEST(Coordinates, MarkerNearTheEarthsCentre) {
    for (const Vector3& v : {Vector3{0, 0, 0}, Vector3{99, 0, 0}, Vector3{std::nan(""), 0, 0}}) {
        const Geodetic g = CCoordinate::XyzToBlh(v);
        EXPECT_EQ(g.latitude, kPi);
        EXPECT_EQ(g.longitude, 2 * kPi);
        EXPECT_EQ(g.height, -6378138.0);
        EXPECT_FALSE(CCoordinate::IsValidLatLon(g));
    }
}

TEST(Coordinates, ElevationAndAzimuth) {
    const Vector3 r = FromBlh(0.6, 0.3, 50);
    const CMatrix enu = CCoordinate::EnuRotation(0.6, 0.3);
    // A unit direction given in east/north/up, placed 20000 km away.
    auto sat = [&](double e, double n, double u) {
        const double d = 2e7;
        return Vector3{r.x + d * (enu.Get(0, 0) * e + enu.Get(1, 0) * n + enu.Get(2, 0) * u),
                       r.y + d * (enu.Get(0, 1) * e + enu.Get(1, 1) * n + enu.Get(2, 1) * u),
                       r.z + d * (enu.Get(0, 2) * e + enu.Get(1, 2) * n + enu.Get(2, 2) * u)};
    };
    struct Case {
        double e, n, u, azDeg, elDeg;
    } cases[] = {{0, 1, 0, 0, 0},    {1, 0, 0, 90, 0}, {-1, 0, 0, 270, 0},
                 {0, -1, 0, 180, 0}, {0, 0, 1, 0, 90}, {0.5, 0.5, std::sqrt(0.5), 45, 45}};
    for (const Case& c : cases) {
        double az = -1;
        const double el = CCoordinate::ElevationAzimuth(r, sat(c.e, c.n, c.u), &az);
        EXPECT_NEAR(el * 180 / kPi, c.elDeg, 1e-6) << c.azDeg;
        if (c.elDeg < 90) {
            EXPECT_NEAR(az * 180 / kPi, c.azDeg, 1e-6);
        }
        EXPECT_GE(az, 0.0);
    }
    double az = 1;
    EXPECT_EQ(CCoordinate::ElevationAzimuth({0, 0, 0}, sat(0, 0, 1), &az), kPi / 2);
    EXPECT_EQ(az, 0.0);
    EXPECT_EQ(CCoordinate::ElevationAzimuth(r, {0, 0, 0}, nullptr), 0.0);
}

TEST(Matrix, ElementAccessBlocksAndShapes) {
    CMatrix m(2, 3, {1, 2, 3, 4, 5, 6});
    EXPECT_EQ(m.ok, 1);
    EXPECT_EQ(m.Get(1, 2), 6);
    EXPECT_EQ(m.Get(2, 0), 0);
    EXPECT_EQ(m.Get(-1, 0), 0);
    EXPECT_FALSE(m.Set(0, 3, 9));
    m.At(5, 5) = 7;  // outside: the first element
    EXPECT_EQ(m.Get(0, 0), 7);
    const CMatrix t = m.Transpose();
    EXPECT_EQ(t.Rows(), 3);
    EXPECT_EQ(t.Get(2, 1), 6);
    EXPECT_EQ((m * t).Get(1, 1), 16 + 25 + 36);
    EXPECT_EQ((m * m).ok, 0);
    EXPECT_EQ((m + t).ok, 0);
    EXPECT_EQ((m / 0.0).ok, 0);
    EXPECT_EQ(m.Block(0, 1, 1, 2).Get(1, 1), 6);
    EXPECT_EQ(m.RowRange(1, 1).Get(0, 0), 4);
    EXPECT_FALSE(m.SetBlock(1, 1, CMatrix(2, 2)));
    EXPECT_TRUE(m.SetBlock(0, 1, CMatrix(2, 2)));
    EXPECT_EQ(m.Get(1, 2), 0);
    EXPECT_EQ(CMatrix(3, 3, {1, 1, 1}).Norm(), 0.0);
    EXPECT_EQ(CMatrix(3, 1, {3, 4, 0}).Norm(), 5.0);
    EXPECT_EQ(CMatrix(1, 2, {3, 4}).SumOfSquares(), 25.0);
    EXPECT_EQ(CMatrix(2, 3).Trace(), 0.0);
    EXPECT_EQ(CMatrix().ok, 0);
}

TEST(Matrix, InverseWithFullPivotingAndLeastSquares) {
    const CMatrix a(3, 3, {0, 2, 1, 1, 0, 3, 4, 1, 0});  // needs pivoting: a zero on the diagonal
    const CMatrix inv = a.Inverse(1e-50);
    ASSERT_EQ(inv.ok, 1);
    const CMatrix id = a * inv;
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c) EXPECT_NEAR(id.Get(r, c), r == c ? 1.0 : 0.0, 1e-14);

    EXPECT_EQ(CMatrix(3, 3, {1, 0, 2, 3, 0, 4, 5, 0, 6}).Inverse(1e-50).ok, 0);  // zero column
    EXPECT_EQ(CMatrix(2, 3).Inverse(1e-50).ok, 0);

    // Fit y = 1 + 2x through four points, one weighted out.
    const CMatrix design(4, 2, {1, 0, 1, 1, 1, 2, 1, 3});
    const CMatrix obs(4, 1, {1, 3, 5, 100});
    const CMatrix w(4, 4, {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1e-30});
    CMatrix x, q;
    ASSERT_EQ(LeastSquares(design, obs, &w, x, q), 1);
    EXPECT_NEAR(x.Get(0, 0), 1.0, 1e-9);
    EXPECT_NEAR(x.Get(1, 0), 2.0, 1e-9);
    EXPECT_EQ(q.Rows(), 2);
    EXPECT_EQ(LeastSquares(CMatrix(1, 2, {1, 1}), CMatrix(1, 1, {1}), nullptr, x, q), 0);
    EXPECT_EQ(LeastSquares(CMatrix(3, 2, {1, 0, 1, 0, 1, 0}), obs, nullptr, x, q), 0);
}
