// The object behind one camera handle: owns the driver object, the image buffers,
// the capture threads, the preview window, the settings and the error history.
#pragma once
#include "camera/CErrorHistory.h"
#include "platform/SharedMapping.h"
#include "platform/Types.h"
#include <atomic>
#include <cstdint>
#include <mutex>

// The capture window: the first six are what GetCaptureWindowEx reports, all seven
// are stored per size entry in the registry.
struct CaptureWindow {
    int32_t TH = 640;
    int32_t TV = 512;
    int32_t EH = 640;
    int32_t EV = 512;
    int32_t EHS = 0;
    int32_t EVS = 0;
    int32_t Buf = 4;
};

class CVonkel {
public:
    CVonkel();
    virtual ~CVonkel();
    CVonkel(const CVonkel &) = delete;
    CVonkel &operator=(const CVonkel &) = delete;

    int Initialize(WindowHandle notifyWindow);

    // Error history and notification.
    int RaiseError(int32_t code);
    void PostError(int32_t code); // post only: not recorded, window not checked
    int32_t GetLastError() { return m_errors.Pop(); }
    CErrorHistory &Errors() { return m_errors; }

    // The device-ownership table. Both return 0 only when there is no shared view.
    int ClaimDevice(int device);
    int ReleaseDevice(int device);

    WindowHandle NotifyWindow() const { return m_notifyWindow; }
    const CaptureWindow &Window() const { return m_window; }
    void *SharedView() const { return m_mapping.View(); }

    // Size check of a capture window for a subsampling mode.
    static bool CaptureWindowValid(const CaptureWindow &window, int subSample);

private:
    // 1. Shared mapping holding the device-ownership table.
    platform::CSharedMapping m_mapping;

    // 6. Capture window.
    CaptureWindow m_window;

    // 18. Notification window, set once by Initialize.
    WindowHandle m_notifyWindow = nullptr;

    // 23. Subsampling mode.
    int32_t m_subSample = 0;

    // 27. Error history.
    CErrorHistory m_errors;
};
