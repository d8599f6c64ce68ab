// Every fault the simulated camera can show, on every acquisition path: the notification
// and error the application is told, the last complete picture still there, and the same
// handle streaming again once the camera is back (stop, then a new start). A hang is
// caught by the test's time limit: every wait of the library is bounded by the
// transfer timeout, set short here.
#include "VonkelSdk.h"
#include "camera/CVonkel.h"
#include "sim/Scene.h"
#include "support/MessageSink.h"
#include "support/SimCameras.h"
#include <gtest/gtest.h>
#include <algorithm>
#include <chrono>
#include <filesystem>
#include <thread>

namespace {

enum class Fault { Unplug, ShortFrame, FailedRead, Stall, FailedCommands, VanishBeforeStart };
enum class Path { Preview, CallBack, Capture, SnapShot, Trigger, Record };

const char *Name(Fault f) {
    static const char *names[] = {"unplug", "short frame", "failed read", "stall", "failed commands", "vanish"};
    return names[static_cast<int>(f)];
}

// What the application must see after the fault: the code in the error history (0: none,
// the path retries quietly), and for the callback paths the frame notification with it.
struct Expected {
    Fault fault;
    int32_t streaming; // preview, callback preview, recording: the loop ends
    int32_t single;    // capture and snapshot: the read fails
    int32_t trigger;
};

const Expected kMatrix[] = {
    {Fault::Unplug, VONKEL_ERR_FRAME_WAIT, VONKEL_ERR_TRANSFER, 0},
    {Fault::ShortFrame, VONKEL_ERR_FRAME_WAIT, VONKEL_ERR_TRANSFER, 0},
    {Fault::FailedRead, VONKEL_ERR_FRAME_WAIT, VONKEL_ERR_TRANSFER, 0},
    {Fault::Stall, VONKEL_ERR_FRAME_WAIT, VONKEL_ERR_TRANSFER, 0},
    {Fault::FailedCommands, VONKEL_ERR_FRAME_WAIT, VONKEL_ERR_TRANSFER, 0},
    {Fault::VanishBeforeStart, VONKEL_ERR_FRAME_WAIT, VONKEL_ERR_TRANSFER, 0},
};

constexpr uint32_t kTimeoutMs = 300;
constexpr size_t kPicture = 640 * 512;

class FaultMatrix : public ::testing::TestWithParam<Path> {
protected:
    void SetUp() override {
        ASSERT_EQ(1, camera.Initialize(sink.Handle()));
        camera.SetColorMode(8);
        camera.SetWaitTime(1);
        camera.SetPreviewWindow(nullptr, 0, 0, 0, 0); // no window: frames are not drawn
        sim.Camera(0)->SetAutoTriggerPeriod(20);
        Drain();
    }
    std::vector<int> Drain() {
        std::vector<int> codes;
        for (int c = camera.GetLastError(); c; c = camera.GetLastError())
            codes.push_back(c);
        return codes;
    }
    bool Streaming() const { return GetParam() == Path::Preview || GetParam() == Path::CallBack || GetParam() == Path::Record; }
    bool Single() const { return GetParam() == Path::Capture || GetParam() == Path::SnapShot; }

