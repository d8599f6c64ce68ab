// Each frame's way through the processing chain: the settings it is made with, taken
// together at its start, and what it measured, kept for the next frames and shown in an
// open dialog. Also the automatic exposure's way to the camera.
#include "camera/CVonkel.h"
#include "image/ImageTraits.h"
#include "model/WindowTiming.h"

int CVonkel::AdjustedBayerMode() const {
    int mode = m_filters.bayerMode.load() & 3;
    // The camera turns its readout itself: the colour filter's phase moves with it.
    if (m_analog.mirrorV.load())
        mode ^= 1;
    if (m_analog.mirrorH.load())
        mode ^= 2;
    return mode;
}

SensorReadout CVonkel::Readout() const {
    return ReadoutOf(m_window.EHS, m_window.EVS, m_window.EH, m_window.EV, m_subSample.load(),
                     m_analog.mirrorH.load() != 0, m_analog.mirrorV.load() != 0);
}

ProcessingSettings CVonkel::FrameSettings() {
    ProcessingSettings s;
    const FilterValues &f = m_filters;
    std::lock_guard<std::mutex> lock(m_filterLock);
    s.bayerMode = AdjustedBayerMode();
    s.readout = Readout();
    s.maskMargin = m_window.EH == sensor::kWidth || m_window.EV == sensor::kHeight;
    s.configFilter = m_configFilter.load() != 0 && m_driver;
    s.maskFilter = m_maskFilter.load() != 0;
    s.dotFilter = m_dotFilter.load() != 0;
    s.grayMode = f.grayMode.load();
    const Setting *gains[4] = {&f.grayGainR, &f.grayGainG1, &f.grayGainG2, &f.grayGainB};
    const Setting *offsets[4] = {&f.grayOffsetR, &f.grayOffsetG1, &f.grayOffsetG2, &f.grayOffsetB};
    for (int i = 0; i < 4; ++i) {
        s.grayGains[i] = gains[i]->load();
        s.grayOffsets[i] = offsets[i]->load();
    }
    s.measureGray = f.grayGainAuto.load() != 0;
    s.bayerGains[0] = f.bayerGainRed.load();
    s.bayerGains[1] = f.bayerGainGreen.load();
    s.bayerGains[2] = f.bayerGainBlue.load();
    s.measureWhiteBalance = f.bayerGainAuto.load() != 0;
    s.hue = f.hue.load();
    s.saturation = f.saturation.load();
    s.gamma = f.gamma.load();
    s.contrast = f.contrast.load();
    s.sharpness = f.sharpness.load();
    s.brightness = f.brightness.load();
    return s;
}

void CVonkel::ProcessFrame() {
    if (!m_driver)
        return;
    ProcessingResults results;
    m_chain.Process(FrameSettings(), &m_autoExposure, &results);
    KeepMeasurements(results);
}

void CVonkel::KeepMeasurements(const ProcessingResults &r) {
    if (!r.grayMeasured && !r.whiteBalanceMeasured)
        return;
    FilterValues &f = m_filters;
    {
        std::lock_guard<std::mutex> lock(m_filterLock);
        if (r.grayMeasured) {
            f.grayGainR.store(r.grayGains[0]);
            f.grayGainG1.store(r.grayGains[1]);
            f.grayGainG2.store(r.grayGains[2]);
            f.grayGainB.store(r.grayGains[3]);
            f.grayGainAuto.fetch_sub(1); // passes of the measurement still to run
        }
        if (r.whiteBalanceMeasured) {
            f.bayerGainRed.store(r.bayerGains[0]);
            f.bayerGainGreen.store(r.bayerGains[1]);
            f.bayerGainBlue.store(r.bayerGains[2]);
            // The filter dialog's one-shot request: measured once, then off again.
            if (f.whiteBalanceOnce.load() && f.whiteBalanceArmed.load()) {
                f.bayerGainAuto.store(0);
                f.whiteBalanceOnce.store(0);
                f.whiteBalanceArmed.store(0);
            }
        }
    }
    m_dialogs.FilterValuesChanged();
}

bool CVonkel::ReadGain(int *gain) { return m_driver->GetGain(gain); }

void CVonkel::GainRange(int *low, int *high) {
    *low = m_driver->GetGainMin();
    *high = m_driver->GetGainMax();
}

void CVonkel::ApplyGain(int gain) {
    m_driver->SetGain(gain);
    for (Setting *s : {&m_analog.globalGain, &m_analog.colorR, &m_analog.colorG1, &m_analog.colorG2, &m_analog.colorB})
        s->store(gain);
}

int CVonkel::ExposureLines() {
    int lines = 0;
    m_driver->GetExposureLines(&lines);
    return lines;
}

void CVonkel::ExposureLinesRange(int *low, int *high) {
    *low = m_driver->GetExposureLinesMin();
    *high = m_driver->GetExposureLinesMax();
}

void CVonkel::ApplyExposureLines(int lines) {
    m_driver->SetExposureLines(static_cast<uint32_t>(lines));
    StoreExposureLines(static_cast<uint32_t>(lines));
}
