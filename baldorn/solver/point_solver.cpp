#include "solver/point_solver.h"

#include <algorithm>
#include <cmath>

namespace baldorn {
namespace {

constexpr double kEarthRate = 7.2921151467e-5;
constexpr int kUnknowns = 7;
constexpr int kMaxRows = kMaxSatIndex;
constexpr int kPasses = 11;
constexpr int kIterations = 10;
constexpr double kInverseThreshold = 1e-50;
// Post-fit residual RMS (m) beyond which an epoch solution is taken as a failed solve.
constexpr double kMaxPostFitRms = 10.0;

// GLONASS frequency channels of slots 1..27; the spare slots 25..27 have no fixed channel and
// are computed with the centre frequency (channel 0).
constexpr int kGlonassChannels[27] = {1,  -4, 5, 6,  1, -4, 5, 6, -2, -7, 0, -1, -2, -7,
                                      0,  -1, 4, -3, 3, 2,  4, -3, 3, 2,  0, 0,  0};

// Carrier frequencies (Hz) by system index and slot.
constexpr double kFrequencies[kSystemCount][kSlotCount] = {
    {1575420000.0, 1227600000.0, 1176450000.0, 0, 0},
    {1602000000.0, 1246000000.0, 0, 0, 0},
    {1561098000.0, 1207140000.0, 1268520000.0, 0, 0},
    {1575420000.0, 1176450000.0, 0, 0, 0},
    {1575420000.0, 1227600000.0, 1176450000.0, 1278750000.0, 0},
    {1575420000.0, 1176450000.0, 1207140000.0, 1191795000.0, 1278750000.0}};

// Clock groups: GPS (with SBAS and QZSS), GLONASS, Galileo, BDS; the group's unknown is
// column 3 + group.
int ClockGroup(int systemCode) {
    switch (systemCode) {
        case kGlonass:
            return 1;
        case kGalileo:
            return 2;
        case kBds:
            return 3;
        default:
            return 0;
    }
}

// Solves N dx = H'W v; false when the normal matrix is singular.
bool WeightedSolve(const CMatrix& h, const std::vector<double>& variances,
                   const std::vector<double>& residuals, CMatrix& dx, CMatrix& q) {
    const int rows = h.Rows();
    CMatrix w(rows, rows), v(rows, 1);
    for (int i = 0; i < rows; ++i) {
        w.Set(i, i, 1.0 / variances[i]);
        v.Set(i, 0, residuals[i]);
    }
    return LeastSquares(h, v, &w, dx, q) == 1;
}

int WorstRow(const std::vector<double>& residuals, double& maxRes) {
    int worst = -1;
    maxRes = -1.0;
    for (size_t i = 0; i < residuals.size(); ++i)
        if (std::fabs(residuals[i]) > maxRes) {
            maxRes = std::fabs(residuals[i]);
            worst = static_cast<int>(i);
        }
    return worst;
}

bool LittleImprovement(double prevRms, double rms) {
    if (!(rms > 0)) return false;
    return (prevRms - rms) / rms < 0.1;
}

}  // namespace

PointSolver::PointSolver() {
    for (int satIndex = 1; satIndex <= kMaxSatIndex; ++satIndex) {
        const int systemCode = SystemCodeOfSatIndex(satIndex);
        const int systemIndex = SystemIndexFromCode(systemCode);
        for (int slot = 0; slot < kSlotCount; ++slot) {
            double f = kFrequencies[systemIndex][slot];
            if (systemCode == kGlonass && f > 0) {
                const int n = kGlonassChannels[satIndex - SatIndexOf(kGlonass, 1)];
                f += n * (slot == 0 ? 562500.0 : 437500.0);
            }
            wavelengths_[satIndex][slot] = f > 0 ? kSpeedOfLight / f : 0.0;
        }
    }
}

double PointSolver::Wavelength(int satIndex, int slot) const {
    if (satIndex < 1 || satIndex > kMaxSatIndex || slot < 0 || slot >= kSlotCount) return 0.0;
    return wavelengths_[satIndex][slot];
}

int PointSolver::SolveEpoch(const OBSERVATIONS& epoch, const NavFile& navFile, SolResult& result) {
    result.time = epoch.time;
    if (!trop_.valid) trop_.SetMeteo(StandardAtmosphere(50.0));
    const IonoUtcParams& gps = navFile.ionoUtc[0];
    if (!iono_.loaded && gps.valid == 1) {
        const double a[4] = {gps.alpha0, gps.alpha1, gps.alpha2, gps.alpha3};
        const double b[4] = {gps.beta0, gps.beta1, gps.beta2, gps.beta3};
        iono_.SetParams(a, b);
    }
    std::vector<SatParam> sats;
    if (!ComputeSatellites(epoch, navFile.kepler, navFile.glonass, sats)) return 0;
    UpdateElevations(Vector3{}, sats);
    if (!EstimatePosition(epoch, sats, result)) return 0;
    EstimateVelocity(epoch, sats, result);
    return 1;
}

void PointSolver::UpdateElevations(const Vector3& receiver,
                                   std::vector<SatParam>& satParams) const {
    const Geodetic g = CCoordinate::XyzToBlh(receiver);
    for (SatParam& s : satParams) {
        if (!s.valid) {
            s.azimuth = s.elevation = 0.0;
        } else if (g.height > -6378137.0) {
            s.elevation = CCoordinate::ElevationAzimuth(receiver, s.pos, &s.azimuth);
        } else {
            s.azimuth = 0.0;
            s.elevation = kPi / 2;
        }
    }
}

double PointSolver::GeometricRange(const Vector3& r, const Vector3& s, Vector3* unitRow) {
    if (unitRow) *unitRow = Vector3{};
    if (Length(s) < 1.0) return 0.0;
    const Vector3 d = r - s;
    const double len = Length(d);
    if (!(len > 0)) return 0.0;
    if (unitRow) *unitRow = d * (1.0 / len);
    return len + kEarthRate * (s.x * r.y - s.y * r.x) / kSpeedOfLight;
}

double PointSolver::ElevationVariance(double elevation, int systemCode) {
    const double f = systemCode == kGlonass ? 1.5 : (systemCode == kSbas ? 3.0 : 1.0);
    return f * f * 100.0 * 100.0 * (0.003 * 0.003 + 0.003 * 0.003 / std::sin(elevation));
}

int PointSolver::BuildPositionRows(const OBSERVATIONS& epoch, std::vector<SatParam>& satParams,
                                   const CMatrix& x, CMatrix& h, std::vector<double>& variances,
                                   std::vector<double>& residuals,
                                   std::vector<int>& rowSatellites) {
    const Vector3 r{x.Get(0, 0), x.Get(1, 0), x.Get(2, 0)};
    const Geodetic blh = CCoordinate::XyzToBlh(r);
    struct Row {
        double e[3];
        int group;
        double v, var;
        int sat;
    };
    std::vector<Row> rows;
    bool groupUsed[4] = {false, false, false, false};
    const size_t n = std::min(epoch.sats.size(), satParams.size());
    for (size_t i = 0; i < n; ++i) {
        const SatParam& sp = satParams[i];
        const SatelliteData& sat = epoch.sats[i];
        if (sp.valid != 1 || sp.used != 1 || !(sp.elevation >= elevationMask)) continue;
        if (static_cast<int>(rows.size()) >= kMaxRows - 4) break;
        Vector3 e;
        const double rho = GeometricRange(r, sp.pos, &e);
        if (std::fabs(rho) < 1e-6) continue;
        if (sat.blocks.empty()) continue;
        const double p = sat.blocks[0].pseudorange;
        if (std::fabs(p) < 1e-6) continue;
        const int satIndex = SatIndexOf(sat.systemCode, sat.prn);
        const double lambda = Wavelength(satIndex, 0);
        const double frequency = lambda > 0 ? kSpeedOfLight / lambda : 0.0;
        const double iono = iono_.Delay(epoch.time, blh, sp.azimuth, sp.elevation, frequency);
        const double vIono = CIonoModel::Variance(iono);
        const double tropo = trop_.Delay(epoch.time, r, sp.pos);
        const double vTropo = trop_.Variance(sp.elevation);
        if (std::fabs(vIono) < 1e-6 || std::fabs(vTropo) < 1e-6) continue;
        const int group = ClockGroup(sat.systemCode);
        const double satClock = sp.clock - sp.groupDelay;
        double v = p - (rho + x.Get(3, 0) + iono + tropo - kSpeedOfLight * satClock);
        if (group > 0) v -= x.Get(3 + group, 0);
        groupUsed[group] = true;
        rows.push_back({{e.x, e.y, e.z},
                        group,
                        v,
                        0.09 + vIono + vTropo + ElevationVariance(sp.elevation, sat.systemCode),
                        static_cast<int>(i)});
    }
    const size_t observations = rows.size();
    for (int g = 0; g < 4; ++g)
        if (!groupUsed[g]) rows.push_back({{0, 0, 0}, -1 - g, 0.0, 0.01, -1});

    const int count = static_cast<int>(rows.size());
    h.Resize(count, kUnknowns);
    variances.assign(count, 0.0);
    residuals.assign(count, 0.0);
    rowSatellites.assign(count, -1);
    for (int i = 0; i < count; ++i) {
        const Row& row = rows[i];
        if (static_cast<size_t>(i) < observations) {
            h.Set(i, 0, row.e[0]);
            h.Set(i, 1, row.e[1]);
            h.Set(i, 2, row.e[2]);
            h.Set(i, 3, 1.0);
            if (row.group > 0) h.Set(i, 3 + row.group, 1.0);
        } else {
            h.Set(i, 3 + (-1 - row.group), 1.0);
        }
        variances[i] = row.var;
        residuals[i] = row.v;
        rowSatellites[i] = row.sat;
    }
    return count;
}

void PointSolver::StorePosition(const CMatrix& x, const CMatrix& q, const std::vector<double>& v,
                                SolResult& result) const {
    if (x.Rows() != kUnknowns || q.Rows() != kUnknowns || q.Cols() != kUnknowns) return;
    result.pos = {x.Get(0, 0), x.Get(1, 0), x.Get(2, 0)};
    for (int i = 0; i < 4; ++i) result.clockParams[i] = x.Get(3 + i, 0);
    size_t n = v.size();
    while (n > 0 && std::fabs(v[n - 1]) < 1e-8) --n;
    result.obsCount = static_cast<int32_t>(n);
    result.valid = 1;
    double trace = 0.0;
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c) {
            result.covariance.Set(r, c, q.Get(r, c));
            if (r == c) trace += q.Get(r, c);
        }
    result.posSigma = std::sqrt(std::max(trace, 0.0));
    double sum = 0.0;
    for (size_t i = 0; i < n; ++i) sum += v[i] * v[i];
    result.posRms = n > 0 ? std::sqrt(sum / static_cast<double>(n)) : 0.0;
}

