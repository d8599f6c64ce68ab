// The simulated cameras the environment asks for, made once for the whole process.
#include "sim/CSimulatedCameras.h"
#include "sim/ProcessCameras.h"

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
