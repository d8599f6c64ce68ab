// The object behind one camera handle: owns the driver object, the image buffers,
// the capture threads, the preview window, the settings and the error history.
#pragma once
#include "camera/CAcquisition.h"
#include "camera/CAutoExposure.h"
#include "camera/CDialogNotifierList.h"
#include "camera/CameraServices.h"
#include "camera/CErrorHistory.h"
#include "camera/CRecorder.h" // AVI recording
#include "camera/IDialogNotifier.h"
#include "camera/OwnershipTable.h"
#include "image/CProcessingChain.h"
#include "image/DefectFilters.h"
#include "image/CImageBuffer.h"
#include "model/CVonkel430NVTXQELSdk.h"
#include "platform/SharedMapping.h"
#include "platform/Types.h"
#include "settings/SettingsTypes.h"
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

class CRegistrySettings;

class CVonkel : private IExposureControl, private IAcquisitionHost {
public:
    static constexpr int kDeviceNameLength = 20; // "Vonkel430NVTX-QEL_01"
    static constexpr const char *kDeviceBaseName = "Vonkel430NVTX-QEL";
    static constexpr int kNameEntryChars = 256;  // entries of the EnumDevice arrays

    explicit CVonkel(const CameraServices &services);
    ~CVonkel() override;
    CVonkel(const CVonkel &) = delete;
    CVonkel &operator=(const CVonkel &) = delete;

    int Initialize(WindowHandle notifyWindow);

    // ---- error history and notification ----
    int RaiseError(int32_t code) override;
    void PostError(int32_t code); // post only: not recorded, window not checked
    int32_t GetLastError() { return m_errors.Pop(); }
    CErrorHistory &Errors() { return m_errors; }

    // ---- the device-ownership table (0 only when there is no shared view) ----
    int ClaimDevice(int device) override;
    int ReleaseDevice(int device) override;

    // ---- devices ----
    int SetDeviceNumber(int number);
    int EnumDevice(char (*names)[kNameEntryChars]);
    int EnumDeviceW(wchar_t (*names)[kNameEntryChars]);
    int GetDeviceName(int number, char *text, int length);
    int GetDeviceNameW(int number, wchar_t *text, int length);
    int GetCameraInfo(void *info);

    // ---- registers and memory ----
    int ReadSensorRegister(int address, int *ok);
    int WriteSensorRegister(int address, int value);
    int ReadFpgaRegister(int address, int *ok);
    int WriteFpgaRegister(int address, int value);
    int GetIOPort(uint8_t *value);
    int SetIOPort(int value);
    int ReadSerialNumber(char *text, int length);
    int ReadSerialNumberW(wchar_t *text, int length);
    int ReadSromID(int index, int *ok);
    int WriteSromID(int index, int value);
    double GetTemperatureEx(int *ok);

    // ---- acquisition: the mode entries are the acquisition's (CAcquisition) ----
    int StartPreview() { return NeedsDriver() ? m_acquisition.StartPreview() : 0; }
    int StopPreview() { return NeedsDriver() ? m_acquisition.StopPreview() : 0; }
    int Preview() { return CallBackPreview(nullptr, nullptr, 0, 0); }
    int CallBackPreview(WindowHandle window, uint8_t *buffer, int32_t length, int rowOrder) {
        return m_acquisition.CallBackPreview(window, buffer, length, rowOrder);
    }
    int Capture() { return NeedsDriver() ? m_acquisition.Capture() : 0; }
    int SnapShot(uint8_t *buffer, int32_t length, int rowOrder) {
        return NeedsDriver() ? m_acquisition.SnapShot(buffer, length, rowOrder) : 0;
    }
    int GetImage(uint8_t *buffer, int32_t length, int rowOrder) {
        return NeedsDriver() ? m_acquisition.GetImage(buffer, length, rowOrder) : 0;
    }
    int Trigger(WindowHandle window, uint8_t *buffer, int32_t length, int rowOrder) {
        return NeedsDriver() ? m_acquisition.Trigger(window, buffer, length, rowOrder) : 0;
    }
    int Close() { return m_acquisition.Close(); }
    int GetRealExposureTime(int *ok);
    int SetPreviewWindow(WindowHandle parent, int x, int y, int width, int height);
    CAcquisition &Acquisition() { return m_acquisition; }
    AcquisitionState Mode() const { return m_acquisition.Mode(); }
    // Idles a running trigger loop (and lets it go on again) while the stream format
    // dialog is open.
    void HoldTriggerLoop(bool hold) { m_acquisition.HoldTriggerLoop(hold); }
    bool FrameAvailable() const { return m_acquisition.FrameAvailable(); }
    // Read under the image lock.
    const FrameInfo &LastFrameInfo() const { return m_acquisition.LastFrameInfo(); }
    platform::CPreviewWindow *PreviewWindow() { return m_acquisition.PreviewWindow(); }
    CImageBuffer *Buffer(BufferIndex index) { return m_chain.Buffer(index); }
    // The buffer holding the finished picture of the current colour mode.
    CImageBuffer *OutputBuffer() { return m_chain.Output(); }
    std::mutex &ImageLock() { return m_imageLock; }
    // Returns once no frame is being processed: a setting changed before this call is seen
    // by every correction the capture thread makes after it.
    void WaitForFrameInProgress() { std::lock_guard<std::mutex> wait(m_imageLock); }

