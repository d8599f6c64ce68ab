// Acquisition modes: continuous preview from the transfer thread's ring, on-demand
// capture and snapshots of single frames, and external trigger; the capture thread and
// the delivery of each frame to the application.
#include "VonkelSdk.h"
#include "camera/CVonkel.h"
#include "camera/OwnershipTable.h"
#include "image/Conversions.h"
#include "platform/Clock.h"
#include "platform/Messages.h"
#include "transport/ResultCodes.h"
#include <cstring>

namespace {

constexpr int kBitsOfMode[] = {8, 16, 24, 32, 48, 64};
constexpr int kTriggerTimeoutMs = 5000;
constexpr uint32_t kTriggerIdleMs = 10;
// The millisecond exposure: 707 clocks of 18.333 µs per line.
constexpr int32_t kRealLineCount = 707;
constexpr double kRealLinePeriod = 1.8333486877963878e-05;

bool UsesRaw16(int mode) { return mode == 1 || mode == 4 || mode == 5; }

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

CImageBuffer *CVonkel::OutputBuffer() {
    static constexpr BufferIndex kOutput[] = {kRaw8, kRaw16, kColor24, kColor32, kColor48, kColor64};
    int mode = m_captureColorMode.load();
    return mode >= 0 && mode < 6 ? m_buffers[kOutput[mode]].get() : nullptr;
}

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
    const int width = CaptureWidth();
    const int height = CaptureHeight();
    std::lock_guard<std::recursive_mutex> lock(m_imageLock);
    auto make = [&](BufferIndex index, int bits) {
        return m_buffers[index] && m_buffers[index]->Create(width, height, bits) == 1;
    };
    bool ok = true;
    if (mode <= 3)
        ok = make(kRaw8, 8) && m_buffers[kRaw8]->SetColorTable(0);
    if (ok && UsesRaw16(mode))
        ok = make(kRaw16, 16);
    if (ok && mode != 1)
        ok = make(kColor24, 24);
    if (ok && mode == 3)
        ok = make(kColor32, 32);
    if (ok && mode == 4)
        ok = make(kColor48, 48);
    if (ok && mode == 5)
        ok = make(kColor64, 64);
    m_captureColorMode.store(mode);
    if (ok)
        ok = m_buffers[kScratch] && m_buffers[kScratch]->CreateLike(OutputBuffer()) == 1;
    if (!ok)
        return RaiseError(VONKEL_ERR_MEMORY), 0;

    m_driver->SetWordMode(UsesRaw16(mode) ? 1 : 0);
    m_driver->SetWindow(m_window.EHS, m_window.EVS, m_window.EH, m_window.EV, m_subSample.load());
    m_driver->SetMirrorV(m_analog.mirrorV.load());
    m_driver->SetMirrorH(m_analog.mirrorH.load());
    m_driver->SetGain(m_analog.globalGain.load());
    ApplyExposure();
    GetRealExposureTime(nullptr);
    m_driver->SetTriggerMode(0);

    int32_t clientWidth = 0, clientHeight = 0;
    if (m_preview.IsVisible() && m_preview.ClientSize(&clientWidth, &clientHeight) && clientWidth > 0 &&
        clientHeight > 0 && m_preview.HasDeviceContext())
        SizeDisplayBuffer(clientWidth, clientHeight);
    return 1;
}

int CVonkel::StartCaptureThread(int mode) {
    m_loopState.store(1);
    m_loopWake.Reset();
    try {
        m_captureDone = std::make_unique<platform::CEvent>(true);
        m_captureThread = std::thread(&CVonkel::CaptureThread, this, mode);
    } catch (...) {
        // No thread will ever set the event: StopPreview must not wait for it.
        m_loopState.store(0);
        m_captureDone.reset();
        return 0;
    }
    return 1;
}

int CVonkel::StartPreview() {
    std::lock_guard<std::recursive_mutex> modeLock(m_modeLock);
    if (!m_driver)
        return RaiseError(VONKEL_ERR_NO_CAMERA), 0;
    const int mode = m_mode.load();
    if (mode == kModePreview)
        return 1;
    if (mode != kModeIdle)
        return RaiseError(VONKEL_ERR_NO_CAMERA), 0;
    if (!PrepareCapture())
        return RaiseError(VONKEL_ERR_NO_CAMERA), 0;
    if (!StartCaptureThread(kModePreview)) {
        StopPreview();
        return RaiseError(VONKEL_ERR_THREAD), 0;
    }
    m_driver->SetTriggerMode(0);
    if (m_driver->StartTransfer() != result::kOk) {
        StopPreview();
        return RaiseError(VONKEL_ERR_REGISTER), 0;
    }
    m_mode.store(kModePreview);
    m_claimedDevice = m_driver->GetDeviceIndex();
    ClaimDevice(m_claimedDevice);
    return 1;
}

