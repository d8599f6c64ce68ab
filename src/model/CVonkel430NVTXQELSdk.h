// The driver of the 430NVTX-QEL camera: register access in the camera's four spaces,
// the sensor start-up, and every camera setting as register writes.
#pragma once
#include "model/CVKLSdkLibQEL.h"
#include "model/DriverResult.h"
#include <atomic>
#include <cstdint>
#include <mutex>

class CVonkel430NVTXQELSdk : public CVKLSdkLibQEL {
public:
    // Timing of the sensor.
    static constexpr double kLineTimeNs = 13383.444862040516;
    static constexpr double kExposureOffsetNs = 7372.0;
    static constexpr uint32_t kFrameMarginLines = 15;
    static constexpr int kSensorWidth = 640;
    static constexpr int kSensorHeight = 512;
    static constexpr int kGainMin = 0;
    static constexpr int kGainMax = 420;
    static constexpr int kExposureLinesMin = 1;
    static constexpr int kExposureLinesMax = 16777200;
    static constexpr int kExposureLinesDefault = 2048;

    // Enumerates the devices and selects device 0, with its start-up unless `startUp` is
    // false (see SelectCamera).
    explicit CVonkel430NVTXQELSdk(platform::IDeviceIo &io, bool startUp = true);
    ~CVonkel430NVTXQELSdk() override = default;

    // ---- devices, memory and frame geometry, as the transport has them ----
    using CVKLSdkLib::CloseFrameHandle;
    using CVKLSdkLib::EnumerateDevices;
    using CVKLSdkLib::FrameHeight;
    using CVKLSdkLib::FramePixelCount;
    using CVKLSdkLib::FrameWidth;
    using CVKLSdkLib::GetDeviceIndex;
    using CVKLSdkLib::GetMaxDevices;
    using CVKLSdkLib::IsDevicePresent;
    using CVKLSdkLib::kFrameWaitMs;
    using CVKLSdkLib::kMaxDevices;
    using CVKLSdkLib::ReadMemoryByte;
    using CVKLSdkLib::ReadSerialBytes;
    using CVKLSdkLib::ReadSromByte;
    using CVKLSdkLib::SelectDevice;
    using CVKLSdkLib::SetTransferTimeout;
    using CVKLSdkLib::SetVariant;
    using CVKLSdkLib::WriteSromByte;

    // ---- the stream and single frames, in the driver's own results ----
    DriverResult StartStream();
    DriverResult StopStream();
    // A camera whose stream or frame read failed, or whose single-frame channel died,
    // may have been unplugged and plugged in again, which powers it off: before the next
    // capture starts, it is selected again with its start-up, as at initialisation.
    // Nothing happens when neither is so.
    void RestartIfLost();
    // Waits up to `timeoutMs` for a frame newer than the last one taken.
    FrameState WaitForFrame(uint32_t timeoutMs);
    // The same, taking the frames in the order they came while the ring holds them.
    FrameState WaitForNextFrame(uint32_t timeoutMs);
    FrameTicket LastFrameTicket();
    // Copies the frame WaitForFrame held into `target`.
    DriverResult TakeFrameInto(const FrameTarget &target);
    // Reads one frame on the single-frame channel (opening it when needed) and copies
    // the last one read into `target`.
    DriverResult ReadOneFrame();
    DriverResult CopyOneFrameInto(const FrameTarget &target);

    // ---- model overrides of the virtual interface ----
    int CopyFrame(const FrameTarget &output, const uint8_t *raw) override;
    int SetWordMode(int flag) override;
    bool HasTemperature() override { return true; }
    bool GetTemperature(double *out) override;
    // The readout's two bytes: 12-bit two's complement in eighths of a degree.
    static double TemperatureFromRaw(uint8_t high, uint8_t low);
    bool SetExposure(int units) override;
    int HasRealExposure() override { return 1; }
    bool SetRealExposure(double seconds) override;

