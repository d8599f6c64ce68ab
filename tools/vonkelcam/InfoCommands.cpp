// version, list, info: what the library and the cameras say about themselves.
#include "Tool.h"
#include <cstdio>

namespace {

int Version(const Args &) {
    const int version = Vonkel_GetDllVersion();
    std::printf("library version: %d (0x%08X)\n", version, static_cast<unsigned>(version));
    const int handle = Vonkel_Initialize(nullptr);
    if (!handle) {
        std::printf("Vonkel_Initialize failed\n");
        return 1;
    }
    std::printf("camera handle: %d\n", handle);
    PrintErrors(handle);
    Vonkel_Release(handle);
    return 0;
}

int List(const Args &) {
    const int handle = Vonkel_Initialize(nullptr);
    if (!handle)
        return 1;
    char names[32][256];
    const int count = Vonkel_EnumDevice(handle, names);
    std::printf("%d camera%s\n", count, count == 1 ? "" : "s");
    if (count > 0)
        std::printf("%-7s %-22s %-32s %s\n", "device", "name", "serial number", "temperature");
    for (int device = 0; device < 32; ++device) {
        char name[32];
        if (!Vonkel_GetDeviceName(handle, device, name, sizeof name))
            continue;
        char serial[64] = "";
        double temperature = 0;
        int ok = 0;
        if (Vonkel_SetDeviceNumber(handle, device)) {
            Vonkel_ReadSerialNumberA(handle, serial, sizeof serial);
            temperature = Vonkel_GetTemperatureEx(handle, &ok);
        }
        if (ok)
            std::printf("%-7d %-22s %-32s %.3f C\n", device, name, serial[0] ? serial : "(none)", temperature);
        else
            std::printf("%-7d %-22s %-32s (unreadable)\n", device, name, serial[0] ? serial : "(none)");
    }
    // Entries of devices that are not there are expected failures of the walk above.
    while (Vonkel_GetLastError(handle) != 0) {
    }
    Vonkel_Release(handle);
    return 0;
}

int Info(const Args &args) {
    COptions options(args);
    CCameraHandle cam(options.Int("device", 0));
    if (!cam.Ok())
        return 1;
    const int h = cam.Get();
    VONKEL_CAMERA_INFO info{};
    info.size = sizeof info;
    Vonkel_GetCameraInfo(h, &info);
    int th, hs, he, tv, vs, ve, ok = 0;
    Vonkel_GetCaptureWindowEx(h, &th, &hs, &he, &tv, &vs, &ve);
    std::printf("sensor            %d x %d\n", info.width, info.height);
    std::printf("capture window    %d x %d at (%d, %d) of %d x %d\n", he, ve, hs, vs, th, tv);
    std::printf("colour mode       %d bits (reported)\n", Vonkel_GetColorMode(h));
    std::printf("subsampling       %d\n", Vonkel_GetSubSample(h));
    std::printf("gain              %d (range %d..%d)\n", Vonkel_GetGlobalGain(h, &ok), info.gainMin, info.gainMax);
    std::printf("exposure          %d lines, %.6f s (range %.6f..%.1f s, clamped to it)\n", Vonkel_GetExposureTime(h, &ok),
                Vonkel_GetExposureTimeEx(h, &ok), info.realExposureMin, info.realExposureMax);
    std::printf("mirror            horizontal %d, vertical %d\n", Vonkel_GetMirrorH(h), Vonkel_GetMirrorV(h));
    std::printf("gamma %d, contrast %d, brightness %d, saturation %d, hue %d, sharpness %d\n",
                Vonkel_GetGamma(h, &ok), Vonkel_GetContrast(h, &ok), Vonkel_GetBrightness(h, &ok),
                Vonkel_GetSaturation(h, &ok), Vonkel_GetHue(h, &ok), Vonkel_GetSharpness(h, &ok));
    std::printf("Bayer gains       red %d, green %d, blue %d; Bayer mode %d\n", Vonkel_GetBayerGainRed(h, &ok),
                Vonkel_GetBayerGainGreen(h, &ok), Vonkel_GetBayerGainBlue(h, &ok), Vonkel_GetBayerMode(h, &ok));
    double temperature = Vonkel_GetTemperatureEx(h, &ok);
    if (ok)
        std::printf("temperature       %.3f C\n", temperature);
    PrintErrors(h);
    return 0;
}

const Command kCommands[] = {
    {"version", "", "initialise, print the library version and the error history, release", Version},
    {"list", "", "the cameras with their names, serial numbers and temperatures", List},
    {"info", "[--device N]", "capture window, colour mode, gain, exposure, filters of a camera", Info},
};

} // namespace

const CommandGroup kInfoCommands{kCommands, sizeof kCommands / sizeof kCommands[0]};
