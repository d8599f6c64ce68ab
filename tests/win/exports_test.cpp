// The whole export table as an application sees it: failure values for handles that are
// not registered, the named filter forwards, and the parameter setters' rules.
#include "win/DllSupport.h"
#include <gtest/gtest.h>
#include <cstring>
#include <functional>
#include <string>

namespace {

struct Export {
    const char *name;
    double failure;
    std::function<double()> call;
};

// Calls every export that takes a handle with `h` and fairly harmless arguments.
std::vector<Export> AllExports(int h, char (&names)[12][256], wchar_t (&wnames)[12][256], char *text, wchar_t *wtext,
                               unsigned char *bytes, int &out, VONKEL_CAMERA_INFO &info) {
    return {
        {"Vonkel_Release", 0, [&] { return double(Vonkel_Release(h)); }},
        {"Vonkel_GetLastError", 0, [&] { return double(Vonkel_GetLastError(h)); }},
        {"Vonkel_SetDeviceNumber", 0, [&] { return double(Vonkel_SetDeviceNumber(h, 1)); }},
        {"Vonkel_EnumDevice", 0, [&] { return double(Vonkel_EnumDevice(h, names)); }},
        {"Vonkel_EnumDeviceW", 0, [&] { return double(Vonkel_EnumDeviceW(h, wnames)); }},
        {"Vonkel_GetDeviceName", 0, [&] { return double(Vonkel_GetDeviceName(h, 1, text, 1)); }},
        {"Vonkel_GetDeviceNameW", 0, [&] { return double(Vonkel_GetDeviceNameW(h, 1, wtext, 1)); }},
        {"Vonkel_GetCameraInfo", 0, [&] { return double(Vonkel_GetCameraInfo(h, &info)); }},
        {"Vonkel_Width", 0, [&] { return double(Vonkel_Width(h)); }},
        {"Vonkel_Height", 0, [&] { return double(Vonkel_Height(h)); }},
        {"Vonkel_ReadRegister", 0, [&] { return double(Vonkel_ReadRegister(h, 1, &out)); }},
        {"Vonkel_ReadRegisterEx", 0, [&] { return double(Vonkel_ReadRegisterEx(h, 1, &out)); }},
        {"Vonkel_WriteRegister", 0, [&] { return double(Vonkel_WriteRegister(h, 1, 1)); }},
        {"Vonkel_WriteRegisterEx", 0, [&] { return double(Vonkel_WriteRegisterEx(h, 1, 1)); }},
        {"Vonkel_Fpga_ReadRegister", 0, [&] { return double(Vonkel_Fpga_ReadRegister(h, 1, &out)); }},
        {"Vonkel_Fpga_WriteRegister", 0, [&] { return double(Vonkel_Fpga_WriteRegister(h, 1, 1)); }},
        {"Vonkel_GetIOPort", 0, [&] { return double(Vonkel_GetIOPort(h, bytes, 1, 1)); }},
        {"Vonkel_SetIOPort", 0, [&] { return double(Vonkel_SetIOPort(h, 1)); }},
        {"Vonkel_ReadSerialNumberA", 0, [&] { return double(Vonkel_ReadSerialNumberA(h, text, 1)); }},
        {"Vonkel_ReadSerialNumberW", 0, [&] { return double(Vonkel_ReadSerialNumberW(h, wtext, 1)); }},
        {"Vonkel_ReadSromID", 0, [&] { return double(Vonkel_ReadSromID(h, 1, &out)); }},
        {"Vonkel_WriteSromID", 0, [&] { return double(Vonkel_WriteSromID(h, 1, 1)); }},
        {"Vonkel_GetTemperatureEx", 0.0, [&] { return double(Vonkel_GetTemperatureEx(h, &out)); }},
        {"Vonkel_SetFilterValue", 0, [&] { return double(Vonkel_SetFilterValue(h, 1, 1)); }},
        {"Vonkel_GetFilterValue", 0, [&] { return double(Vonkel_GetFilterValue(h, 1, &out)); }},
        {"Vonkel_SetBrightness", 0, [&] { return double(Vonkel_SetBrightness(h, 1)); }},
        {"Vonkel_GetBrightness", 0, [&] { return double(Vonkel_GetBrightness(h, &out)); }},
        {"Vonkel_SetContrast", 0, [&] { return double(Vonkel_SetContrast(h, 1)); }},
        {"Vonkel_GetContrast", 0, [&] { return double(Vonkel_GetContrast(h, &out)); }},
        {"Vonkel_SetHue", 0, [&] { return double(Vonkel_SetHue(h, 1)); }},
        {"Vonkel_GetHue", 0, [&] { return double(Vonkel_GetHue(h, &out)); }},
        {"Vonkel_SetSaturation", 0, [&] { return double(Vonkel_SetSaturation(h, 1)); }},
        {"Vonkel_GetSaturation", 0, [&] { return double(Vonkel_GetSaturation(h, &out)); }},
        {"Vonkel_SetSharpness", 0, [&] { return double(Vonkel_SetSharpness(h, 1)); }},
        {"Vonkel_GetSharpness", 0, [&] { return double(Vonkel_GetSharpness(h, &out)); }},
        {"Vonkel_SetBayerGainRGB", 0, [&] { return double(Vonkel_SetBayerGainRGB(h, 1)); }},
        {"Vonkel_GetBayerGainRGB", 0, [&] { return double(Vonkel_GetBayerGainRGB(h, &out)); }},
        {"Vonkel_SetBayerGainRed", 0, [&] { return double(Vonkel_SetBayerGainRed(h, 1)); }},
        {"Vonkel_GetBayerGainRed", 0, [&] { return double(Vonkel_GetBayerGainRed(h, &out)); }},
        {"Vonkel_SetBayerGainGreen", 0, [&] { return double(Vonkel_SetBayerGainGreen(h, 1)); }},
        {"Vonkel_GetBayerGainGreen", 0, [&] { return double(Vonkel_GetBayerGainGreen(h, &out)); }},
        {"Vonkel_SetBayerGainBlue", 0, [&] { return double(Vonkel_SetBayerGainBlue(h, 1)); }},
        {"Vonkel_GetBayerGainBlue", 0, [&] { return double(Vonkel_GetBayerGainBlue(h, &out)); }},
        {"Vonkel_SetBayerGainAuto", 0, [&] { return double(Vonkel_SetBayerGainAuto(h, 1)); }},
        {"Vonkel_GetBayerGainAuto", 0, [&] { return double(Vonkel_GetBayerGainAuto(h, &out)); }},
        {"Vonkel_SetGamma", 0, [&] { return double(Vonkel_SetGamma(h, 1)); }},
        {"Vonkel_GetGamma", 0, [&] { return double(Vonkel_GetGamma(h, &out)); }},
        {"Vonkel_SetBayerMode", 0, [&] { return double(Vonkel_SetBayerMode(h, 1)); }},
        {"Vonkel_GetBayerMode", 0, [&] { return double(Vonkel_GetBayerMode(h, &out)); }},
        {"Vonkel_SetGlobalGain", 0, [&] { return double(Vonkel_SetGlobalGain(h, 1)); }},
        {"Vonkel_GetGlobalGain", 0, [&] { return double(Vonkel_GetGlobalGain(h, &out)); }},
        {"Vonkel_SetColorGainRed", 0, [&] { return double(Vonkel_SetColorGainRed(h, 1)); }},
        {"Vonkel_GetColorGainRed", 0, [&] { return double(Vonkel_GetColorGainRed(h, &out)); }},
        {"Vonkel_SetColorGainGreen1", 0, [&] { return double(Vonkel_SetColorGainGreen1(h, 1)); }},
        {"Vonkel_GetColorGainGreen1", 0, [&] { return double(Vonkel_GetColorGainGreen1(h, &out)); }},
        {"Vonkel_SetColorGainGreen2", 0, [&] { return double(Vonkel_SetColorGainGreen2(h, 1)); }},
        {"Vonkel_GetColorGainGreen2", 0, [&] { return double(Vonkel_GetColorGainGreen2(h, &out)); }},
        {"Vonkel_SetColorGainBlue", 0, [&] { return double(Vonkel_SetColorGainBlue(h, 1)); }},
        {"Vonkel_GetColorGainBlue", 0, [&] { return double(Vonkel_GetColorGainBlue(h, &out)); }},
        {"Vonkel_SetExposureTime", 0, [&] { return double(Vonkel_SetExposureTime(h, 1)); }},
        {"Vonkel_GetExposureTime", 0, [&] { return double(Vonkel_GetExposureTime(h, &out)); }},
        {"Vonkel_SetGrayMode", 0, [&] { return double(Vonkel_SetGrayMode(h, 1)); }},
        {"Vonkel_GetGrayMode", 0, [&] { return double(Vonkel_GetGrayMode(h, &out)); }},
        {"Vonkel_SetGrayGainR", 0, [&] { return double(Vonkel_SetGrayGainR(h, 1)); }},
        {"Vonkel_GetGrayGainR", 0, [&] { return double(Vonkel_GetGrayGainR(h, &out)); }},
        {"Vonkel_SetGrayGainG1", 0, [&] { return double(Vonkel_SetGrayGainG1(h, 1)); }},
        {"Vonkel_GetGrayGainG1", 0, [&] { return double(Vonkel_GetGrayGainG1(h, &out)); }},
        {"Vonkel_SetGrayGainG2", 0, [&] { return double(Vonkel_SetGrayGainG2(h, 1)); }},
        {"Vonkel_GetGrayGainG2", 0, [&] { return double(Vonkel_GetGrayGainG2(h, &out)); }},
        {"Vonkel_SetGrayGainB", 0, [&] { return double(Vonkel_SetGrayGainB(h, 1)); }},
        {"Vonkel_GetGrayGainB", 0, [&] { return double(Vonkel_GetGrayGainB(h, &out)); }},
        {"Vonkel_SetGrayOffsetR", 0, [&] { return double(Vonkel_SetGrayOffsetR(h, 1)); }},
        {"Vonkel_GetGrayOffsetR", 0, [&] { return double(Vonkel_GetGrayOffsetR(h, &out)); }},
        {"Vonkel_SetGrayOffsetG1", 0, [&] { return double(Vonkel_SetGrayOffsetG1(h, 1)); }},
        {"Vonkel_GetGrayOffsetG1", 0, [&] { return double(Vonkel_GetGrayOffsetG1(h, &out)); }},
        {"Vonkel_SetGrayOffsetG2", 0, [&] { return double(Vonkel_SetGrayOffsetG2(h, 1)); }},
        {"Vonkel_GetGrayOffsetG2", 0, [&] { return double(Vonkel_GetGrayOffsetG2(h, &out)); }},
        {"Vonkel_SetGrayOffsetB", 0, [&] { return double(Vonkel_SetGrayOffsetB(h, 1)); }},
        {"Vonkel_GetGrayOffsetB", 0, [&] { return double(Vonkel_GetGrayOffsetB(h, &out)); }},
        {"Vonkel_SetPeltier", 0, [&] { return double(Vonkel_SetPeltier(h, 1)); }},
        {"Vonkel_GetPeltier", 0, [&] { return double(Vonkel_GetPeltier(h, &out)); }},
        {"Vonkel_GetTemperature", 0, [&] { return double(Vonkel_GetTemperature(h, &out)); }},
        {"Vonkel_SetDotFilter", 0, [&] { return double(Vonkel_SetDotFilter(h, 1)); }},
        {"Vonkel_GetDotFilter", 0, [&] { return double(Vonkel_GetDotFilter(h, &out)); }},
        {"Vonkel_SetMaskFilter", 0, [&] { return double(Vonkel_SetMaskFilter(h, 1)); }},
        {"Vonkel_GetMaskFilter", 0, [&] { return double(Vonkel_GetMaskFilter(h, &out)); }},
        {"Vonkel_SetColorMode", 0, [&] { return double(Vonkel_SetColorMode(h, 1)); }},
        {"Vonkel_GetColorMode", -1, [&] { return double(Vonkel_GetColorMode(h)); }},
        {"Vonkel_SetConfigFilter", 0, [&] { return double(Vonkel_SetConfigFilter(h, 1)); }},
        {"Vonkel_GetConfigFilter", 0, [&] { return double(Vonkel_GetConfigFilter(h)); }},
        {"Vonkel_SetSubSample", 0, [&] { return double(Vonkel_SetSubSample(h, 1)); }},
        {"Vonkel_GetSubSample", -1, [&] { return double(Vonkel_GetSubSample(h)); }},
        {"Vonkel_SetWaitTime", 0, [&] { return double(Vonkel_SetWaitTime(h, 1)); }},
        {"Vonkel_GetWaitTime", -1, [&] { return double(Vonkel_GetWaitTime(h)); }},
        {"Vonkel_SetMirrorH", 0, [&] { return double(Vonkel_SetMirrorH(h, 1)); }},
        {"Vonkel_SetMirrorV", 0, [&] { return double(Vonkel_SetMirrorV(h, 1)); }},
        {"Vonkel_GetMirrorH", 0, [&] { return double(Vonkel_GetMirrorH(h)); }},
        {"Vonkel_GetMirrorV", 0, [&] { return double(Vonkel_GetMirrorV(h)); }},
        {"Vonkel_SetExposureTimeEx", 0, [&] { return double(Vonkel_SetExposureTimeEx(h, 0.01)); }},
        {"Vonkel_GetExposureTimeEx", 0.0, [&] { return double(Vonkel_GetExposureTimeEx(h, &out)); }},
        {"Vonkel_SetRealExposureTime", 0, [&] { return double(Vonkel_SetRealExposureTime(h, 1)); }},
        {"Vonkel_SetAutoIris", 0, [&] { return double(Vonkel_SetAutoIris(h, 1)); }},
        {"Vonkel_GetAutoIris", 0, [&] { return double(Vonkel_GetAutoIris(h, &out)); }},
        {"Vonkel_SetCaptureWindow", 0, [&] { return double(Vonkel_SetCaptureWindow(h, 1, 1)); }},
        {"Vonkel_SetCaptureWindowEx", 0, [&] { return double(Vonkel_SetCaptureWindowEx(h, 1, 1, 1, 1, 1, 1)); }},
        {"Vonkel_GetCaptureWindowEx", 0, [&] { return double(Vonkel_GetCaptureWindowEx(h, &out, &out, &out, &out, &out, &out)); }},
        {"Vonkel_StartPreview", 0, [&] { return double(Vonkel_StartPreview(h)); }},
        {"Vonkel_StopPreview", 0, [&] { return double(Vonkel_StopPreview(h)); }},
        {"Vonkel_Preview", 0, [&] { return double(Vonkel_Preview(h)); }},
        {"Vonkel_CallBackPreview", 0, [&] { return double(Vonkel_CallBackPreview(h, nullptr, bytes, 1, 1)); }},
        {"Vonkel_Capture", 0, [&] { return double(Vonkel_Capture(h)); }},
        {"Vonkel_SnapShot", 0, [&] { return double(Vonkel_SnapShot(h, bytes, 1, 1)); }},
        {"Vonkel_GetImage", 0, [&] { return double(Vonkel_GetImage(h, bytes, 1, 1)); }},
        {"Vonkel_Trigger", 0, [&] { return double(Vonkel_Trigger(h, nullptr, bytes, 1, 1)); }},
        {"Vonkel_Close", 0, [&] { return double(Vonkel_Close(h)); }},
        {"Vonkel_SetPreviewWindow", 0, [&] { return double(Vonkel_SetPreviewWindow(h, nullptr, 1, 1, 1, 1)); }},
        {"Vonkel_GetRealExposureTime", 0, [&] { return double(Vonkel_GetRealExposureTime(h, &out)); }},
        {"Vonkel_UpdateMaskData", 0, [&] { return double(Vonkel_UpdateMaskData(h, 1)); }},
        {"Vonkel_SaveImage", 0, [&] { return double(Vonkel_SaveImage(h, "x", 0)); }},
        {"Vonkel_SaveImageW", 0, [&] { return double(Vonkel_SaveImageW(h, L"x", 0)); }},
        {"Vonkel_SaveMaskFile", 0, [&] { return double(Vonkel_SaveMaskFile(h, "x")); }},
        {"Vonkel_SaveMaskFileW", 0, [&] { return double(Vonkel_SaveMaskFileW(h, L"x")); }},
        {"Vonkel_LoadMaskFile", 0, [&] { return double(Vonkel_LoadMaskFile(h, "x")); }},
        {"Vonkel_LoadMaskFileW", 0, [&] { return double(Vonkel_LoadMaskFileW(h, L"x")); }},
        {"Vonkel_LoadConfigFileA", 0, [&] { return double(Vonkel_LoadConfigFileA(h, "x")); }},
        {"Vonkel_LoadConfigFileW", 0, [&] { return double(Vonkel_LoadConfigFileW(h, L"x")); }},
        {"Vonkel_Record", 0, [&] { return double(Vonkel_Record(h, "x.avi", 0, 0)); }},
        {"Vonkel_RecordW", 0, [&] { return double(Vonkel_RecordW(h, L"x.avi", 0, 0)); }},
        {"Vonkel_Fps", 0, [&] { return double(Vonkel_Fps(h)); }},
        {"Vonkel_GetHalfClock", 0, [&] { return double(Vonkel_GetHalfClock(h)); }},
        {"Vonkel_SetHalfClock", 0, [&] { return double(Vonkel_SetHalfClock(h)); }},
        {"Vonkel_GetInternalCorrection", 0, [&] { return double(Vonkel_GetInternalCorrection(h)); }},
        {"Vonkel_SetInternalCorrection", 0, [&] { return double(Vonkel_SetInternalCorrection(h)); }},
        {"Vonkel_SetCrossbar", 0, [&] { return double(Vonkel_SetCrossbar(h)); }},
        {"Vonkel_GetSamplingRate", 0, [&] { return double(Vonkel_GetSamplingRate(h, &out)); }},
        {"Vonkel_GetVideoFormat", 0, [&] { return double(Vonkel_GetVideoFormat(h, &out)); }},
        {"Vonkel_SetSamplingRate", 0, [&] { return double(Vonkel_SetSamplingRate(h)); }},
        {"Vonkel_GetStatus", 0, [&] { return double(Vonkel_GetStatus(h, 1)); }},
        {"Vonkel_SetAnalogDlg", 0, [&] { return double(Vonkel_SetAnalogDlg(h, nullptr)); }},
        {"Vonkel_SetImageDlg", 0, [&] { return double(Vonkel_SetImageDlg(h, nullptr)); }},
        {"Vonkel_SetCameraDlg", 0, [&] { return double(Vonkel_SetCameraDlg(h, nullptr)); }},
    };
}

TEST(DllExportTable, EveryExportRefusesAnUnregisteredHandleAndRecordsNothing) {
    CTestWindow window;
    CCamera live(window.Handle());
    window.Take(VONKEL_WM_ERROR);
    char names[12][256];
    wchar_t wnames[12][256];
    char text[64] = "untouched";
    wchar_t wtext[64] = L"untouched";
    unsigned char bytes[16] = {};
    VONKEL_CAMERA_INFO info{};
    info.size = 56;
    for (int h : {0, 12345, static_cast<int>(live) + 1}) {
        if (h == static_cast<int>(live))
            continue;
        int out = 77;
        auto exports = AllExports(h, names, wnames, text, wtext, bytes, out, info);
        ASSERT_EQ(141u, exports.size()) << "every export but Vonkel_Initialize and Vonkel_GetDllVersion";
        for (const Export &e : exports) {
            EXPECT_EQ(e.failure, e.call()) << e.name << " with handle " << h;
            EXPECT_EQ(77, out) << e.name << " wrote its output";
        }
    }
    EXPECT_STREQ("untouched", text);
    EXPECT_EQ(0, info.width);
    EXPECT_TRUE(live.Drain().empty()) << "no instance recorded anything";
    EXPECT_TRUE(window.Take(VONKEL_WM_ERROR).empty());
    EXPECT_TRUE(TakeThreadMessages(VONKEL_WM_ERROR).empty());
}

// The named filter exports are Vonkel_SetFilterValue / Vonkel_GetFilterValue with their
// numbers: same results, same errors.
TEST(DllExportTable, NamedFiltersBehaveLikeTheirNumbers) {
    using Set = int(VONKELAPI *)(int, int);
    using Get = int(VONKELAPI *)(int, int *);
    struct Named {
        const char *name;
        int number;
        Set set;
        Get get;
    };
    const Named filters[] = {
        {"Brightness", 1, Vonkel_SetBrightness, Vonkel_GetBrightness},
        {"Contrast", 2, Vonkel_SetContrast, Vonkel_GetContrast},
        {"Hue", 3, Vonkel_SetHue, Vonkel_GetHue},
        {"Saturation", 4, Vonkel_SetSaturation, Vonkel_GetSaturation},
        {"Sharpness", 5, Vonkel_SetSharpness, Vonkel_GetSharpness},
        {"BayerGainRGB", 6, Vonkel_SetBayerGainRGB, Vonkel_GetBayerGainRGB},
        {"BayerGainRed", 7, Vonkel_SetBayerGainRed, Vonkel_GetBayerGainRed},
        {"BayerGainGreen", 8, Vonkel_SetBayerGainGreen, Vonkel_GetBayerGainGreen},
        {"BayerGainBlue", 9, Vonkel_SetBayerGainBlue, Vonkel_GetBayerGainBlue},
        {"BayerGainAuto", 10, Vonkel_SetBayerGainAuto, Vonkel_GetBayerGainAuto},
        {"Gamma", 11, Vonkel_SetGamma, Vonkel_GetGamma},
        {"BayerMode", 12, Vonkel_SetBayerMode, Vonkel_GetBayerMode},
        {"GlobalGain", 13, Vonkel_SetGlobalGain, Vonkel_GetGlobalGain},
        {"ColorGainRed", 14, Vonkel_SetColorGainRed, Vonkel_GetColorGainRed},
        {"ColorGainGreen1", 15, Vonkel_SetColorGainGreen1, Vonkel_GetColorGainGreen1},
        {"ColorGainGreen2", 16, Vonkel_SetColorGainGreen2, Vonkel_GetColorGainGreen2},
        {"ColorGainBlue", 17, Vonkel_SetColorGainBlue, Vonkel_GetColorGainBlue},
        {"ExposureTime", 18, Vonkel_SetExposureTime, Vonkel_GetExposureTime},
        {"GrayMode", 19, Vonkel_SetGrayMode, Vonkel_GetGrayMode},
        {"GrayGainR", 20, Vonkel_SetGrayGainR, Vonkel_GetGrayGainR},
        {"GrayGainG1", 21, Vonkel_SetGrayGainG1, Vonkel_GetGrayGainG1},
        {"GrayGainG2", 22, Vonkel_SetGrayGainG2, Vonkel_GetGrayGainG2},
        {"GrayGainB", 23, Vonkel_SetGrayGainB, Vonkel_GetGrayGainB},
        {"GrayOffsetR", 24, Vonkel_SetGrayOffsetR, Vonkel_GetGrayOffsetR},
        {"GrayOffsetG1", 25, Vonkel_SetGrayOffsetG1, Vonkel_GetGrayOffsetG1},
        {"GrayOffsetG2", 26, Vonkel_SetGrayOffsetG2, Vonkel_GetGrayOffsetG2},
        {"GrayOffsetB", 27, Vonkel_SetGrayOffsetB, Vonkel_GetGrayOffsetB},
        {"Peltier", 100, Vonkel_SetPeltier, Vonkel_GetPeltier},
        {"DotFilter", 102, Vonkel_SetDotFilter, Vonkel_GetDotFilter},
        {"MaskFilter", 103, Vonkel_SetMaskFilter, Vonkel_GetMaskFilter},
    };
    CCamera named, numbered;
    const int values[] = {-400, -256, -255, -128, -1, 0, 1, 2, 3, 30, 31, 100, 127, 128, 200, 255, 256, 400, 401, 420,
                          421, 0x00C86432, 16777200, 16777201};
    for (const Named &f : filters) {
        for (int v : values) {
            SCOPED_TRACE(std::string(f.name) + " = " + std::to_string(v));
            EXPECT_EQ(Vonkel_SetFilterValue(numbered, f.number, v), f.set(named, v));
            EXPECT_EQ(numbered.Drain(), named.Drain());
            int okNamed = -5, okNumbered = -5;
            EXPECT_EQ(Vonkel_GetFilterValue(numbered, f.number, &okNumbered), f.get(named, &okNamed));
            EXPECT_EQ(okNumbered, okNamed);
            EXPECT_EQ(numbered.Drain(), named.Drain());
        }
    }
    int okNamed = -5, okNumbered = -5;
    EXPECT_EQ(Vonkel_GetFilterValue(numbered, 101, &okNumbered), Vonkel_GetTemperature(named, &okNamed));
    EXPECT_EQ(okNumbered, okNamed);
    EXPECT_EQ(numbered.Drain(), named.Drain());
}

TEST(DllSetters, RangesAndTheirErrors) {
    CCamera cam;
    int ok = 0;
    EXPECT_EQ(1, Vonkel_SetBrightness(cam, -255));
    EXPECT_EQ(1, Vonkel_SetBrightness(cam, 255));
    EXPECT_EQ(0, Vonkel_SetBrightness(cam, 256));
    EXPECT_EQ((std::vector<int>{VONKEL_ERR_ARGUMENT}), cam.Drain());
    EXPECT_EQ(255, Vonkel_GetBrightness(cam, &ok)) << "a refused value changes nothing";
    EXPECT_EQ(1, Vonkel_SetHue(cam, -360));
    EXPECT_EQ(1, Vonkel_SetHue(cam, 360));
    const int rgb = 50 | 100 << 8 | 200 << 16;
    EXPECT_EQ(1, Vonkel_SetBayerGainRGB(cam, rgb));
    EXPECT_EQ(50, Vonkel_GetBayerGainRed(cam, &ok));
    EXPECT_EQ(100, Vonkel_GetBayerGainGreen(cam, &ok));
    EXPECT_EQ(200, Vonkel_GetBayerGainBlue(cam, &ok));
    EXPECT_EQ(rgb, Vonkel_GetBayerGainRGB(cam, &ok));
    EXPECT_EQ(0, Vonkel_SetColorGainRed(cam, 1));
    EXPECT_EQ(1, Vonkel_SetColorGainRed(cam, 0));
    EXPECT_EQ(1, Vonkel_SetColorMode(cam, 16));
    EXPECT_EQ(12, Vonkel_GetColorMode(cam));
    EXPECT_EQ(0, Vonkel_SetColorMode(cam, 12));
    EXPECT_EQ((std::vector<int>{VONKEL_ERR_ARGUMENT, VONKEL_ERR_ARGUMENT}), cam.Drain());
    EXPECT_EQ(0, Vonkel_SetSubSample(cam, 2));
    EXPECT_TRUE(cam.Drain().empty()) << "a silent refusal";
    EXPECT_EQ(0, Vonkel_SetFilterValue(cam, 104, 5));
    EXPECT_TRUE(cam.Drain().empty());
    EXPECT_EQ(-1, Vonkel_GetFilterValue(cam, 104, &ok));
    EXPECT_EQ(1, ok);
    EXPECT_EQ(-1, Vonkel_GetPeltier(cam, &ok));
    EXPECT_EQ(0, ok);
    EXPECT_EQ((std::vector<int>{VONKEL_ERR_NOT_SUPPORTED}), cam.Drain());
    EXPECT_EQ(0, Vonkel_SetRealExposureTime(cam, 12)) << "0.93 lines truncate to 0";
    EXPECT_EQ((std::vector<int>{VONKEL_ERR_ARGUMENT}), cam.Drain());
    EXPECT_EQ(1, Vonkel_SetRealExposureTime(cam, 12962));
    EXPECT_EQ(1000, Vonkel_GetExposureTime(cam, &ok));
    EXPECT_EQ(12961, Vonkel_GetRealExposureTime(cam, &ok)) << "1000 lines of 12.96 us, in the unit it was given";
    EXPECT_EQ(0, Vonkel_SetWaitTime(cam, -1));
    EXPECT_EQ(1, Vonkel_SetWaitTime(cam, 25));
    EXPECT_EQ(25, Vonkel_GetWaitTime(cam));
    EXPECT_EQ(0, Vonkel_SetAutoIris(cam, 3));
    EXPECT_TRUE(cam.Drain().empty()) << "post only";
    EXPECT_EQ(-1, Vonkel_GetColorMode(0));
    EXPECT_EQ(0, Vonkel_Width(0));
}

TEST(DllSetters, RefusedCaptureWindowChangesNothing) {
    CCamera cam;
    ASSERT_EQ(1, Vonkel_SetCaptureWindowEx(cam, 640, 64, 320, 512, 32, 240));
    EXPECT_EQ(0, Vonkel_SetCaptureWindowEx(cam, 640, 100, 600, 512, 0, 512)) << "700 > 640";
    EXPECT_EQ((std::vector<int>{VONKEL_ERR_CAPTURE_WINDOW}), cam.Drain());
    int th = 0, hs = 0, he = 0, tv = 0, vs = 0, ve = 0;
    ASSERT_EQ(1, Vonkel_GetCaptureWindowEx(cam, &th, &hs, &he, &tv, &vs, &ve));
    EXPECT_EQ(64, hs);
    EXPECT_EQ(320, he);
    EXPECT_EQ(32, vs);
    EXPECT_EQ(240, ve);
    EXPECT_EQ(1, Vonkel_GetCaptureWindowEx(cam, nullptr, nullptr, &he, nullptr, nullptr, nullptr));
    EXPECT_EQ(320, Vonkel_Width(cam));
}

TEST(DllSetters, ExposureInSecondsOnAnUnregisteredHandle) {
    int ok = 7;
    EXPECT_EQ(0.0, Vonkel_GetExposureTimeEx(0, &ok));
    EXPECT_EQ(7, ok);
    CCamera cam;
    ASSERT_EQ(1, Vonkel_SetExposureTimeEx(cam, 0.5));
    EXPECT_DOUBLE_EQ(0.5, Vonkel_GetExposureTimeEx(cam, &ok));
    EXPECT_EQ(1, ok);
}

TEST(DllSetters, WidePathsConvertIntoAThousandAndTwentyFourBytes) {
    CCamera cam;
    std::wstring fits(1023, L'a'), tooLong(1024, L'a');
    // Converted, then refused by the loader as a missing file: no error of its own.
    EXPECT_EQ(0, Vonkel_LoadConfigFileW(cam, fits.c_str()));
    EXPECT_TRUE(cam.Drain().empty());
    EXPECT_EQ(0, Vonkel_LoadConfigFileW(cam, tooLong.c_str()));
    EXPECT_EQ((std::vector<int>{VONKEL_ERR_CONVERSION}), cam.Drain());
    EXPECT_EQ(0, Vonkel_LoadMaskFileW(cam, tooLong.c_str()));
    EXPECT_EQ((std::vector<int>{VONKEL_ERR_CONVERSION}), cam.Drain());
    EXPECT_EQ(0, Vonkel_LoadMaskFileW(cam, fits.c_str()));
    EXPECT_EQ((std::vector<int>{VONKEL_ERR_MASK_FILE}), cam.Drain()) << "converted: the file is what fails";
}

// A name the code page cannot hold is refused, never turned into '?' or a look-alike
// ("m\u0101sk" would otherwise save over "mask").
TEST(DllSetters, WidePathsOutsideTheCodePageAreRefused) {
    CCamera cam;
    for (const wchar_t *name : {L"m\u0101sk.bin", L"\u4e00.bin"}) {
        EXPECT_EQ(0, Vonkel_SaveMaskFileW(cam, name));
        EXPECT_EQ((std::vector<int>{VONKEL_ERR_CONVERSION}), cam.Drain());
    }
    for (const char *lookAlike : {"mask.bin", "m?sk.bin", "?.bin"})
        EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(lookAlike)) << lookAlike;
}

} // namespace
