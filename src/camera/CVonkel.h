// The object behind one camera handle: owns the driver object, the image buffers,
// the capture threads, the preview window, the settings and the error history.
#pragma once
#include "camera/CErrorHistory.h"
#include "camera/CRecorder.h" // AVI recording
#include "camera/IDialogNotifier.h"
#include "image/DefectFilters.h"
#include "image/CImageBuffer.h"
#include "model/CVonkel430NVTXQELSdk.h"
#include "platform/Event.h"
#include "platform/PreviewWindow.h"
#include "platform/SharedMapping.h"
#include "platform/Types.h"
#include "settings/SettingsTypes.h"
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

class CRegistrySettings;

// Handed to the application with every frame notification (its address is the wParam).
struct FrameInfo {
    int32_t size;         // 32, set by the trigger loop
    int32_t width;
    int32_t height;
    int32_t bitsPerPixel; // 8, 16, 24, 32, 48 or 64
    int32_t fps10;        // frames per second x 10
    int32_t reserved;
    uint64_t buffer;      // the application's buffer
};
static_assert(sizeof(FrameInfo) == 32, "the application reads this layout");

// Acquisition modes.
enum AcquisitionMode { kModeIdle = 0, kModePreview = 1, kModeCapture = 2, kModeTrigger = 3 };

// The instance's image buffers, in the order the instance keeps them.
enum BufferIndex {
    kRaw8, kRaw16, kColor24, kColor32, kColor48, kColor64, kScratch, kDisplay, kSpare,
    kDark8, kBright8, kDark16, kBright16, kHot8, kDead8, kHot16, kDead16, kDot8, kDot16, kBufferCount
};

class CVonkel {
public:
    static constexpr int kDeviceNameLength = 20; // "Vonkel430NVTX-QEL_01"
    static constexpr const char *kDeviceBaseName = "Vonkel430NVTX-QEL";
    static constexpr int kNameEntryChars = 256;  // entries of the EnumDevice arrays

    CVonkel();
    virtual ~CVonkel();
    CVonkel(const CVonkel &) = delete;
    CVonkel &operator=(const CVonkel &) = delete;

    int Initialize(WindowHandle notifyWindow);

    // ---- error history and notification ----
    int RaiseError(int32_t code);
    void PostError(int32_t code); // post only: not recorded, window not checked
    int32_t GetLastError() { return m_errors.Pop(); }
    CErrorHistory &Errors() { return m_errors; }

    // ---- the device-ownership table (0 only when there is no shared view) ----
    int ClaimDevice(int device);
    int ReleaseDevice(int device);

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

    // ---- acquisition ----
    int StartPreview();
    int StopPreview();
    int Preview();
    int CallBackPreview(WindowHandle window, uint8_t *buffer, uint32_t length, int rowOrder);
    int Capture();
    int SnapShot(uint8_t *buffer, uint32_t length, int rowOrder);
    int GetImage(uint8_t *buffer, uint32_t length, int rowOrder);
    int Trigger(WindowHandle window, uint8_t *buffer, uint32_t length, int rowOrder);
    int Close();
    int GetRealExposureTime(int *ok);
    int SetPreviewWindow(WindowHandle parent, int x, int y, int width, int height);
    int Mode() const { return m_mode.load(); }
    bool FrameAvailable() const { return m_frameAvailable.load() != 0; }
    const FrameInfo &LastFrameInfo() const { return m_frameInfo; }
    platform::CPreviewWindow &PreviewWindow() { return m_preview; }
    CImageBuffer *Buffer(BufferIndex index) { return m_buffers[index].get(); }
    // The buffer holding the finished picture of the current colour mode.
    CImageBuffer *OutputBuffer();
    std::recursive_mutex &ImageLock() { return m_imageLock; }

    // ---- per-frame processing and defect correction ----
    // Runs the processing chain on the raw buffer of the capture's colour mode; the
    // caller holds the image lock.
    void ProcessFrame();
    int AutoIris(CImageBuffer *raw);
    int BayerToColor(CImageBuffer *color, CImageBuffer *raw);
    // The Bayer mode the routines get: the stored one adjusted for the camera's mirroring.
    int AdjustedBayerMode() const;
    int UpdateMaskData(int kind);
    int SaveMaskFile(const char *path);
    int LoadMaskFile(const char *path);
    int LoadConfigFile(const char *path);
    std::vector<DefectPoint> DefectList();
    void SetDialogNotifier(IDialogNotifier *notifier) { m_dialogs.store(notifier); }

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
    void *SharedView() const { return m_mapping.View(); }
    CVonkel430NVTXQELSdk *Driver() const { return m_driver.get(); }
    int DeviceNumber() const { return m_deviceNumber; }
    int ColorMode() const { return m_colorMode.load(); }
    int SubSample() const { return m_subSample.load(); }
    int WaitTime() const { return m_waitTime.load(); }
    int Clock() const { return m_clock; }
    const FilterValues &Filters() const { return m_filters; }
    const AnalogSettings &Analog() const { return m_analog; }

