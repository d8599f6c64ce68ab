#include "win/DllSupport.h"
#include <fstream>
#include <iterator>

namespace {
LRESULT CALLBACK Proc(HWND h, UINT m, WPARAM w, LPARAM l) { return DefWindowProcA(h, m, w, l); }
} // namespace

CTestWindow::CTestWindow() {
    WNDCLASSA wc{};
    wc.lpfnWndProc = Proc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "VonkelDllTestWindow";
    RegisterClassA(&wc); // fails harmlessly when registered already
    m_hwnd = CreateWindowA("VonkelDllTestWindow", "test", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr, nullptr,
                           wc.hInstance, nullptr);
}

CTestWindow::~CTestWindow() { DestroyWindow(m_hwnd); }

std::vector<std::pair<WPARAM, LPARAM>> CTestWindow::Take(UINT message) {
    std::vector<std::pair<WPARAM, LPARAM>> out;
    MSG msg;
    while (PeekMessageA(&msg, m_hwnd, message, message, PM_REMOVE))
        out.emplace_back(msg.wParam, msg.lParam);
    return out;
}

std::vector<std::pair<WPARAM, LPARAM>> CTestWindow::WaitFor(UINT message, size_t count, DWORD timeoutMs) {
    std::vector<std::pair<WPARAM, LPARAM>> out;
    const DWORD start = GetTickCount();
    while (out.size() < count && GetTickCount() - start < timeoutMs) {
        MSG msg;
        if (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.hwnd == m_hwnd && msg.message == message)
                out.emplace_back(msg.wParam, msg.lParam);
            else
                DispatchMessageA(&msg);
        } else {
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
        }
    }
    return out;
}

std::vector<std::pair<WPARAM, LPARAM>> TakeThreadMessages(UINT message) {
    std::vector<std::pair<WPARAM, LPARAM>> out;
    MSG msg;
    while (PeekMessageA(&msg, reinterpret_cast<HWND>(-1), message, message, PM_REMOVE))
        out.emplace_back(msg.wParam, msg.lParam);
    return out;
}

void DeleteSdkKey() { RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\Pelkor"); }

bool ReadDword(const std::string &subKey, const char *name, DWORD *value) {
    DWORD size = sizeof *value;
    return RegGetValueA(HKEY_CURRENT_USER, subKey.c_str(), name, RRF_RT_REG_DWORD, nullptr, value, &size) ==
           ERROR_SUCCESS;
}

bool WriteDword(const std::string &subKey, const char *name, DWORD value) {
    HKEY key;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, subKey.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) !=
        ERROR_SUCCESS)
        return false;
    bool ok = RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<BYTE *>(&value), sizeof value) == ERROR_SUCCESS;
    RegCloseKey(key);
    return ok;
}

std::string ExportKey(const std::string &subKey) {
    char dir[MAX_PATH], file[MAX_PATH];
    GetTempPathA(MAX_PATH, dir);
    GetTempFileNameA(dir, "vk", 0, file);
    std::string cmd = "regedit.exe /E \"" + std::string(file) + "\" \"HKEY_CURRENT_USER\\" + subKey + "\"";
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    std::vector<char> line(cmd.begin(), cmd.end());
    line.push_back('\0');
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        return {};
    WaitForSingleObject(pi.hProcess, 30000);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    std::ifstream in(file, std::ios::binary);
    std::string raw((std::istreambuf_iterator<char>(in)), {});
    in.close();
    DeleteFileA(file);
    std::string text;
    for (size_t i = 2; i + 1 < raw.size(); i += 2) // UTF-16LE after the byte-order mark
        text += raw[i];
    return text;
}
