// The check's streams, single frames and trigger mode, measured as an application sees them.
#include "Check.h"
#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

// The camera's line clock: each line of a frame takes this long (ns).
constexpr double kLineTimeNs = 13383.444862040516;
// Sensor registers of the frame length in lines, low byte first.
constexpr int kFrameLengthRegister = 724;

std::string Format(const char *format, double a, double b = 0, double c = 0) {
    char text[160];
    std::snprintf(text, sizeof text, format, a, b, c);
    return text;
}

// The newest error of the handle in words, and the history drained, so that the next step
// starts clean.
std::string DrainErrors(int h) {
    const int code = Vonkel_GetLastError(h);
    while (Vonkel_GetLastError(h) != 0) {
    }
    return code ? "error " + std::to_string(code) + " (" + ErrorText(code) + ")" : "no error recorded";
}

// The frame rate the programmed frame length allows: the window, and an exposure longer
// than the frame, set it; 0 when the registers cannot be read.
double ExpectedFps(int h) {
    long lines = 0;
    for (int i = 2; i >= 0; --i) {
        int ok = 0;
        const int byte = Vonkel_ReadRegisterEx(h, kFrameLengthRegister + i, &ok);
        if (!ok)
            return 0;
        lines = lines << 8 | byte;
    }
    return lines > 0 ? 1e9 / (lines * kLineTimeNs) : 0;
}

double Milliseconds(LARGE_INTEGER from, LARGE_INTEGER to) {
    LARGE_INTEGER hz;
    QueryPerformanceFrequency(&hz);
    return 1000.0 * double(to.QuadPart - from.QuadPart) / double(hz.QuadPart);
}

// Notifications a stopped stream posted before it ended would count in the next step.
void DropFrameNotifications(HWND window) {
    MSG msg;
    while (PeekMessageA(&msg, window, VONKEL_WM_FRAME, VONKEL_WM_FRAME, PM_REMOVE)) {
    }
}

// Frames the library may drop before the row fails: 5 %, and one stall of the host of
// 150 ms, which a short run on a busy machine meets now and then.
int DropAllowance(const StreamFigures &f) { return static_cast<int>(0.05 * f.CameraFrames() + 0.15 * f.expectedFps); }

constexpr const char *kLink = "USB link: cable, port, hub or the camera's power";

} // namespace

bool ApplyStreamSetup(int h, const StreamSetup &s, Geometry *g, CheckRow *row) {
    const int divisor = s.subsample ? 2 : 1;
    if (!Vonkel_SetColorMode(h, s.bits) || !Vonkel_SetSubSample(h, s.subsample ? 1 : 0) ||
        !Vonkel_SetCaptureWindowEx(h, 640, s.x, s.width, 512, s.y, s.height)) {
        row->Fail("the camera refused the stream format: " + DrainErrors(h), "camera or library");
        return false;
    }
    g->width = s.width / divisor;
    g->height = s.height / divisor;
    g->bits = s.bits;
    g->stride = (g->width * (s.bits / 8) + 3) & ~3;
    return true;
}

StreamFigures MeasureStream(int h, HWND window, const Geometry &g, double seconds) {
    StreamFigures f;
    std::vector<uint8_t> picture(g.Bytes());
    Vonkel_SetPreviewWindow(h, nullptr, 0, 0, 0, 0);
    if (!Vonkel_CallBackPreview(h, window, picture.data(), static_cast<int>(picture.size()), 1))
        return f;
    f.started = true;
    LARGE_INTEGER first{}, last{};
    const DWORD start = GetTickCount();
    const DWORD bound = static_cast<DWORD>((seconds + 5) * 1000);
    MSG msg;
    while (!CheckInterrupted() && GetTickCount() - start < bound) {
        if (f.frames > 0) {
            LARGE_INTEGER now;
            QueryPerformanceCounter(&now);
            if (Milliseconds(first, now) >= seconds * 1000)
                break;
        }
        if (!PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
            continue;
        }
        if (msg.hwnd != window || msg.message != VONKEL_WM_FRAME) {
            if (msg.message != VONKEL_WM_ERROR)
                DispatchMessageA(&msg);
            continue;
        }
        if (msg.lParam == VONKEL_ERR_FRAME_WAIT) {
            ++f.waitEnded; // the preview has stopped delivering
            break;
        }
        if (msg.lParam != 0) {
            ++f.failedFrames;
            continue;
        }
        const auto &info = *reinterpret_cast<const VONKEL_FRAME_INFO *>(msg.wParam);
        LARGE_INTEGER now;
        QueryPerformanceCounter(&now);
        if (info.width != g.width || info.height != g.height || info.bitsPerPixel != g.bits)
            ++f.wrongSize;
        if (f.frames++ == 0) {
            first = now;
            f.droppedAtFirst = info.dropped;
            f.expectedFps = ExpectedFps(h);
        } else {
            f.longestGapMs = std::max(f.longestGapMs, Milliseconds(last, now));
        }
        last = now;
        f.droppedAtLast = info.dropped;
    }
    Vonkel_StopPreview(h);
    DropFrameNotifications(window);
    f.seconds = f.frames > 1 ? Milliseconds(first, last) / 1000.0 : 0;
    return f;
}

