// The C++ interface (vonkel.hpp) through the DLL, as an application uses it. Run with
// simulated cameras at device numbers 0 and 2 (VONKEL_SIMULATE_DEVICES=0,2).
#include "vonkel/vonkel.hpp"
#include <gtest/gtest.h>
#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>
#include <type_traits>

using namespace std::chrono_literals;

namespace {

// The settings a released camera stores would be the next test's settings: each test
// starts and ends on a machine without them.
struct CleanRegistry {
    CleanRegistry() { Delete(); }
    ~CleanRegistry() { Delete(); }
    static void Delete() { RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\Pelkor\\Vonkel430NVTXQELSdk"); }
};

class CppNoCamera : public ::testing::Test {
    CleanRegistry m_clean;
};

// The simulated camera's 8-bit frames carry their number in the last four pixels.
uint32_t FrameNumber(const vonkel::Frame &f) {
    const vonkel::Bytes last = f.row(f.height() - 1);
    const int w = f.width();
    return last[w - 1] | last[w - 2] << 8 | last[w - 3] << 16 | uint32_t(last[w - 4]) << 24;
}

std::string Head(const std::string &file, size_t bytes) {
    std::ifstream in(file, std::ios::binary);
    std::string head(bytes, '\0');
    in.read(&head[0], static_cast<std::streamsize>(bytes));
    return head.substr(0, static_cast<size_t>(in.gcount()));
}

uint32_t U32At(const std::string &file, std::streamoff offset) {
    std::ifstream in(file, std::ios::binary);
    in.seekg(offset);
    uint32_t v = 0;
    in.read(reinterpret_cast<char *>(&v), 4);
    return v;
}

class Cpp : public ::testing::Test {
    CleanRegistry m_clean; // before the camera, gone after it
protected:
    void SetUp() override {
        cam.setColorMode(vonkel::ColorMode::gray8);
        cam.setWaitTime(1ms);
    }
    vonkel::Camera cam;
};

} // namespace

static_assert(!std::is_copy_constructible_v<vonkel::Camera> && !std::is_copy_assignable_v<vonkel::Camera>);
static_assert(std::is_nothrow_move_constructible_v<vonkel::Camera> && std::is_nothrow_move_assignable_v<vonkel::Camera>);

TEST_F(CppNoCamera, TheHandleMovesAndIsReleasedOnce) {
    int handle = 0;
    {
        vonkel::Camera a;
        handle = a.handle();
        ASSERT_NE(0, handle);
        vonkel::Camera b(std::move(a));
        EXPECT_FALSE(a.valid());
        EXPECT_EQ(handle, b.handle());
        vonkel::Camera c(2);
        const int other = c.handle();
        c = std::move(b); // c's own handle goes now
        EXPECT_EQ(-1, Vonkel_GetColorMode(other)) << "released by the assignment";
        EXPECT_EQ(handle, c.handle());
        EXPECT_EQ(0, c.deviceNumber());
        EXPECT_NE(-1, Vonkel_GetColorMode(handle));
    }
    EXPECT_EQ(-1, Vonkel_GetColorMode(handle)) << "released by the destructor";
}

TEST_F(CppNoCamera, DevicesListsTheSimulatedCameras) {
    const std::vector<vonkel::Device> found = vonkel::devices();
    ASSERT_EQ(2u, found.size());
    EXPECT_EQ(0, found[0].number);
    EXPECT_EQ("Vonkel430NVTX-QEL_01", found[0].name);
    EXPECT_EQ(2, found[1].number);
    EXPECT_EQ("Vonkel430NVTX-QEL_03", found[1].name);
    EXPECT_EQ("Vonkel430NVTX-QEL_03", vonkel::Camera(2).deviceName());
}

// Each failure as an exception and as an error_code, with the library's code; the
// exception's text says what was refused and why.
TEST_F(CppNoCamera, FailuresCarryTheLibrarysCode) {
    struct Case {
        const char *what;
        std::function<void(vonkel::Camera &, std::error_code *)> call;
        vonkel::Errc code;
        const char *says = "";
        bool recorded = true; // the library recorded the code (not the interface's own)
    };
    const Case cases[] = {
        {"filter value out of range",
         [](vonkel::Camera &c, std::error_code *ec) {
             ec ? c.setFilter(vonkel::Filter::brightness, 256, *ec) : c.setFilter(vonkel::Filter::brightness, 256);
         },
         vonkel::Errc::argument},
        {"capture window out of the sensor",
         [](vonkel::Camera &c, std::error_code *ec) {
             const vonkel::Rect r{100, 0, 600, 512};
             ec ? c.setCaptureWindow(r, *ec) : c.setCaptureWindow(r);
         },
         vonkel::Errc::capture_window},
        {"still image before the first frame",
         [](vonkel::Camera &c, std::error_code *ec) {
             ec ? c.save("none.png", vonkel::StillFormat::png, *ec) : c.save("none.png", vonkel::StillFormat::png);
         },
         vonkel::Errc::no_camera, "save to \"none.png\" refused: no picture"},
        {"still image into a missing folder",
         [](vonkel::Camera &c, std::error_code *ec) {
             c.snap();
             const char *path = "no-such-folder/a.png";
             ec ? c.save(path, vonkel::StillFormat::png, *ec) : c.save(path, vonkel::StillFormat::png);
         },
         vonkel::Errc::conversion, "\"no-such-folder/a.png\": the file could not be written", false},
        {"grab without a stream",
         [](vonkel::Camera &c, std::error_code *ec) { ec ? (void)c.grab(10ms, *ec) : (void)c.grab(10ms); },
         vonkel::Errc::no_camera, "grab() refused: no stream"},
        {"grab after stop",
         [](vonkel::Camera &c, std::error_code *ec) {
             c.start();
             c.grab(5s);
             c.stop();
             ec ? (void)c.grab(10ms, *ec) : (void)c.grab(10ms);
         },
         vonkel::Errc::no_camera, "grab() refused: no stream"},
        {"snap while streaming",
         [](vonkel::Camera &c, std::error_code *ec) {
             c.start();
             ec ? (void)c.snap(*ec) : (void)c.snap();
         },
         vonkel::Errc::no_camera, "snap() refused: the camera is streaming"},
        {"device not present",
         [](vonkel::Camera &, std::error_code *ec) {
             if (ec) {
                 vonkel::Camera absent(1, *ec);
                 EXPECT_FALSE(absent.valid());
             } else {
                 vonkel::Camera absent(1);
             }
         },
         vonkel::Errc::device},
        {"moved-from camera",
         [](vonkel::Camera &c, std::error_code *ec) {
             vonkel::Camera taken(std::move(c));
             ec ? c.stop(*ec) : c.stop();
         },
         vonkel::Errc::failed},
    };
    for (const Case &k : cases) {
        SCOPED_TRACE(k.what);
        {
            vonkel::Camera cam;
            try {
                k.call(cam, nullptr);
                ADD_FAILURE() << "no exception";
            } catch (const vonkel::Error &e) {
                EXPECT_EQ(make_error_code(k.code), e.code());
                EXPECT_NE(nullptr, std::strstr(e.what(), k.says)) << e.what();
                if (k.recorded && k.code != vonkel::Errc::failed && k.code != vonkel::Errc::no_camera) {
                    ASSERT_FALSE(e.history().empty());
                    EXPECT_EQ(static_cast<int>(k.code), e.history().front());
                }
            }
            if (cam.valid()) {
                EXPECT_TRUE(cam.errorHistory().empty()) << "the exception took the history";
            }
        }
        {
            vonkel::Camera cam;
            std::error_code ec = make_error_code(vonkel::Errc::none);
            k.call(cam, &ec);
            EXPECT_EQ(make_error_code(k.code), ec);
        }
    }
}

TEST_F(CppNoCamera, SuccessClearsTheErrorCode) {
    vonkel::Camera cam;
    std::error_code ec = make_error_code(vonkel::Errc::transfer);
    cam.setFilter(vonkel::Filter::brightness, 255, ec);
    EXPECT_FALSE(ec);
    EXPECT_EQ(255, cam.filter(vonkel::Filter::brightness));
    EXPECT_STREQ("vonkel", make_error_code(vonkel::Errc::argument).category().name());
    EXPECT_EQ("invalid argument", make_error_code(vonkel::Errc::argument).message());
}

TEST_F(CppNoCamera, ResetSettingsUndoesWhatAReleasedCameraStored) {
    const std::chrono::duration<double> fresh = vonkel::Camera().exposure();
    vonkel::Camera().setExposure(500ms); // stored when the temporary is released
    ASSERT_NEAR(0.5, vonkel::Camera().exposure().count(), 1e-9) << "the next camera starts from it";
    for (int device : {-1, 32}) {
        std::error_code ec;
        vonkel::resetSettings(device, ec);
        EXPECT_EQ(make_error_code(vonkel::Errc::argument), ec) << device;
        EXPECT_THROW(vonkel::resetSettings(device), vonkel::Error) << device;
    }
    EXPECT_NEAR(0.5, vonkel::Camera().exposure().count(), 1e-9) << "a refused reset changes nothing";
    vonkel::resetSettings(0);
    EXPECT_EQ(fresh, vonkel::Camera().exposure());
    std::error_code ec = make_error_code(vonkel::Errc::transfer);
    vonkel::resetSettings(0, ec);
    EXPECT_FALSE(ec) << "nothing stored is no error";
}

TEST_F(Cpp, TypedSettingsReadBackAsSet) {
    cam.setColorMode(vonkel::ColorMode::bgr48);
    EXPECT_EQ(vonkel::ColorMode::bgr48, cam.colorMode()) << "the library reports 44";
    cam.setCaptureWindow({8, 16, 320, 240});
    const vonkel::Rect r = cam.captureWindow();
    EXPECT_EQ(8, r.x);
    EXPECT_EQ(16, r.y);
    EXPECT_EQ(320, r.width);
    EXPECT_EQ(240, r.height);
    cam.setGain(100);
    EXPECT_EQ(100, cam.gain());
    const vonkel::CameraInfo info = cam.info();
    EXPECT_EQ(640, info.width);
    EXPECT_EQ(420, info.gainMax);
    EXPECT_GT(info.exposureMax, info.exposureMin);
}

TEST_F(Cpp, GrabTakesEachNewestFrameOnce) {
    cam.start();
    uint32_t last = 0;
    for (int i = 0; i < 5; ++i) {
        const vonkel::Frame f = cam.grab(5s);
        ASSERT_FALSE(f.empty());
        EXPECT_EQ(640, f.width());
        EXPECT_EQ(512, f.height());
        EXPECT_EQ(8, f.depth());
        EXPECT_EQ(640, f.stride());
        EXPECT_EQ(640u * 512u, f.pixels().size());
        const uint32_t number = FrameNumber(f);
        EXPECT_GT(number, last);
        last = number;
    }
    cam.stop();
    EXPECT_THROW(cam.grab(10ms), vonkel::Error) << "no stream after stop";
}

// An application slower than the camera, taking frames by callback or by grab(): each
// frame says how many came before it and how many of those it never got.
TEST_F(Cpp, ASlowApplicationIsToldWhatItMissed) {
    struct Seen {
        uint64_t sequence, skipped;
        int dropped;
        std::chrono::steady_clock::time_point arrival;
    };
    const auto seen = [](const vonkel::Frame &f) { return Seen{f.sequence(), f.skipped(), f.dropped(), f.arrival()}; };
    const auto takeByCallback = [&](vonkel::Camera &c, std::vector<Seen> *out) {
        std::mutex lock;
        std::condition_variable done;
        c.start([&](const vonkel::Frame &f) {
            std::this_thread::sleep_for(100ms); // several frames come meanwhile
            std::lock_guard<std::mutex> hold(lock);
            out->push_back(seen(f));
            done.notify_all();
        });
        std::unique_lock<std::mutex> hold(lock);
        done.wait_for(hold, 20s, [&] { return out->size() >= 5; });
    };
    const auto takeByGrab = [&](vonkel::Camera &c, std::vector<Seen> *out) {
        c.start();
        for (int i = 0; i < 5; ++i) {
            std::this_thread::sleep_for(100ms);
            out->push_back(seen(c.grab(5s)));
        }
    };
    for (const auto &take : {std::function<void(vonkel::Camera &, std::vector<Seen> *)>(takeByCallback),
                             std::function<void(vonkel::Camera &, std::vector<Seen> *)>(takeByGrab)}) {
        std::vector<Seen> frames;
        take(cam, &frames);
        cam.stop();
        ASSERT_GE(frames.size(), 5u); // a callback under way when stop() came adds one
        for (size_t i = 0; i < frames.size(); ++i) {
            EXPECT_EQ(i + 1, frames[i].sequence - frames[i].skipped) << "the frames the application got, frame " << i;
            EXPECT_GE(frames[i].dropped, 0);
            if (i > 0) {
                EXPECT_GT(frames[i].arrival, frames[i - 1].arrival) << i;
            }
        }
        EXPECT_GT(frames.back().skipped, 0u) << "frames came while the application was busy";
    }
    const vonkel::Frame still = cam.snap();
    EXPECT_EQ(0u, still.sequence() + still.skipped() + static_cast<uint64_t>(still.dropped())) << "not of a stream";
}

TEST_F(Cpp, GrabTimesOut) {
    cam.setWaitTime(3000ms); // the preview loop pauses this long before its first frame
    cam.start();
    std::error_code ec;
    const vonkel::Frame f = cam.grab(100ms, ec);
    EXPECT_EQ(make_error_code(vonkel::Errc::timeout), ec);
    EXPECT_TRUE(f.empty());
    cam.stop(); // ends the pause at once
}

// A callback stream in every colour mode: N frames of the mode's depth and stride.
TEST_F(Cpp, CallbackStreamsFramesInEveryColourMode) {
    struct Case {
        vonkel::ColorMode mode;
        bool subsample;
        int width, height, depth, stride;
    };
    const Case cases[] = {
        {vonkel::ColorMode::gray8, false, 640, 512, 8, 640},
        {vonkel::ColorMode::gray16, false, 640, 512, 16, 1280},
        {vonkel::ColorMode::bgr24, true, 320, 256, 24, 960},
        {vonkel::ColorMode::bgra32, false, 640, 512, 32, 2560},
        {vonkel::ColorMode::bgr48, true, 320, 256, 48, 1920},
        {vonkel::ColorMode::bgra64, false, 640, 512, 64, 5120},
    };
    for (const Case &k : cases) {
        SCOPED_TRACE(static_cast<int>(k.mode));
        cam.setColorMode(k.mode);
        cam.setSubsample(k.subsample);
        std::mutex lock;
        std::condition_variable arrived;
        std::vector<vonkel::Frame> frames;
        const DWORD caller = GetCurrentThreadId();
        DWORD callbackThread = 0;
        cam.start([&](const vonkel::Frame &f) {
            std::lock_guard<std::mutex> hold(lock);
            callbackThread = GetCurrentThreadId();
            frames.push_back(f);
            arrived.notify_all();
        });
        {
            std::unique_lock<std::mutex> hold(lock);
            ASSERT_TRUE(arrived.wait_for(hold, 10s, [&] { return frames.size() >= 10; }));
        }
        cam.stop();
        const size_t delivered = frames.size();
        Sleep(50);
        EXPECT_EQ(delivered, frames.size()) << "no frame after stop";
        EXPECT_NE(caller, callbackThread);
        for (const vonkel::Frame &f : frames) {
            EXPECT_EQ(k.width, f.width());
            EXPECT_EQ(k.height, f.height());
            EXPECT_EQ(k.depth, f.depth());
            EXPECT_EQ(k.stride, f.stride());
            EXPECT_EQ(k.mode, f.colorMode());
            EXPECT_EQ(size_t(k.stride) * k.height, f.pixels().size());
        }
        if (k.mode == vonkel::ColorMode::gray8) {
            for (size_t i = 1; i < frames.size(); ++i)
                EXPECT_GT(FrameNumber(frames[i]), FrameNumber(frames[i - 1]));
        }
    }
}

TEST_F(Cpp, StopRethrowsWhatTheCallbackThrew) {
    std::atomic<int> calls{0};
    cam.start([&](const vonkel::Frame &) {
        ++calls;
        throw std::runtime_error("application failure");
    });
    for (int i = 0; i < 500 && calls == 0; ++i)
        Sleep(10);
    EXPECT_THROW(cam.stop(), std::runtime_error);
    EXPECT_GT(calls.load(), 0);
    cam.start([&](const vonkel::Frame &) {}); // a new stream starts clean
    cam.stop();
}

TEST_F(Cpp, SnapAndSaveStillImages) {
    const vonkel::Frame f = cam.snap();
    EXPECT_EQ(640, f.width());
    EXPECT_GT(FrameNumber(f), 0u);
    struct Case {
        vonkel::StillFormat format;
        const char *file;
        std::string magic;
    };
    const Case cases[] = {
        {vonkel::StillFormat::bmp, "cpp_still.bmp", "BM"},
        {vonkel::StillFormat::png, "cpp_still.dat", "\x89PNG"}, // the number picks the format
        {vonkel::StillFormat::jpeg, "cpp_still.jpg", "\xFF\xD8"},
        {vonkel::StillFormat::tiff, "cpp_still.tif", "II*"},
    };
    for (const Case &k : cases) {
        SCOPED_TRACE(k.file);
        cam.save(k.file, k.format);
        EXPECT_EQ(k.magic, Head(k.file, k.magic.size()));
        std::remove(k.file);
    }
}

TEST_F(Cpp, RecordsAShortAviFile) {
    const char *file = "cpp_record.avi";
    cam.record(file, 300ms);
    Sleep(1500); // the recording ends by itself; the preview runs on
    cam.stop();
    EXPECT_EQ("RIFF", Head(file, 4));
    const uint32_t frames = U32At(file, 48); // the main header's frame count
    EXPECT_GT(frames, 3u);
    EXPECT_LT(frames, 60u) << "300 ms at most 71 frames a second";
    std::remove(file);
}
