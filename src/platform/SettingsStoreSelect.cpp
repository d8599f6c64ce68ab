#include "platform/SettingsStore.h"
#include <atomic>

namespace platform {
namespace {
std::atomic<ISettingsStore *> g_override{nullptr};
}

ISettingsStore &DefaultSettingsStore() {
    ISettingsStore *store = g_override.load();
    return store ? *store : SystemSettingsStore();
}

ISettingsStore *SetSettingsStoreForTesting(ISettingsStore *store) { return g_override.exchange(store); }

} // namespace platform
