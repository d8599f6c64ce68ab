// The dot filter (RepairDots). A frame of the camera at a long exposure has a third of its
// pixels marked, often in long runs, so the repair must not walk from every mark to its
// neighbours. It does not need to: unmarked pixels are never changed, so every neighbour
// value is the frame's own, and marks lie at least four pixels inside the picture, so
// every mark has an unmarked neighbour in all four directions and takes a quarter of
// their sum. A marked pixel's own value is dead once the marking is done, which lets it
// carry what the repair needs: a pass from the bottom leaves in each mark the value below
// it (its lower neighbour's, which is that value too when the neighbour is a mark), and a
// pass from the top adds the value above, kept per column, and the two pixels that end
// its run of marks in the row.
#include "image/DefectFilters.h"
#include <algorithm>
#include <cstring>
#include <emmintrin.h>

namespace defect {
namespace {

template <class T> __m128i Load(const T *p) { return _mm_loadu_si128(reinterpret_cast<const __m128i *>(p)); }
template <class T> void Store(T *p, __m128i v) { _mm_storeu_si128(reinterpret_cast<__m128i *>(p), v); }

// Where `keep` is set a, elsewhere b.
inline __m128i Select(__m128i keep, __m128i a, __m128i b) {
    return _mm_or_si128(_mm_and_si128(keep, a), _mm_andnot_si128(keep, b));
}

// The vector operations per sample type, in the baseline's (SSE2) instructions.
template <class T> struct Lanes;

template <> struct Lanes<uint8_t> {
    static constexpr int kCount = 16;
    static constexpr int kTop = 255;
    // floor((a + b + c + d) / 4), in 16-bit lanes.
    static __m128i Mean4(__m128i a, __m128i b, __m128i c, __m128i d) {
        const __m128i z = _mm_setzero_si128();
        const __m128i lo = _mm_add_epi16(_mm_add_epi16(_mm_unpacklo_epi8(a, z), _mm_unpacklo_epi8(b, z)),
                                         _mm_add_epi16(_mm_unpacklo_epi8(c, z), _mm_unpacklo_epi8(d, z)));
        const __m128i hi = _mm_add_epi16(_mm_add_epi16(_mm_unpackhi_epi8(a, z), _mm_unpackhi_epi8(b, z)),
                                         _mm_add_epi16(_mm_unpackhi_epi8(c, z), _mm_unpackhi_epi8(d, z)));
        return _mm_packus_epi16(_mm_srli_epi16(lo, 2), _mm_srli_epi16(hi, 2));
    }
    static __m128i SubSat(__m128i a, __m128i b) { return _mm_subs_epu8(a, b); }
    static __m128i IsZero(__m128i a) { return _mm_cmpeq_epi8(a, _mm_setzero_si128()); }
    static __m128i Splat(int v) { return _mm_set1_epi8(static_cast<char>(v)); }
};

template <> struct Lanes<uint16_t> {
    static constexpr int kCount = 8;
    static constexpr int kTop = 65535;
    // floor((a + b + c + d) / 4) without leaving 16 bits: the quarters, then what their
    // remainders add up to.
    static __m128i Mean4(__m128i a, __m128i b, __m128i c, __m128i d) {
        const __m128i three = _mm_set1_epi16(3);
        const __m128i quarters = _mm_add_epi16(_mm_add_epi16(_mm_srli_epi16(a, 2), _mm_srli_epi16(b, 2)),
                                               _mm_add_epi16(_mm_srli_epi16(c, 2), _mm_srli_epi16(d, 2)));
        const __m128i rest = _mm_add_epi16(_mm_add_epi16(_mm_and_si128(a, three), _mm_and_si128(b, three)),
                                           _mm_add_epi16(_mm_and_si128(c, three), _mm_and_si128(d, three)));
        return _mm_add_epi16(quarters, _mm_srli_epi16(rest, 2));
    }
    static __m128i SubSat(__m128i a, __m128i b) { return _mm_subs_epu16(a, b); }
    static __m128i IsZero(__m128i a) { return _mm_cmpeq_epi16(a, _mm_setzero_si128()); }
    static __m128i Splat(int v) { return _mm_set1_epi16(static_cast<short>(v)); }
};

// One row of the marking: the picture's rows around it and the maps' samples under it.
template <class T> struct MarkRow {
    const T *up, *row, *down, *hot, *dead;
    T *dot;
};

// The rule for one pixel, for rows the vectors do not cover.
template <class T> void MarkOne(const MarkRow<T> &m, int c, int threshold) {
    const int around = (int(m.row[c - 1]) + m.row[c + 1] + m.up[c] + m.down[c]) >> 2;
    const int diff = int(m.row[c]) - around;
    m.dot[c] = m.hot[c] != 0 || m.dead[c] != 0 || diff >= threshold || -diff >= threshold;
}

// The rule for the kCount pixels from c: |x - around| >= threshold is "threshold minus the
// distance is 0" in saturating arithmetic; `far` is off when no distance can reach it.
template <class T> __m128i MarksAt(const MarkRow<T> &m, int c, __m128i threshold, __m128i far) {
    using L = Lanes<T>;
    const __m128i x = Load(m.row + c);
    const __m128i around = L::Mean4(Load(m.row + c - 1), Load(m.row + c + 1), Load(m.up + c), Load(m.down + c));
    const __m128i distance = _mm_or_si128(L::SubSat(x, around), L::SubSat(around, x));
    far = _mm_and_si128(far, L::IsZero(L::SubSat(threshold, distance)));
    const __m128i flags = _mm_or_si128(Load(m.hot + c), Load(m.dead + c));
    return _mm_andnot_si128(_mm_andnot_si128(far, L::IsZero(flags)), L::Splat(1));
}

// Marks columns 4 to w - 5 of one row; a row narrower than a vector goes pixel by pixel,
// and the last vector overlaps the one before instead of a scalar tail. The maps' samples
// may be the marks' own places (see FlagsUnderFrame): each is read before it is marked, and
// marking a place twice gives the same mark.
template <class T> void MarkRowOf(const MarkRow<T> &m, int w, int threshold) {
    using L = Lanes<T>;
    const int end = w - 4;
    if (end - 4 < L::kCount) {
        for (int c = 4; c < end; ++c)
            MarkOne(m, c, threshold);
        return;
    }
    const __m128i limit = L::Splat(std::clamp(threshold, 0, L::kTop));
    const __m128i far = threshold > L::kTop ? _mm_setzero_si128() : _mm_set1_epi8(-1);
    for (int c = 4;; c += L::kCount) {
        c = std::min(c, end - L::kCount);
        Store(m.dot + c, MarksAt<T>(m, c, limit, far));
        if (c == end - L::kCount)
            break;
    }
}

template <class T> const T *RowOf(const CImageBuffer &b, int64_t r) {
    return reinterpret_cast<const T *>(b.Row(static_cast<int32_t>(r)));
}
template <class T> T *RowOf(CImageBuffer &b, int r) { return reinterpret_cast<T *>(b.Row(r)); }

// A frame row that does not lie side by side on its sensor row (subsampled, or mirrored
// horizontally) finds the maps' flags under its pixels in the dot buffer: 1 where either
// map flags the pixel's sensor position, put there before the marking, which reads them
// in place of the maps' rows.
template <class T>
void FlagsUnderFrame(const CImageBuffer &hot, const CImageBuffer &dead, const SensorReadout &readout, uint8_t *dot,
                     int w, int h, size_t stride) {
    int32_t columns[kSensorStretch];
    for (int c = 4; c < w - 4; c += kSensorStretch) {
        const int n = std::min(kSensorStretch, w - 4 - c);
        SensorColumns(readout, c, n, columns);
        for (int r = 4; r <= h - 5; ++r) {
            const T *hotRow = RowOf<T>(hot, SensorRow(readout, r)), *deadRow = RowOf<T>(dead, SensorRow(readout, r));
            T *flags = reinterpret_cast<T *>(dot + r * stride) + c;
            for (int i = 0; i < n; ++i)
                flags[i] = hotRow[columns[i]] != 0 || deadRow[columns[i]] != 0;
        }
    }
}

template <class T>
void MarkDots(const CImageBuffer &raw, const CImageBuffer &hot, const CImageBuffer &dead, uint8_t *dot, int threshold,
              const SensorReadout &readout) {
    const int w = raw.Width(), h = raw.Height();
    const size_t stride = static_cast<size_t>(raw.Stride());
    const bool inPlace = !readout.subsampled && !readout.mirrorH;
    if (!inPlace)
        FlagsUnderFrame<T>(hot, dead, readout, dot, w, h, stride);
    for (int r = 4; r <= h - 5; ++r) {
        T *marks = reinterpret_cast<T *>(dot + r * stride);
        const T *hotRow = inPlace ? RowOf<T>(hot, SensorRow(readout, r)) + readout.firstColumn : marks;
        const T *deadRow = inPlace ? RowOf<T>(dead, SensorRow(readout, r)) + readout.firstColumn : marks;
        MarkRowOf<T>({RowOf<T>(raw, r - 1), RowOf<T>(raw, r), RowOf<T>(raw, r + 1), hotRow, deadRow, marks}, w,
                     threshold);
    }
}

// Zeroes what the marking does not write: the dot buffer then holds marks and zeros only.
void ClearAroundMarks(uint8_t *dot, size_t bytes, int w, int h, int bpp, size_t stride) {
    if (w < 9 || h < 9) {
        std::memset(dot, 0, bytes);
        return;
    }
    const size_t interior = static_cast<size_t>(w - 8) * bpp;
    size_t from = 0;
    for (int r = 4; r <= h - 5; ++r) {
        const size_t start = r * stride + 4 * static_cast<size_t>(bpp);
        std::memset(dot + from, 0, start - from);
        from = start + interior;
    }
    std::memset(dot + from, 0, bytes - from);
}

// Marks are exactly 1 or 0, so a word of the dot buffer answers for several columns.
// Words may run past a row's end into the next row, which the buffer always has.
template <class T> constexpr uint64_t kOnes = sizeof(T) == 1 ? 0x0101010101010101ull : 0x0001000100010001ull;

template <class T> constexpr int kPerWord = 8 / sizeof(T);

template <class T> uint64_t WordAt(const T *marks, int c) {
    uint64_t word;
    std::memcpy(&word, marks + c, sizeof word);
    return word;
}

// The first column from c on that is marked, as is the one after it; `end` when none
// is before it.
template <class T> int NextPair(const T *marks, int c, int end) {
    for (; c < end; c += kPerWord<T>)
        if (const uint64_t word = WordAt(marks, c) & WordAt(marks, c + 1))
            return std::min(end, c + __builtin_ctzll(word) / (8 * static_cast<int>(sizeof(T))));
    return end;
}

// The first unmarked column from c on; there is one by column w - 4 at the latest.
template <class T> int NextUnmarked(const T *marks, int c) {
    for (;; c += kPerWord<T>)
        if (const uint64_t free = ~WordAt(marks, c) & kOnes<T>)
            return c + __builtin_ctzll(free) / (8 * static_cast<int>(sizeof(T)));
}

// The pass from the bottom: each mark takes the value under it.
template <class T> void CarryFromBelow(CImageBuffer &raw, const uint8_t *dot) {
    using L = Lanes<T>;
    const int w = raw.Width(), h = raw.Height(), end = w - 4;
    const size_t stride = static_cast<size_t>(raw.Stride());
    for (int r = h - 5; r >= 4; --r) {
        T *row = RowOf<T>(raw, r);
        const T *below = RowOf<T>(raw, r + 1), *marks = reinterpret_cast<const T *>(dot + r * stride);
        int c = 4;
        for (; c + L::kCount <= end; c += L::kCount)
            Store(row + c, Select(L::IsZero(Load(marks + c)), Load(row + c), Load(below + c)));
        for (; c < end; ++c)
            if (marks[c])
                row[c] = below[c];
    }
}

// Marks whose left and right neighbours are both unmarked, most of them in the camera's
// frames, a vector at a time. Every unmarked pixel becomes the value above for the next row.
template <class T> void RepairLoneMarks(T *row, const T *marks, T *above, int x0, int x1) {
    using L = Lanes<T>;
    int c = x0;
    for (; c + L::kCount <= x1; c += L::kCount) {
        T *up = above + (c - x0);
        const __m128i x = Load(row + c), over = Load(up), free = L::IsZero(Load(marks + c));
        Store(up, Select(free, x, over));
        if (_mm_movemask_epi8(free) == 0xFFFF)
            continue;
        // A neighbour repaired a step before is a mark, so this lane is not alone.
        const __m128i alone =
            _mm_andnot_si128(free, _mm_and_si128(L::IsZero(Load(marks + c - 1)), L::IsZero(Load(marks + c + 1))));
        if (_mm_movemask_epi8(alone))
            Store(row + c, Select(alone, L::Mean4(Load(row + c - 1), Load(row + c + 1), over, x), x));
    }
    for (; c < x1; ++c) {
        if (!marks[c])
            above[c - x0] = row[c];
        else if (!marks[c - 1] && !marks[c + 1])
            row[c] = static_cast<T>((row[c - 1] + row[c + 1] + above[c - x0] + row[c]) >> 2);
    }
}

// Runs of two marks or more: each takes the pixels before and after its run. A run that
// enters the strip from the left is found by its pair of marks across the strip's edge.
template <class T> void RepairRuns(T *row, const T *marks, const T *above, int x0, int x1) {
    using L = Lanes<T>;
    for (int a = NextPair(marks, x0 > 4 ? x0 - 1 : x0, x1), b; a < x1; a = NextPair(marks, b, x1)) {
        int left = a - 1;
        while (marks[left]) // only where a run enters the strip
            --left;
        b = NextUnmarked(marks, a);
        const __m128i before = L::Splat(row[left]), after = L::Splat(row[b]);
        int c = std::max(a, x0);
        const int stop = std::min(b, x1);
        for (; c + L::kCount <= stop; c += L::kCount)
            Store(row + c, L::Mean4(before, after, Load(above + (c - x0)), Load(row + c)));
        for (; c < stop; ++c)
            row[c] = static_cast<T>((row[left] + row[b] + above[c - x0] + row[c]) >> 2);
    }
}

// The pass from the top, in strips of columns whose last unmarked value above stays on
// the stack: each mark becomes the mean of that value, the value it carries from below,
// and the nearest unmarked pixels left and right of it.
constexpr int kStrip = 1024;

template <class T> void RepairFromAbove(CImageBuffer &raw, const uint8_t *dot) {
    const int w = raw.Width(), h = raw.Height(), end = w - 4;
    const size_t stride = static_cast<size_t>(raw.Stride());
    T above[kStrip];
    for (int x0 = 4; x0 < end; x0 += kStrip) {
        const int x1 = std::min(end, x0 + kStrip);
        std::memcpy(above, RowOf<T>(raw, 3) + x0, (x1 - x0) * sizeof(T));
        for (int r = 4; r <= h - 5; ++r) {
            T *row = RowOf<T>(raw, r);
            const T *marks = reinterpret_cast<const T *>(dot + r * stride);
            RepairLoneMarks(row, marks, above, x0, x1);
            RepairRuns(row, marks, above, x0, x1);
        }
    }
}

template <class T>
void Dots(CImageBuffer &raw, const CImageBuffer &hot, const CImageBuffer &dead, uint8_t *dot, int threshold,
          const SensorReadout &readout) {
    MarkDots<T>(raw, hot, dead, dot, threshold, readout);
    if (raw.Width() < 9 || raw.Height() < 9)
        return;
    CarryFromBelow<T>(raw, dot);
    RepairFromAbove<T>(raw, dot);
}

} // namespace

bool RepairDots(CImageBuffer &raw, const CImageBuffer &hot, const CImageBuffer &dead, CImageBuffer &dot, int threshold,
                const SensorReadout &readout) {
    const int bpp = raw.BytesPerPixel();
    if (raw.IsEmpty() || (bpp != 1 && bpp != 2) || dot.ImageBytes() < raw.ImageBytes() || dot.IsEmpty() ||
        !Describes(readout, raw.Width(), raw.Height()))
        return false;
    // Every pixel the marking reads on the maps must lie inside them.
    for (const CImageBuffer *map : {&hot, &dead})
        if (map->IsEmpty() || map->BytesPerPixel() != bpp || !InsideLiesOn(readout, 4, map->Width(), map->Height()))
            return false;
    const size_t stride = static_cast<size_t>(raw.Stride());
    ClearAroundMarks(dot.Pixels(), dot.ImageBytes(), raw.Width(), raw.Height(), bpp, stride);
    if (bpp == 1)
        Dots<uint8_t>(raw, hot, dead, dot.Pixels(), threshold, readout);
    else
        Dots<uint16_t>(raw, hot, dead, dot.Pixels(), threshold, readout);
    return true;
}

} // namespace defect
