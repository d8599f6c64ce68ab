// The picture: the registers the host's window, mirror, sub-sampling, sample width, gain and
// exposure settings write must show the part of the scene the application asked for, upright
// after the host's 180-degree turn, with colours that the default Bayer mode decodes right.
#include "SimHost.h"
#include "sim/Scene.h"
#include "sim/SimConstants.h"
#include <gtest/gtest.h>
#include <algorithm>

namespace {

using simtest::CSimHost;

struct CWindow {
    int x, y, width, height;
    bool subsample;
};

struct CSettings {
    bool mirrorH = false;
    bool mirrorV = false;
    bool sixteen = false;
    uint32_t gain = 0;
    uint32_t exposureLines = sim::kReferenceExposureLines;
};

// The picture as the host holds it after its 180-degree turn: memory row 0 first.
struct CPicture {
    int width = 0, height = 0;
    std::vector<uint16_t> pixels;
    uint32_t number = 0;
    uint16_t At(int i, int j) const { return pixels[size_t(i) * width + j]; }
};

int RoundUp4(int v) { return (v + 3) & ~3; }

// The register writes of the host's window operation, and its exposure and mirror writes.
void Program(CSimHost &host, int d, const CWindow &w, const CSettings &s) {
    const int m = w.subsample ? 2 : 1;
    const int a = RoundUp4(w.x), b = RoundUp4(w.y);
    const int W = RoundUp4(w.width / m), H = RoundUp4(w.height / m);
    int t = b, L = 296, s1 = 17, s2 = 0, s3 = 2;
    if (!w.subsample && H == 512) {
        L = s.sixteen ? 1248 : 556;
        s1 = s3 = 0;
    } else if (!w.subsample) {
        t = 516 - w.y - w.height;
        L = H + 36;
        s1 = 0, s2 = 2, s3 = 1;
    }
    host.WriteFpga(d, 14, s.sixteen ? 5 : 4);
    host.WriteSensor(d, 572, uint8_t(s1));
    host.WriteSensor(d, 772, uint8_t(s2));
    host.WriteCapture(d, 90, uint8_t(s3));
    for (auto [reg, value] : {std::pair{800, a}, {802, t}, {804, W}, {806, H}}) {
        host.WriteSensor(d, uint16_t(reg), uint8_t(value));
        host.WriteSensor(d, uint16_t(reg + 1), uint8_t((value >> 8) & 7));
    }
    host.WriteSensorField(d, 724, 2, uint32_t(L));
    host.WriteCaptureField(d, 64, 2, uint32_t(H));
    host.WriteCaptureField(d, 68, 2, uint32_t(W));
    const uint32_t pixels = (uint32_t(H * (w.width / m)) + 1023) & ~1023u;
    for (int i = 0; i < 4; ++i)
        host.WriteFpga(d, uint8_t(i), uint8_t(pixels >> (8 * i)));
    // Exposure: short when it fits the frame, else the frame is stretched.
    const uint32_t n = s.exposureLines;
    if (n > uint32_t(L) - 15) {
        host.WriteSensorField(d, 724, 3, n + 15);
        host.WriteSensorField(d, 1088, 3, 15);
    } else {
        host.WriteSensorField(d, 1088, 2, uint32_t(L) - n);
    }
    host.WriteSensor(d, 1812, uint8_t(s.gain));
    host.WriteSensor(d, 1813, uint8_t(s.gain >> 8));
    host.WriteSensor(d, 1028, uint8_t((s.mirrorH ? 2 : 0) + (s.mirrorV ? 1 : 0)));
}

CPicture Capture(CSimHost &host, int d, const CWindow &w, const CSettings &s) {
    Program(host, d, w, s);
    const int m = w.subsample ? 2 : 1;
    CPicture p;
    p.width = RoundUp4(w.width / m);
    p.height = RoundUp4(w.height / m);
    const uint32_t bpp = s.sixteen ? 2 : 1;
    const uint32_t pixels = (uint32_t(p.height * (w.width / m)) + 1023) & ~1023u;
    simtest::CFrame f = host.ReadFrame(d, pixels * bpp);
    EXPECT_TRUE(f.ok);
    EXPECT_EQ(pixels * bpp, f.bytes);
    if (!f.ok)
        return p;
    p.number = sim::DecodeFrameNumber(f.data.data(), bpp);
    p.pixels.resize(size_t(p.width) * p.height);
    for (int r = 0; r < p.height; ++r)
        for (int c = 0; c < p.width; ++c) {
            const size_t raw = size_t(r) * p.width + c;
            const uint16_t v = bpp == 2 ? uint16_t(f.data[2 * raw] | (f.data[2 * raw + 1] << 8)) : f.data[raw];
            p.pixels[size_t(p.height - 1 - r) * p.width + (p.width - 1 - c)] = v;
        }
    for (size_t k = size_t(p.width) * p.height; k < pixels; ++k)
        EXPECT_EQ(0, f.data[k * bpp]) << "padding up to the transfer size";
    return p;
}

// Where memory pixel (i, j) looks in the picture: the window's own coordinates, sub-sampled
// in Bayer pairs, mirrored as asked.
int Offset(int k, bool subsample) { return subsample ? 4 * (k / 2) + k % 2 : k; }
int PictureX(const CWindow &w, const CSettings &s, int W, int j) {
    return RoundUp4(w.x) + Offset(s.mirrorH ? W - 1 - j : j, w.subsample);
}
int PictureY(const CWindow &w, const CSettings &s, int H, int i) {
    return RoundUp4(w.y) + Offset(s.mirrorV ? H - 1 - i : i, w.subsample);
}

void ExpectScene(const CPicture &p, const CWindow &w, const CSettings &s) {
    int wrong = 0;
    for (int i = 0; i < p.height && wrong < 5; ++i)
        for (int j = 0; j < p.width && wrong < 5; ++j) {
            if (i == p.height - 1 && j >= p.width - 4)
                continue; // the frame number
            const int x = PictureX(w, s, p.width, j), y = PictureY(w, s, p.height, i);
            const uint16_t level =
                sim::SensorLevel12(sim::SceneValue(x, y, sim::CfaChannel(x, y), p.number), s.gain, s.exposureLines);
            const uint16_t expected = s.sixteen ? level : uint16_t(level >> 4);
            if (p.At(i, j) != expected) {
                ++wrong;
                ADD_FAILURE() << "memory (" << i << ", " << j << ") picture (" << x << ", " << y << "): "
                              << p.At(i, j) << " instead of " << expected;
            }
        }
}

const CWindow kWindows[] = {
    {0, 0, 640, 512, false},  {64, 128, 256, 192, false}, {128, 0, 384, 512, false},
    {0, 100, 100, 100, false}, {0, 0, 640, 512, true},     {64, 64, 320, 256, true},
};

class SimScene : public ::testing::Test {
protected:
    SimScene() : m_cams(Config()), m_host(m_cams) { m_host.StartUp(0); }
    static sim::CSimConfig Config() {
        sim::CSimConfig c;
        c.devices = {0};
        c.pacing = sim::Pacing::AsFastAsPossible;
        return c;
    }
    sim::CSimulatedCameras m_cams;
    CSimHost m_host;
};

TEST_F(SimScene, WindowShowsItsPartOfTheSceneUprightForEveryMirrorAndDepth) {
    for (const CWindow &w : kWindows)
        for (int mirror = 0; mirror < 4; ++mirror)
            for (bool sixteen : {false, true}) {
                CSettings s;
                s.mirrorH = mirror & 2;
                s.mirrorV = mirror & 1;
                s.sixteen = sixteen;
                SCOPED_TRACE(::testing::Message() << "window " << w.x << "," << w.y << " " << w.width << "x"
                                                  << w.height << " sub " << w.subsample << " mirror " << mirror
                                                  << " 16-bit " << sixteen);
                const CPicture p = Capture(m_host, 0, w, s);
                ExpectScene(p, w, s);
                EXPECT_EQ(m_cams.Camera(0)->FrameCounter(), p.number);
            }
}

TEST_F(SimScene, TopLeftOfTheFullPictureIsTheFirstPatchAndTheBarBandIsAtTheBottom) {
    const CPicture p = Capture(m_host, 0, kWindows[0], CSettings{});
    EXPECT_EQ(sim::kPatchFrameLevel, p.At(0, 0));
    EXPECT_EQ(sim::kPatchFrameLevel, p.At(383, 639));
    EXPECT_EQ(sim::PatchColour(0, 0).blue, p.At(32, 32)) << "x, y even: a blue site";
    EXPECT_EQ(sim::PatchColour(5, 9).red, p.At(5 * 64 + 33, 9 * 64 + 33));
    EXPECT_EQ(0, p.At(400, 0)) << "the ramp starts black at the left";
    EXPECT_EQ(255, p.At(400, 639));
    EXPECT_EQ(sim::kBarBackground, p.At(511, sim::BarPosition(p.number) + 20));
    EXPECT_EQ(sim::kBarLevel, p.At(500, sim::BarPosition(p.number)));
}

// The default Bayer mode 2, adjusted for the mirrors as the per-frame processing does,
// names every site of every picture right: each 2 x 2 block inside a patch holds its colour.
TEST_F(SimScene, DefaultBayerModeDecodesPatchColoursForEveryMirrorAndWindow) {
    const char kSite[2][2] = {{'G', 'B'}, {'R', 'G'}}; // by row phase, column phase
    for (const CWindow &w : kWindows)
        for (int mirror = 0; mirror < 4; ++mirror) {
            CSettings s;
            s.mirrorH = mirror & 2;
            s.mirrorV = mirror & 1;
            int mode = 2;
            if (s.mirrorV)
                mode ^= 1;
            if (s.mirrorH)
                mode ^= 2;
            const CPicture p = Capture(m_host, 0, w, s);
            int blocks = 0, wrong = 0;
            for (int i = 0; i + 1 < p.height - 1; i += 2)
                for (int j = 0; j + 1 < p.width; j += 2) {
                    const int x0 = PictureX(w, s, p.width, j), x1 = PictureX(w, s, p.width, j + 1);
                    const int y0 = PictureY(w, s, p.height, i), y1 = PictureY(w, s, p.height, i + 1);
                    const int left = std::min(x0, x1), top = std::min(y0, y1);
                    const int right = std::max(x0, x1), bottom = std::max(y0, y1);
                    if (bottom >= sim::kRampTop || left / 64 != right / 64 || top / 64 != bottom / 64 ||
                        left % 64 < 8 || right % 64 >= 56 || top % 64 < 8 || bottom % 64 >= 56)
                        continue; // not wholly inside one patch
                    int red = 0, green = 0, blue = 0;
                    for (int di = 0; di < 2; ++di)
                        for (int dj = 0; dj < 2; ++dj) {
                            const int rp = ((i + di) & 1) ^ (mode & 1), cp = ((j + dj) & 1) ^ (mode >> 1);
                            const int v = p.At(i + di, j + dj);
                            (kSite[rp][cp] == 'R' ? red : kSite[rp][cp] == 'B' ? blue : green) += v;
                        }
                    const sim::CRgb want = sim::PatchColour(top / 64, left / 64);
                    ++blocks;
                    if ((red != want.red || blue != want.blue || green != 2 * want.green) && ++wrong <= 3)
                        ADD_FAILURE() << "window " << w.x << "," << w.y << " sub " << w.subsample << " mirror "
                                      << mirror << " block " << i << "," << j << ": " << red << "/" << green / 2
                                      << "/" << blue << " instead of " << int(want.red) << "/" << int(want.green)
                                      << "/" << int(want.blue);
                }
            EXPECT_GT(blocks, 0);
        }
}

TEST_F(SimScene, GainAndExposureScaleTheLevel) {
    const CWindow full = kWindows[0];
    CSettings s;
    s.sixteen = true;
    const CPicture reference = Capture(m_host, 0, full, s);
    EXPECT_EQ(16 * 100, reference.At(400, 250)) << "ramp 2x/5 at 12 bits";
    s.gain = 64;
    EXPECT_EQ(2 * 16 * 100, Capture(m_host, 0, full, s).At(400, 250)) << "gain 64 doubles";
    s.gain = 0x1C0; // bit 8 comes from SR 1813
    EXPECT_EQ(8 * 16 * 20, Capture(m_host, 0, full, s).At(400, 50)) << "gain 448: eight times";
    s.gain = 420;
    EXPECT_EQ(4095, Capture(m_host, 0, full, s).At(400, 639)) << "limited at the top";
    s.gain = 0;
    s.exposureLines = 515; // a short exposure in a 1045-line frame
    EXPECT_EQ(16 * 100 / 2, Capture(m_host, 0, full, s).At(400, 250)) << "half the exposure";
    s.exposureLines = 100; // short: frame length 556, shutter 456
    EXPECT_EQ(16 * 100 * 100 / 1030, Capture(m_host, 0, full, s).At(400, 250));
    ExpectScene(Capture(m_host, 0, full, s), full, s);
}

TEST_F(SimScene, BarMovesEightPixelsPerFrame) {
    const CPicture a = Capture(m_host, 0, kWindows[0], CSettings{});
    const CPicture b = Capture(m_host, 0, kWindows[0], CSettings{});
    auto barStart = [](const CPicture &p) {
        for (int j = 0; j < p.width; ++j)
            if (p.At(480, j) == sim::kBarLevel && p.At(480, (j + p.width - 1) % p.width) != sim::kBarLevel)
                return j;
        return -1;
    };
    ASSERT_EQ(a.number + 1, b.number);
    EXPECT_EQ((barStart(a) + 8) % 640, barStart(b));
}

TEST(SimSceneFunctions, PatchesCfaAndLevels) {
    EXPECT_EQ(sim::Channel::Blue, sim::CfaChannel(0, 0));
    EXPECT_EQ(sim::Channel::Green, sim::CfaChannel(1, 0));
    EXPECT_EQ(sim::Channel::Green, sim::CfaChannel(0, 1));
    EXPECT_EQ(sim::Channel::Red, sim::CfaChannel(1, 1));
    // 60 patches, all different.
    std::vector<int> colours;
    for (int r = 0; r < sim::kPatchRows; ++r)
        for (int c = 0; c < sim::kPatchColumns; ++c) {
            const sim::CRgb rgb = sim::PatchColour(r, c);
            colours.push_back(rgb.red << 16 | rgb.green << 8 | rgb.blue);
        }
    std::sort(colours.begin(), colours.end());
    EXPECT_EQ(colours.end(), std::adjacent_find(colours.begin(), colours.end()));
    const sim::CRgb p7 = sim::PatchColour(0, 7);
    EXPECT_EQ(224, p7.red);
    EXPECT_EQ(96, p7.green);
    EXPECT_EQ(32, p7.blue);
    EXPECT_EQ(200u * 16, sim::SensorLevel12(200, 0, 1030));
    EXPECT_EQ(4095u, sim::SensorLevel12(255, 511, 1u << 24));
    EXPECT_EQ(0u, sim::SceneValue(640, 0, sim::Channel::Red, 0));
}

} // namespace
