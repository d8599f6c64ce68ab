// Device paths, enumeration, the command and query exchanges and the memory reads.
#include "TransportFixture.h"
#include <gtest/gtest.h>

namespace {

TEST(DevicePaths, SuffixAlphabetPutsNBeforeM) {
    EXPECT_EQ("\\\\.\\Vonk430NVTXQEL-0", CVKLSdkLib::FormatDevicePath("Vonk430NVTXQEL", 0));
    EXPECT_EQ("\\\\.\\Vonk430NVTXQEL-L", CVKLSdkLib::FormatDevicePath("Vonk430NVTXQEL", 21));
    EXPECT_EQ("\\\\.\\Vonk430NVTXQEL-N", CVKLSdkLib::FormatDevicePath("Vonk430NVTXQEL", 22));
    EXPECT_EQ("\\\\.\\Vonk430NVTXQEL-M", CVKLSdkLib::FormatDevicePath("Vonk430NVTXQEL", 23));
    EXPECT_EQ("\\\\.\\Vonk430NVTXQEL-V", CVKLSdkLib::FormatDevicePath("Vonk430NVTXQEL", 31));
}

TEST(Enumeration, FindsExactlyThePresentCameras) {
    struct Case {
        std::vector<int> devices;
        int count;
    };
    for (const Case &c : {Case{{}, 0}, Case{{0}, 1}, Case{{0, 1, 2}, 3}, Case{{0, 2}, 2}, Case{{31}, 1}}) {
        sim::CSimulatedCameras cams(SimOf(c.devices));
        CTestTransport t(cams);
        t.SelectDevice(5);
        t.EnumerateDevices();
        int found = 0;
        for (int i = 0; i < t.GetMaxDevices(); ++i) {
            bool expected = std::find(c.devices.begin(), c.devices.end(), i) != c.devices.end();
            EXPECT_EQ(expected, t.IsDevicePresent(i)) << "device " << i;
            found += t.IsDevicePresent(i);
        }
        EXPECT_EQ(c.count, found);
        EXPECT_EQ(0, t.GetDeviceIndex()) << "enumeration resets the device index";
        EXPECT_FALSE(t.IsDevicePresent(32));
        EXPECT_FALSE(t.IsDevicePresent(-1));
        EXPECT_EQ(0u, cams.OpenHandles()) << "every probe closes its handle";
    }
}

TEST(Selection, RefusesIndexesBeyondTheRangeAndChangesNothing) {
    sim::CSimulatedCameras cams(SimOf({0}));
    CTestTransport t(cams);
    EXPECT_EQ(result::kOk, t.SelectDevice(3));
    EXPECT_EQ(result::kBadIndex, t.SelectDevice(33));
    EXPECT_EQ(result::kBadIndex, t.SelectDevice(-1));
    EXPECT_EQ(3, t.GetDeviceIndex());
    EXPECT_EQ("\\\\.\\Vonk430NVTXQEL-3", t.DevicePath());
}

TEST(Exchanges, QueryWritesPausesReadsTwiceAndUsesTheSecondReply) {
    sim::CSimulatedCameras cams(SimOf({0}));
    CTestTransport t(cams);
    t.SelectDevice(0);
    cams.Camera(0)->PokeSensor(0x1234, 0x5A);
    cams.Log().Clear();
    cmd::Buffer b = cmd::SensorRead(0x1234);
    bool wrote = false, second = false;
    ASSERT_TRUE(t.QueryExchange(b, true, &wrote, &second));
    EXPECT_TRUE(wrote && second);
    EXPECT_EQ(0x5A, b[0]) << "the first reply is not the value";
    auto log = cams.Log().Take();
    ASSERT_EQ(3u, log.size());
    EXPECT_EQ(sim::LogKind::Command, log[0].kind);
    EXPECT_EQ(cmd::SENSOR_READ, log[0].Code());
    EXPECT_EQ(platform::IOCTL_PIPE_IN_DIRECT, log[0].controlCode);
    EXPECT_EQ(6u, log[1].pauseMs);
    EXPECT_EQ(6u, log[2].pauseMs);

    // Without pauses, and a failed write skips the reads.
    b = cmd::FpgaRead(14);
    ASSERT_TRUE(t.QueryExchange(b, false, &wrote, &second));
    EXPECT_EQ(1u, cams.Log().Take().size());
    cams.Camera(0)->FailNextTransfers(1, sim::TransferKind::Command);
    b = cmd::FpgaRead(14);
    ASSERT_TRUE(t.QueryExchange(b, false, &wrote, &second));
    EXPECT_FALSE(wrote);
    EXPECT_FALSE(second);
    EXPECT_EQ(0u, cams.OpenHandles());
}

TEST(Exchanges, UnopenedPathSendsNothing) {
    sim::CSimulatedCameras cams(SimOf({0}));
    CTestTransport t(cams);
    t.SelectDevice(4);
    cams.Log().Clear();
    EXPECT_FALSE(t.CommandExchange(cmd::SensorWrite(1028, 2)));
    cmd::Buffer b = cmd::SensorRead(1028);
    EXPECT_FALSE(t.QueryExchange(b, true, nullptr, nullptr));
    EXPECT_TRUE(cams.Log().Take().empty());
}

TEST(Pipes, NullArgumentsAndShortRepliesAreReported) {
    sim::CSimulatedCameras cams(SimOf({0}));
    CTestTransport t(cams);
    uint8_t buffer[64] = {};
    uint32_t n = 0;
    platform::DeviceHandle h = nullptr;
    EXPECT_EQ(result::kPipeNullBuffer, t.PipeTransfer(nullptr, 0, 64, nullptr, &n, 1));
    EXPECT_EQ(result::kPipeNullHandle, t.PipeTransfer(nullptr, 0, 64, buffer, &n, 1));
    EXPECT_EQ(result::kNotOpened, t.ReadPipe(nullptr, 1, 64, buffer));
    ASSERT_TRUE(t.OpenDevice("\\\\.\\Vonk430NVTXQEL-0", &h));
    cmd::Buffer read = cmd::SensorRead(1028);
    ASSERT_EQ(result::kOk, t.WritePipe(h, 0, 64, read.data()));
    cams.Camera(0)->CorruptNextReply();
    t.ReadPipe(h, 1, 64, buffer);
    EXPECT_EQ(result::kTransferFailed, t.ReadPipe(h, 1, 64, buffer)) << "a reply of fewer than 64 bytes";
    EXPECT_TRUE(t.CloseDevice(&h));
    EXPECT_FALSE(t.CloseDevice(&h));
}

TEST(TransferTimeout, RecordReachesTheCamera) {
    sim::CSimulatedCameras cams(SimOf({0}));
    CTestTransport t(cams);
    t.SelectDevice(0);
    t.SetTransferTimeout(5000);
    EXPECT_EQ(5000u, cams.Camera(0)->TransferTimeoutMs());
}

TEST(Memory, SerialNumberEndsAtTheFirst0xFF) {
    sim::CSimulatedCameras cams(SimOf({0}));
    CTestTransport t(cams);
    t.SelectDevice(0);
    cams.Camera(0)->SetSerial("A1234");
    cams.Log().Clear();
    uint8_t serial[32];
    ASSERT_TRUE(t.ReadSerialBytes(serial));
    EXPECT_STREQ("A1234", reinterpret_cast<char *>(serial));
    int reads = 0, pauses10 = 0;
    for (const auto &e : cams.Log().Take()) {
        reads += e.kind == sim::LogKind::Command && e.Code() == cmd::MEMORY_READ;
        pauses10 += e.kind == sim::LogKind::Pause && e.pauseMs == 10;
    }
    EXPECT_EQ(6, reads) << "five characters and the byte that ends them";
    EXPECT_EQ(5, pauses10);
}

TEST(Memory, EmptyFullAndUnreadableSerials) {
    sim::CSimulatedCameras cams(SimOf({0}));
    CTestTransport t(cams);
    t.SelectDevice(0);
    uint8_t serial[32];
    cams.Camera(0)->PokeMemory(0x1EC0, 0xFF);
    EXPECT_TRUE(t.ReadSerialBytes(serial)) << "an empty serial is an answer";
    EXPECT_EQ(0, serial[0]);

    for (int i = 0; i < 32; ++i)
        cams.Camera(0)->PokeMemory(static_cast<uint16_t>(0x1EC0 + i), static_cast<uint8_t>('a' + i % 26));
    cams.Camera(0)->PokeMemory(0x1EE0, 0xFF);
    EXPECT_TRUE(t.ReadSerialBytes(serial));
    EXPECT_EQ('a' + 31 % 26, serial[31]) << "all 32 bytes are read";

    cams.Camera(0)->Unplug();
    EXPECT_FALSE(t.ReadSerialBytes(serial));
}

TEST(Memory, ReadsBelowTheUserAreaFailWithoutTraffic) {
    sim::CSimulatedCameras cams(SimOf({0}));
    CTestTransport t(cams);
    t.SelectDevice(0);
    cams.Log().Clear();
    uint8_t v = 0x77;
    EXPECT_FALSE(t.ReadMemoryByte(0x17FF, &v));
    EXPECT_EQ(0x77, v);
    EXPECT_TRUE(cams.Log().Take().empty());
    EXPECT_TRUE(t.WriteSromByte(300, 0x42)); // index 300 is 44 within the area
    ASSERT_TRUE(t.ReadSromByte(44, &v));
    EXPECT_EQ(0x42, v);
    EXPECT_EQ(0x42, cams.Camera(0)->PeekMemory(0x182C));
}

} // namespace
