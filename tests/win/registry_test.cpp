// Settings in the real registry of the current user, read back through the registry API,
// regedit and the library.
#include "win/ChildProcess.h"
#include "win/DllSupport.h"
#include <gtest/gtest.h>
#include <cstdlib>
#include <cstring>

namespace {

const std::string kCamera0 = std::string(kSdkKey) + "\\Camera_00";
const std::string kCamera1 = std::string(kSdkKey) + "\\Camera_01";

class DllRegistry : public ::testing::Test {
protected:
    void SetUp() override { DeleteSdkKey(); }
    void TearDown() override { DeleteSdkKey(); }
    static DWORD Value(const std::string &key, const char *name) {
        DWORD v = 0xDEADBEEF;
        EXPECT_TRUE(ReadDword(key, name, &v)) << key << " " << name;
        return v;
    }
};

TEST_F(DllRegistry, FirstInitialiseCreatesTheDefaultSet) {
    CCamera cam;
    EXPECT_EQ(0u, Value(kCamera0, "Size"));
    EXPECT_EQ(2u, Value(kCamera0, "Color"));
    EXPECT_EQ(0u, Value(kCamera0, "SubSample"));
    EXPECT_EQ(1u, Value(kCamera0, "WaitTime"));
    EXPECT_EQ(2u, Value(kCamera0, "Clock"));
    std::string exported = ExportKey(kCamera0);
    for (const char *line : {"\"TH\"=dword:00000280", "\"TV\"=dword:00000200", "\"EH\"=dword:00000280",
                             "\"EV\"=dword:00000200", "\"EHS\"=dword:00000000", "\"EVS\"=dword:00000000",
                             "\"Buf\"=dword:00000004"})
        EXPECT_NE(std::string::npos, exported.find(line)) << line << "\n" << exported;
    EXPECT_NE(std::string::npos, exported.find("Camera_00\\Size_00]")) << exported;

    EXPECT_EQ(12, Vonkel_GetColorMode(cam)) << "a stored 2 is the 16-bit grey mode";
    EXPECT_EQ(0, Vonkel_GetSubSample(cam));
    EXPECT_EQ(1, Vonkel_GetWaitTime(cam));
    int ok = 0;
    EXPECT_EQ(100, Vonkel_GetGamma(cam, &ok));
    EXPECT_EQ(100, Vonkel_GetBayerGainRed(cam, &ok));
    EXPECT_EQ(100, Vonkel_GetBayerGainBlue(cam, &ok));
    EXPECT_EQ(2, Vonkel_GetBayerMode(cam, &ok));
    EXPECT_EQ(128, Vonkel_GetGrayGainR(cam, &ok));
    EXPECT_EQ(128, Vonkel_GetGrayGainB(cam, &ok));
}

TEST_F(DllRegistry, ExistingKeyWithoutTheDeviceCreatesItOnlyWhenSaving) {
    ASSERT_TRUE(WriteDword(kSdkKey, "Installed", 1));
    CCamera cam;
    HKEY key;
    EXPECT_NE(ERROR_SUCCESS, RegOpenKeyExA(HKEY_CURRENT_USER, kCamera0.c_str(), 0, KEY_READ, &key));
    ASSERT_EQ(1, Vonkel_SetGamma(cam, 150));
    ASSERT_EQ(1, cam.Release());
    EXPECT_EQ(150u, Value(kCamera0 + "\\Filter", "Gamma"));
    EXPECT_EQ(128u, Value(kCamera0 + "\\Gray", "GainR1"));
    EXPECT_EQ(2048u, Value(kCamera0 + "\\Gain", "Exposure")) << "the driver's default exposure";
}

TEST_F(DllRegistry, ExposureInSecondsKeepsItsEightBytes) {
    const double seconds = 0.012345678901234567;
    {
        CCamera cam;
        ASSERT_EQ(1, Vonkel_SetExposureTimeEx(cam, seconds));
    }
    BYTE stored[16];
    DWORD size = sizeof stored;
    ASSERT_EQ(ERROR_SUCCESS, RegGetValueA(HKEY_CURRENT_USER, (kCamera0 + "\\Gain").c_str(), "ExposureEx",
                                          RRF_RT_REG_BINARY, nullptr, stored, &size));
    ASSERT_EQ(8u, size);
    EXPECT_EQ(0, std::memcmp(stored, &seconds, 8));
    CCamera again;
    int ok = 0;
    double back = Vonkel_GetExposureTimeEx(again, &ok);
    EXPECT_EQ(0, std::memcmp(&back, &seconds, 8));
}

TEST_F(DllRegistry, StoredColourAndBadWindowAreTakenAsTheRulesSay) {
    {
        CCamera first; // lays down the default set
    }
    const int reported[] = {8, 12, 12, 32, 44, 60};
    for (DWORD stored = 0; stored < 6; ++stored) {
        ASSERT_TRUE(WriteDword(kCamera0, "Color", stored));
        CCamera cam;
        EXPECT_EQ(reported[stored], Vonkel_GetColorMode(cam)) << stored;
    }
    ASSERT_TRUE(WriteDword(kCamera0 + "\\Size_00", "EH", 700));
    CCamera cam;
    EXPECT_EQ((std::vector<int>{VONKEL_ERR_CAPTURE_WINDOW}), cam.Drain());
    EXPECT_EQ(640, Vonkel_Width(cam));
    EXPECT_EQ(512, Vonkel_Height(cam));
}

// Switches between two simulated cameras. Exit code 0 when every check held.
int ChildSwitchDevices(int, char **) {
    CCamera cam;
    int ok = 0;
    if (Vonkel_SetDeviceNumber(cam, 0) != 1)
        return 1;
    Vonkel_SetGamma(cam, 150);
    if (Vonkel_SetDeviceNumber(cam, 1) != 1)
        return 2;
    if (Vonkel_GetGamma(cam, &ok) != 77)
        return 3;
    return 0;
}
ChildMode childSwitch("switch-devices", ChildSwitchDevices);

TEST_F(DllRegistry, DeviceSwitchSavesTheOldDeviceAndLoadsTheNew) {
    {
        CCamera first;
    }
    ASSERT_TRUE(WriteDword(kCamera1 + "\\Filter", "Gamma", 77));
    EXPECT_EQ(0, RunSelfAsChild("switch-devices", "VONKEL_SIMULATE=2"));
    EXPECT_EQ(150u, Value(kCamera0 + "\\Filter", "Gamma"));
}

int ChildSetGammaAndRelease(int argc, char **argv) {
    if (argc < 1)
        return 1;
    CCamera cam;
    return Vonkel_SetGamma(cam, std::atoi(argv[0])) == 1 && cam.Release() == 1 ? 0 : 2;
}
ChildMode childGamma("set-gamma", ChildSetGammaAndRelease);

TEST_F(DllRegistry, TwoProcessesOnOneDeviceLastWriterWins) {
    CCamera mine;
    ASSERT_EQ(1, Vonkel_SetGamma(mine, 111));
    EXPECT_EQ(0, RunSelfAsChild("set-gamma 190"));
    EXPECT_EQ(190u, Value(kCamera0 + "\\Filter", "Gamma"));
    ASSERT_EQ(1, mine.Release());
    EXPECT_EQ(111u, Value(kCamera0 + "\\Filter", "Gamma"));
    EXPECT_EQ(128u, Value(kCamera0 + "\\Gray", "GainG2")) << "the rest of the set is whole";
    CCamera reader;
    int ok = 0;
    EXPECT_EQ(111, Vonkel_GetGamma(reader, &ok));
}

} // namespace
