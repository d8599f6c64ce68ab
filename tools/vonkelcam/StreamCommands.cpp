// stream, snap, preview: frames from a camera, as an application receives them.
#include "Tool.h"
#include <windows.h>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

namespace {

// The simulated camera's frame number, readable from 8-bit frames: its first four pixels
// end up, turned, at the end of the last row.
uint32_t FrameNumber(const std::vector<uint8_t> &picture, const Geometry &g) {
    const uint8_t *last = picture.data() + static_cast<size_t>(g.height - 1) * g.stride;
    const int w = g.width;
    return last[w - 1] | last[w - 2] << 8 | last[w - 3] << 16 | uint32_t(last[w - 4]) << 24;
}

// --all-filters: every step of the processing chain on for this stream (the flat-field
// mask, dot filter and listed pixels, gray gains, white balance, hue and saturation, gamma,
// contrast, sharpness and brightness). The library stores filter values at release, so
// the values from before go back then: the option changes no later run.
class CAllFilters {
public:
    explicit CAllFilters(int h) : m_handle(h) {
        m_config = Vonkel_GetConfigFilter(h);
        for (size_t i = 0; i < kCount; ++i)
            m_before[i] = Vonkel_GetFilterValue(h, kValues[i][0], nullptr);
        m_ok = Vonkel_SetConfigFilter(h, 1) != 0;
        for (const auto &v : kValues)
            m_ok = Vonkel_SetFilterValue(h, v[0], v[1]) && m_ok;
    }
    ~CAllFilters() {
        for (size_t i = 0; i < kCount; ++i)
            Vonkel_SetFilterValue(m_handle, kValues[i][0], m_before[i]);
        Vonkel_SetConfigFilter(m_handle, m_config);
    }
    CAllFilters(const CAllFilters &) = delete;
    CAllFilters &operator=(const CAllFilters &) = delete;
    bool Ok() const { return m_ok; }

private:
    static constexpr size_t kCount = 13;
    static constexpr int kValues[kCount][2] = {{1, 20}, {2, 30},  {3, 45},  {4, 40},  {5, 10},   {11, 80}, {7, 110},
                                               {8, 100}, {9, 90}, {19, 1}, {20, 140}, {102, 1}, {103, 1}};
    int m_handle;
    int m_config = 0;
    int m_before[kCount] = {};
    bool m_ok = false;
};

// --exposure MS: the exposure time in milliseconds, which sets the camera's frame rate.
bool SetExposure(int h, const COptions &options) {
    if (!options.Has("exposure"))
        return true;
    const double ms = options.Real("exposure", -1);
    if (ms > 0 && Vonkel_SetExposureTimeEx(h, ms / 1000.0))
        return true;
    std::fprintf(stderr, "vonkelcam: --exposure takes a positive time in milliseconds (the camera's range is 0.021 to "
                         "2000; the library clamps other times to it)\n");
    return false;
}

// What the application counted of a stream.
struct StreamCount {
    int frames = 0, failures = 0, fps10 = 0, dropped = 0;
    // When the first and the last frame arrived (performance counter), for the rate received.
    LARGE_INTEGER first{}, last{};
    // The simulated camera's frame numbers, readable in 8-bit frames without processing.
    uint32_t firstNumber = 0, lastNumber = 0, distinct = 0;
    bool numbered = false;

