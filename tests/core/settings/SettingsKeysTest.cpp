#include "settings/SettingsKeys.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "tests/support/TempDir.h"

namespace quillon::settings {
namespace {

using test::TempDir;

// A missing key reads as its default, but the files the program writes hold their own values:
// the hand-written file below logs timing, a default or reset file does not.
TEST(SettingsKeys, DefaultFileIsMadeOnlyWhereNoneIsAndResetStartsAfresh) {
    TempDir dir;
    IniFile ini(dir.Write("Quillon.ini", "[HBD Params]\nWait for HBD Response=20\n"));
    EXPECT_TRUE(ReadBool(ini, kShowUploadTiming));
    EXPECT_EQ(Read(ini, kWaitForResponse), 20);  // clamping is the worker's business
    EXPECT_FALSE(CreateDefaultFile(ini));
    EXPECT_EQ(Read(ini, kWaitForResponse), 20);

    ASSERT_TRUE(std::filesystem::remove(dir.File("Quillon.ini")));
    EXPECT_TRUE(CreateDefaultFile(ini));
    EXPECT_EQ(ini.Find("MISC", "Show Upload Timing"), "0");
    EXPECT_EQ(ini.Find("Load Files", "Allow Abort"), "0");

    ASSERT_TRUE(ini.WriteInt("Serial Port", "Port Number", 4));
    ASSERT_TRUE(ini.WriteInt("Load Files", "Allow Abort", 1));
    ASSERT_TRUE(ini.WriteInt("KX2", "Is KX2", 0));
    EXPECT_TRUE(FactoryReset(ini));
    EXPECT_EQ(ini.Find("MISC", "Show Upload Timing"), "0");
    // What the reset does not write reads as its default again.
    EXPECT_EQ(Read(ini, kPortNumber), 1);
    EXPECT_EQ(Read(ini, kAllowAbort), 0);
    EXPECT_EQ(Read(ini, kIsKx2), 1);
    for (const IntKey* key : {&kShowUploadTiming, &kIsKx2, &kWaitForResponse, &kAllowAbort}) {
        EXPECT_EQ(FactoryValue(*key), Read(ini, *key)) << key->key;
    }

    IniFile nowhere("/nonexistent-folder-for-quillon7/Quillon.ini");
    EXPECT_FALSE(FactoryReset(nowhere));
}

}  // namespace
}  // namespace quillon::settings
