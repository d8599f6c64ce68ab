// The object behind one camera handle: owns the driver object, the image buffers,
// the capture threads, the preview window, the settings and the error history.
#pragma once
#include "camera/CErrorHistory.h"
#include "model/CVonkel430NVTXQELSdk.h"
#include "platform/SharedMapping.h"
#include "platform/Types.h"
#include "settings/SettingsTypes.h"
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>

class CRegistrySettings;

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

    // 1. Shared mapping holding the device-ownership table.
    platform::CSharedMapping m_mapping;
    // 2. Camera driver object.
    std::unique_ptr<CVonkel430NVTXQELSdk> m_driver;
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
    // 11. Set by the first device switch: from then on a switch saves the old device's settings.
    int m_settingsLoaded = 0;
    // 13. Configuration (defect list) filter on/off.
    std::atomic<int32_t> m_configFilter{0};
    // 17. Preview rectangle: x, y, width, height of a child preview window.
    int32_t m_previewRect[4] = {0, 0, 640, 512};
    // 18. Notification window, set once by Initialize.
    WindowHandle m_notifyWindow = nullptr;
    // 22.-24. Stream format.
    std::atomic<int32_t> m_colorMode{0};
    std::atomic<int32_t> m_subSample{0};
    std::atomic<int32_t> m_waitTime{10};
    int32_t m_clock = 0;
    // 27. Error history.
    CErrorHistory m_errors;
    // 28. The device number chosen by SetDeviceNumber.
    int32_t m_deviceNumber = 0;
    // 29. Mask filter and dot filter on/off.
    std::atomic<int32_t> m_maskFilter{0};
    std::atomic<int32_t> m_dotFilter{0};
};
