// TIFF files through libtiff: uncompressed, the whole picture in one strip, 8 or 16 bits
// per sample in the order the tags say.
//
// libtiff's default handlers print errors and warnings to a console, which a GUI
// application does not have; ours only keep them from going anywhere.
#include "image/Conversions.h"
#include "output/StillImage.h"
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

// The strip: rows without their padding, top row first.
const uint8_t *PackRows(const CImageBuffer &image, std::vector<uint8_t> &packed) {
    const size_t rowBytes = static_cast<size_t>(image.Width()) * image.BytesPerPixel();
    if (rowBytes == static_cast<size_t>(image.Stride()))
        return image.Pixels();
    packed.resize(rowBytes * static_cast<size_t>(image.Height()));
    for (int32_t r = 0; r < image.Height(); ++r)
        std::memcpy(packed.data() + rowBytes * static_cast<size_t>(r), image.Row(r), rowBytes);
    return packed.data();
}

} // namespace

int WriteTiff(const char *fileName, const CImageBuffer &source, int significantBits) {
    TiffLayout layout;
    if (!fileName || source.IsEmpty() || !LayoutFor(source.BitsPerPixel(), &layout))
        return 0;
    const ConversionRoutine routine = significantBits == 10 ? layout.tenBits : layout.twelveBits;
    CImageBuffer copy;
    if (routine && !(copy.CreateLike(&source) && CImageBuffer::ApplyConversion(&copy, routine, &source, nullptr, 0, 0)))
        return 0;
    const CImageBuffer &image = routine ? copy : source;
    std::vector<uint8_t> packed;
    const uint8_t *strip = PackRows(image, packed);
    const tmsize_t stripBytes =
        static_cast<tmsize_t>(image.Width()) * image.BytesPerPixel() * static_cast<tmsize_t>(image.Height());

    TIFF *tiff = OpenQuietly(fileName);
    if (!tiff)
        return 0;
    TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, static_cast<uint32_t>(image.Width()));
    TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, static_cast<uint32_t>(image.Height()));
    TIFFSetField(tiff, TIFFTAG_COMPRESSION, COMPRESSION_NONE);
    TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, layout.bitsPerSample);
    TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, layout.photometric);
    TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, layout.samplesPerPixel);
    // libtiff wants a writable strip, though it does not change an uncompressed one.
    bool ok = TIFFWriteEncodedStrip(tiff, 0, const_cast<uint8_t *>(strip), stripBytes) == stripBytes;
    // The directory goes out here; a full disk shows now rather than silently in close.
    ok = TIFFFlush(tiff) == 1 && ok;
    TIFFClose(tiff);
    return ok ? 1 : 0;
}

} // namespace still
