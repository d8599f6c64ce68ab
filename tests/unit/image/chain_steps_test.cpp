// The processing chain joins steps (hue in the demosaic's store, gamma and contrast into
// the copy sharpening reads, brightness into sharpening's output): its picture must be
// the one the routines give one after another, in every colour mode (the grey ones with
// no gray processing) and both copies.
#include "Harness.h"
#include "image/CProcessingChain.h"
#include "image/Conversions.h"
#include "image/ImageTraits.h"
#include "image/VectorDispatch.h"
#include <gtest/gtest.h>
#include <vector>

namespace {

using namespace harness;

int Pick(Rng &rng, int neutral, int lo, int hi) { return Chance(rng, 25) ? neutral : Uniform(rng, lo, hi); }

// The routines of a filter step: 8-bit grey, 16-bit grey, 8-bit colour, 16-bit colour.
struct StepRoutines {
    ConversionRoutine gamma, contrast, sharpen, brightness;
};
constexpr StepRoutines kSteps[4] = {{conv::Gamma8, conv::Contrast8, conv::Sharpen8, conv::Brightness8},
                                    {conv::Gamma16, conv::Contrast16, conv::Sharpen16, conv::Brightness16},
                                    {conv::Gamma24_32, conv::Contrast24_32, conv::Sharpen24_32, conv::Brightness24_32},
                                    {conv::Gamma48_64, conv::Contrast48_64, conv::Sharpen48_64, conv::Brightness48_64}};

// The steps of the chain as separate routine calls on `out` (for the grey modes, a copy
// of the raw frame as it was).
void StepByStep(CImageBuffer &out, CImageBuffer &raw, const ProcessingSettings &s, int mode) {
    const bool wide = mode == 1 || mode >= 4;
    const int bits = sensor::kSignificantBits16;
    const StepRoutines &steps = kSteps[(mode >= 2 ? 2 : 0) + (wide ? 1 : 0)];
    auto inPlace = [&out](ConversionRoutine routine, void *b) {
        CImageBuffer::ApplyConversion(&out, routine, &out, nullptr, 0, 0, b);
    };
    if (mode >= 2) {
        DemosaicBlock block{s.bayerMode, s.bayerGains[0], s.bayerGains[1], s.bayerGains[2]};
        CImageBuffer::ApplyConversion(&out, wide ? conv::DemosaicInterior16 : conv::DemosaicInterior8, &raw, nullptr, 0,
                                      0, &block);
        CImageBuffer::ApplyConversion(&out, wide ? conv::DemosaicBorder16 : conv::DemosaicBorder8, &raw, nullptr, 0, 0,
                                      &block);
        if (s.hue != 0 || s.saturation != 0) {
            HueBlock hue{s.hue, 0, s.saturation, bits};
            inPlace(mode == 2 ? conv::Hue24 : mode == 3 ? conv::Hue32 : mode == 4 ? conv::Hue48 : conv::Hue64, &hue);
        }
    }
    ValueBlock gamma{s.gamma, bits}, contrast{s.contrast, bits}, sharpness{s.sharpness, bits},
        brightness{s.brightness, bits};
    if (s.gamma != 100)
        inPlace(steps.gamma, &gamma);
    if (s.contrast != 0)
        inPlace(steps.contrast, &contrast);
    if (s.sharpness != 0) {
        CImageBuffer copy;
        ASSERT_EQ(1, copy.CreateLike(&out));
        std::memcpy(copy.Pixels(), out.Pixels(), out.ImageBytes());
        CImageBuffer::ApplyConversion(&out, steps.sharpen, &copy, nullptr, 0, 0, &sharpness);
    }
    if (s.brightness != 0)
        inPlace(steps.brightness, &brightness);
}

TEST(ProcessingChainSteps, JoinedStepsGiveTheRoutinesInSequence) {
    Rng rng(0xC4A1);
    for (Copy copy : kCopies) {
        UseCopy(copy);
        for (int iteration = 0; iteration < 60; ++iteration) {
            const int mode = iteration % 6;
            // The first two rounds of the modes run every step over full rows, which takes
            // each copy's widest loops.
            const bool everyStep = iteration < 12;
            const bool large = everyStep || Chance(rng, 15);
            const int w = large ? 640 : Uniform(rng, 1, 48), h = large ? Uniform(rng, 5, 40) : Uniform(rng, 1, 48);
            CProcessingChain chain;
            ASSERT_TRUE(chain.Create());
            ASSERT_TRUE(chain.Prepare(mode, w, h));
            CImageBuffer &raw = *chain.Raw();
            const bool wide = mode == 1 || mode >= 4;
            const int top = wide ? (Chance(rng, 20) ? 65535 : 4095) : 255;
            for (int r = 0; r < h; ++r)
                for (int c = 0; c < w; ++c) {
                    const int v = Uniform(rng, 0, top);
                    if (wide) {
                        raw.Row(r)[2 * c] = static_cast<uint8_t>(v);
                        raw.Row(r)[2 * c + 1] = static_cast<uint8_t>(v >> 8);
                    } else {
                        raw.Row(r)[c] = static_cast<uint8_t>(v);
                    }
                }
            ProcessingSettings s;
            s.bayerMode = Uniform(rng, 0, 3);
            s.bayerGains[0] = Uniform(rng, 50, 400);
            s.bayerGains[1] = 100;
            s.bayerGains[2] = Uniform(rng, 50, 400);
            s.hue = Pick(rng, 0, -180, 360);
            s.saturation = Pick(rng, 0, -255, 255);
            s.gamma = Pick(rng, 100, 1, 200);
            s.contrast = Pick(rng, 0, -100, 100);
            s.sharpness = Pick(rng, 0, -20, 30);
            s.brightness = Pick(rng, 0, -255, 255);
            if (everyStep) {
                s.hue = 20;
                s.saturation = 40;
                s.gamma = 80;
                s.contrast = 20;
                s.sharpness = iteration < 6 ? 10 : -20;
                s.brightness = iteration < 6 ? 30 : -30;
            }
            CImageBuffer expected;
            ASSERT_EQ(1, expected.CreateLike(chain.Output()));
            if (mode < 2)
                std::memcpy(expected.Pixels(), raw.Pixels(), raw.ImageBytes());
            StepByStep(expected, raw, s, mode);
            ProcessingResults results;
            chain.Process(s, nullptr, &results);
            const CImageBuffer &out = *chain.Output();
            const int bpp = out.BytesPerPixel(), colour = mode < 2 ? bpp : 3 * (wide ? 2 : 1);
            SCOPED_TRACE("mode " + std::to_string(mode) + ", " + std::to_string(w) + " x " + std::to_string(h) +
                         ", " + Name(copy));
            for (int r = 0; r < h; ++r)
                for (int c = 0; c < w; ++c)
                    ASSERT_EQ(0, std::memcmp(out.Row(r) + c * bpp, expected.Row(r) + c * bpp, colour))
                        << "pixel (" << r << ", " << c << "), hue " << s.hue << ", saturation " << s.saturation
                        << ", gamma " << s.gamma << ", contrast " << s.contrast << ", sharpness " << s.sharpness
                        << ", brightness " << s.brightness;
        }
    }
}

} // namespace
