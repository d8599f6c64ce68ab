#include "camera/CVonkel.h"
#include "camera/OwnershipTable.h"
#include "platform/Messages.h"
#include "platform/Process.h"
#include "VonkelSdk.h"
#include <cstring>

CVonkel::CVonkel() = default;

CVonkel::~CVonkel() {
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
    m_notifyWindow = notifyWindow;
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
    ownership::Claim(m_mapping.View(), device, m_notifyWindow, platform::MainModuleHandle());
    return 1;
}

int CVonkel::ReleaseDevice(int device) {
    if (!m_mapping.View())
        return 0;
    ownership::Release(m_mapping.View(), device, m_notifyWindow, platform::MainModuleHandle());
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
        return true;
    }
}
