// The acquisition modes: continuous preview from the transfer thread's ring, on-demand
// capture and snapshots of single frames, and external trigger. Which entry may run in
// which state is decided by one table (AcquisitionState.h).
//
// Lock order: the mode lock, then the image lock, then the chain's mask lock. Windows are
// made and destroyed outside all of them; register I/O runs under the mode lock only.
#include "VonkelSdk.h"
#include "camera/CAcquisition.h"
#include "image/ImageTraits.h"

namespace {
constexpr int kTriggerTimeoutMs = 5000;
} // namespace

CAcquisition::CAcquisition(IAcquisitionHost &host, std::mutex &imageLock, CProcessingChain &chain)
    : m_host(host), m_imageLock(imageLock), m_chain(chain),
      m_delivery([&host](int32_t code) { host.RaiseError(code); }) {}

// The owner closes the acquisition first, while everything the capture thread and
// the host calls reach still exists.
CAcquisition::~CAcquisition() = default;

int CAcquisition::PrepareCapture() {
    if (const int32_t refusal = m_host.CaptureRefusal())
        return m_host.RaiseError(refusal), 0;
    const int mode = m_host.CaptureColorMode();
    int width = 0, height = 0;
    m_host.CaptureSize(&width, &height);
    {
        std::lock_guard<std::mutex> lock(m_imageLock);
        if (!m_chain.Prepare(mode, width, height))
            return m_host.RaiseError(VONKEL_ERR_MEMORY), 0;
        int32_t clientWidth = 0, clientHeight = 0;
        if (m_preview && m_preview->IsVisible() && m_preview->ClientSize(&clientWidth, &clientHeight) &&
            clientWidth > 0 && clientHeight > 0 && m_preview->HasDeviceContext())
            SizeDisplayBuffer(clientWidth, clientHeight);
    }
    m_driver->SetWordMode(UsesRaw16(mode) ? 1 : 0);
    m_host.ApplyCaptureSettings();
    return 1;
}

int CAcquisition::StartPreview() {
    std::lock_guard<std::mutex> modeLock(m_modeLock);
    return StartPreviewLocked();
}

int CAcquisition::StartPreviewLocked() {
    if (!m_driver)
        return m_host.RaiseError(VONKEL_ERR_NO_CAMERA), 0;
    const Verdict verdict = Allows(ModeEntry::StartPreview, m_mode.load());
    if (verdict != Verdict::Enter)
        return verdict == Verdict::Already ? 1 : (m_host.RaiseError(VONKEL_ERR_NO_CAMERA), 0);
    if (!PrepareCapture())
        return m_host.RaiseError(VONKEL_ERR_NO_CAMERA), 0;
    if (!StartCaptureThread(AcquisitionState::Preview)) {
        StopPreviewLocked();
        return m_host.RaiseError(VONKEL_ERR_THREAD), 0;
    }
    m_driver->SetTriggerMode(0);
    if (m_driver->StartStream() != DriverResult::Ok) {
        StopPreviewLocked();
        return m_host.RaiseError(VONKEL_ERR_REGISTER), 0;
    }
    m_mode.store(AcquisitionState::Preview);
    ClaimSelectedDevice();
    return 1;
}

void CAcquisition::ClaimSelectedDevice() {
    m_claimedDevice = m_driver->GetDeviceIndex();
    m_host.ClaimDevice(m_claimedDevice);
}

int CAcquisition::StopPreview() {
    std::lock_guard<std::mutex> modeLock(m_modeLock);
    return StopPreviewLocked();
}

int CAcquisition::StopPreviewLocked() {
    if (!m_driver)
        return m_host.RaiseError(VONKEL_ERR_NO_CAMERA), 0;
    m_loopState.store(0);
    m_loopWake.Set();
    if (m_mode.load() != AcquisitionState::Idle) {
        m_mode.store(AcquisitionState::Idle);
        m_driver->SetTriggerMode(0);
        (void)m_driver->StopStream(); // a failed stop leaves nothing running either
        // The device this mode claimed, which a device switch since has not moved.
        if (m_claimedDevice >= 0)
            m_host.ReleaseDevice(m_claimedDevice);
        m_claimedDevice = -1;
    }
    JoinCaptureThread();
    m_host.AcquisitionStopped(); // a recording's file is finished
    return 1;
}

void CAcquisition::SetDelivery(WindowHandle window, uint8_t *buffer, int32_t length, int rowOrder) {
    // The capture thread reads the target under the image lock.
    std::lock_guard<std::mutex> lock(m_imageLock);
    m_delivery.SetTarget({window, buffer, length, rowOrder});
}

