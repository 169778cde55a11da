#include "report.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fstream>

namespace tollmere::cli {

namespace {

constexpr int kBarWidth = 30;

std::string Field(const std::string& line, size_t start, size_t length) {
    if (start >= line.size()) return {};
    return line.substr(start, length);
}

int IntField(const std::string& line, size_t start, size_t length) {
    return std::atoi(Field(line, start, length).c_str());
}

// Epochs of a RINEX 3 body: records start with '>', flags 0 and 1 are observations; the
// special records of flags 2-5 are followed by as many header lines as the record names.
long CountVersion3Epochs(std::istream& in) {
    long epochs = 0;
    for (std::string line; std::getline(in, line);) {
        if (line.empty() || line[0] != '>') continue;
        const int flag = IntField(line, 31, 1);
        if (flag <= 1) {
            ++epochs;
        } else if (flag <= 5) {
            for (int n = IntField(line, 32, 3); n > 0 && std::getline(in, line); --n) {
            }
        }
    }
    return epochs;
}

// Epochs of a RINEX 2 body: an epoch line names its satellites (12 per line, continued on
// further lines) and each satellite takes one line per five observation types.
long CountVersion2Epochs(std::istream& in, int types) {
    const int linesPerSatellite = types > 0 ? (types + 4) / 5 : 1;
    long epochs = 0;
    for (std::string line; std::getline(in, line);) {
        if (line.size() < 32) continue;
        const int flag = IntField(line, 28, 1);
        const int count = IntField(line, 29, 3);
        int skip = 0;
        if (flag <= 1) {
            ++epochs;
            skip = (count > 12 ? (count - 1) / 12 : 0) + count * linesPerSatellite;
        } else if (flag <= 5) {
            skip = count;
        }
        for (; skip > 0 && std::getline(in, line); --skip) {
        }
    }
    return epochs;
}

}  // namespace

int ProgressBoard::Add(const std::string& label) {
    std::lock_guard<std::mutex> lock(mutex_);
    const int id = nextId_++;
    if (!enabled_) return id;
    // A line longer than the terminal would wrap and spoil the redrawing: long names keep
    // their end.
    constexpr size_t kLabelWidth = 40;
    std::string shown = label;
    if (shown.size() > kLabelWidth) shown = "..." + shown.substr(shown.size() - kLabelWidth + 3);
    lines_.push_back({id, shown, 0});
    Erase();
    Draw();
    return id;
}

void ProgressBoard::Update(int line, int percent) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!enabled_) return;
    for (Line& entry : lines_) {
        if (entry.id != line || entry.percent == percent) continue;
        entry.percent = percent;
        Erase();
        Draw();
    }
}

void ProgressBoard::Remove(int line) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!enabled_) return;
    std::erase_if(lines_, [line](const Line& entry) { return entry.id == line; });
    Erase();
    Draw();
}

void ProgressBoard::Print(const std::function<void()>& print) {
    std::lock_guard<std::mutex> lock(mutex_);
    Erase();
    print();
    Draw();
}

void ProgressBoard::Erase() {
    if (drawn_ > 0) std::fprintf(stream_, "\033[%dA\r\033[J", drawn_);
    drawn_ = 0;
    std::fflush(stream_);
}

void ProgressBoard::Draw() {
    if (!enabled_) return;
    for (const Line& entry : lines_) {
        const int percent = entry.percent < 0 ? 0 : entry.percent;
        const int filled = percent * kBarWidth / 100;
        std::string bar(static_cast<size_t>(filled), '#');
        bar.append(static_cast<size_t>(kBarWidth - filled), '.');
        std::fprintf(stream_, "%s [%s] %3d%%\n", entry.label.c_str(), bar.c_str(), percent);
        ++drawn_;
    }
    std::fflush(stream_);
}

std::string JsonString(const std::string& text) {
    std::string out = "\"";
    for (unsigned char c : text) {
        switch (c) {
            case '"': out += "\\\""; break;
            case '\\': out += "\\\\"; break;
            case '\n': out += "\\n"; break;
            case '\r': out += "\\r"; break;
            case '\t': out += "\\t"; break;
            default:
                if (c < 0x20) {
                    char escaped[8];
                    std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
                    out += escaped;
                } else {
                    out += static_cast<char>(c);
                }
        }
    }
    return out + "\"";
}

bool NamesObservationData(const std::string& firstLine) {
    return firstLine.find("RINEX VERSION / TYPE") != std::string::npos && firstLine.size() > 20 &&
           (firstLine[20] == 'O' || firstLine[20] == 'o');
}

long CountObservationEpochs(const std::string& path) {
    std::ifstream in(path);
    if (!in) return -1;
    std::string line;
    if (!std::getline(in, line) || !NamesObservationData(line)) return -1;
    const int version = IntField(line, 0, 9);
    int types = 0;
    for (int n = 0; std::getline(in, line) && n < 10000; ++n) {
        if (line.find("# / TYPES OF OBSERV") != std::string::npos && types == 0) {
            types = IntField(line, 0, 6);
        }
        if (line.find("END OF HEADER") != std::string::npos) {
            return version >= 3 ? CountVersion3Epochs(in) : CountVersion2Epochs(in, types);
        }
    }
    return -1;
}

void EcefToGeodetic(const double xyz[3], double& latitude, double& longitude, double& height) {
    constexpr double kA = 6378137.0;
    constexpr double kF = 1.0 / 298.257223563;
    constexpr double kE2 = kF * (2.0 - kF);
    constexpr double kDegrees = 180.0 / 3.14159265358979323846;
    const double p = std::hypot(xyz[0], xyz[1]);
    double phi = std::atan2(xyz[2], p * (1.0 - kE2));
    double h = 0.0;
    for (int i = 0; i < 10; ++i) {
        const double s = std::sin(phi);
        const double n = kA / std::sqrt(1.0 - kE2 * s * s);
        h = std::abs(std::cos(phi)) > 1e-12 ? p / std::cos(phi) - n : std::abs(xyz[2]) - n * (1 - kE2);
        phi = std::atan2(xyz[2], p * (1.0 - kE2 * n / (n + h)));
    }
    latitude = phi * kDegrees;
    longitude = std::atan2(xyz[1], xyz[0]) * kDegrees;
    height = h;
}

}  // namespace tollmere::cli
