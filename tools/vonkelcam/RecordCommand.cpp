// record: the camera's pictures into an AVI file, with a live progress line. The library
// tells nothing while it records, so progress is read from the file: its size gives the
// frames written, and it can be opened once the library has finished and closed it.
#include "Tool.h"
#include <windows.h>
#include <cstdio>
#include <cstring>

namespace {

constexpr uint64_t kHeaderBytes = 232; // headers up to the first frame

volatile LONG g_interrupted = 0;

BOOL WINAPI OnInterrupt(DWORD) {
    InterlockedExchange(&g_interrupted, 1);
    return TRUE;
}

uint64_t FileBytes(const char *path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExA(path, GetFileExInfoStandard, &data))
        return 0;
    return (uint64_t{data.nFileSizeHigh} << 32) | data.nFileSizeLow;
}

int Record(const Args &args) {
    COptions options(args);
    const double seconds = options.Real("seconds", 5);
    if (options.Positional().size() != 1 || seconds < 0 || seconds > 2000000) {
        std::fprintf(stderr, "usage: vonkelcam record FILE [--seconds S] [--device N] [--mode BITS] [--subsample] "
                             "[--window X,Y,W,H]\n");
        return 2;
    }
    const std::string path = options.Positional()[0];
    CCameraHandle cam(options.Int("device", 0));
    Geometry g;
    if (const int failed = Configure(cam, options, &g))
        return failed;
    const int h = cam.Get();
    Vonkel_SetPreviewWindow(h, nullptr, 0, 0, 0, 0);
    if (!Vonkel_Record(h, path.c_str(), static_cast<int>(seconds * 1000), 0)) {
        PrintErrors(h);
        return 1;
    }
    SetConsoleCtrlHandler(OnInterrupt, TRUE);
    const uint64_t chunk = static_cast<uint64_t>((g.width * 3 + 3) & ~3) * g.height + 8;
    std::printf("recording %d x %d (%d bits per pixel, stored as 24) into %s for %.1f s; Ctrl+C stops early\n",
                g.width, g.height, g.bits, path.c_str(), seconds);
    const DWORD start = GetTickCount();
    DWORD firstFrame = 0;
    AviHeader avi{};
    // A camera that delivers nothing would never start the clock: the wait is bounded.
    const DWORD bound = static_cast<DWORD>(seconds * 1000) + 10000;
    bool finished = false;
    while (!(finished = ReadAviHeader(path.c_str(), &avi))) {
        const DWORD now = GetTickCount();
        if (g_interrupted || now - start > bound)
            break;
        const uint64_t bytes = FileBytes(path.c_str());
        const uint64_t written = bytes > kHeaderBytes ? (bytes - kHeaderBytes) / chunk : 0;
        if (written && !firstFrame)
            firstFrame = now;
        const double span = firstFrame ? (now - firstFrame) / 1000.0 : 0;
        std::printf("\r%6.1f s   frames %6llu   %5.1f fps   %8.1f MB", (now - start) / 1000.0,
                    static_cast<unsigned long long>(written), span > 0 ? double(written - 1) / span : 0.0, bytes / 1e6);
        std::fflush(stdout);
        Sleep(250);
    }
    // Ends the preview; a recording still running is finished first.
    Vonkel_StopPreview(h);
    if (!finished)
        finished = ReadAviHeader(path.c_str(), &avi);
    std::printf("\r%s: %u frames, %.2f fps measured, %.1f MB%s\n", path.c_str(), avi.frames,
                avi.microsPerFrame ? 1e6 / avi.microsPerFrame : 0.0, FileBytes(path.c_str()) / 1e6, g_interrupted ? " (stopped early)" : "");
    PrintErrors(h);
    return finished && avi.frames > 0 ? 0 : 1;
}

const Command kCommands[] = {
    {"record", "FILE [--seconds S] [--mode B] [--window ...]", "record an AVI file with progress", Record},
};

} // namespace

const CommandGroup kRecordCommands{kCommands, sizeof kCommands / sizeof kCommands[0]};
