// The recorder thread against the capture thread: recordings that end by themselves, at
// the size limit, when the camera goes away or the disk fills, and refused starts.
#include "AcquisitionFixture.h"
#include "support/AviFile.h"
#include <cstdio>
#include <filesystem>
#if defined(__linux__)
#include <csignal>
#include <sys/resource.h>
#endif

namespace {

class Recording : public Acquisition {
protected:
    Recording() : Acquisition({0}, sim::Pacing::RealTime) {
        const auto *info = ::testing::UnitTest::GetInstance()->current_test_info();
        m_dir = std::filesystem::temp_directory_path() / (std::string("vonkel_rec_") + info->name());
        std::filesystem::remove_all(m_dir);
        std::filesystem::create_directories(m_dir);
    }
    ~Recording() override {
        camera.Close();
        std::filesystem::remove_all(m_dir);
    }
    std::string File(const std::string &name) const { return (m_dir / name).string(); }
    size_t FilesMade() const {
        return static_cast<size_t>(std::distance(std::filesystem::directory_iterator(m_dir), {}));
    }
    // Waits, within a generous bound, for the recorder to finish its file.
    bool Finished(int seconds = 20) {
        auto end = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
        while (camera.Recorder().Active() && std::chrono::steady_clock::now() < end)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        return !camera.Recorder().Active();
    }

private:
    std::filesystem::path m_dir;
};

// The pictures of each colour mode are checked frame for frame through the DLL; here
// the widest one, for the thread and the clock.
TEST_F(Recording, EndsOnceItsTimeHasPassedWithTheMeasuredRate) {
    const std::string name = File("timed.avi");
    ASSERT_EQ(1, camera.SetColorMode(64));
    ASSERT_EQ(1, camera.Record(name.c_str(), 150, 0));
    ASSERT_TRUE(Finished());
    const CAviFile avi(name);
    EXPECT_EQ("", avi.Consistency());
    EXPECT_EQ(640u, avi.U32(64));
    const uint32_t frames = avi.U32(48);
    EXPECT_GE(frames, 2u) << "the first picture and one past the time";
    // The measured rate: the frames span at least the recording time.
    EXPECT_GE(uint64_t{avi.U32(32)} * frames, 150000u - frames) << frames << " frames";
    EXPECT_TRUE(Drain().empty());
}

TEST_F(Recording, ATimeOfZeroGivesTwoFrames) {
    const std::string name = File("zero.avi");
    ASSERT_EQ(1, camera.Record(name.c_str(), 0, 0));
    ASSERT_TRUE(Finished());
    EXPECT_EQ(2u, CAviFile(name).U32(48));
    EXPECT_EQ("", CAviFile(name).Consistency());
    EXPECT_EQ(AcquisitionState::Preview, camera.Mode()) << "the preview goes on after the recording";
}

TEST_F(Recording, EndsAtTheSizeLimitAsIfItsTimeHadPassed) {
    const std::string name = File("limit.avi");
    const uint64_t perFrame = 983048 + 16;
    camera.Recorder().SetSizeLimitForTesting(224 + 8 + 4 * perFrame);
    ASSERT_EQ(1, camera.Record(name.c_str(), 60000, 0));
    ASSERT_TRUE(Finished());
    const CAviFile avi(name);
    EXPECT_EQ("", avi.Consistency());
    EXPECT_EQ(4u, avi.U32(48));
    EXPECT_TRUE(Drain().empty());
}

// The capture follows a new window at once; the file cannot take pictures of another
// size, so the recording ends there instead of running on without frames or an end.
TEST_F(Recording, ANewCaptureWindowEndsTheRecording) {
    const std::string name = File("resized.avi");
    ASSERT_EQ(1, camera.Record(name.c_str(), 60000, 0));
    while (camera.Recorder().FramesWritten() < 2)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    ASSERT_EQ(1, camera.SetCaptureWindowEx(640, 0, 320, 512, 0, 256));
    ASSERT_TRUE(Finished());
    const CAviFile avi(name);
    EXPECT_EQ("", avi.Consistency());
    EXPECT_EQ(640u, avi.U32(64));
    EXPECT_GE(avi.U32(48), 2u);
    EXPECT_TRUE(Drain().empty());
    EXPECT_EQ(AcquisitionState::Preview, camera.Mode());
}

TEST_F(Recording, AnUnpluggedCameraLeavesAFinishedFile) {
    const std::string name = File("unplug.avi");
    ASSERT_EQ(1, camera.Record(name.c_str(), 60000, 0));
    while (camera.Recorder().FramesWritten() < 3)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    sim.Camera(0)->Unplug();
    ASSERT_TRUE(Finished(30)) << "the end of the capture loop ends the recording";
    const CAviFile avi(name);
    EXPECT_EQ("", avi.Consistency());
    EXPECT_GE(avi.U32(48), 3u);
    EXPECT_EQ(std::vector<int>{VONKEL_ERR_FRAME_WAIT}, Drain());
    sim.Camera(0)->Replug();
}

#if defined(__linux__)
// While it lives, files of this process cannot grow past `bytes`, as on a full disk.
class CFileSizeCap {
public:
    explicit CFileSizeCap(rlim_t bytes) {
        m_previousHandler = std::signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &m_previous);
        rlimit cap = m_previous;
        cap.rlim_cur = bytes;
        m_active = setrlimit(RLIMIT_FSIZE, &cap) == 0;
    }
    ~CFileSizeCap() {
        setrlimit(RLIMIT_FSIZE, &m_previous);
        std::signal(SIGXFSZ, m_previousHandler);
    }
    bool Active() const { return m_active; }

private:
    rlimit m_previous{};
    void (*m_previousHandler)(int);
    bool m_active = false;
};
#endif

