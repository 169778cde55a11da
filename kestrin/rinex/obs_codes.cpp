#include "rinex/obs_codes.h"

namespace kestrin {

std::string DefaultObsCode(int /*systemIndex*/, int /*slot*/) { return {}; }

}  // namespace kestrin
