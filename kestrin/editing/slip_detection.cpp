#include "editing/slip_detection.h"

#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

#include "core/gnss_time.h"
#include "editing/safe_rewrite.h"

namespace kestrin {
namespace {

constexpr double kC = 299792458.0;
constexpr double kTiny = 1e-8;
constexpr double kGpsL1 = 1575.42e6, kGpsL2 = 1227.60e6;
constexpr double kBdsB1I = 1561.098e6, kBdsB1C = 1575.42e6, kBdsB2 = 1207.14e6;

void Notify(KestrinNotifyTarget* window, long percent) {
    if (window && window->notify) window->notify(window->context, KESTRIN_MSG_PROGRESS, percent, 0);
}

// Carrier frequency (Hz) of a phase code of a system; 0 when unknown.
double CarrierOf(int32_t sysCode, const std::string& code) {
    if (code.size() < 3 || code[0] != 'L') return 0.0;
    if (sysCode == kSysGps) return code[1] == '1' ? kGpsL1 : code[1] == '2' ? kGpsL2 : 0.0;
    if (sysCode == kSysBds) {
        if (code[1] == '1') return (code[2] == 'I' || code[2] == 'Q') ? kBdsB1I : kBdsB1C;
        if (code[1] == '2') return kBdsB1I;
        if (code[1] == '7') return kBdsB2;
    }
    return 0.0;
}

// The wavelength of one band of a system: its phase codes must share one carrier.
double BandWavelength(int32_t sysCode, const std::vector<std::string>& codes, int band) {
    double carrier = 0.0;
    for (const std::string& code : codes) {
        const CodeSlot slot = ClassifyCode(code);
        if (slot.kind != 1 || slot.band != band) continue;
        const double f = CarrierOf(sysCode, code);
        if (f == 0.0 || (carrier != 0.0 && carrier != f)) return 0.0;
        carrier = f;
    }
    return carrier == 0.0 ? 0.0 : kC / carrier;
}

bool KnownBand(double wavelength) {
    return std::isfinite(wavelength) && std::fabs(wavelength) >= kTiny;
}

// A phase that is there: the file gives 0 for a missing one.
bool Present(double value) {
    return std::isfinite(value) && std::fabs(value) > kTiny;
}

// Limits of the tests. Geometry-free: metres; Melbourne-Wuebbena: wide-lane cycles;
// code-minus-carrier: metres; Doppler: cycles.
constexpr size_t kFitPoints = 6;               // points of the geometry-free prediction line
constexpr size_t kSteadyFit = 3;               // fewer points: a wider limit
constexpr double kFitSpan = 150.0;             // seconds the line reaches back
constexpr double kGfFloor = 0.025;             // limit at a very short interval
constexpr double kGfFloorPerSecond = 0.00015;  // ionosphere the line does not follow
constexpr double kGfCeiling = 0.15;            // below a one-cycle jump on either band
constexpr double kMwFloor = 2.0, kMwStartSpread = 0.5;
constexpr int kMwWindow = 50, kMwFirstTest = 3;
constexpr double kCmcFloor = 5.0, kCmcFloorPerSecond = 0.02;
constexpr double kDopplerLongestInterval = 5.0;  // seconds
constexpr double kDopplerFloor = 0.3, kDopplerFloorPerSecond = 0.05, kDopplerCeiling = 2.0;
constexpr double kNoiseWeight = 0.1;   // of a new squared residual in a running noise estimate
constexpr double kGapIntervals = 3.5;  // a longer gap restarts an arc

// One epoch of one satellite.
struct Point {
    size_t epoch = 0, sat = 0;
    double t = 0.0;  // seconds from the first epoch
    std::array<double, 2> phase{}, code{}, doppler{};
    std::array<bool, 2> flagged{};                    // loss of lock already set in the file
    std::array<double, 2> dopplerResidual{NAN, NAN};  // metres, before the common part
};

struct Series {
    std::array<double, 2> wavelength{};
    std::vector<Point> points;
    bool Valid(const Point& p, size_t band) const {
        return KnownBand(wavelength[band]) && Present(p.phase[band]);
    }
    bool Dual(const Point& p) const { return Valid(p, 0) && Valid(p, 1); }
    double Gf(const Point& p) const {
        return wavelength[0] * p.phase[0] - wavelength[1] * p.phase[1];
    }
    bool HasMw(const Point& p) const { return Present(p.code[0]) && Present(p.code[1]); }
    double Mw(const Point& p) const {
        const double l1 = wavelength[0], l2 = wavelength[1];
        return (p.phase[0] - p.phase[1]) -
               (p.code[0] / l1 + p.code[1] / l2) * (l2 - l1) / (l2 + l1);
    }
};

// The file's sampling interval: the median of the steps between its epochs (1 s when none).
double SamplingInterval(const RinexObsFile& m) {
    std::vector<double> steps;
    for (size_t e = 1; e < m.epochs.size(); ++e) {
        const double dt = TimeDiff(m.epochs[e].time, m.epochs[e - 1].time);
        if (dt > 1e-6) steps.push_back(dt);
    }
    if (steps.empty()) return 1.0;
    std::nth_element(steps.begin(), steps.begin() + static_cast<long>(steps.size() / 2),
                     steps.end());
    return steps[steps.size() / 2];
}

// Wavelengths of a satellite: the model's table, the carriers of its system's phase codes, or
// (GLONASS) its frequency channel.
std::array<double, 2> SatelliteWavelengths(const RinexObsFile& m, const SatelliteData& sat,
                                           const std::array<double, 2>& known) {
    std::array<double, 2> l = known;
    if (KnownBand(l[0]) && KnownBand(l[1])) return l;
    if (sat.sysCode == kSysGps || sat.sysCode == kSysBds) {
        const std::vector<std::string>* codes = m.CodesOf(sat.sysCode);
        for (int band = 0; band < 2 && codes; ++band)
            if (!KnownBand(l[static_cast<size_t>(band)]))
                l[static_cast<size_t>(band)] = BandWavelength(sat.sysCode, *codes, band);
    } else if (sat.sysCode == kSysGlonass) {
        std::array<double, 2> g{};
        if (GlonassWavelengths(sat, g)) l = g;
    }
    return l;
}

// Every satellite's epochs in time order (an epoch at or before the previous one of the
// satellite is left out), with the Doppler residual of each phase.
std::vector<Series> BuildSeries(const RinexObsFile& m) {
    std::vector<Series> all(kSatelliteIndexCount);
    if (m.epochs.empty()) return all;
    const GnssTime& origin = m.epochs.front().time;
    for (size_t e = 0; e < m.epochs.size(); ++e) {
        const double t = TimeDiff(m.epochs[e].time, origin);
        if (!std::isfinite(t)) continue;
        const std::vector<SatelliteData>& sats = m.epochs[e].sats;
        for (size_t s = 0; s < sats.size(); ++s) {
            const int n = SatelliteIndex(sats[s].sysCode, sats[s].prn);
            if (n <= 0 || n >= kSatelliteIndexCount || sats[s].blocks.empty()) continue;
            Series& series = all[static_cast<size_t>(n)];
            if (!series.points.empty() && t <= series.points.back().t + 1e-6) continue;
            if (!KnownBand(series.wavelength[0]) || !KnownBand(series.wavelength[1]))
                series.wavelength =
                    SatelliteWavelengths(m, sats[s], m.wavelengths[static_cast<size_t>(n)]);
            Point p;
            p.epoch = e;
            p.sat = s;
            p.t = t;
            for (size_t b = 0; b < 2 && b < sats[s].blocks.size(); ++b) {
                const BlockData& block = sats[s].blocks[b];
                p.phase[b] = block.carrierPhase;
                p.code[b] = block.pseudorange;
                p.doppler[b] = block.doppler;
                p.flagged[b] = (block.lli & 1u) != 0;
            }
            series.points.push_back(p);
        }
    }
    return all;
}

// Doppler residuals: the phase change between consecutive epochs of a satellite less the
// change its Doppler predicts, in metres.
void FillDopplerResiduals(std::vector<Series>& all, double gapLimit) {
    for (Series& series : all) {
        for (size_t i = 1; i < series.points.size(); ++i) {
            Point& p = series.points[i];
            const Point& prev = series.points[i - 1];
            const double dt = p.t - prev.t;
            if (dt > kDopplerLongestInterval + 1e-6 || dt > gapLimit) continue;
            for (size_t b = 0; b < 2; ++b) {
                if (!series.Valid(p, b) || !series.Valid(prev, b) || !Present(p.doppler[b]) ||
                    !Present(prev.doppler[b]))
                    continue;
                const double cycles =
                    (p.phase[b] - prev.phase[b]) + (p.doppler[b] + prev.doppler[b]) / 2.0 * dt;
                p.dopplerResidual[b] = cycles * series.wavelength[b];
            }
        }
    }
}

// Per epoch, the part of the Doppler residuals the satellites share (the receiver clock): their
// median; 0 when fewer than three give one (too few to tell the clock from a slip).
std::vector<double> CommonDopplerParts(const std::vector<Series>& all, size_t epochs) {
    std::vector<std::vector<double>> residuals(epochs);
    for (const Series& series : all)
        for (const Point& p : series.points)
            for (size_t b = 0; b < 2; ++b)
                if (std::isfinite(p.dopplerResidual[b]))
                    residuals[p.epoch].push_back(p.dopplerResidual[b]);
    std::vector<double> common(epochs, 0.0);
    for (size_t e = 0; e < epochs; ++e) {
        std::vector<double>& r = residuals[e];
        if (r.size() < 3) continue;
        std::nth_element(r.begin(), r.begin() + static_cast<long>(r.size() / 2), r.end());
        common[e] = r[r.size() / 2];
    }
    return common;
}

// The value of a line fitted through the points at time t; false for fewer than two.
bool PredictLine(const std::vector<std::array<double, 2>>& pts, double t, double& out) {
    if (pts.size() < 2) return false;
    double mt = 0, mv = 0;
    for (const auto& p : pts) {
        mt += p[0];
        mv += p[1];
    }
    mt /= static_cast<double>(pts.size());
    mv /= static_cast<double>(pts.size());
    double stt = 0, stv = 0;
    for (const auto& p : pts) {
        stt += (p[0] - mt) * (p[0] - mt);
        stv += (p[0] - mt) * (p[1] - mv);
    }
    out = stt > 0 ? mv + stv / stt * (t - mt) : mv;
    return std::isfinite(out);
}

void UpdateNoise(double& var, double residual) {
    var = (1.0 - kNoiseWeight) * var + kNoiseWeight * residual * residual;
}

class SatelliteTests {
  public:
    SatelliteTests(const Series& series, double gapLimit, const std::vector<double>& common,
                   std::vector<CycleSlip>& out)
        : s_(series), gapLimit_(gapLimit), common_(common), out_(out) {}

