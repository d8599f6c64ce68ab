// Random images and blocks for holding the routines to the reference implementations.
#pragma once
#include "image/CImageBuffer.h"
#include "image/Conversions.h"
#include "image/VectorDispatch.h"
#include <cstring>
#include <memory>
#include <random>
#include <string>

namespace harness {

using Rng = std::mt19937;

inline int32_t Uniform(Rng &rng, int64_t lo, int64_t hi) {
    return static_cast<int32_t>(std::uniform_int_distribution<int64_t>(lo, hi)(rng));
}
inline bool Chance(Rng &rng, int percent) { return Uniform(rng, 0, 99) < percent; }

// An image with a stride of our choosing; the store is exactly height x stride bytes,
// so the address sanitizer catches a routine that steps outside.
struct Image {
    int32_t width = 0, height = 0;
    int bits = 0;
    int32_t stride = 0;
    std::unique_ptr<uint8_t[]> data;

    size_t Bytes() const { return static_cast<size_t>(height) * stride; }
    int Bpp() const { return bits / 8; }
};

inline Image MakeImage(int32_t width, int32_t height, int bits, int32_t extraStride = 0) {
    Image im;
    im.width = width;
    im.height = height;
    im.bits = bits;
    // Extra padding keeps 16-bit samples on even addresses.
    im.stride = CImageBuffer::StrideFor(width, bits) + (bits >= 16 ? extraStride & ~1 : extraStride);
    im.data.reset(new uint8_t[im.Bytes()]);
    return im;
}

inline Image Clone(const Image &from) {
    Image im = MakeImage(from.width, from.height, from.bits);
    im.stride = from.stride;
    im.data.reset(new uint8_t[from.Bytes()]);
    std::memcpy(im.data.get(), from.data.get(), from.Bytes());
    return im;
}

// Samples worth testing: 8-bit anything; 16-bit mostly 12-bit values, with the ends of
// the ranges and now and then samples beyond the 12 bits.
inline void Fill(Image &im, Rng &rng) {
    const int mode = Uniform(rng, 0, 9);
    for (size_t k = 0; k < im.Bytes(); ++k)
        im.data[k] = static_cast<uint8_t>(Uniform(rng, 0, 255));
    if (im.bits < 16 || mode >= 8)
        return;
    const int32_t top = mode < 6 ? 4095 : 1023;
    for (int32_t r = 0; r < im.height; ++r)
        for (int32_t b = 0; b + 1 < im.width * im.Bpp(); b += 2) {
            int32_t v = Chance(rng, 5) ? (Chance(rng, 50) ? 0 : top) : Uniform(rng, 0, top);
            uint8_t *p = im.data.get() + static_cast<size_t>(r) * im.stride + b;
            p[0] = static_cast<uint8_t>(v);
            p[1] = static_cast<uint8_t>(v >> 8);
        }
}

// A buffer of the same geometry, for ClipRects to clip against.
inline void Shape(CImageBuffer &b, const Image &im) { b.Create(im.width, im.height, im.bits); }

// A rectangle and placement: mostly the whole picture at (0, 0), otherwise anything,
// reaching past every edge of either buffer.
struct Placement {
    bool whole = true;
    ImageRect rect{0, 0, 0, 0};
    int32_t x = 0, y = 0;
};

inline Placement RandomPlacement(Rng &rng, const Image &src, const Image &dst) {
    Placement p;
    if (Chance(rng, 40))
        return p;
    p.whole = false;
    auto edge = [&rng](int32_t size) { return Uniform(rng, -size / 2 - 3, size + size / 2 + 3); };
    p.rect.left = edge(src.width);
    p.rect.top = edge(src.height);
    p.rect.right = p.rect.left + Uniform(rng, -2, src.width + 4);
    p.rect.bottom = p.rect.top + Uniform(rng, -2, src.height + 4);
    p.x = edge(dst.width);
    p.y = edge(dst.height);
    return p;
}

inline std::string Describe(const Image &src, const Image &dst, const Placement &p) {
    return "src " + std::to_string(src.width) + "x" + std::to_string(src.height) + "/" + std::to_string(src.bits) +
           " stride " + std::to_string(src.stride) + ", dst " + std::to_string(dst.width) + "x" +
           std::to_string(dst.height) + "/" + std::to_string(dst.bits) + " stride " + std::to_string(dst.stride) +
           (p.whole ? ", whole"
                    : ", rect (" + std::to_string(p.rect.left) + "," + std::to_string(p.rect.top) + "," +
                          std::to_string(p.rect.right) + "," + std::to_string(p.rect.bottom) + ") at (" +
                          std::to_string(p.x) + "," + std::to_string(p.y) + ")");
}

// The compiled copies of the routines, which tests hold to the same results: the AVX-512
// loops (where written and where the processor has them), AVX2, the baseline. Ending on
// Copy::Widest leaves everything allowed.
enum class Copy { Baseline, Wide, Widest };
constexpr Copy kCopies[] = {Copy::Baseline, Copy::Wide, Copy::Widest};
inline void UseCopy(Copy copy) {
    conv::detail::AllowWideVectors(copy != Copy::Baseline);
    conv::detail::AllowWidestVectors(copy == Copy::Widest);
}
inline const char *Name(Copy copy) {
    return copy == Copy::Baseline ? "baseline" : copy == Copy::Wide ? "AVX2" : "AVX-512";
}

} // namespace harness
