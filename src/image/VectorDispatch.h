// Wide vectors where the processor has them. The library is built for the x86-64
// baseline (SSE2), which cannot shuffle bytes: loops over blue-green-red pixels stay
// scalar there. Hot loops are therefore written once, as plain loops, and compiled twice:
// for the baseline and for AVX2; the processor decides at run time which one runs. Both
// give the same bits, since only integer and exactly rounded float operations are used
// (no fused multiply-add).
//
// A loop reaches the AVX2 copy only when it is inlined into RunWide, so the bodies and
// every helper with a loop in it are marked VONKEL_INLINE (always inline).
#pragma once
#include <type_traits>

// The AVX2 copies are GCC's (the shipped DLL and the sanitizer builds); clang, which
// builds only the fuzz targets, compiles the baseline copy, which gives the same bits.
#if defined(__GNUC__) && !defined(__clang__) && (defined(__x86_64__) || defined(__i386__))
#define VONKEL_WIDE_TARGET __attribute__((target("avx2")))
#define VONKEL_WIDE_VECTORS 1
// A few loops written out by hand go further where the processor has AVX-512 with byte
// permutes: a whole 256-entry byte table is four registers there.
#define VONKEL_WIDEST_TARGET __attribute__((target("avx2,avx512f,avx512bw,avx512vbmi")))
#else
#define VONKEL_WIDE_TARGET
#define VONKEL_WIDE_VECTORS 0
#endif

#if defined(__GNUC__)
#define VONKEL_INLINE inline __attribute__((always_inline))
#define VONKEL_INLINE_LAMBDA __attribute__((always_inline))
#else
#define VONKEL_INLINE inline
#define VONKEL_INLINE_LAMBDA
#endif

namespace conv::detail {

// True when the processor (and operating system) run AVX2 and tests have not turned it off.
bool WideVectors();
// Tests hold both copies to the same results; false forces the baseline copy.
void AllowWideVectors(bool allow);
// True when the wide copy runs and the processor also has AVX-512 byte permutes (BW and
// VBMI), for the loops written out for them; tests turn it off to hold the AVX2 loops
// to the same results.
bool WidestVectors();
void AllowWidestVectors(bool allow);

// Tells a body which copy it is compiled into, for the rare loop written out by hand for
// AVX2: a body that takes one argument gets WideCopy or BaselineCopy.
using WideCopy = std::true_type;
using BaselineCopy = std::false_type;

template <class Body, class Copy> VONKEL_INLINE void Call(Body &body) {
    if constexpr (std::is_invocable_v<Body &, Copy>)
        body(Copy{});
    else
        body();
}

// The body comes by value: what it captured (by value) is then local to the copy that
// runs, so the compiler knows that storing pixels cannot change it.
template <class Body> VONKEL_WIDE_TARGET void RunWide(Body body) { Call<Body, WideCopy>(body); }
template <class Body> void RunBaseline(Body body) { Call<Body, BaselineCopy>(body); }

// Runs `body` (a lambda marked VONKEL_INLINE_LAMBDA that captures by value) in the best
// copy for this processor.
template <class Body> void Dispatch(Body body) {
    if (VONKEL_WIDE_VECTORS && WideVectors())
        RunWide(body);
    else
        RunBaseline(body);
}

} // namespace conv::detail
