// Final navigation, SBAS message and almanac files: a header text followed by the records
// collected in a temporary file, every line ending in CR LF.
#pragma once

#include <string>

namespace kestrin {

class OutputSet;

// Writes `header` and the content of `bodyPath` to `path`, with every line feed as CR LF when
// `crlf` is set and byte for byte otherwise. Returns 1 when the file was written
// with records; 0 when the body is empty or missing or a write failed. Whenever the result is
// 0 no file of that name remains (a file from an earlier run is removed as well).
int WriteHeaderAndBody(const std::string& path, const std::string& header,
                       const std::string& bodyPath, bool crlf = true);

// What adding a header-and-body file to an output set came to.
enum class StagedFile {
    kAdded,   // written completely under its temporary name, published with the set
    kEmpty,   // no records: no file, and an older file of the name goes when the set is published
    kFailed,  // the body could not be read or a write failed (error number in the set's file)
};
// The same file as WriteHeaderAndBody, added to `outputs` instead of renamed into place at
// once. On kFailed *error holds the system error number.
StagedFile StageHeaderAndBody(OutputSet& outputs, const std::string& path,
                              const std::string& header, const std::string& bodyPath, bool crlf,
                              int* error);

}  // namespace kestrin
