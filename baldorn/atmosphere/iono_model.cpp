#include "atmosphere/iono_model.h"

#include <cmath>

namespace baldorn {

void CIonoModel::SetParams(const double alpha[4], const double beta[4]) {
    alpha0 = alpha[0];
    alpha1 = alpha[1];
    alpha2 = alpha[2];
    alpha3 = alpha[3];
    beta0 = beta[0];
    beta1 = beta[1];
    beta2 = beta[2];
    beta3 = beta[3];
    loaded = 1;
}

double CIonoModel::Delay(const WeekTime& time, const Geodetic& blh, double azimuth,
                         double elevation, double frequency) {
    if (!loaded) {
        const double a[4] = {1.118e-8, -7.451e-9, -5.961e-8, 1.192e-7};
        const double b[4] = {116700, -229400, -131100, 1049000};
        SetParams(a, b);
    }
    if (std::fabs(blh.latitude) > kPi / 2 || std::fabs(blh.longitude) > kPi || elevation <= 0)
        return 0.0;
    if (!(frequency > 0)) return 0.0;
    const double e = elevation / kPi;
    const double phiU = blh.latitude / kPi;
    const double lamU = blh.longitude / kPi;
    const double psi = 0.0137 / (e + 0.11) - 0.022;
    double phiI = phiU + psi * std::cos(azimuth);
    if (phiI > 0.416) phiI = 0.416;
    if (phiI < -0.416) phiI = -0.416;
    const double lamI = lamU + psi * std::sin(azimuth) / std::cos(phiI * kPi);
    const double phiM = phiI + 0.064 * std::cos((lamI - 1.617) * kPi);
    double amp = alpha0 + phiM * (alpha1 + phiM * (alpha2 + phiM * alpha3));
    if (amp < 0) amp = 0;
    double per = beta0 + phiM * (beta1 + phiM * (beta2 + phiM * beta3));
    if (per < 72000) per = 72000;
    double t = 43200.0 * lamI + time.sow;
    t -= std::floor(t / 86400.0) * 86400.0;
    const double x = 2.0 * kPi * (t - 50400.0) / per;
    const double f = 1.0 + 16.0 * std::pow(0.53 - e, 3);
    const double delay =
        std::fabs(x) < 1.57 ? f * (5e-9 + amp * (1 - x * x / 2 + x * x * x * x / 24)) : f * 5e-9;
    const double ratio = 1575420000.0 / frequency;
    return ratio * ratio * delay * 299792458.0;
}

double CIonoModel::Variance(double delay) {
    if (std::fabs(delay) < 1e-6) return 0.25;
    return (0.5 * delay) * (0.5 * delay);
}

}  // namespace baldorn
