// Leaks per cycle, seen from outside as an application would see them: the process's
// private bytes and kernel handles stay flat over many preview start/stop cycles and
// many initialise/stream/release cycles. A warm-up comes first (heaps, the Wine server's
// caches); the bounds are generous: a leak of a few KiB a cycle still passes them many
// times over. VONKEL_CYCLES_SCALE=N runs N times the cycles (the long run of
// docs/reliability.md).
#include "support/ProcessStats.h"
#include "win/DllSupport.h"
#include <gtest/gtest.h>
#include <cstdlib>
#include <functional>
#include <vector>

namespace {

constexpr size_t kPicture = 640 * 512;

void Pump() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
        DispatchMessageA(&msg);
}

// Waits for the next frame notification of `window`, pumping this thread's messages.
bool NextFrame(CTestWindow &window) { return !window.WaitFor(VONKEL_WM_FRAME, 1, 10000).empty(); }

struct Cycle {
    const char *name;
    int warmUp, cycles;
    std::function<bool(CTestWindow &, std::vector<uint8_t> &)> run;
};

// A camera kept across the preview cycles.
int g_camera = 0;

const Cycle kCycles[] = {
    {"preview start/stop in a child window", 30, 300,
     [](CTestWindow &w, std::vector<uint8_t> &picture) {
         Vonkel_SetPreviewWindow(g_camera, w.Handle(), 0, 0, 320, 256);
         const bool ok = Vonkel_CallBackPreview(g_camera, w.Handle(), picture.data(), kPicture, 1) == 1 &&
                         NextFrame(w) && Vonkel_StopPreview(g_camera) == 1;
         w.Take(VONKEL_WM_FRAME);
         return ok;
     }},
    {"initialise/stream/release", 10, 100,
     [](CTestWindow &w, std::vector<uint8_t> &picture) {
         const int h = Vonkel_Initialize(w.Handle());
         const bool ok = h && Vonkel_SetColorMode(h, 8) == 1 && Vonkel_SetPreviewWindow(h, nullptr, 0, 0, 0, 0) &&
                         Vonkel_CallBackPreview(h, w.Handle(), picture.data(), kPicture, 1) == 1 && NextFrame(w);
         const bool released = Vonkel_Release(h) == 1;
         w.Take(VONKEL_WM_FRAME);
         return ok && released;
     }},
};

TEST(DllCycles, PrivateBytesAndHandlesStayFlat) {
    CTestWindow window;
    std::vector<uint8_t> picture(kPicture);
    g_camera = Vonkel_Initialize(window.Handle());
    ASSERT_NE(0, g_camera);
    ASSERT_EQ(1, Vonkel_SetColorMode(g_camera, 8));
    const char *scaleText = std::getenv("VONKEL_CYCLES_SCALE");
    const int scale = scaleText && std::atoi(scaleText) > 0 ? std::atoi(scaleText) : 1;
    for (Cycle c : kCycles) {
        c.cycles *= scale;
        SCOPED_TRACE(c.name);
        for (int i = 0; i < c.warmUp; ++i)
            ASSERT_TRUE(c.run(window, picture)) << "warm-up cycle " << i;
        Pump();
        const testsupport::ProcessStats before = testsupport::CurrentProcessStats();
        for (int i = 0; i < c.cycles; ++i)
            ASSERT_TRUE(c.run(window, picture)) << "cycle " << i;
        Pump();
        const testsupport::ProcessStats after = testsupport::CurrentProcessStats();
        const double perCycle = (double(after.privateBytes) - double(before.privateBytes)) / c.cycles;
        std::printf("%s: %d cycles, private %.1f -> %.1f MiB (%.0f bytes a cycle), handles %llu -> %llu\n", c.name,
                    c.cycles, before.privateBytes / 1048576.0, after.privateBytes / 1048576.0, perCycle,
                    static_cast<unsigned long long>(before.handles), static_cast<unsigned long long>(after.handles));
        EXPECT_LT(perCycle, 4096.0) << "private bytes grow with every cycle";
        EXPECT_LE(after.handles, before.handles + 4) << "kernel handles grow with the cycles";
    }
    EXPECT_EQ(1, Vonkel_Release(g_camera));
}

} // namespace
