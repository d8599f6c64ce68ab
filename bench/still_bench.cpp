// Saving one full frame per format and colour mode. For JPEG, PNG and TIFF three writers
// make the same file, byte for byte (checked before timing), and take turns:
// - Ours: the saver, from the picture as the camera keeps it;
// - Plain: a plain program with the same library, from the same picture: plain loops
//   make each row's samples (libjpeg-turbo and libpng reorder blue-first pixels, swap
//   bytes and invert alpha themselves, so it asks them to, as we do);
// - Codec: the library alone, fed the file's samples made before the clock starts.
// Ours against Plain is what the saver costs over an ordinary program; Ours against
// Codec is everything it does besides the codec's own work. Times are the thread's CPU
// time, medians over rounds in which the three run in rotating order; the file is on
// tmpfs, so the disk costs all three alike. BMP and raw files are timed for ours only.
#include "BenchImages.h"
#include "output/StillImage.h"
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>
#include <jpeglib.h>
#include <png.h>
#include <tiffio.h>

namespace {

namespace fs = std::filesystem;

const std::string kFile =
    ((fs::is_directory("/dev/shm") ? fs::path("/dev/shm") : fs::temp_directory_path()) / "vonkel_still_bench").string();

enum Codec { kJpeg, kPng, kTiff };

struct Layout {
    int spp;   // samples a pixel in our buffer
    bool wide; // 16-bit samples
};
Layout LayoutOf(int bits) { return {bits == 8 || bits == 16 ? 1 : (bits == 24 || bits == 48 ? 3 : 4), bits == 16 || bits >= 48}; }

uint32_t Sample(const uint8_t *row, int index, bool wide) {
    return wide ? uint32_t(row[2 * index] | row[2 * index + 1] << 8) : row[index];
}

// One row of the file's samples from memory row y, with plain loops (one per layout, so
// that the compiler sees a plain program's loop). JPEG: 8-bit samples (12-bit values
// >> 4), blue first. PNG: blue first, little-endian 16-bit values << 4, 64-bit alpha
// 65535 (libpng reorders, swaps and inverts the 32-bit alpha). TIFF: red first, 16-bit
// values << 4, the fourth byte of 32-bit pixels 0, the 64-bit alpha 65535.
template <int Spp, bool Wide, Codec C> void PlainRowOf(const uint8_t *row, int32_t width, uint8_t *out) {
    constexpr int outSpp = C == kJpeg && Spp == 4 ? 3 : Spp;
    for (int32_t x = 0; x < width; ++x)
        for (int s = 0; s < outSpp; ++s) {
            const int from = C == kTiff && Spp >= 3 && s < 3 ? 2 - s : s;
            uint32_t v = Sample(row, x * Spp + from, Wide);
            if (s == 3)
                v = Wide ? 65535 : (C == kTiff ? 0 : v);
            else if (Wide)
                v = C == kJpeg ? (v >> 4) & 255 : (v << 4) & 0xFFFF;
            if (Wide && C != kJpeg) {
                *out++ = uint8_t(v);
                *out++ = uint8_t(v >> 8);
            } else {
                *out++ = uint8_t(v);
            }
        }
}

template <Codec C> void PlainRowFor(int bits, const uint8_t *row, int32_t width, uint8_t *out) {
    switch (bits) {
    case 8: return PlainRowOf<1, false, C>(row, width, out);
    case 16: return PlainRowOf<1, true, C>(row, width, out);
    case 24: return PlainRowOf<3, false, C>(row, width, out);
    case 32: return PlainRowOf<4, false, C>(row, width, out);
    case 48: return PlainRowOf<3, true, C>(row, width, out);
    default: return PlainRowOf<4, true, C>(row, width, out);
    }
}

void PlainRow(const CImageBuffer &frame, int32_t y, Codec codec, uint8_t *out) {
    const int bits = frame.BitsPerPixel();
    if (codec == kJpeg)
        PlainRowFor<kJpeg>(bits, frame.Row(y), frame.Width(), out);
    else if (codec == kPng)
        PlainRowFor<kPng>(bits, frame.Row(y), frame.Width(), out);
    else
        PlainRowFor<kTiff>(bits, frame.Row(y), frame.Width(), out);
}

size_t RowBytes(const CImageBuffer &frame, Codec codec) {
    const Layout l = LayoutOf(frame.BitsPerPixel());
    const int samples = codec == kJpeg && l.spp == 4 ? 3 : l.spp;
    return size_t(frame.Width()) * samples * (l.wide && codec != kJpeg ? 2 : 1);
}

// Where a writer takes each row from: prepared file samples (the codec alone), or the
// frame itself, in place where the library can read it so and through PlainRow otherwise.
struct Rows {
    const CImageBuffer &frame;
    Codec codec;
    const std::vector<uint8_t> *prepared; // null: from the frame

