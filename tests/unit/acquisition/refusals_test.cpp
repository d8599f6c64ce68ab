// Calls that fail must leave the running acquisition and the caller's state as they were,
// and close what they opened themselves.
#include "AcquisitionFixture.h"

namespace {

class Refusals : public Acquisition {};

TEST_F(Refusals, PreviewEntriesRefusedInCaptureOrTriggerModeChangeNothing) {
    std::vector<uint8_t> picture(640 * 512);
    for (AcquisitionState running : {AcquisitionState::Capture, AcquisitionState::Trigger}) {
        ASSERT_EQ(1, running == AcquisitionState::Capture ? camera.Capture() : camera.Trigger(sink.Handle(), nullptr, 0, 0));
        const size_t channels = sim.Cameras().OpenHandles();
        EXPECT_EQ(0, camera.CallBackPreview(sink.Handle(), picture.data(), 640 * 512, 1));
        EXPECT_EQ(0, camera.Preview());
        EXPECT_EQ(running, camera.Mode()) << "the running mode goes on";
        EXPECT_EQ(channels, sim.Cameras().OpenHandles());
        EXPECT_EQ((std::vector<int>{VONKEL_ERR_TRANSFER, VONKEL_ERR_NO_CAMERA, VONKEL_ERR_TRANSFER,
                                    VONKEL_ERR_NO_CAMERA}),
                  Drain());
        if (running == AcquisitionState::Capture) {
            EXPECT_EQ(1, camera.SnapShot(picture.data(), 640 * 512, 1)) << "capture mode still delivers";
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

} // namespace
