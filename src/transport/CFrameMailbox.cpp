#include "transport/CFrameMailbox.h"

void CFrameMailbox::Start(int slots) {
    std::lock_guard<std::mutex> lock(m_lock);
    m_frameOf.assign(static_cast<size_t>(slots > 0 ? slots : 0), 0);
    m_arrival.assign(m_frameOf.size(), Clock::time_point{});
    m_lastFilled = m_held = -1;
    m_sequence = 0;
    m_handedOver = Ticket{};
    m_running = true;
    m_failed = false;
}

void CFrameMailbox::End(bool failed) {
    {
        std::lock_guard<std::mutex> lock(m_lock);
        m_running = false;
        m_failed = m_failed || failed;
    }
    m_changed.notify_all();
}

void CFrameMailbox::ClearFailure() {
    std::lock_guard<std::mutex> lock(m_lock);
    m_failed = false;
}

int CFrameMailbox::SlotToFill() {
    std::lock_guard<std::mutex> lock(m_lock);
    const int slots = static_cast<int>(m_frameOf.size());
    if (slots == 0)
        return 0;
    auto next = [slots](int slot) { return slot + 1 >= slots ? 0 : slot + 1; };
    // Round the ring from the last slot filled, so that a consumer that keeps up finds
    // its frames in the order they came.
    int chosen = -1, oldestWaiting = -1;
    for (int i = 0, slot = next(m_lastFilled); i < slots; ++i, slot = next(slot)) {
        const uint64_t frame = m_frameOf[slot];
        if (slot == m_held || (frame != 0 && frame == m_sequence))
            continue; // being copied, or the newest frame
        if (frame <= m_handedOver.sequence) {
            chosen = slot; // empty, or its frame was handed over or skipped already
            break;
        }
        if (oldestWaiting < 0 || frame < m_frameOf[oldestWaiting])
            oldestWaiting = slot;
    }
    if (chosen < 0)
        chosen = oldestWaiting >= 0 ? oldestWaiting : next(m_lastFilled); // fewer than three slots
    m_frameOf[chosen] = 0;
    m_lastFilled = chosen;
    return chosen;
}

void CFrameMailbox::Publish(int slot) {
    {
        std::lock_guard<std::mutex> lock(m_lock);
        if (slot < 0 || slot >= static_cast<int>(m_frameOf.size()))
            return;
        m_frameOf[slot] = ++m_sequence;
        m_arrival[slot] = Clock::now();
    }
    m_changed.notify_all();
}

CFrameMailbox::Wait CFrameMailbox::WaitNewer(uint32_t timeoutMs, Order order) {
    std::unique_lock<std::mutex> lock(m_lock);
    auto settled = [&] { return m_failed || !m_running || m_sequence != m_handedOver.sequence; };
    if (timeoutMs > 0)
        m_changed.wait_for(lock, std::chrono::milliseconds(timeoutMs), settled);
    if (m_failed)
        return Wait::Failed;
    if (!m_running)
        return Wait::Ended;
    if (m_sequence == m_handedOver.sequence)
        return Wait::NothingNew;
    // In sequence: the oldest frame not yet handed over (the next one, unless the writer
    // had to overwrite it). Newest: the newest, whatever came before it.
    int slot = -1;
    for (int s = 0; s < static_cast<int>(m_frameOf.size()); ++s) {
        const uint64_t frame = m_frameOf[s];
        if (frame <= m_handedOver.sequence)
            continue;
        if (slot < 0 || (order == Order::InSequence ? frame < m_frameOf[slot] : frame > m_frameOf[slot]))
            slot = s;
    }
    if (slot < 0)
        return Wait::NothingNew;
    const uint64_t frame = m_frameOf[slot];
    m_handedOver.dropped += frame - m_handedOver.sequence - 1;
    m_handedOver.sequence = frame;
    m_handedOver.arrival = m_arrival[slot];
    m_held = slot;
    return Wait::Ready;
}

int CFrameMailbox::Held() {
    std::lock_guard<std::mutex> lock(m_lock);
    return m_held;
}

void CFrameMailbox::Release() {
    std::lock_guard<std::mutex> lock(m_lock);
    m_held = -1;
}

CFrameMailbox::Ticket CFrameMailbox::LastHandedOver() {
    std::lock_guard<std::mutex> lock(m_lock);
    return m_handedOver;
}

uint64_t CFrameMailbox::Completed() {
    std::lock_guard<std::mutex> lock(m_lock);
    return m_sequence;
}
