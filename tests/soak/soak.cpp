// vonkel_soak [--minutes M | --seconds S] [--cameras C] [--report-seconds R]
//
// C cameras (device numbers 0 to C-1) stream at the camera's full rate (2 ms exposure,
// the defect filters off; both restored before release) into this program's window for M
// minutes, as an application with one window thread would run them. Once a report period
// (a minute) it prints the process's private bytes and handles, the frames delivered per
// camera, the frames the library never delivered and the errors. Undelivered frames are
// counted twice over: by the library itself (the frame description's `dropped`), and from
// outside as the camera's frame numbers (written into its first pixels) that got no
// notification. The application's one buffer per camera may be overwritten before a late
// window thread reads it, so a gap in the numbers it reads is not a lost frame: a
// notification is counted, and the numbers only give the span of frames the camera sent.
// Exit 1 when a camera stopped delivering, an error was told, or private bytes or handles
// grew from the first report to the last; the figures are for docs/reliability.md.
#include "VonkelSdk.h"
#include "support/ProcessStats.h"
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>
#include <windows.h>

namespace {

constexpr int kWidth = 640, kHeight = 512;

struct Stream {
    int handle = 0;
    std::vector<uint8_t> picture = std::vector<uint8_t>(size_t(kWidth) * kHeight);
    uint64_t frames = 0;
    uint32_t firstNumber = 0, topNumber = 0, dropped = 0;
    double exposureBefore = 0;
    int configBefore = 0;

    // Frames the camera sent from the first one read to the newest, less those notified.
    uint64_t Undelivered() const {
        const uint64_t sent = firstNumber ? uint64_t(topNumber - firstNumber) + 1 : 0;
        return sent > frames ? sent - frames : 0;
    }
};

// The camera writes its frame number into its first four pixels; top row first, the
// picture's 180-degree turn puts them at the end of the last row.
uint32_t FrameNumber(const uint8_t *picture) {
    const uint8_t *last = picture + size_t(kHeight - 1) * kWidth;
    return last[kWidth - 1] | last[kWidth - 2] << 8 | last[kWidth - 3] << 16 | uint32_t(last[kWidth - 4]) << 24;
}

void Count(Stream &s, const VONKEL_FRAME_INFO &info) {
    const uint32_t number = FrameNumber(s.picture.data());
    if (!s.firstNumber)
        s.firstNumber = number;
    s.topNumber = std::max(s.topNumber, number);
    s.dropped = info.dropped;
    ++s.frames;
}

} // namespace

