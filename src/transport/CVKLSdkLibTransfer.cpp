// Frame geometry, the ring of frame slots filled by the transfer thread, and the
// single-frame read used by snapshot, capture and trigger.
#include "platform/Clock.h"
#include "transport/CVKLSdkLib.h"
#include "transport/ResultCodes.h"
#include <algorithm>
#include <cstring>
#include <new>

uint32_t CVKLSdkLib::TransferBytes() const {
    return static_cast<uint32_t>(m_framePixelCount) * (m_wordFlag.load() ? 2u : 1u);
}

int CVKLSdkLib::SetupBuffers(int lineWidth, int xOffset, int width, int rows, int yOffset, int height,
                             int ringCount) {
    if (lineWidth <= 0 || width <= 0 || width > lineWidth)
        return result::kBadWidth;
    if (rows <= 0 || height <= 0 || int64_t(yOffset) + height > rows)
        return result::kBadHeight;
    if (ringCount < 2)
        return result::kTooFewSlots;
    if (xOffset < 0 || yOffset < 0 || int64_t(xOffset) + width > lineWidth)
        return result::kBadWidth;

    int64_t pixels = int64_t(height + yOffset) * lineWidth;
    pixels = (pixels + 1023) / 1024 * 1024;
    if (pixels > 0x7FFFFFFF / 2)
        return result::kNoMemory;

    // New buffers first: a failed allocation leaves the old geometry fully usable.
    const size_t bytes = static_cast<size_t>(pixels) * 2;
    platform::PageBuffer single(platform::AllocatePages(bytes));
    std::vector<Slot> slots;
    try {
        slots.resize(ringCount);
    } catch (const std::bad_alloc &) {
        return result::kNoMemory;
    }
    for (Slot &slot : slots)
        slot.memory.reset(platform::AllocatePages(bytes));
    if (!single || std::any_of(slots.begin(), slots.end(), [](const Slot &slot) { return !slot.memory; }))
        return result::kNoMemory;

    // A window change while streaming: the thread must not write into slots being
    // replaced, so it is stopped around the swap and started again on the new ring.
    std::lock_guard<std::mutex> threadLock(m_threadLock);
    bool wasRunning = m_block.stop.load() == 0;
    if (wasRunning)
        StopTransferLocked();
    {
        std::lock_guard<std::mutex> lock(m_bufferLock);
        m_singleFrame.swap(single);
        m_singleFrameRead = false;
        m_slots.swap(slots);
        m_lineWidth = lineWidth;
        m_xOffset = xOffset;
        m_width = width;
        m_rows = rows;
        m_yOffset = yOffset;
        m_height = height;
        m_rawPixelCount = rows * lineWidth;
        m_framePixelCount = static_cast<int>(pixels);
        m_slotBytes = static_cast<int>(pixels) * 2;
        m_block.ringCount = ringCount;
    }
    CommandExchange(cmd::SetTransferSize(static_cast<uint32_t>(pixels)));
    if (wasRunning)
        StartTransferLocked();
    return result::kOk;
}

int CVKLSdkLib::StartTransfer() {
    std::lock_guard<std::mutex> lock(m_threadLock);
    return StartTransferLocked();
}

int CVKLSdkLib::StartTransferLocked() {
    if (m_block.stop.load() == 0)
        return result::kAlreadyRunning;
    JoinTransferThread(); // a thread that ended by itself
    {
        // Waits for a copy in progress; a frame handed over before is never taken from
        // the new run. Without slots (no geometry yet, or every allocation failed) there
        // is nothing to fill; with fewer than three, the newest frame and the one being
        // copied could leave none free.
        std::lock_guard<std::mutex> bufferLock(m_bufferLock);
        if (m_slots.size() < 3 || m_block.ringCount != static_cast<int>(m_slots.size()))
            return result::kNoMemory;
        m_mailbox.Start(m_block.ringCount);
    }
    m_block.transferBytes.store(TransferBytes());
    CommandExchange(cmd::Make(cmd::STREAM_START));
    m_block.doneEvent.Reset();
    m_block.failure.store(0);
    m_block.large = m_largeTransfer.load();
    m_block.devicePath = DevicePath();
    m_block.result.store(0);
    m_block.stop.store(0);
    try {
        m_thread = std::thread(&CVKLSdkLib::TransferThread, this);
    } catch (...) {
        m_block.stop.store(1);
        m_mailbox.End(false);
        m_block.doneEvent.Set();
        return result::kThreadFailed;
    }
    return result::kOk;
}

