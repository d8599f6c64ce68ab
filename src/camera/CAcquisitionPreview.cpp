// The preview window: created by a mode entry, drawn into by the capture thread after
// each frame, closed by Close.
#include "VonkelSdk.h"
#include "camera/CAcquisition.h"
#include "image/Conversions.h"
#include "image/ImageTraits.h"
#include "platform/Clock.h"
#include <algorithm>
#include <cstdlib>

void CAcquisition::SetPreviewWindow(WindowHandle parent, int x, int y, int width, int height) {
    std::lock_guard<std::mutex> modeLock(m_modeLock);
    m_previewParent = parent;
    m_previewRect[0] = x;
    m_previewRect[1] = y;
    m_previewRect[2] = width;
    m_previewRect[3] = height;
}

// Windows are made and destroyed outside every lock of the instance: a child window
// tells its parent (WM_PARENTNOTIFY), and the parent's thread may be waiting in an export
// for one of those locks. Only the finished window is published under the image lock,
// which the capture thread holds while it draws.
int CAcquisition::MakePreview(std::unique_ptr<platform::CPreviewWindow> *made) {
    int32_t rect[4];
    WindowHandle parent;
    int width, height;
    {
        std::lock_guard<std::mutex> modeLock(m_modeLock);
        std::copy(m_previewRect, m_previewRect + 4, rect);
        parent = m_previewParent;
        m_host.CaptureSize(&width, &height);
    }
    made->reset();
    if (!parent && !rect[0] && !rect[1] && !rect[2] && !rect[3])
        return 1; // no window wanted: frames are simply not drawn
    auto window = std::make_unique<platform::CPreviewWindow>();
    const uint32_t key1 = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(this));
    const uint32_t key2 = platform::TimeGetTime() + static_cast<uint32_t>(std::rand());
    const bool created = parent ? window->CreateChild(parent, rect[0], rect[1], rect[2], rect[3], key1, key2)
                                : window->CreateTopLevel(width, height, key1, key2);
    if (!created || !window->AcquireDeviceContext())
        return 0; // the half-made window goes with `window`, still outside the locks
    *made = std::move(window);
    return 1;
}

std::unique_ptr<platform::CPreviewWindow> CAcquisition::PublishPreview(std::unique_ptr<platform::CPreviewWindow> window) {
    std::lock_guard<std::mutex> lock(m_imageLock);
    std::swap(window, m_preview);
    return window;
}

int CAcquisition::SizeDisplayBuffer(int32_t width, int32_t height) {
    CImageBuffer *display = m_chain.Buffer(kDisplay);
    if (!display)
        return 0;
    const int bits = kColorModes[m_chain.Mode()].color ? 24 : 8;
    if (display->Width() == width && display->Height() == height && display->BitsPerPixel() == bits)
        return 1;
    return display->Create(width, height, bits);
}

int CAcquisition::DrawFrame() {
    // Without a window to show it in, the display copy of the picture is not made.
    if (!m_preview || !m_preview->IsVisible())
        return 0;
    const CImageBuffer *source = m_chain.DisplayPicture();
    int32_t width = 0, height = 0;
    if (!m_preview->ClientSize(&width, &height) || width <= 0 || height <= 0 || !m_preview->HasDeviceContext() ||
        !source || source->IsEmpty())
        return 1;
    auto view = [](const CImageBuffer *b) {
        return platform::BitmapView{b->Info(), b->Pixels(), b->Width(), b->Height(), b->Stride(), b->BitsPerPixel()};
    };
    const bool gray16 = m_chain.Mode() == 1;
    if (width == source->Width() && height == source->Height() && !gray16)
        return m_preview->DrawTopDown(view(source)) ? 1 : 0;
    if (!SizeDisplayBuffer(width, height))
        return 0;
    CImageBuffer *display = m_chain.Buffer(kDisplay);
    // The stretch turns the rows over, so memory row 0 ends at the top of the window.
    CImageBuffer::ApplyStretch(display, source->BitsPerPixel() == 8 ? conv::Stretch8 : conv::Stretch24, source,
                               nullptr, nullptr);
    return m_preview->DrawBottomUp(view(display)) ? 1 : 0;
}
