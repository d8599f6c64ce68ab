// What the fuzz targets share: simulated cameras and an in-memory registry made once for
// the whole process and given to the camera instances, and a scratch file for the inputs
// the library reads by name.
#pragma once
#include "camera/CameraServices.h"
#include "platform/CMemorySettingsStore.h"
#include "sim/CSimulatedCameras.h"
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

namespace fuzz {

struct Process {
    Process() {
        sim::CSimConfig config;
        config.devices = {0, 1};
        config.pacing = sim::Pacing::AsFastAsPossible;
        cameras = new sim::CSimulatedCameras(config);
        services = {cameras, &settings};
    }
    sim::CSimulatedCameras *cameras;
    platform::CMemorySettingsStore settings;
    CameraServices services{};
};

inline Process &TheProcess() {
    static Process *process = new Process(); // outlives every camera of the run
    return *process;
}

// A file of this process holding `bytes`, for the loaders that take a name. In memory
// where the system offers a folder for that: a disk's file system makes creating and
// truncating the file cost more than the parsing.
inline const std::string &WriteScratch(const uint8_t *bytes, size_t size) {
    static const std::string name =
        std::string(access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp") + "/vonkel-fuzz-" + std::to_string(getpid());
    static const bool removedAtExit = std::atexit([] { std::remove(name.c_str()); }) == 0;
    (void)removedAtExit;
    FILE *f = std::fopen(name.c_str(), "wb");
    if (!f)
        std::abort();
    if (size)
        std::fwrite(bytes, 1, size, f);
    std::fclose(f);
    return name;
}

// Ends the run with the reason when a property of the library does not hold.
#define FUZZ_CHECK(condition)                                                                  \
    do {                                                                                       \
        if (!(condition)) {                                                                    \
            std::fprintf(stderr, "property failed: %s (%s:%d)\n", #condition, __FILE__, __LINE__); \
            std::abort();                                                                      \
        }                                                                                      \
    } while (0)

} // namespace fuzz
