// Bayer demosaic into colour: for the pixel at (r, c) the colour is taken at the centre
// of the 2 x 2 cell of rows r-1, r and columns c-1, c. Green is the mean of the cell's
// two greens; red and blue are bilinear over their four nearest samples (weights 9, 3,
// 3, 1, so the sum is 16 times the value) and scaled by the channel gain.
//
// The 8-bit routines take a HueBlock in param2: their pixels then go through the hue
// rule before they are stored, which gives the bits of the demosaic followed by Hue24 or
// Hue32 over the same pixels, in one pass.
#include "image/Conversions.h"
#include "image/DemosaicWide.h"
#include "image/HueCore.h"
#include "image/RoutineSupport.h"
#include "image/VectorDispatch.h"
#include <cstring>
#include <type_traits>

namespace conv {
namespace {

using detail::HueSettings;
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

// A position beyond an edge of the rectangle is replaced by the one four pixels further
// in, which keeps its site; only a picture under four pixels wide or high can still fall
// outside and is then held to it.
inline int32_t Fold(int32_t p, int32_t n) {
    if (p < 0)
        p += 4;
    else if (p >= n)
        p -= 4;
    return detail::Clamp<int32_t>(p, 0, n - 1);
}

// One output pixel from the 4 x 4 samples of rows r-2..r+1 and columns c-2..c+1 (folded
// back inside), for the pixels the column runs do not cover.
template <class T, class U> struct CPixel {
    const Span &span;
    int rowFlip;
    int colFlip;
    Gains gains;
    int64_t top;

    void operator()(int32_t r, int32_t c) const {
        const int32_t columns[4] = {Fold(c - 2, span.cols), Fold(c - 1, span.cols), Fold(c, span.cols),
                                    Fold(c + 1, span.cols)};
        (*this)(r, c, columns);
    }

    // With the folded columns c-2..c+1 worked out by the caller, once per column.
    void operator()(int32_t r, int32_t c, const int32_t columns[4]) const {
        const T *rows[4];
        for (int i = 0; i < 4; ++i)
            rows[i] = span.template Src<T>(Fold(r - 2 + i, span.rows));
        (*this)(rows, r, c, columns);
    }

    // With the rows r-2..r+1 (folded) as well, once per row. Sums of 8-bit samples times
    // their gain factor (at most 4080 x 2^19) stay inside 32 bits.
    void operator()(const T *const rows[4], int32_t r, int32_t c, const int32_t columns[4]) const {
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

// Output pixels c0 + m, m = 0 .. n - 1, c0 of phase 0. The vertical halves of the
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

// The hand-written runs, AVX2 and SSE2, exist for 8-bit samples with factors below 2^15
// and for 16-bit samples with factors below 2^12. They store whole pixels of three or
// four samples at `out` themselves; Wide picks the AVX2 run or the SSE2 one.
// With the hue rule the AVX2 run applies it in its registers; after the SSE2 run it goes
// over the stored pixels.
template <bool Wide, class T, class U, class Scale>
int32_t RunHandWritten(const CellRows<T> &, int32_t, int32_t, Scale, Scale, U *, int, const HueSettings *) {
    return 0;
}
// 16-bit samples, factors below 4096.
template <bool Wide>
VONKEL_INLINE int32_t RunHandWritten(const CellRows<uint16_t> &cell, int32_t c0, int32_t n, ScaleWide<uint32_t> red,
                                     ScaleWide<uint32_t> blue, uint16_t *out, int spp, const HueSettings *) {
    if (red.factor >= 4096 || blue.factor >= 4096)
        return 0;
    const detail::DemosaicRows16 rows{cell.redNear, cell.redFar, cell.blueNear, cell.blueFar, cell.p, cell.q};
    uint16_t *out48 = spp == 3 ? out : nullptr, *out64 = spp == 4 ? out : nullptr;
    if constexpr (Wide)
        return detail::DemosaicRunWide16(rows, c0, n, red.factor, blue.factor, out48, out64);
    else
        return detail::DemosaicRunBase16(rows, c0, n, red.factor, blue.factor, out48, out64);
}
template <bool Wide>
VONKEL_INLINE int32_t RunHandWritten(const CellRows<uint8_t> &cell, int32_t c0, int32_t n, ScaleNarrow red,
                                     ScaleNarrow blue, uint8_t *out, int spp, const HueSettings *hue) {
    const detail::DemosaicRows8 rows{cell.redNear, cell.redFar, cell.blueNear, cell.blueFar, cell.p, cell.q};
    uint8_t *out24 = spp == 3 ? out : nullptr, *out32 = spp == 4 ? out : nullptr;
    if constexpr (Wide) {
        return detail::DemosaicRunWide(rows, c0, n, red.factor2, blue.factor2, nullptr, nullptr, nullptr, out24, out32,
                                       hue);
    } else {
        const int32_t done = detail::DemosaicRunBase(rows, c0, n, red.factor2, blue.factor2, out24, out32);
        if (hue && spp == 3)
            detail::HuePixels<3, false>(out, done, *hue);
        else if (hue)
            detail::HuePixels<4, false>(out, done, *hue);
        return done;
    }
}

// The hue rule on the pixels at columns edge[0..3] of rows r0 .. r0 + count - 1 (count at
// most 64), taken into planes and put back; a fourth byte becomes 0.
template <bool Wide>
VONKEL_INLINE void BorderHue(const Span &s, int32_t r0, int32_t count, const int32_t edge[4], int spp,
                             HueSettings hue) {
    uint8_t b[256], g[256], r[256];
    for (int32_t i = 0; i < count; ++i)
        for (int k = 0; k < 4; ++k) {
            const uint8_t *at = s.Dst<uint8_t>(r0 + i) + static_cast<ptrdiff_t>(edge[k]) * spp;
            b[4 * i + k] = at[0];
            g[4 * i + k] = at[1];
            r[4 * i + k] = at[2];
        }
    detail::ShiftHuePlanes<Wide>(b, g, r, 4 * count, hue);
    for (int32_t i = 0; i < count; ++i)
        for (int k = 0; k < 4; ++k) {
            uint8_t *at = s.Dst<uint8_t>(r0 + i) + static_cast<ptrdiff_t>(edge[k]) * spp;
            at[0] = b[4 * i + k];
            at[1] = g[4 * i + k];
            at[2] = r[4 * i + k];
            if (spp == 4)
                at[3] = 0;
        }
}

// A row at a time, the columns 2 .. cols - 3 in blocks starting on phase 0 (a column of
// phase 1 at the start takes the general formula). The interior does rows 2 .. rows - 3.
// The border does the two outermost rows on each side the same way, with the rows above
// or below folded back inside, and then the two outermost columns of every row one pixel
// at a time; a picture under four rows or five columns is done a pixel at a time.
template <class T, class U, class Sum, class Scale>
void DemosaicRows(const Span &s, const DemosaicBlock &block, Gains gains, Scale scaleRed, Scale scaleBlue, bool border,
                  const HueSettings *hueOrNull) {
    const int rowFlip = detail::RowFlip(block.bayerMode), colFlip = detail::ColFlip(block.bayerMode);
    static const PhaseMask<Sum> phases;
    const Sum *odd = phases.odd;
    const bool hueOn = hueOrNull != nullptr;
    const HueSettings hue = hueOn ? *hueOrNull : HueSettings{};
    detail::Dispatch([s, rowFlip, colFlip, gains, scaleRed, scaleBlue, odd, border, hueOn,
                      hue](auto copy) VONKEL_INLINE_LAMBDA {
        constexpr bool kHandWritten =
            std::is_same_v<Scale, ScaleNarrow> ||
            (std::is_same_v<T, uint16_t> && std::is_same_v<U, uint16_t> && std::is_same_v<Scale, ScaleWide<uint32_t>>);
        [[maybe_unused]] constexpr bool kWide = decltype(copy)::value;
        constexpr int32_t kBlock = 512, top = sizeof(U) == 1 ? 255 : 65535;
        U outB[kBlock], outG[kBlock], outR[kBlock];
        Sum vr[kBlock + 4], vb[kBlock + 4];
        const int spp = s.dstBpp / static_cast<int>(sizeof(U));
        const int32_t rows = s.rows, cols = s.cols, end = cols - 2;
        const CPixel<T, U> pixel{s, rowFlip, colFlip, gains, top};
        // The hue rule on pixels (r, c) .. (r, c + n - 1) after the general formula made them.
        auto hueAt = [&](int32_t r, int32_t c, int32_t n = 1) VONKEL_INLINE_LAMBDA {
            if constexpr (sizeof(U) == 1) {
                if (hueOn) {
                    U *at = s.Dst<U>(r) + static_cast<ptrdiff_t>(c) * spp;
                    if (spp == 3)
                        detail::HuePixels<3, false>(at, n, hue);
                    else
                        detail::HuePixels<4, false>(at, n, hue);
                }
            }
        };
        auto single = [&](int32_t r, int32_t c) VONKEL_INLINE_LAMBDA {
            pixel(r, c);
            hueAt(r, c);
        };
        const int32_t first = 2 + ((2 ^ colFlip) & 1); // first column of phase 0 from 2 on
        auto row = [&](int32_t i) VONKEL_INLINE_LAMBDA {
            auto at = [&](int32_t r) VONKEL_INLINE_LAMBDA { return s.Src<T>(Fold(r, rows)); };
            const T *above2 = at(i - 2), *above = at(i - 1), *here = at(i), *below = at(i + 1);
            // Red lies on row phase 1: this row or the one above; its far row is on the
            // other side of the centre. Blue takes the remaining two rows.
            const bool redHere = ((i & 1) ^ rowFlip) != 0;
            const CellRows<T> cell = redHere ? CellRows<T>{here, above2, above, below, here, above}
                                             : CellRows<T>{above, below, here, above2, above, here};
            if (first > 2)
                single(i, 2);
            for (int32_t c0 = first; c0 < end; c0 += kBlock) {
                const int32_t n = std::min(kBlock, end - c0);
                U *out = s.Dst<U>(i) + static_cast<ptrdiff_t>(c0) * spp;
                int32_t done = 0; // even, so the rest starts on phase 0 again
                if constexpr (kHandWritten)
                    done = RunHandWritten<kWide>(cell, c0, n, scaleRed, scaleBlue, out, spp, hueOn ? &hue : nullptr);
                VerticalSums(vr, vb, cell, c0 + done, n - done);
                Combine<T, U, Sum>(outB, outG, outR, vr, vb, odd, cell, c0 + done, n - done, scaleRed, scaleBlue);
                if constexpr (sizeof(U) == 1) {
                    if (hueOn)
                        detail::ShiftHuePlanes<kWide>(outB, outG, outR, n - done, hue);
                }
                if (spp == 3)
                    StoreColour<3>(out + 3 * done, outB, outG, outR, n - done, true);
                else
                    StoreColour<4>(out + 4 * done, outB, outG, outR, n - done, !hueOn);
            }
        };
        if (!border) {
            for (int32_t i = 2; i < rows - 2 && cols >= 5; ++i)
                row(i);
        } else if (rows < 4 || cols < 5) {
            for (int32_t r = 0; r < rows; ++r)
                for (int32_t c = 0; c < cols; ++c)
                    single(r, c);
        } else {
            for (int32_t i : {0, 1, rows - 2, rows - 1})
                row(i);
            const int32_t edge[4] = {0, 1, cols - 2, cols - 1};
            int32_t columns[4][4];
            for (int k = 0; k < 4; ++k)
                for (int j = 0; j < 4; ++j)
                    columns[k][j] = Fold(edge[k] - 2 + j, cols);
            // The hue rule goes over the border pixels of 64 rows at a time, as planes.
            constexpr int32_t kRows = 64;
            for (int32_t r0 = 0; r0 < rows; r0 += kRows) {
                const int32_t count = std::min(kRows, rows - r0);
                for (int32_t r = r0; r < r0 + count; ++r) {
                    const T *window[4];
                    for (int i = 0; i < 4; ++i)
                        window[i] = s.Src<T>(Fold(r - 2 + i, rows));
                    for (int k = 0; k < 4; ++k)
                        pixel(window, r, edge[k], columns[k]);
                }
                if constexpr (sizeof(U) == 1) {
                    if (hueOn)
                        BorderHue<kWide>(s, r0, count, edge, spp, hue);
                }
            }
        }
    });
}

template <class T, class U, int32_t top>
int Demosaic(const Span &s, const DemosaicBlock &block, bool border, const HueBlock *hueBlock) {
    const Gains gains = GainsOf(block, top);
    HueSettings hueSettings{};
    const HueSettings *hue = nullptr;
    if (sizeof(U) == 1 && hueBlock) {
        hueSettings = detail::HueSettingsOf(hueBlock->hue, hueBlock->saturation);
        hue = &hueSettings;
    }
    if (sizeof(T) == 1 && gains.red < 32768 && gains.blue < 32768) {
        DemosaicRows<T, U, uint16_t>(s, block, gains, ScaleNarrow{static_cast<uint16_t>(2 * gains.red)},
                                     ScaleNarrow{static_cast<uint16_t>(2 * gains.blue)}, border, hue);
        return 1;
    }
    // 16 x the largest sample times the factor must stay inside 32 bits for the 32-bit path.
    const int64_t sumLimit = 16 * int64_t{top};
    if (gains.red * sumLimit <= UINT32_MAX && gains.blue * sumLimit <= UINT32_MAX)
        DemosaicRows<T, U, uint32_t>(s, block, gains, ScaleWide<uint32_t>{uint32_t(gains.red), top},
                                     ScaleWide<uint32_t>{uint32_t(gains.blue), top}, border, hue);
    else
        DemosaicRows<T, U, uint64_t>(s, block, gains, ScaleWide<uint64_t>{uint64_t(gains.red), top},
                                     ScaleWide<uint64_t>{uint64_t(gains.blue), top}, border, hue);
    return 1;
}

bool Accepts8(int dstBpp, int srcBpp) { return srcBpp == 1 && (dstBpp == 3 || dstBpp == 4); }
bool Accepts16(int dstBpp, int srcBpp) { return srcBpp == 2 && (dstBpp == 6 || dstBpp == 8); }

} // namespace

#define VONKEL_DEMOSAIC_ROUTINE(name, accepts, pass, border)                                                           \
    VONKEL_CONVERSION_ROUTINE(name) {                                                                                  \
        const DemosaicBlock *block = static_cast<const DemosaicBlock *>(param1);                                       \
        if (!detail::Usable(dst, src, rect) || !block || !accepts(dstBpp, srcBpp))                                     \
            return 0;                                                                                                  \
        return pass(detail::MakeSpan(VONKEL_SPAN_ARGS), *block, border, static_cast<const HueBlock *>(param2));        \
    }

VONKEL_DEMOSAIC_ROUTINE(DemosaicInterior8, Accepts8, (Demosaic<uint8_t, uint8_t, 255>), false)
VONKEL_DEMOSAIC_ROUTINE(DemosaicBorder8, Accepts8, (Demosaic<uint8_t, uint8_t, 255>), true)
VONKEL_DEMOSAIC_ROUTINE(DemosaicInterior16, Accepts16, (Demosaic<uint16_t, uint16_t, 65535>), false)
VONKEL_DEMOSAIC_ROUTINE(DemosaicBorder16, Accepts16, (Demosaic<uint16_t, uint16_t, 65535>), true)

} // namespace conv
