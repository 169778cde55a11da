// The thin C layer of the file editing services: argument checks and calls, no logic.
// Nothing is thrown across these functions: any failure inside becomes the failure result.
#include <string>

#include "core/static_header.h"
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

}  // extern "C"
