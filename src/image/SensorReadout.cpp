#include "image/SensorReadout.h"
#include <initializer_list>

namespace {

// The sensor position of frame index `index` along one axis of `count` pixels.
int64_t OnSensor(int first, int index, int count, bool mirrored, bool subsampled) {
    const int64_t read = mirrored ? int64_t(count) - 1 - index : index; // place in read-out order
    const int64_t offset = subsampled ? 4 * (read / 2) + read % 2 : read;
    return first + offset;
}

// Whether frame indices from..to (none when to < from) show positions 0..size - 1; the
// mapping runs one way along an axis, so its ends are its extremes.
bool AxisLiesOn(int first, int from, int to, int count, bool mirrored, bool subsampled, int size) {
    if (to < from)
        return true;
    for (int index : {from, to}) {
        const int64_t at = OnSensor(first, index, count, mirrored, subsampled);
        if (at < 0 || at >= size)
            return false;
    }
    return true;
}

} // namespace

int64_t SensorColumn(const SensorReadout &r, int column) {
    return OnSensor(r.firstColumn, column, r.width, r.mirrorH, r.subsampled);
}

int64_t SensorRow(const SensorReadout &r, int row) {
    return OnSensor(r.firstRow, row, r.height, r.mirrorV, r.subsampled);
}

void SensorColumns(const SensorReadout &r, int from, int count, int32_t *out) {
    for (int i = 0; i < count; ++i)
        out[i] = static_cast<int32_t>(SensorColumn(r, from + i));
}

bool Describes(const SensorReadout &r, int width, int height) { return r.width == width && r.height == height; }

bool InsideLiesOn(const SensorReadout &r, int margin, int planeWidth, int planeHeight) {
    if (r.width <= 0 || r.height <= 0 || margin < 0)
        return false;
    return AxisLiesOn(r.firstColumn, margin, r.width - 1 - margin, r.width, r.mirrorH, r.subsampled, planeWidth) &&
           AxisLiesOn(r.firstRow, margin, r.height - 1 - margin, r.height, r.mirrorV, r.subsampled, planeHeight);
}
