#include "readers/text_fields.h"

#include <cmath>
#include <cstdlib>

namespace baldorn {

std::string_view Columns(std::string_view line, size_t first, size_t count) {
    if (first < 1 || first > line.size()) return {};
    return line.substr(first - 1, count);
}

std::string_view ColumnsFrom(std::string_view line, size_t first) {
    if (first < 1 || first > line.size()) return {};
    return line.substr(first - 1);
}

int ParseInt(std::string_view text) {
    size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
    long long value = 0;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
        if (value < 1000000000LL) value = value * 10 + (text[i] - '0');
        ++i;
    }
    if (value > 1000000000LL) value = 1000000000LL;
    return static_cast<int>(negative ? -value : value);
}

double ParseReal(std::string_view text) {
    char buffer[64];
    size_t n = 0;
    size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
    for (; i < text.size() && n + 1 < sizeof(buffer); ++i) {
        char c = text[i];
        if (c == 'D' || c == 'd') c = 'E';
        // Only characters of a plain decimal number; this keeps "inf", "nan" and hex out.
        if (!((c >= '0' && c <= '9') || c == '.' || c == '-' || c == '+' || c == 'E' || c == 'e'))
            break;
        buffer[n++] = c;
    }
    buffer[n] = '\0';
    const double v = std::strtod(buffer, nullptr);
    return std::isfinite(v) ? v : 0.0;
}

std::string Trim(std::string_view text) {
    size_t b = 0, e = text.size();
    while (b < e && (text[b] == ' ' || text[b] == '\t')) ++b;
    while (e > b && (text[e - 1] == ' ' || text[e - 1] == '\t')) --e;
    return std::string(text.substr(b, e - b));
}

bool Contains(std::string_view line, std::string_view label) {
    return line.find(label) != std::string_view::npos;
}

bool ReadLine(std::FILE* file, std::string& line) {
    line.clear();
    int c;
    bool any = false;
    while ((c = std::fgetc(file)) != EOF) {
        any = true;
        if (c == '\n') break;
        // Memory stays bounded on a file without line ends: the rest of an overlong line is
        // read past and dropped.
        if (line.size() < kMaxLineLength) line.push_back(static_cast<char>(c));
    }
    if (!any) return false;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return true;
}

}  // namespace baldorn
