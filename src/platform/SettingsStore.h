// Keys with DWORD and binary values under the current user: the registry on Windows,
// an in-memory tree in the native build.
#pragma once
#include <cstdint>

namespace platform {

class ISettingsStore {
public:
    using Key = void *; // null: the root (HKEY_CURRENT_USER) as a parent, "not open" as a result

    enum class Access { Read, ReadCreateSubKey };

    virtual ~ISettingsStore() = default;
    // Opens an existing key; null when it does not exist or cannot be opened.
    virtual Key OpenKey(Key parent, const char *path, Access access) = 0;
    // Creates or opens a key with full access; null on failure. *created tells which.
    virtual Key CreateKey(Key parent, const char *path, bool *created = nullptr) = 0;
    virtual void CloseKey(Key key) = 0;
    virtual bool ReadDword(Key key, const char *name, uint32_t *value) = 0;
    virtual bool WriteDword(Key key, const char *name, uint32_t value) = 0;
    // Reads exactly `size` bytes; a value of another size or type is not read.
    virtual bool ReadBinary(Key key, const char *name, void *data, uint32_t size) = 0;
    virtual bool WriteBinary(Key key, const char *name, const void *data, uint32_t size) = 0;
};

// Closes the key it holds on every path out of a scope.
class CSettingsKey {
public:
    CSettingsKey(ISettingsStore &store, ISettingsStore::Key key) : m_store(store), m_key(key) {}
    ~CSettingsKey() {
        if (m_key)
            m_store.CloseKey(m_key);
    }
    CSettingsKey(const CSettingsKey &) = delete;
    CSettingsKey &operator=(const CSettingsKey &) = delete;
    explicit operator bool() const { return m_key != nullptr; }
    ISettingsStore::Key Get() const { return m_key; }

private:
    ISettingsStore &m_store;
    ISettingsStore::Key m_key;
};

// The platform's own store: the registry, or the process's in-memory tree.
ISettingsStore &SystemSettingsStore();

} // namespace platform
