// The processing chain that turns each raw frame into the picture of the colour mode:
// defect corrections, automatic exposure or gain, gray processing, demosaic with white
// balance, then hue and saturation, gamma, contrast, sharpness and brightness.
#include "camera/CVonkel.h"
#include "image/Conversions.h"
#include <algorithm>
#include <cstring>

namespace {

constexpr int kMaxBayerGain = 400;
constexpr int kNeutralGrayGain = 128;
constexpr int kSignificantBits16 = 12;

// The routine of a filter step for each colour mode: 8 grey, 16 grey, 24, 32, 48, 64.
struct PerMode {
    ConversionRoutine routines[6];
};
constexpr PerMode kGamma{{conv::Gamma8, conv::Gamma16, conv::Gamma24_32, conv::Gamma24_32, conv::Gamma48_64,
                          conv::Gamma48_64}};
constexpr PerMode kContrast{{conv::Contrast8, conv::Contrast16, conv::Contrast24_32, conv::Contrast24_32,
                             conv::Contrast48_64, conv::Contrast48_64}};
constexpr PerMode kSharpen{{conv::Sharpen8, conv::Sharpen16, conv::Sharpen24_32, conv::Sharpen24_32,
                            conv::Sharpen48_64, conv::Sharpen48_64}};
constexpr PerMode kBrightness{{conv::Brightness8, conv::Brightness16, conv::Brightness24_32, conv::Brightness24_32,
                               conv::Brightness48_64, conv::Brightness48_64}};
constexpr ConversionRoutine kHue[6] = {nullptr, nullptr, conv::Hue24, conv::Hue32, conv::Hue48, conv::Hue64};

// Runs a routine over a whole picture, in place.
int InPlace(CImageBuffer *picture, ConversionRoutine routine, void *block) {
    return CImageBuffer::ApplyConversion(picture, routine, picture, nullptr, 0, 0, block);
}

} // namespace

int CVonkel::AdjustedBayerMode() const {
    int mode = m_filters.bayerMode.load() & 3;
    // The camera turns its readout itself: the colour filter's phase moves with it.
    if (m_analog.mirrorV.load())
        mode ^= 1;
    if (m_analog.mirrorH.load())
        mode ^= 2;
    return mode;
}

