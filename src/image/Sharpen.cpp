// Unsharp mask over a 4 x 4 box: blur = (sum of the 16 samples of rows r-2..r+1 and
// columns c-2..c+1) >> 4, out = orig + (orig - blur) x S / 10, limited to 0..top. The
// source is a copy of the picture and the destination the picture itself; the two
// outermost rows and columns keep the destination's values. Blur and sharpening are
// one pass: each output needs only its own blur value.
//
// A ValueBlock of brightness in param2 brightens the whole rectangle afterwards, as the
// brightness routine would; for 8-bit samples the interior is brightened in the same
// pass, before the sharpened value is stored.
#include "image/BrightnessOps.h"
#include "image/Conversions.h"
#include "image/RoutineSupport.h"
#include "image/SharpenWide.h"
#include "image/VectorDispatch.h"
#include <cstring>
#include <type_traits>

namespace conv {
namespace {

using detail::Span;

// Beyond |S| = 10 (top + 1) every non-zero difference saturates, so S is cut there; the
// product x S then fits 32 bits for 8-bit samples and for any usual strength.
int64_t Strength(int32_t s, int32_t top) {
    const int64_t most = 10 * (int64_t{top} + 1);
    return detail::Clamp<int64_t>(s, -most, most);
}

// The sharpened value as it is stored: unchanged, or brightened.
struct AsIs {
    template <class T> VONKEL_INLINE T operator()(T v) const { return v; }
};

// The AVX2 block (SharpenWide.h) for 8-bit samples in 16-bit lanes, stored as they are
// or brightened; false where it does not apply and the loop below does the block.
template <bool Wide, class T, int Spp, class Strength, class Finish>
VONKEL_INLINE bool WrittenBlock(const T *const rows[4], T *out, int32_t k0, int32_t n, Strength strength, Finish finish,
                                uint16_t *vertical) {
    constexpr bool kBrighten = std::is_same_v<Finish, detail::BrightenFixed>;
    if constexpr (Wide && sizeof(T) == 1 && std::is_same_v<Strength, int16_t> &&
                  (kBrighten || std::is_same_v<Finish, AsIs>)) {
        uint16_t whole = 1, fraction = 0;
        if constexpr (kBrighten) {
            whole = finish.whole;
            fraction = finish.fraction;
        }
        return detail::SharpenBlockWide(rows[0], rows[1], rows[2], rows[3], out, k0, n, Spp, strength, kBrighten, whole,
                                        fraction, vertical);
    }
    return false;
}

template <class T, int Spp, class Wide, class Finish>
void SharpenRows(const Span &s, Wide strength, int32_t top, Finish finish) {
    const Wide most = top;
    detail::Dispatch([s, strength, most, finish](auto copy) VONKEL_INLINE_LAMBDA {
        using Sum = std::conditional_t<sizeof(T) == 1, uint16_t, uint32_t>;
        using Word = std::conditional_t<sizeof(T) == 1, uint32_t, uint64_t>;
        constexpr int32_t kBlock = 1024;
        Sum vertical[kBlock + 3 * Spp];
        T sharp[kBlock];
        // Samples of pixel columns 2 .. cols - 3.
        const int32_t first = 2 * Spp, end = (s.cols - 2) * Spp, rows = s.rows;
        for (int32_t i = 2; i < rows - 2; ++i) {
            const T *r0 = s.Src<T>(i - 2), *r1 = s.Src<T>(i - 1), *r2 = s.Src<T>(i), *r3 = s.Src<T>(i + 1);
            T *out = s.Dst<T>(i);
            for (int32_t k0 = first; k0 < end; k0 += kBlock) {
                const int32_t n = std::min(kBlock, end - k0);
                const T *const window[4] = {r0, r1, r2, r3};
                if constexpr (sizeof(T) == 1) {
                    if (WrittenBlock<decltype(copy)::value, T, Spp>(window, out, k0, n, strength, finish, vertical))
                        continue;
                }
                // Column sums for samples k0 - 2 Spp .. k0 + n + Spp - 1.
                for (int32_t m = 0; m < n + 3 * Spp; ++m) {
                    const int32_t k = k0 - 2 * Spp + m;
                    vertical[m] = static_cast<Sum>(Sum{r0[k]} + r1[k] + r2[k] + r3[k]);
                }
                for (int32_t m = 0; m < n; ++m) {
                    const int32_t k = k0 + m;
                    const Wide box = static_cast<Wide>(vertical[m] + vertical[m + Spp] + vertical[m + 2 * Spp] +
                                                       vertical[m + 3 * Spp]);
                    // 16-bit samples above the top count as the top; 8-bit samples and
                    // their box means (at most 16 x 255 >> 4) never pass 255.
                    const Wide top = sizeof(T) == 1 ? Wide{255} : most;
                    const Wide orig = sizeof(T) == 1 ? static_cast<Wide>(r2[k]) : std::min<Wide>(r2[k], most);
                    const Wide blur = sizeof(T) == 1 ? static_cast<Wide>(box >> 4) : std::min<Wide>(box >> 4, most);
                    const Wide change = static_cast<Wide>(static_cast<Wide>((orig - blur) * strength) / 10);
                    const Wide sharpened = detail::Clamp<Wide>(static_cast<Wide>(orig + change), 0, top);
                    if constexpr (Spp == 4)
                        sharp[m] = finish(static_cast<T>(sharpened));
                    else
                        out[k] = finish(static_cast<T>(sharpened));
                }
                // Pixels of four samples: three from the block, the fourth kept, one word
                // each; a loop that skips every fourth sample would not vectorize.
                if constexpr (Spp == 4) {
                    constexpr Word fourth = ~Word{0} << (3 * 8 * sizeof(T));
                    for (int32_t q = 0; q < n; q += 4) {
                        Word w, kept;
                        std::memcpy(&w, sharp + q, sizeof w);
                        std::memcpy(&kept, out + k0 + q, sizeof kept);
                        w = (w & ~fourth) | (kept & fourth);
                        std::memcpy(out + k0 + q, &w, sizeof w);
                    }
                }
            }
        }
    });
}

template <class T, int Spp, class Finish>
void Sharpen(const Span &s, const ValueBlock &block, int32_t top, Finish finish) {
    const int64_t strength = Strength(block.value, top);
    // 8-bit samples and a usual strength: every value fits 16 bits, twice the lanes.
    if (sizeof(T) == 1 && strength >= -128 && strength <= 128)
        SharpenRows<T, Spp, int16_t>(s, static_cast<int16_t>(strength), top, finish);
    else if (strength * top <= INT32_MAX && -strength * top <= INT32_MAX)
        SharpenRows<T, Spp, int32_t>(s, static_cast<int32_t>(strength), top, finish);
    else
        SharpenRows<T, Spp, int64_t>(s, strength, top, AsIs{});
}

// The rectangle of the span in place, through a routine of the same depths.
void InPlace(ConversionRoutine routine, const Span &s, ImageRect rect, ValueBlock *block) {
    routine(s.dst, s.dst, rect, rect.left, rect.top, s.dstBpp, s.dstBpp, static_cast<int32_t>(s.dstStride),
            static_cast<int32_t>(s.dstStride), block, nullptr);
}

template <class T, int Spp>
int SharpenThenBrighten(const Span &s, const ValueBlock &block, int32_t top, ValueBlock *brightness,
                        ConversionRoutine brighten) {
    if (!brightness) {
        Sharpen<T, Spp>(s, block, top, AsIs{});
        return 1;
    }
    const int32_t rows = s.rows, cols = s.cols;
    detail::BrightenFixed fixed{};
    const bool fused = sizeof(T) == 1 && rows >= 5 && cols >= 5 && Strength(block.value, top) >= -128 &&
                       Strength(block.value, top) <= 128 &&
                       detail::FindFixed(std::max(detail::BrightnessFactor(brightness->value), 0.0f), fixed);
    if (!fused) {
        Sharpen<T, Spp>(s, block, top, AsIs{});
        InPlace(brighten, s, ImageRect{0, 0, cols, rows}, brightness);
        return 1;
    }
    if constexpr (sizeof(T) == 1)
        Sharpen<T, Spp>(s, block, top, fixed);
    // What sharpening leaves as it was: the two outermost rows and columns.
    for (const ImageRect &edge : {ImageRect{0, 0, cols, 2}, ImageRect{0, rows - 2, cols, rows},
                                  ImageRect{0, 2, 2, rows - 2}, ImageRect{cols - 2, 2, cols, rows - 2}})
        InPlace(brighten, s, edge, brightness);
    return 1;
}

template <class T> int SharpenAny(VONKEL_CONVERSION_PARAMS, bool colour) {
    const ValueBlock *block = static_cast<const ValueBlock *>(param1);
    const int size = static_cast<int>(sizeof(T));
    const bool depthOk = dstBpp == srcBpp && (colour ? dstBpp == 3 * size || dstBpp == 4 * size : dstBpp == size);
    if (!detail::Usable(dst, src, rect) || !block || !depthOk)
        return 0;
    const Span s = detail::MakeSpan(VONKEL_SPAN_ARGS);
    const int32_t top = size == 1 ? 255 : detail::TopValue(block->significantBits);
    ValueBlock *brightness = static_cast<ValueBlock *>(param2);
    ConversionRoutine brighten =
        size == 1 ? (colour ? Brightness24_32 : Brightness8) : (colour ? Brightness48_64 : Brightness16);
    switch (dstBpp / size) {
    case 1: return SharpenThenBrighten<T, 1>(s, *block, top, brightness, brighten);
    case 3: return SharpenThenBrighten<T, 3>(s, *block, top, brightness, brighten);
    default: return SharpenThenBrighten<T, 4>(s, *block, top, brightness, brighten);
    }
}

} // namespace

VONKEL_CONVERSION_ROUTINE(Sharpen8) { return SharpenAny<uint8_t>(VONKEL_CONVERSION_ARGS, false); }
VONKEL_CONVERSION_ROUTINE(Sharpen16) { return SharpenAny<uint16_t>(VONKEL_CONVERSION_ARGS, false); }
VONKEL_CONVERSION_ROUTINE(Sharpen24_32) { return SharpenAny<uint8_t>(VONKEL_CONVERSION_ARGS, true); }
VONKEL_CONVERSION_ROUTINE(Sharpen48_64) { return SharpenAny<uint16_t>(VONKEL_CONVERSION_ARGS, true); }

} // namespace conv
