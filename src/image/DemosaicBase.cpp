// The demosaic's column runs for the x86-64 baseline (SSE2), the same formulas as the
// AVX2 runs (DemosaicWide.cpp): 8-bit samples 16 pixels a step, 16-bit ones 8. SSE2 has
// no byte shuffle and no unsigned 16-bit minimum: pixels of three samples are put
// together as 32-bit words and interleaved as those, and min(x, 255) is x minus its
// saturated excess over 255. Two output rows share three of their five source rows, so
// the pair run loads and weighs those once for both.
#include "image/DemosaicWide.h"
#if defined(__SSE2__)
#include <emmintrin.h>
// After every other include: see there.
#include "image/DemosaicSteps.h"
#endif

namespace conv::detail {

#if defined(__SSE2__)
namespace {

// Words A, B, C into A0 B0 C0 A1 | B1 C1 A2 B2 | C2 A3 B3 C3 at out (48 bytes).
inline void StoreThreeWay(uint8_t *out, __m128i a, __m128i b, __m128i c) {
    auto ps = [](__m128i v) { return _mm_castsi128_ps(v); };
    const __m128 abLow = ps(_mm_unpacklo_epi32(a, b)), abHigh = ps(_mm_unpackhi_epi32(a, b));
    const __m128 caLow = ps(_mm_unpacklo_epi32(c, a)), caHigh = ps(_mm_unpackhi_epi32(c, a));
    const __m128 bcLow = ps(_mm_unpacklo_epi32(b, c)), bcHigh = ps(_mm_unpackhi_epi32(b, c));
    float *at = reinterpret_cast<float *>(out);
    _mm_storeu_ps(at, _mm_shuffle_ps(abLow, caLow, _MM_SHUFFLE(3, 0, 1, 0)));
    _mm_storeu_ps(at + 4, _mm_shuffle_ps(bcLow, abHigh, _MM_SHUFFLE(1, 0, 3, 2)));
    _mm_storeu_ps(at + 8, _mm_shuffle_ps(caHigh, bcHigh, _MM_SHUFFLE(3, 2, 3, 0)));
}

// Four pixel vectors stored with the fourth sample of each pixel (mask `fourth`) kept.
inline void StoreKeepingFourth(uint8_t *out, const __m128i pixels[4], __m128i fourth) {
    __m128i *at = reinterpret_cast<__m128i *>(out);
    for (int k = 0; k < 4; ++k)
        _mm_storeu_si128(at + k, _mm_or_si128(pixels[k], _mm_and_si128(_mm_loadu_si128(at + k), fourth)));
}

// A row read as lanes of twice its samples' width falls apart into even and odd columns:
// 8-bit samples in 16-bit lanes, 16 pixels a step; 16-bit ones in 32-bit lanes, 8.
template <class T> struct Lanes {
    using Vec = __m128i;
    using Sample = T;
    static constexpr bool kNarrow = sizeof(T) == 1;
    static constexpr int32_t kStep = kNarrow ? 16 : 8;

    // 16 bytes of a row from column c: lane j holds columns c + 2j (even) and c + 2j + 1 (odd).
    static auto Load(const T *row, int32_t c) {
        using Pairs = PairsOf<Lanes>;
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i *>(row + c));
        if constexpr (kNarrow)
            return Pairs{_mm_and_si128(v, _mm_set1_epi16(255)), _mm_srli_epi16(v, 8)};
        else
            return Pairs{_mm_and_si128(v, _mm_set1_epi32(0xFFFF)), _mm_srli_epi32(v, 16)};
    }
    static __m128i Add(__m128i a, __m128i b) { return kNarrow ? _mm_add_epi16(a, b) : _mm_add_epi32(a, b); }
    static __m128i Triple(__m128i v) {
        return kNarrow ? _mm_add_epi16(v, _mm_slli_epi16(v, 1)) : _mm_add_epi32(v, _mm_slli_epi32(v, 1));
    }
    static __m128i Half(__m128i v) { return kNarrow ? _mm_srli_epi16(v, 1) : _mm_srli_epi32(v, 1); }
};

template <bool Shifted> struct Narrow : Lanes<uint8_t> {
    __m128i red, blue; // factor x 2, shifted up 4 more when Shifted

    // (sum x factor) >> 11 as the high half of (sum << 4) x (factor x 2). With factor x 2
    // below 4096 the shift goes into the factor instead, the same product, and the result
    // stays below 4096: the saturating packs of the stores then limit it to 255. Otherwise
    // it is limited here: x minus its saturated excess over 255.
    static __m128i Scale(__m128i sum, __m128i factor) {
        if constexpr (Shifted)
            return _mm_mulhi_epu16(sum, factor);
        const __m128i x = _mm_mulhi_epu16(_mm_slli_epi16(sum, 4), factor);
        return _mm_sub_epi16(x, _mm_subs_epu16(x, _mm_set1_epi16(255)));
    }
    __m128i ScaleRed(__m128i sum) const { return Scale(sum, red); }
    __m128i ScaleBlue(__m128i sum) const { return Scale(sum, blue); }

    // The pair j's six bytes as the words x = blue, green (even pixel), y = red, blue and
    // z = green, red (odd pixel), in lane j; the even pixel's blue, green, red words.
    struct Words {
        __m128i x, y, z, blueGreenOdd, redEven, redOdd;
    };
    template <class C> static Words WordsOf(const C &p) {
        if constexpr (Shifted) {
            // Bytes of even pixels in the low half, odd ones in the high half.
            const __m128i b = _mm_packus_epi16(p.blueEven, p.blueOdd), g = _mm_packus_epi16(p.greenEven, p.greenOdd);
            const __m128i r = _mm_packus_epi16(p.redEven, p.redOdd), zero = _mm_setzero_si128();
            return Words{_mm_unpacklo_epi8(b, g),    _mm_unpacklo_epi8(r, _mm_unpackhi_epi64(b, b)),
                         _mm_unpackhi_epi8(g, r),    _mm_unpackhi_epi8(b, g),
                         _mm_unpacklo_epi8(r, zero), _mm_unpackhi_epi8(r, zero)};
        } else {
            return Words{_mm_or_si128(p.blueEven, _mm_slli_epi16(p.greenEven, 8)),
                         _mm_or_si128(p.redEven, _mm_slli_epi16(p.blueOdd, 8)),
                         _mm_or_si128(p.greenOdd, _mm_slli_epi16(p.redOdd, 8)),
                         _mm_or_si128(p.blueOdd, _mm_slli_epi16(p.greenOdd, 8)),
                         p.redEven,
                         p.redOdd};
        }
    }

    template <class C> void Store(uint8_t *out, const C &p, int spp) const {
        const Words w = WordsOf(p);
        if (spp == 4) {
            // 16 pixels of four bytes, fourth bytes kept.
            const __m128i evenLow = _mm_unpacklo_epi16(w.x, w.redEven), evenHigh = _mm_unpackhi_epi16(w.x, w.redEven);
            const __m128i oddLow = _mm_unpacklo_epi16(w.blueGreenOdd, w.redOdd),
                          oddHigh = _mm_unpackhi_epi16(w.blueGreenOdd, w.redOdd);
            const __m128i pixels[4] = {_mm_unpacklo_epi32(evenLow, oddLow), _mm_unpackhi_epi32(evenLow, oddLow),
                                       _mm_unpacklo_epi32(evenHigh, oddHigh), _mm_unpackhi_epi32(evenHigh, oddHigh)};
            StoreKeepingFourth(out, pixels, _mm_set1_epi32(static_cast<int>(0xFF000000u)));
        } else {
            // 16 pixels of three bytes: pairs 2i and 2i + 1 in 32-bit lane i: xy of 2i, zx
            // of 2i and the next, yz of 2i + 1, interleaved three ways.
            const __m128i low = _mm_set1_epi32(0xFFFF);
            StoreThreeWay(out, _mm_or_si128(_mm_and_si128(w.x, low), _mm_slli_epi32(w.y, 16)),
                          _mm_or_si128(_mm_and_si128(w.z, low), _mm_andnot_si128(low, w.x)),
                          _mm_or_si128(_mm_srli_epi32(w.y, 16), _mm_andnot_si128(low, w.z)));
        }
    }
};

struct Wide16 : Lanes<uint16_t> {
    __m128i red, blue, redLow, blueLow; // the factor in both 16-bit halves, and in the low half

