// The simulated cameras behind the device I/O interface: the kernel driver's view of up to
// 32 cameras, answering device paths, the control codes and the pauses.
//
// Conventions the host relies on:
// - Paths "\\.\Vonk430NVTXQEL-<suffix>" (base name and suffix in any case) open while a
//   camera sits at that device number and is plugged in; each open gives a new handle, any
//   number at once. Handles are tokens of this object, never reused; a closed or foreign
//   handle fails every call.
// - The pipe codes (all four) take the 4-byte pipe number as input and the caller's buffer
//   as output; the pipe number decides the direction: pipe 0 takes a 64-byte command from
//   the buffer, pipe 1 gives a 64-byte reply, pipe 2 gives a frame. *returned is the count
//   of bytes moved.
// - Replies are kept with the handle that wrote the query: after a read command the first
//   reply read answers byte 0 = complement of the value (byte 1 the command, byte 2 = 1),
//   the second byte 0 = the value (byte 1 the command). A reply read with no query pending
//   (also a third one) fails with 0 bytes; any command written on the handle drops a pending
//   reply. A reply read needs a buffer of at least 64 bytes.
// - A frame read needs a frame request (command 0x02, on any handle of the camera) sent
//   before it; without one it waits for the transfer timeout and fails. The frame is the
//   FPGA's pixel count times 1 or 2 bytes; a larger buffer gets the frame and the real
//   count, a smaller one fails (the frame is lost).
// - IOCTL_SET_TRANSFER_TIMEOUT takes exactly the 44-byte record with 1 at offset 0; the
//   timeout at offset 4 is kept per camera for its frame reads (0 or negative: 3000 ms,
//   at most 600 000 ms).
// - Pause records the pause in the log and returns at once, unless pauses are real.
#pragma once
#include "platform/DeviceIo.h"
#include "sim/CProtocolLog.h"
#include "sim/CSimCamera.h"
#include "sim/CSimConfig.h"
#include <array>
#include <atomic>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace sim {

class CSimulatedCameras final : public platform::IDeviceIo {
public:
    explicit CSimulatedCameras(const CSimConfig &config);
    ~CSimulatedCameras() override;

    platform::DeviceHandle Open(const char *path) override;
    bool Close(platform::DeviceHandle handle) override;
    bool Control(platform::DeviceHandle handle, uint32_t code, const void *in, uint32_t inBytes, void *out,
                 uint32_t outBytes, uint32_t *returned) override;
    void Pause(uint32_t ms) override;

    // The camera at a device number, or null when none sits there.
    CSimCamera *Camera(int device);
    std::vector<int> Devices() const;
    CProtocolLog &Log() { return m_log; }
    size_t OpenHandles() const;
    void SetPacing(Pacing pacing);            // for every camera
    void SetRealtimePauses(bool realtime);

    // "\\.\Vonk430NVTXQEL-0" ... "\\.\Vonk430NVTXQEL-V" (22 is N, 23 is M).
    static std::string DevicePath(int device);
    // The device number a path names, or -1.
    static int DeviceFromPath(const char *path);

private:
    struct CHandle {
        CSimCamera *camera;
        uint64_t generation;
        std::mutex lock; // the pending reply
        std::optional<CReply> reply;
        bool firstReplyRead = false;
    };

    std::shared_ptr<CHandle> Find(platform::DeviceHandle handle) const;
    bool WriteCommand(CHandle &h, uint32_t code, const uint8_t *out, uint32_t outBytes, uint32_t *returned);
    bool ReadReply(CHandle &h, uint8_t *out, uint32_t outBytes, uint32_t *returned);

    CProtocolLog m_log;
    std::array<std::unique_ptr<CSimCamera>, kMaxDevices> m_cameras;
    mutable std::mutex m_handlesLock;
    std::map<uintptr_t, std::shared_ptr<CHandle>> m_handles;
    std::atomic<bool> m_realtimePauses;
};

} // namespace sim
