#include "platform/Process.h"
#include "platform/win32/Win32.h"

namespace platform {

uint64_t MainModuleHandle() { return reinterpret_cast<uint64_t>(GetModuleHandleA(nullptr)); }

uint32_t CurrentProcessId() { return GetCurrentProcessId(); }

bool ProcessRuns(uint32_t processId) {
    HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, processId);
    if (!process)
        return GetLastError() == ERROR_ACCESS_DENIED; // someone else's, and alive
    // An ended process stays openable while anyone holds a handle to it; its handle is
    // signalled then. (An exit code would not do: a process may exit with STILL_ACTIVE.)
    const bool runs = WaitForSingleObject(process, 0) == WAIT_TIMEOUT;
    CloseHandle(process);
    return runs;
}

} // namespace platform
