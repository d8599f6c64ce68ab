// Win32-style events built on standard C++: manual or automatic reset.
#pragma once
#include <chrono>
#include <cstdint>
#include <condition_variable>
#include <mutex>

namespace platform {

class CEvent {
public:
    explicit CEvent(bool manualReset, bool signalled = false)
        : m_manual(manualReset), m_signalled(signalled) {}

    void Set() {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_signalled = true;
        }
        if (m_manual)
            m_cv.notify_all();
        else
            m_cv.notify_one();
    }
    void Reset() {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_signalled = false;
    }
    // Returns true when signalled within the time; an automatic event is consumed.
    bool Wait(uint32_t timeoutMs) {
        std::unique_lock<std::mutex> lock(m_mutex);
        if (!m_cv.wait_for(lock, std::chrono::milliseconds(timeoutMs), [this] { return m_signalled; }))
            return false;
        if (!m_manual)
            m_signalled = false;
        return true;
    }
    void Wait() {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_cv.wait(lock, [this] { return m_signalled; });
        if (!m_manual)
            m_signalled = false;
    }
    bool IsSet() {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_signalled;
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_cv;
    const bool m_manual;
    bool m_signalled;
};

} // namespace platform
