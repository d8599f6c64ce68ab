// A row at a time from the picture into a codec's line: the writers turn each row into
// the file's samples just before the codec takes it, so that no second frame is made
// and the row is still in the cache when the codec reads it. Internal to output/.
#pragma once
#include "image/CImageBuffer.h"

namespace still {

// Memory rows first .. first + rows - 1 of `source` through `routine` into `out`, rows
// packed (outBytesPerPixel bytes a pixel, no padding). The routine is called directly:
// the rectangle is whole rows of the source, so ApplyConversion's clipping has nothing
// to do. A routine that reverses rows reverses them inside the block: such routines are
// run one row at a time. 0 when the routine refuses.
inline int ConvertRows(ConversionRoutine routine, const CImageBuffer &source, int32_t first, int32_t rows,
                       uint8_t *out, int outBytesPerPixel) {
    const ImageRect block{0, first, source.Width(), first + rows};
    return routine(out, source.Pixels(), block, 0, 0, outBytesPerPixel, source.BytesPerPixel(),
                   source.Width() * outBytesPerPixel, source.Stride(), nullptr, nullptr);
}

} // namespace still
