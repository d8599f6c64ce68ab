// Parameter setters of a camera instance: rules that need the instance's inside view.
#include "VonkelSdk.h"
#include "camera/CVonkel.h"
#include "support/SimCameras.h"
#include <gtest/gtest.h>

namespace {

std::vector<int> Drain(CVonkel &c) {
    std::vector<int> codes;
    for (int e = c.GetLastError(); e; e = c.GetLastError())
        codes.push_back(e);
    return codes;
}

TEST(SettersWithoutDriver, CameraValuesNeedTheDriverPlainValuesDoNot) {
    CVonkel camera{ProcessServices()};
    int ok = 7;
    EXPECT_DOUBLE_EQ(-1.0, camera.GetExposureTimeEx(&ok));
    EXPECT_EQ(0, ok);
    EXPECT_EQ(0, camera.SetFilterValue(1, 5));
    EXPECT_EQ(0, camera.GetFilterValue(1, &ok));
    EXPECT_EQ(0, camera.SetMirrorV(1)) << "post only";
    EXPECT_EQ(0, camera.SetCaptureWindowEx(640, 0, 640, 512, 0, 512));
    EXPECT_EQ((std::vector<int>{1, 1, 1, 1}), Drain(camera));
    EXPECT_EQ(1, camera.SetAutoIris(2));
    EXPECT_EQ(1, camera.SetWaitTime(5));
    EXPECT_EQ(1, camera.SetColorMode(24));
    EXPECT_EQ(1, camera.GetCaptureWindowEx(nullptr, nullptr, nullptr, nullptr, nullptr, nullptr));
}

class Setters : public ::testing::Test {
protected:
    Setters() : sim({0}, sim::Pacing::AsFastAsPossible, true) { camera.Initialize(nullptr); }
    void Entry(int index, int th, int tv, int eh, int ev) {
        char path[128];
        std::snprintf(path, sizeof path, "Software\\Pelkor\\Vonkel430NVTXQELSdk\\Camera_00\\Size_%02d", index);
        auto &store = sim.Settings();
        platform::CSettingsKey key(store, store.CreateKey(nullptr, path));
        store.WriteDword(key.Get(), "TH", th);
        store.WriteDword(key.Get(), "TV", tv);
        store.WriteDword(key.Get(), "EH", eh);
        store.WriteDword(key.Get(), "EV", ev);
        store.WriteDword(key.Get(), "EHS", 0);
        store.WriteDword(key.Get(), "EVS", 0);
    }
    CScopedCameras sim;
    CVonkel camera{sim.Services()};
};

TEST_F(Setters, CaptureWindowPicksTheStoredEntryByOutputSize) {
    Drain(camera);
    Entry(1, 640, 512, 320, 240);
    Entry(2, 640, 512, 320, 256);
    Entry(3, 640, 512, 700, 100);
    ASSERT_EQ(1, camera.SetCaptureWindow(320, 256)) << "not only the first entry of equal sensor totals";
    EXPECT_EQ(320, camera.Width());
    EXPECT_EQ(256, camera.Height());
    EXPECT_EQ(0, camera.SetCaptureWindow(999, 1));
    EXPECT_EQ((std::vector<int>{VONKEL_ERR_WINDOW}), Drain(camera));
    EXPECT_EQ(0, camera.SetCaptureWindow(700, 100)) << "a stored size the camera cannot deliver";
    EXPECT_EQ((std::vector<int>{VONKEL_ERR_CAPTURE_WINDOW}), Drain(camera));
    EXPECT_EQ(256, camera.Height()) << "and the window stays as it was";
    sim.Settings().Clear();
    EXPECT_EQ(0, camera.SetCaptureWindow(640, 512));
    EXPECT_EQ((std::vector<int>{VONKEL_ERR_WINDOW}), Drain(camera));
}

TEST_F(Setters, WindowsTheCameraCannotDeliverAreRefused) {
    ASSERT_EQ(1, camera.SetCaptureWindowEx(640, 8, 600, 512, 4, 500));
    for (auto w : {std::vector<int>{640, 0, 630, 512, 0, 512}, {640, 0, 4, 512, 0, 512}, {640, -4, 600, 512, 0, 512}}) {
        EXPECT_EQ(0, camera.SetCaptureWindowEx(w[0], w[1], w[2], w[3], w[4], w[5])) << w[2];
        EXPECT_EQ(600, camera.Width()) << "a refused window changes nothing";
    }
    ASSERT_EQ(1, camera.SetSubSample(1));
    EXPECT_EQ(0, camera.SetCaptureWindowEx(640, 0, 636, 512, 0, 512)) << "318 sub-sampled columns";
}

TEST_F(Setters, ExposureGivenInLinesSurvivesTheCaptureStart) {
    ASSERT_EQ(1, camera.SetColorMode(8));
    ASSERT_EQ(1, camera.SetFilterValue(18, 1000));
    ASSERT_EQ(1, camera.SnapShot(nullptr, 0, 1));
    int ok = 0;
    EXPECT_EQ(1000, camera.GetFilterValue(18, &ok));
    ASSERT_EQ(1, camera.SetExposureTimeEx(0.002));
    ASSERT_EQ(1, camera.SnapShot(nullptr, 0, 1));
    EXPECT_DOUBLE_EQ(0.002, camera.GetExposureTimeEx(&ok));
    EXPECT_EQ(148, camera.GetFilterValue(18, &ok));
}

} // namespace
