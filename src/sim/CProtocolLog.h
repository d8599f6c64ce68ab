// One ordered record of what the simulated cameras received and of every protocol pause,
// so that a test can check that an exchange sent these commands with these pauses in this
// order. Bounded: past kMaxLogEntries the oldest entries go (and are counted).
#pragma once
#include <array>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <vector>

namespace sim {

enum class LogKind { Command, Pause };

struct CLogEntry {
    LogKind kind = LogKind::Command;
    int device = -1;          // the camera that took the command; -1 for a pause
    uint32_t pauseMs = 0;
    uint32_t controlCode = 0; // the control code that carried the command
    std::array<uint8_t, 64> command{};

    uint8_t Code() const { return command[0]; }
    // "pause 6", "0: SR 1028 = 2", "1: read CR 16", "0: FR 14 = 5", "0: memory 0x1805 = 7", ...
    std::string Describe() const;
};

std::vector<std::string> Describe(const std::vector<CLogEntry> &entries);

class CProtocolLog {
public:
    void RecordCommand(int device, uint32_t controlCode, const uint8_t *command);
    void RecordPause(uint32_t ms);

    std::vector<CLogEntry> Take(); // everything so far, and the log starts empty again
    std::vector<CLogEntry> Entries() const;
    void Clear();
    void SetEnabled(bool enabled);
    uint64_t Dropped() const;

private:
    void Append(const CLogEntry &entry);

    mutable std::mutex m_lock;
    std::deque<CLogEntry> m_entries;
    bool m_enabled = true;
    uint64_t m_dropped = 0;
};

} // namespace sim
