// The flat-field correction and the dot filter against plain loops written from their
// rules, on random references and frames.
#include "image/DefectFilters.h"
#include <gtest/gtest.h>
#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <random>
#include <utility>
#include <vector>

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

// The dot filter as it was first written: marks by the rule, then each mark replaced by
// the mean of the nearest unmarked pixels found by walking its row and column from it.
bool ReferenceDots(CImageBuffer &raw, const CImageBuffer &hot, const CImageBuffer &dead, CImageBuffer &dot,
                   int threshold, int windowX, int windowY, int step) {
    const int bpp = raw.BytesPerPixel(), w = raw.Width(), h = raw.Height();
    if (raw.IsEmpty() || (bpp != 1 && bpp != 2) || dot.ImageBytes() < raw.ImageBytes() || dot.IsEmpty() || step < 1 ||
        windowX < 0 || windowY < 0)
        return false;
    const int lastRow = windowY + (h - 5) * step, lastCol = windowX + (w - 5) * step;
    for (const CImageBuffer *map : {&hot, &dead})
        if (map->IsEmpty() || map->BytesPerPixel() != bpp ||
            (h > 8 && (lastRow >= map->Height() || lastCol >= map->Width())))
            return false;
    std::memset(dot.Pixels(), 0, dot.ImageBytes());
    // A mark is the sample 1 at the raw pixel's own byte offset (little-endian: its first byte).
    auto mark = [&](int r, int c) -> uint8_t & {
        return dot.Pixels()[static_cast<size_t>(r) * raw.Stride() + c * bpp];
    };
    for (int r = 4; r <= h - 5; ++r)
        for (int c = 4; c <= w - 5; ++c) {
            const int around = (Get(raw, r, c - 1) + Get(raw, r, c + 1) + Get(raw, r - 1, c) + Get(raw, r + 1, c)) >> 2;
            const int diff = Get(raw, r, c) - around;
            const int y = windowY + r * step, x = windowX + c * step;
            mark(r, c) = Get(hot, y, x) || Get(dead, y, x) || diff >= threshold || -diff >= threshold;
        }
    for (int r = 4; r <= h - 5; ++r)
        for (int c = 4; c <= w - 5; ++c) {
            if (!mark(r, c))
                continue;
            int sum = 0, count = 0;
            for (const auto &[dr, dc] : {std::pair{0, -1}, {0, 1}, {-1, 0}, {1, 0}})
                for (int rr = r + dr, cc = c + dc; rr >= 0 && rr < h && cc >= 0 && cc < w; rr += dr, cc += dc)
                    if (!mark(rr, cc)) {
                        sum += Get(raw, rr, cc);
                        ++count;
                        break;
                    }
            if (count)
                Set(raw, r, c, sum / count);
        }
    return true;
}

// Flags in a map (any non-zero sample, in either byte of a 16-bit one): `share` of its
// pixels at random, then `runs` runs along its rows and columns of random length (up to
// the map's whole side), some on its edges.
void Flag(CImageBuffer &map, std::mt19937 &rng, double share, int runs) {
    std::bernoulli_distribution flagged(share);
    for (int r = 0; r < map.Height(); ++r)
        for (int c = 0; c < map.Width(); ++c)
            Set(map, r, c,
                flagged(rng) ? (1 + static_cast<int>(rng() % 255)) << (8 * (rng() % map.BytesPerPixel())) : 0);
    const int w = map.Width(), h = map.Height();
    for (int k = 0; k < runs; ++k) {
        const bool across = k % 2 == 0, edge = k % 5 == 0;
        const int length = 1 + static_cast<int>(rng() % (across ? w : h));
        const int fixed = edge ? (k % 3 ? 0 : (across ? h : w) - 1) : static_cast<int>(rng() % (across ? h : w));
        const int from = static_cast<int>(rng() % ((across ? w : h) - length + 1));
        for (int i = from; i < from + length; ++i)
            Set(map, across ? fixed : i, across ? i : fixed, 1);
    }
}

struct DotCase {
    int bits, width, height, step, windowX, windowY, threshold;
    int top;        // samples 0..top at random; 0: a smooth picture with outliers
    double flagged; // share of the maps' pixels flagged
    int runs;       // flagged runs along rows and columns of the maps
};

