// The thin C layer of the positioning library.
#include "baldorn/baldorn.h"
#include "entry/positioning.h"

extern "C" {

BALDORN_API int SinglePosition(const char* observationPath, double xyz[3],
                               BaldornNotifyTarget* window) {
    try {
        return baldorn::ComputeSinglePosition(observationPath, xyz, window);
    } catch (...) {
        if (xyz) xyz[0] = xyz[1] = xyz[2] = 0.0;
        return 0;
    }
}

BALDORN_API int ModifyStationCoord(const char* path, const double xyz[3]) {
    try {
        return baldorn::ModifyStationCoordinate(path, xyz);
    } catch (...) {
        return 0;
    }
}

}  // extern "C"
