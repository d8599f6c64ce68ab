// Still images through the DLL's exports, as an application saves them: a snapshot of the
// still scene in every colour mode, saved in every format, with the picture
// Vonkel_GetImage returns beside each as the reference. The files are read back after
// this program by check_still_files.py (Pillow, ImageMagick), from the manifest it
// writes. Run with LANG=ja_JP.UTF-8, so that names are converted to code page 932.
#include "VonkelSdk.h"
#include "win/DllSupport.h"
#include <gtest/gtest.h>
#include <windows.h>
#include <cstdio>
#include <string>
#include <vector>

namespace {

const char kDir[] = "still-files"; // in the working directory, where the checker looks

// A camera in the 8-bit mode, whatever an earlier program left in the registry.
class CSaveCamera : public CCamera {
public:
    CSaveCamera() { Vonkel_SetColorMode(*this, 8); }
};

int FilesIn(const std::string &dir) {
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((dir + "\\*").c_str(), &found);
    int count = 0;
    if (search == INVALID_HANDLE_VALUE)
        return 0;
    do
        count += (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ? 0 : 1;
    while (FindNextFileA(search, &found));
    FindClose(search);
    return count;
}

std::string Utf8(const std::wstring &text) {
    char out[1024];
    return WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, out, sizeof out, nullptr, nullptr) ? out : "";
}

void EmptyFolder(const std::string &dir) {
    CreateDirectoryA(dir.c_str(), nullptr);
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((dir + "\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return;
    do
        DeleteFileA((dir + "\\" + found.cFileName).c_str());
    while (FindNextFileA(search, &found));
    FindClose(search);
}

// Each test writes into a folder of its own, emptied first.
class StillFiles : public ::testing::Test {
protected:
    void SetUp() override {
        const std::string test = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        m_dir = test == "EveryFormatOfEveryColourModeAfterASnapshot" ? kDir : std::string(kDir) + "-" + test;
        EmptyFolder(m_dir);
        ASSERT_EQ(0, FilesIn(m_dir));
    }
    std::string Name(const std::string &leaf) const { return m_dir + "\\" + leaf; }
    std::wstring WideName(const std::wstring &leaf) const {
        return std::wstring(m_dir.begin(), m_dir.end()) + L"\\" + leaf;
    }
    std::string m_dir;
};

// Before the first frame both forms refuse: the buffer holds no picture yet. After
// Close the narrow form refuses, while the wide one saves the picture Close kept.
TEST_F(StillFiles, BeforeTheFirstFrameNothingIsSavedAfterCloseOnlyTheWideForm) {
    CSaveCamera cam;
    EXPECT_EQ(0, Vonkel_SaveImage(cam, Name("early.bmp").c_str(), 0));
    EXPECT_EQ(0, Vonkel_SaveImageW(cam, WideName(L"early.bmp").c_str(), 0));
    EXPECT_EQ((std::vector<int>{VONKEL_ERR_NO_CAMERA, VONKEL_ERR_NO_CAMERA}), cam.Drain());
    std::vector<unsigned char> picture(640 * 512);
    ASSERT_EQ(1, Vonkel_SnapShot(cam, picture.data(), static_cast<int>(picture.size()), 1));
    ASSERT_EQ(1, Vonkel_Close(cam));
    EXPECT_EQ(0, Vonkel_SaveImage(cam, Name("closed.bmp").c_str(), 0));
    EXPECT_EQ((std::vector<int>{VONKEL_ERR_NO_CAMERA}), cam.Drain());
    EXPECT_EQ(0, FilesIn(m_dir));
    EXPECT_EQ(1, Vonkel_SaveImageW(cam, WideName(L"closed.raw").c_str(), 1));
    EXPECT_TRUE(cam.Drain().empty());
    std::vector<unsigned char> saved(picture.size() + 1);
    std::FILE *in = std::fopen(Name("closed.raw").c_str(), "rb");
    ASSERT_NE(nullptr, in);
    saved.resize(std::fread(saved.data(), 1, saved.size(), in));
    std::fclose(in);
    EXPECT_TRUE(saved == picture) << "the picture of the snapshot";
}

TEST_F(StillFiles, EveryFormatOfEveryColourModeAfterASnapshot) {
    CSaveCamera cam;
    std::FILE *manifest = std::fopen(Name("manifest.txt").c_str(), "w");
    ASSERT_NE(nullptr, manifest);
    const char *extension[] = {"bmp", "raw", "q100.jpg", "q70.jpg", "q20.jpg", "png", "tif"};
    for (int bits : {8, 16, 24, 32, 48, 64}) {
        SCOPED_TRACE(bits);
        ASSERT_EQ(1, Vonkel_SetColorMode(cam, bits));
        std::vector<unsigned char> picture(static_cast<size_t>((640 * bits / 8 + 3) & ~3) * 512);
        ASSERT_EQ(1, Vonkel_SnapShot(cam, picture.data(), static_cast<int>(picture.size()), 1));
        ASSERT_EQ(1, Vonkel_GetImage(cam, picture.data(), static_cast<int>(picture.size()), 1));
        const std::string reference = "d" + std::to_string(bits) + ".ref";
        std::FILE *out = std::fopen(Name(reference).c_str(), "wb");
        ASSERT_NE(nullptr, out);
        ASSERT_EQ(picture.size(), std::fwrite(picture.data(), 1, picture.size(), out));
        std::fclose(out);
        for (int format = 0; format <= 6; ++format) {
            const std::string leaf = "d" + std::to_string(bits) + "." + extension[format];
            EXPECT_EQ(1, Vonkel_SaveImage(cam, Name(leaf).c_str(), format)) << leaf;
            std::fprintf(manifest, "%s/%s %d %d 640 512 12 %s/%s\n", kDir, leaf.c_str(), format, bits, kDir,
                         reference.c_str());
        }
    }
    // A Japanese name goes through code page 932 and lands under its own name.
    ASSERT_EQ(932u, GetACP()) << "run with LANG=ja_JP.UTF-8";
    const std::wstring japanese = L"\u9759\u6b62\u753b.png";
    EXPECT_EQ(1, Vonkel_SaveImageW(cam, WideName(japanese).c_str(), 5));
    std::fprintf(manifest, "%s/%s 5 64 640 512 12 %s/d64.ref\n", kDir, Utf8(japanese).c_str(), kDir);
    std::fclose(manifest);
    EXPECT_TRUE(cam.Drain().empty());
}

// Refused names and formats: 0, no file; a name that does not convert also records 1.
TEST_F(StillFiles, RefusedNamesAndFormatsMakeNoFile) {
    CSaveCamera cam;
    std::vector<unsigned char> picture(640 * 512);
    ASSERT_EQ(1, Vonkel_SnapShot(cam, picture.data(), static_cast<int>(picture.size()), 1));
    EXPECT_EQ(0, Vonkel_SaveImage(cam, Name("seven").c_str(), 7));
    EXPECT_EQ(0, Vonkel_SaveImage(cam, Name("minus").c_str(), -1));
    EXPECT_EQ(0, Vonkel_SaveImage(cam, Name("missing\\x.bmp").c_str(), 0));
    EXPECT_EQ(0, Vonkel_SaveImage(cam, nullptr, 0));
    EXPECT_TRUE(cam.Drain().empty()) << "the writers record nothing";
    struct Wide {
        const char *what;
        std::wstring name;
    } refused[] = {
        {"a Thai letter, outside code page 932", WideName(L"\u0e01.png")},
        {"a name of 1024 bytes", std::wstring(1024, L'a')},
    };
    for (const Wide &w : refused) {
        EXPECT_EQ(0, Vonkel_SaveImageW(cam, w.name.c_str(), 5)) << w.what;
        EXPECT_EQ((std::vector<int>{VONKEL_ERR_NO_CAMERA}), cam.Drain()) << w.what;
    }
    EXPECT_EQ(0, Vonkel_SaveImageW(cam, nullptr, 5));
    EXPECT_EQ((std::vector<int>{VONKEL_ERR_NO_CAMERA}), cam.Drain());
    EXPECT_EQ(0, FilesIn(m_dir));
}

} // namespace

// Settings the cameras leave behind would be the next program's settings in this prefix.
int main(int argc, char **argv) {
    ::testing::InitGoogleTest(&argc, argv);
    DeleteSdkKey();
    const int result = RUN_ALL_TESTS();
    DeleteSdkKey();
    return result;
}
