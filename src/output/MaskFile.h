// Mask files: a 40-byte header (a 16-byte magic, then the picture's width and height and
// the byte size of each plane as little-endian 32-bit integers) followed by the dark and
// bright references at 8 bits and then at 16 bits, each of the full sensor.
#pragma once
#include <cstdint>
#include <vector>

namespace mask_file {

constexpr char kMagic[16] = "PELKOR MASK1000"; // 15 characters and the terminating zero
constexpr uint32_t kWidth = 640;
constexpr uint32_t kHeight = 512;
constexpr uint32_t kPlane8 = kWidth * kHeight;
constexpr uint32_t kPlane16 = kWidth * kHeight * 2;
constexpr uint32_t kHeaderBytes = 40;
constexpr uint64_t kPlanesBytes = 2ull * kPlane8 + 2ull * kPlane16;
constexpr uint64_t kFileBytes = kHeaderBytes + kPlanesBytes; // 1 966 120

struct Header {
    char magic[16];
    uint32_t width, height, dark8, bright8, dark16, bright16;
};
static_assert(sizeof(Header) == kHeaderBytes, "the file's header layout");

// True when a file of `fileBytes` bytes that begins with `header` is a whole mask file of
// this camera: the magic, the sensor's size and every plane's size, nothing more or less.
bool IsWholeMaskFile(const Header &header, uint64_t fileBytes);

// Reads the four planes of the file at `path`, in file order, into `planes`. The whole
// file is checked before a plane is read: false, with `planes` unchanged, for a file that
// cannot be read or is not a whole mask file of this camera.
bool Load(const char *path, std::vector<uint8_t> &planes);

} // namespace mask_file
