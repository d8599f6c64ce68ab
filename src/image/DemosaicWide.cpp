#include "image/DemosaicWide.h"
#include "image/HueWide.h"

namespace conv::detail {

#if VONKEL_WIDE_VECTORS
namespace {

// 32 bytes of a row from column c: lane j holds columns c + 2j (even) and c + 2j + 1 (odd).
struct Pairs {
    __m256i even, odd;
};

VONKEL_WIDE_TARGET inline Pairs Load(const uint8_t *row, int32_t c) {
    const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(row + c));
    return Pairs{_mm256_and_si256(v, _mm256_set1_epi16(255)), _mm256_srli_epi16(v, 8)};
}

// 3 x near + far.
VONKEL_WIDE_TARGET inline __m256i Weighted(__m256i near, __m256i far) {
    return _mm256_add_epi16(_mm256_add_epi16(near, _mm256_slli_epi16(near, 1)), far);
}

// min((sum x factor) >> 11, 255) as the high half of (sum << 4) x (factor x 2).
VONKEL_WIDE_TARGET inline __m256i Scale(__m256i sum, __m256i factor2) {
    return _mm256_min_epu16(_mm256_mulhi_epu16(_mm256_slli_epi16(sum, 4), factor2), _mm256_set1_epi16(255));
}

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

// The run with or without the hue rule.
template <bool Hue>
VONKEL_WIDE_TARGET inline int32_t Run(const DemosaicRows8 &rows, int32_t c0, int32_t n, uint16_t redFactor2,
                                      uint16_t blueFactor2, uint8_t *outB, uint8_t *outG, uint8_t *outR, uint8_t *out24,
                                      uint8_t *out32, const HueSettings *hue) {
    static const ThreeByteOrder order;
    const __m256i fr = _mm256_set1_epi16(static_cast<short>(redFactor2));
    const __m256i fb = _mm256_set1_epi16(static_cast<short>(blueFactor2));
    HueVectors h{};
    if constexpr (Hue)
        h = HueVectorsOf(*hue);
    int32_t m = 0;
    // Pair j of a step: pixels c = c0 + m + 2j (phase 0, red column) and c + 1 (blue
    // column); the reads reach from column c0 + m - 2 to c0 + m + 33.
    for (;; m += 32) {
        if (m + 32 > n) {
            // The last pixels: one more step that ends with the run (or one short of it,
            // to start on phase 0) does some pixels again, with the same results.
            const int32_t back = (n - 32) & ~1;
            if (n < 32 || back + 32 <= m)
                break;
            m = back;
        }
        const int32_t c = c0 + m;
        // Red: vertical halves at red columns c - 2, c, c + 2.
        const __m256i redLeft = Weighted(Load(rows.redNear, c - 2).even, Load(rows.redFar, c - 2).even);
        const __m256i redHere = Weighted(Load(rows.redNear, c).even, Load(rows.redFar, c).even);
        const __m256i redRight = Weighted(Load(rows.redNear, c + 2).even, Load(rows.redFar, c + 2).even);
        // Blue: vertical halves at blue columns c - 1 and c + 1.
        const __m256i blueLeft = Weighted(Load(rows.blueNear, c - 2).odd, Load(rows.blueFar, c - 2).odd);
        const __m256i blueRight = Weighted(Load(rows.blueNear, c).odd, Load(rows.blueFar, c).odd);
        const __m256i redHere3 = _mm256_add_epi16(redHere, _mm256_slli_epi16(redHere, 1));
        __m256i redEven = Scale(_mm256_add_epi16(redHere3, redLeft), fr);
        __m256i redOdd = Scale(_mm256_add_epi16(redHere3, redRight), fr);
        __m256i blueEven = Scale(Weighted(blueLeft, blueRight), fb), blueOdd = Scale(Weighted(blueRight, blueLeft), fb);
        // Green: p[c - 1] + q[c] for the even pixel, p[c + 1] + q[c] for the odd one.
        const __m256i q = Load(rows.q, c).even;
        __m256i greenEven = _mm256_srli_epi16(_mm256_add_epi16(Load(rows.p, c - 2).odd, q), 1);
        __m256i greenOdd = _mm256_srli_epi16(_mm256_add_epi16(Load(rows.p, c).odd, q), 1);
        if constexpr (Hue) {
            ShiftHue16(blueEven, greenEven, redEven, h);
            ShiftHue16(blueOdd, greenOdd, redOdd, h);
        }
        const __m256i red = Interleave(redEven, redOdd), blue = Interleave(blueEven, blueOdd);
        const __m256i green = Interleave(greenEven, greenOdd);
        if (out32) {
            StorePixels32<!Hue>(out32 + 4 * m, blue, green, red);
        } else if (out24) {
            StorePixels24(out24 + 3 * m, blue, green, red, order);
        } else {
            Store(outB + m, blue);
            Store(outG + m, green);
            Store(outR + m, red);
        }
    }
    return m;
}

// ---- 16-bit samples ----

// 16 samples of a row from column c as 32-bit lanes: lane j holds columns c + 2j (even)
// and c + 2j + 1 (odd).
VONKEL_WIDE_TARGET inline Pairs Load16(const uint16_t *row, int32_t c) {
    const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(row + c));
    return Pairs{_mm256_and_si256(v, _mm256_set1_epi32(0xFFFF)), _mm256_srli_epi32(v, 16)};
}

