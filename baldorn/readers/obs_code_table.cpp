#include "readers/obs_code_table.h"

#include <array>

#include "readers/records.h"

namespace baldorn {
namespace {

struct Entry {
    const char* code;
    int slot;
};

struct SystemCodes {
    std::array<Entry, 22> entries;
    int count;
};

// clang-format off
constexpr SystemCodes kTable[kSystemCount] = {
    // GPS
    {{{{"C1C",0},{"C1P",0},{"C1Y",0},{"C1W",0},{"C1M",0},{"C1N",0},{"C1S",0},{"C1L",0},{"C1X",0},
       {"C2P",1},{"C2Y",1},{"C2W",1},{"C2C",1},{"C2M",1},{"C2N",1},{"C2D",1},{"C2S",1},{"C2L",1},
       {"C2X",1},{"C5I",2},{"C5Q",2},{"C5X",2}}}, 22},
    // GLONASS
    {{{{"C1P",0},{"C1C",0},{"C2P",1},{"C2C",1},{"C3I",2},{"C3Q",2},{"C3X",2}}}, 7},
    // BDS
    {{{{"C1I",0},{"C1Q",0},{"C1X",0},{"C7I",1},{"C7Q",1},{"C7X",1},{"C6I",2},{"C6Q",2},
       {"C6X",2}}}, 9},
    // SBAS
    {{{{"C1C",0},{"C5I",1},{"C5Q",1},{"C5X",1}}}, 4},
    // QZSS
    {{{{"C1C",0},{"C1S",0},{"C1L",0},{"C1X",0},{"C1Z",0},{"C2S",1},{"C2L",1},{"C2X",1},
       {"C5I",2},{"C5Q",2},{"C5X",2},{"C6S",3},{"C6L",3},{"C6X",3}}}, 14},
    // Galileo
    {{{{"C1C",0},{"C1A",0},{"C1B",0},{"C1X",0},{"C1Z",0},{"C5I",1},{"C5Q",1},{"C5X",1},
       {"C7I",2},{"C7Q",2},{"C7X",2},{"C8I",3},{"C8Q",3},{"C8X",3},{"C6A",4},{"C6B",4},
       {"C6C",4},{"C6X",4},{"C6Z",4}}}, 19},
};
// clang-format on

}  // namespace

CodeSlot LookupObsCode(int systemIndex, std::string_view code) {
    if (code.size() != 3 || systemIndex < 0 || systemIndex >= kSystemCount) return {};
    const SystemCodes& list = kTable[systemIndex];
    for (int i = 0; i < list.count; ++i) {
        const char* entry = list.entries[i].code;
        if (entry[1] == code[1] && entry[2] == code[2]) return {list.entries[i].slot, i};
    }
    return {};
}

}  // namespace baldorn
