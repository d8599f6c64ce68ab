// A camera instance's devices, names, camera information, registers and memory.
#include "VonkelSdk.h"
#include "camera/CVonkel.h"
#include "support/MessageSink.h"
#include "support/SimCameras.h"
#include <gtest/gtest.h>
#include <cstring>
#include <cwchar>

namespace {

class Instance : public ::testing::Test {
protected:
    explicit Instance(std::vector<int> devices = {0, 2}) : sim(std::move(devices)) {
        camera.Initialize(sink.Handle());
        while (camera.GetLastError() != 0) {
        }
        sink.Take();
    }
    int Drain() { return camera.GetLastError(); }

    CScopedCameras sim;
    MessageSink sink;
    CVonkel camera{sim.Services()};
};

TEST_F(Instance, EnumerationNumbersPresentDevicesAndKeepsTheSelection) {
    ASSERT_EQ(1, camera.SetDeviceNumber(2));
    char names[12][256];
    std::memset(names, 'x', sizeof names);
    EXPECT_EQ(2, camera.EnumDevice(names));
    EXPECT_STREQ("Vonkel430NVTX-QEL_01", names[0]);
    EXPECT_STREQ("Vonkel430NVTX-QEL_02", names[1]);
    for (int i = 2; i < 10; ++i)
        EXPECT_STREQ("", names[i]) << i;
    EXPECT_EQ('x', names[10][0]) << "nothing past entry 9";
    EXPECT_EQ(2, camera.Driver()->GetDeviceIndex()) << "the device in use stays selected";
    EXPECT_EQ(2, camera.EnumDevice(nullptr));

    wchar_t wide[10][256];
    EXPECT_EQ(2, camera.EnumDeviceW(wide));
    EXPECT_STREQ(L"Vonkel430NVTX-QEL_02", wide[1]);
    EXPECT_STREQ(L"", wide[9]);
}

TEST_F(Instance, DeviceNamesAreNumberedByDeviceAndNeverOverflow) {
    char text[64];
    ASSERT_EQ(1, camera.GetDeviceName(2, text, 21));
    EXPECT_STREQ("Vonkel430NVTX-QEL_03", text);
    EXPECT_EQ(0, camera.GetDeviceName(1, text, 64));
    EXPECT_EQ(VONKEL_ERR_DEVICE, Drain());
    for (int length : {17, 18, 19, 20}) {
        std::memset(text, 'x', sizeof text);
        EXPECT_EQ(0, camera.GetDeviceName(0, text, length)) << length;
        EXPECT_EQ(VONKEL_ERR_ARGUMENT, Drain());
        EXPECT_EQ('x', text[0]) << "nothing written with length " << length;
    }
    EXPECT_EQ(0, camera.GetDeviceName(32, text, 64));
    EXPECT_EQ(0, camera.GetDeviceName(-1, text, 64));
    EXPECT_EQ(0, camera.GetDeviceName(0, nullptr, 64));
    wchar_t wide[32];
    ASSERT_EQ(1, camera.GetDeviceNameW(0, wide, 21));
    EXPECT_STREQ(L"Vonkel430NVTX-QEL_01", wide);
    EXPECT_EQ(0, camera.GetDeviceNameW(0, wide, 20));
}

TEST_F(Instance, CameraInformationShortAndLongForms) {
    VONKEL_CAMERA_INFO info;
    std::memset(&info, 0xAB, sizeof info);
    info.size = 40;
    ASSERT_EQ(1, camera.GetCameraInfo(&info));
    EXPECT_EQ(640, info.width);
    EXPECT_EQ(512, info.height);
    EXPECT_EQ(0, info.gainMin);
    EXPECT_EQ(420, info.gainMax);
    EXPECT_EQ(0, info.reserved[0]);
    EXPECT_EQ(1, info.exposureLinesMin);
    EXPECT_EQ(16777200, info.exposureLinesMax);
    uint8_t untouched[16];
    std::memset(untouched, 0xAB, sizeof untouched);
    EXPECT_EQ(0, std::memcmp(&info.realExposureMin, untouched, 16)) << "the long form needs 56 bytes";
    info.size = 56;
    ASSERT_EQ(1, camera.GetCameraInfo(&info));
    EXPECT_DOUBLE_EQ(2.0333e-05, info.realExposureMin);
    EXPECT_DOUBLE_EQ(2.0, info.realExposureMax);
    info.size = 35;
    EXPECT_EQ(0, camera.GetCameraInfo(&info));
    EXPECT_EQ(VONKEL_ERR_MEMORY, Drain());
    EXPECT_EQ(0, camera.GetCameraInfo(nullptr));
    EXPECT_EQ(VONKEL_ERR_ARGUMENT, Drain());
}

TEST_F(Instance, RegisterAccessReportsFailuresAsRegisterErrors) {
    int ok = -1;
    ASSERT_EQ(1, camera.WriteSensorRegister(0x34, 0x5C));
    EXPECT_EQ(0x5C, camera.ReadSensorRegister(0x34, &ok));
    EXPECT_EQ(1, ok);
    sim.Camera(0)->CorruptNextReply();
    EXPECT_EQ(0, camera.ReadSensorRegister(0x34, &ok));
    EXPECT_EQ(0, ok);
    EXPECT_EQ(VONKEL_ERR_REGISTER, Drain());
    ASSERT_EQ(1, camera.WriteFpgaRegister(7, 0x3C));
    uint8_t port = 0;
    EXPECT_EQ(1, camera.GetIOPort(&port));
    EXPECT_EQ(0x3C, port);
    EXPECT_EQ(1, camera.SetIOPort(0x11));
    EXPECT_EQ(0x11, camera.ReadFpgaRegister(7, &ok));
    sink.Take();
    EXPECT_EQ(0, camera.GetIOPort(nullptr));
    EXPECT_EQ(0, Drain()) << "post only";
    auto posted = sink.Take();
    ASSERT_EQ(1u, posted.size());
    EXPECT_EQ(VONKEL_ERR_ARGUMENT, posted[0].lparam);
    sim.Camera(0)->Unplug();
    EXPECT_EQ(0, camera.WriteSensorRegister(1, 1));
    EXPECT_EQ(VONKEL_ERR_REGISTER, Drain());
}

TEST_F(Instance, SerialNumbers) {
    sim.Camera(0)->SetSerial("A1234");
    char text[64];
    std::memset(text, 'x', sizeof text);
    EXPECT_EQ(0, camera.ReadSerialNumber(text, 31));
    EXPECT_EQ(VONKEL_ERR_ARGUMENT, Drain());
    ASSERT_EQ(1, camera.ReadSerialNumber(text, 32));
    EXPECT_STREQ("A1234", text);
    wchar_t wide[40];
    ASSERT_EQ(1, camera.ReadSerialNumberW(wide, 40));
    EXPECT_STREQ(L"A1234", wide);
    EXPECT_EQ(0, camera.ReadSerialNumberW(wide, 5)) << "six characters with the terminator";
    EXPECT_EQ(VONKEL_ERR_CONVERSION, Drain());

    sim.Camera(0)->PokeMemory(0x1EC0, 0xFF);
    std::memset(text, 'x', sizeof text);
    EXPECT_EQ(1, camera.ReadSerialNumber(text, 32)) << "an empty serial is no failure";
    EXPECT_EQ('x', text[0]);
    ASSERT_EQ(1, camera.ReadSerialNumberW(wide, 40));
    EXPECT_STREQ(L"", wide);

    for (int i = 0; i < 32; ++i)
        sim.Camera(0)->PokeMemory(static_cast<uint16_t>(0x1EC0 + i), static_cast<uint8_t>('A' + i % 26));
    ASSERT_EQ(1, camera.ReadSerialNumber(text, 64));
    EXPECT_EQ(31u, std::strlen(text));
}

TEST_F(Instance, IdentificationAreaRoundTripsAndFailuresArePostedOnly) {
    ASSERT_EQ(1, camera.WriteSromID(5, 0xC3));
    int ok = 0;
    EXPECT_EQ(0xC3, camera.ReadSromID(5, &ok));
    EXPECT_EQ(1, ok);
    EXPECT_EQ(0xC3, camera.ReadSromID(261, &ok)) << "the index wraps within the 256 bytes";
    sim.Camera(0)->Unplug();
    sink.Take();
    EXPECT_EQ(0, camera.ReadSromID(5, &ok));
    EXPECT_EQ(0, ok);
    EXPECT_EQ(0, camera.WriteSromID(5, 1));
    EXPECT_EQ(0, Drain());
    EXPECT_EQ(2u, sink.Take().size());
}

TEST_F(Instance, TemperatureSuccessPushesZero) {
    sim.Camera(0)->SetTemperature(42.5);
    camera.RaiseError(VONKEL_ERR_ARGUMENT);
    int ok = 0;
    EXPECT_DOUBLE_EQ(42.5, camera.GetTemperatureEx(&ok));
    EXPECT_EQ(1, ok);
    EXPECT_EQ(0, Drain()) << "the success is the newest entry";
    EXPECT_EQ(VONKEL_ERR_ARGUMENT, Drain());
    sim.Camera(0)->Unplug();
    EXPECT_DOUBLE_EQ(0.0, camera.GetTemperatureEx(&ok));
    EXPECT_EQ(0, ok);
    EXPECT_EQ(VONKEL_ERR_CONVERSION, Drain());
}

TEST_F(Instance, DeviceSwitchSelectsAndReadsTheVariant) {
    sim.Camera(2)->PokeMemory(0x1EB0, 2);
    ASSERT_EQ(1, camera.SetDeviceNumber(2));
    EXPECT_EQ(2, camera.DeviceNumber());
    EXPECT_EQ(1, camera.Driver()->GetVariant());
    EXPECT_TRUE(sim.Camera(2)->IsStarted());
    EXPECT_EQ(0, camera.SetDeviceNumber(1));
    EXPECT_EQ(VONKEL_ERR_DEVICE, Drain());
    EXPECT_EQ(2, camera.DeviceNumber());
    EXPECT_EQ(0, camera.SetDeviceNumber(40));
    EXPECT_EQ(VONKEL_ERR_DEVICE, Drain());
}

TEST(InstanceWithoutDriver, EveryCameraOperationRecordsNoCamera) {
    CVonkel camera{ProcessServices()}; // never initialised
    char text[64];
    int ok = 7;
    VONKEL_CAMERA_INFO info{};
    info.size = 56;
    EXPECT_EQ(0, camera.SetDeviceNumber(0));
    EXPECT_EQ(0, camera.EnumDevice(nullptr));
    EXPECT_EQ(0, camera.GetDeviceName(0, text, 64));
    EXPECT_EQ(0, camera.GetCameraInfo(&info));
    EXPECT_EQ(0, camera.ReadSensorRegister(1, &ok));
    EXPECT_EQ(0, camera.WriteFpgaRegister(1, 1));
    EXPECT_EQ(0, camera.ReadSerialNumber(text, 64));
    EXPECT_EQ(0, camera.ReadSerialNumberW(nullptr, 0));
    EXPECT_DOUBLE_EQ(0.0, camera.GetTemperatureEx(&ok));
    int count = 0;
    while (camera.GetLastError() == VONKEL_ERR_NO_CAMERA)
        ++count;
    EXPECT_EQ(9, count);
}

} // namespace
