// The settings store over the registry of the current user.
#include "platform/SettingsStore.h"
#include "platform/win32/Win32.h"
#include <cstring>
#include <vector>

namespace platform {
namespace {

HKEY Parent(ISettingsStore::Key parent) { return parent ? static_cast<HKEY>(parent) : HKEY_CURRENT_USER; }

class CRegistryStore final : public ISettingsStore {
public:
    Key OpenKey(Key parent, const char *path, Access access) override {
        HKEY key = nullptr;
        REGSAM sam = access == Access::Read ? KEY_READ : (KEY_READ | KEY_CREATE_SUB_KEY);
        if (RegOpenKeyExA(Parent(parent), path, 0, sam, &key) != ERROR_SUCCESS)
            return nullptr;
        return key;
    }
    Key CreateKey(Key parent, const char *path, bool *created) override {
        HKEY key = nullptr;
        DWORD disposition = 0;
        if (RegCreateKeyExA(Parent(parent), path, 0, const_cast<char *>(""), REG_OPTION_NON_VOLATILE,
                            KEY_ALL_ACCESS, nullptr, &key, &disposition) != ERROR_SUCCESS)
            return nullptr;
        if (created)
            *created = disposition == REG_CREATED_NEW_KEY;
        return key;
    }
    void CloseKey(Key key) override { RegCloseKey(static_cast<HKEY>(key)); }
    bool ReadDword(Key key, const char *name, uint32_t *value) override {
        DWORD type = 0, data = 0, size = sizeof data;
        if (RegQueryValueExA(static_cast<HKEY>(key), name, nullptr, &type, reinterpret_cast<BYTE *>(&data), &size) !=
                ERROR_SUCCESS ||
            type != REG_DWORD || size != sizeof data)
            return false;
        *value = data;
        return true;
    }
    bool WriteDword(Key key, const char *name, uint32_t value) override {
        DWORD data = value;
        return RegSetValueExA(static_cast<HKEY>(key), name, 0, REG_DWORD, reinterpret_cast<const BYTE *>(&data),
                              sizeof data) == ERROR_SUCCESS;
    }
    bool ReadBinary(Key key, const char *name, void *data, uint32_t size) override {
        // Read aside first: a value of another size must leave the caller's bytes alone.
        std::vector<BYTE> bytes(size + 1);
        DWORD type = 0, got = static_cast<DWORD>(bytes.size());
        if (RegQueryValueExA(static_cast<HKEY>(key), name, nullptr, &type, bytes.data(), &got) != ERROR_SUCCESS ||
            type != REG_BINARY || got != size)
            return false;
        std::memcpy(data, bytes.data(), size);
        return true;
    }
    bool WriteBinary(Key key, const char *name, const void *data, uint32_t size) override {
        return RegSetValueExA(static_cast<HKEY>(key), name, 0, REG_BINARY, static_cast<const BYTE *>(data), size) ==
               ERROR_SUCCESS;
    }
};

} // namespace

ISettingsStore &SystemSettingsStore() {
    static CRegistryStore store;
    return store;
}

} // namespace platform
