// The thin C layer of the positioning library.
#include "baldorn/baldorn.h"

extern "C" {

BALDORN_API int SinglePosition(const char*, double*, BaldornNotifyTarget*) { return 0; }

BALDORN_API int ModifyStationCoord(const char*, const double*) { return 0; }

}  // extern "C"
