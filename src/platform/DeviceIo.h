// Device I/O: the only way the transport reaches a camera. On Windows it is the
// camera maker's kernel driver (CreateFileA / DeviceIoControl / CloseHandle); the
// simulated camera answers the same calls inside the process.
#pragma once
#include <cstdint>

namespace platform {

using DeviceHandle = void *; // null: not open

// The five control codes of the kernel driver (device type 0x22, any access).
constexpr uint32_t IOCTL_PIPE_OUT_DIRECT = 0x22204E;       // function 0x813, out-direct
constexpr uint32_t IOCTL_PIPE_IN_DIRECT = 0x222051;        // function 0x814, in-direct
constexpr uint32_t IOCTL_PIPE_OUT_DIRECT_LARGE = 0x2220A6; // function 0x829, out-direct
constexpr uint32_t IOCTL_PIPE_IN_DIRECT_LARGE = 0x2220A9;  // function 0x82A, in-direct
constexpr uint32_t IOCTL_SET_TRANSFER_TIMEOUT = 0x2220A0;  // function 0x828, buffered

// Pipes, named by a 4-byte number passed as the input buffer of the pipe codes.
constexpr uint32_t kCommandPipe = 0; // 64-byte commands to the camera
constexpr uint32_t kReplyPipe = 1;   // 64-byte replies
constexpr uint32_t kImagePipe = 2;   // frame data

class IDeviceIo {
public:
    virtual ~IDeviceIo() = default;

    // CreateFileA(path, GENERIC_WRITE, FILE_SHARE_WRITE, null, OPEN_EXISTING, 0, null).
    // Returns null when the path does not open.
    virtual DeviceHandle Open(const char *path) = 0;

    // CloseHandle.
    virtual bool Close(DeviceHandle handle) = 0;

    // DeviceIoControl(handle, code, in, inBytes, out, outBytes, &returned, null).
    // True on success, with the byte count in *returned.
    virtual bool Control(DeviceHandle handle, uint32_t code, const void *in, uint32_t inBytes, void *out,
                         uint32_t outBytes, uint32_t *returned) = 0;

    // Every fixed pause of the register protocol goes through here: a real camera needs
    // the time, the simulated one records the pause and answers at once.
    virtual void Pause(uint32_t ms) = 0;
};

// The kernel driver's side: real device paths (Windows), or none at all (native build).
IDeviceIo &SystemDeviceIo();

} // namespace platform
