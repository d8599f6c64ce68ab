// The file object: truncate-or-create, whole-file loads, repeatable close.
#include "output/CDataFile.h"
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <string>

namespace {

class DataFile : public ::testing::Test {
protected:
    void SetUp() override {
        const auto *info = ::testing::UnitTest::GetInstance()->current_test_info();
        m_name = (std::filesystem::temp_directory_path() / (std::string("vonkel_datafile_") + info->name())).string();
        std::remove(m_name.c_str());
    }
    void TearDown() override { std::remove(m_name.c_str()); }

    void Put(const std::string &content) {
        std::ofstream out(m_name, std::ios::binary);
        out << content;
    }
    std::string Contents() const {
        std::ifstream in(m_name, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

    std::string m_name;
};

TEST_F(DataFile, WritingCreatesAMissingFile) {
    CDataFile file;
    ASSERT_NE(nullptr, file.OpenForWriting(m_name.c_str()));
    EXPECT_EQ(0u, file.Size());
    EXPECT_TRUE(file.Write("abc", 3));
    file.Close();
    EXPECT_EQ("abc", Contents());
}

TEST_F(DataFile, WritingTruncatesAnExistingFile) {
    Put("an older and longer content");
    CDataFile file;
    ASSERT_NE(nullptr, file.OpenForWriting(m_name.c_str()));
    EXPECT_EQ(0u, file.Size());
    EXPECT_TRUE(file.Write("new", 3));
    // Patching a field after the fact, as the AVI writer does with its counters.
    EXPECT_TRUE(file.Seek(1));
    EXPECT_TRUE(file.Write("E", 1));
    file.Close();
    EXPECT_EQ("nEw", Contents());
}

TEST_F(DataFile, AFileHeldForWritingIsNotShared) {
    CDataFile first, second;
    ASSERT_NE(nullptr, first.OpenForWriting(m_name.c_str()));
    EXPECT_EQ(nullptr, second.OpenForWriting(m_name.c_str()));
    first.Close();
    EXPECT_NE(nullptr, second.OpenForWriting(m_name.c_str()));
}

TEST_F(DataFile, LoadReadsTheWholeFile) {
    Put("0123456789abcdefghij");
    CDataFile file;
    const uint8_t *start = file.Load(m_name.c_str());
    ASSERT_NE(nullptr, start);
    EXPECT_EQ(start, file.DataStart());
    EXPECT_EQ(start, file.Position());
    EXPECT_EQ(20, file.DataEnd() - file.DataStart());
    EXPECT_EQ(20u, file.Size());
    EXPECT_EQ("0123456789abcdefghij", std::string(reinterpret_cast<const char *>(start), 20));
    EXPECT_EQ(0, *file.DataEnd()) << "a zero byte follows the content";
    EXPECT_EQ(nullptr, file.Handle()) << "the file is closed once read";
    file.SetPosition(start + 25);
    EXPECT_EQ(file.DataEnd(), file.Position());
}

TEST_F(DataFile, AnEmptyFileStillHasAStart) {
    Put("");
    CDataFile file;
    const uint8_t *start = file.Load(m_name.c_str());
    ASSERT_NE(nullptr, start);
    EXPECT_EQ(start, file.DataEnd());
    EXPECT_EQ(0u, file.Size());
}

TEST_F(DataFile, AMissingFileLoadsNothing) {
    CDataFile file;
    EXPECT_EQ(nullptr, file.Load(m_name.c_str()));
    EXPECT_EQ(nullptr, file.DataStart());
    EXPECT_EQ(nullptr, file.Load(nullptr));
    EXPECT_EQ(nullptr, file.OpenForWriting(""));
    EXPECT_EQ(nullptr, file.OpenForWriting((m_name + "/below/a/file").c_str()));
}

TEST_F(DataFile, CloseIsRepeatableAndScopeEndCloses) {
    Put("xyz");
    {
        CDataFile file;
        ASSERT_NE(nullptr, file.Load(m_name.c_str()));
        file.Close();
        file.Close();
        EXPECT_EQ(nullptr, file.DataStart());
        EXPECT_EQ(nullptr, file.DataEnd());
        EXPECT_EQ(nullptr, file.Position());
        ASSERT_NE(nullptr, file.OpenForWriting(m_name.c_str()));
        // Loading closes the file opened for writing first.
        EXPECT_NE(nullptr, file.Load(m_name.c_str()));
        ASSERT_NE(nullptr, file.OpenForWriting(m_name.c_str()));
    } // leaving the scope lets go of the file
    CDataFile again;
    EXPECT_NE(nullptr, again.OpenForWriting(m_name.c_str()));
    EXPECT_FALSE(CDataFile().Write("a", 1)) << "no file, no write";
}

} // namespace
