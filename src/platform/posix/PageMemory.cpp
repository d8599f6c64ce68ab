#include "platform/PageMemory.h"
#include <new>

namespace platform {

uint8_t *AllocatePages(size_t bytes) { return new (std::nothrow) uint8_t[bytes ? bytes : 1](); }

void FreePages(uint8_t *memory) { delete[] memory; }

} // namespace platform
