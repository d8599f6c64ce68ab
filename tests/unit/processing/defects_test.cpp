// Flat-field correction, dot repair, repair of listed pixels, and the defect maps.
#include "ProcessingFixture.h"
#include "image/DefectFilters.h"
#include "model/WindowTiming.h"
#include <algorithm>
#include <cstdio>
#include <functional>
#include <string>

namespace {

// Gives the camera a configuration file that lists `points`.
void LoadList(CVonkel &camera, const std::vector<DefectPoint> &points) {
    const std::string path = ::testing::TempDir() + "vonkel_defects.bin";
    FILE *f = std::fopen(path.c_str(), "wb");
    ASSERT_NE(nullptr, f);
    for (const DefectPoint &p : points)
        std::fwrite(&p, sizeof p, 1, f);
    std::fclose(f);
    ASSERT_EQ(1, camera.LoadConfigFile(path.c_str()));
    std::remove(path.c_str());
}

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
    // A listed y is the sensor row 511 - y.
    auto listedY = [](const SensorReadout &readout, int row) { return 511 - SensorRow(readout, row); };
    SensorReadout readout = ReadoutOf(0, 0, 640, 512, 0, false, false);
    EXPECT_EQ(511, listedY(readout, 0));
    EXPECT_EQ(0, listedY(readout, 511));
    // A partial window counts its rows from the far end of the sensor...
    readout = ReadoutOf(0, 100, 640, 200, 0, false, false);
    EXPECT_EQ(411, listedY(readout, 0));
    EXPECT_EQ(212, listedY(readout, 199));
    // ...and from the near end when mirrored vertically.
    readout = ReadoutOf(0, 100, 640, 200, 0, false, true);
    EXPECT_EQ(212, listedY(readout, 0));
    EXPECT_EQ(411, listedY(readout, 199));
    readout = ReadoutOf(16, 0, 320, 512, 0, true, false);
    EXPECT_EQ(335, SensorColumn(readout, 0));
    EXPECT_EQ(16, SensorColumn(readout, 319));
}

TEST(ListedPixels, RepairUsesUnlistedNeighboursOnly) {
    CImageBuffer raw;
    ASSERT_EQ(1, raw.Create(16, 16, 8));
    for (int r = 0; r < 16; ++r)
        for (int c = 0; c < 16; ++c)
            raw.Row(r)[c] = static_cast<uint8_t>(10 * c + r);
    // Sensor (5, 3) and its right neighbour (6, 3): sensor row 508 is memory row 12.
    std::vector<DefectPoint> points{{5, 3}, {6, 3}, {600, 500}};
    const SensorReadout readout{0, 496, 16, 16};
    const int left = raw.Row(12)[4], right = raw.Row(12)[7], up = raw.Row(11)[5], down = raw.Row(13)[5];
    defect::RepairListed(raw, points, readout);
    EXPECT_EQ((left + right + up + down) / 4, raw.Row(12)[5]);
}

TEST(ListedPixels, PointsOffTheSensorAreInNoMirroredPicture) {
    CImageBuffer raw;
    ASSERT_EQ(1, raw.Create(640, 512, 16));
    std::fill(raw.Pixels(), raw.Pixels() + raw.ImageBytes(), uint8_t(0x21));
    const std::vector<uint8_t> before(raw.Pixels(), raw.Pixels() + raw.ImageBytes());
    const std::vector<DefectPoint> points{{INT32_MIN, INT32_MIN}, {INT32_MAX, 3}, {-1, 511}, {640, 0}, {0, 512}};
    SensorReadout mirrored;
    mirrored.mirrorH = mirrored.mirrorV = true;
    defect::RepairListed(raw, points, mirrored);
    EXPECT_TRUE(std::equal(before.begin(), before.end(), raw.Pixels()));
}

TEST_F(Processing, ConfigFilterRepairsTheListedPixelsOfEveryFrame) {
    Prepare(8);
    Fill([](int, int) { return 60; });
    Put(Raw(), 511 - 3, 5, 250); // sensor (5, 3) of a full picture is memory row 508
    LoadList(camera, {{5, 3}});
    Process();
    EXPECT_EQ(250, At(Raw(), 508, 5)) << "the list waits for the filter";
    ASSERT_EQ(1, camera.SetConfigFilter(1));
    Process();
    EXPECT_EQ(60, At(Raw(), 508, 5));
}

TEST_F(Processing, ConfigFilterCountsListedColumnsFromTheWindowStart) {
    ASSERT_EQ(1, camera.SetCaptureWindowEx(640, 100, 320, 512, 0, 512));
    Prepare(8);
    ASSERT_EQ(1, camera.SetConfigFilter(1));
    LoadList(camera, {{112, 3}});
    Fill([](int r, int c) { return r == 508 && (c == 12 || c == 112) ? 250 : 60; });
    Process();
    EXPECT_EQ(60, At(Raw(), 508, 12)) << "sensor x 112 is the window's column 12";
    EXPECT_EQ(250, At(Raw(), 508, 112));
}