int PointSolver::EstimatePosition(const OBSERVATIONS& epoch, std::vector<SatParam>& satParams,
                                  SolResult& result) {
    double prevRms = 10000.0;
    int prevExcluded = -1;
    CMatrix h, q, dx;
    CMatrix x(kUnknowns, 1);
    std::vector<double> variances, residuals;
    std::vector<int> rowSats;
    bool converged = false;
    for (int pass = 0; pass < kPasses; ++pass) {
        x = CMatrix(kUnknowns, 1);
        converged = false;
        for (int it = 0; it < kIterations; ++it) {
            const int rows =
                BuildPositionRows(epoch, satParams, x, h, variances, residuals, rowSats);
            if (rows < kUnknowns) return 0;
            if (!WeightedSolve(h, variances, residuals, dx, q)) return 0;
            x += dx;
            UpdateElevations({x.Get(0, 0), x.Get(1, 0), x.Get(2, 0)}, satParams);
            converged = dx.Norm() < 0.01;
            if (converged || it == kIterations - 1) {
                StorePosition(x, q, residuals, result);
                break;
            }
        }
        double maxRes = 0.0;
        const int worstRow = WorstRow(residuals, maxRes);
        const int worst = worstRow >= 0 ? rowSats[worstRow] : -1;
        const double rms = result.posRms;
        const double sigma = result.posSigma;
        if (prevExcluded >= 0 && LittleImprovement(prevRms, rms)) satParams[prevExcluded].used = 1;
        if (rms <= 10.0) {
            const double threshold = std::min(3.0 * rms, 5.0);
            if (maxRes <= threshold || sigma >= 5.0) break;
        }
        if (worst >= 0) satParams[worst].used = 0;
        prevRms = rms;
        prevExcluded = worst;
    }
    if (!(result.posRms < 10.0)) return 0;
    return AcceptedSolution(epoch, satParams, x, converged) ? 1 : 0;
}

