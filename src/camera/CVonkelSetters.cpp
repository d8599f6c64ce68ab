// The numbered filter values and the other parameter setters of a camera instance.
#include "VonkelSdk.h"
#include "camera/CVonkel.h"
#include "image/ImageTraits.h"
#include "platform/SettingsStore.h"
#include "settings/CRegistrySettings.h"
#include "settings/FilterTable.h"
#include <cmath>

namespace {

enum FilterNumber {
    kBrightness = 1, kContrast, kHue, kSaturation, kSharpness, kBayerGainRGB, kBayerGainRed, kBayerGainGreen,
    kBayerGainBlue, kBayerGainAuto, kGamma, kBayerMode, kGlobalGain, kColorGainRed, kColorGainGreen1,
    kColorGainGreen2, kColorGainBlue, kExposureTime, kGrayMode, kGrayGainR, kGrayGainG1, kGrayGainG2, kGrayGainB,
    kGrayOffsetR, kGrayOffsetG1, kGrayOffsetG2, kGrayOffsetB, kGrayGainAuto,
    kPeltier = 100, kTemperature = 101, kDotFilter = 102, kMaskFilter = 103, kNothing = 104,
};

Setting AnalogSettings::*ColorGain(int number) {
    switch (number) {
    case kColorGainRed: return &AnalogSettings::colorR;
    case kColorGainGreen1: return &AnalogSettings::colorG1;
    case kColorGainGreen2: return &AnalogSettings::colorG2;
    default: return &AnalogSettings::colorB;
    }
}

// The millisecond interface counts 707 clocks of 18.333 µs per line.
constexpr int32_t kRealLineCount = 707;
constexpr double kRealLinePeriod = 1.8333486877963878e-05;
constexpr double kRealLineMs = 0.012961775222720462;


} // namespace

int CVonkel::SetFilterValue(int number, uint32_t raw) {
    if (!m_driver)
        return RaiseError(VONKEL_ERR_NO_CAMERA), 0;
    const int32_t value = static_cast<int32_t>(raw);
    if (const FilterDescriptor *f = FindFilter(number)) {
        if (value < f->low || value > f->high)
            return RaiseError(VONKEL_ERR_ARGUMENT), 0;
        (m_filters.*(f->member)).store(value);
        return 1;
    }
    switch (number) {
    case kBayerGainRGB: {
        // One change of three values: a frame sees all of it or none.
        std::lock_guard<std::mutex> lock(m_filterLock);
        m_filters.bayerGainRed.store(raw & 0xFF);
        m_filters.bayerGainGreen.store((raw >> 8) & 0xFF);
        m_filters.bayerGainBlue.store((raw >> 16) & 0xFF);
        return 1;
    }
    case kBayerGainAuto:
        m_filters.bayerGainAuto.store(raw != 0 ? 1 : 0);
        return 1;
    case kGlobalGain:
        if (value < m_driver->GetGainMin() || value > m_driver->GetGainMax())
            return RaiseError(VONKEL_ERR_ARGUMENT), 0;
        ApplyGain(value);
        return 1;
    case kColorGainRed:
    case kColorGainGreen1:
    case kColorGainGreen2:
    case kColorGainBlue:
        if (value != 0)
            return RaiseError(VONKEL_ERR_ARGUMENT), 0;
        (m_analog.*ColorGain(number)).store(0);
        return 1;
    case kExposureTime:
        if (value < m_driver->GetExposureLinesMin() || value > m_driver->GetExposureLinesMax())
            return RaiseError(VONKEL_ERR_ARGUMENT), 0;
        StoreExposureLines(raw);
        m_driver->SetExposureLines(raw);
        return 1;
    case kPeltier:
        if (!m_driver->HasPeltier())
            return RaiseError(VONKEL_ERR_NOT_SUPPORTED), 0;
        return m_driver->SetPeltier(value) ? 1 : 0;
    case kTemperature:
        return RaiseError(VONKEL_ERR_ARGUMENT), 0;
    case kDotFilter:
    case kMaskFilter:
        if (value < 0 || value > 1)
            return RaiseError(VONKEL_ERR_ARGUMENT), 0;
        (number == kDotFilter ? m_dotFilter : m_maskFilter).store(value);
        return 1;
    case kNothing:
        return 0;
    default:
        return RaiseError(VONKEL_ERR_ARGUMENT), 0;
    }
}

