// The stream format dialog: colour mode, image size, subsampling and wait time as the
// registry keeps them per device. Apply and OK write the registry; only OK makes the
// camera instance take them.
#pragma once
#include "settings/CRegistrySettings.h"
#include "dialogs/DialogSupport.h"
#include "dialogs/DialogTexts.h"
#include <string>

class CVonkel;

class CStreamDialog {
public:
    CStreamDialog(CVonkel &camera, int device);
    // IDOK, IDCANCEL, or -1 when the dialog could not be created.
    INT_PTR Run(HWND parent);
    INT_PTR Message(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

private:
    void Initialise();
    void FillLists();
    void ShowSize(int index);
    void ShowSize(const CaptureWindow &entry);
    void Changed(int id, int code);
    // Takes the controls into the table; false, with the size list unchanged, when a
    // custom size finds the table full or the size does not fit the sensor.
    bool Collect();
    void Write();
    std::wstring SizeText(const CaptureWindow &w) const;

    CVonkel &m_camera;
    int m_device;
    HWND m_window = nullptr;
    bool m_ready = false;
    bool m_windowH = false, m_windowV = false;
    const dialogs::Texts &m_texts;
    std::wstring m_colors[6];
    StreamFormatTable m_table;
    dialogs::CPostingNotifier m_notifier;
};

int RunStreamDialog(CVonkel &camera, HWND parent);
