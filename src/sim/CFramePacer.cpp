#include "sim/CFramePacer.h"
#include "sim/SimConstants.h"
#include <algorithm>

namespace sim {

void CFramePacer::Restart(TimePoint now) { m_lastFrame = now; }

void CFramePacer::SetTriggerMode(bool on, TimePoint now) {
    if (on && !m_triggerMode)
        m_nextAutoTrigger = now + std::chrono::milliseconds(m_autoTriggerMs);
    if (!on)
        m_pendingTriggers = 0;
    m_triggerMode = on;
}

void CFramePacer::SetAutoTriggerPeriod(uint32_t ms, TimePoint now) {
    m_autoTriggerMs = std::min(ms, kMaxAutoTriggerMs);
    m_nextAutoTrigger = now + std::chrono::milliseconds(m_autoTriggerMs);
}

void CFramePacer::Trigger() { m_pendingTriggers = std::min(m_pendingTriggers + 1, kMaxPendingTriggers); }

void CFramePacer::AccrueAutoTriggers(TimePoint now) {
    if (m_autoTriggerMs == 0 || now < m_nextAutoTrigger)
        return;
    const auto period = std::chrono::milliseconds(m_autoTriggerMs);
    const auto count = (now - m_nextAutoTrigger) / period + 1;
    m_pendingTriggers = uint32_t(std::min<int64_t>(int64_t(m_pendingTriggers) + count, kMaxPendingTriggers));
    m_nextAutoTrigger += count * period;
}

CFramePacer::TimePoint CFramePacer::TriggerReadyAt(TimePoint now) {
    AccrueAutoTriggers(now);
    if (m_pendingTriggers > 0)
        return now;
    return m_autoTriggerMs > 0 ? m_nextAutoTrigger : TimePoint::max();
}

CFramePacer::TimePoint CFramePacer::FrameDue(TimePoint now, Clock::duration period) const {
    if (period <= Clock::duration::zero())
        return now;
    const TimePoint next = m_lastFrame + period;
    if (next >= now)
        return next;
    // A late reader gets the frame that completes next on the grid; those completed while
    // nobody read are gone.
    const auto periods = (now - m_lastFrame + period - Clock::duration(1)) / period;
    return m_lastFrame + periods * period;
}

void CFramePacer::TakeFreeRunning(TimePoint frameTime, Clock::duration period) {
    // The frame is on the grid: every period between it and the last one taken held a
    // frame that nobody read.
    if (period > Clock::duration::zero() && frameTime > m_lastFrame) {
        const auto periods = (frameTime - m_lastFrame + period / 2) / period;
        if (periods > 1)
            m_missed += static_cast<uint64_t>(periods - 1);
    }
    m_lastFrame = frameTime;
}

void CFramePacer::TakeTriggered(TimePoint now) {
    if (m_pendingTriggers > 0)
        --m_pendingTriggers;
    m_lastFrame = now;
}

} // namespace sim
