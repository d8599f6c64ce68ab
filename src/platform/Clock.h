// Time, sleeping, timer resolution and thread priority.
#pragma once
#include <cstdint>

namespace platform {

uint32_t TimeGetTime();  // milliseconds, wraps after 49.7 days (timeGetTime)
uint32_t TickCount();    // milliseconds, wraps (GetTickCount)
void SleepMs(uint32_t ms);

// Raise the system timer resolution to 1 ms around latency-sensitive transfers.
void TimerBeginPeriod1ms();
void TimerEndPeriod1ms();

// The transfer thread calls this on itself.
void RaiseCurrentThreadPriority();

} // namespace platform
