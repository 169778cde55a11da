// The output profiles of the receiver boards (see BoardProfile in kestrin/records.h). Each
// decoder returns its board's profile from DecoderFrame::Profile; the boards whose decoders
// are still to come have theirs here already, so that their output keeps its shape.
#pragma once

#include <cstdint>

#include "kestrin/records.h"

namespace kestrin {

// OEM binary boards, by the variant met in the data (1, 2, 5 or 6).
BoardProfile OemBoardProfile(int32_t variant);
// Hemisphere binary boards.
BoardProfile HemisphereBoardProfile();
// Trimble RT17 / RT27 boards.
BoardProfile Rt17BoardProfile();

}  // namespace kestrin
