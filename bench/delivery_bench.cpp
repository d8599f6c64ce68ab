// Camera to application at the simulated camera's pace: callback preview with every
// filter on into an application buffer, as vonkelcam stream does it. Counted:
// - the share of the camera's frames that reach the application. The camera's frames are
//   all it completed, read or not (a transfer thread that comes late loses frames in the
//   camera); at the end the cameras are held and the frames they sent get their turn
//   before anything is counted, so a stop never cuts off frames still on their way;
// - the frames the library says it lost (the description's count) and those lost in the
//   camera;
// - the process's CPU time per delivered frame (camera simulation, transfer, capture and
//   processing threads);
// - the time from a frame's arrival in the ring to its notification being posted: median
//   and 99th percentile, against the frame period.
#include "SystemBench.h"
#include "VonkelSdk.h"
#include "platform/Messages.h"
#include <algorithm>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cmath>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

// The latencies of one stream in microseconds: the capture thread appends, the benchmark
// reads once the stream has stopped (the thread's join orders the two).
class CLatencies final : public IDeliveryObserver {
public:
    CLatencies() { m_us.reserve(1 << 17); }
    void FrameDelivered(const FrameTicket &frame, Clock::time_point posted) override {
        if (m_us.size() < m_us.capacity())
            m_us.push_back(std::chrono::duration<double, std::micro>(posted - frame.arrival).count());
    }
    std::vector<double> Take() { return std::move(m_us); }

private:
    std::vector<double> m_us;
};

// Nearest-rank quantile in milliseconds; 0 without samples.
double QuantileMs(std::vector<double> &us, double q) {
    if (us.empty())
        return 0;
    std::sort(us.begin(), us.end());
    const size_t rank = static_cast<size_t>(std::ceil(q * static_cast<double>(us.size())));
    return us[std::min(us.size() - 1, rank > 0 ? rank - 1 : 0)] / 1000.0;
}

// One camera in callback preview, counted from outside the library.
class CStream {
public:
    CStream(CVonkel &camera, sim::CSimCamera &sim, int index)
        : m_camera(camera), m_sim(sim), m_window(reinterpret_cast<WindowHandle>(uintptr_t(0x5150 + index))) {}

    bool Start(int bits) {
        m_picture.assign(size_t(640) * (bits / 8) * 512, 0);
        m_camera.Acquisition().SetDeliveryObserver(&m_latencies);
        platform::TakePostedMessages(m_window);
        m_sentBefore = SensorFrames();
        return m_camera.CallBackPreview(m_window, m_picture.data(), static_cast<int32_t>(m_picture.size()), 1) == 1;
    }
    uint64_t CameraFrames() const { return SensorFrames() - m_sentBefore; }
    // The camera holds its next frame; a stream not held sends on.
    void Hold(bool on) { m_sim.Stall(on); }
    // Under hold, once the capture thread had its turn.
    void Count() {
        cameraFrames = CameraFrames();
        for (const platform::PostedMessage &m : platform::TakePostedMessages(m_window))
            if (m.message == VONKEL_WM_FRAME)
                ++(m.lparam == 0 ? delivered : failures);
        std::lock_guard<std::mutex> lock(m_camera.ImageLock());
        dropped = m_camera.LastFrameInfo().dropped;
    }
    void Stop() {
        m_camera.StopPreview();
        m_camera.Acquisition().SetDeliveryObserver(nullptr);
    }
    std::vector<double> Latencies() { return m_latencies.Take(); }

    int64_t cameraFrames = 0, delivered = 0, failures = 0, dropped = 0;

private:
    uint64_t SensorFrames() const { return m_sim.FrameCounter() + m_sim.MissedFrames(); }

    CVonkel &m_camera;
    sim::CSimCamera &m_sim;
    WindowHandle m_window;
    std::vector<uint8_t> m_picture;
    CLatencies m_latencies;
    uint64_t m_sentBefore = 0;
};

