// The check's table on the console, its JSON report, and the machine it ran on.
#include "Check.h"
#include <cpuid.h>
#include <cstdio>
#include <cstring>

namespace {

const char *StatusText(CheckStatus s) { return s == CheckStatus::Pass ? "PASS" : s == CheckStatus::Fail ? "FAIL" : "SKIP"; }

std::string JsonString(const std::string &text) {
    std::string out = "\"";
    for (unsigned char c : text) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += char(c);
        } else if (c < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
            out += escaped;
        } else {
            out += char(c);
        }
    }
    return out + "\"";
}

// A number as JSON has them: no infinities or NaN.
std::string JsonNumber(double v) {
    if (v != v || v > 1e300 || v < -1e300)
        return "null";
    char text[40];
    std::snprintf(text, sizeof text, "%.6g", v);
    return text;
}

std::string ProcessorName() {
    unsigned regs[12] = {};
    unsigned highest = __get_cpuid_max(0x80000000, nullptr);
    if (highest < 0x80000004)
        return "unknown";
    for (unsigned i = 0; i < 3; ++i)
        __get_cpuid(0x80000002 + i, &regs[4 * i], &regs[4 * i + 1], &regs[4 * i + 2], &regs[4 * i + 3]);
    char name[49] = {};
    std::memcpy(name, regs, 48);
    std::string s = name;
    const size_t first = s.find_first_not_of(' ');
    return first == std::string::npos ? "unknown" : s.substr(first);
}

} // namespace

MachineIdentity ReadMachineIdentity() {
    MachineIdentity m;
    m.processor = ProcessorName();
    SYSTEM_INFO info{};
    GetNativeSystemInfo(&info);
    m.cores = static_cast<int>(info.dwNumberOfProcessors);
    // GetVersionEx answers what the manifest allows; the kernel's own call tells the truth.
    HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    using RtlGetVersionFn = LONG(WINAPI *)(OSVERSIONINFOW *);
    auto rtlGetVersion = reinterpret_cast<RtlGetVersionFn>(
        reinterpret_cast<void *>(GetProcAddress(ntdll, "RtlGetVersion")));
    OSVERSIONINFOW version{};
    version.dwOSVersionInfoSize = sizeof version;
    if (rtlGetVersion && rtlGetVersion(&version) == 0)
        m.windows = std::to_string(version.dwMajorVersion) + "." + std::to_string(version.dwMinorVersion) + "." +
                    std::to_string(version.dwBuildNumber);
    using WineVersionFn = const char *(*)();
    auto wineVersion = reinterpret_cast<WineVersionFn>(
        reinterpret_cast<void *>(GetProcAddress(ntdll, "wine_get_version")));
    if (wineVersion)
        m.wine = wineVersion();
    return m;
}

void PrintRow(const CheckRow &row) {
    std::printf("  %s  %-16s %s\n", StatusText(row.status), row.name.c_str(), row.detail.c_str());
    if (row.status == CheckStatus::Fail && !row.pointsTo.empty())
        std::printf("        %-16s -> points to: %s\n", "", row.pointsTo.c_str());
    std::fflush(stdout);
}

bool WriteJsonReport(const std::string &path, const CameraIdentity &camera, const MachineIdentity &machine,
                     const std::vector<CheckRow> &rows, bool quick, bool interrupted, double seconds) {
    FILE *f = std::fopen(path.c_str(), "wb");
    if (!f)
        return false;
    bool failed = false;
    for (const CheckRow &r : rows)
        failed = failed || r.status == CheckStatus::Fail;
    std::fprintf(f, "{\n  \"report\": \"vonkelcam check\",\n  \"format\": 1,\n");
    std::fprintf(f, "  \"library_version\": %d,\n", Vonkel_GetDllVersion());
    std::fprintf(f, "  \"camera\": {\"device\": %d, \"name\": %s, \"serial\": %s, \"temperature_c\": %s},\n",
                 camera.device, JsonString(camera.name).c_str(), JsonString(camera.serial).c_str(),
                 camera.temperatureRead ? JsonNumber(camera.temperature).c_str() : "null");
    std::fprintf(f, "  \"machine\": {\"processor\": %s, \"cores\": %d, \"windows\": %s, \"wine\": %s},\n",
                 JsonString(machine.processor).c_str(), machine.cores, JsonString(machine.windows).c_str(),
                 machine.wine.empty() ? "null" : JsonString(machine.wine).c_str());
    std::fprintf(f, "  \"quick\": %s,\n  \"interrupted\": %s,\n  \"seconds\": %s,\n  \"result\": \"%s\",\n",
                 quick ? "true" : "false", interrupted ? "true" : "false", JsonNumber(seconds).c_str(),
                 failed ? "fail" : interrupted ? "interrupted" : "pass");
    std::fprintf(f, "  \"rows\": [");
    for (size_t i = 0; i < rows.size(); ++i) {
        const CheckRow &r = rows[i];
        std::fprintf(f, "%s\n    {\"name\": %s, \"status\": \"%s\", \"detail\": %s, \"points_to\": %s, \"figures\": {",
                     i ? "," : "", JsonString(r.name).c_str(), StatusText(r.status), JsonString(r.detail).c_str(),
                     r.pointsTo.empty() ? "null" : JsonString(r.pointsTo).c_str());
        for (size_t k = 0; k < r.figures.size(); ++k)
            std::fprintf(f, "%s%s: %s", k ? ", " : "", JsonString(r.figures[k].first).c_str(),
                         JsonNumber(r.figures[k].second).c_str());
        std::fprintf(f, "}}");
    }
    std::fprintf(f, "\n  ]\n}\n");
    return std::fclose(f) == 0;
}