VONKEL_WIDE_TARGET inline __m256i Weighted32(__m256i near, __m256i far) {
    return _mm256_add_epi32(_mm256_add_epi32(near, _mm256_slli_epi32(near, 1)), far);
}

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

VONKEL_WIDE_TARGET int32_t DemosaicRunWide16(const DemosaicRows16 &rows, int32_t c0, int32_t n, uint32_t redFactor,
                                             uint32_t blueFactor, uint16_t *out48, uint16_t *out64) {
    static const ThreeByteOrder order(2);
    const __m256i fr = _mm256_set1_epi32(static_cast<int>(redFactor));
    const __m256i fb = _mm256_set1_epi32(static_cast<int>(blueFactor));
    int32_t m = 0;
    // As the 8-bit run, 16 pixels a step; the reads reach from column c0 + m - 2 to
    // c0 + m + 17.
    for (;; m += 16) {
        if (m + 16 > n) {
            const int32_t back = (n - 16) & ~1;
            if (n < 16 || back + 16 <= m)
                break;
            m = back;
        }
        const int32_t c = c0 + m;
        const __m256i redLeft = Weighted32(Load16(rows.redNear, c - 2).even, Load16(rows.redFar, c - 2).even);
        const __m256i redHere = Weighted32(Load16(rows.redNear, c).even, Load16(rows.redFar, c).even);
        const __m256i redRight = Weighted32(Load16(rows.redNear, c + 2).even, Load16(rows.redFar, c + 2).even);
        const __m256i blueLeft = Weighted32(Load16(rows.blueNear, c - 2).odd, Load16(rows.blueFar, c - 2).odd);
        const __m256i blueRight = Weighted32(Load16(rows.blueNear, c).odd, Load16(rows.blueFar, c).odd);
        const __m256i redHere3 = _mm256_add_epi32(redHere, _mm256_slli_epi32(redHere, 1));
        const __m256i red = Interleave32(Scale32(_mm256_add_epi32(redHere3, redLeft), fr),
                                         Scale32(_mm256_add_epi32(redHere3, redRight), fr));
        const __m256i blue =
            Interleave32(Scale32(Weighted32(blueLeft, blueRight), fb), Scale32(Weighted32(blueRight, blueLeft), fb));
        const __m256i q = Load16(rows.q, c).even;
        const __m256i green = Interleave32(_mm256_srli_epi32(_mm256_add_epi32(Load16(rows.p, c - 2).odd, q), 1),
                                           _mm256_srli_epi32(_mm256_add_epi32(Load16(rows.p, c).odd, q), 1));
        if (out64)
            StorePixels64(out64 + 4 * m, blue, green, red);
        else
            StorePixels24(reinterpret_cast<uint8_t *>(out48 + 3 * m), blue, green, red, order);
    }
    return m;
}

VONKEL_WIDE_TARGET int32_t DemosaicRunWide(const DemosaicRows8 &rows, int32_t c0, int32_t n, uint16_t redFactor2,
                                           uint16_t blueFactor2, uint8_t *outB, uint8_t *outG, uint8_t *outR,
                                           uint8_t *out24, uint8_t *out32, const HueSettings *hue) {
    if (hue)
        return Run<true>(rows, c0, n, redFactor2, blueFactor2, outB, outG, outR, out24, out32, hue);
    return Run<false>(rows, c0, n, redFactor2, blueFactor2, outB, outG, outR, out24, out32, nullptr);
}

#else

int32_t DemosaicRunWide(const DemosaicRows8 &, int32_t, int32_t, uint16_t, uint16_t, uint8_t *, uint8_t *, uint8_t *,
                        uint8_t *, uint8_t *, const HueSettings *) {
    return 0;
}

int32_t DemosaicRunWide16(const DemosaicRows16 &, int32_t, int32_t, uint32_t, uint32_t, uint16_t *, uint16_t *) {
    return 0;
}

#endif

} // namespace conv::detail