// Every camera of `instances` streams in colour mode `bits` (every filter on when
// `filters`) until each has sent `frames` frames; the counters go to `state`.
void RunDelivery(benchmark::State &state, bench::CInstances &instances, int bits, int exposureUs, bool filters,
                 int64_t frames) {
    std::vector<std::unique_ptr<CStream>> streams;
    for (int i = 0; i < instances.Count(); ++i) {
        CVonkel &camera = instances.Camera(i);
        camera.SetColorMode(bits);
        camera.SetWaitTime(1); // the stored default
        camera.SetExposureTimeEx((exposureUs > 0 ? exposureUs : 2000) * 1e-6);
        camera.SetPreviewWindow(nullptr, 0, 0, 0, 0);
        if (filters)
            bench::AllFiltersOn(camera);
        streams.push_back(std::make_unique<CStream>(camera, instances.Sim(i), i));
    }
    double seconds = 0, cpu = 0;
    for (auto _ : state) {
        const auto start = Clock::now();
        const double cpu0 = bench::ProcessCpuSeconds();
        for (auto &s : streams)
            if (!s->Start(bits))
                state.SkipWithError("the preview did not start");
        auto behind = [&] {
            return std::any_of(streams.begin(), streams.end(),
                               [&](const auto &s) { return int64_t(s->CameraFrames()) < frames; });
        };
        while (behind() && Clock::now() - start < std::chrono::minutes(2))
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        for (auto &s : streams)
            s->Hold(true);
        seconds = std::chrono::duration<double>(Clock::now() - start).count();
        // Enough for every frame in a ring to be processed, four cameras on two cores too.
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        cpu = bench::ProcessCpuSeconds() - cpu0;
        for (auto &s : streams) {
            s->Count();
            s->Hold(false);
            s->Stop();
        }
    }
    int64_t camFrames = 0, delivered = 0, failures = 0, dropped = 0;
    double worst = 1;
    std::vector<double> latencies;
    for (auto &s : streams) {
        camFrames += s->cameraFrames;
        delivered += s->delivered;
        failures += s->failures;
        dropped += s->dropped;
        worst = std::min(worst, s->cameraFrames ? double(s->delivered) / double(s->cameraFrames) : 0.0);
        const std::vector<double> own = s->Latencies();
        latencies.insert(latencies.end(), own.begin(), own.end());
    }
    const double perCamera = double(camFrames) / double(streams.size());
    state.counters["camera_fps"] = perCamera / seconds;
    state.counters["delivered_fps"] = double(delivered) / double(streams.size()) / seconds;
    state.counters["camera_frames"] = double(camFrames);
    state.counters["delivered_share"] = camFrames ? double(delivered) / double(camFrames) : 0;
    state.counters["worst_share"] = worst;
    state.counters["library_dropped"] = double(dropped);
    state.counters["failures"] = double(failures);
    state.counters["cpu_ms_per_frame"] = delivered ? cpu / double(delivered) * 1e3 : 0;
    state.counters["frame_period_ms"] = perCamera > 0 ? seconds / perCamera * 1e3 : 0;
    state.counters["latency_median_ms"] = QuantileMs(latencies, 0.5);
    state.counters["latency_p99_ms"] = QuantileMs(latencies, 0.99);
}

// One camera, colour mode `bits`, every filter on, at the frame rate an exposure gives
// (0: unpaced, the camera as fast as it can render), for `frames` of the camera's frames.
void BM_Delivery(benchmark::State &state) {
    const int exposureUs = static_cast<int>(state.range(1));
    bench::CInstances instances(exposureUs > 0 ? sim::Pacing::RealTime : sim::Pacing::AsFastAsPossible, 1);
    RunDelivery(state, instances, static_cast<int>(state.range(0)), exposureUs, true, state.range(2));
}
// The targets: full rate (2 ms exposure: 134 frames a second at 8 bits, the 60 of a 16-bit
// transfer), long enough that one lost frame shows as 0.05 %.
BENCHMARK(BM_Delivery)
    ->ArgsProduct({{8, 24, 48}, {2000}, {2000}})
    ->ArgNames({"bits", "exposure_us", "frames"})
    ->Iterations(1)
    ->UseRealTime()
    ->Unit(benchmark::kSecond);

// Delivery against frame rate, for the plot (scripts/plot_delivery.py): shorter runs.
void BM_DeliveryRate(benchmark::State &state) { BM_Delivery(state); }
BENCHMARK(BM_DeliveryRate)
    ->ArgsProduct({{8, 24, 48}, {0, 2000, 8000, 12000, 16000, 24000, 32000}, {400}})
    ->ArgNames({"bits", "exposure_us", "frames"})
    ->Iterations(1)
    ->UseRealTime()
    ->Unit(benchmark::kSecond);

// Four cameras at once in colour mode 0 at full rate, the stored (neutral) filters or
// every filter on; all threads of the four share the machine's processors.
void BM_FourCameras(benchmark::State &state) {
    bench::CInstances instances(sim::Pacing::RealTime, 4);
    RunDelivery(state, instances, 8, 2000, state.range(0) != 0, 2000);
}
BENCHMARK(BM_FourCameras)->Arg(0)->Arg(1)->ArgName("all_filters")->Iterations(1)->UseRealTime()->Unit(benchmark::kSecond);

} // namespace
