// The error history and its notification, as an application sees them.
#include "win/DllSupport.h"
#include <gtest/gtest.h>

namespace {

TEST(DllErrors, TwentyOneFailuresLeaveTheTwentyNewestNewestFirst) {
    CCamera cam;
    ASSERT_NE(0, static_cast<int>(cam));
    char name[64];
    std::vector<int> raised;
    for (int i = 0; i < 21; ++i) {
        // Alternating causes: a too-short buffer (9), a device that is not there (2).
        if (i % 2 == 0)
            EXPECT_EQ(0, Vonkel_GetDeviceName(cam, 0, name, 5));
        else
            EXPECT_EQ(0, Vonkel_GetDeviceName(cam, 1, name, 64));
        raised.push_back(i % 2 == 0 ? VONKEL_ERR_ARGUMENT : VONKEL_ERR_DEVICE);
    }
    std::vector<int> expected(raised.rbegin(), raised.rbegin() + 20);
    EXPECT_EQ(expected, cam.Drain());
    EXPECT_EQ(0, Vonkel_GetLastError(cam));
}

TEST(DllErrors, NotificationsArriveAtTheWindowInOrderAfterTheRecord) {
    CTestWindow window;
    ASSERT_NE(nullptr, window.Handle());
    CCamera cam(window.Handle());
    window.Take(VONKEL_WM_ERROR);
    char name[64];
    Vonkel_GetDeviceName(cam, 0, name, 5);
    Vonkel_GetDeviceName(cam, 1, name, 64);
    int ok = 0;
    Vonkel_GetTemperatureEx(cam, &ok); // a success announces 0
    auto posted = window.Take(VONKEL_WM_ERROR);
    ASSERT_EQ(3u, posted.size());
    EXPECT_EQ(VONKEL_ERR_ARGUMENT, posted[0].second);
    EXPECT_EQ(VONKEL_ERR_DEVICE, posted[1].second);
    EXPECT_EQ(VONKEL_ERR_NONE, posted[2].second);
    for (auto &p : posted)
        EXPECT_EQ(0u, p.first);
    EXPECT_EQ(0, Vonkel_GetLastError(cam));
    EXPECT_EQ(VONKEL_ERR_DEVICE, Vonkel_GetLastError(cam));
}

TEST(DllErrors, WithoutAWindowOnlyPostOnlyPathsPost) {
    TakeThreadMessages(VONKEL_WM_ERROR);
    CCamera cam(nullptr);
    char name[64];
    Vonkel_GetDeviceName(cam, 0, name, 5);
    EXPECT_TRUE(TakeThreadMessages(VONKEL_WM_ERROR).empty());
    EXPECT_EQ(0, Vonkel_Fps(cam));
    auto queued = TakeThreadMessages(VONKEL_WM_ERROR);
    ASSERT_EQ(1u, queued.size()) << "a post-only path posts even without a window";
    EXPECT_EQ(VONKEL_ERR_NOT_SUPPORTED, queued[0].second);
    EXPECT_EQ((std::vector<int>{VONKEL_ERR_ARGUMENT}), cam.Drain()) << "and records nothing";
}

} // namespace
