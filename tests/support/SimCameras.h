// Simulated cameras and an in-memory settings store put in place as the process's for one
// test.
#pragma once
#include "platform/CMemorySettingsStore.h"
#include "api/ProcessServices.h"
#include "sim/CSimulatedCameras.h"
#include <memory>
#include <vector>

class CScopedCameras {
public:
    explicit CScopedCameras(std::vector<int> devices, sim::Pacing pacing = sim::Pacing::AsFastAsPossible,
                            bool still = false) {
        sim::CSimConfig config;
        config.devices = std::move(devices);
        config.pacing = pacing;
        config.still = still;
        m_cameras = std::make_unique<sim::CSimulatedCameras>(config);
        m_services = {m_cameras.get(), &m_settings};
        m_previous = SetProcessServicesForTesting(&m_services);
    }
    ~CScopedCameras() { SetProcessServicesForTesting(m_previous); }
    // For instances made directly, without the exports.
    const CameraServices &Services() const { return m_services; }
    sim::CSimulatedCameras &Cameras() { return *m_cameras; }
    sim::CSimCamera *Camera(int device) { return m_cameras->Camera(device); }
    platform::CMemorySettingsStore &Settings() { return m_settings; }

private:
    std::unique_ptr<sim::CSimulatedCameras> m_cameras;
    platform::CMemorySettingsStore m_settings;
    CameraServices m_services{};
    const CameraServices *m_previous = nullptr;
};
