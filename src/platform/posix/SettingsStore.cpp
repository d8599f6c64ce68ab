#include "platform/CMemorySettingsStore.h"

namespace platform {

ISettingsStore &SystemSettingsStore() {
    static CMemorySettingsStore store;
    return store;
}

} // namespace platform