    // ---- per-frame processing and defect correction ----
    // Runs the processing chain on the raw buffer of the capture's colour mode with the
    // settings as they are at this moment; the caller holds the image lock.
    void ProcessFrame() override;
    // The Bayer mode the routines get: the stored one adjusted for the camera's mirroring.
    int AdjustedBayerMode() const;
    // Where the pixels of a frame of the capture window come from on the sensor, as the
    // camera reads it out with the current subsampling and mirrors; under the image lock.
    SensorReadout Readout() const;
    int UpdateMaskData(int kind);
    int SaveMaskFile(const char *path);
    int LoadMaskFile(const char *path);
    int LoadConfigFile(const char *path);
    std::vector<DefectPoint> DefectList();
    // The property dialogs open on this camera: the frame processing tells them about
    // measurements, a release ends them.
    CDialogNotifierList &Dialogs() { return m_dialogs; }

    // ---- still images (CVonkelSave.cpp) ----
    // Writes the current picture to `path` in a format numbered as still::Format: 1, or
    // 0 with error 1 before the first frame since the device was opened or closed or
    // without a picture, and 0 with nothing recorded when the file cannot be written.
    int SaveImage(const char *path, int format);
    // The same for the wide export, which refuses only before the first frame ever: the
    // picture Close keeps is saved too.
    int SaveKeptImage(const char *path, int format);

    // ---- parameter setters and filter values ----
    int SetFilterValue(int number, uint32_t value);
    int GetFilterValue(int number, int *ok);
    int SetColorMode(int bits);
    int GetColorModeBits() const;
    int SetConfigFilter(int value);
    int GetConfigFilter() const { return m_configFilter.load(); }
    int SetSubSample(int value);
    int SetMirrorH(int flag);
    int SetMirrorV(int flag);
    int GetMirrorH();
    int GetMirrorV();
    int SetExposureTimeEx(double seconds);
    // Whether the exposure was last given in lines rather than in seconds.
    bool ExposureSetAsLines() const { return m_exposureSetAsLines.load() != 0; }
    double GetExposureTimeEx(int *ok);
    int SetRealExposureTime(int microseconds);
    int SetCaptureWindow(int th, int tv);
    int SetCaptureWindowEx(int th, int hs, int he, int tv, int vs, int ve);
    int GetCaptureWindowEx(int *th, int *hs, int *he, int *tv, int *vs, int *ve) const;
    int SetAutoIris(int mode);
    int GetAutoIris(int *ok) const;
    int SetWaitTime(int ms);

    // ---- plain field reads ----
    int Width() const { return m_window.EH; }
    int Height() const { return m_window.EV; }
    const CaptureWindow &Window() const { return m_window; }
    WindowHandle NotifyWindow() const { return m_notifyWindow; }
    platform::ISettingsStore &SettingsStore() const { return *m_services.settings; }
    void *SharedView() const { return m_mapping.View(); }
    CVonkel430NVTXQELSdk *Driver() const { return m_driver.get(); }
    int DeviceNumber() const { return m_deviceNumber; }
    int ColorMode() const { return m_colorMode.load(); }
    int SubSample() const { return m_subSample.load(); }
    int WaitTime() const override { return m_waitTime.load(); }
    int Clock() const { return m_clock; }
    const FilterValues &Filters() const { return m_filters; }
    // The image filter dialog edits the block in place while frames are processed: each
    // value is one atomic, taken whole by the next frame.
    FilterValues &EditFilters() { return m_filters; }
    const AnalogSettings &Analog() const { return m_analog; }

    // Size check of a capture window for a subsampling mode.
    static bool CaptureWindowValid(const CaptureWindow &window, int subSample);

private:
    // Records error 1 and gives false when there is no camera.
    bool NeedsDriver();
    // The saves' common part: refused with error 1 unless `pictureTaken`.
    int SavePicture(const char *path, int format, bool pictureTaken);
    // A checked capture window, for the instance and the camera at once.
    void UseWindow(const CaptureWindow &window);
    // Whether another instance (of any process) streams the device: a claim in the
    // ownership table that is not this instance's.
    bool StreamedElsewhere(int device) const;
    // The acquisition's way to the instance.
    int32_t CaptureRefusal() override;
    int CaptureColorMode() const override { return m_colorMode.load(); }
    void CaptureSize(int *width, int *height) const override;
    void ApplyCaptureSettings() override;
    void PreviewPictureReady() override { m_recorder.NewFrame(); }
    void AcquisitionStopped() override { m_recorder.Stop(); }
    // The automatic exposure's way to the camera.
    bool ReadGain(int *gain) override;
    void GainRange(int *low, int *high) override;
    void ApplyGain(int gain) override;
    int ExposureLines() override;
    void ExposureLinesRange(int *low, int *high) override;
    void ApplyExposureLines(int lines) override;
    // One frame's settings, taken together; and what the frame measured, kept.
    ProcessingSettings FrameSettings();
    void KeepMeasurements(const ProcessingResults &results);

