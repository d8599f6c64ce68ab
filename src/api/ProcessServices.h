// The one place the process's dependencies are chosen: every camera instance the exports
// make gets these.
#pragma once
#include "camera/CameraServices.h"

// The simulated cameras when VONKEL_SIMULATE or VONKEL_SIMULATE_DEVICES asks for them (the
// environment is read once, on first use), else the kernel driver; the registry (an
// in-memory tree in the native build). Instances made later get what is in place then.
CameraServices ProcessServices();

// Tests of the exports put their own cameras and store in place for the instances made
// while it is there (null: the process's own again). Returns what was in place.
const CameraServices *SetProcessServicesForTesting(const CameraServices *services);
