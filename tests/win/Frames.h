// What the simulated camera's frames look like once they reach the application, decoded
// from the picture alone: the frame number in 8-bit grey, the moving bar otherwise.
#pragma once
#include <cstdint>
#include <vector>

// The frame number of an 8-bit grey picture delivered top row first: the camera sends it
// in its first four pixels, which the 180-degree turn puts at the end of the last row.
inline uint32_t FrameNumberOf(const std::vector<uint8_t> &picture, int width, int height) {
    const uint8_t *last = picture.data() + static_cast<size_t>(height - 1) * width;
    return last[width - 1] | last[width - 2] << 8 | last[width - 3] << 16 | uint32_t(last[width - 4]) << 24;
}

// Where the bar (8 pixels further right in each frame) starts in row 480 of a colour picture
// delivered top row first; -1 when it cannot be seen.
inline int BarStartOf(const std::vector<uint8_t> &picture, int width, int bytesPerPixel, int stride) {
    const uint8_t *row = picture.data() + static_cast<size_t>(480) * stride;
    // Grey pictures have one sample a pixel; colour ones are read at their green sample.
    const int sampleBytes = bytesPerPixel == 2 || bytesPerPixel >= 6 ? 2 : 1;
    const int greenAt = bytesPerPixel <= 2 ? 0 : sampleBytes;
    for (int x = 0; x < width; ++x) {
        const uint8_t *p = row + x * bytesPerPixel + greenAt;
        const int level = sampleBytes == 2 ? (p[0] | p[1] << 8) >> 4 : p[0];
        if (level > 120)
            return x;
    }
    return -1;
}

// The patch colours of the scene (red, green, blue) for the patch in row and column of its grid.
inline void PatchRgb(int row, int column, int *red, int *green, int *blue) {
    static const int kLevels[] = {32, 96, 160, 224};
    const int i = row * 10 + column;
    *red = kLevels[i % 4];
    *green = kLevels[(i / 4) % 4];
    *blue = kLevels[(i / 16) % 4];
}
