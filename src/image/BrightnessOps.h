// The brightness rule, out = trunc(v x factor) limited to 0..top in single precision,
// and its exact integer forms: used by the brightness routines (ToneFilters.cpp) and by
// sharpening, which brightens its output before it stores it. Internal to image/.
#pragma once
#include "image/VectorDispatch.h"
#include <algorithm>
#include <cstdint>

namespace conv::detail {

inline float BrightnessFactor(int32_t v) {
    if (v < 0)
        return 1.0f - static_cast<float>(-int64_t{v}) * (1.0f / 255.0f);
    if (v > 0)
        return 1.0f + static_cast<float>(v) * (10.0f / 255.0f);
    return 1.0f;
}

// trunc(v x factor) limited to 0..top, in single precision. A factor below 0 gives 0 and
// one above 32767 saturates every sample but 0 and 1, so the product fits 32 bits and
// the limit can be taken on the integer.
template <class T> struct Brighten {
    float factor; // 0 .. 32767
    int32_t top;
    VONKEL_INLINE T operator()(T v) const {
        const int32_t x = static_cast<int32_t>(static_cast<float>(v) * factor);
        return static_cast<T>(x < top ? x : top);
    }
};

// The general form for a factor beyond 32767 (only 16-bit samples of 1 can stay below the
// top there).
template <class T> struct BrightenFar {
    float factor;
    float top;
    VONKEL_INLINE T operator()(T v) const {
        const float x = static_cast<float>(v) * factor;
        return static_cast<T>(static_cast<int32_t>(x < top ? x : top));
    }
};

// For 8-bit samples the same results in 16-bit integers: v x whole + (v x fraction) >> 16,
// with the fraction in 1/65536. The pair is accepted only after it reproduced the
// single-precision result for all 256 samples, so it is exact by test, not by argument.
struct BrightenFixed {
    uint16_t whole;
    uint16_t fraction;
    VONKEL_INLINE uint8_t operator()(uint8_t v) const {
        // 16-bit lanes: the high half of v x fraction, and v x whole kept below 2^16.
        const uint16_t high = static_cast<uint16_t>((uint32_t{v} * fraction) >> 16);
        const uint16_t x = static_cast<uint16_t>(v * whole + high);
        return static_cast<uint8_t>(x < 255 ? x : 255);
    }
};

inline bool FindFixed(float factor, BrightenFixed &fixed) {
    const Brighten<uint8_t> exact{factor, 255};
    // A whole part of 256 saturates every sample but 0 on its own, and v x 256 fits 16 bits.
    const float whole = factor >= 256.0f ? 256.0f : static_cast<float>(static_cast<int32_t>(factor));
    const int64_t fraction = static_cast<int64_t>((factor - whole) * 65536.0f);
    for (int64_t f : {fraction, fraction + 1, fraction - 1}) {
        if (f < 0 || f > 65535)
            continue;
        fixed = BrightenFixed{static_cast<uint16_t>(whole), static_cast<uint16_t>(f)};
        bool same = true;
        for (int v = 0; v < 256 && same; ++v)
            same = fixed(static_cast<uint8_t>(v)) == exact(static_cast<uint8_t>(v));
        if (same)
            return true;
    }
    return false;
}

// For 16-bit samples and a factor of at least 1 the same in 16-bit lanes: samples from
// `cap` on all reach the top, so they are held to cap first, which keeps v x whole
// below 2^16. Accepted only after it reproduced the single-precision result for every
// sample up to cap.
struct BrightenFixed16 {
    uint16_t cap;
    uint16_t whole;
    uint16_t fraction;
    uint16_t top;
    VONKEL_INLINE uint16_t operator()(uint16_t v) const {
        const uint16_t w = v < cap ? v : cap;
        const uint16_t high = static_cast<uint16_t>((uint32_t{w} * fraction) >> 16);
        const uint16_t x = static_cast<uint16_t>(w * whole + high);
        return x < top ? x : top;
    }
};

inline bool FindFixed16(float factor, int32_t top, BrightenFixed16 &fixed) {
    if (factor < 1.0f || top > 65535 - 64)
        return false;
    const Brighten<uint16_t> exact{factor, top};
    int32_t cap = static_cast<int32_t>(static_cast<float>(top + 1) / factor) + 1;
    cap = std::min(cap, 65535);
    if (exact(static_cast<uint16_t>(cap)) != top) // results only grow with the sample
        return false;
    const float whole = static_cast<float>(static_cast<int32_t>(factor));
    const int64_t fraction = static_cast<int64_t>((factor - whole) * 65536.0f);
    for (int64_t f : {fraction, fraction + 1, fraction - 1}) {
        if (f < 0 || f > 65535)
            continue;
        fixed = BrightenFixed16{static_cast<uint16_t>(cap), static_cast<uint16_t>(whole), static_cast<uint16_t>(f),
                                static_cast<uint16_t>(top)};
        bool same = true;
        for (int32_t v = 0; v <= cap && same; ++v)
            same = fixed(static_cast<uint16_t>(v)) == exact(static_cast<uint16_t>(v));
        if (same)
            return true;
    }
    return false;
}

} // namespace conv::detail
