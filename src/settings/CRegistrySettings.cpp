#include "settings/CRegistrySettings.h"
#include "settings/FilterTable.h"
#include <cmath>
#include <cstring>
#include <cstdio>
#include <string>

using platform::CSettingsKey;
using platform::ISettingsStore;
using Key = ISettingsStore::Key;

namespace {

std::string DevicePath(int device, const char *sub) {
    char name[64];
    std::snprintf(name, sizeof name, "%s\\Camera_%02d", CRegistrySettings::kRootPath, device);
    std::string path = name;
    if (sub && *sub)
        path += std::string("\\") + sub;
    return path;
}

std::string SizeName(int index) {
    char name[32];
    std::snprintf(name, sizeof name, "Size_%02d", index);
    return name;
}

// A value missing from an existing key leaves its setting unchanged.
void Read(ISettingsStore &store, Key key, const char *name, int32_t &target) {
    uint32_t v;
    if (store.ReadDword(key, name, &v))
        target = static_cast<int32_t>(v);
}
void Read(ISettingsStore &store, Key key, const char *name, Setting &target) {
    uint32_t v;
    if (store.ReadDword(key, name, &v))
        target.store(static_cast<int32_t>(v));
}
void Write(ISettingsStore &store, Key key, const char *name, int32_t value) {
    store.WriteDword(key, name, static_cast<uint32_t>(value));
}


struct NamedAnalog {
    const char *name;
    Setting AnalogSettings::*member;
};

const NamedAnalog kAnalogValues[] = {
    {"Global", &AnalogSettings::globalGain}, {"ColorG1", &AnalogSettings::colorG1},
    {"ColorR", &AnalogSettings::colorR},     {"ColorB", &AnalogSettings::colorB},
    {"ColorG2", &AnalogSettings::colorG2},   {"Exposure", &AnalogSettings::exposure},
    {"V_Mirror", &AnalogSettings::mirrorV},  {"H_Mirror", &AnalogSettings::mirrorH},
    {"AutoIris", &AnalogSettings::autoIris},
};

const CaptureWindow kDefaultSize{};
constexpr double kMaxStoredExposureSeconds = 3600.0;
constexpr int32_t kMaxStoredExposureLines = 16777200; // the camera's longest exposure
const StreamFormat kDefaultFormat{2, 0, 1, 2};

} // namespace

Key CRegistrySettings::OpenDeviceKey(int device, const char *sub) {
    return m_store.OpenKey(nullptr, DevicePath(device, sub).c_str(), ISettingsStore::Access::Read);
}

Key CRegistrySettings::CreateDeviceKey(int device, const char *sub) {
    return m_store.CreateKey(nullptr, DevicePath(device, sub).c_str());
}

void CRegistrySettings::WriteSize(Key deviceKey, int index, const CaptureWindow &w) {
    CSettingsKey key(m_store, m_store.CreateKey(deviceKey, SizeName(index).c_str()));
    if (!key)
        return;
    Write(m_store, key.Get(), "TH", w.TH);
    Write(m_store, key.Get(), "TV", w.TV);
    Write(m_store, key.Get(), "EH", w.EH);
    Write(m_store, key.Get(), "EV", w.EV);
    Write(m_store, key.Get(), "EHS", w.EHS);
    Write(m_store, key.Get(), "EVS", w.EVS);
    Write(m_store, key.Get(), "Buf", w.Buf);
}

void CRegistrySettings::WriteFormat(Key deviceKey, const StreamFormat &format, int32_t selected) {
    Write(m_store, deviceKey, "Size", selected);
    Write(m_store, deviceKey, "Color", format.colorMode);
    Write(m_store, deviceKey, "SubSample", format.subSample);
    Write(m_store, deviceKey, "WaitTime", format.waitTime);
    Write(m_store, deviceKey, "Clock", format.clock);
}

void CRegistrySettings::ReadSizes(Key deviceKey, std::vector<CaptureWindow> &sizes) {
    sizes.clear();
    for (int i = 0; i < kMaxSizes; ++i) {
        CSettingsKey key(m_store, m_store.OpenKey(deviceKey, SizeName(i).c_str(), ISettingsStore::Access::Read));
        if (!key)
            break;
        CaptureWindow w;
        Read(m_store, key.Get(), "TH", w.TH);
        Read(m_store, key.Get(), "TV", w.TV);
        Read(m_store, key.Get(), "EH", w.EH);
        Read(m_store, key.Get(), "EV", w.EV);
        Read(m_store, key.Get(), "EHS", w.EHS);
        Read(m_store, key.Get(), "EVS", w.EVS);
        Read(m_store, key.Get(), "Buf", w.Buf);
        sizes.push_back(w);
    }
}

