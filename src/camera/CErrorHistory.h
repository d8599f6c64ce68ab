// The per-instance history of error codes, newest first.
#pragma once
#include <cstdint>
#include <mutex>

class CErrorHistory {
public:
    static constexpr int kDepth = 20;

    // Shifts every entry one place toward the old end (the oldest is lost) and stores
    // the code as the newest.
    void Push(int32_t code) {
        std::lock_guard<std::mutex> lock(m_lock);
        for (int i = kDepth - 1; i > 0; --i)
            m_entries[i] = m_entries[i - 1];
        m_entries[0] = code;
    }

    // Removes and returns the newest entry; 0 once the history is drained.
    int32_t Pop() {
        std::lock_guard<std::mutex> lock(m_lock);
        int32_t code = m_entries[0];
        for (int i = 0; i < kDepth - 1; ++i)
            m_entries[i] = m_entries[i + 1];
        m_entries[kDepth - 1] = 0;
        return code;
    }

    int32_t Peek(int index) {
        std::lock_guard<std::mutex> lock(m_lock);
        return index >= 0 && index < kDepth ? m_entries[index] : 0;
    }

private:
    std::mutex m_lock; // held only for the shift and the store, never while posting
    int32_t m_entries[kDepth] = {};
};
