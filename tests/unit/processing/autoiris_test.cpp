// Automatic exposure and gain from five windows of the raw frame.
#include "ProcessingFixture.h"

namespace {

class AutoIrisTest : public Processing {
protected:
    void SetUp() override {
        Prepare(8);
        ASSERT_EQ(1, camera.SetFilterValue(13, 200));
        ASSERT_EQ(1, camera.SetFilterValue(18, 1000));
    }
    // Memory rows of the first window: its rectangle counts y from the bottom of the
    // bitmap, so rows 0.1H..0.2H from the bottom.
    void Levels(int first, int others) {
        Fill([&](int r, int c) { return r >= 400 && r < 470 && c >= 60 && c < 130 ? first : others; });
    }
    int Gain() {
        int ok = 0;
        return camera.GetFilterValue(13, &ok);
    }
    int Lines() {
        int ok = 0;
        return camera.GetFilterValue(18, &ok);
    }
};

TEST_F(AutoIrisTest, FactorsInsideTheBandChangeNothing) {
    camera.SetAutoIris(2);
    Levels(130, 130);
    Process();
    EXPECT_EQ(200, Gain()) << "factor 1.0";
    Levels(210, 130);
    Process();
    EXPECT_EQ(200, Gain()) << "factor 0.85";
}

// The factors as the rule accumulates them, in double precision: the first window's
// factor and four steps of the others.
const double kAllBright = 0.85 - 0.15 - 0.15 - 0.15 - 0.15; // 0.25 less an ulp
const double kAllDark = 1.1 + 0.1 + 0.1 + 0.1 + 0.1;         // 1.5 and an ulp

TEST_F(AutoIrisTest, GainFollowsBrightAndDarkFrames) {
    camera.SetAutoIris(2);
    Levels(230, 230);
    Process();
    const int bright = static_cast<int>(200 * kAllBright);
    EXPECT_EQ(49, bright);
    EXPECT_EQ(bright, Gain());
    EXPECT_EQ(bright, camera.Analog().globalGain.load());
    Levels(20, 20);
    Process();
    EXPECT_EQ(static_cast<int>(bright * kAllDark), Gain());
}

TEST_F(AutoIrisTest, ExposureFollowsInExposureMode) {
    camera.SetAutoIris(1);
    Levels(230, 230);
    Process();
    const int bright = static_cast<int>(1000 * kAllBright);
    EXPECT_EQ(bright, Lines());
    EXPECT_EQ(200, Gain()) << "the gain is left alone";
    Levels(20, 20);
    Process();
    EXPECT_EQ(static_cast<int>(bright * kAllDark), Lines());
    EXPECT_EQ(static_cast<int>(bright * kAllDark), camera.Analog().exposure.load());
}

// Twelve-bit levels are measured on the 8-bit scale: a mid-grey frame is left alone in
// every mode, where a wrapped measurement read 2048 as 0 and kept raising the gain.
TEST_F(AutoIrisTest, SixteenBitModesMeasureOnTheEightBitScale) {
    for (int bits : {16, 48, 64}) {
        Prepare(bits);
        camera.SetAutoIris(2);
        Levels(2048, 2048);
        Process();
        EXPECT_EQ(200, Gain()) << bits;
        Levels(230 << 4, 230 << 4);
        Process();
        EXPECT_EQ(static_cast<int>(200 * kAllBright), Gain()) << bits;
        camera.SetAutoIris(0);
        ASSERT_EQ(1, camera.SetFilterValue(13, 200));
    }
}

TEST_F(AutoIrisTest, AFailedGainReadSkipsTheCorrection) {
    camera.SetAutoIris(2);
    Levels(230, 230);
    sim.Camera(0)->CorruptNextReply();
    Process();
    EXPECT_EQ(200, camera.Analog().globalGain.load()) << "no gain made up from a failed read";
    EXPECT_EQ(200, camera.Analog().colorR.load());
}

TEST_F(AutoIrisTest, OffDoesNothing) {
    camera.SetAutoIris(0);
    Levels(230, 230);
    Process();
    EXPECT_EQ(200, Gain());
    EXPECT_EQ(1000, Lines());
}

} // namespace
