// Bayer demosaic into colour: for the pixel at (r, c) the colour is taken at the centre
// of the 2 x 2 cell of rows r-1, r and columns c-1, c. Green is the mean of the cell's
// two greens; red and blue are bilinear over their four nearest samples (weights 9, 3,
// 3, 1, so the sum is 16 times the value) and scaled by the channel gain.
//
// The 8-bit routines take a HueBlock in param2: their pixels then go through the hue
// rule before they are stored, which gives the bits of the demosaic followed by Hue24 or
// Hue32 over the same pixels, in one pass.
#include "image/Conversions.h"
#include "image/DemosaicParts.h"
#include "image/DemosaicWide.h"
#include "image/HueCore.h"
#include "image/RoutineSupport.h"
#include "image/VectorDispatch.h"
#include <cstring>
#include <type_traits>

namespace conv {
namespace {

using namespace detail::bayer;
using detail::HueSettings;
using detail::Span;

// The hand-written runs, AVX2 and SSE2, exist for 8-bit samples with factors below 2^15
// and for 16-bit samples with factors below 2^12. They store whole pixels of three or
// four samples themselves, of one row or of two that share source rows (DemosaicPass);
// Wide picks the AVX2 run or the SSE2 one. With the hue rule the AVX2 run applies it in
// its registers; after the SSE2 run it goes over the stored pixels.
template <bool Wide, class T, class Scale>
int32_t RunHandWritten(const detail::DemosaicPass<T> &, int32_t, int32_t, Scale, Scale, int, const HueSettings *) {
    return 0;
}
template <bool Wide>
VONKEL_INLINE int32_t RunHandWritten(const detail::DemosaicPass<uint16_t> &pass, int32_t c0, int32_t n,
                                     ScaleWide<uint32_t> red, ScaleWide<uint32_t> blue, int spp, const HueSettings *) {
    if (red.factor >= 4096 || blue.factor >= 4096)
        return 0;
    if constexpr (Wide)
        return detail::DemosaicRunWide16(pass, c0, n, red.factor, blue.factor, spp);
    else
        return detail::DemosaicRunBase16(pass, c0, n, red.factor, blue.factor, spp);
}
template <bool Wide>
VONKEL_INLINE int32_t RunHandWritten(const detail::DemosaicPass<uint8_t> &pass, int32_t c0, int32_t n, ScaleNarrow red,
                                     ScaleNarrow blue, int spp, const HueSettings *hue) {
    if constexpr (Wide)
        return detail::DemosaicRunWide(pass, c0, n, red.factor2, blue.factor2, spp, hue);
    const int32_t done = detail::DemosaicRunBase(pass, c0, n, red.factor2, blue.factor2, spp);
    for (uint8_t *out : {pass.first, pass.second})
        if (hue && out) {
            if (spp == 3)
                detail::HuePixels<3, false>(out, done, *hue);
            else
                detail::HuePixels<4, false>(out, done, *hue);
        }
    return done;
}

// Pixels of a row (or an edge column) the plain loops take at a time.
constexpr int32_t kBlock = 512;

// A row at a time, the columns 2 .. cols - 3 in blocks starting on phase 0 (a column of
// phase 1 at the start takes the general formula). The interior does rows 2 .. rows - 3.
// The border does the two outermost rows on each side the same way, with the rows above
// or below folded back inside, and then the two outermost columns on each side, each
// read down as a row; a picture under four rows or five columns is done a pixel at a time.
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
        (void)hue; // 16-bit samples have no hue step here
        constexpr int32_t top = sizeof(U) == 1 ? 255 : 65535;
        U outB[kBlock], outG[kBlock], outR[kBlock];
        Sum vr[kBlock + 4], vb[kBlock + 4];
        T down[5][kBlock + 4]; // the columns around two edge columns, read down
        U edge[2][3][kBlock];  // their pixels, as planes
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
        auto cellOf = [&](int32_t i) VONKEL_INLINE_LAMBDA {
            auto at = [&](int32_t r) VONKEL_INLINE_LAMBDA { return s.Src<T>(Fold(r, rows)); };
            const T *above2 = at(i - 2), *above = at(i - 1), *here = at(i), *below = at(i + 1);
            // Red lies on row phase 1: this row or the one above; its far row is on the
            // other side of the centre. Blue takes the remaining two rows.
            const bool redHere = ((i & 1) ^ rowFlip) != 0;
            return redHere ? CellRows<T>{here, above2, above, below, here, above}
                           : CellRows<T>{above, below, here, above2, above, here};
        };
        // Pixels c0 + done .. c0 + n - 1 of row i, which no run did.
        auto rest = [&](int32_t i, const CellRows<T> &cell, int32_t c0, int32_t n, int32_t done) VONKEL_INLINE_LAMBDA {
            U *out = s.Dst<U>(i) + static_cast<ptrdiff_t>(c0) * spp;
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
        };
        // Row i alone, or rows i and i + 1 of the interior together, which share three of
        // their five source rows.
        auto rows1or2 = [&](int32_t i, bool two) VONKEL_INLINE_LAMBDA {
            const CellRows<T> one = cellOf(i), other = two ? cellOf(i + 1) : one;
            detail::DemosaicPass<T> pass{{one.redNear, one.redFar, one.blueNear, one.blueFar, one.p, one.q},
                                         {},
                                         ((i & 1) ^ rowFlip) != 0,
                                         nullptr,
                                         nullptr};
            for (int k = 0; two && k < 5; ++k)
                pass.src[k] = s.Src<T>(i - 2 + k);
            for (int32_t r = i; r <= i + two; ++r)
                if (first > 2)
                    single(r, 2);
            for (int32_t c0 = first; c0 < end; c0 += kBlock) {
                const int32_t n = std::min(kBlock, end - c0);
                const ptrdiff_t at = static_cast<ptrdiff_t>(c0) * spp;
                pass.first = s.Dst<U>(i) + at;
                pass.second = two ? s.Dst<U>(i + 1) + at : nullptr;
                int32_t done = 0; // even, so the rest starts on phase 0 again
                if constexpr (kHandWritten)
                    done = RunHandWritten<kWide>(pass, c0, n, scaleRed, scaleBlue, spp, hueOn ? &hue : nullptr);
                rest(i, one, c0, n, done);
                if (two)
                    rest(i + 1, other, c0, n, done);
            }
        };
        // Rows r0 .. r0 + n - 1 of columns c and c + 1 (the two outermost on either side).
        // Read down, a column is a row of the picture turned over its diagonal, where red
        // and blue trade places: the five columns around the two, folded back inside at
        // both ends, are copied into rows of their own and go through the plain loops
        // like any other row; both columns' pixels are then stored in one pass.
        auto edgeColumns = [&](int32_t c, int32_t r0, int32_t n) VONKEL_INLINE_LAMBDA {
            int32_t across[5];
            for (int j = 0; j < 5; ++j)
                across[j] = Fold(c - 2 + j, cols);
            for (int32_t t = 0; t < n + 4; ++t) {
                const T *from = s.Src<T>(Fold(r0 - 2 + t, rows));
                for (int j = 0; j < 5; ++j)
                    down[j][t] = from[across[j]];
            }
            for (int k = 0; k < 2; ++k) {
                const T *above2 = down[k] + 2, *above = down[k + 1] + 2, *here = down[k + 2] + 2,
                        *below = down[k + 3] + 2;
                const CellRows<T> cell = (((c + k) & 1) ^ colFlip) != 0
                                             ? CellRows<T>{here, above2, above, below, here, above}
                                             : CellRows<T>{above, below, here, above2, above, here};
                U *b = edge[k][0], *g = edge[k][1], *r = edge[k][2];
                VerticalSums(vr, vb, cell, 0, n);
                Combine<T, U, Sum>(r, g, b, vr, vb, odd + ((r0 & 1) ^ rowFlip), cell, 0, n, scaleBlue, scaleRed);
                if constexpr (sizeof(U) == 1) {
                    if (hueOn)
                        detail::ShiftHuePlanes<kWide>(b, g, r, n, hue);
                }
            }
            uint8_t *row = s.DstRow(r0) + static_cast<ptrdiff_t>(c) * s.dstBpp;
            for (int32_t m = 0; m < n; ++m, row += s.dstStride) {
                U *at = reinterpret_cast<U *>(row);
                for (int k = 0; k < 2; ++k, at += spp) {
                    at[0] = edge[k][0][m];
                    at[1] = edge[k][1][m];
                    at[2] = edge[k][2][m];
                    if (spp == 4 && hueOn)
                        at[3] = 0;
                }
            }
        };
        if (!border) {
            int32_t i = 2;
            for (; i + 1 < rows - 2 && cols >= 5; i += 2)
                rows1or2(i, true);
            if (i < rows - 2 && cols >= 5)
                rows1or2(i, false);
        } else if (rows < 4 || cols < 5) {
            for (int32_t r = 0; r < rows; ++r)
                for (int32_t c = 0; c < cols; ++c)
                    single(r, c);
        } else {
            for (int32_t i : {0, 1, rows - 2, rows - 1})
                rows1or2(i, false);
            for (int32_t c : {0, cols - 2})
                for (int32_t r0 = 0; r0 < rows; r0 += kBlock)
                    edgeColumns(c, r0, std::min(kBlock, rows - r0));
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
