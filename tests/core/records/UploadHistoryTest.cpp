#include "platform/DurationText.h"
#include "records/UploadHistory.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "tests/support/FakeClock.h"
#include "tests/support/TempDir.h"

namespace quillon {
namespace {

const std::string kPad(24, ' ');
constexpr const char* kStamp = "Jul 15, 2024  14:30:05: ";  // the fake clock's start

LocalTime At(int year, int month, int day, int hour, int minute, int second) {
    LocalTime t;
    t.valid = true;
    t.year = year;
    t.month = month;
    t.day = day;
    t.hour = hour;
    t.minute = minute;
    t.second = second;
    return t;
}

TEST(UploadHistoryTest, EntriesByteForByte) {
    test::TempDir dir;
    test::FakeClock clock;
    UploadHistory history(dir.Dir(), clock);
    ASSERT_EQ(history.Path(), dir.Dir() + "History.txt");

    history.WriteBeginUpload("/fw/comm.bin", 1);
    history.WriteUploadSuccess("/fw/comm.bin", 1, 261);
    history.WriteUploadFailed("/fw/reader.bin", 2, "*** USER ABORTED UPLOAD ***");
    history.WriteCriticalError({2, 1, 7});
    history.WriteUploadFailed("/fw/unit.kx", 1, "KX2 canceled");
    history.WriteBeginUpload("/fw/odd.bin", 9);

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
}

TEST(UploadHistoryTest, SuccessDurations) {
    struct Case {
        int seconds;
        const char* required;
    } cases[] = {
        {0, "0 seconds"},     {1, "1 seconds"},     {45, "45 seconds"}, {59, "59 seconds"},
        {60, "1 minutes"},    {61, "1 min  1 sec"}, {120, "2 minutes"}, {261, "4 min  21 sec"},
        {3600, "60 minutes"}, {-5, "-5 seconds"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.seconds);
        EXPECT_EQ(DurationText(c.seconds), c.required);
        test::TempDir dir;
        test::FakeClock clock;
        UploadHistory history(dir.Dir(), clock);
        history.WriteUploadSuccess("/s.bin", 3, c.seconds);
        EXPECT_EQ(dir.Read("History.txt"), std::string(kStamp) +
                                               "Upload SPEECH File Successful (/s.bin).\n" + kPad +
                                               "Required " + c.required + "\n\n");
    }
}

TEST(UploadHistoryTest, TimeStampForms) {
    EXPECT_EQ(UploadHistory::TimeStamp(At(2024, 3, 5, 9, 7, 3)), "Mar  5, 2024  09:07:03: ");
    EXPECT_EQ(UploadHistory::TimeStamp(At(2024, 12, 31, 23, 59, 59)), "Dec 31, 2024  23:59:59: ");
    EXPECT_EQ(UploadHistory::TimeStamp(At(2024, 1, 1, 0, 0, 0)), "Jan  1, 2024  00:00:00: ");
    EXPECT_EQ(UploadHistory::TimeStamp(At(2024, 13, 1, 0, 0, 0)), "???  1, 2024  00:00:00: ");
    EXPECT_EQ(UploadHistory::TimeStamp(LocalTime{}), "???  0,    0  -1:-1:-1: ");
}

TEST(UploadHistoryTest, EntryUsesTheClockAtWritingTime) {
    test::TempDir dir;
    test::FakeClock clock(At(2024, 3, 5, 9, 7, 3));
    UploadHistory history(dir.Dir(), clock);
    history.WriteCriticalError({0, 0, 0});
    clock.Advance(61000);
    LocalTime invalid;
    history.WriteCriticalError({1, 2, 3});
    test::FakeClock broken(invalid);
    UploadHistory noTime(dir.Dir(), broken);
    noTime.WriteCriticalError({4, 5, 6});
    EXPECT_EQ(dir.Read("History.txt"),
              "Mar  5, 2024  09:07:03: CRITICAL ERROR; Error Code = 0.0, support Data = 0\n\n"
              "Mar  5, 2024  09:08:04: CRITICAL ERROR; Error Code = 1.2, support Data = 3\n\n"
              "???  0,    0  -1:-1:-1: CRITICAL ERROR; Error Code = 4.5, support Data = 6\n\n");
}

TEST(UploadHistoryTest, FirstEntryCreatesTheFileAndLaterOnesAppend) {
    test::TempDir dir;
    test::FakeClock clock;
    UploadHistory history(dir.Dir(), clock);
    EXPECT_FALSE(std::filesystem::exists(history.Path()));
    history.WriteCriticalError({2, 1, 4});
    ASSERT_TRUE(std::filesystem::exists(history.Path()));
    const std::string first = dir.Read("History.txt");
    // Another object (the next program start) appends, never replaces.
    UploadHistory again(dir.Dir(), clock);
    again.WriteCriticalError({2, 1, 5});
    const std::string both = dir.Read("History.txt");
    EXPECT_EQ(both.substr(0, first.size()), first);
    EXPECT_GT(both.size(), first.size());
}

TEST(UploadHistoryTest, UnwritablePlaceDropsEntriesSilently) {
    test::TempDir dir;
    test::FakeClock clock;
    UploadHistory missingFolder(dir.File("no/such/folder/"), clock);
    missingFolder.WriteBeginUpload("/c.bin", 1);
    missingFolder.WriteUploadFailed("/c.bin", 1, "Failed to open input file");
    EXPECT_FALSE(std::filesystem::exists(dir.File("no")));

    ASSERT_TRUE(std::filesystem::create_directory(dir.File("History.txt")));
    UploadHistory folderInTheWay(dir.Dir(), clock);
    folderInTheWay.WriteUploadSuccess("/c.bin", 1, 10);
    EXPECT_TRUE(std::filesystem::is_directory(dir.File("History.txt")));
    EXPECT_TRUE(std::filesystem::is_empty(dir.File("History.txt")));
}

}  // namespace
}  // namespace quillon