    // Registry work of initialisation, device switch and teardown.
    AnalogDefaults DriverAnalogDefaults() const;
    // `apply` false leaves the camera as it is (another instance streams it); a capture
    // start applies the settings.
    void ReadDeviceSettings(CRegistrySettings &registry, int device, bool apply);
    void WriteDeviceSettings(CRegistrySettings &registry, int device);
    void ApplyAnalogSettings();
    // Exposure as the camera should get it at the next capture start: in lines when the
    // application last gave lines, else in seconds.
    void ApplyExposure();
    void StoreExposureLines(uint32_t lines);
    bool FormatDeviceName(int number, char *out, size_t size) const;
    bool DeviceNameAllowed(int number, const void *text, int length);
    template <class Read>
    int RegisterRead(int *ok, Read &&read);
    template <class Write>
    int RegisterWrite(Write &&write);
    // ---- given at construction; set by Initialize, then read by every thread; gone
    // only at teardown ----
    const CameraServices m_services;
    // The shared mapping holding the device-ownership table.
    platform::CSharedMapping m_mapping;
    // The camera driver object; it has locks of its own for its buffers and threads.
    std::unique_ptr<CVonkel430NVTXQELSdk> m_driver;
    // The notification window.
    WindowHandle m_notifyWindow = nullptr;
    // Who this instance is in the ownership table's records it claims.
    const uint64_t m_ownerIdentity = ownership::NewIdentity();
    // Errors of every thread; the history has its own lock.
    CErrorHistory m_errors;

    // ---- settings: written by application threads, read by the capture thread ----
    // Single values are atomics and take effect at the latest with the next frame; a
    // change of several filter values at once and the frame's settings snapshot take
    // m_filterLock, so a frame sees all of such a change or none of it.
    FilterValues m_filters;
    AnalogSettings m_analog;
    std::mutex m_filterLock;
    std::atomic<int32_t> m_configFilter{0};
    std::atomic<int32_t> m_maskFilter{0};
    std::atomic<int32_t> m_dotFilter{0};
    std::atomic<int32_t> m_colorMode{0};
    std::atomic<int32_t> m_subSample{0};
    std::atomic<int32_t> m_waitTime{10};
    // Whether the exposure was last given in lines (filter 18, microseconds, automatic
    // exposure) rather than in seconds.
    std::atomic<int> m_exposureSetAsLines{0};
    // The capture window: replaced under the image lock, read by the capture thread
    // under it.
    CaptureWindow m_window;
    // Application threads only.
    int32_t m_clock = 0;
    int32_t m_deviceNumber = 0;
    int m_settingsLoaded = 0; // set by the first device switch: a switch then saves the old device's settings
    bool m_settingsRead = false; // Initialize read the device's settings: teardown writes only those
    // The millisecond exposure's computation (GetRealExposureTime), made by any thread
    // calling on the handle and by every capture start.
    std::atomic<int32_t> m_realLineCount{0};
    std::atomic<int32_t> m_realExposureLines{1};
    std::atomic<double> m_realLinePeriod{1.0};
    std::atomic<int32_t> m_realExposureMs{0};

    // ---- the image lock: the capture thread against the application's image calls;
    // after the mode lock (the acquisition's), before the chain's mask lock. Never held
    // while a window is made or destroyed or a notification is posted; register I/O
    // under it only where a frame's automatic exposure needs the camera's gain. ----
    std::mutex m_imageLock;
    // The processing chain: image buffers (under the image lock) and the mask (under its
    // own mask lock).
    CProcessingChain m_chain;
    // Open property dialogs; its lock is taken under the image lock by the capture thread.
    CDialogNotifierList m_dialogs;
    CAutoExposure m_autoExposure{*this, m_analog.autoIris, m_dialogs};
    // Modes, capture thread, preview window and delivery; it owns the mode lock.
    CAcquisition m_acquisition{*this, m_imageLock, m_chain};

    // ---- AVI recording (CVonkelRecord.cpp, CRecorder) ----------------------------------
    // The preview loop sets the recorder's new-frame flag after each processed picture;
    // StopPreview, Close and teardown stop the recorder, which finishes its file.
public:
    // Starts the preview and records its pictures for `milliseconds` (counted from the
    // first new picture) into an AVI file. 1 when recording has started.
    int Record(const char *path, int milliseconds, int showWindow);
    CRecorder &Recorder() { return m_recorder; }

private:
    // Declared last: built once everything it reads exists, stopped before anything goes.
    CRecorder m_recorder{RecorderSource{&m_imageLock, [this]() -> const CImageBuffer * { return OutputBuffer(); },
                                        [this] { return m_acquisition.Running(); },
                                        [this](int32_t code) { RaiseError(code); }}};
};