// Every depth and step, window offsets, pictures narrower than a vector and wider than
// several, the smallest pictures with an interior and those without, thresholds from
// "everything" to "nothing", marks from none to all in runs that reach the edges.
const DotCase kDotCases[] = {
    {8, 640, 512, 1, 0, 0, 30, 0, 0.001, 6},       {16, 640, 512, 1, 0, 0, 480, 0, 0.001, 6},
    {8, 203, 77, 1, 5, 9, 30, 255, 0.0, 0},        {16, 203, 77, 1, 5, 9, 480, 4095, 0.0, 0},
    {16, 151, 60, 1, 0, 3, 900, 65535, 0.05, 8},   {8, 96, 64, 1, 1, 1, 0, 255, 0.0, 0},
    {16, 96, 64, 1, 1, 1, -7, 65535, 0.0, 0},      {8, 120, 90, 1, 7, 2, INT_MIN, 255, 0.0, 0},
    {8, 120, 90, 1, 0, 0, 256, 255, 0.3, 20},      {16, 120, 90, 1, 0, 0, 65536, 65535, 0.3, 20},
    {8, 120, 90, 1, 0, 0, 255, 255, 0.7, 20},      {16, 120, 90, 1, 0, 0, 65535, 65535, 0.7, 20},
    {16, 120, 90, 1, 0, 0, INT_MAX, 4095, 1.0, 0}, {8, 77, 45, 1, 3, 3, 1, 255, 0.02, 12},
    {8, 150, 100, 2, 37, 21, 30, 0, 0.02, 10},     {16, 150, 100, 2, 37, 21, 480, 0, 0.02, 10},
    {8, 318, 254, 2, 3, 3, 40, 255, 0.1, 30},      {16, 317, 253, 2, 1, 5, 2000, 65535, 0.1, 30},
    {8, 90, 60, 3, 4, 7, 30, 255, 0.1, 8},         {16, 9, 9, 1, 0, 0, 30, 255, 0.5, 0},
    {8, 9, 30, 1, 0, 0, 30, 255, 0.5, 4},          {8, 8, 30, 1, 0, 0, 30, 255, 0.5, 4},
    {16, 30, 8, 1, 0, 0, 30, 255, 0.5, 4},         {8, 12, 40, 1, 0, 0, 20, 255, 0.3, 6},
    {8, 20, 40, 1, 0, 0, 20, 255, 0.3, 6},         {16, 20, 40, 1, 0, 0, 20, 255, 0.3, 6},
    {8, 24, 40, 2, 0, 0, 20, 255, 0.3, 6},         {16, 24, 40, 2, 1, 1, 20, 255, 0.3, 6},
    {8, 1500, 24, 1, 0, 0, 60, 255, 0.4, 10},      {16, 1500, 24, 2, 1, 0, 900, 4095, 0.4, 10},
};

// The filter and the reference on the same picture, maps and garbage-filled dot buffer.
void ExpectSameAsReference(const DotCase &k, std::mt19937 &rng) {
    CImageBuffer raw, expected, hot, dead, dot, expectedDot;
    ASSERT_EQ(1, raw.Create(k.width, k.height, k.bits));
    // Maps exactly as large as the filter may read.
    const int mapW = std::max(1, k.windowX + (k.width - 5) * k.step + 1);
    const int mapH = std::max(1, k.windowY + (k.height - 5) * k.step + 1);
    ASSERT_EQ(1, hot.Create(mapW, mapH, k.bits));
    ASSERT_EQ(1, dead.Create(mapW, mapH, k.bits));
    ASSERT_EQ(1, dot.Create(k.width, k.height + 3, k.bits)); // larger than the picture, as the camera's
    if (k.top)
        Randomize(raw, rng, k.top);
    else
        for (int r = 0; r < k.height; ++r)
            for (int c = 0; c < k.width; ++c)
                Set(raw, r, c,
                    rng() % 40 == 0 ? static_cast<int>(rng() % (k.bits == 8 ? 256 : 4096))
                                    : (r + c) * (k.bits == 8 ? 1 : 16) / 5);
    Flag(hot, rng, k.flagged, k.runs);
    Flag(dead, rng, k.flagged / 2, k.runs / 2);
    std::memset(dot.Pixels(), 0xA5, dot.ImageBytes());
    ASSERT_EQ(1, expected.CreateLike(&raw));
    ASSERT_EQ(1, expectedDot.CreateLike(&dot));
    std::memcpy(expected.Pixels(), raw.Pixels(), raw.ImageBytes());
    std::memcpy(expectedDot.Pixels(), dot.Pixels(), dot.ImageBytes());
    ASSERT_TRUE(ReferenceDots(expected, hot, dead, expectedDot, k.threshold, k.windowX, k.windowY, k.step));
    ASSERT_TRUE(defect::RepairDots(raw, hot, dead, dot, k.threshold, k.windowX, k.windowY, k.step));
    EXPECT_EQ(0, std::memcmp(expectedDot.Pixels(), dot.Pixels(), dot.ImageBytes())) << "marks";
    for (int r = 0; r < k.height; ++r)
        for (int c = 0; c < k.width; ++c)
            ASSERT_EQ(Get(expected, r, c), Get(raw, r, c)) << "at " << r << "," << c;
}

