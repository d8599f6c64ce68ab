// Frame geometry, the transfer thread and its ring, and the single-frame read.
#include "TransportFixture.h"
#include <gtest/gtest.h>
#include <atomic>

namespace {

TEST(Geometry, FullWindowSizesTheTransferAndSlots) {
    sim::CSimulatedCameras cams(SimOf({0}));
    CTestTransport t(cams);
    t.SelectDevice(0);
    ASSERT_EQ(result::kOk, t.SetupBuffers(640, 0, 640, 512, 0, 512, 4));
    EXPECT_EQ(327680, t.FramePixelCount());
    EXPECT_EQ(655360, t.SlotBytes()) << "room for a frame of 16-bit pixels";
    EXPECT_EQ(327680u, t.TransferBytes());
    t.SetWord(1);
    EXPECT_EQ(655360u, t.TransferBytes());
    // An odd window rounds the transfer up to whole kilo-pixels.
    ASSERT_EQ(result::kOk, t.SetupBuffers(36, 0, 36, 20, 0, 20, 4));
    EXPECT_EQ(1024, t.FramePixelCount());
}

TEST(Geometry, RefusedSetupsChangeNothing) {
    sim::CSimulatedCameras cams(SimOf({0}));
    CTestTransport t(cams);
    t.SelectDevice(0);
    EXPECT_EQ(result::kNoMemory, t.StartTransfer()) << "no ring to fill yet";
    EXPECT_FALSE(t.TransferRunning());
    ASSERT_EQ(result::kOk, t.SetupBuffers(64, 0, 64, 32, 0, 32, 4));
    EXPECT_EQ(result::kBadWidth, t.SetupBuffers(0, 0, 64, 32, 0, 32, 4));
    EXPECT_EQ(result::kBadWidth, t.SetupBuffers(64, 0, 68, 32, 0, 32, 4));
    EXPECT_EQ(result::kBadHeight, t.SetupBuffers(64, 0, 64, 32, 4, 32, 4));
    EXPECT_EQ(result::kBadHeight, t.SetupBuffers(64, 0, 64, 0, 0, 0, 4));
    EXPECT_EQ(result::kTooFewSlots, t.SetupBuffers(64, 0, 64, 32, 0, 32, 1));
    EXPECT_EQ(64, t.FrameWidth());
    EXPECT_EQ(32, t.FrameHeight());
    EXPECT_EQ(2048, t.FramePixelCount());
}

TEST(Ring, ThousandFramesArriveNewestFirstAndStrictlyIncreasing) {
    sim::CSimulatedCameras cams(SimOf({0}));
    CStreamingCamera cam(cams, 0, 64, 32);
    EXPECT_EQ(frame_state::kNotRunning, cam.transport.WaitFrame());
    ASSERT_EQ(result::kOk, cam.transport.StartTransfer());
    uint32_t last = 0;
    for (int i = 0; i < 1000; ++i) {
        const uint32_t sentBefore = cam.camera->FrameCounter();
        const uint32_t number = cam.Next();
        ASSERT_GT(number, last) << "frame " << i;
        // The newest completed frame: at most the one being read was still in flight.
        ASSERT_GE(number + 1, sentBefore) << "an older frame was delivered";
        last = number;
    }
    EXPECT_EQ(result::kOk, cam.transport.StopTransfer());
    EXPECT_EQ(result::kOk, cam.transport.StopTransfer());
}

// The hand-over without threads: frame 1 is taken, then the writer completes `late`
// frames before the consumer looks again and takes what it can. In sequence the consumer
// gets every frame the ring could hold, oldest first; the newest order skips to the last.
// The slot the consumer still copies is never filled, and every frame not handed over is
// counted.
TEST(Mailbox, LateConsumersGetWhatTheRingHeldAndCountTheRest) {
    using Order = CFrameMailbox::Order;
    struct Case {
        const char *name;
        Order order;
        int late;
        bool copying; // frame 1 is still being copied while the writer goes on
        std::vector<uint64_t> handed;
        uint64_t dropped;
    };
    const Case cases[] = {
        {"in sequence, two late", Order::InSequence, 2, false, {2, 3}, 0},
        {"in sequence, as many as the ring holds", Order::InSequence, 3, false, {2, 3, 4}, 0},
        {"in sequence, more than the ring holds", Order::InSequence, 5, false, {3, 4, 5, 6}, 1},
        {"in sequence, a slot being copied", Order::InSequence, 5, true, {4, 5, 6}, 2},
        {"newest", Order::Newest, 3, false, {4}, 2},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        CFrameMailbox box;
        box.Start(4);
        box.Publish(box.SlotToFill());
        ASSERT_EQ(CFrameMailbox::Wait::Ready, box.WaitNewer(0, c.order));
        const int copying = box.Held();
        if (!c.copying)
            box.Release();
        for (int i = 0; i < c.late; ++i) {
            const int slot = box.SlotToFill();
            if (c.copying) {
                ASSERT_NE(copying, slot);
            }
            box.Publish(slot);
        }
        box.Release();
        std::vector<uint64_t> handed;
        while (box.WaitNewer(0, c.order) == CFrameMailbox::Wait::Ready) {
            handed.push_back(box.LastHandedOver().sequence);
            box.Release();
        }
        EXPECT_EQ(c.handed, handed);
        EXPECT_EQ(c.dropped, box.LastHandedOver().dropped);
    }
}

TEST(Ring, AWaitEndsWithTheFrameOrWithTheStop) {
    sim::CSimulatedCameras cams(SimOf({0}, sim::Pacing::RealTime));
    CStreamingCamera cam(cams, 0, 64, 32);
    ASSERT_EQ(result::kOk, cam.transport.StartTransfer());
    EXPECT_EQ(frame_state::kReady, cam.transport.WaitFrame(CVKLSdkLib::kFrameWaitMs));
    cam.transport.SetTransferTimeout(200);
    cam.camera->Stall(true);
    std::thread stopper([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        cam.transport.StopTransfer();
    });
    int state = frame_state::kReady;
    while (state == frame_state::kReady) // at most the frame already in flight
        state = cam.transport.WaitFrame(CVKLSdkLib::kFrameWaitMs);
    EXPECT_NE(frame_state::kNoNewFrame, state) << "woken by the stop, not by the six-second bound";
    stopper.join();
}

TEST(Ring, WaitRightAfterStartHasNothingNew) {
    sim::CSimulatedCameras cams(SimOf({0}, sim::Pacing::RealTime));
    CStreamingCamera cam(cams, 0, 64, 32);
    cam.camera->Stall(true);
    ASSERT_EQ(result::kOk, cam.transport.StartTransfer());
    EXPECT_EQ(frame_state::kNoNewFrame, cam.transport.WaitFrame());
    EXPECT_EQ(result::kAlreadyRunning, cam.transport.StartTransfer());
    cam.camera->Stall(false);
    EXPECT_GT(cam.Next(), 0u) << "the running thread was left alone";
    cam.transport.StopTransfer();
}

TEST(Ring, OneShortFrameIsReadAgainAndASecondEndsTheThread) {
    sim::CSimulatedCameras cams(SimOf({0}));
    CStreamingCamera cam(cams, 0, 64, 32);
    cam.camera->ShortNextFrame();
    ASSERT_EQ(result::kOk, cam.transport.StartTransfer());
    const uint32_t first = cam.Next();
    EXPECT_GE(first, 2u) << "the short first frame is never delivered";
    cam.camera->ShortNextFrame();
    ASSERT_TRUE(Eventually([&] { return cam.transport.WaitFrame() == frame_state::kFailed; }));
    EXPECT_EQ(result::kFrameFailed, cam.transport.StopTransfer());
    EXPECT_EQ(result::kOk, cam.transport.StopTransfer()) << "the result is reported once";
    EXPECT_EQ(frame_state::kNotRunning, cam.transport.WaitFrame());
    // A new start begins afresh.
    ASSERT_EQ(result::kOk, cam.transport.StartTransfer());
    EXPECT_GT(cam.Next(), first);
    cam.transport.StopTransfer();
}

TEST(Ring, ThreadWhosePathDoesNotOpenEndsQuietly) {
    sim::CSimulatedCameras cams(SimOf({0}));
    CTestTransport t(cams);
    t.SelectDevice(6);
    t.SetupBuffers(64, 0, 64, 32, 0, 32, 4);
    ASSERT_EQ(result::kOk, t.StartTransfer());
    ASSERT_TRUE(Eventually([&] { return !t.TransferRunning(); }));
    EXPECT_EQ(frame_state::kNotRunning, t.WaitFrame());
    EXPECT_TRUE(t.TransferNeverOpened());
    EXPECT_EQ(result::kOk, t.StopTransfer());
    // A consumer waiting between the next start's thread and its stream must not be told
    // of this run's failure.
    EXPECT_FALSE(t.TransferNeverOpened()) << "the verdict outlives the stop";
}

TEST(Ring, UnplugMidStreamEndsTheThreadWithAFailure) {
    sim::CSimulatedCameras cams(SimOf({0}, sim::Pacing::RealTime));
    CStreamingCamera cam(cams, 0, 640, 512);
    ASSERT_EQ(result::kOk, cam.transport.StartTransfer());
    ASSERT_GT(cam.Next(), 0u);
    cam.camera->Unplug();
    ASSERT_TRUE(Eventually([&] { return cam.transport.WaitFrame() == frame_state::kFailed; }));
    EXPECT_EQ(result::kFrameFailed, cam.transport.StopTransfer());
}

TEST(Ring, StopWhileAReadWaitsReturnsAfterTheTimeout) {
    sim::CSimulatedCameras cams(SimOf({0}));
    CStreamingCamera cam(cams, 0, 64, 32);
    cam.transport.SetTransferTimeout(200);
    cam.camera->Stall(true);
    ASSERT_EQ(result::kOk, cam.transport.StartTransfer());
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    // The stalled read fails at the timeout, the thread sees the stop flag and ends.
    int code = cam.transport.StopTransfer();
    EXPECT_TRUE(code == result::kOk || code == result::kFrameFailed) << code;
    EXPECT_FALSE(cam.transport.TransferRunning());
}

TEST(Ring, TwoCamerasStreamAtOnceWithoutTouchingEachOther) {
    sim::CSimulatedCameras cams(SimOf({0, 1}));
    CStreamingCamera a(cams, 0, 64, 32);
    CStreamingCamera b(cams, 1, 128, 64);
    ASSERT_EQ(result::kOk, a.transport.StartTransfer());
    ASSERT_EQ(result::kOk, b.transport.StartTransfer());
    std::atomic<bool> okA{true}, okB{true};
    auto run = [](CStreamingCamera &c, std::atomic<bool> &ok) {
        uint32_t last = 0;
        for (int i = 0; i < 200; ++i) {
            uint32_t n = c.Next();
            if (n <= last)
                ok = false;
            last = n;
        }
    };
    std::thread ta(run, std::ref(a), std::ref(okA));
    std::thread tb(run, std::ref(b), std::ref(okB));
    ta.join();
    tb.join();
    EXPECT_TRUE(okA);
    EXPECT_TRUE(okB);
    EXPECT_EQ(result::kOk, a.transport.StopTransfer());
    EXPECT_TRUE(b.transport.TransferRunning()) << "stopping one camera leaves the other streaming";
    EXPECT_EQ(result::kOk, b.transport.StopTransfer());
}

TEST(Ring, WindowChangeWhileStreamingRestartsOnTheNewRing) {
    sim::CSimulatedCameras cams(SimOf({0}));
    CStreamingCamera cam(cams, 0, 64, 32);
    ASSERT_EQ(result::kOk, cam.transport.StartTransfer());
    ASSERT_GT(cam.Next(), 0u);
    ASSERT_EQ(result::kOk, cam.transport.SetupBuffers(32, 0, 32, 16, 0, 16, 4));
    EXPECT_TRUE(cam.transport.TransferRunning());
    cam.frame.assign(32 * 16, 0);
    EXPECT_GT(cam.Next(), 0u);
    cam.transport.StopTransfer();
}

// The window may change between the consumer's wait and its copy: the slot it was handed
// belonged to the old ring, and the new thread writes the new ring's slots from the first.
TEST(Ring, AFrameHandedOverBeforeARestartIsNeverTakenFromTheNewRing) {
    sim::CSimulatedCameras cams(SimOf({0}));
    CStreamingCamera cam(cams, 0, 64, 32);
    ASSERT_EQ(result::kOk, cam.transport.StartTransfer());
    ASSERT_TRUE(Eventually([&] { return cam.transport.WaitFrame() == frame_state::kReady; }));
    // From here the camera sends nothing: the restarted thread fills no slot.
    cam.transport.SetTransferTimeout(200);
    cam.camera->Stall(true);
    ASSERT_EQ(result::kOk, cam.transport.SetupBuffers(64, 0, 64, 32, 0, 32, 4));
    ASSERT_TRUE(cam.transport.TransferRunning());
    FrameTarget target{cam.frame.data(), 64, 32, 1};
    // Refused, or a frame the camera sent: never a slot it has not filled (frame number 0).
    if (cam.transport.TakeFrame(&target) == result::kOk) {
        EXPECT_NE(0u, sim::DecodeFrameNumber(cam.frame.data(), 1)) << "a slot the camera never filled was copied";
    }
    EXPECT_NE(result::kOk, cam.transport.TakeFrame(&target)) << "one copy per frame handed over";
    cam.transport.StopTransfer();
}

TEST(Ring, CopiesRefuseOutputsOfAnotherGeometry) {
    sim::CSimulatedCameras cams(SimOf({0}));
    CStreamingCamera cam(cams, 0, 64, 32);
    std::vector<uint8_t> small(16 * 16);
    FrameTarget wrong{small.data(), 16, 16, 1};
    EXPECT_EQ(result::kNullOutput, cam.transport.TakeFrame(nullptr));
    EXPECT_EQ(result::kWrongGeometry, cam.transport.TakeFrame(&wrong));
    EXPECT_EQ(result::kNullOutput, cam.transport.ConvertSingleFrame(nullptr));
    EXPECT_EQ(result::kWrongGeometry, cam.transport.ConvertSingleFrame(&wrong));
    FrameTarget wordTarget{cam.frame.data(), 64, 32, 2};
    EXPECT_EQ(result::kWrongGeometry, cam.transport.ConvertSingleFrame(&wordTarget));
}

TEST(SingleFrame, KeepsItsHandleBetweenReadsAndClosesItOnFailure) {
    sim::CSimulatedCameras cams(SimOf({0}));
    CStreamingCamera cam(cams, 0, 64, 32);
    ASSERT_EQ(result::kOk, cam.transport.ReadSingleFrame());
    EXPECT_EQ(1u, cams.OpenHandles());
    FrameTarget target{cam.frame.data(), 64, 32, 1};
    ASSERT_EQ(result::kOk, cam.transport.ConvertSingleFrame(&target));
    const uint32_t first = sim::DecodeFrameNumber(cam.frame.data(), 1);
    ASSERT_EQ(result::kOk, cam.transport.ReadSingleFrame());
    ASSERT_EQ(result::kOk, cam.transport.ConvertSingleFrame(&target));
    EXPECT_GT(sim::DecodeFrameNumber(cam.frame.data(), 1), first);
    EXPECT_EQ(1u, cams.OpenHandles());

    cam.transport.SetTransferTimeout(100);
    cam.camera->Stall(true);
    EXPECT_EQ(result::kFrameFailed, cam.transport.ReadSingleFrame()) << "a stalled read ends at the timeout";
    EXPECT_EQ(0u, cams.OpenHandles());
    cam.camera->Stall(false);
    EXPECT_EQ(result::kOk, cam.transport.ReadSingleFrame());
    cam.transport.CloseFrameHandle();
    EXPECT_EQ(0u, cams.OpenHandles());

    cam.camera->Unplug();
    EXPECT_EQ(result::kNotOpened, cam.transport.ReadSingleFrame());
    EXPECT_EQ(result::kFrameFailed, cam.transport.LastTransferResult());
}

// A window change from another thread between the read and the copy of a single frame
// (a snapshot, a triggered frame) replaces the buffer the frame was read into.
TEST(SingleFrame, AFrameReadBeforeAWindowChangeIsNotCopiedFromTheNewBuffer) {
    sim::CSimulatedCameras cams(SimOf({0}));
    CStreamingCamera cam(cams, 0, 64, 32);
    FrameTarget target{cam.frame.data(), 64, 32, 1};
    ASSERT_EQ(result::kOk, cam.transport.ReadSingleFrame());
    ASSERT_EQ(result::kOk, cam.transport.SetupBuffers(64, 0, 64, 32, 0, 32, 4));
    // Refused, or a frame the camera sent: never a buffer it has not filled (frame number 0).
    if (cam.transport.ConvertSingleFrame(&target) == result::kOk) {
        EXPECT_NE(0u, sim::DecodeFrameNumber(cam.frame.data(), 1)) << "a buffer the camera never filled was copied";
    }
    // The next read fills the new buffer.
    ASSERT_EQ(result::kOk, cam.transport.ReadSingleFrame());
    ASSERT_EQ(result::kOk, cam.transport.ConvertSingleFrame(&target));
    EXPECT_NE(0u, sim::DecodeFrameNumber(cam.frame.data(), 1));
    cam.transport.CloseFrameHandle();
}

} // namespace
