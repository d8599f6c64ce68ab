// The 64-byte commands through which every register, memory and frame operation talks
// to the camera. Byte 0 is the command code; unused bytes are zero.
#pragma once
#include <array>
#include <cstdint>

namespace cmd {

constexpr uint8_t STREAM_START = 0x01;
constexpr uint8_t FRAME_REQUEST = 0x02;
constexpr uint8_t SENSOR_WRITE = 0x04;
constexpr uint8_t INITIALIZE = 0x06;
constexpr uint8_t SET_TRANSFER_SIZE = 0x09;
constexpr uint8_t SET_WORD_MODE = 0x0A;
constexpr uint8_t SENSOR_READ = 0x0C;
constexpr uint8_t CAPTURE_WRITE = 0x0E;
constexpr uint8_t CAPTURE_READ = 0x0F;
constexpr uint8_t FPGA_WRITE = 0x25;
constexpr uint8_t FPGA_READ = 0x26;
constexpr uint8_t MEMORY_WRITE = 0x40;
constexpr uint8_t MEMORY_READ = 0x41;

constexpr uint32_t kSize = 64;
using Buffer = std::array<uint8_t, kSize>;

inline Buffer Make(uint8_t code, std::initializer_list<uint8_t> args = {}) {
    Buffer b{};
    b[0] = code;
    size_t i = 1;
    for (uint8_t a : args)
        b[i++] = a;
    return b;
}

inline uint8_t Hi(uint16_t v) { return static_cast<uint8_t>(v >> 8); }
inline uint8_t Lo(uint16_t v) { return static_cast<uint8_t>(v); }

inline Buffer SensorWrite(uint16_t address, uint8_t value) { return Make(SENSOR_WRITE, {Hi(address), Lo(address), value}); }
inline Buffer SensorRead(uint16_t address) { return Make(SENSOR_READ, {Hi(address), Lo(address)}); }
inline Buffer CaptureWrite(uint8_t address, uint8_t value) { return Make(CAPTURE_WRITE, {address, value}); }
inline Buffer CaptureRead(uint8_t address) { return Make(CAPTURE_READ, {address}); }
inline Buffer FpgaWrite(uint8_t address, uint8_t value) { return Make(FPGA_WRITE, {address, value}); }
inline Buffer FpgaRead(uint8_t address) { return Make(FPGA_READ, {address}); }
inline Buffer MemoryRead(uint16_t address) { return Make(MEMORY_READ, {0x51, 0x02, 0x01, Hi(address), Lo(address)}); }
inline Buffer SromWrite(uint8_t index, uint8_t value) { return Make(MEMORY_WRITE, {0x51, 0x03, 0x18, index, value}); }
inline Buffer SetTransferSize(uint32_t pixels) {
    return Make(SET_TRANSFER_SIZE, {static_cast<uint8_t>(pixels), static_cast<uint8_t>(pixels >> 8),
                                    static_cast<uint8_t>(pixels >> 16), static_cast<uint8_t>(pixels >> 24)});
}

} // namespace cmd
