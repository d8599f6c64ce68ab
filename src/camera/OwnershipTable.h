// The device-ownership table inside the process-wide shared mapping: one 152-byte
// record per device number, read and written by every process that loads the library.
//
// Other libraries on the machine read only the owner field (nonzero: claimed) and clear a
// record only when its owner and module are theirs and its reserved field is 0. This
// library keeps the claiming instance's identity in the reserved field: no other library
// clears its claims, its own release matches the one instance that claimed, and a claim
// whose process has ended can be told from a live one.
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

// The owner of an instance without a notification window: nonzero, so that every reader
// sees the claim, and no window handle (those are 32-bit values widened with their sign),
// so that no library takes it for a window of its own. Nothing posts to an owner field.
constexpr uint64_t kOwnerWithoutWindow = 0x100000001ull;

struct Record {
    uint64_t ownerWindow; // the owner's notification window or kOwnerWithoutWindow; 0 = unclaimed
    uint64_t module;      // the owner process's main module handle
    uint64_t reserved;    // ours: the claiming instance's identity; other libraries write 0
    char fileName[kFileNameSize];
};
static_assert(sizeof(Record) == kRecordSize, "record layout is shared with other processes");

// Who claims: the first three fields of a record, and the start time of the claiming
// process, kept in the last bytes of the file name field, past the name's terminator
// where readers of the name never look: a process id alone would name any later process
// that is given the same id.
struct Owner {
    uint64_t window;
    uint64_t module;
    uint64_t identity;
    uint64_t processStart;
};
constexpr size_t kProcessStartOffset = kFileNameSize - sizeof(uint64_t);

// The process id in the high half and an instance serial in the low half; never 0 for a
// serial from 1 on.
constexpr uint64_t Identity(uint32_t processId, uint32_t serial) {
    return (static_cast<uint64_t>(processId) << 32) | serial;
}
// A new identity for an instance of the calling process.
uint64_t NewIdentity();
// The owner an instance with this notification window (or none) and identity writes.
Owner OwnerOf(WindowHandle notifyWindow, uint64_t identity);

// Copies of the record: another process may change it at any time.
Record Read(const void *view, int device);
void Write(void *view, int device, const Record &record);

void Claim(void *view, int device, const Owner &owner);
// Clears the record only when `owner` claimed it: same window, module and identity.
void Release(void *view, int device, const Owner &owner);

// Whether a claim holds the device: any claim, or one that is not `self`'s. A claim of
// this library whose process has ended holds nothing; another library's claim holds
// while its owner field is set.
bool Held(const void *view, int device);
bool HeldByOther(const void *view, int device, uint64_t self);

} // namespace ownership