int CVonkel::GetFilterValue(int number, int *ok) {
    auto fail = [&](int32_t code, int result) {
        if (ok)
            *ok = 0;
        RaiseError(code);
        return result;
    };
    if (!m_driver)
        return fail(VONKEL_ERR_NO_CAMERA, 0);
    if (ok)
        *ok = 1;
    if (const FilterDescriptor *f = FindFilter(number))
        return (m_filters.*(f->member)).load();
    switch (number) {
    case kBayerGainRGB:
        return (m_filters.bayerGainRed.load() & 0xFF) | (m_filters.bayerGainGreen.load() & 0xFF) << 8 |
               (m_filters.bayerGainBlue.load() & 0xFF) << 16;
    case kBayerGainAuto:
        return m_filters.bayerGainAuto.load();
    case kGlobalGain: {
        int gain = 0;
        if (!m_driver->GetGain(&gain))
            return fail(VONKEL_ERR_REGISTER, 0);
        return static_cast<uint16_t>(gain);
    }
    case kColorGainRed:
    case kColorGainGreen1:
    case kColorGainGreen2:
    case kColorGainBlue:
        return 0;
    case kExposureTime: {
        int lines = 0;
        m_driver->GetExposureLines(&lines);
        return lines;
    }
    case kPeltier:
        if (!m_driver->HasPeltier())
            return fail(VONKEL_ERR_NOT_SUPPORTED, -1);
        return m_driver->GetPeltier();
    case kTemperature:
        return fail(VONKEL_ERR_NOT_SUPPORTED, -1);
    case kDotFilter:
        return m_dotFilter.load();
    case kMaskFilter:
        return m_maskFilter.load();
    case kNothing:
        return -1;
    default:
        return fail(VONKEL_ERR_ARGUMENT, 0);
    }
}

int CVonkel::SetColorMode(int bits) {
    for (int mode = 0; mode < kColorModeCount; ++mode) {
        if (kColorModes[mode].bits == bits) {
            m_colorMode.store(mode);
            return 1;
        }
    }
    return RaiseError(VONKEL_ERR_ARGUMENT), 0;
}

int CVonkel::GetColorModeBits() const {
    int mode = m_colorMode.load();
    return IsColorMode(mode) ? kColorModes[mode].reportedBits : -1;
}

int CVonkel::SetConfigFilter(int value) {
    if (value != 0 && value != 1)
        return RaiseError(VONKEL_ERR_ARGUMENT), 0;
    m_configFilter.store(value);
    return 1;
}

int CVonkel::SetSubSample(int value) {
    if (value != 0 && value != 1)
        return 0;
    m_subSample.store(value);
    return 1;
}

int CVonkel::SetMirrorH(int flag) {
    if (!m_driver)
        return RaiseError(VONKEL_ERR_NO_CAMERA), 0;
    m_driver->SetMirrorH(flag != 0);
    m_analog.mirrorH.store(flag != 0);
    return 1;
}

int CVonkel::SetMirrorV(int flag) {
    if (!m_driver)
        return PostError(VONKEL_ERR_NO_CAMERA), 0;
    m_driver->SetMirrorV(flag != 0);
    m_analog.mirrorV.store(flag != 0);
    return 1;
}

int CVonkel::GetMirrorH() {
    if (!m_driver)
        return RaiseError(VONKEL_ERR_NO_CAMERA), 0;
    return m_analog.mirrorH.load();
}

int CVonkel::GetMirrorV() {
    if (!m_driver)
        return PostError(VONKEL_ERR_NO_CAMERA), 0;
    return m_analog.mirrorV.load();
}

int CVonkel::SetExposureTimeEx(double seconds) {
    if (!m_driver)
        return RaiseError(VONKEL_ERR_NO_CAMERA), 0;
    if (!m_driver->HasRealExposure())
        return RaiseError(VONKEL_ERR_NOT_SUPPORTED), 0;
    if (!m_driver->SetRealExposure(seconds))
        return 0;
    // Kept, so that the next capture start gives the camera this exposure again.
    double applied = seconds;
    m_driver->GetRealExposure(&applied);
    int lines = 0;
    m_driver->GetExposureLines(&lines);
    m_analog.exposureSeconds.store(applied);
    m_analog.exposure.store(lines);
    m_exposureSetAsLines.store(0);
    return 1;
}

double CVonkel::GetExposureTimeEx(int *ok) {
    if (!m_driver) {
        if (ok)
            *ok = 0;
        return RaiseError(VONKEL_ERR_NO_CAMERA), -1.0;
    }
    if (!m_driver->HasRealExposure()) {
        if (ok)
            *ok = 0;
        return RaiseError(VONKEL_ERR_NOT_SUPPORTED), -1.0;
    }
    double seconds = 0.0;
    int result = m_driver->GetRealExposure(&seconds);
    if (ok)
        *ok = result;
    return seconds;
}

