#include "rinex/text_format.h"

#include <cmath>
#include <cstdarg>
#include <cstdint>
#include <cstdio>

namespace kestrin {

namespace {

constexpr double kPowersOfTen[] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                   1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
constexpr int kMaxFastPrecision = 15;
// Integer parts below this limit, with the scaled fraction, stay exact in a double.
constexpr double kMaxFastMagnitude = 1e15;

void AppendFormatV(std::string& out, const char* format, va_list args) {
    char stackBuffer[256];
    va_list copy;
    va_copy(copy, args);
    const int needed = std::vsnprintf(stackBuffer, sizeof stackBuffer, format, copy);
    va_end(copy);
    if (needed <= 0) return;
    if (static_cast<size_t>(needed) < sizeof stackBuffer) {
        out.append(stackBuffer, static_cast<size_t>(needed));
        return;
    }
    const size_t start = out.size();
    out.resize(start + static_cast<size_t>(needed) + 1);
    std::vsnprintf(out.data() + start, static_cast<size_t>(needed) + 1, format, args);
    out.resize(start + static_cast<size_t>(needed));
}

// Writes the decimal digits of `value` backwards, ending just before `end`; returns the
// first digit.
char* DigitsBackwards(char* end, uint64_t value) {
    do {
        *--end = static_cast<char>('0' + value % 10);
        value /= 10;
    } while (value != 0);
    return end;
}

// Pads `text` (already without padding) to `width`: blanks on the left, blanks on the right
// with `left`, or zeros after the sign with `zeros`.
void AppendPadded(std::string& out, const char* text, size_t length, int width, bool left,
                  bool zeros) {
    const size_t fill =
        width > 0 && static_cast<size_t>(width) > length ? static_cast<size_t>(width) - length : 0;
    if (left) {
        out.append(text, length);
        out.append(fill, ' ');
    } else if (zeros) {
        if (length > 0 && text[0] == '-') {
            out += '-';
            ++text;
            --length;
        }
        out.append(fill, '0');
        out.append(text, length);
    } else {
        out.append(fill, ' ');
        out.append(text, length);
    }
}

// The fixed-point text of a finite `value` with |value| < kMaxFastMagnitude, without padding:
// written backwards ending just before `end`; returns its first character.
char* FixedTextBackwards(char* end, double value, int precision) {
    const double magnitude = std::fabs(value);
    uint64_t whole = static_cast<uint64_t>(magnitude);
    const double fraction = magnitude - static_cast<double>(whole);  // exact
    char* p = end;
    if (precision > 0) {
        // n = floor(fraction * scale), found exactly: fma rounds only once, so the sign of
        // fraction * scale - n is always right.
        const double scale = kPowersOfTen[precision];
        uint64_t n = static_cast<uint64_t>(fraction * scale);
        while (n > 0 && std::fma(fraction, scale, -static_cast<double>(n)) < 0) --n;
        while (std::fma(fraction, scale, -static_cast<double>(n + 1)) >= 0) ++n;
        // Round the remainder half to even, as printf does.
        const double half = std::fma(fraction, scale, -(static_cast<double>(n) + 0.5));
        if (half > 0 || (half == 0 && (n & 1) != 0)) ++n;
        if (static_cast<double>(n) >= scale) {
            n = 0;
            ++whole;
        }
        for (int i = 0; i < precision; ++i) {
            *--p = static_cast<char>('0' + n % 10);
            n /= 10;
        }
        *--p = '.';
    } else if (fraction > 0.5 || (fraction == 0.5 && (whole & 1) != 0)) {
        ++whole;
    }
    p = DigitsBackwards(p, whole);
    if (std::signbit(value)) *--p = '-';
    return p;
}

bool FastFixed(double value, int precision) {
    return precision >= 0 && precision <= kMaxFastPrecision && std::isfinite(value) &&
           std::fabs(value) < kMaxFastMagnitude;
}

// One conversion of a format: flags, width, precision and the conversion letter.
struct Conversion {
    bool left = false, zeros = false, other = false;  // other: a flag handled by the C library
    int width = 0;
    int precision = -1;
    char letter = 0;
};

// Widths and precisions above this go to vsnprintf.
constexpr int kMaxFastWidth = 4096;

// Reads the digits at `p` into `number` (stopping growth above kMaxFastWidth); returns the
// position after them.
const char* ReadNumber(const char* p, int& number) {
    for (; *p >= '0' && *p <= '9'; ++p) {
        if (number <= kMaxFastWidth) number = number * 10 + (*p - '0');
    }
    return p;
}

// Reads the conversion after a '%' at `p`; returns the position after it, or nullptr when it
// uses something only vsnprintf handles ('*', length modifiers, other letters).
const char* ReadConversion(const char* p, Conversion& c) {
    for (;; ++p) {
        if (*p == '-') {
            c.left = true;
        } else if (*p == '0') {
            c.zeros = true;
        } else if (*p == '+' || *p == ' ' || *p == '#') {
            c.other = true;
        } else {
            break;
        }
    }
    p = ReadNumber(p, c.width);
    if (*p == '.') {
        ++p;
        c.precision = 0;
        p = ReadNumber(p, c.precision);
    }
    if (c.width > kMaxFastWidth || c.precision > kMaxFastWidth) return nullptr;
    switch (*p) {
        case 'd':
        case 'c':
        case 's':
        case 'f':
            c.letter = *p;
            return p + 1;
        default:
            return nullptr;
    }
}

// Formats one conversion through the C library (the flags this file does not handle).
void AppendThroughLibrary(std::string& out, const char* spec, size_t specLength, ...) {
    const std::string one(spec, specLength);
    va_list args;
    va_start(args, specLength);
    AppendFormatV(out, one.c_str(), args);
    va_end(args);
}

// Formats the conversions of `format` without vsnprintf; false (with `out` unchanged) when
// the format needs something only vsnprintf handles.
bool AppendFormatFast(std::string& out, const char* format, va_list args) {
    const size_t start = out.size();
    const char* p = format;
    while (*p != '\0') {
        const char* literal = p;
        while (*p != '\0' && *p != '%') ++p;
        if (p != literal) out.append(literal, static_cast<size_t>(p - literal));
        if (*p == '\0') break;
        const char* spec = p;
        if (p[1] == '%') {
            out += '%';
            p += 2;
            continue;
        }
        Conversion c;
        p = ReadConversion(p + 1, c);
        if (p == nullptr) {
            out.resize(start);
            return false;
        }
        const size_t specLength = static_cast<size_t>(p - spec);
        char digits[48];
        char* const end = digits + sizeof digits;
        switch (c.letter) {
            case 'd': {
                const int value = va_arg(args, int);
                if (c.other || c.precision >= 0) {
                    AppendThroughLibrary(out, spec, specLength, value);
                    break;
                }
                const uint64_t magnitude =
                    value < 0 ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
                char* first = DigitsBackwards(end, magnitude);
                if (value < 0) *--first = '-';
                AppendPadded(out, first, static_cast<size_t>(end - first), c.width, c.left,
                             c.zeros);
                break;
            }
            case 'c': {
                const int value = va_arg(args, int);
                if (c.other || c.zeros) {
                    AppendThroughLibrary(out, spec, specLength, value);
                    break;
                }
                digits[0] = static_cast<char>(value);
                AppendPadded(out, digits, 1, c.width, c.left, false);
                break;
            }
            case 's': {
                const char* value = va_arg(args, const char*);
                if (value == nullptr || c.other || c.zeros) {
                    AppendThroughLibrary(out, spec, specLength, value);
                    break;
                }
                size_t length = 0;
                while (value[length] != '\0' &&
                       (c.precision < 0 || length < static_cast<size_t>(c.precision))) {
                    ++length;
                }
                AppendPadded(out, value, length, c.width, c.left, false);
                break;
            }
            case 'f': {
                const double value = va_arg(args, double);
                const int precision = c.precision < 0 ? 6 : c.precision;
                if (c.other || !FastFixed(value, precision)) {
                    AppendThroughLibrary(out, spec, specLength, value);
                    break;
                }
                const char* first = FixedTextBackwards(end, value, precision);
                AppendPadded(out, first, static_cast<size_t>(end - first), c.width, c.left,
                             c.zeros);
                break;
            }
        }
    }
    return true;
}

void AppendFormatChecked(std::string& out, const char* format, va_list args) {
    va_list copy;
    va_copy(copy, args);
    const bool done = AppendFormatFast(out, format, copy);
    va_end(copy);
    if (!done) AppendFormatV(out, format, args);
}

}  // namespace

void AppendFormat(std::string& out, const char* format, ...) {
    va_list args;
    va_start(args, format);
    AppendFormatChecked(out, format, args);
    va_end(args);
}

std::string StringFormat(const char* format, ...) {
    std::string out;
    va_list args;
    va_start(args, format);
    AppendFormatChecked(out, format, args);
    va_end(args);
    return out;
}

void AppendFixed(std::string& out, double value, int width, int precision) {
    if (!FastFixed(value, precision)) {
        AppendFormat(out, "%*.*f", width, precision, value);
        return;
    }
    char text[48];
    char* const end = text + sizeof text;
    const char* first = FixedTextBackwards(end, value, precision);
    AppendPadded(out, first, static_cast<size_t>(end - first), width, false, false);
}

}  // namespace kestrin
