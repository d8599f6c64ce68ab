// Flat-field correction, dot repair, repair of listed pixels, and the defect maps.
#include "ProcessingFixture.h"
#include "image/DefectFilters.h"

namespace {

TEST_F(Processing, MaskFilterWithEqualReferencesLeavesThePixel) {
    Prepare(8);
    camera.SetFilterValue(103, 1);
    CImageBuffer &dark = *camera.Buffer(kDark8), &bright = *camera.Buffer(kBright8);
    Put(dark, 100, 100, 80);
    Put(bright, 100, 100, 80);
    Put(dark, 100, 101, 50);
    Put(bright, 100, 101, 150);
    Fill([](int, int) { return 90; });
    Process();
    EXPECT_EQ(90, At(Raw(), 100, 100)) << "B == D: left alone";
    EXPECT_EQ((90 - 50) * 256 / 100, At(Raw(), 100, 101));
    EXPECT_EQ(90, At(Raw(), 100, 102)) << "the initial references are the identity";
    EXPECT_EQ(90, At(Raw(), 0, 0)) << "the margin of a full window";
}

TEST_F(Processing, MaskFilterLimitsSixteenBitSamplesToFullScale) {
    Prepare(16);
    camera.SetFilterValue(103, 1);
    Put(*camera.Buffer(kBright16), 200, 300, 2000);
    Fill([](int, int) { return 3000; });
    Process();
    EXPECT_EQ(4095, At(Raw(), 200, 300));
    EXPECT_EQ(3000, At(Raw(), 200, 301));
}

TEST_F(Processing, DotFilterReplacesOutliersAndKeepsSmallDeviations) {
    Prepare(8);
    camera.SetFilterValue(102, 1);
    Fill([](int, int) { return 100; });
    Put(Raw(), 50, 60, 140); // 40 above its neighbours
    Put(Raw(), 80, 90, 120); // 20 above
    Process();
    EXPECT_EQ(100, At(Raw(), 50, 60));
    EXPECT_EQ(120, At(Raw(), 80, 90));
}

TEST_F(Processing, DotFilterRepairsFlaggedPixelsFromUnmarkedNeighbours) {
    Prepare(8);
    camera.SetFilterValue(102, 1);
    // A hot pixel from the map, its right neighbour marked too: the repair reaches past it.
    Put(*camera.Buffer(kHot8), 40, 40, 1);
    Fill([](int r, int c) { return c >= 40 && c <= 41 && r == 40 ? 255 : (c + r) % 7 + 50; });
    const int left = At(Raw(), 40, 39), right = At(Raw(), 40, 42), up = At(Raw(), 39, 40), down = At(Raw(), 41, 40);
    Process();
    EXPECT_EQ((left + right + up + down) / 4, At(Raw(), 40, 40));
}

TEST(DefectMaps, ThresholdsAndTheUntouchedBorder) {
    CImageBuffer dark, hot;
    ASSERT_EQ(1, dark.Create(640, 512, 8));
    ASSERT_EQ(1, hot.Create(640, 512, 8));
    dark.Row(100)[100] = 200;
    dark.Row(100)[101] = 192;
    dark.Row(1)[100] = 255;
    dark.Row(100)[638] = 255;
    ASSERT_TRUE(defect::BuildDefectMap(dark, hot, 0));
    EXPECT_EQ(1, hot.Row(100)[100]);
    EXPECT_EQ(0, hot.Row(100)[101]);
    EXPECT_EQ(0, hot.Row(1)[100]);
    EXPECT_EQ(0, hot.Row(100)[638]);
    EXPECT_FALSE(defect::BuildDefectMap(dark, hot, 2));
}

TEST(ListedPixels, MappingFollowsTheWindowAndMirrors) {
    // A 640 x 512 picture, vertical window flag on: sensor row y lands on memory row y.
    auto view = defect::ViewOf(0, 0, 640, 512, false, true, false, false);
    EXPECT_EQ(0, view.y0);
    EXPECT_EQ(511, view.y1);
    // A partial window counts its rows from the far end of the sensor...
    view = defect::ViewOf(0, 100, 640, 200, false, true, false, false);
    EXPECT_EQ(212, view.y0);
    EXPECT_EQ(411, view.y1);
    // ...unless the picture is mirrored vertically.
    view = defect::ViewOf(0, 100, 640, 200, false, true, false, true);
    EXPECT_EQ(100, view.y0);
    EXPECT_EQ(299, view.y1);
    view = defect::ViewOf(16, 0, 320, 512, true, true, true, false);
    EXPECT_EQ(304, view.x0);
    EXPECT_EQ(623, view.x1);
}

TEST(ListedPixels, RepairUsesUnlistedNeighboursOnly) {
    CImageBuffer raw;
    ASSERT_EQ(1, raw.Create(16, 16, 8));
    for (int r = 0; r < 16; ++r)
        for (int c = 0; c < 16; ++c)
            raw.Row(r)[c] = static_cast<uint8_t>(10 * c + r);
    // Sensor (5, 3) and its right neighbour (6, 3); k = 3 is memory row 12.
    std::vector<DefectPoint> points{{5, 3}, {6, 3}, {600, 500}};
    defect::SensorView view{0, 15, 0, 15, false, false};
    const int left = raw.Row(12)[4], right = raw.Row(12)[7], up = raw.Row(11)[5], down = raw.Row(13)[5];
    defect::RepairListed(raw, points, view);
    EXPECT_EQ((left + right + up + down) / 4, raw.Row(12)[5]);
}

TEST(ListedPixels, PointsOffTheSensorAreInNoMirroredPicture) {
    CImageBuffer raw;
    ASSERT_EQ(1, raw.Create(640, 512, 16));
    std::fill(raw.Pixels(), raw.Pixels() + raw.ImageBytes(), uint8_t(0x21));
    const std::vector<uint8_t> before(raw.Pixels(), raw.Pixels() + raw.ImageBytes());
    const std::vector<DefectPoint> points{{INT32_MIN, INT32_MIN}, {INT32_MAX, 3}, {-1, 511}, {640, 0}, {0, 512}};
    defect::RepairListed(raw, points, defect::ViewOf(0, 0, 640, 512, true, true, true, true));
    EXPECT_TRUE(std::equal(before.begin(), before.end(), raw.Pixels()));
}

TEST_F(Processing, ConfigFilterRepairsTheListedPixelsOfEveryFrame) {
    Prepare(8);
    Fill([](int, int) { return 60; });
    Put(Raw(), 511 - 3, 5, 250); // sensor (5, 3) of a full picture is memory row 508
    const std::string path = ::testing::TempDir() + "vonkel_defects.bin";
    FILE *f = std::fopen(path.c_str(), "wb");
    ASSERT_NE(nullptr, f);
    const int32_t record[2] = {5, 3};
    std::fwrite(record, sizeof record, 1, f);
    std::fclose(f);
    ASSERT_EQ(1, camera.LoadConfigFile(path.c_str()));
    Process();
    EXPECT_EQ(250, At(Raw(), 508, 5)) << "the list waits for the filter";
    ASSERT_EQ(1, camera.SetConfigFilter(1));
    Process();
    EXPECT_EQ(60, At(Raw(), 508, 5));
    std::remove(path.c_str());
}

// A subsampled window: frame pixel (20, 30) sits on the sensor at (32 + 2 * 20, 64 + 2 * 30),
// and that is where the sensor-sized references and maps must be read.
TEST_F(Processing, DefectCorrectionsReadTheReferencesAtTheSensorPosition) {
    ASSERT_EQ(1, camera.SetSubSample(1));
    ASSERT_EQ(1, camera.SetCaptureWindowEx(640, 64, 320, 512, 32, 256));
    Prepare(8);
    camera.SetFilterValue(103, 1);
    Put(*camera.Buffer(kDark8), 72, 124, 50);
    Put(*camera.Buffer(kBright8), 72, 124, 150);
    Fill([](int, int) { return 90; });
    Process();
    EXPECT_EQ((90 - 50) * 256 / 100, At(Raw(), 20, 30));
    EXPECT_EQ(90, At(Raw(), 52, 94)) << "not at the frame coordinates plus the offset";

    camera.SetFilterValue(103, 0);
    camera.SetFilterValue(102, 1);
    Put(*camera.Buffer(kHot8), 72, 124, 1);
    Fill([](int r, int c) { return r == 20 && c == 30 ? 110 : 100; }); // too small a step to be a dot
    Process();
    EXPECT_EQ(100, At(Raw(), 20, 30)) << "the hot map flags it";
}

TEST(ListedPixels, SubsampledPicturesShowEverySecondSensorPixel) {
    CImageBuffer raw;
    ASSERT_EQ(1, raw.Create(16, 16, 8));
    for (int r = 0; r < 16; ++r)
        for (int c = 0; c < 16; ++c)
            raw.Row(r)[c] = static_cast<uint8_t>(10 * c + r);
    const std::vector<uint8_t> before(raw.Pixels(), raw.Pixels() + raw.ImageBytes());
    defect::SensorView view{0, 31, 0, 31, false, false, 2};
    // Sensor (6, 4): column 3, k = 2, memory row 13. Sensor (5, 4) is not in the picture.
    defect::RepairListed(raw, {{6, 4}, {5, 4}}, view);
    EXPECT_EQ((before[13 * 16 + 2] + before[13 * 16 + 4] + before[12 * 16 + 3] + before[14 * 16 + 3]) / 4,
              raw.Row(13)[3]);
    raw.Row(13)[3] = before[13 * 16 + 3];
    EXPECT_TRUE(std::equal(before.begin(), before.end(), raw.Pixels())) << "nothing else changed";
}

} // namespace
