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

// Flat-field correction: P <- (P - D) * full scale / (B - D) inside a margin, with the
// references read at the pixel's place in the capture window (windowX, windowY). Both
// references must have the raw buffer's depth and the full sensor size; otherwise nothing
// is changed and false returned.
bool ApplyMask(CImageBuffer &raw, const CImageBuffer &dark, const CImageBuffer &bright, int windowX, int windowY,
               int margin);

// Isolated defects: marks pixels flagged in the hot or dead map or standing `threshold`
// away from the mean of their four neighbours, then replaces each mark by the mean of the
// nearest unmarked pixels left, right, above and below. The maps are read and written at
// the pixel's own byte offset in the raw buffer. Returns false when a map is too small.
bool RepairDots(CImageBuffer &raw, const CImageBuffer &hot, const CImageBuffer &dead, CImageBuffer &dot,
                int threshold);

// How listed sensor pixels land in the picture: the sensor columns x0..x1 and rows y0..y1
// the picture shows, and the mirroring.
struct SensorView {
    int x0, x1, y0, y1;
    bool mirrorH, mirrorV;
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
