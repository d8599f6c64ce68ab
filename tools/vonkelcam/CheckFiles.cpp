// The check's files: a still in each format and a short recording, written to a temporary
// folder, read back by their headers and removed.
#include "Check.h"
#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

Bytes ReadWhole(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

uint32_t Little(const Bytes &b, size_t at, int bytes) {
    uint32_t v = 0;
    for (int i = bytes - 1; i >= 0; --i)
        v = v << 8 | (at + i < b.size() ? b[at + i] : 0);
    return v;
}

uint32_t Big(const Bytes &b, size_t at, int bytes) {
    uint32_t v = 0;
    for (int i = 0; i < bytes; ++i)
        v = v << 8 | (at + i < b.size() ? b[at + i] : 0);
    return v;
}

struct Size {
    uint32_t width = 0, height = 0;
};

// The picture size each format's header gives, 0 x 0 when the header is not that format's.
Size BmpSize(const Bytes &b) {
    if (b.size() < 54 || b[0] != 'B' || b[1] != 'M' || Little(b, 2, 4) != b.size())
        return {};
    return {Little(b, 18, 4), Little(b, 22, 4)};
}

Size PngSize(const Bytes &b) {
    static const uint8_t kSignature[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    if (b.size() < 33 || !std::equal(std::begin(kSignature), std::end(kSignature), b.begin()) ||
        Big(b, 12, 4) != Big(Bytes{'I', 'H', 'D', 'R'}, 0, 4))
        return {};
    return {Big(b, 16, 4), Big(b, 20, 4)};
}

Size JpegSize(const Bytes &b) {
    if (b.size() < 4 || b[0] != 0xFF || b[1] != 0xD8 || b[b.size() - 2] != 0xFF || b.back() != 0xD9)
        return {};
    // Walks the markers to the first start of frame (baseline or progressive).
    for (size_t at = 2; at + 9 < b.size() && b[at] == 0xFF;) {
        const uint8_t marker = b[at + 1];
        if (marker == 0xC0 || marker == 0xC1 || marker == 0xC2)
            return {Big(b, at + 7, 2), Big(b, at + 5, 2)};
        at += 2 + Big(b, at + 2, 2);
    }
    return {};
}

Size TiffSize(const Bytes &b) {
    if (b.size() < 8 || b[0] != 'I' || b[1] != 'I' || Little(b, 2, 2) != 42)
        return {};
    Size s;
    const uint32_t ifd = Little(b, 4, 4);
    const uint32_t entries = Little(b, ifd, 2);
    for (uint32_t i = 0; i < entries; ++i) {
        const size_t e = ifd + 2 + 12 * i;
        const uint32_t tag = Little(b, e, 2), type = Little(b, e + 2, 2);
        const uint32_t value = type == 3 ? Little(b, e + 8, 2) : Little(b, e + 8, 4);
        if (tag == 256)
            s.width = value;
        else if (tag == 257)
            s.height = value;
    }
    return s;
}

struct StillFormat {
    const char *name;
    int number;
    Size (*size)(const Bytes &); // null: the raw picture, known only by its length
};

const StillFormat kStillFormats[] = {
    {"bmp", VONKEL_SAVE_BMP, BmpSize},       {"raw", VONKEL_SAVE_RAW, nullptr},
    {"jpeg", VONKEL_SAVE_JPEG, JpegSize},    {"jpeg70", VONKEL_SAVE_JPEG70, JpegSize},
    {"jpeg20", VONKEL_SAVE_JPEG20, JpegSize}, {"png", VONKEL_SAVE_PNG, PngSize},
    {"tiff", VONKEL_SAVE_TIFF, TiffSize},
};

constexpr const char *kDisk = "disk or file system of the temporary folder";

CheckRow CheckStill(int h, const Geometry &g, const std::string &folder, const StillFormat &format) {
    CheckRow row;
    row.name = std::string("still ") + format.name;
    const std::string path = folder + "\\still." + format.name;
    if (!Vonkel_SaveImage(h, path.c_str(), format.number))
        return row.Fail("the library could not save it", "the frame before, or " + std::string(kDisk));
    const Bytes bytes = ReadWhole(path);
    DeleteFileA(path.c_str());
    row.Figure("bytes", double(bytes.size()));
    char text[160];
    if (!format.size) {
        std::snprintf(text, sizeof text, "%zu bytes of %zu expected", bytes.size(), g.Bytes());
        row.detail = text;
        if (bytes.size() != g.Bytes())
            row.Fail("the file is not the picture's size", kDisk);
        return row;
    }
    const Size size = format.size(bytes);
    std::snprintf(text, sizeof text, "%u x %u, %zu bytes", size.width, size.height, bytes.size());
    row.detail = text;
    if (size.width == 0)
        row.Fail("the file does not read back as " + std::string(format.name), "library or " + std::string(kDisk));
    else if (size.width != uint32_t(g.width) || size.height != uint32_t(g.height))
        row.Fail("the picture in the file has another size", "library");
    return row;
}

} // namespace

CTempFolder::CTempFolder() {
    char base[MAX_PATH + 1] = "";
    if (!GetTempPathA(sizeof base, base))
        return;
    const std::string path = std::string(base) + "vonkelcam-check-" + std::to_string(GetCurrentProcessId());
    if (CreateDirectoryA(path.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS)
        m_path = path;
}

CTempFolder::~CTempFolder() { Remove(); }

bool CTempFolder::Remove() {
    if (m_path.empty())
        return true;
    WIN32_FIND_DATAA found;
    HANDLE find = FindFirstFileA((m_path + "\\*").c_str(), &found);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
                DeleteFileA((m_path + "\\" + found.cFileName).c_str());
        } while (FindNextFileA(find, &found));
        FindClose(find);
    }
    if (!RemoveDirectoryA(m_path.c_str()))
        return false;
    m_path.clear();
    return true;
}

