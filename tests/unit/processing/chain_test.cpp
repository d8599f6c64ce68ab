// The processing chain: neutral settings, gray processing, white balance, Bayer phase.
#include "ProcessingFixture.h"

namespace {

TEST_F(Processing, NeutralGreyModesLeaveTheRawFrameUntouched) {
    std::mt19937 rng(7);
    for (int bits : {8, 16}) {
        Prepare(bits);
        const int top = bits == 8 ? 255 : 4095;
        Fill([&](int, int) { return static_cast<int>(rng() % (top + 1)); });
        auto before = Bytes(Raw());
        Process();
        EXPECT_EQ(before, Bytes(Raw())) << bits;
    }
}

TEST_F(Processing, NeutralColourModesGiveThePlainDemosaic) {
    std::mt19937 rng(11);
    for (int bits : {24, 32, 48, 64}) {
        Prepare(bits);
        const int top = bits <= 32 ? 255 : 4095;
        Fill([&](int, int) { return static_cast<int>(rng() % (top + 1)); });
        Process();
        CImageBuffer expected;
        ASSERT_EQ(1, expected.CreateLike(camera.OutputBuffer()));
        DemosaicBlock block{2, 100, 100, 100};
        const bool wide = bits >= 48;
        CImageBuffer::ApplyConversion(&expected, wide ? conv::DemosaicInterior16 : conv::DemosaicInterior8, &Raw(),
                                      nullptr, 0, 0, &block);
        CImageBuffer::ApplyConversion(&expected, wide ? conv::DemosaicBorder16 : conv::DemosaicBorder8, &Raw(),
                                      nullptr, 0, 0, &block);
        // The fourth sample is the demosaic's to leave alone: compare colours only.
        const int bpp = expected.BytesPerPixel(), sample = wide ? 2 : 1;
        int bad = 0;
        for (int r = 0; r < expected.Height(); ++r)
            for (int c = 0; c < expected.Width(); ++c)
                bad += std::memcmp(expected.Row(r) + c * bpp, camera.OutputBuffer()->Row(r) + c * bpp, 3 * sample) != 0;
        EXPECT_EQ(0, bad) << bits;
    }
}

TEST_F(Processing, GrayGainsOfOneTwentyEightWithOffsetsOnlyChangeNothing) {
    Prepare(8);
    camera.SetFilterValue(19, 1);
    for (int n : {24, 25, 26, 27})
        camera.SetFilterValue(n, static_cast<uint32_t>(-40));
    Fill([](int r, int c) { return (r * 7 + c * 3) % 256; });
    auto before = Bytes(Raw());
    Process();
    EXPECT_EQ(before, Bytes(Raw()));
    camera.SetFilterValue(20, 64); // red at half gain now does change it
    Process();
    EXPECT_NE(before, Bytes(Raw()));
}

TEST_F(Processing, GrayGainMeasurementRunsOnExactlyOneFrame) {
    Prepare(8);
    camera.SetFilterValue(19, 1);
    camera.SetFilterValue(28, 1);
    // Sites of Bayer mode 2 in the gray naming: row 0 is R G1..., row 1 G2 B...; make
    // the green sites twice as bright as red and blue.
    auto scene = [](int r, int c) { return (r % 2) == (c % 2) ? 50 : 100; };
    Fill(scene);
    Process();
    EXPECT_EQ(0, Filter(28)) << "one pass used up";
    const int r = Filter(20), g1 = Filter(21), g2 = Filter(22), b = Filter(23);
    EXPECT_EQ(128, g1);
    EXPECT_EQ(128, g2);
    EXPECT_EQ(256, r);
    EXPECT_EQ(256, b);
    Fill([](int, int) { return 10; });
    Process();
    EXPECT_EQ(256, Filter(20)) << "no second measurement";
}

TEST_F(Processing, WhiteBalanceRatioAboveFourIsLimitedTo400) {
    Prepare(24);
    camera.SetFilterValue(10, 1);
    // Mode 2 in the colour naming: row 0 blue green..., row 1 green red...
    Fill([](int r, int c) {
        const bool blue = r % 2 == 0 && c % 2 == 0, red = r % 2 == 1 && c % 2 == 1;
        return blue ? 10 : red ? 200 : 100;
    });
    Process();
    EXPECT_EQ(400, Filter(9)) << "blue: green ten times its mean";
    EXPECT_EQ(50, Filter(7));
    EXPECT_EQ(100, Filter(8));
}

TEST_F(Processing, MirroringMovesTheBayerPhase) {
    camera.SetFilterValue(12, 0);
    EXPECT_EQ(0, camera.AdjustedBayerMode());
    camera.SetMirrorV(1);
    EXPECT_EQ(1, camera.AdjustedBayerMode());
    camera.SetMirrorH(1);
    EXPECT_EQ(3, camera.AdjustedBayerMode());
    camera.SetMirrorV(0);
    EXPECT_EQ(2, camera.AdjustedBayerMode());
    camera.SetFilterValue(12, 2);
    EXPECT_EQ(0, camera.AdjustedBayerMode());
}

TEST_F(Processing, EveryFilterOnKeepsTheChainInsideItsBuffers) {
    // Under the sanitizers: no step may read or write outside a buffer in any mode.
    for (int bits : {8, 16, 24, 32, 48, 64}) {
        Prepare(bits);
        for (auto [n, v] : {std::pair{1, 30}, {2, 40}, {3, 90}, {4, 60}, {5, 20}, {11, 70}, {19, 2}})
            ASSERT_EQ(1, camera.SetFilterValue(n, v));
        Fill([](int r, int c) { return (r * 13 + c * 5) % 256; });
        Process();
        camera.SetFilterValue(19, 0);
    }
}

} // namespace
