#include "dialogs/CAnalogDialog.h"
#include "VonkelSdk.h"
#include "camera/CVonkel.h"
#include "settings/ExposureUnits.h"
#include "dialogs/DialogResources.h"
#include "dialogs/DialogTexts.h"
#include <cwchar>

namespace {

// Filter numbers of the camera instance this dialog goes through.
enum { kGlobalGain = 13, kColorGainRed = 14, kColorGainGreen1 = 15, kColorGainGreen2 = 16, kColorGainBlue = 17,
       kExposureLines = 18, kPeltier = 100 };

std::wstring Widen(const std::string &text) { return std::wstring(text.begin(), text.end()); }

} // namespace

CAnalogDialog::CAnalogDialog(CVonkel &camera) : m_camera(camera) {
    const CVonkel430NVTXQELSdk &d = *camera.Driver();
    const int gainTick = (d.GetGainMax() - d.GetGainMin()) / 8;
    const int linesTick = (d.GetExposureLinesMax() - d.GetExposureLinesMin()) / 8;
    m_triples[kGain] = {IDC_GAIN_BAR, IDC_GAIN_EDIT, IDC_GAIN_SPIN, d.GetGainMin(), d.GetGainMax(), gainTick};
    m_triples[kG1] = {IDC_G1_BAR, IDC_G1_EDIT, IDC_G1_SPIN, 0, 0, 0};
    m_triples[kR] = {IDC_R_BAR, IDC_R_EDIT, IDC_R_SPIN, 0, 0, 0};
    m_triples[kB] = {IDC_B_BAR, IDC_B_EDIT, IDC_B_SPIN, 0, 0, 0};
    m_triples[kG2] = {IDC_G2_BAR, IDC_G2_EDIT, IDC_G2_SPIN, 0, 0, 0};
    m_triples[kExposure] = {IDC_EXPOSURE_BAR, IDC_EXPOSURE_EDIT, IDC_EXPOSURE_SPIN, d.GetExposureLinesMin(),
                            d.GetExposureLinesMax(), linesTick};
}

int CAnalogDialog::Show(HWND parent) {
    // What the camera holds now, not what was stored last.
    int read = 0;
    m_opening.gain = m_camera.GetFilterValue(kGlobalGain, &read);
    if (!read)
        m_opening.gain = m_camera.Analog().globalGain.load();
    // The instance keeps the gain the camera has (a register write may have changed it).
    else if (m_opening.gain != m_camera.Analog().globalGain.load())
        m_camera.SetFilterValue(kGlobalGain, static_cast<uint32_t>(m_opening.gain));
    m_opening.lines = m_camera.GetFilterValue(kExposureLines, nullptr);
    m_opening.seconds = m_camera.Analog().exposureSeconds.load();
    m_opening.setAsLines = m_camera.ExposureSetAsLines();
    // The camera's mirroring: the instance's stored flags may not be what the camera has.
    m_opening.mirrorV = m_camera.Driver()->GetMirrorV();
    m_opening.mirrorH = m_camera.Driver()->GetMirrorH();
    m_opening.iris = m_camera.Analog().autoIris.load();
    INT_PTR result;
    {
        dialogs::CNotifierScope scope(m_camera, m_notifier);
        result = Run(parent, dialogs::Pick(IDD_ANALOG_FRAME_JA, IDD_ANALOG_FRAME_EN));
    }
    if (result == -1)
        return m_camera.RaiseError(VONKEL_ERR_WINDOW), 0;
    if (result != IDOK)
        Restore();
    return 1;
}

