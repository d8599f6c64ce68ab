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
template <class T, class Real, int Scale, int Top, bool AnyDifference, int Step>
VONKEL_INLINE void MaskRow(T *p, const T *d, const T *b, int margin, int colEnd) {
    for (int c = margin; c < colEnd; ++c) {
        const int dc = d[c * Step], bc = b[c * Step], pc = p[c];
        const bool skip = AnyDifference ? bc == dc : bc <= dc;
        const int divisor = skip ? 1 : bc - dc;
        int v = static_cast<int>(static_cast<Real>((pc - dc) * Scale) / static_cast<Real>(divisor));
        v = v < 0 ? 0 : v > Top ? Top : v;
        p[c] = static_cast<T>(skip ? pc : v);
    }
}

template <class T, class Real, int Scale, int Top, bool AnyDifference, int Step>
void MaskRows(CImageBuffer &raw, const CImageBuffer &dark, const CImageBuffer &bright, int windowX, int windowY,
              int margin, int rowEnd, int colEnd) {
    conv::detail::Dispatch([&raw, &dark, &bright, windowX, windowY, margin, rowEnd, colEnd]() VONKEL_INLINE_LAMBDA {
        for (int r = margin; r < rowEnd; ++r)
            MaskRow<T, Real, Scale, Top, AnyDifference, Step>(
                reinterpret_cast<T *>(raw.Row(r)),
                reinterpret_cast<const T *>(dark.Row(windowY + r * Step)) + windowX,
                reinterpret_cast<const T *>(bright.Row(windowY + r * Step)) + windowX, margin, colEnd);
    });
}

} // namespace

bool ApplyMask(CImageBuffer &raw, const CImageBuffer &dark, const CImageBuffer &bright, int windowX, int windowY,
               int margin, int step) {
    const int bpp = raw.BytesPerPixel();
    if (raw.IsEmpty() || (bpp != 1 && bpp != 2) || !IsSensorSized(dark, bpp) || !IsSensorSized(bright, bpp))
        return false;
    if (windowX < 0 || windowY < 0 || windowX >= kSensorWidth || windowY >= kSensorHeight || (step != 1 && step != 2))
        return false;
    const int w = raw.Width(), h = raw.Height();
    // The references are read at the pixel's place on the sensor: keep inside them.
    const int rowEnd = std::min(h - margin, (kSensorHeight - windowY + step - 1) / step);
    const int colEnd = std::min(w - margin, (kSensorWidth - windowX + step - 1) / step);
    if (bpp == 1 && step == 1)
        MaskRows<uint8_t, float, 256, 255, true, 1>(raw, dark, bright, windowX, windowY, margin, rowEnd, colEnd);
    else if (bpp == 1)
        MaskRows<uint8_t, float, 256, 255, true, 2>(raw, dark, bright, windowX, windowY, margin, rowEnd, colEnd);
    else if (step == 1)
        MaskRows<uint16_t, double, 4096, 4095, false, 1>(raw, dark, bright, windowX, windowY, margin, rowEnd, colEnd);
    else
        MaskRows<uint16_t, double, 4096, 4095, false, 2>(raw, dark, bright, windowX, windowY, margin, rowEnd, colEnd);
    return true;
}

SensorView ViewOf(int windowX, int windowY, int width, int height, bool windowFlagH, bool windowFlagV, bool mirrorH,
                  bool mirrorV) {
    SensorView v{0, kSensorWidth - 1, 0, kSensorHeight - 1, mirrorH, mirrorV};
    if (windowFlagH) {
        const bool full = windowX == 0 && width == kSensorWidth;
        if (mirrorH && !full) {
            v.x1 = kSensorWidth - 1 - windowX;
            v.x0 = kSensorWidth - windowX - width;
        } else {
            v.x0 = windowX;
            v.x1 = windowX + width - 1;
        }
    }
    if (windowFlagV) {
        const bool full = windowY == 0 && height == kSensorHeight;
        if (mirrorV && !full) {
            v.y0 = windowY;
            v.y1 = windowY + height - 1;
        } else {
            v.y1 = kSensorHeight - 1 - windowY;
            v.y0 = kSensorHeight - windowY - height;
        }
    }
    return v;
}

void RepairListed(CImageBuffer &raw, const std::vector<DefectPoint> &points, const SensorView &view) {
    const int bpp = raw.BytesPerPixel();
    if (raw.IsEmpty() || (bpp != 1 && bpp != 2) || points.empty())
        return;
    const int w = raw.Width(), h = raw.Height();
    // Where each listed point lands, as (column, k) with k counted from the bottom row.
    auto place = [&](const DefectPoint &p, int *c, int *k) {
        // A file may list any integers: one off the sensor is in no picture, and mirroring
        // it (the sensor's last column or row minus it) could overflow.
        if (p.x < 0 || p.x >= kSensorWidth || p.y < 0 || p.y >= kSensorHeight)
            return false;
        const int x = view.mirrorH ? kSensorWidth - 1 - p.x : p.x;
        const int y = view.mirrorV ? kSensorHeight - 1 - p.y : p.y;
        if (x < view.x0 || x > view.x1 || y < view.y0 || y > view.y1)
            return false;
        // A subsampled picture shows every step-th sensor pixel only.
        const int step = view.step > 0 ? view.step : 1;
        if ((x - view.x0) % step || (y - view.y0) % step)
            return false;
        *c = (x - view.x0) / step;
        *k = (y - view.y0) / step;
        return *c >= 0 && *c < w && *k >= 0 && *k < h;
    };
    // Listed pixels by memory row and column; only unlisted ones may serve as neighbours.
    std::vector<uint8_t> listed(static_cast<size_t>(w) * h, 0);
    for (const DefectPoint &p : points) {
        int c, k;
        if (place(p, &c, &k))
            listed[static_cast<size_t>(h - 1 - k) * w + c] = 1;
    }
    auto isListed = [&](int row, int col) { return listed[static_cast<size_t>(row) * w + col] != 0; };
    for (const DefectPoint &p : points) {
        int c, k;
        if (place(p, &c, &k))
            RepairFromNeighbours(raw, h - 1 - k, c, isListed);
    }
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
