// JPEG files through libjpeg: progressive, baseline quantisation tables, grey for the
// grey depths and RGB for the colour ones.
//
// libjpeg reports errors by calling error_exit, whose default ends the process. Ours
// jumps back to a recovery point instead, so that a full disk costs the application a
// file, not its life. Nothing with a destructor may live in the frame that sets the
// recovery point: the jump skips destructors.
#include "image/Conversions.h"
#include "output/StillImage.h"
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
// jpeglib.h expects FILE and size_t declared before it.
#include <jpeglib.h>

namespace still {
namespace {

struct JpegErrors {
    jpeg_error_mgr standard; // first: libjpeg hands us a pointer to it
    jmp_buf recovery;
};

void JumpToRecovery(j_common_ptr info) { longjmp(reinterpret_cast<JpegErrors *>(info->err)->recovery, 1); }
// A library inside a GUI process has no console to print its messages to.
void KeepQuiet(j_common_ptr) {}

// What the recovery point must release; it lives in the caller's frame.
struct JpegJob {
    FILE *file;
    jpeg_compress_struct compressor;
    JpegErrors errors;
    JSAMPLE *line;
};

// 12-bit colour samples keep their bits 4..11 (the 10-bit reduction would wrap every
// value above 1023), rows reversed like the other working images.
VONKEL_CONVERSION_ROUTINE(Reduce48To24Reversed12) {
    int ok = 1;
    for (int32_t i = 0; ok && i < rect.bottom - rect.top; ++i) {
        const ImageRect row{rect.left, rect.bottom - 1 - i, rect.right, rect.bottom - i};
        ok = conv::Reduce48To24Display(dst, src, row, dstX, dstRow + i, dstBpp, srcBpp, dstStride, srcStride, param1,
                                       param2);
    }
    return ok;
}

// The 8 or 24-bit picture of 16, 48 and 64-bit sources, bottom row first in memory.
bool MakeWorkingImage(CImageBuffer &working, const CImageBuffer &source, int significantBits) {
    const int bits = source.BitsPerPixel();
    ConversionRoutine routine = nullptr;
    if (bits == 16)
        routine = significantBits == 10 ? conv::Reduce16To8Bits10 : conv::Reduce16To8;
    else if (bits == 48 || bits == 64)
        routine = significantBits == 10 ? conv::Reduce48To24 : Reduce48To24Reversed12;
    else
        return false;
    return working.Create(source.Width(), source.Height(), bits == 16 ? 8 : 24) &&
           CImageBuffer::ApplyConversion(&working, routine, &source, nullptr, 0, 0);
}

// 8, 24 and 32-bit pictures are read in place, top row first: a flipped copy of the
// frame would cost a tenth of what libjpeg itself takes at low qualities. `picture` has
// its bottom row first when it is a working image.
int Encode(JpegJob &job, const CImageBuffer &picture, bool bottomRowFirst, int quality) {
    job.compressor.err = jpeg_std_error(&job.errors.standard);
    job.errors.standard.error_exit = JumpToRecovery;
    job.errors.standard.output_message = KeepQuiet;
    if (setjmp(job.errors.recovery))
        return 0;
    jpeg_create_compress(&job.compressor);
    jpeg_stdio_dest(&job.compressor, job.file);
    const bool grey = picture.BitsPerPixel() == 8;
    job.compressor.image_width = static_cast<JDIMENSION>(picture.Width());
    job.compressor.image_height = static_cast<JDIMENSION>(picture.Height());
    job.compressor.input_components = grey ? 1 : 3;
    job.compressor.in_color_space = grey ? JCS_GRAYSCALE : JCS_RGB;
    jpeg_set_defaults(&job.compressor);
    jpeg_set_quality(&job.compressor, quality, TRUE);
    jpeg_simple_progression(&job.compressor);
    jpeg_start_compress(&job.compressor, TRUE);

    const JDIMENSION width = job.compressor.image_width;
    job.line = static_cast<JSAMPLE *>(std::malloc(static_cast<size_t>(width) * (grey ? 1 : 3)));
    if (!job.line)
        return 0;
    const int pixelBytes = picture.BytesPerPixel();
    while (job.compressor.next_scanline < job.compressor.image_height) {
        const int32_t line = static_cast<int32_t>(job.compressor.next_scanline);
        const uint8_t *in = picture.Row(bottomRowFirst ? picture.Height() - 1 - line : line);
        if (grey) {
            std::memcpy(job.line, in, width);
        } else {
            for (JDIMENSION x = 0; x < width; ++x, in += pixelBytes) {
                job.line[3 * x] = in[2];
                job.line[3 * x + 1] = in[1];
                job.line[3 * x + 2] = in[0];
            }
        }
        JSAMPROW row = job.line;
        jpeg_write_scanlines(&job.compressor, &row, 1);
    }
    jpeg_finish_compress(&job.compressor);
    return 1;
}

} // namespace

int WriteJpeg(const char *fileName, const CImageBuffer &source, int quality, int significantBits) {
    if (!fileName || source.IsEmpty())
        return 0;
    const int bits = source.BitsPerPixel();
    const bool inPlace = bits == 8 || bits == 24 || bits == 32;
    CImageBuffer working;
    if (!inPlace && !MakeWorkingImage(working, source, significantBits))
        return 0;
    JpegJob job;
    std::memset(&job, 0, sizeof job);
    job.file = std::fopen(fileName, "wb");
    if (!job.file)
        return 0;
    int ok = Encode(job, inPlace ? source : working, !inPlace, quality);
    // Safe also after a jump from inside jpeg_create_compress: the structure was zeroed.
    jpeg_destroy_compress(&job.compressor);
    std::free(job.line);
    // The last buffered bytes reach the disk only here.
    if (std::fclose(job.file) != 0)
        ok = 0;
    return ok;
}

} // namespace still
