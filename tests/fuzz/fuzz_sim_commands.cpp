// The simulated camera's side of the driver: any control code with any pipe number,
// command bytes and buffer sizes, on handles of either camera, closed handles and paths
// that name no camera. It answers within the buffers it is given.
//
// Every image read here finds a frame requested and, in trigger mode, a trigger: a read
// that waits for its transfer timeout would take most of the run's time and explore
// nothing (the unit tests keep the reads that time out).
#include "FuzzSupport.h"
#include "sim/SimConstants.h"
#include <cstring>
#include <vector>

namespace {

const uint32_t kCodes[] = {platform::IOCTL_PIPE_OUT_DIRECT,
                           platform::IOCTL_PIPE_IN_DIRECT,
                           platform::IOCTL_PIPE_OUT_DIRECT_LARGE,
                           platform::IOCTL_PIPE_IN_DIRECT_LARGE,
                           platform::IOCTL_SET_TRANSFER_TIMEOUT,
                           0x222000,
                           0};

bool IsImageRead(uint32_t code, uint32_t pipe, uint32_t inBytes) {
    return code != platform::IOCTL_SET_TRANSFER_TIMEOUT && code != 0x222000 && code != 0 &&
           pipe == platform::kImagePipe && inBytes == sizeof pipe;
}

// What a frame read needs to be answered at once: a request, and a trigger when the camera
// waits for one (refused, and nothing changes, when it does not).
void PrepareFrame(sim::CSimulatedCameras &cameras, platform::DeviceHandle h, sim::CSimCamera *camera) {
    uint8_t request[sim::kCommandBytes] = {sim::cmd::kFrameRequest};
    const uint32_t pipe = platform::kCommandPipe;
    uint32_t returned = 0;
    cameras.Control(h, platform::IOCTL_PIPE_OUT_DIRECT, &pipe, sizeof pipe, request, sizeof request, &returned);
    if (camera)
        camera->Trigger();
}

// The cameras live for the whole run: building two (their registers and memory) costs
// more than an input's commands. Each input finds both as after a power cycle (registers
// at their power-on values, earlier handles dead, the timeout at its default) with the
// writable part of their memory erased: only the frame counter carries over.
sim::CSimulatedCameras &FreshCameras() {
    static sim::CSimulatedCameras *cameras = [] {
        sim::CSimConfig config;
        config.devices = {0, 1};
        config.pacing = sim::Pacing::AsFastAsPossible;
        return new sim::CSimulatedCameras(config);
    }();
    for (int device : {0, 1}) {
        sim::CSimCamera *camera = cameras->Camera(device);
        camera->Unplug();
        camera->Replug();
        for (uint32_t i = 0; i < sim::kSromBytes; ++i)
            camera->PokeMemory(uint16_t(sim::kSromBase + i), sim::kErasedByte);
    }
    cameras->Camera(0)->ForceStarted();
    return *cameras;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    sim::CSimulatedCameras &cameras = FreshCameras();
    platform::DeviceHandle handles[3] = {cameras.Open(sim::CSimulatedCameras::DevicePath(0).c_str()),
                                         cameras.Open(sim::CSimulatedCameras::DevicePath(1).c_str()),
                                         reinterpret_cast<platform::DeviceHandle>(uintptr_t(0x5a5a))};
    // Every image read ends quickly: a stalled or unrequested frame waits this long.
    uint8_t timeout[sim::kTimeoutRecordBytes] = {1, 0, 0, 0, 2};
    uint32_t returned = 0;
    for (platform::DeviceHandle h : handles)
        cameras.Control(h, platform::IOCTL_SET_TRANSFER_TIMEOUT, timeout, sizeof timeout, nullptr, 0, &returned);
    static std::vector<uint8_t> out(2 * 640 * 512 + 64); // allocated once: its pages cost more than the calls
    for (size_t at = 0; at + 8 <= size;) {
        const uint8_t op = data[at];
        const int which = data[at + 1] % 3;
        platform::DeviceHandle h = handles[which];
        const uint32_t code = kCodes[data[at + 2] % std::size(kCodes)];
        const uint32_t pipe = data[at + 3] % 5;
        const uint32_t outBytes = (uint32_t(data[at + 4]) << 8 | data[at + 5]) % (out.size() + 1);
        const uint32_t inBytes = data[at + 6] % 80;
        at += 8;
        if (op % 16 == 0) {
            cameras.Close(h);
            continue;
        }
        std::memset(out.data(), 0, sim::kCommandBytes);
        const size_t commandBytes = std::min<size_t>(sim::kCommandBytes, size - at);
        std::memcpy(out.data(), data + at, commandBytes); // a command goes out through the buffer
        at += commandBytes;
        uint8_t in[80] = {};
        std::memcpy(in, &pipe, 4);
        if (code == platform::IOCTL_SET_TRANSFER_TIMEOUT)
            in[4] = 1 + data[at - 1] % 4; // every wait stays short (0 would mean 3 s)
        if (IsImageRead(code, pipe, inBytes))
            PrepareFrame(cameras, h, cameras.Camera(which));
        returned = 0xFFFFFFFF;
        cameras.Control(h, code, in, inBytes, out.data(), outBytes, &returned);
        FUZZ_CHECK(returned <= outBytes);
    }
    for (platform::DeviceHandle h : handles)
        cameras.Close(h);
    FUZZ_CHECK(cameras.OpenHandles() == 0);
    // What the input's commands added to the log goes with the input: what an input
    // allocates it frees, and libFuzzer does not take every input for a leak worth a check.
    cameras.Log().Clear();
    return 0;
}
