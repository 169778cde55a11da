#include "orbits/satellites.h"

#include <cmath>

namespace baldorn {
namespace {

constexpr SystemConstants kConstants[kSystemCount] = {
    {7200, 7.2921151467e-5, 3.986005e14}, {1800, 7.292115e-5, 3.9860044e14},
    {3600, 7.292115e-5, 3.986004418e14},  {360, 7.2921151467e-5, 3.986005e14},
    {7200, 7.2921151467e-5, 3.986005e14}, {10800, 7.2921151467e-5, 3.986004418e14}};

constexpr double kMaxFromEpoch = 302400.0;
constexpr double kStep = 0.001;

// GLONASS force model in PZ-90.
constexpr double kGlonassGm = 3.9860044e14;
constexpr double kGlonassAe = 6378136.0;
constexpr double kGlonassRate = 7.292115e-5;
constexpr double kGlonassK = 647302620562.962;  // 1.5 * J2 * GM
constexpr double kIntegrationStep = 60.0;

struct State {
    double v[6];
};

State Derivative(const State& s, double ax, double ay, double az) {
    const double x = s.v[0], y = s.v[1], z = s.v[2];
    const double r2 = x * x + y * y + z * z;
    State d{};
    if (r2 <= 0) return d;
    const double r = std::sqrt(r2);
    const double r3 = r2 * r;
    const double q = kGlonassAe * kGlonassAe * kGlonassK / r2 / r3;
    const double g = -kGlonassGm / r3 - (1.0 - 5.0 * z * z / r2) * q;
    const double w2 = kGlonassRate * kGlonassRate;
    d.v[0] = s.v[3];
    d.v[1] = s.v[4];
    d.v[2] = s.v[5];
    d.v[3] = (g + w2) * x + 2.0 * kGlonassRate * s.v[4] + ax;
    d.v[4] = (g + w2) * y - 2.0 * kGlonassRate * s.v[3] + ay;
    d.v[5] = (g - 2.0 * q) * z + az;
    return d;
}

State Advance(const State& s, const State& k, double f) {
    State out;
    for (int i = 0; i < 6; ++i) out.v[i] = s.v[i] + k.v[i] * f;
    return out;
}

// PZ-90 to WGS-84, built on first use.
struct FrameTransform {
    double t[3];
    double scale;
    double r[3][3];
};
const FrameTransform& PzToWgs() {
    static const FrameTransform kTransform = {
        {-0.47, -0.51, -1.56},
        1.000000022,
        {{1.0, -1.728e-6, -1.7e-8}, {1.728e-6, 1.0, 7.6e-8}, {1.7e-8, -7.6e-8, 1.0}}};
    return kTransform;
}

bool Healthy(double health) {
    return std::fabs(health) < 1e-6;
}

// Seconds of the broadcast reference time of ephemeris from t: the orbit is referenced to toe,
// which is given in the system's own seconds of week. toc is held in GPS time, so its own
// seconds of week are recovered first (BDS runs 14 s behind GPS time); the week of toe is the
// one that puts toe nearest to toc.
double TimeFromToe(const WeekTime& t, const Ephemeris& eph) {
    const double sinceToc = CDefTime::Difference(t, eph.toc);
    double tocOwn = eph.toc.sow - (eph.systemCode == kBds ? 14.0 : 0.0);
    double offset = eph.toe - tocOwn;  // toe - toc
    if (offset > kSecondsPerWeek / 2) offset -= kSecondsPerWeek;
    if (offset < -kSecondsPerWeek / 2) offset += kSecondsPerWeek;
    return sinceToc - offset;
}

// Group delay of the slot-0 signal (L1, B1I, E1) against the broadcast clock. A Galileo record
// whose clock refers to E5a,E1 (data sources bit 8, the F/NAV clock) takes BGD E5a/E1; a clock
// referring to E5b,E1 (the I/NAV clock) takes BGD E5b/E1.
double GroupDelay(const Ephemeris& e) {
    if (e.systemCode != kGalileo) return e.tgd;
    const bool fieldReadable = e.dataSources >= 0 && e.dataSources < 65536;
    const int sources = fieldReadable ? static_cast<int>(e.dataSources) : 0;
    const bool e5aClock = (sources & 0x100) != 0 && (sources & 0x200) == 0;
    return e5aClock ? e.tgd : e.tgd2;
}

}  // namespace

const SystemConstants& ConstantsOf(int systemCode) {
    return kConstants[SystemIndexFromCode(systemCode)];
}

int SelectKepler(const WeekTime& txTime, const SatelliteData& satellite,
                 const std::vector<Ephemeris>& kepler) {
    const int satIndex = SatIndexOf(satellite.systemCode, satellite.prn);
    if (satIndex == 0) return -1;
    const double limit = ConstantsOf(satellite.systemCode).ageLimit;
    int best = -1;
    double bestAge = 0.0;
    for (size_t i = 0; i < kepler.size(); ++i) {
        const Ephemeris& e = kepler[i];
        if (e.systemCode != satellite.systemCode || e.prn != satellite.prn) continue;
        if (!Healthy(e.health)) continue;
        const double age = std::fabs(CDefTime::Difference(txTime, e.toc));
        if (!(age <= limit)) continue;
        if (best < 0 || age < bestAge) {
            best = static_cast<int>(i);
            bestAge = age;
        }
    }
    return best;
}

int SelectGlonass(const WeekTime& txTime, const SatelliteData& satellite,
                  const std::vector<gEphemeris>& glonass) {
    const int satIndex = SatIndexOf(satellite.systemCode, satellite.prn);
    if (satIndex == 0) return -1;
    const double limit = ConstantsOf(satellite.systemCode).ageLimit;
    int best = -1;
    double bestAge = 0.0;
    for (size_t i = 0; i < glonass.size(); ++i) {
        const gEphemeris& g = glonass[i];
        if (g.systemCode != satellite.systemCode || g.prn != satellite.prn) continue;
        if (!Healthy(g.health)) continue;
        const double age = std::fabs(CDefTime::Difference(txTime, g.time));
        if (!(age <= limit)) continue;
        if (best < 0 || age < bestAge) {
            best = static_cast<int>(i);
            bestAge = age;
        }
    }
    return best;
}

double ClockAtTransmission(const WeekTime& txTime, const Ephemeris& e) {
    const double dt0 = CDefTime::Difference(txTime, e.toc);
    double b = 0.0, r = 0.0;
    for (int i = 0; i < 10; ++i) {
        const double dt = dt0 - b;
        r = e.af0 + e.af1 * dt + e.af2 * dt * dt;
        if (std::fabs(b - r) < 1e-10) break;
        b = r;
    }
    return r;
}

double ClockAtTransmission(const WeekTime& txTime, const gEphemeris& g) {
    const double dt0 = CDefTime::Difference(txTime, g.time);
    double b = 0.0, r = 0.0;
    for (int i = 0; i < 10; ++i) {
        r = g.clockBias + g.relFreqBias * (dt0 - b);
        if (std::fabs(b - r) < 1e-10) break;
        b = r;
    }
    return r;
}

Vector3 OrbitKepler(const WeekTime& t, const Ephemeris& eph, double* clockOut) {
    if (clockOut) *clockOut = 0.0;
    const double sinceToc = CDefTime::Difference(t, eph.toc);
    if (eph.prn == 0 || !(std::fabs(sinceToc) <= kMaxFromEpoch)) return {};
    const SystemConstants& k = ConstantsOf(eph.systemCode);
    const double tk = TimeFromToe(t, eph);
    const double a = eph.sqrtA * eph.sqrtA;
    if (!(a > 0)) return {};
    const double n = std::sqrt(k.gm / (a * a * a)) + eph.deltaN;
    const double m = eph.m0 + n * tk;
    const double e = eph.ecc;
    double ea = m;
    bool converged = false;
    for (int i = 0; i < 30; ++i) {
        const double next = ea - (ea - e * std::sin(ea) - m) / (1.0 - e * std::cos(ea));
        const bool done = std::fabs(next - ea) <= 1e-14;
        ea = next;
        if (done) {
            converged = true;
            break;
        }
    }
    if (!converged) return {};
    const double sinE = std::sin(ea), cosE = std::cos(ea);
    const double nu = std::atan2(std::sqrt(1.0 - e * e) * sinE, cosE - e);
    const double phi = nu + eph.omega;
    const double s2 = std::sin(2.0 * phi), c2 = std::cos(2.0 * phi);
    const double u = phi + eph.cus * s2 + eph.cuc * c2;
    const double r = a * (1.0 - e * cosE) + eph.crs * s2 + eph.crc * c2;
    const double inc = eph.i0 + eph.idot * tk + eph.cis * s2 + eph.cic * c2;
    const double xp = r * std::cos(u), yp = r * std::sin(u);
    const double we = k.earthRate;
    Vector3 out;
    const bool geostationary = eph.systemCode == kBds && eph.prn <= 5;
    const double omega = geostationary ? eph.omega0 + eph.omegaDot * tk - we * eph.toe
                                       : eph.omega0 + (eph.omegaDot - we) * tk - we * eph.toe;
    const double so = std::sin(omega), co = std::cos(omega), ci = std::cos(inc), si = std::sin(inc);
    const double x = xp * co - yp * ci * so;
    const double y = xp * so + yp * ci * co;
    const double z = yp * si;
    if (!geostationary) {
        out = {x, y, z};
    } else {
        const double sr = std::sin(we * tk), cr = std::cos(we * tk);
        const double cf = 0.9961946980917455, sf = -0.0871557427476582;
        out.x = x * cr + y * sr * cf + z * sr * sf;
        out.y = -x * sr + y * cr * cf + z * cr * sf;
        out.z = -y * sf + z * cf;
    }
    if (clockOut) {
        *clockOut = eph.af0 + eph.af1 * sinceToc + eph.af2 * sinceToc * sinceToc -
                    2.0 * std::sqrt(k.gm * a) * e * sinE / (kSpeedOfLight * kSpeedOfLight);
    }
    return out;
}

Vector3 OrbitGlonass(const WeekTime& t, const gEphemeris& g, double* clockOut) {
    if (clockOut) *clockOut = 0.0;
    const double tk = CDefTime::Difference(t, g.time);
    if (g.prn == 0 || !(std::fabs(tk) <= kMaxFromEpoch)) return {};
    if (clockOut) *clockOut = g.clockBias + g.relFreqBias * tk;
    if (g.systemCode == kSbas) {
        return {g.x + g.vx * tk + g.ax * tk * tk / 2, g.y + g.vy * tk + g.ay * tk * tk / 2,
                g.z + g.vz * tk + g.az * tk * tk / 2};
    }
    State s{{g.x, g.y, g.z, g.vx, g.vy, g.vz}};
    double h = tk < 0 ? -kIntegrationStep : kIntegrationStep;
    double left = tk;
    // |tk| <= 302400 s bounds the loop at 5040 full steps; the cap guards rounding.
    for (int step = 0; std::fabs(left) > 1e-9 && step < 6000; ++step) {
        if (std::fabs(left) < kIntegrationStep) h = left;
        const State k1 = Derivative(s, g.ax, g.ay, g.az);
        const State k2 = Derivative(Advance(s, k1, h / 2), g.ax, g.ay, g.az);
        const State k3 = Derivative(Advance(s, k2, h / 2), g.ax, g.ay, g.az);
        const State k4 = Derivative(Advance(s, k3, h), g.ax, g.ay, g.az);
        for (int i = 0; i < 6; ++i)
            s.v[i] += (k1.v[i] + 2.0 * k2.v[i] + 2.0 * k3.v[i] + k4.v[i]) * h / 6.0;
        left -= h;
    }
    const FrameTransform& f = PzToWgs();
    const double p[3] = {s.v[0], s.v[1], s.v[2]};
    double w[3];
    for (int i = 0; i < 3; ++i)
        w[i] = f.t[i] + f.scale * (f.r[i][0] * p[0] + f.r[i][1] * p[1] + f.r[i][2] * p[2]);
    return {w[0], w[1], w[2]};
}

int ComputeSatellites(const OBSERVATIONS& epoch, const std::vector<Ephemeris>& kepler,
                      const std::vector<gEphemeris>& glonass, std::vector<SatParam>& satParams) {
    satParams.assign(epoch.sats.size(), SatParam{});
    int anyValid = 0;
    for (size_t i = 0; i < epoch.sats.size(); ++i) {
        const SatelliteData& sat = epoch.sats[i];
        double p = 0.0;
        for (const BlockData& b : sat.blocks)
            if (std::fabs(b.pseudorange) >= 1e-6) {
                p = b.pseudorange;
                break;
            }
        if (p == 0.0) continue;
        const WeekTime ttx = CDefTime::SubtractSeconds(epoch.time, p / kSpeedOfLight);
        const bool stateVector = sat.systemCode == kGlonass || sat.systemCode == kSbas;
        SatParam& out = satParams[i];
        Vector3 p1, p2;
        double c1 = 0.0, c2 = 0.0;
        if (stateVector) {
            const int k = SelectGlonass(ttx, sat, glonass);
            if (k < 0) continue;
            const gEphemeris& g = glonass[k];
            const WeekTime t = CDefTime::SubtractSeconds(ttx, ClockAtTransmission(ttx, g));
            p1 = OrbitGlonass(t, g, &c1);
            p2 = OrbitGlonass(CDefTime::AddSeconds(t, kStep), g, &c2);
        } else {
            const int k = SelectKepler(ttx, sat, kepler);
            if (k < 0) continue;
            const Ephemeris& e = kepler[k];
            const WeekTime t = CDefTime::SubtractSeconds(ttx, ClockAtTransmission(ttx, e));
            p1 = OrbitKepler(t, e, &c1);
            out.groupDelay = GroupDelay(e);
            p2 = OrbitKepler(CDefTime::AddSeconds(t, kStep), e, &c2);
        }
        out.pos = p1;
        out.clock = c1;
        out.valid = 1;
        out.used = 1;
        anyValid = 1;
        if (Length(p2) < 1e-6) continue;
        out.vel = (p2 - p1) * (1.0 / kStep);
        out.clockDrift = (c2 - c1) / kStep;
    }
    return anyValid;
}

}  // namespace baldorn
