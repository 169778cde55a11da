#include "decoders/registry.h"

namespace kestrin {

int RunDecoder(const HeaderInfo& /*info*/, const ConvertOptions& /*options*/,
               KestrinNotifyTarget* /*window*/, const std::string& /*inputPath*/,
               const std::string& /*outputFolder*/) {
    // No board decoder is built in yet: every conversion fails without writing anything.
    return 0;
}

}  // namespace kestrin
