// The fused and division-free forms of the tone steps against the routines they replace:
// the hue fraction for every quotient input, the hue routines on every 24-bit colour, the
// demosaic with the hue rule in its store, sharpening with brightness in its output. Both
// compiled copies (AVX2 where the processor has it, and the SSE2 baseline).
#include "Harness.h"
#include "Reference.h"
#include "image/HueCore.h"
#include "image/VectorDispatch.h"
#include <gtest/gtest.h>
#include <vector>

namespace {

using namespace harness;

struct CopyGuard {
    explicit CopyGuard(Copy copy) { UseCopy(copy); }
    ~CopyGuard() { UseCopy(Copy::Widest); }
};

// The fraction of num within a sector of chroma d, for every 0 <= num <= d <= 255: the
// table form equals the rule's integer quotient and the single-precision division it
// replaced.
TEST(HueFraction, TableFormEqualsTheQuotientForEveryInput) {
    for (uint32_t d = 1; d < 256; ++d) {
        const uint32_t quotient = 0xFF0000u / d;
        const uint32_t divided = static_cast<uint32_t>(16711680.0f / static_cast<float>(d));
        ASSERT_EQ(quotient, divided) << d;
        for (uint32_t num = 0; num <= d; ++num)
            ASSERT_EQ((num * quotient + 0x8000u) >> 16,
                      conv::detail::HueFraction(static_cast<uint16_t>(num), static_cast<uint16_t>(d)))
                << num << " / " << d;
    }
}

// Hue24 and Hue32 on every 24-bit colour (and so on every pair of a chroma and a position
// in its sector), strip by strip, against the reference: each copy of the routines.
TEST(HueRoutines, EveryColourMatchesTheReference) {
    const struct {
        int bits;
        HueBlock block;
    } kSettings[] = {{24, {20, 0, 40, 12}}, {24, {200, 0, -180, 12}}, {32, {-75, 0, 255, 12}}};
    constexpr int32_t kWidth = 4096, kRows = 256; // 2^24 colours in 16 strips
    // The thread sanitizer's build, many times slower, takes a quarter of the colours
    // spread over all of them (an odd multiplier), to stay inside its time limit.
#if defined(__SANITIZE_THREAD__)
    constexpr int32_t kParts = 4;
    constexpr uint32_t kSpread = 0x9E3779u;
#else
    constexpr int32_t kParts = 16;
    constexpr uint32_t kSpread = 1;
#endif
    for (const auto &setting : kSettings) {
        const int bits = setting.bits;
        Image strip = MakeImage(kWidth, kRows, bits);
        const int bpp = strip.Bpp();
        const ImageRect all{0, 0, kWidth, kRows};
        ConversionRoutine routine = bits == 24 ? conv::Hue24 : conv::Hue32;
        ConversionRoutine reference = bits == 24 ? ref::Hue24 : ref::Hue32;
        for (int32_t part = 0; part < kParts; ++part) {
            for (int32_t r = 0; r < kRows; ++r)
                for (int32_t c = 0; c < kWidth; ++c) {
                    const uint32_t index = static_cast<uint32_t>((part * kRows + r) * kWidth + c);
                    const uint32_t colour = index * kSpread & 0xFFFFFFu;
                    uint8_t *p = strip.data.get() + static_cast<size_t>(r) * strip.stride + c * bpp;
                    p[0] = static_cast<uint8_t>(colour);
                    p[1] = static_cast<uint8_t>(colour >> 8);
                    p[2] = static_cast<uint8_t>(colour >> 16);
                    if (bpp == 4)
                        p[3] = 0x5A;
                }
            Image expected = Clone(strip);
            HueBlock block = setting.block;
            ASSERT_EQ(1, reference(expected.data.get(), expected.data.get(), all, 0, 0, bpp, bpp, expected.stride,
                                   expected.stride, &block, nullptr));
            for (Copy copy : kCopies) {
                CopyGuard guard(copy);
                Image fast = Clone(strip);
                ASSERT_EQ(1, routine(fast.data.get(), fast.data.get(), all, 0, 0, bpp, bpp, fast.stride, fast.stride,
                                     &block, nullptr));
                ASSERT_EQ(0, std::memcmp(fast.data.get(), expected.data.get(), fast.Bytes()))
                    << bits << " bits, part " << part << ", hue " << block.hue << ", saturation " << block.saturation
                    << ", " << Name(copy);
            }
        }
    }
}

int32_t Gain(Rng &rng) { return Chance(rng, 10) ? Uniform(rng, 0, 100000) : Uniform(rng, 0, 400); }

// The 8-bit demosaic given a HueBlock in param2 writes what the demosaic followed by the
// hue routine write: the whole picture (interior and border), and the interior alone.
TEST(DemosaicWithHue, EqualsDemosaicThenHue) {
    Rng rng(0x4E0);
    for (Copy copy : kCopies) {
        CopyGuard guard(copy);
        for (int iteration = 0; iteration < 300; ++iteration) {
            const int bits = Chance(rng, 50) ? 24 : 32;
            const bool large = Chance(rng, 15);
            const int32_t w = large ? Uniform(rng, 500, 1100) : Uniform(rng, 1, 40);
            const int32_t h = large ? Uniform(rng, 1, 8) : Uniform(rng, 1, 40);
            Image raw = MakeImage(w, h, 8, Uniform(rng, 0, 9));
            Fill(raw, rng);
            Image fused = MakeImage(w, h, bits, Uniform(rng, 0, 9));
            Fill(fused, rng);
            Image plain = Clone(fused);
            DemosaicBlock block{Uniform(rng, 0, 3), Gain(rng), 100, Gain(rng)};
            HueBlock hue{Uniform(rng, -400, 400), 0, Uniform(rng, -260, 260), 12};
            const bool interiorOnly = Chance(rng, 30);
            const ImageRect all{0, 0, w, h};
            const int bpp = bits / 8;
            auto demosaic = [&](Image &out, ConversionRoutine routine, void *param2) {
                return routine(out.data.get(), raw.data.get(), all, 0, 0, bpp, 1, out.stride, raw.stride, &block,
                               param2);
            };
            SCOPED_TRACE(std::to_string(w) + " x " + std::to_string(h) + ", " + std::to_string(bits) + " bits, " +
                         (interiorOnly ? "interior" : "whole") + ", " + Name(copy));
            ASSERT_EQ(1, demosaic(fused, conv::DemosaicInterior8, &hue));
            ASSERT_EQ(1, demosaic(plain, conv::DemosaicInterior8, nullptr));
            ImageRect hued{2, 2, w - 2, h - 2};
            if (!interiorOnly) {
                ASSERT_EQ(1, demosaic(fused, conv::DemosaicBorder8, &hue));
                ASSERT_EQ(1, demosaic(plain, conv::DemosaicBorder8, nullptr));
                hued = all;
            }
            if (hued.right > hued.left && hued.bottom > hued.top) {
                ConversionRoutine routine = bits == 24 ? conv::Hue24 : conv::Hue32;
                routine(plain.data.get(), plain.data.get(), hued, hued.left, hued.top, bpp, bpp, plain.stride,
                        plain.stride, &hue, nullptr);
            }
            for (size_t k = 0; k < fused.Bytes(); ++k)
                ASSERT_EQ(plain.data[k], fused.data[k]) << "byte " << k << " (row " << k / fused.stride << ")";
        }
    }
}

} // namespace

