// What the ownership table records about the calling process.
#pragma once
#include <cstdint>

namespace platform {

// GetModuleHandleA(nullptr) of the calling process, as an integer.
uint64_t MainModuleHandle();

} // namespace platform
