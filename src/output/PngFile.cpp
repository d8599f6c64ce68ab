// PNG files through libpng: the picture's own depth, 8 or 16 bits per sample, grey, RGB
// or RGB with alpha, the library's default compression and filters.
//
// libpng reports errors by a call that must not return; ours jumps back to the
// recovery point set before the first libpng call that can fail. Nothing with a
// destructor may live in the frame that sets it: the jump skips destructors.
#include "image/Conversions.h"
#include "output/StillImage.h"
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
    png_bytep *rows;
    uint8_t *swapped;
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

// PNG samples are big-endian, ours little-endian: a copy with every sample's bytes exchanged.
const uint8_t *SwapBytes(PngJob &job, const uint8_t *pixels, size_t bytes) {
    job.swapped = static_cast<uint8_t *>(std::malloc(bytes));
    if (!job.swapped)
        png_error(job.png, "Vizozediv: Out of memory");
    for (size_t i = 0; i + 1 < bytes; i += 2) {
        job.swapped[i] = pixels[i + 1];
        job.swapped[i + 1] = pixels[i];
    }
    return job.swapped;
}

int Encode(PngJob &job, const uint8_t *pixels, int32_t width, int32_t height, int bitsPerPixel) {
    if (setjmp(png_jmpbuf(job.png)))
        return 0;
    const bool deep = bitsPerPixel == 16 || bitsPerPixel == 48 || bitsPerPixel == 64;
    png_init_io(job.png, job.file);
    png_set_IHDR(job.png, job.info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), deep ? 16 : 8,
                 ColourType(bitsPerPixel), PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_write_info(job.png, job.info);
    // The picture is blue, green, red; the file wants red first.
    png_set_bgr(job.png);

    const size_t stride = CImageBuffer::StrideFor(width, bitsPerPixel);
    const size_t bytes = stride * static_cast<size_t>(height);
    job.rows = static_cast<png_bytep *>(std::malloc(sizeof(png_bytep) * static_cast<size_t>(height)));
    if (!job.rows)
        png_error(job.png, "Vizozediv: Out of memory");
    const uint8_t *const first = deep ? SwapBytes(job, pixels, bytes) : pixels;
    for (int32_t i = 0; i < height; ++i)
        job.rows[i] = const_cast<png_bytep>(first + stride * static_cast<size_t>(i));
    png_write_image(job.png, job.rows);
    png_write_end(job.png, nullptr);
    return 1;
}

// Writes `pixels` (rows at the stride of the depth, top row first) as a PNG file.
int WritePngPixels(const char *fileName, const uint8_t *pixels, int32_t width, int32_t height, int bitsPerPixel) {
    if (!fileName)
        return 0;
    PngJob job{};
    job.file = std::fopen(fileName, "wb");
    if (!job.file)
        return 0;
    job.png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, ReportAndRecover, nullptr);
    job.info = job.png ? png_create_info_struct(job.png) : nullptr;
    int ok = job.info ? Encode(job, pixels, width, height, bitsPerPixel) : 0;
    png_destroy_write_struct(&job.png, &job.info);
    std::free(job.rows);
    std::free(job.swapped);
    // The last buffered bytes reach the disk only here.
    if (std::fclose(job.file) != 0)
        ok = 0;
    return ok;
}

// The routine that turns the source into the file's samples, or null when the source
// goes to the file as it is.
ConversionRoutine PngInput(int bitsPerPixel, int significantBits) {
    const bool tenBits = significantBits == 10;
    switch (bitsPerPixel) {
    case 16:
        return tenBits ? conv::Widen16x64 : conv::Widen16x16;
    case 32: // the fourth byte of a picture is 0: its complement makes it opaque
        return conv::FillAlpha;
    case 48:
        return tenBits ? conv::Widen48x64 : conv::Widen48x16;
    case 64:
        return tenBits ? conv::Widen64x64 : conv::Widen64x16;
    default:
        return nullptr;
    }
}

} // namespace

int WritePng(const char *fileName, const CImageBuffer &source, int significantBits) {
    if (!fileName || source.IsEmpty() || !KnownDepth(source.BitsPerPixel()))
        return 0;
    const ConversionRoutine routine = PngInput(source.BitsPerPixel(), significantBits);
    CImageBuffer copy;
    if (routine && !(copy.CreateLike(&source) && CImageBuffer::ApplyConversion(&copy, routine, &source, nullptr, 0, 0)))
        return 0;
    const CImageBuffer &input = routine ? copy : source;
    return WritePngPixels(fileName, input.Pixels(), input.Width(), input.Height(), input.BitsPerPixel());
}

} // namespace still