    bool InPlace() const {
        const int bits = frame.BitsPerPixel();
        return !prepared && (codec == kJpeg ? !LayoutOf(bits).wide : (codec == kPng && (bits == 8 || bits == 24 || bits == 32)));
    }
    const uint8_t *Row(int32_t y, std::vector<uint8_t> &line) const {
        if (prepared)
            return prepared->data() + RowBytes(frame, codec) * size_t(y);
        if (InPlace())
            return frame.Row(y);
        PlainRow(frame, y, codec, line.data());
        return line.data();
    }
};

void PlainJpeg(const Rows &rows, int quality) {
    const int bits = rows.frame.BitsPerPixel();
    const bool grey = bits <= 16, four = bits == 32 && rows.InPlace();
    jpeg_compress_struct c;
    jpeg_error_mgr errors;
    c.err = jpeg_std_error(&errors);
    jpeg_create_compress(&c);
    FILE *f = std::fopen(kFile.c_str(), "wb");
    jpeg_stdio_dest(&c, f);
    c.image_width = rows.frame.Width();
    c.image_height = rows.frame.Height();
    c.input_components = grey ? 1 : (four ? 4 : 3);
    c.in_color_space = grey ? JCS_GRAYSCALE : (four ? JCS_EXT_BGRX : JCS_EXT_BGR);
    jpeg_set_defaults(&c);
    jpeg_set_quality(&c, quality, TRUE); // baseline tables, as cjpeg -baseline
    jpeg_simple_progression(&c);
    jpeg_start_compress(&c, TRUE);
    std::vector<uint8_t> line(RowBytes(rows.frame, kJpeg));
    while (c.next_scanline < c.image_height) {
        JSAMPROW row = const_cast<JSAMPLE *>(rows.Row(int32_t(c.next_scanline), line));
        jpeg_write_scanlines(&c, &row, 1);
    }
    jpeg_finish_compress(&c);
    jpeg_destroy_compress(&c);
    std::fclose(f);
}

void PlainPng(const Rows &rows) {
    const int bits = rows.frame.BitsPerPixel();
    const Layout l = LayoutOf(bits);
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    FILE *f = std::fopen(kFile.c_str(), "wb");
    png_init_io(png, f);
    const int type = l.spp == 1 ? PNG_COLOR_TYPE_GRAY : (l.spp == 3 ? PNG_COLOR_TYPE_RGB : PNG_COLOR_TYPE_RGB_ALPHA);
    png_set_IHDR(png, info, rows.frame.Width(), rows.frame.Height(), l.wide ? 16 : 8, type, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    png_set_bgr(png);
    if (l.wide)
        png_set_swap(png);
    if (bits == 32)
        png_set_invert_alpha(png);
    std::vector<uint8_t> line(RowBytes(rows.frame, kPng));
    for (int32_t y = 0; y < rows.frame.Height(); ++y)
        png_write_row(png, rows.Row(y, line));
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    std::fclose(f);
}

// A bare libtiff writer: the strip made whole, then written in one call.
void PlainTiff(const Rows &rows) {
    const CImageBuffer &frame = rows.frame;
    const Layout l = LayoutOf(frame.BitsPerPixel());
    const size_t rowBytes = RowBytes(frame, kTiff);
    std::vector<uint8_t> strip;
    const uint8_t *data = rows.prepared ? rows.prepared->data() : nullptr;
    if (!data && !l.wide && l.spp == 1 && size_t(frame.Stride()) == rowBytes) {
        data = frame.Pixels();
    } else if (!data) {
        strip.resize(rowBytes * size_t(frame.Height()));
        for (int32_t y = 0; y < frame.Height(); ++y)
            PlainRow(frame, y, kTiff, strip.data() + rowBytes * size_t(y));
        data = strip.data();
    }
    TIFF *t = TIFFOpen(kFile.c_str(), "w");
    TIFFSetField(t, TIFFTAG_IMAGEWIDTH, uint32_t(frame.Width()));
    TIFFSetField(t, TIFFTAG_IMAGELENGTH, uint32_t(frame.Height()));
    TIFFSetField(t, TIFFTAG_COMPRESSION, COMPRESSION_NONE);
    TIFFSetField(t, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, l.wide ? 16 : 8);
    TIFFSetField(t, TIFFTAG_PHOTOMETRIC, l.spp == 1 ? PHOTOMETRIC_MINISBLACK : PHOTOMETRIC_RGB);
    TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, l.spp);
    TIFFWriteEncodedStrip(t, 0, const_cast<uint8_t *>(data), tmsize_t(rowBytes * size_t(frame.Height())));
    TIFFClose(t);
}

constexpr int kQuality[] = {100, 70, 20};

double ThreadSeconds() {
    timespec t;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) + 1e-9 * double(t.tv_nsec);
}

