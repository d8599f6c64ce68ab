// Reference: demosaic, hue and saturation, gamma, contrast, sharpness, brightness.
#include "RefIo.h"
#include "Reference.h"
#include <cmath>
#include <cstdlib>
#include <vector>

namespace ref {

namespace {

int32_t Top16(int32_t bits) { return (1 << Limit(bits, 8, 16)) - 1; }

// Samples per pixel handed to the colour rule (the fourth is never touched by it).
int Samples(const Io &io, int bytesPerSample) { return io.dbpp / bytesPerSample >= 3 ? 3 : 1; }

int32_t Get(const uint8_t *p, int k, int bytes) { return bytes == 1 ? p[k] : Io::Get16(p, k); }
void Put(uint8_t *p, int k, int bytes, int64_t v) {
    if (bytes == 1)
        p[k] = static_cast<uint8_t>(v);
    else
        Io::Put16(p, k, v);
}

// ---- Demosaic: searched out of the 6 x 6 neighbourhood by distance -------------------

struct Mosaic {
    const Io &io;
    int mode;
    int bytes;
    // A position outside moves four pixels further inside; held to the picture if still out.
    static int32_t Inside(int32_t p, int32_t n) {
        if (p < 0)
            p += 4;
        else if (p >= n)
            p -= 4;
        return p < 0 ? 0 : p >= n ? n - 1 : p;
    }
    int32_t At(int32_t i, int32_t j) const { return Get(io.S(Inside(i, io.Rows()), Inside(j, io.Cols())), 0, bytes); }
    // 0 green, 1 blue, 2 red by the colour naming.
    int Site(int32_t i, int32_t j) const {
        int rp = (i & 1) ^ (mode == 1 || mode == 3), cp = (j & 1) ^ (mode == 2 || mode == 3);
        return rp == cp ? 0 : (rp == 0 ? 1 : 2);
    }
};

int Demosaic(const Io &io, const DemosaicBlock *b, int bytes, bool interior) {
    const Mosaic m{io, b->bayerMode, bytes};
    const int64_t top = bytes == 1 ? 255 : 65535;
    const int64_t fr = static_cast<int64_t>(b->redGain * 1.28), fb = static_cast<int64_t>(b->blueGain * 1.28);
    for (int32_t r = 0; r < io.Rows(); ++r)
        for (int32_t c = 0; c < io.Cols(); ++c) {
            bool inner = r >= 2 && r <= io.Rows() - 3 && c >= 2 && c <= io.Cols() - 3;
            if (inner != interior)
                continue;
            int64_t green = 0, sum[3] = {0, 0, 0};
            // Centre at (r - 1/2, c - 1/2); in doubled units (2r - 1, 2c - 1).
            for (int32_t i = r - 3; i <= r + 2; ++i)
                for (int32_t j = c - 3; j <= c + 2; ++j) {
                    int dr = std::abs(2 * i - (2 * r - 1)), dc = std::abs(2 * j - (2 * c - 1));
                    int site = m.Site(i, j);
                    if (site == 0 && dr == 1 && dc == 1)
                        green += m.At(i, j);
                    if (site != 0 && dr <= 3 && dc <= 3)
                        sum[site] += (dr == 1 ? 3 : 1) * (dc == 1 ? 3 : 1) * m.At(i, j);
                }
            uint8_t *d = io.D(r, c);
            Put(d, 0, bytes, Limit((sum[1] * fb) >> 11, 0, top));
            Put(d, 1, bytes, green >> 1);
            Put(d, 2, bytes, Limit((sum[2] * fr) >> 11, 0, top));
        }
    return 1;
}

// ---- Hue and saturation, with the tables of the rule --------------------------------

int Hue(const Io &io, const HueBlock *b, int bytes) {
    static const uint32_t mask[6] = {0xFF00FF, 0xFF0000, 0xFFFF00, 0x00FF00, 0x00FFFF, 0x0000FF};
    static const int32_t unit[6] = {-1, 256, -65536, 1, -256, 65536};
    uint32_t grey[256], recip[256] = {0};
    for (int n = 0; n < 256; ++n)
        grey[n] = n * 0x010101u;
    for (int n = 1; n < 256; ++n)
        recip[n] = 0xFF0000u / n;
    int64_t angle = (int64_t{b->hue} * 65536) / 360;
    angle = ((angle % 65536) + 65536) % 65536;
    int64_t x = (angle * 6) >> 8, o = (x + 256) >> 9, m = x - 512 * o;
    int64_t H = m + (o % 3) * 510;
    H = H < 0 ? H + 1530 : H > 1529 ? H - 1530 : H;
    int64_t sat = b->saturation < -256 ? -256 : b->saturation;
    int64_t scaled[256], limit[512];
    for (int n = 0; n < 256; ++n)
        scaled[n] = (n * (sat + 256) * 256 + 0x8000) >> 16;
    for (int L = 0; L < 512; ++L)
        limit[L] = L <= 255 ? L : 511 - L;
    const int shift = bytes == 1 ? 0 : Limit(b->significantBits, 8, 16) - 8;
    for (int32_t i = 0; i < io.Rows(); ++i)
        for (int32_t j = 0; j < io.Cols(); ++j) {
            const uint8_t *s = io.S(i, j);
            int64_t B = Limit(Get(s, 0, bytes) >> shift, 0, 255), G = Limit(Get(s, 1, bytes) >> shift, 0, 255),
                    R = Limit(Get(s, 2, bytes) >> shift, 0, 255);
            int64_t mx = std::max(R, std::max(G, B)), mn = std::min(R, std::min(G, B));
            int64_t L = mx + mn, dif = mx - mn, sec, num;
            if (R >= G) {
                sec = 1;
                num = G - B;
            } else {
                sec = 3;
                num = B - R;
            }
            if (B > R && B > G) {
                sec = 5;
                num = R - G;
            }
            if (num < 0) {
                sec -= 1;
                num += dif;
            }
            int64_t f = (num * recip[dif] + 0x8000) >> 16;
            int64_t nd = std::min(limit[L], scaled[dif]);
            int64_t lo = (L - nd) >> 1, W = ((L + nd) >> 1) - lo;
            int64_t u = grey[lo];
            if (dif != 0) {
                int64_t v = f + H % 255;
                int64_t k = sec + H / 255 + (v > 254 ? 1 : 0);
                if (v >= 255)
                    v -= 255;
                k %= 6;
                u = u + (grey[W] & mask[k]) + ((W * v + 128) >> 8) * unit[k];
            }
            uint8_t *d = io.D(i, j);
            Put(d, 0, bytes, (u & 255) << shift);
            Put(d, 1, bytes, ((u >> 8) & 255) << shift);
            Put(d, 2, bytes, ((u >> 16) & 255) << shift);
            if (io.dbpp == 4 * bytes)
                Put(d, 3, bytes, 0);
        }
    return 1;
}

// ---- Tables of gamma and contrast, applied sample by sample ------------------------

double Exponent(int32_t value) { return value <= 100 ? value / 100.0 : 1 + (value - 100) / 10.0; }

int64_t TruncTo(double v, int64_t top) {
    return v >= static_cast<double>(top) ? top : v > 0 ? static_cast<int64_t>(v) : 0;
}

int ApplyTable(const Io &io, const std::vector<int64_t> &t, int bytes) {
    const int64_t last = static_cast<int64_t>(t.size()) - 1;
    for (int32_t i = 0; i < io.Rows(); ++i)
        for (int32_t j = 0; j < io.Cols(); ++j)
            for (int k = 0; k < Samples(io, bytes); ++k) {
                int64_t v = Get(io.S(i, j), k, bytes);
                Put(io.D(i, j), k, bytes, t[v > last ? last : v]);
            }
    return 1;
}

std::vector<int64_t> GammaTable(const ValueBlock *b, int bytes, bool limitExponent) {
    double e = Exponent(b->value);
    if (limitExponent)
        e = e < 0.001 ? 0.001 : e > 99.999 ? 99.999 : e;
    if (bytes == 1) {
        std::vector<int64_t> t(256);
        for (int i = 0; i < 256; ++i)
            t[i] = TruncTo(std::pow(i / 255.0, e) * 255, 255);
        return t;
    }
    const int64_t N = int64_t{Top16(b->significantBits)} + 1;
    std::vector<int64_t> t(N);
    for (int64_t i = 0; i < N; ++i)
        t[i] = TruncTo(std::pow(i / static_cast<double>(N), e) * (N - 1), N - 1);
    return t; // samples above the top read the last entry
}

std::vector<int64_t> ContrastTable(const ValueBlock *b, int bytes) {
    const int64_t N = bytes == 1 ? 256 : int64_t{Top16(b->significantBits)} + 1;
    const int64_t Bp = bytes == 1 ? b->value : int64_t{b->value} * (N / 256);
    std::vector<int64_t> t(N + 1, 0);
    if (Bp <= N / 2 - 1)
        for (int64_t D = 0; D < N; ++D)
            t[D] = D < Bp           ? 0
                   : D > N - Bp - 1 ? N - 1
                                    : TruncTo(double(N) / double(N - 2 * Bp) * double(D - Bp), N - 1);
    t[N] = N - 1; // a sample at or above N
    if (bytes == 1)
        t.pop_back();
    return t;
}

// ---- Sharpness in its two passes -----------------------------------------------------

int Sharpen(const Io &io, const ValueBlock *b, int bytes) {
    const int64_t top = bytes == 1 ? 255 : Top16(b->significantBits);
    const int64_t S = b->value;
    std::vector<int64_t> d(2 * top + 1);
    for (int64_t x = -top; x <= top; ++x)
        d[x + top] = (x * S) / 10;
    const int32_t rows = io.Rows(), cols = io.Cols();
    for (int pass = 1; pass <= 2; ++pass)
        for (int32_t r = 2; r <= rows - 3; ++r)
            for (int32_t c = 2; c <= cols - 3; ++c)
                for (int k = 0; k < Samples(io, bytes); ++k) {
                    if (pass == 1) {
                        int64_t sum = 0;
                        for (int32_t i = r - 2; i <= r + 1; ++i)
                            for (int32_t j = c - 2; j <= c + 1; ++j)
                                sum += Get(io.S(i, j), k, bytes);
                        Put(io.D(r, c), k, bytes, sum >> 4);
                    } else {
                        int64_t orig = std::min<int64_t>(Get(io.S(r, c), k, bytes), top);
                        int64_t blur = std::min<int64_t>(Get(io.D(r, c), k, bytes), top);
                        Put(io.D(r, c), k, bytes, Limit(orig + d[orig - blur + top], 0, top));
                    }
                }
    return 1;
}

// ---- Brightness -------------------------------------------------------------------------

int Brightness(const Io &io, const ValueBlock *b, int bytes) {
    const int64_t top = bytes == 1 ? 255 : Top16(b->significantBits);
    const int32_t v = b->value;
    float t = 1.0f;
    if (v < 0)
        t = 1.0f - static_cast<float>(std::llabs(v)) * (1.0f / 255.0f);
    if (v > 0)
        t = 1.0f + static_cast<float>(v) * (10.0f / 255.0f);
    for (int32_t i = 0; i < io.Rows(); ++i)
        for (int32_t j = 0; j < io.Cols(); ++j)
            for (int k = 0; k < Samples(io, bytes); ++k) {
                float x = static_cast<float>(Get(io.S(i, j), k, bytes)) * t;
                int64_t out = x >= static_cast<float>(top) ? top : x <= 0 ? 0 : static_cast<int64_t>(x);
                Put(io.D(i, j), k, bytes, out);
            }
    return 1;
}

const ValueBlock *Value(void *p) { return static_cast<const ValueBlock *>(p); }

} // namespace

VONKEL_CONVERSION_ROUTINE(DemosaicInterior8) {
    REF_IO;
    return Demosaic(io, static_cast<DemosaicBlock *>(param1), 1, true);
}
VONKEL_CONVERSION_ROUTINE(DemosaicBorder8) {
    REF_IO;
    return Demosaic(io, static_cast<DemosaicBlock *>(param1), 1, false);
}
VONKEL_CONVERSION_ROUTINE(DemosaicInterior16) {
    REF_IO;
    return Demosaic(io, static_cast<DemosaicBlock *>(param1), 2, true);
}
VONKEL_CONVERSION_ROUTINE(DemosaicBorder16) {
    REF_IO;
    return Demosaic(io, static_cast<DemosaicBlock *>(param1), 2, false);
}
VONKEL_CONVERSION_ROUTINE(Hue24) {
    REF_IO;
    return Hue(io, static_cast<HueBlock *>(param1), 1);
}
VONKEL_CONVERSION_ROUTINE(Hue32) {
    REF_IO;
    return Hue(io, static_cast<HueBlock *>(param1), 1);
}
VONKEL_CONVERSION_ROUTINE(Hue48) {
    REF_IO;
    return Hue(io, static_cast<HueBlock *>(param1), 2);
}
VONKEL_CONVERSION_ROUTINE(Hue64) {
    REF_IO;
    return Hue(io, static_cast<HueBlock *>(param1), 2);
}
VONKEL_CONVERSION_ROUTINE(Gamma8) {
    REF_IO;
    return ApplyTable(io, GammaTable(Value(param1), 1, false), 1);
}
VONKEL_CONVERSION_ROUTINE(Gamma16) {
    REF_IO;
    return ApplyTable(io, GammaTable(Value(param1), 2, false), 2);
}
VONKEL_CONVERSION_ROUTINE(Gamma24_32) {
    REF_IO;
    return ApplyTable(io, GammaTable(Value(param1), 1, true), 1);
}
VONKEL_CONVERSION_ROUTINE(Gamma48_64) {
    REF_IO;
    return ApplyTable(io, GammaTable(Value(param1), 2, false), 2);
}
VONKEL_CONVERSION_ROUTINE(Contrast8) {
    REF_IO;
    return ApplyTable(io, ContrastTable(Value(param1), 1), 1);
}
VONKEL_CONVERSION_ROUTINE(Contrast16) {
    REF_IO;
    return ApplyTable(io, ContrastTable(Value(param1), 2), 2);
}
VONKEL_CONVERSION_ROUTINE(Contrast24_32) {
    REF_IO;
    return ApplyTable(io, ContrastTable(Value(param1), 1), 1);
}
VONKEL_CONVERSION_ROUTINE(Contrast48_64) {
    REF_IO;
    return ApplyTable(io, ContrastTable(Value(param1), 2), 2);
}
VONKEL_CONVERSION_ROUTINE(Sharpen8) {
    REF_IO;
    return Sharpen(io, Value(param1), 1);
}
VONKEL_CONVERSION_ROUTINE(Sharpen16) {
    REF_IO;
    return Sharpen(io, Value(param1), 2);
}
VONKEL_CONVERSION_ROUTINE(Sharpen24_32) {
    REF_IO;
    return Sharpen(io, Value(param1), 1);
}
VONKEL_CONVERSION_ROUTINE(Sharpen48_64) {
    REF_IO;
    return Sharpen(io, Value(param1), 2);
}
VONKEL_CONVERSION_ROUTINE(Brightness8) {
    REF_IO;
    return Brightness(io, Value(param1), 1);
}
VONKEL_CONVERSION_ROUTINE(Brightness16) {
    REF_IO;
    return Brightness(io, Value(param1), 2);
}
VONKEL_CONVERSION_ROUTINE(Brightness24_32) {
    REF_IO;
    return Brightness(io, Value(param1), 1);
}
VONKEL_CONVERSION_ROUTINE(Brightness48_64) {
    REF_IO;
    return Brightness(io, Value(param1), 2);
}

} // namespace ref
