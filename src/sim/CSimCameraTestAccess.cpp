// Test access to the simulated camera: its registers and memory read and set directly,
// bypassing the command protocol, and its counters.
#include "sim/CSimCamera.h"

namespace sim {

uint8_t CSimCamera::PeekSensor(uint16_t address) const {
    std::lock_guard<std::mutex> lock(m_lock);
    return ReadSensorLocked(address);
}

uint8_t CSimCamera::PeekCapture(uint8_t address) const {
    std::lock_guard<std::mutex> lock(m_lock);
    return m_registers.Capture(address);
}

uint8_t CSimCamera::PeekFpga(uint8_t address) const {
    std::lock_guard<std::mutex> lock(m_lock);
    return m_registers.Fpga(address);
}

uint8_t CSimCamera::PeekMemory(uint16_t address) const {
    std::lock_guard<std::mutex> lock(m_lock);
    return m_registers.Memory(address);
}

void CSimCamera::PokeSensor(uint16_t address, uint8_t value) {
    std::lock_guard<std::mutex> lock(m_lock);
    m_registers.SetSensor(address, value);
    m_changed.notify_all();
}

void CSimCamera::PokeCapture(uint8_t address, uint8_t value) {
    std::lock_guard<std::mutex> lock(m_lock);
    m_registers.SetCapture(address, value);
}

void CSimCamera::PokeFpga(uint8_t address, uint8_t value) {
    std::lock_guard<std::mutex> lock(m_lock);
    WriteFpgaLocked(address, value);
}

void CSimCamera::PokeMemory(uint16_t address, uint8_t value) {
    std::lock_guard<std::mutex> lock(m_lock);
    m_registers.SetMemory(address, value);
}

bool CSimCamera::IsStarted() const {
    std::lock_guard<std::mutex> lock(m_lock);
    return m_forcedStart || m_startup.Started();
}

uint32_t CSimCamera::StartupTableWrites() const {
    std::lock_guard<std::mutex> lock(m_lock);
    return m_startup.TableWrites();
}

uint32_t CSimCamera::FrameCounter() const {
    std::lock_guard<std::mutex> lock(m_lock);
    return m_frameCounter;
}

uint64_t CSimCamera::MissedFrames() const {
    std::lock_guard<std::mutex> lock(m_lock);
    return m_pacer.MissedFrames();
}

uint32_t CSimCamera::PendingTriggers() const {
    std::lock_guard<std::mutex> lock(m_lock);
    return m_pacer.PendingTriggers();
}

uint32_t CSimCamera::TransferTimeoutMs() const {
    std::lock_guard<std::mutex> lock(m_lock);
    return m_timeoutMs;
}

bool CSimCamera::WordMode() const {
    std::lock_guard<std::mutex> lock(m_lock);
    return m_wordMode;
}

CSensorState CSimCamera::SensorState() const {
    std::lock_guard<std::mutex> lock(m_lock);
    return CSensorState::FromRegisters(m_registers, m_forcedStart || m_startup.Started());
}

} // namespace sim
