// Large buffers (frame slots, pictures) from whole pages of the system on Windows.
// Freed, pages go back to the system at once; from the heap, buffers of several sizes
// coming and going with small blocks between them leave an arena that grows with every
// start and stop. The native build takes them from the heap, where the sanitizers watch
// their bounds.
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>

namespace platform {

// Zeroed memory of `bytes` bytes, or null when there is none.
uint8_t *AllocatePages(size_t bytes);
void FreePages(uint8_t *memory);

struct CPageDeleter {
    void operator()(uint8_t *memory) const { FreePages(memory); }
};
using PageBuffer = std::unique_ptr<uint8_t[], CPageDeleter>;

} // namespace platform
