// Every routine against its reference on random images, strides, rectangles and
// parameters: bit-exact, and never a byte outside either store.
#include "Harness.h"
#include "Reference.h"
#include "image/VectorDispatch.h"
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

// Runs a routine over copies of the images, either directly with the clip worked out
// beforehand (any stride), or through ApplyConversion on image buffers (their own
// strides; this is where rectangles reaching outside either buffer come in).
struct Run {
    Image dst, src; // dst unused for in-place routines
    int result = 0;
};

Run RunDirect(const Case &c, ConversionRoutine routine, const Image &src, const Image &dst, const Placement &p,
              void *block) {
    Run run{c.inPlace ? Image() : Clone(dst), Clone(src)};
    Image &target = c.inPlace ? run.src : run.dst;
    CImageBuffer dstShape, srcShape;
    Shape(dstShape, target);
    Shape(srcShape, src);
    ImageRect rect = p.whole ? ImageRect{0, 0, src.width, src.height} : p.rect;
    int32_t x = p.x, y = p.y;
    if (CImageBuffer::ClipRects(&dstShape, &srcShape, &rect, &x, &y))
        run.result = routine(target.data.get(), run.src.data.get(), rect, x, y, target.Bpp(), src.Bpp(), target.stride,
                             src.stride, block, nullptr);
    return run;
}

void Load(CImageBuffer &b, const Image &im) {
    ASSERT_EQ(1, b.Create(im.width, im.height, im.bits));
    ASSERT_EQ(b.Stride(), im.stride);
    std::memcpy(b.Pixels(), im.data.get(), im.Bytes());
}

void Unload(Image &im, const CImageBuffer &b) { std::memcpy(im.data.get(), b.Pixels(), im.Bytes()); }

Run RunThroughBuffers(const Case &c, ConversionRoutine routine, const Image &src, const Image &dst, const Placement &p,
                      void *block) {
    Run run{c.inPlace ? Image() : Clone(dst), Clone(src)};
    CImageBuffer d, s;
    Load(s, src);
    if (!c.inPlace)
        Load(d, dst);
    CImageBuffer *target = c.inPlace ? &s : &d;
    run.result = CImageBuffer::ApplyConversion(target, routine, &s, p.whole ? nullptr : &p.rect, p.x, p.y, block);
    Unload(run.src, s);
    if (!c.inPlace)
        Unload(run.dst, d);
    return run;
}

