// No kernel driver exists in the native build: no device path ever opens.
#include "platform/DeviceIo.h"
#include <chrono>
#include <thread>

namespace platform {
namespace {

class CNoDeviceIo final : public IDeviceIo {
public:
    DeviceHandle Open(const char *) override { return nullptr; }
    bool Close(DeviceHandle) override { return false; }
    bool Control(DeviceHandle, uint32_t, const void *, uint32_t, void *, uint32_t, uint32_t *returned) override {
        if (returned)
            *returned = 0;
        return false;
    }
    void Pause(uint32_t ms) override { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }
};

} // namespace

IDeviceIo &SystemDeviceIo() {
    static CNoDeviceIo io;
    return io;
}

} // namespace platform
