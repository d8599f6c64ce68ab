// The analog settings dialog: gain, exposure, mirroring and automatic iris, applied to
// the camera as the user edits them; Cancel puts back what the camera had.
#pragma once
#include "dialogs/CTabbedDialog.h"
#include <vector>

class CVonkel;

class CAnalogDialog : public CTabbedDialog {
public:
    explicit CAnalogDialog(CVonkel &camera);
    // 1 when the dialog ran, whatever closed it; 0 with the error recorded otherwise.
    int Show(HWND parent);
    INT_PTR PageMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

private:
    // What the camera had when the dialog opened.
    struct Opening {
        int gain = 0, lines = 1, mirrorV = 0, mirrorH = 0, iris = 0;
        double seconds = 0.0;
        bool setAsLines = false; // the exposure was last given in lines, not seconds
    };
    enum { kGain, kG1, kR, kB, kG2, kExposure, kTripleCount };

    void CreatePages(HWND tab) override;
    void Ok() override;
    void Default() override;
    void AnalogValue(int edit, int value) override;
    void FillTriples(int gain, int lines);
    void FillUnits();
    void ShowExposureValue(int unit);
    void ShowExposureSeconds(double seconds, int unit);
    void WriteMilliseconds();
    void WriteMilliseconds(int lines);
    void EditChanged(int id);
    void ExposureValueChanged();
    void Clicked(int id);
    void UnitChanged();
    void Restore();

    CVonkel &m_camera;
    HWND m_page = nullptr;
    bool m_ready = false;          // edits are taken only once the page is filled
    bool m_textByDialog = false;   // the exposure value edit is being written by the dialog
    std::vector<int> m_units;      // unit of each entry of the unit list
    dialogs::Triple m_triples[kTripleCount];
    Opening m_opening;
};

// The exported entry: the dialog for one camera instance.
int RunAnalogDialog(CVonkel &camera, HWND parent);