int CVonkel::StopPreview() {
    std::lock_guard<std::recursive_mutex> modeLock(m_modeLock);
    if (!m_driver)
        return RaiseError(VONKEL_ERR_NO_CAMERA), 0;
    m_loopState.store(0);
    m_loopWake.Set();
    if (m_mode.load() != kModeIdle) {
        m_mode.store(kModeIdle);
        m_driver->SetTriggerMode(0);
        m_driver->StopTransfer();
        ReleaseDevice(m_claimedDevice >= 0 ? m_claimedDevice : m_driver->GetDeviceIndex());
        m_claimedDevice = -1;
    }
    // Bounded: the capture thread notices the stop once its frame wait or single-frame
    // read returns, at the latest after the transfer timeout.
    if (m_captureDone)
        m_captureDone->Wait();
    // The thread may still be leaving Set(): the event goes only once the thread has ended.
    if (m_captureThread.joinable())
        m_captureThread.join();
    m_captureDone.reset();
    m_recorder.Stop();
    return 1;
}

void CVonkel::SetDelivery(WindowHandle window, uint8_t *buffer, uint32_t length, int rowOrder) {
    // The capture thread reads these under the image lock.
    std::lock_guard<std::recursive_mutex> lock(m_imageLock);
    m_callbackWindow = window;
    m_userBuffer = buffer;
    m_userLength = length;
    m_rowOrder = rowOrder;
}

int CVonkel::Preview() { return CallBackPreview(nullptr, nullptr, 0, 0); }

int CVonkel::CallBackPreview(WindowHandle window, uint8_t *buffer, uint32_t length, int rowOrder) {
    std::lock_guard<std::recursive_mutex> modeLock(m_modeLock);
    SetDelivery(window, buffer, length, rowOrder);
    if (!CreatePreview())
        return RaiseError(VONKEL_ERR_WINDOW), 0;
    if (StartPreview())
        return 1;
    Close();
    return RaiseError(VONKEL_ERR_TRANSFER), 0;
}

int CVonkel::Capture() {
    std::lock_guard<std::recursive_mutex> modeLock(m_modeLock);
    if (!m_driver)
        return RaiseError(VONKEL_ERR_NO_CAMERA), 0;
    const int mode = m_mode.load();
    if (mode == kModePreview || mode == kModeTrigger)
        return RaiseError(VONKEL_ERR_NO_CAMERA), 0;
    if (mode == kModeCapture)
        return 1;
    if (!PrepareCapture())
        return RaiseError(VONKEL_ERR_NO_CAMERA), 0;
    if (m_driver->ReadSingleFrame() != result::kOk)
        return RaiseError(VONKEL_ERR_TRANSFER), 0;
    m_mode.store(kModeCapture);
    return 1;
}

int CVonkel::CopyFrameToRaw(bool fromRing) {
    CImageBuffer *raw = m_buffers[UsesRaw16(m_captureColorMode.load()) ? kRaw16 : kRaw8].get();
    if (!raw || raw->IsEmpty())
        return 0;
    FrameTarget target{raw->Pixels(), raw->Width(), raw->Height(), raw->BytesPerPixel()};
    int code = fromRing ? m_driver->TakeFrame(&target) : m_driver->ConvertSingleFrame(&target);
    if (code != result::kOk)
        return 0;
    // The frame lies packed at the start of the store; rows move out to the stride.
    if (raw->Stride() != raw->Width() * raw->BytesPerPixel())
        CImageBuffer::ApplyConversion(raw, raw->BitsPerPixel() == 8 ? conv::WidenRows8 : conv::WidenRows16, raw,
                                      nullptr, 0, 0);
    return 1;
}

