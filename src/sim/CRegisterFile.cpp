#include "sim/CRegisterFile.h"

namespace sim {

CRegisterFile::CRegisterFile() {
    m_memory.fill(kErasedByte);
    m_memory[kVariantAddress] = kVariantByte;
    PowerOn();
}

void CRegisterFile::PowerOn() {
    m_sensor.fill(0);
    m_capture.fill(0);
    m_fpga.fill(0);
    SetSensorField(sr::kFrameLength0, 3, kPowerOnFrameLines);
    SetSensorField(sr::kLineLength0, 2, kPowerOnLineLength);
    SetSensorField(sr::kShutter0, 2, kPowerOnShutter);
    SetSensorField(sr::kWidth0, 2, kSensorWidth);
    SetSensorField(sr::kHeight0, 2, kSensorHeight);
    m_sensor[sr::kTemperatureControl] = kPowerOnTemperatureControl;
    SetCaptureField(cr::kLogicVersionLow, 2, kPowerOnLogicVersion);
    for (int i = 0; i < 4; ++i)
        m_capture[cr::kLogicVersionHigh + 1 + i] = kPowerOnLogicId[i];
    SetCaptureField(cr::kHeight0, 2, kSensorHeight);
    SetCaptureField(cr::kWidth0, 2, kSensorWidth);
    SetFramePixelCount(kPowerOnFramePixels);
    m_fpga[fr::kOutputWidth] = fr::kOutput8Bit;
}

uint32_t CRegisterFile::SensorField(uint16_t first, int bytes) const {
    uint32_t value = 0;
    for (int i = 0; i < bytes; ++i)
        value |= uint32_t(m_sensor[uint16_t(first + i)]) << (8 * i);
    return value;
}

uint32_t CRegisterFile::CaptureField(uint8_t first, int bytes) const {
    uint32_t value = 0;
    for (int i = 0; i < bytes; ++i)
        value |= uint32_t(m_capture[uint8_t(first + i)]) << (8 * i);
    return value;
}

void CRegisterFile::SetSensorField(uint16_t first, int bytes, uint32_t value) {
    for (int i = 0; i < bytes; ++i)
        m_sensor[uint16_t(first + i)] = uint8_t(value >> (8 * i));
}

void CRegisterFile::SetCaptureField(uint8_t first, int bytes, uint32_t value) {
    for (int i = 0; i < bytes; ++i)
        m_capture[uint8_t(first + i)] = uint8_t(value >> (8 * i));
}

uint32_t CRegisterFile::FramePixelCount() const {
    uint32_t value = 0;
    for (int i = fr::kPixelCount3; i >= fr::kPixelCount0; --i)
        value = (value << 8) | m_fpga[i];
    return value;
}

void CRegisterFile::SetFramePixelCount(uint32_t pixels) {
    for (int i = fr::kPixelCount0; i <= fr::kPixelCount3; ++i)
        m_fpga[i] = uint8_t(pixels >> (8 * i));
}

uint32_t CRegisterFile::BytesPerPixel() const {
    // Only 5 selects 16-bit samples; 4 and anything the logic does not know mean 8 bits.
    return m_fpga[fr::kOutputWidth] == fr::kOutput16Bit ? 2 : 1;
}

void CRegisterFile::SetSerial(const std::string &serial) {
    for (uint32_t i = 0; i < kSerialBytes; ++i)
        m_memory[kSerialAddress + i] = i < serial.size() ? uint8_t(serial[i]) : kSerialEnd;
}

std::string CRegisterFile::Serial() const {
    std::string serial;
    for (uint32_t i = 0; i < kSerialBytes && m_memory[kSerialAddress + i] != kSerialEnd; ++i)
        serial.push_back(char(m_memory[kSerialAddress + i]));
    return serial;
}

} // namespace sim
