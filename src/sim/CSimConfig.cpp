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

std::optional<CFaultPlan> CFaultPlan::Parse(const std::string &text) {
    CFaultPlan plan;
    std::vector<std::string> seen;
    size_t start = 0;
    const std::string all = Trim(text.c_str());
    while (!all.empty() && start <= all.size()) {
        size_t comma = all.find(',', start);
        if (comma == std::string::npos)
            comma = all.size();
        const std::string part = all.substr(start, comma - start);
        start = comma + 1;
        const size_t eq = part.find('=');
        if (eq == std::string::npos)
            return std::nullopt;
        const std::string key = Trim(part.substr(0, eq).c_str());
        const auto value = ParseNumber(Trim(part.substr(eq + 1).c_str()));
        if (!value || *value > kMaxFaultMs || std::find(seen.begin(), seen.end(), key) != seen.end())
            return std::nullopt;
        seen.push_back(key);
        const uint32_t v = uint32_t(*value);
        if (key == "unplug")
            plan.unplugMs = v;
        else if (key == "replug")
            plan.replugMs = v;
        else if (key == "fail_every" && v >= 1)
            plan.failEvery = v;
        else if (key == "short_every" && v >= 1)
            plan.shortEvery = v;
        else if (key == "link_percent" && v >= 1 && v <= 100)
            plan.linkPercent = v;
        else
            return std::nullopt;
    }
    if (plan.replugMs && !(plan.unplugMs && *plan.replugMs > *plan.unplugMs))
        return std::nullopt;
    return plan;
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
    if (const auto faults = CFaultPlan::Parse(Trim(lookup("VONKEL_SIMULATE_FAULTS"))))
        config.faults = *faults;
    return config;
}

std::optional<CSimConfig> CSimConfig::FromProcessEnvironment() {
    return FromEnvironment([](const char *name) -> const char * { return std::getenv(name); });
}

} // namespace sim