    // ---- register spaces ----
    bool ReadSensorRegister(uint16_t address, uint8_t *value);
    bool WriteSensorRegister(uint16_t address, uint8_t value);
    bool ReadCaptureRegister(uint8_t address, uint8_t *value);
    bool WriteCaptureRegister(uint8_t address, uint8_t value);
    bool ReadFpgaRegister(uint8_t address, uint8_t *value);
    bool WriteFpgaRegister(uint8_t address, uint8_t value);

    // ---- device selection and settings ----
    // Without `startUp` only this driver's side is reset and the device opened: a camera
    // that another instance streams keeps its registers (a start-up would stop its sensor
    // and set its window and exposure back).
    int SelectCamera(int index, bool startUp = true);
    // The sensor's power-up sequence (part of SelectCamera; the camera instance runs it
    // once more after reading its stored settings).
    void RunStartup();
    int SetWindow(int x, int y, int width, int height, int subSample);
    bool SetMirrorH(int on);
    bool SetMirrorV(int on);
    bool SetGain(int value);
    bool SetExposureTimeNs(uint64_t nanoseconds);
    bool SetExposureLines(uint32_t lines);
    int SetTriggerMode(int on);
    // The exposure that `lines` sensor lines make, as the camera times it (the inverse of
    // SetExposureTimeNs): what every displayed time is computed from.
    static double SecondsOfLines(double lines) { return (lines * kLineTimeNs + kExposureOffsetNs) / 1e9; }

    // ---- limits and current values ----
    int GetGainMin() const { return kGainMin; }
    int GetGainMax() const { return kGainMax; }
    int GetExposureLinesMin() const { return kExposureLinesMin; }
    int GetExposureLinesMax() const { return kExposureLinesMax; }
    int GetExposureLinesDefault() const { return kExposureLinesDefault; }
    int GetExposureLines(int *out) const;
    int GetMirrorH() const { return m_mirrorH.load(); }
    int GetMirrorV() const { return m_mirrorV.load(); }
    // Gain as the camera holds it (sensor registers 1813:1812); false when unreadable.
    bool GetGain(int *value);
    int GetVariant() const { return m_variant; }
    uint16_t LogicVersion() const { return m_logicVersion.load(); }
    uint32_t FrameLines() const { return m_frameLines.load(); }
    int TriggerFlag() const { return m_triggerFlag.load(); }
    int SubSampleFlag() const { return m_subSample.load(); }

private:
    // A transport wait's answer in the model's frame states.
    FrameState StateOf(int waited);
    // A read command whose value comes back in the second reply (query with pauses).
    bool ReadRegisterReply(cmd::Buffer buffer, uint8_t *value);
    bool WriteSensor(uint16_t address, uint8_t value) { return WriteSensorRegister(address, value); }
    bool WriteCapture(uint8_t address, uint8_t value) { return WriteCaptureRegister(address, value); }
    bool WriteFpga(uint8_t address, uint8_t value) { return WriteFpgaRegister(address, value); }
    void WriteCapture16(uint8_t lowAddress, int value);
    // The register sequences behind the setters, run with m_sequenceLock held.
    bool WriteMirror(int mirrorH, int mirrorV);
    bool WriteExposureLines(uint32_t lines);
    void WriteTriggerTiming();

    // Held around every register sequence that sets one value (gain bytes, exposure,
    // window, mirroring, trigger): two threads setting values at once (an application and
    // the capture thread's automatic exposure) would otherwise interleave their bytes.
    // Innermost lock: nothing is called under it that takes another lock of the instance.
    std::mutex m_sequenceLock;

    // Settings as last given; read by the capture thread (automatic exposure and gain)
    // while the application changes them.
    std::atomic<int> m_windowX{0}, m_windowY{0}, m_windowWidth{640}, m_windowHeight{512};
    std::atomic<int> m_subSample{0};
    std::atomic<int> m_mirrorH{0};
    std::atomic<int> m_mirrorV{0};
    std::atomic<int> m_triggerFlag{0};
    std::atomic<uint16_t> m_logicVersion{0};
    std::atomic<bool> m_readFailed{false}; // a stream or frame read failed since the last start-up
    std::atomic<uint32_t> m_exposureLines{539};
    std::atomic<uint32_t> m_frameLines{536};
    std::atomic<int> m_transferSizeSent{0};
};