    // Size check of a capture window for a subsampling mode.
    static bool CaptureWindowValid(const CaptureWindow &window, int subSample);

private:
    // Registry work of initialisation, device switch and teardown.
    AnalogDefaults DriverAnalogDefaults() const;
    void ReadDeviceSettings(CRegistrySettings &registry, int device);
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
    // Where the frames of a callback mode go.
    void SetDelivery(WindowHandle window, uint8_t *buffer, uint32_t length, int rowOrder);

    // Acquisition.
    int PrepareCapture();
    int StartCaptureThread(int mode);
    void CaptureThread(int mode);
    void PreviewLoop();
    void TriggerLoop();
    int CopyToUser(CImageBuffer *image, int rowOrder, uint8_t *destination, uint32_t length);
    int CopyFrameToRaw(bool fromRing);
    void FillFrameInfo(int32_t size, bool withRate);
    void PostFrame(int32_t code); // under the image lock, which guards the callback window
    void PostFrameTo(WindowHandle window, int32_t code);
    int CreatePreview();
    void ClosePreview();
    int DrawFrame();
    int SizeDisplayBuffer(int32_t width, int32_t height);
    int CaptureWidth() const;
    int CaptureHeight() const;
    // 1. Shared mapping holding the device-ownership table.
    platform::CSharedMapping m_mapping;
    // 2. Camera driver object.
    std::unique_ptr<CVonkel430NVTXQELSdk> m_driver;
    // 3. Image buffers (BufferIndex order).
    std::unique_ptr<CImageBuffer> m_buffers[kBufferCount];
    // 4.-5. Preview window with its device context and class.
    platform::CPreviewWindow m_preview;
    // 6. Capture window.
    CaptureWindow m_window;
    // 7. Image filter and gray filter values.
    FilterValues m_filters;
    // 8. Analog settings.
    AnalogSettings m_analog;
    // 9. Real exposure computation of the millisecond exposure interface.
    int32_t m_realLineCount = 0;
    int32_t m_realExposureLines = 1;
    double m_realLinePeriod = 1.0;
    int32_t m_realExposureMs = 0;
    // Whether the exposure was last given in lines (filter 18, microseconds, automatic
    // exposure) rather than in seconds.
    std::atomic<int> m_exposureSetAsLines{0};
    // 10. Image lock: the image buffers between the capture thread and the application.
    std::recursive_mutex m_imageLock;
    // 11. Set by the first device switch: from then on a switch saves the old device's settings.
    int m_settingsLoaded = 0;
    // 12. Defect list of the configuration file (under the mask lock).
    std::vector<DefectPoint> m_defects;
    // 13. Configuration (defect list) filter on/off.
    std::atomic<int32_t> m_configFilter{0};
    // 15. Capture thread, its completion event and the loop state (1 run, 0 stop).
    std::thread m_captureThread;
    std::unique_ptr<platform::CEvent> m_captureDone;
    std::atomic<int> m_loopState{0};
    // Set by a stop: wakes the preview loop from its pause between turns.
    platform::CEvent m_loopWake{true};
    // Mode changes from several application threads are taken one at a time.
    std::recursive_mutex m_modeLock;
    // 16. Preview parent window.
    WindowHandle m_previewParent = nullptr;
    // 17. Preview rectangle: x, y, width, height of a child preview window.
    int32_t m_previewRect[4] = {0, 0, 640, 512};
    // 18. Notification window, set once by Initialize.
    WindowHandle m_notifyWindow = nullptr;
    // 19. Where frames go: callback window, the application's buffer and row order.
    WindowHandle m_callbackWindow = nullptr;
    uint8_t *m_userBuffer = nullptr;
    uint32_t m_userLength = 0;
    int32_t m_rowOrder = 0;
    // 20. Frame description.
    FrameInfo m_frameInfo{};
    // 21. Acquisition mode.
    std::atomic<int> m_mode{kModeIdle};
    // The device the running preview claimed in the ownership table, -1 for none; a
    // device switch while streaming does not move the claim. Under the mode lock.
    int m_claimedDevice = -1;
    // 22.-24. Stream format.
    std::atomic<int32_t> m_colorMode{0};
    std::atomic<int32_t> m_subSample{0};
    std::atomic<int32_t> m_waitTime{10};
    int32_t m_clock = 0;
    // 25. Set when a capture path has processed a frame; cleared by Close.
    std::atomic<int> m_frameAvailable{0};
    // 26. Frame rate.
    int32_t m_fps10 = 0;
    int32_t m_frameCounter = 0;
    uint32_t m_rateTime = 0;
    // The colour mode the running capture was prepared for.
    std::atomic<int> m_captureColorMode{0};
    // 27. Error history.
    CErrorHistory m_errors;
    // 28. The device number chosen by SetDeviceNumber.
    int32_t m_deviceNumber = 0;
    // 29. Mask filter and dot filter on/off.
    std::atomic<int32_t> m_maskFilter{0};
    std::atomic<int32_t> m_dotFilter{0};
    // 30. Mask lock: references, defect maps and the defect list; taken after the image lock.
    std::recursive_mutex m_maskLock;
    // Open property dialogs to tell about measured values (null when none is open).
    std::atomic<IDialogNotifier *> m_dialogs{nullptr};

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
                                        [this] { return m_loopState.load() != 0; },
                                        [this](int32_t code) { RaiseError(code); }}};
};
