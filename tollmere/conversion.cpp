#include "conversion.h"

#include <dirent.h>
#include <sys/stat.h>

#include <cctype>
#include <cstdio>
#include <cstring>
#include <vector>

namespace tollmere {

int32_t SystemMask(const OptionControls& c) {
    return (c.gps ? 0x01 : 0) | (c.glonass ? 0x02 : 0) | (c.beidou ? 0x04 : 0) |
           (c.sbas ? 0x08 : 0) | (c.qzss ? 0x10 : 0) | (c.galileo ? 0x20 : 0);
}

int32_t OptionWord(const OptionControls& c) {
    uint32_t word = static_cast<uint32_t>(SystemMask(c));
    if (c.singleFrequency) word |= 1u << 8;
    if (c.phaseCenter) word |= 1u << 9;
    if (c.ionoCorrections) word |= 1u << 10;
    if (c.flagCycleSlip) word |= 1u << 12;
    if (c.singlePoint) word |= 1u << 13;
    word |= (static_cast<uint32_t>(c.intervalIndex) & 0xFFu) << 16;
    word |= (static_cast<uint32_t>(c.versionIndex) & 0xFFu) << 24;
    const bool version3 = c.versionIndex == 1 || c.versionIndex == 2 || c.versionIndex == 4;
    if (version3 && c.mixedV302) word |= 1u << 11;
    return static_cast<int32_t>(word);
}

std::string ObservationBase(const std::string& inputPath, const std::string& outputFolder) {
    const size_t slash = inputPath.find_last_of("/\\");
    if (slash == std::string::npos) return {};
    std::string base = outputFolder + "/" + inputPath.substr(slash + 1);
    const size_t dot = base.rfind('.');
    if (dot != std::string::npos && dot > outputFolder.size()) base.resize(dot);
    return base;
}

bool FindObservationFile(std::string& base) {
    const size_t slash = base.find_last_of("/\\");
    if (slash == std::string::npos) return false;
    const std::string folder = base.substr(0, slash + 1);
    DIR* dir = opendir(folder.c_str());
    if (dir == nullptr) return false;
    std::string found;
    while (const dirent* entry = readdir(dir)) {
        const std::string name = entry->d_name;
        if (name == "." || name == "..") continue;
        const std::string path = folder + name;
        struct stat info {};
        if (stat(path.c_str(), &info) != 0 || S_ISDIR(info.st_mode)) continue;
        if (path.find(base) != std::string::npos && (path.back() == 'O' || path.back() == 'o')) {
            found = path;
            break;
        }
    }
    closedir(dir);
    if (found.empty()) return false;
    base = found;
    return true;
}

namespace {

// One line of the file with its start offset; false at the end of the file.
bool NextLine(std::FILE* file, std::string& line, long& start) {
    start = std::ftell(file);
    line.clear();
    int c;
    while ((c = std::fgetc(file)) != EOF) {
        line.push_back(static_cast<char>(c));
        if (c == '\n') break;
        if (line.size() > 65536) return false;  // no header line is this long
    }
    return !line.empty();
}

}  // namespace

bool WriteApproxPosition(const std::string& path, const double xyz[3]) {
    if (path.empty() || std::toupper(static_cast<unsigned char>(path.back())) != 'O') return false;
    std::FILE* file = std::fopen(path.c_str(), "r+");
    if (file == nullptr) return false;
    bool ok = false;
    std::string line;
    long start = 0;
    while (NextLine(file, line, start)) {
        if (line.find("APPROX POSITION XYZ") != std::string::npos) {
            char text[256];
            const int n = std::snprintf(text, sizeof text, "%14.4lf%14.4lf%14.4lf%18s%-20s", xyz[0],
                                        xyz[1], xyz[2], " ", "APPROX POSITION XYZ");
            std::string replacement(text, n > 0 ? static_cast<size_t>(n) : 0);
            // Keep the line end the file has (LF or CR LF).
            const size_t body = line.find_last_not_of("\r\n") + 1;
            if (replacement.size() != body) break;  // would not fit in place
            const long after = std::ftell(file);
            if (std::fseek(file, start, SEEK_SET) != 0 ||
                std::fwrite(replacement.data(), 1, replacement.size(), file) !=
                    replacement.size() ||
                std::fseek(file, after, SEEK_SET) != 0)
                break;
        } else if (line.find("END OF HEADER") != std::string::npos) {
            ok = true;
            break;
        }
    }
    if (std::fclose(file) != 0) ok = false;
    return ok;
}

}  // namespace tollmere
