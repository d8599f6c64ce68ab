#include "image/VectorDispatch.h"
#include <atomic>

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

} // namespace

bool WideVectors() {
    static const bool present = ProcessorHasAvx2();
    return present && g_allowed.load(std::memory_order_relaxed);
}

void AllowWideVectors(bool allow) { g_allowed.store(allow, std::memory_order_relaxed); }

} // namespace conv::detail
