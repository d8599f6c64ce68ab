#include "image/DemosaicWide.h"
#include "image/HueWide.h"

namespace conv::detail {

#if VONKEL_WIDE_VECTORS
namespace {

// Even pixels in the low bytes, odd ones in the high bytes: 32 pixels in order.
VONKEL_WIDE_TARGET inline __m256i Interleave(__m256i even, __m256i odd) {
    return _mm256_or_si256(even, _mm256_slli_epi16(odd, 8));
}

// 32 pixels from blue, green and red bytes into pixels of four bytes, fourth bytes kept
// (or 0 when not Keep); the pixels come with a fourth byte 0, so an OR keeps it.
template <bool Keep = true>
VONKEL_WIDE_TARGET inline void StorePixels32(uint8_t *out, __m256i blue, __m256i green, __m256i red) {
    const __m256i fourth = _mm256_set1_epi32(static_cast<int>(0xFF000000u));
    // Within each 128-bit half: blue-green and red-0 pairs, then whole pixels.
    const __m256i bgLow = _mm256_unpacklo_epi8(blue, green), bgHigh = _mm256_unpackhi_epi8(blue, green);
    const __m256i rLow = _mm256_unpacklo_epi8(red, _mm256_setzero_si256());
    const __m256i rHigh = _mm256_unpackhi_epi8(red, _mm256_setzero_si256());
    // Half 0 holds pixels 0-15, half 1 pixels 16-31; each unpack covers 4 of each half.
    const __m256i p0 = _mm256_unpacklo_epi16(bgLow, rLow), p1 = _mm256_unpackhi_epi16(bgLow, rLow);
    const __m256i p2 = _mm256_unpacklo_epi16(bgHigh, rHigh), p3 = _mm256_unpackhi_epi16(bgHigh, rHigh);
    const __m256i ordered[4] = {_mm256_permute2x128_si256(p0, p1, 0x20), _mm256_permute2x128_si256(p2, p3, 0x20),
                                _mm256_permute2x128_si256(p0, p1, 0x31), _mm256_permute2x128_si256(p2, p3, 0x31)};
    __m256i *at = reinterpret_cast<__m256i *>(out);
    for (int k = 0; k < 4; ++k)
        _mm256_storeu_si256(at + k,
                            Keep ? _mm256_or_si256(ordered[k], _mm256_and_si256(_mm256_loadu_si256(at + k), fourth))
                                 : ordered[k]);
}

// Byte shuffles that place blue, green and red of the pixels of a 128-bit half (16 of
// one byte, or 8 of two) into the 48 bytes of their three-sample pixels: part j (16
// bytes) of channel c; 0x80 leaves a byte 0.
struct ThreeByteOrder {
    alignas(32) uint8_t mask[3][3][32];
    explicit ThreeByteOrder(int unit = 1) {
        for (int part = 0; part < 3; ++part)
            for (int channel = 0; channel < 3; ++channel)
                for (int t = 0; t < 32; ++t) {
                    const int k = 16 * part + t % 16, pixel = k / (3 * unit), sample = k % (3 * unit) / unit;
                    mask[part][channel][t] = static_cast<uint8_t>(sample == channel ? pixel * unit + k % unit : 0x80);
                }
    }
};

// 32 pixels from blue, green and red bytes into 96 bytes of three-byte pixels.
VONKEL_WIDE_TARGET inline void StorePixels24(uint8_t *out, __m256i blue, __m256i green, __m256i red,
                                             const ThreeByteOrder &order) {
    __m256i part[3];
    for (int j = 0; j < 3; ++j) {
        const __m256i *mask = reinterpret_cast<const __m256i *>(order.mask[j]);
        part[j] = _mm256_or_si256(_mm256_or_si256(_mm256_shuffle_epi8(blue, _mm256_load_si256(mask)),
                                                  _mm256_shuffle_epi8(green, _mm256_load_si256(mask + 1))),
                                  _mm256_shuffle_epi8(red, _mm256_load_si256(mask + 2)));
    }
    // Each 128-bit half holds 16 pixels: the low halves are pixels 0-15, the high ones 16-31.
    __m256i *at = reinterpret_cast<__m256i *>(out);
    _mm256_storeu_si256(at, _mm256_permute2x128_si256(part[0], part[1], 0x20));
    _mm256_storeu_si256(at + 1, _mm256_permute2x128_si256(part[2], part[0], 0x30));
    _mm256_storeu_si256(at + 2, _mm256_permute2x128_si256(part[1], part[2], 0x31));
}

VONKEL_WIDE_TARGET inline void Store(uint8_t *at, __m256i v) {
    _mm256_storeu_si256(reinterpret_cast<__m256i *>(at), v);
}

// ---- 16-bit samples ----

// 16 samples of a row from column c as 32-bit lanes: lane j holds columns c + 2j (even)
// and c + 2j + 1 (odd).
// min((sum x factor) >> 11, 65535); the product stays below 2^32.
VONKEL_WIDE_TARGET inline __m256i Scale32(__m256i sum, __m256i factor) {
    return _mm256_min_epu32(_mm256_srli_epi32(_mm256_mullo_epi32(sum, factor), 11), _mm256_set1_epi32(65535));
}

// Even pixels in the low halves of the 32-bit lanes, odd ones in the high halves: 16
// samples in order.
VONKEL_WIDE_TARGET inline __m256i Interleave32(__m256i even, __m256i odd) {
    return _mm256_or_si256(even, _mm256_slli_epi32(odd, 16));
}

// 16 pixels from blue, green and red samples into pixels of four samples, fourth kept.
VONKEL_WIDE_TARGET inline void StorePixels64(uint16_t *out, __m256i blue, __m256i green, __m256i red) {
    const __m256i bgLow = _mm256_unpacklo_epi16(blue, green), bgHigh = _mm256_unpackhi_epi16(blue, green);
    const __m256i rLow = _mm256_unpacklo_epi16(red, _mm256_setzero_si256());
    const __m256i rHigh = _mm256_unpackhi_epi16(red, _mm256_setzero_si256());
    // Half 0 holds pixels 0-7, half 1 pixels 8-15; each unpack covers 2 of each half.
    const __m256i p0 = _mm256_unpacklo_epi32(bgLow, rLow), p1 = _mm256_unpackhi_epi32(bgLow, rLow);
    const __m256i p2 = _mm256_unpacklo_epi32(bgHigh, rHigh), p3 = _mm256_unpackhi_epi32(bgHigh, rHigh);
    const __m256i ordered[4] = {_mm256_permute2x128_si256(p0, p1, 0x20), _mm256_permute2x128_si256(p2, p3, 0x20),
                                _mm256_permute2x128_si256(p0, p1, 0x31), _mm256_permute2x128_si256(p2, p3, 0x31)};
    __m256i *at = reinterpret_cast<__m256i *>(out);
    for (int k = 0; k < 4; ++k)
        _mm256_storeu_si256(at + k, _mm256_blend_epi16(ordered[k], _mm256_loadu_si256(at + k), 0x88));
}

} // namespace
} // namespace conv::detail

