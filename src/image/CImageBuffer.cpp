#include "image/CImageBuffer.h"
#include "platform/PageMemory.h"
#include "image/Conversions.h"
#include <algorithm>
#include <cstring>
#include <new>

namespace {

bool ValidDepth(int bits) { return bits == 8 || bits == 16 || bits == 24 || bits == 32 || bits == 48 || bits == 64; }

// Stores beyond 2 GiB are refused: bitmap files count bytes in 32 bits, and no camera
// frame comes near.
constexpr int64_t kMaxStoreBytes = INT32_MAX;

} // namespace

CImageBuffer::CImageBuffer() : m_pixels(nullptr), m_width(0), m_height(0), m_stride(0), m_bitsPerPixel(0) {
    std::memset(&m_info, 0, sizeof m_info);
    m_info.header.size = sizeof(BitmapInfoHeader);
}

int32_t CImageBuffer::StrideFor(int32_t width, int bitsPerPixel) {
    int64_t bytes = static_cast<int64_t>(width) * (bitsPerPixel / 8);
    return static_cast<int32_t>((bytes + 3) & ~int64_t{3});
}

int CImageBuffer::Create(int32_t width, int32_t height, int bitsPerPixel) {
    if (width <= 0 || height <= 0 || !ValidDepth(bitsPerPixel))
        return 0;
    int64_t stride = (static_cast<int64_t>(width) * (bitsPerPixel / 8) + 3) & ~int64_t{3};
    if (stride * height > kMaxStoreBytes)
        return 0;
    Release();
    BitmapInfoHeader &h = m_info.header;
    h.size = sizeof(BitmapInfoHeader);
    h.width = width;
    h.height = height;
    h.planes = 1;
    h.bitCount = static_cast<uint16_t>(bitsPerPixel);
    m_width = width;
    m_height = height;
    m_bitsPerPixel = static_cast<uint16_t>(bitsPerPixel);
    m_stride = static_cast<int32_t>(stride);
    return Allocate();
}

int CImageBuffer::CreateLike(const CImageBuffer *model) {
    if (!model || model->m_width <= 0 || model->m_height <= 0 || model->m_bitsPerPixel == 0)
        return 0;
    if (model == this)
        return 1;
    Release();
    m_info.header = model->m_info.header;
    m_width = model->m_width;
    m_height = model->m_height;
    m_stride = model->m_stride;
    m_bitsPerPixel = model->m_bitsPerPixel;
    return Allocate();
}

int CImageBuffer::Allocate() {
    if (m_bitsPerPixel == 8)
        SetColorTable(0);
    m_pixels = platform::AllocatePages(ImageBytes());
    if (!m_pixels) {
        Release();
        return 0;
    }
    return 1;
}

void CImageBuffer::Release() {
    platform::FreePages(m_pixels);
    m_pixels = nullptr;
    m_width = 0;
    m_height = 0;
    m_stride = 0;
    m_bitsPerPixel = 0;
    std::memset(&m_info, 0, sizeof m_info);
    m_info.header.size = sizeof(BitmapInfoHeader);
}

int CImageBuffer::SetColorTable(int mode, const RgbQuad *entries, int first, int count) {
    if (mode == 0) {
        for (int i = 0; i < 256; ++i)
            m_info.colors[i] = RgbQuad{uint8_t(i), uint8_t(i), uint8_t(i), 0};
    } else if (mode == 2 && entries && first >= 0 && first < 256 && count > 0) {
        int n = std::min(count, 256 - first);
        std::memcpy(&m_info.colors[first], entries, static_cast<size_t>(n) * sizeof(RgbQuad));
    }
    return 1;
}

