// What the camera is programmed with for a capture window: start, size, frame length and
// the read-out modes. A pure computation, so that it can be checked without a camera.
#pragma once
#include "image/SensorReadout.h"

struct WindowTiming {
    int columnStart;   // rounded up to a group of four
    int rowStart;      // from the top, or from the far end for partial heights
    int width, height; // after sub-sampling, rounded up to groups of four
    int frameLines;    // the frame length in lines
    int subsampleMode; // sensor: 17 sub-sampled, else 0
    int rowMode;       // sensor: 2 when rows count from the bottom, else 0
    int readoutMode;   // capture logic: 0 whole height, 1 partial height, 2 sub-sampled
    int captureOffsetP;
    int captureOffsetQ;
};

// The window (x, y, width, height in sensor pixels, already checked) with sub-sampling 0
// or 1, for a camera in word (16-bit) mode or not, of a capture logic version, mirrored
// horizontally or not.
WindowTiming ComputeWindowTiming(int x, int y, int width, int height, int subSample, bool wordMode,
                                 int logicVersion, bool mirrorH);

// Where a frame taken through the window lies on the sensor: the start the camera is
// programmed with, read out subsampled or not and mirrored as asked.
SensorReadout ReadoutOf(int x, int y, int width, int height, int subSample, bool mirrorH, bool mirrorV);
