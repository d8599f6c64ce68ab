// What the system benchmarks share: simulated cameras, a camera instance on them with
// every filter on, and the process's CPU time.
#pragma once
#include "camera/CVonkel.h"
#include "platform/CMemorySettingsStore.h"
#include "sim/CSimulatedCameras.h"
#include <ctime>
#include <memory>
#include <utility>
#include <vector>

namespace bench {

inline double ProcessCpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return t.tv_sec + t.tv_nsec * 1e-9;
}

inline sim::CSimConfig Config(sim::Pacing pacing, std::vector<int> devices = {0}) {
    sim::CSimConfig config;
    config.devices = std::move(devices);
    config.pacing = pacing;
    return config;
}

// Filter values that switch every step of the chain on: flat-field mask, dot filter,
// listed pixels, gray gains, white balance, hue and saturation, gamma, contrast,
// sharpness, brightness.
inline void AllFiltersOn(CVonkel &camera) {
    for (auto [number, value] : {std::pair{1, 20}, {2, 30}, {3, 45}, {4, 40}, {5, 10}, {11, 80}, {7, 110},
                                 {8, 100}, {9, 90}, {19, 1}, {20, 140}, {102, 1}, {103, 1}})
        camera.SetFilterValue(number, static_cast<uint32_t>(value));
    camera.SetConfigFilter(1);
}

// Camera instances on simulated cameras of their own, one per device number.
class CInstances {
public:
    CInstances(sim::Pacing pacing, int count) : m_cams(Config(pacing, Devices(count))) {
        for (int i = 0; i < count; ++i) {
            m_cameras.push_back(std::make_unique<CVonkel>(CameraServices{&m_cams, &m_settings}));
            m_cameras.back()->Initialize(nullptr);
            m_cameras.back()->SetDeviceNumber(i);
        }
    }
    CVonkel &Camera(int i = 0) { return *m_cameras[i]; }
    sim::CSimCamera &Sim(int i = 0) { return *m_cams.Camera(i); }
    int Count() const { return static_cast<int>(m_cameras.size()); }

private:
    static std::vector<int> Devices(int count) {
        std::vector<int> devices;
        for (int i = 0; i < count; ++i)
            devices.push_back(i);
        return devices;
    }
    sim::CSimulatedCameras m_cams;
    platform::CMemorySettingsStore m_settings;
    std::vector<std::unique_ptr<CVonkel>> m_cameras;
};

} // namespace bench
