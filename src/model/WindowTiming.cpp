#include "model/WindowTiming.h"
#include "image/ImageTraits.h"

namespace {
int RoundUp4(int v) { return (v + 3) & ~3; }
// Sub-sampled frames and full heights have fixed frame lengths; a partial height takes
// its rows plus the sensor's blanking.
constexpr int kSubsampledLines = 296;
constexpr int kFullLines8 = 556, kFullLines16 = 1248;
constexpr int kBlankingLines = 36;
// In the bottom-counted row mode the row start is 516 - top - height.
constexpr int kRowFromBottomBase = 516;
constexpr int kNewerLogic = 260; // versions above use the newer capture offsets
} // namespace

WindowTiming ComputeWindowTiming(int x, int y, int width, int height, int subSample, bool wordMode,
                                 int logicVersion, bool mirrorH) {
    const bool subsampled = subSample == 1;
    const int divisor = subsampled ? 2 : 1;
    WindowTiming t{};
    t.columnStart = RoundUp4(x);
    t.width = RoundUp4(width / divisor);
    t.height = RoundUp4(height / divisor);
    const bool fullHeight = t.height == sensor::kHeight;
    if (subsampled) {
        t.rowStart = RoundUp4(y), t.frameLines = kSubsampledLines, t.subsampleMode = 17, t.readoutMode = 2;
    } else if (fullHeight) {
        t.rowStart = RoundUp4(y), t.frameLines = wordMode ? kFullLines16 : kFullLines8;
    } else {
        // Partial heights are addressed from the far end of the sensor.
        t.rowStart = kRowFromBottomBase - y - height, t.frameLines = t.height + kBlankingLines;
        t.rowMode = 2, t.readoutMode = 1;
    }
    if (logicVersion <= kNewerLogic) {
        t.captureOffsetP = 21;
        t.captureOffsetQ = subsampled ? 22 : 38;
    } else if (subsampled) {
        t.captureOffsetP = 23;
        t.captureOffsetQ = mirrorH ? 24 : 8;
    } else {
        t.captureOffsetP = fullHeight ? 25 : 21;
        t.captureOffsetQ = 8;
    }
    return t;
}

SensorReadout ReadoutOf(int x, int y, int width, int height, int subSample, bool mirrorH, bool mirrorV) {
    const WindowTiming t = ComputeWindowTiming(x, y, width, height, subSample, false, kNewerLogic + 1, mirrorH);
    SensorReadout r;
    r.firstColumn = t.columnStart;
    // Rows counted from the far end: the window's top row lies its start and height before it.
    r.firstRow = t.rowMode == 2 ? kRowFromBottomBase - t.rowStart - t.height : t.rowStart;
    r.width = t.width;
    r.height = t.height;
    r.subsampled = subSample == 1;
    r.mirrorH = mirrorH;
    r.mirrorV = mirrorV;
    return r;
}
