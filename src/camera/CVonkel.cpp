// Construction, initialisation and teardown of a camera instance, its error history and
// its side of the device-ownership table.
#include "camera/CVonkel.h"
#include "image/ImageTraits.h"
#include "VonkelSdk.h"
#include "camera/OwnershipTable.h"
#include "platform/Clock.h"
#include "platform/Messages.h"
#include "settings/CRegistrySettings.h"
#include <cstring>
#include <new>

// No I/O here: the frame-rate count starts with the delivery, made with the instance.
CVonkel::CVonkel(const CameraServices &services) : m_services(services) {}

CVonkel::~CVonkel() {
    // Settings never read are not written back: defaults would overwrite what is stored.
    if (m_driver && m_settingsRead) {
        CRegistrySettings registry(*m_services.settings);
        WriteDeviceSettings(registry, m_driver->GetDeviceIndex());
    }
    // Stops the capture thread and finishes a recording before anything they use goes
    // away, and gives back the device claim the running mode made (and no other).
    Close();
    m_acquisition.Attach(nullptr);
    m_driver.reset();
    m_mapping.Close();
}

int CVonkel::Initialize(WindowHandle notifyWindow) {
    void *view = m_mapping.Open(ownership::kMappingName, ownership::kMappingSize);
    if (view && m_mapping.Created())
        std::memset(view, 0, ownership::kZeroedOnCreate);
    if (!view) {
        // The window is not stored yet: recorded, not posted.
        RaiseError(VONKEL_ERR_MEMORY);
        return 0;
    }
    // Enumerates the devices and selects device 0 with its start-up, unless another
    // instance streams it: a start-up would stop that stream's sensor and set its window
    // and exposure back. This instance's own capture there is refused while the claim lasts,
    // and applies window and exposure when it starts.
    const bool deviceInUse = StreamedElsewhere(0);
    try {
        m_driver.reset(new CVonkel430NVTXQELSdk(*m_services.deviceIo, !deviceInUse));
    } catch (const std::bad_alloc &) {
        m_driver.reset();
    }
    m_notifyWindow = notifyWindow;
    m_acquisition.Attach(m_driver.get());
    if (!m_driver || !m_chain.Create()) {
        RaiseError(VONKEL_ERR_MEMORY);
        return 0;
    }

    CRegistrySettings registry(*m_services.settings);
    registry.ReadSelectedSize(m_deviceNumber, m_window);
    if (!deviceInUse)
        m_driver->RunStartup();
    if (!CaptureWindowValid(m_window, m_subSample.load())) {
        RaiseError(VONKEL_ERR_CAPTURE_WINDOW);
        m_window.TH = 640;
        m_window.TV = 512;
        m_window.EH = 640;
        m_window.EV = 512;
        m_window.EHS = 0;
        m_window.EVS = 0;
    }
    if (!deviceInUse)
        m_driver->SetWindow(m_window.EHS, m_window.EVS, m_window.EH, m_window.EV, m_subSample.load());
    m_acquisition.SetPreviewWindow(nullptr, 0, 0, m_window.EH, m_window.EV);
    ReadDeviceSettings(registry, m_driver->GetDeviceIndex(), !deviceInUse);
    m_settingsRead = true;
    StreamFormat format{m_colorMode.load(), m_subSample.load(), m_waitTime.load(), m_clock};
    registry.ReadStreamFormat(m_deviceNumber, format);
    // Stored values go through the setters' checks: a colour mode or a subsampling the
    // setters refuse (or one the stored window does not fit) leaves the instance's own.
    if (IsColorMode(format.colorMode))
        m_colorMode.store(format.colorMode);
    if ((format.subSample == 0 || format.subSample == 1) && CaptureWindowValid(m_window, format.subSample))
        m_subSample.store(format.subSample);
    // SetWaitTime refuses a negative wait time; a stored one would be slept as an
    // endless wait before every preview turn, and a stop would wait for it.
    if (format.waitTime >= 0)
        m_waitTime.store(format.waitTime);
    m_clock = format.clock;
    return 1;
}