// The steps and the lane operations they take, compiled for AVX2 (DemosaicSteps.h).
#pragma GCC push_options
#pragma GCC target("avx2")
#include "image/DemosaicSteps.h"

namespace conv::detail {
namespace {

template <class T> struct WideLanes {
    using Vec = __m256i;
    using Sample = T;
    static constexpr bool kNarrow = sizeof(T) == 1;
    static constexpr int32_t kStep = kNarrow ? 32 : 16;

    // 32 bytes of a row from column c: lane j holds columns c + 2j (even) and c + 2j + 1 (odd).
    static PairsOf<WideLanes> Load(const T *row, int32_t c) {
        const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(row + c));
        if constexpr (kNarrow)
            return {_mm256_and_si256(v, _mm256_set1_epi16(255)), _mm256_srli_epi16(v, 8)};
        else
            return {_mm256_and_si256(v, _mm256_set1_epi32(0xFFFF)), _mm256_srli_epi32(v, 16)};
    }
    static __m256i Add(__m256i a, __m256i b) { return kNarrow ? _mm256_add_epi16(a, b) : _mm256_add_epi32(a, b); }
    static __m256i Triple(__m256i v) {
        return kNarrow ? _mm256_add_epi16(v, _mm256_slli_epi16(v, 1)) : _mm256_add_epi32(v, _mm256_slli_epi32(v, 1));
    }
    static __m256i Half(__m256i v) { return kNarrow ? _mm256_srli_epi16(v, 1) : _mm256_srli_epi32(v, 1); }
};

// 8-bit samples, with or without the hue rule in the store. Shifted as for SSE2
// (DemosaicBase.cpp): factor x 2 below 4096 takes the sum's shift by 4.
template <bool Hue, bool Shifted> struct WideNarrow : WideLanes<uint8_t> {
    __m256i red, blue;
    HueVectors hue;
    const ThreeByteOrder *order;

    __m256i ScaleOf(__m256i sum, __m256i factor) const {
        return _mm256_min_epu16(_mm256_mulhi_epu16(Shifted ? sum : _mm256_slli_epi16(sum, 4), factor),
                                _mm256_set1_epi16(255));
    }
    __m256i ScaleRed(__m256i sum) const { return ScaleOf(sum, red); }
    __m256i ScaleBlue(__m256i sum) const { return ScaleOf(sum, blue); }
    template <class C> void Store(uint8_t *out, C p, int spp) const {
        if constexpr (Hue) {
            ShiftHue16(p.blueEven, p.greenEven, p.redEven, hue);
            ShiftHue16(p.blueOdd, p.greenOdd, p.redOdd, hue);
        }
        const __m256i r = Interleave(p.redEven, p.redOdd), b = Interleave(p.blueEven, p.blueOdd);
        const __m256i g = Interleave(p.greenEven, p.greenOdd);
        if (spp == 4)
            StorePixels32<!Hue>(out, b, g, r);
        else
            StorePixels24(out, b, g, r, *order);
    }
};

struct Wide16 : WideLanes<uint16_t> {
    __m256i red, blue;
    const ThreeByteOrder *order;

