// The image filter dialog, with the gray filter page in the grey colour modes. Changes
// are live in the instance's filter block; Cancel puts back the values it opened with.
#pragma once
#include "dialogs/CFilterPage.h"
#include "dialogs/CTabbedDialog.h"
#include <cstdint>
#include <memory>
#include <vector>

class CVonkel;

class CImageDialog : public CTabbedDialog {
public:
    explicit CImageDialog(CVonkel &camera);
    int Show(HWND parent);

private:
    void CreatePages(HWND tab) override;
    void Ok() override;
    void Default() override;
    void FiltersChanged() override;
    // Cancel: the block as it was when the dialog opened.
    void Restore(const std::vector<int32_t> &opening);

    CVonkel &m_camera;
    FilterValues &m_block;
    CFilterPage m_image;
    std::unique_ptr<CFilterPage> m_gray; // only in the grey colour modes
};

int RunImageDialog(CVonkel &camera, HWND parent);
