// Still image files: the current picture of a camera as a bitmap, a raw dump, a JPEG, a
// PNG or a TIFF file. Every writer takes the picture as the camera keeps it (top row
// first, rows padded to 4 bytes, blue before red) and a narrow file name, returns 1 or 0
// and records nothing: the camera decides what a failure means to the application.
// A write that fails half-way returns 0 and leaves the partial file where it is.
#pragma once
#include "image/CImageBuffer.h"

namespace still {

// The format numbers applications pass; any other value writes nothing.
enum Format {
    kBitmap = 0,
    kRaw = 1,
    kJpeg100 = 2,
    kJpeg70 = 3,
    kJpeg20 = 4,
    kPng = 5,
    kTiff = 6,
};

// Writes `source` to `fileName` in `format`. `significantBits` says how many bits of a
// 16-bit sample carry the picture: 12 (what the camera delivers) or 10. 0 for an unknown
// format or bit count, an empty source or one of another depth than 8, 16, 24, 32, 48 or
// 64 bits (no file is touched then), and when the file cannot be made or fully written.
int Save(const char *fileName, const CImageBuffer &source, int format, int significantBits);

// The writer families, for the saver and the tests.
// Bottom-up bitmap file with the source's depth; 8-bit files get the grey ramp.
int WriteBitmap(const char *fileName, const CImageBuffer &source);
// A bitmap file of the store as it is: file header, the buffer's header, the colour table
// for 8 bits, the rows in memory order. 0 when the file cannot be made or written.
int WriteBitmapStore(const char *fileName, const CImageBuffer &image);
// height x stride bytes exactly as they are in memory.
int WriteRaw(const char *fileName, const CImageBuffer &source);
// Progressive JPEG at `quality` (1..100): 8 and 16-bit sources give grey files, the
// colour depths RGB files.
int WriteJpeg(const char *fileName, const CImageBuffer &source, int quality, int significantBits);
// PNG of the source's depth: 8 or 16-bit grey, RGB or RGB with alpha.
int WritePng(const char *fileName, const CImageBuffer &source, int significantBits);
// Uncompressed TIFF in one strip, 8 or 16 bits per sample.
int WriteTiff(const char *fileName, const CImageBuffer &source, int significantBits);

// The depths the writers take.
inline bool KnownDepth(int bitsPerPixel) {
    return bitsPerPixel == 8 || bitsPerPixel == 16 || bitsPerPixel == 24 || bitsPerPixel == 32 ||
           bitsPerPixel == 48 || bitsPerPixel == 64;
}

} // namespace still
