#include "sim/CSimCamera.h"
#include "sim/CProtocolLog.h"
#include <algorithm>
#include <cmath>
#include <cstdio>

namespace sim {

CSimCamera::CSimCamera(int device, const CSimConfig &config, CProtocolLog &log)
    : m_device(device), m_log(log), m_pacer(Clock::now()), m_pacing(config.pacing), m_still(config.still),
      m_faults(config.faults) {
    char serial[kSerialBytes + 1];
    std::snprintf(serial, sizeof serial, kSerialFormat, device);
    m_registers.SetSerial(serial);
    m_pacer.SetAutoTriggerPeriod(config.autoTriggerMs, Clock::now());
}

CSimCamera::~CSimCamera() {
    {
        std::lock_guard<std::mutex> lock(m_lock);
        m_closing = true;
        m_changed.notify_all();
    }
    if (m_faultTimeline.joinable())
        m_faultTimeline.join();
}

void CSimCamera::RunFaultTimeline(Clock::time_point streamStart) {
    std::unique_lock<std::mutex> lock(m_lock);
    // False when the camera is destroyed first.
    const auto reached = [&](uint32_t ms) {
        const auto at = streamStart + std::chrono::milliseconds(ms);
        m_changed.wait_until(lock, at, [&] { return m_closing || Clock::now() >= at; });
        return !m_closing;
    };
    if (!reached(*m_faults.unplugMs))
        return;
    UnplugLocked();
    if (m_faults.replugMs && reached(*m_faults.replugMs))
        ReplugLocked();
}

// ---- steering -------------------------------------------------------------------------------

bool CSimCamera::Trigger() {
    std::lock_guard<std::mutex> lock(m_lock);
    if (!m_registers.TriggerMode())
        return false;
    m_pacer.Trigger();
    m_changed.notify_all();
    return true;
}

void CSimCamera::SetAutoTriggerPeriod(uint32_t ms) {
    std::lock_guard<std::mutex> lock(m_lock);
    m_pacer.SetAutoTriggerPeriod(ms, Clock::now());
    m_changed.notify_all();
}

void CSimCamera::Unplug() {
    std::lock_guard<std::mutex> lock(m_lock);
    UnplugLocked();
}

void CSimCamera::UnplugLocked() {
    if (!m_plugged)
        return;
    m_plugged = false;
    ++m_generation;
    m_changed.notify_all();
}

void CSimCamera::Replug() {
    std::lock_guard<std::mutex> lock(m_lock);
    ReplugLocked();
}

void CSimCamera::ReplugLocked() {
    if (m_plugged)
        return;
    PowerOnLocked();
    m_plugged = true;
    m_changed.notify_all();
}

void CSimCamera::PowerOnLocked() {
    m_registers.PowerOn();
    m_startup.PowerOn();
    const uint32_t autoTrigger = m_pacer.AutoTriggerPeriod();
    m_pacer = CFramePacer(Clock::now());
    m_pacer.SetAutoTriggerPeriod(autoTrigger, Clock::now());
    m_forcedStart = false;
    m_wordMode = false;
    m_pendingRequests = 0;
    m_timeoutMs = kDefaultTimeoutMs;
}

bool CSimCamera::IsPlugged() const {
    std::lock_guard<std::mutex> lock(m_lock);
    return m_plugged;
}

void CSimCamera::FailNextTransfers(uint32_t count, TransferKind kind) {
    std::lock_guard<std::mutex> lock(m_lock);
    m_failNext[static_cast<int>(kind)] = count;
}

void CSimCamera::ShortNextFrame() {
    std::lock_guard<std::mutex> lock(m_lock);
    ++m_shortFrames; // each call cuts one more frame
}

void CSimCamera::Stall(bool on) {
    std::lock_guard<std::mutex> lock(m_lock);
    m_stalled = on;
    m_changed.notify_all();
}

void CSimCamera::ClearFaults() {
    std::lock_guard<std::mutex> lock(m_lock);
    std::fill(std::begin(m_failNext), std::end(m_failNext), 0u);
    m_shortFrames = 0;
    m_stalled = false;
    m_corruptNextReply = false;
    m_changed.notify_all();
}

void CSimCamera::CorruptNextReply() {
    std::lock_guard<std::mutex> lock(m_lock);
    m_corruptNextReply = true;
}

void CSimCamera::SetTemperature(double celsius) {
    std::lock_guard<std::mutex> lock(m_lock);
    m_temperature = celsius;
}

double CSimCamera::Temperature() const {
    std::lock_guard<std::mutex> lock(m_lock);
    return m_temperature;
}

void CSimCamera::SetSerial(const std::string &serial) {
    std::lock_guard<std::mutex> lock(m_lock);
    m_registers.SetSerial(serial);
}

std::string CSimCamera::Serial() const {
    std::lock_guard<std::mutex> lock(m_lock);
    return m_registers.Serial();
}

void CSimCamera::SetPacing(Pacing pacing) {
    std::lock_guard<std::mutex> lock(m_lock);
    m_pacing = pacing;
    m_changed.notify_all();
}

void CSimCamera::SetStill(bool still) {
    std::lock_guard<std::mutex> lock(m_lock);
    m_still = still;
}

void CSimCamera::ForceStarted() {
    std::lock_guard<std::mutex> lock(m_lock);
    m_forcedStart = true;
}

// ---- register behaviour ------------------------------------------------------------------------

uint8_t CSimCamera::ReadSensorLocked(uint16_t address) const {
    if (address != sr::kTemperatureLow && address != sr::kTemperatureHigh)
        return m_registers.Sensor(address);
    // The temperature is only latched while the reading is switched on.
    if ((m_registers.Sensor(sr::kTemperatureControl) & sr::kTemperatureOnBit) == 0)
        return 0;
    const long eighths = std::clamp(std::lround(m_temperature * 8.0), -2048L, 2047L);
    const unsigned raw = unsigned(eighths) & 0x0FFF;
    if (address == sr::kTemperatureLow)
        return uint8_t(raw & 0xFF);
    return uint8_t((raw >> 8) | sr::kTemperatureValidFlag);
}

void CSimCamera::WriteFpgaLocked(uint8_t address, uint8_t value) {
    const bool wasTrigger = m_registers.TriggerMode();
    m_registers.SetFpga(address, value);
    if (m_registers.TriggerMode() != wasTrigger)
        m_pacer.SetTriggerMode(!wasTrigger, Clock::now());
    m_changed.notify_all();
}

void CSimCamera::WriteMemoryCommandLocked(const uint8_t *c) {
    if (c[1] != cmd::kMemorySelect || c[2] != cmd::kMemoryWriteOp)
        return;
    // Only the identification area is writable; the rest of the memory is protected and
    // the camera acknowledges such writes without storing them.
    const uint16_t address = uint16_t((c[3] << 8) | c[4]);
    if (address >= kSromBase && address < kSromBase + kSromBytes)
        m_registers.SetMemory(address, c[5]);
}

std::optional<CReply> CSimCamera::ExecuteLocked(const uint8_t *c) {
    const uint16_t sensorAddress = uint16_t((c[1] << 8) | c[2]);
    switch (c[0]) {
    case cmd::kStreamStart:
        m_pacer.Restart(Clock::now());
        if (m_faults.unplugMs && !m_faultTimeline.joinable())
            m_faultTimeline = std::thread(&CSimCamera::RunFaultTimeline, this, Clock::now());
        return std::nullopt;
    case cmd::kFrameRequest:
        m_pendingRequests = std::min(m_pendingRequests + 1, kMaxPendingRequests);
        return std::nullopt;
    case cmd::kSensorWrite:
        m_registers.SetSensor(sensorAddress, c[3]);
        m_startup.OnSensorWrite(sensorAddress, c[3]);
        return std::nullopt;
    case cmd::kInitialize:
        m_startup.OnInitialize();
        m_forcedStart = false;
        return std::nullopt;
    case cmd::kSetTransferSize:
        m_registers.SetFramePixelCount(c[1] | (uint32_t(c[2]) << 8) | (uint32_t(c[3]) << 16) |
                                       (uint32_t(c[4]) << 24));
        return std::nullopt;
    case cmd::kSetWordMode:
        m_wordMode = c[1] != 0;
        return std::nullopt;
    case cmd::kSensorRead:
        return CReply{c[0], ReadSensorLocked(sensorAddress)};
    case cmd::kCaptureWrite:
        if (c[1] < cr::kFirstReadOnly || c[1] > cr::kLastReadOnly)
            m_registers.SetCapture(c[1], c[2]);
        return std::nullopt;
    case cmd::kCaptureRead:
        return CReply{c[0], m_registers.Capture(c[1])};
    case cmd::kFpgaWrite:
        WriteFpgaLocked(c[1], c[2]);
        return std::nullopt;
    case cmd::kFpgaRead:
        return CReply{c[0], m_registers.Fpga(c[1])};
    case cmd::kMemoryWrite:
        WriteMemoryCommandLocked(c);
        return std::nullopt;
    case cmd::kMemoryRead:
        if (c[1] != cmd::kMemorySelect || c[2] != cmd::kMemoryReadOp || c[3] != cmd::kMemoryReadCount)
            return std::nullopt;
        return CReply{c[0], m_registers.Memory(uint16_t((c[4] << 8) | c[5]))};
    default:
        return std::nullopt; // unknown commands are acknowledged and ignored
    }
}

// ---- the driver's side -----------------------------------------------------------------------------

bool CSimCamera::FailTransferLocked(TransferKind kind) {
    for (uint32_t *count : {&m_failNext[static_cast<int>(kind)], &m_failNext[static_cast<int>(TransferKind::Any)]})
        if (*count > 0) {
            --*count;
            return true;
        }
    return false;
}

std::optional<uint64_t> CSimCamera::OpenGeneration() const {
    std::lock_guard<std::mutex> lock(m_lock);
    if (!m_plugged)
        return std::nullopt;
    return m_generation;
}

bool CSimCamera::ExecuteCommand(uint64_t generation, uint32_t controlCode, const uint8_t *command,
                                std::optional<CReply> *reply) {
    std::lock_guard<std::mutex> lock(m_lock);
    if (!ConnectedLocked(generation) || FailTransferLocked(TransferKind::Command))
        return false;
    m_log.RecordCommand(m_device, controlCode, command);
    *reply = ExecuteLocked(command);
    m_changed.notify_all();
    return true;
}

bool CSimCamera::BeginReplyRead(uint64_t generation, bool valueReply, bool *corrupt) {
    std::lock_guard<std::mutex> lock(m_lock);
    *corrupt = false;
    if (!ConnectedLocked(generation) || FailTransferLocked(TransferKind::Reply))
        return false;
    if (valueReply && m_corruptNextReply) {
        m_corruptNextReply = false;
        *corrupt = true;
    }
    return true;
}

bool CSimCamera::SetTransferTimeout(uint64_t generation, int32_t ms) {
    std::lock_guard<std::mutex> lock(m_lock);
    if (!ConnectedLocked(generation))
        return false;
    // Zero or negative would mean "wait for ever" to some drivers; ours never waits unbounded.
    m_timeoutMs = ms <= 0 ? kDefaultTimeoutMs : std::min(uint32_t(ms), kMaxTimeoutMs);
    return true;
}

CSimCamera::Clock::duration CSimCamera::FramePeriodLocked() const {
    const double lines = m_registers.SensorField(sr::kFrameLength0, 3);
    // A slow link stretches the time between frames, whatever the sensor could deliver.
    const double ns = lines * kLineTimeNs * 100.0 / m_faults.linkPercent;
    return std::chrono::duration_cast<Clock::duration>(std::chrono::nanoseconds(int64_t(ns)));
}

// Waits for a frame request and then for the frame itself, never past the deadline and
// never after the handle's generation ended. False on time-out or unplug. *due is when the
// frame was complete.
bool CSimCamera::WaitLocked(std::unique_lock<std::mutex> &lock, uint64_t generation, Clock::time_point deadline,
                            Clock::time_point *due) {
    bool requested = false;
    std::optional<Clock::time_point> frameDue; // fixed when the wait for the frame begins
    for (;;) {
        if (!ConnectedLocked(generation))
            return false;
        const auto now = Clock::now();
        auto wake = deadline;
        if (!requested && m_pendingRequests > 0) {
            --m_pendingRequests;
            requested = true;
        }
        if (requested && !m_stalled) {
            if (m_pacer.TriggerMode()) {
                *due = m_pacer.TriggerReadyAt(now);
            } else if (m_pacing == Pacing::RealTime) {
                if (!frameDue)
                    frameDue = m_pacer.FrameDue(now, FramePeriodLocked());
                *due = *frameDue;
            } else {
                *due = now;
            }
            if (*due <= now)
                return true;
            wake = std::min(wake, *due);
        }
        if (now >= deadline)
            return false;
        m_changed.wait_until(lock, wake);
    }
}

bool CSimCamera::ReadImage(uint64_t generation, uint8_t *out, uint32_t outBytes, uint32_t *returned) {
    *returned = 0;
    CSensorState state;
    uint32_t number = 0;
    bool cut = false;
    bool still = false;
    {
        std::unique_lock<std::mutex> lock(m_lock);
        if (!ConnectedLocked(generation) || FailTransferLocked(TransferKind::Image))
            return false;
        const auto deadline = Clock::now() + std::chrono::milliseconds(m_timeoutMs);
        Clock::time_point due;
        if (!WaitLocked(lock, generation, deadline, &due))
            return false;
        if (m_pacer.TriggerMode())
            m_pacer.TakeTriggered(Clock::now());
        else
            m_pacer.TakeFreeRunning(due, m_pacing == Pacing::RealTime ? FramePeriodLocked() : Clock::duration::zero());
        state = CSensorState::FromRegisters(m_registers, m_forcedStart || m_startup.Started());
        // A buffer too small for the frame overflows: the frame is lost, the read fails.
        if (state.framePixels > kMaxFramePixels || state.FrameBytes() > outBytes)
            return false;
        number = ++m_frameCounter;
        ++m_framesRead;
        if (PlannedFailLocked())
            return false; // lost on the way: the number is used up, as a real frame's would be
        cut = m_shortFrames > 0 || PlannedShortLocked();
        if (m_shortFrames > 0)
            --m_shortFrames;
        still = m_still;
    }
    m_renderer.Render(state, number, still, out);
    const uint32_t bytes = uint32_t(state.FrameBytes());
    *returned = cut ? bytes / 2 : bytes;
    return true;
}

} // namespace sim
