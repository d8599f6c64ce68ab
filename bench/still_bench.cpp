// Saving one full frame per format and colour mode (Ours/<format>/<bits>), against the
// same encode made with the plain library calls on samples already in the file's layout
// (Plain/<format>/<bits>: what cjpeg or a bare libpng or libtiff program would do). The
// difference is what the saver adds: working images, reordering, widening, byte swaps.
// Both write to the same temporary file, so the disk costs them alike.
#include "BenchImages.h"
#include "output/StillImage.h"
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>
#include <jpeglib.h>
#include <png.h>
#include <tiffio.h>

namespace {

const std::string kFile = (std::filesystem::temp_directory_path() / "vonkel_still_bench").string();

enum Codec { kJpeg, kPng, kTiff };

// The samples the file holds, made from the frame with plain loops: top row first, red
// first; JPEG 8-bit (12-bit values >> 4), PNG and TIFF 16-bit (values << 4, PNG
// big-endian), the fourth samples as the writers make them.
std::vector<uint8_t> FileSamples(const CImageBuffer &frame, Codec codec) {
    const int bits = frame.BitsPerPixel(), spp = bits == 8 || bits == 16 ? 1 : (bits == 24 || bits == 48 ? 3 : 4);
    const bool wideIn = bits == 16 || bits >= 48, wideOut = wideIn && codec != kJpeg;
    const int outSpp = codec == kJpeg && spp == 4 ? 3 : spp;
    std::vector<uint8_t> out;
    for (int32_t y = 0; y < frame.Height(); ++y) {
        const uint8_t *row = frame.Row(y);
        for (int32_t x = 0; x < frame.Width(); ++x) {
            for (int s = 0; s < outSpp; ++s) {
                const int from = spp >= 3 && s < 3 ? 2 - s : s; // blue, green, red -> red, green, blue
                uint32_t v = wideIn ? uint32_t(row[(x * spp + from) * 2] | row[(x * spp + from) * 2 + 1] << 8)
                                    : row[x * spp + from];
                if (s == 3) // PNG alpha is the fourth byte's complement; TIFF's fourth byte 0
                    v = wideOut ? 65535 : (codec == kPng ? 255 - v : 0);
                else if (wideIn)
                    v = wideOut ? (v << 4) & 0xFFFF : (v >> 4) & 255;
                if (wideOut && codec == kPng)
                    out.insert(out.end(), {uint8_t(v >> 8), uint8_t(v)});
                else if (wideOut)
                    out.insert(out.end(), {uint8_t(v), uint8_t(v >> 8)});
                else
                    out.push_back(uint8_t(v));
            }
        }
    }
    return out;
}

void PlainJpeg(const std::vector<uint8_t> &samples, int components, int quality) {
    jpeg_compress_struct c;
    jpeg_error_mgr errors;
    c.err = jpeg_std_error(&errors);
    jpeg_create_compress(&c);
    FILE *f = std::fopen(kFile.c_str(), "wb");
    jpeg_stdio_dest(&c, f);
    c.image_width = bench::kWidth;
    c.image_height = bench::kHeight;
    c.input_components = components;
    c.in_color_space = components == 1 ? JCS_GRAYSCALE : JCS_RGB;
    jpeg_set_defaults(&c);
    jpeg_set_quality(&c, quality, TRUE);
    jpeg_simple_progression(&c);
    jpeg_start_compress(&c, TRUE);
    while (c.next_scanline < c.image_height) {
        JSAMPROW row = const_cast<JSAMPLE *>(samples.data()) + size_t(c.next_scanline) * bench::kWidth * components;
        jpeg_write_scanlines(&c, &row, 1);
    }
    jpeg_finish_compress(&c);
    jpeg_destroy_compress(&c);
    std::fclose(f);
}

void PlainPng(const std::vector<uint8_t> &samples, int depth, int colourType) {
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    FILE *f = std::fopen(kFile.c_str(), "wb");
    png_init_io(png, f);
    png_set_IHDR(png, info, bench::kWidth, bench::kHeight, depth, colourType, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    const size_t rowBytes = samples.size() / bench::kHeight;
    std::vector<png_bytep> rows(bench::kHeight);
    for (int i = 0; i < bench::kHeight; ++i)
        rows[i] = const_cast<png_bytep>(samples.data()) + rowBytes * i;
    png_write_image(png, rows.data());
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    std::fclose(f);
}

void PlainTiff(const std::vector<uint8_t> &samples, int bitsPerSample, int spp) {
    TIFF *t = TIFFOpen(kFile.c_str(), "w");
    TIFFSetField(t, TIFFTAG_IMAGEWIDTH, uint32_t(bench::kWidth));
    TIFFSetField(t, TIFFTAG_IMAGELENGTH, uint32_t(bench::kHeight));
    TIFFSetField(t, TIFFTAG_COMPRESSION, COMPRESSION_NONE);
    TIFFSetField(t, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, bitsPerSample);
    TIFFSetField(t, TIFFTAG_PHOTOMETRIC, spp == 1 ? PHOTOMETRIC_MINISBLACK : PHOTOMETRIC_RGB);
    TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, spp);
    TIFFWriteEncodedStrip(t, 0, const_cast<uint8_t *>(samples.data()), tmsize_t(samples.size()));
    TIFFClose(t);
}

constexpr int kQuality[] = {100, 70, 20};

void Ours(benchmark::State &state, int format, int bits) {
    CImageBuffer frame;
    bench::MakeFrame(frame, bits);
    for (auto _ : state)
        if (!still::Save(kFile.c_str(), frame, format, 12))
            state.SkipWithError("save failed");
}

void Plain(benchmark::State &state, int format, int bits) {
    CImageBuffer frame;
    bench::MakeFrame(frame, bits);
    const int spp = bits == 8 || bits == 16 ? 1 : (bits == 24 || bits == 48 ? 3 : 4);
    const bool wide = bits == 16 || bits >= 48;
    const Codec codec = format == still::kPng ? kPng : (format == still::kTiff ? kTiff : kJpeg);
    const std::vector<uint8_t> samples = FileSamples(frame, codec);
    for (auto _ : state) {
        if (codec == kJpeg)
            PlainJpeg(samples, spp == 1 ? 1 : 3, kQuality[format - still::kJpeg100]);
        else if (codec == kPng)
            PlainPng(samples, wide ? 16 : 8, spp == 1 ? PNG_COLOR_TYPE_GRAY : (spp == 3 ? PNG_COLOR_TYPE_RGB : PNG_COLOR_TYPE_RGB_ALPHA));
        else
            PlainTiff(samples, wide ? 16 : 8, spp);
    }
}

const bool g_registered = [] {
    const char *names[] = {"bmp", "raw", "jpeg100", "jpeg70", "jpeg20", "png", "tiff"};
    for (int format = 0; format <= 6; ++format)
        for (int bits : {8, 16, 24, 32, 48, 64}) {
            const std::string tail = std::string(names[format]) + "/" + std::to_string(bits);
            benchmark::RegisterBenchmark(("Ours/" + tail).c_str(), Ours, format, bits)->Unit(benchmark::kMicrosecond);
            if (format >= still::kJpeg100)
                benchmark::RegisterBenchmark(("Plain/" + tail).c_str(), Plain, format, bits)
                    ->Unit(benchmark::kMicrosecond);
        }
    return true;
}();

} // namespace
