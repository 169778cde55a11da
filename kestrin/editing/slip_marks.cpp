// Carrying the model's slip marks into the file it was read from: only the loss-of-lock
// digits of the marked phases change.
#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

#include "editing/rinex_text.h"
#include "editing/safe_rewrite.h"
#include "editing/slip_detection.h"

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

// A loss-of-lock digit may be blank (no flags) or a digit: anything else at its place means
// the model read the record differently from its text, and nothing is changed then.
bool IsLliDigit(char c) {
    return c == ' ' || (c >= '0' && c <= '9');
}

// Sets bit 0 of the digit at column; false when the line has no digit place there (it is
// too short, or another character stands there).
bool MarkDigit(std::string& line, uint32_t column) {
    if (column >= line.size() || !IsLliDigit(line[column])) return false;
    const char c = line[column];
    const int digit = c == ' ' ? 0 : c - '0';
    line[column] = static_cast<char>('0' + (digit | 1));
    return true;
}

// The line of a spot ends where the model said: no line feed inside, one (or the file's end)
// after it.
bool LineEndsThere(std::FILE* in, const std::string& line) {
    if (line.find('\n') != std::string::npos) return false;
    const int next = std::fgetc(in);
    if (next == EOF) return std::ferror(in) == 0;
    std::ungetc(next, in);
    return next == '\n' || next == '\r';
}

// Copies the file with the digits at the spots marked; false when a spot is no digit place.
bool CopyWithMarks(std::FILE* in, std::FILE* out, const std::vector<LliSpot>& spots) {
    uint64_t cursor = 0;
    size_t i = 0;
    while (i < spots.size()) {
        const LliSpot& first = spots[i];
        const uint64_t start = static_cast<uint64_t>(first.lineStart);
        if (start < cursor || !CopyBytes(in, out, start - cursor)) return false;
        std::string line(first.lineLength, '\0');
        if (std::fread(line.data(), 1, line.size(), in) != line.size()) return false;
        if (!LineEndsThere(in, line)) return false;
        for (; i < spots.size() && spots[i].lineStart == first.lineStart; ++i)
            if (!MarkDigit(line, spots[i].column)) return false;
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

// Byte offsets of the digits the marks may change, ascending.
std::vector<uint64_t> MarkOffsets(const std::vector<LliSpot>& spots) {
    std::vector<uint64_t> offsets;
    offsets.reserve(spots.size());
    for (const LliSpot& spot : spots)
        offsets.push_back(static_cast<uint64_t>(spot.lineStart) + spot.column);
    std::sort(offsets.begin(), offsets.end());
    return offsets;
}

// The copy has the source's length and differs from it only in loss-of-lock digits at the
// offsets given (a blank or digit that became a digit).
bool OnlyMarksDiffer(std::FILE* source, std::FILE* copy, const std::vector<uint64_t>& offsets) {
    std::vector<char> a(64 * 1024), b(64 * 1024);
    uint64_t position = 0;
    for (;;) {
        const size_t na = std::fread(a.data(), 1, a.size(), source);
        const size_t nb = std::fread(b.data(), 1, b.size(), copy);
        if (na != nb || std::ferror(source) || std::ferror(copy)) return false;
        if (na == 0) return true;
        for (size_t k = 0; k < na; ++k) {
            if (a[k] == b[k]) continue;
            if (!std::binary_search(offsets.begin(), offsets.end(), position + k) ||
                !IsLliDigit(a[k]) || b[k] < '0' || b[k] > '9')
                return false;
        }
        position += na;
    }
}

}  // namespace

bool OnlyLliDigitsChanged(std::string_view before, std::string_view after) {
    if (before.size() != after.size()) return false;
    size_t lineStart = 0;
    for (size_t k = 0; k < before.size(); ++k) {
        if (before[k] == '\n') lineStart = k + 1;
        if (before[k] == after[k]) continue;
        // The loss-of-lock column of a 16-column field: 14 + 16 n in RINEX 2 records,
        // 17 + 16 n behind the satellite of a RINEX 3 record.
        const size_t column = k - lineStart;
        const bool lliColumn = (column >= 14 && (column - 14) % 16 == 0) ||
                               (column >= 17 && (column - 17) % 16 == 0);
        if (!lliColumn || !IsLliDigit(before[k]) || after[k] < '0' || after[k] > '9')
            return false;
    }
    return true;
}

bool WriteSlipMarks(const std::string& path, const RinexObsFile& m) {
    const std::vector<LliSpot> spots = MarkedSpots(m);
    if (spots.empty()) return true;
    const std::vector<uint64_t> offsets = MarkOffsets(spots);
    return RewriteFile(
        path, [&](std::FILE* in, std::FILE* out) { return CopyWithMarks(in, out, spots); },
        [&](std::FILE* in, std::FILE* copy) { return OnlyMarksDiffer(in, copy, offsets); });
}

}  // namespace kestrin