    // min((sum x factor) >> 11, 65535) in the low halves of the lanes (the high halves are
    // left undefined). SSE2 has no 32-bit multiplication: with sum = h x 2^16 + l (h <= 15)
    // and the factor below 4096, h x factor fits 16 bits, so the product is the 16-bit
    // product of the high halves shifted up plus the full 32-bit product of the low halves.
    static __m128i Scale(__m128i sum, __m128i both, __m128i low) {
        const __m128i product =
            _mm_add_epi32(_mm_mullo_epi16(sum, both), _mm_slli_epi32(_mm_mulhi_epu16(sum, low), 16));
        const __m128i x = _mm_srli_epi32(product, 11);
        return _mm_or_si128(x, _mm_cmpgt_epi32(x, _mm_set1_epi32(65535)));
    }
    __m128i ScaleRed(__m128i sum) const { return Scale(sum, red, redLow); }
    __m128i ScaleBlue(__m128i sum) const { return Scale(sum, blue, blueLow); }
    template <class C> void Store(uint16_t *out, const C &p, int spp) const {
        uint8_t *at = reinterpret_cast<uint8_t *>(out);
        spp == 4 ? Store32(at, p) : Store24(at, p);
    }

    // 8 pixels of three samples: the pair j's words blue, green / red, blue / green, red
    // (32 bits each) interleave three ways. Green is clean in its high half, red and blue
    // are not.
    template <class C> static void Store24(uint8_t *out, const C &p) {
        const __m128i low = _mm_set1_epi32(0xFFFF);
        StoreThreeWay(out, _mm_or_si128(_mm_and_si128(p.blueEven, low), _mm_slli_epi32(p.greenEven, 16)),
                      _mm_or_si128(_mm_and_si128(p.redEven, low), _mm_slli_epi32(p.blueOdd, 16)),
                      _mm_or_si128(p.greenOdd, _mm_slli_epi32(p.redOdd, 16)));
    }

