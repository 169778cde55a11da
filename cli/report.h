// Pieces of the report of tollmere-cli: the progress lines of the running conversions, JSON
// text, and what can be read back from a written observation file.
#pragma once

#include <cstdio>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

namespace tollmere::cli {

// One progress line per running conversion on a terminal. Lines are added when a conversion
// starts and dropped when it ends; everything else printed on the same stream goes through
// Print, which lifts the lines out of the way and draws them again below the new text. All
// members may be called from several threads.
class ProgressBoard {
  public:
    // `enabled` false makes every call but Print's own output a no-op.
    ProgressBoard(FILE* stream, bool enabled) : stream_(stream), enabled_(enabled) {}
    int Add(const std::string& label);
    void Update(int line, int percent);
    void Remove(int line);
    void Print(const std::function<void()>& print);

  private:
    struct Line {
        int id = 0;
        std::string label;
        int percent = -1;
    };
    void Erase();
    void Draw();

    FILE* stream_;
    bool enabled_;
    std::mutex mutex_;
    std::vector<Line> lines_;
    int drawn_ = 0;
    int nextId_ = 0;
};

// `text` as a JSON string literal (quotes included).
std::string JsonString(const std::string& text);

// The epoch records (epoch flags 0 and 1) of a RINEX 2 or 3 observation file, read line by
// line; -1 when the file cannot be read or is not an observation file.
long CountObservationEpochs(const std::string& path);

// True when the first line of a RINEX file names observation data: the version label and the
// type letter 'O' in column 21, in either letter case (other programs write "Observation").
bool NamesObservationData(const std::string& firstLine);

// Geodetic latitude and longitude (degrees) and ellipsoidal height (m) on WGS 84 of an
// earth-centred position.
void EcefToGeodetic(const double xyz[3], double& latitude, double& longitude, double& height);

}  // namespace tollmere::cli
