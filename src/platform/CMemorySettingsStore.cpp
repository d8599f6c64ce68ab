#include "platform/CMemorySettingsStore.h"
#include <algorithm>
#include <cstring>

namespace platform {
namespace {
// The names the library stores are ASCII; no locale is asked.
unsigned char AsciiLower(unsigned char c) { return c >= 'A' && c <= 'Z' ? static_cast<unsigned char>(c + 32) : c; }
} // namespace

bool CMemorySettingsStore::NoCase::operator()(std::string_view a, std::string_view b) const {
    const size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i) {
        const unsigned char x = AsciiLower(static_cast<unsigned char>(a[i]));
        const unsigned char y = AsciiLower(static_cast<unsigned char>(b[i]));
        if (x != y)
            return x < y;
    }
    return a.size() < b.size();
}

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

CMemorySettingsStore::Node *CMemorySettingsStore::Walk(Node *from, std::string_view path, bool create,
                                                       bool *created) {
    Node *node = from;
    size_t start = 0;
    if (created)
        *created = false;
    while (node && start <= path.size()) {
        size_t end = path.find('\\', start);
        if (end == std::string_view::npos)
            end = path.size();
        const std::string_view part = path.substr(start, end - start);
        if (!part.empty()) {
            auto it = node->children.find(part);
            if (it == node->children.end()) {
                if (!create)
                    return nullptr;
                it = node->children.emplace(std::string(part), std::make_unique<Node>()).first;
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
    auto it = node->values.find(std::string_view(name));
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
    uint8_t bytes[4];
    std::memcpy(bytes, &value, 4);
    Store(*node, name, false, bytes, 4);
    return true;
}

bool CMemorySettingsStore::ReadBinary(Key key, const char *name, void *data, uint32_t size) {
    std::lock_guard<std::mutex> lock(m_lock);
    Node *node = key ? NodeOf(key) : nullptr;
    if (!node || !name)
        return false;
    auto it = node->values.find(std::string_view(name));
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
    Store(*node, name, true, static_cast<const uint8_t *>(data), size);
    return true;
}

void CMemorySettingsStore::Store(Node &node, const char *name, bool binary, const uint8_t *bytes, size_t size) {
    auto it = node.values.find(std::string_view(name));
    if (it == node.values.end())
        it = node.values.emplace(name, std::pair<bool, std::vector<uint8_t>>()).first;
    it->second.first = binary;
    it->second.second.assign(bytes, bytes + size);
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
