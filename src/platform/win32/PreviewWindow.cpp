#include "platform/PreviewWindow.h"
#include "platform/win32/Win32.h"
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

namespace platform {
namespace {

constexpr DWORD kChildStyle = 0x52000000;    // child, visible, clip children
constexpr DWORD kTopLevelStyle = 0x16CF0000; // overlapped window, visible, clip siblings and children
constexpr UINT_PTR kChildId = 6540;

HINSTANCE AppModule() { return GetModuleHandleA(nullptr); }

// A window is destroyed by its own thread only. A close on another thread (a release on
// a worker while the window belongs to the application's window thread) asks that thread
// with this message, the device context in lParam.
constexpr UINT kCloseOnOwnThread = WM_APP + 0x3A5;

// Classes whose window was not gone yet when it was closed: unregistered as soon as it
// is, by the window's own close or by the next window made.
std::mutex g_classesLock;
std::vector<std::string> g_classesLeft;

void UnregisterLeftClasses() {
    std::lock_guard<std::mutex> lock(g_classesLock);
    auto gone = [](const std::string &name) { return UnregisterClassA(name.c_str(), AppModule()) != FALSE; };
    g_classesLeft.erase(std::remove_if(g_classesLeft.begin(), g_classesLeft.end(), gone), g_classesLeft.end());
}

LRESULT CALLBACK PreviewProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message != kCloseOnOwnThread)
        return DefWindowProcA(hwnd, message, wparam, lparam);
    if (lparam)
        ReleaseDC(hwnd, reinterpret_cast<HDC>(lparam));
    DestroyWindow(hwnd);
    UnregisterLeftClasses();
    return 0;
}

// A copy of the picture's BITMAPINFO with the row order GDI should assume.
struct BitmapInfo256 {
    BITMAPINFOHEADER header;
    RGBQUAD colours[256];
};

} // namespace

bool CPreviewWindow::Register(uint32_t key1, uint32_t key2) {
    UnregisterLeftClasses();
    char name[64];
    std::snprintf(name, sizeof name, "VideoRenderer_%08x_%08x", key1, key2);
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    wc.style = 0;
    wc.lpfnWndProc = PreviewProc; // the capture thread draws; the window itself paints nothing
    wc.hInstance = AppModule();
    wc.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    wc.lpszClassName = name;
    if (!RegisterClassExA(&wc))
        return false;
    m_className = name;
    return true;
}

void CPreviewWindow::Unregister() {
    if (m_className.empty())
        return;
    if (!UnregisterClassA(m_className.c_str(), AppModule())) {
        std::lock_guard<std::mutex> lock(g_classesLock);
        g_classesLeft.push_back(m_className);
    }
    m_className.clear();
}

bool CPreviewWindow::Show() {
    HWND hwnd = static_cast<HWND>(m_window);
    SetFocus(hwnd);
    ShowWindow(hwnd, SW_SHOW);
    return UpdateWindow(hwnd) != FALSE;
}

bool CPreviewWindow::CreateChild(WindowHandle parent, int x, int y, int width, int height, uint32_t key1,
                                 uint32_t key2) {
    Close();
    if (!Register(key1, key2))
        return false;
    m_window = CreateWindowExA(0, m_className.c_str(), "ActiveMovie Window", kChildStyle, x, y, width, height,
                               static_cast<HWND>(parent), reinterpret_cast<HMENU>(kChildId), AppModule(), nullptr);
    if (!m_window || !Show()) {
        Close();
        return false;
    }
    return true;
}

bool CPreviewWindow::CreateTopLevel(int clientWidth, int clientHeight, uint32_t key1, uint32_t key2) {
    Close();
    if (!Register(key1, key2))
        return false;
    RECT r{0, 0, clientWidth, clientHeight};
    if (!AdjustWindowRectEx(&r, kTopLevelStyle, FALSE, 0)) {
        Close();
        return false;
    }
    int x = (GetSystemMetrics(SM_CXSCREEN) + r.left - r.right) / 2;
    int y = (GetSystemMetrics(SM_CYSCREEN) + r.top - r.bottom) / 2;
    if (x < 0)
        x = 0;
    if (y < 0)
        y = 0;
    m_window = CreateWindowExA(0, m_className.c_str(), "Active Window", kTopLevelStyle, x, y, r.right - r.left,
                               r.bottom - r.top, nullptr, nullptr, AppModule(), nullptr);
    if (!m_window || !Show()) {
        Close();
        return false;
    }
    return true;
}

bool CPreviewWindow::AcquireDeviceContext() {
    if (!m_window)
        return false;
    if (!m_dc)
        m_dc = GetDC(static_cast<HWND>(m_window));
    return m_dc != nullptr;
}

void CPreviewWindow::Close() {
    HWND hwnd = static_cast<HWND>(m_window);
    if (hwnd && GetWindowThreadProcessId(hwnd, nullptr) != GetCurrentThreadId()) {
        // Posted, never sent: the window's thread may be waiting in the library for a
        // lock this thread holds. A thread that has ended took its windows with it.
        if (IsWindow(hwnd))
            PostMessageA(hwnd, kCloseOnOwnThread, 0, reinterpret_cast<LPARAM>(m_dc));
    } else {
        if (m_dc)
            ReleaseDC(hwnd, static_cast<HDC>(m_dc));
        if (hwnd)
            DestroyWindow(hwnd);
    }
    m_dc = nullptr;
    m_window = nullptr;
    Unregister();
}

bool CPreviewWindow::IsVisible() const { return m_window && IsWindowVisible(static_cast<HWND>(m_window)); }

bool CPreviewWindow::ClientSize(int32_t *width, int32_t *height) const {
    RECT r{};
    if (!m_window || !GetClientRect(static_cast<HWND>(m_window), &r))
        return false;
    *width = r.right - r.left;
    *height = r.bottom - r.top;
    return true;
}

static bool Blit(void *dc, const BitmapView &p, bool topDown) {
    BitmapInfo256 info;
    std::memcpy(&info, p.bitmapInfo, sizeof info);
    info.header.biHeight = topDown ? -p.height : p.height;
    return SetDIBitsToDevice(static_cast<HDC>(dc), 0, 0, p.width, p.height, 0, 0, 0, p.height, p.pixels,
                             reinterpret_cast<BITMAPINFO *>(&info), DIB_RGB_COLORS) != 0;
}

bool CPreviewWindow::DrawTopDown(const BitmapView &picture) { return m_dc && Blit(m_dc, picture, true); }
bool CPreviewWindow::DrawBottomUp(const BitmapView &picture) { return m_dc && Blit(m_dc, picture, false); }

} // namespace platform
