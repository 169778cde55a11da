// The thin C layer of the conversion library: argument checks and calls, no logic.
#include "kestrin/kestrin.h"

extern "C" {

KESTRIN_API int ParseDataToRinexFormat(const char*, const char*, int32_t, KestrinNotifyTarget*) {
    return 0;
}

KESTRIN_API int ConvertDataToRinexFormat(const char*, const char*, int32_t, int32_t, int32_t,
                                         int32_t, int32_t, int32_t, int32_t, int32_t*, double) {
    return 0;
}

KESTRIN_API int ConvertDataToRinexFormat_CSharp(const char*, const char*, int32_t, int32_t,
                                                int32_t, int32_t, int32_t, int32_t, int32_t,
                                                double) {
    return 0;
}

KESTRIN_API int GetStaticHead(const char*, int*, int*, int*) { return 0; }

}  // extern "C"
