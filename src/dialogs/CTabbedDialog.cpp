#include "dialogs/CTabbedDialog.h"
#include "dialogs/DialogResources.h"

INT_PTR CTabbedDialog::Run(HWND parent, int frameTemplate) {
    return dialogs::RunModal(frameTemplate, parent, dialogs::Forward<CTabbedDialog, &CTabbedDialog::FrameMessage>,
                             this);
}

void CTabbedDialog::AddPage(HWND tab, const wchar_t *text, HWND page) {
    dialogs::AddTab(tab, static_cast<int>(m_pages.size()), text);
    m_pages.push_back(page);
}

void CTabbedDialog::ShowSelectedPage() {
    const LRESULT selected = SendMessageW(m_tab, TCM_GETCURSEL, 0, 0);
    for (size_t i = 0; i < m_pages.size(); ++i)
        ShowWindow(m_pages[i], static_cast<LRESULT>(i) == selected ? SW_SHOW : SW_HIDE);
}

INT_PTR CTabbedDialog::FrameMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG:
        m_tab = GetDlgItem(window, IDC_TAB);
        CreatePages(m_tab);
        m_notifier.SetTarget(window);
        return TRUE;
    case WM_DRAWITEM:
        return dialogs::DrawTabItem(wParam, lParam);
    case WM_NOTIFY: {
        const NMHDR *header = reinterpret_cast<const NMHDR *>(lParam);
        if (header->idFrom == IDC_TAB && header->code == TCN_SELCHANGE)
            ShowSelectedPage();
        return FALSE;
    }
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDOK: Ok(); EndDialog(window, IDOK); return TRUE;
        case IDCANCEL: EndDialog(window, IDCANCEL); return TRUE;
        case IDC_DEFAULT: Default(); return TRUE;
        default: return FALSE;
        }
    case dialogs::kMsgFiltersChanged:
        FiltersChanged();
        return TRUE;
    case dialogs::kMsgAnalogValue:
        AnalogValue(static_cast<int>(wParam), static_cast<int>(lParam));
        return TRUE;
    case dialogs::kMsgCameraReleased:
    case WM_DESTROY:
        return m_notifier.FrameMessage(window, message);
    default:
        return FALSE;
    }
}
