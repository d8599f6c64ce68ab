// Every export of the library with a way to call it with hostile arguments. Exports of
// one shape share a table of function pointers; the rest have a line of their own.
// Buffers are real and as large as any length passed with them, so whatever the library
// writes lands in memory the caller owns: what is tested is the library, not a caller
// lying about its buffers.
#include "Torture.h"
#include <climits>

namespace torture {
namespace {

using HandleOnly = int(VONKELAPI *)(int);
using WithValue = int(VONKELAPI *)(int, int);
using WithOk = int(VONKELAPI *)(int, int *);
using ReadAt = int(VONKELAPI *)(int, int, int *);
using WriteAt = int(VONKELAPI *)(int, int, int);

#define TORTURE_ENTRY(f) {#f, f}

template <class F>
struct Named {
    const char *name;
    F f;
};

const Named<HandleOnly> kHandleOnly[] = {
    TORTURE_ENTRY(Vonkel_Width), TORTURE_ENTRY(Vonkel_Height), TORTURE_ENTRY(Vonkel_GetColorMode),
    TORTURE_ENTRY(Vonkel_GetConfigFilter), TORTURE_ENTRY(Vonkel_GetSubSample), TORTURE_ENTRY(Vonkel_GetWaitTime),
    TORTURE_ENTRY(Vonkel_GetMirrorH), TORTURE_ENTRY(Vonkel_GetMirrorV), TORTURE_ENTRY(Vonkel_StartPreview),
    TORTURE_ENTRY(Vonkel_StopPreview), TORTURE_ENTRY(Vonkel_Preview), TORTURE_ENTRY(Vonkel_Capture),
    TORTURE_ENTRY(Vonkel_Close), TORTURE_ENTRY(Vonkel_Fps), TORTURE_ENTRY(Vonkel_GetHalfClock),
    TORTURE_ENTRY(Vonkel_SetHalfClock), TORTURE_ENTRY(Vonkel_GetInternalCorrection),
    TORTURE_ENTRY(Vonkel_SetInternalCorrection), TORTURE_ENTRY(Vonkel_SetCrossbar),
    TORTURE_ENTRY(Vonkel_SetSamplingRate), TORTURE_ENTRY(Vonkel_GetLastError),
};

const Named<WithValue> kWithValue[] = {
    TORTURE_ENTRY(Vonkel_SetDeviceNumber), TORTURE_ENTRY(Vonkel_SetIOPort), TORTURE_ENTRY(Vonkel_SetBrightness),
    TORTURE_ENTRY(Vonkel_SetContrast), TORTURE_ENTRY(Vonkel_SetHue), TORTURE_ENTRY(Vonkel_SetSaturation),
    TORTURE_ENTRY(Vonkel_SetSharpness), TORTURE_ENTRY(Vonkel_SetBayerGainRGB), TORTURE_ENTRY(Vonkel_SetBayerGainRed),
    TORTURE_ENTRY(Vonkel_SetBayerGainGreen), TORTURE_ENTRY(Vonkel_SetBayerGainBlue),
    TORTURE_ENTRY(Vonkel_SetBayerGainAuto), TORTURE_ENTRY(Vonkel_SetGamma), TORTURE_ENTRY(Vonkel_SetBayerMode),
    TORTURE_ENTRY(Vonkel_SetGlobalGain), TORTURE_ENTRY(Vonkel_SetColorGainRed),
    TORTURE_ENTRY(Vonkel_SetColorGainGreen1), TORTURE_ENTRY(Vonkel_SetColorGainGreen2),
    TORTURE_ENTRY(Vonkel_SetColorGainBlue), TORTURE_ENTRY(Vonkel_SetExposureTime), TORTURE_ENTRY(Vonkel_SetGrayMode),
    TORTURE_ENTRY(Vonkel_SetGrayGainR), TORTURE_ENTRY(Vonkel_SetGrayGainG1), TORTURE_ENTRY(Vonkel_SetGrayGainG2),
    TORTURE_ENTRY(Vonkel_SetGrayGainB), TORTURE_ENTRY(Vonkel_SetGrayOffsetR), TORTURE_ENTRY(Vonkel_SetGrayOffsetG1),
    TORTURE_ENTRY(Vonkel_SetGrayOffsetG2), TORTURE_ENTRY(Vonkel_SetGrayOffsetB), TORTURE_ENTRY(Vonkel_SetPeltier),
    TORTURE_ENTRY(Vonkel_SetDotFilter), TORTURE_ENTRY(Vonkel_SetMaskFilter), TORTURE_ENTRY(Vonkel_SetColorMode),
    TORTURE_ENTRY(Vonkel_SetConfigFilter), TORTURE_ENTRY(Vonkel_SetSubSample), TORTURE_ENTRY(Vonkel_SetWaitTime),
    TORTURE_ENTRY(Vonkel_SetMirrorH), TORTURE_ENTRY(Vonkel_SetMirrorV), TORTURE_ENTRY(Vonkel_SetRealExposureTime),
    TORTURE_ENTRY(Vonkel_SetAutoIris), TORTURE_ENTRY(Vonkel_UpdateMaskData), TORTURE_ENTRY(Vonkel_GetStatus),
};

const Named<WithOk> kWithOk[] = {
    TORTURE_ENTRY(Vonkel_GetBrightness), TORTURE_ENTRY(Vonkel_GetContrast), TORTURE_ENTRY(Vonkel_GetHue),
    TORTURE_ENTRY(Vonkel_GetSaturation), TORTURE_ENTRY(Vonkel_GetSharpness), TORTURE_ENTRY(Vonkel_GetBayerGainRGB),
    TORTURE_ENTRY(Vonkel_GetBayerGainRed), TORTURE_ENTRY(Vonkel_GetBayerGainGreen),
    TORTURE_ENTRY(Vonkel_GetBayerGainBlue), TORTURE_ENTRY(Vonkel_GetBayerGainAuto), TORTURE_ENTRY(Vonkel_GetGamma),
    TORTURE_ENTRY(Vonkel_GetBayerMode), TORTURE_ENTRY(Vonkel_GetGlobalGain), TORTURE_ENTRY(Vonkel_GetColorGainRed),
    TORTURE_ENTRY(Vonkel_GetColorGainGreen1), TORTURE_ENTRY(Vonkel_GetColorGainGreen2),
    TORTURE_ENTRY(Vonkel_GetColorGainBlue), TORTURE_ENTRY(Vonkel_GetExposureTime), TORTURE_ENTRY(Vonkel_GetGrayMode),
    TORTURE_ENTRY(Vonkel_GetGrayGainR), TORTURE_ENTRY(Vonkel_GetGrayGainG1), TORTURE_ENTRY(Vonkel_GetGrayGainG2),
    TORTURE_ENTRY(Vonkel_GetGrayGainB), TORTURE_ENTRY(Vonkel_GetGrayOffsetR), TORTURE_ENTRY(Vonkel_GetGrayOffsetG1),
    TORTURE_ENTRY(Vonkel_GetGrayOffsetG2), TORTURE_ENTRY(Vonkel_GetGrayOffsetB), TORTURE_ENTRY(Vonkel_GetPeltier),
    TORTURE_ENTRY(Vonkel_GetTemperature), TORTURE_ENTRY(Vonkel_GetDotFilter), TORTURE_ENTRY(Vonkel_GetMaskFilter),
    TORTURE_ENTRY(Vonkel_GetAutoIris), TORTURE_ENTRY(Vonkel_GetRealExposureTime),
    TORTURE_ENTRY(Vonkel_GetSamplingRate), TORTURE_ENTRY(Vonkel_GetVideoFormat),
};

const Named<ReadAt> kReadAt[] = {
    TORTURE_ENTRY(Vonkel_ReadRegister), TORTURE_ENTRY(Vonkel_ReadRegisterEx), TORTURE_ENTRY(Vonkel_Fpga_ReadRegister),
    TORTURE_ENTRY(Vonkel_ReadSromID), TORTURE_ENTRY(Vonkel_GetFilterValue),
};

const Named<WriteAt> kWriteAt[] = {
    TORTURE_ENTRY(Vonkel_WriteRegister), TORTURE_ENTRY(Vonkel_WriteRegisterEx),
    TORTURE_ENTRY(Vonkel_Fpga_WriteRegister), TORTURE_ENTRY(Vonkel_WriteSromID), TORTURE_ENTRY(Vonkel_SetFilterValue),
    TORTURE_ENTRY(Vonkel_SetCaptureWindow),
};

#undef TORTURE_ENTRY

// A setter's value: mostly one a camera application would pass, sometimes anything.
int Value(Caller &c) {
    static const int kPlausible[] = {-1, 0, 1, 2, 3, 4, 8, 16, 24, 32, 48, 64, 100, 128, 255, 256, 400, 512, 640};
    return c.Chance(75) ? kPlausible[c.Draw(sizeof kPlausible / sizeof kPlausible[0])] : c.AnyInt();
}

// Exports with a shape of their own.
void CallBuffers(Caller &c) {
    int slot = -1;
    const int h = c.Handle(&slot);
    int length = 0;
    uint8_t *delivery = c.Delivery(slot, &length);
    uint8_t *image = c.Chance(10) ? nullptr : c.image.data();
    const int imageLength = c.Length(static_cast<int>(kImageBytes));
    const int rows = c.Chance(80) ? static_cast<int>(c.Draw(2)) : c.AnyInt();
    switch (c.Draw(4)) {
    case 0: c.Begin("Vonkel_CallBackPreview"); Vonkel_CallBackPreview(h, c.Window(), delivery, length, rows); break;
    case 1: c.Begin("Vonkel_Trigger"); Vonkel_Trigger(h, c.Window(), delivery, length, rows); break;
    case 2: c.Begin("Vonkel_SnapShot"); Vonkel_SnapShot(h, image, imageLength, rows); break;
    default: c.Begin("Vonkel_GetImage"); Vonkel_GetImage(h, image, imageLength, rows); break;
    }
}

void CallDevices(Caller &c) {
    const int h = c.Handle();
    char *text = c.Chance(10) ? nullptr : c.text;
    wchar_t *wide = c.Chance(10) ? nullptr : c.wide;
    const int length = c.Length(kTextBytes);
    switch (c.Draw(9)) {
    case 0: c.Begin("Vonkel_EnumDevice"); Vonkel_EnumDevice(h, c.Chance(10) ? nullptr : c.names); break;
    case 1: c.Begin("Vonkel_EnumDeviceW"); Vonkel_EnumDeviceW(h, c.Chance(10) ? nullptr : c.wideNames); break;
    case 2: c.Begin("Vonkel_GetDeviceName"); Vonkel_GetDeviceName(h, Value(c), text, length); break;
    case 3: c.Begin("Vonkel_GetDeviceNameW"); Vonkel_GetDeviceNameW(h, Value(c), wide, length); break;
    case 4: c.Begin("Vonkel_ReadSerialNumberA"); Vonkel_ReadSerialNumberA(h, text, length); break;
    case 5: c.Begin("Vonkel_ReadSerialNumberW"); Vonkel_ReadSerialNumberW(h, wide, length); break;
    case 6: {
        c.Begin("Vonkel_GetCameraInfo");
        VONKEL_CAMERA_INFO info{};
        info.size = c.Chance(70) ? static_cast<int>(sizeof info) : c.AnyInt();
        Vonkel_GetCameraInfo(h, c.Chance(10) ? nullptr : &info);
        break;
    }
    case 7: {
        c.Begin("Vonkel_GetIOPort");
        unsigned char port = 0;
        Vonkel_GetIOPort(h, c.Chance(10) ? nullptr : &port, c.AnyInt(), c.AnyInt());
        break;
    }
    default: c.Begin("Vonkel_GetTemperatureEx"); Vonkel_GetTemperatureEx(h, c.Ok()); break;
    }
}

void CallWindows(Caller &c) {
    const int h = c.Handle();
    int *v = c.values;
    auto pick = [&](int i) { return c.Chance(10) ? nullptr : &v[i]; };
    switch (c.Draw(6)) {
    case 0:
        c.Begin("Vonkel_SetCaptureWindowEx");
        if (c.Chance(70))
            Vonkel_SetCaptureWindowEx(h, 640, c.Small(0, 632), c.Small(8, 640), 512, c.Small(0, 504), c.Small(8, 512));
        else
            Vonkel_SetCaptureWindowEx(h, c.AnyInt(), c.AnyInt(), c.AnyInt(), c.AnyInt(), c.AnyInt(), c.AnyInt());
        break;
    case 1:
        c.Begin("Vonkel_GetCaptureWindowEx");
        Vonkel_GetCaptureWindowEx(h, pick(0), pick(1), pick(2), pick(3), pick(4), pick(5));
        break;
    case 2:
        c.Begin("Vonkel_SetPreviewWindow");
        if (c.Chance(50))
            Vonkel_SetPreviewWindow(h, c.Window(), c.Small(0, 200), c.Small(0, 200), c.Small(8, 640), c.Small(8, 512));
        else
            Vonkel_SetPreviewWindow(h, c.Window(), c.AnyInt(), c.AnyInt(), c.AnyInt(), c.AnyInt());
        break;
    case 3:
        c.Begin("Vonkel_SetExposureTimeEx");
        Vonkel_SetExposureTimeEx(h, c.Chance(70) ? 0.001 * c.Small(1, 100) : c.AnyInt() * 1e-3);
        break;
    case 4: c.Begin("Vonkel_GetExposureTimeEx"); Vonkel_GetExposureTimeEx(h, c.Ok()); break;
    default: c.Begin("Vonkel_GetDllVersion"); Vonkel_GetDllVersion(); break;
    }
}

void CallFiles(Caller &c) {
    const int h = c.Handle();
    const char *extensions[] = {"msk", "cfg", "bmp", "avi"};
    const char *ext = extensions[c.Draw(4)];
    const std::string path = c.Path(ext);
    const char *narrow = path.empty() && c.Chance(50) ? nullptr : path.c_str();
    const wchar_t *wide = c.WidePath(ext);
    static const int kFormats[] = {INT_MIN, -1, 0, 1, 2, 3, 4, 5, 6, 7, 8, 100, INT_MAX};
    const int format = kFormats[c.Draw(sizeof kFormats / sizeof kFormats[0])];
    // Recordings stay short: a long one fills the disk at 70 MB a second.
    static const int kMilliseconds[] = {INT_MIN, -1, 0, 1, 30, 200};
    const int ms = kMilliseconds[c.Draw(sizeof kMilliseconds / sizeof kMilliseconds[0])];
    switch (c.Draw(13)) {
    case 0: c.Begin("Vonkel_SaveMaskFile"); Vonkel_SaveMaskFile(h, narrow); break;
    case 1: c.Begin("Vonkel_SaveMaskFileW"); Vonkel_SaveMaskFileW(h, wide); break;
    case 2: c.Begin("Vonkel_LoadMaskFile"); Vonkel_LoadMaskFile(h, narrow); break;
    case 3: c.Begin("Vonkel_LoadMaskFileW"); Vonkel_LoadMaskFileW(h, wide); break;
    case 4: c.Begin("Vonkel_LoadConfigFileA"); Vonkel_LoadConfigFileA(h, narrow); break;
    case 5: c.Begin("Vonkel_LoadConfigFileW"); Vonkel_LoadConfigFileW(h, wide); break;
    case 6: c.Begin("Vonkel_SaveImage"); Vonkel_SaveImage(h, narrow, format); break;
    case 7: c.Begin("Vonkel_SaveImageW"); Vonkel_SaveImageW(h, wide, format); break;
    case 8: c.Begin("Vonkel_Record"); Vonkel_Record(h, narrow, ms, static_cast<int>(c.Draw(3)) - 1); break;
    case 9: c.Begin("Vonkel_RecordW"); Vonkel_RecordW(h, wide, ms, static_cast<int>(c.Draw(3)) - 1); break;
#ifdef _WIN32
    // Modal dialogs would wait for a user: they are called on handles that are not live.
    case 10: c.Begin("Vonkel_SetAnalogDlg"); Vonkel_SetAnalogDlg(c.DeadHandle(), c.Window()); break;
    case 11: c.Begin("Vonkel_SetImageDlg"); Vonkel_SetImageDlg(c.DeadHandle(), c.Window()); break;
    case 12: c.Begin("Vonkel_SetCameraDlg"); Vonkel_SetCameraDlg(c.DeadHandle(), c.Window()); break;
#endif
    default: c.Begin("Vonkel_GetLastError"); Vonkel_GetLastError(h); break;
    }
}

void CallLifecycle(Caller &c) {
    switch (c.Draw(4)) {
    case 0: c.Begin("Vonkel_Release"); Vonkel_Release(c.Handle()); break;
    case 1: c.Begin("Vonkel_Initialize"); c.Reinitialize(); break;
    default: {
        // An instance made and dropped at once, sometimes with a mode started.
        c.Begin("Vonkel_Initialize");
        const int h = Vonkel_Initialize(c.Window());
        if (c.Chance(50)) {
            c.Begin("Vonkel_StartPreview");
            Vonkel_StartPreview(h);
        }
        c.Begin("Vonkel_Release");
        Vonkel_Release(h);
        break;
    }
    }
}

template <class F, size_t N>
const Named<F> &Pick(Caller &c, const Named<F> (&table)[N]) {
    const Named<F> &e = table[c.Draw(N)];
    c.Begin(e.name);
    return e;
}

} // namespace

const std::vector<Entry> &Exports() {
    static const std::vector<Entry> table = {
        {"handle only", [](Caller &c) { Pick(c, kHandleOnly).f(c.Handle()); }},
        {"setters", [](Caller &c) { Pick(c, kWithValue).f(c.Handle(), Value(c)); }},
        {"getters", [](Caller &c) { Pick(c, kWithOk).f(c.Handle(), c.Ok()); }},
        {"reads", [](Caller &c) { Pick(c, kReadAt).f(c.Handle(), Value(c), c.Ok()); }},
        {"writes", [](Caller &c) { Pick(c, kWriteAt).f(c.Handle(), Value(c), Value(c)); }},
        {"buffers", CallBuffers},
        {"buffers", CallBuffers},
        {"devices", CallDevices},
        {"windows", CallWindows},
        {"files", CallFiles},
        {"lifecycle", CallLifecycle},
    };
    return table;
}

} // namespace torture
