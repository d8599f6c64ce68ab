#include "platform/Process.h"
#include <unistd.h>

namespace platform {

// No module handles here: the process id serves as this process's identity.
uint64_t MainModuleHandle() { return 0x10000u + static_cast<uint64_t>(getpid()); }

} // namespace platform
