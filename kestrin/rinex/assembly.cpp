// The last step of a conversion: naming the output files and assembling each one from its
// header and the records collected in its temporary file.
#include "rinex/assembly.h"

#include <cstdio>
#include <ctime>

#include "core/gnss_time.h"
#include "core/raw_converter.h"
#include "core/static_header.h"
#include "rinex/final_file.h"
#include "rinex/nav_files.h"
#include "rinex/nav_headers.h"
#include "rinex/output_names.h"

namespace kestrin {
namespace {

struct NavFileOfSystem {
    int systemIndex;
    int tempIndex;
    NavFileKind kind;
};

// Short-name navigation files in the order they are written: GPS, GLONASS, BDS, Galileo,
// SBAS, QZSS.
constexpr NavFileOfSystem kShortNavFiles[] = {
    {0, kTempGpsNav, NavFileKind::Gps},   {1, kTempGlonassNav, NavFileKind::Glonass},
    {2, kTempBdsNav, NavFileKind::Bds},   {5, kTempGalileoNav, NavFileKind::Galileo},
    {3, kTempSbasNav, NavFileKind::Sbas}, {4, kTempQzssNav, NavFileKind::Qzss},
};

bool HasSystem(int systemsPresent, int systemIndex) {
    return (systemsPresent >> systemIndex & 1) != 0;
}

// Clears the systems that the selection leaves out, in the system bits and in the flags of
// their satellites.
void MaskSystems(HeaderInfo& info, uint8_t systemMask) {
    for (int s = 0; s < kSystemCount; ++s) {
        if ((systemMask >> s & 1) != 0) continue;
        info.systemsPresent &= ~(1 << s);
        for (int n = 1; n < kSatelliteIndexCount; ++n) {
            if (SystemIndex(SatelliteOfIndex(n).sysCode) == s) info.satSeen[n] = 0;
        }
    }
}

void SetTodaysDate(GnssTime& t) {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    t.year = local.tm_year + 1900;
    t.month = local.tm_mon + 1;
    t.day = local.tm_mday;
}

}  // namespace

bool RawConverter::WriteOutputFiles(const std::string& basePath, const NavigationBlock* navBlock) {
    if (navBlock == nullptr) return false;
    if (leapSeconds == 0) leapSeconds = LeapSecondsAt(firstEpoch);
    // Everything appended so far must be on disk before the files are copied by name; a
    // temporary file that cannot be flushed is incomplete (TempFileSize notes that).
    for (int i = 0; i < kTempFileCount; ++i) TempFileSize(i);

    const NavHeaderInput header =
        MakeNavHeaderInput(options, leapSeconds, navBlock->iono.data(), LocalRunStamp());
    // The observation file is the product of the conversion: when it has records but cannot
    // be written completely, the conversion fails.
    bool obsWritten = true;
    auto writeObs = [&](const std::string& path) {
        const bool ok = WriteBeside(
            path, [this](const std::string& tempPath) { return WriteObsFile(tempPath); });
        if (!ok && (TempFileSize(kTempObs) > 0 || TempFileFailed(kTempObs))) obsWritten = false;
    };
    // A navigation file whose records were not all collected is not written (nor is an older
    // file of its name left in place).
    auto writeNav = [&](const std::string& path, const std::string& headerText, int tempIndex) {
        if (TempFileFailed(tempIndex)) {
            RemoveFileQuietly(path);
            return;
        }
        WriteHeaderAndBody(path, headerText, tempNames[tempIndex]);
    };

    if (options.mixedV302 != 0) {
        const LongNames names =
            MakeLongNames(basePath, firstEpoch, lastEpoch, outputInterval, info.systemsPresent);
        const bool haveObs = info.systemsPresent != 0;
        const bool haveNav = TempFileSize(kTempGpsNav) > 0;
        if (haveObs) writeObs(names.obs);
        if (haveNav) {
            writeNav(names.nav, NavHeaderText(NavFileKind::Mixed, header), kTempGpsNav);
        }
    } else {
        if (firstEpoch.year == 0) SetTodaysDate(firstEpoch);
        const int yy = ShortNameYear(options.yearOverride, firstEpoch.year);
        MaskSystems(info, options.systemMask);
        if (info.systemsPresent != 0) writeObs(ShortObsName(basePath, yy));
        for (const NavFileOfSystem& nav : kShortNavFiles) {
            if (!HasSystem(info.systemsPresent, nav.systemIndex)) continue;
            writeNav(ShortNavName(basePath, yy, nav.systemIndex, options.leica != 0),
                     NavHeaderText(nav.kind, header), nav.tempIndex);
        }
    }

    if (!smsTempPath.empty() && HasSystem(info.systemsPresent, 3)) {
        WriteHeaderAndBody(EmsName(basePath), std::string(), smsTempPath, false);
    }
    if (!almanacTempPath.empty()) {
        WriteHeaderAndBody(AlmanacName(basePath), NavHeaderText(NavFileKind::Almanac, header),
                           almanacTempPath);
    }
    return obsWritten;
}

bool FinishConversion(RawConverter& writer, HeaderInfo& decoderInfo, const std::string& inputPath,
                      const std::string& outputFolder, const NavigationBlock* navBlock) {
    decoderInfo.antennaHeight =
        ComputeAntennaHeight(inputPath, decoderInfo.measuredHeight, decoderInfo.measureMethod,
                             writer.options.phaseCenter);
    const std::string basePath = JoinPath(outputFolder, FileTitle(inputPath));
    writer.info.Assign(decoderInfo);
    return writer.WriteOutputFiles(basePath, navBlock);
}

}  // namespace kestrin
