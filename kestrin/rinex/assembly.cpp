// The last step of a conversion: naming the output files and assembling each one from its
// header and the records collected in its temporary file.
#include "rinex/assembly.h"

#include <cstdio>
#include <ctime>

#include "core/gnss_time.h"
#include "core/raw_converter.h"
#include "core/static_header.h"
#include "kestrin/kestrin.h"
#include "rinex/final_file.h"
#include "rinex/nav_files.h"
#include "rinex/nav_headers.h"
#include "rinex/obs_header.h"
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

bool RawConverter::WriteOutputFiles(const std::string& basePath, const NavigationBlock* navBlock,
                                    const std::function<void(const std::string&)>& published) {
    if (navBlock == nullptr) return false;
    if (leapSeconds == 0) leapSeconds = LeapSecondsAt(firstEpoch);
    // Everything appended so far must be on disk before the files are copied by name. Records
    // that could not all be collected (a full temporary disk) make no output at all.
    for (int i = 0; i < kTempFileCount; ++i) TempFileSize(i);
    for (int i = 0; i < kTempFileCount; ++i) {
        if (TempFileFailed(i)) {
            NoteFailure(KESTRIN_FAILURE_TEMPORARY, 0);
            return false;
        }
    }

    const NavHeaderInput header =
        MakeNavHeaderInput(options, leapSeconds, navBlock->iono.data(), LocalRunStamp());
    OutputSet outputs;
    int error = 0;
    bool ok = true;
    auto stageObs = [&](const std::string& path) {
        if (ok && !StageObsFile(outputs, path, &error)) ok = false;
    };
    auto stage = [&](const std::string& path, const std::string& headerText,
                     const std::string& bodyPath, bool crlf) {
        if (ok && StageHeaderAndBody(outputs, path, headerText, bodyPath, crlf, &error) ==
                      StagedFile::kFailed) {
            ok = false;
        }
    };

    if (options.mixedV302 != 0) {
        const LongNames names =
            MakeLongNames(basePath, firstEpoch, lastEpoch, outputInterval, info.systemsPresent);
        if (info.systemsPresent != 0) stageObs(names.obs);
        if (TempFileSize(kTempGpsNav) > 0) {
            stage(names.nav, NavHeaderText(NavFileKind::Mixed, header), tempNames[kTempGpsNav],
                  true);
        }
    } else {
        if (firstEpoch.year == 0) SetTodaysDate(firstEpoch);
        const int yy = ShortNameYear(options.yearOverride, firstEpoch.year);
        MaskSystems(info, options.systemMask);
        if (info.systemsPresent != 0) stageObs(ShortObsName(basePath, yy));
        for (const NavFileOfSystem& nav : kShortNavFiles) {
            if (!HasSystem(info.systemsPresent, nav.systemIndex)) continue;
            stage(ShortNavName(basePath, yy, nav.systemIndex, options.leica != 0),
                  NavHeaderText(nav.kind, header), tempNames[nav.tempIndex], true);
        }
    }
    if (!smsTempPath.empty() && HasSystem(info.systemsPresent, 3)) {
        stage(EmsName(basePath), std::string(), smsTempPath, false);
    }
    if (!almanacTempPath.empty()) {
        stage(AlmanacName(basePath), NavHeaderText(NavFileKind::Almanac, header), almanacTempPath,
              true);
    }

    if (!ok || !outputs.Publish(published)) {
        if (ok) error = outputs.error();
        outputs.Discard();
        NoteFailure(KESTRIN_FAILURE_OUTPUT, error);
        return false;
    }
    return true;
}

// Adds the observation file to the output set. A conversion without observation records has
// no observation file (and an older one of the name is left alone); one whose file cannot be
// written fails.
bool RawConverter::StageObsFile(OutputSet& outputs, const std::string& path, int* error) {
    *error = 0;
    if (TempFileSize(kTempObs) <= 0) return true;
    FinalFile& out = outputs.Add(path);
    size_t copied = 0;
    if (out.ok() && out.Write(ObsHeaderText(*this, LocalRunStamp()), false) &&
        out.CopyFrom(tempNames[kTempObs], false, &copied)) {
        return true;
    }
    *error = out.error();
    return false;
}

bool FinishConversion(RawConverter& writer, HeaderInfo& decoderInfo, const std::string& inputPath,
                      const std::string& outputFolder, const NavigationBlock* navBlock,
                      const std::function<void(const std::string&)>& published) {
    decoderInfo.antennaHeight =
        ComputeAntennaHeight(inputPath, decoderInfo.measuredHeight, decoderInfo.measureMethod,
                             writer.options.phaseCenter);
    const std::string basePath = JoinPath(outputFolder, FileTitle(inputPath));
    writer.info.Assign(decoderInfo);
    return writer.WriteOutputFiles(basePath, navBlock, published);
}

}  // namespace kestrin
