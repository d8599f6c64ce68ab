// Nearest-neighbour scaling for the preview, turning the picture over on the way so that
// the destination, blitted bottom-up, shows memory row 0 at the top.
#include "image/Conversions.h"
#include "image/RoutineSupport.h"
#include <cstring>

namespace conv {
namespace {

// Source index for destination index k: trunc(k x ratio) limited to 0..limit, done in
// float first so that no out-of-range real is ever converted.
int32_t ScaledIndex(int64_t k, float ratio, int32_t limit) {
    float p = static_cast<float>(k) * ratio;
    p = p < 0.0f ? 0.0f : p;
    p = p > static_cast<float>(limit) ? static_cast<float>(limit) : p;
    int64_t v = static_cast<int64_t>(p);
    return static_cast<int32_t>(v > limit ? limit : v);
}

template <int Bpp>
int StretchPixels(uint8_t *dst, const uint8_t *src, const ImageRect &dstRect, const ImageRect &srcRect,
                  int32_t dstWidth, int32_t dstHeight, int32_t srcWidth, int32_t srcHeight, int dstBpp, int srcBpp,
                  int32_t dstStride, int32_t srcStride) {
    const int64_t dw = int64_t{dstRect.right} - dstRect.left, dh = int64_t{dstRect.bottom} - dstRect.top;
    if (!dst || !src || dstBpp != Bpp || srcBpp != Bpp || dw <= 0 || dh <= 0 || srcWidth <= 0 || srcHeight <= 0 ||
        dstWidth <= 0 || dstHeight <= 0)
        return 0;
    const float sy = static_cast<float>(int64_t{srcRect.bottom} - srcRect.top) / static_cast<float>(dh);
    const float sx = static_cast<float>(int64_t{srcRect.right} - srcRect.left) / static_cast<float>(dw);
    // Only the part of the destination rectangle that lies inside the destination.
    const int64_t i0 = std::max<int64_t>(0, -int64_t{dstRect.top});
    const int64_t i1 = std::min<int64_t>(dh, int64_t{dstHeight} - dstRect.top);
    const int64_t j0 = std::max<int64_t>(0, -int64_t{dstRect.left});
    const int64_t j1 = std::min<int64_t>(dw, int64_t{dstWidth} - dstRect.left);

    // Source columns are the same for every row: worked out once per block of columns.
    constexpr int kBlock = 512;
    int32_t column[kBlock];
    for (int64_t jb = j0; jb < j1; jb += kBlock) {
        const int n = static_cast<int>(std::min<int64_t>(kBlock, j1 - jb));
        for (int k = 0; k < n; ++k) {
            int64_t c = int64_t{srcRect.left} + ScaledIndex(jb + k, sx, srcWidth - 1);
            column[k] = static_cast<int32_t>(detail::Clamp<int64_t>(c, 0, srcWidth - 1)) * Bpp;
        }
        // Rows that take the same source row as the row before are copies of it.
        int64_t previous = -1;
        uint8_t *previousOut = nullptr;
        for (int64_t i = i0; i < i1; ++i) {
            const int64_t r = detail::Clamp<int64_t>(int64_t{srcRect.bottom} - 1 - ScaledIndex(i, sy, srcHeight - 1), 0,
                                                     srcHeight - 1);
            uint8_t *out = dst + (dstRect.top + i) * dstStride + (dstRect.left + jb) * Bpp;
            if (r == previous) {
                std::memcpy(out, previousOut, static_cast<size_t>(n) * Bpp);
                continue;
            }
            // A pixel of three bytes moves as four, the fourth being the next pixel's first
            // byte, which that pixel then writes again. The last pixel of the block moves
            // as three; so does one whose fourth byte could lie past the source store.
            const uint8_t *in = src + r * srcStride;
            const int32_t unsafe = r + 1 < srcHeight || srcStride > srcWidth * Bpp ? -1 : (srcWidth - 1) * Bpp;
            int k = 0;
            if constexpr (Bpp == 3) {
                for (; k + 1 < n; ++k) {
                    if (column[k] == unsafe) {
                        std::memcpy(out + 3 * k, in + column[k], 3);
                    } else {
                        uint32_t v;
                        std::memcpy(&v, in + column[k], 4);
                        std::memcpy(out + 3 * k, &v, 4);
                    }
                }
            }
            for (; k < n; ++k)
                std::memcpy(out + Bpp * k, in + column[k], Bpp);
            previous = r;
            previousOut = out;
        }
    }
    return 1;
}

} // namespace

VONKEL_STRETCH_ROUTINE(Stretch24) {
    return StretchPixels<3>(dst, src, dstRect, srcRect, dstWidth, dstHeight, srcWidth, srcHeight, dstBpp, srcBpp,
                            dstStride, srcStride);
}

VONKEL_STRETCH_ROUTINE(Stretch8) {
    return StretchPixels<1>(dst, src, dstRect, srcRect, dstWidth, dstHeight, srcWidth, srcHeight, dstBpp, srcBpp,
                            dstStride, srcStride);
}

} // namespace conv
