#include <gtest/gtest.h>

#include <random>
#include <string>

#include "core/detect.h"
#include "core/static_header.h"
#include "support/bytes.h"
#include "support/frames.h"
#include "support/static_file.h"
#include "support/temp_dir.h"

using namespace kestrin;
namespace ts = testsupport;

namespace {

int Detect(const std::string& bytes) {
    // An exactly sized heap copy, so that the sanitizers catch any read past the sample.
    std::vector<uint8_t> copy(bytes.begin(), bytes.end());
    return DetectDataType(copy.data(), copy.size());
}

std::string Repeat(const std::string& frame, int count) {
    std::string out;
    for (int i = 0; i < count; ++i) out += frame;
    return out;
}

const std::string kBody(32, '\x11');

}  // namespace

TEST(Detect, EachFormatIsRecognisedByItsFrames) {
    const struct {
        const char* name;
        std::string frames;
        int type;
    } cases[] = {
        {"oem", Repeat(ts::OemFrame(43, kBody), 2), 1},
        {"mulx", Repeat(ts::MulxFrame(1001, kBody), 2), 3},
        {"hemisphere", Repeat(ts::HemisphereFrame(96, kBody), 2), 4},
        {"rtcm3", Repeat(ts::Rtcm3Message(1077, 20), 2), 7},
        {"binex obs", Repeat(ts::BinexRecordBytes(0x7F, kBody), 2), 8},
        {"binex nav big-endian", Repeat(ts::BinexRecordBytes(0x01, kBody, true), 2), 8},
        {"binex 7E", ts::BinexRecordBytes(0x7E, kBody), 8},
        {"rt17 raw", Repeat(ts::Rt17Packet(0x57, kBody), 2), 9},
        {"rt17 nav", ts::Rt17Packet(0x55, kBody), 9},
        {"ubx rawx", Repeat(ts::UbxFrame(0x02, 0x15, kBody), 2), 10},
        {"ubx sfrbx", ts::UbxFrame(0x02, 0x13, kBody), 10},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Detect(c.frames), c.type) << c.name;
        EXPECT_EQ(Detect("garbage before" + c.frames + "and after"), c.type) << c.name;
    }
}

