// Still image files: every format of every depth read back by decoders that are not
// ours, refusals that touch no file, and failures of the disk or the codecs that come
// back as 0 instead of ending the process.
#include "output/StillImage.h"
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <string>
#include <vector>
#ifndef _WIN32
#include <sys/resource.h>
#endif

namespace fs = std::filesystem;

namespace {

// Smooth ramps, a different one per sample, so that JPEG has something fair to keep;
// 16-bit samples stay below 2^significantBits, fourth samples 0 as the camera leaves them.
void Fill(CImageBuffer &image, int significantBits, bool noise = false) {
    const int bytes = image.BytesPerPixel();
    const bool wide = image.BitsPerPixel() == 16 || image.BitsPerPixel() >= 48;
    const int samples = wide ? bytes / 2 : bytes;
    const uint32_t top = wide ? (1u << significantBits) - 1 : 255;
    uint32_t seed = 12345;
    for (int32_t y = 0; y < image.Height(); ++y) {
        uint8_t *row = image.Row(y);
        for (int32_t x = 0; x < image.Width(); ++x) {
            for (int s = 0; s < samples; ++s) {
                seed = seed * 1103515245u + 12345u;
                uint32_t v = noise ? seed >> 8 : (x * (5 + 3 * s) + y * (9 - 2 * s)) * top / 400 + s * top / 8;
                v = (samples == 4 && s == 3) ? 0 : v % (top + 1);
                if (wide)
                    std::memcpy(row + (x * samples + s) * 2, &v, 2); // little-endian host
                else
                    row[x * samples + s] = static_cast<uint8_t>(v);
            }
        }
    }
}

std::string Contents(const fs::path &path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

class StillFiles : public ::testing::Test {
protected:
    void SetUp() override {
        const auto *info = ::testing::UnitTest::GetInstance()->current_test_info();
        m_dir = fs::temp_directory_path() / (std::string("vonkel_still_") + info->name());
        fs::remove_all(m_dir);
        fs::create_directories(m_dir);
    }
    void TearDown() override {
        if (!HasFailure())
            fs::remove_all(m_dir);
    }
    fs::path m_dir;
};

constexpr int kDepths[] = {8, 16, 24, 32, 48, 64};
constexpr int kFormats[] = {0, 1, 2, 3, 4, 5, 6};

// Odd widths give every depth row padding, which no file format but raw may carry.
// The file is written once fresh and once over a longer file, which must end up equal.
TEST_F(StillFiles, EveryFormatOfEveryDepthReadsBackAsThePicture) {
    std::ofstream manifest(m_dir / "manifest.txt");
    for (int bits : kDepths) {
        for (int significant : {12, 10}) {
            if (significant == 10 && bits != 16 && bits < 48)
                continue;
            CImageBuffer picture;
            ASSERT_EQ(1, picture.Create(13, 7, bits));
            Fill(picture, significant);
            const std::string stem = "d" + std::to_string(bits) + "_" + std::to_string(significant);
            const fs::path reference = m_dir / (stem + ".ref");
            std::ofstream(reference, std::ios::binary)
                .write(reinterpret_cast<const char *>(picture.Pixels()), picture.ImageBytes());
            for (int format : kFormats) {
                const fs::path fresh = m_dir / (stem + "_f" + std::to_string(format));
                const fs::path reused = m_dir / (stem + "_f" + std::to_string(format) + "_reused");
                std::ofstream(reused, std::ios::binary) << std::string(100000, 'x');
                ASSERT_EQ(1, still::Save(fresh.string().c_str(), picture, format, significant)) << fresh;
                ASSERT_EQ(1, still::Save(reused.string().c_str(), picture, format, significant)) << reused;
                EXPECT_EQ(Contents(fresh), Contents(reused)) << "not truncated: " << reused;
                manifest << fresh.string() << ' ' << format << ' ' << bits << ' ' << picture.Width() << ' '
                         << picture.Height() << ' ' << significant << ' ' << reference.string() << '\n';
            }
        }
    }
    manifest.close();
#ifdef VONKEL_STILL_CHECKER
    const std::string command = std::string(VONKEL_STILL_CHECKER) + " " + (m_dir / "manifest.txt").string();
    EXPECT_EQ(0, std::system(command.c_str())) << command;
#endif
    // Under Wine the files are only made here; the decoders read the DLL's files instead.
}

TEST_F(StillFiles, RefusalsTouchNoFile) {
    CImageBuffer picture, empty;
    ASSERT_EQ(1, picture.Create(8, 4, 24));
    const fs::path existing = m_dir / "existing";
    std::ofstream(existing) << "kept";
    const std::string kept = existing.string();
    const std::string fresh = (m_dir / "fresh").string();
    const std::string inMissingFolder = (m_dir / "missing" / "x").string();
    struct Case {
        const char *what;
        const char *name;
        const CImageBuffer *source;
        int format;
        int significant;
    } cases[] = {
        {"format 7", fresh.c_str(), &picture, 7, 12},
        {"format -1", fresh.c_str(), &picture, -1, 12},
        {"format 7 on an existing file", kept.c_str(), &picture, 7, 12},
        {"11 significant bits", kept.c_str(), &picture, 6, 11},
        {"an empty picture", kept.c_str(), &empty, 1, 12},
        {"no name", nullptr, &picture, 0, 12},
        {"an empty name", "", &picture, 0, 12},
    };
    for (const Case &c : cases)
        EXPECT_EQ(0, still::Save(c.name, *c.source, c.format, c.significant)) << c.what;
    for (int format : kFormats)
        EXPECT_EQ(0, still::Save(inMissingFolder.c_str(), picture, format, 12)) << "missing folder, format " << format;
    EXPECT_FALSE(fs::exists(fresh));
    EXPECT_FALSE(fs::exists(m_dir / "missing"));
    EXPECT_EQ("kept", Contents(existing));
}

// libjpeg refuses sides above 65500, libpng widths above a million: both report through
// their error handlers, which must come back here.
TEST_F(StillFiles, CodecErrorsComeBackAsZero) {
    CImageBuffer tooWideForJpeg, tooWideForPng;
    ASSERT_EQ(1, tooWideForJpeg.Create(70000, 1, 8));
    ASSERT_EQ(1, tooWideForPng.Create(1000001, 1, 8));
    EXPECT_EQ(0, still::Save((m_dir / "wide.jpg").string().c_str(), tooWideForJpeg, still::kJpeg100, 12));
    EXPECT_EQ(0, still::Save((m_dir / "wide.png").string().c_str(), tooWideForPng, still::kPng, 12));
}

#ifndef _WIN32
// A file size limit stands in for a full disk: every writer sees its writes fail part of
// the way, returns 0 and leaves the partial file; only libpng has a message to print.
TEST_F(StillFiles, AFullDiskGivesZeroAndLeavesThePartialFile) {
    CImageBuffer picture;
    ASSERT_EQ(1, picture.Create(96, 96, 24));
    Fill(picture, 12, true); // noise: even JPEG files outgrow the limit
    constexpr rlim_t kLimit = 4096;
    struct rlimit saved;
    ASSERT_EQ(0, getrlimit(RLIMIT_FSIZE, &saved));
    void (*savedSignal)(int) = std::signal(SIGXFSZ, SIG_IGN);
    for (int format : {0, 1, 2, 5, 6}) {
        const fs::path name = m_dir / ("full" + std::to_string(format));
        struct rlimit limited = saved;
        limited.rlim_cur = kLimit;
        ::testing::internal::CaptureStderr();
        ASSERT_EQ(0, setrlimit(RLIMIT_FSIZE, &limited));
        const int result = still::Save(name.string().c_str(), picture, format, 12);
        setrlimit(RLIMIT_FSIZE, &saved);
        const std::string printed = ::testing::internal::GetCapturedStderr();
        EXPECT_EQ(0, result) << "format " << format;
        ASSERT_TRUE(fs::exists(name)) << "format " << format;
        EXPECT_LE(fs::file_size(name), kLimit) << "format " << format;
        EXPECT_EQ(format == still::kPng ? "libpng error: Write Error\n" : "", printed) << "format " << format;
    }
    std::signal(SIGXFSZ, savedSignal);
}
#endif

} // namespace
