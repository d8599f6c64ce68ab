#include "output/MaskFile.h"
#include "platform/File.h"
#include <cstring>

namespace mask_file {

bool IsWholeMaskFile(const Header &header, uint64_t fileBytes) {
    return fileBytes == kFileBytes && std::memcmp(header.magic, kMagic, sizeof kMagic) == 0 && header.width == kWidth &&
           header.height == kHeight && header.dark8 == kPlane8 && header.bright8 == kPlane8 &&
           header.dark16 == kPlane16 && header.bright16 == kPlane16;
}

bool Load(const char *path, std::vector<uint8_t> &planes) {
    platform::FileHandle file = path ? platform::FileOpenForReading(path) : nullptr;
    if (!file)
        return false;
    // The size and the header decide before the planes are read: a foreign file, however
    // large, is refused on its size and its first 40 bytes.
    uint64_t size = 0;
    Header header{};
    uint32_t done = 0;
    bool ok = platform::FileSize(file, &size) && platform::FileRead(file, &header, sizeof header, &done) &&
              done == sizeof header && IsWholeMaskFile(header, size);
    std::vector<uint8_t> read;
    if (ok) {
        read.resize(kPlanesBytes);
        ok = platform::FileRead(file, read.data(), static_cast<uint32_t>(read.size()), &done) && done == read.size();
    }
    platform::FileClose(file);
    if (ok)
        planes.swap(read);
    return ok;
}

} // namespace mask_file
