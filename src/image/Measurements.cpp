// Level measurements for automatic exposure, gray gains and white balance. They read
// the buffer only; results go back as the return value or into the parameter block.
#include "image/Conversions.h"
#include "image/RoutineSupport.h"
#include <cmath>

namespace conv {
namespace {

using detail::MakeSpan;
using detail::Span;

template <class T, class Level> int RegionMean(const Span &s, Level level) {
    uint64_t sum = 0;
    for (int32_t i = 0; i < s.rows; ++i) {
        const T *in = s.Src<T>(i);
        for (int32_t j = 0; j < s.cols; ++j)
            sum += level(in[j]);
    }
    const uint64_t count = static_cast<uint64_t>(s.rows) * static_cast<uint64_t>(s.cols);
    return count ? static_cast<int>(sum / count) : 0;
}

// Per-site sums and counts over the mosaic; site = row phase x 2 + column phase.
struct SiteTotals {
    uint64_t sum[4] = {};
    uint64_t count[4] = {};
};

// `value` gives what a sample adds to its site's sum, `counts` whether it is counted.
template <class T, class Value, class Counts>
SiteTotals SumSites(const Span &s, int32_t bayerMode, Value value, Counts counts) {
    SiteTotals t;
    const int rowFlip = detail::RowFlip(bayerMode), colFlip = detail::ColFlip(bayerMode);
    for (int32_t i = 0; i < s.rows; ++i) {
        const T *in = s.Src<T>(i);
        // Column phase 0 and 1 kept apart; a row's totals stay far inside 64 bits.
        uint64_t sum[2] = {}, count[2] = {};
        for (int32_t j = 0; j < s.cols; ++j) {
            sum[j & 1] += value(in[j]);
            count[j & 1] += counts(in[j]);
        }
        const int rowSite = ((i & 1) ^ rowFlip) * 2;
        for (int k = 0; k < 2; ++k) {
            t.sum[rowSite + (k ^ colFlip)] += sum[k];
            t.count[rowSite + (k ^ colFlip)] += count[k];
        }
    }
    return t;
}

// A double that may be far out of range becomes a gain the block can hold.
int32_t GainFrom(double v) {
    if (!(v > 0.0))
        return 0;
    return v >= 2147483647.0 ? INT32_MAX : static_cast<int32_t>(v);
}

template <class T> int MeasureGrayOf(const Span &s, GrayBlock &block, int32_t top) {
    const auto value = [top](T v) -> uint64_t { return v != top ? v : 0; };
    const auto counts = [top](T v) -> uint64_t { return v > 0 && v < top; };
    SiteTotals t = SumSites<T>(s, block.bayerMode, value, counts);
    double mean[4], largest = 0.0;
    for (int k = 0; k < 4; ++k) {
        if (t.count[k] == 0)
            return 1;
        mean[k] = static_cast<double>(t.sum[k]) / static_cast<double>(t.count[k]);
        largest = std::max(largest, mean[k]);
    }
    // Grey site names by (row phase, column phase): G1, R, B, G2.
    block.gainG1 = GainFrom(largest / mean[0] * 128.0);
    block.gainR = GainFrom(largest / mean[1] * 128.0);
    block.gainB = GainFrom(largest / mean[2] * 128.0);
    block.gainG2 = GainFrom(largest / mean[3] * 128.0);
    return 1;
}

template <class T> int MeasureWhiteBalance(const Span &s, WhiteBalanceBlock &block) {
    const auto value = [](T v) -> uint64_t { return v; };
    const auto counts = [](T) -> uint64_t { return 1; };
    SiteTotals t = SumSites<T>(s, block.bayerMode, value, counts);
    const uint64_t greenCount = t.count[detail::kGreen1] + t.count[detail::kGreen2];
    if (greenCount == 0 || t.count[detail::kBlue] == 0 || t.count[detail::kRed] == 0)
        return 1;
    const double g = static_cast<double>(t.sum[detail::kGreen1] + t.sum[detail::kGreen2]) / greenCount;
    const double b = static_cast<double>(t.sum[detail::kBlue]) / t.count[detail::kBlue];
    const double r = static_cast<double>(t.sum[detail::kRed]) / t.count[detail::kRed];
    // A colour that is not there at all has no ratio to the others: keep the gains.
    if (g == 0.0 || b == 0.0 || r == 0.0)
        return 1;
    const double all = g + b + r;
    block.blueGain = GainFrom(((all / b) / 3 * 100) / ((all / g) / 3));
    block.redGain = GainFrom(((all / r) / 3 * 100) / ((all / g) / 3));
    block.greenGain = 100;
    return 1;
}

} // namespace

VONKEL_CONVERSION_ROUTINE(RegionMean8) {
    if (!detail::Usable(dst, src, rect) || srcBpp != 1)
        return 0;
    return RegionMean<uint8_t>(MakeSpan(VONKEL_SPAN_ARGS), [](uint8_t v) { return uint32_t{v}; });
}

VONKEL_CONVERSION_ROUTINE(RegionMean16) {
    if (!detail::Usable(dst, src, rect) || srcBpp != 2)
        return 0;
    return RegionMean<uint16_t>(MakeSpan(VONKEL_SPAN_ARGS), [](uint16_t v) { return static_cast<uint32_t>(v >> 4); });
}

VONKEL_CONVERSION_ROUTINE(MeasureGray) {
    GrayBlock *block = static_cast<GrayBlock *>(param1);
    if (!detail::Usable(dst, src, rect) || !block)
        return 0;
    if (srcBpp == 1)
        return MeasureGrayOf<uint8_t>(MakeSpan(VONKEL_SPAN_ARGS), *block, 255);
    if (srcBpp == 2)
        return MeasureGrayOf<uint16_t>(MakeSpan(VONKEL_SPAN_ARGS), *block,
                                       detail::GrayTopValue(block->significantBits));
    return 0;
}

VONKEL_CONVERSION_ROUTINE(MeasureWhiteBalance8) {
    WhiteBalanceBlock *block = static_cast<WhiteBalanceBlock *>(param1);
    if (!detail::Usable(dst, src, rect) || !block || srcBpp != 1)
        return 0;
    return MeasureWhiteBalance<uint8_t>(MakeSpan(VONKEL_SPAN_ARGS), *block);
}

VONKEL_CONVERSION_ROUTINE(MeasureWhiteBalance16) {
    WhiteBalanceBlock *block = static_cast<WhiteBalanceBlock *>(param1);
    if (!detail::Usable(dst, src, rect) || !block || srcBpp != 2)
        return 0;
    return MeasureWhiteBalance<uint16_t>(MakeSpan(VONKEL_SPAN_ARGS), *block);
}

} // namespace conv
