// The simulated cameras the environment asked for, shared by the whole process.
#pragma once

namespace sim {

class CSimulatedCameras;

// The cameras DefaultDeviceIo uses, or null when the environment asks for the real
// devices. The environment is read on the first call of this or of DefaultDeviceIo.
CSimulatedCameras *ProcessCameras();

} // namespace sim
