// The settings blocks a camera instance keeps and the registry stores per device.
// Values the capture thread reads while the application changes them are atomics:
// each is one 32-bit value, taking effect at the latest with the next frame.
#pragma once
#include <atomic>
#include <cstdint>

using Setting = std::atomic<int32_t>;

// The capture window: the first six are what GetCaptureWindowEx reports, all seven
// are stored per size entry.
struct CaptureWindow {
    int32_t TH = 640;  // total width of the sensor
    int32_t TV = 512;  // total height
    int32_t EH = 640;  // capture width
    int32_t EV = 512;  // capture height
    int32_t EHS = 0;   // horizontal start
    int32_t EVS = 0;   // vertical start
    int32_t Buf = 4;
};

// Image filter and gray filter values, in the order the registry keeps them.
struct FilterValues {
    // "Filter"
    Setting brightness{0}, contrast{0}, hue{0}, saturation{0}, sharpness{0};
    Setting bayerGainRed{0}, bayerGainGreen{0}, bayerGainBlue{0}, gamma{0}, bayerMode{0};
    // "Gray"
    Setting grayMode{0}, grayGainR{0}, grayGainG1{0}, grayGainG2{0}, grayGainB{0};
    Setting grayOffsetR{0}, grayOffsetG1{0}, grayOffsetG2{0}, grayOffsetB{0};
    // Further settings, not stored; cleared with the filter defaults.
    Setting bayerGainAuto{0};
    Setting grayGainAuto{0};      // passes of the gray-gain measurement still to run
    Setting whiteBalanceOnce{0};  // the filter dialog's one-shot white balance request...
    Setting whiteBalanceArmed{0}; // ...and its confirmation
    Setting spare[5] = {};
    Setting reserved[2] = {};
};

// The analog settings ("Gain"), in registry order; the exposure in seconds follows the
// integer exposure.
struct AnalogSettings {
    Setting globalGain{0};
    Setting colorG1{0}, colorR{0}, colorB{0}, colorG2{0};
    Setting exposure{0};                // sensor lines
    std::atomic<double> exposureSeconds{0.0};
    Setting mirrorV{0}, mirrorH{0};
    Setting autoIris{0};                // 0 off, 1 exposure, 2 gain
    Setting coolerOn{0};
};

// What the camera driver gives when no analog settings are stored.
struct AnalogDefaults {
    int32_t gain;
    int32_t exposureLines;
    int32_t mirrorV;
    int32_t mirrorH;
    double exposureSeconds;
};

// The stream format values stored directly under the device key.
struct StreamFormat {
    int32_t colorMode = 0;
    int32_t subSample = 0;
    int32_t waitTime = 10;
    int32_t clock = 0;
};
