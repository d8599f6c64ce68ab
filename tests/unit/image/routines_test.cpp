// Every routine against its reference on random images, strides, rectangles and
// parameters: bit-exact, and never a byte outside either store.
#include "Harness.h"
#include "Reference.h"
#include <climits>
#include <gtest/gtest.h>
#include <vector>

namespace {

using namespace harness;

enum class Block { None, Gray, WhiteBalance, Demosaic, Hue, Gamma, Contrast, Sharpen, Brightness, Palette };

struct Case {
    const char *name;
    ConversionRoutine fast;
    ConversionRoutine reference;
    int dstBits;
    int srcBits;
    bool inPlace;
    Block block;
};

#define CASE(name, d, s, inPlace, block)                                                                               \
    Case { #name, conv::name, ref::name, d, s, inPlace, Block::block }

const std::vector<Case> &Cases() {
    static const std::vector<Case> cases = {
        CASE(WidenRows8, 8, 8, true, None),
        CASE(WidenRows16, 16, 16, true, None),
        CASE(Reduce16To8Bits10, 8, 16, false, None),
        CASE(Reduce16To8Display, 8, 16, false, None),
        CASE(Reduce16To8, 8, 16, false, None),
        CASE(Widen16x16, 16, 16, false, None),
        CASE(Widen16x64, 16, 16, false, None),
        CASE(CopyColor, 24, 24, false, None),
        CASE(CopyColor, 32, 24, false, None),
        CASE(CopyColor, 24, 32, false, None),
        CASE(CopyColor, 32, 32, false, None),
        CASE(Reduce48To24Display, 24, 48, false, None),
        CASE(Reduce48To24Display, 24, 64, false, None),
        CASE(Widen48x16, 48, 48, false, None),
        CASE(Widen48x16Rgb, 48, 48, false, None),
        CASE(Widen48x64, 48, 48, false, None),
        CASE(Widen48x64Rgb, 48, 48, false, None),
        CASE(Reduce48To24, 24, 48, false, None),
        CASE(Reduce48To24, 24, 64, false, None),
        CASE(Widen64x16, 64, 64, false, None),
        CASE(Widen64x16Rgb, 64, 64, false, None),
        CASE(Widen64x64, 64, 64, false, None),
        CASE(Widen64x64Rgb, 64, 64, false, None),
        CASE(CopyColorReversed, 24, 24, false, None),
        CASE(CopyColorReversed, 24, 32, false, None),
        CASE(CopyPlain, 8, 8, false, None),
        CASE(CopyPlain, 16, 16, false, None),
        CASE(CopyPlain, 24, 24, false, None),
        CASE(CopyPlain, 64, 64, false, None),
        CASE(SwapRgb, 24, 24, false, None),
        CASE(SwapRgb, 32, 24, false, None),
        CASE(SwapRgb, 24, 32, false, None),
        CASE(SwapRgb, 32, 32, false, None),
        CASE(FillAlpha, 32, 32, false, None),
        CASE(ColorToGray, 8, 24, false, None),
        CASE(CopyPixels, 8, 8, false, None),
        CASE(CopyPixels, 24, 24, false, None),
        CASE(CopyPixels, 48, 48, false, None),
        CASE(ExpandPalette8, 24, 8, false, Palette),
        CASE(ExpandPalette8, 32, 8, false, Palette),
        CASE(RegionMean8, 8, 8, true, None),
        CASE(RegionMean16, 16, 16, true, None),
        CASE(MeasureGray, 8, 8, true, Gray),
        CASE(MeasureGray, 16, 16, true, Gray),
        CASE(MeasureWhiteBalance8, 8, 8, true, WhiteBalance),
        CASE(MeasureWhiteBalance16, 16, 16, true, WhiteBalance),
        CASE(GrayGain8, 8, 8, true, Gray),
        CASE(GrayGain16, 16, 16, true, Gray),
        CASE(DemosaicInterior8, 24, 8, false, Demosaic),
        CASE(DemosaicInterior8, 32, 8, false, Demosaic),
        CASE(DemosaicBorder8, 24, 8, false, Demosaic),
        CASE(DemosaicBorder8, 32, 8, false, Demosaic),
        CASE(DemosaicInterior16, 48, 16, false, Demosaic),
        CASE(DemosaicInterior16, 64, 16, false, Demosaic),
        CASE(DemosaicBorder16, 48, 16, false, Demosaic),
        CASE(DemosaicBorder16, 64, 16, false, Demosaic),
        CASE(Hue24, 24, 24, true, Hue),
        CASE(Hue32, 32, 32, true, Hue),
        CASE(Hue48, 48, 48, true, Hue),
        CASE(Hue64, 64, 64, true, Hue),
        CASE(Gamma8, 8, 8, true, Gamma),
        CASE(Gamma16, 16, 16, true, Gamma),
        CASE(Gamma24_32, 24, 24, true, Gamma),
        CASE(Gamma24_32, 32, 32, true, Gamma),
        CASE(Gamma48_64, 48, 48, true, Gamma),
        CASE(Gamma48_64, 64, 64, true, Gamma),
        CASE(Contrast8, 8, 8, true, Contrast),
        CASE(Contrast16, 16, 16, true, Contrast),
        CASE(Contrast24_32, 24, 24, true, Contrast),
        CASE(Contrast24_32, 32, 32, true, Contrast),
        CASE(Contrast48_64, 48, 48, true, Contrast),
        CASE(Contrast48_64, 64, 64, true, Contrast),
        CASE(Sharpen8, 8, 8, false, Sharpen),
        CASE(Sharpen16, 16, 16, false, Sharpen),
        CASE(Sharpen24_32, 24, 24, false, Sharpen),
        CASE(Sharpen24_32, 32, 32, false, Sharpen),
        CASE(Sharpen48_64, 48, 48, false, Sharpen),
        CASE(Sharpen48_64, 64, 64, false, Sharpen),
        CASE(Brightness8, 8, 8, true, Brightness),
        CASE(Brightness16, 16, 16, true, Brightness),
        CASE(Brightness24_32, 24, 24, true, Brightness),
        CASE(Brightness24_32, 32, 32, true, Brightness),
        CASE(Brightness48_64, 48, 48, true, Brightness),
        CASE(Brightness48_64, 64, 64, true, Brightness),
    };
    return cases;
}

// Every parameter block, one of which a case uses.
struct Blocks {
    GrayBlock gray;
    WhiteBalanceBlock whiteBalance;
    DemosaicBlock demosaic;
    HueBlock hue;
    ValueBlock value;
    RgbQuad palette[256];

    void *For(Block kind) {
        switch (kind) {
        case Block::None: return nullptr;
        case Block::Gray: return &gray;
        case Block::WhiteBalance: return &whiteBalance;
        case Block::Demosaic: return &demosaic;
        case Block::Hue: return &hue;
        case Block::Palette: return palette;
        default: return &value;
        }
    }
};

// Usual values most of the time, the far ends of int32 now and then.
int32_t Value(Rng &rng, int32_t lo, int32_t hi) {
    if (Chance(rng, 8))
        return Chance(rng, 50) ? Uniform(rng, INT32_MIN, INT32_MAX) : (Chance(rng, 50) ? INT32_MIN : INT32_MAX);
    if (Chance(rng, 8))
        return Uniform(rng, -100000, 100000);
    return Uniform(rng, lo, hi);
}

int32_t Bits(Rng &rng) {
    static const int32_t bits[] = {12, 12, 12, 10, 14, 8, 16, 9, 0, 20, -3};
    return bits[Uniform(rng, 0, 10)];
}

void RandomBlocks(Blocks &b, Block kind, Rng &rng) {
    const int32_t mode = Uniform(rng, -1, 4);
    b.gray = GrayBlock{mode,
                       Value(rng, 0, 255),
                       Value(rng, 0, 255),
                       Value(rng, 0, 255),
                       Value(rng, 0, 255),
                       Value(rng, -255, 255),
                       Value(rng, -255, 255),
                       Value(rng, -255, 255),
                       Value(rng, -255, 255),
                       Bits(rng)};
    b.whiteBalance = WhiteBalanceBlock{Value(rng, 0, 400), Value(rng, 0, 400), Value(rng, 0, 400), mode};
    b.demosaic = DemosaicBlock{mode, Value(rng, 0, 400), Value(rng, 0, 400), Value(rng, 0, 400)};
    b.hue = HueBlock{Value(rng, -400, 400), 0, Value(rng, -260, 260), Bits(rng)};
    switch (kind) {
    case Block::Gamma: b.value = ValueBlock{Value(rng, -5, 220), Bits(rng)}; break;
    case Block::Contrast: b.value = ValueBlock{Value(rng, -140, 140), Bits(rng)}; break;
    case Block::Sharpen: b.value = ValueBlock{Value(rng, -5, 35), Bits(rng)}; break;
    default: b.value = ValueBlock{Value(rng, -270, 270), Bits(rng)}; break;
    }
    for (RgbQuad &q : b.palette)
        q = RgbQuad{uint8_t(Uniform(rng, 0, 255)), uint8_t(Uniform(rng, 0, 255)), uint8_t(Uniform(rng, 0, 255)),
                    uint8_t(Uniform(rng, 0, 255))};
}

int32_t RandomSide(Rng &rng) { return Chance(rng, 85) ? Uniform(rng, 1, 37) : Uniform(rng, 1, 5); }

// One comparison: random images (the destination is the source for in-place routines),
// the same clip for both, the fast routine on one copy and the reference on the other.
void CompareOnce(const Case &c, Rng &rng) {
    const bool wide = Chance(rng, 10); // across the column blocks of the routines
    int32_t w = wide ? Uniform(rng, 500, 1100) : RandomSide(rng), h = wide ? Uniform(rng, 1, 7) : RandomSide(rng);
    Image src = MakeImage(w, h, c.srcBits, Chance(rng, 50) ? Uniform(rng, 1, 13) : 0);
    Fill(src, rng);
    Image dst;
    if (!c.inPlace) {
        if (Chance(rng, 60))
            dst = MakeImage(w, h, c.dstBits, Chance(rng, 50) ? Uniform(rng, 1, 13) : 0);
        else
            dst = MakeImage(RandomSide(rng), RandomSide(rng), c.dstBits, Uniform(rng, 0, 9));
        Fill(dst, rng);
    }
    Placement p = RandomPlacement(rng, src, c.inPlace ? src : dst);
    if (c.inPlace) {
        // In place means the rectangle stays where it is.
        p.x = p.rect.left;
        p.y = p.rect.top;
    }
    Blocks fastBlocks;
    RandomBlocks(fastBlocks, c.block, rng);
    Blocks refBlocks = fastBlocks;

    Image &target = c.inPlace ? src : dst;
    CImageBuffer dstShape, srcShape;
    Shape(dstShape, target);
    Shape(srcShape, src);
    ImageRect rect = p.whole ? ImageRect{0, 0, src.width, src.height} : p.rect;
    int32_t x = p.x, y = p.y;
    if (!CImageBuffer::ClipRects(&dstShape, &srcShape, &rect, &x, &y))
        return;

    Image fastSrc = Clone(src), refSrc = Clone(src);
    Image fastDst = c.inPlace ? Image() : Clone(dst), refDst = c.inPlace ? Image() : Clone(dst);
    Image &fastTarget = c.inPlace ? fastSrc : fastDst, &refTarget = c.inPlace ? refSrc : refDst;
    const int fastResult = c.fast(fastTarget.data.get(), fastSrc.data.get(), rect, x, y, target.Bpp(), src.Bpp(),
                                  target.stride, src.stride, fastBlocks.For(c.block), nullptr);
    const int refResult = c.reference(refTarget.data.get(), refSrc.data.get(), rect, x, y, target.Bpp(), src.Bpp(),
                                      target.stride, src.stride, refBlocks.For(c.block), nullptr);
    SCOPED_TRACE(Describe(src, target, p));
    ASSERT_EQ(refResult, fastResult);
    ASSERT_EQ(0, std::memcmp(&refBlocks, &fastBlocks, sizeof refBlocks)) << "parameter block differs";
    for (size_t k = 0; k < target.Bytes(); ++k)
        ASSERT_EQ(refTarget.data[k], fastTarget.data[k])
            << "byte " << k << " (row " << k / target.stride << ", byte " << k % target.stride << ")";
    ASSERT_EQ(0, std::memcmp(refSrc.data.get(), fastSrc.data.get(), src.Bytes())) << "source changed";
}

class RoutineMatchesReference : public ::testing::TestWithParam<size_t> {};

TEST_P(RoutineMatchesReference, OnRandomImagesStridesAndRectangles) {
    const Case &c = Cases()[GetParam()];
    Rng rng(static_cast<uint32_t>(0x5EED + GetParam()));
    for (int iteration = 0; iteration < 150 && !HasFatalFailure(); ++iteration)
        CompareOnce(c, rng);
}

INSTANTIATE_TEST_SUITE_P(AllRoutines, RoutineMatchesReference, ::testing::Range<size_t>(0, Cases().size()),
                         [](const ::testing::TestParamInfo<size_t> &info) {
                             const Case &c = Cases()[info.param];
                             return std::string(c.name) + "_" + std::to_string(c.dstBits) + "_" +
                                    std::to_string(c.srcBits);
                         });

// A routine given depths that are not its own, or no block, touches nothing.
TEST(RoutineArguments, WrongDepthsOrMissingBlockAreRefused) {
    Rng rng(7);
    for (const Case &c : Cases()) {
        SCOPED_TRACE(c.name);
        Image im = MakeImage(9, 9, 64);
        Fill(im, rng);
        Image before = Clone(im);
        Blocks blocks;
        RandomBlocks(blocks, c.block, rng);
        const ImageRect rect{0, 0, 1, 1};
        EXPECT_EQ(0, c.fast(im.data.get(), im.data.get(), rect, 0, 0, 5, 5, im.stride, im.stride, blocks.For(c.block),
                            nullptr));
        if (c.block != Block::None) {
            EXPECT_EQ(0, c.fast(im.data.get(), im.data.get(), rect, 0, 0, c.dstBits / 8, c.srcBits / 8, im.stride,
                                im.stride, nullptr, nullptr));
        }
        EXPECT_EQ(0, std::memcmp(before.data.get(), im.data.get(), im.Bytes()));
    }
}

} // namespace
