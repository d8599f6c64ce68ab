// A modal frame holding a tab control with its pages and the buttons OK, Cancel and
// Default: the shape of the analog and the image filter dialogs.
#pragma once
#include "dialogs/DialogSupport.h"
#include <vector>

class CTabbedDialog {
public:
    virtual ~CTabbedDialog() = default;
    // 1 after OK, 2 after Cancel, -1 when the dialog could not be created.
    INT_PTR Run(HWND parent, int frameTemplate);
    INT_PTR FrameMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

protected:
    virtual void CreatePages(HWND tab) = 0;
    virtual void Ok() = 0;
    virtual void Default() = 0;
    virtual void FiltersChanged() {}
    virtual void AnalogValue(int, int) {}
    void AddPage(HWND tab, const wchar_t *text, HWND page);

    dialogs::CPostingNotifier m_notifier;

private:
    void ShowSelectedPage();

    HWND m_tab = nullptr;
    std::vector<HWND> m_pages;
};
