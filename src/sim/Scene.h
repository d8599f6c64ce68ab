// The scene in front of the simulated camera, in picture coordinates (x right, y down,
// 640 x 512), and how the sensor turns it into levels. Tests use these functions to know
// what a frame must hold.
//
// Layout:
//   rows   0-383  a grid of 10 x 6 cells of 64 x 64 pixels; cell (row, column) holds a patch
//                 of PatchColour(row, column) at x, y 8-55 inside the cell, the rest of the
//                 cell is grey 48;
//   rows 384-447  a grey ramp, level 2x/5 (0 at the left, 255 at the right);
//   rows 448-511  grey 16 with a bar of grey 224, 16 pixels wide, starting at x = BarPosition
//                 (8 pixels further right in each frame, wrapping at 640).
// The colour filter is fixed to the sensor's pixels: blue where x and y are both even, red
// where both are odd, green elsewhere.
#pragma once
#include <cstddef>
#include <cstdint>

namespace sim {

enum class Channel { Red, Green, Blue };

struct CRgb {
    uint8_t red;
    uint8_t green;
    uint8_t blue;
};

// Patch i = row * 10 + column takes its red, green and blue from the levels
// {32, 96, 160, 224} by the base-4 digits of i (red the lowest).
CRgb PatchColour(int row, int column);

// The colour filter over the sensor pixel at picture position (x, y).
Channel CfaChannel(int x, int y);

// Where the bar starts in the frame with that number (0: a still scene).
int BarPosition(uint32_t frameNumber);

// The scene's reference level (0-255) of one colour at (x, y); 0 outside the sensor.
uint8_t SceneValue(int x, int y, Channel channel, uint32_t frameNumber);

// The sensor's 12-bit output for a reference level: level * 16 * (64 + gain) / 64 *
// exposure lines / 1030, truncated and limited to 4095. 8-bit output is this >> 4, so at
// gain 0 and 1030 exposure lines an 8-bit frame holds the reference levels themselves.
uint16_t SensorLevel12(uint8_t reference, uint32_t gain, uint64_t exposureLines);

// The frame number of a raw frame as the camera sent it (pixels 0-3, bytes of the number,
// low byte first), with 1- or 2-byte pixels.
uint32_t DecodeFrameNumber(const void *raw, uint32_t bytesPerPixel);

// The same after the host has turned the frame by 180 degrees: the number sits at the end of
// the last row, backwards.
uint32_t DecodeFrameNumberTurned(const void *picture, uint32_t width, uint32_t height,
                                 uint32_t bytesPerPixel, size_t strideBytes);

} // namespace sim
