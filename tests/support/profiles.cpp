#include "support/profiles.h"

#include "decoders/board_profiles.h"

namespace testsupport {

BoardProfile ProfileOfDataType(int dataType) {
    switch (dataType) {
        case 1:
        case 2:
        case 5:
        case 6:
            return kestrin::OemBoardProfile(dataType);
        case 4:
            return kestrin::HemisphereBoardProfile();
        case 9:
            return kestrin::Rt17BoardProfile();
        default:
            return {};
    }
}

}  // namespace testsupport
