// Hue rotation and saturation on 8-bit levels, in integers only. A pixel is taken apart
// into its lightness (max + min), chroma (max - min) and position around the colour
// hexagon (sector and a fraction 0..255 within it); the chroma is rescaled by the
// saturation, the position moved by the hue offset, and the pixel put together again.
//
// Nothing is kept between calls: the offset and the chroma scale come from the block
// on every call, so cameras with different settings can run side by side.
#include "image/Conversions.h"
#include "image/RoutineSupport.h"
#include "image/VectorDispatch.h"
#include <cstring>
#include <type_traits>

namespace conv {
namespace {

using detail::Span;

// Position offset of a hue in degrees: 0..1529, 255 steps per sector.
struct HueOffset {
    int32_t sectors;  // whole sectors to move
    int32_t fraction; // the rest, 0..254
};

HueOffset HueOffsetOf(int32_t hue) {
    const int64_t angle = ((int64_t{hue} * 65536) / 360) & 0xFFFF; // negative hues wrap
    const int32_t x = static_cast<int32_t>((angle * 6) >> 8);      // 0..1535
    const int32_t o = (x + 256) >> 9;
    int32_t h = x - 512 * o + (o % 3) * 510;
    if (h < 0)
        h += 1530;
    else if (h > 1529)
        h -= 1530;
    return HueOffset{h / 255, h % 255};
}

// New chroma for chroma n: (n x (saturation + 256) + 128) >> 8. The result only ever
// competes with a limit of at most 256, so factors beyond 257 x 256 change nothing and
// are cut there; below 0 (saturation under -256) every chroma would vanish, as at 0.
int32_t ChromaFactor(int32_t saturation) {
    return detail::Clamp<int32_t>(saturation > INT32_MAX - 256 ? INT32_MAX : saturation + 256, 0, 257 * 256);
}

constexpr int32_t kBlock = 256;

// cond ? a : b as mask arithmetic: the compiler keeps it a vector blend, where chains of
// conditional expressions become branches and masked stores.
VONKEL_INLINE int32_t Pick(bool cond, int32_t a, int32_t b) {
    const int32_t mask = -static_cast<int32_t>(cond);
    return (a & mask) | (b & ~mask);
}

// One block of pixels as planes of 8-bit levels, changed in place. Bytes keep the
// shuffles of taking pixels apart and putting them together short.
struct Planes {
    uint8_t b[kBlock];
    uint8_t g[kBlock];
    uint8_t r[kBlock];
};

VONKEL_INLINE void ShiftHue(Planes &p, int32_t n, HueOffset offset, int32_t chromaFactor) {
    for (int32_t k = 0; k < n; ++k) {
        const int32_t r = p.r[k], g = p.g[k], b = p.b[k];
        const int32_t mx = std::max(r, std::max(g, b)), mn = std::min(r, std::min(g, b));
        const int32_t lightness = mx + mn, chroma = mx - mn;
        // Sector (0..5) and the distance into it, counted from the sector's start.
        int32_t sector = r >= g ? 1 : 3;
        int32_t num = r >= g ? g - b : b - r;
        const bool blueTop = b > r && b > g;
        sector = blueTop ? 5 : sector;
        num = blueTop ? r - g : num;
        sector -= num < 0;
        num += num < 0 ? chroma : 0;
        // fraction = num x 255 / chroma, rounded the way 0xFF0000 / chroma in 16.16
        // rounds; the quotient is exact in single precision for every chroma 1..255.
        const uint32_t recip = static_cast<uint32_t>(16711680.0f / static_cast<float>(std::max(chroma, 1)));
        const int32_t fraction = static_cast<int32_t>((static_cast<uint32_t>(num) * recip + 0x8000u) >> 16);

        const int32_t limit = lightness <= 255 ? lightness : 511 - lightness;
        const int32_t newChroma = std::min(limit, (chroma * chromaFactor + 128) >> 8);
        const int32_t lo = (lightness - newChroma) >> 1;
        const int32_t width = ((lightness + newChroma) >> 1) - lo;

        int32_t v = fraction + offset.fraction;
        int32_t s = sector + offset.sectors + (v > 254);
        v -= v >= 255 ? 255 : 0;
        s -= s >= 6 ? 6 : 0;
        const int32_t t = (width * v + 128) >> 8;
        // Around the hexagon each channel is high for two sectors, low for two, and in
        // between for the two others, where it rises (odd sectors) or falls (even ones).
        const int32_t hi = lo + width, mid = Pick(s & 1, lo + t, hi - t);
        p.r[k] = static_cast<uint8_t>(Pick(s < 2, hi, Pick(s == 2 || s == 5, mid, lo)));
        p.g[k] = static_cast<uint8_t>(Pick(s == 2 || s == 3, hi, Pick(s == 1 || s == 4, mid, lo)));
        p.b[k] = static_cast<uint8_t>(Pick(s >= 4, hi, Pick(s == 0 || s == 3, mid, lo)));
    }
}

// Pixels of Spp samples of T. 16-bit samples are reduced by `shift` bits (held to 255)
// and widened back; a fourth sample is set to 0. Pixels of four samples move as one
// word each, which the compiler turns into plain vector shifts.
template <class T> VONKEL_INLINE uint8_t Level(uint32_t sample, int shift) {
    return static_cast<uint8_t>(sizeof(T) == 1 ? sample : std::min<uint32_t>(sample >> shift, 255));
}

template <class T, int Spp> VONKEL_INLINE void Unpack(Planes &p, const T *from, int32_t n, int shift) {
    if constexpr (Spp == 4) {
        using Word = std::conditional_t<sizeof(T) == 1, uint32_t, uint64_t>;
        constexpr int bits = 8 * sizeof(T);
        constexpr Word mask = (Word{1} << bits) - 1;
        for (int32_t k = 0; k < n; ++k) {
            Word w;
            std::memcpy(&w, from + 4 * k, sizeof w);
            p.b[k] = Level<T>(static_cast<uint32_t>(w & mask), shift);
            p.g[k] = Level<T>(static_cast<uint32_t>((w >> bits) & mask), shift);
            p.r[k] = Level<T>(static_cast<uint32_t>((w >> 2 * bits) & mask), shift);
        }
    } else {
        for (int32_t k = 0; k < n; ++k, from += Spp) {
            p.b[k] = Level<T>(from[0], shift);
            p.g[k] = Level<T>(from[1], shift);
            p.r[k] = Level<T>(from[2], shift);
        }
    }
}

template <class T, int Spp> VONKEL_INLINE void Pack(T *to, const Planes &p, int32_t n, int shift) {
    if constexpr (Spp == 4) {
        using Word = std::conditional_t<sizeof(T) == 1, uint32_t, uint64_t>;
        constexpr int bits = 8 * sizeof(T);
        for (int32_t k = 0; k < n; ++k) {
            const Word w = Word{p.b[k]} << shift | Word{p.g[k]} << (bits + shift) | Word{p.r[k]} << (2 * bits + shift);
            std::memcpy(to + 4 * k, &w, sizeof w);
        }
    } else {
        for (int32_t k = 0; k < n; ++k, to += Spp) {
            to[0] = static_cast<T>(p.b[k] << shift);
            to[1] = static_cast<T>(p.g[k] << shift);
            to[2] = static_cast<T>(p.r[k] << shift);
        }
    }
}

template <class T, int Spp> int HueRows(const Span &s, const HueBlock &block) {
    const HueOffset offset = HueOffsetOf(block.hue);
    const int32_t chromaFactor = ChromaFactor(block.saturation);
    const int shift = sizeof(T) == 1 ? 0 : detail::SignificantBits(block.significantBits) - 8;
    detail::Dispatch([s, offset, chromaFactor, shift]() VONKEL_INLINE_LAMBDA {
        Planes p;
        const int32_t rows = s.rows, cols = s.cols;
        for (int32_t i = 0; i < rows; ++i) {
            const T *in = s.Src<T>(i);
            T *out = s.Dst<T>(i);
            for (int32_t c0 = 0; c0 < cols; c0 += kBlock) {
                const int32_t n = std::min(kBlock, cols - c0);
                Unpack<T, Spp>(p, in + static_cast<ptrdiff_t>(c0) * Spp, n, shift);
                ShiftHue(p, n, offset, chromaFactor);
                Pack<T, Spp>(out + static_cast<ptrdiff_t>(c0) * Spp, p, n, shift);
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
