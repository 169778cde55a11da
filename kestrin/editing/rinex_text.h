// Text helpers of the editing services: a bounded line reader that knows where each line
// starts, the column fields of RINEX headers, and the two antenna lines of a header.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

namespace kestrin {

// Reads a file line by line. A line longer than kMaxLine is cut there (the rest is passed
// over), so memory does not grow with a file that has no line ends.
class TextLineReader {
  public:
    static constexpr size_t kMaxLine = 64 * 1024;

    explicit TextLineReader(std::FILE* file) : file_(file) {}

    // The next line without its line end ("\n" or "\r\n"); false at the end of the file.
    bool Next(std::string& line);
    // Byte offset of the start of the line Next returned last, and its length in the file
    // up to its line end (what Next returned unless the line was cut).
    uint64_t LineStart() const { return lineStart_; }
    uint64_t LineLength() const { return lineLength_; }
    // The line end of the last line: "\n", "\r\n" or "" (the file ended without one).
    const std::string& LineEnd() const { return lineEnd_; }
    // Byte offset just after the last line and its line end.
    uint64_t Position() const { return position_; }

  private:
    std::FILE* file_;
    uint64_t position_ = 0;
    uint64_t lineStart_ = 0;
    uint64_t lineLength_ = 0;
    std::string lineEnd_;
};

// The file a path names with symbolic links followed, so that a rewrite beside the file
// updates a link's target (as an in-place edit through the link would); empty when the path
// cannot be resolved.
std::string ResolvedTarget(const std::string& path);

// True when the path names a RINEX observation file: its last character is "o" or "O".
bool IsRinexObservationPath(std::string_view path);

// The first n characters, and the n characters from column start (both cut at the end).
std::string_view Left(std::string_view line, size_t n);
std::string_view Mid(std::string_view line, size_t start, size_t n);
// Blanks removed at both ends.
std::string Trimmed(std::string_view text);
// Integer: leading blanks skipped, an optional sign, digits up to the first other character;
// 0 when there are none (and for values beyond the int range).
int IntegerOf(std::string_view text);
// Real: leading blanks skipped, a decimal number with optional exponent; 0 when there is
// none or it is not finite.
double RealOf(std::string_view text);

// The antenna description kept in the two antenna lines of an observation header.
struct AntennaLines {
    int methodMask = 0;  // only the converter's own layout carries it
    int method = 0;
    double measuredHeight = 0.0;
    double R = 0.0, H = 0.0, L1 = 0.0, L2 = 0.0;
};

// Reads the "ANT MEASURE TYPE/HEIGT" line and the geometry line after it. Two layouts exist:
// the 14-character columns written by the antenna editor, and the converter's own (mask and
// method as two 6-character integers, then the height; geometry in 10-character fields);
// each is read in its own columns.
AntennaLines ParseAntennaLines(std::string_view measureLine, std::string_view geometryLine);

// The two antenna lines in the 14-character layout, each with "\n".
std::string FormatAntennaLines(int method, double measuredHeight, double R, double H, double L1,
                               double L2);

}  // namespace kestrin