    void Run() {
        DualBandTests();
        for (size_t b = 0; b < 2; ++b) SingleBandTests(b);
    }

  private:
    void Report(const Point& p, size_t band, SlipTest test) {
        out_.push_back(CycleSlip{p.epoch, p.sat, static_cast<int>(band), test});
    }

    // The point after index k (in the list `indices`) of the same arc; null when none.
    const Point* NextInArc(const std::vector<size_t>& indices, size_t k, size_t band) const {
        if (k + 1 >= indices.size()) return nullptr;
        const Point& p = s_.points[indices[k]];
        const Point& q = s_.points[indices[k + 1]];
        if (q.t - p.t > gapLimit_) return nullptr;
        if (band < 2 ? q.flagged[band] : (q.flagged[0] || q.flagged[1])) return nullptr;
        return &q;
    }

    static double GfLimit(double dt, double var) {
        const double floor = kGfFloor + kGfFloorPerSecond * dt;
        return std::min(std::max(floor, 4.0 * std::sqrt(var)), std::max(floor, kGfCeiling));
    }

    void DualBandTests() {
        std::vector<size_t> dual;
        for (size_t i = 0; i < s_.points.size(); ++i)
            if (s_.Dual(s_.points[i])) dual.push_back(i);
        std::vector<std::array<double, 2>> recent;  // (t, geometry-free) of the arc
        double gfVar = 0.0, lastT = -1e300;
        int mwCount = 0;
        double mwMean = 0.0, mwVar = 0.0;
        for (size_t k = 0; k < dual.size(); ++k) {
            const Point& p = s_.points[dual[k]];
            const double g = s_.Gf(p);
            const bool hasW = s_.HasMw(p);
            const double w = hasW ? s_.Mw(p) : 0.0;
            if (recent.empty() || p.t - lastT > gapLimit_ || p.flagged[0] || p.flagged[1]) {
                recent.assign(1, {p.t, g});
                gfVar = 0.0;
                lastT = p.t;
                mwCount = hasW ? 1 : 0;
                mwMean = w;
                mwVar = kMwStartSpread * kMwStartSpread;
                continue;
            }
            const Point* q = NextInArc(dual, k, 2);
            // Geometry-free jump.
            bool gfSlip = false, gfOutlier = false;
            double predicted = 0.0, r = 0.0;
            const bool tested = PredictLine(recent, p.t, predicted);
            if (tested) {
                r = g - predicted;
                // A line through few points predicts less well.
                const double limit =
                    GfLimit(p.t - lastT, gfVar) * (recent.size() < kSteadyFit ? 2.0 : 1.0);
                if (std::fabs(r) > limit) {
                    double predictedNext = 0.0;
                    if (q && PredictLine(recent, q->t, predictedNext)) {
                        const double rq = s_.Gf(*q) - predictedNext;
                        gfSlip = std::fabs(rq - r) < std::max(limit, 0.5 * std::fabs(r));
                        gfOutlier = !gfSlip;
                    } else {
                        gfSlip = q == nullptr;
                    }
                }
            }
            // Melbourne-Wuebbena jump.
            bool mwSlip = false, mwOutlier = false;
            if (hasW && mwCount >= kMwFirstTest) {
                const double limit = std::max(5.0 * std::sqrt(mwVar), kMwFloor);
                if (std::fabs(w - mwMean) > limit) {
                    if (q && s_.HasMw(*q)) {
                        const double wq = s_.Mw(*q);
                        mwSlip = std::fabs(wq - w) < limit && std::fabs(wq - mwMean) > limit / 2;
                        mwOutlier = !mwSlip;
                    } else {
                        mwSlip = q == nullptr;
                    }
                }
            }
            if (gfSlip || mwSlip) {
                const SlipTest test =
                    gfSlip ? SlipTest::kGeometryFree : SlipTest::kMelbourneWuebbena;
                Report(p, 0, test);
                Report(p, 1, test);
                // The arc goes on at the new level.
                if (tested)
                    for (auto& point : recent) point[1] += r;
                if (hasW) {
                    mwMean = (q && s_.HasMw(*q)) ? (w + s_.Mw(*q)) / 2.0 : w;
                    if (mwCount == 0) mwCount = 1;
                }
            } else if (gfOutlier || mwOutlier) {
                continue;  // left out of the arc
            } else {
                if (tested) UpdateNoise(gfVar, r);
                if (hasW) {
                    mwCount = std::min(mwCount + 1, kMwWindow);
                    if (mwCount == 1) {
                        mwMean = w;
                        mwVar = kMwStartSpread * kMwStartSpread;
                    } else {
                        const double d = w - mwMean;
                        mwVar = ((mwCount - 1) * mwVar + d * d) / mwCount;
                        mwMean += d / mwCount;
                    }
                }
            }
            recent.push_back({p.t, g});
            // The line follows the ionosphere over a few minutes at most.
            while (recent.size() > kFitPoints ||
                   (recent.size() > 3 && p.t - recent.front()[0] > kFitSpan))
                recent.erase(recent.begin());
            lastT = p.t;
        }
    }

