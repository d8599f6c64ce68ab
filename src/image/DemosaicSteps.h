// The demosaic's hand-written column runs, written once over a vector type and compiled
// twice: DemosaicBase.cpp includes this for SSE2 and DemosaicWide.cpp for AVX2, under a
// target pragma, each with its own lane operations (a traits type S). So that nothing
// else is compiled for AVX2 with it, this header includes nothing: DemosaicWide.h (for
// DemosaicPass) comes first. Its templates live in an unnamed namespace, one set per
// file. Internal to image/.
//
// S gives: Vec, Sample, kStep (pixels a step); Load(row, c) -> PairsOf<S> (a row read
// as lanes of twice the sample's width: lane j holds columns c + 2j and c + 2j + 1); Add,
// Triple (3 x v), Half (v >> 1) on lanes; ScaleRed and ScaleBlue (the gain and the limit);
// Store(out, ChannelsOf<S>, spp).

namespace conv::detail {
namespace {

template <class S> struct PairsOf { typename S::Vec even, odd; };

// One step's finished samples, pixel pair j (columns c + 2j, c + 2j + 1) in lane j.
template <class S> struct ChannelsOf { typename S::Vec blueEven, blueOdd, greenEven, greenOdd, redEven, redOdd; };

// The vertical halves of one output row at one step: 3 x near + far at the red columns
// c - 2, c, c + 2 and the blue columns c - 1, c + 1; the green cell's p row at c - 1 and
// c + 1, its q row at c.
template <class S> struct VerticalOf { typename S::Vec red[3], blue[2], pLeft, pRight, q; };

template <class S> inline void Finish(const S &s, const VerticalOf<S> &v, typename S::Sample *out, int spp) {
    ChannelsOf<S> p;
    const auto redHere3 = S::Triple(v.red[1]);
    p.redEven = s.ScaleRed(S::Add(redHere3, v.red[0]));
    p.redOdd = s.ScaleRed(S::Add(redHere3, v.red[2]));
    p.blueEven = s.ScaleBlue(S::Add(S::Triple(v.blue[0]), v.blue[1]));
    p.blueOdd = s.ScaleBlue(S::Add(S::Triple(v.blue[1]), v.blue[0]));
    p.greenEven = S::Half(S::Add(v.pLeft, v.q));
    p.greenOdd = S::Half(S::Add(v.pRight, v.q));
    s.Store(out, p, spp);
}

// One output row.
template <class S> inline VerticalOf<S> OneRow(const DemosaicRowsOf<typename S::Sample> &rows, int32_t c) {
    VerticalOf<S> v;
    for (int o = 0; o < 3; ++o)
        v.red[o] =
            S::Add(S::Triple(S::Load(rows.redNear, c - 2 + 2 * o).even), S::Load(rows.redFar, c - 2 + 2 * o).even);
    for (int o = 0; o < 2; ++o)
        v.blue[o] =
            S::Add(S::Triple(S::Load(rows.blueNear, c - 2 + 2 * o).odd), S::Load(rows.blueFar, c - 2 + 2 * o).odd);
    v.pLeft = S::Load(rows.p, c - 2).odd;
    v.pRight = S::Load(rows.p, c).odd;
    v.q = S::Load(rows.q, c).even;
    return v;
}

// Two output rows from source rows 0 .. 4 (the first output row is row 2). The middle
// rows 0, 2, 4 carry red when RedMiddle, blue otherwise; rows 1 and 3 the other colour.
// Red is read at three columns of its rows, blue at two.
template <class S, bool RedMiddle>
inline void TwoRows(const typename S::Sample *const src[5], int32_t c, VerticalOf<S> &first, VerticalOf<S> &second) {
    using V = typename S::Vec;
    const int threes = RedMiddle ? 3 : 2, sides = RedMiddle ? 2 : 3;
    for (int o = 0; o < threes; ++o) {
        const auto m0 = S::Load(src[0], c - 2 + 2 * o), m2 = S::Load(src[2], c - 2 + 2 * o);
        const auto m4 = S::Load(src[4], c - 2 + 2 * o);
        const V near = S::Triple(RedMiddle ? m2.even : m2.odd);
        V *one = RedMiddle ? first.red : first.blue, *two = RedMiddle ? second.red : second.blue;
        one[o] = S::Add(near, RedMiddle ? m0.even : m0.odd);
        two[o] = S::Add(near, RedMiddle ? m4.even : m4.odd);
        if (RedMiddle && o < 2)
            (o == 0 ? first.pLeft : first.pRight) = (o == 0 ? second.pLeft : second.pRight) = m2.odd;
        if (!RedMiddle && o == 1)
            first.q = second.q = m2.even;
    }
    for (int o = 0; o < sides; ++o) {
        const auto s1 = S::Load(src[1], c - 2 + 2 * o), s3 = S::Load(src[3], c - 2 + 2 * o);
        const V a = RedMiddle ? s1.odd : s1.even, b = RedMiddle ? s3.odd : s3.even;
        V *one = RedMiddle ? first.blue : first.red, *two = RedMiddle ? second.blue : second.red;
        one[o] = S::Add(S::Triple(a), b);
        two[o] = S::Add(S::Triple(b), a);
        if (RedMiddle && o == 1) {
            first.q = s1.even;
            second.q = s3.even;
        }
        if (!RedMiddle && o < 2) {
            (o == 0 ? first.pLeft : first.pRight) = s1.odd;
            (o == 0 ? second.pLeft : second.pRight) = s3.odd;
        }
    }
}

// The steps over pixels c0 .. c0 + n - 1 of one row or two; the last step ends with the
// run (or one short of it, to start on phase 0) and does some pixels again, with the same
// results. The reads reach from column c0 - 2 to c0 + n + 1.
template <class S, bool Two, bool RedMiddle>
inline int32_t Steps(const S &s, const DemosaicPass<typename S::Sample> &pass, int32_t c0, int32_t n, int spp) {
    constexpr int32_t step = S::kStep;
    int32_t m = 0;
    for (;; m += step) {
        if (m + step > n) {
            const int32_t back = (n - step) & ~1;
            if (n < step || back + step <= m)
                break;
            m = back;
        }
        if constexpr (Two) {
            VerticalOf<S> one, two;
            TwoRows<S, RedMiddle>(pass.src, c0 + m, one, two);
            Finish(s, one, pass.first + spp * m, spp);
            Finish(s, two, pass.second + spp * m, spp);
        } else {
            Finish(s, OneRow<S>(pass.rows, c0 + m), pass.first + spp * m, spp);
        }
    }
    return m;
}

template <class S>
inline int32_t RunPass(const S &s, const DemosaicPass<typename S::Sample> &pass, int32_t c0, int32_t n, int spp) {
    if (!pass.second)
        return Steps<S, false, false>(s, pass, c0, n, spp);
    if (pass.redMiddle)
        return Steps<S, true, true>(s, pass, c0, n, spp);
    return Steps<S, true, false>(s, pass, c0, n, spp);
}

} // namespace
} // namespace conv::detail
