// The three defect corrections of the per-frame processing, and the rule that derives
// the hot- and dead-pixel maps from the references. They work on the raw mosaic, 8-bit
// samples or 12-bit values in 16-bit samples, in memory row order.
#pragma once
#include "image/CImageBuffer.h"
#include <cstdint>
#include <vector>

// A sensor pixel named by a configuration file: x 0..639, y 0..511, before mirroring.
struct DefectPoint {
    int32_t x;
    int32_t y;
};

namespace defect {

constexpr int kSensorWidth = 640;
constexpr int kSensorHeight = 512;
constexpr int kDotThreshold8 = 30;
constexpr int kDotThreshold16 = 480;

// The references and maps are sensor-sized; a frame pixel (row r, column c) sits on them
// at (windowY + r * step, windowX + c * step): the capture window's offset, and step 2
// when the camera skips every other pixel and line.

// Flat-field correction: P <- (P - D) * full scale / (B - D) inside a margin, with the
// references read at the pixel's place on the sensor. Both references must have the raw
// buffer's depth and the full sensor size, and step must be 1 or 2; otherwise nothing is
// changed and false returned.
bool ApplyMask(CImageBuffer &raw, const CImageBuffer &dark, const CImageBuffer &bright, int windowX, int windowY,
               int margin, int step = 1);

// Isolated defects: marks pixels flagged in the hot or dead map or standing `threshold`
// away from the mean of their four neighbours, then replaces each mark by the mean of the
// nearest unmarked pixels left, right, above and below. The hot and dead maps are read at
// the pixel's place on the sensor; the marks go to `dot` at the pixel's own byte offset in
// the raw buffer. Returns false when a map is too small or of another depth.
bool RepairDots(CImageBuffer &raw, const CImageBuffer &hot, const CImageBuffer &dead, CImageBuffer &dot,
                int threshold, int windowX = 0, int windowY = 0, int step = 1);

// How listed sensor pixels land in the picture: the sensor columns x0..x1 and rows y0..y1
// the picture shows, the mirroring, and the distance on the sensor between neighbouring
// picture pixels (2 when subsampled).
struct SensorView {
    int x0, x1, y0, y1;
    bool mirrorH, mirrorV;
    int step = 1;
};

// The part of the sensor a capture window shows, with the driver's window flags.
SensorView ViewOf(int windowX, int windowY, int width, int height, bool windowFlagH, bool windowFlagV, bool mirrorH,
                  bool mirrorV);

// Replaces every listed pixel that falls in the picture by the mean of its nearest
// unlisted neighbours along its row and column.
void RepairListed(CImageBuffer &raw, const std::vector<DefectPoint> &points, const SensorView &view);

// Derives a defect map from a reference: kind 0 flags samples above 192 (8-bit) or 3072
// (16-bit) of the dark reference in the hot map, kind 1 samples below 64 or 1024 of the
// bright reference in the dead map. The two outermost rows and columns keep their flags.
bool BuildDefectMap(const CImageBuffer &reference, CImageBuffer &map, int kind);

} // namespace defect