    int Start() {
        switch (GetParam()) {
        case Path::Preview: return camera.Preview();
        case Path::CallBack: return camera.CallBackPreview(sink.Handle(), delivered.data(), kPicture, 1);
        case Path::Capture: return camera.Capture();
        case Path::SnapShot: return 1;
        case Path::Trigger: return camera.Trigger(sink.Handle(), delivered.data(), kPicture, 1);
        default: return camera.Record(m_avi.c_str(), 600000, 0);
        }
    }
    // The next complete picture the path gives, of the scene (a camera left without its
    // start-up after a re-plug sends black frames); 0 when none came.
    uint32_t NextPicture(uint32_t after) {
        for (int i = 0; i < 2000; ++i) {
            if (Single() && camera.SnapShot(picture.data(), kPicture, 1) != 1)
                return 0;
            if (camera.GetImage(picture.data(), kPicture, 1) == 1) {
                const uint32_t n = sim::DecodeFrameNumberTurned(picture.data(), 640, 512, 1, 640);
                if (n > after && picture[100 * 640 + 100] != 0)
                    return n;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return 0;
    }
    void Inject(Fault f) {
        sim::CSimCamera &cam = *sim.Camera(0);
        switch (f) {
        case Fault::Unplug: case Fault::VanishBeforeStart: cam.Unplug(); break;
        case Fault::ShortFrame: cam.ShortNextFrame(); cam.ShortNextFrame(); break;
        case Fault::FailedRead: cam.FailNextTransfers(1, sim::TransferKind::Image); break;
        case Fault::Stall: cam.Stall(true); break;
        case Fault::FailedCommands: cam.FailNextTransfers(1000000, sim::TransferKind::Command); break;
        }
    }
    void Clear() {
        sim.Camera(0)->Replug();
        sim.Camera(0)->ClearFaults();
    }
    // The codes the application is told until `code` comes, or the time is up.
    std::vector<int> WaitForCode(int32_t code) {
        std::vector<int> seen;
        for (int i = 0; i < 400 && std::find(seen.begin(), seen.end(), code) == seen.end(); ++i) {
            if (Single())
                camera.SnapShot(picture.data(), kPicture, 1);
            for (int c : Drain())
                seen.push_back(c);
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return seen;
    }
    std::vector<intptr_t> FrameFailures() {
        std::vector<intptr_t> codes;
        for (const SinkMessage &m : sink.Take())
            if (m.message == VONKEL_WM_FRAME && m.lparam != 0)
                codes.push_back(m.lparam);
        return codes;
    }

    void TearDown() override {
        camera.Close();
        std::filesystem::remove(m_avi);
    }
    const std::string m_avi = (std::filesystem::temp_directory_path() / "vonkel_fault_matrix.avi").string();
    CScopedCameras sim{{0}, sim::Pacing::RealTime};
    MessageSink sink;
    CVonkel camera{sim.Services()};
    std::vector<uint8_t> delivered = std::vector<uint8_t>(kPicture);
    std::vector<uint8_t> picture = std::vector<uint8_t>(kPicture);
};

TEST_P(FaultMatrix, EveryFaultIsToldAndTheHandleStreamsAgainAfterTheCameraIsBack) {
    for (const Expected &row : kMatrix) {
        SCOPED_TRACE(Name(row.fault));
        const bool vanish = row.fault == Fault::VanishBeforeStart;
        uint32_t before = 0;
        if (vanish) {
            Inject(row.fault);
            Start();
        } else {
            ASSERT_EQ(1, Start()) << "errors " << ::testing::PrintToString(Drain());
            before = NextPicture(0);
            ASSERT_NE(0u, before) << "no picture before the fault";
            camera.Driver()->SetTransferTimeout(kTimeoutMs);
            Drain();
            sink.Take();
            Inject(row.fault);
        }
        const int32_t code = Streaming() ? row.streaming : Single() ? row.single : row.trigger;
        if (code != 0) {
            const std::vector<int> seen = WaitForCode(code);
            EXPECT_NE(seen.end(), std::find(seen.begin(), seen.end(), code)) << "the fault was never told";
            if (GetParam() == Path::CallBack) {
                EXPECT_EQ(std::vector<intptr_t>{code}, FrameFailures());
            }
        }
        if (!vanish) { // the last complete picture is still there
            EXPECT_EQ(1, camera.GetImage(picture.data(), kPicture, 1));
        }
        Clear();
        ASSERT_EQ(1, camera.StopPreview());
        camera.Driver()->SetTransferTimeout(3000);
        ASSERT_EQ(1, Start()) << "the same handle does not start again: " << ::testing::PrintToString(Drain())
                              << ", camera started " << sim.Camera(0)->IsStarted() << ", trigger mode "
                              << int(sim.Camera(0)->PeekFpga(11)) << ", open handles "
                              << sim.Cameras().OpenHandles();
        EXPECT_GT(NextPicture(before), before) << "no new picture after the camera came back: errors "
                                               << ::testing::PrintToString(Drain()) << ", camera started "
                                               << sim.Camera(0)->IsStarted() << ", frames sent "
                                               << sim.Camera(0)->FrameCounter();
        ASSERT_EQ(1, camera.StopPreview());
        Drain();
        sink.Take();
    }
}

std::string PathName(const ::testing::TestParamInfo<Path> &info) {
    static const char *names[] = {"Preview", "CallBack", "Capture", "SnapShot", "Trigger", "Record"};
    return names[static_cast<int>(info.param)];
}

INSTANTIATE_TEST_SUITE_P(Paths, FaultMatrix,
                         ::testing::Values(Path::Preview, Path::CallBack, Path::Capture, Path::SnapShot,
                                           Path::Trigger, Path::Record),
                         PathName);

} // namespace
