// Code single-point position of one epoch by iterated weighted least squares with fault
// exclusion, followed by the Doppler velocity.
#pragma once

#include <vector>

#include "atmosphere/iono_model.h"
#include "atmosphere/trop_model.h"
#include "coords/coordinate.h"
#include "coords/matrix.h"
#include "orbits/satellites.h"
#include "readers/records.h"

namespace baldorn {

struct SolResult {
    WeekTime time;
    Vector3 pos;
    Vector3 vel;
    double clockParams[4] = {0, 0, 0, 0};  // receiver clock, GLONASS, Galileo, BDS biases (m)
    double clockDrift = 0.0;               // m/s
    double posSigma = 99.0;
    double posRms = 99.0;
    double velRms = 99.0;
    CMatrix covariance{6, 6};
    int32_t obsCount = 0;
    int32_t valid = 0;
};

class PointSolver {
  public:
    PointSolver();

    int SolveEpoch(const OBSERVATIONS& epoch, const NavFile& navFile, SolResult& result);

    void UpdateElevations(const Vector3& receiver, std::vector<SatParam>& satParams) const;
    int EstimatePosition(const OBSERVATIONS& epoch, std::vector<SatParam>& satParams,
                         SolResult& result);
    int BuildPositionRows(const OBSERVATIONS& epoch, std::vector<SatParam>& satParams,
                          const CMatrix& state, CMatrix& h, std::vector<double>& variances,
                          std::vector<double>& residuals, std::vector<int>& rowSatellites);
    void StorePosition(const CMatrix& state, const CMatrix& q, const std::vector<double>& residuals,
                       SolResult& result) const;

    int EstimateVelocity(const OBSERVATIONS& epoch, const std::vector<SatParam>& satParams,
                         SolResult& result) const;
    int BuildVelocityRows(const OBSERVATIONS& epoch, const std::vector<SatParam>& sats,
                          const Vector3& receiver, const CMatrix& state, CMatrix& h,
                          std::vector<double>& variances, std::vector<double>& residuals,
                          std::vector<int>& rowSatellites) const;
    void StoreVelocity(const CMatrix& state, const CMatrix& q, const std::vector<double>& residuals,
                       SolResult& result) const;

    static double GeometricRange(const Vector3& receiver, const Vector3& satellite,
                                 Vector3* unitRow);
    static double ElevationVariance(double elevation, int systemCode);

    // Carrier wavelength (m) of a satellite's frequency slot; 0 where there is none.
    double Wavelength(int satIndex, int slot) const;

    double elevationMask = 0.2617993877991494;

  private:
    bool AcceptedSolution(const OBSERVATIONS& epoch, std::vector<SatParam>& satParams,
                          const CMatrix& x, bool converged);
    CDefTime time_;
    CCoordinate coordinate_;
    double wavelengths_[kMaxSatIndex + 1][kSlotCount] = {};
    CSAASTropModel trop_;
    CIonoModel iono_;
};

}  // namespace baldorn
