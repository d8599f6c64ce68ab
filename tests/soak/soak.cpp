// vonkel_soak [--minutes M | --seconds S] [--cameras C] [--report-seconds R]
//
// C cameras (device numbers 0 to C-1) stream at the camera's full rate into this
// program's window for M minutes, as an application with one window thread would run
// them. Once a report period (a minute) it prints the process's private bytes and
// handles, the frames delivered per camera, the frames that never reached the
// application (gaps in the frame numbers the simulated camera writes into its pictures:
// a machine that cannot process four cameras at their full rate loses what the ring
// cannot hold rather than falling further behind) and the errors. Exit 1
// when a camera stopped delivering, an error was told, or private bytes or handles grew
// from the first report to the last; the figures are for docs/reliability.md.
#include "VonkelSdk.h"
#include "support/ProcessStats.h"
#include <windows.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr int kWidth = 640, kHeight = 512;

struct Stream {
    int handle = 0;
    std::vector<uint8_t> picture = std::vector<uint8_t>(size_t(kWidth) * kHeight);
    uint64_t frames = 0, lost = 0, failures = 0;
    uint32_t lastNumber = 0;
};

// The camera writes its frame number into its first four pixels; top row first, the
// picture's 180-degree turn puts them at the end of the last row.
uint32_t FrameNumber(const uint8_t *picture) {
    const uint8_t *last = picture + size_t(kHeight - 1) * kWidth;
    return last[kWidth - 1] | last[kWidth - 2] << 8 | last[kWidth - 3] << 16 | uint32_t(last[kWidth - 4]) << 24;
}

void Count(Stream &s) {
    const uint32_t number = FrameNumber(s.picture.data());
    if (s.lastNumber && number > s.lastNumber + 1)
        s.lost += number - s.lastNumber - 1;
    s.lastNumber = number;
    ++s.frames;
}

} // namespace

int main(int argc, char **argv) {
    int seconds = 3600, cameras = 4, reportSeconds = 60;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (!std::strcmp(argv[i], "--minutes")) seconds = 60 * std::atoi(argv[i + 1]);
        else if (!std::strcmp(argv[i], "--seconds")) seconds = std::atoi(argv[i + 1]);
        else if (!std::strcmp(argv[i], "--cameras")) cameras = std::atoi(argv[i + 1]);
        else if (!std::strcmp(argv[i], "--report-seconds")) reportSeconds = std::atoi(argv[i + 1]);
    }
    if (!std::getenv("VONKEL_SIMULATE") && !std::getenv("VONKEL_SIMULATE_DEVICES"))
        _putenv_s("VONKEL_SIMULATE", std::to_string(cameras).c_str());
    WNDCLASSA wc{};
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "VonkelSoak";
    RegisterClassA(&wc);
    HWND window = CreateWindowA("VonkelSoak", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);

    std::vector<Stream> streams(cameras);
    for (int c = 0; c < cameras; ++c) {
        Stream &s = streams[c];
        s.handle = Vonkel_Initialize(window);
        if (!s.handle || !Vonkel_SetDeviceNumber(s.handle, c) || !Vonkel_SetColorMode(s.handle, 8) ||
            !Vonkel_SetWaitTime(s.handle, 0) || !Vonkel_SetPreviewWindow(s.handle, nullptr, 0, 0, 0, 0) ||
            !Vonkel_CallBackPreview(s.handle, window, s.picture.data(), int(s.picture.size()), 1)) {
            std::printf("soak: camera %d does not start\n", c);
            return 1;
        }
    }
    std::printf("soak: %d cameras for %d s\n", cameras, seconds);
    std::printf("second  private MiB  handles  frames per camera  lost  errors\n");
    const DWORD start = GetTickCount();
    DWORD nextReport = start + reportSeconds * 1000u;
    uint64_t errors = 0;
    bool stalled = false;
    std::vector<uint64_t> framesAtReport(cameras, 0);
    testsupport::ProcessStats first{}, last{};
    for (int report = 1; report <= seconds / reportSeconds;) {
        MSG msg;
        if (MsgWaitForMultipleObjects(0, nullptr, FALSE, 100, QS_ALLINPUT) == WAIT_OBJECT_0)
            while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
                if (msg.message == VONKEL_WM_FRAME) {
                    const auto *info = reinterpret_cast<const VONKEL_FRAME_INFO *>(msg.wParam);
                    for (Stream &s : streams)
                        if (info && msg.lParam == 0 && info->buffer == s.picture.data())
                            Count(s);
                    if (msg.lParam != 0)
                        ++errors;
                } else if (msg.message == VONKEL_WM_ERROR) {
                    ++errors;
                }
                DispatchMessageA(&msg);
            }
        if (int(GetTickCount() - nextReport) < 0)
            continue;
        nextReport += reportSeconds * 1000u;
        const testsupport::ProcessStats stats = testsupport::CurrentProcessStats();
        (report == 1 ? first : last) = stats;
        uint64_t lost = 0;
        std::string frames;
        for (int c = 0; c < cameras; ++c) {
            frames += std::to_string(streams[c].frames) + " ";
            lost += streams[c].lost;
            stalled = stalled || streams[c].frames == framesAtReport[c];
            framesAtReport[c] = streams[c].frames;
        }
        std::printf("%6d  %11.1f  %7llu  %s %5llu  %6llu\n", report * reportSeconds,
                    stats.privateBytes / 1048576.0, static_cast<unsigned long long>(stats.handles), frames.c_str(),
                    static_cast<unsigned long long>(lost), static_cast<unsigned long long>(errors));
        std::fflush(stdout);
        ++report;
    }
    uint64_t lost = 0;
    for (Stream &s : streams) {
        lost += s.lost;
        Vonkel_Release(s.handle);
    }
    DestroyWindow(window);
    // Flat: what the heap and the system's bookkeeping need settles within the first period.
    const bool grew = last.privateBytes > first.privateBytes + (8u << 20) || last.handles > first.handles + 8;
    const bool ok = !stalled && errors == 0 && (last.handles == 0 || !grew);
    std::printf("soak: %s\n", ok ? "passed" : "FAILED");
    return ok ? 0 : 1;
}
