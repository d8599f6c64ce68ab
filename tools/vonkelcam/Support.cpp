#include "Tool.h"
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

COptions::COptions(const Args &args) {
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string &a = args[i];
        if (a.size() > 2 && a.compare(0, 2, "--") == 0) {
            std::string name = a.substr(2), value;
            size_t eq = name.find('=');
            if (eq != std::string::npos) {
                value = name.substr(eq + 1);
                name = name.substr(0, eq);
            } else if (i + 1 < args.size() && args[i + 1].compare(0, 2, "--") != 0 && name != "subsample" &&
                       name != "mirror-h" && name != "mirror-v" && name != "top-first" &&
                       name != "all-filters") {
                value = args[++i];
            }
            m_options.emplace_back(name, value);
        } else {
            m_positional.push_back(a);
        }
    }
}

bool COptions::Has(const std::string &name) const {
    return std::any_of(m_options.begin(), m_options.end(), [&](const auto &o) { return o.first == name; });
}

std::string COptions::Text(const std::string &name, const std::string &fallback) const {
    for (const auto &o : m_options)
        if (o.first == name)
            return o.second;
    return fallback;
}

int COptions::Int(const std::string &name, int fallback) const {
    long v;
    return Has(name) && ParseNumber(Text(name), &v) ? static_cast<int>(v) : fallback;
}

double COptions::Real(const std::string &name, double fallback) const {
    if (!Has(name))
        return fallback;
    char *end = nullptr;
    const std::string t = Text(name);
    double v = std::strtod(t.c_str(), &end);
    return end && *end == 0 && !t.empty() ? v : fallback;
}

std::vector<std::string> COptions::Unknown(const std::vector<std::string> &known) const {
    std::vector<std::string> unknown;
    for (const auto &o : m_options)
        if (std::find(known.begin(), known.end(), o.first) == known.end())
            unknown.push_back(o.first);
    return unknown;
}

bool ParseNumber(const std::string &text, long *value) {
    if (text.empty())
        return false;
    char *end = nullptr;
    *value = std::strtol(text.c_str(), &end, 0);
    return end && *end == 0;
}

CCameraHandle::CCameraHandle(int device, HWND notify) {
    m_handle = Vonkel_Initialize(notify);
    if (!m_handle) {
        std::fprintf(stderr, "vonkelcam: the library could not create a camera instance\n");
        return;
    }
    VONKEL_CAMERA_INFO info{};
    info.size = sizeof info;
    if (!Vonkel_GetCameraInfo(m_handle, &info)) {
        std::fprintf(stderr, "vonkelcam: no camera driver (error %d)\n", Vonkel_GetLastError(m_handle));
        return;
    }
    while (Vonkel_GetLastError(m_handle) != 0) {
    }
    if (device != 0 && !Vonkel_SetDeviceNumber(m_handle, device)) {
        std::fprintf(stderr, "vonkelcam: device %d is not available\n", device);
        return;
    }
    char name[32];
    if (device == 0 && !Vonkel_GetDeviceName(m_handle, 0, name, sizeof name)) {
        std::fprintf(stderr, "vonkelcam: no camera at device 0 (set VONKEL_SIMULATE=1 for a simulated one)\n");
        while (Vonkel_GetLastError(m_handle) != 0) {
        }
        return;
    }
    m_ok = true;
}

CCameraHandle::~CCameraHandle() {
    if (m_handle)
        Vonkel_Release(m_handle);
}

const char *ErrorText(int code) {
    switch (code) {
    case VONKEL_ERR_NONE: return "no error";
    case VONKEL_ERR_NO_CAMERA: return "no camera, or not allowed now";
    case VONKEL_ERR_DEVICE: return "device not available";
    case VONKEL_ERR_THREAD: return "thread creation failed";
    case VONKEL_ERR_WINDOW: return "preview window failed, or size not found";
    case VONKEL_ERR_MEMORY: return "memory or buffer too small";
    case VONKEL_ERR_REGISTER: return "register access failed";
    case VONKEL_ERR_CAPTURE_WINDOW: return "invalid capture window";
    case VONKEL_ERR_TRANSFER: return "frame transfer failed";
    case VONKEL_ERR_ARGUMENT: return "invalid argument";
    case VONKEL_ERR_NOT_SUPPORTED: return "not supported by the camera";
    case VONKEL_ERR_CONVERSION: return "conversion, file or data failure";
    case VONKEL_ERR_FRAME_WAIT: return "frame wait ended";
    case VONKEL_ERR_MASK_FILE: return "mask file failure";
    default: return "unknown";
    }
}

void PrintErrors(int handle) {
    int code = Vonkel_GetLastError(handle);
    if (code == 0) {
        std::printf("errors: none\n");
        return;
    }
    std::printf("errors (newest first):\n");
    for (; code != 0; code = Vonkel_GetLastError(handle))
        std::printf("  %2d  %s\n", code, ErrorText(code));
}

CMessageWindow::CMessageWindow() {
    WNDCLASSA wc{};
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "VonkelcamMessages";
    RegisterClassA(&wc);
    m_hwnd = CreateWindowA("VonkelcamMessages", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
}

CMessageWindow::~CMessageWindow() { DestroyWindow(m_hwnd); }

bool ReadAviHeader(const char *path, AviHeader *header) {
    HANDLE f = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    if (f == INVALID_HANDLE_VALUE)
        return false;
    uint8_t bytes[72] = {};
    DWORD got = 0;
    const bool ok = ReadFile(f, bytes, sizeof bytes, &got, nullptr) && got == sizeof bytes;
    CloseHandle(f);
    // The main header: time per frame at 32, frame count at 48, size at 64 and 68.
    std::memcpy(&header->microsPerFrame, bytes + 32, 4);
    std::memcpy(&header->frames, bytes + 48, 4);
    std::memcpy(&header->width, bytes + 64, 4);
    std::memcpy(&header->height, bytes + 68, 4);
    return ok;
}

namespace {

bool ConfigureHandle(int h, const COptions &options, Geometry *geometry) {
    const int bits = options.Int("mode", 8);
    if (!Vonkel_SetColorMode(h, bits)) {
        std::fprintf(stderr, "vonkelcam: --mode takes 8, 16, 24, 32, 48 or 64\n");
        return false;
    }
    Vonkel_SetSubSample(h, options.Has("subsample") ? 1 : 0);
    if (options.Has("wait"))
        Vonkel_SetWaitTime(h, options.Int("wait", 1));
    if (options.Has("window")) {
        int x = 0, y = 0, w = 0, hh = 0;
        if (std::sscanf(options.Text("window").c_str(), "%d,%d,%d,%d", &x, &y, &w, &hh) != 4 ||
            !Vonkel_SetCaptureWindowEx(h, 640, x, w, 512, y, hh)) {
            std::fprintf(stderr, "vonkelcam: --window X,Y,WIDTH,HEIGHT inside 640 x 512, sides multiples of 4\n");
            return false;
        }
    }
    const int divisor = options.Has("subsample") ? 2 : 1;
    geometry->width = Vonkel_Width(h) / divisor;
    geometry->height = Vonkel_Height(h) / divisor;
    geometry->bits = bits;
    geometry->stride = (geometry->width * (bits / 8) + 3) & ~3;
    return true;
}

} // namespace

int Configure(const CCameraHandle &cam, const COptions &options, Geometry *geometry) {
    if (!cam.Ok())
        return 1;
    return ConfigureHandle(cam.Get(), options, geometry) ? 0 : 2;
}
