#include "records/UploadHistory.h"
#include "text/DurationText.h"

#include "records/HistoryEntries.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <iterator>
#include <string>
#include <vector>

#include "tests/support/FakeClock.h"
#include "tests/support/TempDir.h"

namespace quillon {
namespace {

const std::string kPad(24, ' ');
constexpr const char* kStamp = "Jul 15, 2024  14:30:05: ";  // the fake clock's start

TEST(UploadHistoryTest, EntriesByteForByte) {
    test::TempDir dir;
    test::FakeClock clock;
    UploadHistory history(dir.Dir(), clock);
    ASSERT_EQ(history.Path(), dir.Dir() + "History.txt");

    history.WriteBeginUpload("/fw/comm.bin", FileKind{1});
    history.WriteUploadSuccess("/fw/comm.bin", FileKind{1}, 261);
    history.WriteUploadFailed("/fw/reader.bin", FileKind{2}, "*** USER ABORTED UPLOAD ***");
    history.WriteCriticalError({2, 1, 7});
    history.WriteUploadFailed("/fw/unit.kx", FileKind{1}, "KX2 canceled");
    history.WriteBeginUpload("/fw/odd.bin", FileKind{9});

    const std::string expected =
        std::string("\n") + kStamp + "Begin Upload COMM File\n" + kPad +
        "FileName: /fw/comm.bin\n" + kStamp + "Upload COMM File Successful (/fw/comm.bin).\n" +
        kPad + "Required 4 min  21 sec\n\n" + kStamp + "Upload READER File FAILED!\n" + kPad +
        "ERROR = *** USER ABORTED UPLOAD ***\n" + kPad + "FileName: /fw/reader.bin\n\n" + kStamp +
        "CRITICAL ERROR; Error Code = 2.1, support Data = 7\n\n" + kStamp +
        "Upload COMM File FAILED!\n" + kPad + "ERROR = KX2 canceled\n" + kPad +
        "FileName: /fw/unit.kx\n\n" + "\n" + kStamp + "Begin Upload ????? File\n" + kPad +
        "FileName: /fw/odd.bin\n";
    EXPECT_EQ(dir.Read("History.txt"), expected);

    // What the writer wrote reads back as the entries it was given; a line of an older version
    // and a last entry torn by a kill are read as far as they go.
    const std::string time = "Jul 15, 2024  14:30:05";
    const std::vector<HistoryEntry> read =
        ParseHistory(expected + "an older entry\n" + kStamp + "Upload SPEECH File FAILED!\n" +
                     kPad + "ERROR = Line lost, Step: End of");
    const HistoryEntry entries[] = {
        {time, "COMM", "/fw/comm.bin", "begin", ""},
        {time, "COMM", "/fw/comm.bin", "completed", "4 min  21 sec"},
        {time, "READER", "/fw/reader.bin", "failed", "*** USER ABORTED UPLOAD ***"},
        {time, "", "", "critical", "CRITICAL ERROR; Error Code = 2.1, support Data = 7"},
        {time, "COMM", "/fw/unit.kx", "failed", "KX2 canceled"},
        {time, "?????", "/fw/odd.bin", "begin", ""},
        {"", "", "", "unknown", "an older entry"},
        {time, "SPEECH", "", "failed", "Line lost, Step: End of"},
    };
    ASSERT_EQ(read.size(), std::size(entries));
    for (size_t i = 0; i < read.size(); ++i) {
        EXPECT_EQ(read[i], entries[i]) << i;
    }
}

TEST(UploadHistoryTest, DurationTexts) {
    const std::pair<int, const char*> cases[] = {
        {0, "0 seconds"},   {59, "59 seconds"},   {60, "1 minutes"},  {61, "1 min  1 sec"},
        {120, "2 minutes"}, {3600, "60 minutes"}, {-5, "-5 seconds"},
    };
    for (const auto& [seconds, text] : cases) {
        EXPECT_EQ(DurationText(seconds), text) << seconds;
    }
}

TEST(UploadHistoryTest, EntriesTakeTheClockAtWritingTime) {
    EXPECT_EQ(UploadHistory::TimeStamp(LocalTime{true, 2024, 13, 1}), "???  1, 2024  00:00:00: ");
    EXPECT_EQ(UploadHistory::TimeStamp(LocalTime{}), "???  0,    0  -1:-1:-1: ");
    test::TempDir dir;
    test::FakeClock clock(LocalTime{true, 2024, 3, 5, 9, 7, 3});
    UploadHistory history(dir.Dir(), clock);
    history.WriteCriticalError({0, 0, 0});
    clock.Advance(61000);
    history.WriteCriticalError({1, 2, 3});
    UploadHistory(dir.Dir(), clock).WriteCriticalError({4, 5, 6});  // the next start appends
    EXPECT_EQ(dir.Read("History.txt"),
              "Mar  5, 2024  09:07:03: CRITICAL ERROR; Error Code = 0.0, support Data = 0\n\n"
              "Mar  5, 2024  09:08:04: CRITICAL ERROR; Error Code = 1.2, support Data = 3\n\n"
              "Mar  5, 2024  09:08:04: CRITICAL ERROR; Error Code = 4.5, support Data = 6\n\n");
}

TEST(UploadHistoryTest, UnwritablePlaceDropsEntriesSilently) {
    test::TempDir dir;
    test::FakeClock clock;
    UploadHistory missingFolder(dir.File("no/such/folder/"), clock);
    missingFolder.WriteBeginUpload("/c.bin", FileKind{1});
    missingFolder.WriteUploadFailed("/c.bin", FileKind{1}, "Failed to open input file");
    EXPECT_FALSE(std::filesystem::exists(dir.File("no")));

    ASSERT_TRUE(std::filesystem::create_directory(dir.File("History.txt")));
    UploadHistory folderInTheWay(dir.Dir(), clock);
    folderInTheWay.WriteUploadSuccess("/c.bin", FileKind{1}, 10);
    EXPECT_TRUE(std::filesystem::is_directory(dir.File("History.txt")));
    EXPECT_TRUE(std::filesystem::is_empty(dir.File("History.txt")));
}

}  // namespace
}  // namespace quillon