void CAnalogDialog::Restore() {
    // The automatic iris first: a correction the capture thread makes while the values are
    // written back (register writes with pauses) would overwrite them.
    m_camera.SetAutoIris(m_opening.iris);
    m_camera.WaitForFrameInProgress();
    CVonkel430NVTXQELSdk &d = *m_camera.Driver();
    m_camera.SetFilterValue(kGlobalGain, static_cast<uint32_t>(m_opening.gain));
    for (int number = kColorGainRed; number <= kColorGainBlue; ++number)
        m_camera.SetFilterValue(number, 0);
    // In the unit it was given in: the seconds setter stops at its maximum, far below the
    // longest exposure in lines.
    if (!m_opening.setAsLines && d.GetExposureFlag() && d.HasRealExposure() && m_opening.seconds > 0.0)
        m_camera.SetExposureTimeEx(m_opening.seconds);
    else
        m_camera.SetFilterValue(kExposureLines, static_cast<uint32_t>(m_opening.lines));
    m_camera.SetMirrorV(m_opening.mirrorV);
    m_camera.SetMirrorH(m_opening.mirrorH);
}

void CAnalogDialog::CreatePages(HWND tab) {
    const dialogs::Texts &texts = dialogs::Japanese() ? dialogs::JapaneseTexts() : dialogs::EnglishTexts();
    HWND page = dialogs::CreatePage(tab, dialogs::Pick(IDD_ANALOG_PAGE_JA, IDD_ANALOG_PAGE_EN),
                                    dialogs::Forward<CAnalogDialog, &CAnalogDialog::PageMessage>, this, true);
    AddPage(tab, texts.analogTab, page);
}

void CAnalogDialog::FillTriples(int gain, int lines) {
    const int values[kTripleCount] = {gain, 0, 0, 0, 0, lines};
    for (int i = 0; i < kTripleCount; ++i)
        dialogs::SetupTriple(m_page, m_triples[i], values[i], i == kGain || i == kExposure);
}

void CAnalogDialog::FillUnits() {
    HWND list = GetDlgItem(m_page, IDC_EXPOSURE_UNIT);
    CVonkel430NVTXQELSdk &d = *m_camera.Driver();
    if (!list || !d.HasRealExposure())
        return;
    double low = 0.0, high = 0.0;
    d.GetRealExposureMin(&low);
    d.GetRealExposureMax(&high);
    SendMessageW(list, CB_RESETCONTENT, 0, 0);
    m_units.clear();
    for (int unit = exposure_units::UnitOf(low); unit <= exposure_units::UnitOf(high); ++unit) {
        SendMessageW(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Widen(exposure_units::kNames[unit]).c_str()));
        m_units.push_back(unit);
    }
    const std::string range = "range: " + std::to_string(exposure_units::DisplayValue(low)) +
                              exposure_units::kNames[exposure_units::UnitOf(low)] + " - " +
                              std::to_string(exposure_units::DisplayValue(high)) +
                              exposure_units::kNames[exposure_units::UnitOf(high)];
    dialogs::SetText(m_page, IDC_EXPOSURE_RANGE, Widen(range));
    double seconds = 0.0;
    d.GetRealExposure(&seconds);
    const int unit = exposure_units::UnitOf(seconds);
    for (size_t i = 0; i < m_units.size(); ++i)
        if (m_units[i] == unit)
            SendMessageW(list, CB_SETCURSEL, i, 0);
    m_textByDialog = true;
    dialogs::SetText(m_page, IDC_EXPOSURE_VALUE, std::to_wstring(exposure_units::DisplayValue(seconds)));
    m_textByDialog = false;
}

void CAnalogDialog::ShowExposureValue(int unit) {
    double seconds = 0.0;
    m_camera.Driver()->GetRealExposure(&seconds);
    ShowExposureSeconds(seconds, unit);
}

void CAnalogDialog::ShowExposureSeconds(double seconds, int unit) {
    m_textByDialog = true;
    dialogs::SetText(m_page, IDC_EXPOSURE_VALUE, Widen(exposure_units::Text(seconds, unit)));
    m_textByDialog = false;
}

void CAnalogDialog::WriteMilliseconds() {
    // The camera's line count: the stored one may still be the value before a time was set.
    WriteMilliseconds(m_camera.GetFilterValue(kExposureLines, nullptr));
}

