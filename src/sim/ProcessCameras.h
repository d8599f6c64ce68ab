// The simulated cameras the environment asked for, shared by the whole process.
#pragma once

namespace sim {

class CSimulatedCameras;

// The simulated cameras, or null when the environment asks for the real devices. The
// environment is read on the first call.
CSimulatedCameras *ProcessCameras();

} // namespace sim
