#include "rinex/text_format.h"

#include <cstdarg>
#include <cstdio>

namespace kestrin {

namespace {

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

}  // namespace

void AppendFormat(std::string& out, const char* format, ...) {
    va_list args;
    va_start(args, format);
    AppendFormatV(out, format, args);
    va_end(args);
}

std::string StringFormat(const char* format, ...) {
    std::string out;
    va_list args;
    va_start(args, format);
    AppendFormatV(out, format, args);
    va_end(args);
    return out;
}

}  // namespace kestrin
