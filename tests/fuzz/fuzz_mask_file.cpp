// Mask files: anything that is not a whole mask file of this camera is refused and leaves
// the caller's planes as they were; an accepted file's planes are taken byte for byte.
//
// Input: byte 0 even: the file is the rest of the input. Byte 0 odd: the file is the rest
// of the input followed by zeros up to the mask file's size plus (byte 1 as a signed
// number) / 16 bytes, so that whole files and files just off their size are reached.
#include "FuzzSupport.h"
#include "output/MaskFile.h"
#include <cstring>
#include <unistd.h>
#include <vector>

namespace {

// The length of the file the input stands for, and where its written bytes begin.
size_t FileLength(const uint8_t *data, size_t size, const uint8_t **bytes, size_t *byteCount) {
    const size_t skip = std::min<size_t>(size, (size && (data[0] & 1)) ? 2 : 1);
    *bytes = data + skip;
    *byteCount = size - skip;
    if (size == 0 || (data[0] & 1) == 0)
        return *byteCount;
    const int delta = size > 1 ? static_cast<int8_t>(data[1]) / 16 : 0;
    return std::max(static_cast<size_t>(mask_file::kFileBytes + delta), *byteCount);
}

// The zeros that follow the written bytes are a hole of the file: nothing is written per
// input beyond the input itself, and reading them costs no more than any other bytes.
const std::string &WriteFile(const uint8_t *bytes, size_t byteCount, size_t length) {
    const std::string &name = fuzz::WriteScratch(bytes, byteCount);
    if (length > byteCount)
        FUZZ_CHECK(truncate(name.c_str(), static_cast<off_t>(length)) == 0);
    return name;
}

bool PlanesAreTheFile(const std::vector<uint8_t> &planes, const uint8_t *bytes, size_t byteCount) {
    static const std::vector<uint8_t> zeros(mask_file::kPlanesBytes, 0);
    const size_t written = byteCount > mask_file::kHeaderBytes ? byteCount - mask_file::kHeaderBytes : 0;
    return planes.size() == mask_file::kPlanesBytes &&
           std::memcmp(planes.data(), bytes + mask_file::kHeaderBytes, written) == 0 &&
           std::memcmp(planes.data() + written, zeros.data(), planes.size() - written) == 0;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const uint8_t *bytes = nullptr;
    size_t byteCount = 0;
    const size_t length = FileLength(data, size, &bytes, &byteCount);
    const std::string &name = WriteFile(bytes, byteCount, length);
    std::vector<uint8_t> planes(3, 0x5a);
    if (!mask_file::Load(name.c_str(), planes)) {
        FUZZ_CHECK(planes == std::vector<uint8_t>(3, 0x5a));
        return 0;
    }
    FUZZ_CHECK(length == mask_file::kFileBytes);
    FUZZ_CHECK(PlanesAreTheFile(planes, bytes, byteCount));
    return 0;
}