int CVonkel::SnapShot(uint8_t *buffer, uint32_t length, int rowOrder) {
    std::lock_guard<std::recursive_mutex> modeLock(m_modeLock);
    const int mode = m_mode.load();
    if (!m_driver || mode == kModePreview || mode == kModeTrigger)
        return RaiseError(VONKEL_ERR_NO_CAMERA), 0;
    if (mode == kModeIdle) {
        if (!PrepareCapture())
            return RaiseError(VONKEL_ERR_NO_CAMERA), 0;
        if (m_driver->ReadSingleFrame() != result::kOk)
            return RaiseError(VONKEL_ERR_TRANSFER), 0;
    }
    // From idle every snapshot opens and closes the single-frame channel; in capture
    // mode it stays open between calls.
    auto closeChannel = [&] {
        if (m_mode.load() != kModeCapture)
            m_driver->CloseFrameHandle();
    };
    std::unique_lock<std::recursive_mutex> lock(m_imageLock);
    bool read = m_driver->ReadSingleFrame() == result::kOk;
    bool copied = read && CopyFrameToRaw(false);
    if (read && !copied)
        PostFrame(VONKEL_ERR_TRANSFER);
    if (!copied) {
        closeChannel();
        RaiseError(VONKEL_ERR_TRANSFER);
        return 0;
    }
    ProcessFrame();
    m_frameAvailable.store(1);
    if (buffer && length && !CopyToUser(OutputBuffer(), rowOrder, buffer, length)) {
        closeChannel();
        lock.unlock();
        RaiseError(VONKEL_ERR_MEMORY);
        return 0;
    }
    lock.unlock();
    closeChannel();
    return 1;
}

int CVonkel::GetImage(uint8_t *buffer, uint32_t length, int rowOrder) {
    if (!m_driver)
        return RaiseError(VONKEL_ERR_NO_CAMERA), 0;
    std::lock_guard<std::recursive_mutex> lock(m_imageLock);
    CImageBuffer *out = OutputBuffer();
    if (!out)
        return RaiseError(VONKEL_ERR_NO_CAMERA), 0;
    if (!buffer || out->IsEmpty())
        return RaiseError(VONKEL_ERR_MEMORY), 0;
    if (!CopyToUser(out, rowOrder, buffer, length))
        return RaiseError(VONKEL_ERR_MEMORY), 0;
    return 1;
}

int CVonkel::Trigger(WindowHandle window, uint8_t *buffer, uint32_t length, int rowOrder) {
    std::lock_guard<std::recursive_mutex> modeLock(m_modeLock);
    const int mode = m_mode.load();
    if (!m_driver || mode == kModePreview || mode == kModeCapture)
        return RaiseError(VONKEL_ERR_NO_CAMERA), 0;
    // Trigger mode already runs: one capture thread is enough; the call changes nothing.
    if (mode == kModeTrigger)
        return RaiseError(VONKEL_ERR_NO_CAMERA), 0;
    SetDelivery(window, buffer, length, rowOrder);
    if (!CreatePreview())
        return RaiseError(VONKEL_ERR_WINDOW), 0;
    if (!PrepareCapture()) {
        Close();
        return RaiseError(VONKEL_ERR_NO_CAMERA), 0;
    }
    if (m_driver->ReadSingleFrame() != result::kOk)
        return RaiseError(VONKEL_ERR_TRANSFER), 0;
    m_mode.store(kModeTrigger);
    m_driver->SetTransferTimeout(kTriggerTimeoutMs);
    m_driver->SetTriggerMode(1);
    if (!StartCaptureThread(kModeTrigger)) {
        Close();
        return RaiseError(VONKEL_ERR_THREAD), 0;
    }
    return 1;
}