int CRegistrySettings::ReadSelectedSize(int device, CaptureWindow &window) {
    CSettingsKey root(m_store, m_store.OpenKey(nullptr, kRootPath, ISettingsStore::Access::Read));
    if (!root) {
        // First run on this machine: lay down the default set for this device.
        CSettingsKey created(m_store, m_store.CreateKey(nullptr, kRootPath));
        CSettingsKey deviceKey(m_store, CreateDeviceKey(device, nullptr));
        if (deviceKey) {
            WriteSize(deviceKey.Get(), 0, kDefaultSize);
            WriteFormat(deviceKey.Get(), kDefaultFormat, 0);
        }
        return 0;
    }
    CSettingsKey deviceKey(m_store, OpenDeviceKey(device, nullptr));
    uint32_t selected;
    if (!deviceKey || !m_store.ReadDword(deviceKey.Get(), "Size", &selected))
        return 0;
    CSettingsKey size(m_store, m_store.OpenKey(deviceKey.Get(), SizeName(static_cast<int>(selected)).c_str(),
                                               ISettingsStore::Access::Read));
    if (!size)
        return 0;
    Read(m_store, size.Get(), "TH", window.TH);
    Read(m_store, size.Get(), "TV", window.TV);
    Read(m_store, size.Get(), "EH", window.EH);
    Read(m_store, size.Get(), "EV", window.EV);
    Read(m_store, size.Get(), "EHS", window.EHS);
    Read(m_store, size.Get(), "EVS", window.EVS);
    Read(m_store, size.Get(), "Buf", window.Buf);
    return 1;
}

int CRegistrySettings::ReadStreamFormat(int device, StreamFormat &format) {
    CSettingsKey deviceKey(m_store, OpenDeviceKey(device, nullptr));
    if (!deviceKey)
        return 0;
    uint32_t color;
    if (m_store.ReadDword(deviceKey.Get(), "Color", &color))
        // The stored list position 2 stands for the 16-bit grey mode.
        format.colorMode = color == 2 ? 1 : static_cast<int32_t>(color);
    Read(m_store, deviceKey.Get(), "SubSample", format.subSample);
    Read(m_store, deviceKey.Get(), "WaitTime", format.waitTime);
    Read(m_store, deviceKey.Get(), "Clock", format.clock);
    return 1;
}

int CRegistrySettings::ReadAnalog(int device, AnalogSettings &analog, const AnalogDefaults &defaults) {
    CSettingsKey gain(m_store, OpenDeviceKey(device, "Gain"));
    if (!gain) {
        analog.globalGain.store(defaults.gain);
        analog.colorG1.store(0);
        analog.colorR.store(0);
        analog.colorB.store(0);
        analog.colorG2.store(0);
        analog.exposure.store(defaults.exposureLines);
        analog.mirrorV.store(defaults.mirrorV);
        analog.mirrorH.store(defaults.mirrorH);
        analog.autoIris.store(0);
        analog.exposureSeconds.store(defaults.exposureSeconds);
        return 1;
    }
    const int32_t lines = analog.exposure.load();
    for (const NamedAnalog &v : kAnalogValues)
        Read(m_store, gain.Get(), v.name, analog.*v.member);
    // A line count no exposure setter takes would overflow every time computed from it.
    if (analog.exposure.load() < 1 || analog.exposure.load() > kMaxStoredExposureLines)
        analog.exposure.store(lines);
    // Any eight bytes read as a double: what is no exposure time at all (not a number,
    // infinite, negative, beyond an hour) leaves the one the camera has.
    double seconds;
    if (m_store.ReadBinary(gain.Get(), "ExposureEx", &seconds, sizeof seconds) && std::isfinite(seconds) &&
        seconds >= 0.0 && seconds <= kMaxStoredExposureSeconds)
        analog.exposureSeconds.store(seconds);
    return 1;
}

int CRegistrySettings::WriteAnalog(int device, const AnalogSettings &analog) {
    CSettingsKey gain(m_store, CreateDeviceKey(device, "Gain"));
    if (!gain)
        return 0;
    for (const NamedAnalog &v : kAnalogValues)
        Write(m_store, gain.Get(), v.name, (analog.*v.member).load());
    double seconds = analog.exposureSeconds.load();
    m_store.WriteBinary(gain.Get(), "ExposureEx", &seconds, sizeof seconds);
    return 1;
}

namespace {
bool InGroup(const FilterDescriptor &f, const char *group) { return f.group && std::strcmp(f.group, group) == 0; }
} // namespace

