// The bitmap layout every image shares with GDI and with bitmap files, and the two
// routine signatures through which all pixel work is driven.
#pragma once
#include <cstddef>
#include <cstdint>

#pragma pack(push, 1)
// BITMAPINFOHEADER, little-endian, passed to GDI unchanged.
struct BitmapInfoHeader {
    uint32_t size;
    int32_t width;
    int32_t height;
    uint16_t planes;
    uint16_t bitCount;
    uint32_t compression;
    uint32_t sizeImage;
    int32_t xPelsPerMeter;
    int32_t yPelsPerMeter;
    uint32_t clrUsed;
    uint32_t clrImportant;
};

// RGBQUAD: one colour table entry.
struct RgbQuad {
    uint8_t blue;
    uint8_t green;
    uint8_t red;
    uint8_t reserved;
};

// BITMAPINFO with a full 256-entry table: what StretchDIBits and bitmap files take.
struct BitmapInfo {
    BitmapInfoHeader header;
    RgbQuad colors[256];
};
#pragma pack(pop)

static_assert(sizeof(BitmapInfoHeader) == 40, "bitmap header layout");
static_assert(sizeof(RgbQuad) == 4, "colour table entry layout");
static_assert(sizeof(BitmapInfo) == 40 + 1024, "header and table form one block");
static_assert(offsetof(BitmapInfo, colors) == 40, "table directly behind the header");

// (left, top, right, bottom); right and bottom exclusive.
struct ImageRect {
    int32_t left;
    int32_t top;
    int32_t right;
    int32_t bottom;
};

// A conversion routine reads `rect` of the source (memory rows) and writes the same
// number of rows and columns at (dstX, dstRow) of the destination. Bytes per pixel are
// bits per pixel / 8. param1 points at the routine's parameter block (ConversionBlocks.h);
// param2 is the caller's context where a routine names one. Returns 1, a measurement,
// or 0 when it refuses the arguments.
using ConversionRoutine = int (*)(uint8_t *dst, const uint8_t *src, const ImageRect &rect, int32_t dstX, int32_t dstRow,
                                  int dstBytesPerPixel, int srcBytesPerPixel, int32_t dstStride, int32_t srcStride,
                                  void *param1, void *param2);

// A stretch routine scales srcRect of the source onto dstRect of the destination.
using StretchRoutine = int (*)(uint8_t *dst, const uint8_t *src, const ImageRect &dstRect, const ImageRect &srcRect,
                               int32_t dstWidth, int32_t dstHeight, int32_t srcWidth, int32_t srcHeight,
                               int dstBytesPerPixel, int srcBytesPerPixel, int32_t dstStride, int32_t srcStride,
                               void *param1, void *param2);
