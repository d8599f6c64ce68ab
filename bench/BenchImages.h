// Frames for the benchmarks: the camera's full 640 x 512 at every depth, filled with a
// deterministic picture (smooth gradients with noise, like a real scene), and a count of
// heap allocations so that each benchmark can report them per call.
#pragma once
#include "image/CImageBuffer.h"
#include <algorithm>
#include <benchmark/benchmark.h>
#include <cstdint>

namespace bench {

constexpr int32_t kWidth = 640;
constexpr int32_t kHeight = 512;

// A fresh buffer of the given depth with the benchmark picture in it (12-bit values in
// 16-bit samples).
void MakeFrame(CImageBuffer &b, int bits);

// Heap allocations made by this process so far.
uint64_t Allocations();

// Reports the allocations made inside the benchmark loop, per iteration.
class CAllocationCounter {
public:
    explicit CAllocationCounter(benchmark::State &state) : m_state(state), m_start(Allocations()) {}
    ~CAllocationCounter() {
        m_state.counters["allocs"] = static_cast<double>(Allocations() - m_start) /
                                     static_cast<double>(std::max<int64_t>(1, m_state.iterations()));
    }

private:
    benchmark::State &m_state;
    uint64_t m_start;
};

} // namespace bench
