#include <dirent.h>
#include <sys/stat.h>

#include <strings.h>
#include <algorithm>
#include <cmath>

#include "entry/positioning.h"
#include "readers/rinex_reader.h"

namespace baldorn {
namespace {

constexpr double kPositionSpreadLimit = 10.0;
constexpr double kVelocitySpreadLimit = 0.3;

bool Exists(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

}  // namespace

std::vector<std::string> CandidatePaths(const std::string& observationPath) {
    std::vector<std::string> out{observationPath};
    if (observationPath.empty()) return out;
    for (char letter : {'N', 'G', 'C', 'F', 'L'}) {
        std::string p = observationPath;
        p.back() = letter;
        out.push_back(p);
    }
    return out;
}

std::string ResolveCaseInsensitive(const std::string& path) {
    if (Exists(path)) return path;
    const size_t slash = path.find_last_of("/\\");
    const std::string folder = slash == std::string::npos ? "." : path.substr(0, slash);
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    if (name.empty()) return {};
    DIR* dir = ::opendir(folder.empty() ? "/" : folder.c_str());
    if (!dir) return {};
    std::vector<std::string> matches;
    while (const dirent* entry = ::readdir(dir))
        if (::strcasecmp(entry->d_name, name.c_str()) == 0) matches.emplace_back(entry->d_name);
    ::closedir(dir);
    std::sort(matches.begin(), matches.end());
    for (const std::string& m : matches) {
        const std::string candidate =
            (slash == std::string::npos ? "" : path.substr(0, slash + 1)) + m;
        if (Exists(candidate)) return candidate;
    }
    return {};
}

bool ReduceSolutions(const std::vector<SolResult>& results, Vector3& out) {
    if (results.empty()) return false;
    const double n = static_cast<double>(results.size());
    Vector3 meanPos, meanVel;
    for (const SolResult& r : results) {
        meanPos = meanPos + r.pos * (1.0 / n);
        meanVel = meanVel + r.vel * (1.0 / n);
    }
    Vector3 spreadPos, spreadVel;
    for (const SolResult& r : results) {
        const Vector3 dp = r.pos - meanPos, dv = r.vel - meanVel;
        spreadPos = spreadPos + Vector3{dp.x * dp.x, dp.y * dp.y, dp.z * dp.z} * (1.0 / n);
        spreadVel = spreadVel + Vector3{dv.x * dv.x, dv.y * dv.y, dv.z * dv.z} * (1.0 / n);
    }
    const bool spreadOut = std::sqrt(spreadPos.x) > kPositionSpreadLimit ||
                           std::sqrt(spreadPos.y) > kPositionSpreadLimit ||
                           std::sqrt(spreadPos.z) > kPositionSpreadLimit ||
                           std::sqrt(spreadVel.x) > kVelocitySpreadLimit ||
                           std::sqrt(spreadVel.y) > kVelocitySpreadLimit ||
                           std::sqrt(spreadVel.z) > kVelocitySpreadLimit;
    out = spreadOut ? results.front().pos : meanPos;
    return true;
}

int ComputeSinglePosition(const char* path, double xyz[3], BaldornNotifyTarget* window) {
    if (!xyz) return 0;
    xyz[0] = xyz[1] = xyz[2] = 0.0;
    if (!path) return 0;
    const std::string observationPath(path);
    if (observationPath.empty()) return 0;
    const char last = observationPath.back();
    if (last != 'O' && last != 'o') return 0;

    const std::vector<std::string> candidates = CandidatePaths(observationPath);
    ObsFile obs;
    if (!RinexReader::ReadObservationFile(observationPath.c_str(), obs, kMaxEpochs, window))
        return 0;

    NavFile nav;
    for (size_t i = 1; i < candidates.size(); ++i) {
        const std::string navPath = ResolveCaseInsensitive(candidates[i]);
        if (!navPath.empty()) RinexReader::ReadNavigationFile(navPath.c_str(), nav, window);
    }
    if (nav.kepler.empty() && nav.glonass.empty()) return 0;

    PointSolver solver;
    std::vector<SolResult> results;
    for (const OBSERVATIONS& epoch : obs.epochs) {
        SolResult result;
        if (solver.SolveEpoch(epoch, nav, result)) results.push_back(result);
    }
    Vector3 position;
    if (!ReduceSolutions(results, position)) return 0;
    xyz[0] = position.x;
    xyz[1] = position.y;
    xyz[2] = position.z;
    return 1;
}

}  // namespace baldorn
