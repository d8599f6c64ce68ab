// The host's side of the exchanges, written from the protocol as a test needs it: each
// register or memory access opens the device path, exchanges its buffers and closes; a
// frame is a frame request followed by a read on the image pipe.
#pragma once
#include "platform/DeviceIo.h"
#include "sim/CSimulatedCameras.h"
#include <array>
#include <cstdint>
#include <initializer_list>
#include <optional>
#include <vector>

namespace simtest {

using Command = std::array<uint8_t, 64>;

inline Command MakeCommand(std::initializer_list<uint8_t> bytes) {
    Command c{};
    size_t i = 0;
    for (uint8_t b : bytes)
        c[i++] = b;
    return c;
}

struct CFrame {
    bool ok = false;
    uint32_t bytes = 0;
    std::vector<uint8_t> data;
};

class CSimHost {
public:
    explicit CSimHost(platform::IDeviceIo &io) : m_io(io) {}

    platform::DeviceHandle Open(int device) { return m_io.Open(sim::CSimulatedCameras::DevicePath(device).c_str()); }

    bool Pipe(platform::DeviceHandle h, uint32_t code, uint32_t pipe, void *buffer, uint32_t bytes,
              uint32_t *returned) {
        return m_io.Control(h, code, &pipe, sizeof pipe, buffer, bytes, returned);
    }
    bool Write(platform::DeviceHandle h, Command c) {
        uint32_t n = 0;
        return Pipe(h, platform::IOCTL_PIPE_IN_DIRECT, platform::kCommandPipe, c.data(), 64, &n) && n == 64;
    }
    // One reply read: the byte count, or nothing when the read failed.
    std::optional<uint32_t> ReadReply(platform::DeviceHandle h, Command *reply) {
        uint32_t n = 0;
        if (!Pipe(h, platform::IOCTL_PIPE_OUT_DIRECT, platform::kReplyPipe, reply->data(), 64, &n))
            return std::nullopt;
        return n;
    }

    bool Send(int device, Command c) {
        platform::DeviceHandle h = Open(device);
        if (!h)
            return false;
        const bool ok = Write(h, c);
        m_io.Close(h);
        return ok;
    }
    // Write, two reply reads; the value is byte 0 of the second, which must be whole.
    std::optional<uint8_t> Query(int device, Command c) {
        platform::DeviceHandle h = Open(device);
        if (!h)
            return std::nullopt;
        std::optional<uint8_t> value;
        Command reply{};
        if (Write(h, c) && ReadReply(h, &reply) && ReadReply(h, &reply) == 64u)
            value = reply[0];
        m_io.Close(h);
        return value;
    }

    bool WriteSensor(int d, uint16_t a, uint8_t v) { return Send(d, MakeCommand({0x04, uint8_t(a >> 8), uint8_t(a), v})); }
    bool WriteCapture(int d, uint8_t a, uint8_t v) { return Send(d, MakeCommand({0x0E, a, v})); }
    bool WriteFpga(int d, uint8_t a, uint8_t v) { return Send(d, MakeCommand({0x25, a, v})); }
    bool WriteSrom(int d, uint8_t index, uint8_t v) { return Send(d, MakeCommand({0x40, 0x51, 0x03, 0x18, index, v})); }
    std::optional<uint8_t> ReadSensor(int d, uint16_t a) { return Query(d, MakeCommand({0x0C, uint8_t(a >> 8), uint8_t(a)})); }
    std::optional<uint8_t> ReadCapture(int d, uint8_t a) { return Query(d, MakeCommand({0x0F, a})); }
    std::optional<uint8_t> ReadFpga(int d, uint8_t a) { return Query(d, MakeCommand({0x26, a})); }
    std::optional<uint8_t> ReadMemory(int d, uint16_t a) {
        return Query(d, MakeCommand({0x41, 0x51, 0x02, 0x01, uint8_t(a >> 8), uint8_t(a)}));
    }
    void WriteSensorField(int d, uint16_t first, int bytes, uint32_t value) {
        for (int i = 0; i < bytes; ++i)
            WriteSensor(d, uint16_t(first + i), uint8_t(value >> (8 * i)));
    }
    void WriteCaptureField(int d, uint8_t first, int bytes, uint32_t value) {
        for (int i = 0; i < bytes; ++i)
            WriteCapture(d, uint8_t(first + i), uint8_t(value >> (8 * i)));
    }

    bool SetTimeout(int device, int32_t ms) {
        uint8_t record[44] = {1};
        for (int i = 0; i < 4; ++i)
            record[4 + i] = uint8_t(uint32_t(ms) >> (8 * i));
        platform::DeviceHandle h = Open(device);
        uint32_t n = 0;
        const bool ok = h && m_io.Control(h, platform::IOCTL_SET_TRANSFER_TIMEOUT, record, 44, nullptr, 0, &n);
        if (h)
            m_io.Close(h);
        return ok;
    }

    // Initialize, a sensor table in ascending order ending at SR 6594 (with the frame
    // length and shutter of the power-up table), then SR 524 = 0.
    void StartUp(int device) {
        Send(device, MakeCommand({0x06}));
        WriteSensor(device, 518, 128);
        WriteSensorField(device, 724, 3, 556);
        WriteSensorField(device, 1088, 3, 24);
        WriteSensor(device, 6594, 70);
        WriteSensor(device, 512, 0);
        WriteSensor(device, 524, 0);
    }

    // A frame request and a frame read on a handle of its own, into a buffer of that size.
    CFrame ReadFrame(platform::DeviceHandle h, uint32_t bufferBytes,
                     uint32_t readCode = platform::IOCTL_PIPE_IN_DIRECT) {
        CFrame frame;
        frame.data.assign(bufferBytes, 0);
        uint32_t n = 0;
        Command request = MakeCommand({0x02});
        Pipe(h, platform::IOCTL_PIPE_OUT_DIRECT, platform::kCommandPipe, request.data(), 64, &n);
        frame.ok = Pipe(h, readCode, platform::kImagePipe, frame.data.data(), bufferBytes, &frame.bytes);
        return frame;
    }
    CFrame ReadFrame(int device, uint32_t bufferBytes) {
        platform::DeviceHandle h = Open(device);
        if (!h)
            return CFrame{};
        CFrame frame = ReadFrame(h, bufferBytes);
        m_io.Close(h);
        return frame;
    }

private:
    platform::IDeviceIo &m_io;
};

} // namespace simtest
