// Hue rotation and saturation on 8-bit levels, in integers only (the rule: HueCore.h).
//
// Nothing is kept between calls: the offset and the chroma scale come from the block
// on every call, so cameras with different settings can run side by side.
#include "image/Conversions.h"
#include "image/HueCore.h"
#include "image/RoutineSupport.h"
#include "image/VectorDispatch.h"
#include <cstring>
#include <type_traits>

namespace conv {
namespace {

using detail::HueSettings;
using detail::kHueBlock;
using detail::Span;

// 16-bit samples go to 8-bit levels (shifted down and held to 255) and back in flat
// passes over all samples, so the pixels are taken apart as bytes.
VONKEL_INLINE void Reduce(uint8_t *levels, const uint16_t *from, int32_t samples, int shift) {
    for (int32_t k = 0; k < samples; ++k)
        levels[k] = static_cast<uint8_t>(std::min<uint32_t>(from[k] >> shift, 255));
}

VONKEL_INLINE void Widen(uint16_t *to, const uint8_t *levels, int32_t samples, int shift) {
    for (int32_t k = 0; k < samples; ++k)
        to[k] = static_cast<uint16_t>(levels[k] << shift);
}

template <class T, int Spp> int HueRows(const Span &s, const HueBlock &block) {
    const HueSettings hue = detail::HueSettingsOf(block.hue, block.saturation);
    const int shift = sizeof(T) == 1 ? 0 : detail::SignificantBits(block.significantBits) - 8;
    detail::Dispatch([s, hue, shift](auto copy) VONKEL_INLINE_LAMBDA {
        constexpr bool kWide = decltype(copy)::value;
        (void)shift; // 8-bit samples have no shift
        uint8_t b[kHueBlock], g[kHueBlock], r[kHueBlock];
        uint8_t levels[Spp * kHueBlock];
        const int32_t rows = s.rows, cols = s.cols;
        for (int32_t i = 0; i < rows; ++i) {
            const T *in = s.Src<T>(i);
            T *out = s.Dst<T>(i);
            for (int32_t c0 = 0; c0 < cols; c0 += kHueBlock) {
                const int32_t n = std::min(kHueBlock, cols - c0);
                const T *from = in + static_cast<ptrdiff_t>(c0) * Spp;
                T *to = out + static_cast<ptrdiff_t>(c0) * Spp;
                if constexpr (sizeof(T) == 1) {
                    detail::UnpackPixels<Spp>(b, g, r, from, n);
                    detail::ShiftHuePlanes<kWide>(b, g, r, n, hue);
                    detail::PackPixels<Spp>(to, b, g, r, n);
                } else {
                    Reduce(levels, from, Spp * n, shift);
                    detail::UnpackPixels<Spp>(b, g, r, levels, n);
                    detail::ShiftHuePlanes<kWide>(b, g, r, n, hue);
                    detail::PackPixels<Spp>(levels, b, g, r, n);
                    Widen(to, levels, Spp * n, shift);
                }
            }
        }
    });
    return 1;
}

template <class T, int Spp> int Hue(VONKEL_CONVERSION_PARAMS) {
    const HueBlock *block = static_cast<const HueBlock *>(param1);
    const int bpp = Spp * static_cast<int>(sizeof(T));
    if (!detail::Usable(dst, src, rect) || !block || dstBpp != bpp || srcBpp != bpp)
        return 0;
    return HueRows<T, Spp>(detail::MakeSpan(VONKEL_SPAN_ARGS), *block);
}

} // namespace

VONKEL_CONVERSION_ROUTINE(Hue24) { return Hue<uint8_t, 3>(VONKEL_CONVERSION_ARGS); }
VONKEL_CONVERSION_ROUTINE(Hue32) { return Hue<uint8_t, 4>(VONKEL_CONVERSION_ARGS); }
VONKEL_CONVERSION_ROUTINE(Hue48) { return Hue<uint16_t, 3>(VONKEL_CONVERSION_ARGS); }
VONKEL_CONVERSION_ROUTINE(Hue64) { return Hue<uint16_t, 4>(VONKEL_CONVERSION_ARGS); }

} // namespace conv
