// The epoch block pipeline: interval detection and thinning, system and band filters, code
// lists, satellite order, site and event records between the epochs.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numeric>

#include "core/gnss_time.h"
#include "core/raw_converter.h"
#include "rinex/obs_codes.h"

namespace kestrin {

namespace {

constexpr double kTimeEpsilon = 1e-10;

bool PlausibleYear(int year) {
    return year >= 1981 && year <= 2079;
}

bool WritableEpoch(const OBSERVATIONS& epoch) {
    return PlausibleYear(epoch.time.year) && !epoch.sats.empty();
}

// A spacing or interval in units of 0.01 s, limited so that the least common multiple of two
// of them cannot overflow.
int64_t HundredthsOf(double seconds) {
    const double scaled = std::fabs(seconds) * 100.0 + 0.5;
    if (!(scaled < 1e9)) return 1000000000;
    return static_cast<int64_t>(scaled);
}

}  // namespace

double RawConverter::DetectInterval(const std::vector<OBSERVATIONS>& epochs) const {
    if (epochs.size() < 2) return 1.0;
    std::vector<double> spacings;
    std::vector<int> counts;
    const size_t last = std::min<size_t>(epochs.size(), 100);
    for (size_t i = 1; i < last; ++i) {
        const double d = TimeDiff(epochs[i].time, epochs[i - 1].time);
        // Falling times are no spacing, and neither are repeated times: an interval of zero
        // would make every later thinning step meaningless.
        if (!(d > 1e-8)) continue;
        size_t k = 0;
        while (k < spacings.size() && std::fabs(spacings[k] - d) > 1e-8) ++k;
        if (k < spacings.size()) {
            ++counts[k];
        } else {
            spacings.push_back(d);
            counts.push_back(1);
        }
    }
    if (spacings.empty()) return 1.0;
    size_t best = 0;
    for (size_t k = 1; k < spacings.size(); ++k) {
        if (counts[k] > counts[best]) best = k;
    }
    return RoundToMultiple(spacings[best], 1e-6);
}

GnssTime RawConverter::FirstAlignedEpoch(const std::vector<OBSERVATIONS>& epochs) {
    if (epochs.empty()) return firstEpoch;
    for (const OBSERVATIONS& e : epochs) {
        if (std::fabs(SignedRemainder(e.time.second, outputInterval)) < tolerance) return e.time;
    }
    for (size_t j = 0; j + 1 < epochs.size(); ++j) {
        const double d = TimeDiff(epochs[j + 1].time, epochs[j].time);
        if (std::fabs(SignedRemainder(d, outputInterval)) < tolerance) return epochs[j].time;
    }
    options.interval = 0.0;  // no grid to thin on: keep every epoch from here on
    return epochs.front().time;
}

bool RawConverter::DropByInterval(const GnssTime& t) {
    if (thinReference.year == 0) thinReference = lastEpoch = firstEpoch;
    const double d = TimeDiff(t, thinReference);
    const bool plausible = PlausibleYear(t.year) || t.week > 0;
    if (plausible) {
        if (d < -tolerance) return true;
        if (std::fabs(options.interval) >= tolerance &&
            std::fabs(SignedRemainder(d, outputInterval)) > tolerance) {
            return true;
        }
    }
    lastEpoch = thinReference = t;
    return false;
}

void RawConverter::FilterSystems(OBSERVATIONS& epoch) const {
    std::erase_if(epoch.sats, [this](const SatelliteData& sat) {
        const int s = SystemIndex(sat.sysCode);
        return s < 0 || (options.systemMask & (1u << s)) == 0;
    });
}

void RawConverter::KeepBandOne(OBSERVATIONS& epoch) const {
    for (SatelliteData& sat : epoch.sats) {
        const int s = SystemIndex(sat.sysCode);
        if (s < 0) continue;  // signals of unknown systems are not filtered
        std::erase_if(sat.blocks,
                      [s](const BlockData& b) { return !IsBandOneSlot(s, b.signalType); });
    }
}

void RawConverter::BuildCodeLists() {
    for (int s = 0; s < kSystemCount; ++s) {
        for (int k = 0; k < kSignalSlots; ++k) {
            const std::string& code = info.obsCodes[s][k];
            if (code.empty()) continue;
            if (options.singleFrequency && (code.size() < 2 || code[1] != '1')) continue;
            auto& list = codesInUse[s];
            if (std::find(list.begin(), list.end(), code) == list.end()) list.push_back(code);
        }
    }
}

void RawConverter::SortSatellites(std::vector<SatelliteData>& sats) {
    // By satellite index (system, then PRN); stable, so satellites with the same index keep
    // the decoder's order.
    std::stable_sort(sats.begin(), sats.end(), [](const SatelliteData& a, const SatelliteData& b) {
        return SatelliteIndex(a.sysCode, a.prn) < SatelliteIndex(b.sysCode, b.prn);
    });
}

std::string RawConverter::WriteEpochBlock(std::vector<OBSERVATIONS>& epochs, bool lastBlock) {
    // Epochs with an implausible year or without satellites are never written. They stay in
    // place during the loop so that the buffer indices of the site segments keep pointing at
    // the epochs they were recorded for.
    // The interval and the aligned start are fixed from the writable epochs of the first
    // block(s); later blocks need no copy.
    std::vector<OBSERVATIONS> usable;
    if (firstBlockDone == 0 || firstEpoch.year == 0) {
        for (const OBSERVATIONS& e : epochs) {
            if (WritableEpoch(e)) usable.push_back(e);
        }
    }
    if (firstBlockDone == 0 && !usable.empty()) {
        detectedInterval = DetectInterval(usable);
        outputInterval = detectedInterval;
        if (std::fabs(options.interval) > 1e-8) {
            const int64_t a = HundredthsOf(detectedInterval);
            const int64_t b = HundredthsOf(options.interval);
            const int64_t m = (a == 0) ? b : (b == 0 ? a : std::lcm(a, b));
            if (m > 0) outputInterval = 0.01 * static_cast<double>(m);
        }
        tolerance = std::min(0.1, 0.1 * outputInterval);
    }
    if (firstEpoch.year == 0 && !usable.empty()) firstEpoch = FirstAlignedEpoch(usable);
    BuildCodeLists();

    std::string text;
    while (!events.empty() && events.front().placeTime.year == 0) {
        text += FormatEventRecord(events.front());
        events.erase(events.begin());
    }

    // An occupation started while its end was unknown keeps the newest epoch in the buffer.
    size_t limit = epochs.size();
    if (!lastBlock && !epochs.empty() &&
        std::any_of(segments.begin(), segments.end(), [](const AfterTreatment& s) {
            return s.startEpoch == kOccupationStarted && s.endEpoch < 0;
        })) {
        limit = epochs.size() - 1;
    }
    size_t stop = 0;
    bool held = false;
    for (size_t i = 0; i < limit; ++i) {
        const int index = static_cast<int>(i);
        auto starting =
            std::find_if(segments.begin(), segments.end(),
                         [index](const AfterTreatment& s) { return s.startEpoch == index; });
        if (starting != segments.end()) {
            if (starting->endEpoch < 0 && !lastBlock) {
                if (epochs.size() - i <= kMaxHeldEpochs) {
                    stop = i;  // wait until the occupation's end is known
                    held = true;
                    break;
                }
                // Held back too long: start the occupation now and keep only the newest
                // epoch, after which an end record can still be placed.
                text += FormatSiteOccupation(*starting, 1);
                starting->startEpoch = kOccupationStarted;
                limit = epochs.size() - 1;
            } else {
                text += FormatSiteOccupation(*starting, 1);
            }
        }

        OBSERVATIONS& epoch = epochs[i];
        const bool writable = WritableEpoch(epoch);
        if (writable && (!DropByInterval(epoch.time) || epoch.epochFlag == 5)) {
            FilterSystems(epoch);
            if (options.singleFrequency) KeepBandOne(epoch);
            if (!epoch.sats.empty()) {
                std::string record;
                if (options.rinex3) {
                    SortSatellites(epoch.sats);
                    record = FormatEpoch302(epoch);
                } else {
                    if (!options.brevak) SortSatellites(epoch.sats);
                    record = FormatEpoch210(epoch);
                }
                if (!record.empty()) {
                    text += record;
                    ++epochsWritten_;
                }
            }
        }

        auto ending =
            std::find_if(segments.begin(), segments.end(),
                         [index](const AfterTreatment& s) { return s.endEpoch == index; });
        if (ending != segments.end()) {
            text += FormatSiteOccupation(*ending, 2);
            segments.erase(ending);
        }

        if (!writable) continue;  // no time to place events against
        while (!events.empty()) {
            const double d = TimeDiff(events.front().placeTime, epoch.time);
            if (d > kTimeEpsilon) break;
            text += FormatEventRecord(events.front());
            events.erase(events.begin());
            if (std::fabs(d) < kTimeEpsilon) break;
        }
    }

    if (!held) stop = limit;

    if (lastBlock) {
        // Nothing follows: events after the last epoch are written at the end, and the
        // segments (all indices refer to this buffer) are done.
        for (const EventMark& e : events) text += FormatEventRecord(e);
        events.clear();
        segments.clear();
        epochs.clear();
    } else {
        // Remove exactly the epochs the loop has passed and renumber the segments so that
        // their indices keep pointing at the same epochs. A segment whose start is not known
        // yet (-1) keeps -1.
        epochs.erase(epochs.begin(), epochs.begin() + static_cast<std::ptrdiff_t>(stop));
        const int removed = static_cast<int>(stop);
        for (AfterTreatment& s : segments) {
            if (s.startEpoch >= 0) s.startEpoch = std::max(-1, s.startEpoch - removed);
            if (s.endEpoch >= 0) s.endEpoch = std::max(-1, s.endEpoch - removed);
        }
    }
    if (firstBlockDone == 0 && !usable.empty()) firstBlockDone = 1;

    AppendTempText(kTempObs, text);
    return text;
}

}  // namespace kestrin
