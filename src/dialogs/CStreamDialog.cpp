#include "dialogs/CStreamDialog.h"
#include "VonkelSdk.h"
#include "camera/CVonkel.h"
#include "platform/SettingsStore.h"
#include "dialogs/DialogResources.h"

namespace {

constexpr int kGreyDepth = 12;     // of the second colour name
constexpr int kHighClockMHz = 54;  // of the third clock name
constexpr int kOfferedColors = 2;  // the grey modes: the camera delivers its mosaic as grey
constexpr int kColorBits[] = {8, 16, 24, 32, 48, 64};
const int kSizeEdits[] = {IDC_H_TOTAL, IDC_V_TOTAL, IDC_H_EFFECTIVE, IDC_V_EFFECTIVE, IDC_H_START, IDC_V_START};

int32_t CaptureWindow::*const kSizeFields[] = {&CaptureWindow::TH, &CaptureWindow::TV, &CaptureWindow::EH,
                                               &CaptureWindow::EV, &CaptureWindow::EHS, &CaptureWindow::EVS};

LRESULT Send(HWND window, int id, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
    return SendDlgItemMessageW(window, id, message, wParam, lParam);
}

void AddItem(HWND window, int id, const std::wstring &text) {
    Send(window, id, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

// The camera instance takes the size and stream values that are now stored. False when
// the stored size does not fit the sensor: the instance then keeps its window and the
// error is in its history.
bool Reload(CVonkel &camera, int device) {
    CRegistrySettings registry(camera.SettingsStore());
    CaptureWindow window = camera.Window();
    registry.ReadSelectedSize(device, window);
    StreamFormat format{camera.ColorMode(), camera.SubSample(), camera.WaitTime(), camera.Clock()};
    registry.ReadStreamFormat(device, format);
    if (format.colorMode >= 0 && format.colorMode < 6)
        camera.SetColorMode(kColorBits[format.colorMode]);
    camera.SetSubSample(format.subSample);
    if (format.waitTime >= 0)
        camera.SetWaitTime(format.waitTime);
    return camera.SetCaptureWindowEx(window.TH, window.EHS, window.EH, window.TV, window.EVS, window.EV) == 1;
}

} // namespace

CStreamDialog::CStreamDialog(CVonkel &camera, int device)
    : m_camera(camera), m_device(device), m_texts(dialogs::Japanese() ? dialogs::JapaneseTexts() : dialogs::EnglishTexts()) {
    m_table.format.colorMode = 1;
    m_table.format.waitTime = 1;
    m_table.format.clock = 2;
    for (int i = 0; i < 6; ++i)
        m_colors[i] = dialogs::Format(m_texts.colors[i], kGreyDepth);
}

INT_PTR CStreamDialog::Run(HWND parent) {
    // In the camera's list only so that a release can end it: it shows no measurements.
    dialogs::CNotifierScope scope(m_camera, m_notifier);
    return dialogs::RunModal(dialogs::Pick(IDD_STREAM_JA, IDD_STREAM_EN), parent,
                             dialogs::Forward<CStreamDialog, &CStreamDialog::Message>, this);
}

std::wstring CStreamDialog::SizeText(const CaptureWindow &w) const { return dialogs::Format(L"%d x %d", w.EH, w.EV); }

void CStreamDialog::FillLists() {
    for (int i = 0; i < kOfferedColors; ++i)
        AddItem(m_window, IDC_COLOR_LIST, m_colors[i]);
    const int color = m_table.format.colorMode;
    // A stored mode whose name is not offered shows the first.
    Send(m_window, IDC_COLOR_LIST, CB_SETCURSEL, color >= 0 && color < kOfferedColors ? color : 0);
    for (const wchar_t *text : m_texts.subSamples)
        AddItem(m_window, IDC_SUBSAMPLE_LIST, text);
    Send(m_window, IDC_SUBSAMPLE_LIST, CB_SETCURSEL, m_table.format.subSample == 1 ? 1 : 0);
    for (const wchar_t *text : m_texts.clocks)
        AddItem(m_window, IDC_CLOCK_LIST, dialogs::Format(text, kHighClockMHz));
    Send(m_window, IDC_CLOCK_LIST, CB_SETCURSEL, static_cast<WPARAM>(m_table.format.clock));
    for (const CaptureWindow &w : m_table.sizes)
        AddItem(m_window, IDC_SIZE_LIST, SizeText(w));
    AddItem(m_window, IDC_SIZE_LIST, m_texts.custom);
    Send(m_window, IDC_SIZE_LIST, CB_SETCURSEL, static_cast<WPARAM>(m_table.selected));
}

void CStreamDialog::ShowSize(int index) {
    if (index < 0 || static_cast<size_t>(index) >= m_table.sizes.size())
        return;
    ShowSize(m_table.sizes[index]);
}

void CStreamDialog::ShowSize(const CaptureWindow &entry) {
    for (int i = 0; i < 6; ++i)
        SetDlgItemInt(m_window, kSizeEdits[i], static_cast<UINT>(entry.*kSizeFields[i]), FALSE);
}

void CStreamDialog::Initialise() {
    CRegistrySettings(m_camera.SettingsStore()).ReadStreamFormatTable(m_device, m_table);
    dialogs::AddTab(GetDlgItem(m_window, IDC_TAB), 0, m_texts.streamTab);
    FillLists();
    // A device without stored sizes (every camera but the one of the first run) starts
    // from the preset entry, whose horizontal values cannot be typed on this camera.
    const bool stored = m_table.selected >= 0 && static_cast<size_t>(m_table.selected) < m_table.sizes.size();
    ShowSize(stored ? m_table.sizes[m_table.selected] : CaptureWindow{});
    SetDlgItemInt(m_window, IDC_WAIT_TIME, static_cast<UINT>(m_table.format.waitTime), FALSE);
    EnableWindow(GetDlgItem(m_window, IDC_APPLY), FALSE);
    EnableWindow(GetDlgItem(m_window, IDC_CLOCK_LIST), FALSE);
    CVonkel430NVTXQELSdk &driver = *m_camera.Driver();
    m_windowH = driver.GetWindowFlagH() != 0;
    m_windowV = driver.GetWindowFlagV() != 0;
    for (int id : {IDC_H_TOTAL, IDC_H_EFFECTIVE, IDC_H_START})
        EnableWindow(GetDlgItem(m_window, id), m_windowH);
    for (int id : {IDC_V_TOTAL, IDC_V_EFFECTIVE, IDC_V_START})
        EnableWindow(GetDlgItem(m_window, id), m_windowV);
    if (!m_windowH && !m_windowV)
        EnableWindow(GetDlgItem(m_window, IDC_SIZE_LIST), FALSE);
    m_ready = true;
}

bool CStreamDialog::Collect() {
    wchar_t text[64] = {};
    GetDlgItemTextW(m_window, IDC_COLOR_LIST, text, 64);
    m_table.format.colorMode = 0;
    for (int i = 0; i < 6; ++i)
        if (m_colors[i] == text)
            m_table.format.colorMode = i;
    const LRESULT size = Send(m_window, IDC_SIZE_LIST, CB_GETCURSEL);
    const LRESULT subSample = Send(m_window, IDC_SUBSAMPLE_LIST, CB_GETCURSEL);
    m_table.format.subSample = subSample == 1 ? 1 : 0;
    // A stored clock that names no item stays as it was.
    if (const LRESULT clock = Send(m_window, IDC_CLOCK_LIST, CB_GETCURSEL); clock >= 0)
        m_table.format.clock = static_cast<int32_t>(clock);
    m_table.format.waitTime = static_cast<int32_t>(GetDlgItemInt(m_window, IDC_WAIT_TIME, nullptr, FALSE));
    if (size < 0)
        return true;
    const bool custom = static_cast<size_t>(size) == m_table.sizes.size();
    // The table has room for a fixed number of sizes: a custom size past them is refused whole.
    if (custom && m_table.sizes.size() >= static_cast<size_t>(CRegistrySettings::kMaxSizes))
        return MessageBeep(MB_ICONWARNING), false;
    CaptureWindow entry = custom ? CaptureWindow{} : m_table.sizes[size];
    for (int i = 0; i < 6; ++i)
        entry.*kSizeFields[i] = static_cast<int32_t>(GetDlgItemInt(m_window, kSizeEdits[i], nullptr, FALSE));
    // A size the camera instance would refuse when it reloads is never stored: it would
    // leave the acquisition stopped after every later OK.
    if (!CVonkel::CaptureWindowValid(entry, m_table.format.subSample))
        return MessageBeep(MB_ICONWARNING), false;
    if (custom)
        m_table.sizes.push_back(entry);
    else
        m_table.sizes[size] = entry;
    if (!custom)
        Send(m_window, IDC_SIZE_LIST, CB_DELETESTRING, static_cast<WPARAM>(size));
    Send(m_window, IDC_SIZE_LIST, CB_INSERTSTRING, static_cast<WPARAM>(size),
         reinterpret_cast<LPARAM>(SizeText(entry).c_str()));
    Send(m_window, IDC_SIZE_LIST, CB_SETCURSEL, static_cast<WPARAM>(size));
    m_table.selected = static_cast<int32_t>(size);
    EnableWindow(GetDlgItem(m_window, IDC_APPLY), FALSE);
    return true;
}

void CStreamDialog::Write() { CRegistrySettings(m_camera.SettingsStore()).WriteStreamFormatTable(m_device, m_table); }

void CStreamDialog::Changed(int id, int code) {
    if (!m_ready || (code != CBN_SELCHANGE && code != EN_CHANGE))
        return;
    EnableWindow(GetDlgItem(m_window, IDC_APPLY), TRUE);
    if (id == IDC_SIZE_LIST && code == CBN_SELCHANGE)
        ShowSize(static_cast<int>(Send(m_window, IDC_SIZE_LIST, CB_GETCURSEL)));
}

INT_PTR CStreamDialog::Message(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG:
        m_window = window;
        Initialise();
        m_notifier.SetTarget(window);
        return TRUE;
    case dialogs::kMsgCameraReleased:
    case WM_DESTROY:
        return m_notifier.FrameMessage(window, message);
    case WM_DRAWITEM:
        return dialogs::DrawTabItem(wParam, lParam);
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDOK:
            if (Collect()) {
                Write();
                EndDialog(window, IDOK);
            }
            return TRUE;
        case IDC_APPLY:
            if (Collect())
                Write();
            return TRUE;
        case IDCANCEL: EndDialog(window, IDCANCEL); return TRUE;
        default: Changed(LOWORD(wParam), HIWORD(wParam)); return TRUE;
        }
    default:
        return FALSE;
    }
}

int RunStreamDialog(CVonkel &camera, HWND parent) {
    if (!camera.Driver())
        return camera.RaiseError(VONKEL_ERR_NO_CAMERA), 0;
    // The running acquisition stops for the dialog; the trigger loop only idles.
    const AcquisitionState mode = camera.Mode();
    if (mode == AcquisitionState::Preview || mode == AcquisitionState::Capture)
        camera.StopPreview();
    else if (mode == AcquisitionState::Trigger)
        camera.HoldTriggerLoop(true);
    const int device = camera.Driver()->GetDeviceIndex();
    const INT_PTR result = CStreamDialog(camera, device).Run(parent);
    const bool fits = result != IDOK || Reload(camera, device);
    if (!fits && mode == AcquisitionState::Trigger)
        camera.StopPreview();
    if (fits && mode == AcquisitionState::Preview)
        camera.StartPreview();
    else if (fits && mode == AcquisitionState::Capture)
        camera.Capture();
    else if (fits && mode == AcquisitionState::Trigger)
        camera.HoldTriggerLoop(false);
    if (result == -1)
        return camera.RaiseError(VONKEL_ERR_WINDOW), 0;
    return 1;
}
