#include "win/DialogDriver.h"
#include <commctrl.h>
#include <atomic>

namespace {

struct Search {
    HWND except = nullptr;
    HWND found = nullptr;
};

BOOL CALLBACK TakeDialog(HWND window, LPARAM param) {
    Search *search = reinterpret_cast<Search *>(param);
    wchar_t name[16] = {};
    GetClassNameW(window, name, 16);
    if (std::wstring(name) != L"#32770" || !IsWindowVisible(window) || window == search->except)
        return TRUE;
    search->found = window;
    return FALSE;
}

// Sleeps about 10 ms answering what other threads send to this thread's windows: a
// dialog's thread sends to the dialog's parent when it opens and ends.
void ServeSentFor10Ms() {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_SENDMESSAGE);
    MSG msg;
    PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
}

constexpr int kWaitSteps = 500; // of about 10 ms

} // namespace

CDialogDriver::CDialogDriver(std::function<int()> open) {
    m_thread = std::thread([this, open] {
        m_threadId.store(GetCurrentThreadId());
        m_result = open();
        m_returned.store(true);
    });
    FindFrame(nullptr);
}

CDialogDriver::CDialogDriver(DWORD threadId, HWND except) : m_threadId(threadId) { FindFrame(except); }

void CDialogDriver::FindFrame(HWND except) {
    for (int i = 0; i < kWaitSteps && !m_frame; ++i) {
        ServeSentFor10Ms();
        Search search{except};
        if (DWORD id = m_threadId.load())
            EnumThreadWindows(id, TakeDialog, reinterpret_cast<LPARAM>(&search));
        m_frame = search.found;
    }
}

CDialogDriver::~CDialogDriver() {
    if (m_thread.joinable() || (m_frame && IsWindow(m_frame)))
        Close(IDCANCEL);
}

std::unique_ptr<CDialogDriver> CDialogDriver::Nested() const {
    std::unique_ptr<CDialogDriver> nested(new CDialogDriver(m_threadId.load(), m_frame));
    return nested->Shown() ? std::move(nested) : nullptr;
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
    if (!m_thread.joinable()) {
        for (int i = 0; i < kWaitSteps && IsWindow(m_frame); ++i)
            ServeSentFor10Ms();
        return IsWindow(m_frame) ? 0 : 1;
    }
    while (!m_returned.load())
        ServeSentFor10Ms();
    m_thread.join();
    return m_result;
}
