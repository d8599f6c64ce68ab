// The simulated cameras the environment asks for, made once for the whole process.
#include "sim/CSimulatedCameras.h"
#include "sim/ProcessCameras.h"

namespace sim {

CSimulatedCameras *ProcessCameras() {
    // Never destroyed: a transfer thread may still be reading when the process ends, and the
    // identification areas the application wrote live as long as the process.
    static CSimulatedCameras *const cameras = [] {
        const auto config = CSimConfig::FromProcessEnvironment();
        return config ? new CSimulatedCameras(*config) : nullptr;
    }();
    return cameras;
}

} // namespace sim
