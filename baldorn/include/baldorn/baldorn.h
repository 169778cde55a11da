/* The C interface of the positioning library libbaldorn.so. */
#ifndef BALDORN_BALDORN_H
#define BALDORN_BALDORN_H

#if defined(BALDORN_BUILDING)
#define BALDORN_API __attribute__((visibility("default")))
#else
#define BALDORN_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Same layout as KestrinNotifyTarget. */
typedef struct BaldornNotifyTarget {
    void (*notify)(void* context, unsigned int message, long wparam, long lparam);
    void* context;
} BaldornNotifyTarget;

/* Positioning progress; wparam is the percentage of the current file. */
#define BALDORN_MSG_PROGRESS 1025u

BALDORN_API int SinglePosition(const char* observationPath, double xyz[3],
                               BaldornNotifyTarget* window);
BALDORN_API int ModifyStationCoord(const char* path, const double xyz[3]);

#ifdef __cplusplus
}
#endif

#endif /* BALDORN_BALDORN_H */
