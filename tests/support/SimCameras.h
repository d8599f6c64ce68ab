// Simulated cameras put in place as the process's device I/O for one test.
#pragma once
#include "platform/CMemorySettingsStore.h"
#include "platform/DeviceIo.h"
#include "platform/SettingsStore.h"
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
        platform::SetDeviceIoForTesting(m_cameras.get());
        m_previousSettings = platform::SetSettingsStoreForTesting(&m_settings);
    }
    ~CScopedCameras() {
        platform::SetDeviceIoForTesting(nullptr);
        platform::SetSettingsStoreForTesting(m_previousSettings);
    }
    sim::CSimulatedCameras &Cameras() { return *m_cameras; }
    sim::CSimCamera *Camera(int device) { return m_cameras->Camera(device); }
    platform::CMemorySettingsStore &Settings() { return m_settings; }

private:
    std::unique_ptr<sim::CSimulatedCameras> m_cameras;
    platform::CMemorySettingsStore m_settings;
    platform::ISettingsStore *m_previousSettings = nullptr;
};
