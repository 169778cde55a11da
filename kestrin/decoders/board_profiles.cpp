#include "decoders/board_profiles.h"

namespace kestrin {

BoardProfile OemBoardProfile(int32_t variant) {
    BoardProfile p;
    // Variants 2 and 5 state neither their strength unit nor the GLONASS biases.
    if (variant == 1 || variant == 6) {
        p.strengthInDbHz = true;
        p.glonassBiasLine = " C1C   71.950 C2P   71.950";
    }
    return p;
}

BoardProfile HemisphereBoardProfile() {
    BoardProfile p;
    p.glonassBiasLine = " C1C        0 C1P        0 C2C        0 C2P        0";
    return p;
}

BoardProfile Rt17BoardProfile() {
    BoardProfile p;
    p.groupedObservations = true;
    p.glonassBiasLine = " C1C    0.000 C1P    0.000 C2C    0.000 C2P    0.000";
    p.countLines = true;
    p.bdsGeoRangeWrap = true;
    return p;
}

}  // namespace kestrin
