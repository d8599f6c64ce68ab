#include "sim/CProtocolLog.h"
#include "sim/SimConstants.h"
#include <cstdio>
#include <cstring>

namespace sim {

std::string CLogEntry::Describe() const {
    char text[96];
    if (kind == LogKind::Pause) {
        std::snprintf(text, sizeof text, "pause %u", pauseMs);
        return text;
    }
    const uint8_t *c = command.data();
    const unsigned address16 = (unsigned(c[1]) << 8) | c[2];
    int n = std::snprintf(text, sizeof text, "%d: ", device);
    char *p = text + n;
    const size_t room = sizeof text - size_t(n);
    switch (c[0]) {
    case cmd::kStreamStart:
        std::snprintf(p, room, "stream start");
        break;
    case cmd::kFrameRequest:
        std::snprintf(p, room, "frame request");
        break;
    case cmd::kSensorWrite:
        std::snprintf(p, room, "SR %u = %u", address16, c[3]);
        break;
    case cmd::kInitialize:
        std::snprintf(p, room, "initialize");
        break;
    case cmd::kSetTransferSize:
        std::snprintf(p, room, "transfer size %u",
                      c[1] | (unsigned(c[2]) << 8) | (unsigned(c[3]) << 16) | (unsigned(c[4]) << 24));
        break;
    case cmd::kSetWordMode:
        std::snprintf(p, room, "word mode %u", c[1]);
        break;
    case cmd::kSensorRead:
        std::snprintf(p, room, "read SR %u", address16);
        break;
    case cmd::kCaptureWrite:
        std::snprintf(p, room, "CR %u = %u", c[1], c[2]);
        break;
    case cmd::kCaptureRead:
        std::snprintf(p, room, "read CR %u", c[1]);
        break;
    case cmd::kFpgaWrite:
        std::snprintf(p, room, "FR %u = %u", c[1], c[2]);
        break;
    case cmd::kFpgaRead:
        std::snprintf(p, room, "read FR %u", c[1]);
        break;
    case cmd::kMemoryWrite:
        std::snprintf(p, room, "memory 0x%02X%02X = %u", c[3], c[4], c[5]);
        break;
    case cmd::kMemoryRead:
        std::snprintf(p, room, "read memory 0x%02X%02X", c[4], c[5]);
        break;
    default:
        std::snprintf(p, room, "command 0x%02X", c[0]);
        break;
    }
    return text;
}

std::vector<std::string> Describe(const std::vector<CLogEntry> &entries) {
    std::vector<std::string> lines;
    lines.reserve(entries.size());
    for (const CLogEntry &entry : entries)
        lines.push_back(entry.Describe());
    return lines;
}

void CProtocolLog::Append(const CLogEntry &entry) {
    std::lock_guard<std::mutex> lock(m_lock);
    if (!m_enabled)
        return;
    if (m_entries.size() >= kMaxLogEntries) {
        m_entries.pop_front();
        ++m_dropped;
    }
    m_entries.push_back(entry);
}

void CProtocolLog::RecordCommand(int device, uint32_t controlCode, const uint8_t *command) {
    CLogEntry entry;
    entry.kind = LogKind::Command;
    entry.device = device;
    entry.controlCode = controlCode;
    std::memcpy(entry.command.data(), command, entry.command.size());
    Append(entry);
}

void CProtocolLog::RecordPause(uint32_t ms) {
    CLogEntry entry;
    entry.kind = LogKind::Pause;
    entry.pauseMs = ms;
    Append(entry);
}

std::vector<CLogEntry> CProtocolLog::Take() {
    std::lock_guard<std::mutex> lock(m_lock);
    std::vector<CLogEntry> taken(m_entries.begin(), m_entries.end());
    m_entries.clear();
    return taken;
}

std::vector<CLogEntry> CProtocolLog::Entries() const {
    std::lock_guard<std::mutex> lock(m_lock);
    return std::vector<CLogEntry>(m_entries.begin(), m_entries.end());
}

void CProtocolLog::Clear() {
    std::lock_guard<std::mutex> lock(m_lock);
    m_entries.clear();
}

void CProtocolLog::SetEnabled(bool enabled) {
    std::lock_guard<std::mutex> lock(m_lock);
    m_enabled = enabled;
}

uint64_t CProtocolLog::Dropped() const {
    std::lock_guard<std::mutex> lock(m_lock);
    return m_dropped;
}

} // namespace sim