    void Frame(const VONKEL_FRAME_INFO &info, const std::vector<uint8_t> &picture, const Geometry &g) {
        QueryPerformanceCounter(frames++ ? &last : &first);
        fps10 = info.fps10;
        dropped = info.dropped;
        if (!numbered)
            return;
        const uint32_t n = FrameNumber(picture, g);
        if (n == 0 || (lastNumber && n < lastNumber)) {
            numbered = false; // not a frame-numbered camera, or the numbers were processed
        } else if (n != lastNumber) {
            if (!firstNumber)
                firstNumber = n;
            lastNumber = n;
            ++distinct;
        }
    }
    uint32_t CameraFrames() const { return lastNumber - firstNumber + 1; }
    // Frames per second from the first frame to the last, 0 before two.
    double Received() const {
        LARGE_INTEGER hz;
        QueryPerformanceFrequency(&hz);
        return frames > 1 && last.QuadPart > first.QuadPart
                   ? (frames - 1) * double(hz.QuadPart) / double(last.QuadPart - first.QuadPart)
                   : 0.0;
    }
    uint32_t Missed() const { return CameraFrames() - distinct; }
};

void PrintSummary(const StreamCount &c, double elapsed) {
    std::printf("\rframes %6d   %5.1f fps (library)   %.2f fps (received)   %.1f s\n", c.frames, c.fps10 / 10.0,
                c.Received(), elapsed);
    if (c.numbered && c.distinct)
        std::printf("camera frames %u, delivered %u, missed by the application %u (%.2f %% delivered)\n",
                    c.CameraFrames(), c.distinct, c.Missed(), 100.0 * c.distinct / c.CameraFrames());
    else
        std::printf("frames missed: not measurable (needs the numbered 8-bit frames of the simulated camera)\n");
    // The library's own count: frames that came from the camera and were never processed.
    std::printf("dropped by the library %d of %d (%.2f %% delivered)\n", c.dropped, c.frames + c.dropped,
                c.frames + c.dropped ? 100.0 * c.frames / (c.frames + c.dropped) : 0.0);
}

int Stream(const Args &args) {
    COptions options(args);
    CMessageWindow window;
    CCameraHandle cam(options.Int("device", 0), window.Handle());
    Geometry g;
    if (const int failed = Configure(cam, options, &g))
        return failed;
    const int h = cam.Get();
    if (!SetExposure(h, options))
        return 2;
    std::unique_ptr<CAllFilters> filters;
    if (options.Has("all-filters")) {
        filters = std::make_unique<CAllFilters>(h);
        if (!filters->Ok()) {
            PrintErrors(h);
            return 1;
        }
    }
    Vonkel_SetPreviewWindow(h, nullptr, 0, 0, 0, 0);
    const double seconds = options.Real("seconds", options.Has("frames") ? 3600 : 5);
    const int wanted = options.Int("frames", 0);
    std::vector<uint8_t> picture(g.Bytes());
    if (!Vonkel_CallBackPreview(h, window.Handle(), picture.data(), static_cast<int>(picture.size()), 1)) {
        PrintErrors(h);
        return 1;
    }
    std::printf("streaming %d x %d, %d bits per pixel, from device %d", g.width, g.height, g.bits,
                options.Int("device", 0));
    if (options.Has("exposure"))
        std::printf(", exposure %.3f ms", Vonkel_GetExposureTimeEx(h, nullptr) * 1000.0);
    std::printf("%s\n", options.Has("all-filters") ? ", every filter on" : "");
    const DWORD start = GetTickCount();
    DWORD lastProgress = start;
    StreamCount count;
    count.numbered = g.bits == 8;
    MSG msg;
    while ((wanted == 0 || count.frames < wanted) && GetTickCount() - start < seconds * 1000) {
        if (!PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
            continue;
        }
        if (msg.hwnd == window.Handle() && msg.message == VONKEL_WM_FRAME) {
            if (msg.lParam != 0) {
                ++count.failures;
                std::printf("\nframe notification %d: %s\n", static_cast<int>(msg.lParam),
                            ErrorText(static_cast<int>(msg.lParam)));
                if (msg.lParam == VONKEL_ERR_FRAME_WAIT)
                    break;
                continue;
            }
            count.Frame(*reinterpret_cast<const VONKEL_FRAME_INFO *>(msg.wParam), picture, g);
        } else if (msg.message != VONKEL_WM_ERROR) {
            DispatchMessageA(&msg);
        }
        const DWORD now = GetTickCount();
        if (now - lastProgress >= 250) {
            lastProgress = now;
            std::printf("\rframes %6d   %5.1f fps   %5.1f s   dropped %d", count.frames, count.fps10 / 10.0,
                        (now - start) / 1000.0, count.dropped);
            if (count.numbered && count.distinct)
                std::printf("   missed %u", count.Missed());
            std::fflush(stdout);
        }
    }
    const double elapsed = (GetTickCount() - start) / 1000.0;
    Vonkel_StopPreview(h);
    PrintSummary(count, elapsed);
    PrintErrors(h);
    return count.failures ? 1 : 0;
}

// The formats of Vonkel_SaveImage by the names the tool takes.
struct SaveFormat {
    const char *name;
    int number;
};
const SaveFormat kSaveFormats[] = {
    {"bmp", VONKEL_SAVE_BMP},     {"raw", VONKEL_SAVE_RAW}, {"jpeg", VONKEL_SAVE_JPEG},
    {"jpeg70", VONKEL_SAVE_JPEG70}, {"jpeg20", VONKEL_SAVE_JPEG20}, {"png", VONKEL_SAVE_PNG},
    {"tiff", VONKEL_SAVE_TIFF},
};

int SaveFormatNumber(const std::string &name) {
    for (const SaveFormat &f : kSaveFormats)
        if (name == f.name)
            return f.number;
    return -1;
}

// --raw FILE: the application's own copy of the frame, written by the tool.
int WriteRawCopy(const std::string &path, const std::vector<uint8_t> &picture, const Geometry &g) {
    FILE *f = std::fopen(path.c_str(), "wb");
    // The last bytes reach the disk at fclose, so its failure is a failed write too.
    const bool written = f && std::fwrite(picture.data(), 1, picture.size(), f) == picture.size();
    if (!(f && std::fclose(f) == 0 && written)) {
        std::fprintf(stderr, "vonkelcam: cannot write %s\n", path.c_str());
        return 1;
    }
    std::printf("%s: %d x %d, %d bits per pixel, rows of %d bytes top row first, %zu bytes\n", path.c_str(), g.width,
                g.height, g.bits, g.stride, picture.size());
    return 0;
}

int Snap(const Args &args) {
    COptions options(args);
    const std::string raw = options.Text("raw");
    const std::string path = options.Positional().empty() ? "" : options.Positional()[0];
    const std::string formatName = options.Text("format", "bmp");
    const int format = SaveFormatNumber(formatName);
    if (raw.empty() == path.empty() || format < 0) {
        std::fprintf(stderr, "usage: vonkelcam snap FILE [--format bmp|raw|jpeg|jpeg70|jpeg20|png|tiff] | --raw FILE\n"
                             "                      [--device N] [--mode BITS] [--subsample] [--window X,Y,W,H]\n");
        return 2;
    }
    CCameraHandle cam(options.Int("device", 0));
    Geometry g;
    if (const int failed = Configure(cam, options, &g))
        return failed;
    const int h = cam.Get();
    std::vector<uint8_t> picture(g.Bytes());
    if (!Vonkel_SnapShot(h, picture.data(), static_cast<int>(picture.size()), 1)) {
        PrintErrors(h);
        return 1;
    }
    if (!raw.empty())
        return WriteRawCopy(raw, picture, g);
    if (!Vonkel_SaveImage(h, path.c_str(), format)) {
        std::fprintf(stderr, "vonkelcam: cannot save %s as %s\n", path.c_str(), formatName.c_str());
        PrintErrors(h);
        return 1;
    }
    WIN32_FILE_ATTRIBUTE_DATA data{};
    GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data);
    std::printf("%s: %d x %d, %d bits per pixel, saved as %s, %lu bytes\n", path.c_str(), g.width, g.height, g.bits,
                formatName.c_str(), static_cast<unsigned long>(data.nFileSizeLow));
    return 0;
}

