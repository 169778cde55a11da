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

/* Sent once by a conversion entry point that is about to return 0: wparam is one of the
   KESTRIN_FAILURE_* reasons below, lparam the system error number behind it (errno; 0 when
   none). A failed conversion leaves the output folder as it found it. */
#define KESTRIN_MSG_FAILURE 2030u
/* Sent by a successful conversion for every output file, once all of them are in place:
   lparam is a const char* to the zero-terminated path of the file, valid during the call
   only. Output files appear together: each is written completely under a hidden name
   ".<name>.<pid>.<n>.part" in the output folder first and renamed only when all are complete. */
#define KESTRIN_MSG_FILE_WRITTEN 2031u

#define KESTRIN_FAILURE_INPUT 1           /* the input file cannot be read */
#define KESTRIN_FAILURE_FORMAT 2          /* no static header or receiver data the library decodes */
#define KESTRIN_FAILURE_NO_OBSERVATIONS 3 /* no observation epoch could be decoded and written */
#define KESTRIN_FAILURE_TEMPORARY 4       /* the private temporary folder under $TMPDIR (or /tmp)
                                             could not be created or written */
#define KESTRIN_FAILURE_OUTPUT 5          /* an output file could not be written completely */
#define KESTRIN_FAILURE_MEMORY 6          /* out of memory */

/* Option word of ParseDataToRinexFormat (bit 0 = least significant). */
#define KESTRIN_OPT_SYSTEM_MASK 0x3Fu            /* bits 0..5: GPS, GLONASS, BDS, SBAS, QZSS, Galileo */
#define KESTRIN_OPT_SYSTEM_GPS 0x01u
#define KESTRIN_OPT_SYSTEM_GLONASS 0x02u
#define KESTRIN_OPT_SYSTEM_BDS 0x04u
#define KESTRIN_OPT_SYSTEM_SBAS 0x08u
#define KESTRIN_OPT_SYSTEM_QZSS 0x10u
#define KESTRIN_OPT_SYSTEM_GALILEO 0x20u
#define KESTRIN_OPT_SINGLE_FREQUENCY (1u << 8)   /* keep only band-1 signals */
#define KESTRIN_OPT_PHASE_CENTER (1u << 9)       /* antenna height to the L1 phase centre */
#define KESTRIN_OPT_IONO_CORRECTIONS (1u << 10)  /* ionosphere / time lines in nav headers */
#define KESTRIN_OPT_MIXED_V302 (1u << 11)        /* long names, one mixed nav file (RINEX 3) */
#define KESTRIN_OPT_WRITE_LLI (1u << 12)         /* write loss-of-lock digits */
#define KESTRIN_OPT_SINGLE_POINT (1u << 13)      /* caller's own single-point step; unused here */
#define KESTRIN_OPT_INTERVAL_SHIFT 16            /* bits 16..23: interval code */
#define KESTRIN_OPT_FLAVOUR_SHIFT 24             /* bits 24..31: output flavour */

/* Interval codes: seconds of the output interval; 0 and 12..255 keep every epoch. */
#define KESTRIN_INTERVAL_ALL 0
#define KESTRIN_INTERVAL_0_1S 1
#define KESTRIN_INTERVAL_0_2S 2
#define KESTRIN_INTERVAL_0_5S 3
#define KESTRIN_INTERVAL_1S 4
#define KESTRIN_INTERVAL_2S 5
#define KESTRIN_INTERVAL_5S 6
#define KESTRIN_INTERVAL_10S 7
#define KESTRIN_INTERVAL_15S 8
#define KESTRIN_INTERVAL_20S 9
#define KESTRIN_INTERVAL_30S 10
#define KESTRIN_INTERVAL_60S 11

/* Flavours: "Rinex2.10", "Rinex3.02", "Leica3.02", "Brevak2.10", "Brevak3.02"; 5..255 act
   as "Rinex3.02". */
#define KESTRIN_FLAVOUR_RINEX210 0
#define KESTRIN_FLAVOUR_RINEX302 1
#define KESTRIN_FLAVOUR_LEICA302 2
#define KESTRIN_FLAVOUR_BREVAK210 3
#define KESTRIN_FLAVOUR_BREVAK302 4