void CVonkel::ProcessFrame() {
    const int mode = m_captureColorMode.load();
    const bool wide = mode == 1 || mode == 4 || mode == 5;
    CImageBuffer *raw = m_buffers[wide ? kRaw16 : kRaw8].get();
    CImageBuffer *out = OutputBuffer();
    if (!raw || raw->IsEmpty() || !out)
        return;

    // The sensor-sized references are read where each frame pixel sits on the sensor.
    const int step = m_subSample.load() == 1 ? 2 : 1;
    if (m_configFilter.load()) {
        std::lock_guard<std::recursive_mutex> lock(m_maskLock);
        if (m_driver) {
            defect::SensorView view = defect::ViewOf(m_window.EHS, m_window.EVS, m_window.EH, m_window.EV,
                                                     m_driver->GetWindowFlagH() != 0, m_driver->GetWindowFlagV() != 0,
                                                     m_analog.mirrorH.load() != 0, m_analog.mirrorV.load() != 0);
            view.step = step;
            defect::RepairListed(*raw, m_defects, view);
        }
    }
    AutoIris(raw);
    {
        std::lock_guard<std::recursive_mutex> lock(m_maskLock);
        if (m_maskFilter.load()) {
            const int margin = (m_window.EH == 640 || m_window.EV == 512) ? 2 : 0;
            defect::ApplyMask(*raw, *m_buffers[wide ? kDark16 : kDark8], *m_buffers[wide ? kBright16 : kBright8],
                              m_window.EHS, m_window.EVS, margin, step);
        }
        if (m_dotFilter.load())
            defect::RepairDots(*raw, *m_buffers[wide ? kHot16 : kHot8], *m_buffers[wide ? kDead16 : kDead8],
                               *m_buffers[wide ? kDot16 : kDot8], wide ? defect::kDotThreshold16 : defect::kDotThreshold8,
                               m_window.EHS, m_window.EVS, step);
    }

    const FilterValues &f = m_filters;
    if (mode <= 1) {
        if (f.grayMode.load() == 1) {
            GrayBlock gray{AdjustedBayerMode(), f.grayGainR.load(), f.grayGainG1.load(), f.grayGainG2.load(),
                           f.grayGainB.load(), f.grayOffsetR.load(), f.grayOffsetG1.load(), f.grayOffsetG2.load(),
                           f.grayOffsetB.load(), mode == 1 ? kSignificantBits16 : 8};
            if (m_filters.grayGainAuto.load() != 0) {
                InPlace(raw, conv::MeasureGray, &gray);
                m_filters.grayGainR.store(gray.gainR);
                m_filters.grayGainG1.store(gray.gainG1);
                m_filters.grayGainG2.store(gray.gainG2);
                m_filters.grayGainB.store(gray.gainB);
                if (IDialogNotifier *dialogs = m_dialogs.load())
                    dialogs->FilterValuesChanged();
                m_filters.grayGainAuto.fetch_sub(1);
            }
            const bool neutral = gray.gainR == kNeutralGrayGain && gray.gainG1 == kNeutralGrayGain &&
                                 gray.gainG2 == kNeutralGrayGain && gray.gainB == kNeutralGrayGain;
            if (!neutral)
                InPlace(raw, mode == 1 ? conv::GrayGain16 : conv::GrayGain8, &gray);
        } else if (f.grayMode.load() == 2 && mode == 0) {
            // Grey from the demosaiced colours. (In the 16-bit mode the 8-bit raw buffer is
            // only the display copy, so there is nothing to change.)
            CImageBuffer *color = m_buffers[kColor24].get();
            BayerToColor(color, raw);
            CImageBuffer::ApplyConversion(raw, conv::ColorToGray, color, nullptr, 0, 0);
        }
    } else {
        BayerToColor(out, raw);
    }

    if (mode >= 2 && (f.hue.load() != 0 || f.saturation.load() != 0)) {
        HueBlock hue{f.hue.load(), 0, f.saturation.load(), kSignificantBits16};
        InPlace(out, kHue[mode], &hue);
    }
    if (f.gamma.load() != 100) {
        ValueBlock value{f.gamma.load(), kSignificantBits16};
        InPlace(out, kGamma.routines[mode], &value);
    }
    if (f.contrast.load() != 0) {
        ValueBlock value{f.contrast.load(), kSignificantBits16};
        InPlace(out, kContrast.routines[mode], &value);
    }
    if (f.sharpness.load() != 0) {
        CImageBuffer *scratch = m_buffers[kScratch].get();
        if (scratch && scratch->ImageBytes() == out->ImageBytes() && !scratch->IsEmpty()) {
            std::memcpy(scratch->Pixels(), out->Pixels(), out->ImageBytes());
            ValueBlock value{f.sharpness.load(), kSignificantBits16};
            CImageBuffer::ApplyConversion(out, kSharpen.routines[mode], scratch, nullptr, 0, 0, &value);
        }
    }
    if (f.brightness.load() != 0) {
        ValueBlock value{f.brightness.load(), kSignificantBits16};
        InPlace(out, kBrightness.routines[mode], &value);
    }
}

