// Where the pixels of a frame come from on the sensor: the one mapping that the flat-field
// correction, the dot filter, the repair of listed pixels and the taking of references
// share.
//
// The camera reads a window of its sensor out line by line. Subsampled, it keeps two
// pixels and skips two (and likewise lines), so that the frame is a colour mosaic again:
// frame index i comes from the window's offset 4 * (i / 2) + i % 2. Mirrored, it reads
// the window from its other end. A sensor position is the row and column of a frame of
// the whole sensor without mirroring, which is the layout of the mask's references and maps.
#pragma once
#include "image/ImageTraits.h"
#include <cstdint>

struct SensorReadout {
    int firstColumn = 0, firstRow = 0;                    // the window's top left sensor pixel
    int width = sensor::kWidth, height = sensor::kHeight; // the frame's pixels per line and lines
    bool subsampled = false;
    bool mirrorH = false, mirrorV = false;
};

// The sensor column that frame column `column` shows, and the sensor row of frame row `row`.
int64_t SensorColumn(const SensorReadout &readout, int column);
int64_t SensorRow(const SensorReadout &readout, int row);

// Frame columns that a correction maps at a time, on the stack.
constexpr int kSensorStretch = 256;
// The sensor columns of frame columns from .. from + count - 1 (count at most kSensorStretch).
void SensorColumns(const SensorReadout &readout, int from, int count, int32_t *out);

// Whether the readout is that of a frame of width x height pixels.
bool Describes(const SensorReadout &readout, int width, int height);

// Whether every frame pixel at least `margin` pixels inside the frame's edges shows a
// position of a plane of planeWidth x planeHeight sensor positions.
bool InsideLiesOn(const SensorReadout &readout, int margin, int planeWidth, int planeHeight);
