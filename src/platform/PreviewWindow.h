// The preview window the library creates for live images: a child of an application
// window or a centred top-level window, drawn into through a device context kept for
// its whole life. Real windows and GDI on Windows; an off-screen surface in the native
// build, which keeps the last picture for tests to look at.
#pragma once
#include "platform/Types.h"
#include <cstdint>
#include <string>
#include <vector>

namespace platform {

// A picture in memory: a 40-byte bitmap header followed by its 256-entry colour table,
// and the pixel rows with their stride.
struct BitmapView {
    const void *bitmapInfo;
    const uint8_t *pixels;
    int32_t width;
    int32_t height;
    int32_t stride;
    int32_t bitsPerPixel;
};

class CPreviewWindow {
public:
    CPreviewWindow() = default;
    ~CPreviewWindow() { Close(); }
    CPreviewWindow(const CPreviewWindow &) = delete;
    CPreviewWindow &operator=(const CPreviewWindow &) = delete;

    // Registers a class of its own (named "VideoRenderer_%08x_%08x" from the two keys)
    // and creates a child window at (x, y, width, height) in `parent`.
    bool CreateChild(WindowHandle parent, int x, int y, int width, int height, uint32_t key1, uint32_t key2);
    // A visible top-level window whose client area is clientWidth x clientHeight,
    // centred on the screen (at 0 when larger than the screen).
    bool CreateTopLevel(int clientWidth, int clientHeight, uint32_t key1, uint32_t key2);
    // Takes the device context kept for drawing; false when there is none.
    bool AcquireDeviceContext();
    // Releases the device context, destroys the window and unregisters its class.
    void Close();

    bool Exists() const { return m_window != nullptr; }
    bool HasDeviceContext() const { return m_dc != nullptr; }
    WindowHandle Handle() const { return m_window; }
    const std::string &ClassName() const { return m_className; }
    bool IsVisible() const;
    bool ClientSize(int32_t *width, int32_t *height) const;

    // Copies the picture 1:1 to the client area's origin, memory row 0 at the top.
    bool DrawTopDown(const BitmapView &picture);
    // Copies a picture whose last memory row is the top of the image (a bottom-up bitmap).
    bool DrawBottomUp(const BitmapView &picture);

#ifndef _WIN32
    // The off-screen surface: the picture as it would appear, top row first, 24-bit BGR.
    const std::vector<uint8_t> &Surface() const { return m_surface; }
    int32_t SurfaceWidth() const { return m_clientWidth; }
    int32_t SurfaceHeight() const { return m_clientHeight; }
    void SetVisible(bool visible) { m_visible = visible; }
#endif

private:
    bool Register(uint32_t key1, uint32_t key2);
    void Unregister();
    bool Show();

    WindowHandle m_window = nullptr;
    void *m_dc = nullptr;
    std::string m_className;
#ifndef _WIN32
    int32_t m_clientWidth = 0;
    int32_t m_clientHeight = 0;
    bool m_visible = false;
    std::vector<uint8_t> m_surface;
    void Paint(const BitmapView &picture, bool topDown);
#endif
};

} // namespace platform
