// One simulated camera: its registers and memory, the sensor that renders its frames, its
// pacing and the faults a test injects. The device I/O side (CSimulatedCameras) reaches it
// with the generation of the handle in use: unplugging starts a new generation, so every
// handle opened before fails from then on, also after the camera is plugged in again.
//
// Thread-safe: every member is guarded by m_lock; the renderer has its own lock so that
// frames are drawn outside m_lock.
#pragma once
#include "sim/CFramePacer.h"
#include "sim/CFrameRenderer.h"
#include "sim/CRegisterFile.h"
#include "sim/CSensorState.h"
#include "sim/CSimConfig.h"
#include "sim/CStartupMonitor.h"
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

namespace sim {

class CProtocolLog;

// Which transfers FailNextTransfers makes fail.
enum class TransferKind { Any, Command, Reply, Image };

struct CReply {
    uint8_t code;  // the query command
    uint8_t value; // what was read
};

class CSimCamera {
public:
    CSimCamera(int device, const CSimConfig &config, CProtocolLog &log);
    ~CSimCamera();
    CSimCamera(const CSimCamera &) = delete;
    CSimCamera &operator=(const CSimCamera &) = delete;

    int Device() const { return m_device; }

    // ---- steering, for tests and benchmarks ----
    // A trigger in trigger mode (FPGA 11 = 9): one more frame may go. False (and ignored)
    // when the camera is not in trigger mode.
    bool Trigger();
    void SetAutoTriggerPeriod(uint32_t ms); // 0: off
    // Paths stop opening, every open handle fails, reads in progress fail at once.
    void Unplug();
    // Plugged in again: a power cycle. Registers at their power-on values, the start-up is
    // needed again, the transfer timeout is back at 3000 ms; memory and the frame counter
    // are kept. Handles from before the unplug stay dead.
    void Replug();
    bool IsPlugged() const;
    void FailNextTransfers(uint32_t count, TransferKind kind = TransferKind::Any);
    void ShortNextFrame();   // the next frame not yet cut delivers half its bytes
    void Stall(bool on);     // image reads wait for the transfer timeout and fail
    void CorruptNextReply(); // the next value reply of a query comes back with 32 bytes
    void ClearFaults();      // no more failing, short, stalled or corrupt transfers
    void SetTemperature(double celsius);
    double Temperature() const;
    void SetSerial(const std::string &serial);
    std::string Serial() const;
    void SetPacing(Pacing pacing);
    void SetStill(bool still);
    // Skips the start-up check, for tests of the transport alone.
    void ForceStarted();

    // Register and memory access without the protocol (not logged). Peeks give what a read
    // command would answer; pokes reach the read-only registers too.
    uint8_t PeekSensor(uint16_t address) const;
    uint8_t PeekCapture(uint8_t address) const;
    uint8_t PeekFpga(uint8_t address) const;
    uint8_t PeekMemory(uint16_t address) const;
    void PokeSensor(uint16_t address, uint8_t value);
    void PokeCapture(uint8_t address, uint8_t value);
    void PokeFpga(uint8_t address, uint8_t value);
    void PokeMemory(uint16_t address, uint8_t value);

    bool IsStarted() const;
    uint32_t StartupTableWrites() const;
    uint32_t FrameCounter() const; // the number of the last frame sent, 0 before the first
    // Paced frames the sensor completed while no read was waiting for them: lost before
    // they left the camera.
    uint64_t MissedFrames() const;
    uint32_t PendingTriggers() const;
    uint32_t TransferTimeoutMs() const;
    bool WordMode() const;
    CSensorState SensorState() const;

    // ---- the driver's side ----
    std::optional<uint64_t> OpenGeneration() const; // the generation a new handle gets
    bool ExecuteCommand(uint64_t generation, uint32_t controlCode, const uint8_t *command,
                        std::optional<CReply> *reply);
    // A reply read may go on; *corrupt says whether a value reply must come back cut.
    bool BeginReplyRead(uint64_t generation, bool valueReply, bool *corrupt);
    bool ReadImage(uint64_t generation, uint8_t *out, uint32_t outBytes, uint32_t *returned);
    bool SetTransferTimeout(uint64_t generation, int32_t ms);

private:
    using Clock = CFramePacer::Clock;

    bool ConnectedLocked(uint64_t generation) const { return m_plugged && generation == m_generation; }
    bool FailTransferLocked(TransferKind kind);
    uint8_t ReadSensorLocked(uint16_t address) const;
    void WriteFpgaLocked(uint8_t address, uint8_t value);
    void WriteMemoryCommandLocked(const uint8_t *command);
    std::optional<CReply> ExecuteLocked(const uint8_t *command);
    Clock::duration FramePeriodLocked() const;
    bool WaitLocked(std::unique_lock<std::mutex> &lock, uint64_t generation, Clock::time_point deadline,
                    Clock::time_point *due);
    void PowerOnLocked();
    void UnplugLocked();
    void ReplugLocked();
    // The planned unplug and replug, on a thread of their own from the first stream start.
    void RunFaultTimeline(Clock::time_point streamStart);
    bool PlannedFailLocked() const { return m_faults.failEvery && m_framesRead % m_faults.failEvery == 0; }
    bool PlannedShortLocked() const { return m_faults.shortEvery && m_framesRead % m_faults.shortEvery == 0; }

    const int m_device;
    CProtocolLog &m_log;
    mutable std::mutex m_lock;
    std::condition_variable m_changed; // plug, trigger, request, stall and register changes
    CRegisterFile m_registers;
    CStartupMonitor m_startup;
    CFramePacer m_pacer;
    CFrameRenderer m_renderer;
    bool m_plugged = true;
    uint64_t m_generation = 1;
    bool m_forcedStart = false;
    bool m_wordMode = false;
    uint32_t m_pendingRequests = 0;
    uint32_t m_timeoutMs = kDefaultTimeoutMs;
    uint32_t m_frameCounter = 0;
    uint32_t m_failNext[4] = {};
    uint32_t m_shortFrames = 0; // frames still to cut
    bool m_stalled = false;
    bool m_corruptNextReply = false;
    double m_temperature = kDefaultTemperature;
    Pacing m_pacing;
    bool m_still;
    const CFaultPlan m_faults;
    uint64_t m_framesRead = 0; // frames the sensor handed to reads, for the planned faults
    bool m_closing = false;
    std::thread m_faultTimeline;
};

} // namespace sim
