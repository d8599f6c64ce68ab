// Bayer demosaic into colour: for the pixel at (r, c) the colour is taken at the centre
// of the 2 x 2 cell of rows r-1, r and columns c-1, c. Green is the mean of the cell's
// two greens; red and blue are bilinear over their four nearest samples (weights 9, 3,
// 3, 1, so the sum is 16 times the value) and scaled by the channel gain.
#include "image/Conversions.h"
#include "image/RoutineSupport.h"
#include "image/VectorDispatch.h"
#include <cstring>
#include <type_traits>

namespace conv {
namespace {

using detail::Span;

// Gain factors of the block. trunc(gain x 1.28) turns percent into 1/2048 of the
// 16-fold sum; factors beyond (top + 1) x 2048 saturate every non-zero sum anyway, and
// negative ones would only produce values below 0, so both are cut there.
struct Gains {
    int64_t red;
    int64_t blue;
};

Gains GainsOf(const DemosaicBlock &block, int32_t top) {
    const int64_t most = (int64_t{top} + 1) << 11;
    auto factor = [most](int32_t gain) { return detail::Clamp<int64_t>(static_cast<int64_t>(gain * 1.28), 0, most); };
    return Gains{factor(block.redGain), factor(block.blueGain)};
}

// The mosaic of the rectangle, read at positions folded back inside: a position beyond
// an edge is replaced by the one four pixels further in, which keeps its site; only a
// picture under four pixels wide or high can still fall outside and is then held to it.
template <class T> struct Mosaic {
    const Span &span;
    int rowFlip;
    int colFlip;

    static int32_t Fold(int32_t p, int32_t n) {
        if (p < 0)
            p += 4;
        else if (p >= n)
            p -= 4;
        return detail::Clamp<int32_t>(p, 0, n - 1);
    }
    int32_t At(int32_t r, int32_t c) const { return span.template Src<T>(Fold(r, span.rows))[Fold(c, span.cols)]; }
    int RowPhase(int32_t r) const { return (r & 1) ^ rowFlip; }
    int ColPhase(int32_t c) const { return (c & 1) ^ colFlip; }

    // Weighted sum of the four samples of the site with phases (rowPhase, colPhase)
    // nearest to the centre of the cell ending at (r, c).
    int64_t Bilinear(int32_t r, int32_t c, int rowPhase, int colPhase) const {
        const int32_t rn = RowPhase(r) == rowPhase ? r : r - 1, rf = rn == r ? r - 2 : r + 1;
        const int32_t cn = ColPhase(c) == colPhase ? c : c - 1, cf = cn == c ? c - 2 : c + 1;
        return 9 * At(rn, cn) + 3 * At(rn, cf) + 3 * At(rf, cn) + At(rf, cf);
    }
    int32_t Green(int32_t r, int32_t c) const {
        return RowPhase(r) == ColPhase(c) ? (At(r - 1, c - 1) + At(r, c)) >> 1 : (At(r - 1, c) + At(r, c - 1)) >> 1;
    }
};

template <class U> U Scaled(int64_t sum, int64_t factor, int64_t top) {
    return static_cast<U>(std::min((sum * factor) >> 11, top));
}

// The border: every pixel of the rectangle that is not interior, one at a time.
template <class T, class U, int32_t top> int DemosaicBorder(const Span &s, const DemosaicBlock &block) {
    const Gains gains = GainsOf(block, top);
    const Mosaic<T> m{s, detail::RowFlip(block.bayerMode), detail::ColFlip(block.bayerMode)};
    const int spp = s.dstBpp / static_cast<int>(sizeof(U));
    auto pixel = [&](int32_t r, int32_t c) {
        U *out = s.Dst<U>(r) + static_cast<ptrdiff_t>(c) * spp;
        out[0] = Scaled<U>(m.Bilinear(r, c, 0, 1), gains.blue, top);
        out[1] = static_cast<U>(m.Green(r, c));
        out[2] = Scaled<U>(m.Bilinear(r, c, 1, 0), gains.red, top);
    };
    for (int32_t r = 0; r < s.rows; ++r) {
        const bool borderRow = r < 2 || r >= s.rows - 2;
        for (int32_t c = 0; c < s.cols; ++c) {
            if (!borderRow && c == 2 && s.cols - 2 > c)
                c = s.cols - 2; // skip the interior of the row
            pixel(r, c);
        }
    }
    return 1;
}

// Blue, green and red planes of a block of pixels into a row of 3 or 4 samples each. The
// fourth sample keeps its value; writing it back makes whole pixels, which vectorize.
template <int Spp, class U> VONKEL_INLINE void StoreColour(U *out, const U *b, const U *g, const U *r, int32_t n) {
    for (int32_t k = 0; k < n; ++k, out += Spp) {
        out[0] = b[k];
        out[1] = g[k];
        out[2] = r[k];
        if constexpr (Spp == 4)
            out[3] = out[3];
    }
}

// The interior, a row at a time and in blocks of columns. The vertical half of the
// bilinear sums (3 x near row + far row) is taken once per column; the horizontal half
// then picks, by column phase, the near and far columns of each output pixel.
template <class T, class U, class Wide>
void DemosaicInteriorRows(const Span &s, const DemosaicBlock &block, int32_t top, Gains gains) {
    const int rowFlip = detail::RowFlip(block.bayerMode), colFlip = detail::ColFlip(block.bayerMode);
    const Wide fr = static_cast<Wide>(gains.red), fb = static_cast<Wide>(gains.blue), most = static_cast<Wide>(top);
    detail::Dispatch([s, rowFlip, colFlip, fr, fb, most]() VONKEL_INLINE_LAMBDA {
        using Sum = std::conditional_t<sizeof(T) == 1, uint16_t, uint32_t>;
        constexpr int32_t kBlock = 512;
        Sum vr[kBlock + 3], vb[kBlock + 3];
        U outB[kBlock], outG[kBlock], outR[kBlock];
        const int spp = s.dstBpp / static_cast<int>(sizeof(U));
        const int32_t rows = s.rows, cols = s.cols;
        for (int32_t i = 2; i < rows - 2; ++i) {
            const T *above2 = s.Src<T>(i - 2), *above = s.Src<T>(i - 1), *here = s.Src<T>(i), *below = s.Src<T>(i + 1);
            const int rowPhase = (i & 1) ^ rowFlip;
            // Red lies on row phase 1: this row or the one above; its far row is the other
            // side of the centre. Blue takes the remaining two rows.
            const T *redNear = rowPhase ? here : above, *redFar = rowPhase ? above2 : below;
            const T *blueNear = rowPhase ? above : here, *blueFar = rowPhase ? below : above2;
            for (int32_t c0 = 2; c0 < cols - 2; c0 += kBlock) {
                const int32_t n = std::min(kBlock, cols - 2 - c0);
                // Vertical sums for columns c0 - 2 .. c0 + n; index k is column c0 - 2 + k.
                for (int32_t k = 0; k < n + 3; ++k) {
                    const int32_t c = c0 - 2 + k;
                    vr[k] = static_cast<Sum>(3 * redNear[c] + redFar[c]);
                    vb[k] = static_cast<Sum>(3 * blueNear[c] + blueFar[c]);
                }
                for (int32_t k = 0; k < n; ++k) {
                    const int32_t c = c0 + k;
                    const int colPhase = (c & 1) ^ colFlip;
                    // Column c sits at index k + 2 of the vertical sums.
                    const Wide here2 = 3 * Wide{vr[k + 2]} + vr[k], across2 = 3 * Wide{vr[k + 1]} + vr[k + 3];
                    const Wide hereB = 3 * Wide{vb[k + 2]} + vb[k], acrossB = 3 * Wide{vb[k + 1]} + vb[k + 3];
                    const Wide sumR = colPhase ? across2 : here2; // red on column phase 0
                    const Wide sumB = colPhase ? hereB : acrossB; // blue on column phase 1
                    const Wide diag = Wide{above[c - 1]} + here[c], anti = Wide{above[c]} + here[c - 1];
                    outG[k] = static_cast<U>((rowPhase == colPhase ? diag : anti) >> 1);
                    outR[k] = static_cast<U>(std::min<Wide>((sumR * fr) >> 11, most));
                    outB[k] = static_cast<U>(std::min<Wide>((sumB * fb) >> 11, most));
                }
                U *out = s.Dst<U>(i) + static_cast<ptrdiff_t>(c0) * spp;
                if (spp == 3)
                    StoreColour<3>(out, outB, outG, outR, n);
                else
                    StoreColour<4>(out, outB, outG, outR, n);
            }
        }
    });
}

template <class T, class U, int32_t top> int DemosaicInterior(const Span &s, const DemosaicBlock &block) {
    const Gains gains = GainsOf(block, top);
    // 16 x the largest sample times the factor must stay inside 32 bits for the fast path.
    const int64_t sumLimit = 16 * int64_t{top};
    if (gains.red * sumLimit <= UINT32_MAX && gains.blue * sumLimit <= UINT32_MAX)
        DemosaicInteriorRows<T, U, uint32_t>(s, block, top, gains);
    else
        DemosaicInteriorRows<T, U, uint64_t>(s, block, top, gains);
    return 1;
}

bool Accepts8(int dstBpp, int srcBpp) { return srcBpp == 1 && (dstBpp == 3 || dstBpp == 4); }
bool Accepts16(int dstBpp, int srcBpp) { return srcBpp == 2 && (dstBpp == 6 || dstBpp == 8); }

} // namespace

#define VONKEL_DEMOSAIC_ROUTINE(name, accepts, pass)                                                                   \
    VONKEL_CONVERSION_ROUTINE(name) {                                                                                  \
        const DemosaicBlock *block = static_cast<const DemosaicBlock *>(param1);                                       \
        if (!detail::Usable(dst, src, rect) || !block || !accepts(dstBpp, srcBpp))                                     \
            return 0;                                                                                                  \
        return pass(detail::MakeSpan(VONKEL_SPAN_ARGS), *block);                                                       \
    }

VONKEL_DEMOSAIC_ROUTINE(DemosaicInterior8, Accepts8, (DemosaicInterior<uint8_t, uint8_t, 255>))
VONKEL_DEMOSAIC_ROUTINE(DemosaicBorder8, Accepts8, (DemosaicBorder<uint8_t, uint8_t, 255>))
VONKEL_DEMOSAIC_ROUTINE(DemosaicInterior16, Accepts16, (DemosaicInterior<uint16_t, uint16_t, 65535>))
VONKEL_DEMOSAIC_ROUTINE(DemosaicBorder16, Accepts16, (DemosaicBorder<uint16_t, uint16_t, 65535>))

} // namespace conv