std::vector<CheckRow> CheckStillFiles(int h, const Geometry &g, const std::string &folder) {
    std::vector<CheckRow> rows;
    for (const StillFormat &format : kStillFormats)
        rows.push_back(CheckStill(h, g, folder, format));
    return rows;
}

CheckRow CheckRecording(int h, const Geometry &g, const std::string &folder, double cameraFps) {
    CheckRow row;
    row.name = "recording";
    constexpr int kMilliseconds = 2000;
    const std::string path = folder + "\\recording.avi";
    Vonkel_SetPreviewWindow(h, nullptr, 0, 0, 0, 0);
    if (!Vonkel_Record(h, path.c_str(), kMilliseconds, 0)) {
        Vonkel_StopPreview(h);
        return row.Fail("the recording did not start", "USB link, or " + std::string(kDisk));
    }
    AviHeader avi{};
    bool finished = false;
    // The library holds the file until it is finished; a camera that stops delivering
    // would never finish it, so the wait is bounded.
    const DWORD start = GetTickCount();
    while (!(finished = ReadAviHeader(path.c_str(), &avi)) && !CheckInterrupted() &&
           GetTickCount() - start < kMilliseconds + 8000)
        Sleep(50);
    Vonkel_StopPreview(h);
    if (!finished)
        finished = ReadAviHeader(path.c_str(), &avi);
    // A stream that ended early finishes the file early: the link, not the disk.
    bool streamStopped = false;
    for (int code = Vonkel_GetLastError(h); code != 0; code = Vonkel_GetLastError(h))
        streamStopped = streamStopped || code == VONKEL_ERR_FRAME_WAIT || code == VONKEL_ERR_TRANSFER;
    const Bytes bytes = ReadWhole(path);
    DeleteFileA(path.c_str());
    const double fps = avi.microsPerFrame ? 1e6 / avi.microsPerFrame : 0;
    row.Figure("frames", avi.frames).Figure("fps", fps).Figure("bytes", double(bytes.size()));
    char text[200];
    std::snprintf(text, sizeof text, "%u frames of %u x %u at %.1f fps, %zu bytes", avi.frames, avi.width, avi.height,
                  fps, bytes.size());
    row.detail = text;
    // Each frame is stored as a 24-bit picture with its 8-byte chunk header.
    const size_t frameBytes = static_cast<size_t>((g.width * 3 + 3) & ~3) * g.height + 8;
    const double expectedFrames = cameraFps * kMilliseconds / 1000.0;
    if (CheckInterrupted()) {
        row.status = CheckStatus::Skip;
        row.detail = "interrupted";
    } else if (!finished || streamStopped) {
        row.Fail(finished ? "the stream stopped during the recording" : "the file was not finished in time",
                 "USB link: frames stopped coming");
    } else if (avi.width != uint32_t(g.width) || avi.height != uint32_t(g.height)) {
        row.Fail("the file holds pictures of another size", "library");
    } else if (Little(bytes, 4, 4) + 8 != bytes.size() || bytes.size() < avi.frames * frameBytes) {
        row.Fail("the file's size does not match its frames", std::string("library or ") + kDisk);
    } else if (avi.frames < 2 || avi.frames < 0.8 * expectedFrames) {
        row.Fail("fewer frames than the camera delivers in two seconds", "host load or disk speed");
    }
    return row;
}