// Frame pixel (20, 30) of this subsampled window shows sensor row 72, column 60: the dot
// filter reads its hot-map flag there, and the list names it as (60, 511 - 72).
TEST_F(Processing, ConfigFilterOfSubsampledFramesNamesThePixelTheMapsName) {
    ASSERT_EQ(1, camera.SetSubSample(1));
    ASSERT_EQ(1, camera.SetCaptureWindowEx(640, 0, 320, 512, 32, 256));
    Prepare(8);
    Put(*camera.Buffer(kHot8), 72, 60, 1);
    LoadList(camera, {{60, 511 - 72}});
    auto dotAtThePixel = [](int r, int c) { return r == 20 && c == 30 ? 110 : 100; }; // too small for the rule
    camera.SetFilterValue(102, 1);
    Fill(dotAtThePixel);
    Process();
    EXPECT_EQ(100, At(Raw(), 20, 30)) << "the hot map";
    camera.SetFilterValue(102, 0);
    ASSERT_EQ(1, camera.SetConfigFilter(1));
    Fill(dotAtThePixel);
    Process();
    EXPECT_EQ(100, At(Raw(), 20, 30)) << "the list";
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

// A subsampled, windowed and mirrored frame shows, pixel for pixel, the pixels of a full
// frame that its readout names; each correction finds a sensor pixel there, odd rows and
// columns too; and a reference taken from a mirrored frame lies in the sensor's order.
TEST_F(Processing, FramesShowTheSensorPixelsTheirReadoutNames) {
    Prepare(8);
    const std::vector<uint8_t> full = Bytes(Raw());
    ASSERT_EQ(1, camera.SetSubSample(1));
    ASSERT_EQ(1, camera.SetCaptureWindowEx(640, 98, 320, 512, 34, 256));
    ASSERT_EQ(1, camera.SetMirrorH(1));
    ASSERT_EQ(1, camera.SetMirrorV(1));
    Prepare(8);
    const SensorReadout readout = camera.Readout();
    for (int r = 0; r < Raw().Height(); ++r)
        for (int c = 0; c < Raw().Width(); ++c)
            ASSERT_EQ(full[SensorRow(readout, r) * 640 + SensorColumn(readout, c)], At(Raw(), r, c)) << r << "," << c;

    const int y = static_cast<int>(SensorRow(readout, 21)), x = static_cast<int>(SensorColumn(readout, 31));
    Put(*camera.Buffer(kDark8), y, x, 50);
    Put(*camera.Buffer(kBright8), y, x, 150);
    Put(*camera.Buffer(kHot8), y, x, 1);
    LoadList(camera, {{x, 511 - y}});
    const std::function<void(int)> kFilters[] = {[this](int on) { camera.SetFilterValue(103, on); },
                                                 [this](int on) { camera.SetFilterValue(102, on); },
                                                 [this](int on) { camera.SetConfigFilter(on); }};
    const int kRepaired[] = {(110 - 50) * 256 / 100, 100, 100};
    for (int i = 0; i < 3; ++i) {
        Fill([](int r, int c) { return r == 21 && c == 31 ? 110 : 100; });
        kFilters[i](1);
        Process();
        kFilters[i](0);
        EXPECT_EQ(kRepaired[i], At(Raw(), 21, 31)) << "mask, dots, list: " << i;
        Put(Raw(), 21, 31, 100);
        const std::vector<uint8_t> rest = Bytes(Raw());
        EXPECT_EQ(rest.size(), static_cast<size_t>(std::count(rest.begin(), rest.end(), 100))) << "only that pixel";
    }

    ASSERT_EQ(1, camera.SetSubSample(0));
    ASSERT_EQ(1, camera.SetCaptureWindowEx(640, 0, 640, 512, 0, 512));
    Prepare(8);
    ASSERT_EQ(1, camera.UpdateMaskData(0));
    EXPECT_EQ(full, Bytes(*camera.Buffer(kDark8)));
}

TEST(ListedPixels, SubsampledPicturesShowTwoSensorPixelsOfEveryFour) {
    CImageBuffer raw;
    ASSERT_EQ(1, raw.Create(16, 16, 8));
    for (int r = 0; r < 16; ++r)
        for (int c = 0; c < 16; ++c)
            raw.Row(r)[c] = static_cast<uint8_t>(10 * c + r);
    const std::vector<uint8_t> before(raw.Pixels(), raw.Pixels() + raw.ImageBytes());
    const SensorReadout readout{0, 482, 16, 16, true};
    // Sensor (5, 4): column 3 (offset 4 + 1), sensor row 507 = 482 + 4 * 6 + 1, memory row 13.
    // Sensor (6, 4) is not in the picture.
    defect::RepairListed(raw, {{5, 4}, {6, 4}}, readout);
    EXPECT_EQ((before[13 * 16 + 2] + before[13 * 16 + 4] + before[12 * 16 + 3] + before[14 * 16 + 3]) / 4,
              raw.Row(13)[3]);
    raw.Row(13)[3] = before[13 * 16 + 3];
    EXPECT_TRUE(std::equal(before.begin(), before.end(), raw.Pixels())) << "nothing else changed";
}

} // namespace
