// Every conversion routine over a full frame, run as the pipeline runs it: through
// ApplyConversion on whole pictures. Names: Ours/<routine>_<depths>.
#include "BenchImages.h"
#include "SystemBench.h"
#include "image/Conversions.h"
#include "image/DefectFilters.h"
#include <cstring>
#include <string>

namespace {

using bench::MakeFrame;

// Parameters of a busy frame: every filter on, gains away from neutral.
GrayBlock g_gray{0, 140, 128, 120, 150, 5, 0, -3, 2, 12};
WhiteBalanceBlock g_whiteBalance{100, 100, 100, 0};
DemosaicBlock g_demosaic{0, 130, 100, 90};
HueBlock g_hue{20, 0, 40, 12};
ValueBlock g_gamma{80, 12}, g_contrast{20, 12}, g_sharpness{10, 12}, g_brightness{30, 12};
RgbQuad g_palette[256];

// Runs `routine` from a frame of srcBits into one of dstBits (or over the frame itself).
void Ours(benchmark::State &state, ConversionRoutine routine, int dstBits, int srcBits, bool inPlace, void *block) {
    CImageBuffer src, dst;
    MakeFrame(src, srcBits);
    if (!inPlace)
        MakeFrame(dst, dstBits);
    CImageBuffer *target = inPlace ? &src : &dst;
    bench::CAllocationCounter allocations(state);
    for (auto _ : state) {
        benchmark::DoNotOptimize(CImageBuffer::ApplyConversion(target, routine, &src, nullptr, 0, 0, block));
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * bench::kWidth * bench::kHeight);
}

// Both halves of the demosaic, as the pipeline runs them.
void OursDemosaic(benchmark::State &state, int dstBits, int srcBits) {
    CImageBuffer raw, colour;
    MakeFrame(raw, srcBits);
    MakeFrame(colour, dstBits);
    const bool wide = srcBits == 16;
    bench::CAllocationCounter allocations(state);
    for (auto _ : state) {
        CImageBuffer::ApplyConversion(&colour, wide ? conv::DemosaicInterior16 : conv::DemosaicInterior8, &raw, nullptr,
                                      0, 0, &g_demosaic);
        CImageBuffer::ApplyConversion(&colour, wide ? conv::DemosaicBorder16 : conv::DemosaicBorder8, &raw, nullptr, 0,
                                      0, &g_demosaic);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * bench::kWidth * bench::kHeight);
}

void OursStretch(benchmark::State &state, StretchRoutine routine, int bits, int32_t width, int32_t height) {
    CImageBuffer src, dst;
    MakeFrame(src, bits);
    dst.Create(width, height, bits);
    bench::CAllocationCounter allocations(state);
    for (auto _ : state) {
        CImageBuffer::ApplyStretch(&dst, routine, &src, nullptr, nullptr);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * width * height);
}


// A raw frame of the simulated camera as the chain gets it, at an exposure in ms.
void SimFrame(CImageBuffer &frame, int bits, int exposureMs) {
    bench::CInstances instance(sim::Pacing::AsFastAsPossible, 1);
    CVonkel &camera = instance.Camera();
    camera.SetColorMode(bits);
    camera.SetExposureTimeEx(exposureMs * 1e-3);
    camera.SnapShot(nullptr, 0, 1);
    std::lock_guard<std::mutex> lock(camera.ImageLock());
    const CImageBuffer *raw = camera.Buffer(bits == 8 ? kRaw8 : kRaw16);
    frame.CreateLike(raw);
    std::memcpy(frame.Pixels(), raw->Pixels(), raw->ImageBytes());
}

// The dot filter as the chain runs it (no flags in the maps, the chain's thresholds) on
// the simulated camera's frames, whose marks grow with the exposure; exposure 0 is the
// worst case, every pixel flagged by the hot map, so that each repair reaches the border.
// Each iteration repairs the same raw frame. "marked": the share of the frame marked.
void OursDots(benchmark::State &state, int bits, int exposureMs) {
    CImageBuffer frame, raw, hot, dead, dot;
    if (exposureMs > 0)
        SimFrame(frame, bits, exposureMs);
    else
        MakeFrame(frame, bits);
    for (CImageBuffer *map : {&hot, &dead, &dot})
        map->Create(bench::kWidth, bench::kHeight, bits);
    if (exposureMs == 0)
        std::memset(hot.Pixels(), 1, hot.ImageBytes());
    raw.CreateLike(&frame);
    const int threshold = bits == 8 ? defect::kDotThreshold8 : defect::kDotThreshold16;
    bench::CAllocationCounter allocations(state);
    for (auto _ : state) {
        state.PauseTiming();
        std::memcpy(raw.Pixels(), frame.Pixels(), frame.ImageBytes());
        state.ResumeTiming();
        benchmark::DoNotOptimize(defect::RepairDots(raw, hot, dead, dot, threshold, SensorReadout{}));
        benchmark::ClobberMemory();
    }
    size_t marked = 0;
    for (size_t i = 0; i < dot.ImageBytes(); i += dot.BytesPerPixel())
        marked += dot.Pixels()[i] != 0;
    state.counters["marked"] = static_cast<double>(marked) / (frame.Width() * frame.Height());
    state.SetItemsProcessed(state.iterations() * bench::kWidth * bench::kHeight);
}

#define OURS(name, routine, dst, src, inPlace, block)                                                                  \
    BENCHMARK_CAPTURE(Ours, name, conv::routine, dst, src, inPlace, block)->Unit(benchmark::kMicrosecond)

OURS(WidenRows8, WidenRows8, 8, 8, true, nullptr);
OURS(WidenRows16, WidenRows16, 16, 16, true, nullptr);
OURS(Reduce16To8Bits10, Reduce16To8Bits10, 8, 16, false, nullptr);
OURS(Reduce16To8Display, Reduce16To8Display, 8, 16, false, nullptr);
OURS(Reduce16To8, Reduce16To8, 8, 16, false, nullptr);
OURS(Widen16x16, Widen16x16, 16, 16, false, nullptr);
OURS(Widen16x64, Widen16x64, 16, 16, false, nullptr);
OURS(CopyColor_32To24, CopyColor, 24, 32, false, nullptr);
OURS(CopyColor_24To32, CopyColor, 32, 24, false, nullptr);
OURS(Reduce48To24Display_48, Reduce48To24Display, 24, 48, false, nullptr);
OURS(Reduce48To24Display_64, Reduce48To24Display, 24, 64, false, nullptr);
OURS(Widen48x16, Widen48x16, 48, 48, false, nullptr);
OURS(Widen48x16Rgb, Widen48x16Rgb, 48, 48, false, nullptr);
OURS(Widen48x64, Widen48x64, 48, 48, false, nullptr);
OURS(Widen48x64Rgb, Widen48x64Rgb, 48, 48, false, nullptr);
OURS(Reduce48To24_48, Reduce48To24, 24, 48, false, nullptr);
OURS(Reduce48To24_64, Reduce48To24, 24, 64, false, nullptr);
OURS(Widen64x16, Widen64x16, 64, 64, false, nullptr);
OURS(Widen64x16Rgb, Widen64x16Rgb, 64, 64, false, nullptr);
OURS(Widen64x64, Widen64x64, 64, 64, false, nullptr);
OURS(Widen64x64Rgb, Widen64x64Rgb, 64, 64, false, nullptr);
OURS(CopyColorReversed_24, CopyColorReversed, 24, 24, false, nullptr);
OURS(CopyColorReversed_32, CopyColorReversed, 24, 32, false, nullptr);
OURS(CopyPlain_24, CopyPlain, 24, 24, false, nullptr);
OURS(SwapRgb_24, SwapRgb, 24, 24, false, nullptr);
OURS(SwapRgb_32, SwapRgb, 32, 32, false, nullptr);
OURS(FillAlpha, FillAlpha, 32, 32, false, nullptr);
OURS(ColorToGray, ColorToGray, 8, 24, false, nullptr);
OURS(CopyPixels_24, CopyPixels, 24, 24, false, nullptr);
OURS(ExpandPalette8_24, ExpandPalette8, 24, 8, false, g_palette);
BENCHMARK_CAPTURE(OursStretch, Stretch24_800x600, conv::Stretch24, 24, 800, 600)
    ->Name("Ours/Stretch24_800x600")
    ->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(OursStretch, Stretch8_800x600, conv::Stretch8, 8, 800, 600)
    ->Name("Ours/Stretch8_800x600")
    ->Unit(benchmark::kMicrosecond);
OURS(RegionMean8, RegionMean8, 8, 8, true, nullptr);
OURS(RegionMean16, RegionMean16, 16, 16, true, nullptr);
OURS(MeasureGray_8, MeasureGray, 8, 8, true, &g_gray);
OURS(MeasureGray_16, MeasureGray, 16, 16, true, &g_gray);
OURS(MeasureWhiteBalance8, MeasureWhiteBalance8, 8, 8, true, &g_whiteBalance);
OURS(MeasureWhiteBalance16, MeasureWhiteBalance16, 16, 16, true, &g_whiteBalance);
OURS(GrayGain8, GrayGain8, 8, 8, true, &g_gray);
OURS(GrayGain16, GrayGain16, 16, 16, true, &g_gray);
OURS(DemosaicInterior8_24, DemosaicInterior8, 24, 8, false, &g_demosaic);
OURS(DemosaicBorder8_24, DemosaicBorder8, 24, 8, false, &g_demosaic);
OURS(DemosaicInterior8_32, DemosaicInterior8, 32, 8, false, &g_demosaic);
OURS(DemosaicInterior16_48, DemosaicInterior16, 48, 16, false, &g_demosaic);
OURS(DemosaicBorder16_48, DemosaicBorder16, 48, 16, false, &g_demosaic);
BENCHMARK_CAPTURE(OursDemosaic, Demosaic8_24, 24, 8)->Name("Ours/Demosaic8_24")->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(OursDemosaic, Demosaic8_32, 32, 8)->Name("Ours/Demosaic8_32")->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(OursDemosaic, Demosaic16_48, 48, 16)->Name("Ours/Demosaic16_48")->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(OursDemosaic, Demosaic16_64, 64, 16)->Name("Ours/Demosaic16_64")->Unit(benchmark::kMicrosecond);
OURS(Hue24, Hue24, 24, 24, true, &g_hue);
OURS(Hue32, Hue32, 32, 32, true, &g_hue);
OURS(Hue48, Hue48, 48, 48, true, &g_hue);
OURS(Hue64, Hue64, 64, 64, true, &g_hue);
OURS(Gamma8, Gamma8, 8, 8, true, &g_gamma);
OURS(Gamma16, Gamma16, 16, 16, true, &g_gamma);
OURS(Gamma24_32_24, Gamma24_32, 24, 24, true, &g_gamma);
OURS(Gamma24_32_32, Gamma24_32, 32, 32, true, &g_gamma);
OURS(Gamma48_64_48, Gamma48_64, 48, 48, true, &g_gamma);
OURS(Gamma48_64_64, Gamma48_64, 64, 64, true, &g_gamma);
OURS(Contrast8, Contrast8, 8, 8, true, &g_contrast);
OURS(Contrast16, Contrast16, 16, 16, true, &g_contrast);
OURS(Contrast24_32_24, Contrast24_32, 24, 24, true, &g_contrast);
OURS(Contrast24_32_32, Contrast24_32, 32, 32, true, &g_contrast);
OURS(Contrast48_64_48, Contrast48_64, 48, 48, true, &g_contrast);
OURS(Contrast48_64_64, Contrast48_64, 64, 64, true, &g_contrast);
OURS(Sharpen8, Sharpen8, 8, 8, false, &g_sharpness);
OURS(Sharpen16, Sharpen16, 16, 16, false, &g_sharpness);
OURS(Sharpen24_32_24, Sharpen24_32, 24, 24, false, &g_sharpness);
OURS(Sharpen24_32_32, Sharpen24_32, 32, 32, false, &g_sharpness);
OURS(Sharpen48_64_48, Sharpen48_64, 48, 48, false, &g_sharpness);
OURS(Sharpen48_64_64, Sharpen48_64, 64, 64, false, &g_sharpness);
OURS(Brightness8, Brightness8, 8, 8, true, &g_brightness);
OURS(Brightness16, Brightness16, 16, 16, true, &g_brightness);
OURS(Brightness24_32_24, Brightness24_32, 24, 24, true, &g_brightness);
OURS(Brightness24_32_32, Brightness24_32, 32, 32, true, &g_brightness);
OURS(Brightness48_64_48, Brightness48_64, 48, 48, true, &g_brightness);
OURS(Brightness48_64_64, Brightness48_64, 64, 64, true, &g_brightness);
const bool g_dots = [] {
    for (int bits : {8, 16})
        for (int exposureMs : {2, 8, 20, 40, 0}) {
            const std::string name = "Ours/Dots" + std::to_string(bits) +
                                     (exposureMs ? "_sim" + std::to_string(exposureMs) + "ms" : "_allMarked");
            benchmark::RegisterBenchmark(name.c_str(), OursDots, bits, exposureMs)->Unit(benchmark::kMicrosecond);
        }
    return true;
}();

} // namespace
