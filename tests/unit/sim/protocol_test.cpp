// The simulated camera as the kernel driver answers it: paths, handles, the command and
// query exchanges, the memory map, the timeout record, the log and the environment.
#include "SimHost.h"
#include "api/ProcessServices.h"
#include "sim/ProcessCameras.h"
#include "sim/SimConstants.h"
#include <gtest/gtest.h>
#include <cstring>
#include <map>

namespace {

using simtest::CSimHost;
using simtest::MakeCommand;

sim::CSimConfig Devices(std::vector<int> devices) {
    sim::CSimConfig config;
    config.devices = std::move(devices);
    config.pacing = sim::Pacing::AsFastAsPossible;
    return config;
}

TEST(SimPaths, SuffixAlphabetPutsNBeforeM) {
    EXPECT_EQ("\\\\.\\Vonk430NVTXQEL-0", sim::CSimulatedCameras::DevicePath(0));
    EXPECT_EQ("\\\\.\\Vonk430NVTXQEL-A", sim::CSimulatedCameras::DevicePath(10));
    EXPECT_EQ("\\\\.\\Vonk430NVTXQEL-N", sim::CSimulatedCameras::DevicePath(22));
    EXPECT_EQ("\\\\.\\Vonk430NVTXQEL-M", sim::CSimulatedCameras::DevicePath(23));
    EXPECT_EQ("\\\\.\\Vonk430NVTXQEL-V", sim::CSimulatedCameras::DevicePath(31));
    EXPECT_EQ("", sim::CSimulatedCameras::DevicePath(32));
    for (int d = 0; d < 32; ++d)
        EXPECT_EQ(d, sim::CSimulatedCameras::DeviceFromPath(sim::CSimulatedCameras::DevicePath(d).c_str()));
    EXPECT_EQ(22, sim::CSimulatedCameras::DeviceFromPath("\\\\.\\vonk430nvtxqel-n")) << "device names ignore case";
    EXPECT_EQ(-1, sim::CSimulatedCameras::DeviceFromPath("\\\\.\\Vonk430NVTXQEL-W"));
    EXPECT_EQ(-1, sim::CSimulatedCameras::DeviceFromPath("\\\\.\\Vonk430NVTXQEL-00"));
    EXPECT_EQ(-1, sim::CSimulatedCameras::DeviceFromPath("\\\\.\\Other430NVTXQEL-0"));
    EXPECT_EQ(-1, sim::CSimulatedCameras::DeviceFromPath(nullptr));
}

TEST(SimPaths, OnlyPresentPluggedCamerasOpenWithGapsAllowed) {
    sim::CSimulatedCameras cams(Devices({0, 2, 23}));
    CSimHost host(cams);
    std::map<int, bool> opened;
    for (int d = 0; d < 32; ++d) {
        platform::DeviceHandle h = host.Open(d);
        opened[d] = h != nullptr;
        if (h) {
            EXPECT_TRUE(cams.Close(h));
        }
    }
    for (int d = 0; d < 32; ++d)
        EXPECT_EQ(d == 0 || d == 2 || d == 23, opened[d]) << d;
    EXPECT_EQ((std::vector<int>{0, 2, 23}), cams.Devices());
    EXPECT_EQ(nullptr, cams.Camera(1));
    EXPECT_EQ(nullptr, cams.Open(nullptr));

    cams.Camera(2)->Unplug();
    EXPECT_EQ(nullptr, host.Open(2));
    cams.Camera(2)->Replug();
    platform::DeviceHandle h = host.Open(2);
    EXPECT_NE(nullptr, h);
    cams.Close(h);
    EXPECT_EQ(0u, cams.OpenHandles());
}

TEST(SimHandles, SeveralPerDeviceAndClosedOrForeignOnesFail) {
    sim::CSimulatedCameras cams(Devices({0}));
    sim::CSimulatedCameras other(Devices({0}));
    CSimHost host(cams);
    platform::DeviceHandle a = host.Open(0), b = host.Open(0);
    ASSERT_NE(nullptr, a);
    ASSERT_NE(nullptr, b);
    EXPECT_NE(a, b);
    EXPECT_EQ(2u, cams.OpenHandles());
    EXPECT_TRUE(host.Write(a, MakeCommand({0x04, 0x01, 0x00, 7})));
    EXPECT_TRUE(host.Write(b, MakeCommand({0x04, 0x01, 0x01, 8})));
    EXPECT_TRUE(cams.Close(a));
    EXPECT_FALSE(cams.Close(a)) << "closing twice";
    EXPECT_FALSE(host.Write(a, MakeCommand({0x04, 0x01, 0x00, 9}))) << "closed handle";
    platform::DeviceHandle c = host.Open(0);
    EXPECT_NE(a, c) << "handles are never handed out again";
    CSimHost otherHost(other);
    platform::DeviceHandle foreign = otherHost.Open(0);
    EXPECT_FALSE(host.Write(foreign, MakeCommand({0x01}))) << "another simulator's handle";
    EXPECT_FALSE(host.Write(nullptr, MakeCommand({0x01})));
    EXPECT_FALSE(cams.Close(foreign));
    EXPECT_EQ(7, cams.Camera(0)->PeekSensor(256));
    EXPECT_EQ(8, cams.Camera(0)->PeekSensor(257));
    cams.Close(b);
    cams.Close(c);
    other.Close(foreign);
}

TEST(SimExchanges, RegisterSpacesRoundTripThroughCommandAndQuery) {
    sim::CSimulatedCameras cams(Devices({1}));
    CSimHost host(cams);
    EXPECT_TRUE(host.WriteSensor(1, 0x1234, 0xAB));
    EXPECT_TRUE(host.WriteSensor(1, 0x0034, 0x11));
    EXPECT_EQ(0xAB, host.ReadSensor(1, 0x1234));
    EXPECT_EQ(0x11, host.ReadSensor(1, 0x0034)) << "high address byte is part of the address";
    EXPECT_TRUE(host.WriteCapture(1, 90, 2));
    EXPECT_EQ(2, host.ReadCapture(1, 90));
    EXPECT_TRUE(host.WriteFpga(1, 7, 0x5A));
    EXPECT_EQ(0x5A, host.ReadFpga(1, 7));
    EXPECT_EQ(0x5A, cams.Camera(1)->PeekFpga(7));
    // The capture logic's version is read-only for the host, open to tests.
    EXPECT_EQ(sim::kPowerOnLogicVersion & 0xFF, host.ReadCapture(1, 16));
    EXPECT_EQ(sim::kPowerOnLogicVersion >> 8, host.ReadCapture(1, 17));
    EXPECT_TRUE(host.WriteCapture(1, 16, 0));
    EXPECT_EQ(sim::kPowerOnLogicVersion & 0xFF, host.ReadCapture(1, 16));
    cams.Camera(1)->PokeCapture(17, 0x01);
    cams.Camera(1)->PokeCapture(16, 0x04);
    EXPECT_EQ(0x04, host.ReadCapture(1, 16));
    EXPECT_FALSE(host.ReadSensor(0, 1)) << "no camera at 0";
}

TEST(SimExchanges, FirstReplyIsNotTheValueAndStrayReplyReadsFail) {
    sim::CSimulatedCameras cams(Devices({0}));
    CSimHost host(cams);
    for (uint8_t v : {uint8_t(0), uint8_t(0x0C), uint8_t(0xFF)}) {
        cams.Camera(0)->PokeSensor(600, v);
        platform::DeviceHandle h = host.Open(0);
        simtest::Command reply{};
        EXPECT_FALSE(host.ReadReply(h, &reply)) << "no query pending";
        ASSERT_TRUE(host.Write(h, MakeCommand({0x0C, 0x02, 0x58})));
        ASSERT_EQ(64u, host.ReadReply(h, &reply));
        EXPECT_NE(v, reply[0]) << "the first reply must not look like the value";
        ASSERT_EQ(64u, host.ReadReply(h, &reply));
        EXPECT_EQ(v, reply[0]);
        EXPECT_FALSE(host.ReadReply(h, &reply)) << "a third read has nothing";
        cams.Close(h);
    }
    // A write between query and reply drops the pending reply; replies stay with the
    // handle that asked.
    platform::DeviceHandle a = host.Open(0), b = host.Open(0);
    simtest::Command reply{};
    ASSERT_TRUE(host.Write(a, MakeCommand({0x26, 14})));
    ASSERT_TRUE(host.Write(b, MakeCommand({0x0C, 0x02, 0x58})));
    ASSERT_TRUE(host.ReadReply(b, &reply));
    ASSERT_TRUE(host.Write(b, MakeCommand({0x01})));
    EXPECT_FALSE(host.ReadReply(b, &reply)) << "the write dropped the pending value";
    host.ReadReply(a, &reply);
    ASSERT_EQ(64u, host.ReadReply(a, &reply));
    EXPECT_EQ(4, reply[0]) << "FPGA 14 at power-on";
    uint8_t small[32];
    uint32_t n = 0;
    ASSERT_TRUE(host.Write(a, MakeCommand({0x26, 14})));
    EXPECT_FALSE(host.Pipe(a, platform::IOCTL_PIPE_OUT_DIRECT, 1, small, sizeof small, &n)) << "reply buffer too small";
    cams.Close(a);
    cams.Close(b);
}

TEST(SimExchanges, MalformedTransfersFail) {
    sim::CSimulatedCameras cams(Devices({0}));
    CSimHost host(cams);
    platform::DeviceHandle h = host.Open(0);
    simtest::Command c = MakeCommand({0x04, 0, 1, 2});
    uint32_t pipe = 0, n = 99;
    EXPECT_FALSE(cams.Control(h, platform::IOCTL_PIPE_IN_DIRECT, &pipe, 4, c.data(), 63, &n)) << "short command";
    EXPECT_EQ(0u, n);
    EXPECT_FALSE(cams.Control(h, platform::IOCTL_PIPE_IN_DIRECT, &pipe, 2, c.data(), 64, &n)) << "short pipe number";
    EXPECT_FALSE(cams.Control(h, platform::IOCTL_PIPE_IN_DIRECT, nullptr, 4, c.data(), 64, &n));
    EXPECT_FALSE(host.Pipe(h, platform::IOCTL_PIPE_IN_DIRECT, 3, c.data(), 64, &n)) << "no pipe 3";
    EXPECT_FALSE(cams.Control(h, 0x222000, &pipe, 4, c.data(), 64, &n)) << "unknown control code";
    EXPECT_EQ(0u, cams.Camera(0)->PeekSensor(1)) << "nothing arrived";
    for (uint32_t code : {platform::IOCTL_PIPE_OUT_DIRECT, platform::IOCTL_PIPE_IN_DIRECT,
                          platform::IOCTL_PIPE_OUT_DIRECT_LARGE, platform::IOCTL_PIPE_IN_DIRECT_LARGE})
        EXPECT_TRUE(host.Pipe(h, code, 0, c.data(), 64, &n)) << "pipe 0 takes a command whatever the code";
    EXPECT_EQ(2u, cams.Camera(0)->PeekSensor(1));
    cams.Close(h);
}

TEST(SimMemory, SerialVariantAndSromArea) {
    sim::CSimulatedCameras cams(Devices({0, 5}));
    CSimHost host(cams);
    auto readSerial = [&](int d) {
        std::string s;
        for (uint16_t a = 0x1EC0; a < 0x1EE0; ++a) {
            auto b = host.ReadMemory(d, a);
            if (!b || *b == 0xFF)
                break;
            s.push_back(char(*b));
        }
        return s;
    };
    EXPECT_EQ("SIMCAM-00", readSerial(0));
    EXPECT_EQ("SIMCAM-05", readSerial(5));
    EXPECT_EQ(1, host.ReadMemory(0, 0x1EB0)) << "variant byte";

    cams.Camera(5)->SetSerial("A1234");
    EXPECT_EQ("A1234", readSerial(5));
    EXPECT_EQ(0xFF, host.ReadMemory(5, 0x1EC5));
    cams.Camera(5)->SetSerial(std::string(40, 'Z'));
    EXPECT_EQ(std::string(32, 'Z'), cams.Camera(5)->Serial()) << "32 bytes, no end mark";
    cams.Camera(5)->PokeMemory(0x1EC0, 0xFF);
    EXPECT_EQ("", cams.Camera(5)->Serial());

    EXPECT_EQ(0xFF, host.ReadMemory(0, 0x182C)) << "the identification area starts erased";
    EXPECT_TRUE(host.WriteSrom(0, 0x2C, 0x42));
    EXPECT_EQ(0x42, host.ReadMemory(0, 0x182C));
    EXPECT_EQ(0xFF, host.ReadMemory(5, 0x182C)) << "each camera has its own memory";
    // Writes outside the identification area are acknowledged and not stored.
    EXPECT_TRUE(host.Send(0, MakeCommand({0x40, 0x51, 0x03, 0x1E, 0xC0, 'X'})));
    EXPECT_EQ('S', host.ReadMemory(0, 0x1EC0));
    // A malformed memory read arms no reply.
    EXPECT_FALSE(host.Query(0, MakeCommand({0x41, 0x51, 0x02, 0x02, 0x18, 0x2C})));
    // Unplugging does not erase memory.
    cams.Camera(0)->Unplug();
    cams.Camera(0)->Replug();
    EXPECT_EQ(0x42, host.ReadMemory(0, 0x182C));
}

TEST(SimMemory, TemperatureReadsWhileTheReadingIsOn) {
    sim::CSimulatedCameras cams(Devices({0}));
    CSimHost host(cams);
    sim::CSimCamera &cam = *cams.Camera(0);
    auto read = [&] { return std::make_pair(host.ReadSensor(0, 1680).value(), host.ReadSensor(0, 1681).value()); };
    EXPECT_EQ(std::make_pair(uint8_t(0), uint8_t(0)), read()) << "reading off";
    host.WriteSensor(0, 1928, 51);
    cam.SetTemperature(-1.0);
    auto [lo, hi] = read();
    EXPECT_EQ(0xF8, lo);
    EXPECT_EQ(0x0F, hi & 0x0F);
    cam.SetTemperature(50.0);
    std::tie(lo, hi) = read();
    EXPECT_EQ(0x90, lo);
    EXPECT_EQ(0x01, hi & 0x0F);
    cam.SetTemperature(-300.0);
    std::tie(lo, hi) = read();
    EXPECT_EQ(0x800, ((hi & 0x0F) << 8) | lo) << "limited to the 12-bit range";
    host.WriteSensor(0, 1928, 50);
    EXPECT_EQ(0, host.ReadSensor(0, 1680));
}

TEST(SimFaults, CorruptReplyAndFailedTransfers) {
    sim::CSimulatedCameras cams(Devices({0}));
    CSimHost host(cams);
    sim::CSimCamera &cam = *cams.Camera(0);
    cam.PokeSensor(700, 9);
    cam.CorruptNextReply();
    platform::DeviceHandle h = host.Open(0);
    simtest::Command reply{};
    host.Write(h, MakeCommand({0x0C, 0x02, 0xBC}));
    EXPECT_EQ(64u, host.ReadReply(h, &reply)) << "the acknowledgement stays whole";
    EXPECT_EQ(32u, host.ReadReply(h, &reply)) << "the value reply is cut";
    cams.Close(h);
    EXPECT_EQ(9, host.ReadSensor(0, 700)) << "only the next reply";

    cam.FailNextTransfers(2);
    EXPECT_FALSE(host.WriteSensor(0, 700, 1));
    EXPECT_FALSE(host.WriteSensor(0, 700, 2));
    EXPECT_TRUE(host.WriteSensor(0, 700, 3));
    EXPECT_EQ(3, cam.PeekSensor(700)) << "failed commands are not received";
    cam.FailNextTransfers(1, sim::TransferKind::Reply);
    EXPECT_TRUE(host.WriteSensor(0, 700, 4));
    EXPECT_FALSE(host.ReadSensor(0, 700));
    EXPECT_EQ(4, host.ReadSensor(0, 700));
}

TEST(SimFaults, UnplugFailsOpenHandlesEvenAfterReplug) {
    sim::CSimulatedCameras cams(Devices({0}));
    CSimHost host(cams);
    sim::CSimCamera &cam = *cams.Camera(0);
    host.StartUp(0);
    host.WriteSensor(0, 1028, 3);
    host.SetTimeout(0, 700);
    ASSERT_TRUE(cam.IsStarted());
    platform::DeviceHandle old = host.Open(0);
    cam.Unplug();
    EXPECT_FALSE(cam.IsPlugged());
    EXPECT_FALSE(host.Write(old, MakeCommand({0x01})));
    EXPECT_FALSE(host.WriteSensor(0, 1, 1));
    cam.Replug();
    EXPECT_FALSE(host.Write(old, MakeCommand({0x01}))) << "a handle from before the unplug";
    EXPECT_TRUE(cams.Close(old)) << "but it can still be closed";
    // A power cycle: the registers and the start-up are gone, memory stays.
    EXPECT_FALSE(cam.IsStarted());
    EXPECT_EQ(0, host.ReadSensor(0, 1028));
    EXPECT_EQ(sim::kDefaultTimeoutMs, cam.TransferTimeoutMs());
    EXPECT_EQ(1, host.ReadMemory(0, 0x1EB0));
}

TEST(SimTimeout, RecordIsKeptPerCameraAndChecked) {
    sim::CSimulatedCameras cams(Devices({0, 1}));
    CSimHost host(cams);
    EXPECT_EQ(3000u, cams.Camera(0)->TransferTimeoutMs());
    EXPECT_TRUE(host.SetTimeout(0, 5000));
    EXPECT_EQ(5000u, cams.Camera(0)->TransferTimeoutMs()) << "kept after the handle closed";
    EXPECT_EQ(3000u, cams.Camera(1)->TransferTimeoutMs());
    EXPECT_TRUE(host.SetTimeout(1, 0));
    EXPECT_EQ(3000u, cams.Camera(1)->TransferTimeoutMs()) << "0 never means for ever";
    EXPECT_TRUE(host.SetTimeout(1, 100000000));
    EXPECT_EQ(sim::kMaxTimeoutMs, cams.Camera(1)->TransferTimeoutMs());
    platform::DeviceHandle h = host.Open(0);
    uint8_t record[44] = {2, 0, 0, 0, 100};
    uint32_t n = 0;
    EXPECT_FALSE(cams.Control(h, platform::IOCTL_SET_TRANSFER_TIMEOUT, record, 44, nullptr, 0, &n)) << "tag 2";
    record[0] = 1;
    EXPECT_FALSE(cams.Control(h, platform::IOCTL_SET_TRANSFER_TIMEOUT, record, 40, nullptr, 0, &n)) << "40 bytes";
    EXPECT_EQ(5000u, cams.Camera(0)->TransferTimeoutMs());
    cams.Close(h);
}

TEST(SimLog, CommandsAndPausesInOneOrder) {
    sim::CSimulatedCameras cams(Devices({0, 3}));
    CSimHost host(cams);
    cams.Log().Clear();
    host.Send(0, MakeCommand({0x06}));
    cams.Pause(500);
    host.WriteSensor(3, 1028, 2);
    host.ReadCapture(0, 16);
    cams.Pause(6);
    host.WriteFpga(0, 14, 5);
    host.WriteSrom(3, 5, 7);
    host.ReadMemory(3, 0x1EC0);
    host.Send(0, MakeCommand({0x09, 0x00, 0x00, 0x05, 0x00}));
    host.Send(0, MakeCommand({0x0A, 1}));
    host.Send(0, MakeCommand({0x77}));
    cams.Camera(0)->Unplug();
    host.WriteSensor(0, 1, 1);
    const auto entries = cams.Log().Take();
    EXPECT_EQ((std::vector<std::string>{"0: initialize", "pause 500", "3: SR 1028 = 2", "0: read CR 16", "pause 6",
                                        "0: FR 14 = 5", "3: memory 0x1805 = 7", "3: read memory 0x1EC0",
                                        "0: transfer size 327680", "0: word mode 1", "0: command 0x77"}),
              sim::Describe(entries));
    EXPECT_EQ(platform::IOCTL_PIPE_IN_DIRECT, entries[0].controlCode);
    EXPECT_EQ(-1, entries[1].device);
    EXPECT_TRUE(cams.Log().Take().empty());
    cams.Log().SetEnabled(false);
    cams.Pause(1);
    EXPECT_TRUE(cams.Log().Entries().empty());
    EXPECT_EQ(327680u, cams.Camera(0)->SensorState().framePixels);
}

TEST(SimLog, IsBoundedAndCountsWhatItDropped) {
    sim::CSimulatedCameras cams(Devices({}));
    for (uint32_t i = 0; i < sim::kMaxLogEntries + 10; ++i)
        cams.Pause(i);
    const auto entries = cams.Log().Entries();
    ASSERT_EQ(sim::kMaxLogEntries, entries.size());
    EXPECT_EQ(10u, entries.front().pauseMs);
    EXPECT_EQ(10u, cams.Log().Dropped());
}

TEST(SimStartup, NeedsInitializeAscendingTableAndRelease) {
    sim::CSimulatedCameras cams(Devices({0}));
    CSimHost host(cams);
    sim::CSimCamera &cam = *cams.Camera(0);
    host.StartUp(0);
    EXPECT_TRUE(cam.IsStarted());
    EXPECT_EQ(8u, cam.StartupTableWrites());

    host.Send(0, MakeCommand({0x06}));
    EXPECT_FALSE(cam.IsStarted()) << "initialize stops the sensor";
    host.WriteSensor(0, 518, 1);
    host.WriteSensor(0, 6594, 70);
    host.WriteSensor(0, 524, 1);
    EXPECT_FALSE(cam.IsStarted()) << "SR 524 must be 0";
    host.WriteSensor(0, 524, 0);
    EXPECT_TRUE(cam.IsStarted());

    host.Send(0, MakeCommand({0x06}));
    host.WriteSensor(0, 600, 1);
    host.WriteSensor(0, 599, 1);
    host.WriteSensor(0, 6594, 70);
    host.WriteSensor(0, 524, 0);
    EXPECT_FALSE(cam.IsStarted()) << "a table that goes backwards";

    sim::CSimulatedCameras fresh(Devices({0}));
    CSimHost freshHost(fresh);
    freshHost.WriteSensor(0, 6594, 70);
    freshHost.WriteSensor(0, 524, 0);
    EXPECT_FALSE(fresh.Camera(0)->IsStarted()) << "no initialize";
}

TEST(SimEnvironment, VariablesAreReadSensibly) {
    auto parse = [](std::map<std::string, std::string> env) {
        return sim::CSimConfig::FromEnvironment([env](const char *name) -> const char * {
            auto it = env.find(name);
            return it == env.end() ? nullptr : it->second.c_str();
        });
    };
    EXPECT_FALSE(parse({}));
    EXPECT_FALSE(parse({{"VONKEL_SIMULATE", ""}}));
    EXPECT_FALSE(parse({{"VONKEL_SIMULATE", "0"}}));
    EXPECT_FALSE(parse({{"VONKEL_SIMULATE", "-2"}}));
    EXPECT_FALSE(parse({{"VONKEL_SIMULATE", "two"}}));
    EXPECT_EQ((std::vector<int>{0, 1, 2}), parse({{"VONKEL_SIMULATE", " 3 "}})->devices);
    EXPECT_EQ(32u, parse({{"VONKEL_SIMULATE", "99"}})->devices.size());
    EXPECT_EQ((std::vector<int>{0, 2}), parse({{"VONKEL_SIMULATE", "5"}, {"VONKEL_SIMULATE_DEVICES", "2, 0,2"}})->devices);
    EXPECT_EQ((std::vector<int>{31}), parse({{"VONKEL_SIMULATE_DEVICES", "x,31,32,-1"}})->devices);
    auto none = parse({{"VONKEL_SIMULATE_DEVICES", ","}});
    ASSERT_TRUE(none) << "an empty list is still a simulated bus";
    EXPECT_TRUE(none->devices.empty());
    auto all = parse({{"VONKEL_SIMULATE", "1"},
                      {"VONKEL_SIMULATE_TRIGGER_MS", "40"},
                      {"VONKEL_SIMULATE_STILL", "Yes"},
                      {"VONKEL_SIMULATE_REALTIME", "1"}});
    EXPECT_EQ(40u, all->autoTriggerMs);
    EXPECT_TRUE(all->still);
    EXPECT_TRUE(all->realtimePauses);
    EXPECT_EQ(sim::Pacing::RealTime, all->pacing);
    auto off = parse({{"VONKEL_SIMULATE", "1"}, {"VONKEL_SIMULATE_TRIGGER_MS", "0"}, {"VONKEL_SIMULATE_STILL", "2"}});
    EXPECT_EQ(0u, off->autoTriggerMs);
    EXPECT_FALSE(off->still);
    EXPECT_EQ(0u, parse({{"VONKEL_SIMULATE", "1"}, {"VONKEL_SIMULATE_TRIGGER_MS", "1.5"}})->autoTriggerMs);
}

TEST(SimEnvironment, FaultPlanParsesWholeOrNotAtAll) {
    struct Case {
        const char *text;
        bool valid;
        int unplug = -1, replug = -1; // -1: none
        uint32_t failEvery = 0, shortEvery = 0, linkPercent = 100;
    };
    const Case cases[] = {
        {"", true, -1, -1, 0, 0, 100},
        {"unplug=1500", true, 1500, -1, 0, 0, 100},
        {" unplug = 0 , replug=2000,fail_every=7,short_every=3,link_percent=40", true, 0, 2000, 7, 3, 40},
        {"fail_every=1", true, -1, -1, 1, 0, 100},
        {"replug=2000", false},             // nothing to plug back
        {"unplug=2000,replug=2000", false}, // not later
        {"fail_every=0", false},
        {"link_percent=101", false},
        {"unplug=-5", false},
        {"unplug=1e3", false},
        {"unplug=100000000", false},
        {"unplug=1,unplug=2", false},
        {"fail_every=3,stall=1", false},
        {"fail_every", false},
        {"fail_every=3,", false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.text);
        const auto plan = sim::CFaultPlan::Parse(c.text);
        ASSERT_EQ(c.valid, plan.has_value());
        if (!plan)
            continue;
        EXPECT_EQ(c.unplug, plan->unplugMs ? int(*plan->unplugMs) : -1);
        EXPECT_EQ(c.replug, plan->replugMs ? int(*plan->replugMs) : -1);
        EXPECT_EQ(c.failEvery, plan->failEvery);
        EXPECT_EQ(c.shortEvery, plan->shortEvery);
        EXPECT_EQ(c.linkPercent, plan->linkPercent);
    }
    const auto config = sim::CSimConfig::FromEnvironment([](const char *name) -> const char * {
        return std::string(name) == "VONKEL_SIMULATE" ? "1"
               : std::string(name) == "VONKEL_SIMULATE_FAULTS" ? "fail_every=3,typo=1" : nullptr;
    });
    EXPECT_EQ(0u, config->faults.failEvery) << "a malformed plan gives a healthy camera";
}

TEST(SimEnvironment, TheProcessUsesTheSimulatedCamerasWhenTheEnvironmentAsks) {
    const CameraServices *previous = SetProcessServicesForTesting(nullptr);
    platform::IDeviceIo *chosen = ProcessServices().deviceIo;
    SetProcessServicesForTesting(previous);
    if (sim::ProcessCameras())
        EXPECT_EQ(static_cast<platform::IDeviceIo *>(sim::ProcessCameras()), chosen);
    else
        EXPECT_EQ(&platform::SystemDeviceIo(), chosen);
}

} // namespace
