// The processing chain joins steps (hue in the demosaic's store, gamma and contrast into
// the copy sharpening reads, brightness into sharpening's output): its picture must be
// the one the routines give one after another, in every colour mode and both copies.
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

// The colour steps of the chain as separate routine calls on `out`.
void StepByStep(CImageBuffer &out, CImageBuffer &raw, const ProcessingSettings &s, int mode) {
    const bool wide = mode >= 4;
    const int bits = sensor::kSignificantBits16;
    DemosaicBlock block{s.bayerMode, s.bayerGains[0], s.bayerGains[1], s.bayerGains[2]};
    CImageBuffer::ApplyConversion(&out, wide ? conv::DemosaicInterior16 : conv::DemosaicInterior8, &raw, nullptr, 0, 0,
                                  &block);
    CImageBuffer::ApplyConversion(&out, wide ? conv::DemosaicBorder16 : conv::DemosaicBorder8, &raw, nullptr, 0, 0,
                                  &block);
    auto inPlace = [&out](ConversionRoutine routine, void *b) {
        CImageBuffer::ApplyConversion(&out, routine, &out, nullptr, 0, 0, b);
    };
    if (s.hue != 0 || s.saturation != 0) {
        HueBlock hue{s.hue, 0, s.saturation, bits};
        inPlace(mode == 2 ? conv::Hue24 : mode == 3 ? conv::Hue32 : mode == 4 ? conv::Hue48 : conv::Hue64, &hue);
    }
    ValueBlock gamma{s.gamma, bits}, contrast{s.contrast, bits}, sharpness{s.sharpness, bits},
        brightness{s.brightness, bits};
    if (s.gamma != 100)
        inPlace(wide ? conv::Gamma48_64 : conv::Gamma24_32, &gamma);
    if (s.contrast != 0)
        inPlace(wide ? conv::Contrast48_64 : conv::Contrast24_32, &contrast);
    if (s.sharpness != 0) {
        CImageBuffer copy;
        ASSERT_EQ(1, copy.CreateLike(&out));
        std::memcpy(copy.Pixels(), out.Pixels(), out.ImageBytes());
        CImageBuffer::ApplyConversion(&out, wide ? conv::Sharpen48_64 : conv::Sharpen24_32, &copy, nullptr, 0, 0,
                                      &sharpness);
    }
    if (s.brightness != 0)
        inPlace(wide ? conv::Brightness48_64 : conv::Brightness24_32, &brightness);
}

TEST(ProcessingChainSteps, JoinedStepsGiveTheRoutinesInSequence) {
    Rng rng(0xC4A1);
    for (bool wideVectors : {false, true}) {
        conv::detail::AllowWideVectors(wideVectors);
        for (int iteration = 0; iteration < 48; ++iteration) {
            const int mode = 2 + iteration % 4;
            const bool large = Chance(rng, 15);
            const int w = large ? 640 : Uniform(rng, 1, 48), h = large ? Uniform(rng, 5, 40) : Uniform(rng, 1, 48);
            CProcessingChain chain;
            ASSERT_TRUE(chain.Create());
            ASSERT_TRUE(chain.Prepare(mode, w, h));
            CImageBuffer &raw = *chain.Raw();
            const int top = mode >= 4 ? (Chance(rng, 20) ? 65535 : 4095) : 255;
            for (int r = 0; r < h; ++r)
                for (int c = 0; c < w; ++c) {
                    const int v = Uniform(rng, 0, top);
                    if (mode >= 4) {
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
            CImageBuffer expected;
            ASSERT_EQ(1, expected.CreateLike(chain.Output()));
            StepByStep(expected, raw, s, mode);
            ProcessingResults results;
            chain.Process(s, nullptr, &results);
            const CImageBuffer &out = *chain.Output();
            const int bpp = out.BytesPerPixel(), colour = 3 * (mode >= 4 ? 2 : 1);
            SCOPED_TRACE("mode " + std::to_string(mode) + ", " + std::to_string(w) + " x " + std::to_string(h) +
                         (wideVectors ? ", wide" : ", baseline"));
            for (int r = 0; r < h; ++r)
                for (int c = 0; c < w; ++c)
                    ASSERT_EQ(0, std::memcmp(out.Row(r) + c * bpp, expected.Row(r) + c * bpp, colour))
                        << "pixel (" << r << ", " << c << "), hue " << s.hue << ", saturation " << s.saturation
                        << ", gamma " << s.gamma << ", contrast " << s.contrast << ", sharpness " << s.sharpness
                        << ", brightness " << s.brightness;
        }
    }
    conv::detail::AllowWideVectors(true);
}

} // namespace
