// The process's choice of device I/O: the simulated cameras when the environment asks for
// them (read once, on first use), else the kernel driver; tests may put their own in place.
#include "platform/DeviceIo.h"
#include "sim/CSimulatedCameras.h"
#include "sim/ProcessCameras.h"
#include <atomic>

namespace sim {

CSimulatedCameras *ProcessCameras() {
    // Never destroyed: a transfer thread may still be reading when the process ends, and the
    // identification areas the application wrote live as long as the process.
    static CSimulatedCameras *const cameras = [] {
        const auto config = CSimConfig::FromProcessEnvironment();
        if (!config)
            return static_cast<CSimulatedCameras *>(nullptr);
        auto *made = new CSimulatedCameras(*config);
        // Nobody reads the protocol log of the process's cameras (tests that do make their
        // own): kept, it would be memory growing with every command for hours.
        made->Log().SetEnabled(false);
        return made;
    }();
    return cameras;
}

} // namespace sim

namespace platform {

namespace {
std::atomic<IDeviceIo *> g_testDeviceIo{nullptr};
}

IDeviceIo &DefaultDeviceIo() {
    if (IDeviceIo *io = g_testDeviceIo.load())
        return *io;
    if (sim::CSimulatedCameras *cameras = sim::ProcessCameras())
        return *cameras;
    return SystemDeviceIo();
}

void SetDeviceIoForTesting(IDeviceIo *io) { g_testDeviceIo.store(io); }

} // namespace platform
