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
// The factor is kept as high byte and low byte, so that the products fit 16 bits:
// (n x low + 128) >> 8 + n x high.
struct ChromaScale {
    uint16_t high;
    uint16_t low;
};

ChromaScale ChromaScaleOf(int32_t saturation) {
    const int32_t factor =
        detail::Clamp<int32_t>(saturation > INT32_MAX - 256 ? INT32_MAX : saturation + 256, 0, 257 * 256);
    return ChromaScale{static_cast<uint16_t>(factor >> 8), static_cast<uint16_t>(factor & 255)};
}

constexpr int32_t kBlock = 256;

// One block of pixels as planes of 8-bit levels, changed in place. Bytes keep the
// shuffles of taking pixels apart and putting them together short.
struct Planes {
    uint8_t b[kBlock];
    uint8_t g[kBlock];
    uint8_t r[kBlock];
};

// cond ? a : b as mask arithmetic: the compiler keeps it a vector blend, where chains of
// conditional expressions become branches and masked stores.
VONKEL_INLINE uint16_t Pick(bool cond, uint16_t a, uint16_t b) {
    const uint16_t mask = static_cast<uint16_t>(-static_cast<int16_t>(cond));
    return static_cast<uint16_t>((a & mask) | (b & ~mask));
}

// Every value here fits 16 bits, which gives the compiler 16 lanes per vector; only the
// position within the sector is worked out in 32 bits.
VONKEL_INLINE void ShiftHue(Planes &p, int32_t n, HueOffset offset, ChromaScale scale) {
    const uint16_t offsetSectors = static_cast<uint16_t>(offset.sectors);
    const uint16_t offsetFraction = static_cast<uint16_t>(offset.fraction);
    for (int32_t k = 0; k < n; ++k) {
        const uint16_t r = p.r[k], g = p.g[k], b = p.b[k];
        const uint16_t mx = std::max(r, std::max(g, b)), mn = std::min(r, std::min(g, b));
        const uint16_t lightness = static_cast<uint16_t>(mx + mn), chroma = static_cast<uint16_t>(mx - mn);
        // Sector (0..5) and the distance into it, counted from the sector's start; the
        // distance is taken modulo 2^16 and corrected by the chroma when it came out
        // negative, which is exact since it is at most the chroma in size.
        const bool redFirst = r >= g, blueTop = b > r && b > g;
        uint16_t sector = Pick(blueTop, 5, Pick(redFirst, 1, 3));
        const uint16_t num0 = Pick(blueTop, static_cast<uint16_t>(r - g),
                                   Pick(redFirst, static_cast<uint16_t>(g - b), static_cast<uint16_t>(b - r)));
        const bool negative = static_cast<int16_t>(num0) < 0;
        sector = static_cast<uint16_t>(sector - negative);
        const uint16_t num = static_cast<uint16_t>(num0 + (negative ? chroma : 0));
        // fraction = num x 255 / chroma, rounded the way 0xFF0000 / chroma in 16.16
        // rounds; the quotient is exact in single precision for every chroma 1..255.
        const uint32_t recip = static_cast<uint32_t>(16711680.0f / static_cast<float>(std::max<uint16_t>(chroma, 1)));
        const uint16_t fraction = static_cast<uint16_t>((uint32_t{num} * recip + 0x8000u) >> 16);

        const uint16_t limit = lightness <= 255 ? lightness : static_cast<uint16_t>(511 - lightness);
        const uint16_t scaledLow = static_cast<uint16_t>((chroma * scale.low + 128) >> 8);
        const uint16_t scaledHigh = static_cast<uint16_t>(chroma * scale.high);
        // Either part at 256 or more already reaches any limit.
        const uint16_t scaled =
            static_cast<uint16_t>(std::min<uint16_t>(scaledLow, 256) + std::min<uint16_t>(scaledHigh, 256));
        const uint16_t newChroma = std::min(limit, scaled);
        const uint16_t lo = static_cast<uint16_t>((lightness - newChroma) >> 1);
        const uint16_t width = static_cast<uint16_t>(((lightness + newChroma) >> 1) - lo);

        uint16_t v = static_cast<uint16_t>(fraction + offsetFraction);
        uint16_t s = static_cast<uint16_t>(sector + offsetSectors + (v > 254));
        v = static_cast<uint16_t>(v - (v >= 255 ? 255 : 0));
        s = static_cast<uint16_t>(s - (s >= 6 ? 6 : 0));
        const uint16_t t = static_cast<uint16_t>((width * v + 128) >> 8);
        // Around the hexagon each channel is high for two sectors, low for two, and in
        // between for the two others, where it rises (odd sectors) or falls (even ones).
        const uint16_t hi = static_cast<uint16_t>(lo + width);
        const uint16_t mid = Pick(s & 1, static_cast<uint16_t>(lo + t), static_cast<uint16_t>(hi - t));
        p.r[k] = static_cast<uint8_t>(Pick(s < 2, hi, Pick(s == 2 || s == 5, mid, lo)));
        p.g[k] = static_cast<uint8_t>(Pick(s == 2 || s == 3, hi, Pick(s == 1 || s == 4, mid, lo)));
        p.b[k] = static_cast<uint8_t>(Pick(s >= 4, hi, Pick(s == 0 || s == 3, mid, lo)));
    }
}