TEST(Detect, FramesTheDetectorDoesNotCount) {
    const struct {
        const char* name;
        std::string bytes;
    } cases[] = {
        {"ubx navigation message", Repeat(ts::UbxFrame(0x01, 0x07, kBody), 3)},
        {"binex site record", ts::BinexRecordBytes(0x00, kBody)},
        {"reversible binex", ts::BinexRecordBytes(0x7F, kBody, false, true)},
        {"rt17 of another packet type", ts::Rt17Packet(0x40, kBody)},
        {"oem with a broken crc",
         [] {
             std::string f = ts::OemFrame(43, kBody);
             f[40] ^= 1;
             return f;
         }()},
        {"a frame cut by the end of the sample", ts::OemFrame(43, kBody).substr(0, 50)},
        {"a sample shorter than ten bytes", ts::Rt17Packet(0x57, "")},
        {"empty", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(Detect(c.bytes), 0) << c.name;
}

TEST(Detect, MostFramesWinAndTiesGoToTheLowerType) {
    const std::string oem = ts::OemFrame(140, kBody), rtcm = ts::Rtcm3Message(1004, 20);
    EXPECT_EQ(Detect(Repeat(oem, 3) + Repeat(rtcm, 3)), 1);
    EXPECT_EQ(Detect(Repeat(rtcm, 3) + Repeat(oem, 3)), 1);
    EXPECT_EQ(Detect(Repeat(oem, 3) + Repeat(rtcm, 4)), 7);
    const std::string ubx = ts::UbxFrame(0x02, 0x15, kBody);
    EXPECT_EQ(Detect(Repeat(ubx, 2) + Repeat(rtcm, 2)), 7);
    EXPECT_EQ(Detect(Repeat(ubx, 3) + Repeat(rtcm, 2)), 10);
}

TEST(Detect, RandomBytesGiveNothing) {
    std::mt19937 random(20240611);
    std::string bytes(1 << 20, '\0');
    for (char& c : bytes) c = static_cast<char>(random());
    EXPECT_EQ(Detect(bytes), 0);
}

TEST(Detect, SyncBytesWithLengthsBeyondTheSample) {
    // Every format's sync with the largest length its header can declare, packed densely.
    const std::string bytes = ts::Bytes()
                                  .Raw("\xAA\x44\x12\xFF")
                                  .U16(43)
                                  .U16(0)
                                  .U16(0xFFFF)
                                  .Zeros(4)
                                  .Raw("$BIN")
                                  .U16(1)
                                  .U16(0xFFFF)
                                  .Raw("@MULX")
                                  .U16(0)
                                  .U16(0xFFFF)
                                  .U16(1001)
                                  .U8(2)
                                  .U8(0)
                                  .U8(0x57)
                                  .U8(0xFF)
                                  .U8(0xD3)
                                  .U8(0x03)
                                  .U8(0xFF)
                                  .Raw("\xB5\x62\x02\x15")
                                  .U16(0xFFFF)
                                  .Raw("\xC2\x7F\xFF\xFF\xFF\xFF")
                                  .Zeros(3)
                                  .str();
    EXPECT_EQ(Detect(Repeat(bytes, 1000)), 0);
}

TEST(Detect, OnlyTheFirstMebibyteOfAFileIsLookedAt) {
    ts::TempDir dir;
    const std::string frames = Repeat(ts::Rtcm3Message(1005, 19), 3);
    HeaderInfo info;
    // Frames behind 1 MiB of zeros (counted from the file start) are not seen.
    std::string data(kDetectSampleLimit - kStaticHeaderSize, '\0');
    EXPECT_FALSE(
        ReadStaticHeader(ts::WriteStaticFile(dir.path(), "late.dat", {}, data + frames), info));
    EXPECT_EQ(info.dataType, 0);
    // The same frames ending exactly at 1 MiB are.
    data.resize(data.size() - frames.size());
    ASSERT_TRUE(
        ReadStaticHeader(ts::WriteStaticFile(dir.path(), "edge.dat", {}, data + frames), info));
    EXPECT_EQ(info.dataType, 7);
}

TEST(Detect, HeaderBytesAreNotPartOfTheSample) {
    // Point name and receiver texts made of RTCM 3 frames: detection starts after the header.
    ts::TempDir dir;
    ts::StaticHeaderFields f;
    const std::string rtcm = ts::Rtcm3Frame("");
    f.antennaType = rtcm + rtcm + rtcm;
    f.receiverType = rtcm + rtcm + rtcm;
    HeaderInfo info;
    EXPECT_TRUE(ReadStaticHeader(
        ts::WriteStaticFile(dir.path(), "s.dat", f, Repeat(ts::OemFrame(43, kBody), 2)), info));
    EXPECT_EQ(info.dataType, 1);
}

TEST(Detect, RealRecordingsBehindAStaticHeader) {
    const struct {
        const char* file;
        int type;
    } cases[] = {
        {"novatel/oemv_200911218_head.gps", 1}, {"hemisphere/cres_20080526_head.bin", 4},
        {"rtcm3/GMSD7_20121014_head.rtcm3", 7}, {"trimble/rt17c_20140706_head.rt17", 9},
        {"ubx/20230919-114418_head.ubx", 10},
    };
    ts::TempDir dir;
    for (const auto& c : cases) {
        const std::string data = ts::ReadTestData(c.file);
        ASSERT_FALSE(data.empty()) << c.file;
        EXPECT_EQ(Detect(data), c.type) << c.file;
        HeaderInfo info;
        EXPECT_TRUE(ReadStaticHeader(ts::WriteStaticFile(dir.path(), "rec.dat", {}, data), info))
            << c.file;
        EXPECT_EQ(info.dataType, c.type) << c.file;
    }
}
