#include "platform/PageMemory.h"
#include "platform/win32/Win32.h"

namespace platform {

uint8_t *AllocatePages(size_t bytes) {
    return static_cast<uint8_t *>(VirtualAlloc(nullptr, bytes ? bytes : 1, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
}

void FreePages(uint8_t *memory) {
    if (memory)
        VirtualFree(memory, 0, MEM_RELEASE);
}

} // namespace platform
