// Benchmarks of the system around the routines: frames through the transfer thread's
// ring, the processing chain per colour mode, and recording from the simulated camera to
// a file (delivery to the application: delivery_bench.cpp).
#include "SystemBench.h"
#include "VonkelSdk.h"
#include "platform/DeviceIo.h"
#include "platform/Messages.h"
#include "sim/CSimulatedCameras.h"
#include "transport/CVKLSdkLib.h"
#include "transport/ResultCodes.h"
#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace {

using bench::Config;
using bench::ProcessCpuSeconds;

class CTransport : public CVKLSdkLib {
public:
    explicit CTransport(platform::IDeviceIo &io) : CVKLSdkLib(io) { std::strcpy(m_baseName, "Vonk430NVTXQEL"); }
};

// Raw 640 x 512 frames through the ring, taken as fast as the camera delivers them.
void BM_TransferRing(benchmark::State &state) {
    const bool word = state.range(0) != 0;
    sim::CSimulatedCameras cams(Config(sim::Pacing::AsFastAsPossible));
    cams.Camera(0)->ForceStarted();
    cams.Camera(0)->PokeFpga(14, word ? 5 : 4);
    CTransport transport(cams);
    transport.EnumerateDevices();
    transport.SelectDevice(0);
    transport.SetupBuffers(640, 0, 640, 512, 0, 512, 4);
    if (word)
        transport.SetWordMode(1);
    std::vector<uint8_t> frame(640 * 512 * (word ? 2 : 1));
    FrameTarget target{frame.data(), 640, 512, word ? 2 : 1};
    transport.StartTransfer();
    const double cpu0 = ProcessCpuSeconds();
    int64_t frames = 0;
    for (auto _ : state) {
        while (transport.WaitFrame() != frame_state::kReady)
            std::this_thread::yield();
        transport.TakeFrame(&target);
        ++frames;
    }
    const double cpu = ProcessCpuSeconds() - cpu0;
    transport.StopTransfer();
    state.SetItemsProcessed(frames);
    state.counters["cpu_us_per_frame"] = cpu / static_cast<double>(frames) * 1e6;
}
BENCHMARK(BM_TransferRing)->Arg(0)->Arg(1)->ArgName("word")->UseRealTime()->Unit(benchmark::kMicrosecond);

// The processing chain of one frame per colour mode: everything neutral, or every filter on.
void BM_ProcessFrame(benchmark::State &state) {
    const int bits = static_cast<int>(state.range(0));
    const bool everything = state.range(1) != 0;
    bench::CInstances instance(sim::Pacing::AsFastAsPossible, 1);
    CVonkel &camera = instance.Camera();
    camera.SetColorMode(bits);
    if (everything)
        bench::AllFiltersOn(camera);
    camera.SnapShot(nullptr, 0, 1);
    for (auto _ : state) {
        std::lock_guard<std::mutex> lock(camera.ImageLock());
        camera.ProcessFrame();
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ProcessFrame)
    ->ArgsProduct({{8, 16, 24, 32, 48, 64}, {0, 1}})
    ->ArgNames({"bits", "all_filters"})
    ->Unit(benchmark::kMillisecond);

// Camera to AVI file: a 2-second recording while the simulated camera runs at its
// shortest frame (paced) or unpaced, everything neutral. Counted: the share of the
// camera's frames that reach the file, and the process's CPU time per recorded frame
// (transfer, capture and recorder threads, the camera's own work and the file writes).
void BM_Recording(benchmark::State &state) {
    const int bits = static_cast<int>(state.range(0));
    const bool paced = state.range(1) != 0;
    bench::CInstances instance(paced ? sim::Pacing::RealTime : sim::Pacing::AsFastAsPossible, 1);
    CVonkel &camera = instance.Camera();
    camera.SetColorMode(bits);
    camera.SetWaitTime(1);
    camera.SetExposureTimeEx(0.002);
    camera.SetPreviewWindow(nullptr, 0, 0, 0, 0);
    const std::string name = "/tmp/vonkel_bench_recording.avi";
    int64_t recorded = 0, camFrames = 0;
    double cpu = 0;
    for (auto _ : state) {
        const uint32_t first = instance.Sim().FrameCounter();
        const double cpu0 = ProcessCpuSeconds();
        camera.Record(name.c_str(), 2000, 0);
        while (camera.Recorder().Active())
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        camFrames += instance.Sim().FrameCounter() - first;
        camera.StopPreview();
        cpu += ProcessCpuSeconds() - cpu0;
        recorded += camera.Recorder().FramesWritten();
    }
    std::remove(name.c_str());
    state.counters["camera_fps"] = benchmark::Counter(static_cast<double>(camFrames), benchmark::Counter::kIsRate);
    state.counters["recorded_fps"] = benchmark::Counter(static_cast<double>(recorded), benchmark::Counter::kIsRate);
    state.counters["recorded_share"] = camFrames ? static_cast<double>(recorded) / camFrames : 0;
    state.counters["cpu_ms_per_frame"] = recorded ? cpu / recorded * 1e3 : 0;
}
BENCHMARK(BM_Recording)
    ->ArgsProduct({{8, 24, 48}, {1, 0}})
    ->ArgNames({"bits", "paced"})
    ->Iterations(1)
    ->UseRealTime()
    ->Unit(benchmark::kSecond);

} // namespace
