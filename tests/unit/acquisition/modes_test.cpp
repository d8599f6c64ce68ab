// The acquisition modes, their refusals and the delivery of frames.
#include "AcquisitionFixture.h"
#include <cstring>

namespace {

TEST_F(Acquisition, PreviewStartsOnceAndStopsCleanly) {
    ASSERT_EQ(1, camera.StartPreview());
    ASSERT_EQ(1, camera.StartPreview()) << "already running";
    EXPECT_EQ(AcquisitionState::Preview, camera.Mode());
    std::vector<uint8_t> picture(640 * 512);
    ASSERT_TRUE([&] {
        for (int i = 0; i < 2000 && !camera.FrameAvailable(); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        return camera.FrameAvailable();
    }());
    EXPECT_EQ(1, camera.GetImage(picture.data(), static_cast<uint32_t>(picture.size()), 1));
    EXPECT_EQ(1, camera.StopPreview());
    EXPECT_EQ(AcquisitionState::Idle, camera.Mode());
    EXPECT_EQ(1, camera.StopPreview());
    EXPECT_TRUE(Drain().empty());
}

// The description's count of dropped frames is the library's whole account: every frame
// the camera sent during a preview reached the application or is counted there, with a
// camera far faster than the loop (unpaced: frames dropped by the hundred) and with a turn
// held up meanwhile (the image lock taken by another thread).
TEST_F(Acquisition, EveryFrameSentIsDeliveredOrCountedAsDropped) {
    sim::CSimCamera &cam = *sim.Cameras().Camera(0);
    const uint32_t before = cam.FrameCounter();
    ASSERT_EQ(1, camera.CallBackPreview(sink.Handle(), nullptr, 0, 1));
    size_t delivered = WaitForFrames(10).size();
    {
        std::lock_guard<std::mutex> lock(camera.ImageLock());
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
    }
    delivered += WaitForFrames(10).size();
    // The camera holds its next frame, so that what it sent can be counted to the end.
    cam.Stall(true);
    uint32_t sent = 0;
    int32_t dropped = 0;
    for (int i = 0; i < 4000; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        delivered += WaitForFrames(1000, 0).size();
        sent = cam.FrameCounter() - before;
        dropped = Info().dropped;
        if (delivered + dropped >= sent)
            break;
    }
    EXPECT_EQ(sent, delivered + dropped) << delivered << " delivered, " << dropped << " dropped";
    EXPECT_GT(dropped, 0) << "an unpaced camera outruns the loop";
    cam.Stall(false);
    EXPECT_EQ(1, camera.StopPreview());
    EXPECT_TRUE(Drain().empty());
}

TEST_F(Acquisition, RefusedEntriesRecordNoCamera) {
    ASSERT_EQ(1, camera.Capture());
    EXPECT_EQ(AcquisitionState::Capture, camera.Mode());
    EXPECT_EQ(0, camera.StartPreview());
    EXPECT_EQ((std::vector<int>{VONKEL_ERR_NO_CAMERA}), Drain());
    EXPECT_EQ(0, camera.Trigger(nullptr, nullptr, 0, 0));
    EXPECT_EQ(1, camera.Capture()) << "capture mode already";
    ASSERT_EQ(1, camera.StopPreview());
    ASSERT_EQ(1, camera.StartPreview());
    EXPECT_EQ(0, camera.Capture());
    EXPECT_EQ(0, camera.SnapShot(nullptr, 0, 0));
    Drain();
    EXPECT_EQ(1, camera.StopPreview());
}

TEST_F(Acquisition, SnapshotFromIdleStaysIdleAndClosesTheChannel) {
    std::vector<uint8_t> picture(640 * 512);
    ASSERT_EQ(1, camera.SnapShot(picture.data(), static_cast<uint32_t>(picture.size()), 1));
    EXPECT_EQ(AcquisitionState::Idle, camera.Mode());
    EXPECT_EQ(0u, sim.Cameras().OpenHandles()) << "the single-frame channel is closed again";
    EXPECT_GT(sim::DecodeFrameNumberTurned(picture.data(), 640, 512, 1, 640), 0u);
    // In capture mode the channel stays open between snapshots.
    ASSERT_EQ(1, camera.Capture());
    ASSERT_EQ(1, camera.SnapShot(picture.data(), static_cast<uint32_t>(picture.size()), 1));
    EXPECT_EQ(1u, sim.Cameras().OpenHandles());
    camera.Close();
    EXPECT_EQ(0u, sim.Cameras().OpenHandles());
}

TEST_F(Acquisition, RowOrderZeroPutsTheBottomRowFirst) {
    std::vector<uint8_t> topFirst(640 * 512), bottomFirst(640 * 512);
    ASSERT_EQ(1, camera.SnapShot(topFirst.data(), static_cast<uint32_t>(topFirst.size()), 1));
    ASSERT_EQ(1, camera.GetImage(bottomFirst.data(), static_cast<uint32_t>(bottomFirst.size()), 0));
    for (int r = 0; r < 512; r += 37)
        EXPECT_EQ(0, std::memcmp(topFirst.data() + r * 640, bottomFirst.data() + (511 - r) * 640, 640)) << r;
}

TEST_F(Acquisition, ShortUserBufferIsRecordedTwiceAndAnnounced) {
    std::vector<uint8_t> picture(640 * 512);
    ASSERT_EQ(1, camera.CallBackPreview(sink.Handle(), nullptr, 0, 0));
    ASSERT_FALSE(WaitForFrames(1).empty());
    ASSERT_EQ(1, camera.StopPreview());
    sink.Take();
    EXPECT_EQ(0, camera.GetImage(picture.data(), 640 * 512 - 1, 1));
    EXPECT_EQ((std::vector<int>{VONKEL_ERR_MEMORY, VONKEL_ERR_MEMORY}), Drain());
    auto posted = sink.Take();
    ASSERT_EQ(3u, posted.size());
    EXPECT_EQ(uint32_t(VONKEL_WM_FRAME), posted[0].message) << "the frame notification goes first";
    EXPECT_EQ(VONKEL_ERR_MEMORY, posted[0].lparam);
    EXPECT_EQ(0u, posted[0].wparam);
    EXPECT_EQ(uint32_t(VONKEL_WM_ERROR), posted[1].message);
    EXPECT_EQ(0, camera.GetImage(nullptr, 640 * 512, 1));
    EXPECT_EQ((std::vector<int>{VONKEL_ERR_MEMORY}), Drain());
}

TEST_F(Acquisition, CallbackFramesCarryTheirDescriptionAndOnlyGrow) {
    std::vector<uint8_t> picture(640 * 512);
    ASSERT_EQ(1, camera.CallBackPreview(sink.Handle(), picture.data(), static_cast<uint32_t>(picture.size()), 1));
    auto frames = WaitForFrames(30);
    ASSERT_EQ(1, camera.StopPreview());
    // The frames come in batches: the last batch may bring the count past 30.
    ASSERT_GE(frames.size(), 30u);
    const FrameInfo info = Info();
    EXPECT_EQ(640, info.width);
    EXPECT_EQ(512, info.height);
    EXPECT_EQ(8, info.bitsPerPixel);
    EXPECT_EQ(reinterpret_cast<uint64_t>(picture.data()), info.buffer);
    for (const SinkMessage &m : frames) {
        EXPECT_EQ(0, m.lparam);
        EXPECT_EQ(reinterpret_cast<uintptr_t>(&camera.LastFrameInfo()), m.wparam);
    }
}

TEST_F(Acquisition, PreviewWithoutFramesEndsWithFrameWaitAndStaysInPreview) {
    sim.Camera(0)->Stall(true);
    camera.Driver()->SetTransferTimeout(300);
    ASSERT_EQ(1, camera.CallBackPreview(sink.Handle(), nullptr, 0, 0));
    std::vector<SinkMessage> frames = WaitForFrames(1);
    ASSERT_EQ(1u, frames.size());
    EXPECT_EQ(VONKEL_ERR_FRAME_WAIT, frames[0].lparam);
    EXPECT_EQ(0u, frames[0].wparam);
    EXPECT_EQ(AcquisitionState::Preview, camera.Mode()) << "StopPreview still has to be called";
    EXPECT_EQ((std::vector<int>{VONKEL_ERR_FRAME_WAIT}), Drain());
    EXPECT_EQ(1, camera.StopPreview());
    EXPECT_EQ(AcquisitionState::Idle, camera.Mode());
}

TEST_F(Acquisition, TriggerModeDeliversOneFramePerTrigger) {
    std::vector<uint8_t> picture(640 * 512);
    ASSERT_EQ(1, camera.Trigger(sink.Handle(), picture.data(), static_cast<uint32_t>(picture.size()), 1));
    EXPECT_EQ(AcquisitionState::Trigger, camera.Mode());
    EXPECT_EQ(0, camera.Trigger(sink.Handle(), picture.data(), static_cast<uint32_t>(picture.size()), 1))
        << "trigger mode runs already: no second capture thread";
    Drain();
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_TRUE(WaitForFrames(1, 0).empty()) << "nothing without a trigger";
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(sim.Camera(0)->Trigger());
        auto frames = WaitForFrames(1);
        ASSERT_EQ(1u, frames.size()) << "trigger " << i;
        EXPECT_EQ(0, frames[0].lparam);
        const FrameInfo info = Info();
        EXPECT_EQ(32, info.size);
        EXPECT_EQ(0, info.fps10);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_TRUE(WaitForFrames(1, 0).empty()) << "one notification per trigger";
    EXPECT_EQ(1, camera.StopPreview());
    EXPECT_EQ(AcquisitionState::Idle, camera.Mode());
}

} // namespace

namespace {

// A new capture window while frames stream: the capture follows it, and the application
// gets frames of the new size instead of a failed transfer for every frame.
TEST_F(Acquisition, ACaptureWindowChangedWhileStreamingIsFollowed) {
    std::vector<uint8_t> picture(640 * 512);
    ASSERT_EQ(1, camera.CallBackPreview(sink.Handle(), picture.data(), static_cast<int32_t>(picture.size()), 1));
    ASSERT_FALSE(WaitForFrames(2).empty());
    ASSERT_EQ(1, camera.SetCaptureWindowEx(640, 64, 320, 512, 32, 256));
    bool resized = false;
    for (int i = 0; i < 200 && !resized; ++i) {
        const auto frames = WaitForFrames(1, 5);
        ASSERT_FALSE(frames.empty()) << "the stream stopped";
        ASSERT_EQ(0, frames[0].lparam) << "a frame failed after the change";
        resized = Info().width == 320 && Info().height == 256;
    }
    EXPECT_TRUE(resized);
    EXPECT_EQ(1, camera.StopPreview());
    EXPECT_TRUE(Drain().empty());
}

} // namespace
