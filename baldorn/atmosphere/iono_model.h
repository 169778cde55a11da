// Broadcast (Klobuchar) ionosphere model.
#pragma once

#include <cstdint>

#include "coords/coordinate.h"
#include "time/week_time.h"

namespace baldorn {

class CIonoModel {
  public:
    virtual ~CIonoModel() = default;

    void SetParams(const double alpha[4], const double beta[4]);
    // Slant delay in metres on the given carrier frequency (Hz); blh in radians and metres.
    double Delay(const WeekTime& time, const Geodetic& blh, double azimuth, double elevation,
                 double frequency);
    static double Variance(double delay);

    double alpha0 = 0, alpha1 = 0, alpha2 = 0, alpha3 = 0;
    double beta0 = 0, beta1 = 0, beta2 = 0, beta3 = 0;
    int32_t loaded = 0;
};

}  // namespace baldorn