    // Phases of one band at epochs where the other band gives no phase.
    void SingleBandTests(size_t b) {
        std::vector<size_t> valid;
        for (size_t i = 0; i < s_.points.size(); ++i)
            if (s_.Valid(s_.points[i], b)) valid.push_back(i);
        const double l = s_.wavelength[b];
        const Point* last = nullptr;
        double cmcVar = 0.0, dopplerVar = 0.0;
        for (size_t k = 0; k < valid.size(); ++k) {
            const Point& p = s_.points[valid[k]];
            if (!last || p.t - last->t > gapLimit_ || p.flagged[b]) {
                last = &p;
                cmcVar = dopplerVar = 0.0;
                continue;
            }
            const double dt = p.t - last->t;
            const Point* q = NextInArc(valid, k, b);
            const bool tested = !s_.Dual(p);
            bool slip = false, outlier = false;
            SlipTest test = SlipTest::kCodeCarrier;
            // Code minus carrier.
            if (Present(p.code[b]) && Present(last->code[b])) {
                const double c = p.code[b] - l * p.phase[b];
                const double dc = c - (last->code[b] - l * last->phase[b]);
                const double limit =
                    std::max(kCmcFloor + kCmcFloorPerSecond * dt, 5.0 * std::sqrt(cmcVar));
                if (std::fabs(dc) > limit) {
                    if (q && Present(q->code[b])) {
                        const double dq = (q->code[b] - l * q->phase[b]) - c;
                        slip = std::fabs(dq) < limit;
                        outlier = !slip;
                    } else {
                        slip = q == nullptr;
                    }
                } else {
                    UpdateNoise(cmcVar, dc);
                }
            }
            // Doppler-predicted phase.
            const double r = DopplerResidual(p, b);
            if (!slip && std::isfinite(r)) {
                const double limit = std::min(std::max(kDopplerFloor + kDopplerFloorPerSecond * dt,
                                                       5.0 * std::sqrt(dopplerVar)),
                                              kDopplerCeiling);
                if (std::fabs(r) > limit) {
                    const double rq = q ? DopplerResidual(*q, b) : NAN;
                    // A phase that jumps and comes back is an outlier, not a slip.
                    const bool returns =
                        std::isfinite(rq) && std::fabs(rq) > limit && std::fabs(rq + r) < limit;
                    if (!returns) {
                        slip = true;
                        outlier = false;
                        test = SlipTest::kDoppler;
                    } else {
                        outlier = true;
                    }
                } else {
                    UpdateNoise(dopplerVar, r);
                }
            }
            if (slip && tested) Report(p, b, test);
            if (!outlier || !tested) last = &p;
        }
    }

