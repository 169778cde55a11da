#include "rinex/nav_files.h"

#include "rinex/final_file.h"

namespace kestrin {

int WriteHeaderAndBody(const std::string& path, const std::string& header,
                       const std::string& bodyPath, bool crlf) {
    FinalFile out(path);
    size_t copied = 0;
    const bool written = out.ok() && out.Write(header, crlf) && !bodyPath.empty() &&
                         out.CopyFrom(bodyPath, crlf, &copied);
    if (written && copied > 0 && out.Commit()) return 1;
    out.Discard();
    RemoveFileQuietly(path);
    return 0;
}

}  // namespace kestrin
