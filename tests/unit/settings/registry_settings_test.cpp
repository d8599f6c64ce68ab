// Registry persistence of the camera settings, over the in-memory store.
#include "platform/CMemorySettingsStore.h"
#include "settings/CRegistrySettings.h"
#include <gtest/gtest.h>
#include <cstring>

namespace {

using platform::ISettingsStore;

class RegistrySettings : public ::testing::Test {
protected:
    platform::CMemorySettingsStore store;
    CRegistrySettings registry{store};

    uint32_t Dword(const std::string &path, const char *name) {
        platform::CSettingsKey key(store, store.OpenKey(nullptr, path.c_str(), ISettingsStore::Access::Read));
        uint32_t v = 0xDEADBEEF;
        EXPECT_TRUE(key && store.ReadDword(key.Get(), name, &v)) << path << " " << name;
        return v;
    }
    void Put(const std::string &path, const char *name, uint32_t value) {
        platform::CSettingsKey key(store, store.CreateKey(nullptr, path.c_str()));
        ASSERT_TRUE(key);
        store.WriteDword(key.Get(), name, value);
    }
    void TearDown() override { EXPECT_EQ(0, store.OpenHandles()) << "a key was left open"; }

    const std::string root = "Software\\Pelkor\\Vonkel430NVTXQELSdk";
};

TEST_F(RegistrySettings, FirstRunCreatesTheDefaultSetAndKeepsTheWindow) {
    CaptureWindow window;
    window.EH = 320;
    EXPECT_EQ(0, registry.ReadSelectedSize(0, window));
    EXPECT_EQ(320, window.EH) << "the instance keeps its own size on a first run";
    const std::string cam = root + "\\Camera_00";
    EXPECT_EQ(0u, Dword(cam, "Size"));
    EXPECT_EQ(2u, Dword(cam, "Color"));
    EXPECT_EQ(0u, Dword(cam, "SubSample"));
    EXPECT_EQ(1u, Dword(cam, "WaitTime"));
    EXPECT_EQ(2u, Dword(cam, "Clock"));
    const char *names[] = {"TH", "TV", "EH", "EV", "EHS", "EVS", "Buf"};
    const uint32_t values[] = {640, 512, 640, 512, 0, 0, 4};
    for (int i = 0; i < 7; ++i)
        EXPECT_EQ(values[i], Dword(cam + "\\Size_00", names[i]));

    StreamFormat format;
    EXPECT_EQ(1, registry.ReadStreamFormat(0, format));
    EXPECT_EQ(1, format.colorMode) << "a stored 2 is read as the 16-bit grey mode";
    EXPECT_EQ(0, format.subSample);
    EXPECT_EQ(1, format.waitTime);
    EXPECT_EQ(2, format.clock);
}

TEST_F(RegistrySettings, ExistingRootWithoutDeviceKeyCreatesNothing) {
    Put(root, "Other", 1);
    CaptureWindow window;
    EXPECT_EQ(0, registry.ReadSelectedSize(3, window));
    EXPECT_FALSE(store.KeyExists(root + "\\Camera_03"));
    StreamFormat format;
    EXPECT_EQ(0, registry.ReadStreamFormat(3, format));
    EXPECT_EQ(0, format.colorMode);
}

TEST_F(RegistrySettings, SelectedSizeEntryIsReadValueByValue) {
    const std::string cam = root + "\\Camera_01";
    Put(cam, "Size", 1);
    Put(cam + "\\Size_00", "EH", 111);
    Put(cam + "\\Size_01", "EH", 320);
    Put(cam + "\\Size_01", "EV", 240);
    Put(cam + "\\Size_01", "EHS", 16);
    CaptureWindow window;
    window.Buf = 9;
    EXPECT_EQ(1, registry.ReadSelectedSize(1, window));
    EXPECT_EQ(320, window.EH);
    EXPECT_EQ(240, window.EV);
    EXPECT_EQ(16, window.EHS);
    EXPECT_EQ(9, window.Buf) << "a missing value leaves its setting alone";

    Put(cam, "Size", 7);
    CaptureWindow untouched;
    EXPECT_EQ(0, registry.ReadSelectedSize(1, untouched));
    EXPECT_EQ(640, untouched.EH);
}

TEST_F(RegistrySettings, ColorIsReadAsStoredExceptTwo) {
    const std::string cam = root + "\\Camera_00";
    for (uint32_t stored : {0u, 1u, 2u, 3u, 4u, 5u}) {
        Put(cam, "Color", stored);
        StreamFormat format;
        registry.ReadStreamFormat(0, format);
        EXPECT_EQ(stored == 2 ? 1 : int(stored), format.colorMode) << stored;
    }
}

TEST_F(RegistrySettings, AnalogSettingsRoundTripIncludingTheExposureBytes) {
    AnalogSettings out;
    out.globalGain = 300;
    out.colorG1 = 1;
    out.colorR = 2;
    out.colorB = 3;
    out.colorG2 = 4;
    out.exposure = 12345;
    out.exposureSeconds = 0.123456789012345;
    out.mirrorV = 1;
    out.mirrorH = 0;
    out.autoIris = 2;
    EXPECT_EQ(1, registry.WriteAnalog(5, out));

    AnalogSettings in;
    EXPECT_EQ(1, registry.ReadAnalog(5, in, {0, 2048, 0, 0, 0.0138}));
    EXPECT_EQ(300, in.globalGain.load());
    EXPECT_EQ(4, in.colorG2.load());
    EXPECT_EQ(12345, in.exposure.load());
    EXPECT_EQ(1, in.mirrorV.load());
    EXPECT_EQ(2, in.autoIris.load());
    double a = out.exposureSeconds.load(), b = in.exposureSeconds.load();
    EXPECT_EQ(0, std::memcmp(&a, &b, 8)) << "ExposureEx must keep all 8 bytes";
    EXPECT_EQ(300u, Dword(root + "\\Camera_05\\Gain", "Global"));
}

TEST_F(RegistrySettings, MissingAnalogSettingsComeFromTheDriver) {
    AnalogSettings in;
    in.autoIris = 1;
    in.colorR = 9;
    EXPECT_EQ(1, registry.ReadAnalog(0, in, {0, 2048, 1, 0, 0.0138}));
    EXPECT_EQ(0, in.globalGain.load());
    EXPECT_EQ(2048, in.exposure.load());
    EXPECT_EQ(1, in.mirrorV.load());
    EXPECT_EQ(0, in.autoIris.load());
    EXPECT_EQ(0, in.colorR.load());
    EXPECT_DOUBLE_EQ(0.0138, in.exposureSeconds.load());
}

TEST_F(RegistrySettings, MissingFilterAndGrayKeysGiveTheirDefaults) {
    FilterValues f;
    f.bayerGainAuto = 1;
    f.grayGainAuto = 1;
    f.brightness = 50;
    EXPECT_EQ(0, registry.ReadFilter(0, f));
    EXPECT_EQ(0, registry.ReadGray(0, f));
    EXPECT_EQ(0, f.brightness.load());
    EXPECT_EQ(100, f.gamma.load());
    EXPECT_EQ(100, f.bayerGainRed.load());
    EXPECT_EQ(100, f.bayerGainGreen.load());
    EXPECT_EQ(100, f.bayerGainBlue.load());
    EXPECT_EQ(2, f.bayerMode.load());
    EXPECT_EQ(0, f.bayerGainAuto.load());
    EXPECT_EQ(0, f.grayGainAuto.load());
    EXPECT_EQ(128, f.grayGainR.load());
    EXPECT_EQ(128, f.grayGainB.load());
    EXPECT_EQ(0, f.grayOffsetG2.load());
}

TEST_F(RegistrySettings, GrayIsWrittenOnlyUnderAnExistingDeviceKey) {
    FilterValues f;
    f.grayMode = 1;
    f.grayGainR = 77;
    EXPECT_EQ(0, registry.WriteGray(2, f));
    EXPECT_FALSE(store.KeyExists(root + "\\Camera_02"));

    EXPECT_EQ(1, registry.WriteFilter(2, f)); // creates the device key
    EXPECT_EQ(1, registry.WriteGray(2, f));
    FilterValues back;
    EXPECT_EQ(1, registry.ReadGray(2, back));
    EXPECT_EQ(1, back.grayMode.load());
    EXPECT_EQ(77, back.grayGainR.load());
}

TEST_F(RegistrySettings, StreamFormatTableRoundTrips) {
    StreamFormatTable table;
    table.sizes.resize(3);
    table.sizes[1].EH = 320;
    table.sizes[2].EV = 256;
    table.selected = 2;
    table.format = {3, 1, 25, 0};
    EXPECT_EQ(1, registry.WriteStreamFormatTable(4, table));
    StreamFormatTable back;
    EXPECT_EQ(1, registry.ReadStreamFormatTable(4, back));
    ASSERT_EQ(3u, back.sizes.size());
    EXPECT_EQ(320, back.sizes[1].EH);
    EXPECT_EQ(256, back.sizes[2].EV);
    EXPECT_EQ(2, back.selected);
    EXPECT_EQ(3, back.format.colorMode);
    EXPECT_EQ(25, back.format.waitTime);
    std::vector<CaptureWindow> sizes;
    EXPECT_TRUE(registry.ReadSizeList(4, sizes));
    EXPECT_EQ(3u, sizes.size());
}

} // namespace
