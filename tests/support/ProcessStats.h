// What a leak shows from outside: the process's private bytes and its kernel handles
// (file descriptors natively). For the cycle tests, the soak and the torture's summary.
#pragma once
#include <cstdint>

#ifdef _WIN32
#include <windows.h>
#include <psapi.h>
#else
#include <dirent.h>
#include <fstream>
#include <string>
#endif

namespace testsupport {

struct ProcessStats {
    uint64_t privateBytes = 0;
    uint64_t handles = 0;
};

inline ProcessStats CurrentProcessStats() {
    ProcessStats s;
#ifdef _WIN32
    PROCESS_MEMORY_COUNTERS_EX counters{};
    counters.cb = sizeof counters;
    // Wine leaves the private count at 0; the commit charge is the same figure.
    if (K32GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS *>(&counters),
                                sizeof counters))
        s.privateBytes = counters.PrivateUsage ? counters.PrivateUsage : counters.PagefileUsage;
    DWORD handles = 0;
    if (!GetProcessHandleCount(GetCurrentProcess(), &handles) || handles == 0) {
        // Wine answers 0: the open handle values are counted one by one instead.
        for (uintptr_t value = 4; value < 4 * 16384; value += 4) {
            DWORD flags;
            handles += GetHandleInformation(reinterpret_cast<HANDLE>(value), &flags) != FALSE;
        }
    }
    s.handles = handles;
#else
    // Private memory as the kernel counts it: anonymous and dirty pages of this process.
    std::ifstream rollup("/proc/self/smaps_rollup");
    std::string key;
    uint64_t kb = 0;
    while (rollup >> key) {
        if (key == "Private_Clean:" || key == "Private_Dirty:") {
            rollup >> kb;
            s.privateBytes += kb * 1024;
        }
    }
    if (DIR *fds = opendir("/proc/self/fd")) {
        while (readdir(fds))
            ++s.handles;
        closedir(fds);
    }
#endif
    return s;
}

} // namespace testsupport
