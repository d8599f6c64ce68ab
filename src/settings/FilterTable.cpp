#include "settings/FilterTable.h"

const FilterDescriptor kFilterTable[kFilterCount] = {
    {1, &FilterValues::brightness, -255, 255, "Filter", "Brightness", 0},
    {2, &FilterValues::contrast, -127, 127, "Filter", "Contrast", 0},
    {3, &FilterValues::hue, -360, 360, "Filter", "Hue", 0},
    {4, &FilterValues::saturation, -255, 255, "Filter", "Saturation", 0},
    {5, &FilterValues::sharpness, 0, 30, "Filter", "Sharpness", 0},
    {7, &FilterValues::bayerGainRed, 0, 400, "Filter", "R_Gain", 100},
    {8, &FilterValues::bayerGainGreen, 0, 400, "Filter", "G_Gain", 100},
    {9, &FilterValues::bayerGainBlue, 0, 400, "Filter", "B_Gain", 100},
    {11, &FilterValues::gamma, 0, 200, "Filter", "Gamma", 100},
    {12, &FilterValues::bayerMode, 0, 3, "Filter", "BayerMode", 2},
    {19, &FilterValues::grayMode, 0, 2, "Gray", "Mode", 0},
    {20, &FilterValues::grayGainR, 0, 255, "Gray", "GainR1", 128},
    {21, &FilterValues::grayGainG1, 0, 255, "Gray", "GainG1", 128},
    {22, &FilterValues::grayGainG2, 0, 255, "Gray", "GainG2", 128},
    {23, &FilterValues::grayGainB, 0, 255, "Gray", "GainB1", 128},
    {24, &FilterValues::grayOffsetR, -255, 255, "Gray", "OffsetR1", 0},
    {25, &FilterValues::grayOffsetG1, -255, 255, "Gray", "OffsetG1", 0},
    {26, &FilterValues::grayOffsetG2, -255, 255, "Gray", "OffsetG2", 0},
    {27, &FilterValues::grayOffsetB, -255, 255, "Gray", "OffsetB1", 0},
    {28, &FilterValues::grayGainAuto, 0, 1, nullptr, nullptr, 0},
};

const FilterDescriptor *FindFilter(int number) {
    for (const FilterDescriptor &f : kFilterTable)
        if (f.number == number)
            return &f;
    return nullptr;
}
