// The processing chain of every colour mode with every tone filter on, through
// CProcessingChain::Process as the camera runs it: white-balanced demosaic (colour
// modes), hue and saturation, gamma, contrast, sharpness, brightness. The defect
// corrections stay off: OpenCV has nothing to set against them (the system benchmark
// times them). Ours/Chain_mode<m>, and Ours/Chain_mode2_<w>x<h> for window sizes from
// 64 x 64 to the full frame. allocs_100_frames counts the heap allocations of 100 frames.
#include "BenchImages.h"
#include "image/CProcessingChain.h"
#include "image/ImageTraits.h"
#include <cstring>
#include <string>

namespace {

void Chain(benchmark::State &state, int mode, int32_t width, int32_t height) {
    CProcessingChain chain;
    if (!chain.Create() || !chain.Prepare(mode, width, height)) {
        state.SkipWithError("no buffers");
        return;
    }
    CImageBuffer frame;
    bench::MakeFrame(frame, UsesRaw16(mode) ? 16 : 8);
    CImageBuffer *raw = chain.Raw();
    for (int32_t r = 0; r < height; ++r)
        std::memcpy(raw->Row(r), frame.Row(r), static_cast<size_t>(width) * raw->BytesPerPixel());
    ProcessingSettings settings;
    settings.bayerGains[0] = 130;
    settings.bayerGains[1] = 100;
    settings.bayerGains[2] = 90;
    settings.hue = 20;
    settings.saturation = 40;
    settings.gamma = 80;
    settings.contrast = 20;
    settings.sharpness = 10;
    settings.brightness = 30;
    ProcessingResults results;
    // Grey modes work in place on the raw frame, so each frame starts from the one before;
    // no step's time depends on the values.
    // Exactly: the heap allocations of 100 frames after the first (the allocs column
    // below also spreads the harness's own few over the iterations).
    chain.Process(settings, nullptr, &results);
    const uint64_t before = bench::Allocations();
    for (int k = 0; k < 100; ++k)
        chain.Process(settings, nullptr, &results);
    state.counters["allocs_100_frames"] = static_cast<double>(bench::Allocations() - before);
    bench::CAllocationCounter allocations(state);
    for (auto _ : state) {
        chain.Process(settings, nullptr, &results);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * width * height);
}

const bool g_registered = [] {
    for (int mode = 0; mode < kColorModeCount; ++mode)
        benchmark::RegisterBenchmark(("Ours/Chain_mode" + std::to_string(mode)).c_str(), Chain, mode, bench::kWidth,
                                     bench::kHeight)
            ->Unit(benchmark::kMicrosecond);
    const int32_t sizes[][2] = {{64, 64}, {160, 128}, {320, 256}, {640, 512}};
    for (const auto &size : sizes)
        benchmark::RegisterBenchmark(
            ("Ours/Chain_mode2_" + std::to_string(size[0]) + "x" + std::to_string(size[1])).c_str(), Chain, 2, size[0],
            size[1])
            ->Unit(benchmark::kMicrosecond);
    return true;
}();

} // namespace
