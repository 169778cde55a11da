// The frame the board-format decoders share: one process-wide object per format that reads
// a raw file in 32 KiB chunks through a 64 KiB scan buffer, lets its format find and decode
// the frames, hands in-stream site records to the writer, checks the epoch flush after every
// frame, reports progress and, at the end, writes the remaining epochs and assembles the
// output files.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/raw_converter.h"
#include "decoders/byte_view.h"
#include "decoders/obs_rules.h"
#include "decoders/sink.h"
#include "kestrin/kestrin.h"
#include "kestrin/records.h"

namespace kestrin {

constexpr size_t kReadChunkSize = 32768;
constexpr size_t kScanBufferSize = 65536;

class DecoderFrame : public DecoderSink {
  public:
    DecoderFrame();
    virtual ~DecoderFrame();
    DecoderFrame(const DecoderFrame&) = delete;
    DecoderFrame& operator=(const DecoderFrame&) = delete;

    // Copied in by the dispatcher before every conversion.
    HeaderInfo info;
    RawConverter writer;
    KestrinNotifyTarget* progressTarget = nullptr;

    // Converts one raw file into the output folder: 1 on success, 0 when the file cannot be
    // read, nothing could be set up, or no epoch was written (nothing is left behind then).
    int Convert(const std::string& inputPath, const std::string& outputFolder);

    // The sink the format's decoding hands its results to (see decoders/sink.h).
    const ConvertOptions& Options() const override { return writer.options; }
    const HeaderInfo& Header() const override { return info; }
    GnssTime LastEpochTime() const override;
    void MarkSignalUsed(int32_t sysCode, int32_t prn, int slot) override;
    // Applies the lock-time slip rule and appends a complete epoch to the epoch list.
    void AddEpoch(OBSERVATIONS&& epoch) override;
    void NoteSignal(int32_t sysCode, int32_t prn, const BlockData& block) override;
    void AddKeplerEphemeris(const KeplerEphemeris& eph) override;
    void AddGlonassEphemeris(const gEphemeris& eph) override;
    const IonoUtcParams& IonoUtc(int set) const override;
    void SetIonoUtc(int set, const IonoUtcParams& params) override;
    void SetLeapSeconds(int32_t seconds) override;
    int32_t LeapSeconds() const override { return writer.leapSeconds; }
    void AddEvent(EventMark mark) override;
    void SetGlonassChannel(int slot, int frequencyNumber) override;
    void AddSbasMessageText(const std::string& text) override;
    void AddAlmanac(const AlmanacRecord& almanac) override;
    void SetBoardVariant(int32_t dataType) override { workingDataType = dataType; }

  protected:
    enum class Step {
        kNoFrame,     // no sync of the format here: test for a site record, else move one byte
        kIncomplete,  // a frame runs past the buffered data: wait (`length`: its size, 0 = not
                      // yet known)
        kSkip,        // not a usable frame: move on by `length` bytes without decoding
        kDecoded,     // a frame of `length` bytes was decoded
    };
    struct ScanResult {
        Step step = Step::kNoFrame;
        size_t length = 0;
    };
    // Examines the buffered bytes from the scan offset on and decodes a complete frame.
    virtual ScanResult ScanAt(ByteView rest) = 0;
    // Clears the format's per-run state at the start of a conversion.
    virtual void ResetRunState() {}
    // Hands on what the format still holds once the whole file is read (an epoch being
    // assembled from several frames, say).
    virtual void EndOfData() {}
    // Formats whose streams carry the in-stream site record (all but RTCM 3 and BINEX).
    virtual bool ScansSiteRecords() const { return true; }
    // The output profile of the board variant (data type) met in the data; the writers read
    // it instead of the data type.
    virtual BoardProfile Profile(int32_t /*variant*/) const { return {}; }

    std::vector<OBSERVATIONS>& Epochs() { return nav_->epochs; }
    NavigationBlock& Navigation() { return *nav_; }

    int32_t workingDataType = 0;  // the data type as met in the data (sub-format)
    // What the format's board reports about tracking continuity, per system; set once by
    // the format (the loss-of-lock rule of every epoch reads it).
    LockReportingBySystem lockReporting{};

  private:
    int Run(const std::string& inputPath, const std::string& outputFolder);
    size_t ScanBuffer(uint64_t bufferStart, uint64_t fileLength, uint64_t unread);
    static bool CanComplete(size_t pending, size_t frameLength, uint64_t unread);
    long TakeSiteRecord(ByteView rest, uint64_t unread);
    void SendProgress(int percent);
    void SendRunningProgress(uint64_t position, uint64_t fileLength);
    // Appends text to a side file of the writer, creating it in the private temporary folder
    // on first use; a failed write drops the side file (it would be incomplete).
    void AppendSideText(std::string& path, const char* suffix, const std::string& text);

    std::vector<uint8_t> scan_;
    size_t fill_ = 0;
    // File position behind the last decoded frame: after a long run without one, the scan
    // takes the data for junk and passes over frame candidates longer than a short window,
    // so that fake frame starts announcing far lengths cannot make it checksum the same bytes
    // again and again.
    uint64_t lastFrameEnd_ = 0;
    LockTimeTable lockTimes_;
    std::unique_ptr<NavigationBlock> nav_;
    AfterTreatment currentSegment_;
    int lastPercent_ = -1;
    GnssTime lastEpochTime_;
    bool sideFileFailed_ = false;
};

}  // namespace kestrin