/* Builds an option word from its parts. */
#define KESTRIN_OPTION_WORD(flavour, intervalCode, flags)                       \
    ((int32_t)((((uint32_t)(flavour) & 0xFFu) << KESTRIN_OPT_FLAVOUR_SHIFT) |   \
               (((uint32_t)(intervalCode) & 0xFFu) << KESTRIN_OPT_INTERVAL_SHIFT) | \
               ((uint32_t)(flags) & 0xFFFFu)))

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

/* File editing services: the 512-byte header of static files. */
KESTRIN_API int AntMeasInfo(const char* path, double* height);
KESTRIN_API double CorrectAntennaHgt(const char* path, int method, double measuredHeight,
                                     int toPhaseCenter);
KESTRIN_API double CalAntHgt(int method, double measuredHeight, double R, double H, double L1,
                             double L2, int toPhaseCenter);
KESTRIN_API int ModifyAntennaHeight(const char* path, double height);
KESTRIN_API int ModifyFileTime(const char* path, const char* startText, const char* stopText);
KESTRIN_API int ModifyAnteHeightInfo(const char* path, const char* pointName, int method,
                                     double measuredHeight);

/* Header and antenna information of RINEX observation files (path ending in "o" or "O") and
   static files. String outputs: caller buffers of at least KESTRIN_TEXT_CAPACITY bytes,
   always zero-terminated; null outputs are skipped. */
KESTRIN_API int ReadHeadInfo(const char* path, char* firstObs, char* lastObs, char* markerName,
                             char* receiverNumber, char* antennaType, int* antennaNumber,
                             double* measuredHeight, int* method, double* antennaDeltaH, double* R,
                             double* H, double* L1, double* L2, double* x, double* y, double* z);
KESTRIN_API int ReadAntInfo(const char* path, char* markerName, int* method,
                            double* measuredHeight, double* R, double* H, double* L1, double* L2);
KESTRIN_API int WriteAntInfo(const char* path, const char* markerName, int method,
                             double measuredHeight, double R, double H, double L1, double L2);

/* Marks cycle slips in a RINEX observation file by setting bit 0 of the loss-of-lock digits
   of the phases concerned; every other character of the file stays. */
KESTRIN_API int DetectSlp(const char* path, KestrinNotifyTarget* window);

/* One cycle slip found by DetectSlpReport: the satellite ("G05", "R12", "C07"), the band
   (1 or 2), the epoch's time as the file gives it and the test that fired ("geometry-free",
   "Melbourne-Wuebbena", "code-minus-carrier" or "Doppler"; valid during the call only). */
typedef struct KestrinCycleSlip {
    char satellite[4];
    int band;
    int year, month, day, hour, minute;
    double second;
    const char* test;
} KestrinCycleSlip;
typedef void (*KestrinSlipSink)(void* context, const KestrinCycleSlip* slip);

/* Finds the cycle slips of a RINEX observation file and hands each to sink (when not null),
   in epoch order. With dryRun 0 the slips are then marked in the file as DetectSlp does;
   otherwise the file is not changed. 1 on success; 0 when the file cannot be loaded or
   (not a dry run) rewritten, and then the file is left as it was. */
KESTRIN_API int DetectSlpReport(const char* path, int dryRun, KestrinNotifyTarget* window,
                                KestrinSlipSink sink, void* context);

#ifdef __cplusplus
}

#include <vector>

#include "kestrin/records.h"

/* The RINEX observation model: ReadRinexFile loads a RINEX 2 or 3 observation file (GPS,
   GLONASS and BDS) and hands out pointers into the library's one model, valid until the next
   call that changes it; WriteRinexFile writes a header and epochs as RINEX 2.10. */
extern "C" {
KESTRIN_API int ReadRinexFile(const char* path, KestrinNotifyTarget* window, HeaderInfo** header,
                              std::vector<OBSERVATIONS>** epochs);
KESTRIN_API int WriteRinexFile(const char* path, KestrinNotifyTarget* window, HeaderInfo* header,
                               std::vector<OBSERVATIONS>* epochs);
}
#endif

#endif /* KESTRIN_KESTRIN_H */
