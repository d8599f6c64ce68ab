// The native build runs tests only, many in parallel: a table shared machine-wide would
// let one test process's claims leak into another's and outlive a crashed one. The
// mapping is therefore shared by every user within the process; sharing between
// processes is exercised for real under Wine.
#include "platform/SharedMapping.h"
#include <cstring>
#include <map>
#include <mutex>
#include <string>
#include <sys/mman.h>

namespace platform {
namespace {
struct Region {
    void *base = nullptr;
    size_t size = 0;
    int users = 0;
};
std::mutex g_mutex;
std::map<std::string, Region> g_regions;
} // namespace

void *CSharedMapping::Open(const char *name, size_t size) {
    Close();
    if (!name || size == 0)
        return nullptr;
    std::lock_guard<std::mutex> lock(g_mutex);
    Region &region = g_regions[name];
    m_created = region.users == 0;
    if (m_created) {
        void *base = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0);
        if (base == MAP_FAILED) {
            g_regions.erase(name);
            return nullptr;
        }
        region.base = base;
        region.size = size;
    }
    ++region.users;
    m_handle = new std::string(name);
    m_view = region.base;
    m_size = region.size;
    return m_view;
}

void CSharedMapping::Close() {
    if (!m_handle)
        return;
    std::string *name = static_cast<std::string *>(m_handle);
    {
        std::lock_guard<std::mutex> lock(g_mutex);
        auto it = g_regions.find(*name);
        if (it != g_regions.end() && --it->second.users == 0) {
            munmap(it->second.base, it->second.size);
            g_regions.erase(it);
        }
    }
    delete name;
    m_handle = nullptr;
    m_view = nullptr;
    m_created = false;
}

} // namespace platform
