#include "dialogs/CFilterPage.h"
#include "dialogs/DialogResources.h"
#include "dialogs/DialogTexts.h"

namespace {

using S = CFilterPage::Setting;
const S kImageSettings[] = {
    {{IDC_BRIGHTNESS_BAR, IDC_BRIGHTNESS_EDIT, IDC_BRIGHTNESS_SPIN, -255, 255, 64}, &FilterValues::brightness, true},
    {{IDC_CONTRAST_BAR, IDC_CONTRAST_EDIT, IDC_CONTRAST_SPIN, -127, 127, 32}, &FilterValues::contrast, true},
    {{IDC_HUE_BAR, IDC_HUE_EDIT, IDC_HUE_SPIN, -360, 360, 90}, &FilterValues::hue, false},
    {{IDC_SATURATION_BAR, IDC_SATURATION_EDIT, IDC_SATURATION_SPIN, -255, 255, 64}, &FilterValues::saturation, false},
    {{IDC_SHARPNESS_BAR, IDC_SHARPNESS_EDIT, IDC_SHARPNESS_SPIN, 0, 30, 4}, &FilterValues::sharpness, true},
    {{IDC_RED_BAR, IDC_RED_EDIT, IDC_RED_SPIN, 0, 400, 32}, &FilterValues::bayerGainRed, false},
    {{IDC_GREEN_BAR, IDC_GREEN_EDIT, IDC_GREEN_SPIN, 0, 400, 32}, &FilterValues::bayerGainGreen, false},
    {{IDC_BLUE_BAR, IDC_BLUE_EDIT, IDC_BLUE_SPIN, 0, 400, 32}, &FilterValues::bayerGainBlue, false},
    {{IDC_GAMMA_BAR, IDC_GAMMA_EDIT, IDC_GAMMA_SPIN, 0, 200, 32}, &FilterValues::gamma, true},
};

// Gains then offsets, each a trackbar, edit and up-down on consecutive identifiers.
#define GRAY(n, member) {{IDC_GRAY_FIRST + 3 * (n), IDC_GRAY_FIRST + 3 * (n) + 1, IDC_GRAY_FIRST + 3 * (n) + 2, 0, 400, 32}, \
                         &FilterValues::member, true}
const S kGraySettings[] = {GRAY(0, grayGainR),   GRAY(1, grayGainG1),   GRAY(2, grayGainG2),   GRAY(3, grayGainB),
                           GRAY(4, grayOffsetR), GRAY(5, grayOffsetG1), GRAY(6, grayOffsetG2), GRAY(7, grayOffsetB)};
#undef GRAY

} // namespace

CFilterPage::CFilterPage(Kind kind, FilterValues &block, Enabling enabling)
    : m_kind(kind), m_block(block), m_enabling(enabling),
      m_settings(kind == kImage ? kImageSettings : kGraySettings),
      m_count(kind == kImage ? std::size(kImageSettings) : std::size(kGraySettings)) {}

HWND CFilterPage::Create(HWND tab, bool visible) {
    const int id = m_kind == kImage ? dialogs::Pick(IDD_IMAGE_PAGE_JA, IDD_IMAGE_PAGE_EN)
                                    : dialogs::Pick(IDD_GRAY_PAGE_JA, IDD_GRAY_PAGE_EN);
    return dialogs::CreatePage(tab, id, dialogs::Forward<CFilterPage, &CFilterPage::Message>, this, visible);
}

bool CFilterPage::Enabled(const Setting &s) const {
    return m_kind == kGray || m_enabling == kAll || (m_enabling == kMonochrome && s.monochrome);
}

bool CFilterPage::BayerButtonsEnabled() const { return m_kind == kGray || m_enabling == kAll; }

int CFilterPage::CheckedRadio(int first, int last, int otherwise) const {
    for (int id = first; id <= last; ++id)
        if (IsDlgButtonChecked(m_page, id) == BST_CHECKED)
            return id - first;
    return otherwise;
}

const CFilterPage::Setting *CFilterPage::Find(int id) const {
    for (size_t i = 0; i < m_count; ++i)
        if (m_settings[i].triple.bar == id || m_settings[i].triple.edit == id)
            return &m_settings[i];
    return nullptr;
}

void CFilterPage::CheckRadio(int first, int last, int value) {
    // A value outside the buttons' range checks none of them.
    for (int id = first; id <= last; ++id)
        CheckDlgButton(m_page, id, id - first == value ? BST_CHECKED : BST_UNCHECKED);
}

