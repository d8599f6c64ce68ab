// Running a per-sample map over a routine's rectangle: every sample of grey pixels,
// blue, green and red of colour pixels (a fourth sample is left alone). Internal.
#pragma once
#include "image/ByteShuffle.h"
#include "image/RoutineSupport.h"
#include "image/VectorDispatch.h"
#include <cstring>
#include <memory>
#include <type_traits>

namespace conv::detail {

// out[k] = op(in[k]) over n samples. In place the loop keeps to one pointer, so the
// compiler vectorizes it without guarding against overlap.
template <class T, class Op> VONKEL_INLINE void MapRun(T *out, const T *in, int32_t n, Op op) {
    if (out == in) {
        for (int32_t k = 0; k < n; ++k)
            out[k] = op(out[k]);
    } else {
        for (int32_t k = 0; k < n; ++k)
            out[k] = op(in[k]);
    }
}

// The same over pixels of four samples, the fourth kept as it is. Every sample goes
// through the flat loop into a block on the stack, and whole pixels then take three
// samples from there and the fourth from the source: both loops vectorize, where a loop
// that skips every fourth sample does not.
template <class T, class Op> VONKEL_INLINE void MapRun4(T *out, const T *in, int32_t pixels, Op op) {
    using Word = std::conditional_t<sizeof(T) == 1, uint32_t, uint64_t>;
    constexpr Word fourth = ~Word{0} << (3 * 8 * sizeof(T));
    constexpr int32_t kBlock = 256;
    T mapped[4 * kBlock];
    for (int32_t p0 = 0; p0 < pixels; p0 += kBlock) {
        const int32_t n = std::min(kBlock, pixels - p0);
        const T *from = in + 4 * p0;
        T *to = out + 4 * p0;
        MapRun(mapped, from, 4 * n, op);
        for (int32_t k = 0; k < n; ++k) {
            Word m, w;
            std::memcpy(&m, mapped + 4 * k, sizeof m);
            std::memcpy(&w, from + 4 * k, sizeof w);
            w = (m & ~fourth) | (w & fourth);
            std::memcpy(to + 4 * k, &w, sizeof w);
        }
    }
}

template <class T, class Op> int MapSamples(const Span &s, Op op) {
    const int spp = s.dstBpp / static_cast<int>(sizeof(T));
    Dispatch([s, spp, op]() VONKEL_INLINE_LAMBDA {
        const int32_t rows = s.rows, cols = s.cols;
        for (int32_t i = 0; i < rows; ++i) {
            if (spp == 4)
                MapRun4(s.Dst<T>(i), s.Src<T>(i), cols, op);
            else
                MapRun(s.Dst<T>(i), s.Src<T>(i), cols * spp, op);
        }
    });
    return 1;
}

// Byte lookup, eight samples per step: one load and one store of a 64-bit word
// instead of eight of each.
inline void LookUpRun(uint8_t *out, const uint8_t *in, int32_t n, const uint8_t table[256]) {
    int32_t k = 0;
    for (; k + 8 <= n; k += 8) {
        uint64_t v;
        std::memcpy(&v, in + k, 8);
        uint64_t r = 0;
        for (int b = 0; b < 8; ++b)
            r |= uint64_t{table[(v >> (8 * b)) & 255]} << (8 * b);
        std::memcpy(out + k, &r, 8);
    }
    for (; k < n; ++k)
        out[k] = table[in[k]];
}

// A 32-bit pixel: blue, green and red looked up, the fourth byte kept.
inline void LookUpRun4(uint8_t *out, const uint8_t *in, int32_t pixels, const uint8_t table[256]) {
    for (int32_t k = 0; k < pixels; ++k, in += 4, out += 4) {
        uint32_t v;
        std::memcpy(&v, in, 4);
        v = (v & 0xFF000000u) | uint32_t{table[v & 255]} | uint32_t{table[(v >> 8) & 255]} << 8 |
            uint32_t{table[(v >> 16) & 255]} << 16;
        std::memcpy(out, &v, 4);
    }
}

// Byte tables through the AVX2 lookup where there is one, the word loops for the rest.
inline int MapTable8(const Span &s, const uint8_t table[256]) {
    const bool widest = WidestVectors();
    Dispatch([s, table, widest]([[maybe_unused]] auto copy) VONKEL_INLINE_LAMBDA {
        (void)widest; // read by the wide copy only
        const int32_t rows = s.rows, bytes = s.cols * s.dstBpp;
        const bool four = s.dstBpp == 4;
        for (int32_t i = 0; i < rows; ++i) {
            uint8_t *out = s.DstRow(i);
            const uint8_t *in = s.SrcRow(i);
            int32_t done = 0;
#if VONKEL_WIDE_VECTORS
            if constexpr (decltype(copy)::value) {
                if (widest)
                    done = four ? LookUpWidest<true>(out, in, bytes, table) : LookUpWidest<false>(out, in, bytes, table);
                done += four ? LookUpWide<true>(out + done, in + done, bytes - done, table)
                             : LookUpWide<false>(out + done, in + done, bytes - done, table);
            }
#endif
            if (four)
                LookUpRun4(out + done, in + done, (bytes - done) / 4, table);
            else
                LookUpRun(out + done, in + done, bytes - done, table);
        }
    });
    return 1;
}

// A table over 16-bit samples of n significant bits: entries 0..2^n - 1 and one more
// for every sample above the top value. Up to 12 bits it lives on the stack; wider
// tables are the one allocation a routine may make per call.
class CTable16 {
public:
    explicit CTable16(int bits) : m_limit(int32_t{1} << bits) {
        if (m_limit + 1 > kInline) {
            m_heap.reset(new uint16_t[m_limit + 1]);
            m_entries = m_heap.get();
        }
    }
    uint16_t *Entries() { return m_entries; }
    const uint16_t *Entries() const { return m_entries; }
    int32_t Limit() const { return m_limit; }

private:
    static constexpr int32_t kInline = 4097;
    int32_t m_limit;
    uint16_t m_inline[kInline];
    std::unique_ptr<uint16_t[]> m_heap;
    uint16_t *m_entries = m_inline;
};

inline int MapTable16(const Span &s, const CTable16 &table) {
    const uint16_t *entries = table.Entries();
    const uint32_t limit = static_cast<uint32_t>(table.Limit());
    return MapSamples<uint16_t>(s, [entries, limit](uint16_t v) { return entries[v < limit ? v : limit]; });
}

} // namespace conv::detail
