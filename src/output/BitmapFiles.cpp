// Bitmap files and raw dumps: the two formats that carry the camera's memory layout.
#include "image/Conversions.h"
#include "output/CDataFile.h"
#include "output/StillImage.h"

namespace still {

int WriteBitmap(const char *fileName, const CImageBuffer &source) {
    if (!fileName || source.IsEmpty())
        return 0;
    // A bitmap file is bottom-up: the reversing copy puts the picture's last row first,
    // so viewers show it upright. An 8-bit copy is made with the grey ramp as its table.
    CImageBuffer flipped;
    if (!flipped.CreateLike(&source))
        return 0;
    if (!CImageBuffer::ApplyConversion(&flipped, conv::CopyPlain, &source, nullptr, 0, 0))
        return 0;
    return flipped.WriteBitmapFile(fileName);
}

int WriteRaw(const char *fileName, const CImageBuffer &source) {
    if (!fileName || source.IsEmpty())
        return 0;
    CDataFile file;
    if (!file.OpenForWriting(fileName))
        return 0;
    // Row padding included: readers of the dump index rows by the stride.
    const bool ok = file.Write(source.Pixels(), static_cast<uint32_t>(source.ImageBytes()));
    file.Close();
    return ok ? 1 : 0;
}

} // namespace still
