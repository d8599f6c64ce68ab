// A named block of memory shared by every process that loads the library.
#pragma once
#include <cstddef>

namespace platform {

class CSharedMapping {
public:
    CSharedMapping() = default;
    ~CSharedMapping() { Close(); }
    CSharedMapping(const CSharedMapping &) = delete;
    CSharedMapping &operator=(const CSharedMapping &) = delete;

    // Opens the mapping of that name, or creates it with the given size. Returns the
    // view of the whole mapping, or null. Created() tells which of the two happened.
    void *Open(const char *name, size_t size);
    void Close();

    void *View() const { return m_view; }
    bool Created() const { return m_created; }

private:
    void *m_handle = nullptr;       // mapping object
    void *m_view = nullptr;
    size_t m_size = 0;
    bool m_created = false;
};

} // namespace platform
