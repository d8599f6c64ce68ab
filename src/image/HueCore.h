// The hue and saturation rule on 8-bit levels, shared by the hue routines (Hue.cpp) and
// the demosaic, which runs it on its pixels before it stores them. Internal to image/.
//
// A pixel is taken apart into its lightness (max + min), chroma (max - min) and position
// around the colour hexagon (sector and a fraction 0..255 within it); the chroma is
// rescaled by the saturation, the position moved by the hue offset, and the pixel put
// together again. The fraction is num x 255 / chroma rounded the way 0xFF0000 / chroma
// in 16.16 rounds: (num x floor(0xFF0000 / chroma) + 0x8000) >> 16, with the quotient
// taken from a table of the 256 chroma values instead of a division per pixel.
#pragma once
#include "image/RoutineSupport.h"
#include "image/VectorDispatch.h"
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace conv::detail {

// Position offset of a hue in degrees: 0..1529, 255 steps per sector.
struct HueOffset {
    int32_t sectors;  // whole sectors to move
    int32_t fraction; // the rest, 0..254
};

inline HueOffset HueOffsetOf(int32_t hue) {
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

inline ChromaScale ChromaScaleOf(int32_t saturation) {
    const int32_t factor = Clamp<int32_t>(saturation > INT32_MAX - 256 ? INT32_MAX : saturation + 256, 0, 257 * 256);
    return ChromaScale{static_cast<uint16_t>(factor >> 8), static_cast<uint16_t>(factor & 255)};
}

// What a frame's hue step runs with.
struct HueSettings {
    HueOffset offset;
    ChromaScale scale;
};

inline HueSettings HueSettingsOf(int32_t hue, int32_t saturation) {
    return HueSettings{HueOffsetOf(hue), ChromaScaleOf(saturation)};
}

// floor(0xFF0000 / n) for chroma n = 1..255 (entry 0 is never used with a non-zero
// numerator: a chroma of 0 has num 0).
struct HueReciprocals {
    uint32_t of[256];
    constexpr HueReciprocals() : of{} {
        for (uint32_t n = 1; n < 256; ++n)
            of[n] = 0xFF0000u / n;
    }
};
inline constexpr HueReciprocals kHueReciprocals{};

// The fraction of num (0..chroma) within a sector of the given chroma.
VONKEL_INLINE uint16_t HueFraction(uint16_t num, uint16_t chroma) {
    return static_cast<uint16_t>((uint32_t{num} * kHueReciprocals.of[chroma & 255] + 0x8000u) >> 16);
}

// cond ? a : b as mask arithmetic: the compiler keeps it a vector blend, where chains of
// conditional expressions become branches and masked stores.
VONKEL_INLINE uint16_t Pick(bool cond, uint16_t a, uint16_t b) {
    const uint16_t mask = static_cast<uint16_t>(-static_cast<int16_t>(cond));
    return static_cast<uint16_t>((a & mask) | (b & ~mask));
}

// Planes of n pixels' blue, green and red levels, changed in place. Every value here
// fits 16 bits, which gives the compiler 16 lanes per vector; only the fraction is
// worked out in 32 bits.
VONKEL_INLINE void ShiftHue(uint8_t *pb, uint8_t *pg, uint8_t *pr, int32_t n, HueSettings hue) {
    const uint16_t offsetSectors = static_cast<uint16_t>(hue.offset.sectors);
    const uint16_t offsetFraction = static_cast<uint16_t>(hue.offset.fraction);
    const ChromaScale scale = hue.scale;
    for (int32_t k = 0; k < n; ++k) {
        const uint16_t r = pr[k], g = pg[k], b = pb[k];
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
        const uint16_t fraction = HueFraction(num, chroma);

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
        pr[k] = static_cast<uint8_t>(Pick(s < 2, hi, Pick(s == 2 || s == 5, mid, lo)));
        pg[k] = static_cast<uint8_t>(Pick(s == 2 || s == 3, hi, Pick(s == 1 || s == 4, mid, lo)));
        pb[k] = static_cast<uint8_t>(Pick(s >= 4, hi, Pick(s == 0 || s == 3, mid, lo)));
    }
}

// The same rule written out for AVX2 (HueWide.h) over planes, 16 pixels a step; returns
// the pixels done, the caller does the rest. 0 where there is no AVX2 code.
VONKEL_WIDE_TARGET int32_t HueRunWide(uint8_t *pb, uint8_t *pg, uint8_t *pr, int32_t n, HueSettings hue);

constexpr int32_t kHueBlock = 256;

// Pixels of Spp bytes into planes and back; the fourth byte of 4-byte pixels becomes 0.
// Pixels of four bytes move as one word each, which the compiler turns into plain vector
// shifts.
template <int Spp>
VONKEL_INLINE void UnpackPixels(uint8_t *pb, uint8_t *pg, uint8_t *pr, const uint8_t *from, int32_t n) {
    for (int32_t k = 0; k < n; ++k, from += Spp) {
        if constexpr (Spp == 4) {
            uint32_t w;
            std::memcpy(&w, from, 4);
            pb[k] = static_cast<uint8_t>(w);
            pg[k] = static_cast<uint8_t>(w >> 8);
            pr[k] = static_cast<uint8_t>(w >> 16);
        } else {
            pb[k] = from[0];
            pg[k] = from[1];
            pr[k] = from[2];
        }
    }
}

template <int Spp>
VONKEL_INLINE void PackPixels(uint8_t *to, const uint8_t *pb, const uint8_t *pg, const uint8_t *pr, int32_t n) {
    for (int32_t k = 0; k < n; ++k, to += Spp) {
        if constexpr (Spp == 4) {
            const uint32_t w = uint32_t{pb[k]} | uint32_t{pg[k]} << 8 | uint32_t{pr[k]} << 16;
            std::memcpy(to, &w, 4);
        } else {
            to[0] = pb[k];
            to[1] = pg[k];
            to[2] = pr[k];
        }
    }
}

// Planes in place, in the copy the caller runs in (Wide: the AVX2 copy of a dispatched
// body, which has the written-out run).
template <bool Wide>
VONKEL_INLINE void ShiftHuePlanes(uint8_t *pb, uint8_t *pg, uint8_t *pr, int32_t n, HueSettings hue) {
    int32_t done = 0;
    if constexpr (Wide)
        done = HueRunWide(pb, pg, pr, n, hue);
    ShiftHue(pb + done, pg + done, pr + done, n - done, hue);
}

// Pixels of Spp bytes (blue, green, red and a fourth byte, which becomes 0) in place.
template <int Spp, bool Wide> VONKEL_INLINE void HuePixels(uint8_t *pixels, int32_t n, HueSettings hue) {
    uint8_t b[kHueBlock], g[kHueBlock], r[kHueBlock];
    for (int32_t k0 = 0; k0 < n; k0 += kHueBlock) {
        const int32_t m = std::min(kHueBlock, n - k0);
        uint8_t *at = pixels + static_cast<ptrdiff_t>(k0) * Spp;
        UnpackPixels<Spp>(b, g, r, at, m);
        ShiftHuePlanes<Wide>(b, g, r, m, hue);
        PackPixels<Spp>(at, b, g, r, m);
    }
}

} // namespace conv::detail
