#include "platform/Clock.h"
#include <chrono>
#include <thread>

namespace platform {

uint32_t TimeGetTime() {
    using namespace std::chrono;
    return static_cast<uint32_t>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}
uint32_t TickCount() { return TimeGetTime(); }
void SleepMs(uint32_t ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }
void TimerBeginPeriod1ms() {}
void TimerEndPeriod1ms() {}
void RaiseCurrentThreadPriority() {}

} // namespace platform