TEST(DotReference, BitExactForEveryDepthStepWindowAndMarkDensity) {
    std::mt19937 rng(7);
    for (const DotCase &k : kDotCases) {
        SCOPED_TRACE(testing::Message() << k.bits << " bits " << k.width << "x" << k.height << " step " << k.step
                                        << " threshold " << k.threshold << " flagged " << k.flagged);
        ExpectSameAsReference(k, rng);
    }
}

// Bad arguments: the same refusals as the reference, and neither picture nor marks touched.
TEST(DotReference, RefusesWhatTheReferenceRefusesAndChangesNothing) {
    CImageBuffer raw, hot, dead, dot, hot16, small, empty;
    ASSERT_EQ(1, raw.Create(100, 80, 8));
    ASSERT_EQ(1, hot.Create(640, 512, 8));
    ASSERT_EQ(1, dead.Create(640, 512, 8));
    ASSERT_EQ(1, dot.Create(640, 512, 8));
    ASSERT_EQ(1, hot16.Create(640, 512, 16));
    ASSERT_EQ(1, small.Create(95, 80, 8));
    std::mt19937 rng(3);
    Randomize(raw, rng, 255);
    std::memset(dot.Pixels(), 0xA5, dot.ImageBytes());
    const std::vector<uint8_t> pixels(raw.Pixels(), raw.Pixels() + raw.ImageBytes());
    const std::vector<uint8_t> marks(dot.Pixels(), dot.Pixels() + dot.ImageBytes());
    struct Bad {
        const CImageBuffer *hot;
        CImageBuffer *dot;
        int windowX, windowY, step;
    } const kBad[] = {
        {&hot16, &dot, 0, 0, 1}, // a map of the other depth
        {&hot, &empty, 0, 0, 1}, // no dot buffer
        {&empty, &dot, 0, 0, 1}, // no map
        {&hot, &dot, 0, 0, 0},   // no step
        {&hot, &dot, -1, 0, 1},  // the window before the sensor
        {&hot, &dot, 545, 0, 1}, // the last column read one past the map
        {&hot, &dot, 0, 437, 1}, // the last row read one past the map
        {&hot, &dot, 0, 0, 7},   // a step that leaves the map
        {&small, &dot, 0, 0, 1}, // a map smaller than the picture
    };
    for (const Bad &b : kBad) {
        SCOPED_TRACE(testing::Message() << "window " << b.windowX << "," << b.windowY << " step " << b.step);
        EXPECT_FALSE(ReferenceDots(raw, *b.hot, dead, *b.dot, 30, b.windowX, b.windowY, b.step));
        EXPECT_FALSE(defect::RepairDots(raw, *b.hot, dead, *b.dot, 30, b.windowX, b.windowY, b.step));
        EXPECT_TRUE(std::equal(pixels.begin(), pixels.end(), raw.Pixels()));
        EXPECT_TRUE(std::equal(marks.begin(), marks.end(), dot.Pixels()));
    }
    // A step so large that the last row read wraps around in 32 bits (the first version
    // took it and read far outside the maps).
    EXPECT_FALSE(defect::RepairDots(raw, hot, dead, dot, 30, 0, 0, INT_MAX / 50));
    EXPECT_TRUE(std::equal(marks.begin(), marks.end(), dot.Pixels()));
    CImageBuffer tooSmallDot;
    ASSERT_EQ(1, tooSmallDot.Create(100, 79, 8));
    EXPECT_FALSE(defect::RepairDots(raw, hot, dead, tooSmallDot, 30));
    EXPECT_TRUE(std::equal(pixels.begin(), pixels.end(), raw.Pixels()));
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