// Pixels of Spp bytes into the planes and back; the fourth byte of 4-byte pixels
// becomes 0. Pixels of four bytes move as one word each, which the compiler turns into
// plain vector shifts.
template <int Spp> VONKEL_INLINE void Unpack(Planes &p, const uint8_t *from, int32_t n) {
    for (int32_t k = 0; k < n; ++k, from += Spp) {
        if constexpr (Spp == 4) {
            uint32_t w;
            std::memcpy(&w, from, 4);
            p.b[k] = static_cast<uint8_t>(w);
            p.g[k] = static_cast<uint8_t>(w >> 8);
            p.r[k] = static_cast<uint8_t>(w >> 16);
        } else {
            p.b[k] = from[0];
            p.g[k] = from[1];
            p.r[k] = from[2];
        }
    }
}

template <int Spp> VONKEL_INLINE void Pack(uint8_t *to, const Planes &p, int32_t n) {
    for (int32_t k = 0; k < n; ++k, to += Spp) {
        if constexpr (Spp == 4) {
            const uint32_t w = uint32_t{p.b[k]} | uint32_t{p.g[k]} << 8 | uint32_t{p.r[k]} << 16;
            std::memcpy(to, &w, 4);
        } else {
            to[0] = p.b[k];
            to[1] = p.g[k];
            to[2] = p.r[k];
        }
    }
}

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
    const HueOffset offset = HueOffsetOf(block.hue);
    const ChromaScale scale = ChromaScaleOf(block.saturation);
    const int shift = sizeof(T) == 1 ? 0 : detail::SignificantBits(block.significantBits) - 8;
    detail::Dispatch([s, offset, scale, shift]() VONKEL_INLINE_LAMBDA {
        Planes p;
        uint8_t levels[Spp * kBlock];
        const int32_t rows = s.rows, cols = s.cols;
        for (int32_t i = 0; i < rows; ++i) {
            const T *in = s.Src<T>(i);
            T *out = s.Dst<T>(i);
            for (int32_t c0 = 0; c0 < cols; c0 += kBlock) {
                const int32_t n = std::min(kBlock, cols - c0);
                const T *from = in + static_cast<ptrdiff_t>(c0) * Spp;
                T *to = out + static_cast<ptrdiff_t>(c0) * Spp;
                if constexpr (sizeof(T) == 1) {
                    Unpack<Spp>(p, from, n);
                    ShiftHue(p, n, offset, scale);
                    Pack<Spp>(to, p, n);
                } else {
                    Reduce(levels, from, Spp * n, shift);
                    Unpack<Spp>(p, levels, n);
                    ShiftHue(p, n, offset, scale);
                    Pack<Spp>(levels, p, n);
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
