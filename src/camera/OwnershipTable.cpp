#include "camera/OwnershipTable.h"
#include "platform/Process.h"
#include <atomic>
#include <cstring>

namespace ownership {
namespace {
// Device numbers come from the driver (0 to 31), but the table has room for far more;
// anything that would leave the mapping is simply not a record.
bool InTable(int device) {
    return device >= 0 && kTableOffset + (static_cast<size_t>(device) + 1) * kRecordSize <= kMappingSize;
}

// A process that ended without giving its claims back (killed, crashed) leaves them in
// the table for as long as any process keeps the mapping; they bind no one.
uint64_t ProcessStartOf(const Record &record) {
    uint64_t start = 0;
    std::memcpy(&start, record.fileName + kProcessStartOffset, sizeof start);
    return start;
}

bool Lives(const Record &record) {
    if (record.ownerWindow == 0)
        return false;
    if (record.reserved == 0)
        return true; // another library's: its process is not known
    const uint32_t process = static_cast<uint32_t>(record.reserved >> 32);
    if (process == platform::CurrentProcessId())
        return ProcessStartOf(record) == platform::CurrentProcessStartTime();
    return platform::ProcessRuns(process, ProcessStartOf(record));
}
} // namespace

uint64_t NewIdentity() {
    static std::atomic<uint32_t> lastSerial{0};
    return Identity(platform::CurrentProcessId(), ++lastSerial);
}

Owner OwnerOf(WindowHandle notifyWindow, uint64_t identity) {
    const uint64_t window = reinterpret_cast<uint64_t>(notifyWindow);
    return {window != 0 ? window : kOwnerWithoutWindow, platform::MainModuleHandle(), identity,
            platform::CurrentProcessStartTime()};
}

Record Read(const void *view, int device) {
    Record record{};
    if (view && InTable(device))
        std::memcpy(&record, static_cast<const char *>(view) + kTableOffset + device * kRecordSize, sizeof record);
    return record;
}

void Write(void *view, int device, const Record &record) {
    if (view && InTable(device))
        std::memcpy(static_cast<char *>(view) + kTableOffset + device * kRecordSize, &record, sizeof record);
}

void Claim(void *view, int device, const Owner &owner) {
    Record record{};
    record.ownerWindow = owner.window;
    record.module = owner.module;
    record.reserved = owner.identity;
    std::strncpy(record.fileName, kOwnerFileName, kFileNameSize - 1);
    std::memcpy(record.fileName + kProcessStartOffset, &owner.processStart, sizeof owner.processStart);
    Write(view, device, record);
}

void Release(void *view, int device, const Owner &owner) {
    Record record = Read(view, device);
    if (record.ownerWindow != owner.window || record.module != owner.module || record.reserved != owner.identity)
        return;
    record.ownerWindow = 0;
    record.module = 0;
    record.reserved = 0;
    record.fileName[0] = 0;
    Write(view, device, record);
}

bool Held(const void *view, int device) { return Lives(Read(view, device)); }

bool HeldByOther(const void *view, int device, uint64_t self) {
    const Record record = Read(view, device);
    return Lives(record) && record.reserved != self;
}

} // namespace ownership
