// A settings store held in memory: the native build's registry, and a store tests can
// inspect directly.
#pragma once
#include "platform/SettingsStore.h"
#include <map>
#include <memory>
#include <mutex>
#include <string>
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
    struct Node {
        std::map<std::string, std::unique_ptr<Node>> children; // names compared case-insensitively
        std::map<std::string, std::pair<bool, std::vector<uint8_t>>> values; // binary?, bytes
    };
    struct Handle {
        Node *node;
    };
    Node *Walk(Node *from, const std::string &path, bool create, bool *created);
    Node *NodeOf(Key parent);

    std::mutex m_lock;
    Node m_root;
    std::vector<std::unique_ptr<Handle>> m_handles;
};

} // namespace platform
