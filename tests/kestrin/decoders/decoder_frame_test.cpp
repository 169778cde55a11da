// The shared reading loop, scan buffer, progress and end of a conversion, exercised through
// the OEM decoder object on real and cut recordings.
#include "decoders/decoder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "decoders/framing.h"
#include "decoders/oem_binary.h"
#include "rinex/events_sites.h"
#include "rinex/output_names.h"
#include "support/frames.h"
#include "support/static_file.h"
#include "support/temp_dir.h"

namespace kestrin {
namespace {

using testsupport::TempDir;

void Record(void* context, unsigned int message, long wparam, long) {
    if (message == KESTRIN_MSG_PROGRESS)
        static_cast<std::vector<long>*>(context)->push_back(wparam);
}

// Converts with the process-wide OEM decoder as the dispatcher would, with private
// temporary folders under `tmp`.
struct DirectRun {
    int result = 0;
    std::vector<long> progress;
    long epochs = 0;
    int32_t dataType = 0;
    int32_t systems = 0;
};
DirectRun ConvertDirect(const std::string& path, const std::string& out, const std::string& tmp) {
    setenv("TMPDIR", tmp.c_str(), 1);
    OemBinaryDecoder& d = ProcessOemBinaryDecoder();
    d.info.Init();
    d.info.dataType = 1;
    d.writer.options = ConvertOptions{};
    d.writer.options.fileTitle = FileTitle(path);
    DirectRun run;
    KestrinNotifyTarget target{&Record, &run.progress};
    d.progressTarget = &target;
    run.result = d.Convert(path, out);
    d.progressTarget = nullptr;
    run.epochs = d.writer.EpochsWritten();
    run.dataType = d.info.dataType;
    run.systems = d.info.systemsPresent;
    unsetenv("TMPDIR");
    return run;
}

std::string Fixture(const std::string& name) {
    return testsupport::ReadTestData("novatel/" + name);
}

void ExpectProgressWellFormed(const std::vector<long>& progress) {
    ASSERT_GE(progress.size(), 2u);
    EXPECT_EQ(progress.front(), 0);
    EXPECT_EQ(progress.back(), 100);
    long hundreds = 0;
    for (size_t i = 0; i < progress.size(); ++i) {
        if (progress[i] == 100) ++hundreds;
        if (i > 0) {
            EXPECT_GE(progress[i], progress[i - 1]);
        }
    }
    EXPECT_EQ(hundreds, 1);
}

TEST(DecoderFrame, HeaderOnlyFileConvertsNothingAndLeavesNothing) {
    TempDir dir, out, tmp;
    std::string path = testsupport::WriteStaticFile(dir.path(), "empty.dat", {}, "");
    DirectRun run = ConvertDirect(path, out.path(), tmp.path());
    EXPECT_EQ(run.result, 0);
    EXPECT_EQ(run.epochs, 0);
    EXPECT_EQ(run.progress, (std::vector<long>{0, 100}));
    EXPECT_TRUE(out.Entries().empty());
    EXPECT_TRUE(tmp.Entries().empty());
}

TEST(DecoderFrame, RealRecordingReadInChunksYieldsEveryEpoch) {
    // 120 kB: frames straddle the 32 KiB chunk boundaries.
    TempDir dir, out, tmp;
    std::string path = testsupport::WriteStaticFile(dir.path(), "oemv.dat", {},
                                                    Fixture("oemv_200911218_part.gps"));
    DirectRun run = ConvertDirect(path, out.path(), tmp.path());
    EXPECT_EQ(run.result, 1);
    EXPECT_EQ(run.epochs, 20);
    EXPECT_EQ(run.dataType, 1);
    EXPECT_EQ(run.systems, 1 | 2 | 8);
    ExpectProgressWellFormed(run.progress);
    EXPECT_GT(run.progress.size(), 10u);
    EXPECT_TRUE(tmp.Entries().empty());
}

TEST(DecoderFrame, FalseSyncsInTheHeaderCostNoFrame) {
    testsupport::StaticHeaderFields fields;
    // A sync with a length that fits and one whose length no buffer can hold.
    fields.receiverType = std::string("\xAA\x44\x12\x1C\x2B\x00\x00\x00\x10\x00", 10);
    fields.antennaType = std::string("\xAA\x44\x12\xFF\x2B\x00\x00\x00\xFF\xFF", 10);
    TempDir dir, out, tmp;
    std::string path = testsupport::WriteStaticFile(dir.path(), "sync.dat", fields,
                                                    Fixture("oemv_200911218_part.gps"));
    DirectRun run = ConvertDirect(path, out.path(), tmp.path());
    EXPECT_EQ(run.result, 1);
    EXPECT_EQ(run.epochs, 20);
}

TEST(DecoderFrame, LengthNoChunkCanCompleteDoesNotSwallowTheFramesBehindIt) {
    // A damaged header between two logs announces 65,000 bytes: more than the scan buffer
    // can gather from where it stands, so the frames that follow must still be found.
    std::string fake("\xAA\x44\x12\x1C\x2B\x00\x00\x00\xE8\xFD", 10);
    fake.resize(28, '\0');
    std::string data = Fixture("oemv_200911218_part.gps");
    data.insert(34177, fake);  // a log boundary in the second 32 KiB chunk
    TempDir dir, out, tmp;
    std::string path = testsupport::WriteStaticFile(dir.path(), "len.dat", {}, data);
    DirectRun run = ConvertDirect(path, out.path(), tmp.path());
    EXPECT_EQ(run.result, 1);
    EXPECT_EQ(run.epochs, 20);
}

TEST(DecoderFrame, ProgressMovesThroughJunkWithFakeFrameStarts) {
    // Repeated fake log headers whose lengths point far ahead hold no frame: the progress
    // still moves through them, and the logs behind them are found.
    std::string fake("\xAA\x44\x12\x1C\x2B\x00\x00\x00\x30\x75", 10);
    fake.resize(28, '\0');
    std::string junk;
    while (junk.size() < 100 * 1024) junk += fake;
    TempDir dir, out, tmp;
    const std::string path = testsupport::WriteStaticFile(
        dir.path(), "junk.dat", {}, junk + Fixture("oemv_200911218_part.gps"));
    DirectRun run = ConvertDirect(path, out.path(), tmp.path());
    EXPECT_EQ(run.result, 1);
    EXPECT_EQ(run.epochs, 20);
    ExpectProgressWellFormed(run.progress);
    long between = 0;
    for (long p : run.progress) between += p > 0 && p < 50;
    EXPECT_GT(between, 0);  // the junk is most of the file
}

TEST(DecoderFrame, SiteSyncMetByChanceDoesNotSwallowTheFramesBehindIt) {
    // B7 59 between two logs with a payload length that no buffer can gather from where it
    // stands: the bytes are no site record, and the logs behind them must still be found,
    // whether the last chunk is still to come or already read.
    const std::string fake("\xB7\x59\x00\x01\xFF\xFF", 6);
    for (size_t at : {size_t{34177}, size_t{103251}}) {
        std::string data = Fixture("oemv_200911218_part.gps");
        data.insert(at, fake);  // log boundaries
        TempDir dir, out, tmp;
        std::string path = testsupport::WriteStaticFile(dir.path(), "site.dat", {}, data);
        DirectRun run = ConvertDirect(path, out.path(), tmp.path());
        EXPECT_EQ(run.result, 1) << at;
        EXPECT_EQ(run.epochs, 20) << at;
    }
}

// An in-stream site record of `type` with `payload` bytes, CRC most significant byte first.
std::string SiteRecord(uint8_t type, const std::string& payload) {
    std::string r("\xB7\x59\x00", 3);
    r += static_cast<char>(type);
    r += static_cast<char>(payload.size() & 0xFF);
    r += static_cast<char>(payload.size() >> 8);
    r += payload;
    const uint16_t crc = Crc16X25(reinterpret_cast<const uint8_t*>(r.data()) + 2, r.size() - 2);
    r += static_cast<char>(crc >> 8);
    r += static_cast<char>(crc & 0xFF);
    return r;
}

TEST(DecoderFrame, OccupationEndAtTheVeryEndOfTheFileIsKept) {
    // The surveyor ends the occupation and the recording stops: the end record is the last
    // thing in the file, shorter than a log header. Whatever follows it, it must be read.
    std::string start = SiteRecord(1, "POINT-A" + std::string(33, ' '));
    const std::string end = SiteRecord(2, "");
    for (size_t tail : {size_t{0}, size_t{5}, size_t{40}}) {
        std::string data = Fixture("oemv_200911218_part.gps");
        data.insert(34177, start);  // a log boundary, after the first epochs
        data += end + std::string(tail, '\0');
        TempDir dir, out, tmp;
        std::string path = testsupport::WriteStaticFile(dir.path(), "occ.dat", {}, data);
        DirectRun run = ConvertDirect(path, out.path(), tmp.path());
        ASSERT_EQ(run.result, 1) << tail;
        EXPECT_EQ(run.epochs, 20) << tail;
        std::string obs = testsupport::ReadFile(out.File("occ.09O"));
        const std::string endLine = ">" + std::string(28, ' ') + "  2  1\n";
        EXPECT_NE(obs.find(endLine), std::string::npos) << tail;
    }
}

TEST(DecoderFrame, SiteSyncWithAnImplausibleLengthIsNoRecord) {
    // Real site records carry at most 66 payload bytes. A B7 59 announcing kilobytes is
    // passed over at once, even with a CRC that happens to hold, and so are repeated ones
    // (whose CRCs would otherwise be computed at every offset).
    std::string bogus = SiteRecord(1, "FAR-AWAY" + std::string(1992, ' '));
    std::string repeated;
    for (int i = 0; i < 2000; ++i) repeated += std::string("\xB7\x59\x00\x01\x00\x7F", 6);
    for (const std::string& inserted : {bogus, repeated}) {
        std::string data = Fixture("oemv_200911218_part.gps");
        data.insert(34177, inserted);
        TempDir dir, out, tmp;
        std::string path = testsupport::WriteStaticFile(dir.path(), "far.dat", {}, data);
        DirectRun run = ConvertDirect(path, out.path(), tmp.path());
        ASSERT_EQ(run.result, 1);
        EXPECT_EQ(run.epochs, 20);
        std::string obs = testsupport::ReadFile(out.File("far.09O"));
        EXPECT_EQ(obs.find("FAR-AWAY"), std::string::npos);
    }
}

TEST(DecoderFrame, CorruptedFrameIsSkippedAndTheStreamResynchronises) {
    std::string data = Fixture("oemv_200911218_part.gps");
    // Flip a byte inside the first RANGECMP body (frame at 9501): that epoch is lost only.
    data[9501 + 28 + 100] = static_cast<char>(data[9501 + 28 + 100] ^ 0x40);
    TempDir dir, out, tmp;
    std::string path = testsupport::WriteStaticFile(dir.path(), "bad.dat", {}, data);
    DirectRun run = ConvertDirect(path, out.path(), tmp.path());
    EXPECT_EQ(run.result, 1);
    EXPECT_EQ(run.epochs, 19);
}

TEST(DecoderFrame, FileWithoutObservationLogsGivesNoResult) {
    TempDir dir, out, tmp;
    std::string path = testsupport::WriteStaticFile(dir.path(), "has.dat", {},
                                                    Fixture("20230819-053733has_part.nov"));
    DirectRun run = ConvertDirect(path, out.path(), tmp.path());
    EXPECT_EQ(run.result, 0);
    EXPECT_TRUE(out.Entries().empty());
    EXPECT_TRUE(tmp.Entries().empty());
    ExpectProgressWellFormed(run.progress);
}

TEST(DecoderFrame, MissingInputFails) {
    TempDir out, tmp;
    DirectRun run = ConvertDirect(out.File("nothing.dat"), out.path(), tmp.path());
    EXPECT_EQ(run.result, 0);
    EXPECT_TRUE(run.progress.empty());
    EXPECT_TRUE(tmp.Entries().empty());
}

TEST(DecoderFrame, CutRecordingsConvertOrFailCleanly) {
    std::mt19937 random(20091218);
    for (const char* name :
         {"oemv_200911218_part.gps", "20230819-061342qlnav.nov", "20230819-053733has_part.nov"}) {
        std::string data = Fixture(name);
        std::uniform_int_distribution<size_t> cut(0, data.size());
        for (int i = 0; i < 6; ++i) {
            size_t length = cut(random);
            TempDir dir, out, tmp;
            std::string path =
                testsupport::WriteStaticFile(dir.path(), "cut.dat", {}, data.substr(0, length));
            DirectRun run = ConvertDirect(path, out.path(), tmp.path());
            EXPECT_EQ(run.result == 1, run.epochs > 0) << name << " cut at " << length;
            ExpectProgressWellFormed(run.progress);
            EXPECT_TRUE(tmp.Entries().empty()) << name << " cut at " << length;
            if (run.result == 0) {
                EXPECT_TRUE(out.Entries().empty());
            }
        }
    }
}

TEST(DecoderFrame, DamagedRecordingsNeverReadOutsideTheirFrames) {
    // Random bytes overwritten, with the CRC of the damaged frames repaired, so that corrupt
    // counts, lengths, numbers and fields reach the log decoders.
    std::mt19937 random(7);
    for (const char* name : {"oemv_200911218_part.gps", "20230819-061342qlnav.nov"}) {
        const std::string original = Fixture(name);
        std::vector<size_t> frames;
        for (size_t i = 0; i + 28 <= original.size(); ++i) {
            if (original.compare(i, 3, "\xAA\x44\x12") == 0) frames.push_back(i);
        }
        ASSERT_FALSE(frames.empty());
        std::uniform_int_distribution<size_t> pick(0, frames.size() - 1);
        std::uniform_int_distribution<int> byte(0, 255);
        for (int round = 0; round < 8; ++round) {
            std::string data = original;
            for (int k = 0; k < 40; ++k) {
                size_t start = frames[pick(random)];
                ByteView view(data.data() + start, data.size() - start);
                size_t length = view.U8(3) + view.U16(8) + 4u;
                if (start + length > data.size() || length < 33) continue;
                std::uniform_int_distribution<size_t> at(4, length - 5);
                for (int n = 0; n < 3; ++n)
                    data[start + at(random)] = static_cast<char>(byte(random));
                uint32_t crc = OemCrc32(ByteView(data.data() + start, length - 4));
                std::memcpy(&data[start + length - 4], &crc, 4);
            }
            TempDir dir, out, tmp;
            std::string path = testsupport::WriteStaticFile(dir.path(), "damaged.dat", {}, data);
            DirectRun run = ConvertDirect(path, out.path(), tmp.path());
            ExpectProgressWellFormed(run.progress);
            EXPECT_TRUE(tmp.Entries().empty());
        }
    }
}

// One RANGE block: raw PRN field, tracking status; range and phase of a plausible signal.
std::string RangeLog(uint16_t prn, uint32_t status, uint16_t week, int32_t ms) {
    std::string body(4 + 44, '\0');
    uint32_t count = 1;
    double range = 2.1e7, adr = -1.1e8;
    float cn0 = 45.0f;
    std::memcpy(&body[0], &count, 4);
    std::memcpy(&body[4], &prn, 2);
    std::memcpy(&body[8], &range, 8);
    std::memcpy(&body[20], &adr, 8);
    std::memcpy(&body[36], &cn0, 4);
    std::memcpy(&body[44], &status, 4);
    return testsupport::OemFrame(43, body, week, ms);
}
constexpr uint32_t kLocked = (1u << 10) | (1u << 11) | (1u << 12);
constexpr uint32_t kBeidou = 4u << 16;

TEST(DecoderFrame, BeidouNumberingSwitchesTheSubFormatTheWritersSee) {
    struct Case {
        uint16_t raw;
        int32_t expected;
    };
    for (const Case& c : {Case{143, 5}, Case{163, 6}, Case{3, 1}}) {
        std::string data = RangeLog(c.raw, kBeidou | kLocked, 1562, 515220000) +
                           RangeLog(c.raw, kBeidou | kLocked, 1562, 515221000);
        TempDir dir, out, tmp;
        std::string path = testsupport::WriteStaticFile(dir.path(), "bds.dat", {}, data);
        DirectRun run = ConvertDirect(path, out.path(), tmp.path());
        EXPECT_EQ(run.result, 1) << c.raw;
        EXPECT_EQ(run.dataType, c.expected) << c.raw;
        EXPECT_EQ(run.systems, 4) << c.raw;
        std::string obs = testsupport::ReadFile(out.File("bds.09O"));
        EXPECT_NE(obs.find("\nC03 "), std::string::npos) << c.raw;
    }
}

TEST(DecoderFrame, LogsWithoutTimeGiveNoEpoch) {
    std::string data = RangeLog(5, kLocked, 0, 4000) + RangeLog(5, kLocked, 1562, 515220000) +
                       RangeLog(5, kLocked, 1562, 515221000);
    TempDir dir, out, tmp;
    std::string path = testsupport::WriteStaticFile(dir.path(), "notime.dat", {}, data);
    DirectRun run = ConvertDirect(path, out.path(), tmp.path());
    EXPECT_EQ(run.result, 1);
    EXPECT_EQ(run.epochs, 2);
}

TEST(DecoderFrame, GlonassSlotTableKeepsLearnedValuesAcrossConversions) {
    OemBinaryDecoder& decoder = ProcessOemBinaryDecoder();
    const GlonassSlotTable saved = decoder.glonassSlots;
    ASSERT_EQ(decoder.glonassSlots[10], -7);
    std::string eph(148, '\0');
    uint16_t slot = 10 + 37, freq = 9, week = 1562;
    uint32_t ms = 515700000;
    std::memcpy(&eph[0], &slot, 2);
    std::memcpy(&eph[2], &freq, 2);
    std::memcpy(&eph[6], &week, 2);
    std::memcpy(&eph[8], &ms, 4);
    std::string data =
        testsupport::OemFrame(723, eph, 1562, 515220000) + RangeLog(5, kLocked, 1562, 515220000);
    TempDir dir, out, tmp;
    std::string path = testsupport::WriteStaticFile(dir.path(), "glo.dat", {}, data);
    ConvertDirect(path, out.path(), tmp.path());
    EXPECT_EQ(decoder.glonassSlots[10], 2);
    // A later conversion without GLONASS ephemerides keeps the learned value.
    std::string second = testsupport::WriteStaticFile(dir.path(), "gps.dat", {},
                                                      RangeLog(5, kLocked, 1562, 515220000));
    ConvertDirect(second, out.path(), tmp.path());
    EXPECT_EQ(decoder.glonassSlots[10], 2);
    decoder.glonassSlots = saved;
}

}  // namespace
}  // namespace kestrin
