// The thin C layer of the file editing services: argument checks and calls, no logic.
// Nothing is thrown across these functions: any failure inside becomes the failure result.
#include <cstdlib>
#include <string>
#include <vector>

#include "core/static_header.h"
#include "editing/header_info.h"
#include "editing/rinex_obs_file.h"
#include "editing/slip_detection.h"
#include "editing/static_edits.h"
#include "kestrin/kestrin.h"

namespace {

template <class Result, class Body>
Result Guarded(Result failure, Body body) {
    try {
        return body();
    } catch (...) {
        return failure;
    }
}

std::string TextOf(const char* text) {
    return text ? std::string(text) : std::string();
}

// Copies text into a caller buffer of KESTRIN_TEXT_CAPACITY bytes, cut and zero-terminated.
void CopyText(char* out, const std::string& text) {
    if (!out) return;
    const size_t n =
        text.size() < KESTRIN_TEXT_CAPACITY - 1 ? text.size() : KESTRIN_TEXT_CAPACITY - 1;
    text.copy(out, n);
    out[n] = '\0';
}

char SystemLetterOf(int32_t sysCode) {
    switch (sysCode) {
        case kSysGps:
            return 'G';
        case kSysGlonass:
            return 'R';
        case kSysBds:
            return 'C';
        case kSysSbas:
            return 'S';
        case kSysQzss:
            return 'J';
        case kSysGalileo:
            return 'E';
        default:
            return '?';
    }
}

template <class T>
void Store(T* out, T value) {
    if (out) *out = value;
}

}  // namespace

