// Carrying the model's slip marks into the file it was read from: only the loss-of-lock
// digits of the marked phases change.
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

#include "editing/rinex_text.h"
#include "editing/slip_detection.h"
#include "rinex/final_file.h"

namespace kestrin {
namespace {

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

// A line longer than this is not edited (the model reads no further into a line anyway).
constexpr uint32_t kLongestEditedLine = 64 * 1024;

// The spots of every marked phase, in file order.
std::vector<LliSpot> MarkedSpots(const RinexObsFile& m) {
    std::vector<LliSpot> spots;
    for (size_t e = 0; e < m.epochs.size() && e < m.lliSpots.size(); ++e) {
        const std::vector<SatelliteData>& sats = m.epochs[e].sats;
        for (size_t s = 0; s < sats.size() && s < m.lliSpots[e].size(); ++s) {
            for (size_t b = 0; b < 2 && b < sats[s].blocks.size(); ++b) {
                const LliSpot& spot = m.lliSpots[e][s][b];
                if ((sats[s].blocks[b].lli & 1u) && spot.lineStart >= 0 &&
                    spot.lineLength <= kLongestEditedLine)
                    spots.push_back(spot);
            }
        }
    }
    std::sort(spots.begin(), spots.end(), [](const LliSpot& a, const LliSpot& b) {
        return a.lineStart != b.lineStart ? a.lineStart < b.lineStart : a.column < b.column;
    });
    return spots;
}

bool CopyBytes(std::FILE* in, std::FILE* out, uint64_t count) {
    std::vector<char> block(64 * 1024);
    while (count > 0) {
        const size_t want = static_cast<size_t>(std::min<uint64_t>(count, block.size()));
        const size_t got = std::fread(block.data(), 1, want, in);
        if (got != want || std::fwrite(block.data(), 1, got, out) != got) return false;
        count -= got;
    }
    return true;
}

// Sets bit 0 of the digit at column; a line too short for it is padded with blanks.
void MarkDigit(std::string& line, uint32_t column) {
    if (line.size() <= column) line.resize(column + 1, ' ');
    const char c = line[column];
    const int digit = (c >= '0' && c <= '9') ? c - '0' : 0;
    line[column] = static_cast<char>('0' + (digit | 1));
}

// Copies the file with the digits at the spots marked.
bool CopyWithMarks(std::FILE* in, std::FILE* out, const std::vector<LliSpot>& spots) {
    uint64_t cursor = 0;
    size_t i = 0;
    while (i < spots.size()) {
        const LliSpot& first = spots[i];
        const uint64_t start = static_cast<uint64_t>(first.lineStart);
        if (start < cursor || !CopyBytes(in, out, start - cursor)) return false;
        std::string line(first.lineLength, '\0');
        if (std::fread(line.data(), 1, line.size(), in) != line.size()) return false;
        for (; i < spots.size() && spots[i].lineStart == first.lineStart; ++i)
            MarkDigit(line, spots[i].column);
        if (std::fwrite(line.data(), 1, line.size(), out) != line.size()) return false;
        cursor = start + first.lineLength;
    }
    std::vector<char> block(64 * 1024);
    size_t n = 0;
    while ((n = std::fread(block.data(), 1, block.size(), in)) > 0) {
        if (std::fwrite(block.data(), 1, n, out) != n) return false;
    }
    return std::ferror(in) == 0;
}

}  // namespace

bool WriteSlipMarks(const std::string& path, const RinexObsFile& m) {
    const std::vector<LliSpot> spots = MarkedSpots(m);
    if (spots.empty()) return true;
    struct stat st;
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
    File in(std::fopen(path.c_str(), "rb"));
    if (!in) return false;
    const std::string target = ResolvedTarget(path);
    if (target.empty()) return false;
    return WriteBeside(target, [&](const std::string& temp) {
        File out(std::fopen(temp.c_str(), "wb"));
        if (!out) return false;
        const bool copied = CopyWithMarks(in.get(), out.get(), spots);
        const bool closed = std::fclose(out.release()) == 0;
        return copied && closed && ::chmod(temp.c_str(), st.st_mode & 07777) == 0;
    });
}

}  // namespace kestrin
