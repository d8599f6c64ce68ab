// The flat-field correction and the dot detection against plain loops written from their
// rules, on random references and frames.
#include "image/DefectFilters.h"
#include <gtest/gtest.h>
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <random>

namespace {

int Get(const CImageBuffer &b, int r, int c) {
    if (b.BytesPerPixel() == 1)
        return b.Row(r)[c];
    uint16_t v;
    std::memcpy(&v, b.Row(r) + 2 * c, 2);
    return v;
}

void Set(CImageBuffer &b, int r, int c, int v) {
    if (b.BytesPerPixel() == 1) {
        b.Row(r)[c] = static_cast<uint8_t>(v);
    } else {
        const uint16_t s = static_cast<uint16_t>(v);
        std::memcpy(b.Row(r) + 2 * c, &s, 2);
    }
}

void Randomize(CImageBuffer &b, std::mt19937 &rng, int top) {
    for (int r = 0; r < b.Height(); ++r)
        for (int c = 0; c < b.Width(); ++c)
            Set(b, r, c, static_cast<int>(rng() % (top + 1)));
}

TEST(MaskReference, BitExactOnRandomReferencesAtBothDepths) {
    std::mt19937 rng(2024);
    for (int bits : {8, 16}) {
        const int top = bits == 8 ? 255 : 65535; // 16-bit samples beyond 12 bits too
        CImageBuffer dark, bright, raw, expected;
        ASSERT_EQ(1, dark.Create(640, 512, bits));
        ASSERT_EQ(1, bright.Create(640, 512, bits));
        for (int round = 0; round < 4; ++round) {
            const int w = 8 + 4 * static_cast<int>(rng() % 100), h = 8 + 4 * static_cast<int>(rng() % 60);
            const int x = static_cast<int>(rng() % (641 - w)), y = static_cast<int>(rng() % (513 - h));
            ASSERT_EQ(1, raw.Create(w, h, bits));
            Randomize(dark, rng, top);
            Randomize(bright, rng, top);
            Randomize(raw, rng, top);
            ASSERT_EQ(1, expected.CreateLike(&raw));
            std::memcpy(expected.Pixels(), raw.Pixels(), raw.ImageBytes());
            // A subsampled picture reads every second sensor pixel, as far as the sensor goes.
            const int m = round % 2 ? 2 : 0, step = round < 2 ? 1 : 2;
            for (int r = m; r < h - m && y + r * step < 512; ++r)
                for (int c = m; c < w - m && x + c * step < 640; ++c) {
                    const int64_t D = Get(dark, y + r * step, x + c * step), B = Get(bright, y + r * step, x + c * step),
                                  P = Get(raw, r, c);
                    if (bits == 8 && B != D)
                        Set(expected, r, c, static_cast<int>(std::clamp<int64_t>((P - D) * 256 / (B - D), 0, 255)));
                    if (bits == 16 && B > D)
                        Set(expected, r, c, static_cast<int>(std::clamp<int64_t>((P - D) * 4096 / (B - D), 0, 4095)));
                }
            ASSERT_TRUE(defect::ApplyMask(raw, dark, bright, x, y, m, step));
            ASSERT_EQ(0, std::memcmp(expected.Pixels(), raw.Pixels(), raw.ImageBytes())) << bits << " bits, step " << step;
        }
    }
}

TEST(DotReference, MarksFollowTheRuleOnRandomFrames) {
    std::mt19937 rng(99);
    for (int bits : {8, 16}) {
        const int threshold = bits == 8 ? 30 : 480, top = bits == 8 ? 255 : 4095;
        CImageBuffer raw, hot, dead, dot;
        ASSERT_EQ(1, raw.Create(204, 120, bits));
        for (CImageBuffer *map : {&hot, &dead, &dot})
            ASSERT_EQ(1, map->Create(640, 512, bits));
        // Smooth frames with a sprinkle of outliers, and a few flags in the maps.
        for (int r = 0; r < raw.Height(); ++r)
            for (int c = 0; c < raw.Width(); ++c)
                Set(raw, r, c, rng() % 50 == 0 ? static_cast<int>(rng() % (top + 1)) : (r + c) * top / 400);
        for (int i = 0; i < 40; ++i)
            Set(i % 2 ? hot : dead, 4 + static_cast<int>(rng() % 112), 4 + static_cast<int>(rng() % 196), 1);
        CImageBuffer before;
        ASSERT_EQ(1, before.CreateLike(&raw));
        std::memcpy(before.Pixels(), raw.Pixels(), raw.ImageBytes());
        ASSERT_TRUE(defect::RepairDots(raw, hot, dead, dot, threshold));
        const int bpp = bits / 8;
        for (int r = 4; r <= raw.Height() - 5; ++r)
            for (int c = 4; c <= raw.Width() - 5; ++c) {
                const size_t at = static_cast<size_t>(r) * raw.Stride() + c * bpp;
                const int around = (Get(before, r, c - 1) + Get(before, r, c + 1) + Get(before, r - 1, c) +
                                    Get(before, r + 1, c)) >> 2;
                const bool flagged = Get(hot, r, c) || Get(dead, r, c); // the maps at the sensor position
                const bool expected = flagged || std::abs(Get(before, r, c) - around) >= threshold;
                ASSERT_EQ(expected, dot.Pixels()[at] != 0) << bits << " bits at " << r << "," << c;
                if (!expected) {
                    ASSERT_EQ(Get(before, r, c), Get(raw, r, c)) << "unmarked pixels stay";
                }
            }
    }
}

} // namespace
