// The output profile each board data type declares, for writer tests that stand in for a
// decoder.
#pragma once

#include "kestrin/records.h"

namespace testsupport {

// 1, 2, 5, 6: OEM variants; 4: Hemisphere; 9: RT17; others: the plain profile.
BoardProfile ProfileOfDataType(int dataType);

}  // namespace testsupport
