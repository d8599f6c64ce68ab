// The acquisition modes: continuous preview from the transfer thread's ring, on-demand
// capture and snapshots of single frames, and external trigger. Which entry may run in
// which state is decided by one table (AcquisitionState.h).
//
// Lock order: the mode lock, then the image lock, then the chain's mask lock. Windows are
// made and destroyed outside all of them; register I/O runs under the mode lock only.
#include "VonkelSdk.h"
#include "camera/CVonkel.h"
#include "camera/OwnershipTable.h"
#include "image/ImageTraits.h"
#include "transport/ResultCodes.h"

namespace {

constexpr int kTriggerTimeoutMs = 5000;
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

int CVonkel::CaptureWidth() const { return m_window.EH / SubSampleDivisor(m_subSample.load()); }
int CVonkel::CaptureHeight() const { return m_window.EV / SubSampleDivisor(m_subSample.load()); }

int CVonkel::PrepareCapture() {
    const int device = m_driver->GetDeviceIndex();
    if (!m_driver->IsDevicePresent(device))
        return RaiseError(VONKEL_ERR_DEVICE), 0;
    // A claimed device is refused, also when this very instance holds it.
    if (m_mapping.View() && ownership::Read(m_mapping.View(), device).ownerWindow != 0)
        return RaiseError(VONKEL_ERR_DEVICE), 0;
    if (!CaptureWindowValid(m_window, m_subSample.load()))
        return RaiseError(VONKEL_ERR_CAPTURE_WINDOW), 0;
    const int mode = m_colorMode.load();
    {
        std::lock_guard<std::mutex> lock(m_imageLock);
        if (!m_chain.Prepare(mode, CaptureWidth(), CaptureHeight()))
            return RaiseError(VONKEL_ERR_MEMORY), 0;
        int32_t clientWidth = 0, clientHeight = 0;
        if (m_preview && m_preview->IsVisible() && m_preview->ClientSize(&clientWidth, &clientHeight) &&
            clientWidth > 0 && clientHeight > 0 && m_preview->HasDeviceContext())
            SizeDisplayBuffer(clientWidth, clientHeight);
    }
    m_driver->SetWordMode(UsesRaw16(mode) ? 1 : 0);
    m_driver->SetWindow(m_window.EHS, m_window.EVS, m_window.EH, m_window.EV, m_subSample.load());
    m_driver->SetMirrorV(m_analog.mirrorV.load());
    m_driver->SetMirrorH(m_analog.mirrorH.load());
    m_driver->SetGain(m_analog.globalGain.load());
    ApplyExposure();
    GetRealExposureTime(nullptr);
    m_driver->SetTriggerMode(0);
    return 1;
}

int CVonkel::StartPreview() {
    std::lock_guard<std::mutex> modeLock(m_modeLock);
    return StartPreviewLocked();
}

int CVonkel::StartPreviewLocked() {
    if (!m_driver)
        return RaiseError(VONKEL_ERR_NO_CAMERA), 0;
    const Verdict verdict = Allows(ModeEntry::StartPreview, m_mode.load());
    if (verdict != Verdict::Enter)
        return verdict == Verdict::Already ? 1 : (RaiseError(VONKEL_ERR_NO_CAMERA), 0);
    if (!PrepareCapture())
        return RaiseError(VONKEL_ERR_NO_CAMERA), 0;
    if (!StartCaptureThread(AcquisitionState::Preview)) {
        StopPreviewLocked();
        return RaiseError(VONKEL_ERR_THREAD), 0;
    }
    m_driver->SetTriggerMode(0);
    if (m_driver->StartTransfer() != result::kOk) {
        StopPreviewLocked();
        return RaiseError(VONKEL_ERR_REGISTER), 0;
    }
    m_mode.store(AcquisitionState::Preview);
    m_claimedDevice = m_driver->GetDeviceIndex();
    ClaimDevice(m_claimedDevice);
    return 1;
}

int CVonkel::StopPreview() {
    std::lock_guard<std::mutex> modeLock(m_modeLock);
    return StopPreviewLocked();
}

int CVonkel::StopPreviewLocked() {
    if (!m_driver)
        return RaiseError(VONKEL_ERR_NO_CAMERA), 0;
    m_loopState.store(0);
    m_loopWake.Set();
    if (m_mode.load() != AcquisitionState::Idle) {
        m_mode.store(AcquisitionState::Idle);
        m_driver->SetTriggerMode(0);
        m_driver->StopTransfer();
        // Only a claim this instance made: another handle may share the notification
        // window, and its claim would look like ours.
        if (m_claimedDevice >= 0)
            ReleaseDevice(m_claimedDevice);
        m_claimedDevice = -1;
    }
    JoinCaptureThread();
    m_recorder.Stop(); // the recording's file is finished
    return 1;
}

void CVonkel::SetDelivery(WindowHandle window, uint8_t *buffer, int32_t length, int rowOrder) {
    // The capture thread reads the target under the image lock.
    std::lock_guard<std::mutex> lock(m_imageLock);
    m_delivery.SetTarget({window, buffer, length, rowOrder});
}

int CVonkel::Preview() { return CallBackPreview(nullptr, nullptr, 0, 0); }

int CVonkel::CallBackPreview(WindowHandle window, uint8_t *buffer, int32_t length, int rowOrder) {
    // A refusal changes nothing: the running capture or trigger mode keeps its window,
    // its buffer and its thread.
    if (Refused(ModeEntry::CallBackPreview))
        return RaiseError(VONKEL_ERR_NO_CAMERA), RaiseError(VONKEL_ERR_TRANSFER), 0;
    std::unique_ptr<platform::CPreviewWindow> preview;
    if (!MakePreview(&preview))
        return RaiseError(VONKEL_ERR_WINDOW), 0;
    std::unique_ptr<platform::CPreviewWindow> retired;
    {
        std::lock_guard<std::mutex> modeLock(m_modeLock);
        SetDelivery(window, buffer, length, rowOrder);
        retired = PublishPreview(std::move(preview));
        if (StartPreviewLocked())
            return 1;
    }
    retired.reset();
    Close();
    return RaiseError(VONKEL_ERR_TRANSFER), 0;
}

bool CVonkel::Refused(ModeEntry entry) {
    std::lock_guard<std::mutex> modeLock(m_modeLock);
    return Allows(entry, m_mode.load()) == Verdict::Refuse;
}

int CVonkel::Capture() {
    std::lock_guard<std::mutex> modeLock(m_modeLock);
    if (!m_driver)
        return RaiseError(VONKEL_ERR_NO_CAMERA), 0;
    const Verdict verdict = Allows(ModeEntry::Capture, m_mode.load());
    if (verdict != Verdict::Enter)
        return verdict == Verdict::Already ? 1 : (RaiseError(VONKEL_ERR_NO_CAMERA), 0);
    if (!PrepareCapture())
        return RaiseError(VONKEL_ERR_NO_CAMERA), 0;
    if (m_driver->ReadSingleFrame() != result::kOk)
        return RaiseError(VONKEL_ERR_TRANSFER), 0;
    m_mode.store(AcquisitionState::Capture);
    return 1;
}

int CVonkel::Trigger(WindowHandle window, uint8_t *buffer, int32_t length, int rowOrder) {
    if (!m_driver || Refused(ModeEntry::Trigger))
        return RaiseError(VONKEL_ERR_NO_CAMERA), 0;
    std::unique_ptr<platform::CPreviewWindow> preview;
    if (!MakePreview(&preview))
        return RaiseError(VONKEL_ERR_WINDOW), 0;
    int failure = 0;
    std::unique_ptr<platform::CPreviewWindow> retired;
    {
        std::lock_guard<std::mutex> modeLock(m_modeLock);
        if (Allows(ModeEntry::Trigger, m_mode.load()) != Verdict::Enter)
            return RaiseError(VONKEL_ERR_NO_CAMERA), 0; // `preview` goes, outside the lock
        SetDelivery(window, buffer, length, rowOrder);
        retired = PublishPreview(std::move(preview));
        failure = StartTrigger();
    }
    retired.reset();
    if (failure == 0)
        return 1;
    // What this call opened goes again: the window, the single-frame channel.
    Close();
    return RaiseError(failure), 0;
}

int CVonkel::StartTrigger() {
    if (!PrepareCapture())
        return VONKEL_ERR_NO_CAMERA;
    if (m_driver->ReadSingleFrame() != result::kOk)
        return VONKEL_ERR_TRANSFER;
    m_mode.store(AcquisitionState::Trigger);
    m_driver->SetTransferTimeout(kTriggerTimeoutMs);
    m_driver->SetTriggerMode(1);
    if (!StartCaptureThread(AcquisitionState::Trigger))
        return VONKEL_ERR_THREAD;
    return 0;
}

int CVonkel::Close() {
    // The window leaves first, so the capture thread draws no more into it, and is
    // destroyed last, outside every lock.
    std::unique_ptr<platform::CPreviewWindow> retired = PublishPreview(nullptr);
    {
        std::lock_guard<std::mutex> modeLock(m_modeLock);
        if (m_driver)
            StopPreviewLocked(); // which also finishes a recording
        m_frameAvailable.store(0);
        if (m_driver)
            m_driver->CloseFrameHandle();
    }
    retired.reset();
    return 1;
}

int CVonkel::GetRealExposureTime(int *ok) {
    if (!m_driver) {
        if (ok)
            *ok = 0;
        return RaiseError(VONKEL_ERR_NO_CAMERA), 0;
    }
    m_realLineCount = kRealLineCount;
    m_realLinePeriod = kRealLinePeriod;
    m_realExposureLines = m_analog.exposure.load();
    if (ok)
        *ok = 1;
    m_realExposureMs = static_cast<int32_t>(m_realExposureLines * double(m_realLineCount) * m_realLinePeriod * 1000.0);
    return m_realExposureMs;
}
