// Helpers for the tests that use the library as an application does: through the public
// header and the DLL's export table only.
#pragma once
#include "VonkelSdk.h"
#include <windows.h>
#include <string>
#include <vector>

// A camera handle released on every path out of a test.
class CCamera {
public:
    explicit CCamera(HWND notify = nullptr) : m_handle(Vonkel_Initialize(notify)) {}
    ~CCamera() {
        if (m_handle)
            Vonkel_Release(m_handle);
    }
    CCamera(const CCamera &) = delete;
    CCamera &operator=(const CCamera &) = delete;
    operator int() const { return m_handle; }
    int Release() {
        int r = Vonkel_Release(m_handle);
        m_handle = 0;
        return r;
    }
    // The whole error history, newest first.
    std::vector<int> Drain() const {
        std::vector<int> codes;
        for (int c = Vonkel_GetLastError(m_handle); c != 0; c = Vonkel_GetLastError(m_handle))
            codes.push_back(c);
        return codes;
    }

private:
    int m_handle;
};

// A real top-level window of the test thread that collects what is posted to it.
class CTestWindow {
public:
    CTestWindow();
    ~CTestWindow();
    HWND Handle() const { return m_hwnd; }
    // Messages of that number posted so far (wParam, lParam), taken out of the queue.
    std::vector<std::pair<WPARAM, LPARAM>> Take(UINT message);
    // Pumps the queue until `count` messages of that number arrived or the time ran out.
    std::vector<std::pair<WPARAM, LPARAM>> WaitFor(UINT message, size_t count, DWORD timeoutMs);

private:
    HWND m_hwnd = nullptr;
};

// Messages posted to no window land in the calling thread's queue.
std::vector<std::pair<WPARAM, LPARAM>> TakeThreadMessages(UINT message);

// The library's registry key, removed for a test that needs a machine without it.
constexpr const char *kSdkKey = "Software\\Pelkor\\Vonkel430NVTXQELSdk";
void DeleteSdkKey();
bool ReadDword(const std::string &subKey, const char *name, DWORD *value);
bool WriteDword(const std::string &subKey, const char *name, DWORD value);
// The key as `regedit /E` exports it (UTF-16 converted to ASCII).
std::string ExportKey(const std::string &subKey);
