// Parameter blocks of the conversion routines. The caller fills one and passes a plain
// pointer to it as the routine's param1 (ApplyConversion hands it on untouched); a
// routine that needs a block and gets null refuses to run and returns 0.
//
// Bayer mode 0..3 names which 2 x 2 arrangement starts at the rectangle's first row and
// column: modes 1 and 3 flip the row phase, modes 2 and 3 the column phase. The grey
// routines call the sites (row phase, column phase) (0,0) G1, (0,1) R, (1,0) B,
// (1,1) G2; the colour routines call them green, blue, red, green.
#pragma once
#include <cstdint>

// Gray gain and gray measure. Gains in 1/128 units. Significant bits pick the top value
// of 16-bit samples: 10 -> 1023, 12 -> 4095, 14 -> 16383, anything else 65535 (8-bit
// routines always use 255).
struct GrayBlock {
    int32_t bayerMode;
    int32_t gainR;
    int32_t gainG1;
    int32_t gainG2;
    int32_t gainB;
    int32_t offsetR;
    int32_t offsetG1;
    int32_t offsetG2;
    int32_t offsetB;
    int32_t significantBits;
};

// White-balance measure: the gains (percent) are written, the Bayer mode is read.
struct WhiteBalanceBlock {
    int32_t blueGain;
    int32_t greenGain;
    int32_t redGain;
    int32_t bayerMode;
};

// Demosaic: gains in percent; 100 leaves the interpolated value as it is. The green
// gain is carried but not used.
struct DemosaicBlock {
    int32_t bayerMode;
    int32_t redGain;
    int32_t greenGain;
    int32_t blueGain;
};

// Hue and saturation: hue in degrees (any value; it wraps), saturation -255..255 (below
// -256 acts as -256), lightness change carried but always 0, significant bits of 16-bit
// samples (8..16).
struct HueBlock {
    int32_t hue;
    int32_t lightness;
    int32_t saturation;
    int32_t significantBits;
};

// Gamma, contrast, sharpness and brightness: the filter value and the significant bits
// of 16-bit samples (limited to 8..16; top value 2^bits - 1).
struct ValueBlock {
    int32_t value;
    int32_t significantBits;
};
