// OpenCV doing the same work on the same frames: the baseline of the ratios. OpenCV runs
// on one thread (main sets it), with its outputs allocated before the loop.
#include "BenchImages.h"
#include <cstring>
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

namespace {

// The benchmark frame as an OpenCV matrix of the given type.
cv::Mat Frame(int bits, int type) {
    CImageBuffer b;
    bench::MakeFrame(b, bits);
    cv::Mat m(bench::kHeight, bench::kWidth, type);
    for (int32_t r = 0; r < bench::kHeight; ++r)
        std::memcpy(m.ptr(r), b.Row(r), m.cols * m.elemSize());
    return m;
}

template <class Body> void Loop(benchmark::State &state, Body body) {
    bench::CAllocationCounter allocations(state);
    for (auto _ : state) {
        body();
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * bench::kWidth * bench::kHeight);
}

void BayerToBgr(benchmark::State &state, int bits, int code) {
    const cv::Mat raw = Frame(bits, bits == 8 ? CV_8UC1 : CV_16UC1);
    cv::Mat out;
    cv::cvtColor(raw, out, code);
    Loop(state, [&] { cv::cvtColor(raw, out, code); });
}

void Lut(benchmark::State &state, int bits, int type) {
    const cv::Mat in = Frame(bits, type);
    cv::Mat table(1, 256, CV_8U), out(in.size(), in.type());
    for (int i = 0; i < 256; ++i)
        table.at<uint8_t>(i) = static_cast<uint8_t>(255 - i / 2);
    Loop(state, [&] { cv::LUT(in, table, out); });
}

// Unsharp mask: 4 x 4 box blur and a weighted sum of picture and blur.
void BlurAndWeightedAdd(benchmark::State &state, int bits, int type) {
    const cv::Mat in = Frame(bits, type);
    cv::Mat blur(in.size(), in.type()), out(in.size(), in.type());
    Loop(state, [&] {
        cv::blur(in, blur, cv::Size(4, 4));
        cv::addWeighted(in, 2.0, blur, -1.0, 0.0, out);
    });
}

// Hue rotation and saturation through HSV and back.
void HsvRoundTrip(benchmark::State &state, int bits, int type) {
    const cv::Mat in = Frame(bits, type);
    cv::Mat hsv(in.size(), CV_8UC3), out(in.size(), CV_8UC3);
    Loop(state, [&] {
        cv::cvtColor(in, hsv, cv::COLOR_BGR2HSV);
        cv::add(hsv, cv::Scalar(10, 0, 0), hsv);
        cv::cvtColor(hsv, out, cv::COLOR_HSV2BGR);
    });
}

void ConvertScaleAbs(benchmark::State &state, int bits, int type) {
    const cv::Mat in = Frame(bits, type);
    cv::Mat out(in.size(), CV_8UC(in.channels()));
    Loop(state, [&] { cv::convertScaleAbs(in, out, 1.2, 0.0); });
}

// The 16-bit form of a scaled, saturated copy.
void ConvertTo16(benchmark::State &state, int bits, int type) {
    const cv::Mat in = Frame(bits, type);
    cv::Mat out(in.size(), in.type());
    Loop(state, [&] { in.convertTo(out, in.type(), 1.2); });
}

void CvtColor(benchmark::State &state, int bits, int type, int code) {
    const cv::Mat in = Frame(bits, type);
    cv::Mat out;
    cv::cvtColor(in, out, code);
    Loop(state, [&] { cv::cvtColor(in, out, code); });
}

void FlipRows(benchmark::State &state, int bits, int type) {
    const cv::Mat in = Frame(bits, type);
    cv::Mat out(in.size(), in.type());
    Loop(state, [&] { cv::flip(in, out, 0); });
}

// 16 -> 8 bits by a scale: the reductions' counterpart.
void Reduce16(benchmark::State &state, int bits, int type) {
    const cv::Mat in = Frame(bits, type);
    cv::Mat out(in.size(), CV_8UC(in.channels()));
    Loop(state, [&] { in.convertTo(out, out.type(), 1.0 / 16); });
}

void ResizeNearest(benchmark::State &state, int bits, int type) {
    const cv::Mat in = Frame(bits, type);
    cv::Mat out(600, 800, in.type());
    Loop(state, [&] { cv::resize(in, out, out.size(), 0, 0, cv::INTER_NEAREST); });
    state.SetItemsProcessed(state.iterations() * 800 * 600);
}

// The chain of a colour mode done with OpenCV: Bayer to BGR(A) and channel gains (colour
// modes), hue and saturation through HSV (16-bit pictures through 8 bits and back, as
// ours do), gamma and contrast (tables for 8-bit samples; OpenCV has no 16-bit table, so
// 16-bit samples take pow on floats with the contrast folded into the conversion back),
// 4 x 4 box blur with addWeighted, brightness.
void Chain(benchmark::State &state, int mode) {
    const bool colour = mode >= 2, wide = mode == 1 || mode >= 4, four = mode == 3 || mode == 5;
    const int channels = colour ? (four ? 4 : 3) : 1;
    const cv::Mat raw = Frame(wide ? 16 : 8, wide ? CV_16UC1 : CV_8UC1);
    cv::Mat pic = raw.clone(), small, hsv, blur, sharp, real;
    cv::Mat gamma(1, 256, CV_8U), contrast(1, 256, CV_8U);
    for (int i = 0; i < 256; ++i) {
        gamma.at<uint8_t>(i) = static_cast<uint8_t>(255 - i / 2);
        contrast.at<uint8_t>(i) = static_cast<uint8_t>(i / 2 + 60);
    }
    const cv::Scalar gains = four ? cv::Scalar(0.9, 1.0, 1.3, 1.0) : cv::Scalar(0.9, 1.0, 1.3);
    Loop(state, [&] {
        if (colour) {
            cv::cvtColor(raw, pic, four ? cv::COLOR_BayerGB2BGRA : cv::COLOR_BayerGB2BGR);
            cv::multiply(pic, gains, pic);
            if (wide)
                pic.convertTo(small, CV_8U, 1.0 / 16);
            cv::cvtColor(wide ? small : pic, hsv, cv::COLOR_BGR2HSV);
            cv::multiply(hsv, cv::Scalar(1.0, 1.15, 1.0), hsv);
            cv::add(hsv, cv::Scalar(10, 0, 0), hsv);
            cv::cvtColor(hsv, wide ? small : pic, cv::COLOR_HSV2BGR, channels);
            if (wide)
                small.convertTo(pic, CV_16U, 16);
        }
        if (wide) {
            pic.convertTo(real, CV_32F, 1.0 / 4096);
            cv::pow(real, 0.8, real);
            real.convertTo(pic, CV_16U, 4095 * 1.1, -200);
        } else {
            cv::LUT(pic, gamma, pic);
            cv::LUT(pic, contrast, pic);
        }
        cv::blur(pic, blur, cv::Size(4, 4));
        cv::addWeighted(pic, 2.0, blur, -1.0, 0.0, sharp);
        if (wide)
            sharp.convertTo(pic, CV_16U, 1.1);
        else
            cv::convertScaleAbs(sharp, pic, 1.1, 0.0);
    });
}

#define OPENCV(function, name, ...)                                                                                    \
    BENCHMARK_CAPTURE(function, name, __VA_ARGS__)->Name("OpenCV/" #name)->Unit(benchmark::kMicrosecond)

OPENCV(BayerToBgr, BayerToBGR_8, 8, cv::COLOR_BayerGB2BGR);
OPENCV(BayerToBgr, BayerToBGRA_8, 8, cv::COLOR_BayerGB2BGRA);
OPENCV(BayerToBgr, BayerToBGR_16, 16, cv::COLOR_BayerGB2BGR);
OPENCV(BayerToBgr, BayerToBGRA_16, 16, cv::COLOR_BayerGB2BGRA);
OPENCV(Lut, LUT_8UC1, 8, CV_8UC1);
OPENCV(Lut, LUT_8UC3, 24, CV_8UC3);
OPENCV(Lut, LUT_8UC4, 32, CV_8UC4);
OPENCV(BlurAndWeightedAdd, BlurWeightedAdd_8UC1, 8, CV_8UC1);
OPENCV(BlurAndWeightedAdd, BlurWeightedAdd_8UC3, 24, CV_8UC3);
OPENCV(BlurAndWeightedAdd, BlurWeightedAdd_8UC4, 32, CV_8UC4);
OPENCV(BlurAndWeightedAdd, BlurWeightedAdd_16UC1, 16, CV_16UC1);
OPENCV(BlurAndWeightedAdd, BlurWeightedAdd_16UC3, 48, CV_16UC3);
OPENCV(BlurAndWeightedAdd, BlurWeightedAdd_16UC4, 64, CV_16UC4);
OPENCV(HsvRoundTrip, HsvRoundTrip_8UC3, 24, CV_8UC3);
OPENCV(ConvertScaleAbs, ConvertScaleAbs_8UC1, 8, CV_8UC1);
OPENCV(ConvertScaleAbs, ConvertScaleAbs_8UC3, 24, CV_8UC3);
OPENCV(ConvertScaleAbs, ConvertScaleAbs_8UC4, 32, CV_8UC4);
OPENCV(ConvertTo16, ConvertTo_16UC1, 16, CV_16UC1);
OPENCV(ConvertTo16, ConvertTo_16UC3, 48, CV_16UC3);
OPENCV(ConvertTo16, ConvertTo_16UC4, 64, CV_16UC4);
OPENCV(CvtColor, BGR2GRAY, 24, CV_8UC3, cv::COLOR_BGR2GRAY);
OPENCV(CvtColor, BGR2RGB, 24, CV_8UC3, cv::COLOR_BGR2RGB);
OPENCV(CvtColor, BGRA2BGR, 32, CV_8UC4, cv::COLOR_BGRA2BGR);
OPENCV(CvtColor, BGR2BGRA, 24, CV_8UC3, cv::COLOR_BGR2BGRA);
OPENCV(FlipRows, Flip_8UC3, 24, CV_8UC3);
OPENCV(Reduce16, ConvertTo8_16UC1, 16, CV_16UC1);
OPENCV(Reduce16, ConvertTo8_16UC3, 48, CV_16UC3);
OPENCV(ResizeNearest, ResizeNearest_8UC3_800x600, 24, CV_8UC3);
OPENCV(ResizeNearest, ResizeNearest_8UC1_800x600, 8, CV_8UC1);
OPENCV(Chain, Chain_mode0, 0);
OPENCV(Chain, Chain_mode1, 1);
OPENCV(Chain, Chain_mode2, 2);
OPENCV(Chain, Chain_mode3, 3);
OPENCV(Chain, Chain_mode4, 4);
OPENCV(Chain, Chain_mode5, 5);

} // namespace
