// Troposphere models: the abstract model and the Saastamoinen zenith delays with Niell
// mapping functions.
#pragma once

#include <cstdint>

#include "coords/coordinate.h"
#include "time/week_time.h"

namespace baldorn {

struct MetRecord {
    WeekTime time;
    double temperature = 0.0;  // degrees Celsius
    double pressure = 0.0;     // hPa
    double relHumidity = 0.0;  // percent
};

// Standard atmosphere at a height in metres.
MetRecord StandardAtmosphere(double height);

class CTropModel {
  public:
    virtual ~CTropModel() = default;
    virtual const char* ClassName() const { return "CTropModel"; }
    // Slant delay in metres of a satellite seen from a receiver (Earth-fixed metres).
    virtual double Delay(const WeekTime& time, const Vector3& receiver, const Vector3& satellite);
    virtual double DelayAtElevation(double elevation);
    virtual double Variance(double elevation) const;
    virtual double ZenithHydrostatic() const = 0;
    virtual double ZenithWet() const = 0;
    virtual double MapHydrostatic(double elevation) const = 0;
    virtual double MapWet(double elevation) const = 0;
    virtual void SetMeteo(const MetRecord& record);
    virtual void SetMeteo(double temperature, double pressure, double relHumidity);
    virtual void SetHeight(double) {}
    virtual void SetLatitude(double) {}
    virtual void SetDayOfYear(int) {}

    int32_t valid = 0;
    double temperature = 0.0;
    double pressure = 0.0;
    double humidity = 0.0;

  protected:
    CCoordinate coordinate_;
};

class CSAASTropModel : public CTropModel {
  public:
    const char* ClassName() const override { return "CSAASTropModel"; }
    double Delay(const WeekTime& time, const Vector3& receiver, const Vector3& satellite) override;
    double ZenithHydrostatic() const override;
    double ZenithWet() const override;
    double MapHydrostatic(double elevation) const override;
    double MapWet(double elevation) const override;
    using CTropModel::SetMeteo;
    void SetMeteo(double temperature, double pressure, double relHumidity) override;
    void SetHeight(double h) override;
    void SetLatitude(double latitude) override;
    void SetDayOfYear(int doy) override;

    double height = 0.0;
    double latitude = 0.0;
    int32_t dayOfYear = 0;
    int32_t meteoSet = 0;
    int32_t latitudeOk = 0;
    int32_t heightOk = 0;
    int32_t dayOk = 0;

  private:
    void UpdateValid() { valid = (meteoSet && latitudeOk && heightOk && dayOk) ? 1 : 0; }
    double Denominator() const;
    CDefTime time_;
};

}  // namespace baldorn