namespace {

// The 16-bit run works in 32-bit lanes up to a factor of 4095 (sum x factor < 2^32):
// the largest samples with the largest gains on either side of that limit, against the
// reference, in both copies.
TEST(Demosaic16, LargestSamplesAndGainsMatchTheReference) {
    const int32_t gains[] = {100, 3199, 3200, 400};
    Rng rng(0x1616);
    for (Copy copy : kCopies) {
        CopyGuard guard(copy);
        for (int32_t red : gains)
            for (int32_t blue : gains)
                for (int bits : {48, 64}) {
                    Image raw = MakeImage(67, 9, 16);
                    for (size_t k = 0; k < raw.Bytes(); ++k)
                        raw.data[k] = Chance(rng, 70) ? 0xFF : static_cast<uint8_t>(Uniform(rng, 0, 255));
                    Image fast = MakeImage(67, 9, bits);
                    Fill(fast, rng);
                    Image slow = Clone(fast);
                    DemosaicBlock block{Uniform(rng, 0, 3), red, 100, blue};
                    const ImageRect all{0, 0, 67, 9};
                    const int bpp = bits / 8;
                    for (auto [routine, reference] : {std::pair{conv::DemosaicInterior16, ref::DemosaicInterior16},
                                                      std::pair{conv::DemosaicBorder16, ref::DemosaicBorder16}}) {
                        ASSERT_EQ(1, routine(fast.data.get(), raw.data.get(), all, 0, 0, bpp, 2, fast.stride,
                                             raw.stride, &block, nullptr));
                        ASSERT_EQ(1, reference(slow.data.get(), raw.data.get(), all, 0, 0, bpp, 2, slow.stride,
                                               raw.stride, &block, nullptr));
                    }
                    ASSERT_EQ(0, std::memcmp(fast.data.get(), slow.data.get(), fast.Bytes()))
                        << "gains " << red << ", " << blue << ", " << bits << " bits" << ", " << Name(copy);
                }
    }
}

// The demosaic's runs on the smallest pictures they take and a step beyond: interiors of
// one row to a few, so that the two-row pass comes with and without an odd row left;
// widths around a run's step on both column phases; every Bayer phase, so that either
// colour lies on the middle rows of a pair; 8-bit gains on either side of 1600 %, where
// the factor stops fitting a pre-shifted product; a picture taller than the edge
// columns' block. Both copies, interior and border.
TEST(DemosaicRuns, SmallPicturesEveryPhaseAndGainLimitMatchTheReference) {
    const struct {
        int srcBits, dstBits;
        int32_t red, blue;
    } kRows[] = {{8, 24, 130, 90},    {8, 32, 130, 90},  {8, 24, 1600, 100}, {8, 32, 100, 1600},
                 {8, 24, 1599, 1599}, {16, 48, 130, 90}, {16, 64, 130, 90}};
    Rng rng(0xDE05);
    for (Copy copy : kCopies) {
        CopyGuard guard(copy);
        for (const auto &row : kRows)
            for (int mode = 0; mode < 4; ++mode)
                for (int32_t h : {4, 5, 6, 7, 8, 9, 515})
                    for (int32_t w : {5, 11, 12, 13, 19, 20, 21, 22, 37, 38, 53}) {
                        if (h > 9 && w > 13)
                            continue; // taller than a block of the edge columns' plain loops
                        Image raw = MakeImage(w, h, row.srcBits);
                        Fill(raw, rng);
                        Image fast = MakeImage(w, h, row.dstBits);
                        Fill(fast, rng);
                        Image slow = Clone(fast);
                        DemosaicBlock block{mode, row.red, 100, row.blue};
                        const ImageRect all{0, 0, w, h};
                        const int bpp = row.dstBits / 8, srcBpp = row.srcBits / 8;
                        const bool narrow = row.srcBits == 8;
                        const std::pair<ConversionRoutine, ConversionRoutine> routines[] = {
                            {narrow ? conv::DemosaicInterior8 : conv::DemosaicInterior16,
                             narrow ? ref::DemosaicInterior8 : ref::DemosaicInterior16},
                            {narrow ? conv::DemosaicBorder8 : conv::DemosaicBorder16,
                             narrow ? ref::DemosaicBorder8 : ref::DemosaicBorder16}};
                        for (auto [routine, reference] : routines) {
                            ASSERT_EQ(1, routine(fast.data.get(), raw.data.get(), all, 0, 0, bpp, srcBpp, fast.stride,
                                                 raw.stride, &block, nullptr));
                            ASSERT_EQ(1, reference(slow.data.get(), raw.data.get(), all, 0, 0, bpp, srcBpp, slow.stride,
                                                   raw.stride, &block, nullptr));
                        }
                        ASSERT_EQ(0, std::memcmp(fast.data.get(), slow.data.get(), fast.Bytes()))
                            << w << " x " << h << ", " << row.srcBits << " -> " << row.dstBits << " bits, mode " << mode
                            << ", gains " << row.red << ", " << row.blue << ", " << Name(copy);
                    }
    }
}

} // namespace
