// Filter values, their named forwards and the other parameter setters and getters.
#include "VonkelSdk.h"
#include "api/ExportGuard.h"
#include "camera/CVonkel.h"

extern "C" {

int VONKELAPI Vonkel_SetFilterValue(int handle, int number, int value) {
    return WithCamera(handle, 0, [&](CVonkel &c) { return c.SetFilterValue(number, static_cast<uint32_t>(value)); });
}

int VONKELAPI Vonkel_GetFilterValue(int handle, int number, int *ok) {
    return WithCamera(handle, 0, [&](CVonkel &c) { return c.GetFilterValue(number, ok); });
}

// Each named filter export is Vonkel_SetFilterValue / Vonkel_GetFilterValue with its number.
#define VONKEL_FILTER_PAIR(name, number)                                                                               \
    int VONKELAPI Vonkel_Set##name(int handle, int value) { return Vonkel_SetFilterValue(handle, number, value); }     \
    int VONKELAPI Vonkel_Get##name(int handle, int *ok) { return Vonkel_GetFilterValue(handle, number, ok); }

VONKEL_FILTER_PAIR(Brightness, 1)
VONKEL_FILTER_PAIR(Contrast, 2)
VONKEL_FILTER_PAIR(Hue, 3)
VONKEL_FILTER_PAIR(Saturation, 4)
VONKEL_FILTER_PAIR(Sharpness, 5)
VONKEL_FILTER_PAIR(BayerGainRGB, 6)
VONKEL_FILTER_PAIR(BayerGainRed, 7)
VONKEL_FILTER_PAIR(BayerGainGreen, 8)
VONKEL_FILTER_PAIR(BayerGainBlue, 9)
VONKEL_FILTER_PAIR(BayerGainAuto, 10)
VONKEL_FILTER_PAIR(Gamma, 11)
VONKEL_FILTER_PAIR(BayerMode, 12)
VONKEL_FILTER_PAIR(GlobalGain, 13)
VONKEL_FILTER_PAIR(ColorGainRed, 14)
VONKEL_FILTER_PAIR(ColorGainGreen1, 15)
VONKEL_FILTER_PAIR(ColorGainGreen2, 16)
VONKEL_FILTER_PAIR(ColorGainBlue, 17)
VONKEL_FILTER_PAIR(ExposureTime, 18)
VONKEL_FILTER_PAIR(GrayMode, 19)
VONKEL_FILTER_PAIR(GrayGainR, 20)
VONKEL_FILTER_PAIR(GrayGainG1, 21)
VONKEL_FILTER_PAIR(GrayGainG2, 22)
VONKEL_FILTER_PAIR(GrayGainB, 23)
VONKEL_FILTER_PAIR(GrayOffsetR, 24)
VONKEL_FILTER_PAIR(GrayOffsetG1, 25)
VONKEL_FILTER_PAIR(GrayOffsetG2, 26)
VONKEL_FILTER_PAIR(GrayOffsetB, 27)
VONKEL_FILTER_PAIR(Peltier, 100)
VONKEL_FILTER_PAIR(DotFilter, 102)
VONKEL_FILTER_PAIR(MaskFilter, 103)
#undef VONKEL_FILTER_PAIR

int VONKELAPI Vonkel_GetTemperature(int handle, int *ok) { return Vonkel_GetFilterValue(handle, 101, ok); }

int VONKELAPI Vonkel_SetColorMode(int handle, int bits) {
    return WithCamera(handle, 0, [&](CVonkel &c) { return c.SetColorMode(bits); });
}

int VONKELAPI Vonkel_GetColorMode(int handle) {
    return WithCamera(handle, -1, [](CVonkel &c) { return c.GetColorModeBits(); });
}

int VONKELAPI Vonkel_SetConfigFilter(int handle, int value) {
    return WithCamera(handle, 0, [&](CVonkel &c) { return c.SetConfigFilter(value); });
}

int VONKELAPI Vonkel_GetConfigFilter(int handle) {
    return WithCamera(handle, 0, [](CVonkel &c) { return c.GetConfigFilter(); });
}

int VONKELAPI Vonkel_SetSubSample(int handle, int value) {
    return WithCamera(handle, 0, [&](CVonkel &c) { return c.SetSubSample(value); });
}

int VONKELAPI Vonkel_GetSubSample(int handle) {
    return WithCamera(handle, -1, [](CVonkel &c) { return c.SubSample(); });
}

int VONKELAPI Vonkel_SetWaitTime(int handle, int ms) {
    return WithCamera(handle, 0, [&](CVonkel &c) { return c.SetWaitTime(ms); });
}

int VONKELAPI Vonkel_GetWaitTime(int handle) {
    return WithCamera(handle, -1, [](CVonkel &c) { return c.WaitTime(); });
}

int VONKELAPI Vonkel_SetMirrorH(int handle, int flag) {
    return WithCamera(handle, 0, [&](CVonkel &c) { return c.SetMirrorH(flag); });
}

int VONKELAPI Vonkel_SetMirrorV(int handle, int flag) {
    return WithCamera(handle, 0, [&](CVonkel &c) { return c.SetMirrorV(flag); });
}

int VONKELAPI Vonkel_GetMirrorH(int handle) {
    return WithCamera(handle, 0, [](CVonkel &c) { return c.GetMirrorH(); });
}

int VONKELAPI Vonkel_GetMirrorV(int handle) {
    return WithCamera(handle, 0, [](CVonkel &c) { return c.GetMirrorV(); });
}

int VONKELAPI Vonkel_SetExposureTimeEx(int handle, double seconds) {
    return WithCamera(handle, 0, [&](CVonkel &c) { return c.SetExposureTimeEx(seconds); });
}

double VONKELAPI Vonkel_GetExposureTimeEx(int handle, int *ok) {
    return WithCamera(handle, 0.0, [&](CVonkel &c) { return c.GetExposureTimeEx(ok); });
}

int VONKELAPI Vonkel_SetRealExposureTime(int handle, int microseconds) {
    return WithCamera(handle, 0, [&](CVonkel &c) { return c.SetRealExposureTime(microseconds); });
}

int VONKELAPI Vonkel_SetCaptureWindow(int handle, int width, int height) {
    return WithCamera(handle, 0, [&](CVonkel &c) { return c.SetCaptureWindow(width, height); });
}

int VONKELAPI Vonkel_SetCaptureWindowEx(int handle, int th, int ehs, int eh, int tv, int evs, int ev) {
    return WithCamera(handle, 0, [&](CVonkel &c) { return c.SetCaptureWindowEx(th, ehs, eh, tv, evs, ev); });
}

int VONKELAPI Vonkel_GetCaptureWindowEx(int handle, int *th, int *ehs, int *eh, int *tv, int *evs, int *ev) {
    return WithCamera(handle, 0, [&](CVonkel &c) { return c.GetCaptureWindowEx(th, ehs, eh, tv, evs, ev); });
}

int VONKELAPI Vonkel_SetAutoIris(int handle, int mode) {
    return WithCamera(handle, 0, [&](CVonkel &c) { return c.SetAutoIris(mode); });
}

int VONKELAPI Vonkel_GetAutoIris(int handle, int *ok) {
    return WithCamera(handle, 0, [&](CVonkel &c) { return c.GetAutoIris(ok); });
}

// Settings of other cameras of the family that this one does not have: the call is
// announced as unsupported, not recorded.
static int NotSupported(int handle) {
    return WithCamera(handle, 0, [](CVonkel &c) {
        c.PostError(VONKEL_ERR_NOT_SUPPORTED);
        return 0;
    });
}
int VONKELAPI Vonkel_Fps(int handle) { return NotSupported(handle); }
int VONKELAPI Vonkel_GetHalfClock(int handle) { return NotSupported(handle); }
int VONKELAPI Vonkel_SetHalfClock(int handle) { return NotSupported(handle); }
int VONKELAPI Vonkel_GetInternalCorrection(int handle) { return NotSupported(handle); }
int VONKELAPI Vonkel_SetInternalCorrection(int handle) { return NotSupported(handle); }
int VONKELAPI Vonkel_SetCrossbar(int handle) { return NotSupported(handle); }

static int ZeroValue(int handle, int *value) {
    return WithCamera(handle, 0, [&](CVonkel &) {
        if (value)
            *value = 0;
        return 0;
    });
}
int VONKELAPI Vonkel_GetSamplingRate(int handle, int *value) { return ZeroValue(handle, value); }
int VONKELAPI Vonkel_GetVideoFormat(int handle, int *value) { return ZeroValue(handle, value); }

int VONKELAPI Vonkel_SetSamplingRate(int handle) {
    return WithCamera(handle, 0, [](CVonkel &) { return 0; });
}

int VONKELAPI Vonkel_GetStatus(int handle, int) {
    return WithCamera(handle, 0, [](CVonkel &) { return 0; });
}

} // extern "C"
