// Mask files and configuration files.
#include "ProcessingFixture.h"
#include <cstdio>
#include <fstream>
#include <iterator>

namespace {

std::string Temp(const char *name) { return ::testing::TempDir() + name; }

std::vector<uint8_t> ReadAll(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>((std::istreambuf_iterator<char>(in)), {});
}

void WriteAll(const std::string &path, const std::vector<uint8_t> &bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char *>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

uint32_t U32(const std::vector<uint8_t> &b, size_t at) {
    uint32_t v;
    std::memcpy(&v, b.data() + at, 4);
    return v;
}

TEST_F(Processing, FreshInstanceSavesTheInitialPlanesAndLoadsThemBack) {
    const std::string path = Temp("vonkel_fresh.msk");
    ASSERT_EQ(1, camera.SaveMaskFile(path.c_str()));
    auto file = ReadAll(path);
    ASSERT_EQ(1966120u, file.size());
    EXPECT_EQ(0, std::memcmp(file.data(), "PELKOR MASK1000", 16));
    EXPECT_EQ(640u, U32(file, 16));
    EXPECT_EQ(512u, U32(file, 20));
    EXPECT_EQ(327680u, U32(file, 24));
    EXPECT_EQ(655360u, U32(file, 36));
    EXPECT_EQ(0, file[40]);
    EXPECT_EQ(255, file[327720]);
    EXPECT_EQ(0, file[655400 + 1000]);
    EXPECT_EQ(4095u, file[1310760] | file[1310761] << 8u);
    EXPECT_EQ(4095u, file[1966118] | file[1966119] << 8u);

    Put(*camera.Buffer(kHot8), 10, 10, 1);
    ASSERT_EQ(1, camera.LoadMaskFile(path.c_str()));
    EXPECT_EQ(0, At(*camera.Buffer(kHot8), 10, 10)) << "the maps are derived again";
    std::remove(path.c_str());
}

TEST_F(Processing, ForeignShortAndLongMaskFilesChangeNothing) {
    const std::string good = Temp("vonkel_good.msk"), bad = Temp("vonkel_bad.msk");
    Put(*camera.Buffer(kDark8), 5, 5, 9);
    ASSERT_EQ(1, camera.SaveMaskFile(good.c_str()));
    auto file = ReadAll(good);
    Put(*camera.Buffer(kDark8), 5, 5, 77);

    auto refused = [&](std::vector<uint8_t> bytes, const char *what) {
        WriteAll(bad, bytes);
        EXPECT_EQ(0, camera.LoadMaskFile(bad.c_str())) << what;
        EXPECT_EQ((std::vector<int>{VONKEL_ERR_MASK_FILE}), Drain()) << what;
        EXPECT_EQ(77, At(*camera.Buffer(kDark8), 5, 5)) << what;
    };
    auto height511 = file;
    height511[20] = 0xFF;
    height511[21] = 0x01;
    refused(height511, "height 511");
    auto noZero = file;
    noZero[15] = 'X';
    refused(noZero, "magic without its zero byte");
    refused(std::vector<uint8_t>(file.begin(), file.end() - 1), "one byte short");
    auto longer = file;
    longer.push_back(0);
    refused(longer, "one byte long");
    EXPECT_EQ(0, camera.LoadMaskFile(Temp("vonkel_missing.msk").c_str()));
    EXPECT_EQ((std::vector<int>{VONKEL_ERR_MASK_FILE}), Drain());
    ASSERT_EQ(1, camera.LoadMaskFile(good.c_str()));
    EXPECT_EQ(9, At(*camera.Buffer(kDark8), 5, 5));
    std::remove(good.c_str());
    std::remove(bad.c_str());
}

TEST_F(Processing, UpdateMaskDataTakesTheFrameAsReference) {
    Prepare(8);
    Fill([](int r, int c) { return r == 100 && c == 100 ? 200 : r == 100 && c == 101 ? 192 : r == 0 ? 255 : 10; });
    ASSERT_EQ(1, camera.UpdateMaskData(0));
    EXPECT_EQ(200, At(*camera.Buffer(kDark8), 100, 100));
    EXPECT_EQ(1, At(*camera.Buffer(kHot8), 100, 100));
    EXPECT_EQ(0, At(*camera.Buffer(kHot8), 100, 101));
    EXPECT_EQ(0, At(*camera.Buffer(kHot8), 0, 50)) << "border rows are never flagged";
    EXPECT_EQ(0, camera.UpdateMaskData(2));
    EXPECT_EQ((std::vector<int>{VONKEL_ERR_CONVERSION}), Drain());

    Prepare(16);
    Fill([](int r, int c) { return r == 300 && c == 300 ? 1023 : r == 300 && c == 301 ? 1024 : 3000; });
    ASSERT_EQ(1, camera.UpdateMaskData(1));
    EXPECT_EQ(1, At(*camera.Buffer(kDead16), 300, 300));
    EXPECT_EQ(0, At(*camera.Buffer(kDead16), 300, 301));
}

TEST_F(Processing, UpdateMaskDataOnASmallerFrameChangesNoReference) {
    ASSERT_EQ(1, camera.SetSubSample(1));
    Prepare(8);
    ASSERT_EQ(320, Raw().Width());
    Fill([](int, int) { return 99; });
    EXPECT_EQ(1, camera.UpdateMaskData(2));
    EXPECT_EQ(1, camera.UpdateMaskData(0));
    EXPECT_EQ(0, At(*camera.Buffer(kDark8), 10, 10));
}

TEST_F(Processing, ConfigurationFilesReplaceTheList) {
    const std::string a = Temp("vonkel_a.cfg"), b = Temp("vonkel_b.cfg"), empty = Temp("vonkel_empty.cfg");
    auto records = [](std::vector<int32_t> values, size_t extra) {
        std::vector<uint8_t> bytes(values.size() * 4 + extra, 0xEE);
        std::memcpy(bytes.data(), values.data(), values.size() * 4);
        return bytes;
    };
    WriteAll(a, records({3, 4, 10, 20}, 0));
    WriteAll(b, records({7, 8, 9, 10}, 4));
    WriteAll(empty, {});
    ASSERT_EQ(1, camera.LoadConfigFile(a.c_str()));
    auto list = camera.DefectList();
    ASSERT_EQ(2u, list.size());
    EXPECT_EQ(3, list[0].x);
    EXPECT_EQ(4, list[0].y);
    EXPECT_EQ(20, list[1].y);
    ASSERT_EQ(1, camera.LoadConfigFile(b.c_str()));
    ASSERT_EQ(2u, camera.DefectList().size()) << "20 bytes: the last 4 are ignored";
    EXPECT_EQ(9, camera.DefectList()[1].x);
    EXPECT_EQ(0, camera.LoadConfigFile(Temp("vonkel_none.cfg").c_str()));
    EXPECT_EQ(2u, camera.DefectList().size()) << "a missing file keeps the list";
    EXPECT_TRUE(Drain().empty()) << "and records nothing";
    ASSERT_EQ(1, camera.LoadConfigFile(empty.c_str()));
    EXPECT_TRUE(camera.DefectList().empty());
    for (auto &p : {a, b, empty})
        std::remove(p.c_str());
}

TEST_F(Processing, EnormousConfigurationFileIsRefused) {
    const std::string path = Temp("vonkel_huge.cfg");
    {
        std::ofstream out(path, std::ios::binary);
        out.seekp(static_cast<std::streamoff>(10 * 1024 * 1024 + 8));
        out.put(0);
    }
    EXPECT_EQ(0, camera.LoadConfigFile(nullptr));
    EXPECT_EQ(0, camera.LoadConfigFile(path.c_str()));
    std::remove(path.c_str());
}

} // namespace
