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

StagedFile StageHeaderAndBody(OutputSet& outputs, const std::string& path,
                              const std::string& header, const std::string& bodyPath, bool crlf,
                              int* error) {
    *error = 0;
    if (bodyPath.empty()) {
        outputs.RemoveOnPublish(path);
        return StagedFile::kEmpty;
    }
    FinalFile& out = outputs.Add(path);
    size_t copied = 0;
    if (!out.ok() || !out.Write(header, crlf) || !out.CopyFrom(bodyPath, crlf, &copied)) {
        *error = out.error();
        return StagedFile::kFailed;
    }
    if (copied == 0) {
        out.Discard();
        outputs.RemoveOnPublish(path);
        return StagedFile::kEmpty;
    }
    return StagedFile::kAdded;
}

}  // namespace kestrin
