// Acquisition through the DLL with a real message loop: modes, refusals, callbacks.
#include "win/ChildProcess.h"
#include "win/DllSupport.h"
#include "win/Frames.h"
#include <gtest/gtest.h>
#include <tlhelp32.h>
#include <cstring>

namespace {

int ThreadCount() {
    HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    THREADENTRY32 entry{};
    entry.dwSize = sizeof entry;
    int count = 0;
    for (BOOL ok = Thread32First(snap, &entry); ok; ok = Thread32Next(snap, &entry))
        count += entry.th32OwnerProcessID == GetCurrentProcessId();
    CloseHandle(snap);
    return count;
}

class DllAcquisition : public ::testing::Test {
protected:
    void SetUp() override {
        DeleteSdkKey();
        ASSERT_NE(0, static_cast<int>(cam));
        ASSERT_EQ(1, Vonkel_SetColorMode(cam, 8));
        ASSERT_EQ(1, Vonkel_SetWaitTime(cam, 1));
        ASSERT_EQ(1, Vonkel_SetPreviewWindow(cam, nullptr, 0, 0, 0, 0)); // no preview window here
        cam.Drain();
    }
    void TearDown() override {
        Vonkel_Close(cam);
        DeleteSdkKey();
    }
    CTestWindow window;
    CCamera cam{window.Handle()};
    std::vector<uint8_t> picture = std::vector<uint8_t>(640 * 512);
    std::vector<uint8_t> delivery;
};

TEST_F(DllAcquisition, StartingTwiceStartsOneCaptureThread) {
    const int before = ThreadCount();
    ASSERT_EQ(1, Vonkel_StartPreview(cam));
    const int running = ThreadCount();
    EXPECT_EQ(before + 2, running) << "the capture thread and the transfer thread";
    ASSERT_EQ(1, Vonkel_StartPreview(cam));
    EXPECT_EQ(running, ThreadCount());
    ASSERT_EQ(1, Vonkel_StopPreview(cam));
    EXPECT_EQ(before, ThreadCount());
    EXPECT_TRUE(cam.Drain().empty());
}

TEST_F(DllAcquisition, CaptureRefusesPreviewUntilStopped) {
    ASSERT_EQ(1, Vonkel_Capture(cam));
    EXPECT_EQ(0, Vonkel_StartPreview(cam));
    EXPECT_EQ((std::vector<int>{VONKEL_ERR_NO_CAMERA}), cam.Drain());
    ASSERT_EQ(1, Vonkel_SnapShot(cam, picture.data(), static_cast<int>(picture.size()), 1));
    ASSERT_EQ(1, Vonkel_StopPreview(cam));
    EXPECT_EQ(1, Vonkel_StartPreview(cam));
    EXPECT_EQ(1, Vonkel_StopPreview(cam));
}

TEST_F(DllAcquisition, SnapshotFromIdleLeavesTheInstanceIdle) {
    ASSERT_EQ(1, Vonkel_SnapShot(cam, picture.data(), static_cast<int>(picture.size()), 1));
    const uint32_t first = FrameNumberOf(picture, 640, 512);
    EXPECT_GT(first, 0u);
    ASSERT_EQ(1, Vonkel_SnapShot(cam, picture.data(), static_cast<int>(picture.size()), 1));
    EXPECT_GT(FrameNumberOf(picture, 640, 512), first) << "each snapshot reads a new frame";
    // Idle: every mode may be entered.
    EXPECT_EQ(1, Vonkel_Capture(cam));
    EXPECT_TRUE(cam.Drain().empty());
}

TEST_F(DllAcquisition, OneByteShortRecordsTwiceAndAnnouncesTheFrame) {
    ASSERT_EQ(1, Vonkel_CallBackPreview(cam, window.Handle(), nullptr, 0, 1));
    ASSERT_FALSE(window.WaitFor(VONKEL_WM_FRAME, 1, 10000).empty());
    ASSERT_EQ(1, Vonkel_StopPreview(cam));
    window.Take(VONKEL_WM_FRAME);
    window.Take(VONKEL_WM_ERROR);
    EXPECT_EQ(0, Vonkel_GetImage(cam, picture.data(), 640 * 512 - 1, 1));
    EXPECT_EQ((std::vector<int>{VONKEL_ERR_MEMORY, VONKEL_ERR_MEMORY}), cam.Drain());
    auto frames = window.Take(VONKEL_WM_FRAME);
    ASSERT_EQ(1u, frames.size());
    EXPECT_EQ(VONKEL_ERR_MEMORY, frames[0].second);
    EXPECT_EQ(0u, frames[0].first);
    EXPECT_EQ(2u, window.Take(VONKEL_WM_ERROR).size());
}

TEST_F(DllAcquisition, RowOrderZeroPutsTheBottomRowFirst) {
    std::vector<uint8_t> bottomFirst(640 * 512);
    ASSERT_EQ(1, Vonkel_SnapShot(cam, picture.data(), static_cast<int>(picture.size()), 1));
    ASSERT_EQ(1, Vonkel_GetImage(cam, bottomFirst.data(), static_cast<int>(bottomFirst.size()), 0));
    EXPECT_EQ(0, std::memcmp(picture.data() + 511 * 640, bottomFirst.data(), 640));
    EXPECT_EQ(0, std::memcmp(picture.data(), bottomFirst.data() + 511 * 640, 640));
}

// Frames of every colour mode at the camera's full rate: numbers only grow and the
// description matches the mode.
TEST_F(DllAcquisition, CallbackFramesGrowInEveryColourMode) {
    const int bits[] = {8, 16, 24, 32, 48, 64};
    // The fixture's: a failed assertion leaves the preview writing into it until TearDown.
    std::vector<uint8_t> &buffer = delivery;
    for (int b : bits) {
        SCOPED_TRACE(b);
        ASSERT_EQ(1, Vonkel_SetColorMode(cam, b));
        const int bpp = b / 8, stride = (640 * bpp + 3) & ~3;
        buffer.assign(static_cast<size_t>(stride) * 512, 0);
        ASSERT_EQ(1, Vonkel_CallBackPreview(cam, window.Handle(), buffer.data(), static_cast<int>(buffer.size()), 1));
        long long last = -1;
        int deliveries = 0, backwards = 0;
        for (int i = 0; i < 20; ++i) {
            auto frames = window.WaitFor(VONKEL_WM_FRAME, 1, 10000);
            ASSERT_EQ(1u, frames.size());
            ASSERT_EQ(0, frames[0].second);
            const auto *info = reinterpret_cast<const VONKEL_FRAME_INFO *>(frames[0].first);
            EXPECT_EQ(640, info->width);
            EXPECT_EQ(512, info->height);
            EXPECT_EQ(b, info->bitsPerPixel);
            EXPECT_EQ(buffer.data(), info->buffer);
            long long now;
            if (b == 8) {
                // The buffer may already hold a newer frame than the message announced, so
                // two messages can show the same one: never an older one.
                now = FrameNumberOf(buffer, 640, 512);
                backwards += now < last;
            } else {
                const int bar = BarStartOf(buffer, 640, bpp, stride);
                ASSERT_GE(bar, 0);
                now = bar / 8;
                // The bar moves 8 pixels a frame and wraps every 80 frames.
                backwards += last >= 0 && (now - last + 80) % 80 > 40;
            }
            last = now;
            ++deliveries;
        }
        EXPECT_EQ(0, backwards);
        ASSERT_EQ(1, Vonkel_StopPreview(cam));
        window.Take(VONKEL_WM_FRAME);
    }
    EXPECT_TRUE(cam.Drain().empty());
}

// In a process whose cameras trigger themselves every 100 ms.
int ChildTriggerFrames(int, char **) {
    CTestWindow window;
    CCamera cam(window.Handle());
    Vonkel_SetColorMode(cam, 8);
    Vonkel_SetPreviewWindow(cam, nullptr, 0, 0, 0, 0);
    std::vector<uint8_t> picture(640 * 512);
    if (Vonkel_Trigger(cam, window.Handle(), picture.data(), static_cast<int>(picture.size()), 1) != 1)
        return 1;
    auto frames = window.WaitFor(VONKEL_WM_FRAME, 5, 5000);
    if (frames.size() != 5)
        return 2;
    for (auto &f : frames) {
        const auto *info = reinterpret_cast<const VONKEL_FRAME_INFO *>(f.first);
        if (f.second != 0 || info->size != 32 || info->fps10 != 0)
            return 3;
    }
    return Vonkel_StopPreview(cam) == 1 ? 0 : 4;
}
ChildMode childTrigger("trigger-frames", ChildTriggerFrames);

TEST_F(DllAcquisition, TriggerModeWaitsForTriggers) {
    std::vector<uint8_t> buffer(640 * 512);
    ASSERT_EQ(1, Vonkel_Trigger(cam, window.Handle(), buffer.data(), static_cast<int>(buffer.size()), 1));
    EXPECT_TRUE(window.WaitFor(VONKEL_WM_FRAME, 1, 500).empty()) << "no trigger, no frame";
    EXPECT_EQ(0, Vonkel_Trigger(cam, window.Handle(), buffer.data(), static_cast<int>(buffer.size()), 1));
    EXPECT_EQ(1, Vonkel_StopPreview(cam));
    Vonkel_Close(cam);
    EXPECT_EQ(0, RunSelfAsChild("trigger-frames", "VONKEL_SIMULATE_TRIGGER_MS=100"));
}

TEST_F(DllAcquisition, StopFromTheFrameHandlerAndReleaseWhileStreaming) {
    ASSERT_EQ(1, Vonkel_CallBackPreview(cam, window.Handle(), picture.data(), static_cast<int>(picture.size()), 1));
    // The application stops as it handles a frame notification.
    MSG msg;
    const DWORD start = GetTickCount();
    bool stopped = false;
    while (!stopped && GetTickCount() - start < 10000) {
        if (PeekMessageA(&msg, window.Handle(), VONKEL_WM_FRAME, VONKEL_WM_FRAME, PM_REMOVE))
            stopped = Vonkel_StopPreview(cam) == 1;
        else
            Sleep(1);
    }
    EXPECT_TRUE(stopped);
    // A second camera instance released while it streams.
    CCamera other(window.Handle());
    ASSERT_EQ(1, Vonkel_SetPreviewWindow(other, nullptr, 0, 0, 0, 0));
    ASSERT_EQ(1, Vonkel_StartPreview(other));
    Sleep(50);
    EXPECT_EQ(1, other.Release());
}

} // namespace
