// Devices, registers, memory and temperature through the DLL with simulated cameras.
#include "win/ChildProcess.h"
#include "win/DllSupport.h"
#include <gtest/gtest.h>
#include <cstring>
#include <cwchar>

namespace {

// Runs in a process whose cameras sit at device numbers 0 and 2. Exit code: the number
// of the first check that failed, 0 when all held.
int ChildDevicesZeroAndTwo(int, char **) {
    CCamera cam;
    if (!cam)
        return 1;
    char names[10][256];
    std::memset(names, 'x', sizeof names);
    if (Vonkel_EnumDevice(cam, names) != 2)
        return 2;
    if (std::strcmp(names[0], "Vonkel430NVTX-QEL_01") || std::strcmp(names[1], "Vonkel430NVTX-QEL_02"))
        return 3;
    for (int i = 2; i < 10; ++i)
        if (names[i][0] != 0)
            return 4;
    wchar_t wide[10][256];
    if (Vonkel_EnumDeviceW(cam, wide) != 2 || std::wcscmp(wide[1], L"Vonkel430NVTX-QEL_02"))
        return 5;
    char name[32];
    if (Vonkel_GetDeviceName(cam, 2, name, sizeof name) != 1 || std::strcmp(name, "Vonkel430NVTX-QEL_03"))
        return 6;
    if (Vonkel_GetDeviceName(cam, 1, name, sizeof name) != 0 || Vonkel_GetLastError(cam) != VONKEL_ERR_DEVICE)
        return 7;
    if (Vonkel_SetDeviceNumber(cam, 2) != 1 || Vonkel_SetDeviceNumber(cam, 1) != 0)
        return 8;
    return cam.Drain() == std::vector<int>{VONKEL_ERR_DEVICE} ? 0 : 9;
}
ChildMode childDevices("devices-0-2", ChildDevicesZeroAndTwo);

TEST(DllDevices, PresentDevicesAreNumberedInOrderAndNamedByNumber) {
    EXPECT_EQ(0, RunSelfAsChild("devices-0-2", "VONKEL_SIMULATE_DEVICES=0,2"));
}

TEST(DllDevices, RegistersThroughTheExports) {
    CCamera cam;
    ASSERT_EQ(1, Vonkel_WriteRegisterEx(cam, 0x34, 0xAB));
    ASSERT_EQ(1, Vonkel_WriteRegisterEx(cam, 0x1234, 0x12));
    int ok = 0;
    EXPECT_EQ(0xAB, Vonkel_ReadRegister(cam, 0x1234, &ok)) << "only the low 8 bits address the register";
    EXPECT_EQ(1, ok);
    EXPECT_EQ(0x12, Vonkel_ReadRegisterEx(cam, 0x1234, &ok));
    ASSERT_EQ(1, Vonkel_Fpga_WriteRegister(cam, 7, 0x5A));
    EXPECT_EQ(0x5A, Vonkel_Fpga_ReadRegister(cam, 7, &ok));
    unsigned char port = 0;
    EXPECT_EQ(1, Vonkel_GetIOPort(cam, &port, 0, 0));
    EXPECT_EQ(0x5A, port);
    EXPECT_EQ(1, Vonkel_SetIOPort(cam, 3));
    EXPECT_EQ(3, Vonkel_Fpga_ReadRegister(cam, 7, &ok));
    EXPECT_TRUE(cam.Drain().empty());
}

TEST(DllDevices, TemperatureCameraInformationAndSizes) {
    CCamera cam;
    int ok = 0;
    double t = Vonkel_GetTemperatureEx(cam, &ok);
    EXPECT_EQ(1, ok);
    EXPECT_DOUBLE_EQ(35.0, t) << "the simulated sensor's temperature";
    EXPECT_EQ(0, Vonkel_GetLastError(cam));
    VONKEL_CAMERA_INFO info;
    std::memset(&info, 0, sizeof info);
    info.size = 40;
    ASSERT_EQ(1, Vonkel_GetCameraInfo(cam, &info));
    EXPECT_EQ(640, info.width);
    EXPECT_EQ(420, info.gainMax);
    EXPECT_EQ(16777200, info.exposureLinesMax);
    EXPECT_EQ(0.0, info.realExposureMax);
    info.size = 56;
    ASSERT_EQ(1, Vonkel_GetCameraInfo(cam, &info));
    EXPECT_DOUBLE_EQ(2.0, info.realExposureMax);
    EXPECT_EQ(640, Vonkel_Width(cam));
    EXPECT_EQ(512, Vonkel_Height(cam));
}

TEST(DllDevices, SerialNumberAndIdentificationAreaRoundTrips) {
    CCamera cam;
    char serial[32];
    ASSERT_EQ(1, Vonkel_ReadSerialNumberA(cam, serial, 32));
    EXPECT_STREQ("SIMCAM-00", serial);
    wchar_t wide[32];
    ASSERT_EQ(1, Vonkel_ReadSerialNumberW(cam, wide, 32));
    EXPECT_STREQ(L"SIMCAM-00", wide);
    EXPECT_EQ(0, Vonkel_ReadSerialNumberA(cam, serial, 31));
    EXPECT_EQ(VONKEL_ERR_ARGUMENT, Vonkel_GetLastError(cam));
    for (int i = 0; i < 256; i += 51)
        ASSERT_EQ(1, Vonkel_WriteSromID(cam, i, 255 - i));
    int ok = 0;
    for (int i = 0; i < 256; i += 51) {
        EXPECT_EQ(255 - i, Vonkel_ReadSromID(cam, i, &ok));
        EXPECT_EQ(1, ok);
    }
}

} // namespace
