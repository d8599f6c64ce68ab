#include "image/DefectFilters.h"
#include "image/VectorDispatch.h"
#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace defect {
namespace {

// One sample of an 8- or 16-bit buffer, at a row and column.
inline int Get(const CImageBuffer &b, int row, int col) {
    const uint8_t *p = b.Row(row) + col * b.BytesPerPixel();
    if (b.BytesPerPixel() == 1)
        return *p;
    uint16_t v;
    std::memcpy(&v, p, 2);
    return v;
}

inline void Set(CImageBuffer &b, int row, int col, int value) {
    uint8_t *p = b.Row(row) + col * b.BytesPerPixel();
    if (b.BytesPerPixel() == 1) {
        *p = static_cast<uint8_t>(value);
    } else {
        uint16_t v = static_cast<uint16_t>(value);
        std::memcpy(p, &v, 2);
    }
}

// Replaces the sample at (r, c) by the mean of the nearest samples that are not blocked,
// looking left, right, up and down along its row and column; left alone when none is found.
template <class Blocked>
void RepairFromNeighbours(CImageBuffer &raw, int r, int c, Blocked blocked) {
    const int w = raw.Width(), h = raw.Height();
    int sum = 0, count = 0;
    auto look = [&](int dr, int dc) {
        for (int rr = r + dr, cc = c + dc; rr >= 0 && rr < h && cc >= 0 && cc < w; rr += dr, cc += dc) {
            if (!blocked(rr, cc)) {
                sum += Get(raw, rr, cc);
                ++count;
                return;
            }
        }
    };
    look(0, -1);
    look(0, 1);
    look(-1, 0);
    look(1, 0);
    if (count)
        Set(raw, r, c, sum / count);
}

bool IsSensorSized(const CImageBuffer &b, int bytesPerPixel) {
    return !b.IsEmpty() && b.Width() == kSensorWidth && b.Height() == kSensorHeight &&
           b.BytesPerPixel() == bytesPerPixel;
}

} // namespace

namespace {

// The flat-field correction on samples of type T. The quotient is taken in floating point
// where that is exact: for 8-bit samples |numerator| < 2^24 and a divisor below 256 keep
// float's truncated quotient equal to the integer one; 16-bit samples use double.
// The row loop has no branch (a skipped pixel divides by 1 and keeps its value), so that
// the compiler divides a vector of pixels at a time; both copies give the same bits,
// since the division is exactly rounded in every lane.
template <class T, class Real, int Scale, int Top, bool AnyDifference>
VONKEL_INLINE void MaskRow(T *p, const T *d, const T *b, int margin, int colEnd) {
    for (int c = margin; c < colEnd; ++c) {
        const int dc = d[c], bc = b[c], pc = p[c];
        const bool skip = AnyDifference ? bc == dc : bc <= dc;
        const int divisor = skip ? 1 : bc - dc;
        int v = static_cast<int>(static_cast<Real>((pc - dc) * Scale) / static_cast<Real>(divisor));
        v = v < 0 ? 0 : v > Top ? Top : v;
        p[c] = static_cast<T>(skip ? pc : v);
    }
}

template <class T> const T *SensorRowOf(const CImageBuffer &plane, const SensorReadout &readout, int row) {
    return reinterpret_cast<const T *>(plane.Row(static_cast<int32_t>(SensorRow(readout, row))));
}

// The samples of a sensor row under `count` frame columns whose sensor columns are given.
template <class T> VONKEL_INLINE void Gather(const T *sensorRow, const int32_t *columns, int count, T *out) {
    for (int i = 0; i < count; ++i)
        out[i] = sensorRow[columns[i]];
}

template <class T, class Real, int Scale, int Top, bool AnyDifference>
void MaskRows(CImageBuffer &raw, const CImageBuffer &dark, const CImageBuffer &bright, SensorReadout readout,
              int margin) {
    const int rowEnd = raw.Height() - margin, colEnd = raw.Width() - margin;
    conv::detail::Dispatch([&raw, &dark, &bright, readout, margin, rowEnd, colEnd]() VONKEL_INLINE_LAMBDA {
        // A frame row that lies side by side on its sensor row reads the references in place;
        // any other gets their samples under its columns first, a stretch at a time.
        if (!readout.subsampled && !readout.mirrorH) {
            for (int r = margin; r < rowEnd; ++r)
                MaskRow<T, Real, Scale, Top, AnyDifference>(
                    reinterpret_cast<T *>(raw.Row(r)), SensorRowOf<T>(dark, readout, r) + readout.firstColumn,
                    SensorRowOf<T>(bright, readout, r) + readout.firstColumn, margin, colEnd);
            return;
        }
        int32_t columns[kSensorStretch];
        T d[kSensorStretch], b[kSensorStretch];
        for (int c = margin; c < colEnd; c += kSensorStretch) {
            const int n = std::min(kSensorStretch, colEnd - c);
            SensorColumns(readout, c, n, columns);
            for (int r = margin; r < rowEnd; ++r) {
                Gather(SensorRowOf<T>(dark, readout, r), columns, n, d);
                Gather(SensorRowOf<T>(bright, readout, r), columns, n, b);
                MaskRow<T, Real, Scale, Top, AnyDifference>(reinterpret_cast<T *>(raw.Row(r)) + c, d, b, 0, n);
            }
        }
    });
}

// For each sensor position along an axis of `size`, the frame index that shows it, or -1.
void FrameIndices(int64_t (*onSensor)(const SensorReadout &, int), const SensorReadout &readout, int count,
                  int *indexOf, int size) {
    std::fill(indexOf, indexOf + size, -1);
    for (int i = 0; i < count; ++i) {
        const int64_t at = onSensor(readout, i);
        if (at >= 0 && at < size)
            indexOf[at] = i;
    }
}

} // namespace

