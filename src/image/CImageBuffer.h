// The one bitmap type of the system: a BITMAPINFO (40-byte header and 256-entry colour
// table in one block) and a plain pixel store, rows padded to 4 bytes. Memory row 0 is
// the top row of the picture as the camera delivers it; since the header's height is
// positive, GDI and bitmap files take memory row 0 as the bottom row, so whoever shows
// or saves a buffer turns the rows over.
//
// The buffer never touches pixels itself: ApplyConversion and ApplyStretch work out the
// rectangles and hand both stores to a routine (Conversions.h).
#pragma once
#include "image/ImageTypes.h"
#include <cstdint>

class CImageBuffer {
public:
    CImageBuffer();
    ~CImageBuffer() { Release(); }
    CImageBuffer(const CImageBuffer &) = delete;
    CImageBuffer &operator=(const CImageBuffer &) = delete;

    // Stride for a width and depth: whole bytes per pixel, each row padded to 4 bytes.
    static int32_t StrideFor(int32_t width, int bitsPerPixel);

    // (Re)makes the buffer with a zeroed store; 8-bit buffers get the grey ramp. Depths
    // are 8, 16, 24, 32, 48 or 64. Returns 0 and leaves the buffer as it was for bad
    // geometry; returns 0 with the buffer released when memory runs out.
    int Create(int32_t width, int32_t height, int bitsPerPixel);
    // The same geometry and depth as the model.
    int CreateLike(const CImageBuffer *model);
    // Back to empty: header size 40, everything else zero.
    void Release();

    // Mode 0: the grey ramp into all 256 entries. Mode 2: `count` entries from
    // `entries` into the table from entry `first` on (kept within the table). Other
    // modes do nothing. Always 1.
    int SetColorTable(int mode, const RgbQuad *entries = nullptr, int first = 0, int count = 0);

    // Runs `routine` over `srcRect` of `src` (the whole source when null), placed at
    // (dstX, dstY) of `dst`; y counts from the top of the picture. Returns the routine's
    // result, or 0 without calling it when the clip leaves nothing.
    static int ApplyConversion(CImageBuffer *dst, ConversionRoutine routine, const CImageBuffer *src,
                               const ImageRect *srcRect, int32_t dstX, int32_t dstY, void *param1 = nullptr,
                               void *param2 = nullptr);
    // Runs `routine` from `srcRect` of `src` onto `dstRect` of `dst` (whole pictures when
    // null). The rectangles go to the routine as they are; the routines keep inside.
    static int ApplyStretch(CImageBuffer *dst, StretchRoutine routine, const CImageBuffer *src,
                            const ImageRect *srcRect, const ImageRect *dstRect, void *param1 = nullptr,
                            void *param2 = nullptr);
    // Clips `rect` (in: picture coordinates, y from the top) placed at (*dstX, *dstY)
    // against both buffers. On success *rect holds the source rectangle in memory rows,
    // *dstX the destination column and *dstY the destination memory row; returns 1.
    // Otherwise all are zeroed and 0 is returned.
    static int ClipRects(const CImageBuffer *dst, const CImageBuffer *src, ImageRect *rect, int32_t *dstX,
                         int32_t *dstY);
    // Copies the rectangle (or the whole source) to (x, y) of `dst` the way a bit-block
    // transfer between two bitmaps would: same-depth pixels as they are, 8-bit pixels
    // into 24 or 32 bits through the source's colour table. 1 when pixels moved.
    static int BlitTo(CImageBuffer *dst, const CImageBuffer *src, const ImageRect *srcRect, int32_t x, int32_t y);

    int32_t Width() const { return m_width; }
    int32_t Height() const { return m_height; }
    int32_t Stride() const { return m_stride; }
    int BitsPerPixel() const { return m_bitsPerPixel; }
    int BytesPerPixel() const { return m_bitsPerPixel / 8; }
    bool IsEmpty() const { return m_pixels == nullptr; }
    // height × stride
    size_t ImageBytes() const { return static_cast<size_t>(m_height) * static_cast<size_t>(m_stride); }
    uint8_t *Pixels() { return m_pixels; }
    const uint8_t *Pixels() const { return m_pixels; }
    uint8_t *Row(int32_t memoryRow) { return m_pixels + static_cast<ptrdiff_t>(memoryRow) * m_stride; }
    const uint8_t *Row(int32_t memoryRow) const { return m_pixels + static_cast<ptrdiff_t>(memoryRow) * m_stride; }
    const BitmapInfoHeader &Header() const { return m_info.header; }
    // Header and table as one BITMAPINFO, for StretchDIBits and SetDIBitsToDevice.
    const BitmapInfo *Info() const { return &m_info; }
    const RgbQuad *ColorTable() const { return m_info.colors; }

private:
    int Allocate();

    BitmapInfo m_info;
    uint8_t *m_pixels;
    int32_t m_width;
    int32_t m_height;
    int32_t m_stride;
    uint16_t m_bitsPerPixel;
};
