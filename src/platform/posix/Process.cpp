#include "platform/Process.h"
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>

namespace platform {

// No module handles here: the process id serves as this process's identity.
uint64_t MainModuleHandle() { return 0x10000u + static_cast<uint64_t>(getpid()); }

uint32_t CurrentProcessId() { return static_cast<uint32_t>(getpid()); }

namespace {
// Field 22 of /proc/<pid>/stat, the start in clock ticks since boot; 0 when unreadable.
// The command name before it may hold spaces and parentheses: fields count from the last ')'.
uint64_t StartTimeOf(const std::string &statPath) {
    std::ifstream file(statPath);
    std::string line;
    if (!std::getline(file, line))
        return 0;
    const size_t close = line.rfind(')');
    if (close == std::string::npos)
        return 0;
    std::istringstream fields(line.substr(close + 1));
    std::string field;
    for (int i = 3; i <= 22 && fields >> field; ++i)
        if (i == 22)
            return std::strtoull(field.c_str(), nullptr, 10);
    return 0;
}
} // namespace

uint64_t CurrentProcessStartTime() { return StartTimeOf("/proc/self/stat"); }

bool ProcessRuns(uint32_t processId, uint64_t startTime) {
    // 0 and ids that turn negative as a pid_t name process groups, or every process,
    // to kill(): none of them is a single process that could hold a claim.
    if (processId == 0 || processId > static_cast<uint32_t>(INT_MAX))
        return false;
    if (kill(static_cast<pid_t>(processId), 0) != 0 && errno != EPERM)
        return false;
    const uint64_t started = StartTimeOf("/proc/" + std::to_string(processId) + "/stat");
    return started == 0 || started == startTime; // another start: a later process with the id
}

} // namespace platform
