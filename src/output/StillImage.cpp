// The saver: picks the writer by format number, never by the file name's extension.
#include "output/StillImage.h"

namespace still {

int Save(const char *fileName, const CImageBuffer &source, int format, int significantBits) {
    // Everything that can be refused is refused before a file is touched.
    if (!fileName || !*fileName || source.IsEmpty() || !KnownDepth(source.BitsPerPixel()))
        return 0;
    if (significantBits != 10 && significantBits != 12)
        return 0;
    switch (format) {
    case kBitmap:
        return WriteBitmap(fileName, source);
    case kRaw:
        return WriteRaw(fileName, source);
    case kJpeg100:
        return WriteJpeg(fileName, source, 100, significantBits);
    case kJpeg70:
        return WriteJpeg(fileName, source, 70, significantBits);
    case kJpeg20:
        return WriteJpeg(fileName, source, 20, significantBits);
    case kPng:
        return WritePng(fileName, source, significantBits);
    case kTiff:
        return WriteTiff(fileName, source, significantBits);
    default:
        return 0;
    }
}

} // namespace still
