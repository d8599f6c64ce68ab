// TIFF files through libtiff: uncompressed, the whole picture in one strip, 8 or 16 bits
// per sample in the order the tags say.
//
// libtiff's default handlers print errors and warnings to a console, which a GUI
// application does not have; ours only keep them from going anywhere.
#include "image/Conversions.h"
#include "output/StillImage.h"
#include "output/StillRows.h"
#include <algorithm>
#include <cstring>
#include <mutex>
#include <tiffio.h>
#include <vector>

namespace still {
namespace {

int Swallow(TIFF *, void *, const char *, const char *, va_list) { return 1; } // 1: handled, go no further

// The handlers of the open file catch nearly everything; the process-wide ones are
// emptied as well for the few messages libtiff sends without a file. Our copy of libtiff
// is linked into the library, so no other code of the process relies on them.
TIFF *OpenQuietly(const char *fileName) {
    static std::once_flag once;
    std::call_once(once, [] {
        TIFFSetErrorHandler(nullptr);
        TIFFSetWarningHandler(nullptr);
    });
    TIFFOpenOptions *options = TIFFOpenOptionsAlloc();
    if (!options)
        return nullptr;
    TIFFOpenOptionsSetErrorHandlerExtR(options, Swallow, nullptr);
    TIFFOpenOptionsSetWarningHandlerExtR(options, Swallow, nullptr);
    TIFF *tiff = TIFFOpenExt(fileName, "w", options);
    TIFFOpenOptionsFree(options);
    return tiff;
}

struct TiffLayout {
    uint16_t bitsPerSample;
    uint16_t photometric;
    uint16_t samplesPerPixel;
    ConversionRoutine twelveBits; // null: the bytes as they are
    ConversionRoutine tenBits;
};

// The file's samples by source depth: red first, 16-bit samples stretched to the full
// range. A 32-bit picture's fourth sample goes out as the new buffer holds it, 0.
bool LayoutFor(int bitsPerPixel, TiffLayout *layout) {
    switch (bitsPerPixel) {
    case 8: *layout = {8, PHOTOMETRIC_MINISBLACK, 1, nullptr, nullptr}; return true;
    case 16: *layout = {16, PHOTOMETRIC_MINISBLACK, 1, conv::Widen16x16, conv::Widen16x64}; return true;
    case 24: *layout = {8, PHOTOMETRIC_RGB, 3, conv::SwapRgb, conv::SwapRgb}; return true;
    case 32: *layout = {8, PHOTOMETRIC_RGB, 4, conv::SwapRgb, conv::SwapRgb}; return true;
    case 48: *layout = {16, PHOTOMETRIC_RGB, 3, conv::Widen48x16Rgb, conv::Widen48x64Rgb}; return true;
    case 64: *layout = {16, PHOTOMETRIC_RGB, 4, conv::Widen64x16Rgb, conv::Widen64x64Rgb}; return true;
    default: return false;
    }
}

// Rows a chunk: about 64 KiB of strip, small enough to stay in the cache between the
// conversion and the write.
int32_t RowsPerChunk(size_t rowBytes) { return static_cast<int32_t>(std::max<size_t>(1, (size_t{64} << 10) / rowBytes)); }

// The one strip, appended a chunk of rows at a time (TIFFWriteRawStrip appends; the
// samples are already in the file's order, and a little-endian file needs no swap).
// Rows go without their padding, top row first, through `routine` when there is one
// (none of the TIFF routines reverses rows).
// A picture that needs neither goes out in one write straight from its buffer.
bool WriteStrip(TIFF *tiff, const CImageBuffer &source, ConversionRoutine routine) {
    const size_t rowBytes = static_cast<size_t>(source.Width()) * source.BytesPerPixel();
    const int32_t height = source.Height();
    if (!routine && rowBytes == static_cast<size_t>(source.Stride())) {
        const auto bytes = static_cast<tmsize_t>(rowBytes * static_cast<size_t>(height));
        return TIFFWriteRawStrip(tiff, 0, const_cast<uint8_t *>(source.Pixels()), bytes) == bytes;
    }
    const int32_t chunkRows = std::min(height, RowsPerChunk(rowBytes));
    // Zeroed: the fourth byte of a 32-bit pixel goes out as 0, which the reordering
    // never writes.
    std::vector<uint8_t> chunk(rowBytes * static_cast<size_t>(chunkRows));
    for (int32_t first = 0; first < height; first += chunkRows) {
        const int32_t rows = std::min(chunkRows, height - first);
        if (routine && !ConvertRows(routine, source, first, rows, chunk.data(), source.BytesPerPixel()))
            return false;
        for (int32_t r = 0; r < rows && !routine; ++r)
            std::memcpy(chunk.data() + rowBytes * static_cast<size_t>(r), source.Row(first + r), rowBytes);
        const auto bytes = static_cast<tmsize_t>(rowBytes * static_cast<size_t>(rows));
        if (TIFFWriteRawStrip(tiff, 0, chunk.data(), bytes) != bytes)
            return false;
    }
    return true;
}

} // namespace

int WriteTiff(const char *fileName, const CImageBuffer &source, int significantBits) {
    TiffLayout layout;
    if (!fileName || source.IsEmpty() || !LayoutFor(source.BitsPerPixel(), &layout))
        return 0;
    TIFF *tiff = OpenQuietly(fileName);
    if (!tiff)
        return 0;
    TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, static_cast<uint32_t>(source.Width()));
    TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, static_cast<uint32_t>(source.Height()));
    TIFFSetField(tiff, TIFFTAG_COMPRESSION, COMPRESSION_NONE);
    TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, layout.bitsPerSample);
    TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, layout.photometric);
    TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, layout.samplesPerPixel);
    bool ok = WriteStrip(tiff, source, significantBits == 10 ? layout.tenBits : layout.twelveBits);
    // The directory goes out here; a full disk shows now rather than silently in close.
    ok = TIFFFlush(tiff) == 1 && ok;
    TIFFClose(tiff);
    return ok ? 1 : 0;
}

} // namespace still
