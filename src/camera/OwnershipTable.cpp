#include "camera/OwnershipTable.h"
#include <cstring>

namespace ownership {
namespace {
// Device numbers come from the driver (0 to 31), but the table has room for far more;
// anything that would leave the mapping is simply not a record.
bool InTable(int device) {
    return device >= 0 && kTableOffset + (static_cast<size_t>(device) + 1) * kRecordSize <= kMappingSize;
}
} // namespace

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

void Claim(void *view, int device, WindowHandle owner, uint64_t module) {
    Record record{};
    record.ownerWindow = reinterpret_cast<uint64_t>(owner);
    record.module = module;
    record.reserved = 0;
    std::strncpy(record.fileName, kOwnerFileName, kFileNameSize - 1);
    Write(view, device, record);
}

void Release(void *view, int device, WindowHandle owner, uint64_t module) {
    Record record = Read(view, device);
    if (record.ownerWindow != reinterpret_cast<uint64_t>(owner) || record.module != module || record.reserved != 0)
        return;
    record.ownerWindow = 0;
    record.module = 0;
    record.reserved = 0;
    record.fileName[0] = 0;
    Write(view, device, record);
}

} // namespace ownership
