#include "camera/CRecorder.h"
#include "VonkelSdk.h"
#include "image/Conversions.h"
#include "platform/Clock.h"

int CRecorder::Start(const char *path, uint32_t milliseconds) {
    std::lock_guard<std::mutex> control(m_control);
    StopLocked();
    {
        std::lock_guard<std::mutex> lock(*m_source.imageLock);
        const CImageBuffer *picture = m_source.picture();
        if (!picture || picture->IsEmpty())
            return VONKEL_ERR_CONVERSION;
        m_width = picture->Width();
        m_height = picture->Height();
        m_bits = picture->BitsPerPixel();
    }
    if (!m_frame.Create(m_width, m_height, 24) || !m_work24.Create(m_width, m_height, 24) ||
        !m_work8.Create(m_width, m_height, 8))
        return VONKEL_ERR_MEMORY;
    m_writer.SetSizeLimit(m_sizeLimit);
    if (!m_writer.Open(path, m_width, m_height))
        return VONKEL_ERR_CONVERSION;
    m_duration = milliseconds;
    m_frames.store(0);
    m_newFrame.store(false);
    m_wake.Reset();
    m_active.store(true);
    try {
        m_thread = std::thread(&CRecorder::Run, this);
    } catch (...) {
        m_active.store(false);
        m_writer.Finish(AviOpeningTiming(m_writer.FrameBytes()));
        return VONKEL_ERR_THREAD;
    }
    return 0;
}

void CRecorder::Stop() {
    std::lock_guard<std::mutex> control(m_control);
    StopLocked();
}

void CRecorder::StopLocked() {
    m_active.store(false);
    m_wake.Set();
    if (m_thread.joinable())
        m_thread.join();
}

bool CRecorder::Convert(const CImageBuffer &picture) {
    // The pictures hold the top row first, the file the bottom row first. 16-bit samples
    // carry 12 bits: the frame gets their top eight (bits 4..11), as the preview shows
    // them; bits 2..9 would wrap every level from 1024 up into the dark.
    switch (picture.BitsPerPixel()) {
    case 8:
        return CImageBuffer::BlitTo(&m_work24, &picture, nullptr, 0, 0) &&
               CImageBuffer::ApplyConversion(&m_frame, conv::CopyColorReversed, &m_work24, nullptr, 0, 0);
    case 16:
        return CImageBuffer::ApplyConversion(&m_work8, conv::Reduce16To8, &picture, nullptr, 0, 0) &&
               CImageBuffer::BlitTo(&m_frame, &m_work8, nullptr, 0, 0);
    case 24:
    case 32:
        return CImageBuffer::ApplyConversion(&m_frame, conv::CopyColorReversed, &picture, nullptr, 0, 0) != 0;
    case 48:
    case 64:
        return CImageBuffer::ApplyConversion(&m_work24, conv::Reduce48To24Display, &picture, nullptr, 0, 0) &&
               CImageBuffer::ApplyConversion(&m_frame, conv::CopyColorReversed, &m_work24, nullptr, 0, 0);
    default:
        return false;
    }
}

bool CRecorder::TakePicture() {
    std::lock_guard<std::mutex> lock(*m_source.imageLock);
    const CImageBuffer *picture = m_source.picture();
    // A picture of another geometry than the file's cannot go into it.
    if (!picture || picture->IsEmpty() || picture->Width() != m_width || picture->Height() != m_height ||
        picture->BitsPerPixel() != m_bits)
        return false;
    return Convert(*picture);
}

void CRecorder::Run() {
    bool started = false, failed = false;
    uint32_t start = 0, last = 0;
    while (m_active.load()) {
        m_wake.Wait(kPollMs);
        if (!m_active.load())
            break;
        if (!m_newFrame.exchange(false, std::memory_order_acq_rel)) {
            // No picture will come any more once the capture loop has ended (a stop, an
            // unplugged camera): the file is finished now, not when the application stops.
            if (!m_source.streaming())
                break;
            continue;
        }
        const uint32_t now = platform::TimeGetTime();
        if (!started) {
            started = true;
            start = now;
        }
        if (!m_writer.HasRoomForFrame() || !TakePicture())
            break;
        if (!m_writer.Append(m_frame)) {
            // A full or failing disk is not asked again: the recording ends here.
            failed = true;
            break;
        }
        last = now;
        m_frames.store(m_writer.Frames());
        // Unsigned difference: the millisecond clock may wrap during a recording.
        if (now - start > m_duration || !m_writer.HasRoomForFrame())
            break;
    }
    const bool finished = m_writer.Finish(AviMeasuredTiming(m_writer.Frames(), last - start, m_writer.FrameBytes()));
    if (failed || !finished)
        m_source.raiseError(VONKEL_ERR_CONVERSION);
    m_active.store(false);
}
