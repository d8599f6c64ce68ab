// The capture thread with its preview and trigger loops, the single-frame reads of
// snapshots, and the one road every frame takes from the raw buffer to the application.
#include "VonkelSdk.h"
#include "camera/CAcquisition.h"
#include "image/Conversions.h"
#include "image/ImageTraits.h"
#include "platform/Clock.h"

namespace {
constexpr uint32_t kTriggerIdleMs = 10;
} // namespace

int CAcquisition::StartCaptureThread(AcquisitionState mode) {
    m_loopState.store(1);
    m_loopWake.Reset();
    try {
        m_captureDone = std::make_unique<platform::CEvent>(true);
        m_captureThread = std::thread(&CAcquisition::CaptureThread, this, mode);
    } catch (...) {
        // No thread will ever set the event: StopPreview must not wait for it.
        m_loopState.store(0);
        m_captureDone.reset();
        return 0;
    }
    return 1;
}

void CAcquisition::JoinCaptureThread() {
    // Bounded: the capture thread notices the stop once its frame wait or single-frame
    // read returns, at the latest after the transfer timeout.
    if (m_captureDone)
        m_captureDone->Wait();
    // The thread may still be leaving Set(): the event goes only once the thread has ended.
    if (m_captureThread.joinable())
        m_captureThread.join();
    m_captureDone.reset();
}

void CAcquisition::CaptureThread(AcquisitionState mode) {
    if (mode == AcquisitionState::Trigger)
        TriggerLoop();
    else
        PreviewLoop();
    m_captureDone->Set();
}

int CAcquisition::CopyFrameToRaw(bool fromRing) {
    CImageBuffer *raw = m_chain.Raw();
    if (!raw || raw->IsEmpty())
        return 0;
    FrameTarget target{raw->Pixels(), raw->Width(), raw->Height(), raw->BytesPerPixel()};
    const DriverResult copied = fromRing ? m_driver->TakeFrameInto(target) : m_driver->CopyOneFrameInto(target);
    if (copied != DriverResult::Ok)
        return 0;
    // The frame lies packed at the start of the store; rows move out to the stride.
    if (raw->Stride() != raw->Width() * raw->BytesPerPixel())
        CImageBuffer::ApplyConversion(raw, raw->BitsPerPixel() == 8 ? conv::WidenRows8 : conv::WidenRows16, raw,
                                      nullptr, 0, 0);
    return 1;
}

void CAcquisition::DeliverFrame(std::unique_lock<std::mutex> &lock, bool preview) {
    m_delivery.Describe(*m_chain.Raw(), kColorModes[m_chain.Mode()].bits, preview);
    m_host.ProcessFrame();
    m_frameAvailable.store(1);
    if (preview)
        m_host.PreviewPictureReady(); // the recorder takes preview pictures only
    DrawFrame();
    if (!m_delivery.CopyOut(m_chain.Output()))
        return;
    // The application may set another callback window at any time, under the image
    // lock; the notification is posted outside it.
    const WindowHandle window = m_delivery.Current().window;
    lock.unlock();
    m_delivery.Post(window, 0);
}

// The failure notification goes to the callback window the application set last (read
// under the image lock), posted outside it.
void CAcquisition::PostFailure(std::unique_lock<std::mutex> &lock, int32_t code) {
    const WindowHandle window = m_delivery.Current().window;
    lock.unlock();
    m_delivery.Post(window, code);
    m_host.RaiseError(code);
}

void CAcquisition::PreviewLoop() {
    while (m_loopState.load() != 0) {
        // The pause between turns ends early on a stop, however long the wait time is.
        m_loopWake.Wait(static_cast<uint32_t>(m_host.WaitTime()));
        if (m_loopState.load() != 1)
            continue;
        // Waits for the frame itself rather than polling: a frame is taken as soon as it
        // is complete, and the wait ends early when the transfer thread stops.
        const FrameState state = m_driver->WaitForFrame(CVonkel430NVTXQELSdk::kFrameWaitMs);
        if (state == FrameState::Failed) {
            m_loopState.store(0);
            std::unique_lock<std::mutex> lock(m_imageLock);
            PostFailure(lock, VONKEL_ERR_FRAME_WAIT);
            break;
        }
        if (state != FrameState::Ready)
            continue;
        std::unique_lock<std::mutex> lock(m_imageLock);
        if (CopyFrameToRaw(true))
            DeliverFrame(lock, true);
        else
            PostFailure(lock, VONKEL_ERR_TRANSFER);
    }
}

void CAcquisition::TriggerLoop() {
    while (m_loopState.load() != 0) {
        if (m_loopState.load() != 1) {
            platform::SleepMs(kTriggerIdleMs);
            continue;
        }
        // Blocks until a triggered frame arrives or the transfer timeout passes.
        const DriverResult read = m_driver->ReadOneFrame();
        if (m_loopState.load() == 0)
            break;
        if (read != DriverResult::Ok) {
            // Nothing to report; a camera that cannot be read is not asked again at once.
            platform::SleepMs(kTriggerIdleMs);
            continue;
        }
        std::unique_lock<std::mutex> lock(m_imageLock);
        if (CopyFrameToRaw(false))
            DeliverFrame(lock, false);
    }
}

int CAcquisition::SnapShot(uint8_t *buffer, int32_t length, int rowOrder) {
    std::lock_guard<std::mutex> modeLock(m_modeLock);
    if (!m_driver || Allows(ModeEntry::SnapShot, m_mode.load()) != Verdict::Enter)
        return m_host.RaiseError(VONKEL_ERR_NO_CAMERA), 0;
    const bool fromIdle = m_mode.load() == AcquisitionState::Idle;
    if (fromIdle) {
        if (!PrepareCapture())
            return m_host.RaiseError(VONKEL_ERR_NO_CAMERA), 0;
        if (m_driver->ReadOneFrame() != DriverResult::Ok)
            return m_host.RaiseError(VONKEL_ERR_TRANSFER), 0;
    }
    // From idle every snapshot opens and closes the single-frame channel; in capture
    // mode it stays open between calls.
    std::unique_lock<std::mutex> lock(m_imageLock);
    const bool read = m_driver->ReadOneFrame() == DriverResult::Ok;
    const bool copied = read && CopyFrameToRaw(false);
    int failure = 0;
    if (!copied) {
        if (read)
            m_delivery.Post(m_delivery.Current().window, VONKEL_ERR_TRANSFER);
        failure = VONKEL_ERR_TRANSFER;
    } else {
        m_host.ProcessFrame();
        m_frameAvailable.store(1);
        if (buffer && length != 0 && !m_delivery.CopyTo(m_chain.Output(), rowOrder, buffer, length))
            failure = VONKEL_ERR_MEMORY;
    }
    lock.unlock();
    if (fromIdle)
        m_driver->CloseFrameHandle();
    return failure ? (m_host.RaiseError(failure), 0) : 1;
}

int CAcquisition::GetImage(uint8_t *buffer, int32_t length, int rowOrder) {
    if (!m_driver)
        return m_host.RaiseError(VONKEL_ERR_NO_CAMERA), 0;
    std::lock_guard<std::mutex> lock(m_imageLock);
    CImageBuffer *out = m_chain.Output();
    if (!out)
        return m_host.RaiseError(VONKEL_ERR_NO_CAMERA), 0;
    if (!buffer || out->IsEmpty())
        return m_host.RaiseError(VONKEL_ERR_MEMORY), 0;
    if (!m_delivery.CopyTo(out, rowOrder, buffer, length))
        return m_host.RaiseError(VONKEL_ERR_MEMORY), 0;
    return 1;
}