int Preview(const Args &args) {
    COptions options(args);
    CCameraHandle cam(options.Int("device", 0));
    Geometry g;
    if (const int failed = Configure(cam, options, &g))
        return failed;
    const int h = cam.Get();
    // A centred window of the capture size.
    Vonkel_SetPreviewWindow(h, nullptr, 0, 0, g.width, g.height);
    if (!Vonkel_Preview(h)) {
        PrintErrors(h);
        return 1;
    }
    const double seconds = options.Real("seconds", 5);
    std::printf("preview window open for %.1f s\n", seconds);
    const DWORD start = GetTickCount();
    MSG msg;
    while (GetTickCount() - start < seconds * 1000) {
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageA(&msg);
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
    }
    Vonkel_Close(h);
    PrintErrors(h);
    return 0;
}

const Command kCommands[] = {
    {"stream", "[--device N] [--mode B] [--seconds S|--frames N] [--exposure MS] [--all-filters]",
     "stream with frame rate, frames missed and dropped", Stream},
    {"snap", "FILE [--format F] | --raw FILE [--device N] [--mode B]", "one frame into a still image file", Snap},
    {"preview", "[--device N] [--mode B] [--seconds S]", "open the preview window for S seconds", Preview},
};

} // namespace

const CommandGroup kStreamCommands{kCommands, sizeof kCommands / sizeof kCommands[0]};
