// What the check compares before and after, and the stream format it puts back.
#include "Check.h"
#include <cstdio>

namespace {

// Sensor registers the settings reach: frame length, window, readout direction, gain.
constexpr int kSensorRegisters[] = {724, 725, 726, 800, 801, 802, 803, 804, 805, 806, 807, 1028, 1812, 1813};
// FPGA registers: the frame pixel count and the trigger mode.
constexpr int kFpgaRegisters[] = {0, 1, 2, 3, 11};
// Numbered filter values the library stores per device (1-27: tone, colour, gain,
// exposure, grey processing; 102, 103: the defect filters).
constexpr int kFilterNumbers[] = {1,  2,  3,  4,  5,  7,  8,  9,  10, 11, 12, 13, 14,  15,
                                  16, 17, 18, 19, 20, 21, 22, 23, 24, 25, 26, 27, 102, 103};

// The colour mode as Vonkel_SetColorMode takes it, from the significant bits reported.
int ColorModeToSet(int reported) {
    switch (reported) {
    case 12: return 16;
    case 44: return 48;
    case 60: return 64;
    default: return reported;
    }
}

} // namespace

SettingValues ReadSettings(int h) {
    SettingValues v;
    int ok = 0;
    v.emplace_back("colour mode", Vonkel_GetColorMode(h));
    v.emplace_back("subsampling", Vonkel_GetSubSample(h));
    v.emplace_back("wait time", Vonkel_GetWaitTime(h));
    int window[6] = {};
    Vonkel_GetCaptureWindowEx(h, &window[0], &window[1], &window[2], &window[3], &window[4], &window[5]);
    const char *windowNames[] = {"window TH", "window EHS", "window EH", "window TV", "window EVS", "window EV"};
    for (int i = 0; i < 6; ++i)
        v.emplace_back(windowNames[i], window[i]);
    v.emplace_back("mirror horizontal", Vonkel_GetMirrorH(h));
    v.emplace_back("mirror vertical", Vonkel_GetMirrorV(h));
    v.emplace_back("exposure seconds", Vonkel_GetExposureTimeEx(h, &ok));
    v.emplace_back("automatic iris", Vonkel_GetAutoIris(h, &ok));
    v.emplace_back("listed pixel repair", Vonkel_GetConfigFilter(h));
    for (int n : kFilterNumbers)
        v.emplace_back("filter " + std::to_string(n), Vonkel_GetFilterValue(h, n, &ok));
    for (int a : kSensorRegisters)
        v.emplace_back("sensor register " + std::to_string(a), Vonkel_ReadRegisterEx(h, a, &ok));
    for (int a : kFpgaRegisters)
        v.emplace_back("FPGA register " + std::to_string(a), Vonkel_Fpga_ReadRegister(h, a, &ok));
    // Failed reads of values this camera lacks are expected; none of them is a setting.
    while (Vonkel_GetLastError(h) != 0) {
    }
    return v;
}

std::vector<std::string> CompareSettings(const SettingValues &before, const SettingValues &after) {
    std::vector<std::string> differences;
    for (size_t i = 0; i < before.size() && i < after.size(); ++i)
        if (before[i].second != after[i].second) {
            char text[160];
            std::snprintf(text, sizeof text, "%s: %g -> %g", before[i].first.c_str(), before[i].second,
                          after[i].second);
            differences.push_back(text);
        }
    if (before.size() != after.size())
        differences.push_back("a different number of values");
    return differences;
}

CStreamFormatGuard::CStreamFormatGuard(int h) : m_handle(h) {
    m_colorMode = ColorModeToSet(Vonkel_GetColorMode(h));
    m_subSample = Vonkel_GetSubSample(h);
    m_waitTime = Vonkel_GetWaitTime(h);
    m_exposure = Vonkel_GetExposureTimeEx(h, nullptr);
    Vonkel_GetCaptureWindowEx(h, &m_window[0], &m_window[1], &m_window[2], &m_window[3], &m_window[4], &m_window[5]);
}

bool CStreamFormatGuard::Restore() {
    // Ends whatever mode a failed or interrupted step left running first: the format can
    // change only while the camera is idle.
    Vonkel_StopPreview(m_handle);
    bool ok = Vonkel_SetColorMode(m_handle, m_colorMode) != 0;
    ok = Vonkel_SetSubSample(m_handle, m_subSample) != 0 && ok;
    ok = Vonkel_SetWaitTime(m_handle, m_waitTime) != 0 && ok;
    ok = Vonkel_SetCaptureWindowEx(m_handle, m_window[0], m_window[1], m_window[2], m_window[3], m_window[4],
                                   m_window[5]) != 0 &&
         ok;
    // A new window resets the frame length that a long exposure had stretched.
    if (m_exposure > 0)
        ok = Vonkel_SetExposureTimeEx(m_handle, m_exposure) != 0 && ok;
    return ok;
}
