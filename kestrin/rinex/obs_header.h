// The RINEX observation header lines (the file writer itself is RawConverter::WriteObsFile)
// and the writer of a whole 2.10 file from an in-memory list of epochs.
#pragma once

#include <string>
#include <vector>

#include "kestrin/kestrin.h"
#include "kestrin/records.h"

namespace kestrin {

class RawConverter;

// Program name of "PGM / RUN BY / DATE" chosen by the receiver type.
std::string ObsProgramName(const std::string& receiverType);

// The complete header text of the observation file, "END OF HEADER" and the start-moving
// event of a rover included. `runStamp` is the local-time text of "PGM / RUN BY / DATE".
// Applies the single-frequency and system selection to writer.codesInUse and
// writer.info.systemsPresent, as the header lists them.
std::string ObsHeaderText(RawConverter& writer, const std::string& runStamp);

// "GLONASS SLOT / FRQ #" lines of the known frequency numbers (slots 1..24 with a value in
// -7..13); empty when none is known.
std::string GlonassSlotLines(const HeaderInfo& info);

// "SYS / # / OBS TYPES" lines of one system.
std::string ObsTypesLines(char systemLetter, const std::vector<std::string>& types);

// Writes a whole RINEX 2.10 observation file from a header and a list of epochs: 1 when
// written or when there is no epoch (then nothing is created), 0 when the file cannot be
// written completely (a file of that name stays as it was, none is created). Progress
// (percent) goes to `window`.
int WriteModelObsFile(const std::string& path, const HeaderInfo& header,
                      const std::vector<OBSERVATIONS>& epochs, KestrinNotifyTarget* window);

}  // namespace kestrin
