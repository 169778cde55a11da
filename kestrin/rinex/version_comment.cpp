#include "rinex/version_comment.h"

#include <cstdio>

#include "tollmere_version.h"

namespace kestrin {

std::string ConvertedByLine() {
    char text[96];
    std::snprintf(text, sizeof text, "%-60.60s%-20s\n", "converted by Tollmere " TOLLMERE_VERSION,
                  "COMMENT");
    return text;
}

}  // namespace kestrin
