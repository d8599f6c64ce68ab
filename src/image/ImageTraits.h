// The sensor's size and the six colour modes, named once for every layer.
#pragma once

namespace sensor {
constexpr int kWidth = 640;
constexpr int kHeight = 512;
// 12-bit values travel in 16-bit samples.
constexpr int kSignificantBits16 = 12;
} // namespace sensor

// What a colour mode (0..5) is made of.
struct ColorModeTraits {
    int bits;         // bits per pixel of its picture
    int reportedBits; // what GetColorMode says: the significant bits of 16-bit samples
    bool wideSamples; // 12-bit values in 16-bit samples, from the 16-bit raw frame
    bool color;       // demosaiced blue, green, red
};

constexpr int kColorModeCount = 6;
constexpr ColorModeTraits kColorModes[kColorModeCount] = {
    {8, 8, false, false},   {16, 12, true, false}, {24, 24, false, true},
    {32, 32, false, true},  {48, 44, true, true},  {64, 60, true, true},
};

constexpr bool IsColorMode(int mode) { return mode >= 0 && mode < kColorModeCount; }
// The raw frame of the mode is the 16-bit one.
constexpr bool UsesRaw16(int mode) { return IsColorMode(mode) && kColorModes[mode].wideSamples; }
