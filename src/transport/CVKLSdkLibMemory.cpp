// The camera's non-volatile memory: serial number, variant byte and the SROM ID area.
#include "transport/CVKLSdkLib.h"
#include <cstring>

namespace {
constexpr uint16_t kFirstReadable = 0x1800;
constexpr uint16_t kSromBase = 0x1800;
constexpr uint16_t kSerialBase = 0x1EC0;
constexpr int kSerialBytes = 32;
constexpr uint32_t kWritePauseMs = 10;
constexpr uint32_t kSerialBytePauseMs = 10;
} // namespace

bool CVKLSdkLib::ReadMemoryByte(uint16_t address, uint8_t *value) {
    if (address < kFirstReadable)
        return false;
    cmd::Buffer buffer = cmd::MemoryRead(address);
    bool secondOk = false;
    if (!QueryExchange(buffer, true, nullptr, &secondOk) || !secondOk)
        return false;
    if (value)
        *value = buffer[0];
    return true;
}

bool CVKLSdkLib::ReadSromByte(int index, uint8_t *value) {
    return ReadMemoryByte(static_cast<uint16_t>(kSromBase + (index & 0xFF)), value);
}

bool CVKLSdkLib::WriteSromByte(int index, int value) {
    // The memory needs the pause to commit the byte before the device is closed.
    return CommandExchange(cmd::SromWrite(static_cast<uint8_t>(index & 0xFF), static_cast<uint8_t>(value & 0xFF)),
                           kWritePauseMs);
}

bool CVKLSdkLib::ReadSerialBytes(uint8_t serial[32]) {
    std::memset(serial, 0, kSerialBytes);
    bool answered = false;
    for (int i = 0; i < kSerialBytes; ++i) {
        uint8_t byte = 0;
        if (!ReadMemoryByte(static_cast<uint16_t>(kSerialBase + i), &byte))
            break;
        if (byte == 0xFF) {
            if (i == 0)
                answered = true;
            break;
        }
        serial[i] = byte;
        m_io.Pause(kSerialBytePauseMs);
        answered = true;
    }
    return answered;
}
