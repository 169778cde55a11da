#include "decoders/navwords/accuracy.h"

namespace kestrin {

double UraMeters(int index) {
    static constexpr double kUra[16] = {2.4,  3.4,   4.85,  6.85,  9.65,   13.65,  24.0,   48.0,
                                        96.0, 192.0, 384.0, 768.0, 1536.0, 3072.0, 6144.0, 32767.0};
    if (index < 0) index = 0;
    return kUra[index > 15 ? 15 : index];
}

double SisaMeters(int index) {
    if (index < 0) return -1.0;
    if (index < 50) return index * 0.01;
    if (index < 75) return 0.5 + (index - 50) * 0.02;
    if (index < 100) return 1.0 + (index - 75) * 0.04;
    if (index < 126) return 2.0 + (index - 100) * 0.16;
    return -1.0;
}

}  // namespace kestrin
