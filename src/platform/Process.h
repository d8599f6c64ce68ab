// What the ownership table records about the calling process, and whether the process
// behind a claim still runs.
#pragma once
#include <cstdint>

namespace platform {

// GetModuleHandleA(nullptr) of the calling process, as an integer.
uint64_t MainModuleHandle();

uint32_t CurrentProcessId();

// When the calling process began, in the system's own units: with the process id, it
// names this process and no later one that is given the same id.
uint64_t CurrentProcessStartTime();

// False once the process that had this id and start time has ended (or when no process
// can have that id); true while it runs, also when it belongs to someone we may not look
// at. A process id is given out again once its process has ended: a process with the id
// but another start time is not the one asked about.
bool ProcessRuns(uint32_t processId, uint64_t startTime);

} // namespace platform
