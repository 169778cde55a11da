// The solution flow behind the exports: the single-point position of an observation file and
// the station-coordinate rewrite.
#pragma once

#include <string>
#include <vector>

#include "baldorn/baldorn.h"
#include "solver/point_solver.h"

namespace baldorn {

inline constexpr int kMaxEpochs = 100;

// The observation path followed by its navigation candidates (last character replaced by
// N, G, C, F and L).
std::vector<std::string> CandidatePaths(const std::string& observationPath);

// A path that exists as given, or else the first entry of its folder (in name order) whose
// name matches it without regard to case; empty when there is none.
std::string ResolveCaseInsensitive(const std::string& path);

// Mean of the epoch solutions, or the first one when the positions or velocities spread too
// far. False when there are no results.
bool ReduceSolutions(const std::vector<SolResult>& results, Vector3& out);

int ComputeSinglePosition(const char* path, double xyz[3], BaldornNotifyTarget* window);
int ModifyStationCoordinate(const char* path, const double xyz[3]);

}  // namespace baldorn
