// Reference: row widening, depth conversions, stretch, measurements, gray gain.
#include "RefIo.h"
#include "Reference.h"
#include <cmath>

namespace ref {

namespace {

int WidenRows(const Io &io, int bytes) {
    // Row from last to first, pixel from last to first, bytes from packed row x width.
    for (int32_t i = io.Rows() - 1; i >= 0; --i)
        for (int32_t j = io.Cols() - 1; j >= 0; --j)
            for (int b = bytes - 1; b >= 0; --b)
                io.D(i, j)[b] = io.src[(int64_t{i} * io.Cols() + j) * bytes + b];
    return 1;
}

// 16 -> 8 with a shift, rows in order or reversed.
int Reduce16(const Io &io, int shift, bool reversed) {
    for (int32_t i = 0; i < io.Rows(); ++i)
        for (int32_t j = 0; j < io.Cols(); ++j)
            io.D(i, j)[0] = static_cast<uint8_t>((Io::Get16(io.S(i, j, reversed), 0) >> shift) & 255);
    return 1;
}

int Widen16(const Io &io, int shift) {
    for (int32_t i = 0; i < io.Rows(); ++i)
        for (int32_t j = 0; j < io.Cols(); ++j)
            Io::Put16(io.D(i, j), 0, (Io::Get16(io.S(i, j), 0) << shift) & 0xFFFF);
    return 1;
}

// 48/64 -> 48/64: blue, green, red shifted, order kept or reversed; 64: fourth 65535.
int WidenColour(const Io &io, int shift, bool rgb) {
    for (int32_t i = 0; i < io.Rows(); ++i)
        for (int32_t j = 0; j < io.Cols(); ++j) {
            const uint8_t *s = io.S(i, j);
            uint8_t *d = io.D(i, j);
            for (int c = 0; c < 3; ++c)
                Io::Put16(d, c, (Io::Get16(s, rgb ? 2 - c : c) << shift) & 0xFFFF);
            if (io.dbpp == 8)
                Io::Put16(d, 3, 65535);
        }
    return 1;
}

int ReduceColour(const Io &io, int shift, bool reversed) {
    for (int32_t i = 0; i < io.Rows(); ++i)
        for (int32_t j = 0; j < io.Cols(); ++j)
            for (int c = 0; c < 3; ++c)
                io.D(i, j)[c] = static_cast<uint8_t>((Io::Get16(io.S(i, j, reversed), c) >> shift) & 255);
    return 1;
}

int CopyBgr(const Io &io, bool reversed, bool swap) {
    for (int32_t i = 0; i < io.Rows(); ++i)
        for (int32_t j = 0; j < io.Cols(); ++j) {
            const uint8_t *s = io.S(i, j, reversed);
            uint8_t b = s[0], g = s[1], r = s[2];
            io.D(i, j)[0] = swap ? r : b;
            io.D(i, j)[1] = g;
            io.D(i, j)[2] = swap ? b : r;
        }
    return 1;
}

int Stretch(uint8_t *dst, const uint8_t *src, const ImageRect &dr, const ImageRect &sr, int32_t dw, int32_t dh,
            int32_t sw, int32_t sh, int32_t dstride, int32_t sstride, int bytes) {
    const int64_t rw = int64_t{dr.right} - dr.left, rh = int64_t{dr.bottom} - dr.top;
    const float sy = static_cast<float>(int64_t{sr.bottom} - sr.top) / static_cast<float>(rh);
    const float sx = static_cast<float>(int64_t{sr.right} - sr.left) / static_cast<float>(rw);
    auto index = [](float p, int64_t limit) -> int64_t {
        if (p <= 0.0f)
            return 0;
        if (p >= static_cast<float>(limit))
            return limit;
        return Limit(static_cast<int64_t>(p), 0, limit);
    };
    for (int64_t i = 0; i < rh; ++i)
        for (int64_t j = 0; j < rw; ++j) {
            const int64_t drow = dr.top + i, dcol = dr.left + j;
            if (drow < 0 || drow >= dh || dcol < 0 || dcol >= dw)
                continue;
            int64_t srow = sr.bottom - 1 - index(static_cast<float>(i) * sy, sh - 1);
            int64_t scol = sr.left + index(static_cast<float>(j) * sx, sw - 1);
            srow = Limit(srow, 0, sh - 1);
            scol = Limit(scol, 0, sw - 1);
            for (int b = 0; b < bytes; ++b)
                dst[drow * dstride + dcol * bytes + b] = src[srow * sstride + scol * bytes + b];
        }
    return 1;
}

// Row phase and column phase of rectangle pixel (i, j) for a Bayer mode.
int RowPhase(int32_t i, int32_t mode) { return (i & 1) ^ (mode == 1 || mode == 3 ? 1 : 0); }
int ColPhase(int32_t j, int32_t mode) { return (j & 1) ^ (mode == 2 || mode == 3 ? 1 : 0); }

int32_t Sample(const Io &io, int32_t i, int32_t j) { return io.sbpp == 1 ? io.S(i, j)[0] : Io::Get16(io.S(i, j), 0); }

int32_t GrayTop(int bits) { return bits == 10 ? 1023 : bits == 12 ? 4095 : bits == 14 ? 16383 : 65535; }

int32_t ToGain(double v) { return v >= 2147483647.0 ? 2147483647 : v > 0 ? static_cast<int32_t>(v) : 0; }

// Grey site names: (0,0) G1, (0,1) R, (1,0) B, (1,1) G2.
enum { G1, R, B, G2 };
int GreySite(int rp, int cp) { return rp == 0 ? (cp == 0 ? G1 : R) : (cp == 0 ? B : G2); }

int MeasureWb(const Io &io, WhiteBalanceBlock *b) {
    double sum[3] = {0, 0, 0}, count[3] = {0, 0, 0}; // green, blue, red
    for (int32_t i = 0; i < io.Rows(); ++i)
        for (int32_t j = 0; j < io.Cols(); ++j) {
            int rp = RowPhase(i, b->bayerMode), cp = ColPhase(j, b->bayerMode);
            int site = rp == cp ? 0 : (rp == 0 ? 1 : 2);
            sum[site] += Sample(io, i, j);
            count[site] += 1;
        }
    if (count[0] == 0 || count[1] == 0 || count[2] == 0)
        return 1;
    double G = sum[0] / count[0], Bm = sum[1] / count[1], Rm = sum[2] / count[2];
    if (G == 0 || Bm == 0 || Rm == 0)
        return 1;
    double S = G + Bm + Rm;
    b->blueGain = ToGain(((S / Bm) / 3 * 100) / ((S / G) / 3));
    b->redGain = ToGain(((S / Rm) / 3 * 100) / ((S / G) / 3));
    b->greenGain = 100;
    return 1;
}

int GrayGain(const Io &io, const GrayBlock *b, int32_t top) {
    const int64_t gain[4] = {b->gainG1, b->gainR, b->gainB, b->gainG2};
    const int64_t offset[4] = {b->offsetG1, b->offsetR, b->offsetB, b->offsetG2};
    for (int32_t i = 0; i < io.Rows(); ++i)
        for (int32_t j = 0; j < io.Cols(); ++j) {
            int s = GreySite(RowPhase(i, b->bayerMode), ColPhase(j, b->bayerMode));
            int64_t out = Limit(offset[s] + (gain[s] * Sample(io, i, j)) / 128, 0, top);
            if (io.dbpp == 1)
                io.D(i, j)[0] = static_cast<uint8_t>(out);
            else
                Io::Put16(io.D(i, j), 0, out);
        }
    return 1;
}

} // namespace

VONKEL_CONVERSION_ROUTINE(WidenRows8) {
    REF_IO;
    return WidenRows(io, 1);
}
VONKEL_CONVERSION_ROUTINE(WidenRows16) {
    REF_IO;
    return WidenRows(io, 2);
}
VONKEL_CONVERSION_ROUTINE(Reduce16To8Bits10) {
    REF_IO;
    return Reduce16(io, 2, true);
}
VONKEL_CONVERSION_ROUTINE(Reduce16To8Display) {
    REF_IO;
    return Reduce16(io, 4, false);
}
VONKEL_CONVERSION_ROUTINE(Reduce16To8) {
    REF_IO;
    return Reduce16(io, 4, true);
}
VONKEL_CONVERSION_ROUTINE(Widen16x16) {
    REF_IO;
    return Widen16(io, 4);
}
VONKEL_CONVERSION_ROUTINE(Widen16x64) {
    REF_IO;
    return Widen16(io, 6);
}
VONKEL_CONVERSION_ROUTINE(CopyColor) {
    REF_IO;
    return CopyBgr(io, false, false);
}
VONKEL_CONVERSION_ROUTINE(Reduce48To24Display) {
    REF_IO;
    return ReduceColour(io, 4, false);
}
VONKEL_CONVERSION_ROUTINE(Widen48x16) {
    REF_IO;
    return WidenColour(io, 4, false);
}
VONKEL_CONVERSION_ROUTINE(Widen48x16Rgb) {
    REF_IO;
    return WidenColour(io, 4, true);
}
VONKEL_CONVERSION_ROUTINE(Widen48x64) {
    REF_IO;
    return WidenColour(io, 6, false);
}
VONKEL_CONVERSION_ROUTINE(Widen48x64Rgb) {
    REF_IO;
    return WidenColour(io, 6, true);
}
VONKEL_CONVERSION_ROUTINE(Reduce48To24) {
    REF_IO;
    return ReduceColour(io, 2, true);
}
VONKEL_CONVERSION_ROUTINE(Widen64x16) {
    REF_IO;
    return WidenColour(io, 4, false);
}
VONKEL_CONVERSION_ROUTINE(Widen64x16Rgb) {
    REF_IO;
    return WidenColour(io, 4, true);
}
VONKEL_CONVERSION_ROUTINE(Widen64x64) {
    REF_IO;
    return WidenColour(io, 6, false);
}
VONKEL_CONVERSION_ROUTINE(Widen64x64Rgb) {
    REF_IO;
    return WidenColour(io, 6, true);
}
VONKEL_CONVERSION_ROUTINE(CopyColorReversed) {
    REF_IO;
    return CopyBgr(io, true, false);
}
VONKEL_CONVERSION_ROUTINE(SwapRgb) {
    REF_IO;
    return CopyBgr(io, false, true);
}

VONKEL_CONVERSION_ROUTINE(CopyPlain) {
    REF_IO;
    const int32_t bytes = dstStride < srcStride ? dstStride : srcStride;
    for (int32_t i = 0; i < io.Rows(); ++i)
        for (int32_t k = 0; k < bytes; ++k)
            dst[int64_t{dstRow + i} * dstStride + k] = src[int64_t{rect.bottom - 1 - i} * srcStride + k];
    return 1;
}

VONKEL_CONVERSION_ROUTINE(FillAlpha) {
    REF_IO;
    CopyBgr(io, false, false);
    for (int32_t i = 0; i < io.Rows(); ++i)
        for (int32_t j = 0; j < io.Cols(); ++j)
            io.D(i, j)[3] = static_cast<uint8_t>(255 - io.S(i, j)[3]);
    return 1;
}

VONKEL_CONVERSION_ROUTINE(ColorToGray) {
    REF_IO;
    for (int32_t i = 0; i < io.Rows(); ++i)
        for (int32_t j = 0; j < io.Cols(); ++j) {
            const uint8_t *s = io.S(i, j);
            io.D(i, j)[0] = static_cast<uint8_t>((30 * s[2] + 59 * s[1] + 11 * s[0]) / 100);
        }
    return 1;
}

VONKEL_CONVERSION_ROUTINE(CopyPixels) {
    REF_IO;
    for (int32_t i = 0; i < io.Rows(); ++i)
        for (int32_t j = 0; j < io.Cols(); ++j)
            for (int b = 0; b < dstBpp; ++b)
                io.D(i, j)[b] = io.S(i, j)[b];
    return 1;
}

VONKEL_CONVERSION_ROUTINE(ExpandPalette8) {
    REF_IO;
    const RgbQuad *table = static_cast<const RgbQuad *>(param1);
    for (int32_t i = 0; i < io.Rows(); ++i)
        for (int32_t j = 0; j < io.Cols(); ++j) {
            const RgbQuad &q = table[io.S(i, j)[0]];
            io.D(i, j)[0] = q.blue;
            io.D(i, j)[1] = q.green;
            io.D(i, j)[2] = q.red;
            if (dstBpp == 4)
                io.D(i, j)[3] = 0;
        }
    return 1;
}

VONKEL_STRETCH_ROUTINE(Stretch24) {
    return Stretch(dst, src, dstRect, srcRect, dstWidth, dstHeight, srcWidth, srcHeight, dstStride, srcStride, 3);
}
VONKEL_STRETCH_ROUTINE(Stretch8) {
    return Stretch(dst, src, dstRect, srcRect, dstWidth, dstHeight, srcWidth, srcHeight, dstStride, srcStride, 1);
}

VONKEL_CONVERSION_ROUTINE(RegionMean8) {
    REF_IO;
    uint64_t sum = 0, count = 0;
    for (int32_t i = 0; i < io.Rows(); ++i)
        for (int32_t j = 0; j < io.Cols(); ++j, ++count)
            sum += io.S(i, j)[0];
    return count ? static_cast<int>(sum / count) : 0;
}

VONKEL_CONVERSION_ROUTINE(RegionMean16) {
    REF_IO;
    uint64_t sum = 0, count = 0;
    for (int32_t i = 0; i < io.Rows(); ++i)
        for (int32_t j = 0; j < io.Cols(); ++j, ++count)
            sum += Io::Get16(io.S(i, j), 0) >> 4;
    return count ? static_cast<int>(sum / count) : 0;
}

VONKEL_CONVERSION_ROUTINE(MeasureGray) {
    REF_IO;
    GrayBlock *b = static_cast<GrayBlock *>(param1);
    const int32_t top = srcBpp == 1 ? 255 : GrayTop(b->significantBits);
    double sum[4] = {}, count[4] = {};
    for (int32_t i = 0; i < io.Rows(); ++i)
        for (int32_t j = 0; j < io.Cols(); ++j) {
            int s = GreySite(RowPhase(i, b->bayerMode), ColPhase(j, b->bayerMode));
            int32_t v = Sample(io, i, j);
            if (v != top)
                sum[s] += v;
            if (v > 0 && v < top)
                count[s] += 1;
        }
    double mean[4], M = 0;
    for (int s = 0; s < 4; ++s) {
        if (count[s] == 0)
            return 1;
        mean[s] = sum[s] / count[s];
        M = mean[s] > M ? mean[s] : M;
    }
    b->gainR = ToGain(M / mean[R] * 128);
    b->gainG1 = ToGain(M / mean[G1] * 128);
    b->gainG2 = ToGain(M / mean[G2] * 128);
    b->gainB = ToGain(M / mean[B] * 128);
    return 1;
}

VONKEL_CONVERSION_ROUTINE(MeasureWhiteBalance8) {
    REF_IO;
    return MeasureWb(io, static_cast<WhiteBalanceBlock *>(param1));
}
VONKEL_CONVERSION_ROUTINE(MeasureWhiteBalance16) {
    REF_IO;
    return MeasureWb(io, static_cast<WhiteBalanceBlock *>(param1));
}
VONKEL_CONVERSION_ROUTINE(GrayGain8) {
    REF_IO;
    return GrayGain(io, static_cast<GrayBlock *>(param1), 255);
}
VONKEL_CONVERSION_ROUTINE(GrayGain16) {
    REF_IO;
    const GrayBlock *b = static_cast<GrayBlock *>(param1);
    return GrayGain(io, b, GrayTop(b->significantBits));
}

} // namespace ref