void CAnalogDialog::WriteMilliseconds(int lines) {
    const double ms = CVonkel430NVTXQELSdk::SecondsOfLines(lines) * 1000.0;
    dialogs::SetText(m_page, IDC_EXPOSURE_MS, dialogs::Format(L"=%.2fms", ms));
}

INT_PTR CAnalogDialog::PageMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG:
        m_page = window;
        FillTriples(m_opening.gain, m_opening.lines);
        CheckDlgButton(window, IDC_MIRROR_V, m_opening.mirrorV ? BST_CHECKED : BST_UNCHECKED);
        CheckDlgButton(window, IDC_MIRROR_H, m_opening.mirrorH ? BST_CHECKED : BST_UNCHECKED);
        CheckDlgButton(window, IDC_IRIS_EXPOSURE, m_opening.iris == 1 ? BST_CHECKED : BST_UNCHECKED);
        CheckDlgButton(window, IDC_IRIS_GAIN, m_opening.iris == 2 ? BST_CHECKED : BST_UNCHECKED);
        WriteMilliseconds();
        FillUnits();
        m_ready = true;
        return FALSE;
    case WM_HSCROLL: {
        const dialogs::Triple *t = dialogs::FindTriple(m_triples, GetDlgCtrlID(reinterpret_cast<HWND>(lParam)));
        if (t)
            SetDlgItemInt(window, t->edit, static_cast<UINT>(SendDlgItemMessageW(window, t->bar, TBM_GETPOS, 0, 0)),
                          TRUE);
        return TRUE;
    }
    case WM_COMMAND:
        if (HIWORD(wParam) == EN_CHANGE)
            EditChanged(LOWORD(wParam));
        else if (HIWORD(wParam) == BN_CLICKED)
            Clicked(LOWORD(wParam));
        else if (HIWORD(wParam) == CBN_SELCHANGE && LOWORD(wParam) == IDC_EXPOSURE_UNIT)
            UnitChanged();
        return TRUE;
    default:
        return FALSE;
    }
}

void CAnalogDialog::EditChanged(int id) {
    if (!m_ready)
        return;
    if (id == IDC_EXPOSURE_VALUE)
        return ExposureValueChanged();
    const dialogs::Triple *t = dialogs::FindTriple(m_triples, id);
    int value = 0;
    if (!t || t->edit != id || !dialogs::ReadInt(m_page, id, &value))
        return;
    dialogs::MoveTriple(m_page, *t, value);
    if (id == IDC_GAIN_EDIT) {
        m_camera.SetFilterValue(kGlobalGain, static_cast<uint32_t>(value));
    } else if (id == IDC_EXPOSURE_EDIT) {
        m_camera.SetFilterValue(kExposureLines, static_cast<uint32_t>(value));
        WriteMilliseconds();
    }
}

void CAnalogDialog::ExposureValueChanged() {
    if (m_textByDialog) {
        m_textByDialog = false;
        return;
    }
    wchar_t text[64] = {};
    GetDlgItemTextW(m_page, IDC_EXPOSURE_VALUE, text, 64);
    wchar_t *end = nullptr;
    const double value = std::wcstod(text, &end);
    const LRESULT selected = SendDlgItemMessageW(m_page, IDC_EXPOSURE_UNIT, CB_GETCURSEL, 0, 0);
    // Half-typed text is not a time yet.
    if (end == text || *end != L'\0' || selected < 0 || static_cast<size_t>(selected) >= m_units.size())
        return;
    m_camera.SetExposureTimeEx(exposure_units::ToSeconds(value, m_units[selected]));
}

void CAnalogDialog::UnitChanged() {
    const LRESULT selected = SendDlgItemMessageW(m_page, IDC_EXPOSURE_UNIT, CB_GETCURSEL, 0, 0);
    if (selected >= 0 && static_cast<size_t>(selected) < m_units.size())
        ShowExposureValue(m_units[selected]);
}