int CVonkel::BayerToColor(CImageBuffer *color, CImageBuffer *raw) {
    const int mode = AdjustedBayerMode();
    const bool wide = raw->BytesPerPixel() == 2;
    if (m_filters.bayerGainAuto.load()) {
        WhiteBalanceBlock balance{m_filters.bayerGainBlue.load(), m_filters.bayerGainGreen.load(),
                                  m_filters.bayerGainRed.load(), mode};
        InPlace(raw, wide ? conv::MeasureWhiteBalance16 : conv::MeasureWhiteBalance8, &balance);
        m_filters.bayerGainRed.store(std::min(balance.redGain, kMaxBayerGain));
        m_filters.bayerGainGreen.store(std::min(balance.greenGain, kMaxBayerGain));
        m_filters.bayerGainBlue.store(std::min(balance.blueGain, kMaxBayerGain));
        if (IDialogNotifier *dialogs = m_dialogs.load())
            dialogs->FilterValuesChanged();
        // The filter dialog's one-shot request: measured once, then off again.
        if (m_filters.whiteBalanceOnce.load() && m_filters.whiteBalanceArmed.load()) {
            m_filters.bayerGainAuto.store(0);
            m_filters.whiteBalanceOnce.store(0);
            m_filters.whiteBalanceArmed.store(0);
        }
    }
    DemosaicBlock block{mode, m_filters.bayerGainRed.load(), m_filters.bayerGainGreen.load(),
                        m_filters.bayerGainBlue.load()};
    CImageBuffer::ApplyConversion(color, wide ? conv::DemosaicInterior16 : conv::DemosaicInterior8, raw, nullptr, 0,
                                  0, &block);
    CImageBuffer::ApplyConversion(color, wide ? conv::DemosaicBorder16 : conv::DemosaicBorder8, raw, nullptr, 0, 0,
                                  &block);
    return 1;
}

int CVonkel::AutoIris(CImageBuffer *raw) {
    const int irisMode = m_analog.autoIris.load();
    if ((irisMode != 1 && irisMode != 2) || !raw || raw->IsEmpty() || !m_driver)
        return 0;
    const double W = raw->Width(), H = raw->Height();
    const double windows[5][4] = {{0.1, 0.1, 0.2, 0.2}, {0.1, 0.8, 0.2, 0.9}, {0.45, 0.45, 0.55, 0.55},
                                  {0.8, 0.1, 0.9, 0.2}, {0.8, 0.8, 0.9, 0.9}};
    const ConversionRoutine mean = raw->BytesPerPixel() == 2 ? conv::RegionMean16 : conv::RegionMean8;
    double factor = 1.0;
    for (int i = 0; i < 5; ++i) {
        ImageRect rect{static_cast<int32_t>(windows[i][0] * W), static_cast<int32_t>(windows[i][1] * H),
                       static_cast<int32_t>(windows[i][2] * W), static_cast<int32_t>(windows[i][3] * H)};
        const int m = CImageBuffer::ApplyConversion(raw, mean, raw, &rect, rect.left, rect.top);
        if (i == 0)
            factor = m > 200 ? 0.85 : m > 160 ? 0.9 : m < 50 ? 1.1 : m < 100 ? 1.05 : 1.0;
        else
            factor += m > 200 ? -0.15 : m > 160 ? -0.1 : m < 50 ? 0.1 : m < 100 ? 0.05 : 0.0;
    }
    if (factor > 0.6 && factor < 1.2)
        return 1;
    if (irisMode == 2) {
        int gain = 0;
        // Without the camera's gain there is nothing to correct from this frame.
        if (!m_driver->GetGain(&gain))
            return 0;
        int value = static_cast<int>(std::max(gain, 4) * factor);
        value = std::clamp(value, m_driver->GetGainMin(), m_driver->GetGainMax());
        m_driver->SetGain(value);
        m_analog.globalGain.store(value);
        m_analog.colorR.store(value);
        m_analog.colorG1.store(value);
        m_analog.colorG2.store(value);
        m_analog.colorB.store(value);
        if (IDialogNotifier *dialogs = m_dialogs.load())
            dialogs->AnalogValueChanged(IDialogNotifier::kGainEditBox, value);
    } else {
        int lines = 0;
        m_driver->GetExposureLines(&lines);
        int value = std::max(static_cast<int>(lines * factor), 1);
        value = std::clamp(value, m_driver->GetExposureLinesMin(), m_driver->GetExposureLinesMax());
        m_driver->SetExposureLines(static_cast<uint32_t>(value));
        StoreExposureLines(static_cast<uint32_t>(value));
        if (IDialogNotifier *dialogs = m_dialogs.load())
            dialogs->AnalogValueChanged(IDialogNotifier::kExposureEditBox, value);
    }
    return 1;
}
