#include "records/LogFolderScan.h"

#include <gtest/gtest.h>
#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#endif

#include <ctime>
#include <filesystem>
#include <map>
#include <string>
#include <tuple>

#include "tests/core/firmware/FileTestHelpers.h"
#include "tests/support/TempDir.h"

namespace quillon {
namespace {

TEST(LogFolderScanTest, LogFilesAreListedWithTheirKindAndSizeInWholeKilobytes) {
    test::TempDir dir;
    const std::string logs = dir.File("Logs");
    ASSERT_TRUE(std::filesystem::create_directory(logs));
    // Not logs: the prefix in another case, another extension, none, other names.
    for (const char* name :
         {"quillon_logmsg_1.txt", "QUILLON_LOGMSG_2.txt", "Quillon_LogMsg_2.log",
          "Quillon_LogMsg_4.txt.bak", "Quillon_LogMsg_6", "Other.txt", "Quillon_Lo.txt"}) {
        dir.Write("Logs/" + std::string(name), "x");
    }
    const std::tuple<const char*, uint64_t, bool, uint32_t> listed[] = {
        // bytes, serial, KB
        {"Quillon_LogSerial_143005_07152024.txt", 1, true, 1},
        {"Quillon_LogMsg_0.txt", 0, false, 0},
        {"Quillon_LogMsg_1023.TXT", 1023, false, 1},
        {"Quillon_LogMsg_1024.txt", 1024, false, 1},
        {"Quillon_LogMsg_1025.txtold", 1025, false, 2},
        {"Quillon_Log.txt", 5ull << 30, false, 5u << 20}};
    using Rows = std::map<std::string, std::pair<bool, uint32_t>>;
    Rows expected;
    for (const auto& [file, bytes, serial, kb] : listed) {
        test::MakeSizedFile(logs + "/" + file, bytes);
        expected[std::filesystem::path(file).stem().string()] = {serial, kb};
    }
    ASSERT_TRUE(std::filesystem::create_directory((logs + "/Quillon_LogFolder.txt")));
#ifndef _WIN32  // FIFOs
    ASSERT_EQ(::mkfifo((logs + "/Quillon_LogFifo.txt").c_str(), 0600), 0);
#endif
    for (const std::string& folder : {logs, logs + "/"}) {
        const std::vector<LogFileRow> rows = ScanLogFiles(folder);
        Rows scanned;
        for (const LogFileRow& row : rows) {
            scanned[row.name] = {row.serial, row.sizeKb};
        }
        EXPECT_EQ(rows.size(), expected.size());
        EXPECT_EQ(scanned, expected);
    }
}

TEST(LogFolderScanTest, SerialFlagComesFromTheWholePath) {
    test::TempDir dir;
    const std::string logs = dir.File("Quillon_LogSerial_archive");
    ASSERT_TRUE(std::filesystem::create_directory(logs));
    dir.Write("Quillon_LogSerial_archive/Quillon_LogMsg_1.txt", "x");
    auto rows = ScanLogFiles(logs);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_TRUE(rows[0].serial);
}

#ifndef _WIN32  // setting a file time
TEST(LogFolderScanTest, ChangeTimeIsLocalTime) {
    test::TempDir dir;
    const std::string logs = dir.File("Logs");
    ASSERT_TRUE(std::filesystem::create_directory(logs));
    const std::string path = dir.Write("Logs/Quillon_LogMsg_1.txt", "abc");
    std::tm local{};
    local.tm_year = 2024 - 1900;
    local.tm_mon = 2;  // March
    local.tm_mday = 5;
    local.tm_hour = 9;
    local.tm_min = 7;
    local.tm_sec = 3;
    local.tm_isdst = -1;
    const timespec times[2] = {{std::mktime(&local), 0}, {std::mktime(&local), 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
    auto rows = ScanLogFiles(logs);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(FormatLogDate(rows[0]), "Mar 5, 2024");
    EXPECT_EQ(FormatLogTime(rows[0]), "09:07:03");
    EXPECT_EQ(FormatLogSize(rows[0]), "1 KB");
}
#endif

TEST(LogFolderScanTest, MissingFolderListsNothing) {
    test::TempDir dir;
    EXPECT_TRUE(ScanLogFiles(dir.File("Logs")).empty());
    EXPECT_TRUE(ScanLogFiles(dir.Write("Logs", "a file, not a folder")).empty());
}

TEST(LogFolderScanTest, ColumnTextsOfARowWithoutATime) {
    for (int month : {-1, 0, 13}) {
        EXPECT_STREQ(MonthName(month), "???") << month;
    }
    EXPECT_STREQ(MonthName(1), "Jan");
    EXPECT_STREQ(MonthName(12), "Dec");
    LogFileRow row;
    EXPECT_EQ(FormatLogDate(row), "??? 0, 0");
    EXPECT_EQ(FormatLogTime(row), "00:00:00");
    EXPECT_EQ(FormatLogSize(row), "0 KB");
}

TEST(LogFolderScanTest, DeleteStaysInsideTheFolder) {
    test::TempDir dir;
    const std::string logs = dir.File("Logs");
    ASSERT_TRUE(std::filesystem::create_directory(logs));
    ASSERT_TRUE(std::filesystem::create_directory((logs + "/a")));
    dir.Write("x.txt", "outside");
    dir.Write("Logs/a/b.txt", "below");
    dir.Write("Logs/..txt", "dots");
    const std::string nul("Quillon_LogMsg_1\0x", 18), tooLong(256, 'n');
    for (const std::string& name :
         {std::string("../x"), std::string("a/b"), std::string(), std::string("."),
          std::string(".."), std::string("/etc/passwd"), nul, tooLong}) {
        SCOPED_TRACE(name);
        EXPECT_FALSE(IsPlainLogName(name));
        EXPECT_EQ(LogFilePath(logs, name), "");
        EXPECT_FALSE(DeleteLogFile(logs, name));
    }
    EXPECT_TRUE(std::filesystem::exists(dir.File("x.txt")));
    EXPECT_TRUE(std::filesystem::exists(dir.File("Logs/a/b.txt")));
    EXPECT_TRUE(std::filesystem::exists(dir.File("Logs/..txt")));

    dir.Write("Logs/Quillon_LogMsg_1.txt", "bye");
    EXPECT_EQ(LogFilePath(logs, "Quillon_LogMsg_1"), logs + "/Quillon_LogMsg_1.txt");
    EXPECT_EQ(LogFilePath(logs + "/", "Quillon_LogMsg_1"), logs + "/Quillon_LogMsg_1.txt");
    EXPECT_TRUE(DeleteLogFile(logs, "Quillon_LogMsg_1"));
    EXPECT_FALSE(std::filesystem::exists(dir.File("Logs/Quillon_LogMsg_1.txt")));
    EXPECT_FALSE(DeleteLogFile(logs, "Quillon_LogMsg_1")) << "already gone";
    EXPECT_FALSE(DeleteLogFile(logs, "a")) << "no a.txt; the folder a stays";
    EXPECT_TRUE(std::filesystem::is_directory(logs + "/a"));
}

}  // namespace
}  // namespace quillon
