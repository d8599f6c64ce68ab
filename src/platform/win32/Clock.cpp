#include "platform/Clock.h"
#include "platform/win32/Win32.h"
#include <mmsystem.h>

namespace platform {

uint32_t TimeGetTime() { return timeGetTime(); }
uint32_t TickCount() { return GetTickCount(); }
void SleepMs(uint32_t ms) { Sleep(ms); }
void TimerBeginPeriod1ms() { timeBeginPeriod(1); }
void TimerEndPeriod1ms() { timeEndPeriod(1); }
void RaiseCurrentThreadPriority() { SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_HIGHEST); }

} // namespace platform
