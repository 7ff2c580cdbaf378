#include "settings/IniFile.h"

#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/resource.h>
#endif

#include <csignal>
#include <filesystem>

#include "platform/LineEnds.h"
#include "settings/SettingsKeys.h"
#include "tests/support/TempDir.h"

namespace quillon {
namespace {

using test::TempDir;

TEST(IniFile, LookupIgnoresCaseAndBlanksAndTakesFirstOccurrence) {
    TempDir dir;
    std::string path = dir.Write("q.ini",
                                 "[Serial Port]\r\n"
                                 "  Port Number =  7 \r\n"
                                 "port number=9\r\n"
                                 "[serial port]\r\n"
                                 "Baud Rate=1\r\n"
                                 "[  SOUNDS ]\r\n"
                                 "Failed Upload = \"/x/fail.wav\"\r\n");
    IniFile ini(path);
    EXPECT_EQ(ini.GetInt("SERIAL PORT", "port NUMBER", 1), 7);
    // The first section of that name holds no Baud Rate: the default, as the platform did not
    // look further either.
    EXPECT_EQ(ini.GetInt("Serial Port", "Baud Rate", 19200), 19200);
    EXPECT_EQ(ini.GetString("Sounds", "Failed Upload", ""), "/x/fail.wav");
    EXPECT_EQ(ini.GetString("Sounds", "Missing", "def"), "def");
    EXPECT_EQ(ini.GetString("Nope", "Failed Upload", "def"), "def");
}

TEST(IniFile, IntegersParseLikeThePlatform) {
    struct Case {
        const char* text;
        int32_t value;
    };
    const Case cases[] = {{"42", 42}, {"  -7", -7}, {"+5", 5},         {"12abc", 12},
                          {"abc", 0}, {"", 0},      {"0x10", 0},       {"\t3 4", 3},
                          {"-", 0},   {"007", 7},   {"4294967297", 1}, {"-2147483648", INT32_MIN}};
    for (const Case& c : cases) {
        EXPECT_EQ(IniFile::ParseInt(c.text), c.value) << '"' << c.text << '"';
    }
}

TEST(IniFile, StringReadsAreCutToTheirLimit) {
    TempDir dir;
    IniFile ini(dir.File("q.ini"));
    std::string longPath(300, 'a');
    ASSERT_TRUE(ini.WriteString("File Names", "Comm", longPath));
    EXPECT_EQ(ini.GetString("File Names", "Comm", "", 257).size(), 257u);
    EXPECT_EQ(ini.GetString("File Names", "Comm", "", 79).size(), 79u);
}

TEST(IniFile, WriteReplacesFirstOccurrenceAndKeepsEverythingElse) {
    TempDir dir;
    std::string path = dir.Write("q.ini", "; comment\n[A]\nx=1\n\n[B]\ny=2\n[a]\nx=3\n");
    IniFile ini(path);
    ASSERT_TRUE(ini.WriteInt("a", "X", 5));
    ASSERT_TRUE(ini.WriteString("A", "z", "new"));
    ASSERT_TRUE(ini.WriteString("C", "k", "v"));
    EXPECT_EQ(dir.Read("q.ini"), "; comment\n[A]\nX=5\nz=new\n\n[B]\ny=2\n[a]\nx=3\n[C]\nk=v\n");
}

// A file keeps its line ends, also through a reset; a new one gets the platform's.
TEST(IniFile, FilesKeepTheirLineEnds) {
    TempDir dir;
    IniFile crlf(dir.Write("crlf.ini", "[A]\r\nx=1\r\n"));
    ASSERT_TRUE(crlf.WriteInt("A", "y", 2));
    EXPECT_EQ(dir.ReadBytes("crlf.ini"), "[A]\r\nx=1\r\ny=2\r\n");
    IniFile lf(dir.Write("lf.ini", "[A]\nx=1\n"));
    ASSERT_TRUE(settings::FactoryReset(lf));
    EXPECT_EQ(dir.ReadBytes("lf.ini").find('\r'), std::string::npos);
    IniFile fresh(dir.File("new.ini"));
    ASSERT_TRUE(fresh.WriteInt("A", "x", 1));
    EXPECT_EQ(dir.ReadBytes("new.ini"),
              "[A]" + std::string(kNativeLineEnd) + "x=1" + std::string(kNativeLineEnd));
}

TEST(IniFile, GarbageAndBinaryFilesGiveDefaults) {
    TempDir dir;
    std::string garbage;
    for (int i = 0; i < 100000; ++i) {
        garbage += static_cast<char>((i * 7919) & 0xFF);
    }
    IniFile ini(dir.Write("q.ini", garbage));
    EXPECT_EQ(ini.GetInt("HBD Params", "Retransmit Data Packets", 1), 1);
    EXPECT_EQ(ini.GetString("Sounds", "Failed Upload", "d"), "d");

    IniFile folder(dir.Dir());  // a folder, not a file
    EXPECT_EQ(folder.GetInt("A", "b", 3), 3);
    EXPECT_FALSE(folder.WriteInt("A", "b", 4));
}

TEST(IniFile, OversizedFileIsNeitherReadNorOverwritten) {
    TempDir dir;
    std::string big = "[A]\nx=1\n" + std::string(IniFile::kMaxFileSize, '#');
    IniFile ini(dir.Write("q.ini", big));
    EXPECT_EQ(ini.GetInt("A", "x", 9), 9);
    EXPECT_FALSE(ini.WriteInt("A", "x", 2));
    EXPECT_EQ(dir.Read("q.ini").size(), big.size());
}

TEST(IniFile, FailedReplaceLeavesTheOldFileIntact) {
    TempDir dir;
    std::string path = dir.Write("q.ini", "[A]\nx=1\n");
    IniFile ini(path);
    EXPECT_FALSE(ini.WriteString("A", "bad=key", "v"));
    EXPECT_FALSE(ini.WriteString("A", "x", "two\nlines"));

#ifndef _WIN32  // the file size limit
    // A write that runs out of room (the file size limit stands in for a full disk, and holds
    // for root too) must leave the old file as it was and no temporary file behind.
    struct rlimit old {};
    getrlimit(RLIMIT_FSIZE, &old);
    struct rlimit small = old;
    small.rlim_cur = 64;
    signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    bool written = ini.WriteString("A", "x", std::string(200, 'v'));
    setrlimit(RLIMIT_FSIZE, &old);
    signal(SIGXFSZ, SIG_DFL);
    EXPECT_FALSE(written);
    EXPECT_EQ(dir.Read("q.ini"), "[A]\nx=1\n");
#endif
    size_t files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir.Dir())) {
        (void)entry;
        ++files;
    }
    EXPECT_EQ(files, 1u);
}

}  // namespace
}  // namespace quillon
