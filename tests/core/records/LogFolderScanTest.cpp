#include "records/LogFolderScan.h"

#include <gtest/gtest.h>
#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#endif

#include <algorithm>
#include <ctime>
#include <filesystem>
#include <map>
#include <string>

#include "tests/core/firmware/FileTestHelpers.h"
#include "tests/support/TempDir.h"

namespace quillon {
namespace {

std::map<std::string, LogFileRow> ByName(const std::vector<LogFileRow>& rows) {
    std::map<std::string, LogFileRow> byName;
    for (const LogFileRow& row : rows) {
        EXPECT_TRUE(byName.emplace(row.name, row).second) << "listed twice: " << row.name;
    }
    return byName;
}

TEST(LogFolderScanTest, OnlyLogFilesAreListed) {
    test::TempDir dir;
    const std::string logs = dir.File("Logs");
    ASSERT_TRUE(std::filesystem::create_directory(logs));
    for (const char* name :
         {"Quillon_LogMsg_143005_07152024.txt", "Quillon_LogSerial_143005_07152024.txt",
          "Quillon_LogMsg_3.TXT", "Quillon_Log.txt", "Quillon_LogMsg_5.txtold",
          "quillon_logmsg_1.txt", "QUILLON_LOGMSG_2.txt", "Quillon_LogMsg_2.log",
          "Quillon_LogMsg_4.txt.bak", "Quillon_LogMsg_6", "Other.txt", "Quillon_Lo.txt"}) {
        dir.Write(std::string("Logs/") + name, "x");
    }
    ASSERT_TRUE(std::filesystem::create_directory((logs + "/Quillon_LogFolder.txt")));
#ifndef _WIN32  // FIFOs
    ASSERT_EQ(::mkfifo((logs + "/Quillon_LogFifo.txt").c_str(), 0600), 0);
#endif

    for (const std::string& folder : {logs, logs + "/"}) {
        auto rows = ByName(ScanLogFiles(folder));
        std::vector<std::string> names;
        for (const auto& [name, row] : rows) {
            names.push_back(name);
        }
        EXPECT_EQ(names, (std::vector<std::string>{"Quillon_Log", "Quillon_LogMsg_143005_07152024",
                                                   "Quillon_LogMsg_3", "Quillon_LogMsg_5",
                                                   "Quillon_LogSerial_143005_07152024"}));
        EXPECT_TRUE(rows["Quillon_LogSerial_143005_07152024"].serial);
        EXPECT_FALSE(rows["Quillon_LogMsg_143005_07152024"].serial);
        EXPECT_FALSE(rows["Quillon_Log"].serial);
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

TEST(LogFolderScanTest, RowsFollowTheFolderOrder) {
    test::TempDir dir;
    const std::string logs = dir.File("Logs");
    ASSERT_TRUE(std::filesystem::create_directory(logs));
    for (int i = 0; i < 20; ++i) {
        dir.Write("Logs/Quillon_LogMsg_" + std::to_string(i) + ".txt", "x");
    }
    std::vector<std::string> listed;
    for (const auto& entry : std::filesystem::directory_iterator(logs)) {
        listed.push_back(entry.path().stem().string());
    }
    std::vector<std::string> scanned;
    for (const LogFileRow& row : ScanLogFiles(logs)) {
        scanned.push_back(row.name);
    }
    EXPECT_EQ(scanned, listed);
}

TEST(LogFolderScanTest, SizesRoundUpToKilobytes) {
    struct Case {
        uint64_t bytes;
        uint32_t kb;
    } cases[] = {{0, 0}, {1, 1}, {1023, 1}, {1024, 1}, {1025, 2}, {5ull << 30, 5u << 20}};
    test::TempDir dir;
    const std::string logs = dir.File("Logs");
    ASSERT_TRUE(std::filesystem::create_directory(logs));
    for (const Case& c : cases) {
        test::MakeSizedFile(logs + "/Quillon_LogMsg_" + std::to_string(c.bytes) + ".txt", c.bytes);
    }
    auto rows = ByName(ScanLogFiles(logs));
    ASSERT_EQ(rows.size(), std::size(cases));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.bytes);
        EXPECT_EQ(rows["Quillon_LogMsg_" + std::to_string(c.bytes)].sizeKb, c.kb);
    }
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

TEST(LogFolderScanTest, ColumnTexts) {
    const char* months[] = {"???", "Jan", "Feb", "Mar", "Apr", "May", "Jun",
                            "Jul", "Aug", "Sep", "Oct", "Nov", "Dec", "???"};
    for (int m = 0; m <= 13; ++m) {
        EXPECT_STREQ(MonthName(m), months[m]) << m;
    }
    EXPECT_STREQ(MonthName(-1), "???");
    LogFileRow row;
    EXPECT_EQ(FormatLogDate(row), "??? 0, 0");
    EXPECT_EQ(FormatLogTime(row), "00:00:00");
    EXPECT_EQ(FormatLogSize(row), "0 KB");
    row.year = 2024;
    row.month = 12;
    row.day = 31;
    row.hour = 23;
    row.minute = 5;
    row.second = 9;
    row.sizeKb = 12345;
    EXPECT_EQ(FormatLogDate(row), "Dec 31, 2024");
    EXPECT_EQ(FormatLogTime(row), "23:05:09");
    EXPECT_EQ(FormatLogSize(row), "12345 KB");
}

TEST(LogFolderScanTest, DeleteStaysInsideTheFolder) {
    test::TempDir dir;
    const std::string logs = dir.File("Logs");
    ASSERT_TRUE(std::filesystem::create_directory(logs));
    ASSERT_TRUE(std::filesystem::create_directory((logs + "/a")));
    dir.Write("x.txt", "outside");
    dir.Write("Logs/a/b.txt", "below");
    dir.Write("Logs/..txt", "dots");
    const std::string refused[] = {"../x",
                                   "a/b",
                                   "",
                                   ".",
                                   "..",
                                   "/etc/passwd",
                                   std::string("Quillon_LogMsg_1\0x", 18),
                                   std::string(256, 'n')};
    for (const std::string& name : refused) {
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
