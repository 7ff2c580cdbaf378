#include "upload/MessageLog.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "records/LogFileHeader.h"
#include "records/LogFolderScan.h"
#include "tests/support/Environment.h"
#include "tests/support/FakeClock.h"
#include "tests/support/RecordingSink.h"
#include "tests/support/TempDir.h"

namespace quillon {
namespace {

namespace ev = test::ev;

const std::string kRule = std::string(78, '-') + "\n";
constexpr const char* kLogName = "Logs/Quillon_LogMsg_143005_07152024.txt";

class MessageLogTest : public ::testing::Test {
  protected:
    // Weekday names in English whatever the machine's language.
    static void SetUpTestSuite() { test::SetEnvironment("LC_ALL", "C"); }

    std::string LogText() const { return dir.Read(kLogName); }

    test::TempDir dir;
    test::FakeClock clock;  // Monday 15 July 2024, 14:30:05
    test::RecordingSink sink;
    MessageLog log{sink, clock, dir.Dir()};
};

// A second run in the same second gets a file of its own (whether or not the program folder ends
// in a slash), and both are listed as status logs.
TEST_F(MessageLogTest, OpenNamesTheFileFromTheClockAndWritesTheHeader) {
    ASSERT_TRUE(log.OpenMessageLog());
    EXPECT_TRUE(log.IsOpen());
    const std::string path = dir.Dir() + kLogName;
    EXPECT_EQ(log.FilePath(), path);
    log.Close();
    EXPECT_FALSE(log.IsOpen());
    const std::string first =
        "=-=-=-=-=  Log File Quillon7 version 0.5\n"
        "=-=-=-=-=  Created Monday 14:30:05  7/15/2024\n" +
        kRule + "\n14:30:05 Prep 1: Success; Open log file (" + path + ")\n\n";
    EXPECT_EQ(LogText(), first);
    ASSERT_EQ(sink.All().size(), 2u);
    EXPECT_EQ(sink.All()[0].code, ev::kLogLine);
    EXPECT_EQ(sink.All()[0].number, 3);
    EXPECT_EQ(sink.All()[0].text, "Prep 1: Success; Open log file (" + path + ")\n\n");
    // The path as data, so no one has to take it out of the line.
    EXPECT_EQ(sink.All()[1].code, ev::kLogOpened);
    EXPECT_EQ(sink.All()[1].text, path);

    MessageLog again(sink, clock, dir.Dir().substr(0, dir.Dir().size() - 1));
    ASSERT_TRUE(again.OpenMessageLog());
    again.Close();
    EXPECT_EQ(LogText(), first);
    EXPECT_EQ(again.FilePath(), dir.Dir() + "Logs/Quillon_LogMsg_143005_07152024_2.txt");
    auto rows = ScanLogFiles(LogsFolder(dir.Dir()));
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_FALSE(rows[0].serial || rows[1].serial);
}

TEST_F(MessageLogTest, NamePartsAreZeroPadded) {
    clock.SetNow(test::At(2024, 3, 5, 9, 7, 3, 2));
    ASSERT_TRUE(log.OpenMessageLog());
    EXPECT_EQ(log.FilePath(), dir.Dir() + "Logs/Quillon_LogMsg_090703_03052024.txt");
    log.Close();
    EXPECT_EQ(dir.Read("Logs/Quillon_LogMsg_090703_03052024.txt")
                  .find("=-=-=-=-=  Created Tuesday 09:07:03  3/5/2024\n"),
              std::string("=-=-=-=-=  Log File Quillon7 version 0.5\n").size());
}

// Each line is in the file as soon as it is posted; texts too long are cut to 4093 characters.
TEST_F(MessageLogTest, LinesBannersAndBareLayoutTexts) {
    ASSERT_TRUE(log.OpenMessageLog());
    const size_t afterOpen = LogText().size();
    log.WriteFileBanner("COMM", "/fw/comm.bin");
    log.PostLogLine(4, "Prep 5: Notify HBD, starting file upload\n");
    clock.Advance(4000);
    log.PostLogLine(6, "(%d ms)\n", 412);
    log.PostLogLine(1, "\n");
    log.PostLogLine(1, " ");
    log.PostLogLine(1, "%s", "");
    log.PostLogLine(0, static_cast<const char*>(nullptr));
    log.WriteLogLine("ab");
    log.WriteLogLine(nullptr);
    log.WriteKx2Banner("/fw/unit.kx");
    log.PostLogLine(1, "%s", std::string(5000, 'x').c_str());
    const std::string expected =
        "\n" + kRule + "+-+-+-+-+  Begin Upload; COMM File /fw/comm.bin\n" + kRule + "\n" +
        "14:30:05 Prep 5: Notify HBD, starting file upload\n"
        "14:30:09 (412 ms)\n"
        "\n"
        " "
        "14:30:09 ab"
        "\n" +
        kRule + "+-+-+-+-+  Begin Upload File /fw/unit.kx\n" + kRule + "\n" + "14:30:09 " +
        std::string(4093, 'x');
    EXPECT_EQ(LogText().substr(afterOpen), expected);
    log.SetLogMessages(false);
    log.PostLogLine(1, "not logged\n");
    log.WriteFileBanner("COMM", "/c.bin");
    log.Close();
    log.PostLogLine(1, "after close\n");
    EXPECT_EQ(LogText().substr(afterOpen), expected);
    // Every posted line reached the window, with its level, whether or not it was logged.
    auto all = sink.All();
    ASSERT_EQ(all.size(), 10u);  // with ev::kLogOpened second
    EXPECT_EQ(all[2].number, 4);
    EXPECT_EQ(all[3].text, "(412 ms)\n");
    EXPECT_EQ(all[3].number, 6);
    EXPECT_EQ(all[4].text, "\n");
    EXPECT_EQ(all[6].text, "");
    EXPECT_EQ(all[7].text, std::string(4093, 'x'));
    EXPECT_EQ(all[8].text, "not logged\n");
    EXPECT_EQ(all[9].text, "after close\n");
}

TEST_F(MessageLogTest, LogMessagesOffCreatesNoFile) {
    log.SetLogMessages(false);
    EXPECT_TRUE(log.OpenMessageLog());
    EXPECT_FALSE(log.IsOpen());
    log.PostLogLine(1, "still shown\n");
    log.WriteFileBanner("SPEECH", "/s.bin");
    EXPECT_FALSE(std::filesystem::exists(dir.File("Logs")));
    auto all = sink.All();
    ASSERT_EQ(all.size(), 2u);
    EXPECT_EQ(all[0].number, 3);
    EXPECT_EQ(all[0].text, "Prep 1: Log Messages Disabled!  Won't create log file\n");
    EXPECT_EQ(all[1].text, "still shown\n");
}

TEST_F(MessageLogTest, UnopenableLogIsReportedAndTheRunGoesOn) {
    dir.Write("Logs", "a file where the folder should be");
    EXPECT_FALSE(log.OpenMessageLog());
    EXPECT_FALSE(log.IsOpen());
    log.PostLogLine(1, "next line\n");
    log.WriteFileBanner("COMM", "/c.bin");
    auto all = sink.All();
    ASSERT_EQ(all.size(), 3u);
    EXPECT_EQ(all[0].number, 0);
    EXPECT_EQ(all[0].text, "Prep 1: FAILED; to open log file (" + dir.Dir() + kLogName + ")\n\n");
    EXPECT_EQ(all[1].code, ev::kRecordLost);
    EXPECT_EQ(all[1].text.rfind("not written: message log " + dir.Dir() + kLogName + ": ", 0), 0u);
    EXPECT_EQ(all[2].text, "next line\n");
}

TEST_F(MessageLogTest, WeekdayNames) {
    std::string names;
    for (int day = -1; day <= 7; ++day) {
        names += LocalizedWeekdayName(day) + ",";
    }
    EXPECT_EQ(names, ",Sunday,Monday,Tuesday,Wednesday,Thursday,Friday,Saturday,,");
}

}  // namespace
}  // namespace quillon
