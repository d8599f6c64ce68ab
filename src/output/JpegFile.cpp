// JPEG files through libjpeg: progressive, baseline quantisation tables, grey for the
// grey depths and RGB for the colour ones.
//
// libjpeg reports errors by calling error_exit, whose default ends the process. Ours
// jumps back to a recovery point instead, so that a full disk costs the application a
// file, not its life. Nothing with a destructor may live in the frame that sets the
// recovery point: the jump skips destructors.
#include "image/Conversions.h"
#include "output/StillImage.h"
#include "output/StillRows.h"
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

// Where 16-bit samples come to 8 bits: 12-bit values keep bits 4..11, 10-bit values bits
// 2..9 (for colour, too: the 10-bit reduction would wrap every 12-bit value above 1023).
// Null for the depths libjpeg takes as they are.
ConversionRoutine ReductionFor(int bitsPerPixel, int significantBits) {
    const bool tenBits = significantBits == 10;
    if (bitsPerPixel == 16)
        return tenBits ? conv::Reduce16To8Bits10 : conv::Reduce16To8;
    if (bitsPerPixel == 48 || bitsPerPixel == 64)
        return tenBits ? conv::Reduce48To24 : conv::Reduce48To24Display;
    return nullptr;
}

// libjpeg-turbo reads blue-first pixels itself (and skips a fourth byte), so the
// colour depths need no reordering of ours; the 8-bit lines of 48 and 64-bit pictures
// are blue first as well.
J_COLOR_SPACE InputSpace(int bitsPerPixel) {
    switch (bitsPerPixel) {
    case 8:
    case 16:
        return JCS_GRAYSCALE;
    case 32:
        return JCS_EXT_BGRX;
    default:
        return JCS_EXT_BGR;
    }
}

int Encode(JpegJob &job, const CImageBuffer &source, ConversionRoutine reduce, int quality) {
    job.compressor.err = jpeg_std_error(&job.errors.standard);
    job.errors.standard.error_exit = JumpToRecovery;
    job.errors.standard.output_message = KeepQuiet;
    if (setjmp(job.errors.recovery))
        return 0;
    jpeg_create_compress(&job.compressor);
    jpeg_stdio_dest(&job.compressor, job.file);
    const int bits = source.BitsPerPixel();
    const J_COLOR_SPACE space = InputSpace(bits);
    const int lineBytes = bits == 16 ? 1 : 3; // per pixel of a reduced line
    job.compressor.image_width = static_cast<JDIMENSION>(source.Width());
    job.compressor.image_height = static_cast<JDIMENSION>(source.Height());
    job.compressor.input_components = space == JCS_GRAYSCALE ? 1 : (space == JCS_EXT_BGRX ? 4 : 3);
    job.compressor.in_color_space = space;
    jpeg_set_defaults(&job.compressor);
    jpeg_set_quality(&job.compressor, quality, TRUE);
    jpeg_simple_progression(&job.compressor);
    jpeg_start_compress(&job.compressor, TRUE);

    // Pictures of 16, 48 or 64 bits are reduced a row at a time into the line; the
    // others are read in place.
    if (reduce && !(job.line = static_cast<JSAMPLE *>(std::malloc(static_cast<size_t>(source.Width()) * lineBytes))))
        return 0;
    while (job.compressor.next_scanline < job.compressor.image_height) {
        const auto y = static_cast<int32_t>(job.compressor.next_scanline);
        JSAMPROW row = job.line;
        if (!reduce)
            row = const_cast<JSAMPROW>(source.Row(y));
        else if (!ConvertRows(reduce, source, y, 1, job.line, lineBytes))
            return 0;
        jpeg_write_scanlines(&job.compressor, &row, 1);
    }
    jpeg_finish_compress(&job.compressor);
    return 1;
}

} // namespace

int WriteJpeg(const char *fileName, const CImageBuffer &source, int quality, int significantBits) {
    if (!fileName || source.IsEmpty() || !KnownDepth(source.BitsPerPixel()))
        return 0;
    const ConversionRoutine reduce = ReductionFor(source.BitsPerPixel(), significantBits);
    JpegJob job;
    std::memset(&job, 0, sizeof job);
    job.file = std::fopen(fileName, "wb");
    if (!job.file)
        return 0;
    int ok = Encode(job, source, reduce, quality);
    // Safe also after a jump from inside jpeg_create_compress: the structure was zeroed.
    jpeg_destroy_compress(&job.compressor);
    std::free(job.line);
    // The last buffered bytes reach the disk only here.
    if (std::fclose(job.file) != 0)
        ok = 0;
    return ok;
}

} // namespace still
