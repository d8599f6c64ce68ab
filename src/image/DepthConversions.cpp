// Row widening, bit-depth reductions and widenings, colour copies and reorderings:
// single passes over the rows, no allocation.
#include "image/ByteShuffle.h"
#include "image/Conversions.h"
#include "image/RoutineSupport.h"
#include "image/VectorDispatch.h"
#include <cstring>
#include <type_traits>

namespace conv {
namespace {

using detail::MakeSpan;
using detail::Span;

// Calls kernel(destination row, source row, columns) for every row. The kernels are
// always-inline lambdas, so that each lands in both compiled copies; they get plain
// values, since anything a loop reads through a pointer may change with every byte
// stored and would keep the loop from vectorizing.
// A kernel that takes a fourth argument learns which copy it runs in.
template <class Kernel> int ForEachRow(const Span &s, Kernel kernel) {
    // Asked out here: clang cannot answer it inside the generic lambda below.
    constexpr bool kTakesCopy =
        std::is_invocable_v<Kernel &, uint8_t *, const uint8_t *, int32_t, detail::BaselineCopy>;
    detail::Dispatch([s, kernel](auto copy) VONKEL_INLINE_LAMBDA {
        const int32_t rows = s.rows, cols = s.cols;
        for (int32_t i = 0; i < rows; ++i) {
            if constexpr (kTakesCopy)
                kernel(s.DstRow(i), s.SrcRow(i), cols, copy);
            else
                kernel(s.DstRow(i), s.SrcRow(i), cols);
        }
    });
    return 1;
}

// One sample per pixel, each through `op`.
template <class S, class D, class Op> VONKEL_INLINE void GreyRun(D *out, const S *in, int32_t n, Op op) {
    for (int32_t j = 0; j < n; ++j)
        out[j] = op(in[j]);
}

template <class S, class D, class Op> int GreyRows(const Span &s, Op op) {
    return ForEachRow(s, [op](uint8_t *out, const uint8_t *in, int32_t n) VONKEL_INLINE_LAMBDA {
        GreyRun(reinterpret_cast<D *>(out), reinterpret_cast<const S *>(in), n, op);
    });
}

// Blue, green and red of every pixel through `op`, blue and red exchanged when Swap;
// `fourth` sets the destination's fourth sample (Keep leaves it alone).
struct Keep {
    template <class T> T operator()(const T *) const { return 0; }
};
template <class S, class D, int SrcSpp, int DstSpp, bool Swap, class Op, class Fourth>
VONKEL_INLINE void ColourRun(D *out, const S *in, int32_t n, Op op, Fourth fourth) {
    for (int32_t j = 0; j < n; ++j, in += SrcSpp, out += DstSpp) {
        S b = in[0], g = in[1], r = in[2];
        out[0] = op(Swap ? r : b);
        out[1] = op(g);
        out[2] = op(Swap ? b : r);
        // A kept fourth sample is written back as it was: a store of whole pixels is one
        // the compiler can vectorize.
        if constexpr (DstSpp == 4)
            out[3] = std::is_same_v<Fourth, Keep> ? out[3] : fourth(in);
    }
}

template <class S, class D, int SrcSpp, int DstSpp, bool Swap, class Op, class Fourth>
int ColourRows(const Span &s, Op op, Fourth fourth) {
    return ForEachRow(s, [op, fourth](uint8_t *out, const uint8_t *in, int32_t n) VONKEL_INLINE_LAMBDA {
        ColourRun<S, D, SrcSpp, DstSpp, Swap>(reinterpret_cast<D *>(out), reinterpret_cast<const S *>(in), n, op,
                                              fourth);
    });
}

template <class T> struct Same {
    VONKEL_INLINE T operator()(T v) const { return v; }
};
template <int Shift> struct ShiftLeft16 {
    VONKEL_INLINE uint16_t operator()(uint16_t v) const { return static_cast<uint16_t>(v << Shift); }
};
template <int Shift> struct ShiftDown8 {
    VONKEL_INLINE uint8_t operator()(uint16_t v) const { return static_cast<uint8_t>(v >> Shift); }
};
struct Opaque16 {
    VONKEL_INLINE uint16_t operator()(const uint16_t *) const { return 65535; }
};

// 64-bit pixels as words: the colours shifted together (the mask drops what a sample's
// shift carries into the next one), blue and red exchanged when Swap, the fourth sample
// 65535. Shifts and masks on words vectorize in both copies.
template <bool Swap, int Shift> VONKEL_INLINE void WordWidenRun(uint8_t *out, const uint8_t *in, int32_t n) {
    constexpr uint64_t kColours = uint64_t{(0xFFFFu << Shift) & 0xFFFFu} * 0x000000010001'0001ull;
    constexpr uint64_t kOpaque = 0xFFFF'0000'0000'0000ull;
    for (int32_t j = 0; j < n; ++j) {
        uint64_t w;
        std::memcpy(&w, in + 8 * j, 8);
        if (Swap)
            w = (w & 0xFFFF) << 32 | (w & 0xFFFF'0000) | (w >> 32 & 0xFFFF);
        w = ((w << Shift) & kColours) | kOpaque;
        std::memcpy(out + 8 * j, &w, 8);
    }
}

// Widening of 48- or 64-bit pixels: the depth picks 3 or 4 samples per pixel. Three
// samples with blue and red exchanged go through byte shuffles in the wide copy.
template <int Spp, bool Swap, int Shift> int WidenColour(const Span &s) {
    if constexpr (Spp == 4) {
        return ForEachRow(s, [](uint8_t *out, const uint8_t *in, int32_t n)
                                 VONKEL_INLINE_LAMBDA { WordWidenRun<Swap, Shift>(out, in, n); });
    } else if constexpr (!Swap) {
        return ColourRows<uint16_t, uint16_t, 3, 3, false>(s, ShiftLeft16<Shift>(), Keep());
    } else {
        return ForEachRow(s, [](uint8_t *out, const uint8_t *in, int32_t n, [[maybe_unused]] auto copy) VONKEL_INLINE_LAMBDA {
            int32_t done = 0;
#if VONKEL_WIDE_VECTORS
            if constexpr (decltype(copy)::value)
                done = detail::SwapWiden48<Shift>(out, in, n);
#endif
            ColourRun<uint16_t, uint16_t, 3, 3, true>(reinterpret_cast<uint16_t *>(out) + 3 * done,
                                                      reinterpret_cast<const uint16_t *>(in) + 3 * done, n - done,
                                                      ShiftLeft16<Shift>(), Keep());
        });
    }
}

// 48 or 64 bits to 24.
template <int Shift> int ReduceColour(const Span &s) {
    if (s.srcBpp == 6)
        return ColourRows<uint16_t, uint8_t, 3, 3, false>(s, ShiftDown8<Shift>(), Keep());
    return ColourRows<uint16_t, uint8_t, 4, 3, false>(s, ShiftDown8<Shift>(), Keep());
}

// Pixels of four bytes as words: blue and red exchanged when Swap, the destination's
// fourth byte kept. Shifts and masks on words vectorize in both copies.
template <bool Swap> VONKEL_INLINE void WordColourRun(uint8_t *out, const uint8_t *in, int32_t n) {
    for (int32_t j = 0; j < n; ++j) {
        uint32_t w, kept;
        std::memcpy(&w, in + 4 * j, 4);
        std::memcpy(&kept, out + 4 * j, 4);
        if (Swap)
            w = (w & 0xFF) << 16 | (w & 0xFF00) | (w >> 16 & 0xFF);
        w = (w & 0xFFFFFF) | (kept & 0xFF000000);
        std::memcpy(out + 4 * j, &w, 4);
    }
}

// Three-byte pixels in or out: 16 bytes at a time by byte shuffles in the wide copy, the
// plain loop for the rest and in the baseline copy.
template <int SrcSpp, int DstSpp, bool Swap> int ShuffledColourRows(const Span &s) {
    return ForEachRow(s, [](uint8_t *out, const uint8_t *in, int32_t n, [[maybe_unused]] auto copy) VONKEL_INLINE_LAMBDA {
        int32_t done = 0;
#if VONKEL_WIDE_VECTORS
        if constexpr (decltype(copy)::value)
            done = detail::ShuffleColours<SrcSpp, DstSpp, Swap>(out, in, n);
#endif
        ColourRun<uint8_t, uint8_t, SrcSpp, DstSpp, Swap>(out + DstSpp * done, in + SrcSpp * done, n - done,
                                                          Same<uint8_t>(), Keep());
    });
}

// 24 or 32 bits to 24 or 32, blue, green and red only.
template <bool Swap> int ColourCopy(const Span &s) {
    if (s.srcBpp == 4 && s.dstBpp == 4)
        return ForEachRow(s, [](uint8_t *out, const uint8_t *in, int32_t n)
                                 VONKEL_INLINE_LAMBDA { WordColourRun<Swap>(out, in, n); });
    if (s.srcBpp == 3 && s.dstBpp == 3) {
        if (!Swap) // whole rows as they are
            return ForEachRow(s, [](uint8_t *out, const uint8_t *in, int32_t n) {
                std::memmove(out, in, 3 * static_cast<size_t>(n));
            });
        return ShuffledColourRows<3, 3, Swap>(s);
    }
    return s.srcBpp == 3 ? ShuffledColourRows<3, 4, Swap>(s) : ShuffledColourRows<4, 3, Swap>(s);
}

bool IsColour8(int bpp) { return bpp == 3 || bpp == 4; }
bool IsColour16(int bpp) { return bpp == 6 || bpp == 8; }

// The packed frame starts at the store's first byte, whatever the rectangle. Going from
// the last row up never overwrites a packed row before it has moved.
int WidenRows(const Span &s, const uint8_t *packed) {
    const size_t rowBytes = static_cast<size_t>(s.cols) * s.srcBpp;
    for (int32_t i = s.rows - 1; i >= 0; --i)
        std::memmove(s.DstRow(i), packed + rowBytes * i, rowBytes);
    return 1;
}

} // namespace

// The routines that are a check of the depths and one pass over the rows.
#define VONKEL_DEPTH_ROUTINE(name, accepted, reversed, pass)                                                           \
    VONKEL_CONVERSION_ROUTINE(name) {                                                                                  \
        if (!detail::Usable(dst, src, rect) || !(accepted))                                                            \
            return 0;                                                                                                  \
        const Span s = MakeSpan(VONKEL_SPAN_ARGS, reversed);                                                           \
        return pass;                                                                                                   \
    }

VONKEL_DEPTH_ROUTINE(Reduce16To8Bits10, dstBpp == 1 && srcBpp == 2, true,
                     (GreyRows<uint16_t, uint8_t>(s, ShiftDown8<2>())))
VONKEL_DEPTH_ROUTINE(Reduce16To8Display, dstBpp == 1 && srcBpp == 2, false,
                     (GreyRows<uint16_t, uint8_t>(s, ShiftDown8<4>())))
VONKEL_DEPTH_ROUTINE(Reduce16To8, dstBpp == 1 && srcBpp == 2, true, (GreyRows<uint16_t, uint8_t>(s, ShiftDown8<4>())))
VONKEL_DEPTH_ROUTINE(Widen16x16, dstBpp == 2 && srcBpp == 2, false, (GreyRows<uint16_t, uint16_t>(s, ShiftLeft16<4>())))
VONKEL_DEPTH_ROUTINE(Widen16x64, dstBpp == 2 && srcBpp == 2, false, (GreyRows<uint16_t, uint16_t>(s, ShiftLeft16<6>())))
VONKEL_DEPTH_ROUTINE(CopyColor, IsColour8(dstBpp) && IsColour8(srcBpp), false, ColourCopy<false>(s))
VONKEL_DEPTH_ROUTINE(SwapRgb, IsColour8(dstBpp) && IsColour8(srcBpp), false, ColourCopy<true>(s))
VONKEL_DEPTH_ROUTINE(CopyColorReversed, dstBpp == 3 && IsColour8(srcBpp), true, ColourCopy<false>(s))
VONKEL_DEPTH_ROUTINE(Reduce48To24Display, dstBpp == 3 && IsColour16(srcBpp), false, ReduceColour<4>(s))
VONKEL_DEPTH_ROUTINE(Reduce48To24, dstBpp == 3 && IsColour16(srcBpp), true, ReduceColour<2>(s))
VONKEL_DEPTH_ROUTINE(Widen48x16, dstBpp == 6 && srcBpp == 6, false, (WidenColour<3, false, 4>(s)))
VONKEL_DEPTH_ROUTINE(Widen48x16Rgb, dstBpp == 6 && srcBpp == 6, false, (WidenColour<3, true, 4>(s)))
VONKEL_DEPTH_ROUTINE(Widen48x64, dstBpp == 6 && srcBpp == 6, false, (WidenColour<3, false, 6>(s)))
VONKEL_DEPTH_ROUTINE(Widen48x64Rgb, dstBpp == 6 && srcBpp == 6, false, (WidenColour<3, true, 6>(s)))
VONKEL_DEPTH_ROUTINE(Widen64x16, dstBpp == 8 && srcBpp == 8, false, (WidenColour<4, false, 4>(s)))
VONKEL_DEPTH_ROUTINE(Widen64x16Rgb, dstBpp == 8 && srcBpp == 8, false, (WidenColour<4, true, 4>(s)))
VONKEL_DEPTH_ROUTINE(Widen64x64, dstBpp == 8 && srcBpp == 8, false, (WidenColour<4, false, 6>(s)))
VONKEL_DEPTH_ROUTINE(Widen64x64Rgb, dstBpp == 8 && srcBpp == 8, false, (WidenColour<4, true, 6>(s)))
VONKEL_DEPTH_ROUTINE(WidenRows8, dstBpp == 1 && srcBpp == 1, false, WidenRows(s, src))
VONKEL_DEPTH_ROUTINE(WidenRows16, dstBpp == 2 && srcBpp == 2, false, WidenRows(s, src))

VONKEL_CONVERSION_ROUTINE(CopyPlain) {
    if (!detail::Usable(dst, src, rect) || !detail::KnownDepth(dstBpp) || dstBpp != srcBpp)
        return 0;
    // Whole rows from their first byte: the rectangle only chooses which rows.
    Span s = MakeSpan(dst, src, ImageRect{0, rect.top, 0, rect.bottom}, 0, dstRow, dstBpp, srcBpp, dstStride, srcStride,
                      true);
    const size_t bytes = static_cast<size_t>(std::min(dstStride, srcStride));
    return ForEachRow(s, [bytes](uint8_t *out, const uint8_t *in, int32_t) { std::memcpy(out, in, bytes); });
}

VONKEL_CONVERSION_ROUTINE(FillAlpha) {
    if (!detail::Usable(dst, src, rect) || dstBpp != 4 || srcBpp != 4)
        return 0;
    // 255 - a is a with its bits flipped: one exclusive-or per pixel word.
    return ForEachRow(MakeSpan(VONKEL_SPAN_ARGS), [](uint8_t *out, const uint8_t *in, int32_t n) VONKEL_INLINE_LAMBDA {
        for (int32_t j = 0; j < n; ++j) {
            uint32_t w;
            std::memcpy(&w, in + 4 * j, 4);
            w ^= 0xFF000000u;
            std::memcpy(out + 4 * j, &w, 4);
        }
    });
}

VONKEL_CONVERSION_ROUTINE(ColorToGray) {
    if (!detail::Usable(dst, src, rect) || dstBpp != 1 || srcBpp != 3)
        return 0;
    return ForEachRow(MakeSpan(VONKEL_SPAN_ARGS), [](uint8_t *out, const uint8_t *in, int32_t n) VONKEL_INLINE_LAMBDA {
        for (int32_t j = 0; j < n; ++j, in += 3)
            out[j] = static_cast<uint8_t>((30 * in[2] + 59 * in[1] + 11 * in[0]) / 100);
    });
}

VONKEL_CONVERSION_ROUTINE(CopyPixels) {
    if (!detail::Usable(dst, src, rect) || !detail::KnownDepth(dstBpp) || dstBpp != srcBpp)
        return 0;
    const size_t bytes = static_cast<size_t>(rect.right - rect.left) * dstBpp;
    return ForEachRow(MakeSpan(VONKEL_SPAN_ARGS),
                      [bytes](uint8_t *out, const uint8_t *in, int32_t) { std::memmove(out, in, bytes); });
}

VONKEL_CONVERSION_ROUTINE(ExpandPalette8) {
    if (!detail::Usable(dst, src, rect) || !IsColour8(dstBpp) || srcBpp != 1 || !param1)
        return 0;
    const RgbQuad *table = static_cast<const RgbQuad *>(param1);
    const int bpp = dstBpp;
    return ForEachRow(MakeSpan(VONKEL_SPAN_ARGS), [table, bpp](uint8_t *out, const uint8_t *in, int32_t n) {
        for (int32_t j = 0; j < n; ++j, out += bpp) {
            const RgbQuad &c = table[in[j]];
            out[0] = c.blue;
            out[1] = c.green;
            out[2] = c.red;
            if (bpp == 4)
                out[3] = 0;
        }
    });
}

} // namespace conv