    __m256i ScaleRed(__m256i sum) const { return Scale32(sum, red); }
    __m256i ScaleBlue(__m256i sum) const { return Scale32(sum, blue); }
    template <class C> void Store(uint16_t *out, const C &p, int spp) const {
        const __m256i r = Interleave32(p.redEven, p.redOdd), b = Interleave32(p.blueEven, p.blueOdd);
        const __m256i g = Interleave32(p.greenEven, p.greenOdd);
        if (spp == 4)
            StorePixels64(out, b, g, r);
        else
            StorePixels24(reinterpret_cast<uint8_t *>(out), b, g, r, *order);
    }
};

template <bool Hue, bool Shifted>
int32_t RunNarrow(const DemosaicPass<uint8_t> &pass, int32_t c0, int32_t n, uint16_t redFactor2, uint16_t blueFactor2,
                  int spp, const HueSettings *hue) {
    static const ThreeByteOrder order;
    WideNarrow<Hue, Shifted> s;
    s.red = _mm256_set1_epi16(static_cast<short>(redFactor2 << (Shifted ? 4 : 0)));
    s.blue = _mm256_set1_epi16(static_cast<short>(blueFactor2 << (Shifted ? 4 : 0)));
    s.hue = Hue ? HueVectorsOf(*hue) : HueVectors{};
    s.order = &order;
    return RunPass(s, pass, c0, n, spp);
}

} // namespace

int32_t DemosaicRunWide(const DemosaicPass<uint8_t> &pass, int32_t c0, int32_t n, uint16_t redFactor2,
                        uint16_t blueFactor2, int spp, const HueSettings *hue) {
    const bool shifted = redFactor2 < 4096 && blueFactor2 < 4096;
    if (hue)
        return shifted ? RunNarrow<true, true>(pass, c0, n, redFactor2, blueFactor2, spp, hue)
                       : RunNarrow<true, false>(pass, c0, n, redFactor2, blueFactor2, spp, hue);
    return shifted ? RunNarrow<false, true>(pass, c0, n, redFactor2, blueFactor2, spp, nullptr)
                   : RunNarrow<false, false>(pass, c0, n, redFactor2, blueFactor2, spp, nullptr);
}

int32_t DemosaicRunWide16(const DemosaicPass<uint16_t> &pass, int32_t c0, int32_t n, uint32_t redFactor,
                          uint32_t blueFactor, int spp) {
    static const ThreeByteOrder order(2);
    Wide16 s;
    s.red = _mm256_set1_epi32(static_cast<int>(redFactor));
    s.blue = _mm256_set1_epi32(static_cast<int>(blueFactor));
    s.order = &order;
    return RunPass(s, pass, c0, n, spp);
}

#pragma GCC pop_options

#else

int32_t DemosaicRunWide(const DemosaicPass<uint8_t> &, int32_t, int32_t, uint16_t, uint16_t, int, const HueSettings *) {
    return 0;
}
int32_t DemosaicRunWide16(const DemosaicPass<uint16_t> &, int32_t, int32_t, uint32_t, uint32_t, int) { return 0; }

#endif

} // namespace conv::detail