// A solution counts only when its iteration converged and the residuals of the observations
// at the solved position itself (not at the step before) are small: an iteration stopped by
// its limit, or one pulled off by an impossible orbit, leaves large post-fit residuals.
bool PointSolver::AcceptedSolution(const OBSERVATIONS& epoch, std::vector<SatParam>& satParams,
                                   const CMatrix& x, bool converged) {
    if (!converged) return false;
    for (int i = 0; i < kUnknowns; ++i)
        if (!std::isfinite(x.Get(i, 0))) return false;
    CMatrix h;
    std::vector<double> variances, residuals;
    std::vector<int> rowSats;
    const int rows = BuildPositionRows(epoch, satParams, x, h, variances, residuals, rowSats);
    if (rows < kUnknowns) return false;
    double sum = 0.0;
    size_t n = 0;
    for (size_t i = 0; i < residuals.size(); ++i) {
        if (i < rowSats.size() && rowSats[i] < 0) continue;  // clock constraints of unused groups
        if (!std::isfinite(residuals[i])) return false;
        sum += residuals[i] * residuals[i];
        ++n;
    }
    return n > 0 && std::sqrt(sum / static_cast<double>(n)) < kMaxPostFitRms;
}

int PointSolver::BuildVelocityRows(const OBSERVATIONS& epoch, const std::vector<SatParam>& sats,
                                   const Vector3& receiver, const CMatrix& y, CMatrix& h,
                                   std::vector<double>& variances, std::vector<double>& residuals,
                                   std::vector<int>& rowSatellites) const {
    const Geodetic g = CCoordinate::XyzToBlh(receiver);
    const CMatrix enu = CCoordinate::EnuRotation(g.latitude, g.longitude);
    const Vector3 vr{y.Get(0, 0), y.Get(1, 0), y.Get(2, 0)};
    const double drift = y.Get(3, 0);
    struct Row {
        Vector3 e;
        double w;
        int sat;
    };
    std::vector<Row> rows;
    const size_t n = std::min(epoch.sats.size(), sats.size());
    for (size_t i = 0; i < n; ++i) {
        const SatParam& sp = sats[i];
        const SatelliteData& sat = epoch.sats[i];
        if (!sp.valid || !sp.used || !(sp.elevation >= elevationMask)) continue;
        if (sat.blocks.empty()) continue;
        const double lambda = Wavelength(SatIndexOf(sat.systemCode, sat.prn), 0);
        const double d = sat.blocks[0].doppler;
        if (std::fabs(lambda) < 1e-6 || std::fabs(d) < 1e-6) continue;
        if (static_cast<int>(rows.size()) >= kMaxRows) break;
        const double ce = std::cos(sp.elevation);
        const double u[3] = {std::sin(sp.azimuth) * ce, std::cos(sp.azimuth) * ce,
                             std::sin(sp.elevation)};
        Vector3 e;
        e.x = enu.Get(0, 0) * u[0] + enu.Get(1, 0) * u[1] + enu.Get(2, 0) * u[2];
        e.y = enu.Get(0, 1) * u[0] + enu.Get(1, 1) * u[1] + enu.Get(2, 1) * u[2];
        e.z = enu.Get(0, 2) * u[0] + enu.Get(1, 2) * u[1] + enu.Get(2, 2) * u[2];
        const Vector3& vs = sp.vel;
        const Vector3& ps = sp.pos;
        const double rate = Dot(e, vs - vr) +
                            kEarthRate / kSpeedOfLight *
                                (vs.y * receiver.x + ps.y * vr.x - vs.x * receiver.y - ps.x * vr.y);
        const double w = -lambda * d - drift - (rate - kSpeedOfLight * sp.clockDrift);
        if (std::fabs(drift) < 1e-6 || std::fabs(w) <= 50.0)
            rows.push_back({e, w, static_cast<int>(i)});
    }
    const int count = static_cast<int>(rows.size());
    h.Resize(count, 4);
    variances.assign(count, 0.01);
    residuals.assign(count, 0.0);
    rowSatellites.assign(count, -1);
    for (int i = 0; i < count; ++i) {
        h.Set(i, 0, -rows[i].e.x);
        h.Set(i, 1, -rows[i].e.y);
        h.Set(i, 2, -rows[i].e.z);
        h.Set(i, 3, 1.0);
        residuals[i] = rows[i].w;
        rowSatellites[i] = rows[i].sat;
    }
    return count;
}