int CVKLSdkLib::ReadFrameInto(platform::DeviceHandle handle, uint8_t *buffer, uint32_t bytes, uint32_t *returned) {
    return m_largeTransfer.load() ? PipeTransferLarge(handle, platform::kImagePipe, bytes, buffer, returned, 1)
                                  : PipeTransfer(handle, platform::kImagePipe, bytes, buffer, returned, 1);
}

void CVKLSdkLib::TransferThread() {
    platform::RaiseCurrentThreadPriority();
    cmd::Buffer request = cmd::Make(cmd::FRAME_REQUEST);
    const uint32_t bytes = m_block.transferBytes.load();
    int64_t code = result::kOk;
    platform::DeviceHandle handle = nullptr;
    if (!OpenDevice(m_block.devicePath.c_str(), &handle)) {
        code = result::kNotOpened;
    } else {
        // A camera may deliver one short frame right after it starts streaming.
        bool shortAllowed = true;
        while (m_block.stop.load() != 1 && code != result::kFrameFailed) {
            const int target = m_mailbox.SlotToFill();
            uint8_t *slot = m_slots[target].memory.get();
            platform::TimerBeginPeriod1ms();
            uint32_t count = 0;
            PipeTransfer(handle, platform::kCommandPipe, cmd::kSize, request.data(), &count, 0);
            bool ok = (m_block.large ? PipeTransferLarge(handle, platform::kImagePipe, bytes, slot, &count, 1)
                                     : PipeTransfer(handle, platform::kImagePipe, bytes, slot, &count, 1)) == 0;
            if (ok && count != bytes && shortAllowed) {
                shortAllowed = false;
                platform::TimerEndPeriod1ms();
                continue;
            }
            if (!ok || count != bytes) {
                // A failed or short frame is never published: the consumer keeps the
                // frames it had, and learns of the failure from the failure flag.
                code = result::kFrameFailed;
                platform::TimerEndPeriod1ms();
                break;
            }
            m_mailbox.Publish(target);
            platform::TimerEndPeriod1ms();
        }
        CloseDevice(&handle);
    }
    m_block.result.store(code);
    m_block.failure.store(code == result::kFrameFailed ? 1 : 0);
    m_block.stop.store(1);
    m_mailbox.End(code == result::kFrameFailed); // wakes a consumer waiting for a frame that will not come
    m_block.doneEvent.Set();
}

void CVKLSdkLib::JoinTransferThread() {
    if (m_thread.joinable())
        m_thread.join();
}

int CVKLSdkLib::StopTransfer() {
    std::lock_guard<std::mutex> lock(m_threadLock);
    return StopTransferLocked();
}

int CVKLSdkLib::StopTransferLocked() {
    if (m_block.stop.load() == 1 && m_block.failure.load() == 0) {
        JoinTransferThread();
        // A run that never opened its device is over once stopped: a capture thread that
        // waits before the next run's start must not be told of it.
        m_block.result.store(result::kOk);
        return result::kOk;
    }
    if (m_block.stop.load() == 0) {
        m_block.stop.store(1);
        // Bounded: the thread notices the flag once its current read returns, at the
        // latest after the transfer timeout.
        m_block.doneEvent.Wait();
    }
    JoinTransferThread();
    m_block.stop.store(1);
    m_block.failure.store(0);
    m_mailbox.ClearFailure();
    return static_cast<int>(m_block.result.load());
}

int CVKLSdkLib::WaitFrame(uint32_t timeoutMs) { return WaitFrameIn(timeoutMs, CFrameMailbox::Order::Newest); }

int CVKLSdkLib::WaitNextFrame(uint32_t timeoutMs) { return WaitFrameIn(timeoutMs, CFrameMailbox::Order::InSequence); }

