// Known values of the routines, run the way the pipeline runs them: whole pictures
// through ApplyConversion.
#include "image/CImageBuffer.h"
#include "image/Conversions.h"
#include <cstring>
#include <gtest/gtest.h>
#include <thread>
#include <vector>

namespace {

// A buffer whose samples (8 or 16 bits each) are all `v`.
void Create(CImageBuffer &b, int32_t w, int32_t h, int bits, int v = 0) {
    ASSERT_EQ(1, b.Create(w, h, bits));
    for (int32_t r = 0; r < h; ++r)
        for (int32_t k = 0; k < w * bits / 8; k += bits >= 16 && bits != 24 && bits != 32 ? 2 : 1) {
            if (bits == 16 || bits == 48 || bits == 64)
                std::memcpy(b.Row(r) + k, &v, 2);
            else
                b.Row(r)[k] = static_cast<uint8_t>(v);
        }
}

uint16_t Get16(const CImageBuffer &b, int32_t r, int32_t sample) {
    uint16_t v;
    std::memcpy(&v, b.Row(r) + 2 * sample, 2);
    return v;
}
void Set16(CImageBuffer &b, int32_t r, int32_t sample, uint16_t v) { std::memcpy(b.Row(r) + 2 * sample, &v, 2); }

int Convert(CImageBuffer &dst, ConversionRoutine routine, const CImageBuffer &src, void *block = nullptr) {
    return CImageBuffer::ApplyConversion(&dst, routine, &src, nullptr, 0, 0, block);
}

// One row holding every 8-bit level in order.
void Ramp(CImageBuffer &grey) {
    ASSERT_EQ(1, grey.Create(256, 1, 8));
    for (int i = 0; i < 256; ++i)
        grey.Row(0)[i] = static_cast<uint8_t>(i);
}

TEST(Examples, DepthReductions) {
    CImageBuffer wide, grey;
    Create(wide, 2, 1, 16);
    Create(grey, 2, 1, 8);
    Set16(wide, 0, 0, 0x0FFF);
    Set16(wide, 0, 1, 0x0800);
    ASSERT_EQ(1, Convert(grey, conv::Reduce16To8Display, wide));
    EXPECT_EQ(255, grey.Row(0)[0]);
    EXPECT_EQ(128, grey.Row(0)[1]);
    ASSERT_EQ(1, Convert(grey, conv::Reduce16To8Bits10, wide));
    EXPECT_EQ(255, grey.Row(0)[0]);
    EXPECT_EQ(0, grey.Row(0)[1]);
    ASSERT_EQ(1, Convert(wide, conv::Widen16x16, wide));
    EXPECT_EQ(0xFFF0, Get16(wide, 0, 0));
    EXPECT_EQ(0x8000, Get16(wide, 0, 1));
}

TEST(Examples, ColourToGreyOfPureRedIs76) {
    CImageBuffer colour, grey;
    Create(colour, 1, 1, 24);
    Create(grey, 1, 1, 8);
    colour.Row(0)[2] = 255;
    ASSERT_EQ(1, Convert(grey, conv::ColorToGray, colour));
    EXPECT_EQ(76, grey.Row(0)[0]);
}

TEST(Examples, GrayGainIdentityAndOffsets) {
    CImageBuffer raw;
    Create(raw, 4, 4, 8, 10);
    GrayBlock neutral{0, 128, 128, 128, 128, 0, 0, 0, 0, 8};
    ASSERT_EQ(1, Convert(raw, conv::GrayGain8, raw, &neutral));
    EXPECT_EQ(10, raw.Row(3)[3]);
    GrayBlock darker{0, 128, 128, 128, 128, -20, -20, -20, -20, 8};
    ASSERT_EQ(1, Convert(raw, conv::GrayGain8, raw, &darker));
    for (int32_t r = 0; r < 4; ++r)
        for (int32_t c = 0; c < 4; ++c)
            ASSERT_EQ(0, raw.Row(r)[c]);
    // Each site its own gain: R (row 0, column 1 in mode 0) doubled, the rest kept.
    CImageBuffer wide;
    Create(wide, 2, 2, 16, 1000);
    GrayBlock red{0, 256, 128, 128, 128, 0, 0, 0, 0, 12};
    ASSERT_EQ(1, Convert(wide, conv::GrayGain16, wide, &red));
    EXPECT_EQ(1000, Get16(wide, 0, 0));
    EXPECT_EQ(2000, Get16(wide, 0, 1));
    EXPECT_EQ(1000, Get16(wide, 1, 0));
    EXPECT_EQ(1000, Get16(wide, 1, 1));
}

TEST(Examples, UniformMosaicGivesUniformColour) {
    for (int bits : {8, 16}) {
        for (int outBits : bits == 8 ? std::vector<int>{24, 32} : std::vector<int>{48, 64}) {
            CImageBuffer raw, colour;
            Create(raw, 13, 11, bits, 100);
            Create(colour, 13, 11, outBits, 7);
            DemosaicBlock block{3, 100, 100, 100};
            ConversionRoutine interior = bits == 8 ? conv::DemosaicInterior8 : conv::DemosaicInterior16;
            ConversionRoutine border = bits == 8 ? conv::DemosaicBorder8 : conv::DemosaicBorder16;
            ASSERT_EQ(1, Convert(colour, interior, raw, &block));
            ASSERT_EQ(1, Convert(colour, border, raw, &block));
            const int spp = outBits == 24 || outBits == 48 ? 3 : 4, size = bits / 8;
            for (int32_t r = 0; r < 11; ++r)
                for (int32_t c = 0; c < 13; ++c)
                    for (int k = 0; k < spp; ++k) {
                        const uint8_t *p = colour.Row(r) + (c * spp + k) * size;
                        const int v = size == 1 ? p[0] : p[0] | p[1] << 8;
                        ASSERT_EQ(k < 3 ? 100 : 7, v) << bits << "->" << outBits << " at " << r << "," << c << ":" << k;
                    }
        }
    }
}

TEST(Examples, DemosaicGainsMayCarry16BitSamplesPastTwelveBits) {
    CImageBuffer raw, colour;
    Create(raw, 8, 8, 16, 4095);
    Create(colour, 8, 8, 48);
    DemosaicBlock block{0, 400, 100, 100};
    ASSERT_EQ(1, Convert(colour, conv::DemosaicInterior16, raw, &block));
    EXPECT_EQ(4095 * 512 / 128, Get16(colour, 4, 3 * 4 + 2)) << "red: trunc(400 x 1.28) = 512";
    EXPECT_EQ(4095, Get16(colour, 4, 3 * 4 + 1));
}

TEST(Examples, Gamma) {
    CImageBuffer grey;
    Ramp(grey);
    ValueBlock identity{100, 12};
    ASSERT_EQ(1, Convert(grey, conv::Gamma8, grey, &identity));
    for (int i = 0; i < 256; ++i)
        ASSERT_EQ(i, grey.Row(0)[i]);
    ValueBlock root{50, 12};
    ASSERT_EQ(1, Convert(grey, conv::Gamma8, grey, &root));
    EXPECT_EQ(127, grey.Row(0)[64]);
    // A 16-bit sample above the top value takes the top entry.
    CImageBuffer wide;
    Create(wide, 2, 1, 16, 5000);
    Set16(wide, 0, 1, 4095);
    ASSERT_EQ(1, Convert(wide, conv::Gamma16, wide, &root));
    EXPECT_EQ(Get16(wide, 0, 1), Get16(wide, 0, 0));
}

TEST(Examples, Contrast) {
    CImageBuffer grey;
    Ramp(grey);
    ValueBlock none{0, 12};
    ASSERT_EQ(1, Convert(grey, conv::Contrast8, grey, &none));
    for (int i = 0; i < 256; ++i)
        ASSERT_EQ(i, grey.Row(0)[i]);
    ValueBlock strong{64, 12};
    ASSERT_EQ(1, Convert(grey, conv::Contrast8, grey, &strong));
    EXPECT_EQ(0, grey.Row(0)[63]);
    EXPECT_EQ(0, grey.Row(0)[64]);
    EXPECT_EQ(254, grey.Row(0)[191]);
    EXPECT_EQ(255, grey.Row(0)[192]);
    CImageBuffer wide;
    Create(wide, 1, 1, 16, 4096);
    ValueBlock flat{127, 12};
    ASSERT_EQ(1, Convert(wide, conv::Contrast16, wide, &flat));
    EXPECT_EQ(4095, Get16(wide, 0, 0)) << "a sample at or above 2^n gives 2^n - 1";
}

TEST(Examples, Brightness) {
    CImageBuffer grey;
    Create(grey, 3, 1, 8);
    const uint8_t values[3] = {10, 23, 24};
    std::memcpy(grey.Row(0), values, 3);
    ValueBlock up{255, 12};
    ASSERT_EQ(1, Convert(grey, conv::Brightness8, grey, &up));
    EXPECT_EQ(110, grey.Row(0)[0]);
    EXPECT_EQ(253, grey.Row(0)[1]);
    EXPECT_EQ(255, grey.Row(0)[2]);
    ValueBlock down{-255, 12};
    ASSERT_EQ(1, Convert(grey, conv::Brightness8, grey, &down));
    EXPECT_EQ(0, grey.Row(0)[0] | grey.Row(0)[1] | grey.Row(0)[2]);
}

TEST(Examples, SharpnessKeepsTheTwoOutermostRowsAndColumns) {
    CImageBuffer picture, copy;
    Create(picture, 9, 8, 24, 0);
    for (int32_t r = 0; r < 8; ++r)
        for (int32_t k = 0; k < 27; ++k)
            picture.Row(r)[k] = static_cast<uint8_t>((r * 37 + k * 11) % 200);
    ASSERT_EQ(1, copy.CreateLike(&picture));
    std::memcpy(copy.Pixels(), picture.Pixels(), picture.ImageBytes());
    // Marks in the picture's outer frame show which bytes the routine writes.
    for (int32_t r = 0; r < 8; ++r)
        for (int32_t c = 0; c < 9; ++c)
            if (r < 2 || r >= 6 || c < 2 || c >= 7)
                std::memset(picture.Row(r) + 3 * c, 250, 3);
    ValueBlock strength{30, 12};
    ASSERT_EQ(1, Convert(picture, conv::Sharpen24_32, copy, &strength));
    bool changedInside = false;
    for (int32_t r = 0; r < 8; ++r)
        for (int32_t c = 0; c < 9; ++c) {
            const bool frame = r < 2 || r >= 6 || c < 2 || c >= 7;
            for (int k = 0; k < 3; ++k) {
                if (frame)
                    ASSERT_EQ(250, picture.Row(r)[3 * c + k]) << r << "," << c;
                else
                    changedInside |= picture.Row(r)[3 * c + k] != copy.Row(r)[3 * c + k];
            }
        }
    EXPECT_TRUE(changedInside);
}

TEST(Examples, Hue120TurnsPureRedGreen) {
    CImageBuffer colour;
    Create(colour, 1, 1, 24);
    colour.Row(0)[2] = 255;
    HueBlock block{120, 0, 0, 12};
    ASSERT_EQ(1, Convert(colour, conv::Hue24, colour, &block));
    EXPECT_EQ(0, colour.Row(0)[0]);
    EXPECT_EQ(255, colour.Row(0)[1]);
    EXPECT_EQ(2, colour.Row(0)[2]);
    // 16-bit forms reduce, limit to 255 and widen back; the fourth sample becomes 0.
    CImageBuffer wide;
    Create(wide, 1, 1, 64, 0);
    Set16(wide, 0, 2, 65535);
    Set16(wide, 0, 3, 1234);
    ASSERT_EQ(1, Convert(wide, conv::Hue64, wide, &block));
    EXPECT_EQ(0, Get16(wide, 0, 0));
    EXPECT_EQ(255 << 4, Get16(wide, 0, 1));
    EXPECT_EQ(2 << 4, Get16(wide, 0, 2));
    EXPECT_EQ(0, Get16(wide, 0, 3));
}

// Each camera brings its own hue and saturation; no state is shared between calls, so two
// cameras working at once get exactly what each would get alone.
TEST(Examples, HueRunsForSeveralCamerasAtOnce) {
    auto picture = [](CImageBuffer &b) {
        ASSERT_EQ(1, b.Create(64, 48, 24));
        for (size_t k = 0; k < b.ImageBytes(); ++k)
            b.Pixels()[k] = static_cast<uint8_t>(k * 7919 % 251);
    };
    HueBlock blocks[2] = {{30, 0, 200, 12}, {-75, 0, -180, 12}};
    CImageBuffer alone[2], together[2];
    for (int k = 0; k < 2; ++k) {
        picture(alone[k]);
        picture(together[k]);
        ASSERT_EQ(1, Convert(alone[k], conv::Hue24, alone[k], &blocks[k]));
    }
    std::thread cameras[2];
    for (int k = 0; k < 2; ++k)
        cameras[k] = std::thread([&, k] {
            for (int frame = 0; frame < 20; ++frame) {
                picture(together[k]);
                Convert(together[k], conv::Hue24, together[k], &blocks[k]);
            }
        });
    for (std::thread &t : cameras)
        t.join();
    for (int k = 0; k < 2; ++k)
        EXPECT_EQ(0, std::memcmp(alone[k].Pixels(), together[k].Pixels(), alone[k].ImageBytes())) << k;
}

TEST(Examples, WhiteBalanceKeepsTheGainsWithoutRedOrBlue) {
    CImageBuffer raw;
    Create(raw, 6, 6, 8, 80);
    // Mode 0, colour naming: row phase 1, column phase 0 is red.
    for (int32_t r = 1; r < 6; r += 2)
        for (int32_t c = 0; c < 6; c += 2)
            raw.Row(r)[c] = 0;
    WhiteBalanceBlock block{123, 45, 67, 0};
    ASSERT_EQ(1, Convert(raw, conv::MeasureWhiteBalance8, raw, &block));
    EXPECT_EQ(123, block.blueGain);
    EXPECT_EQ(45, block.greenGain);
    EXPECT_EQ(67, block.redGain);
    // With red at half the level, red needs twice the gain; blue is level with green.
    for (int32_t r = 1; r < 6; r += 2)
        for (int32_t c = 0; c < 6; c += 2)
            raw.Row(r)[c] = 40;
    ASSERT_EQ(1, Convert(raw, conv::MeasureWhiteBalance8, raw, &block));
    EXPECT_EQ(100, block.blueGain);
    EXPECT_EQ(100, block.greenGain);
    EXPECT_EQ(200, block.redGain);
}

TEST(Examples, GrayMeasureNeedsAUsableSampleAtEverySite) {
    CImageBuffer raw;
    Create(raw, 4, 4, 8, 255); // all at the top: nothing usable
    GrayBlock block{0, 1, 2, 3, 4, 0, 0, 0, 0, 8};
    ASSERT_EQ(1, Convert(raw, conv::MeasureGray, raw, &block));
    EXPECT_EQ(1, block.gainR);
    EXPECT_EQ(4, block.gainB);
    // Sites at 50 (G1), 100 (R), 100 (B), 100 (G2): G1 needs twice the gain.
    const uint8_t rows[2][2] = {{50, 100}, {100, 100}};
    for (int32_t r = 0; r < 4; ++r)
        for (int32_t c = 0; c < 4; ++c)
            raw.Row(r)[c] = rows[r & 1][c & 1];
    ASSERT_EQ(1, Convert(raw, conv::MeasureGray, raw, &block));
    EXPECT_EQ(256, block.gainG1);
    EXPECT_EQ(128, block.gainR);
    EXPECT_EQ(128, block.gainG2);
    EXPECT_EQ(128, block.gainB);
}

TEST(Examples, RegionMeanOfAWindow) {
    CImageBuffer raw;
    Create(raw, 10, 10, 16, 2048); // the top eight of twelve bits: 128, as an 8-bit mid-grey
    ImageRect window{2, 2, 5, 6};
    EXPECT_EQ(128, CImageBuffer::ApplyConversion(&raw, conv::RegionMean16, &raw, &window, 2, 2));
}

TEST(Examples, RowWideningSpreadsAPackedFrameToTheStride) {
    CImageBuffer raw;
    ASSERT_EQ(1, raw.Create(5, 3, 8)); // stride 8
    for (int k = 0; k < 15; ++k)
        raw.Pixels()[k] = static_cast<uint8_t>(k + 1);
    ASSERT_EQ(1, Convert(raw, conv::WidenRows8, raw));
    for (int32_t r = 0; r < 3; ++r)
        for (int32_t c = 0; c < 5; ++c)
            ASSERT_EQ(r * 5 + c + 1, raw.Row(r)[c]);
}

} // namespace
