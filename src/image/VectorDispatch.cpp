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

std::atomic<bool> g_allowed{true};

// VONKEL_NO_AVX2=1 keeps every routine on the baseline copy, as on a processor without
// AVX2, so that the whole suite can be run on that path too.
bool TurnedOffByEnvironment() {
    const char *value = std::getenv("VONKEL_NO_AVX2");
    return value && *value && *value != '0';
}

} // namespace

bool WideVectors() {
    static const bool present = ProcessorHasAvx2() && !TurnedOffByEnvironment();
    return present && g_allowed.load(std::memory_order_relaxed);
}

void AllowWideVectors(bool allow) { g_allowed.store(allow, std::memory_order_relaxed); }

} // namespace conv::detail
