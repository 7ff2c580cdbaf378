#include "records/SerialDataLog.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "records/LogFileHeader.h"
#include "records/LogFolderScan.h"
#include "tests/support/Environment.h"
#include "tests/support/FakeClock.h"
#include "tests/support/TempDir.h"

namespace quillon {
namespace {

constexpr const char* kLogName = "Logs/Quillon_LogSerial_143005_07152024.txt";
constexpr const char* kHeader =
    "=-=-=-=-=  Log File Quillon7 version 0.5\n"
    "=-=-=-=-=  Created Monday 14:30:05  7/15/2024\n";

class SerialDataLogTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { test::SetEnvironment("LC_ALL", "C"); }

    test::TempDir dir;
    test::FakeClock clock;
    SerialDataLog log{clock, dir.Dir()};
};

TEST_F(SerialDataLogTest, ChunksBecomeTimeStampedHexLines) {
    ASSERT_TRUE(log.Open());
    EXPECT_EQ(log.FilePath(), dir.Dir() + kLogName);
    const std::vector<uint8_t> request{0x05, 0x05, 0x01, 0x32};
    log.Sent(request);
    clock.Advance(1234);
    log.Received(std::vector<uint8_t>{0xAB, 0x0F});
    clock.Advance(58766);  // a minute after opening
    log.Received(std::vector<uint8_t>{0x00});
    log.Sent(std::vector<uint8_t>{});
    const std::string expected = std::string(kHeader) +
                                 "14:30:05.000 TX  05 05 01 32\n"
                                 "14:30:06.234 RX  AB 0F\n"
                                 "14:31:05.000 RX  00\n";
    EXPECT_EQ(dir.Read(kLogName), expected) << "each chunk is on disk at once";
    log.Close();
    log.Sent(request);
    EXPECT_EQ(dir.Read(kLogName), expected);
    auto rows = ScanLogFiles(LogsFolder(dir.Dir()));
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_TRUE(rows[0].serial);
}

TEST_F(SerialDataLogTest, LongChunksWrapAt32BytesUnderTheFirstByte) {
    ASSERT_TRUE(log.Open());
    log.Sent(std::vector<uint8_t>(70, 0x5A));
    log.Close();
    auto bytes = [](int n) {
        std::string text = "5A";
        for (int i = 1; i < n; ++i) {
            text += " 5A";
        }
        return text + "\n";
    };
    const std::string indent(17, ' ');
    EXPECT_EQ(dir.Read(kLogName),
              kHeader + ("14:30:05.000 TX  " + bytes(32)) + indent + bytes(32) + indent + bytes(6));
}

TEST_F(SerialDataLogTest, TimeWrapsPastMidnight) {
    clock.SetNow(test::At(2024, 7, 15, 23, 59, 59, 1));
    ASSERT_TRUE(log.Open());
    clock.Advance(1500);
    log.Received(std::vector<uint8_t>{0x17});
    log.Close();
    const std::string text = dir.Read("Logs/Quillon_LogSerial_235959_07152024.txt");
    EXPECT_NE(text.find("\n00:00:00.500 RX  17\n"), std::string::npos) << text;
}

TEST_F(SerialDataLogTest, UnopenableLogIsIgnored) {
    dir.Write("Logs", "not a folder");
    EXPECT_FALSE(log.Open());
    EXPECT_FALSE(log.IsOpen());
    log.Sent(std::vector<uint8_t>{1, 2, 3});
    log.Received(std::vector<uint8_t>{4});
    log.Close();
    EXPECT_EQ(dir.Read("Logs"), "not a folder");
}

}  // namespace
}  // namespace quillon
