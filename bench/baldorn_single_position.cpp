// Single-point position of a 100-epoch RINEX observation file with its navigation file:
// the whole call (reading both files, solving and reducing), reported per epoch.
#include <benchmark/benchmark.h>

#include <string>

#include "baldorn/baldorn.h"

namespace {

void SinglePositionPerEpoch(benchmark::State& state) {
    const std::string path = std::string(TOLLMERE_TEST_DATA) + "/rinex/07590920.05o";
    double xyz[3];
    for (auto _ : state) {
        if (SinglePosition(path.c_str(), xyz, nullptr) != 1) {
            state.SkipWithError("no position");
            break;
        }
        benchmark::DoNotOptimize(xyz);
    }
    // The call solves the first 100 observation epochs of the file.
    state.counters["epoch"] =
        benchmark::Counter(100.0 * static_cast<double>(state.iterations()),
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

}  // namespace

BENCHMARK(SinglePositionPerEpoch)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
