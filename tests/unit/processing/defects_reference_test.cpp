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
                   int threshold, const SensorReadout &readout) {
    const int bpp = raw.BytesPerPixel(), w = raw.Width(), h = raw.Height();
    if (raw.IsEmpty() || (bpp != 1 && bpp != 2) || dot.ImageBytes() < raw.ImageBytes() || dot.IsEmpty() ||
        readout.width != w || readout.height != h)
        return false;
    for (const CImageBuffer *map : {&hot, &dead}) {
        if (map->IsEmpty() || map->BytesPerPixel() != bpp)
            return false;
        for (int r = 4; r <= h - 5; ++r)
            for (int c = 4; c <= w - 5; ++c)
                if (SensorRow(readout, r) < 0 || SensorRow(readout, r) >= map->Height() ||
                    SensorColumn(readout, c) < 0 || SensorColumn(readout, c) >= map->Width())
                    return false;
    }
    std::memset(dot.Pixels(), 0, dot.ImageBytes());
    // A mark is the sample 1 at the raw pixel's own byte offset (little-endian: its first byte).
    auto mark = [&](int r, int c) -> uint8_t & {
        return dot.Pixels()[static_cast<size_t>(r) * raw.Stride() + c * bpp];
    };
    for (int r = 4; r <= h - 5; ++r)
        for (int c = 4; c <= w - 5; ++c) {
            const int around = (Get(raw, r, c - 1) + Get(raw, r, c + 1) + Get(raw, r - 1, c) + Get(raw, r + 1, c)) >> 2;
            const int diff = Get(raw, r, c) - around;
            const int y = static_cast<int>(SensorRow(readout, r)), x = static_cast<int>(SensorColumn(readout, c));
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

// How a case's frame is read out: plainly, or subsampled and mirrored as flagged.
enum : int { kPlain = 0, kSub = 1, kMirrorH = 2, kMirrorV = 4 };

struct DotCase {
    int bits, width, height, readout, windowX, windowY, threshold;
    int top;        // samples 0..top at random; 0: a smooth picture with outliers
    double flagged; // share of the maps' pixels flagged
    int runs;       // flagged runs along rows and columns of the maps
};

// Every depth, subsampling and mirroring, window offsets, pictures narrower than a vector
// and wider than several, the smallest pictures with an interior and those without,
// thresholds from "everything" to "nothing", marks from none to all in runs that reach the
// edges.
const DotCase kDotCases[] = {
    {8, 640, 512, kPlain, 0, 0, 30, 0, 0.001, 6},
    {16, 640, 512, kPlain, 0, 0, 480, 0, 0.001, 6},
    {8, 203, 77, kPlain, 5, 9, 30, 255, 0.0, 0},
    {16, 203, 77, kPlain, 5, 9, 480, 4095, 0.0, 0},
    {16, 151, 60, kMirrorV, 0, 3, 900, 65535, 0.05, 8},
    {8, 96, 64, kPlain, 1, 1, 0, 255, 0.0, 0},
    {16, 96, 64, kPlain, 1, 1, -7, 65535, 0.0, 0},
    {8, 120, 90, kPlain, 7, 2, INT_MIN, 255, 0.0, 0},
    {8, 120, 90, kPlain, 0, 0, 256, 255, 0.3, 20},
    {16, 120, 90, kPlain, 0, 0, 65536, 65535, 0.3, 20},
    {8, 120, 90, kPlain, 0, 0, 255, 255, 0.7, 20},
    {16, 120, 90, kPlain, 0, 0, 65535, 65535, 0.7, 20},
    {16, 120, 90, kPlain, 0, 0, INT_MAX, 4095, 1.0, 0},
    {8, 77, 45, kMirrorH, 3, 3, 1, 255, 0.02, 12},
    {8, 150, 100, kSub, 37, 21, 30, 0, 0.02, 10},
    {16, 150, 100, kSub, 37, 21, 480, 0, 0.02, 10},
    {8, 318, 254, kSub | kMirrorH, 3, 3, 40, 255, 0.1, 30},
    {16, 317, 253, kSub | kMirrorV, 1, 5, 2000, 65535, 0.1, 30},
    {8, 90, 60, kSub | kMirrorH | kMirrorV, 4, 7, 30, 255, 0.1, 8},
    {16, 9, 9, kPlain, 0, 0, 30, 255, 0.5, 0},
    {8, 9, 30, kPlain, 0, 0, 30, 255, 0.5, 4},
    {8, 8, 30, kPlain, 0, 0, 30, 255, 0.5, 4},
    {16, 30, 8, kPlain, 0, 0, 30, 255, 0.5, 4},
    {8, 12, 40, kPlain, 0, 0, 20, 255, 0.3, 6},
    {8, 20, 40, kPlain, 0, 0, 20, 255, 0.3, 6},
    {16, 20, 40, kPlain, 0, 0, 20, 255, 0.3, 6},
    {8, 24, 40, kSub, 0, 0, 20, 255, 0.3, 6},
    {16, 24, 40, kSub | kMirrorH, 1, 1, 20, 255, 0.3, 6},
    {8, 1500, 24, kPlain, 0, 0, 60, 255, 0.4, 10},
    {16, 1500, 24, kSub, 1, 0, 900, 4095, 0.4, 10},
};

SensorReadout CaseReadout(const DotCase &k) {
    const bool sub = (k.readout & kSub) != 0, h = (k.readout & kMirrorH) != 0, v = (k.readout & kMirrorV) != 0;
    return {k.windowX, k.windowY, k.width, k.height, sub, h, v};
}

// One past the farthest sensor position that frame indices 4 .. count - 5 show.
int PlaneSize(int64_t (*onSensor)(const SensorReadout &, int), const SensorReadout &readout, int count) {
    int64_t last = 0;
    for (int i = 4; i <= count - 5; ++i)
        last = std::max(last, onSensor(readout, i));
    return static_cast<int>(last) + 1;
}

// The filter and the reference on the same picture, maps and garbage-filled dot buffer.
void ExpectSameAsReference(const DotCase &k, std::mt19937 &rng) {
    CImageBuffer raw, expected, hot, dead, dot, expectedDot;
    ASSERT_EQ(1, raw.Create(k.width, k.height, k.bits));
    // Maps exactly as large as the filter may read.
    const SensorReadout readout = CaseReadout(k);
    const int mapW = PlaneSize(SensorColumn, readout, k.width), mapH = PlaneSize(SensorRow, readout, k.height);
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
    ASSERT_TRUE(ReferenceDots(expected, hot, dead, expectedDot, k.threshold, readout));
    ASSERT_TRUE(defect::RepairDots(raw, hot, dead, dot, k.threshold, readout));
    EXPECT_EQ(0, std::memcmp(expectedDot.Pixels(), dot.Pixels(), dot.ImageBytes())) << "marks";
    for (int r = 0; r < k.height; ++r)
        for (int c = 0; c < k.width; ++c)
            ASSERT_EQ(Get(expected, r, c), Get(raw, r, c)) << "at " << r << "," << c;
}

TEST(DotReference, BitExactForEveryDepthReadoutWindowAndMarkDensity) {
    std::mt19937 rng(7);
    for (const DotCase &k : kDotCases) {
        SCOPED_TRACE(testing::Message() << k.bits << " bits " << k.width << "x" << k.height << " readout " << k.readout
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
    const SensorReadout frame{0, 0, 100, 80};
    struct Bad {
        const CImageBuffer *hot;
        CImageBuffer *dot;
        SensorReadout readout;
    } const kBad[] = {
        {&hot16, &dot, frame},                 // a map of the other depth
        {&hot, &empty, frame},                 // no dot buffer
        {&empty, &dot, frame},                 // no map
        {&hot, &dot, {0, 0, 100, 81}},         // the readout of another frame
        {&hot, &dot, {-5, 0, 100, 80}},        // the window's inside before the sensor
        {&hot, &dot, {545, 0, 100, 80}},       // the last column read one past the map
        {&hot, &dot, {0, 437, 100, 80}},       // the last row read one past the map
        {&hot, &dot, {500, 0, 100, 80, true}}, // subsampled columns that leave the map
        {&small, &dot, frame},                 // a map smaller than the picture
    };
    for (const Bad &b : kBad) {
        SCOPED_TRACE(testing::Message() << "window " << b.readout.firstColumn << "," << b.readout.firstRow);
        EXPECT_FALSE(ReferenceDots(raw, *b.hot, dead, *b.dot, 30, b.readout));
        EXPECT_FALSE(defect::RepairDots(raw, *b.hot, dead, *b.dot, 30, b.readout));
        EXPECT_TRUE(std::equal(pixels.begin(), pixels.end(), raw.Pixels()));
        EXPECT_TRUE(std::equal(marks.begin(), marks.end(), dot.Pixels()));
    }
    // A window so far out that its sensor positions pass 32 bits (the first version took
    // such a window and read far outside the maps).
    EXPECT_FALSE(defect::RepairDots(raw, hot, dead, dot, 30, {INT_MAX - 50, 0, 100, 80, true}));
    EXPECT_TRUE(std::equal(marks.begin(), marks.end(), dot.Pixels()));
    CImageBuffer tooSmallDot;
    ASSERT_EQ(1, tooSmallDot.Create(100, 79, 8));
    EXPECT_FALSE(defect::RepairDots(raw, hot, dead, tooSmallDot, 30, frame));
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
            // Plain, mirrored, subsampled, and both; with a margin in every second round.
            const int m = round % 2 ? 2 : 0, w = 8 + 4 * static_cast<int>(rng() % 70),
                      h = 8 + 4 * static_cast<int>(rng() % 60);
            SensorReadout readout{0, 0, w, h, round >= 2, round % 2 == 1, round == 3};
            readout.firstColumn = static_cast<int>(rng() % (640 - SensorColumn(readout, round % 2 ? 0 : w - 1)));
            readout.firstRow = static_cast<int>(rng() % (512 - SensorRow(readout, round == 3 ? 0 : h - 1)));
            ASSERT_EQ(1, raw.Create(w, h, bits));
            Randomize(dark, rng, top);
            Randomize(bright, rng, top);
            Randomize(raw, rng, top);
            ASSERT_EQ(1, expected.CreateLike(&raw));
            std::memcpy(expected.Pixels(), raw.Pixels(), raw.ImageBytes());
            for (int r = m; r < h - m; ++r)
                for (int c = m; c < w - m; ++c) {
                    const int y = static_cast<int>(SensorRow(readout, r)),
                              x = static_cast<int>(SensorColumn(readout, c));
                    const int64_t D = Get(dark, y, x), B = Get(bright, y, x), P = Get(raw, r, c);
                    if (bits == 8 && B != D)
                        Set(expected, r, c, static_cast<int>(std::clamp<int64_t>((P - D) * 256 / (B - D), 0, 255)));
                    if (bits == 16 && B > D)
                        Set(expected, r, c, static_cast<int>(std::clamp<int64_t>((P - D) * 4096 / (B - D), 0, 4095)));
                }
            ASSERT_TRUE(defect::ApplyMask(raw, dark, bright, readout, m));
            ASSERT_EQ(0, std::memcmp(expected.Pixels(), raw.Pixels(), raw.ImageBytes()))
                << bits << " bits, round " << round;
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
        ASSERT_TRUE(defect::RepairDots(raw, hot, dead, dot, threshold, SensorReadout{0, 0, 204, 120}));
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
