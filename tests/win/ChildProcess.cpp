#include "win/ChildProcess.h"
#include "VonkelSdk.h"
#include <windows.h>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

namespace {

std::string SelfPath() {
    char buf[MAX_PATH];
    GetModuleFileNameA(nullptr, buf, MAX_PATH);
    return buf;
}

// Child modes are registered by the test files through ChildModes().
} // namespace

std::map<std::string, int (*)(int, char **)> &ChildModes();

HANDLE StartSelfAsChild(const std::string &args, const std::string &environment) {
    // The child inherits our environment plus the assignments given.
    std::vector<std::pair<std::string, std::string>> saved;
    size_t start = 0;
    while (start < environment.size()) {
        size_t end = environment.find(';', start);
        if (end == std::string::npos)
            end = environment.size();
        std::string item = environment.substr(start, end - start);
        size_t eq = item.find('=');
        if (eq != std::string::npos) {
            std::string name = item.substr(0, eq);
            char old[4096];
            DWORD n = GetEnvironmentVariableA(name.c_str(), old, sizeof old);
            saved.emplace_back(name, n ? std::string(old, n) : std::string("\x01"));
            SetEnvironmentVariableA(name.c_str(), item.substr(eq + 1).c_str());
        }
        start = end + 1;
    }
    std::string cmd = "\"" + SelfPath() + "\" --child " + args;
    std::vector<char> line(cmd.begin(), cmd.end());
    line.push_back('\0');
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    BOOL ok = CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi);
    for (auto &s : saved)
        SetEnvironmentVariableA(s.first.c_str(), s.second == "\x01" ? nullptr : s.second.c_str());
    if (!ok)
        return nullptr;
    CloseHandle(pi.hThread);
    return pi.hProcess;
}

int RunSelfAsChild(const std::string &args, const std::string &environment, unsigned timeoutMs) {
    HANDLE process = StartSelfAsChild(args, environment);
    if (!process)
        return -1;
    DWORD code = static_cast<DWORD>(-1);
    if (WaitForSingleObject(process, timeoutMs) == WAIT_OBJECT_0)
        GetExitCodeProcess(process, &code);
    else
        TerminateProcess(process, 99);
    CloseHandle(process);
    return static_cast<int>(code);
}

std::map<std::string, int (*)(int, char **)> &ChildModes() {
    static std::map<std::string, int (*)(int, char **)> modes;
    return modes;
}

int RunChild(int argc, char **argv) {
    auto it = ChildModes().find(argv[0]);
    return it == ChildModes().end() ? 2 : it->second(argc - 1, argv + 1);
}

ChildMode::ChildMode(const char *name, int (*run)(int, char **)) { ChildModes()[name] = run; }
