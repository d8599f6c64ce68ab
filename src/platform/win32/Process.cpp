#include "platform/Process.h"
#include "platform/win32/Win32.h"

namespace platform {

uint64_t MainModuleHandle() { return reinterpret_cast<uint64_t>(GetModuleHandleA(nullptr)); }

uint32_t CurrentProcessId() { return GetCurrentProcessId(); }

namespace {
// Its creation time, or 0 when the system does not tell.
uint64_t StartTimeOf(HANDLE process) {
    FILETIME created{}, exited{}, kernel{}, user{};
    if (!GetProcessTimes(process, &created, &exited, &kernel, &user))
        return 0;
    return (static_cast<uint64_t>(created.dwHighDateTime) << 32) | created.dwLowDateTime;
}
} // namespace

uint64_t CurrentProcessStartTime() { return StartTimeOf(GetCurrentProcess()); }

bool ProcessRuns(uint32_t processId, uint64_t startTime) {
    HANDLE process = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId);
    if (!process)
        return GetLastError() == ERROR_ACCESS_DENIED; // someone else's, and alive
    // An ended process stays openable while anyone holds a handle to it; its handle is
    // signalled then. (An exit code would not do: a process may exit with STILL_ACTIVE.)
    bool runs = WaitForSingleObject(process, 0) == WAIT_TIMEOUT;
    const uint64_t started = StartTimeOf(process);
    if (runs && started != 0 && started != startTime)
        runs = false; // a later process that was given the same id
    CloseHandle(process);
    return runs;
}

} // namespace platform
