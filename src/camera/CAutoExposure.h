// Automatic exposure and gain: five windows of each raw frame are measured on the 8-bit
// scale and the camera's exposure or gain is moved toward a mid level. It reaches the
// camera only through the narrow control below, so it can be tested without one.
#pragma once
#include "camera/IDialogNotifier.h"
#include "image/CProcessingChain.h"
#include <atomic>

class IExposureControl {
public:
    virtual ~IExposureControl() = default;
    // The camera's current gain; false when it cannot be read.
    [[nodiscard]] virtual bool ReadGain(int *gain) = 0;
    virtual void GainRange(int *low, int *high) = 0;
    // Sets the camera's gain and keeps it as the instance's global and colour gains.
    virtual void ApplyGain(int gain) = 0;
    [[nodiscard]] virtual int ExposureLines() = 0;
    virtual void ExposureLinesRange(int *low, int *high) = 0;
    // Sets the camera's exposure in lines and keeps it as the instance's exposure.
    virtual void ApplyExposureLines(int lines) = 0;
};

class CAutoExposure final : public IRawFrameObserver {
public:
    // `mode` is the instance's setting: 0 off, 1 exposure, 2 gain.
    CAutoExposure(IExposureControl &control, const std::atomic<int32_t> &mode,
                  IDialogNotifier &dialogs)
        : m_control(control), m_mode(mode), m_dialogs(dialogs) {}

    void OnRawFrame(const CImageBuffer &raw) override;
    // The correction factor of a frame; inside (0.6, 1.2) the camera is left alone.
    static double Factor(const CImageBuffer &raw);

private:
    IExposureControl &m_control;
    const std::atomic<int32_t> &m_mode;
    // The open dialogs, told about each correction.
    IDialogNotifier &m_dialogs;
};
