// A window that receives what the library posts. On Windows it is a real message-only
// window read with PeekMessage; natively it reads the platform's record of posts.
#pragma once
#include "platform/Types.h"
#include <cstdint>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#else
#include "platform/Messages.h"
#endif

struct SinkMessage {
    uint32_t message;
    uintptr_t wparam;
    intptr_t lparam;
};

class MessageSink {
public:
#ifdef _WIN32
    MessageSink() {
        WNDCLASSA wc{};
        wc.lpfnWndProc = DefWindowProcA;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "VonkelTestSink";
        RegisterClassA(&wc); // fails harmlessly when already registered
        m_hwnd = CreateWindowA("VonkelTestSink", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
    }
    ~MessageSink() { DestroyWindow(m_hwnd); }
    WindowHandle Handle() const { return m_hwnd; }
    std::vector<SinkMessage> Take() {
        std::vector<SinkMessage> out;
        MSG msg;
        while (PeekMessageA(&msg, m_hwnd, 0, 0, PM_REMOVE))
            out.push_back({msg.message, static_cast<uintptr_t>(msg.wParam), static_cast<intptr_t>(msg.lParam)});
        return out;
    }
    // What was posted to a null window lands in this thread's own queue.
    static std::vector<SinkMessage> TakeThreadQueue() {
        std::vector<SinkMessage> out;
        MSG msg;
        while (PeekMessageA(&msg, reinterpret_cast<HWND>(-1), 0, 0, PM_REMOVE))
            out.push_back({msg.message, static_cast<uintptr_t>(msg.wParam), static_cast<intptr_t>(msg.lParam)});
        return out;
    }

private:
    HWND m_hwnd = nullptr;
#else
    MessageSink() : m_handle(reinterpret_cast<WindowHandle>(reinterpret_cast<uintptr_t>(this) | 1)) {
        platform::TakePostedMessages(m_handle);
    }
    WindowHandle Handle() const { return m_handle; }
    std::vector<SinkMessage> Take() { return Convert(platform::TakePostedMessages(m_handle)); }
    static std::vector<SinkMessage> TakeThreadQueue() { return Convert(platform::TakePostedMessages(nullptr)); }

private:
    static std::vector<SinkMessage> Convert(const std::vector<platform::PostedMessage> &in) {
        std::vector<SinkMessage> out;
        for (const auto &m : in)
            out.push_back({m.message, m.wparam, m.lparam});
        return out;
    }
    WindowHandle m_handle;
#endif
};
