// PNG files through libpng: the picture's own depth, 8 or 16 bits per sample, grey, RGB
// or RGB with alpha, the library's default compression and filters.
//
// libpng reports errors by a call that must not return; ours jumps back to the
// recovery point set before the first libpng call that can fail. Nothing with a
// destructor may live in the frame that sets it: the jump skips destructors.
#include "image/Conversions.h"
#include "output/StillImage.h"
#include "output/StillRows.h"
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <png.h>

namespace still {
namespace {

// What the recovery point must release; it lives in the caller's frame.
struct PngJob {
    FILE *file;
    png_structp png;
    png_infop info;
    uint8_t *line;
};

void ReportAndRecover(png_structp png, png_const_charp message) {
    std::fprintf(stderr, "libpng error: %s\n", message);
    png_longjmp(png, 1);
}

// Colour type by depth; 16-bit samples for the deep ones.
int ColourType(int bitsPerPixel) {
    switch (bitsPerPixel) {
    case 24:
    case 48:
        return PNG_COLOR_TYPE_RGB;
    case 32:
    case 64:
        return PNG_COLOR_TYPE_RGB_ALPHA;
    default:
        return PNG_COLOR_TYPE_GRAY;
    }
}

// The routine that stretches 16-bit samples to the full range (and makes the alpha of
// 64-bit pixels opaque), or null when the rows go to libpng as they are.
ConversionRoutine WideningFor(int bitsPerPixel, int significantBits) {
    const bool tenBits = significantBits == 10;
    switch (bitsPerPixel) {
    case 16:
        return tenBits ? conv::Widen16x64 : conv::Widen16x16;
    case 48:
        return tenBits ? conv::Widen48x64 : conv::Widen48x16;
    case 64:
        return tenBits ? conv::Widen64x64 : conv::Widen64x16;
    default:
        return nullptr;
    }
}

// libpng's own row transforms do the rest as it copies each row in: red first, 16-bit
// samples big-endian, and the alpha of a 32-bit picture as the complement of its fourth
// byte (which is 0, so opaque).
int Encode(PngJob &job, const CImageBuffer &source, ConversionRoutine widen) {
    if (setjmp(png_jmpbuf(job.png)))
        return 0;
    const int bits = source.BitsPerPixel();
    const bool deep = bits == 16 || bits == 48 || bits == 64;
    png_init_io(job.png, job.file);
    png_set_IHDR(job.png, job.info, static_cast<png_uint_32>(source.Width()), static_cast<png_uint_32>(source.Height()),
                 deep ? 16 : 8, ColourType(bits), PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_write_info(job.png, job.info);
    png_set_bgr(job.png);
    if (deep)
        png_set_swap(job.png);
    if (bits == 32)
        png_set_invert_alpha(job.png);
    if (widen && !(job.line = static_cast<uint8_t *>(std::malloc(static_cast<size_t>(source.Stride())))))
        png_error(job.png, "Vizozediv: Out of memory");
    for (int32_t y = 0; y < source.Height(); ++y) {
        if (widen && !ConvertRows(widen, source, y, 1, job.line, source.BytesPerPixel()))
            png_error(job.png, "Vizozediv: conversion refused");
        png_write_row(job.png, widen ? job.line : source.Row(y));
    }
    png_write_end(job.png, nullptr);
    return 1;
}

} // namespace

int WritePng(const char *fileName, const CImageBuffer &source, int significantBits) {
    if (!fileName || source.IsEmpty() || !KnownDepth(source.BitsPerPixel()))
        return 0;
    PngJob job{};
    job.file = std::fopen(fileName, "wb");
    if (!job.file)
        return 0;
    job.png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, ReportAndRecover, nullptr);
    job.info = job.png ? png_create_info_struct(job.png) : nullptr;
    int ok = job.info ? Encode(job, source, WideningFor(source.BitsPerPixel(), significantBits)) : 0;
    png_destroy_write_struct(&job.png, &job.info);
    std::free(job.line);
    // The last buffered bytes reach the disk only here.
    if (std::fclose(job.file) != 0)
        ok = 0;
    return ok;
}

} // namespace still
