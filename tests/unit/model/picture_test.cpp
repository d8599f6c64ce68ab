// What a frame read through the driver shows: the scene upright, the window the driver
// programmed, and the level that gain and exposure give.
#include "ModelFixture.h"

namespace {

class PictureTest : public ModelTest {
protected:
    // One frame through the single-frame path, turned by the model's copy.
    std::vector<uint8_t> Read(int width, int height, int bytesPerPixel) {
        std::vector<uint8_t> picture(static_cast<size_t>(width) * height * bytesPerPixel);
        EXPECT_EQ(DriverResult::Ok, driver->ReadOneFrame());
        FrameTarget target{picture.data(), width, height, bytesPerPixel};
        EXPECT_EQ(DriverResult::Ok, driver->CopyOneFrameInto(target));
        driver->CloseFrameHandle();
        return picture;
    }
    // The level the sensor gives the scene at picture (x, y) with its current settings.
    int Expected(int x, int y, int shift) {
        sim::CSensorState s = Camera()->SensorState();
        uint8_t ref = sim::SceneValue(x, y, sim::CfaChannel(x, y), 0);
        return sim::SensorLevel12(ref, s.gain, s.ExposureLines()) >> shift;
    }
    // Counts mismatches between the picture and the scene region it should show.
    int Mismatches(const std::vector<uint8_t> &picture, int width, int height, int x0, int y0, int step,
                   bool mirrorH, bool mirrorV, int bytesPerPixel = 1) {
        int bad = 0;
        for (int i = 0; i < height; ++i) {
            for (int j = 0; j < width; ++j) {
                int jj = mirrorH ? width - 1 - j : j;
                int ii = mirrorV ? height - 1 - i : i;
                auto off = [&](int k) { return step == 2 ? 4 * (k / 2) + k % 2 : k; };
                int x = x0 + off(jj), y = y0 + off(ii);
                size_t at = (static_cast<size_t>(i) * width + j) * bytesPerPixel;
                int got = bytesPerPixel == 2 ? picture[at] | picture[at + 1] << 8 : picture[at];
                bad += got != Expected(x, y, bytesPerPixel == 2 ? 0 : 4);
            }
        }
        return bad;
    }
};

TEST_F(PictureTest, StartedCameraShowsTheSceneUprightWithEachPatchInPlace) {
    driver->SetWindow(0, 0, 640, 512, 0);
    auto picture = Read(640, 512, 1);
    EXPECT_EQ(0, Mismatches(picture, 640, 512, 0, 0, 1, false, false));
    // A patch centre through its filter colour: row 0 of memory is the top of the scene.
    sim::CRgb patch = sim::PatchColour(0, 7);
    EXPECT_EQ(Expected(7 * 64 + 32, 32, 4), picture[32 * 640 + 7 * 64 + 32]);
    EXPECT_EQ(patch.blue, sim::SceneValue(7 * 64 + 32, 32, sim::Channel::Blue, 0));
    EXPECT_GT(picture[500 * 640 + 2], 0) << "a started camera does not send black frames";
}

TEST_F(PictureTest, WindowSubsamplingAndMirrorsPickThePartAskedFor) {
    driver->SetWindow(64, 128, 320, 200, 0);
    EXPECT_EQ(0, Mismatches(Read(320, 200, 1), 320, 200, 64, 128, 1, false, false));
    driver->SetMirrorH(1);
    driver->SetMirrorV(1);
    EXPECT_EQ(0, Mismatches(Read(320, 200, 1), 320, 200, 64, 128, 1, true, true));
    driver->SetMirrorV(0);
    driver->SetWindow(0, 0, 640, 512, 1);
    EXPECT_EQ(0, Mismatches(Read(320, 256, 1), 320, 256, 0, 0, 2, true, false));
}

TEST_F(PictureTest, WordModeDeliversTwelveBitLevels) {
    driver->SetWordMode(1);
    driver->SetWindow(0, 0, 640, 512, 0);
    auto picture = Read(640, 512, 2);
    EXPECT_EQ(0, Mismatches(picture, 640, 512, 0, 0, 1, false, false, 2));
}

TEST_F(PictureTest, GainAndExposureScaleTheLevel) {
    driver->SetWindow(0, 0, 640, 512, 0);
    driver->SetExposureLines(200);
    auto dim = Read(640, 512, 1);
    driver->SetExposureLines(400);
    auto brighter = Read(640, 512, 1);
    driver->SetGain(64);
    auto brightest = Read(640, 512, 1);
    const size_t at = 420 * 640 + 600; // the bright end of the grey ramp
    EXPECT_LT(dim[at], brighter[at]);
    EXPECT_LT(brighter[at], brightest[at]);
    EXPECT_EQ(0, Mismatches(brightest, 640, 512, 0, 0, 1, false, false));
}

TEST_F(PictureTest, CameraThatMissedTheStartupSendsBlackFrames) {
    Camera()->Unplug();
    Camera()->Replug(); // a power cycle: the start-up is needed again
    auto picture = Read(640, 512, 1);
    int lit = 0;
    for (uint8_t p : picture)
        lit += p != 0;
    EXPECT_EQ(0, lit);
    driver->SelectCamera(0);
    picture = Read(640, 512, 1);
    EXPECT_EQ(0, Mismatches(picture, 640, 512, 0, 0, 1, false, false));
}

} // namespace
