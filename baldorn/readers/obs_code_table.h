// The per-system list of observation codes, each folded onto a frequency slot; the position of
// an entry in its list is its priority (0 = preferred).
#pragma once

#include <string_view>

namespace baldorn {

struct CodeSlot {
    int slot = -1;
    int priority = 0;
};

// Matches only the band and attribute (last two characters), so "L1C" finds "C1C". Codes that
// are not three characters long, or that no entry matches, give slot -1.
CodeSlot LookupObsCode(int systemIndex, std::string_view code);

}  // namespace baldorn