int CVonkel::Close() {
    std::lock_guard<std::recursive_mutex> modeLock(m_modeLock);
    ClosePreview();
    if (m_driver)
        StopPreview();
    m_recorder.Stop();
    m_frameAvailable.store(0);
    if (m_driver)
        m_driver->CloseFrameHandle();
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

// ---- the capture thread ----------------------------------------------------------------

void CVonkel::CaptureThread(int mode) {
    if (mode == kModeTrigger)
        TriggerLoop();
    else
        PreviewLoop();
    m_captureDone->Set();
}

void CVonkel::PostFrame(int32_t code) { PostFrameTo(m_callbackWindow, code); }

void CVonkel::PostFrameTo(WindowHandle window, int32_t code) {
    if (!window)
        return;
    uintptr_t info = code == 0 ? reinterpret_cast<uintptr_t>(&m_frameInfo) : 0;
    platform::PostWindowMessage(window, VONKEL_WM_FRAME, info, code);
}

void CVonkel::FillFrameInfo(int32_t size, bool withRate) {
    CImageBuffer *raw = m_buffers[UsesRaw16(m_captureColorMode.load()) ? kRaw16 : kRaw8].get();
    if (size)
        m_frameInfo.size = size;
    m_frameInfo.width = raw->Width();
    m_frameInfo.height = raw->Height();
    m_frameInfo.buffer = reinterpret_cast<uint64_t>(m_userBuffer);
    m_frameInfo.bitsPerPixel = kBitsOfMode[m_captureColorMode.load()];
    if (!withRate) {
        m_frameInfo.fps10 = 0;
        return;
    }
    ++m_frameCounter;
    const uint32_t now = platform::TimeGetTime();
    const uint32_t elapsed = now - m_rateTime;
    if (elapsed > 1000) {
        m_fps10 = static_cast<int32_t>(int64_t(m_frameCounter) * 10000 / elapsed);
        m_frameCounter = 0;
        m_rateTime = now;
    }
    m_frameInfo.fps10 = m_fps10;
}

void CVonkel::PreviewLoop() {
    while (m_loopState.load() != 0) {
        // The pause between turns ends early on a stop, however long the wait time is.
        m_loopWake.Wait(static_cast<uint32_t>(m_waitTime.load()));
        if (m_loopState.load() != 1)
            continue;
        const int state = m_driver->WaitFrame();
        if (state == frame_state::kFailed) {
            m_loopState.store(0);
            // The application may set another callback window at any time; it does so
            // under the image lock. Posting happens outside it.
            WindowHandle window;
            {
                std::lock_guard<std::recursive_mutex> lock(m_imageLock);
                window = m_callbackWindow;
            }
            PostFrameTo(window, VONKEL_ERR_FRAME_WAIT);
            RaiseError(VONKEL_ERR_FRAME_WAIT);
            break;
        }
        if (state != frame_state::kReady)
            continue;
        std::unique_lock<std::recursive_mutex> lock(m_imageLock);
        if (!CopyFrameToRaw(true)) {
            PostFrame(VONKEL_ERR_TRANSFER);
            RaiseError(VONKEL_ERR_TRANSFER);
            continue;
        }
        FillFrameInfo(0, true);
        ProcessFrame();
        m_recorder.NewFrame();
        m_frameAvailable.store(1);
        DrawFrame();
        if (m_userBuffer && m_userLength &&
            !CopyToUser(OutputBuffer(), m_rowOrder, m_userBuffer, m_userLength))
            continue;
        const WindowHandle window = m_callbackWindow;
        lock.unlock();
        PostFrameTo(window, 0);
    }
}

void CVonkel::TriggerLoop() {
    while (m_loopState.load() != 0) {
        if (m_loopState.load() != 1) {
            platform::SleepMs(kTriggerIdleMs);
            continue;
        }
        // Blocks until a triggered frame arrives or the transfer timeout passes.
        const int code = m_driver->ReadSingleFrame();
        if (m_loopState.load() == 0)
            break;
        if (code != result::kOk) {
            // Nothing to report; a camera that cannot be read is not asked again at once.
            platform::SleepMs(kTriggerIdleMs);
            continue;
        }
        std::lock_guard<std::recursive_mutex> lock(m_imageLock);
        if (!CopyFrameToRaw(false))
            continue;
        FillFrameInfo(static_cast<int32_t>(sizeof(FrameInfo)), false);
        ProcessFrame();
        m_frameAvailable.store(1);
        if (m_userBuffer && m_userLength &&
            !CopyToUser(OutputBuffer(), m_rowOrder, m_userBuffer, m_userLength))
            continue;
        PostFrame(0);
        DrawFrame();
    }
}

int CVonkel::CopyToUser(CImageBuffer *image, int rowOrder, uint8_t *destination, uint32_t length) {
    const int32_t rows = image ? image->Height() : 0;
    const int32_t stride = image ? image->Stride() : 0;
    if (!image || image->IsEmpty() || !destination || uint64_t(length) < uint64_t(rows) * uint64_t(stride)) {
        PostFrame(VONKEL_ERR_MEMORY);
        RaiseError(VONKEL_ERR_MEMORY);
        return 0;
    }
    if (rowOrder) {
        std::memcpy(destination, image->Pixels(), static_cast<size_t>(rows) * stride);
    } else {
        // Bottom row first: the row order of a bottom-up device-independent bitmap.
        for (int32_t r = 0; r < rows; ++r)
            std::memcpy(destination + static_cast<size_t>(r) * stride, image->Row(rows - 1 - r), stride);
    }
    return 1;
}
