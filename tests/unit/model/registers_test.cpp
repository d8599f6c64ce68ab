// Register spaces, device selection and the sensor start-up.
#include "ModelFixture.h"
#include "model/SensorTable.h"
#include "model/WindowTiming.h"

namespace {

TEST_F(ModelTest, ConstructionStartsDeviceZeroWithTheWholeSensorTable) {
    sim::CSimConfig config;
    config.devices = {0, 3};
    config.pacing = sim::Pacing::AsFastAsPossible;
    sim::CSimulatedCameras fresh(config);
    CVonkel430NVTXQELSdk model(fresh);
    EXPECT_TRUE(model.IsDevicePresent(0));
    EXPECT_TRUE(model.IsDevicePresent(3));
    EXPECT_FALSE(model.IsDevicePresent(1));
    EXPECT_EQ(0, model.GetDeviceIndex());
    EXPECT_TRUE(fresh.Camera(0)->IsStarted());
    EXPECT_EQ(304u, fresh.Camera(0)->StartupTableWrites());
    EXPECT_EQ(0x0112, model.LogicVersion()) << "capture registers 17:16 read at the end of the start-up";
    EXPECT_EQ(0u, fresh.OpenHandles());
}

TEST_F(ModelTest, StartupWritesTheTableInAscendingOrderBetweenItsPauses) {
    driver->RunStartup();
    auto traffic = Traffic();
    ASSERT_GE(traffic.size(), 4u);
    EXPECT_EQ("CR 32 = 1", traffic[0]);
    EXPECT_EQ("CR 96 = 1", traffic[1]);
    EXPECT_EQ("pause 500", traffic[2]);
    std::vector<int> registers;
    size_t i = 3;
    for (; i < traffic.size() && traffic[i].rfind("SR ", 0) == 0; ++i)
        registers.push_back(std::stoi(traffic[i].substr(3)));
    ASSERT_EQ(304u, registers.size());
    EXPECT_EQ(518, registers.front());
    EXPECT_EQ(6594, registers.back());
    for (size_t k = 1; k < registers.size(); ++k)
        EXPECT_LT(registers[k - 1], registers[k]);
    for (int r = 800; r <= 807; ++r)
        EXPECT_EQ(registers.end(), std::find(registers.begin(), registers.end(), r)) << "the window is not in the table";
    const std::vector<std::string> rest(traffic.begin() + i, traffic.begin() + i + 10);
    EXPECT_EQ((std::vector<std::string>{"pause 10", "SR 512 = 0", "pause 50", "SR 524 = 0", "FR 0 = 0", "FR 1 = 0",
                                        "FR 2 = 5", "FR 3 = 0", "FR 11 = 0", "FR 14 = 4"}),
              rest);
    const std::vector<std::string> last(traffic.end() - 3, traffic.end());
    EXPECT_EQ((std::vector<std::string>{"read CR 21", "pause 6", "pause 6"}), last);
}

TEST_F(ModelTest, SensorTableFixesTheRowsTheDriverReliesOn) {
    const SensorTableRow *rows = SensorTable();
    auto value = [&](int reg) {
        for (size_t i = 0; i < kSensorTableRows; ++i)
            if (rows[i].reg == reg)
                return int(rows[i].value);
        return -1;
    };
    EXPECT_EQ(128, value(518));
    EXPECT_EQ(44, value(724));
    EXPECT_EQ(2, value(725));
    EXPECT_EQ(0, value(726));
    EXPECT_EQ(236, value(728));
    EXPECT_EQ(3, value(729));
    EXPECT_EQ(0, value(1028));
    EXPECT_EQ(24, value(1088));
    EXPECT_EQ(50, value(1928));
    EXPECT_EQ(70, value(6594));
    for (int k = 0; k < 8; ++k) {
        EXPECT_EQ(151, value(5256 + 8 * k));
        EXPECT_EQ(40, value(5260 + 8 * k));
        EXPECT_EQ(255, value(6184 + 8 * k));
        EXPECT_EQ(15, value(6313 + 8 * k));
        EXPECT_EQ(0, value(6314 + 8 * k));
    }
}

TEST_F(ModelTest, RegisterSpacesRoundTripAndFailuresAreReported) {
    ASSERT_TRUE(driver->WriteSensorRegister(0x1234, 0x34));
    uint8_t v = 0;
    ASSERT_TRUE(driver->ReadSensorRegister(0x1234, &v));
    EXPECT_EQ(0x34, v);
    ASSERT_TRUE(driver->WriteCaptureRegister(90, 7));
    ASSERT_TRUE(driver->ReadCaptureRegister(90, &v));
    EXPECT_EQ(7, v);
    ASSERT_TRUE(driver->WriteFpgaRegister(7, 0xA5));
    ASSERT_TRUE(driver->ReadFpgaRegister(7, &v));
    EXPECT_EQ(0xA5, v);
    EXPECT_EQ(0xA5, Camera()->PeekFpga(7));

    // A failed reply is a failed read, never the command's own bytes as a value.
    Camera()->CorruptNextReply();
    v = 0x77;
    EXPECT_FALSE(driver->ReadSensorRegister(0x1234, &v));
    EXPECT_EQ(0x77, v);
    Camera()->CorruptNextReply();
    EXPECT_FALSE(driver->ReadFpgaRegister(7, &v));
    EXPECT_EQ(0, v) << "a failed FPGA read gives 0";

    Camera()->Unplug();
    v = 0x55;
    EXPECT_FALSE(driver->ReadFpgaRegister(7, &v));
    EXPECT_EQ(0x55, v) << "a device that does not open leaves the value alone";
    EXPECT_FALSE(driver->WriteSensorRegister(1, 1));
}

TEST_F(ModelTest, VariantAndWordMode) {
    EXPECT_EQ(1, driver->SetVariant(5));
    EXPECT_EQ(1, driver->GetVariant());
    driver->SetVariant(-1);
    EXPECT_EQ(1, driver->GetVariant());
    driver->SetVariant(2);
    EXPECT_EQ(2, driver->GetVariant());
    driver->SetWordMode(0);
    EXPECT_EQ((std::vector<std::string>{"word mode 1", "FR 14 = 4"}), Traffic());
    driver->SetWordMode(1);
    EXPECT_EQ((std::vector<std::string>{"word mode 1", "FR 14 = 5"}), Traffic());
}

TEST_F(ModelTest, SelectCameraRefusesIndexesBeyondTheRange) {
    EXPECT_EQ(result::kBadIndex, driver->SelectCamera(40));
    EXPECT_EQ(result::kBadIndex, driver->SelectCamera(-2));
    EXPECT_EQ(0, driver->GetDeviceIndex());
}

TEST_F(ModelTest, TemperatureIsReadWhileTheReadingIsOn) {
    Camera()->SetTemperature(-1.0);
    double t = 0;
    ASSERT_TRUE(driver->GetTemperature(&t));
    EXPECT_DOUBLE_EQ(-1.0, t);
    Camera()->SetTemperature(50.0);
    ASSERT_TRUE(driver->GetTemperature(&t));
    EXPECT_DOUBLE_EQ(50.0, t);
    EXPECT_EQ(0, Camera()->PeekSensor(1928) & 1) << "the reading is switched off again";
    EXPECT_FALSE(driver->GetTemperature(nullptr));
    const uint8_t control = Camera()->PeekSensor(1928);
    Camera()->CorruptNextReply();
    EXPECT_FALSE(driver->GetTemperature(&t));
    EXPECT_EQ(control, Camera()->PeekSensor(1928)) << "a failed read of the control register writes nothing";
    Camera()->Unplug();
    EXPECT_FALSE(driver->GetTemperature(&t));
}

TEST(Temperature, RawBytesAreEighthsOfADegreeInTwelveBits) {
    EXPECT_DOUBLE_EQ(-1.0, CVonkel430NVTXQELSdk::TemperatureFromRaw(0x0F, 0xF8));
    EXPECT_DOUBLE_EQ(50.0, CVonkel430NVTXQELSdk::TemperatureFromRaw(0x01, 0x90));
    EXPECT_DOUBLE_EQ(0.125, CVonkel430NVTXQELSdk::TemperatureFromRaw(0x00, 0x01));
    EXPECT_DOUBLE_EQ(-256.0, CVonkel430NVTXQELSdk::TemperatureFromRaw(0x08, 0x00));
    EXPECT_DOUBLE_EQ(50.0, CVonkel430NVTXQELSdk::TemperatureFromRaw(0x81, 0x90)) << "the upper nibble is not part of it";
}

TEST(WindowTiming, StartSizeFrameLengthAndModesPerWindow) {
    struct Case {
        int x, y, width, height, subSample;
        bool word;
        int logic;
        WindowTiming expected;
    } cases[] = {
        {0, 0, 640, 512, 0, false, 0x112, {0, 0, 640, 512, 556, 0, 0, 0, 25, 8}},
        {0, 0, 640, 512, 0, true, 0x112, {0, 0, 640, 512, 1248, 0, 0, 0, 25, 8}},
        {0, 0, 640, 512, 1, false, 0x112, {0, 0, 320, 256, 296, 17, 0, 2, 23, 8}},
        {6, 100, 320, 200, 0, false, 0x112, {8, 216, 320, 200, 236, 0, 2, 1, 21, 8}},
        {0, 0, 640, 512, 1, false, 0x100, {0, 0, 320, 256, 296, 17, 0, 2, 21, 22}},
    };
    for (const Case &c : cases) {
        const WindowTiming t = ComputeWindowTiming(c.x, c.y, c.width, c.height, c.subSample, c.word, c.logic, false);
        const int got[] = {t.columnStart, t.rowStart, t.width, t.height, t.frameLines,
                           t.subsampleMode, t.rowMode, t.readoutMode, t.captureOffsetP, t.captureOffsetQ};
        const WindowTiming &e = c.expected;
        const int want[] = {e.columnStart, e.rowStart, e.width, e.height, e.frameLines,
                            e.subsampleMode, e.rowMode, e.readoutMode, e.captureOffsetP, e.captureOffsetQ};
        EXPECT_TRUE(std::equal(std::begin(got), std::end(got), std::begin(want)))
            << c.x << "," << c.y << " " << c.width << "x" << c.height << " sub " << c.subSample;
    }
}

} // namespace
