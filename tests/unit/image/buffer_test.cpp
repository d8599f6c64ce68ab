// The bitmap type: geometry and layout, clipping, the drivers, blits and bitmap files.
#include "Harness.h"
#include "image/CImageBuffer.h"
#include "image/Conversions.h"
#include "output/StillImage.h"
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <vector>

namespace {

TEST(ImageBuffer, StrideIsWholePixelsPaddedToFourBytes) {
    struct Expect {
        int32_t width;
        int bits;
        int32_t stride;
    } cases[] = {{640, 8, 640},   {641, 8, 644}, {641, 16, 1284}, {640, 24, 1920}, {641, 24, 1924},
                 {640, 16, 1280}, {3, 48, 20},   {5, 64, 40},     {1, 32, 4}};
    for (const Expect &e : cases) {
        CImageBuffer b;
        ASSERT_EQ(1, b.Create(e.width, 512, e.bits));
        EXPECT_EQ(e.stride, b.Stride()) << e.width << " x " << e.bits;
        EXPECT_EQ(static_cast<size_t>(e.stride) * 512, b.ImageBytes());
    }
}

TEST(ImageBuffer, HeaderAndTableFormOneBitmapInfo) {
    CImageBuffer b;
    ASSERT_EQ(1, b.Create(641, 3, 8));
    const BitmapInfoHeader &h = b.Header();
    EXPECT_EQ(40u, h.size);
    EXPECT_EQ(641, h.width);
    EXPECT_EQ(3, h.height);
    EXPECT_EQ(1, h.planes);
    EXPECT_EQ(8, h.bitCount);
    EXPECT_EQ(0u, h.compression);
    EXPECT_EQ(0u, h.sizeImage);
    EXPECT_EQ(0u, h.clrUsed);
    const uint8_t *info = reinterpret_cast<const uint8_t *>(b.Info());
    EXPECT_EQ(info, reinterpret_cast<const uint8_t *>(&h));
    EXPECT_EQ(info + 40, reinterpret_cast<const uint8_t *>(b.ColorTable()));
    for (int i = 0; i < 256; ++i) {
        const RgbQuad &q = b.ColorTable()[i];
        ASSERT_TRUE(q.blue == i && q.green == i && q.red == i && q.reserved == 0) << i;
    }
    for (size_t k = 0; k < b.ImageBytes(); ++k)
        ASSERT_EQ(0, b.Pixels()[k]);
}

TEST(ImageBuffer, BadGeometryChangesNothing) {
    CImageBuffer b;
    EXPECT_EQ(0, b.Create(0, 10, 8));
    EXPECT_EQ(0, b.Create(10, 10, 0));
    EXPECT_TRUE(b.IsEmpty());
    ASSERT_EQ(1, b.Create(7, 5, 24));
    const uint8_t *pixels = b.Pixels();
    EXPECT_EQ(0, b.Create(-1, 5, 24));
    EXPECT_EQ(0, b.Create(7, 0, 24));
    EXPECT_EQ(0, b.Create(7, 5, 12)) << "only whole-byte depths a bitmap can have";
    EXPECT_EQ(0, b.Create(1 << 20, 1 << 20, 8)) << "a store beyond 2 GiB";
    EXPECT_EQ(pixels, b.Pixels());
    EXPECT_EQ(7, b.Width());
    EXPECT_EQ(24, b.BitsPerPixel());
}

TEST(ImageBuffer, ReleaseEmptiesAndCreateLikeCopiesTheGeometry) {
    CImageBuffer model, copy;
    ASSERT_EQ(1, model.Create(33, 17, 48));
    EXPECT_EQ(0, copy.CreateLike(nullptr));
    CImageBuffer empty;
    EXPECT_EQ(0, copy.CreateLike(&empty));
    ASSERT_EQ(1, copy.CreateLike(&model));
    EXPECT_EQ(0, std::memcmp(&model.Header(), &copy.Header(), sizeof(BitmapInfoHeader)));
    EXPECT_EQ(model.Stride(), copy.Stride());
    EXPECT_NE(model.Pixels(), copy.Pixels());

    copy.Release();
    copy.Release();
    EXPECT_TRUE(copy.IsEmpty());
    EXPECT_EQ(0, copy.Width());
    EXPECT_EQ(0, copy.Stride());
    EXPECT_EQ(0, copy.BitsPerPixel());
    BitmapInfo zero{};
    zero.header.size = 40;
    EXPECT_EQ(0, std::memcmp(&zero, copy.Info(), sizeof zero));
}

TEST(ImageBuffer, ColourTableLoadsStayInsideTheTable) {
    CImageBuffer b;
    ASSERT_EQ(1, b.Create(4, 4, 8));
    std::vector<RgbQuad> red(300, RgbQuad{0, 0, 200, 0});
    EXPECT_EQ(1, b.SetColorTable(2, red.data(), 250, 300));
    EXPECT_EQ(200, b.ColorTable()[255].red);
    EXPECT_EQ(249, b.ColorTable()[249].red);
    EXPECT_EQ(1, b.SetColorTable(2, red.data(), -5, 10));
    EXPECT_EQ(1, b.SetColorTable(1, red.data(), 0, 256));
    EXPECT_EQ(0, b.ColorTable()[0].red) << "only modes 0 and 2 load entries";
    EXPECT_EQ(1, b.SetColorTable(0));
    EXPECT_EQ(255, b.ColorTable()[255].red);
}

// Records what ApplyConversion hands on.
struct Seen {
    ImageRect rect;
    int32_t x, y;
    int dstBpp, srcBpp;
    int32_t dstStride, srcStride;
    int calls = 0;
};
int Record(uint8_t *, const uint8_t *, const ImageRect &rect, int32_t x, int32_t y, int dstBpp, int srcBpp,
           int32_t dstStride, int32_t srcStride, void *param1, void *) {
    Seen &s = *static_cast<Seen *>(param1);
    s = Seen{rect, x, y, dstBpp, srcBpp, dstStride, srcStride, s.calls + 1};
    return 7;
}

TEST(ApplyConversion, WholePicturesGoToTheRoutineAsTheyAre) {
    CImageBuffer a, b;
    ASSERT_EQ(1, a.Create(640, 512, 8));
    ASSERT_EQ(1, b.Create(640, 512, 24));
    Seen seen;
    EXPECT_EQ(7, CImageBuffer::ApplyConversion(&b, Record, &a, nullptr, 0, 0, &seen));
    EXPECT_EQ(1, seen.calls);
    EXPECT_EQ(0, seen.rect.left);
    EXPECT_EQ(0, seen.rect.top);
    EXPECT_EQ(640, seen.rect.right);
    EXPECT_EQ(512, seen.rect.bottom);
    EXPECT_EQ(0, seen.x);
    EXPECT_EQ(0, seen.y);
    EXPECT_EQ(3, seen.dstBpp);
    EXPECT_EQ(1, seen.srcBpp);
    EXPECT_EQ(1920, seen.dstStride);
    EXPECT_EQ(640, seen.srcStride);
    EXPECT_EQ(0, CImageBuffer::ApplyConversion(&b, nullptr, &a, nullptr, 0, 0));
    EXPECT_EQ(0, CImageBuffer::ApplyConversion(nullptr, Record, &a, nullptr, 0, 0, &seen));
    CImageBuffer empty;
    EXPECT_EQ(0, CImageBuffer::ApplyConversion(&empty, Record, &a, nullptr, 0, 0, &seen));
    EXPECT_EQ(1, seen.calls);
}

TEST(ApplyConversion, PlacementOutsideTheDestinationTouchesNothing) {
    CImageBuffer a, b;
    ASSERT_EQ(1, a.Create(20, 10, 8));
    ASSERT_EQ(1, b.Create(20, 10, 8));
    std::memset(a.Pixels(), 9, a.ImageBytes());
    for (auto [x, y] : {std::pair{20, 0}, {0, 10}, {-20, 0}, {0, -10}, {INT32_MAX, 0}, {INT32_MIN, INT32_MIN}})
        EXPECT_EQ(0, CImageBuffer::ApplyConversion(&b, conv::CopyPixels, &a, nullptr, x, y)) << x << "," << y;
    for (size_t k = 0; k < b.ImageBytes(); ++k)
        ASSERT_EQ(0, b.Pixels()[k]);
}

TEST(ClipRects, ClipsToBothBuffersWithRowsCountedFromTheBottomInMemory) {
    CImageBuffer dst, src;
    ASSERT_EQ(1, dst.Create(100, 50, 8));
    ASSERT_EQ(1, src.Create(40, 30, 8));
    // Rectangle (10, 5)-(30, 25) of the source at (90, 40): 10 x 10 fit.
    ImageRect r{10, 5, 30, 25};
    int32_t x = 90, y = 40;
    ASSERT_EQ(1, CImageBuffer::ClipRects(&dst, &src, &r, &x, &y));
    EXPECT_EQ(90, x);
    EXPECT_EQ(0, y) << "destination rows 40..49 from the top are memory rows 0..9";
    EXPECT_EQ(10, r.left);
    EXPECT_EQ(20, r.right);
    EXPECT_EQ(30 - 15, r.top) << "source rows 5..14 from the top are memory rows 15..24";
    EXPECT_EQ(30 - 5, r.bottom);

    // A rectangle reaching past the source's right and bottom is held to the source.
    r = ImageRect{30, 20, 60, 45};
    x = 0, y = 0;
    ASSERT_EQ(1, CImageBuffer::ClipRects(&dst, &src, &r, &x, &y));
    EXPECT_EQ(30, r.left);
    EXPECT_EQ(40, r.right);
    EXPECT_EQ(0, r.top);
    EXPECT_EQ(10, r.bottom);

    // Empty, inverted or out-of-reach rectangles fail and zero everything.
    for (ImageRect bad : {ImageRect{5, 5, 5, 9}, ImageRect{9, 5, 4, 9}, ImageRect{40, 0, 50, 10},
                          ImageRect{-20, 0, -1, 10}, ImageRect{INT32_MIN, INT32_MIN, INT32_MIN + 1, 0}}) {
        r = bad;
        x = 3, y = 4;
        EXPECT_EQ(0, CImageBuffer::ClipRects(&dst, &src, &r, &x, &y));
        EXPECT_TRUE(r.left == 0 && r.top == 0 && r.right == 0 && r.bottom == 0 && x == 0 && y == 0);
    }
}

TEST(ClipRects, ARectangleStartingOutsideTheSourceKeepsItsPixelsInPlace) {
    CImageBuffer dst, src;
    ASSERT_EQ(1, dst.Create(50, 50, 8));
    ASSERT_EQ(1, src.Create(20, 20, 8));
    // Source columns -5..9 at x = 10: column 0 of the source still lands at x = 15.
    ImageRect r{-5, -3, 10, 10};
    int32_t x = 10, y = 20;
    ASSERT_EQ(1, CImageBuffer::ClipRects(&dst, &src, &r, &x, &y));
    EXPECT_EQ(0, r.left);
    EXPECT_EQ(10, r.right);
    EXPECT_EQ(15, x);
    EXPECT_EQ(20 - 10, r.top);
    EXPECT_EQ(20, r.bottom);
    EXPECT_EQ(50 - (23 + 10), y) << "picture rows 23..32 of the destination";
}

TEST(BlitTo, GreyThroughTheColourTableAndSameDepthCopies) {
    CImageBuffer grey, colour, colour2;
    ASSERT_EQ(1, grey.Create(5, 4, 8));
    ASSERT_EQ(1, colour.Create(5, 4, 24));
    ASSERT_EQ(1, colour2.Create(5, 4, 24));
    RgbQuad entry{10, 20, 30, 40};
    grey.SetColorTable(2, &entry, 7, 1);
    grey.Pixels()[0] = 7;
    grey.Pixels()[1] = 200;
    ASSERT_EQ(1, CImageBuffer::BlitTo(&colour, &grey, nullptr, 0, 0));
    EXPECT_EQ(10, colour.Pixels()[0]);
    EXPECT_EQ(20, colour.Pixels()[1]);
    EXPECT_EQ(30, colour.Pixels()[2]);
    EXPECT_EQ(200, colour.Pixels()[3]);
    EXPECT_EQ(200, colour.Pixels()[5]);
    ASSERT_EQ(1, CImageBuffer::BlitTo(&colour2, &colour, nullptr, 0, 0));
    EXPECT_EQ(0, std::memcmp(colour.Pixels(), colour2.Pixels(), colour.ImageBytes()));
    CImageBuffer wide;
    ASSERT_EQ(1, wide.Create(5, 4, 16));
    EXPECT_EQ(0, CImageBuffer::BlitTo(&colour, &wide, nullptr, 0, 0));
}

TEST(ApplyStretch, WholePicturesByDefaultAndNothingWithoutARoutine) {
    CImageBuffer small, large;
    ASSERT_EQ(1, small.Create(2, 2, 8));
    ASSERT_EQ(1, large.Create(4, 4, 8));
    const uint8_t rows[2][2] = {{1, 2}, {3, 4}};
    std::memcpy(small.Row(0), rows[0], 2);
    std::memcpy(small.Row(1), rows[1], 2);
    EXPECT_EQ(0, CImageBuffer::ApplyStretch(&large, nullptr, &small, nullptr, nullptr));
    ASSERT_EQ(1, CImageBuffer::ApplyStretch(&large, conv::Stretch8, &small, nullptr, nullptr));
    // Doubled and turned over: memory row 0 of the source ends at the bottom.
    const uint8_t expected[4][4] = {{3, 3, 4, 4}, {3, 3, 4, 4}, {1, 1, 2, 2}, {1, 1, 2, 2}};
    for (int r = 0; r < 4; ++r)
        EXPECT_EQ(0, std::memcmp(expected[r], large.Row(r), 4)) << r;
}

// ---- Bitmap files ----------------------------------------------------------------------

std::string TempName(const char *stem) {
    return (std::filesystem::temp_directory_path() / (std::string("vonkel_image_") + stem)).string();
}

std::vector<uint8_t> ReadAll(const std::string &name) {
    std::ifstream in(name, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

uint32_t Le32(const std::vector<uint8_t> &f, size_t at) {
    return f[at] | f[at + 1] << 8 | f[at + 2] << 16 | uint32_t{f[at + 3]} << 24;
}

// A picture whose every pixel says where it is: value = (3 x column + 7 x memory row) & 255.
void Pattern(CImageBuffer &b) {
    for (int32_t r = 0; r < b.Height(); ++r)
        for (int32_t c = 0; c < b.Width(); ++c)
            for (int k = 0; k < b.BytesPerPixel(); ++k)
                b.Row(r)[c * b.BytesPerPixel() + k] = static_cast<uint8_t>(3 * c + 7 * r + 50 * k);
}

TEST(WriteBitmapFile, GreyAndColourFilesHaveTheirLayout) {
    struct Expect {
        int bits;
        uint32_t offset;
        uint32_t pixels;
    } cases[] = {{8, 1078, 327680}, {24, 54, 983040}};
    for (const Expect &e : cases) {
        CImageBuffer b;
        ASSERT_EQ(1, b.Create(640, 512, e.bits));
        Pattern(b);
        const std::string name = TempName(e.bits == 8 ? "grey.bmp" : "colour.bmp");
        ASSERT_EQ(1, still::WriteBitmapStore(name.c_str(), b));
        const std::vector<uint8_t> f = ReadAll(name);
        ASSERT_EQ(e.offset + e.pixels, f.size());
        EXPECT_EQ('B', f[0]);
        EXPECT_EQ('M', f[1]);
        EXPECT_EQ(f.size(), Le32(f, 2));
        EXPECT_EQ(0u, Le32(f, 6));
        EXPECT_EQ(e.offset, Le32(f, 10));
        EXPECT_EQ(0, std::memcmp(&f[14], &b.Header(), 40));
        if (e.bits == 8) {
            EXPECT_EQ(0, std::memcmp(&f[54], b.ColorTable(), 1024));
        }
        EXPECT_EQ(0, std::memcmp(&f[e.offset], b.Pixels(), e.pixels));
        std::remove(name.c_str());
    }
    CImageBuffer b;
    ASSERT_EQ(1, b.Create(3, 3, 24));
    EXPECT_EQ(0, still::WriteBitmapStore(TempName("no_such_dir/x.bmp").c_str(), b));
}

#ifndef _WIN32
// ImageMagick and Pillow read the files back with the pixels where they belong: the
// file is bottom-up, so picture row y (from the top) is memory row height - 1 - y.
TEST(WriteBitmapFile, OtherProgramsReadThePixelsBack) {
    if (std::system("command -v identify >/dev/null 2>&1 && /usr/bin/python3 -c 'import PIL' 2>/dev/null") != 0)
        GTEST_SKIP() << "ImageMagick or Pillow not installed";
    const char *check = R"SH(set -e
test "$(identify -format '%w %h %z' "$1")" = "640 512 8"
/usr/bin/python3 - "$1" "$2" <<'END'
import sys
from PIL import Image
name, bits = sys.argv[1], int(sys.argv[2])
im = Image.open(name)
assert im.size == (640, 512), im.size
for x, y in [(0, 0), (639, 0), (0, 511), (639, 511), (123, 321)]:
    r = 511 - y
    want = [(3 * x + 7 * r + 50 * k) & 255 for k in range(bits // 8)]
    got = im.getpixel((x, y))
    got = [got] if isinstance(got, int) else list(got)
    if bits == 24:
        got = got[::-1]  # Pillow gives red, green, blue; the file holds blue, green, red
    assert got == want, (x, y, got, want)
END
)SH";
    const std::string script = TempName("check_bitmap.sh");
    std::FILE *out = std::fopen(script.c_str(), "w");
    ASSERT_NE(nullptr, out);
    std::fputs(check, out);
    std::fclose(out);
    for (int bits : {8, 24}) {
        CImageBuffer b;
        ASSERT_EQ(1, b.Create(640, 512, bits));
        Pattern(b);
        const std::string name = TempName(bits == 8 ? "check_grey.bmp" : "check_colour.bmp");
        ASSERT_EQ(1, still::WriteBitmapStore(name.c_str(), b));
        EXPECT_EQ(0, std::system(("sh " + script + " " + name + " " + std::to_string(bits)).c_str())) << bits;
        std::remove(name.c_str());
    }
    std::remove(script.c_str());
}
#endif

} // namespace