    // 8 pixels of four samples, fourth samples kept.
    template <class C> static void Store32(uint8_t *out, const C &p) {
        const __m128i low = _mm_set1_epi32(0xFFFF);
        const __m128i even = _mm_or_si128(_mm_and_si128(p.blueEven, low), _mm_slli_epi32(p.greenEven, 16));
        const __m128i odd = _mm_or_si128(_mm_and_si128(p.blueOdd, low), _mm_slli_epi32(p.greenOdd, 16));
        const __m128i redEven = _mm_and_si128(p.redEven, low), redOdd = _mm_and_si128(p.redOdd, low);
        const __m128i evenLow = _mm_unpacklo_epi32(even, redEven), evenHigh = _mm_unpackhi_epi32(even, redEven);
        const __m128i oddLow = _mm_unpacklo_epi32(odd, redOdd), oddHigh = _mm_unpackhi_epi32(odd, redOdd);
        const __m128i pixels[4] = {_mm_unpacklo_epi64(evenLow, oddLow), _mm_unpackhi_epi64(evenLow, oddLow),
                                   _mm_unpacklo_epi64(evenHigh, oddHigh), _mm_unpackhi_epi64(evenHigh, oddHigh)};
        StoreKeepingFourth(out, pixels, _mm_set_epi16(-1, 0, 0, 0, -1, 0, 0, 0));
    }
};

template <bool Shifted> Narrow<Shifted> NarrowOf(uint16_t redFactor2, uint16_t blueFactor2) {
    Narrow<Shifted> s;
    s.red = _mm_set1_epi16(static_cast<short>(redFactor2 << (Shifted ? 4 : 0)));
    s.blue = _mm_set1_epi16(static_cast<short>(blueFactor2 << (Shifted ? 4 : 0)));
    return s;
}

Wide16 Wide16Of(uint32_t redFactor, uint32_t blueFactor) {
    Wide16 s;
    s.red = _mm_set1_epi16(static_cast<short>(redFactor));
    s.blue = _mm_set1_epi16(static_cast<short>(blueFactor));
    s.redLow = _mm_set1_epi32(static_cast<int>(redFactor));
    s.blueLow = _mm_set1_epi32(static_cast<int>(blueFactor));
    return s;
}

} // namespace

int32_t DemosaicRunBase(const DemosaicPass<uint8_t> &pass, int32_t c0, int32_t n, uint16_t redFactor2,
                        uint16_t blueFactor2, int spp) {
    if (redFactor2 < 4096 && blueFactor2 < 4096)
        return RunPass(NarrowOf<true>(redFactor2, blueFactor2), pass, c0, n, spp);
    return RunPass(NarrowOf<false>(redFactor2, blueFactor2), pass, c0, n, spp);
}

int32_t DemosaicRunBase16(const DemosaicPass<uint16_t> &pass, int32_t c0, int32_t n, uint32_t redFactor,
                          uint32_t blueFactor, int spp) {
    return RunPass(Wide16Of(redFactor, blueFactor), pass, c0, n, spp);
}

#else

int32_t DemosaicRunBase(const DemosaicPass<uint8_t> &, int32_t, int32_t, uint16_t, uint16_t, int) { return 0; }
int32_t DemosaicRunBase16(const DemosaicPass<uint16_t> &, int32_t, int32_t, uint32_t, uint32_t, int) { return 0; }

#endif

} // namespace conv::detail
