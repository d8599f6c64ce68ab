// The stored settings as the registry reader takes them, with values of any type, size
// and name where it expects others: what it reads is within the ranges it promises, and
// no key is left open.
//
// Input: records of a key path below the library's key (text up to a zero byte), a value
// name (text up to a zero byte), a type byte (even: a DWORD of the next four bytes, odd:
// binary of the length in the next byte) and the bytes.
#include "FuzzSupport.h"
#include "settings/CRegistrySettings.h"
#include <cmath>
#include <string>
#include <vector>

namespace {

// Every device reads its own key the same way: the first one stands for all.
constexpr int kDevice = 0;

// Text up to the next zero byte (or the end of the input).
std::string TakeText(const uint8_t *data, size_t size, size_t &at) {
    std::string text;
    while (at < size && data[at] != 0)
        text.push_back(static_cast<char>(data[at++]));
    if (at < size)
        ++at;
    return text;
}

void StoreRecords(platform::CMemorySettingsStore &store, const uint8_t *data, size_t size) {
    // Keys below the library's own, each walked from there: the walk from the store's root
    // for every record would be most of an input's time.
    platform::CSettingsKey root(store, store.CreateKey(nullptr, CRegistrySettings::kRootPath));
    size_t at = 0;
    while (at < size) {
        const std::string path = TakeText(data, size, at);
        const std::string name = TakeText(data, size, at);
        const bool binary = at < size && (data[at] & 1);
        ++at;
        platform::CSettingsKey key(store, store.CreateKey(root.Get(), path.c_str()));
        if (!binary) {
            uint32_t value = 0;
            for (int i = 0; i < 4 && at < size; ++i)
                value |= uint32_t(data[at++]) << (8 * i);
            if (key)
                store.WriteDword(key.Get(), name.c_str(), value);
        } else {
            const size_t length = at < size ? data[at++] : 0;
            const size_t n = std::min(length, size - at);
            if (key)
                store.WriteBinary(key.Get(), name.c_str(), data + at, static_cast<uint32_t>(n));
            at += n;
        }
    }
}

void CheckStreamFormat(CRegistrySettings &registry) {
    CaptureWindow window;
    registry.ReadSelectedSize(kDevice, window);
    StreamFormat format;
    registry.ReadStreamFormat(kDevice, format);
    std::vector<CaptureWindow> sizes;
    registry.ReadSizeList(kDevice, sizes);
    FUZZ_CHECK(sizes.size() <= size_t(CRegistrySettings::kMaxSizes));
    StreamFormatTable table;
    registry.ReadStreamFormatTable(kDevice, table);
    FUZZ_CHECK(table.sizes.size() <= size_t(CRegistrySettings::kMaxSizes));
}

void CheckAnalog(CRegistrySettings &registry) {
    const AnalogDefaults defaults{64, 1000, 0, 1, 0.02};
    AnalogSettings analog;
    analog.exposure.store(500);
    analog.exposureSeconds.store(0.01);
    FUZZ_CHECK(registry.ReadAnalog(kDevice, analog, defaults) == 1);
    // A stored line count or time outside what the camera takes never replaces its own.
    FUZZ_CHECK(analog.exposure.load() >= 1 && analog.exposure.load() <= 16777200);
    const double seconds = analog.exposureSeconds.load();
    FUZZ_CHECK(std::isfinite(seconds) && seconds >= 0.0 && seconds <= 3600.0);
}

void ReadFilters(CRegistrySettings &registry) {
    FilterValues filter;
    registry.ReadFilter(kDevice, filter);
    registry.ReadGray(kDevice, filter);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    static platform::CMemorySettingsStore store;
    StoreRecords(store, data, size);
    CRegistrySettings registry(store);
    CheckStreamFormat(registry);
    CheckAnalog(registry);
    ReadFilters(registry);
    FUZZ_CHECK(store.OpenHandles() == 0);
    // Emptied within the input: what an input allocates it frees, and libFuzzer does not
    // take every input for a leak worth a check.
    store.Clear();
    return 0;
}
