#include "editing/slip_detection.h"

#include <algorithm>
#include <cmath>
#include <set>
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

void Mark(SatelliteData& sat, int band) {
    if (sat.blocks.size() > static_cast<size_t>(band))
        sat.blocks[static_cast<size_t>(band)].lli |= 1u;
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

std::array<double, 2> WavelengthsOf(const RinexObsFile& m, const SatelliteData& sat) {
    const int n = SatelliteIndex(sat.sysCode, sat.prn);
    return n > 0 ? m.wavelengths[static_cast<size_t>(n)] : std::array<double, 2>{0.0, 0.0};
}

// Wavelengths of a satellite, estimating a GLONASS satellite's when they are still unknown.
std::array<double, 2> Wavelengths(RinexObsFile& m, const SatelliteData& sat) {
    std::array<double, 2> l = WavelengthsOf(m, sat);
    if (std::fabs(l[0]) < kTiny || std::fabs(l[1]) < kTiny) {
        EstimateGlonassWavelengths(m, sat);
        l = WavelengthsOf(m, sat);
    }
    return l;
}

bool Known(const std::array<double, 2>& l) {
    return std::fabs(l[0]) >= kTiny && std::fabs(l[1]) >= kTiny;
}

// Per-satellite state of the Doppler test.
struct DopplerState {
    double d1 = 0, range1 = 0, range2 = 0, gf = 0, wl = 0;
};

void DopplerDecision(SatelliteData& sat, double r1, double r2, double dGF, double dWL) {
    if (std::fabs(dGF) > 0.06 || std::fabs(dWL) > 0.6) {
        if (std::fabs(r1) > 0.3) Mark(sat, 0);
        if (std::fabs(r2) > 0.3) Mark(sat, 1);
    } else if (std::fabs(r1) <= 0.44999999999999996) {
        if (std::fabs(r2) > 0.3) Mark(sat, 1);
    } else {
        Mark(sat, 0);
    }
}

// One satellite of the Doppler test.
void DopplerSatellite(SatelliteData& sat, const std::array<double, 2>& l, double dt,
                      DopplerState& st) {
    const BlockData& b1 = sat.blocks[0];
    const BlockData& b2 = sat.blocks[1];
    const double l1 = l[0], l2 = l[1];
    const double p1 = b1.carrierPhase, p2 = b2.carrierPhase, d1 = b1.doppler;
    double r1 = 0, r2 = 0, dGF = 0, dWL = 0, gf = 0, wl = 0;
    if (d1 != 0.0) {
        if (st.d1 == 0.0 && p1 * p2 != 0.0) {
            gf = p1 * l1 - p2 * l2;
            wl = (p1 - p2) * l1 * l2 / (l2 - l1);
        }
        if (st.d1 != 0.0) {
            const double predicted = -(st.d1 + d1) / 2.0 * dt * l1;
            if (p1 != 0.0 && st.range1 != 0.0) r1 = p1 * l1 - st.range1 - predicted;
            if (p2 != 0.0 && st.range2 != 0.0) r2 = p2 * l2 - st.range2 - predicted;
            if (r1 * r2 != 0.0) {
                gf = p1 * l1 - p2 * l2;
                if (st.gf != 0.0) dGF = gf - st.gf;
                wl = (p1 - p2) * l1 * l2 / (l2 - l1);
                if (st.wl != 0.0) dWL = wl - st.wl - predicted;
            }
        }
    }
    DopplerDecision(sat, r1, r2, dGF, dWL);
    st = DopplerState{d1, p1 * l1, p2 * l2, gf, wl};
}

// Clears the state of every satellite not seen in an epoch.
template <class State>
void ForgetUnseen(std::vector<State>& states, const std::vector<char>& seen) {
    for (size_t n = 1; n < states.size(); ++n)
        if (!seen[n]) states[n] = State{};
}

struct SeriesCell {
    int32_t position = -1;
    double g = 0.0;
    double w = 0.0;
};

// Pass 1 of the time-series test: geometry-free and Melbourne-Wuebbena values of every
// satellite in every epoch.
std::vector<SeriesCell> SeriesTable(RinexObsFile& m) {
    const size_t width = kSatelliteIndexCount;
    std::vector<SeriesCell> table(m.epochs.size() * width);
    for (size_t e = 0; e < m.epochs.size(); ++e) {
        std::vector<SatelliteData>& sats = m.epochs[e].sats;
        for (size_t i = 0; i < sats.size(); ++i) {
            const int n = SatelliteIndex(sats[i].sysCode, sats[i].prn);
            if (n <= 0 || sats[i].blocks.size() < 2) continue;
            SeriesCell& cell = table[e * width + static_cast<size_t>(n)];
            cell = SeriesCell{static_cast<int32_t>(i), 0.0, 0.0};
            const std::array<double, 2> l = Wavelengths(m, sats[i]);
            if (!Known(l)) continue;  // no wavelengths: not tested
            const double p1 = sats[i].blocks[0].carrierPhase, p2 = sats[i].blocks[1].carrierPhase;
            const double r1 = sats[i].blocks[0].pseudorange, r2 = sats[i].blocks[1].pseudorange;
            if (std::fabs(p1 * p2) <= kTiny) continue;
            cell.g = p1 - p2 * l[1] / l[0];
            if (std::fabs(r1 * r2) > kTiny)
                cell.w = (p1 - p2) - (r1 / l[0] + r2 / l[1]) * (l[1] - l[0]) / (l[1] + l[0]);
        }
    }
    return table;
}

struct RunningStats {
    int count = 0;
    double mean = 0.0, var = 0.0;
};

// Pass 2 for one satellite index n.
void SeriesSatellite(RinexObsFile& m, std::vector<SeriesCell>& table, size_t n) {
    const size_t width = kSatelliteIndexCount, epochs = m.epochs.size();
    auto at = [&](size_t e) -> SeriesCell& { return table[e * width + n]; };
    RunningStats gs, ws;
    for (size_t e = 0; e < epochs; ++e) {
        SeriesCell& cell = at(e);
        const bool hasNext = e + 1 < epochs;
        int flag = 0;
        double d = 0.0;
        if (e >= 1 && std::fabs(cell.g * at(e - 1).g) > kTiny) {
            d = cell.g - at(e - 1).g;
            const double limit = gs.count < 120 ? 0.14 : 4.0 * std::max(std::sqrt(gs.var), 0.02);
            if (std::fabs(d - gs.mean) > limit) {
                const double next =
                    hasNext && std::fabs(at(e + 1).g) > kTiny ? at(e + 1).g - cell.g : 0.0;
                if (std::fabs(next) <= kTiny || std::fabs(next - gs.mean) >= limit / 2) {
                    if (hasNext) {
                        cell.g = (at(e - 1).g + at(e + 1).g) / 2.0;
                        d = limit;
                    }
                    flag = 2;
                } else {
                    flag = 1;
                }
            }
        }
        if (std::fabs(cell.w) > kTiny && ws.count != 0) {
            const double limit = ws.count < 30 ? 2.0 : 4.0 * std::max(std::sqrt(ws.var), 0.25);
            if (std::fabs(cell.w - ws.mean) > limit) {
                const double next =
                    hasNext && std::fabs(at(e + 1).w) > kTiny ? at(e + 1).w - cell.w : 0.0;
                if (std::fabs(next) <= kTiny || std::fabs(next) >= limit / 2) {
                    if (hasNext) cell.w = (ws.mean + at(e + 1).w) / 2.0;
                    flag = 2;
                } else {
                    double sum = 0.0;
                    int used = 0;
                    for (size_t j = e; j < epochs && j < e + 5; ++j) {
                        if (std::fabs(at(j).w) <= kTiny) continue;
                        sum += at(j).w - ws.mean;
                        ++used;
                    }
                    if (used > 0) ws.mean += sum / used;
                    flag = 1;
                }
            }
        }
        if (flag == 1) {
            if (cell.position >= 0) {
                SatelliteData& sat = m.epochs[e].sats[static_cast<size_t>(cell.position)];
                Mark(sat, 0);
                Mark(sat, 1);
            }
            continue;
        }
        if (std::fabs(d) > kTiny) {
            gs.count = std::min(gs.count + 1, 120);
            gs.var = ((gs.count - 1) * gs.var + (d - gs.mean) * (d - gs.mean)) / gs.count;
            gs.mean = ((gs.count - 1) * gs.mean + d) / gs.count;
        }
        if (std::fabs(cell.w) > kTiny) {
            ws.count = std::min(ws.count + 1, 30);
            if (ws.count == 1) {
                ws.mean = cell.w;
                ws.var = 0.25;
            } else {
                ws.var =
                    ((ws.count - 1) * ws.var + (cell.w - ws.mean) * (cell.w - ws.mean)) / ws.count;
                ws.mean = ((ws.count - 1) * ws.mean + cell.w) / ws.count;
            }
        }
    }
}

bool HasDoppler(const RinexObsFile& m) {
    return std::any_of(m.gpsCodes.begin(), m.gpsCodes.end(),
                       [](const std::string& c) { return !c.empty() && c[0] == 'D'; });
}

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

bool EstimateGlonassWavelengths(RinexObsFile& m, const SatelliteData& sat) {
    const int n = SatelliteIndex(sat.sysCode, sat.prn);
    if (sat.sysCode != kSysGlonass || n <= 0 || sat.blocks.size() < 2) return false;
    double f = 0.0;
    for (int band = 0; band < 2 && f == 0.0; ++band) {
        const BlockData& b = sat.blocks[static_cast<size_t>(band)];
        if (std::fabs(b.pseudorange) >= kTiny && std::fabs(b.carrierPhase) >= kTiny)
            f = kC / (b.pseudorange / b.carrierPhase);
    }
    if (f == 0.0 || !std::isfinite(f)) return false;
    const double k =
        f < 1.3e9 ? std::round((f - 1.246e9) / 437500.0) : std::round((f - 1.602e9) / 562500.0);
    if (!(k >= -7 && k <= 13)) return false;
    m.wavelengths[static_cast<size_t>(n)] = {kC / (1602000000.0 + 562500.0 * k),
                                             kC / (1246000000.0 + 437500.0 * k)};
    return true;
}

void DopplerSlipTest(RinexObsFile& m, KestrinNotifyTarget* window) {
    std::vector<DopplerState> states(kSatelliteIndexCount);
    std::vector<char> seen(kSatelliteIndexCount);
    const size_t epochs = m.epochs.size();
    for (size_t e = 0; e < epochs; ++e) {
        std::fill(seen.begin(), seen.end(), 0);
        const double dt = e > 0 ? TimeDiff(m.epochs[e].time, m.epochs[e - 1].time) : 0.0;
        for (SatelliteData& sat : m.epochs[e].sats) {
            const int n = SatelliteIndex(sat.sysCode, sat.prn);
            if (n <= 0 || sat.blocks.size() < 2) continue;
            const std::array<double, 2> l = Wavelengths(m, sat);
            if (l[0] * l[1] == 0.0) continue;
            DopplerSatellite(sat, l, dt, states[static_cast<size_t>(n)]);
            seen[static_cast<size_t>(n)] = 1;
        }
        ForgetUnseen(states, seen);
        Notify(window, static_cast<long>(e * 100 / epochs));
    }
}

void CodeCarrierSlipTest(RinexObsFile& m, KestrinNotifyTarget* window) {
    std::vector<std::array<double, 2>> states(kSatelliteIndexCount);
    std::vector<char> seen(kSatelliteIndexCount);
    const size_t epochs = m.epochs.size();
    for (size_t e = 0; e < epochs; ++e) {
        std::fill(seen.begin(), seen.end(), 0);
        for (SatelliteData& sat : m.epochs[e].sats) {
            const int n = SatelliteIndex(sat.sysCode, sat.prn);
            if (n <= 0 || sat.blocks.size() < 2) continue;
            const std::array<double, 2> l = Wavelengths(m, sat);
            if (!Known(l)) continue;
            std::array<double, 2> x{};
            for (size_t b = 0; b < 2; ++b) {
                const BlockData& block = sat.blocks[b];
                if (std::fabs(block.pseudorange) > kTiny && std::fabs(block.carrierPhase) > kTiny)
                    x[b] = block.carrierPhase - block.pseudorange / l[b];
            }
            const std::array<double, 2>& prev = states[static_cast<size_t>(n)];
            const std::array<double, 2> limits{15.0, 10.0};
            for (size_t b = 0; b < 2; ++b) {
                if (std::fabs(prev[b]) > kTiny && std::fabs(x[b]) > kTiny &&
                    std::fabs(x[b] - prev[b]) > limits[b])
                    Mark(sat, static_cast<int>(b));
            }
            states[static_cast<size_t>(n)] = x;
            seen[static_cast<size_t>(n)] = 1;
        }
        ForgetUnseen(states, seen);
        Notify(window, static_cast<long>(e * 100 / epochs));
    }
}

void TimeSeriesSlipTest(RinexObsFile& m, KestrinNotifyTarget* window) {
    std::vector<SeriesCell> table = SeriesTable(m);
    for (size_t n = 1; n < static_cast<size_t>(kSatelliteIndexCount); ++n) {
        SeriesSatellite(m, table, n);
        Notify(window, static_cast<long>(n * 100 / kSatelliteIndexCount));
    }
}

int DetectSlips(const std::string& path, KestrinNotifyTarget* window) {
    const EditLock lock(path);  // one edit of the file at a time, from reading to writing
    if (!lock.ok()) return 0;
    RinexObsFile& model = SharedRinexObsFile();
    if (model.Read(path, window) == 0) return 0;
    FillCarrierWavelengths(model);
    if (HasDoppler(model)) {
        DopplerSlipTest(model, window);
    } else {
        CodeCarrierSlipTest(model, window);
        TimeSeriesSlipTest(model, window);
    }
    return WriteSlipMarks(path, model) ? 1 : 0;
}

}  // namespace kestrin
