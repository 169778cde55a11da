#include "editing/rinex_text.h"

#include <charconv>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <memory>

namespace kestrin {
namespace {

std::string_view SkipBlanks(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    return text;
}

// True when the first 12 columns hold two integers: the converter's "%6d%6d".
bool IsConverterLayout(std::string_view measureLine) {
    std::string_view rest = SkipBlanks(Left(measureLine, 12));
    int tokens = 0;
    while (!rest.empty()) {
        size_t n = 0;
        if (rest[n] == '-' || rest[n] == '+') ++n;
        const size_t digits = n;
        while (n < rest.size() && rest[n] >= '0' && rest[n] <= '9') ++n;
        if (n == digits) return false;
        ++tokens;
        rest.remove_prefix(n);
        if (!rest.empty() && rest.front() != ' ') return false;
        rest = SkipBlanks(rest);
    }
    return tokens == 2;
}

}  // namespace

bool TextLineReader::Next(std::string& line) {
    line.clear();
    lineEnd_.clear();
    lineStart_ = position_;
    lineLength_ = 0;
    int c = 0;
    bool any = false;
    while ((c = getc_unlocked(file_)) != EOF) {
        any = true;
        ++position_;
        if (c == '\n') {
            lineEnd_ = "\n";
            break;
        }
        ++lineLength_;
        if (line.size() < kMaxLine) line.push_back(static_cast<char>(c));
    }
    if (!any) return false;
    if (lineEnd_ == "\n" && lineLength_ > 0 && line.size() == lineLength_ && line.back() == '\r') {
        line.pop_back();
        --lineLength_;
        lineEnd_ = "\r\n";
    }
    return true;
}

std::string ResolvedTarget(const std::string& path) {
    std::unique_ptr<char, void (*)(void*)> resolved(::realpath(path.c_str(), nullptr), &std::free);
    return resolved ? std::string(resolved.get()) : std::string();
}

bool IsRinexObservationPath(std::string_view path) {
    return !path.empty() && (path.back() == 'o' || path.back() == 'O');
}

std::string_view Left(std::string_view line, size_t n) {
    return line.substr(0, n);
}

std::string_view Mid(std::string_view line, size_t start, size_t n) {
    if (start >= line.size()) return {};
    return line.substr(start, n);
}

std::string Trimmed(std::string_view text) {
    while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
    return std::string(text);
}

int IntegerOf(std::string_view text) {
    text = SkipBlanks(text);
    bool negative = false;
    if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    long long value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') break;
        value = value * 10 + (c - '0');
        if (value > INT_MAX) return 0;
    }
    return static_cast<int>(negative ? -value : value);
}

double RealOf(std::string_view text) {
    text = SkipBlanks(text);
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    double value = 0.0;
    const auto result =
        std::from_chars(text.data(), text.data() + text.size(), value, std::chars_format::general);
    if (result.ec != std::errc() || !std::isfinite(value)) return 0.0;
    return value;
}

AntennaLines ParseAntennaLines(std::string_view measureLine, std::string_view geometryLine) {
    AntennaLines a;
    if (IsConverterLayout(measureLine)) {
        a.methodMask = IntegerOf(Mid(measureLine, 0, 6));
        a.method = IntegerOf(Mid(measureLine, 6, 6));
        a.measuredHeight = RealOf(Mid(measureLine, 12, 14));
        a.R = RealOf(Mid(geometryLine, 0, 10));
        a.H = RealOf(Mid(geometryLine, 10, 10));
        a.L1 = RealOf(Mid(geometryLine, 20, 10));
        a.L2 = RealOf(Mid(geometryLine, 30, 10));
        return a;
    }
    a.method = IntegerOf(Left(measureLine, 14));
    a.measuredHeight = RealOf(Mid(measureLine, 14, 14));
    a.R = RealOf(Left(geometryLine, 14));
    a.H = RealOf(Mid(geometryLine, 14, 14));
    a.L1 = RealOf(Mid(geometryLine, 28, 14));
    a.L2 = RealOf(Mid(geometryLine, 42, 14));
    return a;
}

std::string FormatAntennaLines(int method, double measuredHeight, double R, double H, double L1,
                               double L2) {
    char first[128];
    char second[128];
    std::snprintf(first, sizeof first, "%14d%14.4f%30s  %-20s\n", method, measuredHeight,
                  "ANT MEASURE TYPE/HEIGT", "COMMENT");
    std::snprintf(second, sizeof second, "%14.4f%14.4f%14.4f%14.4f    %-20s\n", R, H, L1, L2,
                  "COMMENT");
    return std::string(first) + second;
}

}  // namespace kestrin
