#include "transport/CFrameMailbox.h"
#include <chrono>

void CFrameMailbox::Start(int slots) {
    std::lock_guard<std::mutex> lock(m_lock);
    m_slots = slots;
    m_lastFilled = m_newest = m_held = -1;
    m_sequence = m_taken = 0;
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
    int slot = m_lastFilled;
    do
        slot = slot + 1 >= m_slots ? 0 : slot + 1;
    while ((slot == m_newest || slot == m_held) && m_slots > 2);
    m_lastFilled = slot;
    return slot;
}

void CFrameMailbox::Publish(int slot) {
    {
        std::lock_guard<std::mutex> lock(m_lock);
        m_newest = slot;
        ++m_sequence;
    }
    m_changed.notify_all();
}

CFrameMailbox::Wait CFrameMailbox::WaitNewer(uint32_t timeoutMs) {
    std::unique_lock<std::mutex> lock(m_lock);
    auto settled = [&] { return m_failed || !m_running || m_sequence != m_taken; };
    if (timeoutMs > 0)
        m_changed.wait_for(lock, std::chrono::milliseconds(timeoutMs), settled);
    if (m_failed)
        return Wait::Failed;
    if (!m_running)
        return Wait::Ended;
    if (m_sequence != m_taken && m_newest >= 0) {
        // Older unread frames are skipped: the consumer always gets the newest one.
        m_held = m_newest;
        m_taken = m_sequence;
        return Wait::Ready;
    }
    return Wait::NothingNew;
}

int CFrameMailbox::Held() {
    std::lock_guard<std::mutex> lock(m_lock);
    return m_held;
}

void CFrameMailbox::Release() {
    std::lock_guard<std::mutex> lock(m_lock);
    m_held = -1;
}

uint64_t CFrameMailbox::Completed() {
    std::lock_guard<std::mutex> lock(m_lock);
    return m_sequence;
}
