// What the three property dialogs share: the module and language their templates come
// from, trackbar/edit/up-down triples, owner-drawn tabs, and the way measurements of the
// capture thread reach an open dialog.
#pragma once
#include "platform/win32/Win32.h"
#include "camera/IDialogNotifier.h"
#include <commctrl.h>
#include <atomic>
#include <cstddef>
#include <string>

class CVonkel;

namespace dialogs {

// Posted to an open dialog's frame window: the filter block changed under it, an
// automatic correction chose a new gain or exposure (wParam the edit, lParam the value),
// or the handle is being released (the dialog ends as if cancelled).
constexpr UINT kMsgFiltersChanged = WM_APP + 1;
constexpr UINT kMsgAnalogValue = WM_APP + 2;
constexpr UINT kMsgCameraReleased = WM_APP + 3;

// The library's own module: given by DllMain, else looked up by the library's file name.
void SetModule(HINSTANCE module);
HINSTANCE Module();
// The Japanese set on a Japanese system, the English set everywhere else.
bool Japanese();
inline int Pick(int japanese, int english) { return Japanese() ? japanese : english; }

// A trackbar, the edit that shows its value as a signed number and the up-down beside it.
struct Triple {
    int bar, edit, spin;
    int low, high, tick;
};
void SetupTriple(HWND page, const Triple &t, int value, bool enabled);
// Moves trackbar and up-down to `value` and writes it into the edit.
void ShowTriple(HWND page, const Triple &t, int value);
// Moves only the trackbar (the edit already shows the value).
void MoveTriple(HWND page, const Triple &t, int value);
template <size_t N>
const Triple *FindTriple(const Triple (&table)[N], int id) {
    for (const Triple &t : table)
        if (t.bar == id || t.edit == id)
            return &t;
    return nullptr;
}
// The edit's text as a signed number; false when it is not one (empty, "-", letters).
bool ReadInt(HWND page, int id, int *value);
void SetText(HWND page, int id, const std::wstring &text);
std::wstring Format(const wchar_t *format, ...);

// Tabs: owner-drawn, filled with the button face and their text centred.
void AddTab(HWND tab, int index, const wchar_t *text);
void DrawTab(const DRAWITEMSTRUCT *item);
// WM_DRAWITEM of a dialog holding the tab control: TRUE when it was the tab's.
INT_PTR DrawTabItem(WPARAM control, LPARAM item);
// A page: a child dialog of the tab control at (30, 25), in its template's size.
HWND CreatePage(HWND tab, int templateId, DLGPROC proc, void *owner, bool visible);

// Runs a modal dialog of the chosen template; -1 when it could not be created.
INT_PTR RunModal(int templateId, HWND parent, DLGPROC proc, void *owner);

// Dialog procedure forwarding to a member function of the object given at creation.
template <class T, INT_PTR (T::*Method)(HWND, UINT, WPARAM, LPARAM)>
INT_PTR CALLBACK Forward(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG)
        SetWindowLongPtrW(window, DWLP_USER, lParam);
    T *self = reinterpret_cast<T *>(GetWindowLongPtrW(window, DWLP_USER));
    return self ? (self->*Method)(window, message, wParam, lParam) : FALSE;
}

// Tells an open dialog what the camera has to say by posting to its frame window: the
// capture thread and a releasing thread that call it never wait for the dialog's thread.
class CPostingNotifier : public IDialogNotifier {
public:
    // The frame window from WM_INITDIALOG to WM_DESTROY. A release that came before the
    // window did is posted to it then.
    void SetTarget(HWND window);
    void FilterValuesChanged() override;
    void AnalogValueChanged(int editBox, int value) override;
    void CameraReleased() override;
    // The frame's messages that are the notifier's: a release ends the dialog as if
    // cancelled (TRUE), the frame's destruction disconnects it (FALSE).
    INT_PTR FrameMessage(HWND frame, UINT message);

private:
    void Post(UINT message, WPARAM wParam, LPARAM lParam);

    std::atomic<HWND> m_target{nullptr};
    std::atomic<bool> m_released{false};
};

// Enters a dialog's notifier in the camera's list for the life of the dialog; once the
// scope ends nothing calls it any more, and a release waiting for the dialog goes on.
class CNotifierScope {
public:
    CNotifierScope(CVonkel &camera, IDialogNotifier &notifier);
    ~CNotifierScope();
    CNotifierScope(const CNotifierScope &) = delete;
    CNotifierScope &operator=(const CNotifierScope &) = delete;

private:
    CVonkel &m_camera;
    IDialogNotifier &m_notifier;
};

} // namespace dialogs