bool ApplyMask(CImageBuffer &raw, const CImageBuffer &dark, const CImageBuffer &bright, const SensorReadout &readout,
               int margin) {
    const int bpp = raw.BytesPerPixel();
    if (raw.IsEmpty() || (bpp != 1 && bpp != 2) || !IsSensorSized(dark, bpp) || !IsSensorSized(bright, bpp))
        return false;
    if (!Describes(readout, raw.Width(), raw.Height()) || !InsideLiesOn(readout, margin, kSensorWidth, kSensorHeight))
        return false;
    if (bpp == 1)
        MaskRows<uint8_t, float, 256, 255, true>(raw, dark, bright, readout, margin);
    else
        MaskRows<uint16_t, double, 4096, 4095, false>(raw, dark, bright, readout, margin);
    return true;
}

void RepairListed(CImageBuffer &raw, const std::vector<DefectPoint> &points, const SensorReadout &readout) {
    const int bpp = raw.BytesPerPixel();
    if (raw.IsEmpty() || (bpp != 1 && bpp != 2) || points.empty() || !Describes(readout, raw.Width(), raw.Height()))
        return;
    const int w = raw.Width(), h = raw.Height();
    int columnOf[kSensorWidth], rowOf[kSensorHeight];
    FrameIndices(SensorColumn, readout, w, columnOf, kSensorWidth);
    FrameIndices(SensorRow, readout, h, rowOf, kSensorHeight);
    auto place = [&](const DefectPoint &p, int *row, int *col) {
        if (p.x < 0 || p.x >= kSensorWidth || p.y < 0 || p.y >= kSensorHeight)
            return false;
        *col = columnOf[p.x];
        *row = rowOf[kSensorHeight - 1 - p.y];
        return *col >= 0 && *row >= 0;
    };
    // Listed pixels by memory row and column; only unlisted ones may serve as neighbours.
    std::vector<uint8_t> listed(static_cast<size_t>(w) * h, 0);
    for (const DefectPoint &p : points) {
        int r, c;
        if (place(p, &r, &c))
            listed[static_cast<size_t>(r) * w + c] = 1;
    }
    auto isListed = [&](int row, int col) { return listed[static_cast<size_t>(row) * w + col] != 0; };
    for (const DefectPoint &p : points) {
        int r, c;
        if (place(p, &r, &c))
            RepairFromNeighbours(raw, r, c, isListed);
    }
}

bool CopyToSensorOrder(const CImageBuffer &frame, const SensorReadout &readout, CImageBuffer &reference) {
    const int bpp = frame.BytesPerPixel();
    if (!IsSensorSized(frame, bpp) || !IsSensorSized(reference, bpp) ||
        !Describes(readout, frame.Width(), frame.Height()) || !InsideLiesOn(readout, 0, kSensorWidth, kSensorHeight))
        return false;
    for (int r = 0; r < frame.Height(); ++r) {
        uint8_t *to = reference.Row(static_cast<int32_t>(SensorRow(readout, r)));
        for (int c = 0; c < frame.Width(); ++c)
            std::memcpy(to + SensorColumn(readout, c) * bpp, frame.Row(r) + c * bpp, bpp);
    }
    return true;
}

bool BuildDefectMap(const CImageBuffer &reference, CImageBuffer &map, int kind) {
    const int bpp = reference.BytesPerPixel();
    if ((kind != 0 && kind != 1) || !IsSensorSized(reference, bpp) || !IsSensorSized(map, bpp) || (bpp != 1 && bpp != 2))
        return false;
    const int hotAbove = bpp == 1 ? 192 : 3072;
    const int deadBelow = bpp == 1 ? 64 : 1024;
    for (int r = 2; r <= kSensorHeight - 3; ++r)
        for (int c = 2; c <= kSensorWidth - 3; ++c) {
            const int v = Get(reference, r, c);
            Set(map, r, c, kind == 0 ? v > hotAbove : v < deadBelow);
        }
    return true;
}

} // namespace defect
