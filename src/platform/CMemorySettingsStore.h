// A settings store held in memory: the native build's registry, and a store tests can
// inspect directly.
#pragma once
#include "platform/SettingsStore.h"
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

class CMemorySettingsStore final : public ISettingsStore {
public:
    CMemorySettingsStore();
    ~CMemorySettingsStore() override;

    Key OpenKey(Key parent, const char *path, Access access) override;
    Key CreateKey(Key parent, const char *path, bool *created = nullptr) override;
    void CloseKey(Key key) override;
    bool ReadDword(Key key, const char *name, uint32_t *value) override;
    bool WriteDword(Key key, const char *name, uint32_t value) override;
    bool ReadBinary(Key key, const char *name, void *data, uint32_t size) override;
    bool WriteBinary(Key key, const char *name, const void *data, uint32_t size) override;

    // For tests: does a key exist (path from the root, '\\' separated), how many handles are open.
    bool KeyExists(const std::string &path);
    int OpenHandles();
    void Clear();

private:
    // Key and value names compare without regard to case, as the registry's do, and keep
    // the case they were first written in; lookups take views and copy nothing.
    struct NoCase {
        using is_transparent = void;
        bool operator()(std::string_view a, std::string_view b) const;
    };
    struct Node {
        std::map<std::string, std::unique_ptr<Node>, NoCase> children;
        std::map<std::string, std::pair<bool, std::vector<uint8_t>>, NoCase> values; // binary?, bytes
    };
    struct Handle {
        Node *node;
    };
    Node *Walk(Node *from, std::string_view path, bool create, bool *created);
    static void Store(Node &node, const char *name, bool binary, const uint8_t *bytes, size_t size);
    Node *NodeOf(Key parent);

    std::mutex m_lock;
    Node m_root;
    std::vector<std::unique_ptr<Handle>> m_handles;
};

} // namespace platform