void PointSolver::StoreVelocity(const CMatrix& y, const CMatrix& q, const std::vector<double>& w,
                                SolResult& result) const {
    if (y.Rows() != 4 || q.Rows() != 4 || q.Cols() != 4) return;
    result.vel = {y.Get(0, 0), y.Get(1, 0), y.Get(2, 0)};
    result.clockDrift = y.Get(3, 0);
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c) result.covariance.Set(3 + r, 3 + c, q.Get(r, c));
    double sum = 0.0;
    for (double v : w) sum += v * v;
    result.velRms = w.empty() ? 0.0 : std::sqrt(sum / static_cast<double>(w.size()));
}

int PointSolver::EstimateVelocity(const OBSERVATIONS& epoch, const std::vector<SatParam>& satParams,
                                  SolResult& result) const {
    std::vector<SatParam> sats = satParams;
    const Vector3 receiver = result.pos;
    double prevRms = 10000.0;
    int prevExcluded = -1;
    CMatrix h, q, dy;
    std::vector<double> variances, residuals;
    std::vector<int> rowSats;
    for (int pass = 0; pass < kPasses; ++pass) {
        CMatrix y(4, 1);
        int rows = 0;
        for (int it = 0; it < kIterations; ++it) {
            rows = BuildVelocityRows(epoch, sats, receiver, y, h, variances, residuals, rowSats);
            if (rows < 4) return 0;
            if (!WeightedSolve(h, variances, residuals, dy, q)) return 0;
            y += dy;
            if (dy.Norm() < 0.001 || it == kIterations - 1) {
                StoreVelocity(y, q, residuals, result);
                break;
            }
        }
        double maxRes = 0.0;
        const int worstRow = WorstRow(residuals, maxRes);
        const int worst = worstRow >= 0 ? rowSats[worstRow] : -1;
        const double rms = result.velRms;
        if (prevExcluded >= 0 && LittleImprovement(prevRms, rms)) sats[prevExcluded].used = 1;
        if (rms <= 0.1) {
            const double threshold = std::min(3.0 * rms, 0.1);
            if (maxRes <= threshold || rows <= 6) break;
        }
        if (worst >= 0) sats[worst].used = 0;
        prevRms = rms;
        prevExcluded = worst;
    }
    return 1;
}

}  // namespace baldorn
