// The camera settings in the current user's registry, one key per device number:
// Software\Pelkor\Vonkel430NVTXQELSdk\Camera_NN with the stream format values, the size
// entries Size_NN and the keys "Gain", "Filter" and "Gray". Failures are silent: the
// caller goes on with the settings it has.
#pragma once
#include "platform/SettingsStore.h"
#include "settings/SettingsTypes.h"
#include <cstddef>
#include <vector>


// The whole stream format of a device, as the stream format dialog edits it.
struct StreamFormatTable {
    std::vector<CaptureWindow> sizes; // Size_00, Size_01, ... without gaps
    int32_t selected = 0;             // "Size"
    StreamFormat format;
};

class CRegistrySettings {
public:
    static constexpr const char *kRootPath = "Software\\Pelkor\\Vonkel430NVTXQELSdk";
    static constexpr int kMaxSizes = 100;

    explicit CRegistrySettings(platform::ISettingsStore &store) : m_store(store) {}

    // The selected size entry into `window`. On a machine without the library's key the
    // default set is created instead and 0 returned with `window` unchanged.
    int ReadSelectedSize(int device, CaptureWindow &window);
    int ReadStreamFormat(int device, StreamFormat &format);
    // Falls back to the driver's values when nothing is stored; returns 1 either way.
    int ReadAnalog(int device, AnalogSettings &analog, const AnalogDefaults &defaults);
    int WriteAnalog(int device, const AnalogSettings &analog);
    // Missing keys give the defaults and 0.
    int ReadFilter(int device, FilterValues &filter);
    int WriteFilter(int device, const FilterValues &filter);
    int ReadGray(int device, FilterValues &filter);
    // Written only under an existing device key.
    int WriteGray(int device, const FilterValues &filter);
    // The size list and stream format values, for the stream format dialog.
    int ReadStreamFormatTable(int device, StreamFormatTable &table);
    int WriteStreamFormatTable(int device, const StreamFormatTable &table);
    // The size list alone (capture-window lookup by size); false when the library key is missing.
    bool ReadSizeList(int device, std::vector<CaptureWindow> &sizes);

    static void SetFilterDefaults(FilterValues &filter);
    static void SetGrayDefaults(FilterValues &filter);

private:
    platform::ISettingsStore::Key OpenDeviceKey(int device, const char *sub);
    platform::ISettingsStore::Key CreateDeviceKey(int device, const char *sub);
    void ReadSizes(platform::ISettingsStore::Key deviceKey, std::vector<CaptureWindow> &sizes);
    void WriteSize(platform::ISettingsStore::Key deviceKey, int index, const CaptureWindow &window);
    void WriteFormat(platform::ISettingsStore::Key deviceKey, const StreamFormat &format, int32_t selected);
    // The values of one group of the filter table ("Filter", "Gray") under `key`.
    int ReadGroup(platform::ISettingsStore::Key key, const char *group, FilterValues &filter);
    int WriteGroup(platform::ISettingsStore::Key key, const char *group, const FilterValues &filter);
    static void SetGroupDefaults(const char *group, FilterValues &filter);

    platform::ISettingsStore &m_store;
};
