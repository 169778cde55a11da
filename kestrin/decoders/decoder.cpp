#include "decoders/decoder.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <new>

#include "core/regular_file.h"
#include "decoders/navwords/week_time.h"
#include "decoders/site_record.h"
#include "rinex/assembly.h"
#include "rinex/nav_records.h"

namespace kestrin {

namespace {

constexpr uint8_t kSiteSync0 = 0xB7, kSiteSync1 = 0x59;

bool AtSiteSync(ByteView rest) {
    return rest.U8(0) == kSiteSync0 && rest.U8(1) == kSiteSync1;
}

// Closes the input file on every path out of a conversion.
struct InputFile {
    std::FILE* file = nullptr;
    ~InputFile() {
        if (file) std::fclose(file);
    }
    void Close() {
        if (file) std::fclose(file);
        file = nullptr;
    }
};

}  // namespace

DecoderFrame::DecoderFrame() : scan_(kScanBufferSize, 0) {}
DecoderFrame::~DecoderFrame() = default;

int DecoderFrame::Convert(const std::string& inputPath, const std::string& outputFolder) {
    int result = 0;
    try {
        result = Run(inputPath, outputFolder);
    } catch (...) {
        // Out of memory while decoding: fail the conversion, leave nothing behind.
        writer.NoteFailure(KESTRIN_FAILURE_MEMORY, ENOMEM);
        result = 0;
    }
    nav_.reset();
    writer.CloseTempFiles();
    return result;
}

int DecoderFrame::Run(const std::string& inputPath, const std::string& outputFolder) {
    InputFile input;
    input.file = OpenRegularFile(inputPath);  // refuses FIFOs and devices without waiting
    if (!input.file) {
        writer.NoteFailure(KESTRIN_FAILURE_INPUT, errno);
        return 0;
    }
    struct stat st;
    if (fstat(fileno(input.file), &st) != 0 || !S_ISREG(st.st_mode)) {
        writer.NoteFailure(KESTRIN_FAILURE_INPUT, EISDIR);
        return 0;
    }
    const uint64_t fileLength = static_cast<uint64_t>(st.st_size);

    std::vector<uint8_t> chunk(kReadChunkSize + 1, 0);
    nav_.reset(new (std::nothrow) NavigationBlock());
    if (!nav_) {
        writer.NoteFailure(KESTRIN_FAILURE_MEMORY, ENOMEM);
        return 0;
    }
    if (!writer.OpenTempFiles()) return 0;

    lastPercent_ = -1;
    SendProgress(0);
    workingDataType = info.dataType;
    info.profile = Profile(info.dataType);
    std::fill(scan_.begin(), scan_.end(), 0);
    fill_ = 0;
    lastFrameEnd_ = 0;
    lockTimes_.Reset();
    currentSegment_.Init();
    lastEpochTime_.Init();
    sideFileFailed_ = false;
    ResetRunState();

    uint64_t processed = 0;
    size_t chunkSize = kReadChunkSize;
    while (processed < fileLength) {
        if (fileLength - processed < chunkSize)
            chunkSize = static_cast<size_t>(fileLength - processed);
        size_t got = std::fread(chunk.data(), 1, chunkSize, input.file);
        if (got == 0) break;  // the file shrank or cannot be read further
        if (fill_ + got > kScanBufferSize) {
            std::fill(scan_.begin(), scan_.end(), 0);
            fill_ = 0;
        }
        std::memcpy(scan_.data() + fill_, chunk.data(), got);
        fill_ += got;

        // File position of the first buffered byte, for the progress figures.
        const uint64_t bufferStart = processed + got - fill_;
        size_t offset = ScanBuffer(bufferStart, fileLength, fileLength - processed - got);

        // Keep the unconsumed tail at the front of the buffer.
        if (offset >= fill_) {
            fill_ = 0;
        } else {
            std::memmove(scan_.data(), scan_.data() + offset, fill_ - offset);
            fill_ -= offset;
        }
        std::fill(scan_.begin() + static_cast<std::ptrdiff_t>(fill_), scan_.end(), 0);
        processed += got;
    }
    input.Close();
    EndOfData();
    SendProgress(100);
    info.dataType = workingDataType;
    info.profile = Profile(workingDataType);

    writer.info.Assign(info);
    writer.WriteEpochBlock(Epochs(), true);
    Epochs().clear();
    if (writer.EpochsWritten() == 0) {
        writer.NoteFailure(KESTRIN_FAILURE_NO_OBSERVATIONS, 0);
        return 0;
    }

    auto announce = [this](const std::string& path) {
        if (progressTarget && progressTarget->notify) {
            progressTarget->notify(progressTarget->context, KESTRIN_MSG_FILE_WRITTEN, 0,
                                   reinterpret_cast<long>(path.c_str()));
        }
    };
    return FinishConversion(writer, info, inputPath, outputFolder, nav_.get(), announce) ? 1 : 0;
}

// Whether a frame of frameLength bytes, of which `pending` bytes are buffered, can still be
// completed: after compaction the pending bytes lead the buffer, and chunks are appended only
// while they fit.
bool DecoderFrame::CanComplete(size_t pending, size_t frameLength, uint64_t unread) {
    uint64_t reachable = pending;
    while (unread > 0 && reachable < frameLength) {
        uint64_t chunk = unread < kReadChunkSize ? unread : kReadChunkSize;
        if (reachable + chunk > kScanBufferSize) break;
        reachable += chunk;
        unread -= chunk;
    }
    return frameLength <= reachable;
}

namespace {
// Bytes without a decoded frame after which the scan treats the data as junk, and the longest
// frame candidate it checks there.
constexpr uint64_t kJunkRun = 64 * 1024;
constexpr size_t kJunkWindow = 1024;
}  // namespace

size_t DecoderFrame::ScanBuffer(uint64_t bufferStart, uint64_t fileLength, uint64_t unread) {
    size_t offset = 0;
    while (offset < fill_) {
        ByteView rest(scan_.data() + offset, fill_ - offset);
        const bool junk = bufferStart + offset > lastFrameEnd_ + kJunkRun;
        const bool windowed = junk && rest.size() > kJunkWindow;
        ScanResult r = ScanAt(windowed ? ByteView(rest.data(), kJunkWindow) : rest);
        if (windowed && r.step == Step::kIncomplete) {
            ++offset;  // in junk: a candidate longer than the window is passed over
            continue;
        }
        // A site record can be shorter than the window a format waits for, and end the file
        // (an occupation end): it is read instead of waited on.
        if (r.step == Step::kIncomplete && r.length == 0 && ScansSiteRecords() && AtSiteSync(rest))
            r.step = Step::kNoFrame;
        if (r.step == Step::kIncomplete) {
            // A length that no later chunk can complete (past the room of the buffer, or past
            // the end of the file) belongs to a sync met by chance or to a damaged frame:
            // resynchronise behind it instead of dropping the bytes that follow.
            if (r.length > 0 && !CanComplete(rest.size(), r.length, unread)) {
                ++offset;
                continue;
            }
            break;
        }
        if (r.step == Step::kSkip) {
            offset += r.length > 0 ? r.length : 1;
            continue;
        }
        if (r.step == Step::kDecoded) {
            writer.FlushEpochs(info, currentSegment_, Epochs());
            offset += r.length > 0 ? r.length : 1;
            lastFrameEnd_ = bufferStart + offset;
            SendRunningProgress(bufferStart + offset, fileLength);
            continue;
        }
        if (ScansSiteRecords() && AtSiteSync(rest)) {
            const long used = TakeSiteRecord(rest, unread);
            if (used < 0) break;  // completed by the next chunk
            if (used == 0) {
                ++offset;  // a sync met by chance
                continue;
            }
            offset += static_cast<size_t>(used);
            SendRunningProgress(bufferStart + offset, fileLength);
            continue;
        }
        ++offset;
    }
    // Progress moves with the bytes scanned, also through data that holds no frame (the
    // last chunk ends in 100 %).
    if (unread > 0) SendRunningProgress(bufferStart + (offset > fill_ ? fill_ : offset), fileLength);
    return offset > fill_ ? fill_ : offset;
}

// The site record at the start of `rest`: the bytes it took (a record, or 1 past a failed
// CRC), 0 to pass a sync met by chance by one byte, -1 to wait for the next chunk.
long DecoderFrame::TakeSiteRecord(ByteView rest, uint64_t unread) {
    // A sync announcing more payload than any site record carries is met by chance in other
    // bytes: checking the CRC of such a length at every B7 59 would let a crafted file cost
    // minutes per megabyte.
    if (rest.size() >= 6 && rest.U16(4) > kMaxSitePayload) return 0;
    SiteRecord record;
    switch (ReadSiteRecord(rest, record)) {
        case SiteRead::kBadCrc:
            return 1;
        case SiteRead::kIncomplete: {
            // A record whose announced length no later chunk can complete is a sync met by
            // chance: move on instead of holding the scan (and dropping the buffer) there.
            const size_t recordLength = size_t{rest.U16(4)} + 8;
            return rest.size() >= 6 && !CanComplete(rest.size(), recordLength, unread) ? 0 : -1;
        }
        case SiteRead::kRead:
            break;
    }
    writer.ApplySiteRecord(record, static_cast<int>(Epochs().size()), currentSegment_);
    return static_cast<long>(record.length);
}

void DecoderFrame::MarkSignalUsed(int32_t sysCode, int32_t prn, int slot) {
    MarkSlotUsed(info, sysCode, prn, slot);
}

void DecoderFrame::AddEpoch(OBSERVATIONS&& epoch) {
    ApplyLockTimeSlips(epoch, lockTimes_, lockReporting);
    Epochs().push_back(std::move(epoch));
    lastEpochTime_ = Epochs().back().time;
}

void DecoderFrame::NoteSignal(int32_t sysCode, int32_t prn, const BlockData& block) {
    MarkSlotUsed(info, sysCode, prn, block.signalType);
    CountObservations(info, sysCode, prn, block);
}

GnssTime DecoderFrame::LastEpochTime() const {
    return lastEpochTime_;
}

void DecoderFrame::AddKeplerEphemeris(const KeplerEphemeris& eph) {
    writer.WriteKeplerNavRecord(eph);
}

void DecoderFrame::AddGlonassEphemeris(const gEphemeris& eph) {
    writer.WriteGlonassNavRecord(eph);
}

const IonoUtcParams& DecoderFrame::IonoUtc(int set) const {
    static const IonoUtcParams kNone{};
    if (!nav_ || set < 0 || set >= kIonoSets) return kNone;
    return nav_->iono[static_cast<size_t>(set)];
}

void DecoderFrame::SetIonoUtc(int set, const IonoUtcParams& params) {
    if (!nav_ || set < 0 || set >= kIonoSets) return;
    nav_->iono[static_cast<size_t>(set)] = params;
}

void DecoderFrame::SetLeapSeconds(int32_t seconds) {
    if (PlausibleLeapSeconds(seconds)) writer.leapSeconds = seconds;
}

void DecoderFrame::AddEvent(EventMark mark) {
    if (mark.placeTime.year == 0 && !Epochs().empty()) mark.placeTime = Epochs().back().time;
    writer.events.push_back(mark);
}

void DecoderFrame::SetGlonassChannel(int slot, int frequencyNumber) {
    if (slot < 1 || slot >= kGlonassSlots) return;
    if (frequencyNumber < -7 || frequencyNumber > 13) return;
    info.glonassChannels[static_cast<size_t>(slot)] = static_cast<int16_t>(frequencyNumber);
}

void DecoderFrame::AddSbasMessageText(const std::string& text) {
    AppendSideText(writer.smsTempPath, "_TEMP.EMS", text);
}

void DecoderFrame::AddAlmanac(const AlmanacRecord& almanac) {
    std::string text = writer.FormatAlmanacRecord(almanac);
    if (!text.empty()) AppendSideText(writer.almanacTempPath, "_TEMP.ALM", text);
}

void DecoderFrame::AppendSideText(std::string& path, const char* suffix, const std::string& text) {
    if (sideFileFailed_) return;
    if (path.empty()) path = writer.TempPath(suffix);
    if (path.empty()) return;  // no conversion running
    std::FILE* f = std::fopen(path.c_str(), "ab");
    bool ok = f != nullptr && std::fwrite(text.data(), 1, text.size(), f) == text.size();
    if (f != nullptr && std::fclose(f) != 0) ok = false;
    if (!ok) {
        // An incomplete side file is worse than none: drop it (the writer removes the path).
        std::remove(path.c_str());
        path.clear();
        sideFileFailed_ = true;
    }
}

void DecoderFrame::SendProgress(int percent) {
    lastPercent_ = percent;
    if (progressTarget && progressTarget->notify)
        progressTarget->notify(progressTarget->context, KESTRIN_MSG_PROGRESS, percent, 0);
}

// Progress while reading: the share of the file consumed so far, below 100 until the end.
void DecoderFrame::SendRunningProgress(uint64_t position, uint64_t fileLength) {
    if (fileLength == 0) return;
    int percent =
        static_cast<int>(static_cast<double>(position) * 100.0 / static_cast<double>(fileLength));
    if (percent > 99) percent = 99;
    if (percent < 0) percent = 0;
    if (percent != lastPercent_) SendProgress(percent);
}

}  // namespace kestrin
