#include "platform/Process.h"
#include <cerrno>
#include <climits>
#include <csignal>
#include <unistd.h>

namespace platform {

// No module handles here: the process id serves as this process's identity.
uint64_t MainModuleHandle() { return 0x10000u + static_cast<uint64_t>(getpid()); }

uint32_t CurrentProcessId() { return static_cast<uint32_t>(getpid()); }

bool ProcessRuns(uint32_t processId) {
    // 0 and ids that turn negative as a pid_t name process groups, or every process,
    // to kill(): none of them is a single process that could hold a claim.
    if (processId == 0 || processId > static_cast<uint32_t>(INT_MAX))
        return false;
    return kill(static_cast<pid_t>(processId), 0) == 0 || errno == EPERM;
}

} // namespace platform