// One comparison: random images (the destination is the source for in-place routines),
// the fast routine on one copy and the reference on the other.
void CompareOnce(const Case &c, Rng &rng) {
    const bool direct = Chance(rng, 50);
    auto extra = [&rng, direct] { return direct && Chance(rng, 60) ? Uniform(rng, 1, 13) : 0; };
    const bool wide = Chance(rng, 10); // across the column blocks of the routines
    int32_t w = wide ? Uniform(rng, 500, 1100) : RandomSide(rng), h = wide ? Uniform(rng, 1, 7) : RandomSide(rng);
    Image src = MakeImage(w, h, c.srcBits, extra());
    Fill(src, rng);
    Image dst;
    if (!c.inPlace) {
        dst = Chance(rng, 60) ? MakeImage(w, h, c.dstBits, extra())
                              : MakeImage(RandomSide(rng), RandomSide(rng), c.dstBits, extra());
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

    auto runner = direct ? RunDirect : RunThroughBuffers;
    const Run fast = runner(c, c.fast, src, dst, p, fastBlocks.For(c.block));
    const Run reference = runner(c, c.reference, src, dst, p, refBlocks.For(c.block));
    const Image &target = c.inPlace ? src : dst;
    const Image &fastTarget = c.inPlace ? fast.src : fast.dst, &refTarget = c.inPlace ? reference.src : reference.dst;
    SCOPED_TRACE(Describe(src, target, p) + (direct ? ", direct" : ", through ApplyConversion"));
    ASSERT_EQ(reference.result, fast.result);
    ASSERT_EQ(0, std::memcmp(&refBlocks, &fastBlocks, sizeof refBlocks)) << "parameter block differs";
    for (size_t k = 0; k < target.Bytes(); ++k)
        ASSERT_EQ(refTarget.data[k], fastTarget.data[k])
            << "byte " << k << " (row " << k / target.stride << ", byte " << k % target.stride << ")";
    ASSERT_EQ(0, std::memcmp(reference.src.data.get(), fast.src.data.get(), src.Bytes())) << "source changed";
}

class RoutineMatchesReference : public ::testing::TestWithParam<size_t> {};

// Both compiled copies of the routines: the one for wide vectors (where the processor
// has them) and the baseline one.
TEST_P(RoutineMatchesReference, OnRandomImagesStridesAndRectangles) {
    const Case &c = Cases()[GetParam()];
    for (Copy copy : kCopies) {
        SCOPED_TRACE(Name(copy));
        UseCopy(copy);
        Rng rng(static_cast<uint32_t>(0x5EED + GetParam()));
        for (int iteration = 0; iteration < 100 && !HasFatalFailure(); ++iteration)
            CompareOnce(c, rng);
    }
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

// Gamma and contrast in one pass give what the two routines give one after the other,
// in both copies; blocks of different significant bits included.
TEST(GammaContrastInOnePass, EqualsGammaThenContrast) {
    const struct {
        ConversionRoutine fused, gamma, contrast;
        int bits;
    } kCases[] = {{conv::GammaContrast8, conv::Gamma8, conv::Contrast8, 8},
                  {conv::GammaContrast16, conv::Gamma16, conv::Contrast16, 16},
                  {conv::GammaContrast24_32, conv::Gamma24_32, conv::Contrast24_32, 24},
                  {conv::GammaContrast24_32, conv::Gamma24_32, conv::Contrast24_32, 32},
                  {conv::GammaContrast48_64, conv::Gamma48_64, conv::Contrast48_64, 48},
                  {conv::GammaContrast48_64, conv::Gamma48_64, conv::Contrast48_64, 64}};
    Rng rng(0x70E);
    for (Copy copy : kCopies) {
        UseCopy(copy);
        for (const auto &c : kCases)
            for (int iteration = 0; iteration < 40; ++iteration) {
                SCOPED_TRACE(std::to_string(c.bits) + " bits, " + Name(copy));
                Image one = MakeImage(Uniform(rng, 1, 600), Uniform(rng, 1, 9), c.bits);
                Fill(one, rng);
                Image two = Clone(one);
                ValueBlock gamma{Value(rng, -5, 220), Bits(rng)}, contrast{Value(rng, -140, 140), Bits(rng)};
                if (Chance(rng, 70))
                    contrast.significantBits = gamma.significantBits;
                const ImageRect all{0, 0, one.width, one.height};
                const int bpp = one.Bpp();
                ASSERT_EQ(1, c.fused(one.data.get(), one.data.get(), all, 0, 0, bpp, bpp, one.stride, one.stride,
                                     &gamma, &contrast));
                c.gamma(two.data.get(), two.data.get(), all, 0, 0, bpp, bpp, two.stride, two.stride, &gamma, nullptr);
                c.contrast(two.data.get(), two.data.get(), all, 0, 0, bpp, bpp, two.stride, two.stride, &contrast,
                           nullptr);
                ASSERT_EQ(0, std::memcmp(one.data.get(), two.data.get(), one.Bytes()));
                EXPECT_EQ(0, c.fused(one.data.get(), one.data.get(), all, 0, 0, bpp, bpp, one.stride, one.stride,
                                     &gamma, nullptr));
            }
    }
}

} // namespace

namespace {

// The stretch routines get their rectangles unclipped: any rectangle, inside or not, must
// give the reference's pixels and leave every byte outside the destination alone.
TEST(StretchMatchesReference, OnRandomSizesAndRectangles) {
    Rng rng(31);
    for (int iteration = 0; iteration < 400; ++iteration) {
        const bool colour = Chance(rng, 50);
        const int bits = colour ? 24 : 8;
        Image src = MakeImage(Uniform(rng, 1, 40), Uniform(rng, 1, 40), bits, Uniform(rng, 0, 9));
        Image dst = MakeImage(Uniform(rng, 1, 700), Uniform(rng, 1, 30), bits, Uniform(rng, 0, 9));
        Fill(src, rng);
        Fill(dst, rng);
        ImageRect s{0, 0, src.width, src.height}, d{0, 0, dst.width, dst.height};
        if (Chance(rng, 50)) {
            s = ImageRect{Uniform(rng, -10, 40), Uniform(rng, -10, 40), 0, 0};
            s.right = s.left + Uniform(rng, -5, 45);
            s.bottom = s.top + Uniform(rng, -5, 45);
            d = ImageRect{Uniform(rng, -10, 40), Uniform(rng, -10, 40), 0, 0};
            d.right = d.left + Uniform(rng, -5, 700);
            d.bottom = d.top + Uniform(rng, -5, 45);
        }
        Image fast = Clone(dst), reference = Clone(dst);
        const StretchRoutine routine = colour ? conv::Stretch24 : conv::Stretch8;
        const int fastResult = routine(fast.data.get(), src.data.get(), d, s, dst.width, dst.height, src.width,
                                       src.height, dst.Bpp(), src.Bpp(), dst.stride, src.stride, nullptr, nullptr);
        if (fastResult == 0) {
            ASSERT_TRUE(d.right <= d.left || d.bottom <= d.top);
            continue;
        }
        (colour ? ref::Stretch24 : ref::Stretch8)(reference.data.get(), src.data.get(), d, s, dst.width, dst.height,
                                                  src.width, src.height, dst.Bpp(), src.Bpp(), dst.stride, src.stride,
                                                  nullptr, nullptr);
        ASSERT_EQ(0, std::memcmp(reference.data.get(), fast.data.get(), dst.Bytes())) << "iteration " << iteration;
    }
}

} // namespace

namespace {

// Brightness takes exact shortcuts for some factors, each accepted only after a check; a
// sweep over every value and every sample holds all of them to the reference.
TEST(BrightnessMatchesReference, ForEveryValueAndSample) {
    for (int bits : {8, 16}) {
        const int32_t width = bits == 8 ? 256 : 65536;
        Image ramp = MakeImage(width, 1, bits);
        for (int32_t v = 0; v < width; ++v) {
            if (bits == 8)
                ramp.data[v] = static_cast<uint8_t>(v);
            else
                std::memcpy(&ramp.data[2 * v], &v, 2);
        }
        for (int32_t significant : {8, 12, 16}) {
            for (int32_t value = -260; value <= 260; value += bits == 8 ? 1 : 7) {
                ValueBlock block{value, significant};
                Image fast = Clone(ramp), reference = Clone(ramp);
                const ImageRect rect{0, 0, width, 1};
                const ConversionRoutine f = bits == 8 ? conv::Brightness8 : conv::Brightness16;
                const ConversionRoutine r = bits == 8 ? ref::Brightness8 : ref::Brightness16;
                f(fast.data.get(), fast.data.get(), rect, 0, 0, bits / 8, bits / 8, fast.stride, fast.stride, &block,
                  nullptr);
                r(reference.data.get(), reference.data.get(), rect, 0, 0, bits / 8, bits / 8, reference.stride,
                  reference.stride, &block, nullptr);
                ASSERT_EQ(0, std::memcmp(fast.data.get(), reference.data.get(), ramp.Bytes()))
                    << bits << " bits, value " << value << ", significant bits " << significant;
            }
        }
    }
}

} // namespace
