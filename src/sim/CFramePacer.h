// When the next frame is ready. Free-running, the sensor completes a frame every frame
// period on a grid that starts at the stream start: a read gets the next frame completed
// after the previous one it delivered, so a reader that keeps up sees the real frame rate
// and a late one waits for the next grid point. Unpaced, every read gets a frame at once.
// In trigger mode a frame needs a trigger: from Trigger() or from the automatic trigger
// clock; triggers nobody read yet are kept, up to kMaxPendingTriggers.
// No lock: the camera that owns it holds its own.
#pragma once
#include <chrono>
#include <cstdint>

namespace sim {

class CFramePacer {
public:
    using Clock = std::chrono::steady_clock;
    using TimePoint = Clock::time_point;

    explicit CFramePacer(TimePoint now) : m_lastFrame(now), m_nextAutoTrigger(now) {}

    void Restart(TimePoint now); // stream start or power-on
    void SetTriggerMode(bool on, TimePoint now);
    void SetAutoTriggerPeriod(uint32_t ms, TimePoint now);
    uint32_t AutoTriggerPeriod() const { return m_autoTriggerMs; }
    void Trigger();
    uint32_t PendingTriggers() const { return m_pendingTriggers; }

    bool TriggerMode() const { return m_triggerMode; }
    // Trigger mode: now when a trigger is pending, else when the automatic clock gives the
    // next one, or TimePoint::max() when only Trigger() can give one.
    TimePoint TriggerReadyAt(TimePoint now);
    // Free-running at the real pace: when the frame a read starting at now gets is complete.
    TimePoint FrameDue(TimePoint now, Clock::duration period) const;
    // A frame was delivered: the triggered one at now, or the free-running one completed at
    // frameTime (now when unpaced).
    void TakeTriggered(TimePoint now);
    // `period` is the frame period the frame was paced by, zero when unpaced.
    void TakeFreeRunning(TimePoint frameTime, Clock::duration period);
    // Frames the sensor completed on the grid that no read took (a reader that was late).
    uint64_t MissedFrames() const { return m_missed; }

private:
    void AccrueAutoTriggers(TimePoint now);

    bool m_triggerMode = false;
    TimePoint m_lastFrame;
    TimePoint m_nextAutoTrigger;
    uint32_t m_autoTriggerMs = 0;
    uint32_t m_pendingTriggers = 0;
    uint64_t m_missed = 0;
};

} // namespace sim
