#include "platform/CMemorySettingsStore.h"
#include <algorithm>
#include <cctype>
#include <cstring>

namespace platform {
namespace {
std::string Lower(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return s;
}
} // namespace

CMemorySettingsStore::CMemorySettingsStore() = default;
CMemorySettingsStore::~CMemorySettingsStore() = default;

CMemorySettingsStore::Node *CMemorySettingsStore::NodeOf(Key parent) {
    if (!parent)
        return &m_root;
    for (auto &h : m_handles)
        if (h.get() == parent)
            return h->node;
    return nullptr;
}

CMemorySettingsStore::Node *CMemorySettingsStore::Walk(Node *from, const std::string &path, bool create,
                                                       bool *created) {
    Node *node = from;
    size_t start = 0;
    if (created)
        *created = false;
    while (node && start <= path.size()) {
        size_t end = path.find('\\', start);
        if (end == std::string::npos)
            end = path.size();
        std::string part = Lower(path.substr(start, end - start));
        if (!part.empty()) {
            auto it = node->children.find(part);
            if (it == node->children.end()) {
                if (!create)
                    return nullptr;
                it = node->children.emplace(part, std::make_unique<Node>()).first;
                if (created)
                    *created = true;
            }
            node = it->second.get();
        }
        start = end + 1;
    }
    return node;
}

ISettingsStore::Key CMemorySettingsStore::OpenKey(Key parent, const char *path, Access) {
    std::lock_guard<std::mutex> lock(m_lock);
    Node *node = path ? Walk(NodeOf(parent), path, false, nullptr) : nullptr;
    if (!node)
        return nullptr;
    m_handles.push_back(std::make_unique<Handle>(Handle{node}));
    return m_handles.back().get();
}

ISettingsStore::Key CMemorySettingsStore::CreateKey(Key parent, const char *path, bool *created) {
    std::lock_guard<std::mutex> lock(m_lock);
    Node *from = NodeOf(parent);
    Node *node = path && from ? Walk(from, path, true, created) : nullptr;
    if (!node)
        return nullptr;
    m_handles.push_back(std::make_unique<Handle>(Handle{node}));
    return m_handles.back().get();
}

void CMemorySettingsStore::CloseKey(Key key) {
    std::lock_guard<std::mutex> lock(m_lock);
    m_handles.erase(std::remove_if(m_handles.begin(), m_handles.end(),
                                   [key](const std::unique_ptr<Handle> &h) { return h.get() == key; }),
                    m_handles.end());
}

bool CMemorySettingsStore::ReadDword(Key key, const char *name, uint32_t *value) {
    std::lock_guard<std::mutex> lock(m_lock);
    Node *node = key ? NodeOf(key) : nullptr;
    if (!node || !name)
        return false;
    auto it = node->values.find(Lower(name));
    if (it == node->values.end() || it->second.first || it->second.second.size() != 4)
        return false;
    std::memcpy(value, it->second.second.data(), 4);
    return true;
}

bool CMemorySettingsStore::WriteDword(Key key, const char *name, uint32_t value) {
    std::lock_guard<std::mutex> lock(m_lock);
    Node *node = key ? NodeOf(key) : nullptr;
    if (!node || !name)
        return false;
    std::vector<uint8_t> bytes(4);
    std::memcpy(bytes.data(), &value, 4);
    node->values[Lower(name)] = {false, bytes};
    return true;
}

bool CMemorySettingsStore::ReadBinary(Key key, const char *name, void *data, uint32_t size) {
    std::lock_guard<std::mutex> lock(m_lock);
    Node *node = key ? NodeOf(key) : nullptr;
    if (!node || !name)
        return false;
    auto it = node->values.find(Lower(name));
    if (it == node->values.end() || !it->second.first || it->second.second.size() != size)
        return false;
    std::memcpy(data, it->second.second.data(), size);
    return true;
}

bool CMemorySettingsStore::WriteBinary(Key key, const char *name, const void *data, uint32_t size) {
    std::lock_guard<std::mutex> lock(m_lock);
    Node *node = key ? NodeOf(key) : nullptr;
    if (!node || !name)
        return false;
    const uint8_t *p = static_cast<const uint8_t *>(data);
    node->values[Lower(name)] = {true, std::vector<uint8_t>(p, p + size)};
    return true;
}

bool CMemorySettingsStore::KeyExists(const std::string &path) {
    std::lock_guard<std::mutex> lock(m_lock);
    return Walk(&m_root, path, false, nullptr) != nullptr;
}

int CMemorySettingsStore::OpenHandles() {
    std::lock_guard<std::mutex> lock(m_lock);
    return static_cast<int>(m_handles.size());
}

void CMemorySettingsStore::Clear() {
    std::lock_guard<std::mutex> lock(m_lock);
    m_root.children.clear();
    m_root.values.clear();
}

} // namespace platform
