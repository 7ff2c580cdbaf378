#include "firmware/FirmwareFile.h"

#include <gtest/gtest.h>

#ifndef _WIN32
#include <dirent.h>
#include <sys/stat.h>
#endif

#include <filesystem>

#include <string>

#include "tests/core/firmware/FileTestHelpers.h"
#include "tests/support/TempDir.h"

namespace quillon {
namespace {

#ifndef _WIN32  // counts the entries of /proc/self/fd
int OpenDescriptorCount() {
    int count = 0;
    DIR* dir = ::opendir("/proc/self/fd");
    if (dir == nullptr) {
        ADD_FAILURE() << "/proc/self/fd cannot be listed";
        return -1;
    }
    while (::readdir(dir) != nullptr) {
        ++count;
    }
    ::closedir(dir);
    return count;
}

TEST(FirmwareFileTest, PathAndOpenFlag) {
    test::TempDir dir;
    FirmwareFile file;
    EXPECT_TRUE(file.SetPath(std::string(259, 'a')));
    EXPECT_FALSE(file.SetPath(std::string(260, 'a')));
    EXPECT_TRUE(file.Path().empty()) << "a refused path must not leave the old one behind";
    EXPECT_FALSE(file.SetPath(std::string("a\0b", 3)));
    EXPECT_FALSE(file.OpenInputFile()) << "empty path";
    ASSERT_TRUE(file.SetPath(dir.File("missing.bin")));
    EXPECT_FALSE(file.OpenInputFile());
    EXPECT_FALSE(file.IsOpen());

    ASSERT_TRUE(file.SetPath(dir.Write("a.bin", "abc")));
    EXPECT_TRUE(file.OpenInputFile());
    EXPECT_TRUE(file.IsOpen());
    file.Close();
    EXPECT_FALSE(file.IsOpen());
    EXPECT_EQ(file.Read(3), 0u) << "reads after Close give nothing";
    // A failed reopen clears the flag that the earlier success set.
    ASSERT_TRUE(file.OpenInputFile());
    ::unlink(dir.File("a.bin").c_str());
    EXPECT_FALSE(file.OpenInputFile());
    EXPECT_FALSE(file.IsOpen());
}

TEST(FirmwareFileTest, ReadSeekAndLength) {
    test::TempDir dir;
    std::string content;
    for (int i = 0; i < 5000; ++i) {
        content.push_back(static_cast<char>(i * 7));
    }
    FirmwareFile file;
    ASSERT_TRUE(file.SetPath(dir.Write("data.bin", content)));
    ASSERT_TRUE(file.OpenInputFile());
    EXPECT_EQ(file.Length(), 5000u);

    ASSERT_EQ(file.Read(1024), 1024u);
    EXPECT_EQ(std::string(file.blockBuffer.begin(), file.blockBuffer.begin() + 1024),
              content.substr(0, 1024));
    ASSERT_TRUE(file.Seek(4000));
    EXPECT_EQ(file.Read(1024), 1000u) << "short read only at the end";
    EXPECT_EQ(std::string(file.blockBuffer.begin(), file.blockBuffer.begin() + 1000),
              content.substr(4000));
    EXPECT_EQ(file.Read(1024), 0u);

    ASSERT_TRUE(file.Seek(0));
    EXPECT_EQ(file.Read(100000), FirmwareFile::kBufferSize) << "never past the block buffer";

    std::string big(4500, '\0');
    ASSERT_TRUE(file.Seek(0));
    EXPECT_EQ(file.ReadInto(reinterpret_cast<uint8_t*>(big.data()), big.size()), 4500u);
    EXPECT_EQ(big, content.substr(0, 4500));
}

TEST(FirmwareFileTest, LengthIsSixtyFourBit) {
    test::TempDir dir;
    constexpr uint64_t kFiveGb = 5ull * 1024 * 1024 * 1024;
    FirmwareFile file;
    ASSERT_TRUE(file.SetPath(test::MakeSizedFile(dir.File("big.bin"), kFiveGb)));
    ASSERT_TRUE(file.OpenInputFile());
    EXPECT_EQ(file.Length(), kFiveGb);
    ASSERT_TRUE(file.Seek(kFiveGb - 2));
    EXPECT_EQ(file.Read(10), 2u);
}

#ifndef _WIN32  // FIFOs and /dev devices
TEST(FirmwareFileTest, OnlyRegularFilesOpenAndNothingBlocks) {
    test::TempDir dir;
    ASSERT_EQ(::mkfifo(dir.File("fifo").c_str(), 0600), 0);
    ASSERT_TRUE(std::filesystem::create_directory(dir.File("folder.bin")));
    for (const std::string& path : {dir.File("fifo"), dir.File("folder.bin"),
                                    std::string("/dev/zero"), std::string("/dev/null")}) {
        SCOPED_TRACE(path);
        FirmwareFile file;
        ASSERT_TRUE(file.SetPath(path));
        EXPECT_FALSE(file.OpenInputFile());
        EXPECT_FALSE(file.IsOpen());
        EXPECT_FALSE(FirmwareFile::Probe(path));
    }
    uint64_t size = 0;
    EXPECT_TRUE(FirmwareFile::Probe(dir.Write("x", "12345"), &size));
    EXPECT_EQ(size, 5u);
}
#endif

TEST(FirmwareFileTest, DescriptorsDoNotOutliveTheObject) {
    test::TempDir dir;
    std::string path = dir.Write("a.bin", std::string(2048, 'x'));
    int before = OpenDescriptorCount();
    {
        FirmwareFile file;
        ASSERT_TRUE(file.SetPath(path));
        ASSERT_TRUE(file.OpenInputFile());
        ASSERT_TRUE(file.OpenInputFile()) << "reopening must not leak the first descriptor";
        EXPECT_EQ(OpenDescriptorCount(), before + 1);
    }
    EXPECT_EQ(OpenDescriptorCount(), before) << "the destructor closes an open file";
    for (int i = 0; i < 3; ++i) {
        FirmwareFile::Probe(path);
        FirmwareFile::Probe(dir.File("missing"));
    }
    EXPECT_EQ(OpenDescriptorCount(), before) << "probes leave nothing open";
}
#endif

}  // namespace
}  // namespace quillon
