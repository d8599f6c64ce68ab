// The hue rule of HueCore.h written out for AVX2 on 16 pixels in 16-bit lanes, for the
// hue routines' planes and for the demosaic, which runs it on its pixels before it stores
// them. The fraction's quotient comes from the table of reciprocals, not a division. Internal to image/.
#pragma once
#include "image/HueCore.h"
#if VONKEL_WIDE_VECTORS
#include <immintrin.h>

namespace conv::detail {

// Which level each channel takes in each sector s (0..5, and 6..11 for the same sectors
// once more), as byte masks looked up by a byte shuffle: high, in between, and the
// sectors where the in-between level falls (even ones).
struct HueSectorMasks {
    alignas(16) uint8_t highR[16], highG[16], highB[16], midR[16], midG[16], midB[16], falling[16];
    constexpr HueSectorMasks() : highR{}, highG{}, highB{}, midR{}, midG{}, midB{}, falling{} {
        for (int s = 0; s < 16; ++s) {
            const int k = s % 6;
            highR[s] = Mask(k < 2);
            midR[s] = Mask(k == 2 || k == 5);
            highG[s] = Mask(k == 2 || k == 3);
            midG[s] = Mask(k == 1 || k == 4);
            highB[s] = Mask(k >= 4);
            midB[s] = Mask(k == 0 || k == 3);
            falling[s] = Mask(k % 2 == 0);
        }
    }
    static constexpr uint8_t Mask(bool on) { return on ? 0xFF : 0; }
};
inline constexpr HueSectorMasks kHueSectorMasks{};

// The settings as vectors, made once per call. The hue offset's whole sectors are added
// to the sector numbers from the start.
struct HueVectors {
    __m256i sector1, sector5, offsetFraction, scaleHigh, scaleLow;
    __m256i highR, highG, highB, midR, midG, midB, falling;
};

VONKEL_WIDE_TARGET inline __m256i BroadcastMask(const uint8_t (&mask)[16]) {
    return _mm256_broadcastsi128_si256(_mm_load_si128(reinterpret_cast<const __m128i *>(mask)));
}

VONKEL_WIDE_TARGET inline HueVectors HueVectorsOf(HueSettings hue) {
    const HueSectorMasks &m = kHueSectorMasks;
    return HueVectors{_mm256_set1_epi16(static_cast<short>(1 + hue.offset.sectors)),
                      _mm256_set1_epi16(static_cast<short>(5 + hue.offset.sectors)),
                      _mm256_set1_epi16(static_cast<short>(hue.offset.fraction)),
                      _mm256_set1_epi16(static_cast<short>(hue.scale.high)),
                      _mm256_set1_epi16(static_cast<short>(hue.scale.low)),
                      BroadcastMask(m.highR),
                      BroadcastMask(m.highG),
                      BroadcastMask(m.highB),
                      BroadcastMask(m.midR),
                      BroadcastMask(m.midG),
                      BroadcastMask(m.midB),
                      BroadcastMask(m.falling)};
}

// (num x floor(0xFF0000 / chroma) + 0x8000) >> 16 for 8 lanes of 32 bits.
VONKEL_WIDE_TARGET inline __m256i HueFractions8(__m256i num, __m256i chroma) {
    const int *table = reinterpret_cast<const int *>(kHueReciprocals.of);
    const __m256i recip = _mm256_i32gather_epi32(table, chroma, 4);
    return _mm256_srli_epi32(_mm256_add_epi32(_mm256_mullo_epi32(num, recip), _mm256_set1_epi32(0x8000)), 16);
}

// The same for 16 lanes of 16 bits: unpacked within each 128-bit half into 32-bit lanes,
// which the saturating pack puts back in order. (Looking the reciprocals up one by one
// into vectors was slower here than the gathers, even where gathers run in microcode.)
VONKEL_WIDE_TARGET inline __m256i HueFractions(__m256i num, __m256i chroma) {
    const __m256i zero = _mm256_setzero_si256();
    const __m256i low = HueFractions8(_mm256_unpacklo_epi16(num, zero), _mm256_unpacklo_epi16(chroma, zero));
    const __m256i high = HueFractions8(_mm256_unpackhi_epi16(num, zero), _mm256_unpackhi_epi16(chroma, zero));
    return _mm256_packus_epi32(low, high);
}

// lo, plus width where the sector's mask `high` is set, plus between where `middle` is.
VONKEL_WIDE_TARGET inline __m256i HueLevel(__m256i index, __m256i high, __m256i middle, __m256i lo, __m256i width,
                                           __m256i between) {
    return _mm256_add_epi16(_mm256_add_epi16(lo, _mm256_and_si256(width, _mm256_shuffle_epi8(high, index))),
                            _mm256_and_si256(between, _mm256_shuffle_epi8(middle, index)));
}

// Blue, green and red levels (0..255 in 16-bit lanes) of 16 pixels, changed in place.
VONKEL_WIDE_TARGET inline void ShiftHue16(__m256i &b, __m256i &g, __m256i &r, const HueVectors &h) {
    const __m256i mx = _mm256_max_epi16(r, _mm256_max_epi16(g, b)), mn = _mm256_min_epi16(r, _mm256_min_epi16(g, b));
    const __m256i lightness = _mm256_add_epi16(mx, mn), chroma = _mm256_sub_epi16(mx, mn);
    // Sector 5 where blue is above both, else 3 where green is above red, else 1 (each
    // plus the offset's sectors); the distance into it, corrected by the chroma (and the
    // sector moved back) when negative.
    const __m256i greenOver = _mm256_cmpgt_epi16(g, r);
    const __m256i blueTop = _mm256_and_si256(_mm256_cmpgt_epi16(b, r), _mm256_cmpgt_epi16(b, g));
    __m256i sector = _mm256_add_epi16(h.sector1, _mm256_and_si256(greenOver, _mm256_set1_epi16(2)));
    sector = _mm256_max_epi16(sector, _mm256_and_si256(blueTop, h.sector5));
    __m256i num = _mm256_blendv_epi8(_mm256_sub_epi16(g, b), _mm256_sub_epi16(b, r), greenOver);
    num = _mm256_blendv_epi8(num, _mm256_sub_epi16(r, g), blueTop);
    const __m256i negative = _mm256_srai_epi16(num, 15);
    sector = _mm256_add_epi16(sector, negative);
    num = _mm256_add_epi16(num, _mm256_and_si256(chroma, negative));
    const __m256i fraction = HueFractions(num, chroma);

    const __m256i limit = _mm256_min_epi16(lightness, _mm256_sub_epi16(_mm256_set1_epi16(511), lightness));
    const __m256i most = _mm256_set1_epi16(256);
    const __m256i scaledLow =
        _mm256_srli_epi16(_mm256_add_epi16(_mm256_mullo_epi16(chroma, h.scaleLow), _mm256_set1_epi16(128)), 8);
    const __m256i scaledHigh = _mm256_mullo_epi16(chroma, h.scaleHigh);
    const __m256i scaled = _mm256_add_epi16(_mm256_min_epu16(scaledLow, most), _mm256_min_epu16(scaledHigh, most));
    const __m256i newChroma = _mm256_min_epu16(limit, scaled);
    const __m256i lo = _mm256_srli_epi16(_mm256_sub_epi16(lightness, newChroma), 1);
    const __m256i width = _mm256_sub_epi16(_mm256_srli_epi16(_mm256_add_epi16(lightness, newChroma), 1), lo);

    // The position moved by the offset's fraction; a carry moves the sector on. The
    // sector is left at 0..11: the masks repeat after 6.
    __m256i v = _mm256_add_epi16(fraction, h.offsetFraction);
    const __m256i carry = _mm256_cmpgt_epi16(v, _mm256_set1_epi16(254));
    const __m256i s = _mm256_sub_epi16(sector, carry);
    v = _mm256_sub_epi16(v, _mm256_and_si256(carry, _mm256_set1_epi16(255)));
    const __m256i t = _mm256_srli_epi16(_mm256_add_epi16(_mm256_mullo_epi16(width, v), _mm256_set1_epi16(128)), 8);
    // Each channel is lo, plus width where it is high, plus t where it rises or width - t
    // where it falls (hi - t = lo + width - t). The sector in both bytes of its lane
    // looks up 16-bit masks.
    const __m256i index = _mm256_or_si256(s, _mm256_slli_epi16(s, 8));
    const __m256i falling = _mm256_shuffle_epi8(h.falling, index);
    const __m256i between =
        _mm256_add_epi16(_mm256_sub_epi16(_mm256_xor_si256(t, falling), falling), _mm256_and_si256(width, falling));
    r = HueLevel(index, h.highR, h.midR, lo, width, between);
    g = HueLevel(index, h.highG, h.midG, lo, width, between);
    b = HueLevel(index, h.highB, h.midB, lo, width, between);
}

} // namespace conv::detail
#endif
