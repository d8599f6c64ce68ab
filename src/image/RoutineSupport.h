// What every conversion routine needs from its arguments: row addresses through the
// strides, sample access, top values and Bayer phases. Internal to image/.
#pragma once
#include "image/ConversionBlocks.h"
#include "image/ImageTypes.h"
#include <algorithm>
#include <cstddef>
#include <cstdint>

#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ != __ORDER_LITTLE_ENDIAN__
#error "16-bit samples are read in place: little-endian hosts only"
#endif

// The routine's arguments as MakeSpan takes them.
#define VONKEL_SPAN_ARGS dst, src, rect, dstX, dstRow, dstBpp, srcBpp, dstStride, srcStride

namespace conv::detail {

// One routine call: the rectangle of the source and the place it goes in the destination.
struct Span {
    uint8_t *dst;
    const uint8_t *src;
    ptrdiff_t dstStride;
    ptrdiff_t srcStride;
    int32_t rows;
    int32_t cols;
    int dstBpp;
    int srcBpp;
    int32_t srcTop;    // memory row of rectangle row 0
    int32_t srcBottom; // one past the last memory row
    bool reversed;     // rectangle row i read from srcBottom - 1 - i

    const uint8_t *SrcRow(int32_t i) const { return src + (reversed ? srcBottom - 1 - i : srcTop + i) * srcStride; }
    uint8_t *DstRow(int32_t i) const { return dst + i * dstStride; }
    template <class T> const T *Src(int32_t i) const { return reinterpret_cast<const T *>(SrcRow(i)); }
    template <class T> T *Dst(int32_t i) const { return reinterpret_cast<T *>(DstRow(i)); }
};

inline Span MakeSpan(uint8_t *dst, const uint8_t *src, const ImageRect &rect, int32_t dstX, int32_t dstRow, int dstBpp,
                     int srcBpp, int32_t dstStride, int32_t srcStride, bool reversed = false) {
    Span s;
    s.dstStride = dstStride;
    s.srcStride = srcStride;
    s.dst = dst + static_cast<ptrdiff_t>(dstRow) * dstStride + static_cast<ptrdiff_t>(dstX) * dstBpp;
    s.src = src + static_cast<ptrdiff_t>(rect.left) * srcBpp;
    s.rows = rect.bottom - rect.top;
    s.cols = rect.right - rect.left;
    s.dstBpp = dstBpp;
    s.srcBpp = srcBpp;
    s.srcTop = rect.top;
    s.srcBottom = rect.bottom;
    s.reversed = reversed;
    return s;
}

// True when the call carries stores and a non-empty rectangle (ApplyConversion
// guarantees it; a direct caller may not).
inline bool Usable(const uint8_t *dst, const uint8_t *src, const ImageRect &rect) {
    return dst && src && rect.right > rect.left && rect.bottom > rect.top && rect.left >= 0 && rect.top >= 0;
}

// Bytes per pixel of the depths a buffer can have.
inline bool KnownDepth(int bpp) { return bpp == 1 || bpp == 2 || bpp == 3 || bpp == 4 || bpp == 6 || bpp == 8; }

template <class T> inline T Clamp(T v, T lo, T hi) { return v < lo ? lo : (v > hi ? hi : v); }

// 8..16 significant bits; top value 2^bits - 1.
inline int SignificantBits(int32_t bits) { return Clamp<int32_t>(bits, 8, 16); }
inline int32_t TopValue(int32_t bits) { return (int32_t{1} << SignificantBits(bits)) - 1; }

// The grey routines know three sensor depths and treat anything else as 16 bits.
inline int32_t GrayTopValue(int32_t bits) {
    switch (bits) {
    case 10: return 1023;
    case 12: return 4095;
    case 14: return 16383;
    default: return 65535;
    }
}

inline int RowFlip(int32_t bayerMode) { return bayerMode == 1 || bayerMode == 3; }
inline int ColFlip(int32_t bayerMode) { return bayerMode == 2 || bayerMode == 3; }

// Colour site of (row phase, column phase): 0 green, 1 blue, 2 red, 3 green.
enum ColourSite { kGreen1 = 0, kBlue = 1, kRed = 2, kGreen2 = 3 };

} // namespace conv::detail
