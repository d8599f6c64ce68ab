// Bitmap files and raw dumps: the two formats that carry the camera's memory layout.
#include "image/Conversions.h"
#include "output/CDataFile.h"
#include "output/StillImage.h"

namespace still {
namespace {

void PutLe16(uint8_t *at, uint16_t v) {
    at[0] = static_cast<uint8_t>(v);
    at[1] = static_cast<uint8_t>(v >> 8);
}

void PutLe32(uint8_t *at, uint32_t v) {
    PutLe16(at, static_cast<uint16_t>(v));
    PutLe16(at + 2, static_cast<uint16_t>(v >> 16));
}

} // namespace

int WriteBitmapStore(const char *fileName, const CImageBuffer &image) {
    CDataFile file;
    if (!fileName || !file.OpenForWriting(fileName))
        return 0;
    const bool withTable = image.BitsPerPixel() <= 8;
    const uint32_t infoBytes = withTable ? sizeof(BitmapInfo) : sizeof(BitmapInfoHeader);
    const uint32_t offset = 14 + infoBytes;
    uint8_t fileHeader[14] = {};
    PutLe16(fileHeader, 0x4D42); // "BM"
    PutLe32(fileHeader + 2, offset + static_cast<uint32_t>(image.ImageBytes()));
    PutLe32(fileHeader + 10, offset);
    bool ok = file.Write(fileHeader, sizeof fileHeader);
    ok = file.Write(image.Info(), infoBytes) && ok;
    if (!image.IsEmpty())
        ok = file.Write(image.Pixels(), static_cast<uint32_t>(image.ImageBytes())) && ok;
    file.Close();
    return ok ? 1 : 0;
}

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
    return WriteBitmapStore(fileName, flipped);
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
