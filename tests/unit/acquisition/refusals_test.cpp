// Calls that fail must leave the running acquisition and the caller's state as they were,
// and close what they opened themselves.
#include "AcquisitionFixture.h"
#include "camera/OwnershipTable.h"
#include "platform/Process.h"
#include <functional>

namespace {

class Refusals : public Acquisition {};

TEST_F(Refusals, PreviewEntriesRefusedInCaptureOrTriggerModeChangeNothing) {
    std::vector<uint8_t> picture(640 * 512);
    for (AcquisitionState running : {AcquisitionState::Capture, AcquisitionState::Trigger}) {
        const bool capture = running == AcquisitionState::Capture;
        ASSERT_EQ(1, capture ? camera.Capture() : camera.Trigger(sink.Handle(), nullptr, 0, 0));
        EXPECT_EQ(0, camera.CallBackPreview(sink.Handle(), picture.data(), 640 * 512, 1));
        EXPECT_EQ(0, camera.Preview());
        EXPECT_EQ(running, camera.Mode()) << "the running mode goes on";
        EXPECT_EQ((std::vector<int>{VONKEL_ERR_TRANSFER, VONKEL_ERR_NO_CAMERA, VONKEL_ERR_TRANSFER,
                                    VONKEL_ERR_NO_CAMERA}),
                  Drain());
        // ...and still delivers: a snapshot in capture mode, a triggered frame in trigger mode.
        if (capture) {
            EXPECT_EQ(1, camera.SnapShot(picture.data(), 640 * 512, 1));
            EXPECT_EQ(1u, sim.Cameras().OpenHandles()) << "the capture channel stays open";
        } else {
            sim.Camera(0)->Trigger();
            const auto frames = WaitForFrames(1);
            ASSERT_EQ(1u, frames.size());
            EXPECT_EQ(0, frames[0].lparam);
        }
        ASSERT_EQ(1, camera.Close());
    }
}

TEST_F(Refusals, AFailedTriggerStartClosesTheWindowAndChannelItOpened) {
    ASSERT_EQ(1, camera.SetPreviewWindow(nullptr, 0, 0, 64, 64));
    sim.Camera(0)->FailNextTransfers(1, sim::TransferKind::Image);
    EXPECT_EQ(0, camera.Trigger(sink.Handle(), nullptr, 0, 0));
    EXPECT_EQ(VONKEL_ERR_TRANSFER, Drain().front());
    EXPECT_EQ(nullptr, camera.PreviewWindow());
    EXPECT_EQ(0u, sim.Cameras().OpenHandles());
    EXPECT_EQ(AcquisitionState::Idle, camera.Mode());
}

// A caller's buffer with no room is a failure, whatever its length says.
TEST_F(Refusals, BuffersWithANegativeLengthFailLikeOneTooShort) {
    std::vector<uint8_t> picture(640 * 512);
    EXPECT_EQ(0, camera.SnapShot(picture.data(), 640 * 512 - 1, 1));
    const std::vector<int> oneShort = Drain();
    EXPECT_EQ(0, camera.SnapShot(picture.data(), -1, 1));
    EXPECT_EQ(oneShort, Drain());
    ASSERT_EQ(1, camera.CallBackPreview(sink.Handle(), picture.data(), -1, 1));
    const auto frames = WaitForFrames(1);
    ASSERT_EQ(1u, frames.size());
    EXPECT_EQ(VONKEL_ERR_MEMORY, frames[0].lparam);
    EXPECT_EQ(1, camera.StopPreview());
}

// Most applications give no notification window: their acquisition holds the camera all
// the same, in every mode, against every other handle, and only while it runs.
TEST_F(Refusals, AnotherHandleIsRefusedTheCameraAWindowlessHandleStreams) {
    CVonkel holder{sim.Services()}, other{sim.Services()};
    ASSERT_EQ(1, holder.Initialize(nullptr));
    ASSERT_EQ(1, other.Initialize(nullptr));
    const std::function<int()> entries[] = {[&] { return holder.StartPreview(); }, [&] { return holder.Capture(); },
                                            [&] { return holder.Trigger(nullptr, nullptr, 0, 0); }};
    for (const auto &enter : entries) {
        ASSERT_EQ(1, enter());
        other.ReleaseDevice(0); // same window (none), same program: still not its claim
        EXPECT_EQ(0, other.StartPreview());
        EXPECT_EQ(VONKEL_ERR_NO_CAMERA, other.GetLastError());
        EXPECT_EQ(VONKEL_ERR_DEVICE, other.GetLastError());
        ASSERT_EQ(1, holder.Close());
    }
    // What a process that ended while streaming leaves behind binds no one, also when a
    // later process was given its id (here: this one, started at another time).
    constexpr uint32_t kNoProcess = 0x7FFFFFFF; // above every process id a system hands out
    const uint32_t reused = platform::CurrentProcessId();
    const uint64_t earlier = platform::CurrentProcessStartTime() - 1;
    for (uint32_t process : {kNoProcess, reused}) {
        ownership::Claim(holder.SharedView(), 0,
                         {ownership::kOwnerWithoutWindow, 1, ownership::Identity(process, 1000), earlier});
        EXPECT_EQ(1, other.StartPreview()) << process;
        EXPECT_EQ(1, other.StopPreview());
    }
}

} // namespace
