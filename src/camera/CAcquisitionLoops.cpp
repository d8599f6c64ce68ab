// The capture thread with its preview and trigger loops, the single-frame reads of
// snapshots, and the one road every frame takes from the raw buffer to the application.
#include "VonkelSdk.h"
#include "camera/CAcquisition.h"
#include "image/Conversions.h"
#include "image/ImageTraits.h"
#include "platform/Clock.h"
#include <algorithm>

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

DriverResult CAcquisition::CopyFrameToRaw(bool fromRing) {
    CImageBuffer *raw = m_chain.Raw();
    if (!raw || raw->IsEmpty())
        return DriverResult::Failed;
    FrameTarget target{raw->Pixels(), raw->Width(), raw->Height(), raw->BytesPerPixel()};
    DriverResult copied = fromRing ? m_driver->TakeFrameInto(target) : m_driver->CopyOneFrameInto(target);
    if (copied == DriverResult::Failed && FollowGeometry()) {
        // The capture window changed while the capture runs: the camera streams in the new
        // size, and so does the capture, instead of failing every frame from now on.
        raw = m_chain.Raw();
        target = FrameTarget{raw->Pixels(), raw->Width(), raw->Height(), raw->BytesPerPixel()};
        copied = fromRing ? m_driver->TakeFrameInto(target) : m_driver->CopyOneFrameInto(target);
    }
    if (copied != DriverResult::Ok)
        return copied;
    // The frame lies packed at the start of the store; rows move out to the stride.
    if (raw->Stride() != raw->Width() * raw->BytesPerPixel())
        CImageBuffer::ApplyConversion(raw, raw->BitsPerPixel() == 8 ? conv::WidenRows8 : conv::WidenRows16, raw,
                                      nullptr, 0, 0);
    return DriverResult::Ok;
}

bool CAcquisition::FollowGeometry() {
    int width = 0, height = 0;
    m_host.CaptureSize(&width, &height);
    const CImageBuffer *raw = m_chain.Raw();
    if (raw && raw->Width() == width && raw->Height() == height)
        return false; // the window is not what changed
    return m_chain.Prepare(m_chain.Mode(), width, height) && m_chain.Raw() && !m_chain.Raw()->IsEmpty();
}

bool CAcquisition::DeliverFrame(std::unique_lock<std::mutex> &lock, bool preview) {
    m_delivery.Describe(*m_chain.Raw(), kColorModes[m_chain.Mode()].bits, preview);
    m_host.ProcessFrame();
    MarkPictureProcessed();
    if (preview)
        m_host.PreviewPictureReady(); // the recorder takes preview pictures only
    DrawFrame();
    if (!m_delivery.CopyOut(m_chain.Output()))
        return false;
    // The application may set another callback window at any time, under the image
    // lock; the notification is posted outside it.
    const WindowHandle window = m_delivery.Current().window;
    lock.unlock();
    m_delivery.Post(window, 0);
    return true;
}

// The failure notification goes to the callback window the application set last (read
// under the image lock), posted outside it. The error is recorded first: an application
// that reads the last error on the notification must find it there.
void CAcquisition::PostFailure(std::unique_lock<std::mutex> &lock, int32_t code) {
    const WindowHandle window = m_delivery.Current().window;
    lock.unlock();
    m_host.RaiseError(code);
    m_delivery.Post(window, code);
}

void CAcquisition::PauseBetweenTurns(std::chrono::steady_clock::time_point lastTurn) {
    using namespace std::chrono;
    const auto end = lastTurn + milliseconds(std::max(0, m_host.WaitTime()));
    const auto now = steady_clock::now();
    if (end > now)
        m_loopWake.Wait(static_cast<uint32_t>(ceil<milliseconds>(end - now).count()));
}

void CAcquisition::PreviewLoop() {
    auto turn = std::chrono::steady_clock::now();
    while (m_loopState.load() != 0) {
        // The wait time is the least time from the start of one turn to the next, which
        // bounds how often the loop looks for a frame. A turn that processed a frame has
        // mostly used it up already: sleeping it again on top would leave a loop that fell
        // a frame behind no time to catch up. The pause ends early on a stop.
        PauseBetweenTurns(turn);
        turn = std::chrono::steady_clock::now();
        if (m_loopState.load() != 1)
            continue;
        // Waits for the frame itself rather than polling: a frame is taken as soon as it
        // is complete, and the wait ends early when the transfer thread stops. Frames are
        // taken in the order they came while the ring holds them, so that a turn slowed
        // down (by the machine's other work) costs no frame as long as the next turns
        // make up for it.
        const FrameState state = m_driver->WaitForNextFrame(CVonkel430NVTXQELSdk::kFrameWaitMs);
        if (state == FrameState::Failed) {
            m_loopState.store(0);
            std::unique_lock<std::mutex> lock(m_imageLock);
            PostFailure(lock, VONKEL_ERR_FRAME_WAIT);
            break;
        }
        if (state != FrameState::Ready)
            continue;
        std::unique_lock<std::mutex> lock(m_imageLock);
        const DriverResult copied = CopyFrameToRaw(true);
        // A new window restarts the stream between the wait and the copy: the frame the
        // wait announced is gone, and the next one comes in the new size.
        if (copied == DriverResult::Withdrawn)
            continue;
        if (copied != DriverResult::Ok) {
            PostFailure(lock, VONKEL_ERR_TRANSFER);
            continue;
        }
        const FrameTicket ticket = m_driver->LastFrameTicket();
        m_delivery.SetDropped(ticket.dropped);
        if (DeliverFrame(lock, true))
            if (IDeliveryObserver *observer = m_observer.load())
                observer->FrameDelivered(ticket, std::chrono::steady_clock::now());
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
        if (CopyFrameToRaw(false) == DriverResult::Ok)
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
    const bool copied = read && CopyFrameToRaw(false) == DriverResult::Ok;
    int failure = 0;
    if (!copied) {
        if (read)
            m_delivery.Post(m_delivery.Current().window, VONKEL_ERR_TRANSFER);
        failure = VONKEL_ERR_TRANSFER;
    } else {
        m_host.ProcessFrame();
        MarkPictureProcessed();
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
