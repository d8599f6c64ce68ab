// Per-site gain and offset of a grey mosaic, in place: out = offset + gain x v / 128.
#include "image/Conversions.h"
#include "image/RoutineSupport.h"

namespace conv {
namespace {

using detail::Span;

struct SiteGain {
    int32_t gain;
    int32_t offset;
};

// The block's gains by site index (row phase x 2 + column phase): G1, R, B, G2.
void SiteGains(const GrayBlock &b, SiteGain out[4]) {
    out[0] = {b.gainG1, b.offsetG1};
    out[1] = {b.gainR, b.offsetR};
    out[2] = {b.gainB, b.offsetB};
    out[3] = {b.gainG2, b.offsetG2};
}

template <class Wide> Wide Gained(SiteGain g, Wide v, Wide top) {
    return detail::Clamp<Wide>(Wide{g.offset} + (Wide{g.gain} * v) / 128, 0, top);
}

// Runs over the rows with the sites of a row's even and odd columns; samples of the two
// column phases alternate, so the kernels handle them in pairs.
template <class RowKernel> void ForEachRowSites(const Span &s, int32_t bayerMode, RowKernel kernel) {
    const int rowFlip = detail::RowFlip(bayerMode), colFlip = detail::ColFlip(bayerMode);
    for (int32_t i = 0; i < s.rows; ++i) {
        const int row = ((i & 1) ^ rowFlip) * 2;
        kernel(i, row + colFlip, row + (1 ^ colFlip));
    }
}

int GrayGainOf8(const Span &s, const GrayBlock &block) {
    SiteGain site[4];
    SiteGains(block, site);
    // Four tables of 256 entries hold every possible result.
    uint8_t table[4][256];
    for (int k = 0; k < 4; ++k)
        for (int v = 0; v < 256; ++v)
            table[k][v] = static_cast<uint8_t>(Gained<int64_t>(site[k], v, 255));
    ForEachRowSites(s, block.bayerMode, [&s, &table](int32_t i, int evenSite, int oddSite) {
        const uint8_t *even = table[evenSite], *odd = table[oddSite];
        const uint8_t *in = s.SrcRow(i);
        uint8_t *out = s.DstRow(i);
        int32_t j = 0;
        for (; j + 1 < s.cols; j += 2) {
            out[j] = even[in[j]];
            out[j + 1] = odd[in[j + 1]];
        }
        if (j < s.cols)
            out[j] = even[in[j]];
    });
    return 1;
}

template <class Wide> void GrayGainRows16(const Span &s, const GrayBlock &block, const SiteGain site[4], Wide top) {
    ForEachRowSites(s, block.bayerMode, [&s, site, top](int32_t i, int evenSite, int oddSite) {
        const SiteGain even = site[evenSite], odd = site[oddSite];
        const uint16_t *in = s.Src<uint16_t>(i);
        uint16_t *out = s.Dst<uint16_t>(i);
        int32_t j = 0;
        for (; j + 1 < s.cols; j += 2) {
            out[j] = static_cast<uint16_t>(Gained<Wide>(even, in[j], top));
            out[j + 1] = static_cast<uint16_t>(Gained<Wide>(odd, in[j + 1], top));
        }
        if (j < s.cols)
            out[j] = static_cast<uint16_t>(Gained<Wide>(even, in[j], top));
    });
}

int GrayGainOf16(const Span &s, const GrayBlock &block) {
    SiteGain site[4];
    SiteGains(block, site);
    const int32_t top = detail::GrayTopValue(block.significantBits);
    // Gains and offsets of any sane size fit 32-bit arithmetic, which vectorizes.
    bool narrow = true;
    for (const SiteGain &g : site)
        narrow = narrow && g.gain >= -32768 && g.gain <= 32767 && g.offset >= -(1 << 30) && g.offset <= (1 << 30);
    if (narrow)
        GrayGainRows16<int32_t>(s, block, site, top);
    else
        GrayGainRows16<int64_t>(s, block, site, top);
    return 1;
}

} // namespace

VONKEL_CONVERSION_ROUTINE(GrayGain8) {
    const GrayBlock *block = static_cast<const GrayBlock *>(param1);
    if (!detail::Usable(dst, src, rect) || !block || dstBpp != 1 || srcBpp != 1)
        return 0;
    return GrayGainOf8(detail::MakeSpan(dst, src, rect, dstX, dstRow, dstBpp, srcBpp, dstStride, srcStride), *block);
}

VONKEL_CONVERSION_ROUTINE(GrayGain16) {
    const GrayBlock *block = static_cast<const GrayBlock *>(param1);
    if (!detail::Usable(dst, src, rect) || !block || dstBpp != 2 || srcBpp != 2)
        return 0;
    return GrayGainOf16(detail::MakeSpan(dst, src, rect, dstX, dstRow, dstBpp, srcBpp, dstStride, srcStride), *block);
}

} // namespace conv
