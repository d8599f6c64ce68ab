// What an open property dialog wants to hear from the camera: the image filter dialog
// reloads its controls after a measurement changed gains, the analog dialog shows a gain
// or exposure that automatic exposure chose, and every dialog ends when the camera is
// released under it.
#pragma once

class IDialogNotifier {
public:
    static constexpr int kGainEditBox = 1015;
    static constexpr int kExposureEditBox = 1027;

    virtual ~IDialogNotifier() = default;
    virtual void FilterValuesChanged() = 0;
    virtual void AnalogValueChanged(int editBox, int value) = 0;
    // The handle is being released: the dialog ends as if cancelled, on its own thread.
    // Never waits for that thread.
    virtual void CameraReleased() = 0;
};
