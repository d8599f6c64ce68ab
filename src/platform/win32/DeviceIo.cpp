#include "platform/DeviceIo.h"
#include "platform/win32/Win32.h"

namespace platform {
namespace {

class CKernelDeviceIo final : public IDeviceIo {
public:
    DeviceHandle Open(const char *path) override {
        HANDLE h = CreateFileA(path, GENERIC_WRITE, FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
        return h == INVALID_HANDLE_VALUE ? nullptr : h;
    }
    bool Close(DeviceHandle handle) override { return CloseHandle(handle) != FALSE; }
    bool Control(DeviceHandle handle, uint32_t code, const void *in, uint32_t inBytes, void *out,
                 uint32_t outBytes, uint32_t *returned) override {
        DWORD count = 0;
        BOOL ok = DeviceIoControl(handle, code, const_cast<void *>(in), inBytes, out, outBytes, &count, nullptr);
        if (returned)
            *returned = count;
        return ok != FALSE;
    }
    void Pause(uint32_t ms) override { Sleep(ms); }
};

} // namespace

IDeviceIo &SystemDeviceIo() {
    static CKernelDeviceIo io;
    return io;
}

} // namespace platform
