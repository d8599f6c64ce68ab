// Frames on the image pipe: their size, numbers, pacing, trigger mode, the faults, and
// several handles and cameras at once.
#include "SimHost.h"
#include "sim/Scene.h"
#include "sim/SimConstants.h"
#include <gtest/gtest.h>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>

namespace {

using simtest::CFrame;
using simtest::CSimHost;
using simtest::MakeCommand;
using Clock = std::chrono::steady_clock;

constexpr uint32_t kFullFrame = 640 * 512;

sim::CSimConfig Fast(std::vector<int> devices, bool still = false) {
    sim::CSimConfig config;
    config.devices = std::move(devices);
    config.pacing = sim::Pacing::AsFastAsPossible;
    config.still = still;
    return config;
}

long long MsSince(Clock::time_point start) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

// Hang detection only: a wait that should end at its timeout must end long before this.
constexpr long long kHangMs = 20000;

TEST(SimFrames, SizeFollowsTransferSizeAndSampleWidth) {
    sim::CSimulatedCameras cams(Fast({0}));
    CSimHost host(cams);
    CFrame f = host.ReadFrame(0, kFullFrame);
    EXPECT_TRUE(f.ok);
    EXPECT_EQ(kFullFrame, f.bytes) << "power-on: 640 x 512 8-bit pixels";

    host.Send(0, MakeCommand({0x09, 0x00, 0x04, 0x00, 0x00}));
    EXPECT_EQ(1024u, host.ReadFrame(0, 4096).bytes) << "a larger buffer gets the frame and the real count";
    host.WriteFpga(0, 1, 0x08);
    EXPECT_EQ(2048u, host.ReadFrame(0, 4096).bytes) << "FPGA registers 0-3 written last";
    EXPECT_EQ(8, host.ReadFpga(0, 1));
    host.WriteFpga(0, 14, 5);
    EXPECT_EQ(4096u, host.ReadFrame(0, 4096).bytes) << "16-bit samples";
    f = host.ReadFrame(0, 4095);
    EXPECT_FALSE(f.ok) << "a smaller buffer fails";
    EXPECT_EQ(0u, f.bytes);
    host.WriteFpga(0, 14, 4);
    host.Send(0, MakeCommand({0x09, 0x00, 0x00, 0x2F, 0x00})); // 3 080 192 pixels: the large code
    platform::DeviceHandle h = host.Open(0);
    f = host.ReadFrame(h, 0x2F0000, platform::IOCTL_PIPE_IN_DIRECT_LARGE);
    EXPECT_TRUE(f.ok);
    EXPECT_EQ(0x2F0000u, f.bytes);
    host.Send(0, MakeCommand({0x09, 0x00, 0x00, 0x00, 0x02})); // 32 Mi pixels: more than the logic frames
    EXPECT_FALSE(host.ReadFrame(h, 4096).ok);
    cams.Close(h);
}

TEST(SimFrames, NumbersCountUpInBothSampleWidths) {
    sim::CSimulatedCameras cams(Fast({0}));
    CSimHost host(cams);
    cams.Camera(0)->ForceStarted();
    platform::DeviceHandle h = host.Open(0);
    for (uint32_t expected = 1; expected <= 3; ++expected) {
        CFrame f = host.ReadFrame(h, kFullFrame);
        ASSERT_TRUE(f.ok);
        EXPECT_EQ(expected, sim::DecodeFrameNumber(f.data.data(), 1));
    }
    host.WriteFpga(0, 14, 5);
    CFrame f = host.ReadFrame(h, 2 * kFullFrame);
    ASSERT_TRUE(f.ok);
    EXPECT_EQ(4u, sim::DecodeFrameNumber(f.data.data(), 2));
    EXPECT_EQ(0, f.data[1]) << "the number's bytes are the low bytes of 16-bit samples";
    EXPECT_EQ(4u, cams.Camera(0)->FrameCounter());
    // After a host's 180-degree turn the number sits at the end of the last row, backwards.
    std::vector<uint8_t> turned(f.data.size());
    for (uint32_t i = 0; i < kFullFrame; ++i)
        std::copy_n(&f.data[2 * i], 2, &turned[2 * (kFullFrame - 1 - i)]);
    EXPECT_EQ(4u, sim::DecodeFrameNumberTurned(turned.data(), 640, 512, 2, 1280));
    cams.Close(h);
}

TEST(SimFrames, BlackUntilStartedAndStillFramesAreIdentical) {
    sim::CSimulatedCameras cams(Fast({0}));
    CSimHost host(cams);
    CFrame f = host.ReadFrame(0, kFullFrame);
    ASSERT_TRUE(f.ok);
    EXPECT_EQ(1, f.data[0]);
    EXPECT_TRUE(std::all_of(f.data.begin() + 4, f.data.end(), [](uint8_t b) { return b == 0; }));
    host.StartUp(0);
    f = host.ReadFrame(0, kFullFrame);
    EXPECT_GT(std::count_if(f.data.begin() + 4, f.data.end(), [](uint8_t b) { return b != 0; }), 300000);

    sim::CSimulatedCameras still(Fast({0}, true));
    CSimHost stillHost(still);
    stillHost.StartUp(0);
    CFrame a = stillHost.ReadFrame(0, kFullFrame), b = stillHost.ReadFrame(0, kFullFrame);
    ASSERT_TRUE(a.ok && b.ok);
    EXPECT_EQ(a.data, b.data);
    EXPECT_NE(f.data, a.data) << "the moving scene differs from the still one in the number and the bar";
}

TEST(SimFrames, ReadWithoutFrameRequestTimesOut) {
    sim::CSimulatedCameras cams(Fast({0}));
    CSimHost host(cams);
    host.SetTimeout(0, 100);
    platform::DeviceHandle h = host.Open(0);
    std::vector<uint8_t> buffer(kFullFrame);
    uint32_t n = 0;
    const auto start = Clock::now();
    EXPECT_FALSE(host.Pipe(h, platform::IOCTL_PIPE_IN_DIRECT, 2, buffer.data(), kFullFrame, &n));
    EXPECT_GE(MsSince(start), 100);
    EXPECT_LT(MsSince(start), kHangMs);
    EXPECT_TRUE(host.ReadFrame(h, kFullFrame).ok);
    cams.Close(h);
}

TEST(SimPacing, RealPaceFollowsTheFrameLengthAndCanBeSwitchedOff) {
    sim::CSimConfig config;
    config.devices = {0};
    sim::CSimulatedCameras cams(config);
    CSimHost host(cams);
    host.SetTimeout(0, 150);
    host.WriteSensorField(0, 724, 3, 0xFFFFFF); // 224 s per frame
    platform::DeviceHandle h = host.Open(0);
    host.Send(0, MakeCommand({0x01}));
    EXPECT_FALSE(host.ReadFrame(h, kFullFrame).ok) << "no frame within the timeout at the real pace";
    cams.SetPacing(sim::Pacing::AsFastAsPossible);
    EXPECT_TRUE(host.ReadFrame(h, kFullFrame).ok);

    cams.SetPacing(sim::Pacing::RealTime);
    host.WriteSensorField(0, 724, 3, 374); // 5.0 ms per frame
    // The frames fall on a grid from the stream start: taking the time before it makes
    // six periods a true lower bound.
    const auto start = Clock::now();
    host.Send(0, MakeCommand({0x01}));
    for (int i = 0; i < 6; ++i)
        ASSERT_TRUE(host.ReadFrame(h, kFullFrame).ok) << i << " " << MsSince(start);
    EXPECT_GE(MsSince(start), 6 * 374 * sim::kLineTimeNs / 1e6 - 1) << "six frame periods at least";
    cams.Close(h);
}

TEST(SimTrigger, FramesOnlyAfterTriggers) {
    sim::CSimulatedCameras cams(Fast({0}));
    CSimHost host(cams);
    sim::CSimCamera &cam = *cams.Camera(0);
    EXPECT_FALSE(cam.Trigger()) << "not in trigger mode";
    host.WriteFpga(0, 11, 9);
    host.SetTimeout(0, 200);
    platform::DeviceHandle h = host.Open(0);
    auto start = Clock::now();
    EXPECT_FALSE(host.ReadFrame(h, kFullFrame).ok) << "no trigger";
    EXPECT_GE(MsSince(start), 200);
    EXPECT_LT(MsSince(start), kHangMs);

    for (int i = 0; i < 3; ++i)
        EXPECT_TRUE(cam.Trigger());
    EXPECT_EQ(3u, cam.PendingTriggers());
    for (int i = 0; i < 3; ++i)
        EXPECT_TRUE(host.ReadFrame(h, kFullFrame).ok) << i;
    EXPECT_FALSE(host.ReadFrame(h, kFullFrame).ok) << "one frame per trigger";

    // A trigger while a read waits lets it go.
    std::thread trigger([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        cam.Trigger();
    });
    host.SetTimeout(0, 60000);
    start = Clock::now();
    EXPECT_TRUE(host.ReadFrame(h, kFullFrame).ok);
    EXPECT_LT(MsSince(start), kHangMs);
    trigger.join();

    cam.Trigger();
    host.WriteFpga(0, 11, 0);
    EXPECT_EQ(0u, cam.PendingTriggers()) << "leaving trigger mode drops pending triggers";
    EXPECT_TRUE(host.ReadFrame(h, kFullFrame).ok) << "free-running again";
    cams.Close(h);
}

TEST(SimTrigger, AutomaticTriggerPeriod) {
    sim::CSimConfig config = Fast({0});
    config.autoTriggerMs = 10;
    sim::CSimulatedCameras cams(config);
    CSimHost host(cams);
    // The trigger clock starts with trigger mode: the time taken before it bounds five
    // periods from below.
    const auto start = Clock::now();
    host.WriteFpga(0, 11, 9);
    platform::DeviceHandle h = host.Open(0);
    for (int i = 0; i < 5; ++i)
        ASSERT_TRUE(host.ReadFrame(h, kFullFrame).ok);
    EXPECT_GE(MsSince(start), 50) << "five triggers 10 ms apart";
    cams.Camera(0)->SetAutoTriggerPeriod(0);
    host.SetTimeout(0, 100);
    EXPECT_FALSE(host.ReadFrame(h, kFullFrame).ok);
    cams.Close(h);
}

TEST(SimFaults, FailedShortAndStalledFrames) {
    sim::CSimulatedCameras cams(Fast({0}));
    CSimHost host(cams);
    sim::CSimCamera &cam = *cams.Camera(0);
    platform::DeviceHandle h = host.Open(0);
    cam.FailNextTransfers(2, sim::TransferKind::Image);
    EXPECT_FALSE(host.ReadFrame(h, kFullFrame).ok);
    EXPECT_FALSE(host.ReadFrame(h, kFullFrame).ok);
    EXPECT_TRUE(host.WriteSensor(0, 1, 1)) << "only image transfers were to fail";
    EXPECT_TRUE(host.ReadFrame(h, kFullFrame).ok);

    cam.ShortNextFrame();
    CFrame f = host.ReadFrame(h, kFullFrame);
    EXPECT_TRUE(f.ok);
    EXPECT_EQ(kFullFrame / 2, f.bytes);
    EXPECT_EQ(kFullFrame, host.ReadFrame(h, kFullFrame).bytes);

    host.SetTimeout(0, 150);
    cam.Stall(true);
    const auto start = Clock::now();
    EXPECT_FALSE(host.ReadFrame(h, kFullFrame).ok);
    EXPECT_GE(MsSince(start), 150);
    EXPECT_LT(MsSince(start), kHangMs);
    cam.Stall(false);
    EXPECT_TRUE(host.ReadFrame(h, kFullFrame).ok);
    cams.Close(h);
}

TEST(SimFaults, PlannedFaultsFollowTheFramesAndTheFirstStreamStart) {
    sim::CSimConfig config = Fast({0});
    config.faults = *sim::CFaultPlan::Parse("unplug=150,replug=300,fail_every=3,short_every=2");
    sim::CSimulatedCameras cams(config);
    CSimHost host(cams);
    platform::DeviceHandle h = host.Open(0);
    std::string seen; // f failed, s short, w whole
    for (int i = 0; i < 6; ++i) {
        const CFrame f = host.ReadFrame(h, kFullFrame);
        seen += !f.ok ? 'f' : f.bytes < kFullFrame ? 's' : 'w';
    }
    EXPECT_EQ("wsfswf", seen) << "the third frames fail, the second ones are short, failing wins";
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_TRUE(cams.Camera(0)->IsPlugged()) << "the clock starts with the first stream start";
    const auto start = Clock::now();
    host.Send(0, MakeCommand({0x01}));
    while (cams.Camera(0)->IsPlugged() && MsSince(start) < kHangMs)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    EXPECT_GE(MsSince(start), 150);
    EXPECT_FALSE(host.ReadFrame(h, kFullFrame).ok) << "handles from before the unplug stay dead";
    while (!cams.Camera(0)->IsPlugged() && MsSince(start) < kHangMs)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    EXPECT_GE(MsSince(start), 300);
    EXPECT_TRUE(host.ReadFrame(0, kFullFrame).ok) << "a new handle reads again";
    cams.Close(h);
}

TEST(SimFaults, ASlowLinkStretchesTheFramePeriod) {
    sim::CSimConfig config;
    config.devices = {0};
    config.faults.linkPercent = 50;
    sim::CSimulatedCameras cams(config);
    CSimHost host(cams);
    platform::DeviceHandle h = host.Open(0);
    host.Send(0, MakeCommand({0x01}));
    ASSERT_TRUE(host.ReadFrame(h, kFullFrame).ok);
    const auto start = Clock::now();
    for (int i = 0; i < 5; ++i)
        ASSERT_TRUE(host.ReadFrame(h, kFullFrame).ok);
    // The power-on frame length of 556 lines is 7.4 ms a frame; at half the rate 14.9 ms.
    EXPECT_GE(MsSince(start), 70);
    cams.Close(h);
}

TEST(SimFaults, UnplugEndsAWaitingReadPromptly) {
    sim::CSimulatedCameras cams(Fast({0}));
    CSimHost host(cams);
    sim::CSimCamera &cam = *cams.Camera(0);
    host.SetTimeout(0, 600000);
    for (bool stall : {false, true}) {
        cam.Stall(stall);
        host.WriteFpga(0, 11, stall ? 0 : 9); // waits for a trigger, or stalls
        platform::DeviceHandle h = host.Open(0);
        std::atomic<bool> done{false};
        CFrame f;
        std::thread reader([&] {
            f = host.ReadFrame(h, kFullFrame);
            done = true;
        });
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        EXPECT_FALSE(done);
        const auto start = Clock::now();
        cam.Unplug();
        reader.join();
        EXPECT_LT(MsSince(start), kHangMs);
        EXPECT_FALSE(f.ok);
        EXPECT_FALSE(host.ReadFrame(h, kFullFrame).ok);
        cams.Close(h);
        cam.Replug();
        host.SetTimeout(0, 600000);
    }
}

TEST(SimConcurrency, TwoCamerasStreamWhileRegistersChange) {
    sim::CSimulatedCameras cams(Fast({0, 1}));
    CSimHost host(cams);
    host.StartUp(0);
    host.StartUp(1);
    std::atomic<bool> failed{false};
    auto stream = [&](int device) {
        platform::DeviceHandle h = host.Open(device);
        uint32_t last = 0;
        for (int i = 0; i < 60; ++i) {
            CFrame f = host.ReadFrame(h, 2 * kFullFrame);
            const uint32_t bytesPerPixel = f.bytes == 2 * kFullFrame ? 2 : 1;
            const uint32_t number = sim::DecodeFrameNumber(f.data.data(), bytesPerPixel);
            if (!f.ok || number <= last)
                failed = true;
            last = number;
        }
        cams.Close(h);
    };
    std::thread a(stream, 0), b(stream, 1);
    for (int i = 0; i < 40; ++i) {
        host.WriteSensor(0, 1028, uint8_t(i & 3));
        host.WriteFpga(0, 14, i % 2 ? 5 : 4);
        if (host.ReadSensor(1, 1028) != 0)
            failed = true;
        host.ReadMemory(0, 0x1EC0);
    }
    a.join();
    b.join();
    EXPECT_FALSE(failed);
    EXPECT_EQ(60u, cams.Camera(1)->FrameCounter());
}

} // namespace
