#include "dialogs/DialogSupport.h"
#include "camera/CVonkel.h"
#include "dialogs/DialogResources.h"
#include <cstdarg>
#include <cwchar>
#include <mutex>

namespace dialogs {

namespace {
std::atomic<HINSTANCE> g_module{nullptr};
constexpr LANGID kJapanese = 1041;
constexpr int kPageX = 30, kPageY = 25;
} // namespace

void SetModule(HINSTANCE module) { g_module.store(module); }

HINSTANCE Module() {
    if (HINSTANCE module = g_module.load())
        return module;
    return GetModuleHandleA("VonkelSdk_430NVTX_QEL.dll");
}

bool Japanese() { return GetSystemDefaultLangID() == kJapanese; }

void SetupTriple(HWND page, const Triple &t, int value, bool enabled) {
    HWND bar = GetDlgItem(page, t.bar), edit = GetDlgItem(page, t.edit), spin = GetDlgItem(page, t.spin);
    SendMessageW(bar, TBM_SETRANGEMIN, FALSE, t.low);
    SendMessageW(bar, TBM_SETRANGEMAX, FALSE, t.high);
    // A frequency of 0 would never advance along the scale.
    SendMessageW(bar, TBM_SETTICFREQ, t.tick > 0 ? t.tick : 1, 0);
    SendMessageW(spin, UDM_SETBUDDY, reinterpret_cast<WPARAM>(edit), 0);
    SendMessageW(spin, UDM_SETRANGE32, t.low, t.high);
    ShowTriple(page, t, value);
    for (HWND control : {bar, edit, spin})
        EnableWindow(control, enabled);
}

void MoveTriple(HWND page, const Triple &t, int value) {
    // The up-down is left alone: it takes its value from the edit whenever it is used.
    SendDlgItemMessageW(page, t.bar, TBM_SETPOS, TRUE, value);
}

void ShowTriple(HWND page, const Triple &t, int value) {
    MoveTriple(page, t, value);
    SendDlgItemMessageW(page, t.spin, UDM_SETPOS32, 0, value);
    SetDlgItemInt(page, t.edit, static_cast<UINT>(value), TRUE);
}

bool ReadInt(HWND page, int id, int *value) {
    wchar_t text[32] = {};
    GetDlgItemTextW(page, id, text, 32);
    wchar_t *end = nullptr;
    long v = std::wcstol(text, &end, 10);
    if (end == text || *end != L'\0' || v < INT32_MIN || v > INT32_MAX)
        return false;
    *value = static_cast<int>(v);
    return true;
}

void SetText(HWND page, int id, const std::wstring &text) { SetDlgItemTextW(page, id, text.c_str()); }

std::wstring Format(const wchar_t *format, ...) {
    wchar_t text[128];
    va_list args;
    va_start(args, format);
    std::vswprintf(text, 128, format, args);
    va_end(args);
    return text;
}

void AddTab(HWND tab, int index, const wchar_t *text) {
    TCITEMW item{};
    item.mask = TCIF_TEXT;
    item.pszText = const_cast<wchar_t *>(text);
    SendMessageW(tab, TCM_INSERTITEMW, index, reinterpret_cast<LPARAM>(&item));
}

void DrawTab(const DRAWITEMSTRUCT *item) {
    wchar_t text[64] = {};
    TCITEMW tab{};
    tab.mask = TCIF_TEXT;
    tab.pszText = text;
    tab.cchTextMax = 64;
    SendMessageW(item->hwndItem, TCM_GETITEMW, item->itemID, reinterpret_cast<LPARAM>(&tab));
    RECT r = item->rcItem;
    FillRect(item->hDC, &r, GetSysColorBrush(COLOR_BTNFACE));
    SetBkMode(item->hDC, TRANSPARENT);
    SetTextColor(item->hDC, GetSysColor(COLOR_BTNTEXT));
    DrawTextW(item->hDC, text, -1, &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
}

INT_PTR DrawTabItem(WPARAM control, LPARAM item) {
    if (control != IDC_TAB)
        return FALSE;
    DrawTab(reinterpret_cast<const DRAWITEMSTRUCT *>(item));
    return TRUE;
}

HWND CreatePage(HWND tab, int templateId, DLGPROC proc, void *owner, bool visible) {
    HWND page = CreateDialogParamW(Module(), MAKEINTRESOURCEW(templateId), tab, proc, reinterpret_cast<LPARAM>(owner));
    if (page)
        SetWindowPos(page, HWND_TOP, kPageX, kPageY, 0, 0,
                     SWP_NOSIZE | (visible ? SWP_SHOWWINDOW : SWP_HIDEWINDOW));
    return page;
}

INT_PTR RunModal(int templateId, HWND parent, DLGPROC proc, void *owner) {
    static std::once_flag registered;
    std::call_once(registered, [] {
        INITCOMMONCONTROLSEX controls{sizeof controls, ICC_BAR_CLASSES | ICC_UPDOWN_CLASS | ICC_TAB_CLASSES};
        InitCommonControlsEx(&controls);
    });
    return DialogBoxParamW(Module(), MAKEINTRESOURCEW(templateId), parent, proc, reinterpret_cast<LPARAM>(owner));
}

void CPostingNotifier::SetTarget(HWND window) {
    m_target.store(window);
    // Both sides store before they look: a release racing the window's creation is
    // posted by one of them at least (twice at worst, and a second end is harmless).
    if (window && m_released.load())
        PostMessageW(window, kMsgCameraReleased, 0, 0);
}

void CPostingNotifier::Post(UINT message, WPARAM wParam, LPARAM lParam) {
    if (HWND target = m_target.load())
        PostMessageW(target, message, wParam, lParam);
}

void CPostingNotifier::FilterValuesChanged() { Post(kMsgFiltersChanged, 0, 0); }

void CPostingNotifier::AnalogValueChanged(int editBox, int value) {
    Post(kMsgAnalogValue, static_cast<WPARAM>(editBox), static_cast<LPARAM>(value));
}

void CPostingNotifier::CameraReleased() {
    m_released.store(true);
    Post(kMsgCameraReleased, 0, 0);
}

INT_PTR CPostingNotifier::FrameMessage(HWND frame, UINT message) {
    if (message == WM_DESTROY) {
        SetTarget(nullptr);
        return FALSE;
    }
    EndDialog(frame, IDCANCEL);
    return TRUE;
}

CNotifierScope::CNotifierScope(CVonkel &camera, IDialogNotifier &notifier) : m_camera(camera), m_notifier(notifier) {
    m_camera.Dialogs().Add(m_notifier);
}

CNotifierScope::~CNotifierScope() { m_camera.Dialogs().Remove(m_notifier); }

} // namespace dialogs
