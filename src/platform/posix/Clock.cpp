#include "platform/Clock.h"
#include <chrono>
#include <thread>
#if defined(__linux__)
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>
#endif

namespace platform {

uint32_t TimeGetTime() {
    using namespace std::chrono;
    return static_cast<uint32_t>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}
uint32_t TickCount() { return TimeGetTime(); }
void SleepMs(uint32_t ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }
void TimerBeginPeriod1ms() {}
void TimerEndPeriod1ms() {}
// As the Windows build raises the transfer thread above the processing threads: on Linux
// a thread's own nice value, which needs the right to raise it (root, CAP_SYS_NICE or
// RLIMIT_NICE); without that the thread stays as it is.
void RaiseCurrentThreadPriority() {
#if defined(__linux__)
    const auto thread = static_cast<id_t>(syscall(SYS_gettid));
    setpriority(PRIO_PROCESS, thread, getpriority(PRIO_PROCESS, thread) - 5);
#endif
}

} // namespace platform
