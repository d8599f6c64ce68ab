#include "dialogs/CImageDialog.h"
#include "VonkelSdk.h"
#include "camera/CVonkel.h"
#include "dialogs/DialogResources.h"
#include "dialogs/DialogTexts.h"
#include <vector>

namespace {

CFilterPage::Enabling EnablingFor(int colorMode) {
    if (colorMode == 0 || colorMode == 1)
        return CFilterPage::kMonochrome;
    return colorMode >= 2 && colorMode <= 5 ? CFilterPage::kAll : CFilterPage::kNone;
}

// Every value of the block the dialog or the processing it starts may change. The
// automatic states come first: Cancel puts them back before the values, so that a
// measurement the dialog started cannot overwrite a value already restored.
Setting FilterValues::*const kSaved[] = {
    &FilterValues::bayerGainAuto, &FilterValues::grayGainAuto,
    &FilterValues::whiteBalanceOnce, &FilterValues::whiteBalanceArmed,
    &FilterValues::brightness,   &FilterValues::contrast,       &FilterValues::hue,
    &FilterValues::saturation,   &FilterValues::sharpness,      &FilterValues::bayerGainRed,
    &FilterValues::bayerGainGreen, &FilterValues::bayerGainBlue, &FilterValues::gamma,
    &FilterValues::bayerMode,    &FilterValues::grayMode,       &FilterValues::grayGainR,
    &FilterValues::grayGainG1,   &FilterValues::grayGainG2,     &FilterValues::grayGainB,
    &FilterValues::grayOffsetR,  &FilterValues::grayOffsetG1,   &FilterValues::grayOffsetG2,
    &FilterValues::grayOffsetB,
};
constexpr size_t kAutomaticStates = 4;

} // namespace

CImageDialog::CImageDialog(CVonkel &camera)
    : m_camera(camera), m_block(camera.EditFilters()),
      m_image(CFilterPage::kImage, m_block, EnablingFor(camera.ColorMode())) {
    if (EnablingFor(camera.ColorMode()) == CFilterPage::kMonochrome)
        m_gray = std::make_unique<CFilterPage>(CFilterPage::kGray, m_block, CFilterPage::kMonochrome);
}

int CImageDialog::Show(HWND parent) {
    std::vector<int32_t> opening;
    for (auto member : kSaved)
        opening.push_back((m_block.*member).load());
    INT_PTR result;
    {
        dialogs::CNotifierScope scope(m_camera, m_notifier);
        result = Run(parent, dialogs::Pick(IDD_IMAGE_FRAME_JA, IDD_IMAGE_FRAME_EN));
    }
    if (result == -1)
        return m_camera.RaiseError(VONKEL_ERR_WINDOW), 0;
    if (result != IDOK)
        Restore(opening);
    return 1;
}

void CImageDialog::Restore(const std::vector<int32_t> &opening) {
    for (size_t i = 0; i < kAutomaticStates; ++i)
        (m_block.*kSaved[i]).store(opening[i]);
    m_camera.WaitForFrameInProgress();
    for (size_t i = kAutomaticStates; i < std::size(kSaved); ++i)
        (m_block.*kSaved[i]).store(opening[i]);
}

void CImageDialog::CreatePages(HWND tab) {
    const dialogs::Texts &texts = dialogs::Japanese() ? dialogs::JapaneseTexts() : dialogs::EnglishTexts();
    AddPage(tab, texts.imageTab, m_image.Create(tab, true));
    if (m_gray)
        AddPage(tab, texts.grayTab, m_gray->Create(tab, false));
}

void CImageDialog::Ok() {
    m_image.Commit();
    if (m_gray)
        m_gray->Commit();
}

void CImageDialog::Default() {
    for (auto member : {&FilterValues::brightness, &FilterValues::contrast, &FilterValues::hue,
                        &FilterValues::saturation, &FilterValues::sharpness})
        (m_block.*member).store(0);
    for (auto member : {&FilterValues::bayerGainRed, &FilterValues::bayerGainGreen, &FilterValues::bayerGainBlue,
                        &FilterValues::gamma})
        (m_block.*member).store(100);
    m_block.bayerMode.store(2);
    m_image.Refill();
    if (!m_gray)
        return;
    // The gray filter mode and the automatic states stay as they are.
    for (auto member : {&FilterValues::grayGainR, &FilterValues::grayGainG1, &FilterValues::grayGainG2,
                        &FilterValues::grayGainB})
        (m_block.*member).store(128);
    for (auto member : {&FilterValues::grayOffsetR, &FilterValues::grayOffsetG1, &FilterValues::grayOffsetG2,
                        &FilterValues::grayOffsetB})
        (m_block.*member).store(0);
    m_gray->Refill();
}

void CImageDialog::FiltersChanged() {
    m_image.Refill();
    if (m_gray)
        m_gray->Refill();
}

int RunImageDialog(CVonkel &camera, HWND parent) {
    if (!camera.Driver())
        return camera.RaiseError(VONKEL_ERR_NO_CAMERA), 0;
    CImageDialog dialog(camera);
    return dialog.Show(parent);
}