int CVKLSdkLib::WaitFrameIn(uint32_t timeoutMs, CFrameMailbox::Order order) {
    if (m_block.failure.load())
        return frame_state::kFailed;
    switch (m_mailbox.WaitNewer(timeoutMs, order)) {
    case CFrameMailbox::Wait::Ready:
        return frame_state::kReady;
    case CFrameMailbox::Wait::Failed:
        return frame_state::kFailed;
    case CFrameMailbox::Wait::Ended:
        return frame_state::kNotRunning;
    default:
        return frame_state::kNoNewFrame;
    }
}

bool CVKLSdkLib::FitsFrame(const FrameTarget &output) const {
    return output.pixels && output.width == m_width && output.height == m_height &&
           output.bytesPerPixel == (m_wordFlag.load() ? 2 : 1);
}

int CVKLSdkLib::TakeFrame(const FrameTarget *output) {
    if (!output)
        return result::kNullOutput;
    std::lock_guard<std::mutex> lock(m_bufferLock);
    if (!FitsFrame(*output) || m_slots.empty())
        return result::kWrongGeometry;
    // Only a slot handed over and not yet copied is kept from the thread; the buffer
    // lock keeps a restart from coming between this check and the copy.
    const int index = m_mailbox.Held();
    if (index < 0 || index >= static_cast<int>(m_slots.size()))
        return result::kNoFrame;
    const int code = CopyFrame(*output, m_slots[index].memory.get());
    m_mailbox.Release();
    return code;
}

int CVKLSdkLib::ReadSingleFrame() {
    std::lock_guard<std::mutex> lock(m_bufferLock);
    const uint32_t bytes = TransferBytes();
    m_singleFrameRead = false;
    if (!m_frameHandle) {
        std::string path = DevicePath();
        if (!OpenDevice(path.c_str(), &m_frameHandle)) {
            m_lastTransferResult.store(result::kFrameFailed);
            return result::kNotOpened;
        }
    }
    CommandExchange(cmd::Make(cmd::STREAM_START));
    cmd::Buffer request = cmd::Make(cmd::FRAME_REQUEST);
    uint32_t count = 0;
    PipeTransfer(m_frameHandle, platform::kCommandPipe, cmd::kSize, request.data(), &count, 1);
    count = 0;
    bool ok = m_singleFrame && ReadFrameInto(m_frameHandle, m_singleFrame.get(), bytes, &count) == 0;
    if (!ok || count != bytes) {
        m_lastTransferResult.store(result::kFrameFailed);
        CloseDevice(&m_frameHandle);
        return result::kFrameFailed;
    }
    m_singleFrameRead = true;
    m_lastTransferResult.store(result::kOk);
    return result::kOk;
}

int CVKLSdkLib::ConvertSingleFrame(const FrameTarget *output) {
    if (!output)
        return result::kNullOutput;
    std::lock_guard<std::mutex> lock(m_bufferLock);
    if (!FitsFrame(*output) || !m_singleFrame)
        return result::kWrongGeometry;
    // A window change since the read replaced the buffer the frame was in.
    if (!m_singleFrameRead)
        return result::kNoFrame;
    return CopyFrame(*output, m_singleFrame.get());
}

void CVKLSdkLib::CloseFrameHandle() {
    std::lock_guard<std::mutex> lock(m_bufferLock);
    CloseDevice(&m_frameHandle);
}

bool CVKLSdkLib::FrameChannelLost() {
    std::lock_guard<std::mutex> lock(m_bufferLock);
    // Giving the channel the timeout it already has changes nothing on a live camera.
    if (!m_frameHandle || SendTransferTimeout(m_frameHandle, m_transferTimeout.load()))
        return false;
    CloseDevice(&m_frameHandle);
    return true;
}

int CVKLSdkLib::CopyFrame(const FrameTarget &output, const uint8_t *raw) {
    const size_t bpp = static_cast<size_t>(output.bytesPerPixel);
    const size_t rowBytes = static_cast<size_t>(m_width) * bpp;
    for (int i = 0; i < m_height; ++i) {
        const uint8_t *src = raw + (static_cast<size_t>(m_yOffset + i) * m_lineWidth + m_xOffset) * bpp;
        std::memcpy(output.pixels + i * rowBytes, src, rowBytes);
    }
    return result::kOk;
}