int CVonkel::RaiseError(int32_t code) {
    m_errors.Push(code);
    if (m_notifyWindow)
        platform::PostWindowMessage(m_notifyWindow, VONKEL_WM_ERROR, 0, code);
    return 1;
}

void CVonkel::PostError(int32_t code) {
    platform::PostWindowMessage(m_notifyWindow, VONKEL_WM_ERROR, 0, code);
}

int CVonkel::ClaimDevice(int device) {
    if (!m_mapping.View())
        return 0;
    ownership::Claim(m_mapping.View(), device, ownership::OwnerOf(m_notifyWindow, m_ownerIdentity));
    return 1;
}

bool CVonkel::StreamedElsewhere(int device) const {
    if (!m_mapping.View() || device < 0 || device >= CVKLSdkLib::kMaxDevices)
        return false;
    return ownership::HeldByOther(m_mapping.View(), device, m_ownerIdentity);
}

int CVonkel::ReleaseDevice(int device) {
    if (!m_mapping.View())
        return 0;
    ownership::Release(m_mapping.View(), device, ownership::OwnerOf(m_notifyWindow, m_ownerIdentity));
    return 1;
}

bool CVonkel::CaptureWindowValid(const CaptureWindow &w, int subSample) {
    if (w.EH < 0 || w.EV < 0 || w.EHS < 0 || w.EVS < 0)
        return false;
    if (w.EH > 640 || w.EHS > 640 || w.EV > 512 || w.EVS > 512)
        return false;
    // Widen before adding: stored windows come from the registry and may be anything.
    if (int64_t(w.EHS) + w.EH > 640 || int64_t(w.EVS) + w.EV > 512)
        return false;
    switch (subSample) {
    case 2: case 3: case 17: case 18: case 19:
        return false;
    default:
        break;
    }
    // The camera delivers whole groups of four pixels and lines, at least eight of each:
    // any other size would reach the application with another geometry than it asked for.
    const int m = subSample == 1 ? 2 : 1;
    return w.EH >= 8 && w.EV >= 8 && (w.EH / m) % 4 == 0 && (w.EV / m) % 4 == 0;
}

// ---- registry --------------------------------------------------------------------------

AnalogDefaults CVonkel::DriverAnalogDefaults() const {
    double seconds = 0.0;
    m_driver->GetRealExposureDefault(&seconds);
    return {m_driver->GetGainMin(), m_driver->GetExposureLinesDefault(), m_driver->GetMirrorV(),
            m_driver->GetMirrorH(), seconds};
}

void CVonkel::ReadDeviceSettings(CRegistrySettings &registry, int device, bool apply) {
    registry.ReadFilter(device, m_filters);
    registry.ReadGray(device, m_filters);
    registry.ReadAnalog(device, m_analog, DriverAnalogDefaults());
    if (apply)
        ApplyAnalogSettings();
}

void CVonkel::WriteDeviceSettings(CRegistrySettings &registry, int device) {
    registry.WriteAnalog(device, m_analog);
    registry.WriteFilter(device, m_filters);
    registry.WriteGray(device, m_filters);
}

void CVonkel::ApplyAnalogSettings() {
    // Stored settings give the exposure in seconds when the camera takes seconds.
    m_exposureSetAsLines.store(0);
    m_driver->SetGain(m_analog.globalGain.load());
    ApplyExposure();
    m_driver->SetMirrorV(m_analog.mirrorV.load());
    m_driver->SetMirrorH(m_analog.mirrorH.load());
}

void CVonkel::ApplyExposure() {
    if (m_driver->GetExposureFlag() && !m_exposureSetAsLines.load())
        m_driver->SetRealExposure(m_analog.exposureSeconds.load());
    else
        m_driver->SetExposureLines(static_cast<uint32_t>(m_analog.exposure.load()));
}