TEST_F(Recording, AFullDiskEndsTheRecordingWithWhatWasWritten) {
#if !defined(__linux__)
    GTEST_SKIP() << "a full disk is imitated with the file size limit of the process";
#else
    const std::string name = File("full.avi");
    {
        // The headers, three frames and a part of the fourth fit.
        CFileSizeCap cap(232 + 3 * 983048 + 1000);
        ASSERT_TRUE(cap.Active());
        ASSERT_EQ(1, camera.Record(name.c_str(), 60000, 0));
        ASSERT_TRUE(Finished()) << "a failing disk is not asked again and again";
    }
    EXPECT_EQ(std::vector<int>{VONKEL_ERR_CONVERSION}, Drain());
    const CAviFile avi(name);
    EXPECT_EQ("", avi.Consistency()) << "nothing of the failed frame stays behind the index";
    EXPECT_EQ(3u, avi.U32(48));
    EXPECT_EQ(AcquisitionState::Preview, camera.Mode());
#endif
}

TEST_F(Recording, RefusedStartsChangeNothing) {
    const struct {
        const char *name;
        int milliseconds;
        int error;
    } cases[] = {
        {nullptr, 1000, VONKEL_ERR_ARGUMENT},
        {"", 1000, VONKEL_ERR_ARGUMENT},
        {"negative.avi", -1, VONKEL_ERR_ARGUMENT},
    };
    for (const auto &c : cases) {
        const std::string name = c.name && *c.name ? File(c.name) : "";
        EXPECT_EQ(0, camera.Record(c.name ? name.c_str() : nullptr, c.milliseconds, 0));
        EXPECT_EQ(std::vector<int>{c.error}, Drain());
        EXPECT_EQ(AcquisitionState::Idle, camera.Mode());
    }
    EXPECT_EQ(0u, FilesMade());
    // A file that cannot be made: the preview started for it is closed again.
    EXPECT_EQ(0, camera.Record(File("missing/folder.avi").c_str(), 1000, 0));
    EXPECT_EQ(std::vector<int>{VONKEL_ERR_CONVERSION}, Drain());
    EXPECT_EQ(AcquisitionState::Idle, camera.Mode());
    EXPECT_FALSE(camera.Recorder().Active());
}

} // namespace