void CFilterPage::Initialise() {
    for (size_t i = 0; i < m_count; ++i)
        dialogs::SetupTriple(m_page, m_settings[i].triple, (m_block.*m_settings[i].value).load(), Enabled(m_settings[i]));
    CheckRadio(IDC_BAYER_0, IDC_BAYER_3, m_block.bayerMode.load());
    if (m_kind == kImage) {
        for (int id : {IDC_AUTO_ONCE, IDC_AUTO_ALL, IDC_BAYER_0, IDC_BAYER_1, IDC_BAYER_2, IDC_BAYER_3})
            EnableWindow(GetDlgItem(m_page, id), BayerButtonsEnabled());
        const bool everyFrame = m_block.bayerGainAuto.load() && !m_block.whiteBalanceOnce.load();
        CheckDlgButton(m_page, IDC_AUTO_ALL, everyFrame ? BST_CHECKED : BST_UNCHECKED);
    } else {
        CheckRadio(IDC_GRAY_MODE_0, IDC_GRAY_MODE_2, m_block.grayMode.load());
        CheckDlgButton(m_page, IDC_AUTO_ALL, m_block.grayGainAuto.load() < 0 ? BST_CHECKED : BST_UNCHECKED);
    }
    m_ready = true;
}

void CFilterPage::Refill() {
    if (!m_page)
        return;
    m_ready = false;
    for (size_t i = 0; i < m_count; ++i)
        dialogs::ShowTriple(m_page, m_settings[i].triple, (m_block.*m_settings[i].value).load());
    CheckRadio(IDC_BAYER_0, IDC_BAYER_3, m_block.bayerMode.load());
    m_ready = true;
}

void CFilterPage::Commit() {
    if (!m_page)
        return;
    for (size_t i = 0; i < m_count; ++i) {
        int value = 0;
        if (Enabled(m_settings[i]) && dialogs::ReadInt(m_page, m_settings[i].triple.edit, &value))
            (m_block.*m_settings[i].value).store(value);
    }
    // Disabled buttons are not kept up to date: the page that can change a value has it.
    if (BayerButtonsEnabled())
        m_block.bayerMode.store(CheckedRadio(IDC_BAYER_0, IDC_BAYER_3, m_block.bayerMode.load()));
    if (m_kind == kGray)
        m_block.grayMode.store(CheckedRadio(IDC_GRAY_MODE_0, IDC_GRAY_MODE_2, m_block.grayMode.load()));
}

void CFilterPage::Clicked(int id) {
    const bool checked = IsDlgButtonChecked(m_page, id) == BST_CHECKED;
    if (id >= IDC_BAYER_0 && id <= IDC_BAYER_3) {
        m_block.bayerMode.store(id - IDC_BAYER_0);
    } else if (id >= IDC_GRAY_MODE_0 && id <= IDC_GRAY_MODE_2) {
        m_block.grayMode.store(id - IDC_GRAY_MODE_0);
    } else if (id == IDC_AUTO_ONCE && m_kind == kImage) {
        // One measurement: the processing clears all three after it.
        m_block.whiteBalanceOnce.store(1);
        m_block.whiteBalanceArmed.store(1);
        m_block.bayerGainAuto.store(1);
        CheckDlgButton(m_page, IDC_AUTO_ALL, BST_UNCHECKED);
    } else if (id == IDC_AUTO_ALL && m_kind == kImage) {
        m_block.whiteBalanceOnce.store(0);
        m_block.whiteBalanceArmed.store(0);
        m_block.bayerGainAuto.store(checked ? 1 : 0);
    } else if (id == IDC_AUTO_ONCE) {
        m_block.grayGainAuto.store(1);
    } else if (id == IDC_AUTO_ALL) {
        // Every frame is -1: the processing counts passes down and never reaches 0 from there.
        m_block.grayGainAuto.store(m_block.grayGainAuto.load() == 0 ? -1 : 0);
    }
}

INT_PTR CFilterPage::Message(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG:
        m_page = window;
        Initialise();
        return FALSE;
    case WM_HSCROLL:
        if (const Setting *s = Find(GetDlgCtrlID(reinterpret_cast<HWND>(lParam)))) {
            const int position = static_cast<int>(SendDlgItemMessageW(window, s->triple.bar, TBM_GETPOS, 0, 0));
            (m_block.*s->value).store(position);
            SetDlgItemInt(window, s->triple.edit, static_cast<UINT>(position), TRUE);
        }
        return TRUE;
    case WM_COMMAND: {
        const int id = LOWORD(wParam);
        int value = 0;
        if (HIWORD(wParam) == BN_CLICKED) {
            Clicked(id);
        } else if (HIWORD(wParam) == EN_CHANGE && m_ready) {
            const Setting *s = Find(id);
            if (s && s->triple.edit == id && dialogs::ReadInt(window, id, &value)) {
                (m_block.*s->value).store(value);
                dialogs::MoveTriple(window, s->triple, value);
            }
        }
        return TRUE;
    }
    default:
        return FALSE;
    }
}
