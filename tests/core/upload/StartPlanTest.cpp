// The steps of Start that the desktop and the command line share.
#include "upload/StartPlan.h"

#include <gtest/gtest.h>

#include "settings/SettingsKeys.h"
#include "tests/support/TempDir.h"

namespace quillon {
namespace {

TEST(StartPlan, RemembersOnlyGivenPathsLongerThanOneCharacter) {
    test::TempDir dir;
    IniFile ini(dir.File("Quillon.ini"));
    settings::Write(ini, settings::kFileComm, std::string("/old/comm.bin"));
    RememberStartFiles({std::nullopt, "r2", "s"}, ini);
    EXPECT_EQ(settings::Read(ini, settings::kFileComm), "/old/comm.bin");
    EXPECT_EQ(settings::Read(ini, settings::kFileReader), "r2");
    EXPECT_EQ(settings::Read(ini, settings::kFileSpeech), "");
}

TEST(StartPlan, TypedPortReplacesTheSettingsButADeviceKeepsTheirSlot) {
    test::TempDir dir;
    IniFile ini(dir.File("Quillon.ini"));
    settings::Write(ini, settings::kPortNumber, 4);
    settings::Write(ini, settings::kPortDevice, std::string("/dev/ttyS3"));
    const struct {
        std::optional<PortName> typed;
        int number;
        std::string device;
    } rows[] = {{std::nullopt, 4, "/dev/ttyS3"},
                {PortName{7, ""}, 7, ""},
                {PortName{0, "/dev/ttyUSB0"}, 4, "/dev/ttyUSB0"},
                {PortName{300, ""}, 1, ""}};
    for (const auto& row : rows) {
        const PortName port = ChooseRunPort(ini, row.typed);
        EXPECT_EQ(port.portNumber, row.number) << row.device;
        EXPECT_EQ(port.device, row.device);
    }
}

}  // namespace
}  // namespace quillon
