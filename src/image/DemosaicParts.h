// The demosaic's general formula, a pixel at a time (CPixel, for the smallest pictures
// and a first column of phase 1) and in plain loops over a block of columns
// (VerticalSums, Combine: the border's edge columns read down as rows), for what the hand-written
// runs do not take: the pixels after a run, other gain ranges, processors without SSE2.
// Internal to image/ (Demosaic.cpp).
#pragma once
#include "image/RoutineSupport.h"
#include "image/VectorDispatch.h"
#include <algorithm>
#include <cstring>
#include <type_traits>

namespace conv::detail::bayer {

// Gain factors of the block. trunc(gain x 1.28) turns percent into 1/2048 of the
// 16-fold sum; factors beyond (top + 1) x 2048 saturate every non-zero sum anyway, and
// negative ones would only produce values below 0, so both are cut there.
struct Gains {
    int64_t red;
    int64_t blue;
};

inline Gains GainsOf(const DemosaicBlock &block, int32_t top) {
    const int64_t most = (int64_t{top} + 1) << 11;
    auto factor = [most](int32_t gain) { return Clamp<int64_t>(static_cast<int64_t>(gain * 1.28), 0, most); };
    return Gains{factor(block.redGain), factor(block.blueGain)};
}

// A position beyond an edge of the rectangle is replaced by the one four pixels further
// in, which keeps its site; only a picture under four pixels wide or high can still fall
// outside and is then held to it.
inline int32_t Fold(int32_t p, int32_t n) {
    if (p < 0)
        p += 4;
    else if (p >= n)
        p -= 4;
    return Clamp<int32_t>(p, 0, n - 1);
}

// One output pixel from the 4 x 4 samples of rows r-2..r+1 and columns c-2..c+1 (folded
// back inside).
template <class T, class U> struct CPixel {
    const Span &span;
    int rowFlip;
    int colFlip;
    Gains gains;
    int64_t top;

    // Sums of 8-bit samples times their gain factor (at most 4080 x 2^19) stay inside 32 bits.
    void operator()(int32_t r, int32_t c) const {
        const int32_t columns[4] = {Fold(c - 2, span.cols), Fold(c - 1, span.cols), Fold(c, span.cols),
                                    Fold(c + 1, span.cols)};
        const T *rows[4];
        for (int i = 0; i < 4; ++i)
            rows[i] = span.template Src<T>(Fold(r - 2 + i, span.rows));
        using Acc = std::conditional_t<sizeof(T) == 1, int32_t, int64_t>;
        auto at = [&](int i, int j) { return static_cast<Acc>(rows[i][columns[j]]); };
        const int rowPhase = (r & 1) ^ rowFlip, colPhase = (c & 1) ^ colFlip;
        // Window index 2 is the pixel's own row or column, 1 the one before; a site's near
        // line is whichever of the two has its phase, its far line lies across the centre.
        auto bilinear = [&](int siteRowPhase, int siteColPhase) {
            const int rn = rowPhase == siteRowPhase ? 2 : 1, rf = rn == 2 ? 0 : 3;
            const int cn = colPhase == siteColPhase ? 2 : 1, cf = cn == 2 ? 0 : 3;
            return 9 * at(rn, cn) + 3 * at(rn, cf) + 3 * at(rf, cn) + at(rf, cf);
        };
        U *out = span.template Dst<U>(r) + static_cast<ptrdiff_t>(c) * (span.dstBpp / static_cast<int>(sizeof(U)));
        const Acc most = static_cast<Acc>(top);
        out[0] = static_cast<U>(std::min<Acc>((bilinear(0, 1) * static_cast<Acc>(gains.blue)) >> 11, most));
        out[1] = static_cast<U>((rowPhase == colPhase ? at(1, 1) + at(2, 2) : at(1, 2) + at(2, 1)) >> 1);
        out[2] = static_cast<U>(std::min<Acc>((bilinear(1, 0) * static_cast<Acc>(gains.red)) >> 11, most));
    }
};

// Blue, green and red planes of a block of pixels into a row of 3 or 4 samples each. A
// pixel of four samples is written as one word, its fourth sample kept as it was (or 0
// when not keepFourth).
template <int Spp, class U>
VONKEL_INLINE void StoreColour(U *out, const U *b, const U *g, const U *r, int32_t n, bool keepFourth) {
    if constexpr (Spp == 4) {
        using Word = std::conditional_t<sizeof(U) == 1, uint32_t, uint64_t>;
        constexpr int bits = 8 * sizeof(U);
        const Word kept = keepFourth ? ~((Word{1} << 3 * bits) - 1) : 0;
        for (int32_t k = 0; k < n; ++k) {
            Word w;
            std::memcpy(&w, out + 4 * k, sizeof w);
            w = (w & kept) | Word{b[k]} | Word{g[k]} << bits | Word{r[k]} << 2 * bits;
            std::memcpy(out + 4 * k, &w, sizeof w);
        }
    } else {
        for (int32_t k = 0; k < n; ++k, out += 3) {
            out[0] = b[k];
            out[1] = g[k];
            out[2] = r[k];
        }
    }
}

// Scaling of a 16-fold sum by a gain factor: min((sum x factor) >> 11, top).
template <class Wide> struct ScaleWide {
    Wide factor;
    Wide top;
    VONKEL_INLINE Wide operator()(Wide sum) const { return std::min<Wide>((sum * factor) >> 11, top); }
};

// The same for 8-bit sums (at most 4080) and factors below 2^15 in 16-bit lanes: with the
// sum shifted up 4 and the factor up 1 bit, the high half of their product is the result.
struct ScaleNarrow {
    uint16_t factor2; // factor x 2
    VONKEL_INLINE uint16_t operator()(uint16_t sum) const {
        const uint16_t high = static_cast<uint16_t>((uint32_t{static_cast<uint16_t>(sum << 4)} * factor2) >> 16);
        return std::min<uint16_t>(high, 255);
    }
};

// Rows around output row r: red and blue near (in the cell) and far (across the centre),
// and the two cell rows arranged so that the cell's greens are p[c-1] + q[c] for a column
// of phase 0 and p[c] + q[c-1] for one of phase 1.
template <class T> struct CellRows { const T *redNear, *redFar, *blueNear, *blueFar, *p, *q; };

// Alternating lanes, 0 for columns of phase 0 and all ones for phase 1; read from the
// column's own offset, so the selection is one vector load and a blend.
template <class Sum> struct PhaseMask {
    Sum odd[2 * 512 + 2];
    PhaseMask() {
        for (int k = 0; k < 2 * 512 + 2; ++k)
            odd[k] = static_cast<Sum>(k & 1 ? ~Sum{0} : 0);
    }
};

// Output pixels c0 + m, m = 0 .. n - 1, c0 of phase 0 (or of phase 1 with the phase mask
// read from one further, as the edge columns read down do). The vertical halves of the
// bilinear sums (3 x near row + far row) are taken once per column; each pixel then takes
// its red and blue from its own column and the one two away, or from its two neighbours,
// by phase: both are worked out for every pixel and the phase picks one, which keeps
// every load contiguous.
template <class T, class Sum>
VONKEL_INLINE void VerticalSums(Sum *vr, Sum *vb, CellRows<T> rows, int32_t c0, int32_t n) {
    // vr[k], vb[k] belong to column c0 - 2 + k.
    const T *rn = rows.redNear + c0 - 2, *rf = rows.redFar + c0 - 2, *bn = rows.blueNear + c0 - 2,
            *bf = rows.blueFar + c0 - 2;
    for (int32_t k = 0; k < n + 4; ++k) {
        vr[k] = static_cast<Sum>(3 * Sum{rn[k]} + rf[k]);
        vb[k] = static_cast<Sum>(3 * Sum{bn[k]} + bf[k]);
    }
}

template <class T, class U, class Sum, class Scale>
VONKEL_INLINE void Combine(U *outB, U *outG, U *outR, const Sum *vr, const Sum *vb, const Sum *odd, CellRows<T> rows,
                           int32_t c0, int32_t n, Scale scaleRed, Scale scaleBlue) {
    const T *p = rows.p + c0, *q = rows.q + c0;
    for (int32_t m = 0; m < n; ++m) {
        const Sum phase = odd[m];
        const Sum redOwn = static_cast<Sum>(3 * vr[m + 2] + vr[m]),
                  redAcross = static_cast<Sum>(3 * vr[m + 1] + vr[m + 3]);
        const Sum blueOwn = static_cast<Sum>(3 * vb[m + 2] + vb[m]),
                  blueAcross = static_cast<Sum>(3 * vb[m + 1] + vb[m + 3]);
        const Sum greenEven = static_cast<Sum>(Sum{p[m - 1]} + q[m]), greenOdd = static_cast<Sum>(Sum{p[m]} + q[m - 1]);
        outR[m] = static_cast<U>(scaleRed(static_cast<Sum>((redAcross & phase) | (redOwn & ~phase))));
        outB[m] = static_cast<U>(scaleBlue(static_cast<Sum>((blueOwn & phase) | (blueAcross & ~phase))));
        outG[m] = static_cast<U>(((greenOdd & phase) | (greenEven & ~phase)) >> 1);
    }
}
} // namespace conv::detail::bayer
