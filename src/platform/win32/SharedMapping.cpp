#include "platform/SharedMapping.h"
#include "platform/win32/Win32.h"
#include <cstdint>

namespace platform {

void *CSharedMapping::Open(const char *name, size_t size) {
    Close();
    HANDLE mapping = OpenFileMappingA(FILE_MAP_ALL_ACCESS, FALSE, name);
    m_created = false;
    if (!mapping) {
        mapping = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE,
                                     static_cast<DWORD>(static_cast<uint64_t>(size) >> 32),
                                     static_cast<DWORD>(size), name);
        if (!mapping)
            return nullptr;
        // Another process may have won the race between our open and our create.
        m_created = GetLastError() != ERROR_ALREADY_EXISTS;
    }
    m_handle = mapping;
    m_view = MapViewOfFile(mapping, FILE_MAP_ALL_ACCESS, 0, 0, 0);
    m_size = size;
    return m_view;
}

void CSharedMapping::Close() {
    if (m_view) {
        UnmapViewOfFile(m_view);
        m_view = nullptr;
    }
    if (m_handle) {
        CloseHandle(m_handle);
        m_handle = nullptr;
    }
    m_created = false;
}

} // namespace platform