CheckRow JudgeStream(const std::string &name, const StreamFigures &f, bool judgeGaps) {
    CheckRow row;
    row.name = name;
    row.Figure("frames", f.frames)
        .Figure("camera_fps", f.CameraFps())
        .Figure("expected_fps", f.expectedFps)
        .Figure("delivered_percent", f.DeliveredPercent())
        .Figure("dropped", f.droppedAtLast - f.droppedAtFirst)
        .Figure("failed_transfers", f.failedFrames)
        .Figure("frame_timeouts", f.waitEnded)
        .Figure("longest_gap_ms", f.longestGapMs);
    row.detail = Format("%.1f of %.1f fps", f.CameraFps(), f.expectedFps) +
                 Format(", %.1f %% delivered", f.DeliveredPercent()) +
                 Format(", %.0f frames, longest gap %.0f ms", f.frames, f.longestGapMs);
    if (CheckInterrupted()) {
        row.status = CheckStatus::Skip;
        row.detail = "interrupted";
    } else if (!f.started)
        row.Fail("the stream did not start", kLink);
    else if (f.waitEnded || f.failedFrames)
        row.Fail(Format("the stream stopped: %.0f failed transfers, %.0f frame timeouts", f.failedFrames, f.waitEnded),
                 kLink);
    else if (f.frames < 2)
        row.Fail("no frames arrived", kLink);
    else if (f.wrongSize)
        row.Fail(Format("%.0f frames of the wrong size", f.wrongSize), "library or camera firmware");
    else if (f.expectedFps > 0 && f.CameraFps() < 0.9 * f.expectedFps)
        row.Fail("frames come slower than window and clock allow", "USB link bandwidth: port, hub or cable");
    else if (f.droppedAtLast - f.droppedAtFirst > DropAllowance(f))
        row.Fail("frames dropped before the application got them", "host load: processing cannot keep up");
    else if (judgeGaps && f.expectedFps > 0 && f.longestGapMs > std::max(250.0, 4000.0 / f.expectedFps))
        row.Fail("a long gap between frames", "host load or a stalling USB link");
    return row;
}

CheckRow CheckSnapshot(int h, const Geometry &g) {
    CheckRow row;
    row.name = "snapshot";
    std::vector<uint8_t> picture(g.Bytes());
    const DWORD start = GetTickCount();
    if (!Vonkel_SnapShot(h, picture.data(), static_cast<int>(picture.size()), 1))
        return row.Fail("no frame: " + DrainErrors(h), kLink);
    const double ms = GetTickCount() - start;
    row.Figure("milliseconds", ms);
    row.detail = Format("one frame from idle in %.0f ms", ms);
    return row;
}

CheckRow CheckCaptureMode(int h, const Geometry &g) {
    CheckRow row;
    row.name = "capture";
    constexpr int kFrames = 3;
    std::vector<uint8_t> picture(g.Bytes());
    const DWORD start = GetTickCount();
    if (!Vonkel_Capture(h))
        return row.Fail("capture mode did not start: " + DrainErrors(h), kLink);
    int taken = 0;
    while (taken < kFrames && Vonkel_SnapShot(h, picture.data(), static_cast<int>(picture.size()), 1))
        ++taken;
    const std::string why = taken < kFrames ? DrainErrors(h) : "";
    Vonkel_StopPreview(h);
    const double ms = GetTickCount() - start;
    row.Figure("frames", taken).Figure("milliseconds", ms);
    row.detail = Format("capture mode, %.0f frames in %.0f ms", taken, ms);
    if (taken < kFrames)
        row.Fail("a frame failed: " + why, kLink);
    return row;
}

CheckRow CheckTrigger(int h, HWND window, const Geometry &g, double waitSeconds) {
    CheckRow row;
    row.name = "trigger";
    std::vector<uint8_t> picture(g.Bytes());
    Vonkel_SetPreviewWindow(h, nullptr, 0, 0, 0, 0);
    if (!Vonkel_Trigger(h, window, picture.data(), static_cast<int>(picture.size()), 1))
        return row.Fail("trigger mode did not start: " + DrainErrors(h), kLink);
    // The exports cannot tell whether a trigger source is connected: a trigger within the
    // wait is the only sign of one.
    int frames = 0;
    LARGE_INTEGER first{}, last{};
    const DWORD start = GetTickCount();
    MSG msg;
    while (!CheckInterrupted() && frames < 3 && GetTickCount() - start < waitSeconds * 1000) {
        if (!PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
            continue;
        }
        if (msg.hwnd == window && msg.message == VONKEL_WM_FRAME && msg.lParam == 0)
            QueryPerformanceCounter(frames++ ? &last : &first);
        else if (msg.message != VONKEL_WM_ERROR && msg.message != VONKEL_WM_FRAME)
            DispatchMessageA(&msg);
    }
    Vonkel_StopPreview(h);
    DropFrameNotifications(window);
    DrainErrors(h);
    row.Figure("frames", frames);
    if (frames == 0) {
        row.status = CheckStatus::Skip;
        row.detail = Format("no trigger arrived in %.1f s: no trigger source connected", waitSeconds);
        return row;
    }
    const double period = frames > 1 ? Milliseconds(first, last) / (frames - 1) : 0;
    row.Figure("period_ms", period);
    row.detail = Format("%.0f triggered frames", frames) + (frames > 1 ? Format(", one every %.0f ms", period) : "");
    return row;
}