extern "C" {

KESTRIN_API int AntMeasInfo(const char* path, double* height) {
    return Guarded(0, [&] {
        double measured = 0.0;
        const int method = kestrin::ReadAntennaMeasureInfo(TextOf(path), measured);
        if (height) *height = measured;
        return method;
    });
}

KESTRIN_API double CorrectAntennaHgt(const char* path, int method, double measuredHeight,
                                     int toPhaseCenter) {
    return Guarded(0.0, [&] {
        return kestrin::ComputeAntennaHeight(TextOf(path), measuredHeight, method, toPhaseCenter);
    });
}

KESTRIN_API double CalAntHgt(int method, double measuredHeight, double R, double H, double L1,
                             double L2, int toPhaseCenter) {
    return Guarded(0.0, [&] {
        return kestrin::AntennaHeightFormula(2, measuredHeight, method, R, H, L1, L2,
                                             toPhaseCenter);
    });
}

KESTRIN_API int ModifyAntennaHeight(const char* path, double height) {
    return Guarded(0, [&] { return kestrin::WriteStaticAntennaHeight(TextOf(path), height); });
}

KESTRIN_API int ModifyFileTime(const char* path, const char* startText, const char* stopText) {
    return Guarded(0, [&] {
        return kestrin::WriteStaticFileTimes(TextOf(path), TextOf(startText), TextOf(stopText));
    });
}

KESTRIN_API int ModifyAnteHeightInfo(const char* path, const char* pointName, int method,
                                     double measuredHeight) {
    return Guarded(0, [&] {
        return kestrin::WriteStaticAntennaSetup(TextOf(path), TextOf(pointName), method,
                                                measuredHeight);
    });
}

KESTRIN_API int ReadHeadInfo(const char* path, char* firstObs, char* lastObs, char* markerName,
                             char* receiverNumber, char* antennaType, int* antennaNumber,
                             double* measuredHeight, int* method, double* antennaDeltaH, double* R,
                             double* H, double* L1, double* L2, double* x, double* y, double* z) {
    kestrin::HeadInfo info;
    const int result = Guarded(0, [&] { return kestrin::ReadHeadInfo(TextOf(path), info); });
    CopyText(firstObs, info.firstObs);
    CopyText(lastObs, info.lastObs);
    CopyText(markerName, info.markerName);
    CopyText(receiverNumber, info.receiverNumber);
    CopyText(antennaType, info.antennaType);
    Store(antennaNumber, info.antennaNumber);
    Store(measuredHeight, info.measuredHeight);
    Store(method, info.method);
    Store(antennaDeltaH, info.antennaDeltaH);
    Store(R, info.R);
    Store(H, info.H);
    Store(L1, info.L1);
    Store(L2, info.L2);
    Store(x, info.x);
    Store(y, info.y);
    Store(z, info.z);
    return result;
}

KESTRIN_API int ReadAntInfo(const char* path, char* markerName, int* method, double* measuredHeight,
                            double* R, double* H, double* L1, double* L2) {
    kestrin::AntennaInfo info;
    const int result = Guarded(0, [&] { return kestrin::ReadAntennaInfo(TextOf(path), info); });
    CopyText(markerName, info.markerName);
    Store(method, info.method);
    Store(measuredHeight, info.measuredHeight);
    Store(R, info.R);
    Store(H, info.H);
    Store(L1, info.L1);
    Store(L2, info.L2);
    return result;
}

KESTRIN_API int WriteAntInfo(const char* path, const char* markerName, int method,
                             double measuredHeight, double R, double H, double L1, double L2) {
    return Guarded(0, [&] {
        kestrin::AntennaInfo info;
        info.markerName = TextOf(markerName);
        info.method = method;
        info.measuredHeight = measuredHeight;
        info.R = R;
        info.H = H;
        info.L1 = L1;
        info.L2 = L2;
        return kestrin::WriteAntennaInfo(TextOf(path), info);
    });
}

KESTRIN_API int ReadRinexFile(const char* path, KestrinNotifyTarget* window, HeaderInfo** header,
                              std::vector<OBSERVATIONS>** epochs) {
    if (header) *header = nullptr;
    if (epochs) *epochs = nullptr;
    return Guarded(0, [&] {
        kestrin::RinexObsFile& model = kestrin::SharedRinexObsFile();
        if (model.Read(TextOf(path), window) == 0) return 0;
        if (header) *header = &model.header;
        if (epochs) *epochs = &model.epochs;
        return 1;
    });
}

KESTRIN_API int WriteRinexFile(const char* path, KestrinNotifyTarget* window, HeaderInfo* header,
                               std::vector<OBSERVATIONS>* epochs) {
    return Guarded(0, [&] {
        if (!path || !*path || !header || !epochs) return 0;
        kestrin::RinexObsFile& model = kestrin::SharedRinexObsFile();
        if (header != &model.header) model.header.Assign(*header);
        if (epochs != &model.epochs) model.epochs = *epochs;
        model.lliSpots.clear();  // the epochs no longer come from a file
        return model.Write(path, window);
    });
}

KESTRIN_API int DetectSlp(const char* path, KestrinNotifyTarget* window) {
    return Guarded(0, [&] { return kestrin::DetectSlips(TextOf(path), window); });
}

KESTRIN_API int DetectSlpReport(const char* path, int dryRun, KestrinNotifyTarget* window,
                                KestrinSlipSink sink, void* context) {
    return Guarded(0, [&] {
        std::vector<kestrin::CycleSlip> slips;
        if (kestrin::DetectSlips(TextOf(path), window, dryRun == 0, &slips) == 0) return 0;
        if (!sink) return 1;
        const kestrin::RinexObsFile& model = kestrin::SharedRinexObsFile();
        for (const kestrin::CycleSlip& slip : slips) {
            const OBSERVATIONS& epoch = model.epochs[slip.epoch];
            const SatelliteData& sat = epoch.sats[slip.satellite];
            KestrinCycleSlip out{};
            const int prn = std::abs(static_cast<int>(sat.prn % 100));
            out.satellite[0] = SystemLetterOf(sat.sysCode);
            out.satellite[1] = static_cast<char>('0' + prn / 10);
            out.satellite[2] = static_cast<char>('0' + prn % 10);
            out.satellite[3] = '\0';
            out.band = slip.band + 1;
            out.year = epoch.time.year;
            out.month = epoch.time.month;
            out.day = epoch.time.day;
            out.hour = epoch.time.hour;
            out.minute = epoch.time.minute;
            out.second = epoch.time.second;
            out.test = kestrin::SlipTestName(slip.test);
            sink(context, &out);
        }
        return 1;
    });
}

}  // extern "C"
