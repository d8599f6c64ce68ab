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

void SetSettingsStoreForTesting(ISettingsStore *store) { g_override.store(store); }

} // namespace platform
