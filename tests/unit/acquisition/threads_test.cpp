// The capture thread against the application's threads: entries whose thread cannot
// start, settings changed from another thread and a still image written while frames
// arrive.
#include "AcquisitionFixture.h"
#include "camera/OwnershipTable.h"
#include "output/CDataFile.h"
#include "settings/CRegistrySettings.h"
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <future>
#include <utility>
#if defined(__GLIBC__)
#include <pthread.h>
#endif

namespace {

#if defined(__GLIBC__)
// While it lives, every new thread of the process fails to start for want of stack, as
// on a system out of threads.
class CThreadsRefused {
public:
    CThreadsRefused() {
        pthread_getattr_default_np(&m_previous);
        pthread_attr_t huge;
        pthread_attr_init(&huge);
        pthread_attr_setstacksize(&huge, size_t(1) << 62);
        m_active = pthread_setattr_default_np(&huge) == 0;
        pthread_attr_destroy(&huge);
    }
    ~CThreadsRefused() {
        pthread_setattr_default_np(&m_previous);
        pthread_attr_destroy(&m_previous);
    }
    bool Active() const { return m_active; }

private:
    pthread_attr_t m_previous;
    bool m_active = false;
};

// Calls `entry` on a thread made beforehand while new threads are refused. A call that
// does not return within a generous time ends the process: the stuck thread cannot be joined.
int CallWhileThreadsRefused(const std::function<int()> &entry) {
    std::promise<void> go;
    std::future<void> started = go.get_future();
    std::promise<int> done;
    std::future<int> result = done.get_future();
    std::thread caller([&] {
        started.wait();
        done.set_value(entry());
    });
    {
        CThreadsRefused refused;
        EXPECT_TRUE(refused.Active());
        go.set_value();
        if (result.wait_for(std::chrono::seconds(30)) != std::future_status::ready) {
            std::fprintf(stderr, "the call did not return: it waits for a thread that never started\n");
            std::fflush(stderr);
            std::_Exit(1);
        }
    }
    caller.join();
    return result.get();
}
#endif

TEST_F(Acquisition, EntriesWhoseCaptureThreadCannotStartFailAndLeaveNothingRunning) {
#if !defined(__GLIBC__)
    GTEST_SKIP() << "thread creation is refused through the C library's default attributes";
#else
    EXPECT_EQ(0, CallWhileThreadsRefused([&] { return camera.StartPreview(); }));
    EXPECT_EQ(AcquisitionState::Idle, camera.Mode());
    EXPECT_EQ(std::vector<int>{VONKEL_ERR_THREAD}, Drain());
    EXPECT_EQ(0, CallWhileThreadsRefused([&] { return camera.Trigger(sink.Handle(), nullptr, 0, 0); }));
    EXPECT_EQ(AcquisitionState::Idle, camera.Mode());
    EXPECT_EQ(std::vector<int>{VONKEL_ERR_THREAD}, Drain());
    EXPECT_EQ(0u, sim.Cameras().OpenHandles());
    // Nothing was left behind: the camera streams as usual afterwards.
    ASSERT_EQ(1, camera.CallBackPreview(sink.Handle(), nullptr, 0, 0));
    EXPECT_FALSE(WaitForFrames(2).empty());
    EXPECT_EQ(1, camera.StopPreview());
#endif
}

TEST_F(Acquisition, FramesFollowACallbackWindowChangedWhileStreaming) {
    MessageSink other;
    ASSERT_EQ(1, camera.CallBackPreview(sink.Handle(), nullptr, 0, 0));
    ASSERT_FALSE(WaitForFrames(1).empty());
    for (int i = 0; i < 100; ++i) {
        ASSERT_EQ(1, camera.CallBackPreview(i % 2 ? sink.Handle() : other.Handle(), nullptr, 0, 0));
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ASSERT_EQ(1, camera.CallBackPreview(other.Handle(), nullptr, 0, 0));
    other.Take();
    bool arrived = false;
    for (int i = 0; i < 20000 && !arrived; ++i) {
        for (const SinkMessage &m : other.Take())
            arrived = arrived || (m.message == VONKEL_WM_FRAME && m.lparam == 0);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    EXPECT_TRUE(arrived);
    EXPECT_EQ(1, camera.StopPreview());
    EXPECT_TRUE(Drain().empty());
}

// An application that pans and resizes a region of interest while the mask reads its
// references at the window's place. A frame taken from the stream just before the new
// window restarted it is withdrawn, not reported as a failed transfer.
TEST_F(Acquisition, CaptureWindowMovedWhileStreamingWithTheMaskOn) {
    ASSERT_EQ(1, camera.SetCaptureWindowEx(640, 0, 320, 512, 0, 256));
    ASSERT_EQ(1, camera.SetFilterValue(103, 1));
    ASSERT_EQ(1, camera.CallBackPreview(sink.Handle(), nullptr, 0, 0));
    ASSERT_FALSE(WaitForFrames(1).empty());
    for (int i = 0; i < 60; ++i) {
        const int height = i % 3 ? 256 : 128;
        ASSERT_EQ(1, camera.SetCaptureWindowEx(640, (i % 2) * 320, 320, 512, (i % 2) * 256, height));
        std::this_thread::sleep_for(std::chrono::milliseconds(i % 7));
    }
    EXPECT_EQ(std::vector<int>{}, Drain());
    sink.Take();
    int delivered = 0;
    for (int i = 0; i < 100 && delivered < 3; ++i)
        for (const SinkMessage &m : WaitForFrames(1, 1))
            delivered += m.lparam == 0 ? 1 : 0;
    EXPECT_GE(delivered, 3) << "frames keep coming at the new place";
    EXPECT_EQ(1, camera.StopPreview());
}

// What a still image's next write waits for, as on a slow disk or share; run once.
std::function<void()> g_whileWriting;
void SlowWrite() {
    if (std::function<void()> wait = std::exchange(g_whileWriting, nullptr))
        wait();
}

// A still image is encoded and written outside the image lock: frames keep coming while
// the disk takes its time.
TEST_F(Acquisition, FramesKeepComingWhileAStillImageIsWritten) {
    const std::string name = (std::filesystem::temp_directory_path() / "vonkel_slow_still.raw").string();
    ASSERT_EQ(1, camera.CallBackPreview(sink.Handle(), nullptr, 0, 0));
    ASSERT_FALSE(WaitForFrames(1).empty());
    size_t delivered = 0;
    g_whileWriting = [&] {
        sink.Take();
        delivered = WaitForFrames(3).size();
    };
    CDataFile::SetBeforeWriteForTesting(SlowWrite);
    const int saved = camera.SaveImage(name.c_str(), 1);
    CDataFile::SetBeforeWriteForTesting(nullptr);
    EXPECT_EQ(1, saved);
    EXPECT_EQ(3u, delivered) << "the capture waited for the file";
    EXPECT_EQ(640u * 512u, std::filesystem::file_size(name));
    EXPECT_EQ(1, camera.StopPreview());
    std::remove(name.c_str());
}

class TwoCameras : public Acquisition {
protected:
    TwoCameras() : Acquisition({0, 1}) {}
    bool Claimed(int device) { return ownership::Read(camera.SharedView(), device).ownerWindow != 0; }
};

// A device switch does not stop a running acquisition: the frames come from the new camera.
TEST_F(TwoCameras, DeviceSwitchesWhileFramesAreCopied) {
    ASSERT_EQ(1, camera.CallBackPreview(sink.Handle(), nullptr, 0, 0));
    ASSERT_FALSE(WaitForFrames(1).empty());
    for (int i = 0; i < 5; ++i)
        ASSERT_EQ(1, camera.SetDeviceNumber(1 - i % 2));
    const uint32_t sentBefore = sim.Camera(1)->FrameCounter();
    sink.Take();
    int delivered = 0;
    for (int i = 0; i < 100 && delivered < 3; ++i)
        for (const SinkMessage &m : WaitForFrames(1, 1))
            delivered += m.lparam == 0 ? 1 : 0;
    EXPECT_EQ(3, delivered);
    EXPECT_GT(sim.Camera(1)->FrameCounter(), sentBefore);
    EXPECT_EQ(1, camera.StopPreview());
}

// The claim in the device-ownership table is the one of the device the stream started on.
TEST_F(TwoCameras, StopAfterADeviceSwitchWhileStreamingLeavesNoDeviceClaimed) {
    ASSERT_EQ(1, camera.CallBackPreview(sink.Handle(), nullptr, 0, 0));
    ASSERT_FALSE(WaitForFrames(1).empty());
    ASSERT_TRUE(Claimed(0));
    ASSERT_EQ(1, camera.SetDeviceNumber(1));
    ASSERT_EQ(1, camera.StopPreview());
    EXPECT_FALSE(Claimed(0));
    EXPECT_FALSE(Claimed(1));
    // The camera left behind can be streamed again.
    Drain();
    ASSERT_EQ(1, camera.SetDeviceNumber(0));
    EXPECT_EQ(1, camera.StartPreview());
    EXPECT_EQ(1, camera.StopPreview());
    EXPECT_TRUE(Drain().empty());
}

// A second instance that starts up, or selects the camera another one streams, leaves
// that camera's registers alone: a start-up would stop the sensor and set the window and
// exposure back under the running stream. The second instance may stream it once free.
TEST_F(TwoCameras, AnotherInstanceLeavesAStreamedCameraAlone) {
    // The window's frame length and the exposure's shutter lines, as the stream set them.
    auto timing = [&] {
        std::vector<uint8_t> registers;
        for (uint16_t address : {724, 725, 726, 1088, 1089, 1090})
            registers.push_back(sim.Camera(0)->PeekSensor(address));
        return registers;
    };
    ASSERT_EQ(1, camera.SetCaptureWindowEx(640, 0, 320, 256, 0, 128));
    ASSERT_EQ(1, camera.SetExposureTimeEx(0.002));
    ASSERT_EQ(1, camera.CallBackPreview(sink.Handle(), nullptr, 0, 0));
    ASSERT_FALSE(WaitForFrames(1).empty());
    const std::vector<uint8_t> streamed = timing();
    CVonkel second{sim.Services()};
    ASSERT_EQ(1, second.Initialize(nullptr));
    EXPECT_EQ(streamed, timing());
    ASSERT_EQ(1, second.SetDeviceNumber(1));
    ASSERT_EQ(1, second.SetDeviceNumber(0));
    EXPECT_EQ(streamed, timing());
    EXPECT_EQ(0, second.StartPreview()) << "the camera is claimed";
    sink.Take();
    EXPECT_EQ(3u, WaitForFrames(3).size()) << "the first stream goes on";
    ASSERT_EQ(1, camera.StopPreview());
    ASSERT_EQ(1, second.StartPreview());
    const uint32_t sent = sim.Camera(0)->FrameCounter();
    for (int i = 0; i < 5000 && sim.Camera(0)->FrameCounter() < sent + 3; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    EXPECT_GE(sim.Camera(0)->FrameCounter(), sent + 3);
    EXPECT_EQ(1, second.StopPreview());
}

// The stream format in the registry is the user's to edit: a wait time of 0xFFFFFFFF
// reads as -1, which the capture thread would sleep before its first turn as 49 days (on
// Windows as an endless wait), and the stop would wait for it.
TEST(StoredWaitTime, ANegativeOneIsNotTakenAndTheStreamStopsAsUsual) {
    CScopedCameras sim({0});
    MessageSink sink;
    StreamFormatTable table;
    table.sizes.resize(1);
    table.format = {0, 0, -1, 2};
    ASSERT_EQ(1, CRegistrySettings(sim.Settings()).WriteStreamFormatTable(0, table));
    CVonkel camera{sim.Services()};
    ASSERT_EQ(1, camera.Initialize(sink.Handle()));
    ASSERT_GE(camera.WaitTime(), 0);
    ASSERT_EQ(1, camera.CallBackPreview(sink.Handle(), nullptr, 0, 0));
    bool delivered = false;
    for (int i = 0; i < 20000 && !delivered; ++i) {
        for (const SinkMessage &m : sink.Take())
            delivered = delivered || (m.message == VONKEL_WM_FRAME && m.lparam == 0);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    EXPECT_TRUE(delivered);
    EXPECT_EQ(1, camera.StopPreview());
}

} // namespace
