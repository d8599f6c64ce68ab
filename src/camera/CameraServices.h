// What a camera instance is given to reach the world: the cameras' device I/O and the
// store its settings live in. The exports choose them for the process; tests give their
// own.
#pragma once
#include "platform/DeviceIo.h"
#include "platform/SettingsStore.h"

struct CameraServices {
    platform::IDeviceIo *deviceIo;
    platform::ISettingsStore *settings;
};
