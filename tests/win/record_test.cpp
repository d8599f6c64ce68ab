// Recordings through the DLL, made by this executable as a child process of
// tests/win/recordings.sh, which reads them back with ffprobe and ffmpeg on the host:
// one file per colour mode with the picture each frame must show, and one for each way
// a recording can be stopped early. Run with a still scene, so every frame is the same.
#include "win/ChildProcess.h"
#include "win/DllSupport.h"
#include <cstdio>
#include <vector>

namespace {

constexpr int kWidth = 640, kHeight = 512;
constexpr DWORD kChunk = kWidth * 3 * kHeight + 8;

int g_failures = 0;

void Expect(bool ok, const char *what, const char *file) {
    if (!ok) {
        std::fprintf(stderr, "%s: %s\n", file, what);
        ++g_failures;
    }
}

uint64_t SizeOf(const wchar_t *name) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(name, GetFileExInfoStandard, &data))
        return 0;
    return (uint64_t{data.nFileSizeHigh} << 32) | data.nFileSizeLow;
}

// The recorder holds its file unshared until it is finished.
bool WaitUntilClosed(const wchar_t *name, DWORD timeoutMs = 30000) {
    for (DWORD start = GetTickCount(); GetTickCount() - start < timeoutMs; Sleep(20)) {
        HANDLE h = CreateFileW(name, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                               nullptr);
        if (h != INVALID_HANDLE_VALUE) {
            CloseHandle(h);
            return true;
        }
    }
    return false;
}

bool WaitForFrames(const wchar_t *name, int frames, DWORD timeoutMs = 30000) {
    for (DWORD start = GetTickCount(); GetTickCount() - start < timeoutMs; Sleep(10))
        if (SizeOf(name) >= 232 + uint64_t{kChunk} * frames)
            return true;
    return false;
}

// The last picture as the application gets it, turned into the file's 24-bit pixels by
// the rules of the recorder, written top row first as ffmpeg decodes frames.
bool WriteReference(int cam, int bits, const char *name) {
    const int bytes = bits / 8;
    const int stride = (kWidth * bytes + 3) & ~3;
    std::vector<uint8_t> picture(static_cast<size_t>(stride) * kHeight);
    if (!Vonkel_GetImage(cam, picture.data(), static_cast<int>(picture.size()), 1))
        return false;
    std::vector<uint8_t> bgr;
    bgr.reserve(kWidth * kHeight * 3);
    for (int y = 0; y < kHeight; ++y) {
        const uint8_t *row = picture.data() + static_cast<size_t>(y) * stride;
        for (int x = 0; x < kWidth; ++x) {
            const uint8_t *p = row + x * bytes;
            // 12-bit samples: their top eight bits.
            auto sample = [&](int i) { return static_cast<uint8_t>((p[2 * i] | p[2 * i + 1] << 8) >> 4); };
            switch (bits) {
            case 8: bgr.insert(bgr.end(), {p[0], p[0], p[0]}); break;
            case 16: bgr.insert(bgr.end(), {sample(0), sample(0), sample(0)}); break;
            case 24: case 32: bgr.insert(bgr.end(), {p[0], p[1], p[2]}); break;
            default: bgr.insert(bgr.end(), {sample(0), sample(1), sample(2)}); break;
            }
        }
    }
    FILE *f = std::fopen(name, "wb");
    const bool written = f && std::fwrite(bgr.data(), 1, bgr.size(), f) == bgr.size();
    return f && std::fclose(f) == 0 && written;
}

void RecordEachColourMode() {
    CCamera cam;
    Vonkel_SetPreviewWindow(cam, nullptr, 0, 0, 0, 0);
    for (int bits : {8, 16, 24, 32, 48, 64}) {
        char name[32], reference[32];
        std::snprintf(name, sizeof name, "mode%d.avi", bits);
        std::snprintf(reference, sizeof reference, "mode%d.bgr", bits);
        wchar_t wide[32];
        MultiByteToWideChar(CP_ACP, 0, name, -1, wide, 32);
        Expect(Vonkel_SetColorMode(cam, bits) == 1, "colour mode", name);
        Expect(Vonkel_Record(cam, name, 300, 0) == 1, "Vonkel_Record", name);
        Expect(WaitUntilClosed(wide), "not finished in time", name);
        Expect(WriteReference(cam, bits, reference), "reference picture", name);
        Vonkel_StopPreview(cam);
    }
    Expect(cam.Drain().empty(), "errors recorded", "modes");
}

// Each way of ending a recording before its time: the file must be finished at once.
void StopEarlyInEachWay() {
    struct Way {
        const wchar_t *name;
        const char *narrow;
        void (*stop)(CCamera &cam);
        const wchar_t *next; // the recording the stop started
    };
    const Way ways[] = {
        {L"stop-preview.avi", "stop-preview.avi", [](CCamera &cam) { Vonkel_StopPreview(cam); }, nullptr},
        {L"stop-close.avi", "stop-close.avi", [](CCamera &cam) { Vonkel_Close(cam); }, nullptr},
        {L"stop-release.avi", "stop-release.avi", [](CCamera &cam) { cam.Release(); }, nullptr},
        {L"stop-new.avi", "stop-new.avi", [](CCamera &cam) { Vonkel_RecordW(cam, L"new.avi", 100, 0); },
         L"new.avi"},
    };
    for (const Way &way : ways) {
        CCamera cam;
        Vonkel_SetPreviewWindow(cam, nullptr, 0, 0, 0, 0);
        Vonkel_SetColorMode(cam, 8);
        const char *name = way.narrow;
        Expect(Vonkel_RecordW(cam, way.name, 600000, 0) == 1, "Vonkel_RecordW", name);
        Expect(WaitForFrames(way.name, 3), "no frames written", name);
        way.stop(cam);
        Expect(WaitUntilClosed(way.name, 1000), "still open after the stop", name);
        Expect(!way.next || WaitUntilClosed(way.next), "the next recording did not finish", name);
    }
}

// A wide name in Japanese, through the ANSI code page of a Japanese system.
void RecordUnderAJapaneseName() {
    if (GetACP() != 932) {
        Expect(false, "the child does not run with code page 932: set LANG=ja_JP.UTF-8", "japanese");
        return;
    }
    const wchar_t *name = L"\u9332\u753b\u30c6\u30b9\u30c8.avi"; // "recording test"
    CCamera cam;
    Vonkel_SetPreviewWindow(cam, nullptr, 0, 0, 0, 0);
    Expect(Vonkel_RecordW(cam, name, 100, 0) == 1, "Vonkel_RecordW", "japanese");
    Expect(WaitUntilClosed(name), "not finished in time", "japanese");
    Expect(SizeOf(name) > 232, "no frames", "japanese");
}

int ChildRecord(int, char **) {
    RecordEachColourMode();
    StopEarlyInEachWay();
    RecordUnderAJapaneseName();
    return g_failures ? 1 : 0;
}

ChildMode childRecord("record", ChildRecord);

} // namespace