    // The Doppler residual of a phase in cycles with the epoch's common part removed; NaN when
    // there is none.
    double DopplerResidual(const Point& p, size_t b) const {
        const double r = p.dopplerResidual[b];
        if (!std::isfinite(r) || p.epoch >= common_.size() || !std::isfinite(common_[p.epoch]))
            return NAN;
        return (r - common_[p.epoch]) / s_.wavelength[b];
    }

    const Series& s_;
    double gapLimit_;
    const std::vector<double>& common_;
    std::vector<CycleSlip>& out_;
};

}  // namespace

void FillCarrierWavelengths(RinexObsFile& m) {
    const struct {
        int32_t sys;
        int maxPrn;
    } kSystems[] = {{kSysGps, kMaxGpsPrn}, {kSysBds, kMaxBdsPrn}};
    for (const auto& s : kSystems) {
        const std::vector<std::string>& codes = *m.CodesOf(s.sys);
        const std::array<double, 2> l{BandWavelength(s.sys, codes, 0),
                                      BandWavelength(s.sys, codes, 1)};
        for (int prn = 1; prn <= s.maxPrn; ++prn)
            m.wavelengths[static_cast<size_t>(SatelliteIndex(s.sys, prn))] = l;
    }
}

const char* SlipTestName(SlipTest test) {
    switch (test) {
        case SlipTest::kGeometryFree:
            return "geometry-free";
        case SlipTest::kMelbourneWuebbena:
            return "Melbourne-Wuebbena";
        case SlipTest::kCodeCarrier:
            return "code-minus-carrier";
        case SlipTest::kDoppler:
            return "Doppler";
    }
    return "";
}

bool GlonassWavelengths(const SatelliteData& sat, std::array<double, 2>& wavelengths) {
    if (sat.sysCode != kSysGlonass) return false;
    int channel = sat.glonassChannel;
    if (channel < -7 || channel > 13) {
        double f = 0.0;
        for (size_t band = 0; band < 2 && band < sat.blocks.size() && f == 0.0; ++band) {
            const BlockData& b = sat.blocks[band];
            if (std::fabs(b.pseudorange) >= kTiny && std::fabs(b.carrierPhase) >= kTiny)
                f = kC / (b.pseudorange / b.carrierPhase);
        }
        if (f == 0.0 || !std::isfinite(f)) return false;
        const double k =
            f < 1.3e9 ? std::round((f - 1.246e9) / 437500.0) : std::round((f - 1.602e9) / 562500.0);
        if (!(k >= -7 && k <= 13)) return false;
        channel = static_cast<int>(k);
    }
    wavelengths = {kC / (1602000000.0 + 562500.0 * channel),
                   kC / (1246000000.0 + 437500.0 * channel)};
    return true;
}

bool EstimateGlonassWavelengths(RinexObsFile& m, const SatelliteData& sat) {
    const int n = SatelliteIndex(sat.sysCode, sat.prn);
    std::array<double, 2> l{};
    if (n <= 0 || !GlonassWavelengths(sat, l)) return false;
    m.wavelengths[static_cast<size_t>(n)] = l;
    return true;
}

std::vector<CycleSlip> FindCycleSlips(const RinexObsFile& m, KestrinNotifyTarget* window) {
    std::vector<CycleSlip> slips;
    if (m.epochs.empty()) return slips;
    const double gapLimit = kGapIntervals * SamplingInterval(m) + 1e-3;
    std::vector<Series> all = BuildSeries(m);
    FillDopplerResiduals(all, gapLimit);
    const std::vector<double> common = CommonDopplerParts(all, m.epochs.size());
    for (size_t n = 0; n < all.size(); ++n) {
        SatelliteTests(all[n], gapLimit, common, slips).Run();
        Notify(window, static_cast<long>((n + 1) * 100 / all.size()));
    }
    std::sort(slips.begin(), slips.end(), [](const CycleSlip& a, const CycleSlip& b) {
        if (a.epoch != b.epoch) return a.epoch < b.epoch;
        if (a.satellite != b.satellite) return a.satellite < b.satellite;
        return a.band < b.band;
    });
    return slips;
}

void MarkCycleSlips(RinexObsFile& m, const std::vector<CycleSlip>& slips) {
    for (const CycleSlip& slip : slips) {
        if (slip.epoch >= m.epochs.size()) continue;
        std::vector<SatelliteData>& sats = m.epochs[slip.epoch].sats;
        if (slip.satellite >= sats.size() || slip.band < 0) continue;
        std::vector<BlockData>& blocks = sats[slip.satellite].blocks;
        if (static_cast<size_t>(slip.band) < blocks.size())
            blocks[static_cast<size_t>(slip.band)].lli |= 1u;
    }
}

int DetectSlips(const std::string& path, KestrinNotifyTarget* window, bool write,
                std::vector<CycleSlip>* found) {
    // One edit of the file at a time, from reading to writing.
    const EditLock lock(write ? path : std::string());
    if (write && !lock.ok()) return 0;
    RinexObsFile& model = SharedRinexObsFile();
    if (model.Read(path, window) == 0) return 0;
    std::vector<CycleSlip> slips = FindCycleSlips(model, window);
    if (write) {
        MarkCycleSlips(model, slips);
        if (!WriteSlipMarks(path, model)) return 0;
    }
    if (found) *found = std::move(slips);
    return 1;
}

}  // namespace kestrin