int CAcquisition::CallBackPreview(WindowHandle window, uint8_t *buffer, int32_t length, int rowOrder) {
    // A refusal changes nothing: the running capture or trigger mode keeps its window,
    // its buffer and its thread.
    if (Refused(ModeEntry::CallBackPreview))
        return m_host.RaiseError(VONKEL_ERR_NO_CAMERA), m_host.RaiseError(VONKEL_ERR_TRANSFER), 0;
    std::unique_ptr<platform::CPreviewWindow> preview;
    if (!MakePreview(&preview))
        return m_host.RaiseError(VONKEL_ERR_WINDOW), 0;
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
    return m_host.RaiseError(VONKEL_ERR_TRANSFER), 0;
}

bool CAcquisition::Refused(ModeEntry entry) {
    std::lock_guard<std::mutex> modeLock(m_modeLock);
    return Allows(entry, m_mode.load()) == Verdict::Refuse;
}

int CAcquisition::Capture() {
    std::lock_guard<std::mutex> modeLock(m_modeLock);
    if (!m_driver)
        return m_host.RaiseError(VONKEL_ERR_NO_CAMERA), 0;
    const Verdict verdict = Allows(ModeEntry::Capture, m_mode.load());
    if (verdict != Verdict::Enter)
        return verdict == Verdict::Already ? 1 : (m_host.RaiseError(VONKEL_ERR_NO_CAMERA), 0);
    if (!PrepareCapture())
        return m_host.RaiseError(VONKEL_ERR_NO_CAMERA), 0;
    if (m_driver->ReadOneFrame() != DriverResult::Ok)
        return m_host.RaiseError(VONKEL_ERR_TRANSFER), 0;
    m_mode.store(AcquisitionState::Capture);
    ClaimSelectedDevice(); // the channel stays open: no one else may stream meanwhile
    return 1;
}

int CAcquisition::Trigger(WindowHandle window, uint8_t *buffer, int32_t length, int rowOrder) {
    if (!m_driver || Refused(ModeEntry::Trigger))
        return m_host.RaiseError(VONKEL_ERR_NO_CAMERA), 0;
    std::unique_ptr<platform::CPreviewWindow> preview;
    if (!MakePreview(&preview))
        return m_host.RaiseError(VONKEL_ERR_WINDOW), 0;
    int failure = 0;
    std::unique_ptr<platform::CPreviewWindow> retired;
    {
        std::lock_guard<std::mutex> modeLock(m_modeLock);
        if (Allows(ModeEntry::Trigger, m_mode.load()) != Verdict::Enter)
            return m_host.RaiseError(VONKEL_ERR_NO_CAMERA), 0; // `preview` goes, outside the lock
        SetDelivery(window, buffer, length, rowOrder);
        retired = PublishPreview(std::move(preview));
        failure = StartTrigger();
    }
    retired.reset();
    if (failure == 0)
        return 1;
    // What this call opened goes again: the window, the single-frame channel.
    Close();
    return m_host.RaiseError(failure), 0;
}

int CAcquisition::StartTrigger() {
    if (!PrepareCapture())
        return VONKEL_ERR_NO_CAMERA;
    if (m_driver->ReadOneFrame() != DriverResult::Ok)
        return VONKEL_ERR_TRANSFER;
    m_mode.store(AcquisitionState::Trigger);
    ClaimSelectedDevice();
    m_driver->SetTransferTimeout(kTriggerTimeoutMs);
    m_driver->SetTriggerMode(1);
    if (!StartCaptureThread(AcquisitionState::Trigger))
        return VONKEL_ERR_THREAD;
    return 0;
}

int CAcquisition::Close() {
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

int32_t CAcquisition::StartRecordingPreview(bool showWindow, const std::function<int32_t()> &startRecorder) {
    std::unique_ptr<platform::CPreviewWindow> preview;
    if (showWindow && !MakePreview(&preview))
        return VONKEL_ERR_WINDOW;
    std::unique_ptr<platform::CPreviewWindow> retired;
    int32_t failure = 0;
    {
        std::lock_guard<std::mutex> modeLock(m_modeLock);
        // A new recording ends the one before, whose file is finished first.
        m_host.AcquisitionStopped();
        // The pictures go to the file, not to a callback window or buffer set earlier.
        SetDelivery(nullptr, nullptr, 0, 0);
        if (showWindow)
            retired = PublishPreview(std::move(preview));
        failure = StartPreviewLocked() ? startRecorder() : VONKEL_ERR_CONVERSION;
    }
    retired.reset(); // outside every lock
    if (failure != 0)
        Close();
    return failure;
}
