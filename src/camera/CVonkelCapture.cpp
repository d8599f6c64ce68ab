// The instance's side of the acquisition: whether a capture may start, its size, and the
// stored settings the camera gets before it starts.
#include "VonkelSdk.h"
#include "camera/CVonkel.h"
#include "camera/OwnershipTable.h"

namespace {

// The millisecond exposure: 707 clocks of 18.333 µs per line.
constexpr int32_t kRealLineCount = 707;
constexpr double kRealLinePeriod = 1.8333486877963878e-05;

int SubSampleDivisor(int subSample) {
    switch (subSample) {
    case 1: case 17: return 2;
    case 2: case 18: return 4;
    case 3: case 19: return 8;
    default: return 1;
    }
}

} // namespace

bool CVonkel::NeedsDriver() {
    if (m_driver)
        return true;
    RaiseError(VONKEL_ERR_NO_CAMERA);
    return false;
}

int32_t CVonkel::CaptureRefusal() {
    const int device = m_driver->GetDeviceIndex();
    if (!m_driver->IsDevicePresent(device))
        return VONKEL_ERR_DEVICE;
    // A claimed device is refused, also when this very instance holds it.
    if (ownership::Held(m_mapping.View(), device))
        return VONKEL_ERR_DEVICE;
    if (!CaptureWindowValid(m_window, m_subSample.load()))
        return VONKEL_ERR_CAPTURE_WINDOW;
    return 0;
}

void CVonkel::CaptureSize(int *width, int *height) const {
    const int divisor = SubSampleDivisor(m_subSample.load());
    *width = m_window.EH / divisor;
    *height = m_window.EV / divisor;
}

void CVonkel::ApplyCaptureSettings() {
    m_driver->RestartIfLost();
    m_driver->SetWindow(m_window.EHS, m_window.EVS, m_window.EH, m_window.EV, m_subSample.load());
    m_driver->SetMirrorV(m_analog.mirrorV.load());
    m_driver->SetMirrorH(m_analog.mirrorH.load());
    m_driver->SetGain(m_analog.globalGain.load());
    ApplyExposure();
    GetRealExposureTime(nullptr);
    m_driver->SetTriggerMode(0);
}

int CVonkel::SetPreviewWindow(WindowHandle parent, int x, int y, int width, int height) {
    if (!NeedsDriver())
        return 0;
    m_acquisition.SetPreviewWindow(parent, x, y, width, height);
    return 1;
}

int CVonkel::GetRealExposureTime(int *ok) {
    if (!m_driver) {
        if (ok)
            *ok = 0;
        return RaiseError(VONKEL_ERR_NO_CAMERA), 0;
    }
    m_realLineCount.store(kRealLineCount);
    m_realLinePeriod.store(kRealLinePeriod);
    const int32_t lines = m_analog.exposure.load();
    m_realExposureLines.store(lines);
    if (ok)
        *ok = 1;
    const int32_t ms = static_cast<int32_t>(lines * double(kRealLineCount) * kRealLinePeriod * 1000.0);
    m_realExposureMs.store(ms);
    return ms;
}
