// The device-ownership table inside the process-wide shared mapping: one 152-byte
// record per device number, read and written by every process that loads the library.
#pragma once
#include "platform/Types.h"
#include <cstddef>
#include <cstdint>

namespace ownership {

constexpr const char *kMappingName = "PELKOR_USBCAMERA";
constexpr size_t kMappingSize = 4980736; // 0x4C0000
constexpr size_t kZeroedOnCreate = 32768;
constexpr size_t kRecordSize = 152;
constexpr size_t kTableOffset = 2140160; // record 14 080
constexpr size_t kFileNameSize = 128;
constexpr const char *kOwnerFileName = "VonkelSdk_430NVTX_QEL.dll";

struct Record {
    uint64_t ownerWindow; // 0 = unclaimed
    uint64_t module;
    uint64_t reserved;
    char fileName[kFileNameSize];
};
static_assert(sizeof(Record) == kRecordSize, "record layout is shared with other processes");

// Copies of the record: another process may change it at any time.
Record Read(const void *view, int device);
void Write(void *view, int device, const Record &record);

void Claim(void *view, int device, WindowHandle owner, uint64_t module);
// Clears the record only when it is ours (same window, same module, reserved 0).
void Release(void *view, int device, WindowHandle owner, uint64_t module);

} // namespace ownership
