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
/* Writes xyz into the "APPROX POSITION XYZ" record of a RINEX observation file (a path ending
 * in O or o) or into the position fields of a static file header. A record of exactly 80
 * columns is overwritten in place; otherwise the file is rewritten through a temporary copy
 * beside it and renamed into place. Either way a symbolic link is followed and its target is
 * updated (the link stays a link). A rewrite gives the file a new inode: other hard links to
 * it keep the old content. Returns 1 on success, 0 with the file unchanged otherwise. */
BALDORN_API int ModifyStationCoord(const char* path, const double xyz[3]);

#ifdef __cplusplus
}
#endif

#endif /* BALDORN_BALDORN_H */