int CImageBuffer::ClipRects(const CImageBuffer *dst, const CImageBuffer *src, ImageRect *rect, int32_t *dstX,
                            int32_t *dstY) {
    auto fail = [&] {
        if (rect)
            *rect = ImageRect{0, 0, 0, 0};
        if (dstX)
            *dstX = 0;
        if (dstY)
            *dstY = 0;
        return 0;
    };
    if (!dst || !src || !rect || !dstX || !dstY || dst->IsEmpty() || src->IsEmpty())
        return fail();
    // 64-bit throughout: placements and rectangles come from callers unchecked.
    int64_t left = rect->left, top = rect->top, x = *dstX, y = *dstY;
    int64_t width = int64_t{rect->right} - left, height = int64_t{rect->bottom} - top;
    if (width <= 0 || height <= 0)
        return fail();
    // A rectangle that starts left of or above the source keeps only its part inside,
    // and the placement moves along, so each pixel that lands, lands where it would have.
    if (left < 0) {
        x -= left;
        width += left;
        left = 0;
    }
    if (top < 0) {
        y -= top;
        height += top;
        top = 0;
    }
    if (width <= 0 || height <= 0)
        return fail();

    int64_t dl = x, dt = y, dr = x + width, db = y + height;
    if (dr <= 0 || db <= 0 || dl >= dst->m_width || dt >= dst->m_height)
        return fail();
    dl = std::max<int64_t>(dl, 0);
    dt = std::max<int64_t>(dt, 0);
    dr = std::min<int64_t>(dr, dst->m_width);
    db = std::min<int64_t>(db, dst->m_height);

    int64_t sl = left + (dl - x), st = top + (dt - y);
    int64_t sr = sl + (dr - dl), sb = st + (db - dt);
    if (sr <= 0 || sb <= 0 || sl >= src->m_width || st >= src->m_height)
        return fail();
    sr = std::min<int64_t>(sr, src->m_width);
    sb = std::min<int64_t>(sb, src->m_height);

    *dstX = static_cast<int32_t>(dl);
    *dstY = static_cast<int32_t>(dst->m_height - db);
    *rect = ImageRect{static_cast<int32_t>(sl), static_cast<int32_t>(src->m_height - sb), static_cast<int32_t>(sr),
                      static_cast<int32_t>(src->m_height - st)};
    return 1;
}

int CImageBuffer::ApplyConversion(CImageBuffer *dst, ConversionRoutine routine, const CImageBuffer *src,
                                  const ImageRect *srcRect, int32_t dstX, int32_t dstY, void *param1, void *param2) {
    if (!src)
        return 0;
    ImageRect rect = srcRect ? *srcRect : ImageRect{0, 0, src->m_width, src->m_height};
    if (!ClipRects(dst, src, &rect, &dstX, &dstY) || !routine)
        return 0;
    return routine(dst->m_pixels, src->m_pixels, rect, dstX, dstY, dst->BytesPerPixel(), src->BytesPerPixel(),
                   dst->m_stride, src->m_stride, param1, param2);
}

int CImageBuffer::ApplyStretch(CImageBuffer *dst, StretchRoutine routine, const CImageBuffer *src,
                               const ImageRect *srcRect, const ImageRect *dstRect, void *param1, void *param2) {
    if (!dst || !src || dst->IsEmpty() || src->IsEmpty() || !routine)
        return 0;
    ImageRect d = dstRect ? *dstRect : ImageRect{0, 0, dst->m_width, dst->m_height};
    ImageRect s = srcRect ? *srcRect : ImageRect{0, 0, src->m_width, src->m_height};
    return routine(dst->m_pixels, src->m_pixels, d, s, dst->m_width, dst->m_height, src->m_width, src->m_height,
                   dst->BytesPerPixel(), src->BytesPerPixel(), dst->m_stride, src->m_stride, param1, param2);
}

int CImageBuffer::BlitTo(CImageBuffer *dst, const CImageBuffer *src, const ImageRect *srcRect, int32_t x, int32_t y) {
    if (!dst || !src)
        return 0;
    if (src->m_bitsPerPixel == dst->m_bitsPerPixel)
        return ApplyConversion(dst, conv::CopyPixels, src, srcRect, x, y);
    if (src->m_bitsPerPixel == 8)
        return ApplyConversion(dst, conv::ExpandPalette8, src, srcRect, x, y,
                               const_cast<RgbQuad *>(src->m_info.colors));
    return 0;
}

