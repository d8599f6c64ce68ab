#include "BenchImages.h"
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <new>

namespace {
std::atomic<uint64_t> g_allocations{0};
}

// Every allocation of the process goes through here, so the benchmarks can show that a
// routine allocates nothing per frame.
void *operator new(size_t bytes) {
    g_allocations.fetch_add(1, std::memory_order_relaxed);
    if (void *p = std::malloc(bytes ? bytes : 1))
        return p;
    throw std::bad_alloc();
}
void *operator new[](size_t bytes) { return operator new(bytes); }
void *operator new(size_t bytes, const std::nothrow_t &) noexcept {
    g_allocations.fetch_add(1, std::memory_order_relaxed);
    return std::malloc(bytes ? bytes : 1);
}
void *operator new[](size_t bytes, const std::nothrow_t &tag) noexcept { return operator new(bytes, tag); }
void operator delete(void *p) noexcept { std::free(p); }
void operator delete[](void *p) noexcept { std::free(p); }
void operator delete(void *p, size_t) noexcept { std::free(p); }
void operator delete[](void *p, size_t) noexcept { std::free(p); }

namespace bench {

uint64_t Allocations() { return g_allocations.load(std::memory_order_relaxed); }

void MakeFrame(CImageBuffer &b, int bits) {
    b.Create(kWidth, kHeight, bits);
    uint32_t seed = 12345;
    auto noise = [&seed] {
        seed = seed * 1664525u + 1013904223u;
        return static_cast<int>(seed >> 28); // 0..15
    };
    const int bytes = bits / 8, wide = bits == 16 || bits == 48 || bits == 64;
    const int samples = wide ? bytes / 2 : bytes;
    for (int32_t r = 0; r < kHeight; ++r)
        for (int32_t c = 0; c < kWidth; ++c)
            for (int k = 0; k < samples; ++k) {
                const int level = (c * 255 / kWidth + r * 128 / kHeight + 60 * k) % 240 + noise();
                if (wide) {
                    const uint16_t v = static_cast<uint16_t>(level * 16 + noise());
                    std::memcpy(b.Row(r) + 2 * (c * samples + k), &v, 2);
                } else {
                    b.Row(r)[c * samples + k] = static_cast<uint8_t>(level);
                }
            }
}

} // namespace bench