void CRegistrySettings::SetGroupDefaults(const char *group, FilterValues &filter) {
    for (const FilterDescriptor &f : kFilterTable)
        if (InGroup(f, group))
            (filter.*f.member).store(f.defaultValue);
}

void CRegistrySettings::SetFilterDefaults(FilterValues &filter) {
    SetGroupDefaults("Filter", filter);
    filter.bayerGainAuto.store(0);
    filter.grayGainAuto.store(0);
    filter.whiteBalanceOnce.store(0);
    filter.whiteBalanceArmed.store(0);
    for (Setting &s : filter.spare)
        s.store(0);
}

void CRegistrySettings::SetGrayDefaults(FilterValues &filter) { SetGroupDefaults("Gray", filter); }

int CRegistrySettings::ReadGroup(Key key, const char *group, FilterValues &filter) {
    for (const FilterDescriptor &f : kFilterTable)
        if (InGroup(f, group))
            Read(m_store, key, f.name, filter.*f.member);
    return 1;
}

int CRegistrySettings::WriteGroup(Key key, const char *group, const FilterValues &filter) {
    for (const FilterDescriptor &f : kFilterTable)
        if (InGroup(f, group))
            Write(m_store, key, f.name, (filter.*f.member).load());
    return 1;
}

int CRegistrySettings::ReadFilter(int device, FilterValues &filter) {
    CSettingsKey key(m_store, OpenDeviceKey(device, "Filter"));
    if (!key) {
        SetFilterDefaults(filter);
        return 0;
    }
    return ReadGroup(key.Get(), "Filter", filter);
}

int CRegistrySettings::WriteFilter(int device, const FilterValues &filter) {
    CSettingsKey key(m_store, CreateDeviceKey(device, "Filter"));
    return key ? WriteGroup(key.Get(), "Filter", filter) : 0;
}

int CRegistrySettings::ReadGray(int device, FilterValues &filter) {
    CSettingsKey key(m_store, OpenDeviceKey(device, "Gray"));
    if (!key) {
        SetGrayDefaults(filter);
        return 0;
    }
    return ReadGroup(key.Get(), "Gray", filter);
}

int CRegistrySettings::WriteGray(int device, const FilterValues &filter) {
    // Only under an existing device key: the device key itself is never created here.
    CSettingsKey deviceKey(m_store, m_store.OpenKey(nullptr, DevicePath(device, nullptr).c_str(),
                                                    ISettingsStore::Access::ReadCreateSubKey));
    if (!deviceKey)
        return 0;
    CSettingsKey key(m_store, m_store.CreateKey(deviceKey.Get(), "Gray"));
    return key ? WriteGroup(key.Get(), "Gray", filter) : 0;
}

bool CRegistrySettings::ReadSizeList(int device, std::vector<CaptureWindow> &sizes) {
    CSettingsKey root(m_store, m_store.OpenKey(nullptr, kRootPath, ISettingsStore::Access::Read));
    if (!root)
        return false;
    CSettingsKey deviceKey(m_store, OpenDeviceKey(device, nullptr));
    sizes.clear();
    if (deviceKey)
        ReadSizes(deviceKey.Get(), sizes);
    return true;
}

int CRegistrySettings::ReadStreamFormatTable(int device, StreamFormatTable &table) {
    CSettingsKey deviceKey(m_store, OpenDeviceKey(device, nullptr));
    if (!deviceKey)
        return 0;
    ReadSizes(deviceKey.Get(), table.sizes);
    Read(m_store, deviceKey.Get(), "Size", table.selected);
    // The dialog shows the stored list position itself, not the colour mode it stands for.
    Read(m_store, deviceKey.Get(), "Color", table.format.colorMode);
    Read(m_store, deviceKey.Get(), "SubSample", table.format.subSample);
    Read(m_store, deviceKey.Get(), "WaitTime", table.format.waitTime);
    Read(m_store, deviceKey.Get(), "Clock", table.format.clock);
    return 1;
}

int CRegistrySettings::WriteStreamFormatTable(int device, const StreamFormatTable &table) {
    CSettingsKey deviceKey(m_store, CreateDeviceKey(device, nullptr));
    if (!deviceKey)
        return 0;
    int count = static_cast<int>(table.sizes.size() < size_t(kMaxSizes) ? table.sizes.size() : kMaxSizes);
    for (int i = 0; i < count; ++i)
        WriteSize(deviceKey.Get(), i, table.sizes[i]);
    WriteFormat(deviceKey.Get(), table.format, table.selected);
    return 1;
}
