// The AVI writer: the layout of a finished file, the timing arithmetic of its headers,
// and the 4 GB limit (made small here).
#include "image/CImageBuffer.h"
#include "output/CAviWriter.h"
#include "support/AviFile.h"
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>

namespace {

std::string TempName(const char *stem) {
    const auto *info = ::testing::UnitTest::GetInstance()->current_test_info();
    return (std::filesystem::temp_directory_path() / (std::string("vonkel_avi_") + stem + info->name() + ".avi"))
        .string();
}

// A 24-bit frame whose every byte tells which frame it belongs to.
void Paint(CImageBuffer &frame, uint8_t seed) {
    for (size_t i = 0; i < frame.ImageBytes(); ++i)
        frame.Pixels()[i] = static_cast<uint8_t>(seed + i * 7);
}

TEST(AviWriter, AFinishedFileHasTheLayoutPlayersRead) {
    const std::string name = TempName("layout");
    CImageBuffer frame;
    ASSERT_EQ(1, frame.Create(640, 512, 24));
    CAviWriter writer;
    ASSERT_TRUE(writer.Open(name.c_str(), 640, 512));
    for (uint8_t i = 0; i < 3; ++i) {
        Paint(frame, i);
        ASSERT_TRUE(writer.Append(frame));
    }
    ASSERT_TRUE(writer.Finish(AviMeasuredTiming(3, 200, writer.FrameBytes())));
    EXPECT_FALSE(writer.IsOpen());

    const CAviFile avi(name);
    const uint32_t F = 983040, chunk = F + 8;
    ASSERT_EQ(232u + 3 * chunk + 8 + 48, avi.Size());
    EXPECT_EQ("", avi.Consistency());
    const struct {
        size_t offset;
        uint32_t value;
    } fields[] = {
        {4, static_cast<uint32_t>(avi.Size() - 8)}, {16, 200}, {28, 56}, {32, 100000}, {36, F * 10}, {44, 0x10010},
        {48, 3}, {56, 1}, {60, chunk}, {64, 640}, {68, 512}, {92, 124}, {104, 64}, {128, 1000000}, {132, 10000000},
        {140, 3}, {144, chunk}, {176, 40}, {180, 40}, {184, 640}, {188, 512}, {196, 0}, {224, 4 + 3 * chunk},
        {236, F}, {232 + 3 * chunk + 4, 48},
    };
    for (const auto &f : fields)
        EXPECT_EQ(f.value, avi.U32(f.offset)) << "offset " << f.offset;
    EXPECT_EQ(1, avi.U16(192));
    EXPECT_EQ(24, avi.U16(194));
    const struct {
        size_t offset;
        const char *tag;
    } tags[] = {{0, "RIFF"}, {8, "AVI "}, {12, "LIST"}, {20, "hdrl"}, {24, "avih"}, {88, "LIST"},
                {96, "strl"}, {100, "strh"}, {108, "vids"}, {112, "DIB "}, {172, "strf"}, {220, "LIST"},
                {228, "movi"}, {232, "00db"}, {232 + 3 * chunk, "idx1"}};
    for (const auto &t : tags)
        EXPECT_EQ(t.tag, avi.Tag(t.offset)) << "offset " << t.offset;
    for (uint32_t i = 0; i < 3; ++i)
        EXPECT_EQ(4 + i * chunk, avi.U32(avi.IndexOffset() + 8 + 16 * i + 8)) << "index entry " << i;
    Paint(frame, 1);
    EXPECT_EQ(0, std::memcmp(frame.Pixels(), avi.At(232 + chunk + 8), F)) << "the second frame as given";
    std::remove(name.c_str());
}

TEST(AviWriter, TimingComesFromTheMeasuredRate) {
    const uint32_t F = 983040;
    // The span runs from the first frame's arrival to the last one's: frames - 1 intervals.
    const struct {
        uint32_t frames, spanMs;
        AviTiming expected;
    } cases[] = {
        {31, 1000, {3000, 33333, 333333, F * 30}},
        {72, 1000, {7100, 14084, 140845, F * 71}},
        // A recording of time 0: two frames, one interval, played at the speed they came.
        {2, 40, {2500, 40000, 400000, F * 25}},
        // A data rate past 32 bits stays at the largest value instead of wrapping.
        {6, 1, {500000, 200, 2000, 0xFFFFFFFFu}},
        // Below a hundredth of a frame per second, and nothing measured: the opening values.
        {2, 100001, {0, 33333, 333333, F * 30}},
        {1, 500, {0, 33333, 333333, F * 30}},
        {2, 0, {0, 33333, 333333, F * 30}},
        {0, 500, {0, 33333, 333333, F * 30}},
    };
    for (const auto &c : cases) {
        const AviTiming t = AviMeasuredTiming(c.frames, c.spanMs, F);
        EXPECT_EQ(c.expected.rate, t.rate) << c.frames << " in " << c.spanMs;
        EXPECT_EQ(c.expected.microsPerFrame, t.microsPerFrame) << c.frames << " in " << c.spanMs;
        EXPECT_EQ(c.expected.scale, t.scale) << c.frames << " in " << c.spanMs;
        EXPECT_EQ(c.expected.maxBytesPerSecond, t.maxBytesPerSecond) << c.frames << " in " << c.spanMs;
    }
}

TEST(AviWriter, TheFileIsFinishedBeforeItsSizesOverflow) {
    const std::string name = TempName("limit");
    CImageBuffer frame;
    ASSERT_EQ(1, frame.Create(8, 8, 24)); // 192-byte frames
    CAviWriter writer;
    // Room for exactly three frames with their index entries.
    writer.SetSizeLimit(224 + 3 * (192 + 8) + 8 + 3 * 16);
    ASSERT_TRUE(writer.Open(name.c_str(), 8, 8));
    for (int i = 0; i < 3; ++i) {
        EXPECT_TRUE(writer.HasRoomForFrame()) << "frame " << i;
        EXPECT_TRUE(writer.Append(frame)) << "frame " << i;
    }
    EXPECT_FALSE(writer.HasRoomForFrame());
    EXPECT_FALSE(writer.Append(frame));
    EXPECT_TRUE(writer.Finish(AviMeasuredTiming(3, 100, writer.FrameBytes())));
    const CAviFile avi(name);
    EXPECT_EQ("", avi.Consistency());
    EXPECT_EQ(3u, avi.U32(48));
    // At the real limit a 640 x 512 recording holds 4368 frames: the 4369th with its
    // index entry would pass the 32-bit RIFF size.
    const uint64_t chunk = 983048, perFrame = chunk + 16;
    EXPECT_LE(224 + 4368 * perFrame + 8, CAviWriter::kSizeLimit);
    EXPECT_GT(224 + 4369 * perFrame + 8, CAviWriter::kSizeLimit);
    std::remove(name.c_str());
}

TEST(AviWriter, RefusesWhatCannotGoIntoTheFile) {
    const std::string name = TempName("refused");
    CAviWriter writer;
    EXPECT_FALSE(writer.Open("", 640, 512));
    EXPECT_FALSE(writer.Open(name.c_str(), 0, 512));
    EXPECT_FALSE(writer.IsOpen());
    EXPECT_FALSE(std::filesystem::exists(name));
    ASSERT_TRUE(writer.Open(name.c_str(), 16, 8));
    CImageBuffer wrongSize, wrongDepth;
    ASSERT_EQ(1, wrongSize.Create(8, 8, 24));
    ASSERT_EQ(1, wrongDepth.Create(16, 8, 32));
    EXPECT_FALSE(writer.Append(wrongSize));
    EXPECT_FALSE(writer.Append(wrongDepth));
    EXPECT_TRUE(writer.Finish(AviMeasuredTiming(0, 0, writer.FrameBytes())));
    EXPECT_EQ("", CAviFile(name).Consistency());
    std::remove(name.c_str());
}

} // namespace
