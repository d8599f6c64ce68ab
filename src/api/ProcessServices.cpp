#include "api/ProcessServices.h"
#include "sim/CSimulatedCameras.h"
#include "sim/ProcessCameras.h"
#include <atomic>

namespace {
std::atomic<const CameraServices *> g_override{nullptr};
} // namespace

CameraServices ProcessServices() {
    if (const CameraServices *services = g_override.load())
        return *services;
    platform::IDeviceIo *io = sim::ProcessCameras();
    return {io ? io : &platform::SystemDeviceIo(), &platform::SystemSettingsStore()};
}

const CameraServices *SetProcessServicesForTesting(const CameraServices *services) {
    return g_override.exchange(services);
}
