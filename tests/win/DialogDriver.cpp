#include "win/DialogDriver.h"
#include <commctrl.h>
#include <atomic>

namespace {

struct Search {
    HWND found = nullptr;
};

BOOL CALLBACK TakeDialog(HWND window, LPARAM param) {
    wchar_t name[16] = {};
    GetClassNameW(window, name, 16);
    if (std::wstring(name) != L"#32770" || !IsWindowVisible(window))
        return TRUE;
    reinterpret_cast<Search *>(param)->found = window;
    return FALSE;
}

} // namespace

CDialogDriver::CDialogDriver(std::function<int()> open) {
    std::atomic<DWORD> threadId{0};
    m_thread = std::thread([this, open, &threadId] {
        threadId.store(GetCurrentThreadId());
        m_result = open();
    });
    for (int i = 0; i < 500 && !m_frame; ++i) {
        Sleep(10);
        Search search;
        if (DWORD id = threadId.load())
            EnumThreadWindows(id, TakeDialog, reinterpret_cast<LPARAM>(&search));
        m_frame = search.found;
    }
}

CDialogDriver::~CDialogDriver() {
    if (m_thread.joinable())
        Close(IDCANCEL);
}

std::vector<HWND> CDialogDriver::Pages() const {
    std::vector<HWND> pages;
    HWND tab = GetDlgItem(m_frame, 1001);
    for (HWND child = GetWindow(tab, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        if (ClassOf(child) == L"#32770")
            pages.push_back(child);
    // Children come newest first.
    return std::vector<HWND>(pages.rbegin(), pages.rend());
}

HWND CDialogDriver::Control(int id, int page) const {
    if (page < 0)
        return GetDlgItem(m_frame, id);
    std::vector<HWND> pages = Pages();
    return page < static_cast<int>(pages.size()) ? GetDlgItem(pages[page], id) : nullptr;
}

std::wstring CDialogDriver::Text(HWND window) {
    wchar_t text[256] = {};
    SendMessageW(window, WM_GETTEXT, 256, reinterpret_cast<LPARAM>(text));
    return text;
}

std::wstring CDialogDriver::ClassOf(HWND window) {
    wchar_t name[64] = {};
    GetClassNameW(window, name, 64);
    return name;
}

std::vector<std::wstring> CDialogDriver::TabTexts() const {
    std::vector<std::wstring> texts;
    HWND tab = GetDlgItem(m_frame, 1001);
    const int count = static_cast<int>(SendMessageW(tab, TCM_GETITEMCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        wchar_t text[64] = {};
        TCITEMW item{};
        item.mask = TCIF_TEXT;
        item.pszText = text;
        item.cchTextMax = 64;
        SendMessageW(tab, TCM_GETITEMW, i, reinterpret_cast<LPARAM>(&item));
        texts.push_back(text);
    }
    return texts;
}

std::vector<std::wstring> CDialogDriver::ListItems(HWND combo) const {
    std::vector<std::wstring> items;
    const int count = static_cast<int>(SendMessageW(combo, CB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        wchar_t text[128] = {};
        SendMessageW(combo, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text));
        items.push_back(text);
    }
    return items;
}

void CDialogDriver::Type(HWND edit, const std::wstring &text) {
    SendMessageW(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

void CDialogDriver::Slide(HWND trackbar, int position) {
    SendMessageW(trackbar, TBM_SETPOS, TRUE, position);
    SendMessageW(GetParent(trackbar), WM_HSCROLL, MAKEWPARAM(TB_THUMBPOSITION, position),
                 reinterpret_cast<LPARAM>(trackbar));
}

void CDialogDriver::Click(HWND button) { SendMessageW(button, BM_CLICK, 0, 0); }

void CDialogDriver::Select(HWND combo, int index) {
    SendMessageW(combo, CB_SETCURSEL, index, 0);
    SendMessageW(GetParent(combo), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(combo), CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(combo));
}

void CDialogDriver::SelectTab(int index) {
    HWND tab = GetDlgItem(m_frame, 1001);
    SendMessageW(tab, TCM_SETCURSEL, index, 0);
    NMHDR header{tab, 1001, static_cast<UINT>(TCN_SELCHANGE)};
    SendMessageW(m_frame, WM_NOTIFY, 1001, reinterpret_cast<LPARAM>(&header));
}

int CDialogDriver::Close(int button) {
    if (m_frame && IsWindow(m_frame))
        PostMessageW(m_frame, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0);
    if (m_thread.joinable())
        m_thread.join();
    return m_result;
}
