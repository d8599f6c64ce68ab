// The simulated camera's side of the driver: any control code with any pipe number,
// command bytes and buffer sizes, on handles of either camera, closed handles and paths
// that name no camera. It answers within the buffers it is given and never waits beyond
// its transfer timeout (kept to a few milliseconds here).
#include "FuzzSupport.h"
#include "sim/SimConstants.h"
#include <cstring>
#include <vector>

namespace {
const uint32_t kCodes[] = {platform::IOCTL_PIPE_OUT_DIRECT, platform::IOCTL_PIPE_IN_DIRECT,
                           platform::IOCTL_PIPE_OUT_DIRECT_LARGE, platform::IOCTL_PIPE_IN_DIRECT_LARGE,
                           platform::IOCTL_SET_TRANSFER_TIMEOUT, 0x222000, 0};
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    sim::CSimConfig config;
    config.devices = {0, 1};
    config.pacing = sim::Pacing::AsFastAsPossible;
    sim::CSimulatedCameras cameras(config);
    cameras.Camera(0)->ForceStarted();
    platform::DeviceHandle handles[3] = {cameras.Open(sim::CSimulatedCameras::DevicePath(0).c_str()),
                                         cameras.Open(sim::CSimulatedCameras::DevicePath(1).c_str()),
                                         reinterpret_cast<platform::DeviceHandle>(uintptr_t(0x5a5a))};
    // Every image read ends quickly: a stalled or unrequested frame waits this long.
    uint8_t timeout[sim::kTimeoutRecordBytes] = {1, 0, 0, 0, 2};
    uint32_t returned = 0;
    for (platform::DeviceHandle h : handles)
        cameras.Control(h, platform::IOCTL_SET_TRANSFER_TIMEOUT, timeout, sizeof timeout, nullptr, 0, &returned);
    std::vector<uint8_t> out(2 * 640 * 512 + 64);
    for (size_t at = 0; at + 8 <= size;) {
        const uint8_t op = data[at];
        platform::DeviceHandle h = handles[data[at + 1] % 3];
        const uint32_t code = kCodes[data[at + 2] % std::size(kCodes)];
        const uint32_t pipe = data[at + 3] % 5;
        const uint32_t outBytes = (uint32_t(data[at + 4]) << 8 | data[at + 5]) % (out.size() + 1);
        const uint32_t inBytes = data[at + 6] % 80;
        at += 8;
        if (op % 16 == 0) {
            cameras.Close(h);
            continue;
        }
        std::memset(out.data(), 0, out.size());
        const size_t commandBytes = std::min<size_t>(sim::kCommandBytes, size - at);
        std::memcpy(out.data(), data + at, commandBytes); // a command goes out through the buffer
        at += commandBytes;
        uint8_t in[80] = {};
        std::memcpy(in, &pipe, 4);
        if (code == platform::IOCTL_SET_TRANSFER_TIMEOUT)
            in[4] = 1 + data[at - 1] % 4; // every wait stays short (0 would mean 3 s)
        returned = 0xFFFFFFFF;
        cameras.Control(h, code, in, inBytes, out.data(), outBytes, &returned);
        FUZZ_CHECK(returned <= outBytes);
    }
    for (platform::DeviceHandle h : handles)
        cameras.Close(h);
    FUZZ_CHECK(cameras.OpenHandles() == 0);
    return 0;
}
