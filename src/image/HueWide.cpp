// The hue rule over planes of levels with AVX2 (HueWide.h), 16 pixels a step.
#include "image/HueWide.h"

namespace conv::detail {

#if VONKEL_WIDE_VECTORS
namespace {

VONKEL_WIDE_TARGET inline __m256i LoadLevels(const uint8_t *p) {
    return _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i *>(p)));
}

VONKEL_WIDE_TARGET inline void StoreLevels(uint8_t *p, __m256i v) {
    const __m256i packed = _mm256_packus_epi16(v, v); // levels 0-7 in the low half, 8-15 in the high half
    _mm_storeu_si128(reinterpret_cast<__m128i *>(p), _mm256_castsi256_si128(_mm256_permute4x64_epi64(packed, 0x08)));
}

} // namespace

VONKEL_WIDE_TARGET int32_t HueRunWide(uint8_t *pb, uint8_t *pg, uint8_t *pr, int32_t n, HueSettings hue) {
    const HueVectors h = HueVectorsOf(hue);
    int32_t k = 0;
    for (; k + 16 <= n; k += 16) {
        __m256i b = LoadLevels(pb + k), g = LoadLevels(pg + k), r = LoadLevels(pr + k);
        ShiftHue16(b, g, r, h);
        StoreLevels(pb + k, b);
        StoreLevels(pg + k, g);
        StoreLevels(pr + k, r);
    }
    return k;
}
#else
int32_t HueRunWide(uint8_t *, uint8_t *, uint8_t *, int32_t, HueSettings) { return 0; }
#endif

} // namespace conv::detail