int CVonkel::SetRealExposureTime(int microseconds) {
    if (!m_driver)
        return RaiseError(VONKEL_ERR_NO_CAMERA), 0;
    m_realLineCount = kRealLineCount;
    m_realLinePeriod = kRealLinePeriod;
    const double lines = std::trunc(microseconds / 1000.0 / kRealLineMs);
    if (lines < m_driver->GetExposureLinesMin() || lines > m_driver->GetExposureLinesMax())
        return RaiseError(VONKEL_ERR_ARGUMENT), 0;
    m_realExposureLines = static_cast<int32_t>(lines);
    StoreExposureLines(static_cast<uint32_t>(lines));
    m_driver->SetExposureLines(static_cast<uint32_t>(lines));
    return 1;
}

void CVonkel::StoreExposureLines(uint32_t lines) {
    m_analog.exposure.store(static_cast<int32_t>(lines));
    // The same exposure in seconds, for the registry: half a line more, so that it
    // comes back as the same line count; within what the camera takes in seconds.
    double seconds = ((lines + 0.5) * CVonkel430NVTXQELSdk::kLineTimeNs + CVonkel430NVTXQELSdk::kExposureOffsetNs) / 1e9;
    double max = 2.0;
    m_driver->GetRealExposureMax(&max);
    m_analog.exposureSeconds.store(seconds < max ? seconds : max);
    m_exposureSetAsLines.store(1);
}

int CVonkel::SetCaptureWindow(int th, int tv) {
    if (!m_driver)
        return RaiseError(VONKEL_ERR_NO_CAMERA), 0;
    CRegistrySettings registry(*m_services.settings);
    std::vector<CaptureWindow> sizes;
    if (!registry.ReadSizeList(m_deviceNumber, sizes))
        return RaiseError(VONKEL_ERR_WINDOW), 0;
    // The two numbers are the output size the stream format dialog lists ("W x H"); the
    // sensor totals are the same in every entry and could never pick one.
    const CaptureWindow *match = nullptr;
    for (const CaptureWindow &w : sizes) {
        if (w.EH == th && w.EV == tv) {
            match = &w;
            break;
        }
    }
    if (!match)
        return RaiseError(VONKEL_ERR_WINDOW), 0;
    const CaptureWindow chosen = *match;
    // A stored size the camera cannot deliver changes nothing, as for SetCaptureWindowEx.
    if (!CaptureWindowValid(chosen, m_subSample.load()))
        return RaiseError(VONKEL_ERR_CAPTURE_WINDOW), 0;
    UseWindow(chosen);
    return 1;
}

void CVonkel::UseWindow(const CaptureWindow &window) {
    // The capture thread follows the window it reads under the image lock: the camera
    // must stream in that window before the thread reads it, or the thread would copy a
    // frame of the old size into a picture of the new one and count a failed transfer.
    std::lock_guard<std::mutex> lock(m_imageLock);
    m_window = window;
    m_driver->SetWindow(window.EHS, window.EVS, window.EH, window.EV, m_subSample.load());
}

int CVonkel::SetCaptureWindowEx(int th, int hs, int he, int tv, int vs, int ve) {
    if (!m_driver)
        return RaiseError(VONKEL_ERR_NO_CAMERA), 0;
    CaptureWindow candidate = m_window;
    candidate.TH = th;
    candidate.EHS = hs;
    candidate.EH = he;
    candidate.TV = tv;
    candidate.EVS = vs;
    candidate.EV = ve;
    // A refused window changes nothing: the capture keeps the window it had.
    if (!CaptureWindowValid(candidate, m_subSample.load()))
        return RaiseError(VONKEL_ERR_CAPTURE_WINDOW), 0;
    UseWindow(candidate);
    return 1;
}

int CVonkel::GetCaptureWindowEx(int *th, int *hs, int *he, int *tv, int *vs, int *ve) const {
    if (th)
        *th = m_window.TH;
    if (hs)
        *hs = m_window.EHS;
    if (he)
        *he = m_window.EH;
    if (tv)
        *tv = m_window.TV;
    if (vs)
        *vs = m_window.EVS;
    if (ve)
        *ve = m_window.EV;
    return 1;
}

int CVonkel::SetAutoIris(int mode) {
    if (static_cast<unsigned>(mode) > 2u)
        return PostError(VONKEL_ERR_ARGUMENT), 0;
    m_analog.autoIris.store(mode);
    return 1;
}

int CVonkel::GetAutoIris(int *ok) const {
    if (ok)
        *ok = 1;
    return m_analog.autoIris.load();
}

int CVonkel::SetWaitTime(int ms) {
    if (ms < 0)
        return 0;
    m_waitTime.store(ms);
    return 1;
}
