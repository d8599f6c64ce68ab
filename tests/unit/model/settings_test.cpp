// Window, mirroring, gain, exposure and trigger mode as register traffic.
#include "ModelFixture.h"
#include <atomic>
#include <cmath>
#include <thread>

namespace {

using Lines = std::vector<std::string>;

TEST_F(ModelTest, FullWindowTraffic) {
    ASSERT_EQ(result::kOk, driver->SetWindow(0, 0, 640, 512, 0));
    EXPECT_EQ((Lines{"transfer size 327680", "SR 572 = 0",  "SR 772 = 0",  "CR 90 = 0",  "SR 800 = 0",  "SR 801 = 0",
                     "SR 802 = 0",           "SR 803 = 0",  "SR 804 = 128", "SR 805 = 2", "SR 806 = 0",  "SR 807 = 2",
                     "SR 724 = 44",          "SR 725 = 2",  "SR 728 = 236", "SR 729 = 3", "CR 72 = 25",  "CR 73 = 0",
                     "CR 76 = 8",            "CR 77 = 0",   "CR 64 = 0",   "CR 65 = 2",  "CR 68 = 128", "CR 69 = 2"}),
              Traffic());
    EXPECT_EQ(556u, driver->FrameLines());
    EXPECT_EQ(327680, driver->FramePixelCount());
}

TEST_F(ModelTest, SubSampledWindowTraffic) {
    ASSERT_EQ(result::kOk, driver->SetWindow(0, 0, 640, 512, 1));
    EXPECT_EQ((Lines{"transfer size 81920", "SR 572 = 17", "SR 772 = 0",  "CR 90 = 2",  "SR 800 = 0",  "SR 801 = 0",
                     "SR 802 = 0",          "SR 803 = 0",  "SR 804 = 64", "SR 805 = 1", "SR 806 = 0",  "SR 807 = 1",
                     "SR 724 = 40",         "SR 725 = 1",  "SR 728 = 236", "SR 729 = 3", "CR 72 = 23", "CR 73 = 0",
                     "CR 76 = 8",           "CR 77 = 0",   "CR 64 = 0",   "CR 65 = 1",  "CR 68 = 64", "CR 69 = 1",
                     "FR 0 = 0",            "FR 1 = 64",   "FR 2 = 1",    "FR 3 = 0",   "pause 100"}),
              Traffic());
    EXPECT_EQ(320, driver->FrameWidth());
    EXPECT_EQ(256, driver->FrameHeight());
    EXPECT_EQ(296u, driver->FrameLines());
}

TEST_F(ModelTest, SmallWindowRoundsItsStartAndCountsRowsFromTheFarEnd) {
    ASSERT_EQ(result::kOk, driver->SetWindow(1, 0, 8, 8, 0));
    Lines traffic = Traffic();
    auto has = [&](const std::string &line) { return std::find(traffic.begin(), traffic.end(), line) != traffic.end(); };
    EXPECT_TRUE(has("SR 800 = 4")) << "x rounded up to a multiple of 4";
    EXPECT_TRUE(has("SR 802 = 252")) << "row start 516 - 0 - 8 = 508";
    EXPECT_TRUE(has("SR 803 = 1"));
    EXPECT_TRUE(has("SR 772 = 2"));
    EXPECT_TRUE(has("CR 90 = 1"));
    EXPECT_TRUE(has("SR 724 = 44")) << "frame lines 8 + 36";
    EXPECT_TRUE(has("CR 72 = 21"));
}

TEST_F(ModelTest, LogicVersionAtMost260UsesTheOldOffsets) {
    Camera()->PokeCapture(16, 4); // version 260
    Camera()->PokeCapture(17, 1);
    driver->SelectCamera(0);
    ASSERT_EQ(260, driver->LogicVersion());
    Traffic();
    driver->SetWindow(0, 0, 640, 512, 1);
    Lines traffic = Traffic();
    EXPECT_NE(traffic.end(), std::find(traffic.begin(), traffic.end(), "CR 72 = 21"));
    EXPECT_NE(traffic.end(), std::find(traffic.begin(), traffic.end(), "CR 76 = 22"));
    driver->SetMirrorH(1);
    EXPECT_EQ((Lines{"SR 1028 = 2", "CR 76 = 22", "CR 77 = 0"}), Traffic());
    driver->SetWindow(0, 0, 640, 512, 0);
    driver->SetMirrorH(0);
    traffic = Traffic();
    EXPECT_EQ("CR 76 = 3", traffic[traffic.size() - 2]);
}

TEST_F(ModelTest, WindowsOutsideTheSensorOrWithPartialGroupsAreRefusedUntouched) {
    for (auto w : {std::vector<int>{-1, 0, 640, 512, 0}, {0, 0, 4, 8, 0}, {0, 0, 640, 512, 2}, {4, 0, 640, 512, 0},
                   {0, 8, 640, 508, 0}, {0, 0, 630, 512, 0}, {0, 0, 636, 506, 1}}) {
        EXPECT_EQ(result::kInvalidWindow, driver->SetWindow(w[0], w[1], w[2], w[3], w[4])) << w[2] << "x" << w[3];
    }
    EXPECT_TRUE(Traffic().empty());
    EXPECT_EQ(640, driver->FrameWidth());
}

TEST_F(ModelTest, MirrorsShareTheReadoutRegister) {
    EXPECT_TRUE(driver->SetMirrorV(1));
    EXPECT_TRUE(driver->SetMirrorH(1));
    EXPECT_EQ((Lines{"SR 1028 = 1", "SR 1028 = 3", "CR 76 = 44", "CR 77 = 0"}), Traffic());
    EXPECT_TRUE(driver->SetMirrorV(0));
    EXPECT_EQ((Lines{"SR 1028 = 2"}), Traffic());
    Camera()->FailNextTransfers(1, sim::TransferKind::Command);
    EXPECT_FALSE(driver->SetMirrorH(0));
    EXPECT_EQ(1, driver->GetMirrorH()) << "a failed write stores nothing";
}

TEST_F(ModelTest, GainIsNineBitsInTwoRegisters) {
    EXPECT_TRUE(driver->SetGain(300));
    EXPECT_EQ((Lines{"SR 1812 = 44", "SR 1813 = 1"}), Traffic());
    int gain = 0;
    ASSERT_TRUE(driver->GetGain(&gain));
    EXPECT_EQ(300, gain);
}

// An application's setter and the capture thread's automatic gain write at the same time:
// each value's bytes stay together (250 and 260 must never make 506).
TEST_F(ModelTest, GainsWrittenFromTwoThreadsAreNeverMixed) {
    std::atomic<bool> stop{false};
    auto writer = [&](int value) {
        while (!stop.load())
            driver->SetGain(value);
    };
    std::thread a(writer, 250), b(writer, 260);
    int mixed = 0;
    for (int i = 0; i < 20000; ++i) {
        int gain = 0;
        if (driver->GetGain(&gain) && gain != 250 && gain != 260 && gain != 0)
            ++mixed;
    }
    stop.store(true);
    a.join();
    b.join();
    EXPECT_EQ(0, mixed);
    int gain = 0;
    ASSERT_TRUE(driver->GetGain(&gain));
    EXPECT_TRUE(gain == 250 || gain == 260) << gain;
}

TEST_F(ModelTest, OneSecondIsALongExposureThatStretchesTheFrame) {
    ASSERT_TRUE(driver->SetRealExposure(1.0));
    int lines = 0;
    driver->GetExposureLines(&lines);
    EXPECT_EQ(74718, lines);
    EXPECT_EQ((Lines{"SR 726 = 1", "pause 100", "SR 725 = 35", "pause 100", "SR 724 = 237", "pause 100",
                     "SR 1088 = 15", "pause 100", "SR 1089 = 0", "pause 100", "SR 1090 = 0", "pause 100"}),
              Traffic());
    EXPECT_EQ(74733u, Camera()->SensorState().frameLines);
    double seconds = 0;
    driver->GetRealExposure(&seconds);
    EXPECT_DOUBLE_EQ(1.0, seconds);
    int units = 0;
    driver->GetExposure(&units);
    EXPECT_EQ(10000, units);
}

TEST_F(ModelTest, ShortExposureRestoresTheFrameAndSetsTheShutter) {
    ASSERT_TRUE(driver->SetExposureLines(100));
    EXPECT_EQ((Lines{"SR 726 = 0", "SR 725 = 2", "SR 724 = 44", "SR 1088 = 200", "SR 1089 = 1", "SR 1090 = 0"}),
              Traffic());
    // Just above the margin it becomes long: 542 > 556 - 15.
    ASSERT_TRUE(driver->SetExposureLines(542));
    EXPECT_EQ((Lines{"SR 726 = 0", "SR 725 = 2", "SR 724 = 45", "SR 1088 = 15", "pause 100", "SR 1089 = 0", "pause 100",
                     "SR 1090 = 0", "pause 100"}),
              Traffic());
}

TEST_F(ModelTest, ExposureUnitsAreClampedAndFailuresStoreNothing) {
    ASSERT_TRUE(driver->SetExposure(0));
    int lines = 0, units = 0;
    driver->GetExposureLines(&lines);
    driver->GetExposure(&units);
    EXPECT_EQ(6, lines) << "1 unit = 100 000 ns";
    EXPECT_EQ(1, units);
    ASSERT_TRUE(driver->SetExposure(50000));
    driver->GetExposure(&units);
    EXPECT_EQ(20000, units);
    ASSERT_TRUE(driver->SetRealExposure(1e-9));
    double seconds = 0;
    driver->GetRealExposure(&seconds);
    EXPECT_DOUBLE_EQ(2.0333e-05, seconds);

    ASSERT_TRUE(driver->SetExposure(50));
    Camera()->FailNextTransfers(4, sim::TransferKind::Command);
    EXPECT_FALSE(driver->SetExposure(30));
    driver->GetExposure(&units);
    driver->GetExposureLines(&lines);
    EXPECT_EQ(50, units) << "a failed write leaves the stored exposure";
    EXPECT_EQ(373, lines);
    EXPECT_FALSE(driver->SetRealExposure(std::nan("")));
}

TEST_F(ModelTest, TriggerModeRewritesTheTimingOnEveryExposureChange) {
    driver->SetExposureLines(100);
    Traffic();
    EXPECT_EQ(1, driver->SetTriggerMode(1));
    Lines on = Traffic();
    EXPECT_EQ("FR 11 = 9", on.front());
    EXPECT_EQ("SR 512 = 0", on.back());
    EXPECT_EQ(9u, Camera()->PeekFpga(11));
    driver->SetExposureLines(1000);
    Lines timing = Traffic();
    // d = 1000 exposure lines + the window's 556 frame lines + 9 = 1565.
    const std::vector<std::string> tail(timing.end() - 11, timing.end());
    EXPECT_EQ((Lines{"CR 88 = 0", "CR 133 = 232", "CR 134 = 3", "CR 155 = 0", "CR 84 = 218", "CR 85 = 2",
                     "CR 80 = 29", "CR 81 = 6", "CR 82 = 0", "CR 88 = 2"}),
              Lines(tail.begin() + 1, tail.end()));
    EXPECT_EQ(1, driver->SetTriggerMode(0));
    Lines off = Traffic();
    EXPECT_EQ((Lines{"FR 11 = 0", "CR 88 = 0", "SR 512 = 1", "pause 100", "SR 1072 = 17", "pause 100", "SR 1536 = 0",
                     "pause 100", "SR 512 = 0"}),
              off);
    driver->SetExposureLines(100);
    for (const std::string &line : Traffic())
        EXPECT_NE("CR 88 = 2", line) << "no timing outside trigger mode";
}

} // namespace
