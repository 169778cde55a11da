// Names of the final output files: short names (title, year and a letter) and RINEX 3 long
// names.
#pragma once

#include <string>

#include "kestrin/records.h"

namespace kestrin {

// The name after the last '/' or '\' (the whole path when there is none), cut at its last '.'.
std::string FileTitle(const std::string& path);
// `folder` without one trailing separator, a '/' and `name`; just `name` for an empty folder.
std::string JoinPath(const std::string& folder, const std::string& name);

// Long-name helpers.
// The base path with its name part cut to its last 9 characters or padded with '0' to 9.
std::string NineCharBase(const std::string& basePath);
// Session length as "%02dD", "%02dH" or "%02dM" (minutes in steps of 15 above 450 s).
std::string DurationText(double seconds);
// Epoch interval as "%02dS", or "%02dZ" (epochs per second) below 0.99 s; "00U" when the
// interval is not known (zero, negative or not a number).
std::string IntervalText(double seconds);

// Short names: "<base>.<yy><letter>". The navigation letters per system index are N, G, C
// (F in the Leica flavour), H, Q, L.
std::string ShortObsName(const std::string& basePath, int yy);
std::string ShortNavName(const std::string& basePath, int yy, int systemIndex, bool leica);
// The two-digit year of short names: |y mod 100| of the override when given, else of the first
// epoch's year.
int ShortNameYear(const int32_t* yearOverride, int firstEpochYear);

// Long names of the observation file and the mixed navigation file. `type` is 'G' for data of
// GPS alone, 'M' otherwise.
struct LongNames {
    std::string obs;
    std::string nav;
};
LongNames MakeLongNames(const std::string& basePath, const GnssTime& firstEpoch,
                        const GnssTime& lastEpoch, double outputInterval, int systemsPresent);

// Side files keep short names on the unshortened base path.
std::string EmsName(const std::string& basePath);
std::string AlmanacName(const std::string& basePath);

}  // namespace kestrin
