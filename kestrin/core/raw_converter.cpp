#include "core/raw_converter.h"

#include "kestrin/kestrin.h"

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace kestrin {

const char* const kTempSuffixes[kTempFileCount] = {"_TEMP.O", "_TEMP.N", "_TEMP.G", "_TEMP.C",
                                                   "_TEMP.L", "_TEMP.H", "_TEMP.Q"};

namespace {

// Creates a fresh private folder under $TMPDIR (or /tmp); empty on failure.
std::string CreatePrivateFolder() {
    std::string base;
    const char* tmp = std::getenv("TMPDIR");
    base = (tmp != nullptr && *tmp != '\0') ? tmp : "/tmp";
    while (base.size() > 1 && base.back() == '/') base.pop_back();
    std::string pattern = base + "/kestrin-XXXXXX";
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    if (mkdtemp(buffer.data()) == nullptr) return {};
    return std::string(buffer.data()) + "/";
}

void RemoveFile(const std::string& path) {
    if (path.empty()) return;
    std::error_code ec;
    std::filesystem::remove(path, ec);  // a missing file is not an error
}

}  // namespace

RawConverter::RawConverter() {
    info.Init();
}

RawConverter::~RawConverter() {
    CloseTempFiles();
}

bool RawConverter::OpenTempFiles() {
    firstBlockDone = 0;
    leapSeconds = 0;
    detectedInterval = 0.0;
    outputInterval = 0.0;
    tolerance = 0.0;
    firstEpoch.Init();
    lastEpoch.Init();
    thinReference.Init();
    epochsWritten_ = 0;
    tempFailed_.fill(false);
    failureReason_ = 0;
    failureError_ = 0;

    CloseTempFiles();

    tempFolder_ = CreatePrivateFolder();
    if (tempFolder_.empty()) {
        NoteFailure(KESTRIN_FAILURE_TEMPORARY, errno);
        return false;
    }
    for (int i = 0; i < kTempFileCount; ++i) tempNames[i] = TempPath(kTempSuffixes[i]);
    for (int i = 0; i < kTempFileCount; ++i) {
        tempFiles[i] = std::fopen(tempNames[i].c_str(), "w+b");
        if (tempFiles[i] == nullptr) {
            NoteFailure(KESTRIN_FAILURE_TEMPORARY, errno);
            return false;
        }
    }
    for (GnssTime& t : lastNavEpoch) t.Init();
    for (GnssTime& t : lastInavEpoch) t.Init();
    return true;
}

void RawConverter::CloseTempFiles() {
    for (auto& list : codesInUse) list.clear();
    segments.clear();
    events.clear();

    for (int i = 0; i < kTempFileCount; ++i) {
        if (tempFiles[i] != nullptr) {
            std::fclose(tempFiles[i]);
            tempFiles[i] = nullptr;
        }
        RemoveFile(tempNames[i]);
        tempNames[i].clear();
    }
    RemoveFile(smsTempPath);
    smsTempPath.clear();
    RemoveFile(almanacTempPath);
    almanacTempPath.clear();

    if (!tempFolder_.empty()) {
        std::error_code ec;
        std::filesystem::remove_all(tempFolder_, ec);
        tempFolder_.clear();
    }
}

std::string RawConverter::TempPath(const std::string& suffix) const {
    if (tempFolder_.empty()) return {};
    return tempFolder_ + options.fileTitle + suffix;
}

bool RawConverter::AppendTempText(int index, const std::string& text) {
    if (index < 0 || index >= kTempFileCount || tempFiles[index] == nullptr) return false;
    std::FILE* f = tempFiles[index];
    if (text.empty()) return true;
    if (std::fseek(f, 0, SEEK_END) != 0 ||
        std::fwrite(text.data(), 1, text.size(), f) != text.size()) {
        tempFailed_[index] = true;
        NoteFailure(KESTRIN_FAILURE_TEMPORARY, errno);
        return false;
    }
    return true;
}

void RawConverter::NoteFailure(int reason, int error) {
    if (failureReason_ != 0) return;
    failureReason_ = reason;
    failureError_ = error;
}

long RawConverter::TempFileSize(int index) {
    if (index < 0 || index >= kTempFileCount || tempFiles[index] == nullptr) return 0;
    std::FILE* f = tempFiles[index];
    // Buffered text that cannot be flushed is lost: the file is incomplete from here on.
    if (std::fflush(f) != 0 || std::fseek(f, 0, SEEK_END) != 0) {
        tempFailed_[index] = true;
        NoteFailure(KESTRIN_FAILURE_TEMPORARY, errno);
        return 0;
    }
    const long size = std::ftell(f);
    return size < 0 ? 0 : size;
}

bool RawConverter::TempFileFailed(int index) const {
    return index >= 0 && index < kTempFileCount && tempFailed_[index];
}

bool RawConverter::CopyTempFile(int index, std::FILE* out) {
    if (index < 0 || index >= kTempFileCount || tempFiles[index] == nullptr || out == nullptr) {
        return false;
    }
    std::FILE* f = tempFiles[index];
    if (std::fflush(f) != 0) {
        tempFailed_[index] = true;
        NoteFailure(KESTRIN_FAILURE_TEMPORARY, errno);
        return false;
    }
    if (std::fseek(f, 0, SEEK_SET) != 0) return false;
    std::vector<char> piece(32768);
    bool ok = true;
    for (;;) {
        const size_t got = std::fread(piece.data(), 1, piece.size(), f);
        if (got > 0 && std::fwrite(piece.data(), 1, got, out) != got) {
            ok = false;
            break;
        }
        if (got < piece.size()) {
            if (std::ferror(f)) ok = false;
            break;
        }
    }
    std::clearerr(f);
    std::fseek(f, 0, SEEK_END);  // later appends continue at the end
    return ok;
}

void RawConverter::FlushEpochs(const HeaderInfo& decoderInfo, AfterTreatment& currentSegment,
                               std::vector<OBSERVATIONS>& epochs) {
    bool due = false;
    if (currentSegment.endEpoch < 0) {
        due = epochs.size() >= (firstBlockDone != 0 ? kNextBlockEpochs : kFirstBlockEpochs);
    } else if (epochs.size() > kFirstBlockEpochs - 1) {
        // A segment has just ended: wait for a full first-size block so that the end record
        // and the epochs around it are written together.
        due = true;
        currentSegment.Init();
    }
    if (!due) return;
    info.Assign(decoderInfo);
    WriteEpochBlock(epochs);
}

}  // namespace kestrin
