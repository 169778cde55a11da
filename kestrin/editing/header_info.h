// Survey metadata of a RINEX observation file (its header text) or of a raw static file (its
// 512-byte header): reading it, and rewriting the antenna description.
#pragma once

#include <string>

namespace kestrin {

struct HeadInfo {
    std::string firstObs, lastObs, markerName, receiverNumber, antennaType;
    int antennaNumber = 0;
    double measuredHeight = 0.0;
    int method = 0;
    double antennaDeltaH = 0.0;
    double R = 0.0, H = 0.0, L1 = 0.0, L2 = 0.0;
    double x = 0.0, y = 0.0, z = 0.0;
};

struct AntennaInfo {
    std::string markerName;
    int method = 0;
    double measuredHeight = 0.0;
    double R = 0.0, H = 0.0, L1 = 0.0, L2 = 0.0;
};

// A path ending in "o"/"O" is read as a RINEX observation file, any other as a static file.
// 1 on success (a RINEX header without some records included), 0 for a file that cannot be
// used; info is reset first.
int ReadHeadInfo(const std::string& path, HeadInfo& info);
int ReadAntennaInfo(const std::string& path, AntennaInfo& info);

// Rewrites the marker name and antenna description. A RINEX file is written anew beside
// itself and renamed into place (a failure leaves it as it was); a static file's header
// fields are overwritten in place. 0 for a file that cannot be used or values that do not
// fit their fields.
int WriteAntennaInfo(const std::string& path, const AntennaInfo& info);

}  // namespace kestrin
