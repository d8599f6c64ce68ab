#include "sim/CSimConfig.h"
#include "sim/SimConstants.h"
#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <string>

namespace sim {

static std::string Trim(const char *text) {
    std::string s = text ? text : "";
    const auto notSpace = [](unsigned char c) { return !std::isspace(c); };
    s.erase(s.begin(), std::find_if(s.begin(), s.end(), notSpace));
    s.erase(std::find_if(s.rbegin(), s.rend(), notSpace).base(), s.end());
    return s;
}

// A whole decimal number, or nothing (empty, signs, other characters, overflow).
static std::optional<uint64_t> ParseNumber(const std::string &s) {
    if (s.empty() || s.size() > 12 || !std::all_of(s.begin(), s.end(), [](unsigned char c) { return std::isdigit(c); }))
        return std::nullopt;
    return std::stoull(s);
}

static bool ParseSwitch(const char *text) {
    std::string s = Trim(text);
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    return s == "1" || s == "true" || s == "yes" || s == "on";
}

static std::vector<int> ParseDeviceList(const std::string &list) {
    std::vector<int> devices;
    size_t start = 0;
    while (start <= list.size()) {
        size_t comma = list.find(',', start);
        if (comma == std::string::npos)
            comma = list.size();
        const auto number = ParseNumber(Trim(list.substr(start, comma - start).c_str()));
        if (number && *number < uint64_t(kMaxDevices))
            devices.push_back(int(*number));
        start = comma + 1;
    }
    std::sort(devices.begin(), devices.end());
    devices.erase(std::unique(devices.begin(), devices.end()), devices.end());
    return devices;
}

std::optional<CSimConfig> CSimConfig::FromEnvironment(const std::function<const char *(const char *)> &lookup) {
    CSimConfig config;
    const std::string list = Trim(lookup("VONKEL_SIMULATE_DEVICES"));
    if (!list.empty()) {
        config.devices = ParseDeviceList(list);
    } else {
        const auto count = ParseNumber(Trim(lookup("VONKEL_SIMULATE")));
        if (!count || *count == 0)
            return std::nullopt;
        for (int i = 0; i < int(std::min<uint64_t>(*count, kMaxDevices)); ++i)
            config.devices.push_back(i);
    }
    const auto trigger = ParseNumber(Trim(lookup("VONKEL_SIMULATE_TRIGGER_MS")));
    if (trigger && *trigger >= 1 && *trigger <= kMaxAutoTriggerMs)
        config.autoTriggerMs = uint32_t(*trigger);
    config.still = ParseSwitch(lookup("VONKEL_SIMULATE_STILL"));
    config.realtimePauses = ParseSwitch(lookup("VONKEL_SIMULATE_REALTIME"));
    return config;
}

std::optional<CSimConfig> CSimConfig::FromProcessEnvironment() {
    return FromEnvironment([](const char *name) -> const char * { return std::getenv(name); });
}

} // namespace sim
