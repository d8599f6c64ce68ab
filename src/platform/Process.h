// What the ownership table records about the calling process, and whether the process
// behind a claim still runs.
#pragma once
#include <cstdint>

namespace platform {

// GetModuleHandleA(nullptr) of the calling process, as an integer.
uint64_t MainModuleHandle();

uint32_t CurrentProcessId();

// False once the process has ended (or when no process can have that id); true while
// it runs, also when it belongs to someone we may not look at.
bool ProcessRuns(uint32_t processId);

} // namespace platform
