#include "camera/CFrameDelivery.h"
#include "VonkelSdk.h"
#include "platform/Clock.h"
#include "platform/Messages.h"
#include <cstring>

// The frame-rate count starts when the instance is made.
CFrameDelivery::CFrameDelivery(std::function<void(int32_t)> raiseError)
    : m_raiseError(std::move(raiseError)), m_rateTime(platform::TimeGetTime()) {}

void CFrameDelivery::Describe(const CImageBuffer &raw, int bitsPerPixel, bool preview) {
    if (!preview)
        m_info.size = static_cast<int32_t>(sizeof(FrameInfo));
    m_info.width = raw.Width();
    m_info.height = raw.Height();
    m_info.buffer = reinterpret_cast<uint64_t>(m_target.buffer);
    m_info.bitsPerPixel = bitsPerPixel;
    if (!preview) {
        m_info.fps10 = 0;
        m_info.dropped = 0; // single frames: the library keeps none it could lose
        return;
    }
    ++m_frameCounter;
    const uint32_t now = platform::TimeGetTime();
    const uint32_t elapsed = now - m_rateTime;
    if (elapsed > 1000) {
        m_fps10 = static_cast<int32_t>(int64_t(m_frameCounter) * 10000 / elapsed);
        m_frameCounter = 0;
        m_rateTime = now;
    }
    m_info.fps10 = m_fps10;
}

bool CFrameDelivery::CopyOut(const CImageBuffer *picture) {
    if (!m_target.buffer || m_target.length == 0)
        return true;
    return CopyTo(picture, m_target.rowOrder, m_target.buffer, m_target.length);
}

bool CFrameDelivery::CopyTo(const CImageBuffer *image, int rowOrder, uint8_t *destination, int32_t length) {
    const int32_t rows = image ? image->Height() : 0;
    const int32_t stride = image ? image->Stride() : 0;
    if (!image || image->IsEmpty() || !destination || length < 0 ||
        uint64_t(length) < uint64_t(rows) * uint64_t(stride)) {
        Post(m_target.window, VONKEL_ERR_MEMORY);
        m_raiseError(VONKEL_ERR_MEMORY);
        return false;
    }
    if (rowOrder) {
        std::memcpy(destination, image->Pixels(), static_cast<size_t>(rows) * stride);
    } else {
        // Bottom row first: the row order of a bottom-up device-independent bitmap.
        for (int32_t r = 0; r < rows; ++r)
            std::memcpy(destination + static_cast<size_t>(r) * stride, image->Row(rows - 1 - r), stride);
    }
    return true;
}

void CFrameDelivery::Post(WindowHandle window, int32_t code) const {
    if (!window)
        return;
    const uintptr_t info = code == 0 ? reinterpret_cast<uintptr_t>(&m_info) : 0;
    platform::PostWindowMessage(window, VONKEL_WM_FRAME, info, code);
}
