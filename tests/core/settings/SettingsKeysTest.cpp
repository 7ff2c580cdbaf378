#include "settings/SettingsKeys.h"

#include <gtest/gtest.h>

#include "tests/support/TempDir.h"

namespace quillon::settings {
namespace {

using test::TempDir;

constexpr char kDefaultFile[] =
    "[HBD Params]\n"
    "Retransmit Control Packets=4\n"
    "Retransmit Data Packets=1\n"
    "Wait for HBD Response=6\n"
    "Delay after File Upload=60\n"
    "[Logs]\n"
    "Log Messages=1\n"
    "Log Serial Data=0\n"
    "[Validate]\n"
    "Validate Files=1\n"
    "[Load Files]\n"
    "Load COMM First=1\n"
    "Allow Abort=0\n"
    "[Views]\n"
    "Show Serial View=0\n"
    "[MISC]\n"
    "Show Upload Timing=0\n"
    "Tamarack Line=0\n";

TEST(SettingsKeys, DefaultFileIsCreatedOnceWithItsKeysInOrder) {
    TempDir dir;
    IniFile ini(dir.File("Quillon.ini"));
    EXPECT_TRUE(CreateDefaultFile(ini));
    EXPECT_EQ(dir.Read("Quillon.ini"), kDefaultFile);
    ASSERT_TRUE(ini.WriteInt("Serial Port", "Port Number", 3));
    EXPECT_FALSE(CreateDefaultFile(ini));
    EXPECT_EQ(Read(ini, kPortNumber), 3);
}

TEST(SettingsKeys, FactoryResetEmptiesTheFileFirst) {
    TempDir dir;
    IniFile ini(dir.Write("Quillon.ini",
                          "[KX2]\nIs KX2=0\n[Serial Port]\nPort Number=4\n"
                          "Baud Rate=115200\n[Load Files]\nAllow Abort=1\n"));
    EXPECT_TRUE(FactoryReset(ini));
    EXPECT_EQ(dir.Read("Quillon.ini"),
              "[HBD Params]\n"
              "Retransmit Control Packets=4\n"
              "Retransmit Data Packets=1\n"
              "Wait for HBD Response=6\n"
              "Delay after File Upload=60\n"
              "[Logs]\n"
              "Log Messages=1\n"
              "Log Serial Data=0\n"
              "[Validate]\n"
              "Validate Files=1\n"
              "[Views]\n"
              "Show Serial View=0\n"
              "[Load Files]\n"
              "Load COMM First=1\n"
              "[MISC]\n"
              "Show Upload Timing=0\n"
              "Tamarack Line=0\n");
    // What the reset dropped reads as its default again.
    EXPECT_EQ(Read(ini, kIsKx2), 1);
    EXPECT_EQ(Read(ini, kPortNumber), 1);
    EXPECT_EQ(Read(ini, kBaudRate), 19200);
    EXPECT_EQ(Read(ini, kAllowAbort), 0);
}

TEST(SettingsKeys, FactoryResetFailsWhereNoFileCanBeMade) {
    IniFile ini("/nonexistent-folder-for-quillon7/Quillon.ini");
    EXPECT_FALSE(FactoryReset(ini));
}

TEST(SettingsKeys, HandWrittenFileWithoutTimingKeyLogsTiming) {
    TempDir dir;
    IniFile ini(dir.Write("Quillon.ini", "[HBD Params]\nWait for HBD Response=20\n"));
    EXPECT_TRUE(ReadBool(ini, kShowUploadTiming));
    EXPECT_EQ(Read(ini, kWaitForResponse), 20);  // clamping is the worker's business
}

}  // namespace
}  // namespace quillon::settings