std::string FileBytes() {
    std::ifstream in(kFile, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n % 2 ? v[n / 2] : 0.5 * (v[n / 2 - 1] + v[n / 2]);
}

// Spread of a side: (upper quartile - lower quartile) / median.
double Spread(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return (v[v.size() * 3 / 4] - v[v.size() / 4]) / Median(v);
}

// Rounds of the three writers in rotating order, about 2 s of them and at least 15.
void Compare(benchmark::State &state, int format, int bits) {
    CImageBuffer frame;
    bench::MakeFrame(frame, bits);
    const Codec codec = format == still::kPng ? kPng : (format == still::kTiff ? kTiff : kJpeg);
    std::vector<uint8_t> prepared(RowBytes(frame, codec) * size_t(frame.Height()));
    for (int32_t y = 0; y < frame.Height(); ++y)
        PlainRow(frame, y, codec, prepared.data() + RowBytes(frame, codec) * size_t(y));
    auto plainWith = [&](const std::vector<uint8_t> *samples) {
        const Rows rows{frame, codec, samples};
        if (codec == kJpeg)
            PlainJpeg(rows, kQuality[format - still::kJpeg100]);
        else if (codec == kPng)
            PlainPng(rows);
        else
            PlainTiff(rows);
    };
    const std::function<void()> sides[3] = {[&] { still::Save(kFile.c_str(), frame, format, 12); },
                                            [&] { plainWith(nullptr); }, [&] { plainWith(&prepared); }};
    std::string files[3];
    double once = 0;
    for (int k = 0; k < 3; ++k) {
        const double start = ThreadSeconds();
        sides[k]();
        once += ThreadSeconds() - start;
        files[k] = FileBytes();
    }
    if (files[0] != files[1] || files[0] != files[2]) {
        state.SkipWithError("the writers made different files");
        return;
    }
    const int rounds = std::clamp(int(2.0 / once), 15, 99);
    std::vector<double> times[3];
    for (auto _ : state)
        for (int r = 0; r < rounds; ++r)
            for (int k = 0; k < 3; ++k) {
                const int side = (r + k) % 3;
                const double start = ThreadSeconds();
                sides[side]();
                times[side].push_back(ThreadSeconds() - start);
            }
    const double ours = Median(times[0]), plain = Median(times[1]), alone = Median(times[2]);
    state.counters["ours_ms"] = 1e3 * ours;
    state.counters["plain_ms"] = 1e3 * plain;
    state.counters["codec_ms"] = 1e3 * alone;
    state.counters["vs_plain_%"] = 100 * (ours / plain - 1);
    state.counters["vs_codec_%"] = 100 * (ours / alone - 1);
    state.counters["spread_%"] = 100 * std::max({Spread(times[0]), Spread(times[1]), Spread(times[2])});
    state.counters["rounds"] = rounds;
}

void Ours(benchmark::State &state, int format, int bits) {
    CImageBuffer frame;
    bench::MakeFrame(frame, bits);
    for (auto _ : state)
        if (!still::Save(kFile.c_str(), frame, format, 12))
            state.SkipWithError("save failed");
}

const bool g_registered = [] {
    const char *names[] = {"bmp", "raw", "jpeg100", "jpeg70", "jpeg20", "png", "tiff"};
    for (int format = 0; format <= 6; ++format)
        for (int bits : {8, 16, 24, 32, 48, 64}) {
            const std::string tail = std::string(names[format]) + "/" + std::to_string(bits);
            if (format >= still::kJpeg100)
                benchmark::RegisterBenchmark(("Compare/" + tail).c_str(), Compare, format, bits)
                    ->Iterations(1)
                    ->Unit(benchmark::kMillisecond);
            else
                benchmark::RegisterBenchmark(("Ours/" + tail).c_str(), Ours, format, bits)
                    ->Unit(benchmark::kMicrosecond)
                    ->MeasureProcessCPUTime();
        }
    return true;
}();

} // namespace
