// Plausibility of broadcast navigation records read from a file: values that no transmitted
// record can carry (not numbers, infinities, orbits no satellite flies, clock terms beyond the
// broadcast fields) mark a damaged record, which must not take part in a solution.
#pragma once

#include "readers/records.h"

namespace baldorn {

bool PlausibleKepler(const Ephemeris& e);
bool PlausibleStateVector(const gEphemeris& g);

}  // namespace baldorn
