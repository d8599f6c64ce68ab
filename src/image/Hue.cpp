// Hue rotation and saturation on 8-bit levels, in integers only. A pixel is taken apart
// into its lightness (max + min), chroma (max - min) and position around the colour
// hexagon (sector and a fraction 0..255 within it); the chroma is rescaled by the
// saturation, the position moved by the hue offset, and the pixel put together again.
//
// Nothing is kept between calls: the offset and the chroma scale come from the block
// on every call, so cameras with different settings can run side by side.
#include "image/Conversions.h"
#include "image/RoutineSupport.h"

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

// One block of pixels as planes of 8-bit levels, changed in place.
struct Planes {
    int32_t b[kBlock];
    int32_t g[kBlock];
    int32_t r[kBlock];
};

void ShiftHue(Planes &p, int32_t n, HueOffset offset, int32_t chromaFactor) {
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
        const int32_t width = ((lightness + newChroma) >> 1) - lo, hi = lo + width;

        int32_t v = fraction + offset.fraction;
        int32_t s = sector + offset.sectors + (v > 254);
        v -= v >= 255 ? 255 : 0;
        s -= s >= 6 ? 6 : 0;
        const int32_t t = (width * v + 128) >> 8; // rise or fall within the sector
        // Sector s: red is high in 0..2, green in 2..4, blue in 4, 5, 0; the third
        // channel rises (1, 3, 5) or falls (0, 2, 4) by t.
        p.r[k] = (s <= 2 ? hi : lo) + (s == 5 ? t : 0) - (s == 2 ? t : 0);
        p.g[k] = (s >= 2 && s <= 4 ? hi : lo) + (s == 1 ? t : 0) - (s == 4 ? t : 0);
        p.b[k] = (s == 0 || s >= 4 ? hi : lo) + (s == 3 ? t : 0) - (s == 0 ? t : 0);
    }
}

// Samples of T with `spp` samples per pixel; 16-bit samples are reduced by `shift` bits
// (held to 255) and widened back, the fourth sample of 4-sample pixels set to 0.
template <class T> int HueRows(const Span &s, const HueBlock &block, int spp, int shift) {
    const HueOffset offset = HueOffsetOf(block.hue);
    const int32_t chromaFactor = ChromaFactor(block.saturation);
    Planes p;
    for (int32_t i = 0; i < s.rows; ++i) {
        const T *in = s.Src<T>(i);
        T *out = s.Dst<T>(i);
        for (int32_t c0 = 0; c0 < s.cols; c0 += kBlock) {
            const int32_t n = std::min(kBlock, s.cols - c0);
            const T *from = in + static_cast<ptrdiff_t>(c0) * spp;
            for (int32_t k = 0; k < n; ++k, from += spp) {
                p.b[k] = std::min<int32_t>(from[0] >> shift, 255);
                p.g[k] = std::min<int32_t>(from[1] >> shift, 255);
                p.r[k] = std::min<int32_t>(from[2] >> shift, 255);
            }
            ShiftHue(p, n, offset, chromaFactor);
            T *to = out + static_cast<ptrdiff_t>(c0) * spp;
            for (int32_t k = 0; k < n; ++k, to += spp) {
                to[0] = static_cast<T>(p.b[k] << shift);
                to[1] = static_cast<T>(p.g[k] << shift);
                to[2] = static_cast<T>(p.r[k] << shift);
                if (spp == 4)
                    to[3] = 0;
            }
        }
    }
    return 1;
}

template <class T> int Hue(VONKEL_CONVERSION_PARAMS, int bpp) {
    const HueBlock *block = static_cast<const HueBlock *>(param1);
    if (!detail::Usable(dst, src, rect) || !block || dstBpp != bpp || srcBpp != bpp)
        return 0;
    const int shift = sizeof(T) == 1 ? 0 : detail::SignificantBits(block->significantBits) - 8;
    return HueRows<T>(detail::MakeSpan(VONKEL_SPAN_ARGS), *block, bpp / static_cast<int>(sizeof(T)), shift);
}

} // namespace

VONKEL_CONVERSION_ROUTINE(Hue24) { return Hue<uint8_t>(VONKEL_CONVERSION_ARGS, 3); }
VONKEL_CONVERSION_ROUTINE(Hue32) { return Hue<uint8_t>(VONKEL_CONVERSION_ARGS, 4); }
VONKEL_CONVERSION_ROUTINE(Hue48) { return Hue<uint16_t>(VONKEL_CONVERSION_ARGS, 6); }
VONKEL_CONVERSION_ROUTINE(Hue64) { return Hue<uint16_t>(VONKEL_CONVERSION_ARGS, 8); }

} // namespace conv
