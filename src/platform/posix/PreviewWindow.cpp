// No windows in the native build: the preview is an off-screen surface of the client
// size that keeps the last picture drawn, so tests can look at what a user would see.
#include "platform/PreviewWindow.h"
#include <algorithm>
#include <cstdio>
#include <atomic>
#include <cstring>

namespace platform {
namespace {
constexpr int32_t kScreenWidth = 1280;
constexpr int32_t kScreenHeight = 1024;
std::atomic<int> g_windows{0};
} // namespace

bool CPreviewWindow::Register(uint32_t key1, uint32_t key2) {
    char name[64];
    std::snprintf(name, sizeof name, "VideoRenderer_%08x_%08x", key1, key2);
    m_className = name;
    return true;
}

void CPreviewWindow::Unregister() { m_className.clear(); }

bool CPreviewWindow::Show() {
    m_visible = true;
    m_surface.assign(static_cast<size_t>(m_clientWidth) * m_clientHeight * 3, 0);
    return true;
}

bool CPreviewWindow::CreateChild(WindowHandle, int, int, int width, int height, uint32_t key1, uint32_t key2) {
    Close();
    Register(key1, key2);
    // Child rectangles come from the application unchecked; the surface stays within
    // what a desktop could show, as the top-level window's does.
    m_clientWidth = std::clamp(width, 0, kScreenWidth * 4);
    m_clientHeight = std::clamp(height, 0, kScreenHeight * 4);
    m_window = reinterpret_cast<WindowHandle>(static_cast<uintptr_t>(0x1000 + ++g_windows));
    return Show();
}

bool CPreviewWindow::CreateTopLevel(int clientWidth, int clientHeight, uint32_t key1, uint32_t key2) {
    Close();
    if (clientWidth <= 0 || clientHeight <= 0 || clientWidth > kScreenWidth * 4 || clientHeight > kScreenHeight * 4)
        return false;
    Register(key1, key2);
    m_clientWidth = clientWidth;
    m_clientHeight = clientHeight;
    m_window = reinterpret_cast<WindowHandle>(static_cast<uintptr_t>(0x1000 + ++g_windows));
    return Show();
}

bool CPreviewWindow::AcquireDeviceContext() {
    if (!m_window)
        return false;
    m_dc = m_window;
    return true;
}

void CPreviewWindow::Close() {
    m_dc = nullptr;
    m_window = nullptr;
    m_visible = false;
    m_surface.clear();
    m_clientWidth = m_clientHeight = 0;
    Unregister();
}

bool CPreviewWindow::IsVisible() const { return m_window && m_visible; }

bool CPreviewWindow::ClientSize(int32_t *width, int32_t *height) const {
    if (!m_window)
        return false;
    *width = m_clientWidth;
    *height = m_clientHeight;
    return true;
}

void CPreviewWindow::Paint(const BitmapView &p, bool topDown) {
    const uint8_t *table = static_cast<const uint8_t *>(p.bitmapInfo) + 40;
    for (int32_t y = 0; y < p.height && y < m_clientHeight; ++y) {
        const uint8_t *row = p.pixels + static_cast<size_t>(topDown ? y : p.height - 1 - y) * p.stride;
        uint8_t *out = m_surface.data() + static_cast<size_t>(y) * m_clientWidth * 3;
        for (int32_t x = 0; x < p.width && x < m_clientWidth; ++x) {
            if (p.bitsPerPixel == 8)
                std::memcpy(out + 3 * x, table + 4 * row[x], 3);
            else
                std::memcpy(out + 3 * x, row + x * (p.bitsPerPixel / 8), 3);
        }
    }
}

bool CPreviewWindow::DrawTopDown(const BitmapView &picture) {
    if (!m_dc)
        return false;
    Paint(picture, true);
    return true;
}

bool CPreviewWindow::DrawBottomUp(const BitmapView &picture) {
    if (!m_dc)
        return false;
    Paint(picture, false);
    return true;
}

} // namespace platform