void CAnalogDialog::Clicked(int id) {
    const bool checked = IsDlgButtonChecked(m_page, id) == BST_CHECKED;
    switch (id) {
    case IDC_MIRROR_V: m_camera.SetMirrorV(checked); break;
    case IDC_MIRROR_H: m_camera.SetMirrorH(checked); break;
    case IDC_IRIS_GAIN:
    case IDC_IRIS_EXPOSURE:
        // One automatic correction at a time: gain (2) or exposure (1).
        if (checked)
            CheckDlgButton(m_page, id == IDC_IRIS_GAIN ? IDC_IRIS_EXPOSURE : IDC_IRIS_GAIN, BST_UNCHECKED);
        m_camera.SetAutoIris(!checked ? 0 : id == IDC_IRIS_GAIN ? 2 : 1);
        break;
    default: break;
    }
}

void CAnalogDialog::Ok() {
    // The colour gains are stored from their edits; the camera has one gain only.
    const int edits[] = {IDC_R_EDIT, IDC_G1_EDIT, IDC_G2_EDIT, IDC_B_EDIT};
    for (int i = 0; i < 4; ++i) {
        int value = 0;
        if (dialogs::ReadInt(m_page, edits[i], &value))
            m_camera.SetFilterValue(kColorGainRed + i, static_cast<uint32_t>(value));
    }
}

void CAnalogDialog::Default() {
    CVonkel430NVTXQELSdk &d = *m_camera.Driver();
    m_camera.SetFilterValue(kGlobalGain, static_cast<uint32_t>(d.GetGainMin()));
    for (int number = kColorGainRed; number <= kColorGainBlue; ++number)
        m_camera.SetFilterValue(number, 0);
    m_camera.SetFilterValue(kExposureLines, static_cast<uint32_t>(d.GetExposureLinesDefault()));
    if (d.HasPeltier())
        m_camera.SetFilterValue(kPeltier, 1);
    if (d.HasRealExposure()) {
        double seconds = 0.0;
        d.GetRealExposureDefault(&seconds);
        m_camera.SetExposureTimeEx(seconds);
    }
    // Refilled without going through the edits' paths: the camera has the values already.
    m_ready = false;
    FillTriples(d.GetGainMin(), m_camera.GetFilterValue(kExposureLines, nullptr));
    WriteMilliseconds();
    FillUnits();
    m_ready = true;
}

void CAnalogDialog::AnalogValue(int edit, int value) {
    // Shown only: the camera has the value already, and the capture thread may have moved
    // on from it by the time this posted message arrives.
    if (!m_page || (edit != IDC_GAIN_EDIT && edit != IDC_EXPOSURE_EDIT))
        return;
    const bool ready = m_ready;
    m_ready = false;
    SetDlgItemInt(m_page, edit, static_cast<UINT>(value), TRUE);
    if (const dialogs::Triple *t = dialogs::FindTriple(m_triples, edit))
        dialogs::MoveTriple(m_page, *t, value);
    m_ready = ready;
    if (edit != IDC_EXPOSURE_EDIT)
        return;
    WriteMilliseconds(value);
    // The time shown in the current unit follows the lines the automatic exposure chose
    // (the camera's exposure in seconds is not moved by a change in lines).
    const LRESULT selected = SendDlgItemMessageW(m_page, IDC_EXPOSURE_UNIT, CB_GETCURSEL, 0, 0);
    if (selected >= 0 && static_cast<size_t>(selected) < m_units.size())
        ShowExposureSeconds(CVonkel430NVTXQELSdk::SecondsOfLines(value), m_units[selected]);
}

int RunAnalogDialog(CVonkel &camera, HWND parent) {
    if (!camera.Driver())
        return camera.RaiseError(VONKEL_ERR_NO_CAMERA), 0;
    CAnalogDialog dialog(camera);
    return dialog.Show(parent);
}
