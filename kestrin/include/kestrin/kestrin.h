/* The C interface of the conversion library libkestrin.so. */
#ifndef KESTRIN_KESTRIN_H
#define KESTRIN_KESTRIN_H

#include <stdint.h>

#if defined(KESTRIN_BUILDING)
#define KESTRIN_API __attribute__((visibility("default")))
#else
#define KESTRIN_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Receives progress and state notifications synchronously on the calling thread. */
typedef struct KestrinNotifyTarget {
    void (*notify)(void* context, unsigned int message, long wparam, long lparam);
    void* context;
} KestrinNotifyTarget;

/* Conversion progress; wparam is the percentage done. */
#define KESTRIN_MSG_PROGRESS 2024u

/* Capacity of the caller buffers that receive text. */
#define KESTRIN_TEXT_CAPACITY 128

KESTRIN_API int ParseDataToRinexFormat(const char* inputPath, const char* outputFolder,
                                       int32_t optionWord, KestrinNotifyTarget* window);
KESTRIN_API int ConvertDataToRinexFormat(const char* inputPath, const char* outputFolder,
                                         int32_t rinex3, int32_t leica, int32_t brevak,
                                         int32_t ionoCorrections, int32_t systemMask,
                                         int32_t phaseCenter, int32_t singleFrequency,
                                         int32_t* yearOverride, double interval);
KESTRIN_API int ConvertDataToRinexFormat_CSharp(const char* inputPath, const char* outputFolder,
                                                int32_t rinex3, int32_t leica, int32_t brevak,
                                                int32_t ionoCorrections, int32_t systemMask,
                                                int32_t phaseCenter, int32_t singleFrequency,
                                                double interval);
KESTRIN_API int GetStaticHead(const char* path, int* year, int* month, int* day);

#ifdef __cplusplus
}
#endif

#endif /* KESTRIN_KESTRIN_H */
