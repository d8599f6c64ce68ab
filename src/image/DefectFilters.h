// The three defect corrections of the per-frame processing, and the rule that derives
// the hot- and dead-pixel maps from the references. They work on the raw mosaic, 8-bit
// samples or 12-bit values in 16-bit samples, in memory row order.
#pragma once
#include "image/CImageBuffer.h"
#include "image/SensorReadout.h"
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

// The references and maps are sensor-sized and in the sensor's order; each correction
// reads them at the sensor position of the frame pixel, as the readout names it.

// Flat-field correction: P <- (P - D) * full scale / (B - D) inside a margin, with the
// references read at the pixel's place on the sensor. Both references must have the raw
// buffer's depth and the full sensor size, and the readout must be the raw buffer's and
// lie on the sensor; otherwise nothing is changed and false returned.
bool ApplyMask(CImageBuffer &raw, const CImageBuffer &dark, const CImageBuffer &bright, const SensorReadout &readout,
               int margin);

// Isolated defects: marks pixels flagged in the hot or dead map or standing `threshold`
// away from the mean of their four neighbours, then replaces each mark by the mean of the
// nearest unmarked pixels left, right, above and below. The hot and dead maps are read at
// the pixel's place on the sensor; the marks go to `dot` at the pixel's own byte offset in
// the raw buffer. Returns false when the readout is not the raw buffer's, or a map is of
// another depth or does not hold the sensor positions of the pixels marked.
bool RepairDots(CImageBuffer &raw, const CImageBuffer &hot, const CImageBuffer &dead, CImageBuffer &dot, int threshold,
                const SensorReadout &readout);

// Replaces every listed pixel that the frame shows by the mean of its nearest unlisted
// neighbours along its row and column. A listed (x, y) is the sensor position of row
// 511 - y, column x: counted from the bottom left of a frame without mirroring.
void RepairListed(CImageBuffer &raw, const std::vector<DefectPoint> &points, const SensorReadout &readout);

// Copies a frame of the whole sensor into a reference in the sensor's order, undoing the
// mirroring it was read with. False, with nothing copied, for any other frame.
bool CopyToSensorOrder(const CImageBuffer &frame, const SensorReadout &readout, CImageBuffer &reference);

// Derives a defect map from a reference: kind 0 flags samples above 192 (8-bit) or 3072
// (16-bit) of the dark reference in the hot map, kind 1 samples below 64 or 1024 of the
// bright reference in the dead map. The two outermost rows and columns keep their flags.
bool BuildDefectMap(const CImageBuffer &reference, CImageBuffer &map, int kind);

} // namespace defect
