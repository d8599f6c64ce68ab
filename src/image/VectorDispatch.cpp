#include "image/VectorDispatch.h"
#include <atomic>
#include <cstdlib>

namespace conv::detail {
namespace {

bool ProcessorHasAvx2() {
#if VONKEL_WIDE_VECTORS
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2");
#else
    return false;
#endif
}

bool ProcessorHasBytePermutes() {
#if VONKEL_WIDE_VECTORS
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx512bw") && __builtin_cpu_supports("avx512vbmi");
#else
    return false;
#endif
}

std::atomic<bool> g_allowed{true};
std::atomic<bool> g_widestAllowed{true};

bool Set(const char *variable) {
    const char *value = std::getenv(variable);
    return value && *value && *value != '0';
}

// VONKEL_NO_AVX2=1 keeps every routine on the baseline copy, as on a processor without
// AVX2, so that the whole suite can be run on that path too; VONKEL_NO_AVX512=1 keeps
// the AVX2 loops where AVX-512 ones exist.
bool TurnedOffByEnvironment() { return Set("VONKEL_NO_AVX2"); }

} // namespace

bool WideVectors() {
    static const bool present = ProcessorHasAvx2() && !TurnedOffByEnvironment();
    return present && g_allowed.load(std::memory_order_relaxed);
}

void AllowWideVectors(bool allow) { g_allowed.store(allow, std::memory_order_relaxed); }

bool WidestVectors() {
    static const bool present = ProcessorHasBytePermutes() && !Set("VONKEL_NO_AVX512");
    return present && WideVectors() && g_widestAllowed.load(std::memory_order_relaxed);
}

void AllowWidestVectors(bool allow) { g_widestAllowed.store(allow, std::memory_order_relaxed); }

} // namespace conv::detail
