#include "camera/CAutoExposure.h"
#include "image/Conversions.h"
#include <algorithm>

double CAutoExposure::Factor(const CImageBuffer &raw) {
    const double W = raw.Width(), H = raw.Height();
    static constexpr double kWindows[5][4] = {{0.1, 0.1, 0.2, 0.2},
                                              {0.1, 0.8, 0.2, 0.9},
                                              {0.45, 0.45, 0.55, 0.55},
                                              {0.8, 0.1, 0.9, 0.2},
                                              {0.8, 0.8, 0.9, 0.9}};
    const ConversionRoutine mean = raw.BytesPerPixel() == 2 ? conv::RegionMean16 : conv::RegionMean8;
    // The routines only read: the const_cast serves the one routine signature.
    CImageBuffer *image = const_cast<CImageBuffer *>(&raw);
    double factor = 1.0;
    for (int i = 0; i < 5; ++i) {
        ImageRect rect{static_cast<int32_t>(kWindows[i][0] * W), static_cast<int32_t>(kWindows[i][1] * H),
                       static_cast<int32_t>(kWindows[i][2] * W), static_cast<int32_t>(kWindows[i][3] * H)};
        const int m = CImageBuffer::ApplyConversion(image, mean, image, &rect, rect.left, rect.top);
        if (i == 0)
            factor = m > 200 ? 0.85 : m > 160 ? 0.9 : m < 50 ? 1.1 : m < 100 ? 1.05 : 1.0;
        else
            factor += m > 200 ? -0.15 : m > 160 ? -0.1 : m < 50 ? 0.1 : m < 100 ? 0.05 : 0.0;
    }
    return factor;
}

void CAutoExposure::OnRawFrame(const CImageBuffer &raw) {
    const int mode = m_mode.load();
    if ((mode != 1 && mode != 2) || raw.IsEmpty())
        return;
    const double factor = Factor(raw);
    if (factor > 0.6 && factor < 1.2)
        return;
    int low = 0, high = 0, value = 0;
    int editBox = IDialogNotifier::kExposureEditBox;
    if (mode == 2) {
        int gain = 0;
        // Without the camera's gain there is nothing to correct from this frame.
        if (!m_control.ReadGain(&gain))
            return;
        m_control.GainRange(&low, &high);
        value = std::clamp(static_cast<int>(std::max(gain, 4) * factor), low, high);
        m_control.ApplyGain(value);
        editBox = IDialogNotifier::kGainEditBox;
    } else {
        m_control.ExposureLinesRange(&low, &high);
        value = std::clamp(std::max(static_cast<int>(m_control.ExposureLines() * factor), 1), low, high);
        m_control.ApplyExposureLines(value);
    }
    m_dialogs.AnalogValueChanged(editBox, value);
}
