#include "serial/PortName.h"

#include <gtest/gtest.h>

#include "tests/support/RowName.h"

#include <string>

namespace quillon {
namespace {

constexpr PortNaming kPosix = PortNaming::kPosix;
constexpr PortNaming kWindows = PortNaming::kWindows;

struct GoodName {
    PortNaming naming;
    std::string typed;
    int portNumber;
    std::string device;
};

class PortNameGoodTest : public ::testing::TestWithParam<GoodName> {};

TEST_P(PortNameGoodTest, NamesThePort) {
    std::string error = "untouched";
    auto name = PortName::Parse(GetParam().typed, &error, GetParam().naming);
    ASSERT_TRUE(name.has_value()) << error;
    EXPECT_EQ(name->portNumber, GetParam().portNumber);
    EXPECT_EQ(name->device, GetParam().device);
}

INSTANTIATE_TEST_SUITE_P(
    Table, PortNameGoodTest,
    ::testing::Values(GoodName{kPosix, "1", 1, ""}, GoodName{kPosix, "256", 256, ""},
                      GoodName{kPosix, " 12\n", 12, ""}, GoodName{kPosix, "com7", 7, ""},
                      GoodName{kPosix, "/dev/ttyUSB0", 0, "/dev/ttyUSB0"},
                      GoodName{kPosix, "  ttyUSB0  ", 0, "/dev/ttyUSB0"},
                      GoodName{kPosix, "./ttyV0", 0, "./ttyV0"},
                      GoodName{kPosix, std::string(255, '/'), 0, std::string(255, '/')},
                      GoodName{kWindows, "COM5:", 5, ""}, GoodName{kWindows, "com12", 12, ""},
                      GoodName{kWindows, "CNCA0", 0, "\\\\.\\CNCA0"},
                      GoodName{kWindows, "\\\\.\\CNCA0", 0, "\\\\.\\CNCA0"},
                      GoodName{kWindows, "\\\\?\\x", 0, "\\\\?\\x"}),
    test::RowNames([](const GoodName& c) {
        return (c.naming == kWindows ? "win " : "") + c.typed;
    }));

struct BadName {
    PortNaming naming;
    std::string typed;
    std::string errorPart;  // what the sentence must mention
};

class PortNameBadTest : public ::testing::TestWithParam<BadName> {};

TEST_P(PortNameBadTest, IsRefusedWithAReason) {
    std::string error;
    const PortNaming naming = GetParam().naming;
    EXPECT_FALSE(PortName::Parse(GetParam().typed, &error, naming).has_value());
    EXPECT_NE(error.find(GetParam().errorPart), std::string::npos) << error;
    EXPECT_NE(
        error.find(naming == kWindows ? "COM3) or a device such as \\\\.\\CNCA0" : "/dev/ttyUSB0"),
        std::string::npos)
        << "says what to type: " << error;
    EXPECT_FALSE(PortName::Parse(GetParam().typed, nullptr, naming).has_value())
        << "without a place for the text";
}

INSTANTIATE_TEST_SUITE_P(
    Table, PortNameBadTest,
    ::testing::Values(BadName{kPosix, "", "No serial port given"},
                      BadName{kPosix, "  \t", "No serial port given"},
                      BadName{kPosix, "0", "Port number 0 is out of range"},
                      BadName{kPosix, "-3", "Port number -3 is out of range"},
                      BadName{kPosix, "257", "Port number 257 is out of range"},
                      BadName{kPosix, "99999999999999999999", "out of range"},
                      BadName{kPosix, "3x", "\"3x\" is not a port"},
                      BadName{kPosix, "tty\x01USB0", "control characters"},
                      BadName{kPosix, std::string(251, 'x'), "longer than 255"},
                      BadName{kWindows, "COM0", "Port number COM0 is out"},
                      BadName{kWindows, "C:\\dev\\x", "is not a port"},
                      BadName{kWindows, "/dev/ttyS0", "is not a port"},
                      BadName{kWindows, std::string(252, 'x'), "longer"}),
    test::RowNames([](const BadName& c) {
        return (c.naming == kWindows ? "win " : "") + c.typed;
    }));

}  // namespace
}  // namespace quillon
