#include "platform/Process.h"
#include "platform/win32/Win32.h"

namespace platform {

uint64_t MainModuleHandle() { return reinterpret_cast<uint64_t>(GetModuleHandleA(nullptr)); }

} // namespace platform
