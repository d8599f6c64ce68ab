// Byte shuffles for the wide (AVX2) copy of the routines, where the compiler left to
// itself moves bytes one at a time: reordering colour pixels of three bytes, and table
// lookups. Internal to image/.
#pragma once
#include "image/VectorDispatch.h"
#include <algorithm>
#include <cstdint>
#if VONKEL_WIDE_VECTORS
#include <immintrin.h>
#endif

namespace conv::detail {

#if VONKEL_WIDE_VECTORS
// Pixels of SrcSpp bytes into pixels of DstSpp bytes (blue, green, red; blue and red
// exchanged when Swap), a step being 5 pixels from three bytes to three, else 4. A step
// reads and writes 16 bytes, two steps go through one 32-byte shuffle, and steps are
// taken only while their bytes stay inside the n pixels; returns the pixels done, the
// caller does the rest. A fourth destination byte keeps its value. Bytes written beyond
// a step's pixels belong to the next step, which writes them again.
template <int SrcSpp, int DstSpp, bool Swap>
VONKEL_WIDE_TARGET inline int32_t ShuffleColours(uint8_t *out, const uint8_t *in, int32_t n) {
    constexpr int32_t kPixels = SrcSpp == 3 && DstSpp == 3 ? 5 : 4;
    constexpr int32_t kIn = kPixels * SrcSpp, kOut = kPixels * DstSpp;
    alignas(32) uint8_t order[32], fourth[32];
    for (int o = 0; o < 32; ++o) {
        const int pixel = o % 16 / DstSpp, channel = o % 16 % DstSpp;
        const int from = channel == 1 || !Swap ? channel : 2 - channel;
        // Beyond the step's pixels the byte stays what the source has there.
        order[o] = static_cast<uint8_t>(pixel < kPixels && channel < 3 ? pixel * SrcSpp + from : o % 16);
        fourth[o] = static_cast<uint8_t>(DstSpp == 4 && channel == 3 ? 0xFF : 0);
    }
    const __m256i shuffle = _mm256_load_si256(reinterpret_cast<const __m256i *>(order));
    const __m256i kept = _mm256_load_si256(reinterpret_cast<const __m256i *>(fourth));
    const int32_t readable = n * SrcSpp - 16, writable = n * DstSpp - 16;
    const int32_t steps = readable < 0 || writable < 0 ? 0 : std::min(readable / kIn, writable / kOut) + 1;
    for (int32_t step = 0; step + 2 <= steps; step += 2, in += 2 * kIn, out += 2 * kOut) {
        __m256i v =
            _mm256_loadu2_m128i(reinterpret_cast<const __m128i *>(in + kIn), reinterpret_cast<const __m128i *>(in));
        v = _mm256_shuffle_epi8(v, shuffle);
        if constexpr (DstSpp == 4) // the two steps' destinations are adjacent
            v = _mm256_blendv_epi8(v, _mm256_loadu_si256(reinterpret_cast<const __m256i *>(out)), kept);
        _mm_storeu_si128(reinterpret_cast<__m128i *>(out), _mm256_castsi256_si128(v));
        _mm_storeu_si128(reinterpret_cast<__m128i *>(out + kOut), _mm256_extracti128_si256(v, 1));
    }
    return steps / 2 * 2 * kPixels;
}

// Pixels of three 16-bit samples with blue and red exchanged and every sample shifted
// left by Shift, two pixels in each 16-byte half of a step of four. The four bytes after
// a half's pixels belong to the next pixels and are written back as the source has them,
// so the routine also works in place. Returns the pixels done; the caller does the rest.
template <int Shift> VONKEL_WIDE_TARGET inline int32_t SwapWiden48(uint8_t *out, const uint8_t *in, int32_t n) {
    const __m256i order = _mm256_setr_epi8(4, 5, 2, 3, 0, 1, 10, 11, 8, 9, 6, 7, 12, 13, 14, 15, //
                                           4, 5, 2, 3, 0, 1, 10, 11, 8, 9, 6, 7, 12, 13, 14, 15);
    const __m256i beyond = _mm256_setr_epi32(0, 0, 0, -1, 0, 0, 0, -1);
    int32_t m = 0;
    // A step reads and writes bytes 6m .. 6m + 27.
    for (; 6 * m + 28 <= 6 * n; m += 4) {
        const uint8_t *from = in + 6 * m;
        const __m256i v = _mm256_shuffle_epi8(
            _mm256_loadu2_m128i(reinterpret_cast<const __m128i *>(from + 12), reinterpret_cast<const __m128i *>(from)),
            order);
        const __m256i r = _mm256_blendv_epi8(_mm256_slli_epi16(v, Shift), v, beyond);
        _mm_storeu_si128(reinterpret_cast<__m128i *>(out + 6 * m), _mm256_castsi256_si128(r));
        _mm_storeu_si128(reinterpret_cast<__m128i *>(out + 6 * m + 12), _mm256_extracti128_si256(r, 1));
    }
    return m;
}

// table[v] for n bytes, 32 at a time. The low seven bits index each half of the table
// (entries 0-127 and 128-255) as 8 rows of 16, and bit 7 picks the half. Within a half,
// step h looks up the low nibble of v - 16h in row h, which a byte shuffle answers with 0
// where that difference is negative (bit 7 set); so the steps 0..(v >> 4) answer, and
// rows stored as the difference (XOR) of consecutive table rows add up to the entry. A
// fourth byte of 4-byte pixels keeps its value when KeepFourth. Returns the bytes done
// (a multiple of 32); the caller does the rest.
template <bool KeepFourth>
VONKEL_WIDE_TARGET inline int32_t LookUpWide(uint8_t *out, const uint8_t *in, int32_t n, const uint8_t table[256]) {
    __m256i low[8], high[8];
    for (int h = 0; h < 8; ++h) {
        alignas(16) uint8_t lowRow[16], highRow[16];
        for (int j = 0; j < 16; ++j) {
            lowRow[j] = static_cast<uint8_t>(table[16 * h + j] ^ (h ? table[16 * (h - 1) + j] : 0));
            highRow[j] = static_cast<uint8_t>(table[128 + 16 * h + j] ^ (h ? table[128 + 16 * (h - 1) + j] : 0));
        }
        low[h] = _mm256_broadcastsi128_si256(_mm_load_si128(reinterpret_cast<const __m128i *>(lowRow)));
        high[h] = _mm256_broadcastsi128_si256(_mm_load_si128(reinterpret_cast<const __m128i *>(highRow)));
    }
    const __m256i seven = _mm256_set1_epi8(0x7F), sixteen = _mm256_set1_epi8(16);
    const __m256i fourth = _mm256_set1_epi32(static_cast<int>(0xFF000000u));
    int32_t k = 0;
    for (; k + 32 <= n; k += 32) {
        const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(in + k));
        __m256i index = _mm256_and_si256(v, seven);
        __m256i lowSum = _mm256_shuffle_epi8(low[0], index), highSum = _mm256_shuffle_epi8(high[0], index);
        for (int h = 1; h < 8; ++h) {
            index = _mm256_sub_epi8(index, sixteen);
            lowSum = _mm256_xor_si256(lowSum, _mm256_shuffle_epi8(low[h], index));
            highSum = _mm256_xor_si256(highSum, _mm256_shuffle_epi8(high[h], index));
        }
        __m256i r = _mm256_blendv_epi8(lowSum, highSum, v);
        if constexpr (KeepFourth)
            r = _mm256_blendv_epi8(r, v, fourth);
        _mm256_storeu_si256(reinterpret_cast<__m256i *>(out + k), r);
    }
    return k;
}

// The same with byte permutes, 64 bytes a step: each permute looks up 128 entries by the
// low seven bits, and bit 7 picks between the two halves' answers.
template <bool KeepFourth>
VONKEL_WIDEST_TARGET int32_t LookUpWidest(uint8_t *out, const uint8_t *in, int32_t n, const uint8_t table[256]) {
    const __m512i t0 = _mm512_loadu_si512(table), t1 = _mm512_loadu_si512(table + 64);
    const __m512i t2 = _mm512_loadu_si512(table + 128), t3 = _mm512_loadu_si512(table + 192);
    constexpr __mmask64 kFourth = 0x8888888888888888ull;
    int32_t k = 0;
    for (; k + 64 <= n; k += 64) {
        const __m512i v = _mm512_loadu_si512(in + k);
        const __m512i low = _mm512_permutex2var_epi8(t0, v, t1), high = _mm512_permutex2var_epi8(t2, v, t3);
        __m512i r = _mm512_mask_blend_epi8(_mm512_movepi8_mask(v), low, high);
        if constexpr (KeepFourth)
            r = _mm512_mask_blend_epi8(kFourth, r, v);
        _mm512_storeu_si512(out + k, r);
    }
    return k;
}
#endif

} // namespace conv::detail
