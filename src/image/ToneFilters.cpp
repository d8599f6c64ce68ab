// Gamma, contrast and brightness: per-sample maps. Gamma and contrast go through a
// table built once per call (256 entries on the stack for 8-bit samples, 2^n + 1 for
// 16-bit ones); brightness is a single multiplication that vectorizes.
#include "image/BrightnessOps.h"
#include "image/Conversions.h"
#include "image/RoutineSupport.h"
#include "image/SampleMaps.h"
#include <cmath>

namespace conv {
namespace {

using detail::Brighten;
using detail::BrightenFar;
using detail::BrightenFixed;
using detail::BrightenFixed16;
using detail::BrightnessFactor;
using detail::CTable16;
using detail::FindFixed;
using detail::FindFixed16;
using detail::MapSamples;
using detail::MapTable16;
using detail::MapTable8;
using detail::Span;

// ---- Tables -------------------------------------------------------------------------

double GammaExponent(int32_t value) { return value <= 100 ? value / 100.0 : 1.0 + (value - 100) / 10.0; }

// trunc(x) limited to 0..top, safe for any real (a negative exponent makes 0^e infinite).
int32_t TruncLimited(double x, int32_t top) {
    if (!(x > 0.0))
        return 0;
    return x >= top ? top : static_cast<int32_t>(x);
}

void GammaTable8(uint8_t table[256], double e) {
    for (int i = 0; i < 256; ++i)
        table[i] = static_cast<uint8_t>(TruncLimited(std::pow(i / 255.0, e) * 255.0, 255));
}

// Entries 0..2^n - 1, and entry 2^n for every sample above the top value.
void GammaTable16(uint16_t *table, int bits, double e) {
    const int32_t n = int32_t{1} << bits;
    for (int32_t i = 0; i < n; ++i)
        table[i] = static_cast<uint16_t>(TruncLimited(std::pow(i / static_cast<double>(n), e) * (n - 1), n - 1));
    table[n] = table[n - 1];
}

// t(D) for samples 0..n-1 of a range 0..n-1 with black point b; n = 256 for 8 bits.
int32_t ContrastEntry(int64_t d, int64_t b, int64_t n) {
    if (b > n / 2 - 1)
        return 0;
    if (d < b)
        return 0;
    if (d > n - b - 1)
        return static_cast<int32_t>(n - 1);
    const double factor = static_cast<double>(n) / static_cast<double>(n - 2 * b);
    return TruncLimited(factor * static_cast<double>(d - b), static_cast<int32_t>(n - 1));
}

void ContrastTable8(uint8_t table[256], int32_t m) {
    for (int r = 0; r < 256; ++r)
        table[r] = static_cast<uint8_t>(ContrastEntry(r, m, 256));
}

// Samples at or above 2^n give 2^n - 1, whatever the table holds.
void ContrastTable16(uint16_t *table, int bits, int32_t m) {
    const int64_t n = int64_t{1} << bits, b = int64_t{m} * (int64_t{1} << (bits - 8));
    for (int64_t d = 0; d < n; ++d)
        table[d] = static_cast<uint16_t>(ContrastEntry(d, b, n));
    table[n] = static_cast<uint16_t>(n - 1);
}

// ---- Routine bodies ------------------------------------------------------------------

template <class T>
bool TakesBlock(const uint8_t *dst, const uint8_t *src, const ImageRect &rect, const void *block, int dstBpp,
                int srcBpp, int spp, bool orFour) {
    const int bpp = spp * static_cast<int>(sizeof(T));
    const bool depthOk = dstBpp == srcBpp && (dstBpp == bpp || (orFour && dstBpp == 4 * static_cast<int>(sizeof(T))));
    return detail::Usable(dst, src, rect) && block && depthOk;
}

void Gamma8For(uint8_t table[256], const ValueBlock &b, bool limitExponent) {
    double e = GammaExponent(b.value);
    if (limitExponent)
        e = detail::Clamp(e, 0.001, 99.999);
    GammaTable8(table, e);
}

int Gamma8Of(const Span &s, const ValueBlock &b, bool limitExponent) {
    uint8_t table[256];
    Gamma8For(table, b, limitExponent);
    return MapTable8(s, table);
}

int Gamma16Of(const Span &s, const ValueBlock &b) {
    const int bits = detail::SignificantBits(b.significantBits);
    CTable16 table(bits);
    GammaTable16(table.Entries(), bits, GammaExponent(b.value));
    return MapTable16(s, table);
}

int Contrast8Of(const Span &s, const ValueBlock &b) {
    uint8_t table[256];
    ContrastTable8(table, b.value);
    return MapTable8(s, table);
}

int Contrast16Of(const Span &s, const ValueBlock &b) {
    const int bits = detail::SignificantBits(b.significantBits);
    CTable16 table(bits);
    ContrastTable16(table.Entries(), bits, b.value);
    return MapTable16(s, table);
}

// Gamma, then contrast, as one table: the contrast entry of each gamma entry is what the
// two passes give a sample, so one pass gives the same bits.
int Tone8Of(const Span &s, const ValueBlock &gamma, const ValueBlock &contrast, bool limitExponent) {
    uint8_t first[256], second[256];
    Gamma8For(first, gamma, limitExponent);
    ContrastTable8(second, contrast.value);
    for (uint8_t &entry : first)
        entry = second[entry];
    return MapTable8(s, first);
}

// The 16-bit form; gamma entries stay below 2^n, so the contrast table's entry for
// samples above the top is never looked up through them. Two passes when the blocks
// disagree on the significant bits.
int Tone16Of(const Span &s, const ValueBlock &gamma, const ValueBlock &contrast) {
    const int bits = detail::SignificantBits(gamma.significantBits);
    if (bits != detail::SignificantBits(contrast.significantBits)) {
        Gamma16Of(s, gamma);
        Span again = s;
        again.src = s.dst; // the second pass works on what the first wrote
        again.srcStride = s.dstStride;
        again.srcTop = 0;
        again.srcBottom = s.rows;
        again.reversed = false;
        return Contrast16Of(again, contrast);
    }
    CTable16 first(bits), second(bits);
    GammaTable16(first.Entries(), bits, GammaExponent(gamma.value));
    ContrastTable16(second.Entries(), bits, contrast.value);
    for (int32_t i = 0; i <= first.Limit(); ++i)
        first.Entries()[i] = second.Entries()[first.Entries()[i]];
    return MapTable16(s, first);
}

template <class T> int BrightnessOf(const Span &s, const ValueBlock &b, int32_t top) {
    const float factor = std::max(BrightnessFactor(b.value), 0.0f);
    if (factor > 32767.0f)
        return MapSamples<T>(s, BrightenFar<T>{factor, static_cast<float>(top)});
    if constexpr (sizeof(T) == 1) {
        BrightenFixed fixed;
        if (FindFixed(factor, fixed))
            return MapSamples<T>(s, fixed);
    } else {
        BrightenFixed16 fixed;
        if (FindFixed16(factor, top, fixed))
            return MapSamples<T>(s, fixed);
    }
    return MapSamples<T>(s, Brighten<T>{factor, top});
}

const ValueBlock &Block(void *param1) { return *static_cast<const ValueBlock *>(param1); }

} // namespace

#define VONKEL_TONE_ROUTINE(name, T, spp, orFour, body)                                                                \
    VONKEL_CONVERSION_ROUTINE(name) {                                                                                  \
        if (!TakesBlock<T>(dst, src, rect, param1, dstBpp, srcBpp, spp, orFour))                                       \
            return 0;                                                                                                  \
        const Span s = detail::MakeSpan(VONKEL_SPAN_ARGS);                                                             \
        const ValueBlock &b = Block(param1);                                                                           \
        return body;                                                                                                   \
    }

VONKEL_TONE_ROUTINE(Gamma8, uint8_t, 1, false, Gamma8Of(s, b, false))
VONKEL_TONE_ROUTINE(Gamma16, uint16_t, 1, false, Gamma16Of(s, b))
VONKEL_TONE_ROUTINE(Gamma24_32, uint8_t, 3, true, Gamma8Of(s, b, true))
VONKEL_TONE_ROUTINE(Gamma48_64, uint16_t, 3, true, Gamma16Of(s, b))
VONKEL_TONE_ROUTINE(Contrast8, uint8_t, 1, false, Contrast8Of(s, b))
VONKEL_TONE_ROUTINE(Contrast16, uint16_t, 1, false, Contrast16Of(s, b))
VONKEL_TONE_ROUTINE(Contrast24_32, uint8_t, 3, true, Contrast8Of(s, b))
VONKEL_TONE_ROUTINE(Contrast48_64, uint16_t, 3, true, Contrast16Of(s, b))
// Gamma (param1) and contrast (param2) in one pass.
#define VONKEL_TONE_PAIR_ROUTINE(name, T, spp, orFour, body)                                                           \
    VONKEL_CONVERSION_ROUTINE(name) {                                                                                  \
        if (!TakesBlock<T>(dst, src, rect, param1, dstBpp, srcBpp, spp, orFour) || !param2)                            \
            return 0;                                                                                                  \
        const Span s = detail::MakeSpan(VONKEL_SPAN_ARGS);                                                             \
        const ValueBlock &gamma = Block(param1), &contrast = Block(param2);                                            \
        return body;                                                                                                   \
    }

VONKEL_TONE_PAIR_ROUTINE(GammaContrast8, uint8_t, 1, false, Tone8Of(s, gamma, contrast, false))
VONKEL_TONE_PAIR_ROUTINE(GammaContrast16, uint16_t, 1, false, Tone16Of(s, gamma, contrast))
VONKEL_TONE_PAIR_ROUTINE(GammaContrast24_32, uint8_t, 3, true, Tone8Of(s, gamma, contrast, true))
VONKEL_TONE_PAIR_ROUTINE(GammaContrast48_64, uint16_t, 3, true, Tone16Of(s, gamma, contrast))
VONKEL_TONE_ROUTINE(Brightness8, uint8_t, 1, false, BrightnessOf<uint8_t>(s, b, 255))
VONKEL_TONE_ROUTINE(Brightness16, uint16_t, 1, false, BrightnessOf<uint16_t>(s, b, detail::TopValue(b.significantBits)))
VONKEL_TONE_ROUTINE(Brightness24_32, uint8_t, 3, true, BrightnessOf<uint8_t>(s, b, 255))
VONKEL_TONE_ROUTINE(Brightness48_64, uint16_t, 3, true,
                    BrightnessOf<uint16_t>(s, b, detail::TopValue(b.significantBits)))

} // namespace conv
