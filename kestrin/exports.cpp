// The thin C layer of the conversion library: argument checks and calls, no logic.
// Nothing is thrown across these functions: any failure inside becomes the failure result.
#include "kestrin/kestrin.h"

#include <sys/stat.h>

#include <cstdio>
#include <string>

#include "core/convert.h"
#include "core/regular_file.h"
#include "core/static_header.h"

namespace {

template <class Body>
int Guarded(Body body) {
    try {
        return body();
    } catch (...) {
        return 0;
    }
}

}  // namespace

extern "C" {

KESTRIN_API int ParseDataToRinexFormat(const char* inputPath, const char* outputFolder,
                                       int32_t optionWord, KestrinNotifyTarget* window) {
    return Guarded([&] {
        kestrin::ConvertOptions options;
        kestrin::UnpackOptionWord(optionWord, options);
        return kestrin::Convert(inputPath, outputFolder, options, window);
    });
}

KESTRIN_API int ConvertDataToRinexFormat(const char* inputPath, const char* outputFolder,
                                         int32_t rinex3, int32_t leica, int32_t brevak,
                                         int32_t ionoCorrections, int32_t systemMask,
                                         int32_t phaseCenter, int32_t singleFrequency,
                                         int32_t* yearOverride, double interval) {
    return Guarded([&] {
        kestrin::ConvertOptions options;
        options.rinex3 = rinex3;
        options.leica = leica;
        options.brevak = brevak;
        options.ionoCorrections = ionoCorrections;
        options.systemMask = static_cast<uint8_t>(systemMask & 0xFF);
        options.phaseCenter = phaseCenter;
        options.singleFrequency = singleFrequency;
        options.mixedV302 = 0;
        options.interval = interval;
        options.yearOverride = yearOverride;
        options.reserved13 = 0;
        return kestrin::Convert(inputPath, outputFolder, options, nullptr);
    });
}

KESTRIN_API int ConvertDataToRinexFormat_CSharp(const char* inputPath, const char* outputFolder,
                                                int32_t rinex3, int32_t leica, int32_t brevak,
                                                int32_t ionoCorrections, int32_t systemMask,
                                                int32_t phaseCenter, int32_t singleFrequency,
                                                double interval) {
    return ConvertDataToRinexFormat(inputPath, outputFolder, rinex3, leica, brevak, ionoCorrections,
                                    systemMask, phaseCenter, singleFrequency, nullptr,
                                    interval) != 0
               ? 1
               : 0;
}

KESTRIN_API int GetStaticHead(const char* path, int* year, int* month, int* day) {
    return Guarded([&] {
        if (!path || !*path || !year || !month || !day) return 0;
        // Only a regular file can be opened as a static file (a folder cannot).
        std::FILE* file = kestrin::OpenRegularFile(path);
        if (!file) return 0;
        unsigned char header[kestrin::kStaticHeaderSize] = {};
        const size_t read = std::fread(header, 1, sizeof header, file);
        std::fclose(file);
        const kestrin::ByteView view(header, read);
        if (read == sizeof header && kestrin::IsStaticHeader(view)) {
            *year = view.I16(kestrin::header::kYear);
            *month = view.U8(kestrin::header::kMonth);
            *day = view.U8(kestrin::header::kDay);
            return 1;
        }
        int32_t y = 0, m = 0, d = 0;
        kestrin::TodayLocal(y, m, d);
        *year = y;
        *month = m;
        *day = d;
        return 0;
    });
}

}  // extern "C"