int main(int argc, char **argv) {
    int seconds = 3600, cameras = 4, reportSeconds = 60;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (!std::strcmp(argv[i], "--minutes"))
            seconds = 60 * std::atoi(argv[i + 1]);
        else if (!std::strcmp(argv[i], "--seconds"))
            seconds = std::atoi(argv[i + 1]);
        else if (!std::strcmp(argv[i], "--cameras"))
            cameras = std::atoi(argv[i + 1]);
        else if (!std::strcmp(argv[i], "--report-seconds"))
            reportSeconds = std::atoi(argv[i + 1]);
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
        bool ok = s.handle && Vonkel_SetDeviceNumber(s.handle, c);
        if (ok) {
            s.exposureBefore = Vonkel_GetExposureTimeEx(s.handle, nullptr);
            s.configBefore = Vonkel_GetConfigFilter(s.handle);
        }
        if (!ok || !Vonkel_SetColorMode(s.handle, 8) || !Vonkel_SetExposureTimeEx(s.handle, 0.002) ||
            !Vonkel_SetConfigFilter(s.handle, 0) || !Vonkel_SetWaitTime(s.handle, 0) ||
            !Vonkel_SetPreviewWindow(s.handle, nullptr, 0, 0, 0, 0) ||
            !Vonkel_CallBackPreview(s.handle, window, s.picture.data(), int(s.picture.size()), 1)) {
            std::printf("soak: camera %d does not start\n", c);
            return 1;
        }
    }
    std::printf("soak: %d cameras for %d s\n", cameras, seconds);
    std::printf("second  private MiB  handles  frames per camera  undelivered  dropped  errors\n");
    const DWORD start = GetTickCount();
    DWORD nextReport = start + reportSeconds * 1000u;
    uint64_t errors = 0;
    bool stalled = false;
    std::vector<uint64_t> framesAtReport(cameras, 0);
    testsupport::ProcessStats first{}, last{};
    auto takeMessages = [&] {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == VONKEL_WM_FRAME) {
                const auto *info = reinterpret_cast<const VONKEL_FRAME_INFO *>(msg.wParam);
                for (Stream &s : streams)
                    if (info && msg.lParam == 0 && info->buffer == s.picture.data())
                        Count(s, *info);
                if (msg.lParam != 0)
                    ++errors;
            } else if (msg.message == VONKEL_WM_ERROR) {
                ++errors;
            }
            DispatchMessageA(&msg);
        }
    };
    auto totals = [&](uint64_t *undelivered, uint64_t *dropped) {
        *undelivered = *dropped = 0;
        for (const Stream &s : streams) {
            *undelivered += s.Undelivered();
            *dropped += s.dropped;
        }
    };
    for (int report = 1; report <= seconds / reportSeconds;) {
        if (MsgWaitForMultipleObjects(0, nullptr, FALSE, 100, QS_ALLINPUT) == WAIT_OBJECT_0)
            takeMessages();
        if (int(GetTickCount() - nextReport) < 0)
            continue;
        nextReport += reportSeconds * 1000u;
        const testsupport::ProcessStats stats = testsupport::CurrentProcessStats();
        (report == 1 ? first : last) = stats;
        uint64_t undelivered, dropped;
        totals(&undelivered, &dropped);
        std::string frames;
        for (int c = 0; c < cameras; ++c) {
            frames += std::to_string(streams[c].frames) + " ";
            stalled = stalled || streams[c].frames == framesAtReport[c];
            framesAtReport[c] = streams[c].frames;
        }
        std::printf("%6d  %11.1f  %7llu  %s %11llu  %7llu  %6llu\n", report * reportSeconds,
                    stats.privateBytes / 1048576.0, static_cast<unsigned long long>(stats.handles), frames.c_str(),
                    static_cast<unsigned long long>(undelivered), static_cast<unsigned long long>(dropped),
                    static_cast<unsigned long long>(errors));
        std::fflush(stdout);
        ++report;
    }
    // Once stopped, every notification posted is in the queue: the counts are final (a
    // report above may show one frame per camera whose notification was still queued).
    for (Stream &s : streams)
        Vonkel_StopPreview(s.handle);
    takeMessages();
    uint64_t undelivered, dropped, delivered = 0;
    totals(&undelivered, &dropped);
    for (const Stream &s : streams)
        delivered += s.frames;
    std::printf("soak: %llu frames delivered, %llu undelivered (%.3f %%), %llu dropped by the library\n",
                static_cast<unsigned long long>(delivered), static_cast<unsigned long long>(undelivered),
                delivered + undelivered ? 100.0 * double(undelivered) / double(delivered + undelivered) : 0.0,
                static_cast<unsigned long long>(dropped));
    for (Stream &s : streams) {
        Vonkel_SetExposureTimeEx(s.handle, s.exposureBefore);
        Vonkel_SetConfigFilter(s.handle, s.configBefore);
        Vonkel_Release(s.handle);
    }
    DestroyWindow(window);
    // Flat: what the heap and the system's bookkeeping need settles within the first period.
    const bool grew = last.privateBytes > first.privateBytes + (8u << 20) || last.handles > first.handles + 8;
    const bool ok = !stalled && errors == 0 && (last.handles == 0 || !grew);
    std::printf("soak: %s\n", ok ? "passed" : "FAILED");
    return ok ? 0 : 1;
}
