// Faults while streaming: the camera goes away, the instance goes away, the application
// stops from wherever it is. Nothing may hang beyond the transfer timeout.
#include "AcquisitionFixture.h"
#include "api/ProcessServices.h"

namespace {

class Faults : public Acquisition {
protected:
    Faults() : Acquisition({0}, sim::Pacing::RealTime) {}
};

TEST_F(Faults, UnplugMidStreamEndsThePreviewWithAFrameWait) {
    ASSERT_EQ(1, camera.CallBackPreview(sink.Handle(), nullptr, 0, 0));
    ASSERT_FALSE(WaitForFrames(3).empty());
    sim.Camera(0)->Unplug();
    std::vector<SinkMessage> frames;
    for (int i = 0; i < 100 && (frames.empty() || frames.back().lparam == 0); ++i) {
        auto more = WaitForFrames(1, 1);
        frames.insert(frames.end(), more.begin(), more.end());
    }
    ASSERT_FALSE(frames.empty());
    EXPECT_EQ(VONKEL_ERR_FRAME_WAIT, frames.back().lparam);
    EXPECT_EQ(1, camera.StopPreview());
    EXPECT_EQ(AcquisitionState::Idle, camera.Mode());
}

TEST_F(Faults, UnplugInTriggerModeRetriesQuietlyUntilStopped) {
    ASSERT_EQ(1, camera.Trigger(sink.Handle(), nullptr, 0, 0));
    sim.Camera(0)->Unplug();
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(1, camera.StopPreview());
    EXPECT_EQ(AcquisitionState::Idle, camera.Mode());
    sim.Camera(0)->Replug();
}

TEST_F(Faults, StopWhileATriggerReadWaitsEndsWithinTheTimeout) {
    ASSERT_EQ(1, camera.Trigger(sink.Handle(), nullptr, 0, 0));
    camera.Driver()->SetTransferTimeout(300); // the read now waits at most 300 ms
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(1, camera.StopPreview());
    EXPECT_EQ(AcquisitionState::Idle, camera.Mode());
}

TEST_F(Faults, ReleasingAStreamingInstanceStopsEverything) {
    auto other = std::make_unique<CVonkel>(ProcessServices());
    ASSERT_EQ(1, other->Initialize(sink.Handle()));
    other->SetColorMode(24);
    ASSERT_EQ(1, other->CallBackPreview(sink.Handle(), nullptr, 0, 0));
    ASSERT_FALSE(WaitForFrames(2).empty());
    other.reset(); // the teardown stops the capture and transfer threads
    EXPECT_EQ(0u, sim.Cameras().OpenHandles());
}

TEST_F(Faults, StopFromAnotherThreadWhileFramesArrive) {
    std::vector<uint8_t> picture(640 * 512);
    ASSERT_EQ(1, camera.CallBackPreview(sink.Handle(), picture.data(), static_cast<uint32_t>(picture.size()), 0));
    std::thread stopper([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(80));
        camera.StopPreview();
    });
    // Meanwhile the application keeps asking for the picture.
    for (int i = 0; i < 50; ++i) {
        camera.GetImage(picture.data(), static_cast<uint32_t>(picture.size()), 1);
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    stopper.join();
    EXPECT_EQ(AcquisitionState::Idle, camera.Mode());
}

} // namespace

namespace {

// A long (valid) pause between turns must not hold up a stop: the test's time limit
// catches a stop that waits the pause out.
TEST_F(Acquisition, StopDoesNotWaitOutALongPauseBetweenTurns) {
    ASSERT_EQ(1, camera.SetWaitTime(600000));
    ASSERT_EQ(1, camera.StartPreview());
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(1, camera.StopPreview());
    EXPECT_EQ(AcquisitionState::Idle, camera.Mode());
}

} // namespace
