// The camera's four address spaces as plain bytes: sensor registers (16-bit addresses),
// capture and FPGA registers (8-bit addresses) and the non-volatile memory. No lock: the
// camera that owns it holds its own.
#pragma once
#include "sim/SimConstants.h"
#include <array>
#include <cstdint>
#include <string>

namespace sim {

class CRegisterFile {
public:
    CRegisterFile();

    // What a power cycle leaves: the registers at their power-on values. The non-volatile
    // memory keeps its contents.
    void PowerOn();

    uint8_t Sensor(uint16_t address) const { return m_sensor[address]; }
    uint8_t Capture(uint8_t address) const { return m_capture[address]; }
    uint8_t Fpga(uint8_t address) const { return m_fpga[address]; }
    uint8_t Memory(uint16_t address) const { return m_memory[address]; }
    void SetSensor(uint16_t address, uint8_t value) { m_sensor[address] = value; }
    void SetCapture(uint8_t address, uint8_t value) { m_capture[address] = value; }
    void SetFpga(uint8_t address, uint8_t value) { m_fpga[address] = value; }
    void SetMemory(uint16_t address, uint8_t value) { m_memory[address] = value; }

    // Little-endian fields spread over consecutive registers.
    uint32_t SensorField(uint16_t first, int bytes) const;
    uint32_t CaptureField(uint8_t first, int bytes) const;
    void SetSensorField(uint16_t first, int bytes, uint32_t value);
    void SetCaptureField(uint8_t first, int bytes, uint32_t value);

    uint32_t FramePixelCount() const;
    void SetFramePixelCount(uint32_t pixels);
    uint32_t BytesPerPixel() const;
    bool TriggerMode() const { return m_fpga[fr::kTriggerMode] == fr::kTriggerOn; }

    // The serial number at 0x1EC0: up to 32 ASCII bytes, ended by 0xFF when shorter.
    void SetSerial(const std::string &serial);
    std::string Serial() const;

private:
    std::array<uint8_t, kSensorRegisters> m_sensor;
    std::array<uint8_t, kCaptureRegisters> m_capture;
    std::array<uint8_t, kFpgaRegisters> m_fpga;
    std::array<uint8_t, kMemoryBytes> m_memory;
};

} // namespace sim
